// In a window on a private X server: the CPU time that presenting one frame
// costs (palette lookup, upload, present), and the pacing of the program's own
// frame loop over 20 seconds.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>
#include <vector>
#include <algorithm>

#include "display/Control.h"
#include "display/Display.h"
#include "display/WindowSystem.h"
#include "display_sdl/SdlWindow.h"
#include "display/Pacer.h"
#include "shell/Program.h"
#include "support/Processes.h"

namespace {

constexpr int PRESENT_FRAMES = 600;
constexpr double PACING_SECONDS = 20.0;

double processSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU seconds another process has used, from /proc.
double childSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string field;
    double ticks = 0;
    for (int i = 1; i <= 15 && stat >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::atof(field.c_str());
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(share * static_cast<double>(values.size() - 1))];
}

void presentationCost(pid_t server) {
    auto screen = std::make_unique<screen::Screen>();
    screen::openScreen(*screen);
    for (int i = 0; i < 300; ++i) screen::drawCircle(*screen, float(i * 2 % 640), float(i * 7 % 480), 3.0f, 15);
    const display::WindowSystem& sdl = *display_sdl::sdlWindowSystem();
    const char* reason = "";
    display::OpenRequest request;
    request.title = "barrage-bench";
    display::WindowHandle* window = sdl.open(*screen, request, &reason);
    if (!window) {
        std::printf("presentation: no window (%s)\n", reason);
        return;
    }
    for (int i = 0; i < 30; ++i) {
        sdl.upload(window, *screen, &screen->pages[screen->visiblePage][0][0], -1);
        sdl.present(window);
    }
    const double serverBefore = childSeconds(server), before = processSeconds();
    const int64_t wallBefore = display::steadyNowNs();
    for (int i = 0; i < PRESENT_FRAMES; ++i) {
        sdl.pumpEvents(window, *screen);
        sdl.upload(window, *screen, &screen->pages[screen->visiblePage][0][0], -1);
        sdl.present(window);
    }
    const double cpu = (processSeconds() - before) / PRESENT_FRAMES * 1e3;
    const double wall = static_cast<double>(display::steadyNowNs() - wallBefore) / PRESENT_FRAMES * 1e-6;
    const double serverCpu = (childSeconds(server) - serverBefore) / PRESENT_FRAMES * 1e3;
    std::printf("presentation: %.3f ms CPU per frame in the program (target <= 0.3), %.3f ms wall, "
                "X server %.3f ms CPU\n", cpu, wall, serverCpu);
    sdl.close(window);
}

void pacing() {
    world::World pass;
    shell::startUp(pass);
    const double period = 1e3 / display::RefreshRate();
    std::vector<double> intervals;
    int64_t last = display::steadyNowNs();
    const int64_t end = last + static_cast<int64_t>(PACING_SECONDS * 1e9);
    while (last < end) {
        shell::runFrame(pass);
        const int64_t now = display::steadyNowNs();
        intervals.push_back(static_cast<double>(now - last) * 1e-6);
        last = now;
    }
    shell::shutDown(pass);
    display::CloseScreen();
    intervals.erase(intervals.begin());  // the first frame includes start-up
    const double median = percentile(intervals, 0.5), p99 = percentile(intervals, 0.99);
    const double worst = *std::max_element(intervals.begin(), intervals.end());
    std::printf("pacing: %zu frames at %.3f ms period: median %.3f ms (%.2f %% off, target <= 2), "
                "p99 %.3f ms (%.2f %% off, target <= 10), max %.3f ms (%.2f periods, target < 2)\n",
                intervals.size(), period, median, 100.0 * std::abs(median - period) / period, p99,
                100.0 * std::abs(p99 - period) / period, worst, worst / period);
}

}  // namespace

int main() {
    testing_support::XServer server;
    if (server.name.empty()) {
        std::printf("window benchmarks: Xvfb did not start\n");
        return 1;
    }
    setenv("DISPLAY", server.name.c_str(), 1);
    display::UseWindowSystem(display_sdl::sdlWindowSystem());
    presentationCost(server.pid);
    pacing();
    return 0;
}
