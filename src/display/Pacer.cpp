// Frame pacing by the steady clock, for the terminal and for windows whose
// presents do not wait for the retrace.
#include "display/Pacer.h"

#include <cerrno>
#include <ctime>

namespace display {

namespace {

constexpr int64_t NS_PER_SECOND = 1'000'000'000;

void sleepUntil(int64_t deadlineNs) {
    timespec when{};
    when.tv_sec = static_cast<time_t>(deadlineNs / NS_PER_SECOND);
    when.tv_nsec = static_cast<long>(deadlineNs % NS_PER_SECOND);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) == EINTR) {
        // A signal woke us early; the schedule still holds.
    }
}

}  // namespace

int64_t steadyNowNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<int64_t>(now.tv_sec) * NS_PER_SECOND + now.tv_nsec;
}

void startPacer(Pacer& pacer, int32_t framesPerSecond) {
    if (framesPerSecond <= 0) framesPerSecond = 60;
    pacer.periodNs = NS_PER_SECOND / framesPerSecond;
    pacer.lastNs = steadyNowNs();
    pacer.nextNs = pacer.lastNs + pacer.periodNs;
}

void waitForTick(Pacer& pacer) {
    const int64_t now = steadyNowNs();
    if (now - pacer.nextNs > pacer.periodNs) {
        pacer.nextNs = now;
    } else {
        sleepUntil(pacer.nextNs);
    }
    pacer.lastNs = pacer.nextNs > now ? pacer.nextNs : now;
    pacer.nextNs += pacer.periodNs;
}

void waitAtLeastHalfPeriod(Pacer& pacer) {
    const int64_t now = steadyNowNs();
    if (now - pacer.lastNs < pacer.periodNs / 2) {
        sleepUntil(pacer.lastNs + pacer.periodNs);
        pacer.lastNs += pacer.periodNs;
    } else {
        pacer.lastNs = now;
    }
    pacer.nextNs = pacer.lastNs + pacer.periodNs;
}

}  // namespace display
