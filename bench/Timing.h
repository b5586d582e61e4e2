// Wall-clock timing shared by the benchmarks that time whole operations.
#pragma once

#include <algorithm>
#include <chrono>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

using Clock = std::chrono::steady_clock;

inline double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

#ifdef BARRAGE_SOURCE_DIR
// A file's text, from the source tree.
inline std::string sourceFile(const std::string& path) {
    std::ifstream file(std::string(BARRAGE_SOURCE_DIR) + "/" + path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}
#endif

}  // namespace bench
