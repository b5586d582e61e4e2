// barrage-view [--frame N] [--paused] [--speed X]: the demonstration on a
// timeline, to study its patterns. It opens on frame N (default 1), playing
// unless --paused, at X times the program's speed (1/4, 1/2, 1, 2 or 4).
// Under the picture a status strip gives the frame, the live bullets and
// where each shooter's programs stand.
#include <cstdio>
#include <cstring>
#include <memory>

#include "display/Control.h"
#include "display/Display.h"
#include "display_sdl/SdlWindow.h"
#include "display_terminal/Terminal.h"
#include "timeline/Viewer.h"
#include "tools/Arguments.h"

namespace {

constexpr const char* USAGE =
    "usage: barrage-view [--frame N] [--paused] [--speed 1/4|1/2|1|2|4]\n"
    "  Space play/pause   Right or . one frame on   Left or , one frame back   Home frame 1\n"
    "  1-5 speed x1/4 x1/2 x1 x2 x4   g digits Enter go to a frame   t trails   p path preview\n"
    "  Escape, q or the window's close button end it\n";

// What the keys do, for the terminal's first line when there is no display.
constexpr const char* KEY_HELP =
    "Space plays or pauses, Right or . and Left or , step, Home goes to frame 1, 1-5 set the speed, "
    "g digits Enter go to a frame, t trails, p paths, q or Escape (or Ctrl+C) quits.";

int32_t speedIndex(const char* text) {
    constexpr const char* DECIMALS[timeline::SPEED_COUNT] = {"0.25", "0.5", "1.0", "2.0", "4.0"};
    for (int32_t i = 0; i < timeline::SPEED_COUNT; ++i) {
        if (std::strcmp(text, timeline::SPEED_NAMES[i]) == 0 || std::strcmp(text, DECIMALS[i]) == 0) return i;
    }
    return -1;
}

int badArguments(const char* what) {
    std::fprintf(stderr, "barrage-view: %s (barrage-view --help for usage)\n", what);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    int64_t frame = 1;
    bool paused = false;
    int32_t speed = timeline::NORMAL_SPEED;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(USAGE, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--paused") == 0) {
            paused = true;
        } else if (std::strcmp(argv[i], "--frame") == 0) {
            if (i + 1 == argc || !timeline::parseFrame(argv[++i], &frame)) {
                char what[96];
                std::snprintf(what, sizeof what, "--frame: %s", timeline::FRAME_RULE);
                return badArguments(what);
            }
        } else if (std::strcmp(argv[i], "--speed") == 0) {
            if (i + 1 == argc || (speed = speedIndex(argv[++i])) < 0) {
                return badArguments("--speed takes 1/4, 1/2, 1, 2 or 4");
            }
        } else {
            char what[96];
            std::snprintf(what, sizeof what, "unknown argument '%.60s'", argv[i]);
            return badArguments(what);
        }
    }

    // Start-up.
    auto viewer = std::make_unique<timeline::Viewer>();
    display::UseWindowSystem(display_sdl::sdlWindowSystem(), display_terminal::terminalSystem());
    display::UseLayers(&viewer->layers);
    display::UseKeyHelp(KEY_HELP);
    timeline::openViewer(*viewer, frame, paused, speed);
    while (!viewer->quit) {
        // Input.
        for (screen::KeyString key = display::PollKey(); !screen::isEmpty(key); key = display::PollKey()) {
            timeline::viewerKey(*viewer, screen::keyCode(key));
        }
        // Update: the frames this tick is due at the speed.
        timeline::tickViewer(*viewer);
        // Draw and pace: the picture with its layers, at the next tick.
        display::WaitVerticalRetrace();
    }
    // Shut-down.
    timeline::closeViewer(*viewer);
    display::EndProgram(0);
}
