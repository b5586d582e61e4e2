// The movement program's schedule: its timeline, the head step's course from
// the second wrap on, the read-out, given coordinates and mode selection.
#include "shooter/EmitterSchedule.h"

#include <gtest/gtest.h>

#include <vector>

#include "kinds/Kinds.h"
#include "support/Shooters.h"
#include "shooter/MoveModes.h"

namespace shooter {
namespace {

using actor::BULLET_CAPACITY;
using actor::NOT_GIVEN;

struct EmitterScheduleTest : ::testing::Test {
    testing_support::OwnedShooter owned;
    Shooter& s = owned.shooter;

    void addStep(int32_t duration, int32_t moveMode = kinds::MOVE_LINEAR, int32_t active = -1) {
        EmitterStep step;
        step.duration = duration;
        step.moveMode = moveMode;
        step.active = active;
        step.x = 10.0f;
        step.y = 20.0f;
        addEmitterStep(s, step);
    }
    std::vector<int> loadFrames(int frames) {
        std::vector<int> loads;
        for (int frame = 1; frame <= frames; ++frame) {
            if (runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN)) loads.push_back(frame);
        }
        return loads;
    }
};

TEST_F(EmitterScheduleTest, StepsLoadOnTheirTimelineOverTwoPasses) {
    addStep(1300);
    addStep(300);
    resetEmitterSchedule(s);
    EXPECT_EQ(loadFrames(5000), (std::vector<int>{1, 1302, 1604, 2905, 3507, 4808}));
}

TEST_F(EmitterScheduleTest, FromTheSecondWrapTheHeadStepCountsDownTheLastDuration) {
    addStep(2);
    addStep(3);
    resetEmitterSchedule(s);
    // Pass 1 loads at 1 and 4; the second step's expiry in frame 8 loads
    // nothing. Pass 2 wraps in frame 9 and loads at once. From pass 3 on the
    // head step first counts down the last step's 3 frames (17 to 19).
    EXPECT_EQ(loadFrames(31), (std::vector<int>{1, 4, 9, 12, 20, 23, 31}));
    EXPECT_EQ(s.emitterListIndex, 1);
}

TEST_F(EmitterScheduleTest, ReportsTheCountdownAndListIndexAsTheyStandAfterTheFrame) {
    addStep(300);
    resetEmitterSchedule(s);
    ReadOut readOut;
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN, readOut);
    EXPECT_TRUE(readOut.shown && readOut.countdown == -1 && readOut.listIndex == 0);
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN, readOut);
    EXPECT_TRUE(readOut.shown && readOut.countdown == 299 && readOut.listIndex == 1);
}

TEST_F(EmitterScheduleTest, GivenCoordinatesReplaceOnlyTheirAxisOfALoadedStep) {
    addStep(0);
    addStep(5);
    resetEmitterSchedule(s);
    EXPECT_EQ(runEmitterSchedule(s, 100, NOT_GIVEN), -1);
    EXPECT_EQ(s.emitter.x, 100.0f);
    EXPECT_EQ(s.emitter.y, 20.0f);
    EXPECT_EQ(runEmitterSchedule(s, 1, 2), -1);  // a duration-0 step governs one frame
    EXPECT_EQ(s.emitter.x, 1.0f);
    EXPECT_EQ(runEmitterSchedule(s, 3, 4), 0);
    EXPECT_EQ(s.emitter.x, 1.0f);
    EXPECT_EQ(s.emitter.y, 2.0f);
}

TEST_F(EmitterScheduleTest, ModesOutsideTheTableMoveLinearly) {
    addStep(0, kinds::MOVE_ORBIT);
    addStep(0, kinds::MOVE_MODE_COUNT + 2);  // no such mode: linear
    resetEmitterSchedule(s);
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN);
    EXPECT_EQ(s.emitterMove, moveOrbit);
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN);
    EXPECT_EQ(s.emitterMove, moveLinear);
}

TEST_F(EmitterScheduleTest, TheMostNegativeDurationGovernsOneFrameLikeAnyNegativeOne) {
    addStep(INT32_MIN);
    addStep(INT32_MAX);
    resetEmitterSchedule(s);
    EXPECT_EQ(runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN), -1);
    EXPECT_EQ(s.emitter.duration, INT32_MIN);
    ReadOut readOut;
    EXPECT_EQ(runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN, readOut), -1);  // expired at once, not wrapped round
    EXPECT_EQ(readOut.countdown, INT32_MIN);
    EXPECT_EQ(s.emitter.duration, INT32_MAX);
}

TEST_F(EmitterScheduleTest, AStepWithActiveZeroSwitchesTheShooterOff) {
    addStep(0, kinds::MOVE_LINEAR, 0);
    resetEmitterSchedule(s);
    EXPECT_EQ(s.emitter.active, -1);
    runEmitterSchedule(s, NOT_GIVEN, NOT_GIVEN);
    EXPECT_EQ(s.emitter.active, 0);
}

}  // namespace
}  // namespace shooter
