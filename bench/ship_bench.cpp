// The player's ship: the hit and graze test per live bullet on 64 full
// stores, the work from a steering key seen to the frame drawn, a step back
// with a recording against one without, and what a recording of a million
// frames takes, in memory and in its file.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "Timing.h"
#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "pattern/Pattern.h"
#include "replay/Recording.h"
#include "world/Snapshot.h"
#include "timeline/Viewer.h"
#include "world/Scenario.h"

using bench::Clock;
using bench::millisecondsSince;
using bench::sourceFile;

namespace {


// What the ship adds to a frame of 64 full stores (from frame 2,000, the
// same frame again and again from a snapshot, with the ship and without),
// per live bullet: the hit and graze test, run on each shooter's bullets
// as its frame leaves them.
void hitTest(const std::string& heavy) {
    const pattern::Loaded loaded = pattern::parsePattern(heavy, "full-stores.toml");
    world::World w;
    world::setUpWorld(w, pattern::makerFor(loaded.pattern));
    w.ship.present = -1;
    for (int f = 0; f < 2'000; ++f) world::stepWorld(w);
    int64_t live = 0;
    for (int32_t i = 0; i < w.count; ++i) live += actor::liveBullets(w.shooters[i]);
    std::vector<uint64_t> snapshot(world::snapshotBytes(w) / 8 + 8);
    world::takeSnapshot(snapshot.data(), snapshot.size() * 8, w, 2'000);
    std::vector<double> with, without;
    for (int run = 0; run < 400; ++run) {
        for (const bool ship : {true, false}) {
            world::restoreSnapshot(snapshot.data(), w);
            w.ship.present = ship ? -1 : 0;
            const auto start = Clock::now();
            for (int k = 0; k < 5; ++k) world::stepWorld(w);
            (ship ? with : without).push_back(millisecondsSince(start) / 5);
        }
    }
    const double frameWith = bench::median(with), frameWithout = bench::median(without);
    // The test alone, each store again and again while it is in the cache,
    // as it is when its shooter's frame has just run.
    world::restoreSnapshot(snapshot.data(), w);
    std::vector<double> alone;
    for (int run = 0; run < 7; ++run) {
        const auto start = Clock::now();
        for (int32_t i = 0; i < w.count; ++i) {
            for (int k = 0; k < 200; ++k) world::touchShooter(w, i);
        }
        alone.push_back(millisecondsSince(start) * 1e6 / (200.0 * static_cast<double>(live)));
    }
    std::printf("hit and graze test, 64 full stores (%lld bullets live): a frame %.3f ms with the ship, %.3f ms "
                "without: %.2f ns a live bullet; the test alone on a store in the cache %.2f ns a live bullet (target <= 1)\n",
                static_cast<long long>(live), frameWith, frameWithout,
                (frameWith - frameWithout) * 1e6 / static_cast<double>(live), bench::median(alone));
    world::tearDownWorld(w);
}

// Flying at speed 1: the steering keys change just before the tick that
// reads them; the work from reading them to the frame drawn with the ship
// moved (the wait for that tick is at most a frame).
void keyToShip(const char* name, const std::string& text) {
    const pattern::Loaded loaded = pattern::parsePattern(text, name);
    auto viewer = std::make_unique<timeline::Viewer>();
    timeline::openViewer(*viewer, 2'000, true, timeline::NORMAL_SPEED, pattern::makerFor(loaded.pattern));
    while (viewer->seeking) timeline::tickViewer(*viewer);
    timeline::flyViewer(*viewer, true);
    while (viewer->seeking) timeline::tickViewer(*viewer);
    std::vector<double> works;
    for (int i = 0; i < 300; ++i) {
        display::HoldKeys(i % 2 ? screen::HELD_LEFT : screen::HELD_RIGHT | screen::HELD_UP);
        const float before = viewer->timeline.world.ship.x;
        const auto start = Clock::now();
        display::PollKey();
        timeline::steerViewer(*viewer, timeline::steeringMove(display::HeldKeys()));
        timeline::tickViewer(*viewer);
        display::WaitVerticalRetrace();
        works.push_back(millisecondsSince(start));
        if (viewer->timeline.world.ship.x == before) std::printf("the ship did not move\n");
    }
    std::printf("%s, flying: a steering key seen to the frame drawn with the ship moved %.3f ms median, %.3f ms at "
                "most (target: with the wait for the tick, a frame and 5 ms)\n",
                name, bench::median(works), *std::max_element(works.begin(), works.end()));
    timeline::closeViewer(*viewer);
}

// One step back at a time from frame 16,200, with a recording of every frame
// before it and without.
void stepsBack(const char* name, const std::string& text) {
    const pattern::Loaded loaded = pattern::parsePattern(text, name);
    std::vector<uint8_t> moves(world::STUDY_FRAMES);
    for (size_t f = 0; f < moves.size(); ++f) moves[f] = static_cast<uint8_t>((f / 37 * 5) % world::MOVE_CODES);
    for (const bool recorded : {false, true}) {
        auto viewer = std::make_unique<timeline::Viewer>();
        timeline::openViewer(*viewer, world::STUDY_FRAMES, true, timeline::NORMAL_SPEED, pattern::makerFor(loaded.pattern));
        if (recorded) timeline::replayViewer(*viewer, moves.data(), moves.size(), world::STUDY_FRAMES);
        while (viewer->seeking) timeline::tickViewer(*viewer);
        std::vector<double> backs;
        for (int i = 0; i < 60; ++i) {
            const auto start = Clock::now();
            timeline::viewerKey(*viewer, screen::KEY_LEFT);
            backs.push_back(millisecondsSince(start));
        }
        std::printf("%s at frame 16,200, %s: a step back %.2f ms median, %.2f ms at most (target < 21.7: a tick "
                    "and 5 ms)\n",
                    name, recorded ? "replaying a recording" : "no ship", bench::median(backs),
                    *std::max_element(backs.begin(), backs.end()));
        timeline::closeViewer(*viewer);
    }
}

// A million frames: the busiest steering (a new move every frame) and play
// as the sample's run steers (its moves again and again).
void recordingSize() {
    replay::Recording busiest, typical;
    replay::Recording run;
    std::string error;
    replay::loadRecording(std::string(BARRAGE_SOURCE_DIR) + "/patterns/aimed-run.rec", run, error);
    for (int64_t f = 0; f < replay::MAX_FRAMES; ++f) {
        busiest.moves.push_back(static_cast<uint8_t>(f % 2 ? 1 : 5));
        typical.moves.push_back(run.moves[static_cast<size_t>(f) % run.moves.size()]);
    }
    auto viewer = std::make_unique<timeline::Viewer>();
    timeline::openViewer(*viewer, 1, true, timeline::NORMAL_SPEED);
    std::printf("a million frames recorded: %zu bytes in memory (the viewer's, reserved once); the file %zu bytes "
                "steering anew every frame, %zu bytes steered as the sample's run (target <= 1 MiB, 1,048,576)\n",
                viewer->moves.capacity(), replay::formatRecording(busiest).size(),
                replay::formatRecording(typical).size());
    timeline::closeViewer(*viewer);
}

}  // namespace

int main() {
    display::UseWindowSystem(display_headless::headlessSystem());
    const std::string heavy = sourceFile("bench/full-stores.toml");
    hitTest(heavy);
    keyToShip("the demonstration", sourceFile("patterns/demonstration.toml"));
    keyToShip("the 64-shooter homing pattern", heavy);
    stepsBack("the demonstration", sourceFile("patterns/demonstration.toml"));
    stepsBack("the 64-shooter homing pattern", heavy);
    recordingSize();
    display::CloseScreen();
    return 0;
}
