// Steps that carry on from where things stand, each only where a step asks:
// a body kept or gliding to its x, y, an angle kept through a load, an aim
// with an offset and an odd fan centred on it; against hand-worked frames,
// and the same from --expand's text and from bytes.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include "pattern/Pattern.h"
#include "world/Snapshot.h"
#include "world/World.h"

namespace pattern {
namespace {

constexpr const char* CARRYING =
    "[shooters]\ncount = 1\n"
    "[movement.m]\nsteps = [\n"
    "  { duration = 9, x = 100.0, y = 100.0, active = true },\n"
    "  { duration = 9, x = 200.0, y = 150.0, active = true, from = \"glide\" },\n"
    "  { duration = 9, x = 0.0, y = 0.0, vx = 1.0, active = true, from = \"keep\" } ]\n"
    "[firing.f]\nsteps = [\n"
    "  { duration = 14, active = true, bulletCount = 256, fireDelay = 1, aimAtTarget = true, targetRef = [600.0, 100.0], "
    "aimOffset = -15, volleySize = 3, spreadStep = 10, sweepDir = 1, spreadKind = \"centred-fan\", centred = true, "
    "burstPause = 100, speed = 1.0 },\n"
    "  { duration = 20, active = true, bulletCount = 256, fireDelay = 1, angle = 100, sweepStep = 7, sweepDir = 1, "
    "volleySize = 1, burstPause = 3, speed = 1.0, angleMax = 360 },\n"
    "  { duration = 20, active = true, bulletCount = 256, fireDelay = 1, angle = 0, sweepStep = 7, sweepDir = 1, "
    "volleySize = 1, burstPause = 3, speed = 1.0, angleMax = 360, keepAngle = true } ]\n";

struct Seen {
    std::vector<float> x, y;        // the body, frame by frame
    std::vector<int32_t> angle;     // the gun's
    std::vector<int32_t> headings;  // of the first volley
};

Seen run(const Pattern& p) {
    Seen seen;
    world::World w;
    world::setUpWorld(w, makerFor(p));
    for (int32_t f = 1; f <= 40; ++f) {
        world::stepWorld(w);
        const actor::Shooter& s = w.shooters[0];
        seen.x.push_back(s.emitter.x), seen.y.push_back(s.emitter.y), seen.angle.push_back(s.turret.angle);
        if (f == 2) {
            for (int32_t j = 0; j < 3; ++j) seen.headings.push_back(s.bullets[j].heading);
        }
    }
    world::tearDownWorld(w);
    return seen;
}

TEST(Carry, StepsCarryOnFromWhereThingsStandOnlyWhereTheyAsk) {
    const Loaded loaded = parsePattern(CARRYING, "p.toml");
    ASSERT_FALSE(refused(loaded)) << (loaded.messages.empty() ? "" : loaded.messages[0].text);
    const Seen seen = run(loaded.pattern);
    // Put at (100, 100) for frames 1 to 10; gliding 10 and 5 a frame over the
    // second step's 10 frames, there in its last; then kept, drifting 1 a frame.
    for (int32_t f = 1; f <= 30; ++f) {
        const auto at = static_cast<size_t>(f - 1);
        const float x = f <= 10 ? 100.0f : f <= 20 ? 100.0f + 10.0f * static_cast<float>(f - 10) : 200.0f + static_cast<float>(f - 20);
        const float y = f <= 10 ? 100.0f : f <= 20 ? 100.0f + 5.0f * static_cast<float>(f - 10) : 150.0f;
        EXPECT_EQ(seen.x[at], x) << f;
        EXPECT_EQ(seen.y[at], y) << f;
    }
    // Aimed along 0 degrees, 15 back: 345, its three bullets centred on it.
    EXPECT_EQ(seen.headings, (std::vector<int32_t>{335, 345, 355}));
    // The sweep from 100 turns 7 each 4 frames from frame 16; the step loaded
    // at frame 37 keeps the 135 it reached, and sweeps on from there.
    EXPECT_EQ(seen.angle[35], 135);
    EXPECT_EQ(seen.angle[36], 135);
    EXPECT_EQ(seen.angle[37], 142);
    // Half a step off without centred, 0 + 7 without keepAngle, and a jump without glide.
    std::string plain = CARRYING;
    for (const std::string ask : {", centred = true", ", keepAngle = true", ", from = \"glide\""}) {
        plain.erase(plain.find(ask), ask.size());
    }
    const Seen before = run(parsePattern(plain, "p.toml").pattern);
    EXPECT_EQ(before.headings, (std::vector<int32_t>{340, 350, 0}));
    EXPECT_EQ(before.angle[37], 7);
    EXPECT_EQ(before.x[10], 200.0f);
    // --expand's text and the bytes carry them.
    const Loaded flat = parsePattern(flatPattern(loaded), "flat.toml");
    ASSERT_FALSE(refused(flat)) << flatPattern(loaded);
    const std::vector<uint8_t> bytes = packPattern(loaded.pattern);
    Pattern back;
    ASSERT_TRUE(unpackPattern(bytes.data(), bytes.size(), back));
    for (const Pattern* again : {&flat.pattern, static_cast<const Pattern*>(&back)}) {
        const Seen same = run(*again);
        EXPECT_EQ(same.x, seen.x);
        EXPECT_EQ(same.headings, seen.headings);
        EXPECT_EQ(same.angle, seen.angle);
    }
}

// Values worked out anew at each shot: the shot's index, and draws from
// the world's sequence; a step's own plain value overrides its defaults'.
constexpr const char* EACH_SHOT =
    "[shooters]\ncount = 1\n"
    "[movement.m]\nsteps = [ { duration = 100000, x = 320.0, y = 240.0, active = true } ]\n"
    "[firing.f]\ndefaults = { speed = \"= 1 + shot * 0.5\", bulletCount = 256, fireDelay = 1, burstPause = 4, "
    "volleySize = 1, active = true }\n"
    "steps = [ { duration = 29, angle = \"= shot * 30\" },\n"
    "          { duration = 29, angle = \"= 360 * rand() + 0 * shot\", speed = 2.0 } ]\n";

TEST(Carry, ValuesWorkedOutAtEachShotFromItsIndexAndTheWorldsDraws) {
    const Loaded loaded = parsePattern(EACH_SHOT, "p.toml");
    ASSERT_FALSE(refused(loaded)) << (loaded.messages.empty() ? "" : loaded.messages[0].text);
    // Every bullet's heading and speed once the two steps have fired.
    const auto fired = [](const Pattern& p, bool restoring) {
        world::World w;
        world::setUpWorld(w, makerFor(p));
        std::vector<uint64_t> bytes;
        std::vector<std::pair<int32_t, float>> shots;
        for (int32_t f = 1; f <= 60; ++f) {
            world::stepWorld(w);
            if (restoring && f == 13) {
                bytes.resize(world::snapshotBytes(w) / 8 + 1);
                EXPECT_TRUE(world::takeSnapshot(bytes.data(), bytes.size() * 8, w, f));
                for (int32_t k = 0; k < 40; ++k) world::stepWorld(w);  // a way on, then back
                EXPECT_TRUE(world::restoreSnapshot(bytes.data(), w));
            }
        }
        for (int32_t j = 0; j < 12; ++j) {
            const bullets::Bullet& b = w.shooters[0].bullets[j];
            shots.push_back({b.heading, std::round(std::sqrt(b.vx * b.vx + b.vy * b.vy) * 1000.0f) / 1000.0f});
        }
        world::tearDownWorld(w);
        return shots;
    };
    const auto shots = fired(loaded.pattern, false);
    std::set<int32_t> drawn;
    for (int32_t k = 0; k < 6; ++k) {
        EXPECT_EQ(shots[static_cast<size_t>(k)].first, 30 * k) << k;
        EXPECT_EQ(shots[static_cast<size_t>(k)].second, 1.0f + 0.5f * static_cast<float>(k)) << k;
        EXPECT_EQ(shots[static_cast<size_t>(k + 6)].second, 2.0f) << k;
        drawn.insert(shots[static_cast<size_t>(k + 6)].first);
    }
    EXPECT_GE(drawn.size(), 5u);  // a draw of its own at each shot
    EXPECT_EQ(fired(loaded.pattern, true), shots);
    const Loaded flat = parsePattern(flatPattern(loaded), "flat.toml");
    ASSERT_FALSE(refused(flat)) << flatPattern(loaded);
    EXPECT_EQ(fired(flat.pattern, false), shots);
    const std::vector<uint8_t> bytes = packPattern(loaded.pattern);
    Pattern back;
    ASSERT_TRUE(unpackPattern(bytes.data(), bytes.size(), back));
    EXPECT_EQ(fired(back, false), shots);
    // What cannot be worked out at each shot.
    for (const std::string field : {"fireDelay", "aimOffset"}) {
        std::string text = EACH_SHOT;
        text.replace(text.find("angle = \"= shot * 30\""), 21, field + " = \"= shot + 1\"");
        EXPECT_TRUE(refused(parsePattern(text, "p.toml"))) << field;
    }
}

// One timeline for two shooters: each program's steps of a span run over
// and over for exactly its frames, a span a program does not name holds it,
// and with loop = "at-once" both come round every 35 frames exactly.
constexpr const char* TIMED =
    "[timeline]\nspans = [ { name = \"open\", frames = 20 }, { name = \"rage\", frames = 15 } ]\n"
    "[shooters]\ncount = 2\nmovement = \"m\"\nfiring = [\"a\", \"b\"]\n"
    "[movement.m]\nloop = \"at-once\"\nsteps = [ { duration = 100000, x = 320.0, y = 100.0, active = true, span = \"open\" },\n"
    "  { duration = 6, x = 100.0, y = 100.0, active = true, span = \"rage\" } ]\n"
    "[firing.a]\nloop = \"at-once\"\nsteps = [ { duration = 7, active = true, bulletCount = 64, volleySize = 1, "
    "speed = 1.0, burstPause = 3, span = \"open\" } ]\n"
    "[firing.b]\nloop = \"at-once\"\nsteps = [ { duration = 4, active = true, bulletCount = 64, volleySize = 1, "
    "speed = 1.0, burstPause = 2, span = \"rage\" } ]\n";

TEST(Carry, ATimelineKeepsEveryProgramInStepAndComesRoundAtOnce) {
    const Loaded loaded = parsePattern(TIMED, "p.toml");
    ASSERT_FALSE(refused(loaded)) << (loaded.messages.empty() ? "" : loaded.messages[0].text);
    const auto durations = [&](const std::vector<FiringStep>& steps) {
        std::vector<int32_t> d;
        for (const FiringStep& s : steps) d.push_back(s.step.duration);
        return d;
    };
    const Pattern& p = loaded.pattern;
    EXPECT_EQ(durations(p.firings[0].steps), (std::vector<int32_t>{7, 7, 3, 14}));  // 8 + 8 + 4, then held for 15
    EXPECT_EQ(durations(p.firings[1].steps), (std::vector<int32_t>{19, 4, 4, 4}));
    ASSERT_EQ(p.movements[0].steps.size(), 4u);
    EXPECT_EQ(p.movements[0].steps[0].step.duration, 19);
    EXPECT_EQ(p.movements[0].steps[3].step.duration, 0);  // 7 + 7 + 1
    // The body is at (320, 100) in frames 1 to 20 and 36 to 55, at x 100 in 21 to 35.
    world::World w;
    world::setUpWorld(w, makerFor(p));
    for (int32_t f = 1; f <= 75; ++f) {
        world::stepWorld(w);
        const int32_t at = (f - 1) % 35;
        EXPECT_EQ(w.shooters[0].emitter.x, at < 20 ? 320.0f : 100.0f) << f;
    }
    world::tearDownWorld(w);
    // Written flat, without the timeline, it is the same.
    const Loaded flat = parsePattern(flatPattern(loaded), "flat.toml");
    ASSERT_FALSE(refused(flat)) << flatPattern(loaded);
    EXPECT_EQ(durations(flat.pattern.firings[1].steps), durations(p.firings[1].steps));
    // A span mistyped, and a step that names none among those that do.
    std::string typo = TIMED, none = TIMED;
    typo.replace(typo.find("span = \"rage\" } ]\n[firing.a]"), 14, "span = \"rgae\"");
    none.replace(none.find(", span = \"rage\" } ]\n[firing.a]"), 16, "");
    const auto said = [](const std::string& text) {
        const Loaded l = parsePattern(text, "p.toml");
        return l.messages.empty() ? std::string() : l.messages[0].text;
    };
    EXPECT_EQ(said(typo), "no span 'rgae'; did you mean 'rage'?");
    // More spans than a program may hold steps: each it does not name is a step of its own.
    std::string many = "[timeline]\nspans = [ ";
    for (int32_t k = 0; k <= MAX_STEPS; ++k) many += "{ name = \"s" + std::to_string(k) + "\", frames = 1 }, ";
    many += "]\n" + std::string(TIMED).substr(std::string(TIMED).find("[shooters]"));
    for (size_t at = many.find("\"open\""); at != std::string::npos; at = many.find("\"open\"")) many.replace(at, 6, "\"s0\"");
    for (size_t at = many.find("\"rage\""); at != std::string::npos; at = many.find("\"rage\"")) many.replace(at, 6, "\"s1\"");
    EXPECT_TRUE(refused(parsePattern(many, "p.toml")));
    EXPECT_EQ(said(none), "movement program 'm''s step 2 names no span: in a program whose steps name spans, each "
                          "names the span it runs in");
}

}  // namespace
}  // namespace pattern
