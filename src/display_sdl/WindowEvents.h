// How the SDL window turns its events into keys and requests: a pure function
// of the event, so that tests can check every translation without a window.
// Only the SDL backend and its tests include this header.
#pragma once

#include <cstdint>

#include "screen/Screen.h"

union SDL_Event;

namespace display_sdl {

using screen::Screen;

// What the events of one pump ask of the window, beyond keys.
struct WindowRequests {
    int32_t fullScreenToggles = 0;  // Alt+Enter presses, repeats left out
    int32_t pictureLost = 0;        // flag: resized or exposed, the picture must be drawn again
    int32_t visibility = 0;         // last change seen: 1 shown or restored, -1 hidden or minimised, 0 none
};

// Keys go into the screen's key buffer: typed text as its characters, Escape,
// Enter, Backspace, Tab and Ctrl+letters as control characters, special keys
// as SPECIAL_KEY + their classic scan code, the close request as CLOSE_KEY.
void translateWindowEvent(const SDL_Event& event, Screen& screen, WindowRequests& requests);

}  // namespace display_sdl
