// The world's set-up, step and tear-down. An inactive shooter is frozen:
// nothing of it moves.
#include "world/World.h"

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
    world.count = count;
    for (int32_t i = 0; i < world.count; ++i) shooter::constructShooter(world.shooters[i]);
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

void stepWorld(World& world) {
    for (int32_t i = 0; i < world.count; ++i) {
        actor::Shooter& s = world.shooters[i];
        ShooterFrame& frame = world.frames[i];
        frame = ShooterFrame{};
        if (!s.emitter.active) continue;
        frame.stepped = -1;
        shooter::runEmitterSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, frame.emitter);
        shooter::updateShooter(s, frame.turret, &frame.dropped);
    }
}

void tearDownWorld(World& world) {
    for (int32_t i = world.count - 1; i >= 0; --i) shooter::destroyShooter(world.shooters[i]);
    delete[] world.shooters;
    delete[] world.frames;
    delete[] world.points;
    world.shooters = nullptr;
    world.frames = nullptr;
    world.points = nullptr;
    world.count = 0;
    world.pointCount = 0;
}

}  // namespace world
