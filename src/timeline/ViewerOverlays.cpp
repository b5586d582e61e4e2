// The viewer's overlays: trails (each live bullet's last positions, recorded
// as the frames run) and path previews (simulated ahead on a copy of the
// world, never on the world shown), drawn on a layer above the picture.
#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

#include "screen/Font.h"
#include "screen/Screen.h"
#include "world/World.h"
#include "timeline/ViewerParts.h"

namespace timeline {

namespace {

constexpr uint8_t TRAIL_COLOUR = 8;         // dark grey
constexpr uint8_t BODY_PATH_COLOUR = 10;    // light green
constexpr uint8_t BULLET_PATH_COLOUR = 14;  // yellow
constexpr uint8_t REACH_COLOUR = 2;         // green, every other pixel
constexpr uint8_t STRIP_BACK_COLOUR = 1;    // blue
constexpr uint8_t FREEDOM_COLOUR = 11;      // light cyan
constexpr uint8_t CLEAR_COLOUR = 9;         // light blue: a search's share clear
constexpr uint8_t LOST_COLOUR = 4;          // red: no reachable position
constexpr uint8_t HIT_COLOUR = 12;          // light red
constexpr uint8_t SHOWN_COLOUR = 15;        // white

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
    v.trails.laterAge.assign(slots, 0);
    std::memset(v.trails.frames, 0, sizeof v.trails.frames);
    PathScratch& p = v.paths;
    p.snapshot.assign((snapshotBytes(v.timeline.world) + 7) / 8, 0);
    p.aliveBefore.assign(slots, 0);
    p.ageBefore.assign(slots, 0);
    p.launched.assign(slots, 0);
    p.points.assign(BODY_LOOKAHEAD * slots, 0);
    p.pointCount.assign(BODY_LOOKAHEAD, 0);
    p.bodies.assign(BODY_LOOKAHEAD * shooters * 2, 0.0f);
    p.bodyActive.assign(BODY_LOOKAHEAD * shooters, 0);
    p.base = 0;
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

// The trails of the bullets drawn (those of the slots each gun uses), walked
// back a row of the ring at a time, every slot's together, so that memory is
// read in order: each slot keeps the age it had in the row after, and its
// trail ends at the first row where it is free or younger (another bullet).
void drawTrails(Viewer& v) {
    const Timeline& t = v.timeline;
    const int32_t shooters = std::min(t.world.count, v.trails.shooters);
    const size_t rowSize = static_cast<size_t>(v.trails.shooters) * actor::BULLET_CAPACITY;
    int32_t* laterAge = v.trails.laterAge.data();
    constexpr int32_t ENDED = INT32_MIN;
    for (int32_t i = 0; i < shooters; ++i) {
        const actor::Shooter& s = t.world.shooters[i];
        const int32_t slots = actor::usedSlots(s);
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            laterAge[i * actor::BULLET_CAPACITY + j] = j < slots && s.bullets[j].alive ? INT32_MAX : ENDED;
        }
    }
    const size_t used = static_cast<size_t>(shooters) * actor::BULLET_CAPACITY;
    for (int32_t k = 0; k < TRAIL_LENGTH && t.frame - k > 0; ++k) {
        const auto row = static_cast<size_t>((t.frame - k) % TRAIL_LENGTH);
        if (v.trails.frames[row] != t.frame - k) break;
        const TrailPoint* points = v.trails.points.data() + row * rowSize;
        for (size_t at = 0; at < used; ++at) {
            if (laterAge[at] == ENDED) continue;
            const TrailPoint& p = points[at];
            if (!p.alive || p.age > laterAge[at]) {
                laterAge[at] = ENDED;
                continue;
            }
            laterAge[at] = p.age;
            plot(v.layers, p.x, p.y, TRAIL_COLOUR);
        }
    }
}

namespace {

// The pixel a position is plotted on, packed with a count below 2^13;
// false off the screen.
bool packedPixel(float x, float y, uint32_t since, uint32_t* packed) {
    int32_t px = 0, py = 0;
    if (!screen::toPixel(x, &px) || !screen::toPixel(y, &py)) return false;
    if (px < 0 || px >= screen::SCREEN_WIDTH || py < 0 || py >= screen::SCREEN_HEIGHT) return false;
    *packed = static_cast<uint32_t>(px) | static_cast<uint32_t>(py) << 10 | since << 19;
    return true;
}

// One more frame of the copy, kept as the row of its frame: where each body
// is, and where each bullet launched in the last BODY_LOOKAHEAD frames ahead
// is (only such a bullet is ever followed).
void stepAhead(Viewer& v, int64_t frame) {
    PathScratch& p = v.paths;
    world::World& ahead = v.ahead;
    ahead.ship.move = moveOf(v.timeline, frame);  // the recording's, as far as it goes
    world::stepWorld(ahead);
    const auto shooters = static_cast<size_t>(ahead.count);
    const auto row = static_cast<size_t>(frame % BODY_LOOKAHEAD);
    uint32_t* points = p.points.data() + row * shooters * actor::BULLET_CAPACITY;
    int32_t count = 0;
    for (size_t i = 0; i < shooters; ++i) {
        const actor::Shooter& s = ahead.shooters[i];
        p.bodies[2 * (row * shooters + i)] = s.emitter.x;
        p.bodies[2 * (row * shooters + i) + 1] = s.emitter.y;
        p.bodyActive[row * shooters + i] = s.emitter.active;
        // Slots past the gun's count are neither moved nor drawn: no bullet
        // is launched there, and none has a path.
        for (int32_t j = 0, slots = actor::usedSlots(s); j < slots; ++j) {
            const bullets::Bullet& b = s.bullets[j];
            const size_t at = i * actor::BULLET_CAPACITY + static_cast<size_t>(j);
            if (!b.alive) {
                p.launched[at] = 0;
            } else if (!p.aliveBefore[at] || b.age < p.ageBefore[at]) {
                p.launched[at] = static_cast<int32_t>(frame);  // launched in this frame
            }
            p.aliveBefore[at] = b.alive;
            p.ageBefore[at] = b.age;
            const int64_t since = frame - p.launched[at];
            if (p.launched[at] != 0 && since < BODY_LOOKAHEAD &&
                packedPixel(b.x, b.y, static_cast<uint32_t>(since), &points[count])) {
                ++count;
            }
        }
    }
    p.pointCount[row] = count;
}

// The copy set to the world shown, and every row simulated anew.
void startAhead(Viewer& v) {
    PathScratch& p = v.paths;
    const size_t room = p.snapshot.size() * sizeof(uint64_t);
    p.base = 0;
    if (!takeSnapshot(p.snapshot.data(), room, v.timeline.world, v.timeline.frame) ||
        !restoreSnapshot(p.snapshot.data(), v.ahead)) {
        return;
    }
    const auto shooters = static_cast<size_t>(v.ahead.count);
    for (size_t i = 0; i < shooters; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            const bullets::Bullet& b = actor::bulletAt(v.ahead.shooters[i], j);
            const size_t at = i * actor::BULLET_CAPACITY + static_cast<size_t>(j);
            p.aliveBefore[at] = b.alive;
            p.ageBefore[at] = b.age;
            p.launched[at] = 0;  // alive now: never followed
        }
    }
    const int64_t shown = v.timeline.frame;
    for (int64_t frame = shown + 1; frame <= shown + BODY_LOOKAHEAD; ++frame) stepAhead(v, frame);
    p.base = shown;
}

}  // namespace

// Where each body will be over the next BODY_LOOKAHEAD frames, and where each
// bullet launched in the next LAUNCH_LOOKAHEAD will fly, every shooter's,
// from the copy that runs ahead of the world shown (never the world itself).
void drawPaths(Viewer& v) {
    PathScratch& p = v.paths;
    const int64_t shown = v.timeline.frame;
    if (p.base > 0 && shown >= p.base && shown - p.base < BODY_LOOKAHEAD) {
        for (; p.base < shown; ++p.base) stepAhead(v, p.base + 1 + BODY_LOOKAHEAD);  // played on
    } else {
        startAhead(v);
    }
    if (p.base != shown) return;
    const auto shooters = static_cast<size_t>(v.ahead.count);
    // The bodies' paths go over the bullets' once these are drawn.
    for (int64_t frame = shown + 1; frame <= shown + BODY_LOOKAHEAD; ++frame) {
        const auto row = static_cast<size_t>(frame % BODY_LOOKAHEAD);
        const uint32_t* points = p.points.data() + row * shooters * actor::BULLET_CAPACITY;
        for (int32_t k = 0; k < p.pointCount[row]; ++k) {
            const uint32_t point = points[k];
            const int64_t launched = frame - static_cast<int64_t>(point >> 19);
            if (launched <= shown || launched > shown + LAUNCH_LOOKAHEAD) continue;
            v.layers.overlay[(point >> 10) & 0x1FF][point & 0x3FF] = BULLET_PATH_COLOUR;
        }
    }
    for (int64_t frame = shown + 1; frame <= shown + BODY_LOOKAHEAD; ++frame) {
        const auto row = static_cast<size_t>(frame % BODY_LOOKAHEAD);
        for (size_t i = 0; i < shooters; ++i) {
            if (p.bodyActive[row * shooters + i]) {
                plot(v.layers, p.bodies[2 * (row * shooters + i)], p.bodies[2 * (row * shooters + i) + 1],
                     BODY_PATH_COLOUR);
            }
        }
    }
}

// The positions the ship could be on at the frame shown, every other pixel:
// for an exact answer those it can reach and be clear on, from the answer's
// checkpoints; for a search (where it can reach depends on the way) those
// clear in the world shown.
void drawFairness(Viewer& v) {
    Fairness& f = v.fairness;
    const int64_t shown = v.timeline.frame;
    const dodge::Mask* mask = nullptr;
    if (dodge::reachAt(f.cursor, f.answer, shown)) {
        mask = &f.cursor.reach;
    } else if (!f.answer.exact && shown >= 1) {
        dodge::clearPositions(v.timeline.world, f.cursor.clear);
        mask = &f.cursor.clear;
    }
    if (!mask) return;
    for (int32_t y = 0; y < dodge::HEIGHT && y < screen::SCREEN_HEIGHT - STRIP_HEIGHT; ++y) {
        const uint64_t checker = y % 2 ? 0xAAAAAAAAAAAAAAAAull : 0x5555555555555555ull;
        for (int32_t w = 0; w < dodge::WORDS; ++w) {
            for (uint64_t bits = mask->bits[static_cast<size_t>(y) * dodge::WORDS + w] & checker; bits; bits &= bits - 1) {
                v.layers.overlay[y][w * 64 + std::countr_zero(bits)] = REACH_COLOUR;
            }
        }
    }
}

// Along the answer's frames at the picture's foot: each column the least
// freedom of its frames (a search: the least share clear), red where no
// position is left, the recording's hits marked above, the frame shown white.
void drawStrip(Viewer& v) {
    const dodge::Answer& a = v.fairness.answer;
    constexpr int32_t W = screen::SCREEN_WIDTH, TOP = screen::SCREEN_HEIGHT - STRIP_HEIGHT, TEXT = 16;
    constexpr int32_t BARS = STRIP_HEIGHT - TEXT - 6;
    const int64_t span = a.to - a.from + 1;
    if (span <= 0) return;
    for (int32_t y = TOP; y < screen::SCREEN_HEIGHT; ++y) std::memset(v.layers.overlay[y], STRIP_BACK_COLOUR, W);
    const auto columnOf = [&](int64_t frame) { return static_cast<int32_t>((frame - a.from) * W / span); };
    // The columns change only with the answer: worked out once for each.
    if (v.fairness.columnsOf != v.fairness.version) {
        for (int32_t x = 0; x < W; ++x) {
            const int64_t first = static_cast<int64_t>(x) * span / W;
            const int64_t last = std::max(first, (static_cast<int64_t>(x) + 1) * span / W - 1);
            v.fairness.columns[x] = dodge::leastOf(a, first, last);
        }
        v.fairness.columnsOf = v.fairness.version;
    }
    for (int32_t x = 0; x < W; ++x) {
        const int64_t first = static_cast<int64_t>(x) * span / W;
        const double least = v.fairness.columns[x];
        if (least > 1 || (a.exact && least <= 0)) {
            if (first < span) v.layers.overlay[screen::SCREEN_HEIGHT - 1][x] = LOST_COLOUR;
            if (least > 1) continue;
        }
        const int32_t height = least <= 0 ? 0 : std::max(1, static_cast<int32_t>(least * BARS + 0.5));
        for (int32_t k = 0; k < height; ++k) {
            v.layers.overlay[screen::SCREEN_HEIGHT - 1 - k][x] = a.exact ? FREEDOM_COLOUR : CLEAR_COLOUR;
        }
    }
    for (const int64_t hit : v.hitFrames) {
        if (hit < a.from || hit > a.to) continue;
        const int32_t x = columnOf(hit);
        for (int32_t y = TOP + TEXT; y < TOP + TEXT + 4; ++y) v.layers.overlay[y][x] = HIT_COLOUR;
    }
    if (v.timeline.frame >= a.from && v.timeline.frame <= a.to) {
        const int32_t x = columnOf(v.timeline.frame);
        for (int32_t y = TOP + TEXT; y < screen::SCREEN_HEIGHT; ++y) v.layers.overlay[y][x] = SHOWN_COLOUR;
    }
    // The answer in words, over the bars.
    for (int32_t i = 0; v.fairness.said[i] && (i + 1) * 8 <= W; ++i) {
        const uint8_t* glyph = screen::glyphFor(static_cast<uint8_t>(v.fairness.said[i]));
        for (int32_t r = 0; r < TEXT; ++r) {
            for (int32_t c = 0; c < 8; ++c) {
                if (glyph[r] & (0x80 >> c)) v.layers.overlay[TOP + r][i * 8 + c] = SHOWN_COLOUR;
            }
        }
    }
}

}  // namespace timeline
