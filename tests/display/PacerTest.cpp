// The frame schedule against a fake clock: displays of many refresh rates,
// presents that wait for the display's retrace and presents that return at
// once, and a half-second stall.
#include <gtest/gtest.h>

#include <vector>

#include "display/Pacer.h"

namespace display {
namespace {

constexpr int64_t MS = 1'000'000;
constexpr int64_t PERIOD_FLOOR = NS_PER_SECOND / TICKS_PER_SECOND;  // 16,666,666 ns

// Runs the frame loop for `seconds` of fake time: each frame takes 2 ms of
// work, then its present either returns at once or waits for the display's
// next retrace, then the schedule decides when the frame is released. A stall
// of stallNs happens once, after stallAtFrame frames. Returns the release times.
std::vector<int64_t> releases(int32_t refreshHz, bool presentsWait, int64_t stallAtFrame, int64_t stallNs,
                              int64_t seconds) {
    const int64_t start = 5 * NS_PER_SECOND + 3 * MS;  // any phase against the display
    const auto nextRetrace = [&](int64_t now) {
        int64_t j = now * refreshHz / NS_PER_SECOND;
        while (j * NS_PER_SECOND / refreshHz <= now) ++j;
        return j * NS_PER_SECOND / refreshHz;
    };
    Pacer pacer;
    startPacer(pacer, start);
    std::vector<int64_t> released;
    int64_t now = start;
    for (int64_t frame = 0; now < start + seconds * NS_PER_SECOND; ++frame) {
        now += 2 * MS;
        if (frame == stallAtFrame) now += stallNs;
        if (presentsWait) now = nextRetrace(now);
        const int64_t due = nextTick(pacer, now);
        EXPECT_GE(due, now) << "a frame released before it was ready";
        now = due > now ? due : now;
        released.push_back(now);
    }
    return released;
}

TEST(Pacer, SixtyTicksASecondOnEveryDisplayWithNoBurstAfterAStall) {
    for (int32_t hz : {60, 75, 120, 144, 240}) {
        for (bool presentsWait : {false, true}) {
            SCOPED_TRACE(testing::Message() << hz << " Hz, presents " << (presentsWait ? "wait" : "return at once"));
            const int64_t stallFrame = 200, stall = 500 * MS;
            const std::vector<int64_t> ticks = releases(hz, presentsWait, stallFrame, stall, 10);
            for (size_t i = 1; i < ticks.size(); ++i) {
                ASSERT_GE(ticks[i] - ticks[i - 1], PERIOD_FLOOR) << "ticks " << i - 1 << " and " << i << " too close";
            }
            // The frame after the stall comes once it is ready, and the one
            // after that a whole tick later.
            EXPECT_GT(ticks[stallFrame] - ticks[stallFrame - 1], stall);
            EXPECT_LE(ticks[stallFrame + 1] - ticks[stallFrame], PERIOD_FLOOR + 1 + (presentsWait ? 5 * MS : 0));
            // Any second that starts at a tick and keeps clear of the stall
            // holds exactly 60 ticks.
            for (size_t i = 0; i < ticks.size(); ++i) {
                const int64_t from = ticks[i], to = from + NS_PER_SECOND;
                if (from < ticks[stallFrame] && to > ticks[stallFrame - 1]) continue;
                if (to > ticks.back()) break;
                int64_t inside = 0;
                for (size_t k = i; k < ticks.size() && ticks[k] < to; ++k) ++inside;
                ASSERT_EQ(inside, TICKS_PER_SECOND) << "in the second from tick " << i;
            }
        }
    }
}

// A host that calls at its display's retraces, with a millisecond of jitter,
// and whose calls stop for two seconds (a hidden tab).
TEST(Pacer, HostCallsRunSixtyFramesASecondOnEveryDisplayAndNoBurstAfterAGap) {
    for (double hz : {59.94, 60.0, 75.0, 120.0, 144.0, 240.0}) {
        SCOPED_TRACE(testing::Message() << hz << " Hz");
        Pacer pacer;
        startPacer(pacer, 0);
        const auto retrace = [&](int64_t k) {
            const int64_t jitter = (k * 7919 % 2001 - 1000) * 1000;  // -1 to +1 ms
            return 7 * NS_PER_SECOND + static_cast<int64_t>(static_cast<double>(k) * 1e9 / hz) + jitter;
        };
        int64_t k = 0, frames = 0;
        for (; retrace(k) < 17 * NS_PER_SECOND; ++k) {
            const int32_t due = ticksDue(pacer, retrace(k));
            ASSERT_LE(due, hz < 60.0 ? 2 : 1) << "at call " << k;
            frames += due;
        }
        EXPECT_NEAR(static_cast<double>(frames), 600.0, 2.0);
        // Two seconds without calls: the next one runs one frame, and the
        // schedule goes on from there.
        EXPECT_EQ(ticksDue(pacer, retrace(k) + 2 * NS_PER_SECOND), 1);
        frames = 0;
        for (int64_t j = 1; j <= static_cast<int64_t>(hz); ++j) frames += ticksDue(pacer, retrace(k + j) + 2 * NS_PER_SECOND);
        EXPECT_NEAR(static_cast<double>(frames), 60.0, 1.0);
    }
}

}  // namespace
}  // namespace display
