// The SDL window backend: its translation of window events into keys, pure and
// without a window; and the picture it shows, at 1x and scaled 2x, against the
// golden frame, in a real window on a private X server.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "display/Control.h"
#include "display/Display.h"
#include "display_sdl/WindowEvents.h"
#include "display_sdl/SdlWindow.h"
#include "shell/Picture.h"
#include "shell/Program.h"
#include "support/Keys.h"
#include "support/Pictures.h"
#include "support/Processes.h"
#include "support/XWindows.h"  // after gtest and SDL: Xlib's macros clash with both

namespace display_sdl {
namespace {

using namespace screen;
using namespace display;

struct Translated {
    std::vector<int32_t> keys;
    WindowRequests requests;
};

Translated translate(const std::vector<SDL_Event>& events) {
    auto screen = std::make_unique<Screen>();
    openScreen(*screen);
    Translated out;
    for (const SDL_Event& event : events) translateWindowEvent(event, *screen, out.requests);
    out.keys = testing_support::pollAllKeys(*screen);
    return out;
}

SDL_Event keyDown(SDL_Keycode key, SDL_Scancode code, uint16_t mod = KMOD_NONE, uint8_t repeat = 0) {
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.keysym.sym = key;
    event.key.keysym.scancode = code;
    event.key.keysym.mod = mod;
    event.key.repeat = repeat;
    return event;
}

SDL_Event textInput(const char* text) {
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    std::strncpy(event.text.text, text, sizeof event.text.text - 1);
    return event;
}

SDL_Event windowEvent(uint8_t what) {
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.event = what;
    return event;
}

TEST(WindowEvents, KeysArriveWithTheirCodesAndTheCloseRequestAsAKey) {
    const int32_t S = SPECIAL_KEY;
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const Translated t = translate({
        keyDown(SDLK_ESCAPE, SDL_SCANCODE_ESCAPE), keyDown(SDLK_RETURN, SDL_SCANCODE_RETURN),
        keyDown(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER), keyDown(SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE),
        keyDown(SDLK_TAB, SDL_SCANCODE_TAB), keyDown(SDLK_c, SDL_SCANCODE_C, KMOD_LCTRL),
        keyDown(SDLK_UP, SDL_SCANCODE_UP), keyDown(SDLK_DOWN, SDL_SCANCODE_DOWN), keyDown(SDLK_LEFT, SDL_SCANCODE_LEFT),
        keyDown(SDLK_RIGHT, SDL_SCANCODE_RIGHT), keyDown(SDLK_HOME, SDL_SCANCODE_HOME),
        keyDown(SDLK_F1, SDL_SCANCODE_F1), keyDown(SDLK_F10, SDL_SCANCODE_F10), keyDown(SDLK_F12, SDL_SCANCODE_F12),
        keyDown(SDLK_PRINTSCREEN, SDL_SCANCODE_PRINTSCREEN)});
    EXPECT_EQ(t.keys, (std::vector<int32_t>{27, 13, 13, 8, 9, 3, S + 'H', S + 'P', S + 'K', S + 'M', S + 'G', S + ';',
                                            S + 'D', S + 0x86, S}));
    EXPECT_EQ(t.requests.fullScreenToggles, 0);
    const Translated typed = translate({
        keyDown(SDLK_a, SDL_SCANCODE_A), textInput("a"),  // a character comes once, as text
        keyDown(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT),        // a modifier alone is no key
        textInput("\xC3\xA9\xE2\x82\xAC"),                // e acute, then the euro sign beyond 255
        quit});
    EXPECT_EQ(typed.keys, (std::vector<int32_t>{'a', 0xE9, '?', CLOSE_KEY}));
}

TEST(WindowEvents, AltEnterAndTheWindowsOwnEventsBecomeRequests) {
    const Translated t = translate({keyDown(SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT),
                                    keyDown(SDLK_RETURN, SDL_SCANCODE_RETURN, KMOD_LALT, 1),  // held: no more
                                    keyDown(SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, KMOD_RALT),
                                    windowEvent(SDL_WINDOWEVENT_SIZE_CHANGED), windowEvent(SDL_WINDOWEVENT_MINIMIZED)});
    EXPECT_TRUE(t.keys.empty());
    EXPECT_EQ(t.requests.fullScreenToggles, 2);
    EXPECT_NE(t.requests.pictureLost, 0);
    EXPECT_EQ(t.requests.visibility, -1);
    EXPECT_EQ(translate({windowEvent(SDL_WINDOWEVENT_HIDDEN), windowEvent(SDL_WINDOWEVENT_RESTORED)}).requests.visibility, 1);
}

// The steering keys are held from their press to their release, by their
// place on the keyboard; a window that loses the focus lets them all go.
TEST(WindowEvents, SteeringKeysAreHeldFromPressToRelease) {
    auto screen = std::make_unique<Screen>();
    openScreen(*screen);
    WindowRequests requests;
    const auto send = [&](SDL_Event event) { translateWindowEvent(event, *screen, requests); };
    const auto up = [](SDL_Scancode code) {
        SDL_Event event{};
        event.type = SDL_KEYUP;
        event.key.keysym.scancode = code;
        return event;
    };
    send(keyDown(SDLK_z, SDL_SCANCODE_W));  // W's place on an AZERTY keyboard
    send(keyDown(SDLK_RIGHT, SDL_SCANCODE_RIGHT));
    send(keyDown(SDLK_LSHIFT, SDL_SCANCODE_LSHIFT));
    EXPECT_EQ(screen->held, HELD_UP | HELD_RIGHT | HELD_SHIFT);
    send(up(SDL_SCANCODE_W));
    send(up(SDL_SCANCODE_LSHIFT));
    EXPECT_EQ(screen->held, HELD_RIGHT);
    send(windowEvent(SDL_WINDOWEVENT_FOCUS_LOST));
    EXPECT_EQ(screen->held, 0u);
}

// The window's pixels, compared with the golden frame scaled by `scale`;
// returns how many differ.
int differences(::Display* x, ::Window window, int scale, const testing_support::Picture& golden) {
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, window, &attributes);
    const int left = (attributes.width - 640 * scale) / 2, top = (attributes.height - 480 * scale) / 2;
    return testing_support::differingPixels(x, window, left, top, scale, golden);
}

TEST(WindowPicture, FrameSevenHundredAtOneAndTwoTimesIsTheGoldenFrame) {
    ASSERT_TRUE(testing_support::onPath("Xvfb")) << "this test needs Xvfb: apt-get install xvfb (make test installs it)";
    testing_support::XServer server("1600x1200x24");
    ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
    setenv("DISPLAY", server.name.c_str(), 1);
    unsetenv("SDL_VIDEODRIVER");
    ::Display* x = XOpenDisplay(server.name.c_str());
    ASSERT_NE(x, nullptr);
    const testing_support::Picture golden = testing_support::readPng(testing_support::goldenFrame700());
    ASSERT_EQ(golden.width, 640);

    UseWindowSystem(sdlWindowSystem());
    world::World pass;
    shell::startUp(pass);
    for (int frame = 1; frame <= 700; ++frame) {  // as fast as it goes: the picture is what counts here
        world::stepWorld(pass);
        shell::drawWorld(pass);
        CopyWorkPage();
    }
    const ::Window window = testing_support::waitForWindow(x, program_invocation_short_name, 10);
    ASSERT_NE(window, 0u);
    XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });  // not viewable yet: try again
    // Frames go on showing the visible page, frame 700, until the window
    // shows it whole or a second has passed.
    const auto settle = [&](int scale) {
        int differing = -1;
        for (int i = 0; i < 60 && differing != 0; ++i) {
            WaitVerticalRetrace();
            XSync(x, False);
            differing = differences(x, window, scale, golden);
        }
        return differing;
    };
    EXPECT_EQ(settle(1), 0) << "at 1x";
    XMoveResizeWindow(x, window, 0, 0, 1400, 1000);  // room for 2x, centred, all on the screen
    XSync(x, False);
    EXPECT_EQ(settle(2), 0) << "at 2x";

    shell::shutDown(pass);
    CloseScreen();
    XCloseDisplay(x);
}

}  // namespace
}  // namespace display_sdl
