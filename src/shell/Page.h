// The program as a web page runs it. A page cannot wait in a loop: its script
// calls in once per animation frame of the browser, and the frames due by the
// display's 60-a-second schedule run then. The program's own start-up, frame
// and shut-down steps do the work, as in the native loop.
#pragma once

#include <cstdint>

#include "shell/ShooterPass.h"

namespace shell {

struct Page {
    ShooterPass pass;     // the demonstration's shooters
    int64_t frame = 0;    // frames run since start-up: the picture shown is this frame's
    int32_t paused = 0;   // flag: the frame stays; the schedule goes on without it
};

// Start-up, then the frames up to `frame` (at least 1) and its picture shown.
// A page asked for a frame opens paused on it.
void openPage(Page& page, int64_t frame);
// The browser's animation-frame callback, at hostNowNs on the display's clock:
// runs the frames due unless paused, and shows the last one.
void runPageFrames(Page& page, int64_t hostNowNs);
void closePage(Page& page);

}  // namespace shell
