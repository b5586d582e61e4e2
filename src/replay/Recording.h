// A run played against a pattern, as what the ship did each frame, and the
// small text file it is kept in:
//
//   barrage recording 1
//   pattern NAME          the pattern it was made on ("" for the demonstration)
//   digest HEX            a digest of that pattern's flat text ("" likewise)
//   set NAME=VALUE        each of its settings, a line each
//   frames N              how many frames it holds
//   moves                 then the moves, run-length coded: a letter a move
//   a120d7f3...           (a to r: world::MOVE_NONE to MOVE_CODES - 1), then
//   end                   how many frames it holds, when more than one
//
// The moves' lines are at most 72 characters. A million frames of steering
// take at most about a megabyte, in memory (a byte a frame) and in the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace replay {

inline constexpr int32_t VERSION = 1;
inline constexpr int64_t MAX_FRAMES = 1'000'000;        // a recording holds at most this many
inline constexpr size_t MAX_BYTES = 4u << 20;           // a recording's file at most

struct Recording {
    std::string pattern;                // the pattern's name
    std::string digest;                 // its flat text's digest
    std::vector<std::string> settings;  // NAME=VALUE
    std::vector<uint8_t> moves;         // a move code a frame, frame 1 first
};

// The file's text.
std::string formatRecording(const Recording& recording);
// Reads a file's text; false, with `error` saying what is wrong and where
// ("line 3: ..."), and `recording` untouched, for anything that is not a
// whole recording within the limits.
bool parseRecording(std::string_view text, Recording& recording, std::string& error);
// Reads a recording file, its size and kind checked first.
bool loadRecording(const std::string& path, Recording& recording, std::string& error);

// The moves as a link carries them: the moves' run-length code alone, with
// the frames first ("N:a120d7..."); and back (false for anything else).
std::string movesForLink(const std::vector<uint8_t>& moves);
bool movesFromLink(std::string_view text, std::vector<uint8_t>& moves);

// A digest of a text: 64-bit FNV-1a, in 16 hexadecimal digits.
std::string digestOf(std::string_view text);

}  // namespace replay
