// Every backend in one program: the SDL window, the terminal, the web page's
// canvas and the headless pages link side by side (this test is linked with
// link-time optimisation, which reports two different records of one name),
// and the page's backend runs natively behind the service: the picture
// through the palette, keys in.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "display/Control.h"
#include "display/Display.h"
#include "display/WindowSystem.h"
#include "display_browser/Browser.h"
#include "display_headless/Headless.h"
#include "display_sdl/SdlWindow.h"
#include "display_terminal/Terminal.h"

namespace display {
namespace {

TEST(EveryBackend, LinksIntoOneProgramAndThePagesBackendShowsThePictureAndTakesKeys) {
    const WindowSystem* systems[] = {display_sdl::sdlWindowSystem(), display_terminal::terminalSystem(),
                                     display_browser::browserWindowSystem(), display_headless::headlessSystem()};
    for (const WindowSystem* a : systems) {
        ASSERT_NE(a, nullptr);
        for (const WindowSystem* b : systems) EXPECT_TRUE(a == b || a->open != b->open);
    }
    UseWindowSystem(display_browser::browserWindowSystem());
    OpenScreen(18, 8, 2, 0, 0);
    SetPages(1, 0);
    FillBox(0, 0, 639, 479, 4);
    FillBox(10, 20, 10, 20, 14);
    CopyWorkPage();
    display_browser::pressBrowserKey('x');
    WaitVerticalRetrace();
    ShowVisiblePage();
    const screen::Screen& screen = CurrentScreen();
    const auto rgba = [](int32_t x, int32_t y) {
        uint8_t pixel[4];
        std::memcpy(pixel, display_browser::browserPicture() + (static_cast<size_t>(y) * screen::SCREEN_WIDTH + x) * 4, 4);
        return std::vector<int>(pixel, pixel + 4);
    };
    EXPECT_EQ(rgba(0, 0), (std::vector<int>{screen.palette[4][0], screen.palette[4][1], screen.palette[4][2], 255}));
    EXPECT_EQ(rgba(10, 20), (std::vector<int>{screen.palette[14][0], screen.palette[14][1], screen.palette[14][2], 255}));
    EXPECT_EQ(screen::keyCode(PollKey()), 'x');
    EXPECT_TRUE(screen::isEmpty(PollKey()));
    // The next frame converts only what changed, and must show all of it.
    const auto colour = [&](int32_t index) {
        return std::vector<int>{screen.palette[index][0], screen.palette[index][1], screen.palette[index][2], 255};
    };
    FillBox(0, 0, 639, 479, 0);
    FillBox(300, 200, 300, 200, 14);
    CopyWorkPage();
    ShowVisiblePage();
    EXPECT_EQ(rgba(10, 20), colour(0));
    EXPECT_EQ(rgba(300, 200), colour(14));
    EXPECT_EQ(rgba(639, 479), colour(0));
    CloseScreen();
    UseWindowSystem(nullptr);
}

}  // namespace
}  // namespace display
