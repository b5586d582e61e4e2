// Bullets with programs of their own: a program is a list of actions (wait,
// turn, change speed, accelerate, fire a volley from the bullet, vanish,
// repeat) that a bullet runs from its launch, a few each frame, after its
// motion. A bullet without one moves exactly as its motion says. Programs
// are the pattern's, shared by every shooter; what each bullet has got to is
// a Run, one a slot, kept beside the shooter's store.
#pragma once

#include <cstdint>
#include <vector>

#include "actor/Shooter.h"
#include "actor/TurretStep.h"

namespace actions {

enum Kind : int32_t {
    WAIT = 0,       // frames: the next action runs that many frames later
    DIRECTION = 1,  // how, value; over `frames` (0: at once)
    SPEED = 2,      // how, value; over `frames`
    ACCEL = 3,      // value, valueY: the acceleration; over `frames`
    FIRE = 4,       // a volley from the bullet: see Action
    VANISH = 5,     // the bullet is gone; its slot is free from the next frame
    REPEAT = 6,     // frames: times; its actions follow, to its END
    END = 7,        // of a repeat (jump: its REPEAT) or of the program (jump: -1)
    KIND_COUNT = 8
};

// How a direction or a speed is given.
enum How : int32_t {
    ABSOLUTE = 0,  // degrees, or pixels a frame
    RELATIVE = 1,  // added to the bullet's own
    AIM = 2,       // direction only: added to the direction at the gun's target
    SEQUENCE = 3,  // added to that of the bullet this program launched last
    HOW_COUNT = 4
};

// A value worked out when its action runs: a formula's terms, in postfix
// order, each pushing a number or working on those on top of the stack.
enum Term : int32_t {
    NUMBER = 0,        // value
    INDEX = 1,         // the bullet's index in its volley, from 0
    VOLLEY = 2,        // its volley's size
    AGE = 3,           // frames since its launch
    REPEAT_INDEX = 4,  // which time the repeat `count` deep (0: outermost) is, from 0; 0 outside it
    RANDOM = 5,        // a draw from the world's sequence, from 0 up to 1
    NEGATE = 6,
    ADD = 7,
    SUBTRACT = 8,
    MULTIPLY = 9,
    DIVIDE = 10,
    POWER = 11,        // to a whole exponent, -1024 to 1024
    MIN = 12,          // of the `count` on top
    MAX = 13,
    FLOOR = 14,
    ROUND = 15,        // halves away from zero
    ABS = 16,
    SINE = 17,         // of degrees, the reader's own sine
    COSINE = 18,
    SHOT = 19,         // a firing step's: the shots it has fired since it was loaded, from 0
    TERM_COUNT = 20
};
struct FormulaTerm {
    int32_t term = NUMBER;
    int32_t count = 0;    // MIN, MAX: values; REPEAT_INDEX: depth
    double value = 0.0;   // NUMBER
};
struct Formula {
    int32_t first = 0;  // its terms, from `first`
    int32_t count = 0;
};
inline constexpr int32_t MAX_STACK = 64;  // numbers a formula holds at once
// The most numbers the terms hold at once as they are worked out, or -1 when
// they are no whole formula: a term short of what it takes, a term or depth
// there is not, or other than one number left.
int32_t stackNeed(const FormulaTerm* terms, int32_t count);

// The values of an action a formula may give, each replacing the number
// held for it when the action runs.
enum Slot : int32_t { VALUE_AT = 0, VALUE_Y_AT = 1, FRAMES_AT = 2, VOLLEY_AT = 3, SPREAD_AT = 4, SPEED_AT = 5, SLOT_COUNT = 6 };

struct Action {
    int32_t kind = WAIT;
    int32_t how = ABSOLUTE;    // DIRECTION, SPEED; FIRE: its direction's
    float value = 0.0f;        // degrees; pixels a frame; x acceleration; FIRE: its direction
    float valueY = 0.0f;       // ACCEL: y acceleration
    int32_t frames = 0;        // WAIT, and changes spread over frames; REPEAT: times
    int32_t jump = -1;         // REPEAT: the index of its END; END: the index of its REPEAT, -1 the program's
    int32_t volley = 0;        // FIRE: bullets
    float spread = 0.0f;       // FIRE: degrees between neighbours, centred on its direction
    int32_t speedHow = ABSOLUTE;  // FIRE: how its speed is given
    float speed = 0.0f;        // FIRE: pixels a frame
    int32_t program = -1;      // FIRE: the program its bullets run; -1 none
    int32_t formulas[SLOT_COUNT] = {-1, -1, -1, -1, -1, -1};  // by Slot: the formula giving it; -1 the number held
};

struct Program {
    int32_t first = 0;  // its actions, from `first`, ending with its END
    int32_t count = 0;
};

// A pattern's programs: every action in one list, a program a span of it.
struct Programs {
    std::vector<Action> actions;
    std::vector<Program> programs;
    std::vector<FormulaTerm> terms;   // every formula's, one after another
    std::vector<Formula> formulas;
    uint64_t seed = 0;                // where the world's draws start
};

inline constexpr int32_t MAX_DEPTH = 8;             // repeats within repeats
inline constexpr int32_t MAX_FRAMES = 1'000'000;    // a wait, a change spread over frames, a repeat's times
inline constexpr int32_t MAX_ACTIONS_A_FRAME = 64;  // a bullet's actions in one frame; the rest run the next
inline constexpr int32_t NONE = -1;                 // Run::program: no program
inline constexpr int32_t VANISHED = -2;             // Run::program: vanished this frame, its slot not yet free
inline constexpr int32_t DONE = -3;                 // Run::program: ended; the changes under way go on

// Where one bullet's program stands: what every frame reads, in one cache
// line (a store's runs are walked every frame)...
struct alignas(64) Run {
    int32_t program = NONE;   // the program it runs, NONE, VANISHED or DONE
    int32_t at = 0;           // the next action, an index into Programs::actions
    int32_t wait = 0;         // frames before it runs
    float direction = 0.0f;   // degrees: the velocity is made from these two
    float speed = 0.0f;       // pixels a frame
    int32_t turnLeft = 0;     // a direction change under way: frames left
    float turnBy = 0.0f;      // degrees a frame
    float turnTo = 0.0f;      // where it ends
    int32_t speedLeft = 0;    // a speed change under way, likewise
    float speedBy = 0.0f;
    float speedTo = 0.0f;
    int32_t accelLeft = 0;    // an acceleration change under way, likewise
    float accelByX = 0.0f;
    float accelByY = 0.0f;
    float accelToX = 0.0f;
    float accelToY = 0.0f;
};
static_assert(sizeof(Run) == 64, "a run is one cache line");

// ...and what only its repeats and its formulas read, beside it.
struct RunRest {
    int32_t depth = 0;                      // repeats under way
    int32_t repeatLeft[MAX_DEPTH] = {};     // times left of each, outermost first
    int32_t repeatIndex[MAX_DEPTH] = {};    // which time it is, from 0
    int32_t index = 0;                      // in its volley, from 0
    int32_t volley = 1;                     // its volley's size
};

// A bullet a FIRE launched this frame, placed once every bullet has run.
struct Child {
    float x = 0.0f, y = 0.0f;
    float direction = 0.0f, speed = 0.0f;
    int32_t program = NONE;
    int32_t index = 0, volley = 1;
};

// One shooter's: a Run a slot, the last direction and speed each program
// launched (SEQUENCE), the frame's children, and the program each of the
// gun's steps gives the bullets it launches.
struct ShooterRuns {
    Run runs[actor::BULLET_CAPACITY];
    RunRest rest[actor::BULLET_CAPACITY];         // beside each run
    std::vector<float> sequence;   // direction then speed, a pair a program; sized once
    Child children[actor::BULLET_CAPACITY];
    int32_t childCount = 0;                       // fired this frame; those past the array's room are only counted
    std::vector<const actor::TurretStep*> steps;  // the firing program's stored steps, in order
    std::vector<int32_t> stepPrograms;            // the program each gives its bullets; NONE: none
    const actor::TurretStep* lastStep = nullptr;  // the step found last, and its program
    int32_t lastProgram = NONE;
    Action worked;                                // the action running, its formulas worked out
    int32_t started[actor::BULLET_CAPACITY];      // the slots of the gun's bullets whose programs began this frame
};

// Sized for the programs, once; each of the shooter's stored firing steps, in
// order, gives its bullets the program `stepPrograms` says (missing: none).
void sizeRuns(ShooterRuns& runs, const Programs& programs, const actor::Shooter& shooter,
              const std::vector<int32_t>& stepPrograms);
// After the shooter's frame (its bullets moved): each bullet the gun launched
// in it (live, of age 1, with no run yet) starts the program of the gun's
// step, each bullet runs its actions, then the volleys they fired take free
// slots of the store. A formula's rand() draws from `draws`, the world's.
// Returns the bullets that found none.
int32_t runShooter(const Programs& programs, actor::Shooter& shooter, ShooterRuns& runs, uint64_t& draws);
// What a formula's names stand for where it is worked out.
struct Names {
    int32_t index = 0, volley = 1, age = 0, shot = 0;
    int32_t depth = 0;                 // repeats under way, their indexes in `repeats`
    const int32_t* repeats = nullptr;
};
// A formula's value: worked out in double precision; one that is not a
// finite number (a division by zero, say) is 0.
double formulaValue(const Programs& programs, int32_t formula, const Names& names, uint64_t& draws);
// A formula's value as a float field takes it: beyond a float's range it is
// 0, as one that is not finite is.
float floatValue(double value);
// The velocity a direction (degrees) and a speed make, each rounded to a float.
void velocityOf(float direction, float speed, float* vx, float* vy);
// Whether programs from elsewhere (bytes) are whole: each a span of the
// actions ending with its END, each repeat closed within it, no deeper than
// MAX_DEPTH, every kind, way and program named one there is, every number
// finite and every count within its range.
bool soundPrograms(const Programs& programs);
// Whether a run read from elsewhere stays within the programs.
bool soundRun(const Run& run, const RunRest& rest, const Programs& programs);

}  // namespace actions
