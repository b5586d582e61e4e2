// Places in pattern text: a column (counted in characters, as the TOML reader
// counts) in bytes, the key whose value the TOML reader points at, and how far
// a mistyped name is from a known one.
#include <algorithm>
#include <cctype>

#include "pattern/ReadTable.h"

namespace pattern {

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            const bool same = std::tolower(static_cast<unsigned char>(a[i - 1])) ==
                              std::tolower(static_cast<unsigned char>(b[j - 1]));
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (same ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

size_t byteOfColumn(std::string_view line, size_t column, size_t fromColumn, size_t fromByte) {
    size_t at = fromByte;
    for (size_t c = fromColumn; c < column && at < line.size(); ++c) {
        ++at;
        while (at < line.size() && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80) ++at;
    }
    return at;
}

toml::source_position keyBefore(const std::vector<std::string_view>& lines, toml::source_position value) {
    if (value.line < 1 || value.line > lines.size()) return value;
    const std::string_view line = lines[value.line - 1];
    size_t at = byteOfColumn(line, value.column);
    const auto skipBlanks = [&] {
        while (at > 0 && (line[at - 1] == ' ' || line[at - 1] == '\t')) --at;
    };
    skipBlanks();
    if (at == 0 || line[at - 1] != '=') return value;
    --at;
    skipBlanks();
    // A dotted key of bare and quoted parts, read from its end.
    for (bool more = true; more && at > 0;) {
        const char last = line[at - 1];
        if (last == '"' || last == '\'') {
            const size_t open = at >= 2 ? line.rfind(last, at - 2) : std::string_view::npos;
            if (open == std::string_view::npos) return value;
            at = open;
        } else {
            const size_t end = at;
            while (at > 0 && (std::isalnum(static_cast<unsigned char>(line[at - 1])) || line[at - 1] == '_' ||
                              line[at - 1] == '-')) {
                --at;
            }
            if (at == end) return value;
        }
        const size_t part = at;
        skipBlanks();
        more = at > 0 && line[at - 1] == '.';
        if (more) {
            --at;
            skipBlanks();
        } else {
            at = part;
        }
    }
    size_t column = 1;
    for (size_t i = 0; i < at; ++i) column += (static_cast<unsigned char>(line[i]) & 0xC0) != 0x80;
    return {value.line, static_cast<toml::source_index>(column)};
}

}  // namespace pattern
