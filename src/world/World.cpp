// The world's set-up, step and tear-down. An inactive shooter is frozen:
// nothing of it moves.
#include "world/World.h"

#include <cmath>
#include <cstring>

#include "numerics/Numerics.h"
#include "world/Scenario.h"
#include "shooter/EmitterSchedule.h"
#include "shooter/Lifecycle.h"
#include "turret/TurretSchedule.h"

namespace world {

void makeShooters(World& world, int32_t count, int32_t points) {
    world.shooters = new actor::Shooter[static_cast<size_t>(count)];
    world.frames = new ShooterFrame[static_cast<size_t>(count)];
    world.points = points > 0 ? new float[2 * static_cast<size_t>(points)]() : nullptr;
    world.pointCount = points > 0 ? points : 0;
    world.marks = new uint8_t[static_cast<size_t>(count) * actor::BULLET_CAPACITY]();
    world.ship = Ship{};
    world.count = count;
    for (int32_t i = 0; i < world.count; ++i) shooter::constructShooter(world.shooters[i]);
}

void givePrograms(World& world, const actions::Programs* programs, const std::vector<int32_t>* stepPrograms) {
    delete[] world.runs;
    world.runs = nullptr;
    world.programs = programs && !programs->programs.empty() ? programs : nullptr;
    world.draws = world.programs ? world.programs->seed : 0;
    if (!world.programs) return;
    world.runs = new actions::ShooterRuns[static_cast<size_t>(world.count)];
    const std::vector<int32_t> none;
    for (int32_t i = 0; i < world.count; ++i) {
        actions::sizeRuns(world.runs[i], *world.programs, world.shooters[i], stepPrograms ? stepPrograms[i] : none);
    }
}

void giveCarries(World& world, const std::vector<int32_t>* from, const std::vector<FiringAsks>* firing,
                 const actions::Programs* formulas) {
    delete[] world.carries;
    world.carries = new StepCarries[static_cast<size_t>(world.count)];
    world.formulas = formulas;
    if (formulas) world.draws = formulas->seed;
    for (int32_t i = 0; i < world.count; ++i) {
        StepCarries& c = world.carries[i];
        const actor::Shooter& s = world.shooters[i];
        c.movementSteps = collections::storedRecords(s.emitterSteps);
        c.firingSteps = collections::storedRecords(s.turretSteps);
        for (size_t k = 0; k < c.movementSteps.size(); ++k) c.from.push_back(from && k < from[i].size() ? from[i][k] : PUT);
        for (size_t k = 0; k < c.firingSteps.size(); ++k) {
            c.firing.push_back(firing && k < firing[i].size() ? firing[i][k] : FiringAsks{});
        }
    }
}

void giveLoops(World& world, const std::vector<int32_t>& movement, const std::vector<int32_t>& firing) {
    for (int32_t i = 0; world.carries && i < world.count; ++i) {
        const auto k = static_cast<size_t>(i);
        world.carries[i].movementLoop = k < movement.size() ? movement[k] : LOOP_HOLD;
        world.carries[i].firingLoop = k < firing.size() ? firing[k] : LOOP_HOLD;
    }
}

void rewindPrograms(World& world) {
    for (int32_t i = 0; i < world.count; ++i) shooter::resetEmitterSchedule(world.shooters[i]);
    for (int32_t i = 0; i < world.count; ++i) turret::resetTurretSchedule(world.shooters[i]);
}

void setUpWorld(World& world) {
    makeShooters(world, SHOOTER_COUNT, 0);
    setUpScenario(world.shooters);
    rewindPrograms(world);
}

void setUpWorld(World& world, const WorldMaker& maker) {
    if (maker.make) {
        maker.make(maker.context, world);
    } else {
        setUpWorld(world);
    }
}

void touchShooter(World& world, int32_t i) {
    Ship& ship = world.ship;
    const double hitReach = double{ship.hitRadius} + ship.bulletRadius;
    const double grazeReach = double{ship.grazeRadius} + ship.bulletRadius;
    const double hit2 = hitReach * hitReach, graze2 = grazeReach * grazeReach;
    const double x = ship.x, y = ship.y;
    // Most bullets are far along an axis: a float test with a pixel to spare
    // (far more than its rounding) passes every one the exact test might take.
    // Radii set by a caller may be anything: a reach past a float's range (or
    // not a number) tests every bullet exactly.
    const double reach = (grazeReach > hitReach ? grazeReach : hitReach) + 1.0;
    const float band = reach < 1e30 ? static_cast<float>(reach) : INFINITY;
    const actor::Shooter& s = world.shooters[i];
    uint8_t* marks = world.marks + static_cast<size_t>(i) * actor::BULLET_CAPACITY;
    for (int32_t j = 0, slots = actor::usedSlots(s); j < slots; ++j) {
        const bullets::Bullet& b = s.bullets[j];
        if (!b.alive) {
            marks[j] = 0;  // the next bullet in the slot is another
            continue;
        }
        if (std::fabs(b.x - ship.x) >= band || std::fabs(b.y - ship.y) >= band) continue;
        const double dx = double{b.x} - x, dy = double{b.y} - y;
        const double d2 = dx * dx + dy * dy;
        if (d2 >= graze2) continue;
        int32_t kind = 0;
        if (d2 < hit2 && !(marks[j] & MARK_HIT)) {
            marks[j] |= MARK_HIT;
            ship.hits = numerics::wrapAdd(ship.hits, 1);
            ship.hitNow = numerics::wrapAdd(ship.hitNow, 1);
            ship.lastHit = ship.frame;
            kind = EVENT_HIT;
        } else if (d2 >= hit2 && !(marks[j] & MARK_GRAZED)) {
            marks[j] |= MARK_GRAZED;
            ship.grazes = numerics::wrapAdd(ship.grazes, 1);
            kind = EVENT_GRAZE;
        }
        // Each bullet is counted at most once a frame, so the room never runs out.
        if (kind && world.events) world.events[world.eventCount++] = {kind, i, j};
    }
}

void touchShip(World& world) {
    world.ship.hitNow = 0;
    world.eventCount = 0;
    for (int32_t i = 0; i < world.count; ++i) {
        if (world.frames[i].stepped) touchShooter(world, i);  // frozen ones are not drawn either
    }
}

namespace {

const FiringAsks NOTHING{};

struct Carrying {
    StepCarries* carries;
    const actions::Programs* formulas;
    uint64_t* draws;
};

// What the firing step in force asks, found by its stored record; before a
// shot, the values it works out at each shot go into the gun.
const turret::Carry& carryOf(void* context, actor::Shooter& s, int32_t loaded) {
    const Carrying& carrying = *static_cast<Carrying*>(context);
    StepCarries& c = *carrying.carries;
    const actor::TurretStep* step = collections::currentRecord(s.turretSteps);
    if (loaded || step != c.lastStep) {
        c.lastStep = step;
        const int32_t k = collections::recordIndex(c.firingSteps, step);
        c.last = k >= 0 ? &c.firing[static_cast<size_t>(k)] : &NOTHING;
    }
    if (loaded) c.shots = 0;
    actor::TurretStep& gun = s.turret;
    // The frame's shot comes when the countdown passes below 0, as the gun counts it.
    if (!c.last->shotValues.empty() && carrying.formulas && gun.active && numerics::wrapSub(gun.fireDelay, 1) < 0) {
        const actions::Names names{0, 1, 0, c.shots, 0, nullptr};
        for (const ShotValue& v : c.last->shotValues) {
            const double value = actions::formulaValue(*carrying.formulas, v.formula, names, *carrying.draws);
            char* field = reinterpret_cast<char*>(&gun) + v.offset;
            if (v.isFloat) {
                const float f = actions::floatValue(value);
                std::memcpy(field, &f, sizeof f);
            } else {
                const int32_t n = numerics::nearest(value);
                const int32_t held = n < v.least ? v.least : n > v.most ? v.most : n;
                std::memcpy(field, &held, sizeof held);
            }
        }
        c.shots = c.shots < INT32_MAX ? c.shots + 1 : c.shots;
    }
    return c.last->carry;
}

// A movement step just loaded: the body kept where it was, or set to glide
// from there to the step's x, y, arriving after its last frame's move.
void bringBody(const StepCarries& c, actor::Shooter& s, float hereX, float hereY) {
    const int32_t k = collections::recordIndex(c.movementSteps, collections::currentRecord(s.emitterSteps));
    const int32_t from = k >= 0 ? c.from[static_cast<size_t>(k)] : PUT;
    if (from != KEEP && from != GLIDE) return;
    actor::EmitterStep& body = s.emitter;
    if (from == GLIDE) {
        // In force this frame and `duration` after it, each frame moving it once.
        const double frames = body.duration >= 0 ? static_cast<double>(body.duration) + 1.0 : 1.0;
        body.vx = numerics::rounded((double{body.x} - hereX) / frames);
        body.vy = numerics::rounded((double{body.y} - hereY) / frames);
    }
    body.x = hereX;
    body.y = hereY;
}

}  // namespace

void stepWorld(World& world) {
    const bool ship = world.ship.present != 0;
    if (ship) {
        world.ship.frame = numerics::wrapAdd(world.ship.frame, 1);
        world.ship.hitNow = 0;
        world.eventCount = 0;
        moveShip(world.ship);
    }
    for (int32_t i = 0; i < world.count; ++i) {
        actor::Shooter& s = world.shooters[i];
        ShooterFrame& frame = world.frames[i];
        frame = ShooterFrame{};
        if (!s.emitter.active) continue;
        frame.stepped = -1;
        if (world.carries) {
            const float hereX = s.emitter.x, hereY = s.emitter.y;
            int32_t moved = shooter::runEmitterSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, frame.emitter);
            // Past its last step, a program that loops at once takes its first in this frame.
            if (!moved && world.carries[i].movementLoop == LOOP_AT_ONCE && collections::onEndMarker(s.emitterSteps)) {
                moved = shooter::runEmitterSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, frame.emitter);
            }
            if (moved) bringBody(world.carries[i], s, hereX, hereY);
            Carrying carrying{&world.carries[i], world.formulas, &world.draws};
            shooter::updateShooter(s, frame.turret, &frame.dropped, carryOf, &carrying,
                                   world.carries[i].firingLoop == LOOP_AT_ONCE);
        } else {
            shooter::runEmitterSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, frame.emitter);
            shooter::updateShooter(s, frame.turret, &frame.dropped);
        }
        if (world.programs) frame.dropped += actions::runShooter(*world.programs, s, world.runs[i], world.draws);
        // No later shooter moves these bullets: they are where the frame leaves them.
        if (ship) touchShooter(world, i);
    }
}

void tearDownWorld(World& world) {
    for (int32_t i = world.count - 1; i >= 0; --i) shooter::destroyShooter(world.shooters[i]);
    delete[] world.shooters;
    delete[] world.frames;
    delete[] world.points;
    delete[] world.marks;
    world.marks = nullptr;
    delete[] world.runs;
    world.runs = nullptr;
    world.programs = nullptr;
    delete[] world.carries;
    world.carries = nullptr;
    world.formulas = nullptr;
    world.ship = Ship{};
    world.shooters = nullptr;
    world.frames = nullptr;
    world.points = nullptr;
    world.count = 0;
    world.pointCount = 0;
}

}  // namespace world
