// The answer on worlds made so that it is known: a wall of bullets coming
// down with a gap too narrow for the ship (not survivable, lost where the
// wall reaches the last row), the same gap wider (survivable, the way goes
// through it and replays with no hit), a ship too slow to reach the gap
// (survivable only from anywhere); and a brute force over the positions of
// a few frames agrees with the reachable sets on random small worlds.
#include "dodge/Dodge.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <utility>

#include "shooter/EmitterSchedule.h"
#include "turret/TurretSchedule.h"

namespace dodge {
namespace {

// Two shooters whose guns are on but fire nothing, so that the bullets
// placed in their stores fly on by themselves.
void quiet(const void*, world::World& w) {
    world::makeShooters(w, 2, 0);
    for (int32_t i = 0; i < 2; ++i) {
    actor::EmitterStep body;
    body.duration = 100'000;
    body.x = -40.0f;
    body.y = -40.0f;
    body.active = -1;
    shooter::addEmitterStep(w.shooters[i], body);
    actor::TurretStep gun;
    gun.duration = 100'000;
    gun.active = -1;
    gun.bulletCount = 256;
    gun.volleySize = 0;
    gun.fireDelay = 100'000;
    turret::addTurretStep(w.shooters[i], gun);
    }
    world::rewindPrograms(w);
}

struct Made {
    world::World w;
    Made() { world::setUpWorld(w, {quiet, nullptr}); }
    ~Made() { world::tearDownWorld(w); }
    void bullet(int32_t slot, float x, float y, float vx, float vy, int32_t shooter = 0) {
        ASSERT_LT(slot, actor::BULLET_CAPACITY);
        bullets::Bullet& b = w.shooters[shooter].bullets[slot];
        b.x = x, b.y = y, b.vx = vx, b.vy = vy, b.alive = 1, b.motion = 0;
    }
    // Two rows of bullets 5 pixels apart, at y = 100 and 104, coming down 2 a
    // frame, with `gap` pixels between the two either side of x = 100. With
    // the ship's reach of 5 they block 13 rows whole, and 9 at a gap of 9:
    // more than the ship and the wall close in on each other in a frame (6).
    void wall(float gap) {
        for (const int32_t row : {0, 1}) {
            const float y = 100.0f + 4.0f * static_cast<float>(row);
            int32_t slot = 0;
            for (float x = 100.0f - gap / 2; x >= -5.0f; x -= 5.0f) bullet(slot++, x, y, 0.0f, 2.0f, row);
            for (float x = 100.0f + gap / 2; x <= 645.0f; x += 5.0f) bullet(slot++, x, y, 0.0f, 2.0f, row);
        }
    }
};

// The way replayed: hits taken.
int32_t replayHits(const std::vector<uint8_t>& moves, float gap, int32_t x, int32_t y, int32_t speed) {
    Made again;
    again.wall(gap);
    world::Ship& ship = again.w.ship;
    ship.present = -1, ship.x = static_cast<float>(x), ship.y = static_cast<float>(y);
    ship.speed = speed, ship.diagonal = world::diagonalStep(speed);
    ship.focusedSpeed = speed, ship.focusedDiagonal = world::diagonalStep(speed);
    for (const uint8_t move : moves) {
        ship.move = move;
        world::stepWorld(again.w);
    }
    return ship.hits;
}

TEST(Dodge, AWallWithAGapIsSurvivedThroughTheGapOnlyWhenTheGapIsWideAndNearEnough) {
    Options o;
    o.to = 260;
    {
        // 9 pixels between the bullets either side of the gap leave no clear column: no way past.
        Made m;
        m.wall(9.0f);
        const Answer a = answer(m.w, o);
        EXPECT_TRUE(a.exact);
        EXPECT_FALSE(a.survivable);
        // The lower row reaches y = 104 + 2 x 186 = 476, within 5 pixels of the
        // last row, in frame 186; the gap's column there, 4.5 from its bullets
        // and 3 rows off, is clear one frame more.
        EXPECT_EQ(a.lostAt, 187);
    }
    {
        Made m;
        m.wall(14.0f);
        const Answer a = answer(m.w, o);
        ASSERT_TRUE(a.survivable);
        EXPECT_EQ(replayHits(a.moves, 14.0f, 320, 440, 4), 0);
        // The wall sweeps every row before it leaves: a way without a hit went through the gap.
    }
    {
        // A ship of a pixel a frame cannot cross 220 pixels to the gap before
        // the wall comes down; one that may start anywhere can.
        Made m;
        m.wall(14.0f);
        m.w.ship.speed = m.w.ship.focusedSpeed = 1;
        m.w.ship.diagonal = m.w.ship.focusedDiagonal = 1;
        const Answer slow = answer(m.w, o);
        EXPECT_FALSE(slow.survivable);
        Made n;
        n.wall(14.0f);
        n.w.ship.speed = n.w.ship.focusedSpeed = 1;
        n.w.ship.diagonal = n.w.ship.focusedDiagonal = 1;
        Options everywhere = o;
        everywhere.anywhere = true;
        const Answer anywhere = answer(n.w, everywhere);
        ASSERT_TRUE(anywhere.survivable);
        EXPECT_EQ(replayHits(anywhere.moves, 14.0f, anywhere.startX, anywhere.startY, 1), 0);
    }
}

TEST(Dodge, ABruteForceOverThePositionsAgreesOnRandomSmallWorlds) {
    std::mt19937 random(7);
    for (int32_t trial = 0; trial < 6; ++trial) {
        Made m, brute;
        std::uniform_real_distribution<float> near(280.0f, 360.0f), speed(-3.0f, 3.0f);
        for (int32_t slot = 0; slot < 40; ++slot) {
            const float x = near(random), y = near(random) + 100.0f, vx = speed(random), vy = speed(random);
            m.bullet(slot, x, y, vx, vy);
            brute.bullet(slot, x, y, vx, vy);
        }
        for (world::World* w : {&m.w, &brute.w}) {
            w->ship.speed = 2, w->ship.diagonal = 1, w->ship.focusedSpeed = 1, w->ship.focusedDiagonal = 1;
            w->ship.present = -1;
        }
        Options o;
        o.to = 24;
        const Answer a = answer(m.w, o);
        // The positions one by one, each move of each, each bullet tested.
        std::set<std::pair<int32_t, int32_t>> at{{320, 440}};
        const std::pair<int32_t, int32_t> steps[] = {{0, 0}, {2, 0}, {-2, 0}, {0, 2}, {0, -2}, {1, 1}, {1, -1}, {-1, 1},
                                                     {-1, -1}, {1, 0}, {-1, 0}, {0, 1}, {0, -1}};
        for (size_t f = 0; f < a.frames.size(); ++f) {
            world::stepWorld(brute.w);
            std::set<std::pair<int32_t, int32_t>> next;
            const double reach = double{brute.w.ship.hitRadius} + brute.w.ship.bulletRadius;
            for (const auto& [x, y] : at) {
                for (const auto& [dx, dy] : steps) {
                    const int32_t nx = std::clamp(x + dx, 0, 639), ny = std::clamp(y + dy, 0, 479);
                    bool hit = false;
                    for (int32_t j = 0; j < 256 && !hit; ++j) {
                        const bullets::Bullet& b = brute.w.shooters[0].bullets[j];
                        const double ddx = double{b.x} - nx, ddy = double{b.y} - ny;
                        hit = b.alive && ddx * ddx + ddy * ddy < reach * reach;
                    }
                    if (!hit) next.insert({nx, ny});
                }
            }
            at = std::move(next);
            ASSERT_EQ(a.frames[f].reachable, static_cast<int64_t>(at.size())) << "trial " << trial << ", frame " << f + 1;
        }
    }
}

// What a viewer shows at a frame: the reachable positions worked again from
// the kept checkpoints, by a jump or a frame at a time, the same as the
// answer counted; the answer handed over as bytes gives the same, and bytes
// cut, or with a count changed, are refused.
TEST(Dodge, TheKeptCheckpointsGiveEachFramesPositionsAgainAndPackWhole) {
    Made m;
    m.wall(14.0f);
    Options o;
    o.to = 200;
    o.keep = true;
    const Answer a = answer(m.w, o);
    ASSERT_TRUE(a.survivable);
    ASSERT_GE(a.kept.size(), 3u);
    const std::vector<uint8_t> bytes = packAnswer(a);
    Answer back;
    ASSERT_TRUE(unpackAnswer(bytes.data(), bytes.size(), back));
    EXPECT_EQ(back.moves, a.moves);
    ASSERT_EQ(back.frames.size(), a.frames.size());
    for (const Answer* given : {&a, static_cast<const Answer*>(&back)}) {
        Cursor c;
        world::setUpWorld(c.world, {quiet, nullptr});
        for (const int64_t frame : {150, 151, 3, 64, 65, 200, 1, 2, 130, 199, 200}) {
            ASSERT_TRUE(reachAt(c, *given, frame));
            EXPECT_EQ(count(c.reach), a.frames[static_cast<size_t>(frame - 1)].reachable) << "frame " << frame;
        }
        EXPECT_FALSE(reachAt(c, *given, 201));
        EXPECT_FALSE(reachAt(c, *given, 0));
        world::tearDownWorld(c.world);
    }
    std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 8), changed = bytes;
    changed[13 * 8] += 1;  // one frame more than the bytes hold
    EXPECT_FALSE(unpackAnswer(cut.data(), cut.size(), back));
    EXPECT_FALSE(unpackAnswer(changed.data(), changed.size(), back));
    EXPECT_TRUE(back.frames.empty());
}

}  // namespace
}  // namespace dodge
