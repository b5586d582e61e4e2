// Terminal fallback of the display service: raw keys in, one status line out.
#include "display/Terminal.h"

#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "display/Pacer.h"

namespace display {

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

}  // namespace

void openTerminal(Terminal& terminal, const char* program, const char* reason) {
    terminal = Terminal{};
    terminal.keysFromInput = isatty(STDIN_FILENO) ? -1 : 0;
    terminal.statusToOutput = isatty(STDOUT_FILENO) ? -1 : 0;
    std::fprintf(stderr, "%s: no display is available (%s), so the demonstration runs in the terminal; %s\n",
                 program, reason,
                 terminal.keysFromInput ? "press any key or Ctrl+C to quit."
                                        : "send it SIGINT or SIGTERM (Ctrl+C) to quit.");
    if (terminal.keysFromInput && tcgetattr(STDIN_FILENO, &terminal.saved) == 0) {
        terminal.settingsSaved = -1;
        termios raw = terminal.saved;
        raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));  // Ctrl+C still signals
        raw.c_cc[VMIN] = 0;
        raw.c_cc[VTIME] = 0;
        tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    }
}

void readTerminalKeys(Terminal& terminal, Screen& screen) {
    if (!terminal.keysFromInput) return;
    pollfd waiting{STDIN_FILENO, POLLIN, 0};
    if (poll(&waiting, 1, 0) <= 0 || !(waiting.revents & POLLIN)) return;
    unsigned char bytes[64];
    const ssize_t count = read(STDIN_FILENO, bytes, sizeof bytes);
    if (count <= 0) {
        terminal.keysFromInput = 0;  // the terminal went away
        return;
    }
    for (ssize_t i = 0; i < count; ++i) {
        // An escape sequence (arrows, function keys) is one special key.
        if (bytes[i] == 27 && i + 1 < count && (bytes[i + 1] == '[' || bytes[i + 1] == 'O')) {
            i += 2;
            while (i < count && !(bytes[i] >= 0x40 && bytes[i] <= 0x7E)) ++i;
            pushKey(screen, SPECIAL_KEY + (i < count ? bytes[i] : 0));
            continue;
        }
        pushKey(screen, bytes[i] == 0 ? SPECIAL_KEY : bytes[i]);
    }
}

void showTerminalStatus(Terminal& terminal, const Screen& screen) {
    if (!terminal.statusToOutput) return;
    const int64_t now = steadyNowNs();
    if (now - terminal.lastStatusNs < STATUS_INTERVAL_NS) return;
    terminal.lastStatusNs = now;
    char line[4 * TEXT_COLUMNS + 32];
    size_t length = 0;
    line[length++] = '\r';
    for (int32_t row : STATUS_ROWS) length = appendRow(line, length, sizeof line - 4, screen.text[row - 1]);
    std::memcpy(line + length, "\x1b[K", 3);
    writeAll(STDOUT_FILENO, line, length + 3);
}

void closeTerminal(Terminal& terminal) {
    restoreTerminalSettings(terminal);
    if (terminal.statusToOutput && terminal.lastStatusNs != 0) writeAll(STDOUT_FILENO, "\n", 1);
    terminal = Terminal{};
}

void restoreTerminalSettings(const Terminal& terminal) {
    if (terminal.settingsSaved) tcsetattr(STDIN_FILENO, TCSANOW, &terminal.saved);
}

}  // namespace display
