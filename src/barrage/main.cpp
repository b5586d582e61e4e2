// The barrage program: takes no command line and reads nothing; it runs the
// demonstration in an SDL window, or in the terminal without a display, until
// a key is pressed.
#include "display/Control.h"
#include "display/Display.h"
#include "display_sdl/SdlWindow.h"
#include "display_terminal/Terminal.h"
#include "shell/Program.h"

int main() {
    display::UseWindowSystem(display_sdl::sdlWindowSystem(), display_terminal::terminalSystem());
    display::EndProgram(shell::runProgram());
}
