// The page's frames: keys and ticks go to the viewer, and the picture is
// turned into the canvas's pixels once per callback.
#include "page/Page.h"

#include "display/Control.h"
#include "display/Display.h"
#include "display/Pacer.h"
#include "replay/Recording.h"

namespace page {

void openPage(Page& page, int64_t frame) {
    // A long seek's slices are timed, so that the tab keeps drawing whatever
    // a frame of the pattern costs.
    page.viewer.clock = [](void*) { return display::steadyNowNs(); };
    timeline::openViewer(page.viewer, frame > 0 ? frame : 1, frame > 0, timeline::NORMAL_SPEED);
    display::ShowVisiblePage();
}

int64_t runPageFrames(Page& page, int64_t hostNowNs) {
    timeline::Viewer& v = page.viewer;
    const int32_t due = display::FramesDue(hostNowNs);
    for (screen::KeyString key = display::PollKey(); !screen::isEmpty(key); key = display::PollKey()) {
        timeline::viewerKey(v, screen::keyCode(key));
    }
    timeline::steerViewer(v, pageSteering(page, display::HeldKeys()));
    // A long seek's slice is timed: one a callback, however many ticks are
    // due, or the callback would take several slices' time.
    for (int32_t tick = 0; tick < due; ++tick) {
        const bool seeking = v.seeking != 0;
        timeline::tickViewer(v);
        if (seeking) break;
    }
    display::ShowVisiblePage();
    return timeline::viewerFrame(v);
}

int64_t seekPage(Page& page, int64_t frame) {
    timeline::seekViewer(page.viewer, frame);
    display::ShowVisiblePage();
    return timeline::viewerFrame(page.viewer);
}

bool adoptPattern(Page& page, const uint8_t* bytes, size_t size) {
    auto fresh = std::make_unique<pattern::Pattern>();
    if (!pattern::unpackPattern(bytes, size, *fresh)) return false;
    // The old pattern makes the worlds until the new one takes over.
    timeline::remakeViewer(page.viewer, pattern::makerFor(*fresh));
    page.shown = std::move(fresh);
    display::ShowVisiblePage();
    return true;
}

int32_t pageSteering(const Page& page, uint32_t held) {
    if (!page.pointerDown) return timeline::steeringMove(held);
    return world::moveToward(page.viewer.timeline.world.ship, page.pointerX, page.pointerY,
                             (held & screen::HELD_SHIFT) != 0);
}

bool replayPage(Page& page, std::string_view text, int64_t frame) {
    std::vector<uint8_t> moves;
    if (!replay::movesFromLink(text, moves)) return false;
    timeline::replayViewer(page.viewer, moves.data(), moves.size(), frame > 0 ? frame : 1);
    if (frame <= 0) page.viewer.playing = -1;
    display::ShowVisiblePage();
    return true;
}

void applyDemonstration(Page& page) {
    timeline::remakeViewer(page.viewer, world::WorldMaker{});
    page.shown.reset();
    display::ShowVisiblePage();
}

}  // namespace page
