// The barrage program: takes no command line and reads nothing; it runs the
// demonstration until a key is pressed.
#include "display/Display.h"
#include "shell/Program.h"

int main() { display::EndProgram(shell::runProgram()); }
