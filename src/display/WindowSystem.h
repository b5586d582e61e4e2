// The table through which the display service drives a backend: the SDL
// window, the terminal, the web page's canvas, or none at all (headless). The
// backend's own record stays opaque here: the service holds a handle and never
// looks inside, so nothing but the backend's own folder sees its platform.
// Each backend's header gives its table.
#pragma once

#include <cstdint>

#include "screen/Screen.h"

namespace display {

// A backend's own record as the service holds it: never defined, each backend
// hands out its own record (of its own name) as this and casts it back.
struct WindowHandle;

// Who decides when the next frame comes.
inline constexpr int32_t PACED_BY_SERVICE = 0;  // the retrace wait sleeps to the next tick of 60 a second
inline constexpr int32_t PACED_BY_HOST = 1;     // a host that cannot wait (a web page) runs the frames FramesDue gives
inline constexpr int32_t NOT_PACED = 2;         // as fast as the caller goes (tools and tests)

// What OpenScreen asks of a backend.
struct OpenRequest {
    int32_t height = screen::SCREEN_HEIGHT;  // rows of the picture: the screen's, or more with a status strip
    const char* title = "";                  // the window's title: the program's name
    const char* keys = nullptr;              // what the keys do, for a backend that tells the user; none: any key ends it
    const screen::Layers* layers = nullptr;  // a viewer's layers, for a backend that shows their text (the terminal)
};

struct WindowSystem {
    // OpenScreen: opens the backend, or gives none and a reason. On entry
    // *reason says why the backend tried before could not open, for a
    // fallback to tell the user.
    WindowHandle* (*open)(const screen::Screen& screen, const OpenRequest& request, const char** reason);
    // WaitVerticalRetrace and PollKey: keys into the screen's key buffer, the
    // close request, and the backend's own events.
    void (*pumpEvents)(WindowHandle* handle, screen::Screen& screen);
    // WaitVerticalRetrace: turns rows of palette indices (SCREEN_WIDTH each,
    // as many as open was given) into the backend's picture, when they
    // changed or the backend lost its picture. A minimised or hidden window
    // skips this and the present; the terminal shows the text read-out.
    void (*upload)(WindowHandle* handle, const screen::Screen& screen, const uint8_t* rows, int32_t changed);
    // WaitVerticalRetrace: shows the picture as soon as it is ready, without
    // tearing where the platform allows.
    void (*present)(WindowHandle* handle);
    // CloseScreen and EndProgram: closes the backend and releases the handle.
    void (*close)(WindowHandle* handle);
    // From signal handlers, so async-signal-safe; none where nothing is to
    // do. restore: the user's terminal as it was, before the process ends or
    // stops of a signal. continued: the process goes on after a stop.
    // resized: the terminal's size changed.
    void (*restore)(WindowHandle* handle);
    void (*continued)(WindowHandle* handle);
    void (*resized)(WindowHandle* handle);
    // TellUser: a line for the user on stderr, standing whole beside what
    // the backend shows there (the terminal's status line); none: written
    // to stderr as it is.
    void (*tell)(WindowHandle* handle, const char* line);
    int32_t pacing;        // PACED_BY_SERVICE, PACED_BY_HOST or NOT_PACED
    int32_t endSignals;    // flag: SIGINT, SIGTERM and SIGHUP arrive as the close request
    int32_t ownsTerminal;  // flag: every signal that ends or stops the process restores the terminal first
};

}  // namespace display
