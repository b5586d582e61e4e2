// The viewer's status lines: the frame, play state, speed, live bullets and
// overlays, what is being typed or how far a long seek has got, and where each
// shooter's programs stand.
#include <cinttypes>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "timeline/ViewerParts.h"

namespace timeline {

namespace {

int32_t framesLeft(const collections::RecordList<actor::TurretStep>& program) {
    const actor::TurretStep* step = collections::currentRecord(program);
    return step ? step->duration : 0;
}

int32_t framesLeft(const collections::RecordList<actor::EmitterStep>& program) {
    const actor::EmitterStep* step = collections::currentRecord(program);
    return step ? step->duration : 0;
}

}  // namespace

void writeStatus(Viewer& v) {
    const Timeline& t = v.timeline;
    const size_t room = sizeof v.layers.status[0];
    int32_t total = 0, active = 0;  // every shooter's, not only those with a line
    for (int32_t i = 0; i < t.world.count; ++i) {
        const actor::Shooter& s = t.world.shooters[i];
        total += actor::liveBullets(s);
        active += s.emitter.active != 0;
    }
    // The ship's line, when there is one: flying or replaying, the hits and
    // grazes so far and the last hit, and what became of the recording.
    const int32_t top = firstShooterLine(v);
    if (top > 1) {
        const world::Ship& ship = t.world.ship;
        char last[32] = "";
        if (ship.lastHit > 0) std::snprintf(last, sizeof last, " (last %d)", ship.lastHit);
        char recording[96] = "";
        if (v.dropped > 0) {
            std::snprintf(recording, sizeof recording, " | recording from %" PRId64 " on, %" PRId64 " after dropped",
                          v.droppedAfter + 1, v.dropped);
        } else if (!v.moves.empty()) {
            std::snprintf(recording, sizeof recording, " | recorded %zu frames", v.moves.size());
        }
        std::snprintf(v.layers.status[1], room, "ship %s hits %d%s grazes %d%s%s",
                      v.flying ? "flying" : v.moves.empty() ? "standing" : "replaying", ship.hits, last, ship.grazes,
                      v.pauseAtHit ? " pause-at-hit" : "", recording);
    }
    // One line a shooter, from the first the strip shows, as many as fit; with
    // more shooters than lines, the last line says how many more.
    const int32_t lines = screen::STATUS_LINES - top;
    const bool more = t.world.count > lines;
    for (int32_t line = top; line < screen::STATUS_LINES; ++line) {
        const int32_t i = (more ? v.firstShooter : 0) + line - top;
        char* text = v.layers.status[line];
        if (more && line == screen::STATUS_LINES - 1) {
            const int32_t after = t.world.count - i;
            std::snprintf(text, room, "%d more shooters (%d before, %d after): [ and ] move through them",
                          t.world.count - (lines - 1), v.firstShooter, after);
            continue;
        }
        if (i >= t.world.count) {
            text[0] = '\0';
            continue;
        }
        // Its live bullets, then where its firing and movement programs
        // stand (list index : frames left).
        const actor::Shooter& s = t.world.shooters[i];
        std::snprintf(text, room, "#%d live %d fire %d:%d move %d:%d", i, actor::liveBullets(s), s.turretListIndex,
                      framesLeft(s.turretSteps), s.emitterListIndex, framesLeft(s.emitterSteps));
    }
    char* first = v.layers.status[0];
    if (v.seeking) {
        std::snprintf(first, room, "going to %" PRId64 ": frame %" PRId64 " (%d%%), Escape stops", v.seeking, t.frame,
                      static_cast<int>(t.frame * 100 / v.seeking));
        return;
    }
    if (v.hunting) {
        std::snprintf(first, room, "looking for the next hit: frame %" PRId64 " (up to %" PRId64 "), Escape stops",
                      t.frame, v.hunting);
        return;
    }
    char shooters[32] = "";
    if (more) std::snprintf(shooters, sizeof shooters, " active %d/%d", active, t.world.count);
    char loop[48] = "";
    if (v.loopFrom > 0 && v.loopFrom < v.loopTo) {
        std::snprintf(loop, sizeof loop, " loop %" PRId64 "-%" PRId64, v.loopFrom, v.loopTo);
    } else if (v.loopFrom > 0 || v.loopTo > 0) {
        std::snprintf(loop, sizeof loop, " loop %" PRId64 "-%" PRId64 "?", v.loopFrom, v.loopTo);
    }
    // How hard the frame shown is, while the answer is shown.
    char hard[32] = "";
    const dodge::Answer& a = v.fairness.answer;
    if (v.fairness.known && v.fairness.show && t.frame >= a.from && t.frame <= dodge::lastFrame(a)) {
        std::snprintf(hard, sizeof hard, " %s %.1f%%", a.exact ? "free" : "clear",
                      dodge::measureOf(a, static_cast<size_t>(t.frame - a.from)) * 100);
    }
    const int used = std::snprintf(first, room, "frame %" PRId64 " %s x%s live %d%s%s%s%s%s%s", t.frame,
                                   v.playing ? "playing" : "paused", SPEED_NAMES[v.speed], total, shooters,
                                   v.showTrails ? " trails" : "", v.showPaths ? " paths" : "", loop,
                                   v.replay ? " replay" : "", hard);
    if (used < 0 || static_cast<size_t>(used) >= room) return;
    char* tail = first + used;
    size_t left = room - static_cast<size_t>(used);
    int added = 0;
    if (v.typing) {
        added = std::snprintf(tail, left, " go to %" PRId64 "_", v.typed);
    } else if (v.refused) {
        added = std::snprintf(tail, left, " (%s)", FRAME_RULE);
    }
    if (added < 0 || static_cast<size_t>(added) >= left) return;
    tail += added;
    left -= static_cast<size_t>(added);
    if (v.notice[0] && left > 4) {
        // As much of the notice as the line has room for.
        const size_t length = std::min(std::strlen(v.notice), left - 4);
        std::memcpy(tail, " | ", 3);
        std::memcpy(tail + 3, v.notice, length);
        tail[3 + length] = '\0';
    }
}

}  // namespace timeline
