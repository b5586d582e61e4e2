// Expressions in pattern files: a value written as "= EXPRESSION" is worked
// out when the file is read, so the engine still receives plain numbers.
// Numbers, names (the file's parameters and the names Format.h lists), + - *
// / ^ (power, to a whole exponent), parentheses and the functions Format.h
// lists, at most 64 parentheses, calls, signs and powers inside each other. Worked out in double precision;
// a value that is not finite is an error at its place. Working out has a
// budget of operations, so that no text holds its reader for long.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pattern {

// The numbers a name stands for, by name.
struct Binding {
    std::string name;
    double value = 0.0;
};

// How much working out a reader may still do: each operation costs one, each
// name looked up one for every name it passes. Past the end every expression
// fails with OVER_BUDGET; so does one worked out once `cancel` is set.
struct Budget {
    int64_t left = 0;                          // operations
    const std::atomic<bool>* cancel = nullptr;  // set from another thread: stop; none: never
};
inline constexpr const char* OVER_BUDGET = "over budget";
inline constexpr const char* CANCELLED = "cancelled";

// What an expression can use: its names, and the file's random draws.
struct Scope {
    std::vector<Binding> names;  // looked up from the last, so an inner one hides an outer one
    uint64_t* random = nullptr;  // the state rand() draws from and advances; none: rand() is an error
    Budget* budget = nullptr;    // none: no bound
};

// rand()'s draws (numerics::drawRandom, which bullet programs draw from too).
double drawRandom(uint64_t& state);

struct Evaluated {
    bool ok = false;
    double value = 0.0;
    int32_t at = 0;      // when not ok: the offset in the text, in characters, of what is wrong
    std::string error;   // when not ok: what is wrong
};

// An expression read once, to be worked out as often as wanted: its
// operations in postfix order, or the mistake in its form.
enum class Operation : int32_t {
    Number, Name, Negate, Add, Subtract, Multiply, Divide, Power,
    Min, Max, Floor, Round, Abs, Sine, Cosine, Random,
};
struct Instruction {
    Operation op = Operation::Number;
    int32_t at = 0;          // where it stands in the text, in bytes
    int32_t count = 0;       // a function's values
    double value = 0.0;      // a number's
    std::string_view name;   // a name's, within the text (which must outlive it)
};
struct Compiled {
    std::string_view text;   // what it was read from
    std::vector<Instruction> operations;
    Evaluated failure;       // ok when the form is good
};
Compiled compile(std::string_view text);
// Works it out with the names and draws of `scope`, on `stack` (any vector:
// it is cleared); names it does not know are errors, with the closest known
// name.
Evaluated run(const Compiled& compiled, const Scope& scope, std::vector<double>& stack);

// Reads and works out the expression (the text after its "=") at once.
Evaluated evaluate(std::string_view text, const Scope& scope);

// Whether the expression uses the name (as a name, not inside another).
bool mentions(std::string_view text, std::string_view name);

// Whether the text can be a name in expressions: a letter or _, then
// letters, digits and _ (ASCII only).
bool isName(std::string_view text);

}  // namespace pattern
