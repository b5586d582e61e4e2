// The frame schedule and the sleep that keeps it.
#include "display/Pacer.h"

#include <cerrno>
#include <ctime>

namespace display {

namespace {

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

void startPacer(Pacer& pacer, int64_t nowNs) {
    pacer.anchorNs = nowNs;
    pacer.ticks = 0;
}

int64_t nextTick(Pacer& pacer, int64_t nowNs) {
    const int64_t due = pacer.anchorNs + (pacer.ticks + 1) * NS_PER_SECOND / TICKS_PER_SECOND;
    if (nowNs > due) {
        startPacer(pacer, nowNs);
        return nowNs;
    }
    // Every 60 ticks the anchor moves on by exactly one second.
    if (++pacer.ticks == TICKS_PER_SECOND) startPacer(pacer, due);
    return due;
}

void waitForTick(Pacer& pacer) { sleepUntil(nextTick(pacer, steadyNowNs())); }

}  // namespace display
