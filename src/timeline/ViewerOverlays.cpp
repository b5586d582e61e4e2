// The viewer's overlays: trails (each live bullet's last positions, recorded
// as the frames run) and path previews (simulated ahead on a copy of the
// world, never on the world shown), drawn on a layer above the picture.
#include <cstring>

#include "screen/Screen.h"
#include "world/World.h"
#include "timeline/ViewerParts.h"

namespace timeline {

namespace {

constexpr uint8_t TRAIL_COLOUR = 8;         // dark grey
constexpr uint8_t BODY_PATH_COLOUR = 10;    // light green
constexpr uint8_t BULLET_PATH_COLOUR = 14;  // yellow

void plot(screen::Layers& layers, float x, float y, uint8_t colour) {
    int32_t px = 0, py = 0;
    if (!screen::toPixel(x, &px) || !screen::toPixel(y, &py)) return;
    if (px < 0 || px >= screen::SCREEN_WIDTH || py < 0 || py >= screen::SCREEN_HEIGHT) return;
    layers.overlay[py][px] = colour;
}

}  // namespace

void recordTrail(Viewer& v) {
    const Timeline& t = v.timeline;
    const int32_t row = static_cast<int32_t>(t.frame % TRAIL_LENGTH);
    v.trails.frames[row] = t.frame;
    for (int32_t i = 0; i < t.world.count && i < world::SHOOTER_COUNT; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet& b = actor::bulletAt(t.world.shooters[i], j);
            v.trails.points[row][i][j] = {b.x, b.y, b.age, b.alive ? -1 : 0};
        }
    }
}

void drawTrails(Viewer& v) {
    const Timeline& t = v.timeline;
    for (int32_t i = 0; i < t.world.count && i < world::SHOOTER_COUNT; ++i) {
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
    world::World& ahead = v.ahead;
    // The overlays follow the first shooters, as many as the arrays below hold.
    const int32_t shown = ahead.count < world::SHOOTER_COUNT ? ahead.count : world::SHOOTER_COUNT;
    int32_t aliveBefore[world::SHOOTER_COUNT][actor::BULLET_CAPACITY] = {};
    int32_t ageBefore[world::SHOOTER_COUNT][actor::BULLET_CAPACITY] = {};
    bool followed[world::SHOOTER_COUNT][actor::BULLET_CAPACITY] = {};
    for (int32_t i = 0; i < shown; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet& b = actor::bulletAt(ahead.shooters[i], j);
            aliveBefore[i][j] = b.alive;
            ageBefore[i][j] = b.age;
        }
    }
    // The bodies' paths go over the bullets' once these are drawn.
    float bodies[BODY_LOOKAHEAD][world::SHOOTER_COUNT][2] = {};
    int32_t bodyActive[BODY_LOOKAHEAD][world::SHOOTER_COUNT] = {};
    for (int32_t frame = 1; frame <= BODY_LOOKAHEAD; ++frame) {
        world::stepWorld(ahead);
        for (int32_t i = 0; i < shown; ++i) {
            const actor::Shooter& s = ahead.shooters[i];
            bodies[frame - 1][i][0] = s.emitter.x;
            bodies[frame - 1][i][1] = s.emitter.y;
            bodyActive[frame - 1][i] = s.emitter.active;
            for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
                const bullets::Bullet& b = actor::bulletAt(s, j);
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
        for (int32_t i = 0; i < shown; ++i) {
            if (bodyActive[frame][i]) plot(v.layers, bodies[frame][i][0], bodies[frame][i][1], BODY_PATH_COLOUR);
        }
    }
}

}  // namespace timeline
