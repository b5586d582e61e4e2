// The whole program as a user runs it, on a private X server: time from start
// to the first frame on screen, from a key press to the end of the process,
// CPU load and peak memory over 20 seconds; and the trace tool's memory over a
// million frames.
#include <gtest/gtest.h>  // for the Xlib include order of XWindows.h only

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "Timing.h"
#include "support/Processes.h"
#include "support/XWindows.h"

namespace {

using namespace testing_support;

constexpr int LATENCY_RUNS = 5;
constexpr double LOAD_SECONDS = 20.0;

using bench::median;
using bench::millisecondsSince;

void latency(Display* x, const std::string& name) {
    std::vector<double> toFirstFrame, toExit;
    for (int run = 0; run < LATENCY_RUNS; ++run) {
        const auto start = Clock::now();
        const pid_t program = spawn({BARRAGE_PATH}, {"DISPLAY=" + name});
        const Window window = waitForWindow(x, "barrage", 10);
        // The first frame is on screen when the centre ring shows in the window.
        while (window && pixelOf(x, window, 330, 240) != 0xFFFFFF && millisecondsSince(start) < 10000) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        toFirstFrame.push_back(millisecondsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        const auto pressed = Clock::now();
        const pid_t typist = spawn({"xdotool", "key", "--window", std::to_string(window), "space"}, {"DISPLAY=" + name});
        const int status = waitExit(program, 5);
        toExit.push_back(millisecondsSince(pressed));
        waitExit(typist, 5);
        if (status != 0) {
            std::printf("latency: the program did not end on the key (status %d)\n", status);
            stop(program);
        }
    }
    std::printf("latency: start to first frame %.1f ms median (target <= 150); key to exit %.1f ms median "
                "(target <= 50, includes starting xdotool)\n", median(toFirstFrame), median(toExit));
}

void load(const std::string& name) {
    const pid_t program = spawn({BARRAGE_PATH}, {"DISPLAY=" + name});
    std::this_thread::sleep_for(std::chrono::duration<double>(LOAD_SECONDS));
    kill(program, SIGTERM);
    rusage usage{};
    const int status = waitExit(program, 5, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    std::printf("load: %.2f %% of one core over %.0f s (target <= 5), peak resident %.1f MB, exit status %d\n",
                100.0 * cpu / LOAD_SECONDS, LOAD_SECONDS, static_cast<double>(usage.ru_maxrss) / 1024.0, status);
}

struct Resident {
    long peakKb = 0;      // peak resident set, from the kernel's accounting at exit
    long peakAnonKb = 0;  // largest anonymous resident set seen while it ran
};

// Anonymous memory is the program's own; file pages are shared library code,
// which grows a little as rarer paths of the mathematics library run.
long anonymousKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "RssAnon:" && status >> value) return value;
    }
    return 0;
}

Resident traceResident(const std::string& frames) {
    const int nowhere = open("/dev/null", O_WRONLY);
    const pid_t trace = spawn({TRACE_PATH, frames, frames}, {}, -1, -1, nowhere);
    close(nowhere);
    Resident resident;
    rusage usage{};
    while (waitExit(trace, 0.02, &usage) < 0) resident.peakAnonKb = std::max(resident.peakAnonKb, anonymousKb(trace));
    resident.peakKb = usage.ru_maxrss;
    return resident;
}

void memory() {
    const Resident shorter = traceResident("100000"), longer = traceResident("1000000");
    std::printf("memory: barrage-trace peak resident %.2f MB after 100,000 frames, %.2f MB after 1,000,000 "
                "(target <= 8); its own (anonymous) memory %.2f MB and %.2f MB (no growth)\n",
                static_cast<double>(shorter.peakKb) / 1024.0, static_cast<double>(longer.peakKb) / 1024.0,
                static_cast<double>(shorter.peakAnonKb) / 1024.0, static_cast<double>(longer.peakAnonKb) / 1024.0);
}

}  // namespace

int main() {
    XServer server;
    Display* x = server.name.empty() ? nullptr : XOpenDisplay(server.name.c_str());
    if (!x) {
        std::printf("program benchmarks: Xvfb did not start\n");
        return 1;
    }
    // Windows come and go while we look for them: not a reason to stop.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    latency(x, server.name);
    load(server.name);
    XCloseDisplay(x);
    memory();
    return 0;
}
