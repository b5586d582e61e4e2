// The viewer as a web page runs it. A page cannot wait in a loop: its script
// calls in once per animation frame of the browser, and the ticks of the
// display's 60-a-second schedule that are due then run. A page cannot quit
// either: the viewer's quit flag is never read here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/Pattern.h"
#include "timeline/Viewer.h"

namespace page {

struct Page {
    timeline::Viewer viewer;                   // the world on its timeline, with its layers
    std::unique_ptr<pattern::Pattern> shown;   // the pattern the world is made from; none: the demonstration
    std::vector<uint8_t> arriving;             // a pattern as bytes, as the page's reader gives it
    int32_t pointerDown = 0;                   // flag: the pointer (mouse or touch) is held on the picture
    float pointerX = 0.0f;                     // where, in the picture's pixels
    float pointerY = 0.0f;
    std::string recordingText;                 // the recording as the link carries it, made when asked for
};

// Opens on `frame`, paused; 0 plays from frame 1.
void openPage(Page& page, int64_t frame);
// The browser's animation-frame callback, at hostNowNs on the display's
// clock: the page's keys, the ticks due, and the picture once they ran.
// Returns the frame the picture shows.
int64_t runPageFrames(Page& page, int64_t hostNowNs);
// The page's own controls (number field, slider): frame `frame`, paused.
int64_t seekPage(Page& page, int64_t frame);
// A pattern as the page's reader gives it (read in a worker, as bytes):
// it becomes the world, back on the frame shown, playing or paused as before.
// Bytes that are no whole pattern change nothing. Returns whether it was taken.
bool adoptPattern(Page& page, const uint8_t* bytes, size_t size);
// Back to the built-in choreography, on the frame shown.
void applyDemonstration(Page& page);
// The move the steering makes now: toward the pointer while it is held on the
// picture, else the held keys' (Shift slower either way).
int32_t pageSteering(const Page& page, uint32_t held);
// A recording as a link carries it ("N:runs"): the ship makes its moves,
// back on `frame` (paused), or from frame 1 playing for 0. False, with
// nothing changed, for a text that does not decode.
bool replayPage(Page& page, std::string_view text, int64_t frame);

}  // namespace page
