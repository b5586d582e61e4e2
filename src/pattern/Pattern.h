// Patterns written by people: how many shooters, each one's phase, and the
// movement and firing programs they run, read from a TOML file and checked
// with the place of every mistake. A pattern makes worlds for the timeline,
// the viewer and the tools; the program itself plays only its built-in
// choreography.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "actions/Actions.h"
#include "actor/EmitterStep.h"
#include "actor/TurretStep.h"
#include "pattern/Expression.h"
#include "world/World.h"

namespace pattern {

inline constexpr int32_t MAX_SHOOTERS = 64;
inline constexpr int32_t MAX_STEPS = 10'000;              // steps in one program
inline constexpr int64_t MAX_WORLD_STEPS = 100'000;       // steps all the shooters' programs hold together, and all
                                                          // the pattern's programs
inline constexpr int64_t MAX_FILE_BYTES = 1 << 20;        // a pattern file's size at most
inline constexpr int64_t CHECK_FRAMES = 20'000;           // frames the check simulates for full stores
inline constexpr size_t MAX_MESSAGES = 100;               // findings told; the rest only counted
// Operations the expressions of one reading may take, repetitions and
// shooters counted out: some tenths of a second natively, so that a text
// that says too much for its reader is refused at once.
inline constexpr int64_t MAX_OPERATIONS = 100'000'000;

// What a firing step's origin or target follows.
struct Reference {
    int32_t kind = 0;     // REFERENCE_NONE, REFERENCE_POINT, REFERENCE_SHOOTER or REFERENCE_PLAYER
    float x = 0.0f;       // a fixed point, pixels
    float y = 0.0f;       // as x
    int32_t shooter = 0;  // the shooter whose body it follows, by index
};
inline constexpr int32_t REFERENCE_NONE = 0;
inline constexpr int32_t REFERENCE_POINT = 1;
inline constexpr int32_t REFERENCE_SHOOTER = 2;
inline constexpr int32_t REFERENCE_PLAYER = 3;  // the ship (targetRef only)

inline constexpr int32_t PLAYER_RIGHTMOST = static_cast<int32_t>(world::SHIP_RIGHTMOST);  // the ship's centre stays within the screen
inline constexpr int32_t PLAYER_LOWEST = static_cast<int32_t>(world::SHIP_LOWEST);
inline constexpr int32_t MAX_PLAYER_SPEED = world::MAX_SHIP_SPEED;  // whole pixels a frame
inline constexpr float MAX_PLAYER_RADIUS = 1000.0f;   // pixels

// The ship a player steers, as [player] says; a pattern without the table
// has one when a step aims at it, with these defaults.
struct Player {
    int32_t given = 0;         // flag: the pattern has a [player] table, or a step follows the ship
    int32_t x = 320;           // where it starts, whole pixels
    int32_t y = 440;
    int32_t speed = 4;         // whole pixels a frame
    int32_t focusedSpeed = 2;
    float hitRadius = 2.0f;    // pixels
    float bulletRadius = 3.0f;
    float grazeRadius = 16.0f;
};

inline constexpr int32_t MAX_SHOT_VALUES = 8;  // a firing step's values worked out at each shot

struct FiringStep {
    actor::TurretStep step;  // every field; the references are set when a world is made
    Reference origin;        // what originRef follows
    Reference target;        // what targetRef follows
    int32_t bullet = -1;     // the bullet program its bullets run, by index; -1: none
    int32_t keepAngle = 0;   // flag: loading it leaves the angle where the step before left it
    int32_t aimOffset = 0;   // degrees added to each aimed angle
    int32_t centred = 0;     // flag: an odd fan centred on its angle, not half a step off
    // Values worked out anew at each shot: the field (its index among the
    // firing fields) and the formula (in the pattern's `bullets`) of each; -1 none.
    int32_t shotFields[MAX_SHOT_VALUES] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int32_t shotFormulas[MAX_SHOT_VALUES] = {-1, -1, -1, -1, -1, -1, -1, -1};
    int32_t span = -1;       // the span of the timeline it runs in, by index; -1: none
    int32_t line = 0;        // where the step stands in the file, for messages
    int32_t column = 0;
};

// A movement step as a pattern gives it: the engine's record, and how the
// body comes to its x, y (world::PUT, KEEP or GLIDE), held beside it.
struct MovementStep {
    actor::EmitterStep step;  // every field
    int32_t from = 0;         // PUT: put at x, y; KEEP: kept where it is; GLIDE: from where it is to x, y
    int32_t span = -1;        // the span of the timeline it runs in, by index; -1: none
};

// A span of the timeline.
struct Span {
    std::string name;
    int32_t frames = 0;
};

struct MovementProgram {
    std::string name;
    std::vector<MovementStep> steps;
    int32_t loop = 0;  // world::LOOP_HOLD or LOOP_AT_ONCE
};

struct FiringProgram {
    std::string name;
    std::vector<FiringStep> steps;
    int32_t loop = 0;  // world::LOOP_HOLD or LOOP_AT_ONCE
};

struct Pattern {
    std::string file;                     // the name it was read from, for messages
    int32_t shooterCount = 0;             // 1 to MAX_SHOOTERS
    std::vector<int32_t> phases;          // degrees added to every step's angle, one per shooter
    std::vector<int32_t> movementOf;      // the movement program of each shooter, by index
    std::vector<int32_t> firingOf;        // the firing program of each shooter, by index
    std::vector<MovementProgram> movements;
    std::vector<FiringProgram> firings;
    Player player;                        // the ship, when the pattern has one
    std::vector<std::string> bulletNames; // the bullet programs' names, by index
    std::vector<Span> spans;              // the timeline, in order; none: no program keeps one
    actions::Programs bullets;            // the bullet programs, as the engine runs them
};

// One finding, in the form compilers use: FILE:LINE:COLUMN: error: ...
// A note on a message: another place that helps (where a name is defined).
struct Note {
    int32_t line = 0;
    int32_t column = 0;
    int32_t endColumn = 0;
    std::string text;
};

struct Message {
    int32_t line = 0;          // 1 and up; 0: the file as a whole
    int32_t column = 0;        // 1 and up; 0: the file as a whole
    int32_t error = 0;         // flag: refuses the file; 0: a warning
    std::string text;
    int32_t endColumn = 0;     // the column after the range it is about, on its line; 0: one character
    std::vector<Note> notes;   // told after it
    std::string lint;          // a warning's name, which `# allow: NAME` silences; empty: none
};

// `# allow: NAME` in a comment: warnings named NAME on its line or the next
// are not told.
struct Allowance {
    int32_t line = 0;   // the comment's line
    std::string name;   // the warning's name
};

// The names a text gives, as it writes them, for an editor's completion.
struct Outline {
    std::vector<std::string> movement;  // the movement programs' names
    std::vector<std::string> firing;    // the firing programs' names
    std::vector<std::string> indexes;   // the repetitions' index names
    std::vector<std::string> bullet;    // the bullet programs' names
    std::vector<std::string> spans;     // the timeline's spans' names
    int32_t shooters = 0;               // shooters.count, once read; 0: none
};

struct Loaded {
    Pattern pattern;                 // whole only when no message is an error
    Outline outline;                 // what the text names, whatever its mistakes
    std::vector<Message> messages;   // the first MAX_MESSAGES findings in file order
    int64_t unshownErrors = 0;       // errors found past those
    int64_t unshownWarnings = 0;     // warnings found past those
    std::string text;                // the text read, for the lines under messages
    std::vector<size_t> lineStarts;  // where each of its lines starts, in bytes
    std::vector<Allowance> allowed;  // the warnings the text silences
    std::vector<Binding> parameters; // the pattern's parameters as they were used, rank and seed among them
};

bool refused(const Loaded& loaded);
int64_t errorCount(const Loaded& loaded);
// A finding. Past MAX_MESSAGES only the first in file order are kept and the
// rest counted, so a text of a million mistakes costs no more than a hundred.
void addMessage(Loaded& loaded, Message message);
// Whether a finding at that place would be kept: one that would not need not
// be worded.
bool wouldKeep(const Loaded& loaded, int32_t line, int32_t column);
// In file order: by line, then column; a message for the whole file first.
void sortMessages(Loaded& loaded);
// One line: FILE:LINE:COLUMN: error|warning: TEXT [NAME].
std::string formatMessage(const std::string& file, const Message& message);
// One line: FILE:LINE:COLUMN: note: TEXT.
std::string formatNote(const std::string& file, const Note& note);
// A text's lines, without their ends; and line `line` (from 1) of the text a
// Loaded holds, empty for none.
std::vector<std::string_view> linesOf(std::string_view text);
std::string_view lineOf(const Loaded& loaded, int32_t line);
// As compilers give it: the line, then the source line it is about with the
// range marked under it (^~~~), in colour when asked.
std::string formatWithSource(const Loaded& loaded, const Message& message, bool colour);
// "N more errors and M more warnings not shown", or empty when all are shown.
std::string unshownNote(const Loaded& loaded);

// A parameter's setting as the tools and the page take it: NAME=VALUE, a
// name (a letter or _, then letters, digits and _) and a finite number
// written whole (no blank, no more text after it). False for anything else.
bool parseSetting(std::string_view text, Binding* setting);
inline constexpr const char* SETTING_RULE = "takes NAME=VALUE: a parameter's name and a number";

// What a text over MAX_FILE_BYTES is told, in every reader.
std::string tooLarge(int64_t bytes);

// Reads pattern text. `file` names it in messages; `settings` set its
// parameters (--set NAME=VALUE), each of which it must have. `cancel`, set
// from another thread, stops the reading soon (what it gives is then
// refused, and meant to be dropped).
Loaded parsePattern(std::string_view text, const std::string& file, const std::vector<Binding>& settings = {},
                    const std::atomic<bool>* cancel = nullptr);
// Reads a pattern file: its size, kind and bytes are checked before parsing
// (a directory, a FIFO, a device, a file over MAX_FILE_BYTES are refused).
Loaded loadPattern(const std::string& path, const std::vector<Binding>& settings = {},
                   const std::atomic<bool>* cancel = nullptr);
// Warnings found by simulating the first `frames` frames without drawing:
// for each firing step whose volleys found no free slot (every slot of the
// store live), how many bullets, from which frame and in which shooter. Does
// nothing for a refused pattern.
void simulateForWarnings(Loaded& loaded, int64_t frames = CHECK_FRAMES);

// The same check a few frames at a time, so that a viewer keeps drawing while
// it runs: started on a pattern that is not refused (which must outlive it),
// run on, and its warnings added when it is done.
struct Losses {
    int64_t bullets = 0;     // bullets lost in all
    int64_t firstFrame = 0;  // the frame of the first loss
    int32_t shooter = 0;     // the shooter that lost them first
};
struct Check {
    const Pattern* pattern = nullptr;  // none: no check under way
    world::World world;                // the pattern's world, never drawn
    int64_t frame = 0;                 // frames run
    int64_t frames = CHECK_FRAMES;     // frames to run
    std::map<std::pair<size_t, size_t>, Losses> losses;  // by firing program and step
};
void startCheck(Check& check, const Pattern& pattern, int64_t frames = CHECK_FRAMES);
// Runs at most `frames` more frames; returns whether the check has run all.
bool runCheck(Check& check, int64_t frames);
// Adds the warnings of a check that has run all, and ends it.
void finishCheck(Check& check, Loaded& loaded);
// Ends a check, done or not, adding nothing.
void stopCheck(Check& check);

// A pattern whose values name rank is checked at rank 0 and rank 1 as well
// as at the rank it was read at: a count that becomes a fraction, or a store
// that fills, at another rank would otherwise be found by chance. The ranks to
// read it at besides its own (none when no value names rank); the pattern
// read again at one of them; and what that reading found that the first did
// not, told with its rank: " (at rank 1)".
std::vector<double> otherRanks(const Loaded& loaded, const std::vector<Binding>& settings);
Loaded readAtRank(const Loaded& loaded, const std::vector<Binding>& settings, double rank);
void addFoundAtRank(Loaded& loaded, const Loaded& atRank, double rank);
// All three for the tools' check: each other rank read, its full-store
// check run when `simulate` says so, and what it found added.
void checkAtEveryRank(Loaded& loaded, const std::vector<Binding>& settings, bool simulate);

// A number as briefly as it reads back exactly: 1e+300, 9000000000000001, 0.1.
std::string exactText(double value);

// The known name a mistyped one was probably meant to be (a few letters off,
// case aside); empty when none is that close.
std::string closestName(std::string_view typed, const std::vector<std::string_view>& known);

// The pattern read, written out flat: a pattern text with every step as
// the engine receives it, which reads back to the same pattern (and so the
// same trace), its parameters named in a comment at the top.
std::string flatPattern(const Loaded& loaded);

// A pattern as bytes, for another instance of the same build (the page's
// reader, in a worker of its own, hands its patterns to the page so).
std::vector<uint8_t> packPattern(const Pattern& pattern);
// False, with `pattern` untouched, unless the bytes are a whole pattern as
// packPattern writes it, within every limit the reader keeps.
bool unpackPattern(const uint8_t* bytes, size_t size, Pattern& pattern);

// A maker for the timeline, the viewer and the tools; the pattern must
// outlive every world made from it.
world::WorldMaker makerFor(const Pattern& pattern);

}  // namespace pattern
