// The arithmetic every layer of the simulation shares. Angles and counters grow
// without bound, so 32-bit integer arithmetic wraps as two's complement,
// explicitly; floats become integers only through nearest(), which is defined
// for every input; a float field is computed in double and rounded once.
#pragma once

#include <cmath>
#include <cstdint>

namespace numerics {

// Close to 3.141593 / 180 and 180 / 3.141593: the demonstration's own pi, not
// the library's.
inline constexpr double DEG_TO_RAD = 0.01745329444444444;
inline constexpr double RAD_TO_DEG = 57.29577319531843;

inline int32_t wrapAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t wrapSub(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline int32_t wrapMul(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}
inline int32_t wrapNeg(int32_t a) { return wrapSub(0, a); }

// Remainder that keeps the dividend's sign; the divisor is never 0 or -1 here.
inline int32_t remainder360(int32_t value) { return value % 360; }

// Nearest integer, halves to even. Values beyond the 32-bit range saturate and
// NaN gives 0.
inline int32_t nearest(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(std::nearbyint(value));
}

// A value worked out in double, stored in a float field: the one rounding.
inline float rounded(double value) { return static_cast<float>(value); }

// Whole degrees to radians, rounded to single precision before any sine or
// cosine is taken.
inline float degreesToRadians(int32_t degrees) { return rounded(degrees * DEG_TO_RAD); }

// rand()'s draws, read time and run time alike: splitmix64 from the state,
// each draw in [0, 1) from its top 53 bits, the same on every build.
inline double drawRandom(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) * 0x1.0p-53;
}

// x ^ n for a whole n, by squaring: exact operations in a fixed order.
inline double wholePower(double x, double n) {
    double result = 1.0;
    double base = x;
    for (double k = std::fabs(n); k >= 1.0; k = std::floor(k / 2.0)) {
        if (std::fmod(k, 2.0) == 1.0) result = result * base;
        base = base * base;
    }
    return n < 0.0 ? 1.0 / result : result;
}

}  // namespace numerics
