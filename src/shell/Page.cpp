// The page's frames: the schedule decides how many, the program's own frame
// step draws them, and only the last of them becomes the picture.
#include "shell/Page.h"

#include "display/Control.h"
#include "display/Display.h"
#include "shell/Program.h"

namespace shell {

void openPage(Page& page, int64_t frame) {
    startUp(page.pass);
    page.paused = frame > 0 ? -1 : 0;
    const int64_t target = frame > 1 ? frame : 1;
    for (page.frame = 0; page.frame < target; ++page.frame) runFrame(page.pass);
    display::ShowVisiblePage();
}

void runPageFrames(Page& page, int64_t hostNowNs) {
    const int32_t due = display::FramesDue(hostNowNs);
    // A page has no way to end the program: keys are the viewer's, not this loop's.
    while (!display::isEmpty(display::PollKey())) {
    }
    if (page.paused || due == 0) return;
    for (int32_t i = 0; i < due; ++i, ++page.frame) runFrame(page.pass);
    display::ShowVisiblePage();
}

void closePage(Page& page) {
    shutDown(page.pass);
    display::CloseScreen();
}

}  // namespace shell
