// The display's one frame schedule: 60 ticks a second of the steady clock,
// whatever the display's own refresh. Tick k of a schedule falls at
// anchor + k x 1/60 s, worked out in whole nanoseconds from the anchor, so
// sleeping late on one frame does not shift the ones after it and a second
// holds exactly 60 ticks. A frame that is ready only after its tick has passed
// (a stall, a dragged window, a process stopped and resumed) is released at
// once and the schedule starts again from there: no burst of catch-up frames.
#pragma once

#include <cstdint>

namespace display {

inline constexpr int32_t TICKS_PER_SECOND = 60;
inline constexpr int64_t NS_PER_SECOND = 1'000'000'000;

struct Pacer {
    int64_t anchorNs = 0;  // steady-clock time of tick 0
    int64_t ticks = 0;     // ticks released since the anchor, 0 to TICKS_PER_SECOND - 1
};

int64_t steadyNowNs();
void startPacer(Pacer& pacer, int64_t nowNs);
// The pacing decision for a frame that is ready at nowNs: the time to release
// it, which is its tick, or nowNs when that tick has passed.
int64_t nextTick(Pacer& pacer, int64_t nowNs);
// The same schedule for a host that calls at its own display's rate and
// cannot wait (a web page's animation frames): how many frames to run at
// nowNs, 0 or more, so that every second holds 60. A call more than
// MAX_TICKS_BEHIND ticks late (a hidden tab, a stall) starts the schedule
// again from there and runs one frame: no catch-up burst.
inline constexpr int32_t MAX_TICKS_BEHIND = 4;
int32_t ticksDue(Pacer& pacer, int64_t nowNs);
// Sleeps until the next tick. Called by the display service at each retrace
// wait, whatever backend shows the frames.
void waitForTick(Pacer& pacer);

}  // namespace display
