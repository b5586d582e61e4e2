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

#include "dodge/Dodge.h"
#include "pattern/Fields.h"
#include "pattern/Format.h"
#include "pattern/Pattern.h"

namespace {

constexpr const char* PATTERN_NAME = "pattern.toml";  // the edited pattern's name in messages

struct ReaderState {
    std::vector<char> text;                 // the text to read, written by the worker's script
    std::vector<char> settings;             // its parameters' settings, NAME=VALUE a line, written as the text
    std::string parameters;                 // the parameters of the text read last, NAME TAB VALUE a line
    std::unique_ptr<pattern::Loaded> read;  // what the last text gave
    std::vector<pattern::Binding> settingsUsed;  // the settings it was read with
    pattern::Check check;                   // a full-store check under way, a few frames at a time
    int32_t phase = 0;                      // 0: the full-store check of the text; k: the reading at other rank k
    std::vector<double> ranks;              // the other ranks to read it at
    std::vector<std::unique_ptr<pattern::Loaded>> others;  // what they gave, as far as read
    std::vector<uint8_t> packed;            // the pattern it gave, as bytes; empty when refused
    std::vector<std::string> lines;         // the messages as the script reads them
    std::string outline;                    // what the text read last names, as reader_outline gives it
    std::vector<uint8_t> asked;             // a pattern as bytes whose answer is asked for (reader_dodge)
    std::vector<uint8_t> answer;            // the answer it gave, as bytes
};

}  // namespace

extern "C" {

ReaderState* reader_open() { return new ReaderState; }

// Room for `size` bytes of UTF-8 text; none (0) for more than a pattern file
// may have, which is then the text read last, refused as the tools refuse it.
char* reader_text(ReaderState* state, int32_t size) {
    if (size < 0 || size > pattern::MAX_FILE_BYTES) {
        pattern::stopCheck(state->check);
        state->others.clear();
        state->phase = 0;
        state->read = std::make_unique<pattern::Loaded>();
        state->read->pattern.file = PATTERN_NAME;
        pattern::addMessage(*state->read, {0, 0, -1, pattern::tooLarge(size), 0, {}, {}});
        state->packed.clear();
        state->parameters.clear();
        return nullptr;
    }
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
// 1 when the pattern is taken, 0 when refused. A link's settings (`strict`)
// get the tools' verdict: one that is no NAME=VALUE, or that names no
// parameter, is a mistake told with the rest. An edit's are the page's
// controls, which keep their settings across edits: one the text no longer
// has is dropped, not told as a mistake of the text.
int32_t reader_read(ReaderState* state, int32_t size, int32_t strict) {
    const size_t bytes = static_cast<size_t>(size) < state->text.size() ? static_cast<size_t>(size) : 0;
    pattern::stopCheck(state->check);  // it checks the pattern about to go
    state->others.clear();
    state->phase = 0;
    std::vector<pattern::Binding> settings;
    std::vector<std::string> malformed;
    const std::string written(state->settings.data(), state->settings.empty() ? 0 : std::strlen(state->settings.data()));
    for (size_t at = 0; at < written.size();) {
        const size_t end = std::min(written.find('\n', at), written.size());
        const std::string line = written.substr(at, end - at);
        at = end + 1;
        pattern::Binding setting;
        if (pattern::parseSetting(line, &setting)) {
            settings.push_back(setting);
        } else if (!line.empty()) {
            malformed.push_back(line);
        }
    }
    const std::string_view text(state->text.data(), bytes);
    state->settingsUsed = settings;
    state->read = std::make_unique<pattern::Loaded>(pattern::parsePattern(text, PATTERN_NAME, settings));
    if (strict) {
        for (const std::string& line : malformed) {
            pattern::addMessage(*state->read, {0, 0, -1, "--set " + line + ": " + pattern::SETTING_RULE, 0, {}, {}});
        }
        pattern::sortMessages(*state->read);
    } else if (pattern::refused(*state->read) && !settings.empty()) {
        const pattern::Loaded bare = pattern::parsePattern(text, PATTERN_NAME);
        const auto known = [&](const pattern::Binding& set) {
            if (set.name == pattern::name(pattern::Known::Rank) || set.name == pattern::name(pattern::Known::Seed)) {
                return true;
            }
            for (const pattern::Binding& b : bare.parameters) {
                if (b.name == set.name) return true;
            }
            return false;
        };
        const size_t before = settings.size();
        settings.erase(std::remove_if(settings.begin(), settings.end(), [&](const auto& set) { return !known(set); }),
                       settings.end());
        if (settings.size() != before) {
            state->settingsUsed = settings;
            state->read = std::make_unique<pattern::Loaded>(pattern::parsePattern(text, PATTERN_NAME, settings));
        }
    }
    state->parameters.clear();
    for (const pattern::Binding& b : state->read->parameters) {
        char value[32];
        std::snprintf(value, sizeof value, "%.17g", b.value);
        // Rank's range and the seed's whole numbers, as the reader takes them.
        const bool rank = b.name == pattern::name(pattern::Known::Rank);
        const bool whole = b.name == pattern::name(pattern::Known::Seed);
        state->parameters += b.name + "\t" + value + "\t" + (rank ? pattern::exactText(pattern::RANK_LEAST) : "") + "\t" +
                             (rank ? pattern::exactText(pattern::RANK_MOST) : "") + "\t" + (whole ? "1" : "0") + "\n";
    }
    state->packed.clear();
    if (pattern::refused(*state->read)) return 0;
    state->packed = pattern::packPattern(state->read->pattern);
    return 1;
}

// The checks the native tools make of the pattern taken last, run `frames`
// frames at a time so that a newer text need not wait for them: the
// full-store check, then, for a pattern whose values name rank, the reading
// at rank 0 and 1 with their own full-store checks; 1 once done, what they
// found then among the messages.
int32_t reader_check(ReaderState* state, int32_t frames) {
    // Only a text that was taken is checked (what another rank finds may
    // refuse it since, and the checks go on).
    if (!state->read || state->packed.empty()) return 1;
    pattern::Loaded& shown = *state->read;
    if (state->phase == 0) {
        if (!state->check.pattern) pattern::startCheck(state->check, shown.pattern);
        if (!pattern::runCheck(state->check, frames)) return 0;
        pattern::finishCheck(state->check, shown);
        state->ranks = pattern::otherRanks(shown, state->settingsUsed);
        state->phase = 1;
        return 0;
    }
    // One other rank at a time: read, then checked a slice at a time.
    const size_t at = static_cast<size_t>(state->phase - 1);
    if (at >= state->ranks.size()) return 1;
    if (state->others.size() <= at) {
        state->others.push_back(std::make_unique<pattern::Loaded>(
            pattern::readAtRank(shown, state->settingsUsed, state->ranks[at])));
        if (!pattern::refused(*state->others.back())) pattern::startCheck(state->check, state->others.back()->pattern);
        return 0;
    }
    pattern::Loaded& other = *state->others[at];
    if (state->check.pattern) {
        if (!pattern::runCheck(state->check, frames)) return 0;
        pattern::finishCheck(state->check, other);
    }
    pattern::addFoundAtRank(shown, other, state->ranks[at]);
    ++state->phase;
    return static_cast<size_t>(state->phase - 1) >= state->ranks.size() ? 1 : 0;
}

// The parameters of the text read last, as they were used: NAME TAB VALUE
// TAB LEAST TAB MOST TAB WHOLE a line (LEAST and MOST empty for no bound,
// WHOLE 1 for whole numbers only); none for a text with none of its own that
// uses neither rank nor seed.
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

// Every field, key, name, function and warning as JSON, for the editor's help.
const char* reader_help() {
    static const std::string help = pattern::helpJson();
    return help.c_str();
}

// What the text read last names, as JSON, for the editor's completion:
// {"movement": [NAME...], "firing": [NAME...], "indexes": [NAME...],
// "bullet": [NAME...], "spans": [NAME...], "shooters": COUNT}.
const char* reader_outline(ReaderState* state) {
    state->outline.clear();
    if (!state->read) return "{}";
    const pattern::Outline& o = state->read->outline;
    const auto list = [](const std::vector<std::string>& names) {
        std::string out;
        for (const std::string& n : names) out += (out.empty() ? "" : ",") + pattern::quoted(n);
        return "[" + out + "]";
    };
    state->outline = "{\"movement\":" + list(o.movement) + ",\"firing\":" + list(o.firing) + ",\"indexes\":" +
                     list(o.indexes) + ",\"bullet\":" + list(o.bullet) + ",\"spans\":" + list(o.spans) + ",\"shooters\":" + std::to_string(o.shooters) + "}";
    return state->outline.c_str();
}

// Whether a pattern can be survived, for the page's fairness worker: room
// for the pattern as bytes (as reader_packed gives them; none for the
// demonstration), then the answer from frame 1 to `to` with its checkpoints
// kept, as bytes for the page's module (reader_answer, reader_answer_size).
// 1 when answered, 0 when the bytes are no whole pattern.
uint8_t* reader_dodge_room(ReaderState* state, int32_t size) {
    state->asked.assign(static_cast<size_t>(size > 0 && size <= (1 << 30) ? size : 0), 0);
    return state->asked.data();
}

int32_t reader_dodge(ReaderState* state, double to) {
    state->answer.clear();
    pattern::Pattern asked;
    if (!state->asked.empty() && !pattern::unpackPattern(state->asked.data(), state->asked.size(), asked)) return 0;
    world::World w;
    world::setUpWorld(w, state->asked.empty() ? world::WorldMaker{} : pattern::makerFor(asked));
    dodge::Options options;
    options.to = std::isfinite(to) && to >= 1 ? static_cast<int64_t>(std::fmin(to, 1e6)) : 1;
    options.keep = true;
    const dodge::Answer a = dodge::answer(w, options);
    world::tearDownWorld(w);
    state->answer = dodge::packAnswer(a);
    state->asked = {};
    return 1;
}

const uint8_t* reader_answer(const ReaderState* state) { return state->answer.data(); }
int32_t reader_answer_size(const ReaderState* state) { return static_cast<int32_t>(state->answer.size()); }

}  // extern "C"
