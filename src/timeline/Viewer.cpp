// The viewer's controller: its keys, typing a frame number, its pace (a
// credit of frames per tick) and seeking, a slice a tick for a long way.
#include "timeline/Viewer.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "screen/Screen.h"
#include "world/World.h"
#include "timeline/ViewerParts.h"

namespace timeline {

namespace {

constexpr int32_t CREDIT_PER_FRAME = 60;  // a frame costs 60 credits; a tick earns SPEEDS[speed]

void watchFrame(void* viewer, const Timeline&) { recordTrail(*static_cast<Viewer*>(viewer)); }

// After each frame the world runs: its hits kept, in order, for going from
// hit to hit, and the one a search for the next hit looks for.
void frameRan(void* viewer, const Timeline& t) {
    Viewer& v = *static_cast<Viewer*>(viewer);
    if (!t.world.ship.hitNow) return;
    auto at = std::lower_bound(v.hitFrames.begin(), v.hitFrames.end(), t.frame);
    if ((at == v.hitFrames.end() || *at != t.frame) && v.hitFrames.size() < MAX_HIT_FRAMES) v.hitFrames.insert(at, t.frame);
    if (v.hunting && !v.found && t.frame > v.huntFrom) v.found = t.frame;
}

// A key that steers while flying: an arrow, or WASD (Shift held or not).
bool isSteeringKey(int32_t code) {
    const int32_t lower = code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
    return code == screen::KEY_UP || code == screen::KEY_DOWN || code == screen::KEY_LEFT ||
           code == screen::KEY_RIGHT || lower == 'w' || lower == 'a' || lower == 's' || lower == 'd';
}

// The hits kept for frames after `frame` go: those frames will run otherwise.
void forgetHitsAfter(Viewer& v, int64_t frame) {
    v.hitFrames.erase(std::upper_bound(v.hitFrames.begin(), v.hitFrames.end(), frame), v.hitFrames.end());
}

// The frames after `from` up to `to`, about to be played while flying, get
// the steering's move; a recording that went on past `from` (the user took
// the keys at an earlier frame) loses the rest, and the strip says so.
void recordFrames(Viewer& v, int64_t from, int64_t to) {
    if (to > MAX_SEEK_FRAME) to = MAX_SEEK_FRAME;
    if (from >= to) return;
    const auto held = static_cast<int64_t>(v.moves.size());
    if (held > from) {
        v.droppedAfter = from;
        v.dropped = held - from;
        v.moves.resize(static_cast<size_t>(from));
        forgetHitsAfter(v, from);
    }
    v.moves.resize(static_cast<size_t>(from), static_cast<uint8_t>(world::MOVE_NONE));  // it stood meanwhile
    v.moves.resize(static_cast<size_t>(to), static_cast<uint8_t>(v.steer));
    ++v.recordingVersion;
    recordingChanged(v.timeline, v.moves.data(), static_cast<int64_t>(v.moves.size()), from);
}

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

bool stillLooking(void* viewer) {
    Viewer& v = *static_cast<Viewer*>(viewer);
    return !v.found && (!v.clock || v.clock(v.clockContext) < v.sliceEnd);
}

// A slice of the search for the next hit: found, it is shown; not found by
// the end, the frame it started from is shown again.
void goOnHunting(Viewer& v) {
    if (v.clock) v.sliceEnd = v.clock(v.clockContext) + SEEK_SLICE_NS;
    const Budget budget{v.clock ? NO_BUDGET : SEEK_SLICE, stillLooking, &v};
    const bool there = seekTimeline(v.timeline, v.hunting, {}, budget);
    if (!v.found && !there) return;
    const int64_t frame = v.found ? v.found : v.huntFrom;
    if (!v.found) {
        std::snprintf(v.notice, sizeof v.notice, "no hit in the %" PRId64 " frames after %" PRId64,
                      v.hunting - v.huntFrom, v.huntFrom);
    }
    v.hunting = v.found = 0;
    showFrame(v, frame);
}

// Lines the strip has for shooters: all of them when they fit, else all but
// one, which says how many more.
int32_t shooterLines(const Viewer& v) {
    const int32_t lines = screen::STATUS_LINES - firstShooterLine(v);
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
    const bool fair = v.fairness.show && v.fairness.known;
    if (!v.seeking && (v.showTrails || v.showPaths || fair || v.overlayDrawn)) {
        std::memset(v.layers.overlay, 0, sizeof v.layers.overlay);
        if (fair) drawFairness(v);
        if (v.showTrails) drawTrails(v);
        if (v.showPaths) drawPaths(v);
        if (fair) drawStrip(v);
        v.overlayDrawn = v.showTrails || v.showPaths || fair ? -1 : 0;
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
    // Reserved at once, so recording never allocates: a byte a frame.
    v.moves.reserve(static_cast<size_t>(MAX_SEEK_FRAME));
    v.hitFrames.reserve(MAX_HIT_FRAMES);
    v.timeline.ran = frameRan;
    v.timeline.ranContext = &v;
    openTimeline(v.timeline, SNAPSHOT_MEMORY, maker);
    world::setUpWorld(v.ahead, maker);
    world::setUpWorld(v.fairness.cursor.world, maker);
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
    // An answer was for the world as it was made before.
    world::tearDownWorld(v.fairness.cursor.world);
    world::setUpWorld(v.fairness.cursor.world, maker);
    v.fairness.answer = {};
    v.fairness.known = v.fairness.wanted = 0;
    v.fairness.cursor.frame = -1;
    ++v.fairness.version;
    v.hitFrames.clear();
    v.hunting = v.found = 0;
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
    world::tearDownWorld(v.fairness.cursor.world);
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
    if (v.seeking || v.hunting) {
        // Escape stops a long seek where it has got to; other keys wait for it.
        if (code == screen::KEY_ESCAPE) {
            v.seeking = v.hunting = v.found = 0;
            showFrame(v, v.timeline.frame > 0 ? v.timeline.frame : 1);
            updateLayers(v);
        }
        return;
    }
    const int64_t frame = v.timeline.frame;
    if (v.flying && isSteeringKey(code)) return;  // it steers, through the held keys
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
        case 'a':
        case 'z': v.loopFrom = v.shown; break;  // the loop runs once its first frame is before its last
        case 'b': v.loopTo = v.shown; break;
        case 'c': v.loopFrom = v.loopTo = 0; break;
        case '0': v.replay = v.replay ? 0 : -1; break;
        case 'f': flyViewer(v, !v.flying); break;
        case 'h': v.pauseAtHit = v.pauseAtHit ? 0 : -1; break;
        case 'y':
            if (v.fairness.known) {
                v.fairness.show = v.fairness.show ? 0 : -1;
            } else if (!v.fairness.working) {
                v.fairness.wanted = -1;
            }
            break;
        case 'u':
            if (!wayViewer(v)) std::snprintf(v.notice, sizeof v.notice, "%s", "no way through to play: y works one out");
            break;
        case '>': nextHitViewer(v); break;
        case '<': previousHitViewer(v); break;
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

void fairnessWorking(Viewer& v, bool working) {
    v.fairness.working = working ? -1 : 0;
    if (working) {
        v.fairness.wanted = 0;
        noticeViewer(v, "working out whether it can be survived ...");
    }
}

void fairnessViewer(Viewer& v, dodge::Answer&& answer) {
    Fairness& f = v.fairness;
    f.answer = std::move(answer);
    f.known = -1, f.show = -1, f.working = 0, f.wanted = 0;
    f.cursor.frame = -1;
    ++f.version;
    const dodge::Answer& a = f.answer;
    const dodge::Tightest tightest = dodge::tightestOf(a);
    char* said = f.said;
    const size_t room = sizeof f.said;
    if (a.exact && !a.survivable) {
        std::snprintf(said, room, "not survivable: from frame %" PRId64 " no reachable position is clear", a.lostAt);
    } else if (a.exact) {
        std::snprintf(said, room, "survivable; least freedom %.2f%% at frame %" PRId64 "; u: the way through",
                      tightest.least * 100, tightest.frame);
    } else {
        std::snprintf(said, room, "%s", a.survivable ? "it aims at the ship: a search found a way (not a proof); u: the way"
                                                     : "it aims at the ship: a search found no way (not a proof)");
    }
    noticeViewer(v, a.exact ? (a.survivable ? "survivable (y: the strip)" : "not survivable (y: the strip)")
                            : "a search (y: the strip)");
}

bool wayViewer(Viewer& v) {
    const dodge::Answer& a = v.fairness.answer;
    if (!v.fairness.known || !a.survivable || a.moves.empty()) return false;
    replayViewer(v, a.moves.data(), a.moves.size(), 1);  // copied: the recording is the viewer's own
    v.playing = -1;
    std::snprintf(v.notice, sizeof v.notice, "%s", "playing the way through");
    updateLayers(v);
    return true;
}

void tickViewer(Viewer& v) {
    if (v.seeking || v.hunting) {
        if (v.seeking) {
            goOnSeeking(v);
        } else {
            goOnHunting(v);
        }
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
        const int64_t hitBefore = v.timeline.world.ship.lastHit;
        if (v.flying) recordFrames(v, v.timeline.frame, next);
        showFrame(v, next);
        const int32_t hit = v.timeline.world.ship.lastHit;
        if (v.pauseAtHit && hit > hitBefore) {
            v.playing = 0;
            if (hit < v.timeline.frame) showFrame(v, hit);  // a hit in a frame the speed ran past
        }
    }
    updateLayers(v);
}

int32_t steeringMove(uint32_t held) {
    const int32_t dx = (held & screen::HELD_RIGHT ? 1 : 0) - (held & screen::HELD_LEFT ? 1 : 0);
    const int32_t dy = (held & screen::HELD_DOWN ? 1 : 0) - (held & screen::HELD_UP ? 1 : 0);
    return world::moveCode(dx, dy, (held & screen::HELD_SHIFT) != 0);
}

void steerViewer(Viewer& v, int32_t move) { v.steer = move >= 0 && move < world::MOVE_CODES ? move : world::MOVE_NONE; }

void flyViewer(Viewer& v, bool on) {
    v.flying = on ? -1 : 0;
    if (!on) {
        updateLayers(v);
        return;
    }
    v.credit = 0;
    if (v.timeline.world.ship.present) {
        v.playing = -1;
        updateLayers(v);
        return;
    }
    // A ship for a world without one, standing at its start until now: the
    // frames shown so far run again with it, then play on.
    const int64_t frame = v.shown > 0 ? v.shown : 1;
    giveShip(v.timeline);
    v.hitFrames.clear();
    seekViewer(v, frame);
    v.resume = -1;
    if (!v.seeking) v.playing = -1;
}

void replayViewer(Viewer& v, const uint8_t* moves, size_t count, int64_t frame) {
    const size_t most = static_cast<size_t>(MAX_SEEK_FRAME);
    v.moves.assign(moves, moves + (count < most ? count : most));
    ++v.recordingVersion;
    v.flying = 0;
    v.dropped = v.droppedAfter = 0;
    giveShip(v.timeline);
    recordingChanged(v.timeline, v.moves.data(), static_cast<int64_t>(v.moves.size()), 0);
    v.hitFrames.clear();
    seekViewer(v, frame);
}

void nextHitViewer(Viewer& v) {
    if (!v.timeline.world.ship.present) return;
    const auto after = std::upper_bound(v.hitFrames.begin(), v.hitFrames.end(), v.shown);
    if (after != v.hitFrames.end()) {
        seekViewer(v, *after);
        return;
    }
    v.playing = 0;
    v.huntFrom = v.shown;
    v.hunting = std::min(v.shown + HIT_SEARCH_FRAMES, MAX_SEEK_FRAME);
    v.found = 0;
    if (v.hunting <= v.huntFrom) v.hunting = 0;
    updateLayers(v);
}

void previousHitViewer(Viewer& v) {
    const auto before = std::lower_bound(v.hitFrames.begin(), v.hitFrames.end(), v.shown);
    if (before == v.hitFrames.begin()) {
        std::snprintf(v.notice, sizeof v.notice, "no hit before frame %" PRId64, v.shown);
        updateLayers(v);
        return;
    }
    seekViewer(v, *(before - 1));
}

const std::vector<int64_t>& viewerHits(const Viewer& v) { return v.hitFrames; }

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
