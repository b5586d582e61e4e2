// The viewer's keys, its pace and its layers.
#include "timeline/Viewer.h"

#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "display/Control.h"
#include "display/Display.h"
#include "shell/Program.h"

namespace timeline {

namespace {

constexpr uint8_t TRAIL_COLOUR = 8;         // dark grey
constexpr uint8_t BODY_PATH_COLOUR = 10;    // light green
constexpr uint8_t BULLET_PATH_COLOUR = 14;  // yellow
constexpr int32_t CREDIT_PER_FRAME = 60;    // a frame costs 60 credits; a tick earns SPEEDS[speed]

void plot(display::Layers& layers, float x, float y, uint8_t colour) {
    int32_t px = 0, py = 0;
    if (!display::toPixel(x, &px) || !display::toPixel(y, &py)) return;
    if (px < 0 || px >= display::SCREEN_WIDTH || py < 0 || py >= display::SCREEN_HEIGHT) return;
    layers.overlay[py][px] = colour;
}

void recordTrail(Viewer& v) {
    const Timeline& t = v.timeline;
    const int32_t row = static_cast<int32_t>(t.frame % TRAIL_LENGTH);
    v.trails.frames[row] = t.frame;
    for (int32_t i = 0; i < t.world.count && i < shell::SHOOTER_COUNT; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet b = actor::bulletAt(t.world.shooters[i], j);
            v.trails.points[row][i][j] = {b.x, b.y, b.age, b.alive ? -1 : 0};
        }
    }
}

void watchFrame(void* viewer, const Timeline&) { recordTrail(*static_cast<Viewer*>(viewer)); }

// Frame `frame` on the visible page, with the trail rows of the frames before
// it; false while a long way is still to go (it goes on at the next call).
bool showFrame(Viewer& v, int64_t frame, int64_t budget = NO_BUDGET) {
    if (!seekTimeline(v.timeline, frame, FrameWatch{watchFrame, &v, TRAIL_LENGTH - 1}, budget)) return false;
    v.shown = v.timeline.frame;
    return true;
}

// A slice of the long seek under way.
void goOnSeeking(Viewer& v) {
    if (showFrame(v, v.seeking, SEEK_SLICE)) v.seeking = 0;
}

void drawTrails(Viewer& v) {
    const Timeline& t = v.timeline;
    for (int32_t i = 0; i < t.world.count && i < shell::SHOOTER_COUNT; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            if (!actor::bulletAt(t.world.shooters[i], j).alive) continue;
            int32_t laterAge = INT32_MAX;
            for (int32_t k = 0; k < TRAIL_LENGTH && t.frame - k > 0; ++k) {
                const int32_t row = static_cast<int32_t>((t.frame - k) % TRAIL_LENGTH);
                if (v.trails.frames[row] != t.frame - k) break;
                const TrailPoint& p = v.trails.points[row][i][j];
                // Walking back, an older age than the one after it is another bullet.
                if (!p.alive || p.age > laterAge) break;
                laterAge = p.age;
                plot(v.layers, p.x, p.y, TRAIL_COLOUR);
            }
        }
    }
}

// Simulates ahead on the copy, never on the world shown.
void drawPaths(Viewer& v) {
    if (!takeSnapshot(v.scratch, v.timeline.world, v.timeline.frame) || !restoreSnapshot(v.scratch, v.ahead)) return;
    shell::World& ahead = v.ahead;
    int32_t aliveBefore[shell::SHOOTER_COUNT][actor::BULLET_CAPACITY] = {};
    int32_t ageBefore[shell::SHOOTER_COUNT][actor::BULLET_CAPACITY] = {};
    bool followed[shell::SHOOTER_COUNT][actor::BULLET_CAPACITY] = {};
    for (int32_t i = 0; i < ahead.count; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet b = actor::bulletAt(ahead.shooters[i], j);
            aliveBefore[i][j] = b.alive;
            ageBefore[i][j] = b.age;
        }
    }
    // The bodies' paths go over the bullets' once these are drawn.
    float bodies[BODY_LOOKAHEAD][shell::SHOOTER_COUNT][2] = {};
    int32_t bodyActive[BODY_LOOKAHEAD][shell::SHOOTER_COUNT] = {};
    for (int32_t frame = 1; frame <= BODY_LOOKAHEAD; ++frame) {
        shell::stepWorld(ahead);
        for (int32_t i = 0; i < ahead.count; ++i) {
            const actor::Shooter& s = ahead.shooters[i];
            bodies[frame - 1][i][0] = s.emitter.x;
            bodies[frame - 1][i][1] = s.emitter.y;
            bodyActive[frame - 1][i] = s.emitter.active;
            for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
                const bullets::Bullet b = actor::bulletAt(s, j);
                if (!b.alive) {
                    followed[i][j] = false;
                } else if (!aliveBefore[i][j] || b.age < ageBefore[i][j]) {
                    followed[i][j] = frame <= LAUNCH_LOOKAHEAD;  // launched in this frame
                }
                if (followed[i][j]) plot(v.layers, b.x, b.y, BULLET_PATH_COLOUR);
                aliveBefore[i][j] = b.alive;
                ageBefore[i][j] = b.age;
            }
        }
    }
    for (int32_t frame = 0; frame < BODY_LOOKAHEAD; ++frame) {
        for (int32_t i = 0; i < ahead.count; ++i) {
            if (bodyActive[frame][i]) plot(v.layers, bodies[frame][i][0], bodies[frame][i][1], BODY_PATH_COLOUR);
        }
    }
}

int32_t framesLeft(const collections::RecordList<actor::TurretStep>& program) {
    const actor::TurretStep* step = collections::currentRecord(program);
    return step ? step->duration : 0;
}

int32_t framesLeft(const collections::RecordList<actor::EmitterStep>& program) {
    const actor::EmitterStep* step = collections::currentRecord(program);
    return step ? step->duration : 0;
}

void writeStatus(Viewer& v) {
    const Timeline& t = v.timeline;
    char* first = v.layers.status[0];
    char* second = v.layers.status[1];
    const size_t room = sizeof v.layers.status[0];
    int32_t live[shell::SHOOTER_COUNT] = {}, total = 0;
    for (int32_t i = 0; i < t.world.count && i < shell::SHOOTER_COUNT; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) live[i] += actor::bulletAt(t.world.shooters[i], j).alive != 0;
        total += live[i];
    }
    int used = std::snprintf(first, room, "frame %" PRId64 " %s x%s bullets %d %d %d %d =%d%s%s", t.frame,
                             v.playing ? "playing" : "paused", SPEED_NAMES[v.speed], live[0], live[1], live[2],
                             live[3], total, v.showTrails ? " trails" : "", v.showPaths ? " paths" : "");
    if (v.seeking && used >= 0 && static_cast<size_t>(used) < room) {
        std::snprintf(first, room, "going to %" PRId64 ": frame %" PRId64 " (%d%%), Escape stops", v.seeking,
                      t.frame, static_cast<int>(t.frame * 100 / v.seeking));
    } else if (v.typing && used >= 0 && static_cast<size_t>(used) < room) {
        std::snprintf(first + used, room - static_cast<size_t>(used), " go to %" PRId64 "_", v.typed);
    }
    used = std::snprintf(second, room, "fire/move list:left");
    for (int32_t i = 0; i < t.world.count && i < shell::SHOOTER_COUNT && used >= 0 && static_cast<size_t>(used) < room;
         ++i) {
        const actor::Shooter& s = t.world.shooters[i];
        used += std::snprintf(second + used, room - static_cast<size_t>(used), " #%d %d:%d/%d:%d", i, s.turretListIndex,
                              framesLeft(s.turretSteps), s.emitterListIndex, framesLeft(s.emitterSteps));
    }
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
    } else if (code == display::KEY_BACKSPACE) {
        v.typed /= 10;
    } else if (code == display::KEY_ENTER) {
        v.typing = 0;
        if (v.typed > 0) seekViewer(v, v.typed);
    } else if (code == display::KEY_ESCAPE) {
        v.typing = 0;
    }
}

}  // namespace

void openViewer(Viewer& v, int64_t frame, bool paused, int32_t speed) {
    openTimeline(v.timeline);
    shell::setUpWorld(v.ahead);
    v.playing = paused ? 0 : -1;
    v.speed = speed >= 0 && speed < SPEED_COUNT ? speed : NORMAL_SPEED;
    showFrame(v, 1);
    if (frame > 1) seekViewer(v, frame);
    v.playing = paused ? 0 : -1;
    updateLayers(v);
}

void closeViewer(Viewer& v) {
    shell::tearDownWorld(v.ahead);
    closeTimeline(v.timeline);
}

void viewerKey(Viewer& v, int32_t code) {
    // The close request and the end signals end the viewer in every mode.
    if (code == display::CLOSE_KEY) {
        v.quit = -1;
        return;
    }
    if (v.typing) {
        typeKey(v, code);
        updateLayers(v);
        return;
    }
    if (v.seeking) {
        // Escape stops a long seek where it has got to; other keys wait for it.
        if (code == display::KEY_ESCAPE) {
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
        case display::KEY_RIGHT:
        case '.':
            v.playing = 0;
            showFrame(v, frame + 1);
            break;
        case display::KEY_LEFT:
        case ',':
            v.playing = 0;
            if (frame > 1) showFrame(v, frame - 1);
            break;
        case display::KEY_HOME: showFrame(v, 1); break;
        case '1': case '2': case '3': case '4': case '5':
            v.speed = code - '1';
            v.credit = 0;
            break;
        case 't': v.showTrails = v.showTrails ? 0 : -1; break;
        case 'p': v.showPaths = v.showPaths ? 0 : -1; break;
        case 'g':
            v.typing = -1;
            v.typed = 0;
            break;
        case display::KEY_ESCAPE:
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
    showFrame(v, v.timeline.frame + due);
    updateLayers(v);
}

void seekViewer(Viewer& v, int64_t frame) {
    v.playing = 0;
    v.typing = 0;
    v.seeking = frame < 1 ? 1 : frame > MAX_SEEK_FRAME ? MAX_SEEK_FRAME : frame;
    goOnSeeking(v);
    updateLayers(v);
}

int64_t viewerFrame(const Viewer& v) { return v.shown; }

}  // namespace timeline
