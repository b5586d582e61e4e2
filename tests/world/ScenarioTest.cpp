// The scenario's programs, and the timeline the demonstration plays from them,
// observed by stepping the program's own world.
#include "world/Scenario.h"

#include <gtest/gtest.h>

#include <vector>

#include "world/World.h"
#include "shooter/EmitterSchedule.h"

namespace world {
namespace {

template <typename T>
std::vector<T> program(const collections::RecordList<T>& list) {
    std::vector<T> steps;
    for (auto* node = list.first; node && node->record; node = node->next) steps.push_back(*node->record);
    return steps;
}

struct ScenarioTest : ::testing::Test {
    World pass;
    void SetUp() override { setUpWorld(pass); }
    void TearDown() override { tearDownWorld(pass); }
};

TEST_F(ScenarioTest, EveryShooterHasTheSameProgramsAQuarterTurnApart) {
    for (int32_t i = 0; i < SHOOTER_COUNT; ++i) {
        const auto moves = program(pass.shooters[i].emitterSteps);
        const auto shots = program(pass.shooters[i].turretSteps);
        ASSERT_EQ(moves.size(), 6u);
        ASSERT_EQ(shots.size(), 10u);
        EXPECT_EQ(moves[0].active, 0);  // the constructor's head steps
        EXPECT_EQ(shots[0].active, 0);
        for (size_t k = 1; k < moves.size(); ++k) {
            EXPECT_EQ(moves[k].angle, 90 * i);
            EXPECT_EQ(moves[k].active, -1);
            EXPECT_EQ(moves[k].x, 320.0f);
            EXPECT_EQ(moves[k].centreX, k == 1 ? 0.0f : 320.0f);
            EXPECT_EQ(moves[k].centreY, k == 1 ? 0.0f : 240.0f);
        }
        for (size_t k = 1; k < shots.size(); ++k) {
            EXPECT_EQ(shots[k].angle, 90 * i);
            EXPECT_EQ(shots[k].bulletCount, 256);
            EXPECT_EQ(shots[k].fireDelay, 1);
            EXPECT_EQ(shots[k].shotInterval, k == 9 ? 0 : 2);
            EXPECT_EQ(shots[k].originY, 140.0f);
            EXPECT_EQ(shots[k].active, -1);
            EXPECT_EQ(shots[k].originRef, nullptr);
        }
    }
}

TEST_F(ScenarioTest, ProgramsPlayTheirTimelineAndDriftApart) {
    std::vector<std::pair<int, int32_t>> moveLoads, shotLoads;
    int32_t lastMove = 0, lastShot = 0;
    for (int frame = 1; frame <= STUDY_FRAMES; ++frame) {
        stepWorld(pass);
        const actor::Shooter& s = pass.shooters[3];
        if (s.emitterListIndex != lastMove && s.emitterListIndex != 0) moveLoads.emplace_back(frame, s.emitterListIndex);
        if (s.turretListIndex != lastShot && s.turretListIndex != 0) shotLoads.emplace_back(frame, s.turretListIndex);
        lastMove = s.emitterListIndex;
        lastShot = s.turretListIndex;
        ASSERT_EQ(s.emitter.active, -1);
    }
    const std::vector<std::pair<int, int32_t>> expectedMoves = {
        {1, 1},    {1302, 2},  {1603, 3},  {2904, 4},  {6105, 5},  // first pass
        {7407, 1}, {8708, 2},  {9009, 3},  {10310, 4}, {13511, 5},  // E5 then holds 2602 frames
        {16113, 1}};
    EXPECT_EQ(moveLoads, expectedMoves);
    const std::vector<std::pair<int, int32_t>> expectedShots = {
        {1, 1},     {1602, 2},  {2203, 3},  {2904, 4},  {3605, 5},  {4306, 6}, {5007, 7}, {5708, 8}, {6409, 9},
        {7111, 1},  {8712, 2},  {9313, 3},  {10014, 4}, {10715, 5}, {11416, 6}, {12117, 7}, {12818, 8}, {13519, 9},
        {14921, 1}};  // T9 held 1402 frames
    EXPECT_EQ(shotLoads, expectedShots);
}

}  // namespace
}  // namespace world
