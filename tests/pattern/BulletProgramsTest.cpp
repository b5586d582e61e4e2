// Bullet programs as a pattern writes them: read into the engine's actions
// (a repeat kept flat between it and its end), run by the bullets of the
// steps that name them, and given back the same by --expand and as bytes;
// each mistake said at its place.
#include <gtest/gtest.h>

#include <set>
#include <cstring>
#include <string>
#include <tuple>

#include "pattern/Pattern.h"
#include "world/Snapshot.h"
#include "world/World.h"

namespace pattern {
namespace {

constexpr const char* SPLITTING =
    "[shooters]\ncount = 2\n"
    "[movement.m]\nsteps = [ { duration = 100000, x = 320.0, y = 120.0, active = true } ]\n"
    "[firing.f]\nsteps = [ { duration = 100000, active = true, bulletCount = 256, volleySize = 6, spreadStep = 60, "
    "sweepDir = 1, sweepStep = 7, burstPause = 20, speed = 1.5, bullet = \"petal\" } ]\n"
    "[bullet.petal]\nactions = [\n"
    "  { wait = 30 },\n"
    "  { repeat = 2, actions = [ { fire = { volley = 3, spread = 20, kind = \"relative\", speed = 0.5, "
    "speedKind = \"relative\", bullet = \"curl\" } }, { wait = 5 } ] },\n"
    "  { vanish = true },\n"
    "]\n"
    "[bullet.curl]\nactions = [ { direction = 90, kind = \"relative\", frames = 40 }, { accel = [0.0, 0.01] } ]\n";

std::string stateAfter(const Pattern& p, int32_t frames) {
    world::World w;
    world::setUpWorld(w, makerFor(p));
    for (int32_t f = 0; f < frames; ++f) world::stepWorld(w);
    std::string state;
    for (int32_t i = 0; i < w.count; ++i) {
        state.append(reinterpret_cast<const char*>(w.shooters[i].bullets), sizeof(bullets::Bullet) * 256);
    }
    world::tearDownWorld(w);
    return state;
}

TEST(BulletPrograms, ReadIntoActionsRunByTheStepsThatNameThemAndGivenBackTheSameFlatAndAsBytes) {
    const Loaded loaded = parsePattern(SPLITTING, "p.toml");
    ASSERT_FALSE(refused(loaded)) << (loaded.messages.empty() ? "" : loaded.messages[0].text);
    const Pattern& p = loaded.pattern;
    ASSERT_EQ(p.bulletNames, (std::vector<std::string>{"curl", "petal"}));  // by name, as tables are
    EXPECT_EQ(p.firings[0].steps[0].bullet, 1);
    // petal: wait, repeat, fire, wait, end of the repeat, vanish, end.
    std::vector<int32_t> kinds;
    for (int32_t k = 0; k < p.bullets.programs[1].count; ++k) {
        kinds.push_back(p.bullets.actions[static_cast<size_t>(p.bullets.programs[1].first + k)].kind);
    }
    EXPECT_EQ(kinds, (std::vector<int32_t>{actions::WAIT, actions::REPEAT, actions::FIRE, actions::WAIT, actions::END,
                                           actions::VANISH, actions::END}));
    EXPECT_TRUE(actions::soundPrograms(p.bullets));
    // The petals split into curls, which the bullets without programs never do.
    world::World w;
    world::setUpWorld(w, makerFor(p));
    int32_t curls = 0;
    for (int32_t f = 0; f < 200; ++f) {
        world::stepWorld(w);
        for (int32_t j = 0; j < 256; ++j) curls += w.runs[0].runs[j].program == 0;
    }
    world::tearDownWorld(w);
    EXPECT_GT(curls, 0);
    const std::string state = stateAfter(p, 400);
    const Loaded flat = parsePattern(flatPattern(loaded), "flat.toml");
    ASSERT_FALSE(refused(flat)) << flatPattern(loaded);
    EXPECT_EQ(stateAfter(flat.pattern, 400), state);
    const std::vector<uint8_t> bytes = packPattern(p);
    Pattern back;
    ASSERT_TRUE(unpackPattern(bytes.data(), bytes.size(), back));
    EXPECT_EQ(stateAfter(back, 400), state);
    // Bytes whose repeat leads nowhere are no pattern.
    Pattern broken = p;
    broken.bullets.actions[static_cast<size_t>(p.bullets.programs[1].first) + 1].jump += 1;  // petal's repeat
    const std::vector<uint8_t> bad = packPattern(broken);
    EXPECT_FALSE(unpackPattern(bad.data(), bad.size(), back));
}

// Values worked out as each bullet runs: the gun's volley of 4, each bullet
// waiting by its index, its speed from its volley and index, a repeat's
// index, and draws from the world's sequence.
constexpr const char* RUNNING =
    "[params]\nstep = 10\n"
    "[shooters]\ncount = 1\n"
    "[movement.m]\nsteps = [ { duration = 100000, x = 320.0, y = 240.0, active = true } ]\n"
    "[firing.f]\nsteps = [ { duration = 100000, active = true, bulletCount = 256, volleySize = 4, spreadStep = 90, "
    "sweepDir = 1, burstPause = 40, speed = 1.0, bullet = \"b\" } ]\n"
    "[bullet.b]\nactions = [\n"
    "  { wait = \"= 1 + index * 3\" },\n"
    "  { speed = \"= volley + index\" },\n"
    "  { repeat = 3, index = \"k\", actions = [ { direction = \"= k * step\" }, { wait = 1 } ] },\n"
    "  { direction = \"= rand() * 360\", frames = \"= 2 + 0 * age\" },\n"
    "]\n";

TEST(BulletPrograms, ValuesWorkedOutAsTheBulletRunsFromItsOwnNamesAndTheWorldsDraws) {
    const Loaded loaded = parsePattern(RUNNING, "p.toml");
    ASSERT_FALSE(refused(loaded)) << (loaded.messages.empty() ? "" : loaded.messages[0].text);
    world::World w;
    world::setUpWorld(w, makerFor(loaded.pattern));
    int32_t launch = 0;
    for (int32_t f = 1; launch == 0; ++f) {
        world::stepWorld(w);
        if (w.shooters[0].bullets[0].alive) launch = f;
    }
    // Bullet k's speed becomes 4 + k at frame launch + 1 + 3k, and its
    // repeat turns it to 0, 10 and 20 degrees, one a frame.
    const actions::Run* runs = w.runs[0].runs;
    for (int32_t f = launch + 1; f <= launch + 14; ++f) {
        world::stepWorld(w);
        for (int32_t k = 0; k < 4; ++k) {
            const int32_t at = f - launch - (1 + 3 * k);  // frames since its speed changed
            EXPECT_EQ(runs[k].speed, at >= 0 ? static_cast<float>(4 + k) : 1.0f) << f << " " << k;
            if (at >= 0 && at <= 2) {
                EXPECT_EQ(runs[k].direction, static_cast<float>(10 * at)) << f << " " << k;
            }
        }
    }
    // Each bullet of each volley draws a direction of its own.
    std::set<float> turns;
    for (int32_t f = 0; f < 100; ++f) {
        world::stepWorld(w);
        for (int32_t j = 0; j < 256; ++j) {
            if (runs[j].program == actions::DONE && w.shooters[0].bullets[j].alive) turns.insert(runs[j].turnTo);
        }
    }
    EXPECT_GE(turns.size(), 8u);
    // The draws are the world's: from a snapshot they come again the same.
    std::vector<uint64_t> bytes(world::snapshotBytes(w) / 8 + 1);
    ASSERT_TRUE(world::takeSnapshot(bytes.data(), bytes.size() * 8, w, 1));
    const auto ahead = [&] {
        std::string state;
        for (int32_t f = 0; f < 150; ++f) {
            world::stepWorld(w);
            state.append(reinterpret_cast<const char*>(w.shooters[0].bullets), sizeof(bullets::Bullet) * 256);
        }
        return state;
    };
    const std::string first = ahead();
    ASSERT_TRUE(world::restoreSnapshot(bytes.data(), w));
    EXPECT_EQ(ahead(), first);
    world::tearDownWorld(w);
    // Written back flat, as bytes, and from another seed.
    const std::string state = stateAfter(loaded.pattern, 300);
    const Loaded flat = parsePattern(flatPattern(loaded), "flat.toml");
    ASSERT_FALSE(refused(flat)) << flatPattern(loaded);
    EXPECT_EQ(stateAfter(flat.pattern, 300), state);
    const std::vector<uint8_t> packed = packPattern(loaded.pattern);
    Pattern back;
    ASSERT_TRUE(unpackPattern(packed.data(), packed.size(), back));
    EXPECT_EQ(stateAfter(back, 300), state);
    EXPECT_NE(stateAfter(parsePattern(RUNNING, "p.toml", {{"seed", 3.0}}).pattern, 300), state);
    // A formula whose terms leave no number is no pattern.
    Pattern broken = loaded.pattern;
    broken.bullets.formulas[0].count = 2;  // "1 index": two numbers left
    const std::vector<uint8_t> bad = packPattern(broken);
    EXPECT_FALSE(unpackPattern(bad.data(), bad.size(), back));
}

TEST(BulletPrograms, EachMistakeIsSaidAtItsPlace) {
    const auto said = [](const std::string& bullet, const std::string& step = "bullet = \"b\"") {
        const Loaded loaded = parsePattern("[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 10, active = true } ]\n"
                                           "[firing.f]\nsteps = [ { duration = 10, " + step + " } ]\n"
                                           "[bullet.b]\nactions = [\n" + bullet + "\n]\n",
                                           "p.toml");
        std::string all;
        for (const Message& m : loaded.messages) all += formatMessage("p.toml", m) + "\n";
        return all;
    };
    EXPECT_EQ(said("{ wait = 3 }"), "");
    EXPECT_EQ(said("{ wait = 3 }", "bullet = \"none\""),
              "p.toml:7:9: warning: bullet program 'b' is run by no bullet: no firing step a shooter runs names it "
              "(bullet = \"b\"), nor any volley [unused-program]\n");
    // Each as the reader says it, line 9 being the action's.
    for (const auto& [bullet, step, told] : {
             std::tuple{"{ wiat = 3 }", "bullet = \"b\"",
                        "p.toml:9:3: error: unknown field 'wiat' in action 1 of bullet program 'b'; did you mean 'wait'?\n"},
             std::tuple{"{ wait = 3, vanish = true }", "bullet = \"b\"",
                        "p.toml:9:3: error: action 1 of bullet program 'b' says both vanish and wait: an action does one "
                        "thing\n"},
             std::tuple{"{ speed = 2, kind = \"aim\" }", "bullet = \"b\"",
                        "p.toml:9:21: error: kind in action 1 of bullet program 'b' cannot be 'aim'; it takes absolute, "
                        "relative or sequence\n"},
             std::tuple{"{ wait = 3, frames = 2 }", "bullet = \"b\"",
                        "p.toml:9:22: error: action 1 of bullet program 'b': frames goes with direction, speed or accel, "
                        "not wait\n"},
             std::tuple{"{ repeat = 2 }", "bullet = \"b\"",
                        "p.toml:9:12: error: action 1 of bullet program 'b' needs actions = [...]: the actions it "
                        "repeats\n"},
             std::tuple{"{ fire = { volley = 300 } }", "bullet = \"b\"",
                        "p.toml:9:21: error: fire's volley in action 1 of bullet program 'b' must be from 0 to 256, not "
                        "300\n"},
             std::tuple{"{ wait = 1 }", "bullet = \"bb\"",
                        "p.toml:6:37: error: no bullet program 'bb'; did you mean 'b'?\n"},
             std::tuple{"{ wait = \"= 2 * idnex + volley\" }", "bullet = \"b\"",
                        "p.toml:9:17: error: wait in action 1 of bullet program 'b': no name 'idnex'; did you mean "
                        "'index'?\n"},
             std::tuple{"{ wait = 400 }, { wait = 200 }, { direction = 90 }",
                        "active = true, speed = 2.0, bulletCount = 8, bullet = \"b\"",
                        "p.toml:6:73: warning: bullet program 'b' waits 600 frames before its first action, but this step's "
                        "bullets fly straight at 2 pixels a frame and have left the play area within 472: the action "
                        "never runs [late-action]\n"},
             std::tuple{"{ fire = { volley = 8 } }", "active = true, bulletCount = 8, bullet = \"b\"",
                        "p.toml:6:60: warning: bullet program 'b' fires volleys of 8 into a store of 8 slots "
                        "(bulletCount), one of them the bullet's own: at most 7 of each can ever find a slot, and the "
                        "rest is dropped [no-room-for-children]\n"},
             std::tuple{"{ wait = 2, index = \"k\" }", "bullet = \"b\"",
                        "p.toml:9:21: error: action 1 of bullet program 'b': index goes with repeat, not wait\n"},
         }) {
        EXPECT_EQ(said(bullet, step), told);
    }
}

}  // namespace
}  // namespace pattern
