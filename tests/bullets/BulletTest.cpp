// The bullet record: a new one is free, its copy rules, its position arithmetic.
#include "bullets/Bullet.h"

#include <gtest/gtest.h>

#include <cmath>

namespace bullets {
namespace {

Bullet flying() {
    Bullet b(1.0f, 2.0f);
    b.vx = 3.0f, b.vy = 4.0f, b.heldVx = 5.0f, b.heldVy = 6.0f, b.ax = 7.0f, b.ay = 8.0f;
    b.boostX = 9.0f, b.boostY = 10.0f, b.alive = -1, b.age = 11, b.haltAt = 12, b.heading = 13;
    b.reserved1 = 14, b.tagKey = 15, b.tagA = 16, b.reserved2 = 17, b.tagB = 18, b.tagC = 19, b.motion = 2;
    return b;
}

// A new bullet, placed or not, is a free slot that never halts and has no
// velocity of its own.
TEST(Bullet, ANewBulletIsFreeStillAndNeverHalts) {
    for (const Bullet& b : {Bullet(), Bullet(3.5f, -2.0f)}) {
        EXPECT_EQ(b.alive, 0);
        EXPECT_EQ(b.haltAt, -1);
        EXPECT_EQ(b.vx, 0.0f);
        EXPECT_EQ(b.vy, 0.0f);
    }
    EXPECT_EQ(Bullet(3.5f, -2.0f).x, 3.5f);
    EXPECT_EQ(Bullet(3.5f, -2.0f).y, -2.0f);
}

TEST(Bullet, ACopyLeavesHeldVelocityAndBoostBehind) {
    const Bullet source = flying();
    const Bullet copy(source);
    EXPECT_EQ(copy.heldVx, 0.0f);
    EXPECT_EQ(copy.heldVy, 0.0f);
    EXPECT_EQ(copy.boostX, 0.0f);
    EXPECT_EQ(copy.boostY, 0.0f);
    EXPECT_EQ(copy.x, 1.0f);
    EXPECT_EQ(copy.vy, 4.0f);
    EXPECT_EQ(copy.ay, 8.0f);
    EXPECT_EQ(copy.alive, -1);
    EXPECT_EQ(copy.haltAt, 12);
    EXPECT_EQ(copy.reserved1, 14);
    EXPECT_EQ(copy.tagC, 19);
    EXPECT_EQ(copy.motion, 2);
}

TEST(Bullet, AnAssignedBulletKeepsItsOwnHeldVelocityAndBoost) {
    Bullet target;
    target.boostX = 2.0f;
    target.heldVy = -1.0f;
    target = flying();
    EXPECT_EQ(target.boostX, 2.0f);
    EXPECT_EQ(target.boostY, 0.0f);
    EXPECT_EQ(target.heldVy, -1.0f);
    EXPECT_EQ(target.age, 11);
    EXPECT_EQ(target.tagB, 18);
}

TEST(Bullet, PositionArithmeticKeepsOperandOrderAndDefaults) {
    const Bullet a = flying();  // at (1, 2)
    const Bullet b(10.0f, 20.0f);
    const Bullet sum = a + b;
    EXPECT_EQ(sum.x, 11.0f);
    EXPECT_EQ(sum.y, 22.0f);
    EXPECT_TRUE(sum.alive == 0 && sum.haltAt == -1 && sum.vx == 0.0f && sum.age == 0) << "a sum carries the position only";
    const Bullet difference = a - b;
    EXPECT_EQ(difference.x, -9.0f);
    EXPECT_EQ(difference.y, -18.0f);
    EXPECT_EQ((b / a).y, 10.0f);
    EXPECT_EQ((a * 3.0f).y, 6.0f);
    EXPECT_EQ((b - 1.0f).x, 9.0f);
    EXPECT_EQ((b / 4.0f).x, 2.5f);
    EXPECT_TRUE(std::isinf((b / 0.0f).x));

    Bullet c = flying();
    c -= b;
    EXPECT_EQ(c.x, -9.0f);
    EXPECT_EQ(c.vx, 3.0f);  // compound forms touch only the position
    EXPECT_EQ(c.boostX, 9.0f);
    c *= 2.0f;
    EXPECT_EQ(c.y, -36.0f);
    c /= Bullet(-3.0f, 4.0f);
    EXPECT_EQ(c.x, 6.0f);
    EXPECT_EQ(c.y, -9.0f);
    c += 1.0f;
    EXPECT_EQ(c.x, 7.0f);
    c = 0.25f;
    EXPECT_EQ(c.x, 0.25f);
    EXPECT_EQ(c.y, 0.25f);
    EXPECT_EQ(c.alive, -1);
}

}  // namespace
}  // namespace bullets
