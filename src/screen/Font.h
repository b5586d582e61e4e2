// The built-in 8 x 16 text font: one glyph per printable ASCII character, each
// 16 rows of 8 pixels with the leftmost pixel in the highest bit.
#pragma once

#include <cstdint>

namespace screen {

inline constexpr int32_t FONT_FIRST = 32;  // first character with a glyph
inline constexpr int32_t FONT_LAST = 126;  // last character with a glyph

extern const uint8_t FONT_GLYPHS[FONT_LAST - FONT_FIRST + 1][16];

// Characters without a glyph (controls, codes above 126) draw as a blank cell.
inline const uint8_t* glyphFor(uint8_t character) {
    const int32_t index = character >= FONT_FIRST && character <= FONT_LAST ? character - FONT_FIRST : 0;
    return FONT_GLYPHS[index];
}

}  // namespace screen
