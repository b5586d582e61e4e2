// Every field a pattern's step may set, once: its name, what it takes, where
// it lies in its record, its range, and what it means to the engine. The
// reader reads by it; the reference page and the page's editor help are made
// from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "kinds/Kinds.h"

namespace pattern {

enum class FieldKind : int32_t {
    Integer,    // a whole number within [least, most]
    Float,      // a number, rounded once to single precision
    Flag,       // true or false (or a whole number: 0 is false)
    Named,      // a kind by its name, or any whole number
    Reference,  // "none", a point [x, y] or { shooter = N }
};

inline constexpr int64_t I32_MIN = std::numeric_limits<int32_t>::min();
inline constexpr int64_t I32_MAX = std::numeric_limits<int32_t>::max();

struct Field {
    const char* name;                          // as a pattern writes it
    FieldKind kind;                            // what it takes
    size_t offset;                             // where it lies in its record: an EmitterStep, or a FiringStep
    int64_t least;                             // Integer: the range
    int64_t most;
    std::span<const kinds::Name> names;        // Named: the names it takes
    const char* otherwise;                     // Named: what the engine does with another number
    const char* unit;                          // what it counts in; "" for none
    const char* meaning;                       // what the engine does with it
    const char* readBy;                        // the steps whose modes or kinds read it
};

// A string as TOML and JSON both write it: in double quotes, the quote and
// the backslash escaped, control characters as \u00XX.
std::string quoted(std::string_view text);

// In record order.
extern const std::span<const Field> MOVEMENT_FIELDS;
extern const std::span<const Field> FIRING_FIELDS;

// For people: what a field takes ("whole number, 0 to 256"), and what a step
// has when neither it nor its program's defaults give the field.
std::string fieldTakes(const Field& field);
std::string fieldDefault(const Field& field);
// Every field, kind and warning as JSON, for the page's editor help:
// {"movement": [FIELD...], "firing": [FIELD...], "lints": [...], "forms",
// "functions", "names": [{"name", "info"}...]}, each FIELD
// {"name", "takes", "unit", "default", "meaning", "readBy", "kinds": [{"name",
// "value", "meaning"}...], "otherwise"}.
std::string helpJson();

// The warnings the reader gives of what the engine will do that a text
// probably did not mean, by the names `# allow: NAME` silences.
struct Lint {
    const char* name;
    const char* when;  // what sets it off, and what the engine then does
};
extern const std::span<const Lint> LINTS;

// The words of what a file says once for many: a repetition's keys, the
// functions and the names every expression knows, each with what it is.
struct Said {
    const char* name;
    const char* info;
};
extern const std::span<const Said> FORMS;
extern const std::span<const Said> FUNCTIONS;
extern const std::span<const Said> NAMES;

}  // namespace pattern
