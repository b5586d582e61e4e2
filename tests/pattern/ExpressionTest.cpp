// The expression reader: precedence and functions, each mistake at its
// character, and draws and sines that are the same on every build.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <tuple>

#include "pattern/Expression.h"

namespace pattern {
namespace {

TEST(Expression, WorksOutPrecedenceFunctionsAndNames) {
    const Scope scope{{{"i", 3.0}, {"rank", 0.5}, {"i", 4.0}}, nullptr};  // the inner i hides the outer
    const struct {
        const char* text;
        double value;
    } cases[] = {
        {"1 + 2 * 3", 7},       {"(1 + 2) * 3", 9},     {"2 ^ 3 ^ 2", 512},    {"-2 ^ 2", -4},
        {"2 ^ -2", 0.25},       {"10 / 4", 2.5},        {"7 - 2 - 1", 4},      {"8 / 2 / 2", 2},
        {"min(3, 1, 2)", 1},    {"max(1, 5)", 5},       {"floor(-1.5)", -2},   {"round(2.5)", 3},
        {"round(-2.5)", -3},    {"abs(-3)", 3},         {"sin(30)", 0.5},      {"cos(60)", 0.5},
        {"sin(-90)", -1},       {"cos(90)", 0},         {"sin(540)", 0},       {"cos(-360)", 1},
        {"i * 10 + rank", 40.5}, {" 1.5e2 ", 150},      {"1.05 ^ 2", 1.05 * 1.05},
    };
    for (const auto& c : cases) {
        const Evaluated e = evaluate(c.text, scope);
        EXPECT_TRUE(e.ok) << c.text << ": " << e.error;
        EXPECT_EQ(e.value, c.value) << c.text;
    }
    // The sines are the four operations' own, within a place of the true value.
    for (double d = -720.0; d <= 720.0; d += 0.37) {
        char text[64];
        std::snprintf(text, sizeof text, "sin(%.17g)", d);
        const long double radians = std::fmod(static_cast<long double>(d), 360.0L) * 0.0174532925199432957692369L;
        const double expected = static_cast<double>(std::sin(radians));
        EXPECT_NEAR(evaluate(text, scope).value, expected, std::fabs(expected) * 0x1p-52 + 0x1p-60) << d;
    }
    EXPECT_TRUE(mentions("= 2 * shooter", "shooter"));
    EXPECT_FALSE(mentions("= shooters + my_shooter", "shooter"));
}

TEST(Expression, EachMistakeIsTakenAtItsCharacter) {
    uint64_t state = 0;
    const Scope scope{{{"rank", 0.5}}, nullptr};
    const struct {
        const char* text;
        int32_t at;
        const char* error;
    } cases[] = {
        {"1 +", 3, "a number, a name or ( is missing here"},
        {"4 / (2 - 2)", 2, "division by zero"},
        {"(1 + 2", 6, "a ) is missing here"},
        {"rnak * 2", 0, "no name 'rnak'; did you mean 'rank'?"},
        {"1 @ 2", 2, "'@' cannot stand here"},
        {"sinn(3)", 0, "no function 'sinn'; did you mean 'sin'?"},
        {"10 ^ 400", 3, "^ gives a number too large (or none)"},
        {"1e300 * 1e300", 6, "* gives a number too large (or none)"},
        {"2 ^ 0.5", 2, "^ takes a whole exponent from -1024 to 1024"},
        {"0 ^ -1", 2, "division by zero (0 to a negative power)"},
        {"min()", 0, "min() takes 1 or more values, not 0"},
        {"round(1, 2)", 0, "round() takes 1 value, not 2"},
        {"1 2", 2, "an operator (+ - * / ^) is missing here"},
        {"rand()", 0, "rand() cannot stand here"},
        {"\xC3\xA9\xC3\xA9 + 1", 0, "'\xC3\xA9' cannot stand here"},
        {"1 + \xC3\xA9", 4, "'\xC3\xA9' cannot stand here"},
        {"\"\xC3\xA9\" + ", 0, "'\"' cannot stand here"},
        {"1.2.3", 0, "'1.2.3' is no number"},
    };
    for (const auto& c : cases) {
        const Evaluated e = evaluate(c.text, scope);
        EXPECT_FALSE(e.ok) << c.text;
        EXPECT_EQ(e.at, c.at) << c.text;
        EXPECT_EQ(e.error, c.error) << c.text;
    }
    // Parentheses inside each other stop at a depth, not at the stack's end.
    const Evaluated deep = evaluate(std::string(100'000, '(') + "1", scope);
    EXPECT_EQ(deep.error, "too many parentheses inside each other");
    EXPECT_EQ(deep.at, 64);
    // So do signs and powers, which read what follows them inside themselves.
    std::string powers = "1";
    for (int k = 0; k < 200'000; ++k) powers += "^1";
    for (const auto& [text, at, what] : {std::tuple{std::string(150'000, '-') + "1", 64, "signs"},
                                         std::tuple{std::string(150'000, '+') + "1", 64, "signs"},
                                         std::tuple{powers, 129, "powers"},
                                         std::tuple{"-(" + std::string(40, '-') + "(" + std::string(40, '-') + "1))", 64, "signs"}}) {
        const Evaluated e = evaluate(text, scope);
        EXPECT_EQ(e.error, std::string("too many ") + what +
                               " inside each other (at most 64 parentheses, calls, signs and powers deep)");
        EXPECT_EQ(e.at, at);
    }
    EXPECT_EQ(evaluate(std::string(32, '-') + "2^" + std::string(31, '-') + "1", scope).value, 0.5);
    // The draws are splitmix64's, the same on every build and in the page.
    EXPECT_EQ(drawRandom(state), 0.8833108082136426);
    EXPECT_EQ(drawRandom(state), 0.43152799704850997);
    state = 7;
    EXPECT_EQ(evaluate("rand()", Scope{{}, &state}).value, 0.3898297483912715);
}

}  // namespace
}  // namespace pattern
