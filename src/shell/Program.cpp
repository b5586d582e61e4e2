// Start-up, frame loop and shut-down. One pass of the loop is one frame and one
// tick of the simulation; the retrace wait is the only pacing.
#include "shell/Program.h"

#include "display/Display.h"
#include "shell/Picture.h"

namespace shell {

namespace {

constexpr int32_t SCREEN_MODE = 18;  // 640 x 480
constexpr int32_t COLOUR_DEPTH = 8;  // one palette byte per pixel
constexpr int32_t PAGES = 2;
constexpr int32_t WORK_PAGE = 1;
constexpr int32_t VISIBLE_PAGE = 0;

}  // namespace

void startUp(world::World& world, const world::WorldMaker& maker) {
    display::ClearTextScreen();
    display::OpenScreen(SCREEN_MODE, COLOUR_DEPTH, PAGES, 0, 0);
    world::setUpWorld(world, maker);
    display::SetPages(WORK_PAGE, VISIBLE_PAGE);
}

void runFrame(world::World& world) {
    world::stepWorld(world);
    drawWorld(world);
    display::WaitVerticalRetrace();
    display::CopyWorkPage();
}

void shutDown(world::World& world) { world::tearDownWorld(world); }

int runProgram(const world::WorldMaker& maker) {
    world::World world;
    startUp(world, maker);
    do {
        runFrame(world);
    } while (screen::isEmpty(display::PollKey()));
    shutDown(world);
    return 0;
}

}  // namespace shell
