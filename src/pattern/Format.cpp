// The pattern format's tables: sections and keys, names and functions,
// warnings.
#include "pattern/Format.h"

#include "actions/Actions.h"

#include <iterator>
#include <vector>

namespace pattern {

namespace {

const Key SECTION_TABLE[] = {
    {"shooters", "how many shooters there are, their phases and the programs they run", true},
    {"params", "named numbers every expression may use, each set from outside with --set NAME=VALUE"},
    {"movement", "movement programs, by name: [movement.NAME]", true},
    {"firing", "firing programs, by name: [firing.NAME]", true},
    {"player", "the ship a player steers: where it starts, how fast it moves and how near a bullet hits or grazes it"},
    {"bullet", "bullet programs, by name: [bullet.NAME], run by the bullets of a firing step that names one (bullet = "
               "\"NAME\") or of an action's volley"},
    {"timeline", "spans of frames the programs keep in step by: a step that says span = \"NAME\" runs in that span"},
};

const Key TIMELINE_TABLE[] = {
    {"spans", "the spans, in the order they come, each { name = \"NAME\", frames = N }; after the last the first "
              "comes again",
     true},
};

const Key SPAN_TABLE[] = {
    {"name", "what the steps that run in it call it", true},
    {"frames", "how long it lasts: 1 to 100,000,000 frames", true},
};

const Key BULLET_TABLE[] = {
    {"actions", "the program's actions, in order, from the bullet's launch; once the last has run the bullet flies "
                "on as it is",
     true},
};

const Key ACTION_TABLE[] = {
    {"wait", "frames (0 to 1,000,000): the next action runs that many frames later"},
    {"direction", "degrees, as kind says: the bullet's direction, at once or over frames"},
    {"speed", "pixels a frame, as kind says (not aim): the bullet's speed, at once or over frames"},
    {"accel", "[x, y], pixels a frame each frame: the bullet's acceleration, at once or over frames"},
    {"fire", "a volley from where the bullet is, into free slots of its shooter's store: a table of volley, spread, "
             "direction, kind, speed, speedKind and bullet"},
    {"vanish", "true: the bullet is gone; its slot is free from the next frame"},
    {"repeat", "times (0 to 1,000,000): its own actions list, run that many times over, before the next action"},
    {"kind", "with direction or speed: absolute (the default), relative (added to the bullet's own), aim (direction: "
             "added to the direction at its gun's target) or sequence (added to the last its program fired)"},
    {"frames", "with direction, speed or accel: spread evenly over that many frames (0, the default: at once)"},
    {"actions", "with repeat: the actions it runs"},
    {"index", "with repeat: the name its index goes by in the values of its actions, from 0 (i unless given)"},
};

const Key FIRE_TABLE[] = {
    {"volley", "bullets, 0 to 256 (default 1)"},
    {"spread", "degrees between neighbours, the volley centred on its direction (default 0)"},
    {"direction", "degrees, as kind says (default 0)"},
    {"kind", "how direction is given: absolute, relative, aim or sequence (default absolute)"},
    {"speed", "pixels a frame, as speedKind says (default 0)"},
    {"speedKind", "how speed is given: absolute, relative or sequence (default absolute)"},
    {"bullet", "the program the volley's bullets run, by name (default \"none\": they fly straight on)"},
};

const Key HOW_TABLE[] = {
    {"absolute", "the value itself"},
    {"relative", "added to the bullet's own"},
    {"aim", "added to the direction from the bullet to its gun's target (a direction only)"},
    {"sequence", "added to the direction or speed of the bullet its program fired last (0 before the first)"},
};

const Key SHOOTERS_TABLE[] = {
    {"count", "how many shooters, 1 to 64; they count from 0", true},
    {"phases", "degrees added to every step's angle: one number (the step between shooters) or a list of one per "
               "shooter; without it the shooters are 360 / count apart"},
    {"movement", "the movement program every shooter runs, or a list of one name per shooter; it may be left out "
                 "when there is one"},
    {"firing", "the firing program every shooter runs, or a list of one name per shooter; it may be left out when "
               "there is one"},
};

const Key PROGRAM_TABLE[] = {
    {"defaults", "what every step of the program has unless it says otherwise"},
    {"steps", "the steps, in the order they run; the program starts again after the last", true},
    {"loop", "how it comes back to its first step: \"hold\" (the default), its last step held one frame more; "
             "\"at-once\", the first step in the frame after the last step's last"},
};

const Key REPEAT_TABLE[] = {
    {"repeat", "in a step: the step this many times; with steps = [...]: those steps, this many times over (0 to "
               "10,000, or = EXPRESSION); the index counts the repeats from 0",
     true},
    {"index", "the name of the repetition's index in expressions (\"i\" unless given); not one in use already: a "
              "parameter's, rank, seed, shooter, shooters or the index of a repetition around it"},
    {"steps", "in a repetition: the steps repeated, in order, all of them each time"},
};

const Key REFERENCE_TABLE[] = {
    {"shooter", "the shooter whose body it follows, by number, from 0", true},
};

const Key PLAYER_TABLE[] = {
    {"start", "where the ship starts, [x, y] in whole pixels (default [320, 440], the bottom centre); with nobody "
              "steering it stays there"},
    {"speed", "whole pixels a frame along an axis (default 4); a diagonal move takes the whole-pixel step along "
              "each axis nearest the same speed (3 for 4)"},
    {"focusedSpeed", "the same while focused, Shift held (default 2; a diagonal 1)"},
    {"hitRadius", "the hitbox's radius in pixels (default 2)"},
    {"bulletRadius", "a bullet's radius for hits and grazes, in pixels (default 3, as bullets are drawn)"},
    {"grazeRadius", "how near, in pixels, a bullet grazes the ship without hitting it (default 16)"},
};

const KnownName NAME_TABLE[] = {
    {"rank", "the difficulty, 0 to 1: 0.5 unless [params] or --set gives it", 0.5, true},
    {"seed", "where rand() starts: 0 unless [params] or --set gives it", 0.0, true},
    {"shooter", "the number of the shooter the program is read for (a program that names it is read for each)", 0.0,
     false},
    {"shooters", "how many shooters there are", 0.0, false},
};

const RunName RUN_NAME_TABLE[] = {
    {"index", "in a bullet program: the bullet's index in its volley (the gun's, or the volley that fired it), from 0",
     actions::INDEX, false},
    {"volley", "in a bullet program: how many bullets its volley launched", actions::VOLLEY, false},
    {"age", "in a bullet program: frames it has flown, 1 when its program starts", actions::AGE, false},
    {"shot", "in a firing step: the shots it has fired since it was loaded, from 0; a value that names it is worked "
             "out anew at each shot",
     actions::SHOT, true},
};

const Function FUNCTION_TABLE[] = {
    {"min", Operation::Min, 1, MAX_ARGUMENTS, "min(a, b, ...): the least"},
    {"max", Operation::Max, 1, MAX_ARGUMENTS, "max(a, b, ...): the greatest"},
    {"floor", Operation::Floor, 1, 1, "floor(x): the whole number at or below x"},
    {"round", Operation::Round, 1, 1, "round(x): the nearest whole number, halves away from zero"},
    {"abs", Operation::Abs, 1, 1, "abs(x): x without its sign"},
    {"sin", Operation::Sine, 1, 1, "sin(d): the sine of d degrees, the same in every build"},
    {"cos", Operation::Cosine, 1, 1, "cos(d): the cosine of d degrees, the same in every build"},
    {"rand", Operation::Random, 0, 0, "rand(): a draw from 0 up to 1, from the seed, in the order the text gives its values"},
};

const Lint LINT_TABLE[] = {
    {"stacked-volley", "a volley of two or more with sweepDir 0: every bullet leaves at the same angle, on one path",
     "sweepDir = 1 (or -1), which spreads it spreadStep degrees apart"},
    {"origin-default",
     "a step that fires in the frame it is loaded (fireDelay 0 or less) with no origin given: that first volley "
     "leaves from (0, 0), before the origin is on the body",
     "fireDelay = 1, which fires from the body, or originX and originY"},
    {"short-step", "a step with no duration, or one of 0 or less: it is in force for one frame",
     "duration = FRAMES"},
    {"unused-program", "a program no shooter runs, or a bullet program no firing step or volley names",
     "name it in shooters.movement or shooters.firing (a bullet program: bullet = \"NAME\" in a step or a volley), or "
     "leave it out"},
    {"never-active", "a movement program none of whose steps is active: its shooters are switched off in their "
                     "first frame",
     "active = true in the steps (or the defaults) of a shooter that is to be seen"},
    {"unused-angle", "angle set in a step that aims (aimAtTarget), or phases where every firing step aims and no "
                     "movement step turns: nothing reads them",
     "leave them out, or aimAtTarget = false for a sweep"},
    {"unread-field", "a field a step sets that its modes and kinds never read (centreX outside orbit, say)",
     "leave it out, or give the mode or kind that reads it"},
    {"few-slots", "bulletCount 0, or below the volley's size: the volleys find no slot, or too few",
     "a bulletCount of at least the volley's size (at most 256)"},
    {"unknown-kind", "a mode or kind given as a number that has no name: the engine does what it does with any other "
                     "number",
     "the kind's name"},
    {"full-store", "volleys that found every slot of their store live in the first 20,000 frames, and lost bullets",
     "more slots (bulletCount), fewer or slower volleys, or bullets that leave the play area sooner"},
    {"shared-draws", "a program that draws from rand() and names no shooter, run by several shooters: it is read once, "
                     "so they all run the same draws",
     "a value that names the shooter (+ 0 * shooter will do), for draws of each shooter's own"},
    {"no-target", "a step that aims (aimAtTarget) or fires homing bullets with nothing to aim at (no targetRef in its "
                  "program, no targetX or targetY): it aims at (0, 0), the top left corner",
     "targetRef = { shooter = N } or a point [x, y], or targetX and targetY"},
    {"never-runs", "movement steps after one with active = false: that step switches the shooter off for good, so "
                   "they never come",
     "active = true in that step, or the steps after it left out"},
    {"no-room-for-children",
     "a volley from a bullet (fire in its program, or in the programs of the bullets it fires) larger than the store "
     "it fires into can hold beside the bullet itself (bulletCount - 1): the rest of it is dropped every time",
     "a smaller volley, or more slots (bulletCount)"},
    {"late-action",
     "a bullet program whose first action comes after a wait in which its bullet, flying straight at the step's "
     "speed, must have left the play area: it is retired first, and the action never runs",
     "a shorter wait, or a slower bullet"},
};

static_assert(std::size(SECTION_TABLE) == static_cast<size_t>(Section::Count));
static_assert(std::size(SHOOTERS_TABLE) == static_cast<size_t>(ShootersKey::Keys));
static_assert(std::size(PROGRAM_TABLE) == static_cast<size_t>(ProgramKey::Keys));
static_assert(std::size(REPEAT_TABLE) == static_cast<size_t>(RepeatKey::Keys));
static_assert(std::size(REFERENCE_TABLE) == static_cast<size_t>(ReferenceKey::Keys));
static_assert(std::size(NAME_TABLE) == static_cast<size_t>(Known::Count));
static_assert(std::size(PLAYER_TABLE) == static_cast<size_t>(PlayerKey::Keys));
static_assert(std::size(LINT_TABLE) == static_cast<size_t>(LintId::Count));
static_assert(std::size(BULLET_TABLE) == static_cast<size_t>(BulletKey::Keys));
static_assert(std::size(ACTION_TABLE) == static_cast<size_t>(ActionKey::Keys));
static_assert(std::size(FIRE_TABLE) == static_cast<size_t>(FireKey::Keys));
static_assert(std::size(TIMELINE_TABLE) == static_cast<size_t>(TimelineKey::Keys));
static_assert(std::size(SPAN_TABLE) == static_cast<size_t>(SpanKey::Keys));
static_assert(std::size(HOW_TABLE) == actions::HOW_COUNT);
static_assert(ACTION_KINDS == actions::REPEAT + 1 && static_cast<size_t>(ActionKey::Repeat) == actions::REPEAT);

}  // namespace

const std::span<const Key> SECTIONS = SECTION_TABLE;
const std::span<const Key> SHOOTERS_KEYS = SHOOTERS_TABLE;
const std::span<const Key> PROGRAM_KEYS = PROGRAM_TABLE;
const std::span<const Key> REPEAT_KEYS = REPEAT_TABLE;
const std::span<const Key> REFERENCE_KEYS = REFERENCE_TABLE;
const std::span<const Key> PLAYER_KEYS = PLAYER_TABLE;
const std::span<const Key> BULLET_KEYS = BULLET_TABLE;
const std::span<const Key> ACTION_KEYS = ACTION_TABLE;
const std::span<const Key> FIRE_KEYS = FIRE_TABLE;
const std::span<const Key> TIMELINE_KEYS = TIMELINE_TABLE;
const std::span<const Key> SPAN_KEYS = SPAN_TABLE;
const std::span<const Key> HOW_NAMES = HOW_TABLE;
const std::span<const KnownName> NAMES = NAME_TABLE;
const std::span<const Function> FUNCTIONS = FUNCTION_TABLE;
const std::span<const RunName> RUN_NAMES = RUN_NAME_TABLE;
const std::span<const Lint> LINTS = LINT_TABLE;

const Function& functionOf(Operation op) {
    for (const Function& f : FUNCTIONS) {
        if (f.op == op) return f;
    }
    return FUNCTIONS.front();
}

std::string listed(std::span<const Key> keys, bool onlyRequired, bool onlyOptional) {
    std::vector<const char*> names;
    for (const Key& k : keys) {
        if ((!onlyRequired || k.required) && (!onlyOptional || !k.required)) names.push_back(k.name);
    }
    std::string out;
    for (size_t i = 0; i < names.size(); ++i) {
        out += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + std::string(names[i]);
    }
    return out;
}

}  // namespace pattern
