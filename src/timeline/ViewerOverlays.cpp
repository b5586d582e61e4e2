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

void sizeForWorld(Viewer& v) {
    const auto shooters = static_cast<size_t>(v.timeline.world.count);
    const size_t slots = shooters * actor::BULLET_CAPACITY;
    v.trails.shooters = v.timeline.world.count;
    v.trails.points.assign(TRAIL_LENGTH * slots, TrailPoint{});
    std::memset(v.trails.frames, 0, sizeof v.trails.frames);
    PathScratch& p = v.paths;
    p.snapshot.assign((snapshotBytes(v.timeline.world) + 7) / 8, 0);
    p.aliveBefore.assign(slots, 0);
    p.ageBefore.assign(slots, 0);
    p.followed.assign(slots, 0);
    p.bodies.assign(BODY_LOOKAHEAD * shooters * 2, 0.0f);
    p.bodyActive.assign(BODY_LOOKAHEAD * shooters, 0);
}

void recordTrail(Viewer& v) {
    const Timeline& t = v.timeline;
    const auto row = static_cast<size_t>(t.frame % TRAIL_LENGTH);
    v.trails.frames[row] = t.frame;
    TrailPoint* points = v.trails.points.data() + row * static_cast<size_t>(v.trails.shooters) * actor::BULLET_CAPACITY;
    for (int32_t i = 0; i < t.world.count && i < v.trails.shooters; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet& b = actor::bulletAt(t.world.shooters[i], j);
            *points++ = {b.x, b.y, b.age, b.alive ? -1 : 0};
        }
    }
}

void drawTrails(Viewer& v) {
    const Timeline& t = v.timeline;
    const size_t rowSize = static_cast<size_t>(v.trails.shooters) * actor::BULLET_CAPACITY;
    for (int32_t i = 0; i < t.world.count && i < v.trails.shooters; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            if (!actor::bulletAt(t.world.shooters[i], j).alive) continue;
            const size_t at = static_cast<size_t>(i) * actor::BULLET_CAPACITY + static_cast<size_t>(j);
            int32_t laterAge = INT32_MAX;
            for (int32_t k = 0; k < TRAIL_LENGTH && t.frame - k > 0; ++k) {
                const auto row = static_cast<size_t>((t.frame - k) % TRAIL_LENGTH);
                if (v.trails.frames[row] != t.frame - k) break;
                const TrailPoint& p = v.trails.points[row * rowSize + at];
                // Walking back, an older age than the one after it is another bullet.
                if (!p.alive || p.age > laterAge) break;
                laterAge = p.age;
                plot(v.layers, p.x, p.y, TRAIL_COLOUR);
            }
        }
    }
}

// Simulates ahead on the copy, never on the world shown, for every shooter.
void drawPaths(Viewer& v) {
    PathScratch& p = v.paths;
    const size_t room = p.snapshot.size() * sizeof(uint64_t);
    if (!takeSnapshot(p.snapshot.data(), room, v.timeline.world, v.timeline.frame) ||
        !restoreSnapshot(p.snapshot.data(), v.ahead)) {
        return;
    }
    world::World& ahead = v.ahead;
    const auto shooters = static_cast<size_t>(ahead.count);
    for (size_t i = 0; i < shooters; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet& b = actor::bulletAt(ahead.shooters[i], j);
            const size_t at = i * actor::BULLET_CAPACITY + static_cast<size_t>(j);
            p.aliveBefore[at] = b.alive;
            p.ageBefore[at] = b.age;
            p.followed[at] = 0;
        }
    }
    // The bodies' paths go over the bullets' once these are drawn.
    for (int32_t frame = 1; frame <= BODY_LOOKAHEAD; ++frame) {
        world::stepWorld(ahead);
        const size_t row = static_cast<size_t>(frame - 1) * shooters;
        for (size_t i = 0; i < shooters; ++i) {
            const actor::Shooter& s = ahead.shooters[i];
            p.bodies[2 * (row + i)] = s.emitter.x;
            p.bodies[2 * (row + i) + 1] = s.emitter.y;
            p.bodyActive[row + i] = s.emitter.active;
            for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
                const bullets::Bullet& b = actor::bulletAt(s, j);
                const size_t at = i * actor::BULLET_CAPACITY + static_cast<size_t>(j);
                if (!b.alive) {
                    p.followed[at] = 0;
                } else if (!p.aliveBefore[at] || b.age < p.ageBefore[at]) {
                    p.followed[at] = frame <= LAUNCH_LOOKAHEAD ? 1 : 0;  // launched in this frame
                }
                if (p.followed[at]) plot(v.layers, b.x, b.y, BULLET_PATH_COLOUR);
                p.aliveBefore[at] = b.alive;
                p.ageBefore[at] = b.age;
            }
        }
    }
    for (size_t k = 0; k < static_cast<size_t>(BODY_LOOKAHEAD) * shooters; ++k) {
        if (p.bodyActive[k]) plot(v.layers, p.bodies[2 * k], p.bodies[2 * k + 1], BODY_PATH_COLOUR);
    }
}

}  // namespace timeline
