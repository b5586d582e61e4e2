// A pattern's findings: at most MAX_MESSAGES of them kept, the first in file
// order, the rest counted; and each said in the form compilers use, with the
// names the file gave written so that they cannot drive a terminal.
#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "pattern/Pattern.h"
#include "pattern/TextGuard.h"

namespace pattern {

namespace {

bool before(int32_t line, int32_t column, const Message& m) {
    return line != m.line ? line < m.line : column < m.column;
}

}  // namespace

// The first MAX_MESSAGES are kept sorted once there are that many; a finding
// not before the last of them is only counted, and the others wait behind
// them until there are twice as many, then are sorted in.
void sortMessages(Loaded& loaded) {
    std::vector<Message>& m = loaded.messages;
    // At most twice MAX_MESSAGES, mostly in order already: an insertion sort,
    // which keeps messages of one place in the order they were found.
    for (size_t k = 1; k < m.size(); ++k) {
        for (size_t j = k; j > 0 && before(m[j].line, m[j].column, m[j - 1]); --j) std::swap(m[j], m[j - 1]);
    }
    for (size_t k = MAX_MESSAGES; k < m.size(); ++k) ++(m[k].error ? loaded.unshownErrors : loaded.unshownWarnings);
    if (m.size() > MAX_MESSAGES) m.resize(MAX_MESSAGES);
}

bool wouldKeep(const Loaded& loaded, int32_t line, int32_t column) {
    return loaded.messages.size() < MAX_MESSAGES || before(line, column, loaded.messages[MAX_MESSAGES - 1]);
}

void addMessage(Loaded& loaded, Message message) {
    if (!message.error && !message.lint.empty()) {
        for (const Allowance& allowed : loaded.allowed) {
            if ((allowed.line == message.line || allowed.line + 1 == message.line) && allowed.name == message.lint) return;
        }
    }
    // A repeated step, or a program read for each shooter, finds its
    // mistakes once for each time: they are told once.
    for (const Message& kept : loaded.messages) {
        if (kept.line == message.line && kept.column == message.column && kept.error == message.error &&
            kept.text == message.text) {
            return;
        }
    }
    if (!wouldKeep(loaded, message.line, message.column)) {
        ++(message.error ? loaded.unshownErrors : loaded.unshownWarnings);
        return;
    }
    loaded.messages.push_back(std::move(message));
    if (loaded.messages.size() == MAX_MESSAGES || loaded.messages.size() == 2 * MAX_MESSAGES) sortMessages(loaded);
}

int64_t errorCount(const Loaded& loaded) {
    return loaded.unshownErrors +
           std::count_if(loaded.messages.begin(), loaded.messages.end(), [](const Message& m) { return m.error != 0; });
}

bool refused(const Loaded& loaded) { return errorCount(loaded) > 0; }

std::string unshownNote(const Loaded& loaded) {
    const auto count = [](int64_t n, const char* what) {
        return std::to_string(n) + " more " + what + (n == 1 ? "" : "s");
    };
    std::string note;
    if (loaded.unshownErrors > 0) note = count(loaded.unshownErrors, "error");
    if (loaded.unshownWarnings > 0) note += (note.empty() ? "" : " and ") + count(loaded.unshownWarnings, "warning");
    return note.empty() ? note : note + " not shown";
}

namespace {

// Names in messages come from the file: a control character (an escape
// sequence that would drive the terminal) or one that turns the direction of
// text is written as TOML writes it, \u001b.
std::string escapeControls(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size();) {
        size_t length = 1;
        const char32_t c = decodeUtf8(text, i, &length);
        const bool control = c == NOT_UTF8 || c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
                             (c >= 0x2066 && c <= 0x2069);
        if (c == NOT_UTF8) {
            out += "\\x";
            out += "0123456789abcdef"[static_cast<unsigned char>(text[i]) >> 4];
            out += "0123456789abcdef"[text[i] & 0xF];
        } else if (control) {
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4) out += "0123456789abcdef"[(c >> shift) & 0xF];
        } else {
            out.append(text, i, length);
        }
        i += length;
    }
    return out;
}

}  // namespace

std::string formatMessage(const std::string& file, const Message& m) {
    std::string text = file + ":";
    if (m.line > 0) text += std::to_string(m.line) + ":" + std::to_string(m.column) + ":";
    text += (m.error ? " error: " : " warning: ") + m.text;
    if (!m.lint.empty()) text += " [" + m.lint + "]";
    return escapeControls(text);
}

std::string formatNote(const std::string& file, const Note& note) {
    return escapeControls(file + ":" + std::to_string(note.line) + ":" + std::to_string(note.column) + ": note: " +
                          note.text);
}

namespace {

constexpr const char* BOLD = "\x1b[1m";
constexpr const char* RED = "\x1b[1;31m";
constexpr const char* MAGENTA = "\x1b[1;35m";
constexpr const char* CYAN = "\x1b[1;36m";
constexpr const char* GREEN = "\x1b[1;32m";
constexpr const char* RESET = "\x1b[0m";

// On a line longer than this, in characters, only the part around the range
// is shown, cut where it begins and ends with "...": a text of one 1 MiB line
// would otherwise print that line under every one of its messages.
constexpr int32_t LONG_LINE = 200;
constexpr int32_t SHOWN_AROUND = 60;  // characters shown before and after the range on such a line

// The source line under a message, and the range marked under it: a caret
// for its first character, a tilde for each after it.
void underline(std::string& out, std::string_view line, int32_t number, int32_t column, int32_t endColumn,
               bool colour) {
    const std::string margin = std::to_string(number);
    int32_t characters = 0;  // counted only where it matters: a long line
    if (line.size() > static_cast<size_t>(LONG_LINE)) {
        for (char c : line) characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    const int32_t end = std::max(endColumn, column + 1);
    int32_t first = 1, last = INT32_MAX;  // the characters shown, counted from 1
    if (characters > LONG_LINE) {
        first = std::max(1, std::min(column, characters + 1) - SHOWN_AROUND);
        last = std::min(characters, std::max(end - 1, column) + SHOWN_AROUND);
    }
    const std::string before = first > 1 ? "..." : "", after = last < characters ? "..." : "";
    std::string shown = before, under = std::string(before.size(), ' ');
    int32_t at = 1;
    size_t i = 0;
    for (; i < line.size() && at < first; ++at) {  // to the first character shown, undecoded
        ++i;
        while (i < line.size() && (static_cast<unsigned char>(line[i]) & 0xC0) == 0x80) ++i;
    }
    for (; i < line.size() && at <= last; ++at) {
        size_t length = 1;
        const char32_t c = decodeUtf8(line, i, &length);
        if (at >= first) {
            shown += c == '\t' ? std::string("\t") : escapeControls(std::string(line.substr(i, length)));
            // Under each character before the range, a blank (a tab under a tab).
            if (at < column) under += c == '\t' ? '\t' : ' ';
        }
        i += length;
    }
    out += " " + margin + " | " + shown + after + "\n " + std::string(margin.size(), ' ') + " | " + under;
    const int32_t width = endColumn > column ? endColumn - column : 1;
    if (colour) out += GREEN;
    out += "^" + std::string(static_cast<size_t>(width - 1), '~');
    if (colour) out += RESET;
    out += "\n";
}

}  // namespace

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end == std::string_view::npos ? text.size() - start : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    return lines;
}

std::string_view lineOf(const Loaded& loaded, int32_t line) {
    if (line < 1 || static_cast<size_t>(line) > loaded.lineStarts.size()) return {};
    const size_t start = loaded.lineStarts[static_cast<size_t>(line) - 1];
    const size_t end = loaded.text.find('\n', start);
    return std::string_view(loaded.text).substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string formatWithSource(const Loaded& loaded, const Message& m, bool colour) {
    const std::string& file = loaded.pattern.file;
    const auto head = [&](int32_t line, int32_t column, const char* kind, const char* paint, const std::string& said) {
        std::string place = file + ":";
        if (line > 0) place += std::to_string(line) + ":" + std::to_string(column) + ":";
        std::string out = colour ? BOLD + escapeControls(place) + RESET : escapeControls(place);
        out += " " + std::string(colour ? paint : "") + kind + (colour ? RESET : "") + " " + escapeControls(said);
        return out + "\n";
    };
    std::string out = head(m.line, m.column, m.error ? "error:" : "warning:", m.error ? RED : MAGENTA,
                           m.lint.empty() ? m.text : m.text + " [" + m.lint + "]");
    if (m.line > 0 && !lineOf(loaded, m.line).empty()) underline(out, lineOf(loaded, m.line), m.line, m.column, m.endColumn, colour);
    for (const Note& note : m.notes) {
        out += head(note.line, note.column, "note:", CYAN, note.text);
        if (note.line > 0 && !lineOf(loaded, note.line).empty()) {
            underline(out, lineOf(loaded, note.line), note.line, note.column, note.endColumn, colour);
        }
    }
    return out;
}

}  // namespace pattern
