// What the program entry, tools and tests use beyond the display service's
// twelve operations: which backend serves it, a look at its pages, scripted
// keys, and the frames it has paced. The demonstration itself never calls
// these.
#pragma once

#include <cstdint>

#include "display/Screen.h"

namespace display {

// What serves the display: chosen before OpenScreen (Automatic or Headless),
// and what OpenScreen then opened.
enum class Backend : int32_t {
    Automatic = 0,  // a window if a display is available, else the terminal
    Headless = 1,   // pages in memory only: no window, no terminal, no pacing
    Window = 2,     // a window system's window (the SDL window, the web page's canvas)
    Terminal = 3,   // the terminal fallback
    Closed = 4,     // nothing open
};

// Chosen before OpenScreen.
void SelectBackend(Backend backend);

struct WindowSystem;
// The window system Automatic tries first; without one, the terminal serves.
// The program entry installs the SDL window (display/WindowSystem.h) before
// OpenScreen.
void UseWindowSystem(const WindowSystem* system);

// For a host that cannot wait in a loop (a web page): called from its
// display's frame callback with that callback's time, on the clock of
// display/Pacer.h; gives how many frames to run now to keep 60 a second.
int32_t FramesDue(int64_t hostNowNs);
// Then, once it has run them: the visible page becomes the picture.
void ShowVisiblePage();

// Before OpenScreen: the window shows a viewer's layers with the picture and
// is taller by the status strip. The caller owns them and may change them
// between retrace waits; none: the picture alone.
void UseLayers(const Layers* layers);

// Releases the display without ending the process.
void CloseScreen();
const Screen& CurrentScreen();
// The key arrives once the display has waited for that many retraces since
// OpenScreen (0: already waiting when it opens). Up to 15 keys can be scripted.
void ScriptKey(int64_t afterRetraces, int32_t code);
int64_t RetraceCount();
// Frames per second the display is paced at.
int32_t RefreshRate();

}  // namespace display
