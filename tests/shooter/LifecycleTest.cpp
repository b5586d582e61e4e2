// Shooter construction, update and destruction.
#include "shooter/Lifecycle.h"

#include <gtest/gtest.h>

#include "support/Shooters.h"
#include "shooter/EmitterSchedule.h"
#include "shooter/MoveModes.h"
#include "turret/TurretFiring.h"
#include "turret/TurretSchedule.h"

namespace shooter {
namespace {

using actor::BULLET_CAPACITY;
using actor::NOT_GIVEN;

// A constructed shooter has one head step in each program, the cursor on
// it, and no bullet; without steps of its own it stands at (0, 0), wraps its
// sweep and moves linearly, shows the head step's countdown and fires nothing.
TEST(Lifecycle, AShooterWithoutStepsStandsStillFiresNothingAndShowsTheHeadCountdown) {
    testing_support::OwnedShooter owned;
    Shooter& s = owned.shooter;
    ASSERT_NE(collections::currentRecord(s.turretSteps), nullptr);
    EXPECT_TRUE(collections::onEndMarker(s.turretSteps) == false && s.turretSteps.first == s.turretSteps.cursor);
    EXPECT_EQ(s.emitterSteps.first, s.emitterSteps.cursor);
    EXPECT_EQ(s.emitterSteps.first->next->next, nullptr);
    EXPECT_EQ(bulletAt(s, -1).haltAt, -1);  // outside the store: a default bullet
    EXPECT_EQ(s.turretBehaviour, turret::sweepWrap);
    EXPECT_EQ(s.emitterMove, moveLinear);
    resetEmitterSchedule(s);
    turret::resetTurretSchedule(s);
    for (int frame = 0; frame < 50; ++frame) {
        collections::ReadOut readOut;
        runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN, readOut);
        updateShooter(s);
        EXPECT_TRUE(readOut.shown && readOut.countdown == -1 && readOut.listIndex == 0);
    }
    EXPECT_EQ(s.emitter.x, 0.0f);
    EXPECT_EQ(s.emitter.y, 0.0f);
    EXPECT_EQ(s.emitter.active, -1);
    for (int32_t i = 0; i < BULLET_CAPACITY; ++i) EXPECT_EQ(bulletAt(s, i).alive, 0);
}

TEST(Lifecycle, TheGunWorksFromALoadedStepsOriginOnlyInTheFrameOfTheLoad) {
    testing_support::OwnedShooter owned;
    Shooter& s = owned.shooter;
    EmitterStep body;
    body.duration = 100, body.x = 50.0f, body.y = 60.0f, body.active = -1;
    addEmitterStep(s, body);
    actor::TurretStep gun;
    gun.duration = 100, gun.originX = 420.0f, gun.originY = 140.0f, gun.active = -1, gun.fireDelay = 5;
    turret::addTurretStep(s, gun);
    resetEmitterSchedule(s);
    turret::resetTurretSchedule(s);
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN);
    updateShooter(s);
    EXPECT_EQ(s.turret.originX, 420.0f);
    EXPECT_EQ(s.turret.originY, 140.0f);
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN);
    updateShooter(s);
    EXPECT_EQ(s.turret.originX, 50.0f);
    EXPECT_EQ(s.turret.originY, 60.0f);
}

TEST(Lifecycle, DestructionReleasesEverythingTheShooterOwns) {
    Shooter s;
    constructShooter(s);
    for (int i = 0; i < 5; ++i) addEmitterStep(s, EmitterStep{});
    destroyShooter(s);
    EXPECT_EQ(collections::hasNoCursor(s.emitterSteps), -1);
    EXPECT_EQ(collections::hasNoCursor(s.turretSteps), -1);
    EXPECT_EQ(s.bullets, nullptr);
    EXPECT_EQ(usedSlots(s), 0);
}

}  // namespace
}  // namespace shooter
