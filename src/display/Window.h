// The window behind the display service: the only place that knows SDL. The
// service calls these from OpenScreen, WaitVerticalRetrace, PollKey and
// EndProgram; nothing else in the program sees them.
#pragma once

#include <cstdint>

#include "display/Pacer.h"
#include "display/Screen.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;

namespace display {

struct Window {
    SDL_Window* window = nullptr;      // the 640 x 480 window, resizable
    SDL_Renderer* renderer = nullptr;  // presents the picture, with vsync where offered
    SDL_Texture* texture = nullptr;    // the visible page through the palette
    uint32_t colours[PALETTE_SIZE] = {};  // palette as texture pixels
    int32_t refreshRate = 60;          // display refresh, frames per second
    int32_t vsyncTrusted = 0;          // flag: presents were seen to wait for the retrace
    int32_t framesMeasured = 0;        // presents timed while deciding vsyncTrusted
    int32_t slowPresents = 0;          // of those, presents that blocked a quarter frame or more
    int32_t fullScreen = 0;            // flag: Alt+Enter switched to full screen
    Pacer pacer;                       // schedule when presents do not wait
};

// Opens the window, or returns false with a reason when there is no display
// (SDL's offscreen and dummy drivers count as none unless the user chose one).
bool openWindow(Window& window, const Screen& screen, const char* title, int32_t refreshRate,
                const char** reason);
// Handles window events: keys into the screen's key buffer, the close request,
// Alt+Enter, resizing.
void pumpWindowEvents(Window& window, Screen& screen);
// Turns the visible page into the window's picture.
void uploadVisiblePage(Window& window, const Screen& screen);
// Shows the picture and returns at the next retrace (or the next tick).
void presentWindow(Window& window);
void closeWindow(Window& window);

}  // namespace display
