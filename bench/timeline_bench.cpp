// The timeline's costs, natively: a seek to frame 100,000 from a cold start
// (nothing simulated yet) and from a warm one (a snapshot within 600 frames),
// the size of one snapshot and of the memory cap, and the viewer's resident
// memory once it has gone to frame 1,000,000.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Timing.h"
#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "world/Snapshot.h"
#include "timeline/Viewer.h"
#include "world/World.h"

namespace {

using bench::Clock;
using bench::median;
using bench::millisecondsSince;
constexpr int RUNS = 5;

// The process's peak and current resident memory, in megabytes.
double statusMb(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string name;
    double kb = 0;
    while (status >> name) {
        if (name == key && status >> kb) return kb / 1024.0;
    }
    return -1;
}

}  // namespace

int main() {
    display::UseWindowSystem(display_headless::headlessSystem());
    std::vector<double> cold, warm;
    for (int run = 0; run < RUNS; ++run) {
        auto t = std::make_unique<timeline::Timeline>();
        timeline::openTimeline(*t);
        auto start = Clock::now();
        timeline::seekTimeline(*t, 100'000);
        cold.push_back(millisecondsSince(start));
        timeline::seekTimeline(*t, 50'000);
        start = Clock::now();
        timeline::seekTimeline(*t, 99'999);  // from the snapshot at 99,600
        warm.push_back(millisecondsSince(start));
        timeline::closeTimeline(*t);
        display::CloseScreen();
    }
    std::printf("seek to frame 100,000, median of %d: cold %.1f ms (target <= 700), warm %.2f ms (target <= 10)\n",
                RUNS, median(cold), median(warm));
    {
        world::World demonstration;
        world::setUpWorld(demonstration, {});
        const size_t bytes = world::snapshotBytes(demonstration);
        std::printf("one snapshot of the demonstration: %zu bytes; the cap: %lld bytes, room for %lld snapshots\n",
                    bytes, static_cast<long long>(timeline::SNAPSHOT_MEMORY),
                    static_cast<long long>(timeline::SNAPSHOT_MEMORY / static_cast<long long>(bytes)));
    }

    auto viewer = std::make_unique<timeline::Viewer>();
    timeline::openViewer(*viewer, 1, true, timeline::NORMAL_SPEED);
    const auto start = Clock::now();
    timeline::seekViewer(*viewer, timeline::MAX_SEEK_FRAME);
    while (viewer->seeking) timeline::tickViewer(*viewer);  // a slice a tick, as the viewer goes
    std::printf("viewer: to frame 1,000,000 in %.2f s; resident %.1f MB, peak %.1f MB; %d snapshots %lld frames apart\n",
                millisecondsSince(start) / 1000.0, statusMb("VmRSS:"), statusMb("VmHWM:"), viewer->timeline.count,
                static_cast<long long>(viewer->timeline.spacing));
    timeline::closeViewer(*viewer);
    display::CloseScreen();
    return 0;
}
