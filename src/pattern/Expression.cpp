// The expression reader: recursive descent over the text into postfix
// operations, worked out on a stack as often as a repetition asks. Precedence,
// lowest first: + and -; * and /; unary - and +; ^ (right to left, so
// 2 ^ 3 ^ 2 is 2 ^ 9); numbers, names, calls and parentheses.
#include "pattern/Expression.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "numerics/Degrees.h"
#include "numerics/Numerics.h"
#include "pattern/Format.h"
#include "pattern/Pattern.h"

namespace pattern {

namespace {

constexpr int32_t MAX_DEPTH = 64;                  // parentheses, calls, signs and powers inside each other
constexpr double MAX_EXPONENT = 1024.0;            // x ^ n multiplies n times at most

// The C library's classes read the locale; expressions are ASCII.
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
constexpr bool isNamePart(char c) { return isLetter(c) || isDigit(c); }

// Reads the text into its operations, last operand first (postfix), each with
// the place it stands for the mistakes only working it out can find.
struct Compiler {
    std::string_view text;
    Compiled& out;
    size_t at = 0;
    int32_t depth = 0;

    bool failed() const { return !out.failure.error.empty(); }

    // The offset of a byte in characters, as messages count columns.
    int32_t characters(size_t byte) const {
        int32_t count = 0;
        for (size_t i = 0; i < byte && i < text.size(); ++i) count += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
        return count;
    }

    void fail(size_t where, std::string what) {
        if (failed()) return;
        out.failure.at = characters(where);
        out.failure.error = std::move(what);
    }

    // The whole character at a byte, however many bytes it takes.
    std::string characterAt(size_t byte) const {
        size_t end = byte + 1;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
        return "'" + std::string(text.substr(byte, end - byte)) + "'";
    }

    void blanks() {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    }

    bool take(char c) {
        blanks();
        if (at < text.size() && text[at] == c) {
            ++at;
            return true;
        }
        return false;
    }

    void emit(Operation op, size_t where, double value = 0.0, std::string_view name = {}, int32_t count = 0) {
        out.operations.push_back({op, static_cast<int32_t>(where), count, value, name});
    }

    void sum() {
        product();
        while (!failed()) {
            blanks();
            const size_t where = at;
            if (take('+')) {
                product();
                emit(Operation::Add, where);
            } else if (take('-')) {
                product();
                emit(Operation::Subtract, where);
            } else {
                return;
            }
        }
    }

    void product() {
        unary();
        while (!failed()) {
            blanks();
            const size_t where = at;
            if (take('*')) {
                unary();
                emit(Operation::Multiply, where);
            } else if (take('/')) {
                unary();
                emit(Operation::Divide, where);
            } else {
                return;
            }
        }
    }

    // A sign or a power reads what follows it inside itself, as a
    // parenthesis does: each counts towards the same depth, so no text can
    // take the reader (or the page's worker) to the end of its stack.
    bool deeper(size_t where, const char* what) {
        if (++depth <= MAX_DEPTH) return true;
        fail(where, std::string("too many ") + what + " inside each other (at most " + std::to_string(MAX_DEPTH) +
                        " parentheses, calls, signs and powers deep)");
        return false;
    }

    void unary() {
        blanks();
        const size_t where = at;
        if (take('-')) {
            if (!deeper(where, "signs")) return;
            unary();
            --depth;
            emit(Operation::Negate, where);
        } else if (take('+')) {
            if (!deeper(where, "signs")) return;
            unary();
            --depth;
        } else {
            power();
        }
    }

    void power() {
        atom();
        blanks();
        const size_t where = at;
        if (failed() || !take('^')) return;
        if (!deeper(where, "powers")) return;
        unary();  // right to left, and -2 ^ -2 reads as -(2 ^ (-2))
        --depth;
        emit(Operation::Power, where);
    }

    void atom() {
        blanks();
        if (failed()) return;
        if (at >= text.size()) return fail(at, "a number, a name or ( is missing here");
        const size_t start = at;
        const char c = text[at];
        if (c == '(') {
            if (++depth > MAX_DEPTH) return fail(at, "too many parentheses inside each other");
            ++at;
            sum();
            if (failed()) return;
            if (!take(')')) return fail(at, "a ) is missing here");
            --depth;
            return;
        }
        if (isDigit(c) || c == '.') return number();
        if (isLetter(c)) {
            while (at < text.size() && isNamePart(text[at])) ++at;
            const std::string_view name = text.substr(start, at - start);
            blanks();
            if (at < text.size() && text[at] == '(') return call(name, start);
            return emit(Operation::Name, start, 0.0, name);
        }
        fail(at, characterAt(at) + " cannot stand here");
    }

    void number() {
        const size_t start = at;
        while (at < text.size() && (isDigit(text[at]) || text[at] == '.')) ++at;
        if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
            size_t e = at + 1;
            if (e < text.size() && (text[e] == '+' || text[e] == '-')) ++e;
            if (e < text.size() && isDigit(text[e])) {
                at = e;
                while (at < text.size() && isDigit(text[at])) ++at;
            }
        }
        // Up to 15 digits and no more is a whole number a double holds
        // exactly, as the C library would read it.
        if (at - start <= 15) {
            int64_t whole = 0;
            size_t k = start;
            while (k < at && text[k] >= '0' && text[k] <= '9') whole = whole * 10 + (text[k++] - '0');
            if (k == at) return emit(Operation::Number, start, static_cast<double>(whole));
        }
        const std::string digits(text.substr(start, at - start));
        char* end = nullptr;
        const double value = std::strtod(digits.c_str(), &end);
        if (!end || *end != '\0' || digits == ".") return fail(start, "'" + digits + "' is no number");
        if (!std::isfinite(value)) return fail(start, "the number gives a number too large (or none)");
        emit(Operation::Number, start, value);
    }

    void call(std::string_view name, size_t start) {
        const Function* function = nullptr;
        for (const Function& f : FUNCTIONS) {
            if (name == f.name) function = &f;
        }
        if (!function) {
            std::vector<std::string_view> known;
            for (const Function& f : FUNCTIONS) known.push_back(f.name);
            const std::string meant = closestName(name, known);
            return fail(start, "no function '" + std::string(name) + "'" +
                                   (meant.empty() ? std::string() : "; did you mean '" + meant + "'?"));
        }
        if (++depth > MAX_DEPTH) return fail(start, "too many calls inside each other");
        take('(');
        size_t count = 0;
        if (!take(')')) {
            do {
                const size_t where = at;
                sum();
                if (failed()) return;
                if (++count > MAX_ARGUMENTS) {
                    return fail(where, "a function takes at most " + std::to_string(MAX_ARGUMENTS) + " values");
                }
            } while (take(','));
            if (!take(')')) return fail(at, "a ) or , is missing here");
        }
        --depth;
        if (count < function->least || count > function->most) {
            const size_t least = function->least, most = function->most;
            return fail(start, std::string(name) + "() takes " +
                                   (least == most ? std::to_string(least) : std::to_string(least) + " or more") +
                                   (least == 1 && most == 1 ? " value" : " values") + ", not " + std::to_string(count));
        }
        emit(function->op, start, 0.0, name, static_cast<int32_t>(count));
    }
};

// A mistake at a byte of the text, told at its character.
Evaluated failAt(std::string_view text, int32_t byte, std::string error) {
    Evaluated failed;
    for (size_t i = 0; i < static_cast<size_t>(byte) && i < text.size(); ++i) {
        failed.at += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    }
    failed.error = std::move(error);
    return failed;
}

// A result that is not finite is an error where its operation stands.
const char* symbol(Operation op) {
    switch (op) {
        case Operation::Add: return "+";
        case Operation::Subtract: return "-";
        case Operation::Multiply: return "*";
        case Operation::Divide: return "/";
        default: return "^";
    }
}

}  // namespace

double drawRandom(uint64_t& state) { return numerics::drawRandom(state); }

Compiled compile(std::string_view text) {
    Compiled compiled;
    compiled.text = text;
    Compiler compiler{text, compiled};
    compiler.sum();
    compiler.blanks();
    if (!compiler.failed() && compiler.at < text.size()) {
        const char c = text[compiler.at];
        if (isNamePart(c) || c == '.' || c == '(') {
            compiler.fail(compiler.at, "an operator (+ - * / ^) is missing here");
        } else {
            compiler.fail(compiler.at, compiler.characterAt(compiler.at) + " cannot stand here");
        }
    }
    if (compiler.failed()) compiled.operations.clear();
    return compiled;
}

Evaluated run(const Compiled& compiled, const Scope& scope, std::vector<double>& stack) {
    if (!compiled.failure.error.empty()) return compiled.failure;
    if (Budget* budget = scope.budget) {
        // Charged before it runs: a long expression worked out again and
        // again stops at once, not at its end.
        if (budget->cancel && budget->cancel->load(std::memory_order_relaxed)) {
            return failAt(compiled.text, 0, CANCELLED);
        }
        budget->left -= static_cast<int64_t>(compiled.operations.size());
        if (budget->left < 0) return failAt(compiled.text, 0, OVER_BUDGET);
    }
    stack.clear();
    for (const Instruction& step : compiled.operations) {
        double value = 0.0;
        switch (step.op) {
            case Operation::Number: value = step.value; break;
            case Operation::Name: {
                auto b = scope.names.rbegin();
                while (b != scope.names.rend() && b->name != step.name) ++b;
                if (scope.budget) {
                    scope.budget->left -= b - scope.names.rbegin();
                    if (scope.budget->left < 0) return failAt(compiled.text, 0, OVER_BUDGET);
                }
                if (b == scope.names.rend()) {
                    std::vector<std::string_view> known;
                    for (const Binding& each : scope.names) known.push_back(each.name);
                    const std::string meant = closestName(step.name, known);
                    return failAt(compiled.text, step.at, "no name '" + std::string(step.name) + "'" +
                                               (meant.empty() ? std::string() : "; did you mean '" + meant + "'?"));
                }
                value = b->value;
                break;
            }
            case Operation::Negate: stack.back() = -stack.back(); continue;
            case Operation::Add:
            case Operation::Subtract:
            case Operation::Multiply:
            case Operation::Divide:
            case Operation::Power: {
                const double right = stack.back();
                stack.pop_back();
                const double left = stack.back();
                stack.pop_back();
                if (step.op == Operation::Add) {
                    value = left + right;
                } else if (step.op == Operation::Subtract) {
                    value = left - right;
                } else if (step.op == Operation::Multiply) {
                    value = left * right;
                } else if (step.op == Operation::Divide) {
                    if (right == 0.0) return failAt(compiled.text, step.at, "division by zero");
                    value = left / right;
                } else {
                    if (std::floor(right) != right || std::fabs(right) > MAX_EXPONENT) {
                        return failAt(compiled.text, step.at, "^ takes a whole exponent from -1024 to 1024");
                    }
                    if (left == 0.0 && right < 0.0) return failAt(compiled.text, step.at, "division by zero (0 to a negative power)");
                    value = numerics::wholePower(left, right);
                }
                if (!std::isfinite(value)) {
                    return failAt(compiled.text, step.at, std::string(symbol(step.op)) + " gives a number too large (or none)");
                }
                break;
            }
            case Operation::Min:
            case Operation::Max: {
                // Compared, not fmin and fmax, which may give either zero of -0 and 0.
                const size_t first = stack.size() - static_cast<size_t>(step.count);
                value = stack[first];
                for (size_t k = first + 1; k < stack.size(); ++k) {
                    if (step.op == Operation::Min ? stack[k] < value : stack[k] > value) value = stack[k];
                }
                stack.resize(first);
                break;
            }
            case Operation::Floor: stack.back() = std::floor(stack.back()); continue;
            case Operation::Round: stack.back() = std::round(stack.back()); continue;  // halves away from zero
            case Operation::Abs: stack.back() = std::fabs(stack.back()); continue;
            case Operation::Sine: stack.back() = numerics::sineOfDegrees(stack.back()); continue;
            case Operation::Cosine: stack.back() = numerics::cosineOfDegrees(stack.back()); continue;
            case Operation::Random:
                if (!scope.random) return failAt(compiled.text, step.at, "rand() cannot stand here");
                value = drawRandom(*scope.random);
                break;
        }
        stack.push_back(value);
    }
    Evaluated worked;
    worked.ok = true;
    worked.value = stack.back();
    return worked;
}

Evaluated evaluate(std::string_view text, const Scope& scope) {
    std::vector<double> stack;
    return run(compile(text), scope, stack);
}

bool mentions(std::string_view text, std::string_view name) {
    for (size_t at = text.find(name); at != std::string_view::npos; at = text.find(name, at + 1)) {
        const bool before = at > 0 && isNamePart(text[at - 1]);
        const size_t end = at + name.size();
        const bool after = end < text.size() && isNamePart(text[end]);
        if (!before && !after) return true;
    }
    return false;
}

bool isName(std::string_view text) {
    return !text.empty() && isLetter(text[0]) && std::all_of(text.begin(), text.end(), isNamePart);
}

}  // namespace pattern
