// The barrage program: with no arguments it takes nothing and reads nothing,
// and runs the demonstration in an SDL window, or in the terminal without a
// display, until a key is pressed. --pattern FILE|NAME plays a pattern file
// instead; --help and --version say what it is.
#include <string>

#include "command/Arguments.h"
#include "command/PatternOption.h"
#include "display/Control.h"
#include "display/Display.h"
#include "display_sdl/SdlWindow.h"
#include "display_terminal/Terminal.h"
#include "shell/Program.h"

int main(int argc, char** argv) {
    command::ChosenPattern chosen;
    if (argc > 1) {
        CLI::App app("Scripted bullet patterns: four shooters at the centre of a 640 x 480 window, their bodies and "
                     "guns run by movement and firing programs. Any key or the window's close button ends it.",
                     "barrage");
        std::string patternName;
        std::vector<std::string> sets;
        command::addPatternOption(app, patternName, sets, "play a pattern file, or a sample pattern by its name, instead "
                                                    "of the demonstration");
        if (const int status = command::parseArguments(app, argc, argv); status >= 0) return status;
        if (const int status = command::choosePattern(chosen, patternName, sets, false); status >= 0) return status;
    }
    display::UseWindowSystem(display_sdl::sdlWindowSystem(), display_terminal::terminalSystem());
    display::EndProgram(shell::runProgram(command::makerOf(chosen)));
}
