// What the program entry, tools and tests use beyond the display service's
// twelve operations: which backend serves it, a look at its pages, scripted
// keys, and the frames it has paced. The demonstration itself never calls
// these.
#pragma once

#include <cstdint>

#include "screen/Screen.h"

namespace display {

struct WindowSystem;
// The backend OpenScreen tries first (a window), and the one it falls back on
// when the first gives none (the terminal), chosen before OpenScreen. With
// none, or none that opens, the pages live in memory only.
void UseWindowSystem(const WindowSystem* system, const WindowSystem* fallback = nullptr);

// For a host that cannot wait in a loop (a web page): called from its
// display's frame callback with that callback's time, on the clock of
// display/Pacer.h; gives how many frames to run now to keep 60 a second.
int32_t FramesDue(int64_t hostNowNs);
// Then, once it has run them: the visible page becomes the picture.
void ShowVisiblePage();

// Before OpenScreen: the window shows a viewer's layers with the picture and
// is taller by the status strip. The caller owns them and may change them
// between retrace waits; none: the picture alone.
void UseLayers(const screen::Layers* layers);

// Before OpenScreen: what the keys do, said by a backend that tells the user
// (the terminal); none: any key ends the program.
void UseKeyHelp(const char* keys);

// A line for the user on stderr (a message about a file), written so that it
// stands whole whatever the backend shows in the terminal.
void TellUser(const char* line);

// Releases the display without ending the process.
void CloseScreen();
const screen::Screen& CurrentScreen();
// The key arrives once the display has waited for that many retraces since
// OpenScreen (0: already waiting when it opens). Up to 15 keys can be scripted.
void ScriptKey(int64_t afterRetraces, int32_t code);
int64_t RetraceCount();
// The steering keys held down now (screen::HELD_* bits), as the last events
// pumped say.
uint32_t HeldKeys();
// For a host that sees the keys itself (a web page), and for tests: the
// steering keys held from now on.
void HoldKeys(uint32_t held);
// Frames per second the display is paced at.
int32_t RefreshRate();

}  // namespace display
