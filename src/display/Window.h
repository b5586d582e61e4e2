// The window behind the display service: the only place that knows SDL. The
// service calls these, through the WindowSystem the program installs, from
// OpenScreen, WaitVerticalRetrace, PollKey and EndProgram; nothing else in the
// program sees them. Tools that never open a window leave SDL out entirely.
#pragma once

#include <cstdint>

#include "display/Pacer.h"
#include "display/Screen.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Surface;

namespace display {

// Two ways to show the page: through a graphics processor (a streaming texture
// scaled by the renderer, presents that wait for the retrace), or, where the
// only renderer would rasterise in software, by writing the window's own
// pixels directly, which costs the least processor time.
struct Window {
    SDL_Window* window = nullptr;      // the 640 x 480 window, resizable
    SDL_Renderer* renderer = nullptr;  // hardware path: presents the picture; none on the direct path
    SDL_Texture* texture = nullptr;    // hardware path: the visible page through the palette
    uint32_t colours[PALETTE_SIZE] = {};  // palette as texture pixels
    SDL_Surface* surface = nullptr;    // direct path: the window's pixels as last seen (not owned)
    uint32_t surfaceColours[PALETTE_SIZE] = {};  // direct path: palette in the surface's format
    int32_t pictureStale = 0;          // flag: the window lost its picture (resized, exposed)
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
// Shows the picture; where presents wait for the retrace, returns at it.
void presentWindow(Window& window);
// Returns at the next tick when presents do not wait; a floor under them when they do.
void paceWindow(Window& window);
void closeWindow(Window& window);

// The functions above, for the service to call through.
struct WindowSystem {
    bool (*open)(Window&, const Screen&, const char*, int32_t, const char**);
    void (*pumpEvents)(Window&, Screen&);
    void (*upload)(Window&, const Screen&);
    void (*present)(Window&);
    void (*pace)(Window&);
    void (*close)(Window&);
};

// The SDL window system (library display_sdl).
const WindowSystem* sdlWindowSystem();

}  // namespace display
