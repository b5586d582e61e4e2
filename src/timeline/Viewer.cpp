// The viewer's controller: its keys, typing a frame number, its pace (a
// credit of frames per tick) and seeking, a slice a tick for a long way.
#include "timeline/Viewer.h"

#include <cstdio>
#include <cstring>

#include "screen/Screen.h"
#include "world/World.h"
#include "timeline/ViewerParts.h"

namespace timeline {

namespace {

constexpr int32_t CREDIT_PER_FRAME = 60;  // a frame costs 60 credits; a tick earns SPEEDS[speed]

void watchFrame(void* viewer, const Timeline&) { recordTrail(*static_cast<Viewer*>(viewer)); }

// Frame `frame` on the visible page, with the trail rows of the frames before
// it when trails are shown (else the frames before need not be run one by
// one, and a step back costs less); false while a long way is still to go (it
// goes on at the next call).
bool showFrame(Viewer& v, int64_t frame, const Budget& budget = {}) {
    const int64_t watched = v.showTrails ? TRAIL_LENGTH - 1 : 0;
    if (!seekTimeline(v.timeline, frame, FrameWatch{watchFrame, &v, watched}, budget)) return false;
    v.shown = v.timeline.frame;
    ++v.drawn;
    return true;
}

bool timeLeft(void* viewer) {
    Viewer& v = *static_cast<Viewer*>(viewer);
    return v.clock(v.clockContext) < v.sliceEnd;
}

// A slice of the long seek under way: SEEK_SLICE_NS by the front end's clock.
void goOnSeeking(Viewer& v) {
    Budget budget{SEEK_SLICE};
    if (v.clock) {
        v.sliceEnd = v.clock(v.clockContext) + SEEK_SLICE_NS;
        budget = {NO_BUDGET, timeLeft, &v};
    }
    if (showFrame(v, v.seeking, budget)) {
        v.seeking = 0;
        if (v.resume) v.playing = -1;  // a loop's jump back: play on
        v.resume = 0;
    }
}

// Lines the strip has for shooters: all of them when they fit, else all but
// one, which says how many more.
int32_t shooterLines(const Viewer& v) {
    const int32_t lines = screen::STATUS_LINES - 1;
    return v.timeline.world.count <= lines ? lines : lines - 1;
}

// The first shooter with a line, moved by a page and kept within the world.
void pageShooters(Viewer& v, int32_t pages) {
    const int32_t lines = shooterLines(v), count = v.timeline.world.count;
    int32_t first = v.firstShooter + pages * lines;
    if (first > count - lines) first = count - lines;
    v.firstShooter = first < 0 ? 0 : first;
}

void updateLayers(Viewer& v) {
    // With both overlays off, an empty overlay stays as it is; on the way of a
    // long seek it keeps showing the frame shown.
    if (!v.seeking && (v.showTrails || v.showPaths || v.overlayDrawn)) {
        std::memset(v.layers.overlay, 0, sizeof v.layers.overlay);
        if (v.showTrails) drawTrails(v);
        if (v.showPaths) drawPaths(v);
        v.overlayDrawn = v.showTrails || v.showPaths ? -1 : 0;
        ++v.overlayVersion;
    }
    writeStatus(v);
    ++v.layersVersion;
}

void typeKey(Viewer& v, int32_t code) {
    if (code >= '0' && code <= '9') {
        if (v.typed <= MAX_SEEK_FRAME) v.typed = v.typed * 10 + (code - '0');
    } else if (code == screen::KEY_BACKSPACE) {
        v.typed /= 10;
    } else if (code == screen::KEY_ENTER) {
        v.typing = 0;
        if (v.typed >= 1 && v.typed <= MAX_SEEK_FRAME) {
            seekViewer(v, v.typed);
        } else {
            v.refused = -1;
        }
    } else if (code == screen::KEY_ESCAPE) {
        v.typing = 0;
    }
}

}  // namespace

void openViewer(Viewer& v, int64_t frame, bool paused, int32_t speed, const world::WorldMaker& maker) {
    openTimeline(v.timeline, SNAPSHOT_MEMORY, maker);
    world::setUpWorld(v.ahead, maker);
    sizeForWorld(v);
    v.speed = speed >= 0 && speed < SPEED_COUNT ? speed : NORMAL_SPEED;
    showFrame(v, 1);
    if (frame > 1) seekViewer(v, frame);  // pauses
    v.playing = paused ? 0 : -1;
    updateLayers(v);
}

void remakeViewer(Viewer& v, const world::WorldMaker& maker) {
    // Back on the frame shown, or (`0`) on frame 1.
    const int64_t frame = v.replay ? 1 : v.shown > 0 ? v.shown : 1;
    const int32_t playing = v.playing;
    const int64_t seeking = v.seeking;
    // A frame number being typed is the user's: it goes on after the remake.
    const int32_t typing = v.typing;
    const int64_t typed = v.typed;
    world::tearDownWorld(v.ahead);
    world::setUpWorld(v.ahead, maker);
    remakeTimeline(v.timeline, maker);
    sizeForWorld(v);
    pageShooters(v, 0);
    v.notice[0] = '\0';
    const bool resume = v.resume != 0;
    seekViewer(v, seeking && !v.replay ? seeking : frame);
    v.playing = playing;
    v.resume = resume && v.seeking ? -1 : 0;
    v.typing = typing;
    v.typed = typed;
    updateLayers(v);
}

void noticeViewer(Viewer& v, const char* notice) {
    std::snprintf(v.notice, sizeof v.notice, "%s", notice ? notice : "");
    updateLayers(v);
}

void closeViewer(Viewer& v) {
    world::tearDownWorld(v.ahead);
    closeTimeline(v.timeline);
}

void viewerKey(Viewer& v, int32_t code) {
    // The close request and the end signals end the viewer in every mode.
    if (code == screen::CLOSE_KEY) {
        v.quit = -1;
        return;
    }
    v.refused = 0;
    if (v.typing) {
        typeKey(v, code);
        updateLayers(v);
        return;
    }
    if (v.seeking) {
        // Escape stops a long seek where it has got to; other keys wait for it.
        if (code == screen::KEY_ESCAPE) {
            v.seeking = 0;
            showFrame(v, v.timeline.frame > 0 ? v.timeline.frame : 1);
            updateLayers(v);
        }
        return;
    }
    const int64_t frame = v.timeline.frame;
    switch (code) {
        case ' ':
            v.playing = v.playing ? 0 : -1;
            v.credit = 0;
            break;
        case screen::KEY_RIGHT:
        case '.':
            v.playing = 0;
            showFrame(v, frame + 1);
            break;
        case screen::KEY_LEFT:
        case ',':
            v.playing = 0;
            if (frame > 1) showFrame(v, frame - 1);
            break;
        case screen::KEY_HOME: showFrame(v, 1); break;
        case '1': case '2': case '3': case '4': case '5':
            v.speed = code - '1';
            v.credit = 0;
            break;
        case 't':
            v.showTrails = v.showTrails ? 0 : -1;
            if (v.showTrails && frame > 0) showFrame(v, frame);  // the frame again, its trails recorded
            break;
        case 'p': v.showPaths = v.showPaths ? 0 : -1; break;
        case '[': pageShooters(v, -1); break;
        case ']': pageShooters(v, 1); break;
        case 'a': v.loopFrom = v.shown; break;  // the loop runs once its first frame is before its last
        case 'b': v.loopTo = v.shown; break;
        case 'c': v.loopFrom = v.loopTo = 0; break;
        case '0': v.replay = v.replay ? 0 : -1; break;
        case 'g':
            v.typing = -1;
            v.typed = 0;
            break;
        case screen::KEY_ESCAPE:
        case 'q': v.quit = -1; break;
        default: return;
    }
    updateLayers(v);
}

void tickViewer(Viewer& v) {
    if (v.seeking) {
        goOnSeeking(v);
        updateLayers(v);
        return;
    }
    if (!v.playing) return;
    v.credit += SPEEDS[v.speed];
    const int32_t due = v.credit / CREDIT_PER_FRAME;
    v.credit %= CREDIT_PER_FRAME;
    if (due == 0) return;
    const int64_t next = v.timeline.frame + due;
    if (v.loopFrom > 0 && v.loopFrom < v.loopTo && (next > v.loopTo || next < v.loopFrom)) {
        // Back to the loop's first frame, playing on once it is there.
        v.resume = -1;
        v.playing = 0;
        v.seeking = v.loopFrom;
        goOnSeeking(v);
    } else {
        showFrame(v, next);
    }
    updateLayers(v);
}

bool loopViewer(Viewer& v, int64_t from, int64_t to) {
    if (!(from == 0 && to == 0) && !(from >= 1 && from < to && to <= MAX_SEEK_FRAME)) return false;
    v.loopFrom = from;
    v.loopTo = to;
    updateLayers(v);
    return true;
}

void seekViewer(Viewer& v, int64_t frame) {
    v.playing = 0;
    v.typing = 0;
    v.seeking = frame < 1 ? 1 : frame > MAX_SEEK_FRAME ? MAX_SEEK_FRAME : frame;
    goOnSeeking(v);
    updateLayers(v);
}

int64_t viewerFrame(const Viewer& v) { return v.shown; }

bool parseFrame(const char* text, int64_t* frame) {
    int64_t value = 0;
    if (!text || !*text) return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
        value = value * 10 + (*text - '0');
        if (value > MAX_SEEK_FRAME) return false;
    }
    if (value < 1) return false;
    *frame = value;
    return true;
}

bool parseLoop(const char* text, int64_t* from, int64_t* to) {
    if (!text) return false;
    const char* dash = std::strchr(text, '-');
    if (!dash || dash - text >= 32) return false;
    char first[32] = {};
    std::memcpy(first, text, static_cast<size_t>(dash - text));
    int64_t a = 0, b = 0;
    if (!parseFrame(first, &a) || !parseFrame(dash + 1, &b) || a >= b) return false;
    *from = a;
    *to = b;
    return true;
}

}  // namespace timeline
