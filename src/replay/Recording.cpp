// Recordings as text: written in one pass, read line by line with every
// mistake told at its line.
#include "replay/Recording.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "world/Ship.h"

namespace replay {

namespace {

constexpr const char* HEAD = "barrage recording ";
constexpr size_t LINE = 72;  // characters of moves a line at most

// The moves' run-length code, wrapped into lines of at most LINE when `wrap`.
std::string runs(const std::vector<uint8_t>& moves, bool wrap) {
    std::string out, line;
    for (size_t k = 0; k < moves.size();) {
        size_t end = k + 1;
        while (end < moves.size() && moves[end] == moves[k]) ++end;
        std::string run(1, static_cast<char>('a' + moves[k]));
        if (end - k > 1) run += std::to_string(end - k);
        if (wrap && line.size() + run.size() > LINE) {
            out += line + "\n";
            line.clear();
        }
        line += run;
        k = end;
    }
    return out + line + (wrap && !line.empty() ? "\n" : "");
}

// Adds the runs of `text` to `moves`, up to `most` frames in all; false, with
// what is wrong, for anything else.
bool addRuns(std::string_view text, std::vector<uint8_t>& moves, int64_t most, std::string& error) {
    for (size_t k = 0; k < text.size();) {
        const char c = text[k];
        if (c < 'a' || c >= 'a' + world::MOVE_CODES) {
            error = "'" + std::string(1, c) + "' is no move (a to " + std::string(1, 'a' + world::MOVE_CODES - 1) + ")";
            return false;
        }
        ++k;
        int64_t count = 0;
        size_t digits = 0;
        while (k < text.size() && text[k] >= '0' && text[k] <= '9') {
            if (++digits > 7) {
                error = "a count of more than " + std::to_string(MAX_FRAMES) + " frames";
                return false;
            }
            count = count * 10 + (text[k++] - '0');
        }
        if (digits == 0) count = 1;
        if (count < 1 || static_cast<int64_t>(moves.size()) + count > most) {
            error = "the moves go past " + std::to_string(most) + " frames";
            return false;
        }
        moves.insert(moves.end(), static_cast<size_t>(count), static_cast<uint8_t>(c - 'a'));
    }
    return true;
}

}  // namespace

namespace {

// A value on one line: a control character in a name would end its line.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20) c = '?';
    }
    return text;
}

}  // namespace

std::string formatRecording(const Recording& r) {
    std::string out = HEAD + std::to_string(VERSION) + "\npattern " + oneLine(r.pattern) + "\ndigest " +
                      oneLine(r.digest) + "\n";
    for (const std::string& set : r.settings) out += "set " + oneLine(set) + "\n";
    out += "frames " + std::to_string(r.moves.size()) + "\nmoves\n" + runs(r.moves, true) + "end\n";
    return out;
}

bool parseRecording(std::string_view text, Recording& out, std::string& error) {
    Recording r;
    int64_t frames = -1;
    size_t lineNumber = 0;
    bool inMoves = false, ended = false;
    const auto fail = [&](const std::string& what) {
        error = "line " + std::to_string(lineNumber) + ": " + what;
        return false;
    };
    if (text.size() > MAX_BYTES) {
        error = "it has " + std::to_string(text.size()) + " bytes; a recording has at most " + std::to_string(MAX_BYTES);
        return false;
    }
    for (size_t start = 0; start < text.size() && !ended;) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        for (const char c : line) {
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return fail("a control character: this is no recording");
        }
        if (lineNumber == 1) {
            if (line.substr(0, std::strlen(HEAD)) != HEAD) return fail("it does not begin \"barrage recording\"");
            if (line.substr(std::strlen(HEAD)) != std::to_string(VERSION)) {
                return fail("version " + std::string(line.substr(std::strlen(HEAD))) + " is not known here (this is " +
                            std::to_string(VERSION) + ")");
            }
            continue;
        }
        if (inMoves) {
            if (line == "end") {
                ended = true;
            } else if (!addRuns(line, r.moves, frames, error)) {
                return fail(error);
            }
            continue;
        }
        const size_t space = line.find(' ');
        const std::string_view key = line.substr(0, space), value = space == std::string_view::npos ? "" : line.substr(space + 1);
        if (key == "pattern") {
            r.pattern = value;
        } else if (key == "digest") {
            r.digest = value;
        } else if (key == "set") {
            if (value.find('=') == std::string_view::npos) return fail("set takes NAME=VALUE");
            r.settings.emplace_back(value);
        } else if (key == "frames") {
            frames = 0;
            for (const char c : value) {
                if (c < '0' || c > '9' || frames > MAX_FRAMES) return fail("frames takes a whole number up to " + std::to_string(MAX_FRAMES));
                frames = frames * 10 + (c - '0');
            }
            if (value.empty() || frames > MAX_FRAMES) return fail("frames takes a whole number up to " + std::to_string(MAX_FRAMES));
        } else if (key == "moves" && value.empty()) {
            if (frames < 0) return fail("moves before frames");
            inMoves = true;
            r.moves.reserve(static_cast<size_t>(frames));
        } else {
            return fail("'" + std::string(key.substr(0, 40)) + "' is no line of a recording");
        }
    }
    if (lineNumber == 0) {
        error = "it is empty";
        return false;
    }
    if (!ended) return fail(inMoves ? "it ends before \"end\": it was cut short" : "it has no moves");
    if (static_cast<int64_t>(r.moves.size()) != frames) {
        return fail("it holds " + std::to_string(r.moves.size()) + " frames of moves, not " + std::to_string(frames));
    }
    out = std::move(r);
    return true;
}

bool loadRecording(const std::string& path, Recording& recording, std::string& error) {
    struct stat status{};
    if (stat(path.c_str(), &status) != 0) {
        error = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(status.st_mode)) {
        error = "it is not a regular file";
        return false;
    }
    if (status.st_size > static_cast<off_t>(MAX_BYTES)) {
        error = "it has " + std::to_string(status.st_size) + " bytes; a recording has at most " + std::to_string(MAX_BYTES);
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = std::string("cannot read it: ") + std::strerror(errno);
        return false;
    }
    std::string text;
    char buffer[65536];
    for (size_t count = 0; (count = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, count);
        if (text.size() > MAX_BYTES) break;
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        error = "cannot read it: read error";
        return false;
    }
    return parseRecording(text, recording, error);
}

std::string movesForLink(const std::vector<uint8_t>& moves) {
    return std::to_string(moves.size()) + ":" + runs(moves, false);
}

bool movesFromLink(std::string_view text, std::vector<uint8_t>& moves) {
    const size_t colon = text.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 7) return false;
    int64_t frames = 0;
    for (const char c : text.substr(0, colon)) {
        if (c < '0' || c > '9') return false;
        frames = frames * 10 + (c - '0');
    }
    if (frames > MAX_FRAMES) return false;
    std::vector<uint8_t> read;
    std::string error;
    if (!addRuns(text.substr(colon + 1), read, frames, error) || static_cast<int64_t>(read.size()) != frames) return false;
    moves = std::move(read);
    return true;
}

std::string digestOf(std::string_view text) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (const char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3ull;
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    return hex;
}

}  // namespace replay
