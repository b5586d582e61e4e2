// One frame of a world: each active shooter's programs, body, gun and
// bullets once, in index order, with what it leaves for the picture; an
// inactive shooter frozen; and worlds that share nothing, so two of them run
// side by side as one alone does.
#include "world/World.h"

#include <gtest/gtest.h>

#include <cstring>

#include "kinds/Kinds.h"
#include "shooter/EmitterSchedule.h"
#include "turret/TurretSchedule.h"

namespace world {
namespace {

// Two shooters, each gun firing a volley of `volley` into 4 slots every frame;
// shooter 1 is switched off by its first movement step.
void make(const void* context, World& world) {
    const int32_t volley = *static_cast<const int32_t*>(context);
    makeShooters(world, 2, 0);
    for (int32_t i = 0; i < 2; ++i) {
        actor::EmitterStep body;
        body.duration = 100;
        body.x = 100.0f + 200.0f * static_cast<float>(i);
        body.y = 240.0f;
        body.active = i == 0 ? -1 : 0;
        body.moveMode = kinds::MOVE_LINEAR;
        shooter::addEmitterStep(world.shooters[i], body);
        actor::TurretStep gun;
        gun.duration = 100;
        gun.active = -1;
        gun.bulletCount = 4;
        gun.volleySize = volley;
        gun.fireDelay = 1;
        gun.speed = 1.0f;
        turret::addTurretStep(world.shooters[i], gun);
    }
    rewindPrograms(world);
}

TEST(World, AFrameStepsEachActiveShooterOnceAndFreezesAnInactiveOne) {
    const int32_t volley = 3;
    World a, b;
    setUpWorld(a, {make, &volley});
    setUpWorld(b, {make, &volley});
    for (int32_t frame = 1; frame <= 4; ++frame) {
        stepWorld(a);
        stepWorld(b);
        const ShooterFrame& first = a.frames[0];
        EXPECT_TRUE(first.stepped && first.emitter.shown && first.turret.shown) << frame;
        EXPECT_EQ(first.emitter.listIndex, frame == 1 ? 0 : 1) << "the head step counts down in frame 1";
        // 4 slots, volleys of 3 from frame 2: 3 launched, then 1 of 3, then none.
        const int32_t dropped[] = {0, 0, 2, 3};
        EXPECT_EQ(first.dropped, dropped[frame - 1]) << frame;
        // Shooter 1 was switched off in frame 1, before its gun could fire, and stays frozen.
        EXPECT_EQ(a.frames[1].stepped, frame == 1 ? -1 : 0) << frame;
        EXPECT_EQ(actor::liveBullets(a.shooters[1]), 0);
    }
    EXPECT_EQ(a.shooters[0].emitter.x, 100.0f);
    EXPECT_EQ(actor::liveBullets(a.shooters[0]), 4);
    // The second world, run beside the first, is the same bullet for bullet.
    EXPECT_EQ(std::memcmp(a.shooters[0].bullets, b.shooters[0].bullets, sizeof(bullets::Bullet) * 256), 0);
    tearDownWorld(a);
    tearDownWorld(b);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a.shooters, nullptr);
}

}  // namespace
}  // namespace world
