// Every field a pattern's step may set, once: its name, what it takes, where
// it lies in its record, its range, what it means to the engine and which
// steps read it. The reader reads by it; the reference page, the schema and
// the page's editor help are made from it (with the rest of the format,
// Format.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <string_view>

#include "kinds/Kinds.h"

namespace actor {
struct EmitterStep;
struct TurretStep;
}  // namespace actor

namespace pattern {

enum class FieldKind : int32_t {
    Integer,    // a whole number within [least, most]
    Float,      // a number, rounded once to single precision
    Flag,       // true or false (or a whole number: 0 is false)
    Named,      // a kind by its name, or any whole number
    Reference,  // "none", a point [x, y] or { shooter = N }
    Program,    // "none", or the name of a bullet program
    Span,       // "none", or the name of a span of the timeline
};

inline constexpr int64_t I32_MIN = std::numeric_limits<int32_t>::min();
inline constexpr int64_t I32_MAX = std::numeric_limits<int32_t>::max();

// Which steps read a field: a predicate over a step of its kind (none: every
// step reads it), and what does read it, said when a step sets it and is not
// read (unread-field; `unused` for the angle an aimed step sets, which
// unused-angle tells).
struct Reads {
    bool (*movement)(const actor::EmitterStep& step) = nullptr;
    bool (*firing)(const actor::TurretStep& step) = nullptr;
    const char* why = nullptr;
    bool unused = false;
};

struct Field;
// A reference that may follow the player's ship (targetRef), not only bodies and points.
bool takesShip(const Field& f);

struct Field {
    const char* name;                          // as a pattern writes it
    FieldKind kind;                            // what it takes
    size_t offset;                             // where it lies in its record: an EmitterStep, or a FiringStep
    int64_t least;                             // Integer: the range
    int64_t most;                              // (Reference: 1 if it may follow the player's ship)
    std::span<const kinds::Name> names;        // Named: the names it takes
    const char* otherwise;                     // Named: what the engine does with another number
    const char* unit;                          // what it counts in; "" for none
    const char* meaning;                       // what the engine does with it
    const char* readBy;                        // the steps whose modes or kinds read it, for people
    Reads reads{};                             // the same, for the reader
};

// A string as TOML and JSON both write it: in double quotes, the quote and
// the backslash escaped, control characters as \u00XX.
std::string quoted(std::string_view text);

// In record order.
extern const std::span<const Field> MOVEMENT_FIELDS;
extern const std::span<const Field> FIRING_FIELDS;

// Whether a firing field may be worked out at each shot: one of the gun's own
// numbers, but not duration or fireDelay, which say when the shots come.
bool atEachShot(const Field& field);

// The index of the field that lies at `offset` in its record (offsetof);
// the table's size for none.
size_t fieldIndex(std::span<const Field> fields, size_t offset);

// For people: what a field takes ("whole number, 0 to 256"), and what a step
// has when neither it nor its program's defaults give the field.
std::string fieldTakes(const Field& field);
std::string fieldDefault(const Field& field);
}  // namespace pattern
