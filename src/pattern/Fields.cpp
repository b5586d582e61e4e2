// The two field tables: a movement step's twelve fields and a firing step's
// forty, in record order, each with what the engine does with it.
#include "pattern/Fields.h"

#include <cstddef>

#include "actor/EmitterStep.h"
#include "actor/Shooter.h"
#include "pattern/Pattern.h"
#include "world/World.h"

namespace pattern {

namespace {

constexpr Field integer(const char* name, size_t offset, const char* unit, const char* meaning, const char* readBy,
                        int64_t least = I32_MIN, int64_t most = I32_MAX) {
    return {name, FieldKind::Integer, offset, least, most, {}, nullptr, unit, meaning, readBy, {}};
}
constexpr Field real(const char* name, size_t offset, const char* unit, const char* meaning, const char* readBy) {
    return {name, FieldKind::Float, offset, 0, 0, {}, nullptr, unit, meaning, readBy, {}};
}
constexpr Field flag(const char* name, size_t offset, const char* meaning, const char* readBy) {
    return {name, FieldKind::Flag, offset, 0, 0, {}, nullptr, "", meaning, readBy, {}};
}
constexpr Field named(const char* name, size_t offset, std::span<const kinds::Name> names, const char* otherwise,
                      const char* meaning, const char* readBy) {
    return {name, FieldKind::Named, offset, I32_MIN, I32_MAX, names, otherwise, "", meaning, readBy, {}};
}
constexpr Field program(const char* name, size_t offset, const char* meaning) {
    return {name, FieldKind::Program, offset, 0, 0, {}, nullptr, "", meaning, "every firing step", {}};
}
constexpr Field span(const char* name, size_t offset, const char* readBy) {
    return {name, FieldKind::Span, offset, 0, 0, {}, nullptr, "",
            "the span of the [timeline] the step runs in: the steps of a program that name a span run in it, over "
            "and over, for exactly its frames (the last cut short); a span none of them names holds the gun off, "
            "or the body where it is; \"none\": the program keeps no timeline",
            readBy, {}};
}
constexpr Field reference(const char* name, size_t offset, bool ship, const char* meaning) {
    return {name, FieldKind::Reference, offset, 0, ship ? 1 : 0, {}, nullptr, "", meaning, "every firing step", {}};
}

// A field with the steps that read it.
constexpr Field only(Field field, Reads reads) {
    field.reads = reads;
    return field;
}

bool turns(const actor::EmitterStep& e) { return e.moveMode >= kinds::MOVE_WAVE_Y && e.moveMode <= kinds::MOVE_ORBIT; }
constexpr Reads ORBIT{[](const actor::EmitterStep& e) { return e.moveMode == kinds::MOVE_ORBIT; }, nullptr,
                      "only moveMode orbit reads it"};
constexpr Reads TURNING{turns, nullptr, "moveMode linear does not turn; the waves, circle and orbit do"};
constexpr Reads SWEEPING{nullptr, [](const actor::TurretStep& t) { return t.aimAtTarget == 0; },
                         "with aimAtTarget each burst aims at the target"};
constexpr Reads ACCELERATED{nullptr,
                            [](const actor::TurretStep& t) {
                                return t.bulletMotion == kinds::MOTION_ACCELERATED ||
                                       t.bulletMotion == kinds::MOTION_DRAG || t.bulletMotion == kinds::MOTION_DAMPED;
                            },
                            "only the motions accelerated, drag and damped accelerate"};
constexpr Reads TARGETED{nullptr,
                         [](const actor::TurretStep& t) {
                             return t.aimAtTarget != 0 || t.bulletMotion == kinds::MOTION_HOMING;
                         },
                         "only aiming (aimAtTarget) and homing bullets use the target"};
constexpr Reads ALTERNATING{nullptr, [](const actor::TurretStep& t) { return t.spreadKind == kinds::SPREAD_ALTERNATING_FAN; },
                            "only spreadKind alternating-fan reads it"};
constexpr Reads SPREAD{nullptr, [](const actor::TurretStep& t) { return t.volleySize > 1; },
                       "a volley of one bullet flies at the angle"};
constexpr Reads AIMED_ANGLE{nullptr, [](const actor::TurretStep& t) { return t.aimAtTarget == 0; },
                            "with aimAtTarget each burst aims at the target", true};

constexpr Reads AIMING{nullptr, [](const actor::TurretStep& t) { return t.aimAtTarget != 0; },
                       "only aimAtTarget aims"};

constexpr kinds::Name FROMS[] = {
    {"put", world::PUT, "put at x, y, at once"},
    {"keep", world::KEEP, "kept where it is: x and y are not used"},
    {"glide", world::GLIDE,
     "from where it is to x, y, arriving in the step's last frame: its drift (vx, vy) is set to get there, in a "
     "straight line, whatever vx and vy say"},
};

#define MOVE(field) (offsetof(MovementStep, step) + offsetof(actor::EmitterStep, field))
#define FIRE(field) (offsetof(FiringStep, step) + offsetof(actor::TurretStep, field))

constexpr const char* EVERY_MOVE = "every movement step";
constexpr const char* TURNING_MODES = "moveMode wave-y, wave-x, rectified-wave-y, rectified-wave-x, circle, orbit";
constexpr const char* EVERY_FIRE = "every firing step";

const Field MOVEMENT[] = {
    integer("duration", MOVE(duration), "frames",
            "how long the step is in force: the frame it is loaded in and duration frames after it (0 or less: that "
            "frame alone); the program's last step holds one frame more, then the program starts again",
            EVERY_MOVE),
    real("x", MOVE(x), "pixels",
         "where the body is put when the step is loaded, at once: a jump, not a glide (0 is the left edge); that "
         "frame's movement starts from there (from = \"glide\" glides there instead, \"keep\" leaves it where it is)",
         EVERY_MOVE),
    real("y", MOVE(y), "pixels", "as x, downwards from the top edge", EVERY_MOVE),
    real("vx", MOVE(vx), "pixels a frame", "drift to the right each frame; in orbit, the centre's", EVERY_MOVE),
    real("vy", MOVE(vy), "pixels a frame", "drift downwards each frame; in orbit, the centre's", EVERY_MOVE),
    only(real("centreX", MOVE(centreX), "pixels", "the centre the body orbits; it drifts by (vx, vy)", "moveMode orbit"), ORBIT),
    only(real("centreY", MOVE(centreY), "pixels", "as centreX, downwards", "moveMode orbit"), ORBIT),
    flag("active", MOVE(active),
         "false: loading the step switches the shooter off for good: it no longer moves, fires or is drawn, its "
         "bullets stand still, and neither of its programs runs again (the steps after it never come)",
         EVERY_MOVE),
    only(integer("angle", MOVE(angle), "degrees",
            "the phase: 0 points right, 90 down; angleStep is added each frame before it is used; the shooter's "
            "phase is added when the step is made",
            TURNING_MODES), TURNING),
    only(integer("angleStep", MOVE(angleStep), "degrees a frame", "added to angle each frame; negative turns the other way",
            TURNING_MODES), TURNING),
    only(integer("radius", MOVE(radius), "pixels",
            "the waves' swing a frame; the circle's step a frame; the orbit's radius (a wave or circle of radius r "
            "turning angleStep s a frame sways r / (2 sin(s / 2)) either side of its centre)",
            TURNING_MODES), TURNING),
    named("moveMode", MOVE(moveMode), kinds::MOVE_MODES, kinds::OTHER_MOVE_MODE, "how the body moves each frame",
          EVERY_MOVE),
    named("from", offsetof(MovementStep, from), FROMS, "any other number puts it there",
          "how the body comes to x, y when the step is loaded", EVERY_MOVE),
    span("span", offsetof(MovementStep, span), EVERY_MOVE),
};

const Field FIRING[] = {
    integer("duration", FIRE(duration), "frames",
            "how long the step is in force: the frame it is loaded in and duration frames after it (0 or less: that "
            "frame alone); the program's last step holds one frame more, then the program starts again",
            EVERY_FIRE),
    flag("aimAtTarget", FIRE(aimAtTarget),
         "true: each burst's first shot aims at the target from the origin (angle and the phase are then not used); "
         "false: the sweep turns the angle instead",
         EVERY_FIRE),
    reference("originRef", offsetof(FiringStep, origin), false,
              "what the origin follows each firing frame: \"none\" (the body, as always), a fixed point [x, y] or a "
              "shooter's body { shooter = N }; \"none\" leaves a reference that an earlier step set"),
    reference("targetRef", offsetof(FiringStep, target), true,
              "what the target follows each firing frame, for aiming and homing: \"none\" (targetX, targetY), a "
              "fixed point [x, y], a shooter's body { shooter = N } or the player's ship \"player\"; \"none\" "
              "leaves a reference that an earlier step set"),
    real("originX", FIRE(originX), "pixels",
         "the origin (the centre of the muzzle) in the frame the step is loaded in; from the next frame it is on the "
         "body again",
         EVERY_FIRE),
    real("originY", FIRE(originY), "pixels", "as originX, downwards", EVERY_FIRE),
    real("originVx", FIRE(originVx), "pixels a frame",
         "added to the origin after each firing frame's volley; the next frame puts the origin on the body again, so "
         "nothing shown changes",
         EVERY_FIRE),
    real("originVy", FIRE(originVy), "pixels a frame", "as originVx, downwards", EVERY_FIRE),
    only(real("bulletAx", FIRE(bulletAx), "pixels a frame, each frame", "each launched bullet's acceleration to the right",
         "bulletMotion accelerated, drag, damped"), ACCELERATED),
    only(real("bulletAy", FIRE(bulletAy), "pixels a frame, each frame", "as bulletAx, downwards (a pull down)",
         "bulletMotion accelerated, drag, damped"), ACCELERATED),
    only(real("targetX", FIRE(targetX), "pixels", "the point aimed at, and that homing bullets turn to, unless targetRef "
         "follows something",
         "aimAtTarget true, or bulletMotion homing"), TARGETED),
    only(real("targetY", FIRE(targetY), "pixels", "as targetX, downwards", "aimAtTarget true, or bulletMotion homing"), TARGETED),
    flag("active", FIRE(active),
         "false: the gun does nothing while the step is in force: no shots, and its live bullets stand still; the "
         "next step with active = true brings it back",
         EVERY_FIRE),
    real("muzzleRadiusX", FIRE(muzzleRadiusX), "pixels",
         "a bullet launched at angle a starts at originX + cos(a) x muzzleRadiusX", EVERY_FIRE),
    real("muzzleRadiusY", FIRE(muzzleRadiusY), "pixels", "and at originY + sin(a) x muzzleRadiusY", EVERY_FIRE),
    only(integer("angle", FIRE(angle), "degrees",
            "the base angle of the next volley: 0 points right, 90 down; loading the step sets it, in place of "
            "wherever the sweep had turned it (a step that gives none starts from its defaults' angle, or 0); the "
            "sweep turns it at each burst; the shooter's phase is added when the step is made",
            "aimAtTarget false"), AIMED_ANGLE),
    only(integer("angleMin", FIRE(angleMin), "degrees", "the sweep's lower bound", "aimAtTarget false"), SWEEPING),
    only(integer("angleMax", FIRE(angleMax), "degrees",
            "the sweep's upper bound; the wrapping sweep takes off, or adds, angleMax itself, not 360",
            "aimAtTarget false"), SWEEPING),
    only(named("sweepKind", FIRE(sweepKind), kinds::SWEEP_KINDS, kinds::OTHER_SWEEP_KIND,
          "how the angle turns at each burst's first shot", "aimAtTarget false"), SWEEPING),
    only(integer("sweepStep", FIRE(sweepStep), "degrees a burst", "how far the sweep turns the angle", "aimAtTarget false"), SWEEPING),
    integer("sweepDir", FIRE(sweepDir), "",
            "the sweep's sign, and the side a fan spreads to: 1 or -1; 0 stops the sweep and puts every bullet of a "
            "volley on one path; the bouncing sweep turns it round",
            EVERY_FIRE, -1, 1),
    integer("fireDelay", FIRE(fireDelay), "frames",
            "when the first shot comes: fireDelay frames after the frame the step is loaded in (0: that frame)",
            EVERY_FIRE),
    integer("burstPause", FIRE(burstPause), "frames",
            "after a burst's last shot the next burst comes burstPause + 1 frames later", EVERY_FIRE),
    integer("bulletCount", FIRE(bulletCount), "slots",
            "how many slots of the shooter's store, from slot 0, the gun launches into and moves; 0: none",
            EVERY_FIRE, 0, actor::BULLET_CAPACITY),
    integer("bulletTagB", FIRE(bulletTagB), "", "copied into each bullet as its tag B; nothing reads it", EVERY_FIRE),
    integer("bulletTagC", FIRE(bulletTagC), "", "copied into each bullet as its tag C; nothing reads it", EVERY_FIRE),
    integer("volleySize", FIRE(volleySize), "bullets",
            "bullets a shot launches, each into the lowest free slot; 0: none; one bullet flies at the angle at speed, "
            "whatever the spreadKind",
            EVERY_FIRE, 0, actor::BULLET_CAPACITY),
    only(integer("spreadStep", FIRE(spreadStep), "degrees", "between neighbouring bullets of a volley", EVERY_FIRE), SPREAD),
    real("speed", FIRE(speed), "pixels a frame", "the launch speed; homing bullets' speed when they turn",
         EVERY_FIRE),
    real("speedStep", FIRE(speedStep), "pixels a frame",
         "added per shot along a burst (centred and alternating fans), or across a volley (turning fan, V-fan, wall)",
         EVERY_FIRE),
    only(real("oddShotSpreadScale", FIRE(oddShotSpreadScale), "",
         "the factor on spreadStep for the odd shots of a burst", "spreadKind alternating-fan"), ALTERNATING),
    only(named("spreadKind", FIRE(spreadKind), kinds::SPREAD_KINDS, kinds::OTHER_SPREAD_KIND,
          "how a volley of two or more bullets is laid out", "volleySize 2 or more"), SPREAD),
    integer("shotIndex", FIRE(shotIndex), "shots",
            "shots of the burst already fired when the step is loaded: 0, the next shot opens a burst", EVERY_FIRE),
    integer("bulletHaltAt", FIRE(bulletHaltAt), "frames",
            "each bullet stops at this age and goes on at three times it (homing bullets turn to the target then); 0 "
            "or less: never stops",
            EVERY_FIRE),
    integer("burstLength", FIRE(burstLength), "shots", "shots a burst has, less one: 3 gives bursts of 4 shots",
            EVERY_FIRE),
    integer("shotInterval", FIRE(shotInterval), "frames",
            "within a burst the next shot comes shotInterval + 1 frames later", EVERY_FIRE),
    named("bulletMotion", FIRE(bulletMotion), kinds::MOTIONS, kinds::OTHER_MOTION,
          "how each launched bullet moves", EVERY_FIRE),
    integer("bulletTagKey", FIRE(bulletTagKey), "",
            "copied into each bullet as its tag key; when it changes, free slots take the step's tags", EVERY_FIRE),
    integer("bulletTagA", FIRE(bulletTagA), "", "copied into each bullet as its tag A; nothing reads it", EVERY_FIRE),
    integer("reserved", FIRE(reserved), "", "kept with the step, never read", EVERY_FIRE),
    program("bullet", offsetof(FiringStep, bullet),
            "the bullet program, [bullet.NAME], that each bullet the step launches runs from its launch; \"none\": "
            "they move as bulletMotion says"),
    flag("keepAngle", offsetof(FiringStep, keepAngle),
         "true: loading the step leaves the angle where the step before left it (its sweep or aim), instead of "
         "loading its own angle and the phase",
         EVERY_FIRE),
    only(integer("aimOffset", offsetof(FiringStep, aimOffset), "degrees",
                 "added to each aimed angle: aim, then turn by this much (positive turns towards 90, down)",
                 "aimAtTarget"),
         AIMING),
    only(flag("centred", offsetof(FiringStep, centred),
              "true: a volley of an odd number of bullets is centred on its angle, one bullet flying along it; "
              "false: half a spreadStep off it in the sweep's direction (even volleys are centred either way)",
              "spreadKind other than turning-fan, volleySize 3 or more"),
         SPREAD),
    span("span", offsetof(FiringStep, span), EVERY_FIRE),
};

#undef MOVE
#undef FIRE

}  // namespace

size_t fieldIndex(std::span<const Field> fields, size_t offset) {
    for (size_t k = 0; k < fields.size(); ++k) {
        if (fields[k].offset == offset) return k;
    }
    return fields.size();
}

bool atEachShot(const Field& f) {
    static_assert(offsetof(FiringStep, step) == 0, "the gun's fields come first");
    return (f.kind == FieldKind::Integer || f.kind == FieldKind::Float) && f.offset < sizeof(actor::TurretStep) &&
           f.offset != offsetof(actor::TurretStep, duration) && f.offset != offsetof(actor::TurretStep, fireDelay);
}

bool takesShip(const Field& f) { return f.kind == FieldKind::Reference && f.most != 0; }

std::string fieldTakes(const Field& f) {
    switch (f.kind) {
        case FieldKind::Integer:
            return f.least == I32_MIN && f.most == I32_MAX
                       ? std::string("whole number")
                       : "whole number, " + std::to_string(f.least) + " to " + std::to_string(f.most);
        case FieldKind::Float: return "number";
        case FieldKind::Flag: return "true or false (or a whole number: 0 is false)";
        case FieldKind::Named: return "a name below, or a whole number";
        case FieldKind::Reference:
            return takesShip(f) ? "\"none\", [x, y], { shooter = N } or \"player\"" : "\"none\", [x, y] or { shooter = N }";
        case FieldKind::Program: return "\"none\", or the name of a bullet program";
        case FieldKind::Span: return "\"none\", or the name of a span of the [timeline]";
    }
    return {};
}

std::string fieldDefault(const Field& f) {
    switch (f.kind) {
        case FieldKind::Integer: return "0";
        case FieldKind::Float: return "0.0";
        case FieldKind::Flag: return "false";
        case FieldKind::Named:
            for (const kinds::Name& n : f.names) {
                if (n.value == 0) return "\"" + std::string(n.name) + "\"";
            }
            return "0";
        case FieldKind::Reference: return "\"none\"";
        case FieldKind::Program: return "\"none\"";
        case FieldKind::Span: return "\"none\"";
    }
    return {};
}

std::string quoted(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += "0123456789abcdef"[byte >> 4];
            out += "0123456789abcdef"[byte & 0xF];
            continue;
        }
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

const std::span<const Field> MOVEMENT_FIELDS = MOVEMENT;
const std::span<const Field> FIRING_FIELDS = FIRING;
}  // namespace pattern
