// Bullets that run programs of their own against bullets that do not: the
// simulation's cost per slot on 64 full stores (bench/full-stores.toml), as
// it is and with every bullet turning by a program every ten frames
// (target: at most 2 x), each timed from one snapshot again and again.
#include <cstdio>
#include <string>
#include <vector>

#include "Timing.h"
#include "pattern/Pattern.h"
#include "world/Snapshot.h"

using bench::Clock;
using bench::millisecondsSince;

namespace {

constexpr int FRAMES = 20;  // timed from the snapshot each run

// Nanoseconds a slot a frame, the median of many runs from frame 2,000.
double perSlot(const std::string& text) {
    const pattern::Loaded loaded = pattern::parsePattern(text, "full-stores.toml");
    if (pattern::refused(loaded)) {
        std::fprintf(stderr, "actions_bench: %s\n", loaded.messages.front().text.c_str());
        return 0;
    }
    world::World w;
    world::setUpWorld(w, pattern::makerFor(loaded.pattern));
    for (int f = 0; f < 2'000; ++f) world::stepWorld(w);
    std::vector<uint64_t> snapshot(world::snapshotBytes(w) / 8 + 8);
    world::takeSnapshot(snapshot.data(), snapshot.size() * 8, w, 2'000);
    std::vector<double> runs;
    for (int run = 0; run < 200; ++run) {
        world::restoreSnapshot(snapshot.data(), w);
        const auto start = Clock::now();
        for (int k = 0; k < FRAMES; ++k) world::stepWorld(w);
        runs.push_back(millisecondsSince(start) * 1e6 / (FRAMES * static_cast<double>(w.count) * actor::BULLET_CAPACITY));
    }
    world::tearDownWorld(w);
    return bench::median(runs);
}

}  // namespace

int main() {
    const std::string plain = bench::sourceFile("bench/full-stores.toml");
    std::string programmed = plain;
    const std::string homing = "bulletMotion = \"homing\"";
    programmed.replace(programmed.find(homing), homing.size(), homing + ", bullet = \"turn\"");
    programmed += "[bullet.turn]\nactions = [ { repeat = 100000, actions = [ { wait = 10 }, "
                  "{ direction = 3, kind = \"relative\", frames = 5 } ] } ]\n";
    for (int round = 0; round < 3; ++round) {
        const double without = perSlot(plain), with = perSlot(programmed);
        std::printf("64 full stores, a frame per slot: %.2f ns without programs, %.2f ns with every bullet running "
                    "one: %.2f x (target <= 2)\n", without, with, with / without);
    }
}
