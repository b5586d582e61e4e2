// The barrage program: takes no command line and reads nothing; it runs the
// demonstration in an SDL window (or the terminal) until a key is pressed.
#include "display/Control.h"
#include "display/Display.h"
#include "display/WindowSystem.h"
#include "shell/Program.h"

int main() {
    display::UseWindowSystem(display::sdlWindowSystem());
    display::EndProgram(shell::runProgram());
}
