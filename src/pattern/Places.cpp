// Places in pattern text: a column (counted in characters, as the TOML reader
// counts) in bytes, the key whose value the TOML reader points at, and the
// steps list that takes the programs past their limit.
#include <algorithm>
#include <cctype>

#include "pattern/Format.h"
#include "pattern/Sources.h"

namespace pattern {

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

// What the programs hold is memory too, whether any shooter runs them or not:
// the lists in file order, summed until they hold too many.
const toml::array* overflowingSteps(const toml::table& root) {
    std::vector<std::pair<int64_t, const toml::array*>> lists;  // by place: line, then column
    for (const Section kind : {Section::Movement, Section::Firing}) {
        const toml::node* node = root.get(name(kind));
        const toml::table* programs = node ? node->as_table() : nullptr;
        if (!programs) continue;
        for (auto&& [key, program] : *programs) {
            const toml::node* steps = program.as_table() ? program.as_table()->get(name(ProgramKey::Steps)) : nullptr;
            if (!steps || !steps->as_array()) continue;
            const toml::source_position& at = steps->source().begin;
            lists.push_back({static_cast<int64_t>(at.line) << 32 | at.column, steps->as_array()});
        }
    }
    std::sort(lists.begin(), lists.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    int64_t held = 0;
    for (const auto& [at, list] : lists) {
        held += static_cast<int64_t>(list->size());
        if (held > MAX_WORLD_STEPS) return list;
    }
    return nullptr;
}

}  // namespace pattern
