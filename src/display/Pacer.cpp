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

int32_t ticksDue(Pacer& pacer, int64_t nowNs) {
    // The host's calls come at its display's retraces; the schedule restarts
    // half a tick before one, so its ticks fall between them and the clock's
    // jitter cannot move a tick from one call to the next.
    constexpr int64_t HALF_TICK = NS_PER_SECOND / TICKS_PER_SECOND / 2;
    const int64_t elapsed = nowNs - pacer.anchorNs;
    const int64_t lateLimit = (pacer.ticks + MAX_TICKS_BEHIND + 1) * NS_PER_SECOND / TICKS_PER_SECOND;
    if (elapsed < 0 || elapsed >= lateLimit) {
        startPacer(pacer, nowNs - HALF_TICK);
        return 1;
    }
    const int64_t passed = elapsed * TICKS_PER_SECOND / NS_PER_SECOND;
    if (passed <= pacer.ticks) return 0;
    const auto due = static_cast<int32_t>(passed - pacer.ticks);
    pacer.ticks = passed;
    // Every 60 ticks the anchor moves on by exactly one second.
    if (pacer.ticks >= TICKS_PER_SECOND) {
        pacer.anchorNs += NS_PER_SECOND;
        pacer.ticks -= TICKS_PER_SECOND;
    }
    return due;
}

void waitForTick(Pacer& pacer) { sleepUntil(nextTick(pacer, steadyNowNs())); }

}  // namespace display
