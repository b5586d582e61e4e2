// The table through which the display service drives a window backend. The
// backend's own record stays opaque here: the service holds a handle and never
// looks inside, so nothing but the backend's one source file sees its platform.
#pragma once

#include <cstdint>

#include "display/Screen.h"

namespace display {

// A backend's own record as the service holds it: never defined, each backend
// hands out its own record (of its own name) as this and casts it back.
struct WindowHandle;

struct WindowSystem {
    // OpenScreen: opens the window for a picture of `height` rows (the
    // screen's, or more with a viewer's status strip), or gives none and a
    // reason when there is no display to open it on.
    WindowHandle* (*open)(const Screen& screen, int32_t height, const char* title, const char** reason);
    // WaitVerticalRetrace and PollKey: keys into the screen's key buffer, the
    // close request, and the window's own events.
    void (*pumpEvents)(WindowHandle* window, Screen& screen);
    // WaitVerticalRetrace: turns rows of palette indices (SCREEN_WIDTH each,
    // as many as open was given) into the window's picture, when they changed
    // or the window lost its picture. A minimised or hidden window skips this
    // and the present.
    void (*upload)(WindowHandle* window, const Screen& screen, const uint8_t* rows, int32_t changed);
    // WaitVerticalRetrace: shows the picture as soon as it is ready, without
    // tearing where the platform allows; the service's schedule, not the
    // display's refresh, decides when the next frame comes.
    void (*present)(WindowHandle* window);
    // CloseScreen and EndProgram: closes the window and releases the handle.
    void (*close)(WindowHandle* window);
    // Flag: the host cannot wait (a web page). It runs the frames from its own
    // display's callback as FramesDue says and then calls ShowVisiblePage; the
    // retrace wait only takes the events.
    int32_t hostPaced;
};

// The SDL window system (library display_sdl).
const WindowSystem* sdlWindowSystem();
// The web page's canvas and keys (library display_browser).
const WindowSystem* browserWindowSystem();

}  // namespace display
