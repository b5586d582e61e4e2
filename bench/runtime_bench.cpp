// The runtime's costs against the tools' own: a frame stepped through the C
// interface against world::stepWorld on the same world (the demonstration
// and 64 full stores), and every live bullet of 64 full stores read through
// barrage_bullets, per bullet.
#include <barrage.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "Timing.h"
#include "pattern/Pattern.h"
#include "world/World.h"

using bench::Clock;
using bench::millisecondsSince;
using bench::sourceFile;

namespace {


// From frame 2,000 on, blocks of 10 frames by turns through the interface and
// by the world's own step, which goes first changing from block to block,
// each world made from the same text.
void step(const char* name, const std::string& text) {
    barrage_pattern* p = nullptr;
    if (!text.empty()) barrage_read_pattern(text.data(), text.size(), name, nullptr, 0, &p);
    const pattern::Loaded loaded = text.empty() ? pattern::Loaded{} : pattern::parsePattern(text, name);
    barrage_world* w = nullptr;
    barrage_make_world(p, &w);
    world::World plain;
    if (text.empty()) {
        world::setUpWorld(plain);
    } else {
        world::setUpWorld(plain, pattern::makerFor(loaded.pattern));
    }
    for (int f = 0; f < 2'000; ++f) {
        barrage_step(w, BARRAGE_MOVE_NONE);
        world::stepWorld(plain);
    }
    std::vector<double> api, own;
    for (int block = 0; block < 1'500; ++block) {
        for (const bool first : {block % 2 == 0, block % 2 != 0}) {
            const auto start = Clock::now();
            for (int f = 0; f < 10; ++f) {
                if (first) {
                    barrage_step(w, BARRAGE_MOVE_NONE);
                } else {
                    world::stepWorld(plain);
                }
            }
            (first ? api : own).push_back(millisecondsSince(start) / 10);
        }
    }
    const double a = bench::median(api), o = bench::median(own);
    std::printf("%s: a frame through the interface %.4f ms, the world's own step %.4f ms: %+.1f %% (target: at most +2 %%)\n",
                name, a, o, (a / o - 1) * 100);
    barrage_free_world(w);
    world::tearDownWorld(plain);
    barrage_free_pattern(p);
}

// Sums x + y over the live bullets of `slots` records from `b`.
template <typename Record>
double sumLive(const Record* b, int32_t slots, int64_t& live) {
    double sum = 0;
    for (int32_t j = 0; j < slots; ++j) {
        if (!b[j].alive) continue;
        sum += b[j].x + b[j].y;
        ++live;
    }
    return sum;
}

// Every live bullet of 64 full stores read through barrage_bullets, against
// the same loop over the world's own stores; and one store read again and
// again, so that it stays in the cache.
void readBullets(const std::string& heavy) {
    barrage_pattern* p = nullptr;
    barrage_read_pattern(heavy.data(), heavy.size(), "full-stores.toml", nullptr, 0, &p);
    barrage_world* w = nullptr;
    barrage_make_world(p, &w);
    for (int f = 0; f < 2'000; ++f) barrage_step(w, BARRAGE_MOVE_NONE);
    std::vector<double> api, own, cached;
    double sum = 0;
    int32_t fullest = 0;
    for (int32_t i = 0, most = -1; i < barrage_shooter_count(w); ++i) {
        barrage_shooter s{};
        barrage_get_shooter(w, i, &s);
        if (s.live > most) most = s.live, fullest = i;
    }
    for (int run = 0; run < 2'000; ++run) {
        int64_t live = 0;
        auto start = Clock::now();
        for (int32_t i = 0, n = barrage_shooter_count(w); i < n; ++i) {
            int32_t slots = 0;
            const barrage_bullet* b = barrage_bullets(w, i, &slots);
            sum += sumLive(b, slots, live);
        }
        api.push_back(millisecondsSince(start) * 1e6 / static_cast<double>(live));
        live = 0;
        start = Clock::now();
        for (int32_t i = 0, n = barrage_shooter_count(w); i < n; ++i) {
            int32_t slots = 0;
            const auto* b = reinterpret_cast<const bullets::Bullet*>(barrage_bullets(w, i, &slots));
            sum += sumLive(b, slots, live);
        }
        own.push_back(millisecondsSince(start) * 1e6 / static_cast<double>(live));
        live = 0;
        start = Clock::now();
        for (int k = 0; k < 64; ++k) {
            int32_t slots = 0;
            const barrage_bullet* b = barrage_bullets(w, fullest, &slots);
            sum += sumLive(b, slots, live);
        }
        cached.push_back(millisecondsSince(start) * 1e6 / static_cast<double>(live));
    }
    std::printf("64 full stores: every live bullet read through barrage_bullets %.3f ns a bullet, the world's own records "
                "%.3f ns (target: at most 1); one store in the cache %.3f ns%s\n",
                bench::median(api), bench::median(own), bench::median(cached), sum == 0.5 ? " " : "");
    barrage_free_world(w);
    barrage_free_pattern(p);
}

}  // namespace

int main() {
    const std::string heavy = sourceFile("bench/full-stores.toml");
    step("the demonstration", "");
    step("64 full stores", heavy);
    readBullets(heavy);
    return 0;
}
