// Pattern files: reading and checking the demonstration's file, the check's
// simulation of 20,000 frames, and an edit in the viewer: the pattern read
// again and the viewer back on frame 16,200, split into reading, simulating
// and drawing.
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
#include "shell/Scenario.h"
#include "timeline/Viewer.h"

using bench::Clock;
using bench::millisecondsSince;

int main() {
    std::ifstream file(std::string(BARRAGE_SOURCE_DIR) + "/patterns/demonstration.toml");
    std::stringstream text;
    text << file.rdbuf();
    const std::string source = text.str();

    std::vector<double> reads;
    for (int i = 0; i < 200; ++i) {
        const auto start = Clock::now();
        const pattern::Loaded loaded = pattern::parsePattern(source, "demonstration.toml");
        reads.push_back(millisecondsSince(start));
        if (pattern::refused(loaded)) return 1;
    }
    std::printf("read and check the demonstration's file: %.3f ms median (target < 2)\n", bench::median(reads));

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
    auto loaded = std::make_unique<pattern::Loaded>(pattern::parsePattern(source, "demonstration.toml"));
    timeline::openViewer(*viewer, shell::STUDY_FRAMES, true, timeline::NORMAL_SPEED, pattern::makerFor(loaded->pattern));
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
                "simulating %d frames and drawing the last %.1f ms; in the window the %lld-frame slices also wait "
                "for their ticks\n",
                shell::STUDY_FRAMES, bench::median(totals), bench::median(parts[0]), shell::STUDY_FRAMES,
                bench::median(parts[1]), static_cast<long long>(timeline::SEEK_SLICE));
    std::printf("viewer frame %lld\n", static_cast<long long>(timeline::viewerFrame(*viewer)));
    timeline::closeViewer(*viewer);
    display::CloseScreen();
    return 0;
}
