// Bullet motion: the four modes, halting and resuming, homing and retirement.
#include "bullets/BulletMotion.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kinds/Kinds.h"
#include "support/Shooters.h"

namespace bullets {
namespace {

Bullet launched(int32_t motion, float vx, float vy, int32_t haltAt) {
    Bullet b(100.0f, 100.0f);
    b.vx = vx, b.vy = vy, b.motion = motion, b.haltAt = haltAt, b.alive = -1;
    return b;
}

void step(Bullet& b, int updates = 1) {
    for (int i = 0; i < updates; ++i) moveBullet(b, 320.0f, 240.0f, 3.0f);
}

TEST(BulletMotion, HaltAtZeroOrBelowNeverHalts) {
    for (int32_t motion = kinds::MOTION_ACCELERATED; motion <= kinds::MOTION_HOMING; ++motion) {
        for (int32_t haltAt : {-1, 0, -40}) {
            Bullet b = launched(motion, 0.5f, 0.0f, haltAt);
            step(b, 200);
            EXPECT_GT(b.vx, 0.0f) << "motion " << motion << " haltAt " << haltAt;
            EXPECT_EQ(b.age, 200);
        }
    }
}

TEST(BulletMotion, AcceleratedBulletHaltsSavesAndRestoresItsVelocity) {
    Bullet b = launched(kinds::MOTION_ACCELERATED, 2.0f, 0.0f, 10);
    step(b, 10);
    EXPECT_EQ(b.x, 120.0f);
    EXPECT_EQ(b.vx, 0.0f);
    EXPECT_EQ(b.heldVx, 2.0f);
    step(b, 20);  // updates 11 to 30 stand still
    EXPECT_EQ(b.x, 120.0f);
    EXPECT_EQ(b.vx, 2.0f);  // restored at update 30
    step(b);
    EXPECT_EQ(b.x, 122.0f);
}

TEST(BulletMotion, AHaltedBulletStillFallsByItsAcceleration) {
    Bullet b = launched(kinds::MOTION_ACCELERATED, 0.0f, 0.0f, 10);
    b.ay = 0.5f;
    step(b, 10);
    const float y = b.y;
    step(b, 20);
    EXPECT_FLOAT_EQ(b.y - y, 20 * 0.5f);
}

TEST(BulletMotion, DampedBulletSettlesJustBelowUnitSpeed) {
    Bullet b = launched(kinds::MOTION_DAMPED, 5.029f, 0.0f, -40);
    step(b, 49);
    EXPECT_GT(b.vx, 1.0f);
    step(b);
    EXPECT_NEAR(b.vx, 0.989f, 0.0005);
    const float settled = b.vx;
    step(b, 100);
    EXPECT_EQ(b.vx, settled);

    Bullet unit = launched(kinds::MOTION_DAMPED, 1.0f, 0.0f, -1);
    step(unit, 5);
    EXPECT_EQ(unit.vx, 1.0f);  // exactly 1.0 is not above the limit
}

TEST(BulletMotion, BoostedBulletGathersSpeedAgainstDrag) {
    Bullet b = launched(kinds::MOTION_DRAG, 0.029f, 0.0f, -40);
    b.boostX = 0.0145f;
    step(b);
    EXPECT_NEAR(b.vx, 0.0433, 0.0001);
    step(b, 99);
    EXPECT_NEAR(b.vx, 1.2, 0.05);
    step(b, 5000);
    EXPECT_NEAR(b.vx, 3.438, 0.001);
}

TEST(BulletMotion, BoostedBulletRestartsFromRestWithHalfItsBoost) {
    Bullet b = launched(kinds::MOTION_DRAG, 0.029f, 0.0f, 10);
    b.boostX = 0.0145f;
    step(b, 29);
    EXPECT_EQ(b.vx, 0.0f);
    step(b);
    EXPECT_EQ(b.vx, 0.0f);
    EXPECT_EQ(b.boostX, 0.0145f * 0.5f);
    const float x = b.x;
    step(b);
    EXPECT_GT(b.x, x);
    EXPECT_LT(b.vx, 0.02f);
}

TEST(BulletMotion, HomingBulletStandsThenFliesStraightAtTheTarget) {
    Bullet b = launched(kinds::MOTION_HOMING, 1.0f, 1.0f, 10);
    step(b, 10);
    const float x = b.x, y = b.y;
    step(b, 19);
    EXPECT_EQ(b.x, x);
    EXPECT_EQ(b.y, y);
    step(b);  // update 30: aims at (320, 240)
    const double heading = std::atan2(240.0 - y, 320.0 - x);
    EXPECT_NEAR(std::hypot(b.vx, b.vy), 3.0, 1e-6);
    EXPECT_NEAR(std::atan2(b.vy, b.vx), heading, 1e-6);
    const float vx = b.vx;
    for (int i = 0; i < 20; ++i) moveBullet(b, 0.0f, 0.0f, 9.0f);  // never steered again
    EXPECT_EQ(b.vx, vx);
}

TEST(BulletMotion, UnknownMotionOnlyAges) {
    for (int32_t motion : {4, -1}) {
        Bullet b = launched(motion, 5.0f, 5.0f, 10);
        step(b, 100);
        EXPECT_EQ(b.x, 100.0f);
        EXPECT_EQ(b.vx, 5.0f);
        EXPECT_EQ(b.age, 100);
    }
}

TEST(BulletMotion, AgeWrapsInsteadOfOverflowing) {
    Bullet b = launched(kinds::MOTION_HOMING + 1, 0.0f, 0.0f, INT32_MAX);
    b.age = INT32_MAX;
    step(b);
    EXPECT_EQ(b.age, INT32_MIN);
    Bullet halting = launched(kinds::MOTION_ACCELERATED, 1.0f, 0.0f, 1 << 30);  // three times that wraps
    halting.age = (1 << 30) - 1;
    step(halting, 3);
    EXPECT_EQ(halting.vx, 0.0f);
}

TEST(MoveBullets, RetiresOnlyBeyondTheBoundary) {
    testing_support::TestShooter t;
    Bullet* store = t.store.get();
    store[0] = launched(kinds::MOTION_ACCELERATED, 1.0f, 0.0f, 5);
    store[0].x = 689.0f;  // lands on 690.0: stays
    store[1] = launched(kinds::MOTION_ACCELERATED, 0.01f, 0.0f, 5);
    store[1].x = 690.0f;  // lands beyond: retired
    store[2] = launched(kinds::MOTION_ACCELERATED, 0.0f, -1.0f, 5);
    store[2].y = -49.0f;  // lands on -50.0: stays
    moveBullets(t.shooter);
    EXPECT_NE(store[0].alive, 0);
    EXPECT_NE(store[2].alive, 0);
    EXPECT_EQ(store[1].alive, 0);
    EXPECT_EQ(store[1].age, 0);
    EXPECT_EQ(store[1].haltAt, -1);
    EXPECT_EQ(store[1].x, 690.01f);
}

TEST(MoveBullets, MovesOnlyLiveBulletsOfTheUsedSlots) {
    testing_support::TestShooter t;
    Bullet* store = t.store.get();
    for (int i = 0; i < 256; ++i) store[i] = launched(kinds::MOTION_ACCELERATED, 1.0f, 0.0f, -1);
    store[3].alive = 0;
    t.shooter.turret.bulletCount = 10;
    moveBullets(t.shooter);
    EXPECT_EQ(store[9].x, 101.0f);
    EXPECT_EQ(store[3].x, 100.0f);
    EXPECT_EQ(store[10].x, 100.0f);
    t.shooter.turret.bulletCount = 0;
    moveBullets(t.shooter);
    EXPECT_EQ(store[0].x, 101.0f);
}

TEST(MoveBullets, ACountBeyondTheStoreStopsAtItsLastSlot) {
    testing_support::TestShooter t;
    for (int i = 0; i < 256; ++i) t.store[i] = launched(kinds::MOTION_ACCELERATED, 1.0f, 0.0f, -1);
    for (int32_t count : {257, 100000, INT32_MAX, -1, INT32_MIN}) {
        t.shooter.turret.bulletCount = count;
        moveBullets(t.shooter);
    }
    EXPECT_EQ(t.store[255].x, 103.0f);
    EXPECT_EQ(t.store[0].x, 103.0f);
}

}  // namespace
}  // namespace bullets
