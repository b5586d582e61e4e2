// A steady-clock frame schedule for when no retrace can be waited for: ticks
// fall at start + k x period, so sleeping late on one frame does not shift the
// ones after it.
#pragma once

#include <cstdint>

namespace display {

struct Pacer {
    int64_t periodNs = 0;  // nanoseconds per frame
    int64_t nextNs = 0;    // steady-clock time of the next tick
    int64_t lastNs = 0;    // steady-clock time the last wait returned
};

int64_t steadyNowNs();
void startPacer(Pacer& pacer, int32_t framesPerSecond);
// Sleeps until the next tick of the schedule. A schedule that has fallen more
// than a frame behind starts again from now instead of racing to catch up.
void waitForTick(Pacer& pacer);
// Sleeps only if less than half a period has passed since the last wait: a floor
// under presents that stop waiting for the retrace (a hidden window, say).
void waitAtLeastHalfPeriod(Pacer& pacer);

}  // namespace display
