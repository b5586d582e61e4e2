// What the pattern reader's two halves share: the loader parses the text
// (after the guard) and the table reader turns the parsed table into a
// pattern, both telling their findings at the places the text has them.
#pragma once

#include <string_view>
#include <vector>

#include "pattern/Pattern.h"
#include "pattern/Toml.h"

namespace pattern {

// Reads the pattern the table holds into `loaded`, each finding at its place;
// `lines` are the text's lines, for the exact decimal of a float.
void readTable(const toml::table& root, const std::vector<std::string_view>& lines, Loaded& loaded);

// Where a column begins in a line, in bytes, counting on from a column whose
// byte is known: the TOML reader counts columns in characters, and a
// character takes one to four bytes.
size_t byteOfColumn(std::string_view line, size_t column, size_t fromColumn = 1, size_t fromByte = 0);

// Edits (insertions, deletions, changes, case aside) from one name to another.
size_t editDistance(std::string_view a, std::string_view b);

// The place of the key whose value stands at `value`: the TOML reader says
// where the value of a key defined twice stands, and the key is what the
// user wrote twice.
toml::source_position keyBefore(const std::vector<std::string_view>& lines, toml::source_position value);

}  // namespace pattern
