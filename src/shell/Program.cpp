// Start-up, frame loop and shut-down. One pass of the loop is one frame and one
// tick of the simulation; the retrace wait is the only pacing.
#include "shell/Program.h"

#include "display/Display.h"

namespace shell {

namespace {

constexpr int32_t SCREEN_MODE = 18;  // 640 x 480
constexpr int32_t COLOUR_DEPTH = 8;  // one palette byte per pixel
constexpr int32_t PAGES = 2;
constexpr int32_t WORK_PAGE = 1;
constexpr int32_t VISIBLE_PAGE = 0;
constexpr float RING_RADIUS = 10.0f;
constexpr int32_t BLACK = 0;
constexpr int32_t WHITE = 15;

}  // namespace

void drawFrame(ShooterPass& pass) {
    display::FillBox(0.0f, 0.0f, 639.0f, 479.0f, BLACK);
    display::DrawCircle(320.0f, 240.0f, RING_RADIUS, WHITE);
    runShooterPass(pass);
}

void startUp(ShooterPass& pass) {
    display::ClearTextScreen();
    display::OpenScreen(SCREEN_MODE, COLOUR_DEPTH, PAGES, 0, 0);
    setUpShooters(pass);
    display::SetPages(WORK_PAGE, VISIBLE_PAGE);
}

void runFrame(ShooterPass& pass) {
    drawFrame(pass);
    display::WaitVerticalRetrace();
    display::CopyWorkPage();
}

void shutDown(ShooterPass& pass) { tearDownShooters(pass); }

int runProgram() {
    ShooterPass pass;
    startUp(pass);
    do {
        runFrame(pass);
    } while (display::isEmpty(display::PollKey()));
    shutDown(pass);
    return 0;
}

}  // namespace shell
