// Terminal fallback of the display service: raw keys in, one status line out.
#include "display_terminal/Terminal.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/Pacer.h"

namespace display_terminal {

using namespace screen;  // the key codes, the text grid and its sizes

namespace {

constexpr int64_t STATUS_INTERVAL_NS = 100'000'000;  // at most ten status lines a second
constexpr int32_t STATUS_ROWS[] = {2, 3, 6, 7};      // where the read-outs stand

void writeAll(int fd, const char* text, size_t length) {
    while (length > 0) {
        const ssize_t written = write(fd, text, length);
        if (written <= 0) return;
        text += written;
        length -= static_cast<size_t>(written);
    }
}

// Appends a text row without its trailing blanks; returns the new length.
size_t appendRow(char* line, size_t length, size_t capacity, const uint8_t* row) {
    size_t end = TEXT_COLUMNS;
    while (end > 0 && row[end - 1] == ' ') --end;
    size_t start = 0;
    while (start < end && row[start] == ' ') ++start;
    if (start == end) return length;
    if (length > 0 && length + 3 < capacity) {
        std::memcpy(line + length, " | ", 3);
        length += 3;
    }
    for (size_t i = start; i < end && length < capacity; ++i) {
        const uint8_t c = row[i];
        line[length++] = c >= 32 && c < 127 ? static_cast<char>(c) : '?';
    }
    return length;
}

// The key a terminal's escape sequence stands for, from its final byte and its
// first number ("\x1b[5~" is Page Up, "\x1b[1;5A" Ctrl+Up); SPECIAL_KEY alone
// when the sequence means no key the window would know either.
int32_t keyOfSequence(unsigned char final, int32_t number) {
    switch (final) {
        case 'A': return KEY_UP;
        case 'B': return KEY_DOWN;
        case 'C': return KEY_RIGHT;
        case 'D': return KEY_LEFT;
        case 'H': return KEY_HOME;
        case 'F': return KEY_END;
        case 'P': case 'Q': case 'R': case 'S': return functionKey(final - 'P' + 1);  // ESC O P to ESC O S
        case '~': break;
        default: return SPECIAL_KEY;
    }
    switch (number) {
        case 1: case 7: return KEY_HOME;
        case 4: case 8: return KEY_END;
        case 2: return KEY_INSERT;
        case 3: return KEY_DELETE;
        case 5: return KEY_PAGE_UP;
        case 6: return KEY_PAGE_DOWN;
        case 11: case 12: case 13: case 14: case 15: return functionKey(number - 10);
        case 17: case 18: case 19: case 20: case 21: return functionKey(number - 11);
        case 23: case 24: return functionKey(number - 12);
        default: return SPECIAL_KEY;
    }
}

// A background job that touches the terminal's settings or reads from it is
// stopped (SIGTTOU, SIGTTIN): only the foreground does. A terminal that is not
// the process's controlling one has no foreground and counts as its own.
bool inForeground() {
    const pid_t foreground = tcgetpgrp(STDIN_FILENO);
    return foreground == -1 || foreground == getpgrp();
}

int32_t terminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0) return 80;
    return size.ws_col;
}

}  // namespace

void pushTerminalBytes(Screen& screen, const unsigned char* bytes, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        // An escape sequence (arrows, function keys) is one special key, with
        // the code the window gives the same key.
        if (bytes[i] == KEY_ESCAPE && i + 1 < count && (bytes[i + 1] == '[' || bytes[i + 1] == 'O')) {
            i += 2;
            // "\x1b[1;2A" is Shift+Up: the second number says the modifiers.
            int32_t number = 0, numbers = 0, modifiers = 0;
            for (; i < count && !(bytes[i] >= 0x40 && bytes[i] <= 0x7E); ++i) {
                if (bytes[i] == ';') ++numbers;
                if (numbers == 0 && bytes[i] >= '0' && bytes[i] <= '9' && number < 1000) {
                    number = number * 10 + (bytes[i] - '0');
                }
                if (numbers == 1 && bytes[i] >= '0' && bytes[i] <= '9' && modifiers < 1000) {
                    modifiers = modifiers * 10 + (bytes[i] - '0');
                }
            }
            const int32_t code = i < count ? keyOfSequence(bytes[i], number) : SPECIAL_KEY;
            pushKey(screen, code);
            pressSteering(screen, code, modifiers == 2 || modifiers == 4);  // Shift, or Shift+Alt
            continue;
        }
        // Enter comes as a line feed where the terminal turns CR into LF
        // (ICRNL, on by default): it is the window's Enter either way.
        pushKey(screen, bytes[i] == 0 ? SPECIAL_KEY : bytes[i] == '\n' ? KEY_ENTER : bytes[i]);
        pressSteering(screen, bytes[i], false);
    }
}

void openTerminal(Terminal& terminal, const char* program, const char* reason, const char* keys) {
    terminal = Terminal{};
    terminal.keysFromInput = isatty(STDIN_FILENO) ? -1 : 0;
    terminal.statusToOutput = isatty(STDOUT_FILENO) ? -1 : 0;
    terminal.columns = terminalColumns();
    const char* type = std::getenv("TERM");
    terminal.plain = type && std::strcmp(type, "dumb") == 0 ? -1 : 0;
    const char* help = keys ? keys : "press any key or Ctrl+C to quit.";
    std::fprintf(stderr, "%s: no display is available (%s), so the demonstration runs in the terminal; %s\n",
                 program, reason, terminal.keysFromInput ? help : "send it SIGINT or SIGTERM (Ctrl+C) to quit.");
    if (terminal.keysFromInput && tcgetattr(STDIN_FILENO, &terminal.saved) == 0) {
        terminal.settingsSaved = -1;
        termios& raw = terminal.raw;
        raw = terminal.saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));  // Ctrl+C still signals
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        // Started in the background: the keys are taken once it is brought forward.
        if (inForeground()) tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
}

void readTerminalKeys(Terminal& terminal, Screen& screen) {
    if (!terminal.keysFromInput || !inForeground()) return;
    pollfd waiting{STDIN_FILENO, POLLIN, 0};
    if (poll(&waiting, 1, 0) <= 0 || !(waiting.revents & POLLIN)) return;
    unsigned char bytes[64];
    const ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
    if (count <= 0) {
        terminal.keysFromInput = 0;  // the terminal went away
        return;
    }
    pushTerminalBytes(screen, bytes, static_cast<int32_t>(count));
}

size_t statusLine(const Screen& screen, char* line, size_t capacity, const Layers* layers) {
    size_t length = 0;
    if (layers) {
        for (const auto& text : layers->status) {
            uint8_t row[TEXT_COLUMNS];
            std::memset(row, ' ', sizeof row);
            for (int32_t i = 0; i < TEXT_COLUMNS && text[i]; ++i) row[i] = static_cast<uint8_t>(text[i]);
            length = appendRow(line, length, capacity, row);
        }
        return length;
    }
    for (int32_t row : STATUS_ROWS) length = appendRow(line, length, capacity, screen.text[row - 1]);
    return length;
}

void showTerminalStatus(Terminal& terminal, const Screen& screen) {
    if (!terminal.statusToOutput) return;
    const int64_t now = display::steadyNowNs();
    if (now - terminal.lastStatusNs < STATUS_INTERVAL_NS) return;
    terminal.lastStatusNs = now;
    // Back to the line's start, the fields cut one short of the width (a
    // terminal may wrap on the last column), and the rest of the line
    // cleared: by an escape sequence, or on a dumb terminal by blanks over
    // what the last line had beyond this one.
    char fields[STATUS_CAPACITY];
    size_t count = statusLine(screen, fields, sizeof fields, terminal.layers);
    const size_t room = terminal.columns > 1 ? static_cast<size_t>(terminal.columns - 1) : 1;
    if (count > room) count = room;
    char line[8 + 2 * STATUS_CAPACITY];
    size_t length = 0;
    if (terminal.clearLine && !terminal.plain) {
        std::memcpy(line, "\r\x1b[K", 4);
        length = 4;
    }
    terminal.clearLine = 0;
    line[length++] = '\r';
    std::memcpy(line + length, fields, count);
    length += count;
    if (!terminal.plain) {
        std::memcpy(line + length, "\x1b[K", 3);
        length += 3;
    } else {
        for (size_t i = count; i < static_cast<size_t>(terminal.lastLength) && i < room; ++i) line[length++] = ' ';
    }
    terminal.lastLength = static_cast<int32_t>(count);
    writeAll(STDOUT_FILENO, line, length);
}

void terminalResized(Terminal& terminal) {
    terminal.columns = terminalColumns();
    terminal.clearLine = -1;
    terminal.lastStatusNs = 0;
}

void closeTerminal(Terminal& terminal) {
    restoreTerminalSettings(terminal);
    if (terminal.statusToOutput && terminal.lastStatusNs != 0) writeAll(STDOUT_FILENO, "\n", 1);
    terminal = Terminal{};
}

void restoreTerminalSettings(const Terminal& terminal) {
    if (!terminal.settingsSaved) return;
    // From the background, changing the terminal would stop the process
    // (SIGTTOU) instead of letting it end or stop as asked.
    sigset_t ttou, before;
    sigemptyset(&ttou);
    sigaddset(&ttou, SIGTTOU);
    pthread_sigmask(SIG_BLOCK, &ttou, &before);
    tcsetattr(STDIN_FILENO, TCSANOW, &terminal.saved);
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

void resumeTerminalSettings(const Terminal& terminal) {
    if (terminal.settingsSaved && inForeground()) tcsetattr(STDIN_FILENO, TCSANOW, &terminal.raw);
}

namespace {

using display::WindowHandle;

Terminal theTerminal;  // the process has one terminal

WindowHandle* open(const Screen&, const display::OpenRequest& request, const char** reason) {
    openTerminal(theTerminal, request.title, *reason, request.keys);
    theTerminal.layers = request.layers;
    return reinterpret_cast<WindowHandle*>(&theTerminal);
}

Terminal& own(WindowHandle* handle) { return *reinterpret_cast<Terminal*>(handle); }

void pumpEvents(WindowHandle* handle, Screen& screen) {
    Terminal& terminal = own(handle);
    if (terminal.sizeChanged) {
        terminal.sizeChanged = 0;
        terminalResized(terminal);
    }
    if (terminal.redraw) {
        terminal.redraw = 0;
        terminal.lastStatusNs = 0;  // write the status line at once
    }
    readTerminalKeys(terminal, screen);
}

// The terminal shows the text read-out, not the pixels.
void upload(WindowHandle* handle, const Screen& screen, const uint8_t*, int32_t) {
    showTerminalStatus(own(handle), screen);
}

void present(WindowHandle*) {}

void close(WindowHandle* handle) { closeTerminal(own(handle)); }

void restore(WindowHandle* handle) { restoreTerminalSettings(own(handle)); }

// fg (or bg, or SIGCONT however sent): keys without echo again, the status
// line drawn anew.
void continued(WindowHandle* handle) {
    resumeTerminalSettings(own(handle));
    own(handle).redraw = 1;
}

void resized(WindowHandle* handle) { own(handle).sizeChanged = 1; }

// The status line is cleared first, so that the user's line stands whole on
// a line of its own, and is written again at once after it.
void tell(WindowHandle* handle, const char* line) {
    Terminal& terminal = own(handle);
    if (terminal.statusToOutput && terminal.lastStatusNs != 0) {
        if (terminal.plain) {
            char blank[STATUS_CAPACITY + 2];
            const size_t length = std::min<size_t>(static_cast<size_t>(terminal.lastLength), STATUS_CAPACITY);
            blank[0] = '\r';
            std::memset(blank + 1, ' ', length);
            blank[length + 1] = '\r';
            writeAll(STDOUT_FILENO, blank, length + 2);
        } else {
            writeAll(STDOUT_FILENO, "\r\x1b[K", 4);
        }
        terminal.lastLength = 0;
    }
    writeAll(STDERR_FILENO, line, std::strlen(line));
    writeAll(STDERR_FILENO, "\n", 1);
    terminal.lastStatusNs = 0;
}

}  // namespace

const display::WindowSystem* terminalSystem() {
    static constexpr display::WindowSystem TERMINAL{open,    pumpEvents, upload,  present, close, restore,
                                                    continued, resized,  tell,    display::PACED_BY_SERVICE, -1, -1};
    return &TERMINAL;
}

}  // namespace display_terminal
