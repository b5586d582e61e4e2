// Command-line parsing shared by the project's tools.
#pragma once

#include <cstdint>

namespace tools {

// A positive whole number of at most 12 digits, digits only.
inline bool parseCount(const char* text, int64_t* value) {
    int64_t result = 0;
    int32_t digits = 0;
    for (; *text; ++text, ++digits) {
        if (*text < '0' || *text > '9' || digits == 12) return false;
        result = result * 10 + (*text - '0');
    }
    if (digits == 0 || result == 0) return false;
    *value = result;
    return true;
}

}  // namespace tools
