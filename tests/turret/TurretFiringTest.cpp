// Turret firing: burst timing, aiming, the sweeps, every volley layout, the
// full store and hostile counts.
#include "turret/TurretFiring.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kinds/Kinds.h"
#include "support/Shooters.h"

namespace turret {
namespace {

using actor::TurretStep;
using bullets::Bullet;

struct TurretFiringTest : ::testing::Test {
    testing_support::TestShooter t;
    actor::Shooter& s = t.shooter;
    TurretStep& gun = t.shooter.turret;

    void SetUp() override {
        s.turretBehaviour = sweepWrap;
        gun.originX = 320.0f, gun.originY = 240.0f;
        gun.muzzleRadiusX = 10.0f, gun.muzzleRadiusY = 10.0f;
        gun.sweepDir = 1, gun.volleySize = 1, gun.speed = 0.0f;
        gun.bulletMotion = kinds::MOTION_HOMING + 1;  // no motion of its own: launched bullets stay where they start
        gun.angleMax = 359;
    }
    std::vector<int32_t> headings() const {
        std::vector<int32_t> result;
        for (int i = 0; i < 256 && t.store[i].alive; ++i) result.push_back(t.store[i].heading);
        return result;
    }
    double speedOf(int slot) const { return std::hypot(double{t.store[slot].vx}, double{t.store[slot].vy}); }
    double directionOf(int slot) const {
        return std::atan2(double{t.store[slot].vy}, double{t.store[slot].vx}) * 180.0 / M_PI;
    }
};

TEST_F(TurretFiringTest, BurstsFollowTheDelayIntervalAndPause) {
    gun.fireDelay = 1, gun.shotInterval = 2, gun.burstLength = 2, gun.burstPause = 5;
    std::vector<int> shotFrames;
    for (int frame = 1; frame <= 20; ++frame) {
        const int before = t.liveCount();
        fireTurret(s, 0);
        if (t.liveCount() > before) shotFrames.push_back(frame);
    }
    EXPECT_EQ(shotFrames, (std::vector<int>{2, 5, 8, 14, 17, 20}));
}

TEST_F(TurretFiringTest, ADelayOfZeroFiresInTheFrameOfLoading) {
    gun.fireDelay = 0;
    fireTurret(s, -1);
    EXPECT_EQ(t.liveCount(), 1);
}

TEST_F(TurretFiringTest, AnInactiveTurretDoesNothingAtAll) {
    gun.active = 0, gun.fireDelay = 0, gun.originVx = 1.0f;
    t.store[0] = Bullet(5.0f, 5.0f);
    t.store[0].alive = -1, t.store[0].vx = 1.0f;
    fireTurret(s, 0);
    EXPECT_EQ(gun.fireDelay, 0);
    EXPECT_EQ(gun.originX, 320.0f);
    EXPECT_EQ(t.store[0].x, 5.0f);
    EXPECT_EQ(t.liveCount(), 1);
}

TEST_F(TurretFiringTest, AimingTurnsTheBaseAngleToTheTarget) {
    gun.aimAtTarget = -1;
    gun.originY = 140.0f;
    const std::pair<std::pair<float, float>, int32_t> cases[] = {
        {{320.0f, 240.0f}, 90}, {{220.0f, 140.0f}, 180}, {{420.0f, 40.0f}, 315}, {{420.0f, 140.0f}, 0}};
    for (const auto& [target, angle] : cases) {
        gun.targetX = target.first, gun.targetY = target.second, gun.fireDelay = 0;
        fireTurret(s, 0);
        EXPECT_EQ(gun.angle, angle);
    }
}

TEST_F(TurretFiringTest, OriginAndTargetFollowTheirReferencesThenTheOriginDrifts) {
    const float origin[2] = {100.0f, 50.0f}, target[2] = {7.0f, 8.0f};
    gun.originRef = origin, gun.targetRef = target, gun.originVx = 0.5f, gun.fireDelay = 0;
    fireTurret(s, 0);
    EXPECT_EQ(t.store[0].x, 110.0f);  // launched from the referenced origin
    EXPECT_EQ(gun.originX, 100.5f);
    EXPECT_EQ(gun.targetY, 8.0f);
}

TEST_F(TurretFiringTest, SweepsWrapByTheirMaximumOrBounce) {
    gun.angle = 357, gun.sweepStep = 5;
    sweepWrap(s);
    EXPECT_EQ(gun.angle, 3);
    gun.angle = 2, gun.sweepDir = -1;
    sweepWrap(s);
    EXPECT_EQ(gun.angle, 356);
    gun.angle = 355, gun.sweepDir = 1;
    sweepWrap(s);
    EXPECT_EQ(gun.angle, 1);

    gun.angle = 357, gun.sweepDir = 1;
    sweepBounce(s);
    EXPECT_EQ(gun.angle, 362);
    EXPECT_EQ(gun.sweepDir, -1);
    sweepBounce(s);
    EXPECT_EQ(gun.angle, 357);
}

TEST_F(TurretFiringTest, SweepsNearTheIntegerLimitsWrapAsThirtyTwoBitValues) {
    gun.angle = INT32_MAX, gun.sweepStep = 5, gun.angleMax = INT32_MAX, gun.angleMin = INT32_MIN;
    sweepWrap(s);
    EXPECT_EQ(gun.angle, INT32_MIN + 4);
    gun.angle = INT32_MAX - 1, gun.sweepStep = INT32_MAX, gun.sweepDir = INT32_MIN, gun.angleMax = 10;
    sweepBounce(s);
    EXPECT_EQ(gun.sweepDir, INT32_MIN);  // negating the most negative value wraps to itself
}

TEST_F(TurretFiringTest, FansNearTheIntegerLimitsWrapOrSaturateAsDefined) {
    gun.spreadKind = kinds::SPREAD_TURNING_FAN, gun.volleySize = 3, gun.spreadStep = 2, gun.angle = INT32_MAX - 3;
    launchVolley(s);  // a turning fan steps past the largest angle and wraps
    EXPECT_EQ(t.store[0].heading, (INT32_MAX - 1) % 360);
    EXPECT_EQ(t.store[2].heading, (INT32_MIN + 2) % 360);
    for (int i = 0; i < 3; ++i) t.store[i].alive = 0;
    gun.spreadKind = kinds::SPREAD_CENTRED_FAN, gun.volleySize = 4, gun.spreadStep = 100, gun.angle = INT32_MIN + 10;
    launchVolley(s);  // a centred fan's start below the range saturates, then steps on
    EXPECT_EQ(t.store[0].heading, (INT32_MIN + 100) % 360);
    EXPECT_EQ(t.store[3].heading, (INT32_MIN + 400) % 360);
}

TEST_F(TurretFiringTest, SingleBulletIgnoresTheLayoutAndUsesTheBaseSpeed) {
    gun.angle = -90, gun.speed = 0.029f, gun.speedStep = 0.15f, gun.spreadKind = kinds::SPREAD_V_FAN, gun.burstLength = 3;
    launchVolley(s);
    EXPECT_EQ(t.store[0].x, 320.0f);
    EXPECT_EQ(t.store[0].y, 230.0f);  // above the origin
    EXPECT_LT(t.store[0].vy, 0.0f);
    EXPECT_EQ(t.store[0].heading, -90);
    EXPECT_FLOAT_EQ(static_cast<float>(speedOf(0)), 0.029f);
    EXPECT_EQ(t.store[0].boostY, t.store[0].vy * 0.5f);
    EXPECT_EQ(t.store[0].alive, -1);
    EXPECT_EQ(t.store[0].age, 0);
}

TEST_F(TurretFiringTest, ATurningFanTurnsWithRisingSpeeds) {
    gun.spreadKind = kinds::SPREAD_TURNING_FAN, gun.volleySize = 3, gun.spreadStep = 45, gun.speed = 0.029f, gun.speedStep = -0.005f;
    launchVolley(s);
    EXPECT_EQ(headings(), (std::vector<int32_t>{45, 90, 135}));
    EXPECT_NEAR(speedOf(0), 0.029 - 0.005 / 3, 1e-8);
    EXPECT_NEAR(speedOf(1), 0.029 - 0.010 / 3, 1e-8);
    EXPECT_NEAR(speedOf(2), 0.024, 1e-8);
}

TEST_F(TurretFiringTest, AVFanCentresTheFanWithVShapedSpeeds) {
    gun.spreadKind = kinds::SPREAD_V_FAN, gun.volleySize = 2, gun.spreadStep = 80, gun.speed = 5.029f, gun.speedStep = 1.0f;
    launchVolley(s);
    EXPECT_EQ(headings(), (std::vector<int32_t>{-40, 40}));
    EXPECT_NEAR(speedOf(0), 6.029, 1e-6);
    EXPECT_NEAR(speedOf(1), 5.029, 1e-6);

    t.store[0].alive = 0, t.store[1].alive = 0;
    gun.volleySize = 4, gun.spreadStep = 10;  // h = 2: ends fast, middle slow, last (h-1)/h
    launchVolley(s);
    EXPECT_EQ(headings(), (std::vector<int32_t>{-15, -5, 5, 15}));
    EXPECT_NEAR(speedOf(0), 6.029, 1e-6);
    EXPECT_NEAR(speedOf(1), 5.529, 1e-6);
    EXPECT_NEAR(speedOf(2), 5.029, 1e-6);
    EXPECT_NEAR(speedOf(3), 5.529, 1e-6);
}

TEST_F(TurretFiringTest, OddVolleysSitHalfAStepOffCentre) {
    gun.spreadKind = kinds::SPREAD_CENTRED_FAN, gun.volleySize = 5, gun.spreadStep = 10;
    launchVolley(s);
    EXPECT_EQ(headings(), (std::vector<int32_t>{-15, -5, 5, 15, 25}));
}

TEST_F(TurretFiringTest, AnAlternatingFanNarrowsOnOddShots) {
    gun.spreadKind = kinds::SPREAD_ALTERNATING_FAN, gun.volleySize = 6, gun.spreadStep = 36, gun.oddShotSpreadScale = 0.3f;
    gun.shotIndex = 1;
    launchVolley(s);
    EXPECT_EQ(headings(), (std::vector<int32_t>{-27, -16, -5, 6, 17, 28}));
    for (int i = 0; i < 6; ++i) t.store[i].alive = 0;
    gun.shotIndex = 2;
    launchVolley(s);
    EXPECT_EQ(headings(), (std::vector<int32_t>{-90, -54, -18, 18, 54, 90}));
}

TEST_F(TurretFiringTest, AWallFliesParallel) {
    gun.spreadKind = kinds::SPREAD_WALL, gun.volleySize = 3, gun.spreadStep = 45, gun.angle = 90;
    gun.speed = 1.0f, gun.speedStep = 0.5f;
    launchVolley(s);
    // Starts at nearest(90 - 1.5 x 45) = nearest(22.5) = 22, halves to even.
    EXPECT_EQ(headings(), (std::vector<int32_t>{67, 112, 157}));
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(directionOf(i), 90.0, 1e-4);
    EXPECT_NEAR(speedOf(0), 1.5, 1e-6);
    EXPECT_NEAR(speedOf(1), 1.0, 1e-6);
    EXPECT_NEAR(speedOf(2), 1.5, 1e-6);
    EXPECT_NEAR(t.store[0].x, 320.0 + 10.0 * std::cos(67.0 * M_PI / 180.0), 1e-4);
}

TEST_F(TurretFiringTest, ShotSpeedRisesAlongABurst) {
    gun.spreadKind = kinds::SPREAD_CENTRED_FAN, gun.volleySize = 2, gun.spreadStep = 10, gun.speed = 0.029f, gun.speedStep = 0.15f;
    gun.burstLength = 3, gun.shotInterval = 0, gun.burstPause = 0;
    const double expected[] = {0.029, 0.179, 0.329, 0.479, 0.029};
    for (int shot = 0; shot < 5; ++shot) {
        fireTurret(s, 0);
        EXPECT_NEAR(speedOf(2 * shot), expected[shot], 1e-6) << "shot " << shot + 1;
    }
}

TEST_F(TurretFiringTest, AVolleyFillsTheLowestFreeSlotsAndStopsWhenTheStoreIsFull) {
    for (int i = 0; i < 256; ++i) t.store[i].alive = -1;
    t.store[7].alive = 0, t.store[200].alive = 0;
    gun.spreadKind = kinds::SPREAD_CENTRED_FAN, gun.volleySize = 6, gun.spreadStep = 10;
    launchVolley(s);
    EXPECT_EQ(t.store[7].heading, -25);
    EXPECT_EQ(t.store[200].heading, -15);
    const Bullet before = t.store[100];
    launchVolley(s);
    EXPECT_EQ(t.liveCount(), 256);
    EXPECT_EQ(t.store[100].heading, before.heading);
}

TEST_F(TurretFiringTest, HostileCountsAndSizesStayInsideTheStore) {
    gun.spreadKind = kinds::SPREAD_CENTRED_FAN, gun.spreadStep = 1;
    for (int32_t count : {1000, INT32_MAX, -3}) {
        for (int i = 0; i < 256; ++i) t.store[i].alive = 0;
        gun.bulletCount = count, gun.volleySize = INT32_MAX;
        launchVolley(s);
        EXPECT_EQ(t.liveCount(), count > 0 ? 256 : 0);
    }
    gun.volleySize = INT32_MIN;
    launchVolley(s);
    gun.bulletCount = 256, gun.volleySize = 3, gun.angle = INT32_MAX, gun.spreadStep = INT32_MAX;
    gun.oddShotSpreadScale = NAN, gun.spreadKind = kinds::SPREAD_ALTERNATING_FAN, gun.shotIndex = 1;
    for (int i = 0; i < 256; ++i) t.store[i].alive = 0;
    launchVolley(s);
    EXPECT_EQ(t.liveCount(), 3);
}

TEST_F(TurretFiringTest, FreeSlotsTakeTheNewTagsExceptInTheFrameOfALoad) {
    gun.bulletTagKey = 1, gun.bulletTagA = 2, gun.bulletTagB = 3, gun.bulletTagC = 4, gun.fireDelay = 5;
    t.store[1].alive = -1;
    fireTurret(s, -1);
    EXPECT_EQ(t.store[0].tagKey, 0);
    fireTurret(s, 0);
    EXPECT_EQ(t.store[0].tagKey, 1);
    EXPECT_EQ(t.store[0].tagA, 2);
    EXPECT_EQ(t.store[0].tagC, 4);
    EXPECT_EQ(t.store[1].tagKey, 0);  // live bullets keep theirs
    EXPECT_EQ(t.store[1].tagA, 1);

    // A slot that a shot fills takes the new tags as it launches, except in
    // the frame of a load.
    gun.volleySize = 1, gun.shotInterval = 50, gun.burstPause = 50;
    gun.bulletTagKey = 7, gun.bulletTagA = 8, gun.fireDelay = 0;
    fireTurret(s, 0);
    ASSERT_NE(t.store[0].alive, 0);
    EXPECT_EQ(t.store[0].tagKey, 7);
    EXPECT_EQ(t.store[0].tagA, 8);
    gun.bulletTagKey = 9, gun.fireDelay = 0;
    fireTurret(s, -1);
    ASSERT_NE(t.store[2].alive, 0);
    EXPECT_EQ(t.store[2].tagKey, 7);  // as the last refresh left it
}

}  // namespace
}  // namespace turret
