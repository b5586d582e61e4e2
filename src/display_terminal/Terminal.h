// The terminal backend, the display service's fallback when no display is
// available: keys come from the keyboard without echo, and the text read-out
// is one status line rewritten in place. terminalSystem() is its table; the
// rest is here for its tests.
#pragma once

#include <termios.h>

#include <csignal>
#include <cstddef>
#include <cstdint>

#include "display/WindowSystem.h"
#include "screen/Screen.h"

namespace display_terminal {

using screen::Layers;
using screen::Screen;

// The terminal behind the service's table: it says once on stderr why it
// runs, takes the keys and shows the read-out; the end, stop and continue
// signals leave the user's terminal as it was.
const display::WindowSystem* terminalSystem();

struct Terminal {
    int32_t keysFromInput = 0;   // flag: stdin is a terminal and gives keys
    int32_t statusToOutput = 0;  // flag: stdout is a terminal and shows the status line
    int32_t settingsSaved = 0;   // flag: saved holds the settings to restore
    int64_t lastStatusNs = 0;    // steady-clock time the status line was last written
    int32_t columns = 80;        // the terminal's width; the status line stays within it
    int32_t plain = 0;           // flag: TERM=dumb, so no escape sequences
    int32_t lastLength = 0;      // characters of the status line last written
    int32_t clearLine = 0;       // flag: the size changed, so clear the line before the next one
    termios saved{};             // stdin's settings before the program changed them
    termios raw{};               // stdin's settings while the program runs: keys at once, no echo
    const Layers* layers = nullptr;  // a viewer's layers: their text is the status line; none: the read-out rows
    volatile std::sig_atomic_t redraw = 0;       // flag: continued after a stop, so write the status line at once
    volatile std::sig_atomic_t sizeChanged = 0;  // flag: SIGWINCH came, so read the width again
};

// Switches stdin to keys without echo; says once on stderr what is going on
// and what the keys do (keys; none: any key ends it).
void openTerminal(Terminal& terminal, const char* program, const char* reason, const char* keys = nullptr);
void readTerminalKeys(Terminal& terminal, Screen& screen);
// Turns bytes typed in the terminal into keys: characters as themselves, an
// escape sequence as one special key with the code the window gives that key.
void pushTerminalBytes(Screen& screen, const unsigned char* bytes, int32_t count);
inline constexpr size_t STATUS_CAPACITY = 8 * screen::TEXT_COLUMNS + 16;  // characters of a status line at most

// The read-out rows as one line of fields parted by " | ", without their
// blanks; with a viewer's layers, their status lines instead. Returns its length.
size_t statusLine(const Screen& screen, char* line, size_t capacity, const Layers* layers = nullptr);
// Rewrites the status line from the text grid, at most ten times a second,
// cut to the terminal's width.
void showTerminalStatus(Terminal& terminal, const Screen& screen);
// After SIGWINCH: reads the width again and writes the line anew at once.
void terminalResized(Terminal& terminal);
void closeTerminal(Terminal& terminal);
// Async-signal-safe: puts stdin's settings back, from the background too. For
// fatal signals and for a stop (Ctrl+Z).
void restoreTerminalSettings(const Terminal& terminal);
// Async-signal-safe: keys at once and no echo again after the program was
// continued, if it is in the terminal's foreground (a background job leaves
// the terminal to the shell until it is brought back).
void resumeTerminalSettings(const Terminal& terminal);

}  // namespace display_terminal
