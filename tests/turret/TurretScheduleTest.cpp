// The firing program's schedule: its timeline over two passes, the returned
// flag, the read-out, the load rule for references and the sweep selection.
#include "turret/TurretSchedule.h"

#include <gtest/gtest.h>

#include <vector>

#include "kinds/Kinds.h"
#include "support/Shooters.h"
#include "turret/TurretFiring.h"

namespace turret {
namespace {

struct TurretScheduleTest : ::testing::Test {
    testing_support::OwnedShooter owned;
    actor::Shooter& s = owned.shooter;

    void addStep(int32_t duration, int32_t sweepKind = kinds::SWEEP_WRAP) {
        TurretStep step;
        step.duration = duration;
        step.sweepKind = sweepKind;
        step.originX = static_cast<float>(duration);
        addTurretStep(s, step);
    }
};

TEST_F(TurretScheduleTest, StepsLoadOnTheirTimelineAndOnlyLoadsRaiseTheFlag) {
    addStep(1600);
    addStep(600);
    resetTurretSchedule(s);
    std::vector<int> loads;
    for (int frame = 1; frame <= 5100; ++frame) {
        const int32_t loaded = runTurretSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN);
        EXPECT_TRUE(loaded == 0 || loaded == -1);
        if (loaded) loads.push_back(frame);
        if (frame == 2203) {
            EXPECT_EQ(s.turretListIndex, 2);  // expired, nothing loaded
        }
        if (frame == 2204) {
            EXPECT_EQ(s.turretListIndex, 1);  // wrapped and loaded the first step
        }
    }
    EXPECT_EQ(loads, (std::vector<int>{1, 1602, 2204, 3805, 5007}));
}

TEST_F(TurretScheduleTest, ReportsTheCountdownAndListIndexAsTheyStandAfterTheFrame) {
    addStep(5);
    resetTurretSchedule(s);
    ReadOut readOut;
    runTurretSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, readOut);
    EXPECT_TRUE(readOut.shown && readOut.countdown == -1 && readOut.listIndex == 0);
    runTurretSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, readOut);
    EXPECT_TRUE(readOut.shown && readOut.countdown == 4 && readOut.listIndex == 1);
}

TEST_F(TurretScheduleTest, ALoadTakesTheGivenOriginAndSelectsTheSweep) {
    addStep(0, kinds::SWEEP_BOUNCE);
    addStep(0, -1);
    resetTurretSchedule(s);
    EXPECT_EQ(runTurretSchedule(s, 100, actor::NOT_GIVEN), -1);
    EXPECT_EQ(s.turret.originX, 100.0f);
    EXPECT_EQ(s.turret.originY, 0.0f);
    EXPECT_EQ(s.turretBehaviour, sweepBounce);
    EXPECT_EQ(runTurretSchedule(s, actor::NOT_GIVEN, 7), -1);
    EXPECT_EQ(s.turret.originX, 0.0f);
    EXPECT_EQ(s.turret.originY, 7.0f);
    EXPECT_EQ(s.turretBehaviour, sweepWrap);
    EXPECT_EQ(runTurretSchedule(s, 55, 55), 0);  // nothing loaded: ignored
    EXPECT_EQ(s.turret.originX, 0.0f);
}

TEST_F(TurretScheduleTest, NullReferencesKeepTheBlocksOwn) {
    const float origin[2] = {1.0f, 2.0f};
    TurretStep referring;
    referring.originRef = origin;
    referring.speed = 3.0f;
    loadTurretStep(s, referring);
    TurretStep plain;
    plain.speed = 4.0f;
    loadTurretStep(s, plain);
    EXPECT_EQ(s.turret.originRef, origin);
    EXPECT_EQ(s.turret.targetRef, nullptr);
    EXPECT_EQ(s.turret.speed, 4.0f);
}

TEST_F(TurretScheduleTest, AReleasedProgramDoesNothing) {
    collections::releaseList(s.turretSteps);
    ReadOut readOut{-1, 7, 7};
    EXPECT_EQ(runTurretSchedule(s, 1, 1, readOut), 0);
    EXPECT_FALSE(readOut.shown) << "a program without a cursor has no read-out";
}

}  // namespace
}  // namespace turret
