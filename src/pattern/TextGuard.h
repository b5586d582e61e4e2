// What the pattern reader checks of its text before the TOML reader sees it,
// and the UTF-8 decoding both use.
#pragma once

#include <cstddef>
#include <string_view>

#include "pattern/Pattern.h"

namespace pattern {

inline constexpr char32_t NOT_UTF8 = 0xFFFFFFFF;

// The code point at text[i] and its length in bytes; NOT_UTF8, length 1, for a
// byte that starts no well-formed UTF-8 sequence.
char32_t decodeUtf8(std::string_view text, size_t i, size_t* length);

// Refuses, with its place, a byte that is not UTF-8, a character outside the
// ASCII range that stands outside strings and comments (where TOML allows none
// anyway), or one the reader cannot test safely; returns whether the text may
// go to the reader.
bool safeForTheReader(std::string_view text, Loaded& loaded);

}  // namespace pattern
