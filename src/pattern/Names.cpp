// Names a text mistyped: how far one is from a known one, and the known one
// it was probably meant to be.
#include <algorithm>
#include <cctype>

#include "pattern/Sources.h"

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

}  // namespace pattern
