// The web page's entry: the functions its script calls. The script loads the
// module, opens the page once, then on each animation frame calls
// barrage_animation_frame and, when the frame number changed, puts
// barrage_picture() into its canvas. No main loop: the browser drives it.
#include <cmath>

#include "display/Browser.h"
#include "display/Control.h"
#include "display/WindowSystem.h"
#include "shell/Page.h"

namespace {

// Frames a page can be asked to open on; beyond that it opens on the last.
constexpr double MAX_FRAME = 1'000'000.0;

}  // namespace

extern "C" {

// Opens the page on `frame` (0: plays from the start). The page lives as long
// as the tab.
shell::Page* barrage_open(double frame) {
    display::UseWindowSystem(display::browserWindowSystem());
    auto* page = new shell::Page;
    const double wanted = std::isfinite(frame) && frame > 0.0 ? std::fmin(std::floor(frame), MAX_FRAME) : 0.0;
    shell::openPage(*page, static_cast<int64_t>(wanted));
    return page;
}

// The animation frame's time in milliseconds (the browser's own clock); gives
// the number of the frame the picture now shows.
double barrage_animation_frame(shell::Page* page, double milliseconds) {
    const double ms = std::isfinite(milliseconds) ? std::fmax(0.0, std::fmin(milliseconds, 1e12)) : 0.0;
    shell::runPageFrames(*page, static_cast<int64_t>(ms * 1e6));
    return static_cast<double>(page->frame);
}

const uint8_t* barrage_picture() { return display::browserPicture(); }

void barrage_key(int32_t code) { display::pressBrowserKey(code); }

}  // extern "C"
