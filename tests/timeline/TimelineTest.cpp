// The timeline against straight runs of the program: snapshots restored at
// random points, steps back and forth, long seeks, a snapshot restored into a
// second world, and the viewer's keys and pace.
#include <gtest/gtest.h>

#include <cstring>
#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "pattern/Pattern.h"
#include "shell/Program.h"
#include "timeline/Viewer.h"

namespace timeline {
namespace {

// A word at a time: a page is hashed on every frame.
uint64_t fnv(uint64_t hash, const void* bytes, size_t size) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    size_t i = 0;
    for (uint64_t word = 0; i + 8 <= size; i += 8) {
        std::memcpy(&word, p + i, sizeof word);
        hash = (hash ^ word) * 1099511628211ull;
    }
    for (; i < size; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    return hash;
}

// Everything the trace prints and more: every byte of each shooter's blocks,
// store, program indices and stored countdowns.
uint64_t worldDigest(const world::World& world) {
    uint64_t hash = 14695981039346656037ull;
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        hash = fnv(hash, &s.emitter, sizeof s.emitter);
        hash = fnv(hash, &s.turret, sizeof s.turret);
        hash = fnv(hash, &s.turretListIndex, sizeof s.turretListIndex);
        hash = fnv(hash, &s.emitterListIndex, sizeof s.emitterListIndex);
        hash = fnv(hash, s.bullets, sizeof(bullets::Bullet) * actor::BULLET_CAPACITY);
        for (auto* node = s.turretSteps.first; node; node = node->next) {
            if (node->record) hash = fnv(hash, &node->record->duration, sizeof(int32_t));
            hash = fnv(hash, node == s.turretSteps.cursor ? "c" : "n", 1);
        }
        for (auto* node = s.emitterSteps.first; node; node = node->next) {
            if (node->record) hash = fnv(hash, &node->record->duration, sizeof(int32_t));
            hash = fnv(hash, node == s.emitterSteps.cursor ? "c" : "n", 1);
        }
    }
    return hash;
}

uint64_t pageDigest() {
    const screen::Screen& screen = display::CurrentScreen();
    return fnv(14695981039346656037ull, screen.pages[screen.visiblePage], sizeof screen.pages[0]);
}

struct Straight {
    std::vector<uint64_t> world, page;  // after frame f, at index f
};

// The program's own frames, as barrage-capture runs them.
Straight straightRun(int64_t frames) {
    Straight run;
    world::World pass;
    shell::startUp(pass);
    run.world.push_back(worldDigest(pass));
    run.page.push_back(0);
    for (int64_t f = 1; f <= frames; ++f) {
        shell::runFrame(pass);
        run.world.push_back(worldDigest(pass));
        run.page.push_back(pageDigest());
    }
    shell::shutDown(pass);
    display::CloseScreen();
    return run;
}

class TimelineTest : public testing::Test {
protected:
    void SetUp() override { display::UseWindowSystem(display_headless::headlessSystem()); }
    void TearDown() override { display::CloseScreen(); }
};

TEST_F(TimelineTest, RandomRestoresAndStepsBackGiveTheStraightRunsFramesAndPictures) {
    constexpr int64_t FRAMES = 10'000;
    const Straight straight = straightRun(world::STUDY_FRAMES);
    auto t = std::make_unique<Timeline>();
    openTimeline(*t);
    std::mt19937 random(20261208);
    const auto check = [&] {
        ASSERT_EQ(worldDigest(t->world), straight.world[t->frame]) << "world at frame " << t->frame;
        ASSERT_EQ(pageDigest(), straight.page[t->frame]) << "picture of frame " << t->frame;
    };
    int64_t restores = 0;
    while (t->frame < FRAMES) {
        stepTimeline(*t, true);
        check();
        if (random() % 40 != 0) continue;
        // Back by up to two snapshots' spacing, then on to where it was.
        const int64_t here = t->frame, back = 1 + static_cast<int64_t>(random() % 1'200);
        seekTimeline(*t, here > back ? here - back : 1);
        check();
        seekTimeline(*t, here);
        check();
        ++restores;
    }
    EXPECT_GT(restores, 200);
    EXPECT_EQ(t->count, FRAMES / SNAPSHOT_SPACING + 1);

    // From frame 5,000, a hundred steps back and a hundred forward.
    seekTimeline(*t, 5'000);
    for (int32_t i = 0; i < 100; ++i) seekTimeline(*t, t->frame - 1);
    ASSERT_EQ(pageDigest(), straight.page[4'900]);
    for (int32_t i = 0; i < 100; ++i) stepTimeline(*t, true);
    EXPECT_EQ(t->frame, 5'000);
    EXPECT_EQ(pageDigest(), straight.page[5'000]);
    seekTimeline(*t, world::STUDY_FRAMES);
    EXPECT_EQ(pageDigest(), straight.page[world::STUDY_FRAMES]);
    closeTimeline(*t);
}

// A cap that holds three snapshots thins them as the world runs on; a cap that
// holds none starts again from the beginning for every step back. Both still
// give the straight run's frames.
TEST_F(TimelineTest, SnapshotsThinUnderASmallCapAndWithNoneEverySeekStartsAgain) {
    const Straight straight = straightRun(5'000);
    world::World sized;
    world::setUpWorld(sized);
    const auto slot = static_cast<int64_t>((snapshotBytes(sized) + 63) & ~size_t{63});
    world::tearDownWorld(sized);
    for (const int64_t cap : {3 * slot, int64_t{0}}) {
        auto t = std::make_unique<Timeline>();
        openTimeline(*t, cap);
        for (const int64_t frame : {5'000, 4'321, 600, 1, 4'999, 2'400, 5'000, 1'201}) {
            seekTimeline(*t, frame);
            ASSERT_EQ(worldDigest(t->world), straight.world[frame]) << "cap " << cap << ", frame " << frame;
            ASSERT_EQ(pageDigest(), straight.page[frame]) << "cap " << cap << ", frame " << frame;
            ASSERT_LE(t->count, t->capacity);
        }
        EXPECT_EQ(t->capacity, cap ? 3 : 0);
        if (cap) {
            EXPECT_EQ(t->spacing, 4 * SNAPSHOT_SPACING) << "thinned twice by frame 5,000";
        }
        closeTimeline(*t);
    }
}

// A snapshot restored into another world points that world's references into
// itself, and the copy runs on exactly as the original.
TEST_F(TimelineTest, ASnapshotRestoresIntoASecondWorldWithItsReferencesRepointed) {
    world::World a, b;
    shell::startUp(a);
    world::setUpWorld(b);
    for (int32_t f = 0; f < 1'234; ++f) world::stepWorld(a);
    a.shooters[0].turret.targetRef = &a.shooters[1].emitter.x;
    a.shooters[2].turret.originRef = &a.shooters[3].bullets[7].x;
    std::vector<uint64_t> snapshot((snapshotBytes(a) + 7) / 8);
    ASSERT_FALSE(takeSnapshot(snapshot.data(), snapshotBytes(a) - 8, a, 1'234)) << "taken into too little room";
    ASSERT_TRUE(takeSnapshot(snapshot.data(), snapshot.size() * 8, a, 1'234));
    ASSERT_TRUE(restoreSnapshot(snapshot.data(), b));
    EXPECT_EQ(b.shooters[0].turret.targetRef, &b.shooters[1].emitter.x);
    EXPECT_EQ(b.shooters[2].turret.originRef, &b.shooters[3].bullets[7].x);
    for (int32_t f = 0; f < 600; ++f) {
        world::stepWorld(a);
        world::stepWorld(b);
    }
    // Same bytes, references apart.
    for (int32_t i = 0; i < a.count; ++i) {
        for (auto* s : {&a.shooters[i], &b.shooters[i]}) s->turret.originRef = s->turret.targetRef = nullptr;
    }
    EXPECT_EQ(worldDigest(a), worldDigest(b));
    world::tearDownWorld(b);
    shell::shutDown(a);
}

// The viewer's keys and pace, and its layers beside an untouched picture.
TEST_F(TimelineTest, TheViewerStepsSeeksAndPacesWithoutTouchingThePicture) {
    const Straight straight = straightRun(1'000);
    auto v = std::make_unique<Viewer>();
    openViewer(*v, 700, true, NORMAL_SPEED);
    EXPECT_EQ(pageDigest(), straight.page[700]);
    viewerKey(*v, screen::KEY_RIGHT);
    EXPECT_EQ(viewerFrame(*v), 701);
    viewerKey(*v, ',');
    viewerKey(*v, screen::KEY_LEFT);
    EXPECT_EQ(viewerFrame(*v), 699);
    EXPECT_EQ(pageDigest(), straight.page[699]);
    viewerKey(*v, 't');
    viewerKey(*v, 'p');
    EXPECT_EQ(pageDigest(), straight.page[699]) << "an overlay touched the picture";
    EXPECT_EQ(worldDigest(v->timeline.world), straight.world[699]) << "the path preview ran the world shown";
    int32_t covered = 0;
    for (const auto& row : v->layers.overlay) {
        for (uint8_t pixel : row) covered += pixel != 0;
    }
    EXPECT_GT(covered, 500);
    for (int32_t code : {int32_t{'g'}, int32_t{'9'}, int32_t{'0'}, int32_t{'0'}, 13}) viewerKey(*v, code);
    EXPECT_EQ(viewerFrame(*v), 900);
    EXPECT_EQ(pageDigest(), straight.page[900]);
    // Every field of every shooter is in the strip, within its 80 columns.
    for (int32_t i = 0; i < world::SHOOTER_COUNT; ++i) {
        const actor::Shooter& s = v->timeline.world.shooters[i];
        int32_t live = 0;
        for (int32_t j = 0; j < actor::usedSlots(s); ++j) live += s.bullets[j].alive != 0;
        const std::string expected = "#" + std::to_string(i) + " live " + std::to_string(live) + " fire " +
                                     std::to_string(s.turretListIndex) + ":" +
                                     std::to_string(collections::currentRecord(s.turretSteps)->duration) + " move " +
                                     std::to_string(s.emitterListIndex) + ":" +
                                     std::to_string(collections::currentRecord(s.emitterSteps)->duration);
        EXPECT_EQ(std::string(v->layers.status[1 + i]), expected);
    }
    for (const auto& line : v->layers.status) EXPECT_LT(std::strlen(line), size_t{screen::TEXT_COLUMNS});
    // A second of ticks at each speed.
    for (int32_t speed = 0; speed < SPEED_COUNT; ++speed) {
        viewerKey(*v, '1' + speed);
        viewerKey(*v, ' ');
        const int64_t from = viewerFrame(*v);
        for (int32_t tick = 0; tick < 60; ++tick) tickViewer(*v);
        EXPECT_EQ(viewerFrame(*v) - from, SPEEDS[speed]);
        viewerKey(*v, ' ');
    }
    // The overlays kept up as the frames played are those made afresh on the frame.
    const auto overlay = [&] {
        return std::vector<uint8_t>(&v->layers.overlay[0][0], &v->layers.overlay[0][0] + sizeof v->layers.overlay);
    };
    const std::vector<uint8_t> played = overlay();
    const int64_t at = viewerFrame(*v);
    for (const int64_t frame : {at + 400, at}) {
        seekViewer(*v, frame);
        while (v->seeking) tickViewer(*v);
    }
    EXPECT_EQ(overlay(), played);
    EXPECT_FALSE(v->quit);
    viewerKey(*v, 'q');
    EXPECT_TRUE(v->quit);
    closeViewer(*v);
}

// One rule for a frame asked for by number, from the cases the page's test
// reads too; a frame typed that breaks it is refused with the rule.
TEST_F(TimelineTest, AFrameByNumberIsWholeFromOneToAMillionOrRefused) {
    std::ifstream cases(std::string(BARRAGE_SOURCE_DIR) + "/tests/support/frame-cases.txt");
    ASSERT_TRUE(cases.good());
    int32_t checked = 0;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::string text = line.substr(0, line.find('\t')), expected = line.substr(line.find('\t') + 1);
        int64_t frame = -1;
        const bool accepted = parseFrame(text.c_str(), &frame);
        EXPECT_EQ(accepted ? std::to_string(frame) : "refused", expected) << "'" << text << "'";
        ++checked;
    }
    EXPECT_GE(checked, 14);
    auto v = std::make_unique<Viewer>();
    openViewer(*v, 5, true, NORMAL_SPEED);
    for (int32_t code : {int32_t{'g'}, int32_t{'1'}, int32_t{'0'}, int32_t{'0'}, int32_t{'0'}, int32_t{'0'},
                         int32_t{'0'}, int32_t{'1'}, screen::KEY_ENTER}) {
        viewerKey(*v, code);
    }
    EXPECT_EQ(v->seeking, 0) << "1000001 was not refused";
    EXPECT_EQ(viewerFrame(*v), 5);
    EXPECT_NE(std::string(v->layers.status[0]).find(FRAME_RULE), std::string::npos) << v->layers.status[0];
    closeViewer(*v);
}

// A long seek runs a slice a tick: the picture stays on the frame shown, the
// status says how far it has got, Escape stops it on the frame reached, and
// the close request ends the viewer on the way.
TEST_F(TimelineTest, ALongSeekGoesASliceATickShowsItsProgressAndStopsOnEscape) {
    const Straight straight = straightRun(3 * SEEK_SLICE + 1);
    auto v = std::make_unique<Viewer>();
    openViewer(*v, MAX_SEEK_FRAME, true, NORMAL_SPEED);
    EXPECT_EQ(viewerFrame(*v), 1);
    EXPECT_EQ(pageDigest(), straight.page[1]);
    EXPECT_EQ(v->timeline.frame, 1 + SEEK_SLICE) << "one slice at open";
    tickViewer(*v);
    tickViewer(*v);
    EXPECT_EQ(v->timeline.frame, 1 + 3 * SEEK_SLICE);
    EXPECT_EQ(pageDigest(), straight.page[1]) << "the picture stays on the frame shown";
    const std::string progress = "going to 1000000: frame " + std::to_string(1 + 3 * SEEK_SLICE) + " (" +
                                 std::to_string((1 + 3 * SEEK_SLICE) * 100 / MAX_SEEK_FRAME) + "%)";
    EXPECT_NE(std::string(v->layers.status[0]).find(progress), std::string::npos) << v->layers.status[0];
    viewerKey(*v, ' ');
    EXPECT_FALSE(v->playing) << "keys but Escape and the close request wait for the seek";
    viewerKey(*v, screen::KEY_ESCAPE);
    EXPECT_EQ(v->seeking, 0);
    EXPECT_FALSE(v->quit);
    EXPECT_EQ(viewerFrame(*v), 1 + 3 * SEEK_SLICE);
    EXPECT_EQ(pageDigest(), straight.page[1 + 3 * SEEK_SLICE]);
    seekViewer(*v, MAX_SEEK_FRAME);
    viewerKey(*v, screen::CLOSE_KEY);
    EXPECT_TRUE(v->quit);
    closeViewer(*v);
}

// With the front end's clock a long seek's slice ends when the tick's time is
// up, however few frames that is (a heavy pattern's frames cost a lot): here
// the clock moves 5 ms a look, so a 25 ms slice runs 5 frames.
TEST_F(TimelineTest, ALongSeeksSliceEndsWhenItsTimeIsUp) {
    auto v = std::make_unique<Viewer>();
    int64_t now = 0;
    v->clock = [](void* clock) { return *static_cast<int64_t*>(clock) += 5'000'000; };
    v->clockContext = &now;
    openViewer(*v, MAX_SEEK_FRAME, true, NORMAL_SPEED);
    EXPECT_EQ(v->timeline.frame, 1 + 5);
    tickViewer(*v);
    EXPECT_EQ(v->timeline.frame, 1 + 10);
    closeViewer(*v);
}

// Eight shooters: the strip's total is every shooter's live bullets as they
// are drawn and traced (those of the slots the gun uses: bullets left in
// slots past a lowered bulletCount are neither moved nor drawn), not only
// those of the shooters with a line of their own; and a frame number being
// typed outlives a pattern read again.
TEST_F(TimelineTest, TheStripCountsEveryShooterAndTypingOutlivesARemake) {
    const pattern::Loaded rain = pattern::parsePattern(
        "[shooters]\ncount = 8\n[movement.m]\nsteps = [ { duration = 1000, x = 320.0, y = 240.0, active = true } ]\n"
        "[firing.f]\ndefaults = { active = true, fireDelay = 0, originX = 320.0, originY = 240.0, sweepDir = 1, "
        "spreadStep = 5 }\nsteps = [ { duration = 5, bulletCount = 256, volleySize = 16 }, { duration = 1000, bulletCount = 4 } ]\n",
        "p.toml");
    ASSERT_FALSE(pattern::refused(rain));
    auto v = std::make_unique<Viewer>();
    openViewer(*v, 700, true, NORMAL_SPEED, pattern::makerFor(rain.pattern));
    while (v->seeking) tickViewer(*v);
    ASSERT_GT(v->timeline.world.count, screen::STATUS_LINES - 1);
    int32_t live = 0, left = 0;
    for (int32_t i = 0; i < v->timeline.world.count; ++i) {
        const actor::Shooter& s = v->timeline.world.shooters[i];
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) (j < actor::usedSlots(s) ? live : left) += s.bullets[j].alive != 0;
    }
    EXPECT_GT(left, 0) << "no bullets left past the slots in use";
    EXPECT_NE((std::string(v->layers.status[0]) + " ").find(" live " + std::to_string(live) + " "), std::string::npos)
        << v->layers.status[0] << " (" << live << " live in the slots in use)";
    EXPECT_EQ(std::string(v->layers.status[1]).substr(0, 10), "#0 live " + std::to_string(live / 8) + " ");

    for (int32_t code : {int32_t{'g'}, int32_t{'1'}, int32_t{'2'}}) viewerKey(*v, code);
    remakeViewer(*v, pattern::makerFor(rain.pattern));
    while (v->seeking) tickViewer(*v);
    EXPECT_NE(std::string(v->layers.status[0]).find("go to 12_"), std::string::npos) << v->layers.status[0];
    for (int32_t code : {int32_t{'3'}, screen::KEY_ENTER}) viewerKey(*v, code);
    while (v->seeking) tickViewer(*v);
    EXPECT_EQ(viewerFrame(*v), 123);
    closeViewer(*v);
}

// 64 shooters orbiting the centre, every store filling; and a program of
// 10,000 steps. Both keep snapshots (recent ones too), a step back from any
// frame gives the straight run's world, the path preview follows shooter 63,
// the strip pages through the shooters, and a span plays in a loop.
TEST_F(TimelineTest, EveryLegalPatternGetsSnapshotsPathsPagesAndLoops) {
    std::string longProgram = "[shooters]\ncount = 2\n[movement.m]\nsteps = [" ;
    for (int i = 0; i < 10'000; ++i) longProgram += "{ duration = 1, x = " + std::to_string(100 + i % 300) + ".0, y = 240.0, active = true },";
    longProgram += "]\n[firing.f]\nsteps = [ { duration = 60, active = true, bulletCount = 256, volleySize = 4, sweepDir = 1, "
                   "spreadStep = 20, speed = 2.0, fireDelay = 1 } ]\n";
    const std::string crowd =
        "[shooters]\ncount = 64\nphases = 5\n[movement.m]\nsteps = [ { duration = 200, moveMode = \"orbit\", centreX = 320.0, "
        "centreY = 240.0, radius = 150, angleStep = 1, active = true } ]\n[firing.f]\nsteps = [ { duration = 100, active = true, "
        "bulletCount = 256, volleySize = 16, sweepDir = 1, spreadStep = 22, speed = 1.5, fireDelay = 1, burstPause = 3 } ]\n";
    for (const std::string* text : {&crowd, static_cast<const std::string*>(&longProgram)}) {
        const pattern::Loaded loaded = pattern::parsePattern(*text, "p.toml");
        ASSERT_FALSE(pattern::refused(loaded));
        const world::WorldMaker maker = pattern::makerFor(loaded.pattern);
        // The straight run's worlds.
        std::vector<uint64_t> straight;
        world::World run;
        world::setUpWorld(run, maker);
        straight.push_back(worldDigest(run));
        for (int32_t f = 1; f <= 1'300; ++f) {
            world::stepWorld(run);
            straight.push_back(worldDigest(run));
        }
        world::tearDownWorld(run);
        auto v = std::make_unique<Viewer>();
        openViewer(*v, 1'300, true, NORMAL_SPEED, maker);
        while (v->seeking) tickViewer(*v);
        EXPECT_GE(v->timeline.count, 2) << "snapshots kept all along";
        EXPECT_GE(v->timeline.recentCapacity, 4) << "recent snapshots";
        for (int32_t back = 0; back < 40; ++back) viewerKey(*v, screen::KEY_LEFT);
        EXPECT_EQ(v->timeline.frame, 1'260);
        EXPECT_EQ(worldDigest(v->timeline.world), straight[1'260]);
        seekViewer(*v, 613);
        while (v->seeking) tickViewer(*v);
        EXPECT_EQ(worldDigest(v->timeline.world), straight[613]);
        closeViewer(*v);
    }

    const pattern::Loaded loaded = pattern::parsePattern(crowd, "p.toml");
    auto v = std::make_unique<Viewer>();
    openViewer(*v, 200, true, NORMAL_SPEED, pattern::makerFor(loaded.pattern));
    while (v->seeking) tickViewer(*v);
    // Where shooter 63 will be ten frames on: drawn on the path preview.
    world::World ahead;
    world::setUpWorld(ahead, pattern::makerFor(loaded.pattern));
    for (int32_t f = 0; f < 210; ++f) world::stepWorld(ahead);
    int32_t x = 0, y = 0;
    ASSERT_TRUE(screen::toPixel(ahead.shooters[63].emitter.x, &x) && screen::toPixel(ahead.shooters[63].emitter.y, &y));
    world::tearDownWorld(ahead);
    viewerKey(*v, 'p');
    EXPECT_EQ(v->layers.overlay[y][x], 10) << "shooter 63's path (light green) at (" << x << ", " << y << ")";
    // The strip: three shooters and how many more; ] moves on.
    EXPECT_NE(std::string(v->layers.status[0]).find(" active 64/64"), std::string::npos) << v->layers.status[0];
    EXPECT_EQ(std::string(v->layers.status[1]).rfind("#0 ", 0), 0u) << v->layers.status[1];
    EXPECT_NE(std::string(v->layers.status[4]).find("61 more shooters"), std::string::npos) << v->layers.status[4];
    viewerKey(*v, ']');
    EXPECT_EQ(std::string(v->layers.status[1]).rfind("#3 ", 0), 0u) << v->layers.status[1];
    for (int i = 0; i < 30; ++i) viewerKey(*v, ']');
    EXPECT_EQ(std::string(v->layers.status[3]).rfind("#63 ", 0), 0u) << v->layers.status[3];
    // A loop from 200 to 230, played at four times the speed for two seconds.
    viewerKey(*v, 'a');
    seekViewer(*v, 230);
    viewerKey(*v, 'b');
    viewerKey(*v, '5');
    viewerKey(*v, ' ');
    int64_t highest = 0, lowest = MAX_SEEK_FRAME;
    for (int32_t tick = 0; tick < 120; ++tick) {
        tickViewer(*v);
        if (v->seeking) continue;
        highest = std::max(highest, v->timeline.frame);
        lowest = std::min(lowest, v->timeline.frame);
    }
    EXPECT_TRUE(v->playing);
    EXPECT_LE(highest, 230);
    EXPECT_GE(lowest, 200);
    EXPECT_LE(lowest, 204) << "it went round";
    // A remake with replay on goes back to frame 1.
    viewerKey(*v, 'c');
    viewerKey(*v, ' ');
    viewerKey(*v, '0');
    remakeViewer(*v, pattern::makerFor(loaded.pattern));
    while (v->seeking) tickViewer(*v);
    EXPECT_EQ(viewerFrame(*v), 1);
    closeViewer(*v);
}

}  // namespace
}  // namespace timeline
