// A world made from a pattern: each shooter gets its programs' steps with its
// phase added to their angles, and the references their steps follow point
// into that world (a fixed point it holds, or another shooter's body).
#include <cstddef>

#include "numerics/Numerics.h"
#include "pattern/Fields.h"
#include "pattern/Pattern.h"
#include "shooter/EmitterSchedule.h"
#include "turret/TurretSchedule.h"

namespace pattern {

namespace {

// Fixed points: two (origin and target) for every firing step of every program.
int32_t pointIndex(const Pattern& p, size_t program, size_t step, int32_t which) {
    size_t before = 0;
    for (size_t k = 0; k < program; ++k) before += p.firings[k].steps.size();
    return static_cast<int32_t>(2 * (before + step)) + which;
}

const float* follow(const Reference& r, world::World& world, int32_t point) {
    switch (r.kind) {
        case REFERENCE_POINT:
            world.points[2 * point] = r.x;
            world.points[2 * point + 1] = r.y;
            return &world.points[2 * point];
        case REFERENCE_SHOOTER: return &world.shooters[r.shooter].emitter.x;  // x, then y beside it
        case REFERENCE_PLAYER: return &world.ship.x;                          // likewise
        default: return nullptr;
    }
}

// What steps ask beyond their records, when any does: for each shooter its
// own first steps (which ask nothing), then its programs' steps in order.
void giveCarries(const Pattern& p, world::World& world) {
    bool any = false;
    std::vector<std::vector<int32_t>> from(static_cast<size_t>(p.shooterCount));
    std::vector<std::vector<world::FiringAsks>> firing(static_cast<size_t>(p.shooterCount));
    std::vector<int32_t> movementLoops, firingLoops;
    for (int32_t i = 0; i < p.shooterCount; ++i) {
        const auto shooter = static_cast<size_t>(i);
        const MovementProgram& moving = p.movements[static_cast<size_t>(p.movementOf[shooter])];
        const FiringProgram& fired = p.firings[static_cast<size_t>(p.firingOf[shooter])];
        movementLoops.push_back(moving.loop);
        firingLoops.push_back(fired.loop);
        any = any || moving.loop != world::LOOP_HOLD || fired.loop != world::LOOP_HOLD;
        from[shooter].push_back(world::PUT);
        for (const MovementStep& step : moving.steps) {
            from[shooter].push_back(step.from);
            any = any || step.from != world::PUT;
        }
        firing[shooter].emplace_back();
        for (const FiringStep& step : fired.steps) {
            world::FiringAsks asks{{step.keepAngle, step.aimOffset, step.centred}, {}};
            for (int32_t k = 0; k < MAX_SHOT_VALUES; ++k) {
                if (step.shotFields[k] < 0 || static_cast<size_t>(step.shotFields[k]) >= FIRING_FIELDS.size()) continue;
                const Field& f = FIRING_FIELDS[static_cast<size_t>(step.shotFields[k])];
                asks.shotValues.push_back({static_cast<int32_t>(f.offset - offsetof(FiringStep, step)),
                                           f.kind == FieldKind::Float ? -1 : 0, static_cast<int32_t>(f.least),
                                           static_cast<int32_t>(f.most), step.shotFormulas[k]});
            }
            any = any || step.keepAngle || step.aimOffset || step.centred || !asks.shotValues.empty();
            firing[shooter].push_back(std::move(asks));
        }
    }
    if (!any) return;
    world::giveCarries(world, from.data(), firing.data(), &p.bullets);
    world::giveLoops(world, movementLoops, firingLoops);
}

void make(const void* context, world::World& world) {
    const Pattern& p = *static_cast<const Pattern*>(context);
    size_t firingSteps = 0;
    for (const FiringProgram& program : p.firings) firingSteps += program.steps.size();
    world::makeShooters(world, p.shooterCount, static_cast<int32_t>(2 * firingSteps));
    if (p.player.given) {
        world::Ship& ship = world.ship;
        ship.present = -1;
        ship.x = static_cast<float>(p.player.x);
        ship.y = static_cast<float>(p.player.y);
        ship.speed = p.player.speed;
        ship.focusedSpeed = p.player.focusedSpeed;
        ship.diagonal = world::diagonalStep(p.player.speed);
        ship.focusedDiagonal = world::diagonalStep(p.player.focusedSpeed);
        ship.hitRadius = p.player.hitRadius;
        ship.bulletRadius = p.player.bulletRadius;
        ship.grazeRadius = p.player.grazeRadius;
    }
    for (int32_t i = 0; i < p.shooterCount; ++i) {
        const auto shooter = static_cast<size_t>(i);
        for (const MovementStep& given : p.movements[static_cast<size_t>(p.movementOf[shooter])].steps) {
            actor::EmitterStep step = given.step;
            step.angle = numerics::wrapAdd(step.angle, p.phases[shooter]);
            shooter::addEmitterStep(world.shooters[i], step);
        }
    }
    for (int32_t i = 0; i < p.shooterCount; ++i) {
        const auto shooter = static_cast<size_t>(i);
        const auto program = static_cast<size_t>(p.firingOf[shooter]);
        const std::vector<FiringStep>& steps = p.firings[program].steps;
        for (size_t s = 0; s < steps.size(); ++s) {
            actor::TurretStep step = steps[s].step;
            step.angle = numerics::wrapAdd(step.angle, p.phases[shooter]);
            step.originRef = follow(steps[s].origin, world, pointIndex(p, program, s, 0));
            step.targetRef = follow(steps[s].target, world, pointIndex(p, program, s, 1));
            turret::addTurretStep(world.shooters[i], step);
        }
    }
    world::rewindPrograms(world);
    giveCarries(p, world);
    if (p.bullets.programs.empty()) return;
    // The program each stored firing step gives its bullets: none for the
    // shooter's own first step, then the program's steps in order.
    std::vector<std::vector<int32_t>> stepPrograms(static_cast<size_t>(p.shooterCount));
    for (int32_t i = 0; i < p.shooterCount; ++i) {
        std::vector<int32_t>& of = stepPrograms[static_cast<size_t>(i)];
        of.push_back(actions::NONE);
        for (const FiringStep& step : p.firings[static_cast<size_t>(p.firingOf[static_cast<size_t>(i)])].steps) {
            of.push_back(step.bullet);
        }
    }
    world::givePrograms(world, &p.bullets, stepPrograms.data());
}

}  // namespace

world::WorldMaker makerFor(const Pattern& pattern) { return {make, &pattern}; }

}  // namespace pattern
