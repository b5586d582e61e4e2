// The page's pattern reader, a module of its own that runs in a worker: pattern
// text is read there, never on the page's own thread, so that a large text
// never holds a frame. What it gives back is the reader's messages and, for a
// text it takes, the pattern as bytes for the page's module to take over.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "pattern/Fields.h"
#include "pattern/Pattern.h"

namespace {

constexpr const char* PATTERN_NAME = "pattern.toml";  // the edited pattern's name in messages

struct ReaderState {
    std::vector<char> text;                 // the text to read, written by the worker's script
    std::vector<char> settings;             // its parameters' settings, NAME=VALUE a line, written as the text
    std::string parameters;                 // the parameters of the text read last, NAME TAB VALUE a line
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

// Room for the settings of the parameters, NAME=VALUE a line, `size` bytes;
// none for more than a few thousand.
char* reader_settings(ReaderState* state, int32_t size) {
    if (size < 0 || size > 65536) return nullptr;
    state->settings.assign(static_cast<size_t>(size) + 1, '\0');
    return state->settings.data();
}

// Reads the text written, its parameters set as the settings written say;
// 1 when the pattern is taken, 0 when refused.
int32_t reader_read(ReaderState* state, int32_t size) {
    const size_t bytes = static_cast<size_t>(size) < state->text.size() ? static_cast<size_t>(size) : 0;
    pattern::stopCheck(state->check);  // it checks the pattern about to go
    std::vector<pattern::Binding> settings;
    const std::string written(state->settings.data(), state->settings.empty() ? 0 : std::strlen(state->settings.data()));
    for (size_t at = 0; at < written.size();) {
        const size_t end = std::min(written.find('\n', at), written.size());
        const std::string line = written.substr(at, end - at);
        at = end + 1;
        const size_t equals = line.find('=');
        char* after = nullptr;
        const double value = equals == std::string::npos ? 0.0 : std::strtod(line.c_str() + equals + 1, &after);
        if (equals != std::string::npos && after && *after == '\0' && after != line.c_str() + equals + 1 &&
            std::isfinite(value)) {
            settings.push_back({line.substr(0, equals), value});
        }
    }
    const std::string_view text(state->text.data(), bytes);
    state->read = std::make_unique<pattern::Loaded>(pattern::parsePattern(text, PATTERN_NAME, settings));
    // The page's controls keep their settings across edits: one the text no
    // longer has is dropped, not told as a mistake of the text.
    if (pattern::refused(*state->read) && !settings.empty()) {
        const pattern::Loaded bare = pattern::parsePattern(text, PATTERN_NAME);
        const auto known = [&](const pattern::Binding& set) {
            if (set.name == "rank" || set.name == "seed") return true;
            for (const pattern::Binding& b : bare.parameters) {
                if (b.name == set.name) return true;
            }
            return false;
        };
        const size_t before = settings.size();
        settings.erase(std::remove_if(settings.begin(), settings.end(), [&](const auto& set) { return !known(set); }),
                       settings.end());
        if (settings.size() != before) {
            state->read = std::make_unique<pattern::Loaded>(pattern::parsePattern(text, PATTERN_NAME, settings));
        }
    }
    state->parameters.clear();
    for (const pattern::Binding& b : state->read->parameters) {
        char value[32];
        std::snprintf(value, sizeof value, "%.17g", b.value);
        state->parameters += b.name + "\t" + value + "\n";
    }
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

// The parameters of the text read last, as they were used: NAME TAB VALUE a
// line; none for a text with none of its own that uses neither rank nor seed.
const char* reader_parameters(const ReaderState* state) { return state->parameters.c_str(); }

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

// The errors the text read last has, those told and those only counted.
int32_t reader_error_count(const ReaderState* state) {
    if (!state->read) return 0;
    return static_cast<int32_t>(std::min<int64_t>(pattern::errorCount(*state->read), INT32_MAX));
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
