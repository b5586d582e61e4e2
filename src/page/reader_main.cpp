// The page's pattern reader, a module of its own that runs in a worker: pattern
// text is read there, never on the page's own thread, so that a large text
// never holds a frame. What it gives back is the reader's messages and, for a
// text it takes, the pattern as bytes for the page's module to take over.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pattern/Fields.h"
#include "pattern/Pattern.h"

namespace {

constexpr const char* PATTERN_NAME = "pattern.toml";  // the edited pattern's name in messages

struct ReaderState {
    std::vector<char> text;                 // the text to read, written by the worker's script
    std::unique_ptr<pattern::Loaded> read;  // what the last text gave
    pattern::Check check;                   // the full-store check of its pattern, a few frames at a time
    std::vector<uint8_t> packed;            // the pattern it gave, as bytes; empty when refused
    std::vector<std::string> lines;         // the messages as the script reads them
};

}  // namespace

extern "C" {

ReaderState* reader_open() { return new ReaderState; }

// Room for `size` bytes of UTF-8 text; none (0) for more than a pattern file
// may have.
char* reader_text(ReaderState* state, int32_t size) {
    if (size < 0 || size > pattern::MAX_FILE_BYTES) return nullptr;
    state->text.resize(static_cast<size_t>(size) + 1);
    return state->text.data();
}

// Reads the text written; 1 when the pattern is taken, 0 when refused.
int32_t reader_read(ReaderState* state, int32_t size) {
    const size_t bytes = static_cast<size_t>(size) < state->text.size() ? static_cast<size_t>(size) : 0;
    pattern::stopCheck(state->check);  // it checks the pattern about to go
    state->read = std::make_unique<pattern::Loaded>(
        pattern::parsePattern(std::string_view(state->text.data(), bytes), PATTERN_NAME));
    state->packed.clear();
    if (pattern::refused(*state->read)) return 0;
    state->packed = pattern::packPattern(state->read->pattern);
    return 1;
}

// The full-store check of the pattern taken last, the one the native tools
// make, run `frames` frames at a time so that a newer text need not wait for
// it; 1 once done, its warnings then among the messages.
int32_t reader_check(ReaderState* state, int32_t frames) {
    if (!state->read || pattern::refused(*state->read)) return 1;
    if (!state->check.pattern) pattern::startCheck(state->check, state->read->pattern);
    if (!pattern::runCheck(state->check, frames)) return 0;
    pattern::finishCheck(state->check, *state->read);
    return 1;
}

const uint8_t* reader_packed(const ReaderState* state) { return state->packed.data(); }
int32_t reader_packed_size(const ReaderState* state) { return static_cast<int32_t>(state->packed.size()); }

// The messages of the text read last, a line each (a message's notes as lines
// of their own after it), and after them, when the reader found more than it
// tells, a line saying how many.
int32_t reader_message_count(ReaderState* state) {
    state->lines.clear();
    if (!state->read) return 0;
    const auto line = [&](int32_t at, int32_t column, int32_t end, const char* severity, const std::string& text) {
        state->lines.push_back(std::to_string(at) + "\t" + std::to_string(column) + "\t" + std::to_string(end) + "\t" +
                               severity + "\t" + text);
    };
    for (const pattern::Message& m : state->read->messages) {
        line(m.line, m.column, m.endColumn, m.error ? "error" : "warning", pattern::formatMessage(PATTERN_NAME, m));
        for (const pattern::Note& note : m.notes) {
            line(note.line, note.column, note.endColumn, "note", pattern::formatNote(PATTERN_NAME, note));
        }
    }
    if (const std::string unshown = pattern::unshownNote(*state->read); !unshown.empty()) {
        line(0, 0, 0, "note", std::string(PATTERN_NAME) + ": " + unshown);
    }
    return static_cast<int32_t>(state->lines.size());
}

// Line `index` of those reader_message_count made: LINE TAB COLUMN TAB
// END-COLUMN TAB error|warning|note TAB the line the native tools print;
// ended by a 0.
const char* reader_message(const ReaderState* state, int32_t index) {
    return index >= 0 && static_cast<size_t>(index) < state->lines.size() ? state->lines[static_cast<size_t>(index)].c_str()
                                                                           : "";
}

// Every field, kind and warning as JSON, for the editor's help.
const char* reader_help() {
    static const std::string help = pattern::helpJson();
    return help.c_str();
}

}  // extern "C"
