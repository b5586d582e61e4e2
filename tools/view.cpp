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

constexpr const char* KEYS =
    "Keys:\n"
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

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("The demonstration on a timeline, to study its patterns: it opens on a frame, playing unless "
                 "--paused, with a status strip under the picture.",
                 "barrage-view");
    app.footer(KEYS);
    std::string frameText = "1", speedText = "1";
    bool paused = false;
    app.add_option("--frame", frameText, "the frame it opens on (default 1)")
        ->option_text("N")
        ->check(CLI::Validator(
            [](std::string& text) {
                int64_t frame = 0;
                return timeline::parseFrame(text.c_str(), &frame) ? std::string() : std::string(timeline::FRAME_RULE);
            },
            "1..1000000"));
    app.add_flag("--paused", paused, "open paused");
    app.add_option("--speed", speedText, "times the program's speed: 1/4, 1/2, 1, 2 or 4 (or 0.25, 0.5, 1.0, 2.0, 4.0)")
        ->option_text("X")
        ->check(CLI::Validator(
            [](std::string& text) {
                return speedIndex(text.c_str()) >= 0 ? std::string()
                                                     : std::string("takes 1/4, 1/2, 1, 2 or 4 (or 0.25, 0.5, 1.0, 2.0, 4.0)");
            },
            "SPEED"));
    if (const int status = tools::parseArguments(app, argc, argv); status >= 0) return status;
    int64_t frame = 1;
    timeline::parseFrame(frameText.c_str(), &frame);
    const int32_t speed = speedIndex(speedText.c_str());

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
