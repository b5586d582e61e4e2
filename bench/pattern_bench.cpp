// Pattern files: reading and checking the demonstration's file, the check's
// simulation of 20,000 frames, an edit in the viewer: the pattern read again
// and the viewer back on frame 16,200, split into reading, simulating and
// drawing, the longest tick when a heavy pattern is saved again, and the
// largest pattern repetitions and expressions allow read and written flat.
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
#include "display/Pacer.h"
#include "pattern/Pattern.h"
#include "world/Scenario.h"
#include "timeline/Viewer.h"

using bench::Clock;
using bench::millisecondsSince;
using bench::sourceFile;

namespace {


// The largest pattern the limits allow said once for many: 64 shooters, each
// with its own programs of 500 and 1,060 steps (100,000 in all), every value
// an expression, with draws from the seed.
constexpr const char* LARGEST = R"toml([params]
rank = 0.7
seed = 3
[shooters]
count = 64
[movement.m]
steps = [ { repeat = 500, duration = 2, x = "= 320 + 100 * cos(i * 7 + shooter * 5.625)", y = "= 240 + 100 * sin(i * 7 + shooter)", active = true } ]
[firing.f]
defaults = { active = true, fireDelay = 1, sweepDir = 1 }
steps = [ { repeat = 1060, duration = 2, bulletCount = "= 256 - shooter", angle = "= round(i * 13 + shooter * 360 / shooters)", speed = "= 1 + rand() * 2 + rank", speedStep = "= sin(i) * 0.1", muzzleRadiusX = "= 10 + i / 100", volleySize = "= 1 + floor(rank * 4)", spreadStep = "= max(3, min(20, i))" } ]
)toml";

// Reading it, and writing it out flat as barrage-trace --expand does.
void largestExpanded() {
    std::vector<double> reads, flats;
    size_t bytes = 0;
    for (int i = 0; i < 5; ++i) {
        auto start = Clock::now();
        const pattern::Loaded loaded = pattern::parsePattern(LARGEST, "largest.toml");
        reads.push_back(millisecondsSince(start));
        start = Clock::now();
        bytes = pattern::flatPattern(loaded).size();
        flats.push_back(millisecondsSince(start));
        if (pattern::refused(loaded)) std::printf("the largest pattern is refused\n");
    }
    std::printf("the largest pattern (100,000 steps of expressions): read %.1f ms, written flat %.1f ms (%zu bytes), "
                "%.1f ms in all, median (target < 200)\n",
                bench::median(reads), bench::median(flats), bytes, bench::median(reads) + bench::median(flats));
}

// The heavy pattern saved again while barrage-view shows frame 16,200, as
// barrage-view's loop does it (the file read, the world remade, then each
// tick a timed slice of the seek or, once it is done, 8 ms of the full-store
// check): the longest tick, against the check run whole as before.
void heavyReload(const std::string& heavy) {
    pattern::Loaded whole = pattern::parsePattern(heavy, "full-stores.toml");
    auto start = Clock::now();
    pattern::simulateForWarnings(whole);
    const double wholeCheck = millisecondsSince(start);

    auto viewer = std::make_unique<timeline::Viewer>();
    viewer->clock = [](void*) { return display::steadyNowNs(); };
    auto shown = std::make_unique<pattern::Loaded>(pattern::parsePattern(heavy, "full-stores.toml"));
    timeline::openViewer(*viewer, world::STUDY_FRAMES, true, timeline::NORMAL_SPEED, pattern::makerFor(shown->pattern));
    while (viewer->seeking) timeline::tickViewer(*viewer);
    double longest = 0, total = 0;
    int32_t ticks = 0;
    for (int save = 0; save < 3; ++save) {
        pattern::Check check;
        start = Clock::now();
        auto fresh = std::make_unique<pattern::Loaded>(pattern::parsePattern(heavy, "full-stores.toml"));
        timeline::remakeViewer(*viewer, pattern::makerFor(fresh->pattern));
        shown = std::move(fresh);
        pattern::startCheck(check, shown->pattern);
        double tick = millisecondsSince(start);
        for (bool done = false; !done; ++ticks) {
            longest = std::max(longest, tick);
            total += tick;
            start = Clock::now();
            timeline::tickViewer(*viewer);
            if (!viewer->seeking) {
                const int64_t end = display::steadyNowNs() + 8'000'000;
                while (!done && display::steadyNowNs() < end) done = pattern::runCheck(check, 16);
            }
            tick = millisecondsSince(start);
        }
        pattern::stopCheck(check);
    }
    std::printf("the 64-shooter homing pattern saved again on frame %d: longest tick %.1f ms (target < 100), %d "
                "ticks, %.0f ms of work in all; its check run whole, as before, held one tick %.0f ms\n",
                world::STUDY_FRAMES, longest, ticks, total, wholeCheck);
    timeline::closeViewer(*viewer);
}

// The heavy pattern with every store full: a frame of the viewer (the world
// stepped, drawn and shown, the strip written), natively; median of 300.
void heavyFrame(const std::string& heavy) {
    auto shown = std::make_unique<pattern::Loaded>(pattern::parsePattern(heavy, "full-stores.toml"));
    auto viewer = std::make_unique<timeline::Viewer>();
    timeline::openViewer(*viewer, 2'000, true, timeline::NORMAL_SPEED, pattern::makerFor(shown->pattern));
    while (viewer->seeking) timeline::tickViewer(*viewer);
    int32_t live = 0;
    for (int32_t i = 0; i < viewer->timeline.world.count; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) live += actor::bulletAt(viewer->timeline.world.shooters[i], j).alive != 0;
    }
    timeline::viewerKey(*viewer, ' ');
    std::vector<double> frames, backs;
    for (int i = 0; i < 300; ++i) {
        const auto start = Clock::now();
        timeline::tickViewer(*viewer);
        display::WaitVerticalRetrace();
        frames.push_back(millisecondsSince(start));
    }
    timeline::viewerKey(*viewer, ' ');
    for (int i = 0; i < 30; ++i) {
        const auto start = Clock::now();
        timeline::viewerKey(*viewer, screen::KEY_LEFT);
        backs.push_back(millisecondsSince(start));
    }
    std::printf("the 64-shooter homing pattern, %d bullets live: a frame played %.2f ms median (target < 1), a step back "
                "%.1f ms median, %.1f ms at most (target < 21.7: a tick and 5 ms)\n",
                live, bench::median(frames), bench::median(backs), *std::max_element(backs.begin(), backs.end()));
    timeline::closeViewer(*viewer);
}

// The heavy pattern played from frame 3,000 with the overlays on: paths,
// trails, both; the work of a tick (the frames due, then the layers redrawn),
// median and most of 360.
void overlaysFrame(const std::string& heavy) {
    auto shown = std::make_unique<pattern::Loaded>(pattern::parsePattern(heavy, "full-stores.toml"));
    for (const char* keys : {"p", "t", "pt"}) {
        auto viewer = std::make_unique<timeline::Viewer>();
        timeline::openViewer(*viewer, 3'000, true, timeline::NORMAL_SPEED, pattern::makerFor(shown->pattern));
        while (viewer->seeking) timeline::tickViewer(*viewer);
        for (const char* key = keys; *key; ++key) timeline::viewerKey(*viewer, *key);
        timeline::viewerKey(*viewer, ' ');
        std::vector<double> ticks;
        for (int i = 0; i < 360; ++i) {
            const auto start = Clock::now();
            timeline::tickViewer(*viewer);
            ticks.push_back(millisecondsSince(start));
        }
        const char* what = keys[1] ? "paths and trails" : keys[0] == 'p' ? "paths" : "trails";
        std::printf("the 64-shooter homing pattern played with %s: a tick %.2f ms median, %.2f ms at most (target "
                    "< 8: 60 frames a second with room for the picture)\n",
                    what, bench::median(ticks), *std::max_element(ticks.begin(), ticks.end()));
        timeline::closeViewer(*viewer);
    }
}

// One step back at a time from frame 16,200, natively, for each pattern the
// page's benchmark measures too.
void stepsBack(const char* name, const std::string& text) {
    auto shown = std::make_unique<pattern::Loaded>(pattern::parsePattern(text, name));
    auto viewer = std::make_unique<timeline::Viewer>();
    timeline::openViewer(*viewer, world::STUDY_FRAMES, true, timeline::NORMAL_SPEED, pattern::makerFor(shown->pattern));
    while (viewer->seeking) timeline::tickViewer(*viewer);
    std::vector<double> backs;
    for (int i = 0; i < 60; ++i) {
        const auto start = Clock::now();
        timeline::viewerKey(*viewer, screen::KEY_LEFT);
        backs.push_back(millisecondsSince(start));
    }
    std::printf("%s at frame 16,200: a step back %.2f ms median, %.2f ms at most (target < 21.7: a tick and 5 ms)\n",
                name, bench::median(backs), *std::max_element(backs.begin(), backs.end()));
    timeline::closeViewer(*viewer);
}

}  // namespace

int main() {
    const std::string source = sourceFile("patterns/demonstration.toml");

    std::vector<double> reads;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        const pattern::Loaded loaded = pattern::parsePattern(source, "demonstration.toml");
        reads.push_back(millisecondsSince(start));
        if (pattern::refused(loaded)) return 1;
    }
    std::printf("read and check the demonstration's file: %.3f ms median (target < 2)\n", bench::median(reads));
    largestExpanded();

    std::vector<double> checks;
    for (int i = 0; i < 5; ++i) {
        pattern::Loaded loaded = pattern::parsePattern(source, "demonstration.toml");
        const auto start = Clock::now();
        pattern::simulateForWarnings(loaded);
        checks.push_back(millisecondsSince(start));
    }
    std::printf("the check's %lld frames without drawing: %.1f ms median (target < 150)\n",
                static_cast<long long>(pattern::CHECK_FRAMES), bench::median(checks));

    // An edit while the viewer shows frame 16,200: read, remake, and seek back
    // as the viewer does, a slice a tick, counting only the work (not the
    // ticks' pacing).
    display::UseWindowSystem(display_headless::headlessSystem());
    auto viewer = std::make_unique<timeline::Viewer>();
    viewer->clock = [](void*) { return display::steadyNowNs(); };
    auto loaded = std::make_unique<pattern::Loaded>(pattern::parsePattern(source, "demonstration.toml"));
    timeline::openViewer(*viewer, world::STUDY_FRAMES, true, timeline::NORMAL_SPEED, pattern::makerFor(loaded->pattern));
    while (viewer->seeking) timeline::tickViewer(*viewer);
    std::vector<double> totals, parts[2];
    for (int i = 0; i < 5; ++i) {
        const auto start = Clock::now();
        auto fresh = std::make_unique<pattern::Loaded>(pattern::parsePattern(source, "demonstration.toml"));
        const double read = millisecondsSince(start);
        const auto remade = Clock::now();
        timeline::remakeViewer(*viewer, pattern::makerFor(fresh->pattern));
        while (viewer->seeking) timeline::tickViewer(*viewer);
        const double simulated = millisecondsSince(remade);
        loaded = std::move(fresh);
        totals.push_back(millisecondsSince(start));
        parts[0].push_back(read);
        parts[1].push_back(simulated);
    }
    std::printf("an edit back on frame %d: %.1f ms median of work (target < 100): reading %.2f ms, setting up, "
                "simulating %d frames and drawing the last %.1f ms; in the window the %lld ms slices also wait "
                "for their ticks\n",
                world::STUDY_FRAMES, bench::median(totals), bench::median(parts[0]), world::STUDY_FRAMES,
                bench::median(parts[1]), static_cast<long long>(timeline::SEEK_SLICE_NS / 1'000'000));
    std::printf("viewer frame %lld\n", static_cast<long long>(timeline::viewerFrame(*viewer)));
    timeline::closeViewer(*viewer);
    // 64 shooters firing 256-bullet homing volleys: every store full.
    const std::string heavy = sourceFile("bench/full-stores.toml");
    heavyReload(heavy);
    heavyFrame(heavy);
    overlaysFrame(heavy);
    for (const std::string name : {"demonstration", "hunters", "rain"}) {
        stepsBack(name.c_str(), sourceFile("patterns/" + name + ".toml"));
    }
    stepsBack("the 64-shooter homing pattern", heavy);
    stepsBack("64 shooters of their own", sourceFile("bench/own-programs.toml"));
    display::CloseScreen();
    return 0;
}
