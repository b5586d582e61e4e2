// The terminal behind the display service when no display is available: keys
// come from the keyboard without echo, and the text read-out is one status
// line rewritten in place. The service calls these from OpenScreen,
// WaitVerticalRetrace, PollKey and EndProgram.
#pragma once

#include <termios.h>

#include <cstdint>

#include "display/Screen.h"

namespace display {

struct Terminal {
    int32_t keysFromInput = 0;   // flag: stdin is a terminal and gives keys
    int32_t statusToOutput = 0;  // flag: stdout is a terminal and shows the status line
    int32_t settingsSaved = 0;   // flag: saved holds the settings to restore
    int64_t lastStatusNs = 0;    // steady-clock time the status line was last written
    termios saved{};             // stdin's settings before the program changed them
};

// Switches stdin to keys without echo; says once on stderr what is going on.
void openTerminal(Terminal& terminal, const char* program, const char* reason);
void readTerminalKeys(Terminal& terminal, Screen& screen);
// Rewrites the status line from the text grid, at most ten times a second.
void showTerminalStatus(Terminal& terminal, const Screen& screen);
void closeTerminal(Terminal& terminal);
// Async-signal-safe: puts stdin's settings back. For fatal signals.
void restoreTerminalSettings(const Terminal& terminal);

}  // namespace display
