// The player's ship against a pattern: a shot aimed at it hits it at the
// frame the geometry says, a ship that steps aside is missed, each bullet
// counts once as a hit and once as a graze, and the ship changes nothing in
// the world but what aims at it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "pattern/Pattern.h"
#include "replay/Recording.h"

namespace pattern {
namespace {

// One shooter at (320, 100) whose gun fires one bullet from a store of one at
// 5 pixels a frame, aimed at TARGET, the ship starting at (320, 400).
std::string aimed(const std::string& target, const std::string& more = "") {
    return "[player]\nstart = [320, 400]\n" + more +
           "[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 1000, x = 320.0, y = 100.0, active = true } ]\n"
           "[firing.f]\nsteps = [ { duration = 1000, active = true, bulletCount = 1, volleySize = 1, fireDelay = 10, "
           "burstPause = 1000, speed = 5.0, aimAtTarget = true, targetRef = " + target + " } ]\n";
}

struct Played {
    world::World world;
    explicit Played(const std::string& text) {
        const Loaded loaded = parsePattern(text, "ship.toml");
        EXPECT_FALSE(refused(loaded)) << text;
        world::setUpWorld(world, makerFor(loaded.pattern));
    }
    ~Played() { world::tearDownWorld(world); }
    // Runs to `frame`, steering with `move` every frame.
    void to(int32_t frame, int32_t move = world::MOVE_NONE) {
        while (world.ship.frame < frame) {
            world.ship.move = move;
            world::stepWorld(world);
        }
    }
    const bullets::Bullet& bullet() const { return world.shooters[0].bullets[0]; }
};

TEST(Ship, AnAimedShotHitsAtTheFrameTheGeometrySaysAndMissesAShipThatStepsAside) {
    // The bullet leaves in frame 11 and is 5 × (frame - 10) pixels below the
    // muzzle: within 16 + 3 pixels of the ship from frame 67 (a graze),
    // nearer than 2 + 3 only in frame 70 (295 pixels would touch, not hit).
    Played run(aimed("\"player\""));
    run.to(66);
    EXPECT_EQ(run.world.ship.grazes, 0);
    run.to(67);
    EXPECT_EQ(run.world.ship.grazes, 1);
    run.to(69);
    EXPECT_EQ(run.world.ship.hits, 0);
    run.to(70);
    EXPECT_EQ(run.world.ship.hits, 1);
    EXPECT_EQ(run.world.ship.hitNow, 1);
    EXPECT_EQ(run.world.ship.lastHit, 70);
    run.to(75);
    EXPECT_TRUE(run.bullet().alive) << "a hit removes nothing";
    run.to(200);
    EXPECT_EQ(run.world.ship.hits, 1);  // it flew through; counted once
    EXPECT_EQ(run.world.ship.grazes, 1);

    // Aimed at where the ship was in frame 11, the bullet misses a ship that
    // kept going right; the ship stops at the screen's edge.
    Played aside(aimed("\"player\""));
    aside.to(11, world::MOVE_RIGHT);
    EXPECT_EQ(aside.world.ship.x, 320.0f + 11 * 4);
    EXPECT_GT(aside.bullet().x, 320.0f) << "the shot did not follow the ship";
    aside.to(300, world::MOVE_RIGHT);
    EXPECT_EQ(aside.world.ship.x, 639.0f);
    EXPECT_EQ(aside.world.ship.hits, 0);
}

TEST(Ship, EachBulletCountsOnceAndASlotLaunchedAgainHoldsANewOne) {
    // One slot, a bullet every time it is free, at 1 pixel a frame straight
    // through the ship's centre: each bullet is within its hit reach for ten
    // frames but counts once, and every one of them counts.
    Played run("[player]\nstart = [320, 470]\n[shooters]\ncount = 1\n[movement.m]\n"
            "steps = [ { duration = 3000, x = 320.0, y = 440.0, active = true } ]\n[firing.f]\n"
            "steps = [ { duration = 3000, active = true, bulletCount = 1, volleySize = 1, fireDelay = 1, "
            "burstPause = 1, speed = 1.0, angle = 90 } ]\n");
    int32_t launches = 0;
    bool was = false;
    while (run.world.ship.frame < 2000) {
        run.to(run.world.ship.frame + 1);
        if (run.bullet().alive && !was) ++launches;
        was = run.bullet().alive != 0;
    }
    EXPECT_GT(launches, 3);
    EXPECT_EQ(run.world.ship.hits, launches);
    EXPECT_EQ(run.world.ship.grazes, launches);
}

TEST(Ship, WithNobodySteeringThePlayerIsAFixedPointAndTheShipChangesNothingElse) {
    // Aimed at the ship standing still, or at the point it stands on: one world.
    Played player(aimed("\"player\""));
    Played point(aimed("[320.0, 400.0]"));
    // A [player] table and a hit do not change the bullets, with nothing aimed at it.
    Played without(aimed("[320.0, 400.0]").substr(std::string("[player]\nstart = [320, 400]\n").size()));
    for (int32_t frame = 1; frame <= 300; ++frame) {
        player.to(frame);
        point.to(frame);
        without.world.ship.frame = frame;  // it has no ship to count its frames
        world::stepWorld(without.world);
        ASSERT_EQ(0, std::memcmp(&player.bullet(), &point.bullet(), sizeof(bullets::Bullet))) << frame;
        ASSERT_EQ(0, std::memcmp(&player.bullet(), &without.bullet(), sizeof(bullets::Bullet))) << frame;
    }
    EXPECT_EQ(player.world.ship.hits, 1);
    EXPECT_FALSE(without.world.ship.present);
}

TEST(Ship, ThePlayerTableIsReadWithinItsLimits) {
    const Loaded loaded = parsePattern(aimed("\"player\"", "speed = 6\nfocusedSpeed = 1\ngrazeRadius = 20.5\n"), "p.toml");
    ASSERT_FALSE(refused(loaded));
    EXPECT_EQ(loaded.pattern.player.speed, 6);
    EXPECT_EQ(loaded.pattern.player.grazeRadius, 20.5f);
    world::World w;
    world::setUpWorld(w, makerFor(loaded.pattern));
    EXPECT_EQ(w.ship.diagonal, 4);  // 4 × √2 is nearest 6
    EXPECT_EQ(w.ship.focusedDiagonal, 1);
    world::tearDownWorld(w);
    // A pattern that aims at the ship has one without the table, at the bottom centre.
    const Loaded bare = parsePattern(aimed("\"player\"").substr(28), "p.toml");
    ASSERT_FALSE(refused(bare)) << aimed("\"player\"").substr(28);
    EXPECT_TRUE(bare.pattern.player.given);
    EXPECT_EQ(bare.pattern.player.y, 440);
    for (const char* bad : {"start = [640, 0]\n", "start = [1.5, 2]\n", "speed = 65\n", "hitRadius = -1.0\n",
                            "lives = 3\n"}) {
        EXPECT_TRUE(refused(parsePattern(aimed("\"player\"", bad), "p.toml"))) << bad;
    }
    const Loaded origin = parsePattern(aimed("\"player\"").replace(aimed("\"player\"").find("targetRef"), 9, "originRef"), "p.toml");
    ASSERT_TRUE(refused(origin));
    EXPECT_NE(origin.messages[0].text.find("cannot follow the player's ship"), std::string::npos);
}

// The sample aimed at the player, and the run recorded on it that survives it.
TEST(Ship, TheSampleRunSurvivesTheSampleItWasRecordedOn) {
    const Loaded loaded = loadPattern(std::string(BARRAGE_SOURCE_DIR) + "/patterns/aimed.toml");
    ASSERT_FALSE(refused(loaded));
    replay::Recording run;
    std::string error;
    ASSERT_TRUE(replay::loadRecording(std::string(BARRAGE_SOURCE_DIR) + "/patterns/aimed-run.rec", run, error)) << error;
    const std::string flat = flatPattern(loaded);
    EXPECT_EQ(run.digest, replay::digestOf(std::string_view(flat).substr(flat.find('\n') + 1)))
        << "aimed.toml changed since the run was recorded: record it again";
    Played played(loaded.text);
    for (const uint8_t move : run.moves) played.to(played.world.ship.frame + 1, move);
    EXPECT_EQ(played.world.ship.hits, 0);
    EXPECT_GT(played.world.ship.grazes, 0);
    Played standing(loaded.text);
    standing.to(static_cast<int32_t>(run.moves.size()));
    EXPECT_GT(standing.world.ship.hits, 10) << "a ship that stands still is hit";
}

}  // namespace
}  // namespace pattern
