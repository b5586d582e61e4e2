// The page's pattern reader, a module of its own that runs in a worker: pattern
// text is read there, never on the page's own thread, so that a large text
// never holds a frame. What it gives back is the reader's messages and, for a
// text it takes, the pattern as bytes for the page's module to take over.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pattern/Pattern.h"

namespace {

constexpr const char* PATTERN_NAME = "pattern.toml";  // the edited pattern's name in messages

struct ReaderState {
    std::vector<char> text;                 // the text to read, written by the worker's script
    std::unique_ptr<pattern::Loaded> read;  // what the last text gave
    pattern::Check check;                   // the full-store check of its pattern, a few frames at a time
    std::vector<uint8_t> packed;            // the pattern it gave, as bytes; empty when refused
    std::string line;                       // the message asked for last
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

// The messages of the text read last, and after them, when the reader found
// more than it tells, a line saying how many.
int32_t reader_message_count(const ReaderState* state) {
    if (!state->read) return 0;
    return static_cast<int32_t>(state->read->messages.size() + (pattern::unshownNote(*state->read).empty() ? 0 : 1));
}

// Message `index` as LINE TAB COLUMN TAB error|warning|note TAB the whole line
// the native tools print; ended by a 0.
const char* reader_message(ReaderState* state, int32_t index) {
    state->line.clear();
    if (!state->read || index < 0) return state->line.c_str();
    const std::vector<pattern::Message>& messages = state->read->messages;
    if (static_cast<size_t>(index) < messages.size()) {
        const pattern::Message& m = messages[static_cast<size_t>(index)];
        state->line = std::to_string(m.line) + "\t" + std::to_string(m.column) + "\t" +
                      (m.error ? "error" : "warning") + "\t" + pattern::formatMessage(PATTERN_NAME, m);
    } else if (static_cast<size_t>(index) == messages.size()) {
        state->line = std::string("0\t0\tnote\t") + PATTERN_NAME + ": " + pattern::unshownNote(*state->read);
    }
    return state->line.c_str();
}

}  // extern "C"
