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

inline constexpr const char* PATTERN_NAME = "pattern.toml";  // the edited pattern's name in messages

struct Page {
    timeline::Viewer viewer;                   // the world on its timeline, with its layers
    std::unique_ptr<pattern::Loaded> shown;    // the pattern the world is made from; none: the demonstration
    std::vector<pattern::Message> messages;    // what the reader said of the text applied last
    std::string unshown;                       // how many more it found than it told; empty: none
};

// Opens on `frame`, paused; 0 plays from frame 1.
void openPage(Page& page, int64_t frame);
// The browser's animation-frame callback, at hostNowNs on the display's
// clock: the page's keys, the ticks due, and the picture once they ran.
// Returns the frame the picture shows.
int64_t runPageFrames(Page& page, int64_t hostNowNs);
// The page's own controls (number field, slider): frame `frame`, paused.
int64_t seekPage(Page& page, int64_t frame);
// Pattern text from the editor: read and checked; a good pattern becomes the
// world, back on the frame shown, playing or paused as before; a refused one
// changes nothing but the messages. Returns whether it was taken.
bool applyPattern(Page& page, std::string_view text);
// Back to the built-in choreography, on the frame shown.
void applyDemonstration(Page& page);

}  // namespace page
