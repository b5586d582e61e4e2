// Sine and cosine of degrees that every build and the page agree on to the
// last bit: the pattern reader's sin() and cos(), worked out from the four
// arithmetic operations alone (the C libraries' own differ in the last
// place). They are no part of the demonstration's simulation, which keeps the
// library's functions of its own radians.
#pragma once

#include <cmath>

namespace numerics {

namespace exactTrig {

inline constexpr double DEGREES = 0.017453292519943295;  // radians in a degree

// Sine and cosine of degrees from the four arithmetic operations alone, so
// that every build and the page agree to the last bit (the C libraries' own
// differ in the last place). The angle is folded exactly into 0 to 45
// degrees; whole multiples of 30 and 90 give their exact values.
// The series' coefficients after the first term, for Horner's rule in x^2.
inline constexpr double SINE[] = {-1.0 / 6, 1.0 / 120, -1.0 / 5040, 1.0 / 362880, -1.0 / 39916800, 1.0 / 6227020800,
                           -1.0 / 1307674368000, 1.0 / 355687428096000, -1.0 / 121645100408832000,
                           1.0 / 51090942171709440000.0};
inline constexpr double COSINE[] = {-1.0 / 2, 1.0 / 24, -1.0 / 720, 1.0 / 40320, -1.0 / 3628800, 1.0 / 479001600,
                             -1.0 / 87178291200, 1.0 / 20922789888000, -1.0 / 6402373705728000,
                             1.0 / 2432902008176640000.0};

inline double horner(double x2, const double (&c)[10]) {
    double sum = c[9];
    for (int k = 8; k >= 0; --k) sum = c[k] + x2 * sum;
    return sum;
}

// x in radians, 0 to pi/4: the series to x^21 and x^20.
inline double sineNear(double x) { return x + x * (x * x * horner(x * x, SINE)); }
inline double cosineNear(double x) { return 1.0 + x * x * horner(x * x, COSINE); }

// Every step below is exact: fmod is, and each subtraction takes numbers
// within a factor of two of each other.
inline double sineOrCosine(double degrees, bool cosine) {
    double sign = 1.0;
    double d = std::fmod(std::fabs(degrees), 360.0);
    if (!cosine && degrees < 0.0) sign = -1.0;  // cosine is even
    bool useCosine = cosine;
    if (d >= 180.0) {
        if (cosine) {
            d = 360.0 - d;  // cos(360 - d) = cos(d)
        } else {
            d = d - 180.0;  // sin(d) = -sin(d - 180)
            sign = -sign;
        }
    }
    if (d > 90.0) {
        d = 180.0 - d;  // sin(180 - d) = sin(d); cos(180 - d) = -cos(d)
        if (cosine) sign = -sign;
    }
    // d is 0 to 90: past 45 the other function of 90 - d.
    if (d > 45.0) {
        d = 90.0 - d;
        useCosine = !useCosine;
    }
    if (d == 0.0) return useCosine ? sign : 0.0;
    if (d == 30.0 && !useCosine) return sign * 0.5;
    if (d == 45.0) return sign * cosineNear(45.0 * DEGREES);  // the same either way
    return sign * (useCosine ? cosineNear(d * DEGREES) : sineNear(d * DEGREES));
}

}  // namespace exactTrig

inline double sineOfDegrees(double degrees) { return exactTrig::sineOrCosine(degrees, false); }
inline double cosineOfDegrees(double degrees) { return exactTrig::sineOrCosine(degrees, true); }

}  // namespace numerics
