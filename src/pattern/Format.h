// The pattern format, each part of it once: the sections of a pattern file
// and their keys, the names every expression knows and its functions, and
// the warnings, each with what it is (the step fields are Fields.h's). The
// reader reads by these tables; the reference page, the JSON Schema and the
// page's editor help are made from them, so a section, a key, a function or
// a warning is one entry here and nowhere else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "actions/Actions.h"
#include "pattern/Expression.h"
#include "pattern/Fields.h"

namespace pattern {

// A key of one of the file's tables, or one of the tables itself.
struct Key {
    const char* name;       // as a pattern writes it
    const char* info;       // what it holds, in a phrase
    bool required = false;  // a table without it is refused
};

// The file's tables, in the order the reader takes them.
enum class Section : size_t { Shooters, Params, Movement, Firing, Player, Bullet, Timeline, Count };
// [timeline]: spans of frames the whole pattern's programs keep in step by.
enum class TimelineKey : size_t { Spans, Keys };
// A span of the timeline: { name = "NAME", frames = N }.
enum class SpanKey : size_t { Name, Frames, Keys };
inline constexpr int32_t MAX_SPAN_FRAMES = 100'000'000;
// [shooters]
enum class ShootersKey : size_t { Count, Phases, Movement, Firing, Keys };
// [movement.NAME] and [firing.NAME]
enum class ProgramKey : size_t { Defaults, Steps, Loop, Keys };
// How a program comes back to its first step (loop = ...), in world::LOOP_ order.
inline constexpr const char* LOOP_NAMES[] = {"hold", "at-once"};
// A repetition within a steps list: { repeat = N, index = "k", steps = [...] }.
enum class RepeatKey : size_t { Repeat, Index, Steps, Keys };
// A reference to a shooter's body: { shooter = N }.
enum class ReferenceKey : size_t { Shooter, Keys };
// [player]: the ship a player steers.
enum class PlayerKey : size_t { Start, Speed, FocusedSpeed, HitRadius, BulletRadius, GrazeRadius, Keys };
// [bullet.NAME]: a bullet program.
enum class BulletKey : size_t { Actions, Keys };
// An action of a bullet program: one of the first seven keys, with those
// that go with it.
enum class ActionKey : size_t { Wait, Direction, Speed, Accel, Fire, Vanish, Repeat, Kind, Frames, Actions, Index, Keys };
inline constexpr size_t ACTION_KINDS = 7;  // the keys that say what an action does, in actions::Kind order
// An action's volley: fire = { ... }.
enum class FireKey : size_t { Volley, Spread, Direction, Kind, Speed, SpeedKind, Bullet, Keys };
// How a direction or a speed is given, in actions::How order.
extern const std::span<const Key> HOW_NAMES;
inline constexpr int32_t MAX_ACTIONS = 100'000;     // actions in all of a pattern's bullet programs, repeats once
inline constexpr int32_t MAX_ACTION_FRAMES = actions::MAX_FRAMES;  // a wait, or a change spread over frames
inline constexpr int32_t MAX_ACTION_REPEAT = actions::MAX_FRAMES;  // times a repeat runs its actions
// What targetRef = "player" says: aim at, and home in on, the ship.
inline constexpr const char* PLAYER_REFERENCE = "player";

extern const std::span<const Key> SECTIONS;
extern const std::span<const Key> SHOOTERS_KEYS;
extern const std::span<const Key> PROGRAM_KEYS;
extern const std::span<const Key> REPEAT_KEYS;
extern const std::span<const Key> REFERENCE_KEYS;
extern const std::span<const Key> PLAYER_KEYS;
extern const std::span<const Key> BULLET_KEYS;
extern const std::span<const Key> ACTION_KEYS;
extern const std::span<const Key> FIRE_KEYS;
extern const std::span<const Key> TIMELINE_KEYS;
extern const std::span<const Key> SPAN_KEYS;

inline const char* name(Section s) { return SECTIONS[static_cast<size_t>(s)].name; }
inline const char* name(ShootersKey k) { return SHOOTERS_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(ProgramKey k) { return PROGRAM_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(RepeatKey k) { return REPEAT_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(ReferenceKey k) { return REFERENCE_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(PlayerKey k) { return PLAYER_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(BulletKey k) { return BULLET_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(ActionKey k) { return ACTION_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(FireKey k) { return FIRE_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(TimelineKey k) { return TIMELINE_KEYS[static_cast<size_t>(k)].name; }
inline const char* name(SpanKey k) { return SPAN_KEYS[static_cast<size_t>(k)].name; }

// The index of a repetition that names none.
inline constexpr const char* DEFAULT_INDEX = "i";

// The names every expression knows besides the file's own parameters.
enum class Known : size_t { Rank, Seed, Shooter, Shooters, Count };
struct KnownName {
    const char* name;
    const char* info;
    double fallback;  // rank and seed: what it is unless [params] or --set gives it
    bool settable;    // [params] and --set may give it
};
extern const std::span<const KnownName> NAMES;
inline const char* name(Known n) { return NAMES[static_cast<size_t>(n)].name; }
inline constexpr double RANK_LEAST = 0.0;  // rank's range
inline constexpr double RANK_MOST = 1.0;

// The names a bullet program's values know besides those: a value that
// names one of them (or a repeat's index, or draws from rand()) is worked
// out each time its action runs.
struct RunName {
    const char* name;
    const char* info;
    actions::Term term;  // what the runtime pushes for it
    bool step;           // a firing step's name (worked out at each shot), not a bullet program's
};
extern const std::span<const RunName> RUN_NAMES;
// The world's draws start from the seed's whole number with these bits
// flipped, a sequence apart from the one the reader draws from.
inline constexpr uint64_t RUN_DRAWS = 0xA5A5A5A5A5A5A5A5ull;

// The functions an expression may call.
struct Function {
    const char* name;
    Operation op;
    size_t least;  // values it takes
    size_t most;
    const char* info;
};
inline constexpr size_t MAX_ARGUMENTS = 64;  // values a function takes at most
extern const std::span<const Function> FUNCTIONS;
// The function that does an operation (rand() for Operation::Random, say).
const Function& functionOf(Operation op);

// The warnings of what the engine will do that a text probably did not
// mean, by the names `# allow: NAME` silences.
enum class LintId : size_t {
    StackedVolley, OriginDefault, ShortStep, UnusedProgram, NeverActive, UnusedAngle, UnreadField, FewSlots,
    UnknownKind, FullStore, SharedDraws, NoTarget, NeverRuns, NoRoomForChildren, LateAction, Count,
};
struct Lint {
    const char* name;
    const char* when;     // what sets it off, and what the engine then does
    const char* instead;  // what to write instead
};
extern const std::span<const Lint> LINTS;
inline const char* name(LintId l) { return LINTS[static_cast<size_t>(l)].name; }

// Names as a sentence lists them: "count, phases, movement and firing".
std::string listed(std::span<const Key> keys, bool onlyRequired = false, bool onlyOptional = false);

// The whole format, for what is made from it: the reference page, the schema
// and the editor's help (a test makes them from a format with an entry
// more).
struct Format {
    std::span<const Key> sections = SECTIONS;
    std::span<const Key> shooters = SHOOTERS_KEYS;
    std::span<const Key> programs = PROGRAM_KEYS;
    std::span<const Key> repetitions = REPEAT_KEYS;
    std::span<const Key> references = REFERENCE_KEYS;
    std::span<const Key> player = PLAYER_KEYS;
    std::span<const Key> bullet = BULLET_KEYS;
    std::span<const Key> actions = ACTION_KEYS;
    std::span<const Key> fire = FIRE_KEYS;
    std::span<const Key> timeline = TIMELINE_KEYS;
    std::span<const Key> spans = SPAN_KEYS;
    std::span<const Key> hows = HOW_NAMES;
    std::span<const KnownName> names = NAMES;
    std::span<const RunName> runNames = RUN_NAMES;
    std::span<const Function> functions = FUNCTIONS;
    std::span<const Lint> lints = LINTS;
    std::span<const Field> movement = MOVEMENT_FIELDS;
    std::span<const Field> firing = FIRING_FIELDS;
};

// Every field, key, name, function and warning as JSON, for the page's
// editor help: {"sections", "shooters", "programs", "forms", "references", "player",
// "bullet", "actions", "volley", "hows", "timeline", "spans", "names", "runNames", "functions", "lints", "movement", "firing"}, each a list of records with
// a "name" and what the editor shows of it (a section names the lists that
// apply within it: "keys", the list of its keys, and "fields", of its
// steps' fields).
std::string helpJson(const Format& format = {});
// The reference page from its template (each @TABLE@ line made from the
// format), and the JSON Schema (draft 4, which TOML editors read).
std::string referencePage(const std::string& templateText, const Format& format = {});
std::string schemaJson(const Format& format = {});

}  // namespace pattern
