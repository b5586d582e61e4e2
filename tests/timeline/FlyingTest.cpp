// Flying the ship on the timeline: a run steered in the viewer is a
// recording that seeks, steps back, loops and replays into the same world
// (hits included) as the world stepped straight through with its moves; a
// takeover drops the rest of the recording; the hit keys go from hit to hit.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "display/Control.h"
#include "display_headless/Headless.h"
#include "pattern/Pattern.h"
#include "timeline/Viewer.h"

namespace timeline {
namespace {

// A stream of shots aimed at the ship from the top, into a store of 256.
constexpr const char* AIMED =
    "[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 100000, x = 320.0, y = 60.0, active = true } ]\n"
    "[firing.f]\nsteps = [ { duration = 100000, active = true, bulletCount = 256, volleySize = 3, spreadStep = 4, "
    "sweepDir = 1, spreadKind = \"centred-fan\", fireDelay = 1, burstPause = 6, speed = 4.0, aimAtTarget = true, "
    "targetRef = \"player\" } ]\n";

// The ship and every bullet: what a replay must give again.
std::string stateOf(const world::World& w) {
    std::string state(reinterpret_cast<const char*>(&w.ship), sizeof w.ship);
    state.append(reinterpret_cast<const char*>(w.shooters[0].bullets), sizeof(bullets::Bullet) * actor::BULLET_CAPACITY);
    return state;
}

// The world stepped straight through `frames` frames with the moves.
std::string straight(const pattern::Pattern& p, const std::vector<uint8_t>& moves, int64_t frames) {
    world::World w;
    world::setUpWorld(w, pattern::makerFor(p));
    for (int64_t f = 1; f <= frames; ++f) {
        w.ship.move = f <= static_cast<int64_t>(moves.size()) ? moves[static_cast<size_t>(f - 1)] : world::MOVE_NONE;
        world::stepWorld(w);
    }
    std::string state = stateOf(w);
    world::tearDownWorld(w);
    return state;
}

class FlyingTest : public testing::Test {
protected:
    void SetUp() override { display::UseWindowSystem(display_headless::headlessSystem()); }
    void TearDown() override { display::CloseScreen(); }
};

TEST_F(FlyingTest, ARunSteeredInTheViewerReplaysExactlyAfterSeeksStepsBackLoopsAndATakeover) {
    const pattern::Loaded loaded = pattern::parsePattern(AIMED, "aimed.toml");
    ASSERT_FALSE(pattern::refused(loaded));
    auto v = std::make_unique<Viewer>();
    openViewer(*v, 1, true, NORMAL_SPEED, pattern::makerFor(loaded.pattern));
    // Steered this way and that for 1,500 frames, at double speed.
    viewerKey(*v, '4');
    viewerKey(*v, 'f');
    for (int32_t tick = 0; viewerFrame(*v) < 1'500; ++tick) {
        steerViewer(*v, (tick / 23 * 7) % world::MOVE_CODES);
        tickViewer(*v);
    }
    viewerKey(*v, 'f');
    viewerKey(*v, ' ');  // paused
    const int64_t end = viewerFrame(*v);
    ASSERT_EQ(static_cast<int64_t>(v->moves.size()), end);
    const std::string flown = stateOf(v->timeline.world);
    EXPECT_EQ(flown, straight(loaded.pattern, v->moves, end));
    EXPECT_GT(v->timeline.world.ship.hits, 0);
    EXPECT_EQ(viewerHits(*v).back(), v->timeline.world.ship.lastHit);

    const auto again = [&](const char* how) { EXPECT_EQ(stateOf(v->timeline.world), flown) << how; };
    seekViewer(*v, 1);
    seekViewer(*v, end);
    again("after a seek to frame 1 and back");
    for (int32_t k = 0; k < 25; ++k) viewerKey(*v, ',');
    for (int32_t k = 0; k < 25; ++k) viewerKey(*v, '.');
    again("after steps back and on");
    ASSERT_TRUE(loopViewer(*v, end - 300, end));
    viewerKey(*v, ' ');
    for (int32_t tick = 0; tick < 200 || viewerFrame(*v) != end; ++tick) tickViewer(*v);
    viewerKey(*v, ' ');
    again("after going round the loop");
    loopViewer(*v, 0, 0);

    // Going from hit to hit, and back.
    seekViewer(*v, 1);
    viewerKey(*v, '>');
    while (v->hunting || v->seeking) tickViewer(*v);
    EXPECT_EQ(viewerFrame(*v), viewerHits(*v).front());
    EXPECT_GT(v->timeline.world.ship.hitNow, 0);
    seekViewer(*v, end);
    viewerKey(*v, '<');
    EXPECT_EQ(viewerFrame(*v), v->timeline.world.ship.lastHit);

    // The recording in a second viewer: the same world at its end.
    auto replayed = std::make_unique<Viewer>();
    const std::vector<uint8_t> recording = v->moves;
    closeViewer(*v);
    display::CloseScreen();
    openViewer(*replayed, 1, true, NORMAL_SPEED, pattern::makerFor(loaded.pattern));
    replayViewer(*replayed, recording.data(), recording.size(), end);
    while (replayed->seeking) tickViewer(*replayed);
    EXPECT_EQ(stateOf(replayed->timeline.world), flown) << "replayed";

    // Taking the keys at frame 700 keeps the recording before it and drops the rest.
    seekViewer(*replayed, 700);
    while (replayed->seeking) tickViewer(*replayed);
    flyViewer(*replayed, true);
    steerViewer(*replayed, world::MOVE_LEFT + world::MOVE_FOCUSED);
    while (viewerFrame(*replayed) < 760) tickViewer(*replayed);
    flyViewer(*replayed, false);
    EXPECT_EQ(replayed->droppedAfter, 700);
    EXPECT_EQ(replayed->dropped, end - 700);
    EXPECT_NE(std::string(replayed->layers.status[1]).find("recording from 701 on"), std::string::npos)
        << replayed->layers.status[1];
    ASSERT_EQ(replayed->moves.size(), size_t{760});
    EXPECT_TRUE(std::equal(replayed->moves.begin(), replayed->moves.begin() + 700, recording.begin()));
    EXPECT_EQ(stateOf(replayed->timeline.world), straight(loaded.pattern, replayed->moves, 760));
    for (const int64_t hit : viewerHits(*replayed)) EXPECT_LE(hit, 760);
    // Past the takeover the ship stands; nothing of the old run is restored there.
    seekViewer(*replayed, 1'300);
    while (replayed->seeking) tickViewer(*replayed);
    EXPECT_EQ(stateOf(replayed->timeline.world), straight(loaded.pattern, replayed->moves, 1'300));
    closeViewer(*replayed);
}

// Whether it can be survived, shown in the viewer: for a pattern that aims
// at the ship (a search) and one that does not (exact), the way through
// played with `u` takes no hit, the ship is on a position the overlay shows
// at every frame of it, the strip marks the frame shown, and a remake drops
// the answer, which was for the world made before.
TEST_F(FlyingTest, TheWayThroughPlaysWithoutAHitOnThePositionsShownAndGoesWithARemake) {
    std::string sweeping = AIMED;
    const std::string aim = ", aimAtTarget = true, targetRef = \"player\"";
    sweeping.erase(sweeping.find(aim), aim.size());
    for (const std::string& text : {std::string(AIMED), sweeping}) {
        const bool exact = text == sweeping;
        const pattern::Loaded loaded = pattern::parsePattern(text, "p.toml");
        ASSERT_FALSE(pattern::refused(loaded));
        auto v = std::make_unique<Viewer>();
        openViewer(*v, 1, true, NORMAL_SPEED, pattern::makerFor(loaded.pattern));
        viewerKey(*v, 'y');
        EXPECT_TRUE(v->fairness.wanted);
        world::World w;
        world::setUpWorld(w, pattern::makerFor(loaded.pattern));
        dodge::Options o;
        o.to = 400;
        o.keep = true;
        fairnessWorking(*v, true);
        fairnessViewer(*v, dodge::answer(w, o));
        world::tearDownWorld(w);
        ASSERT_EQ(v->fairness.answer.exact, exact);
        ASSERT_TRUE(v->fairness.answer.survivable);
        viewerKey(*v, 'u');
        for (int32_t tick = 0; viewerFrame(*v) < 400; ++tick) {
            tickViewer(*v);
            const world::Ship& ship = v->timeline.world.ship;
            ASSERT_TRUE(dodge::has(exact ? v->fairness.cursor.reach : v->fairness.cursor.clear,
                                   static_cast<int32_t>(ship.x), static_cast<int32_t>(ship.y)))
                << "frame " << viewerFrame(*v);
        }
        EXPECT_EQ(v->timeline.world.ship.hits, 0);
        const int32_t x = static_cast<int32_t>((viewerFrame(*v) - 1) * screen::SCREEN_WIDTH / 400);
        EXPECT_EQ(v->layers.overlay[screen::SCREEN_HEIGHT - 2][x], 15);
        remakeViewer(*v, pattern::makerFor(loaded.pattern));
        EXPECT_FALSE(v->fairness.known);
        EXPECT_EQ(v->layers.overlay[screen::SCREEN_HEIGHT - 2][x], 0);
        closeViewer(*v);
    }
}

}  // namespace
}  // namespace timeline
