// Places in pattern text: a column (counted in characters, as the TOML reader
// counts) in bytes, the key whose value the TOML reader points at, how far a
// mistyped name is from a known one, and the steps list that takes the
// programs past their limit.
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

std::string closestName(std::string_view typed, const std::vector<std::string_view>& known) {
    std::string_view best;
    size_t distance = SIZE_MAX;
    for (std::string_view name : known) {
        const size_t d = editDistance(typed, name);
        if (d < distance) distance = d, best = name;
    }
    return distance <= std::max<size_t>(2, typed.size() / 3) ? std::string(best) : std::string();
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

// What the programs hold is memory too, whether any shooter runs them or not.
// Tables come in name order, so the place is found by halving: the first
// place up to which the lists hold too many.
const toml::array* overflowingSteps(const toml::table& root) {
    std::vector<std::pair<int64_t, const toml::array*>> lists;  // by place: line, then column
    int64_t held = 0;
    for (const char* kind : {"movement", "firing"}) {
        const toml::table* programs = root.get(kind) ? root.get(kind)->as_table() : nullptr;
        if (!programs) continue;
        for (auto&& [name, program] : *programs) {
            const toml::node* steps = program.as_table() ? program.as_table()->get("steps") : nullptr;
            if (!steps || !steps->as_array()) continue;
            const toml::source_position& at = steps->source().begin;
            lists.push_back({static_cast<int64_t>(at.line) << 32 | at.column, steps->as_array()});
            held += static_cast<int64_t>(steps->as_array()->size());
        }
    }
    if (held <= MAX_WORLD_STEPS) return nullptr;
    const auto heldUpTo = [&](int64_t place) {
        int64_t steps = 0;
        for (const auto& [at, list] : lists) steps += at <= place ? static_cast<int64_t>(list->size()) : 0;
        return steps;
    };
    int64_t low = 0, high = INT64_MAX;  // too many up to high, not up to low
    while (high - low > 1) {
        const int64_t middle = low + (high - low) / 2;
        (heldUpTo(middle) > MAX_WORLD_STEPS ? high : low) = middle;
    }
    for (const auto& [at, list] : lists) {
        if (at == high) return list;
    }
    return nullptr;
}

}  // namespace pattern
