// The exact answer and the search. Masks are rows of 640 bits, bit x of a
// row for column x; growing a mask by a move shifts its rows, and a move
// that would leave the screen lands on its edge, as the ship's own does.
#include "dodge/Dodge.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "world/Snapshot.h"

namespace dodge {

namespace {

struct Move {
    int32_t dx = 0, dy = 0;  // pixels
    int32_t code = world::MOVE_NONE;
};

// The ship's moves as displacements, each once (the unfocused code first
// where both speeds are one): at most eighteen, held in place so that no
// frame allocates them.
struct Moves {
    std::array<Move, world::MOVE_CODES> list{};
    int32_t count = 0;
    const Move* begin() const { return list.data(); }
    const Move* end() const { return list.data() + count; }
};

Moves movesOf(const world::Ship& ship) {
    Moves moves;
    moves.list[moves.count++] = {0, 0, world::MOVE_NONE};
    for (const bool focused : {false, true}) {
        for (int32_t d = 1; d <= 8; ++d) {
            const int32_t code = focused ? d + world::MOVE_FOCUSED : d;
            int32_t ux = 0, uy = 0;
            world::moveDirection(code, &ux, &uy);
            const bool diagonal = ux != 0 && uy != 0;
            const int32_t step = std::clamp(diagonal ? (focused ? ship.focusedDiagonal : ship.diagonal)
                                                     : (focused ? ship.focusedSpeed : ship.speed),
                                            0, world::MAX_SHIP_SPEED);  // the most a pattern's ship goes: a word of a row
            const Move m{ux * step, uy * step, code};
            const bool seen = std::any_of(moves.begin(), moves.end(),
                                          [&](const Move& o) { return o.dx == m.dx && o.dy == m.dy; });
            if (!seen) moves.list[moves.count++] = m;
        }
    }
    return moves;
}

int32_t clampTo(int32_t v, int32_t most) { return v < 0 ? 0 : v > most ? most : v; }

// Row `src` moved by dx columns (at most a word), a bit that would leave it
// landing on its edge, ORed into `dst`.
void shiftRowInto(const uint64_t* src, int32_t dx, uint64_t* dst) {
    if (dx == 0) {
        for (int32_t w = 0; w < WORDS; ++w) dst[w] |= src[w];
        return;
    }
    // With a zero word either side, every word of the result comes from two.
    uint64_t padded[WORDS + 2];
    padded[0] = 0, padded[WORDS + 1] = 0;
    std::memcpy(padded + 1, src, sizeof(uint64_t) * WORDS);
    const int32_t r = std::abs(dx) % 64;
    if (dx > 0) {
        const int32_t k = dx / 64;
        for (int32_t w = 0; w < WORDS; ++w) {
            const uint64_t* at = padded + 1 + w - k;
            dst[w] |= r ? (at[0] << r) | (at[-1] >> (64 - r)) : at[0];
        }
        // Columns WIDTH - dx and on land on the last.
        const uint64_t edge = dx >= 64 ? ~uint64_t{0} : ~uint64_t{0} << (64 - dx);
        if (src[WORDS - 1] & edge) dst[WORDS - 1] |= uint64_t{1} << 63;
    } else {
        const int32_t k = -dx / 64;
        for (int32_t w = 0; w < WORDS; ++w) {
            const uint64_t* at = padded + 1 + w + k;
            dst[w] |= r ? (at[0] >> r) | (at[1] << (64 - r)) : at[0];
        }
        const uint64_t edge = -dx >= 64 ? ~uint64_t{0} : (uint64_t{1} << -dx) - 1;
        if (src[0] & edge) dst[0] |= 1;
    }
}

const uint64_t* row(const Mask& m, int32_t y) { return m.bits.data() + static_cast<size_t>(y) * WORDS; }
uint64_t* row(Mask& m, int32_t y) { return m.bits.data() + static_cast<size_t>(y) * WORDS; }

// Calls `visit` with each live bullet of the slots in use of each shooter the
// last frame stepped: the bullets the ship's own test looks at.
template <typename Visit>
void eachLiveBullet(const world::World& w, Visit&& visit) {
    for (int32_t i = 0; i < w.count; ++i) {
        if (!w.frames[i].stepped) continue;
        const actor::Shooter& s = w.shooters[i];
        for (int32_t j = 0, slots = actor::usedSlots(s); j < slots; ++j) {
            if (s.bullets[j].alive) visit(s.bullets[j]);
        }
    }
}

// Clears columns [from, to] of a row.
void clearRun(uint64_t* r, int32_t from, int32_t to) {
    for (int32_t x = from; x <= to;) {
        const int32_t w = x / 64, bit = x % 64, span = std::min(64 - bit, to - x + 1);
        const uint64_t mask = (span == 64 ? ~uint64_t{0} : ((uint64_t{1} << span) - 1)) << bit;
        r[w] &= ~mask;
        x += span;
    }
}

void intersect(Mask& a, const Mask& b) {
    for (size_t i = 0; i < a.bits.size(); ++i) a.bits[i] &= b.bits[i];
}

void boundsOf(const Mask& m, Answer& a) {
    a.lostLeft = WIDTH, a.lostTop = HEIGHT, a.lostRight = -1, a.lostBottom = -1;
    for (int32_t y = 0; y < HEIGHT; ++y) {
        for (int32_t x = 0; x < WIDTH; ++x) {
            if (!has(m, x, y)) continue;
            a.lostLeft = std::min(a.lostLeft, x), a.lostRight = std::max(a.lostRight, x);
            a.lostTop = std::min(a.lostTop, y), a.lostBottom = std::max(a.lostBottom, y);
        }
    }
}

void addHeat(const world::World& w, std::vector<uint32_t>& heat) {
    eachLiveBullet(w, [&](const bullets::Bullet& b) {
        if (b.x >= 0.0f && b.x < WIDTH && b.y >= 0.0f && b.y < HEIGHT) {
            ++heat[static_cast<size_t>(b.y) * WIDTH + static_cast<size_t>(b.x)];
        }
    });
}

std::vector<uint64_t> snapshotOf(const world::World& w) {
    std::vector<uint64_t> bytes(world::snapshotBytes(w) / 8 + 1);
    world::takeSnapshot(bytes.data(), bytes.size() * 8, w, w.ship.frame);
    return bytes;
}

// One frame of the exact answer: the world on, and the reachable positions
// grown and cut by it.
void exactFrame(world::World& w, bool inSpan, Mask& reach, Mask& clear, Mask& grown) {
    w.ship.move = world::MOVE_NONE;
    world::stepWorld(w);
    if (!inSpan) return;
    clearPositions(w, clear);
    std::fill(grown.bits.begin(), grown.bits.end(), 0);
    growByMoves(w.ship, reach, grown);
    intersect(grown, clear);
    std::swap(reach.bits, grown.bits);
}

// Whether the caller asked the answer to stop; marks it so.
bool stopped(const Options& o, Answer& a) {
    if (o.stop && o.stop->load(std::memory_order_relaxed)) a.stopped = true;
    return a.stopped;
}

// Frame f + 1 of an exact answer over the span from `from`: before the span
// the ship stands at its start, or (`anywhere`) may be on any clear position.
void advance(world::World& w, int64_t from, bool anywhere, int64_t f, Mask& reach, Mask& clear, Mask& grown) {
    const bool inSpan = f + 1 >= from;
    exactFrame(w, inSpan, reach, clear, grown);  // leaves the frame before's positions in `grown`
    if (anywhere && !inSpan) {
        clearPositions(w, clear);
        reach.bits = clear.bits;  // anywhere clear at the frame before the span
    }
}

// The checkpoints into the answer, when asked for.
void keepCheckpoints(Answer& a, const Options& o, int64_t interval, std::vector<Mask>& reach,
                     std::vector<std::vector<uint64_t>>& worlds) {
    a.interval = interval;
    if (!o.keep) return;
    for (size_t c = 0; c < reach.size(); ++c) {
        a.kept.push_back({static_cast<int64_t>(c) * interval, std::move(reach[c].bits), std::move(worlds[c])});
    }
}

// The way back from position (x, y) in `after`, one frame: a position of
// `before` and a move that takes it there.
bool stepBack(const Mask& before, const Moves& moves, int32_t& x, int32_t& y, uint8_t& code) {
    for (const Move& m : moves) {
        // The columns and rows that the move takes to x and y, kept on the screen.
        const auto sources = [](int32_t to, int32_t d, int32_t most, int32_t& lo, int32_t& hi) {
            lo = to - d, hi = to - d;
            if (to == most && d > 0) lo = most - d, hi = most;
            if (to == 0 && d < 0) lo = 0, hi = -d;
            lo = std::max(lo, 0), hi = std::min(hi, most);
        };
        int32_t x0, x1, y0, y1;
        sources(x, m.dx, WIDTH - 1, x0, x1);
        sources(y, m.dy, HEIGHT - 1, y0, y1);
        for (int32_t py = y0; py <= y1; ++py) {
            for (int32_t px = x0; px <= x1; ++px) {
                if (clampTo(px + m.dx, WIDTH - 1) != x || clampTo(py + m.dy, HEIGHT - 1) != y || !has(before, px, py)) {
                    continue;
                }
                x = px, y = py, code = static_cast<uint8_t>(m.code);
                return true;
            }
        }
    }
    return false;
}

Answer exactAnswer(world::World& w, const Options& o) {
    Answer a;
    a.exact = true;
    a.anywhere = o.anywhere;
    a.from = o.from, a.to = o.to;
    if (o.heat) a.heat.assign(static_cast<size_t>(POSITIONS), 0);
    const Moves moves = movesOf(w.ship);
    const int32_t startX = static_cast<int32_t>(w.ship.x), startY = static_cast<int32_t>(w.ship.y);
    // What is kept to find the way back: the reachable positions and the world
    // every so many frames, the more frames between them the larger the world.
    const double budget = 128.0 * 1024 * 1024;
    const int64_t frames = o.to;
    const int64_t interval = std::max<int64_t>(
        CHECKPOINT_FRAMES,
        static_cast<int64_t>(std::ceil(static_cast<double>(frames) * static_cast<double>(world::snapshotBytes(w) + sizeof(uint64_t) * WORDS * HEIGHT) / budget)));
    // A stretch's masks are made again at once on the way back: past
    // MAX_STRETCH frames (a long span of a large world) the way is not kept.
    const bool keepWay = interval <= MAX_STRETCH;
    const bool keepPoints = keepWay || o.keep;  // the checkpoints fit the budget either way
    std::vector<Mask> keptReach;
    std::vector<std::vector<uint64_t>> keptWorld;
    Mask reach, clear, grown;
    if (o.anywhere) {
        std::fill(reach.bits.begin(), reach.bits.end(), ~uint64_t{0});
    } else {
        put(reach, startX, startY);
    }
    for (int64_t f = 0; f < o.to; ++f) {
        if (stopped(o, a)) return a;
        if (keepPoints && f % interval == 0) {
            keptReach.push_back(reach);
            keptWorld.push_back(snapshotOf(w));
        }
        const bool inSpan = f + 1 >= o.from;
        advance(w, o.from, o.anywhere, f, reach, clear, grown);
        if (o.heat && inSpan) addHeat(w, a.heat);
        if (!inSpan) continue;
        const int64_t reachable = count(reach);
        a.frames.push_back({static_cast<double>(count(clear)) / POSITIONS, static_cast<double>(reachable) / POSITIONS,
                            reachable, w.ship.hits});
        if (reachable == 0) {
            a.lostAt = f + 1;
            boundsOf(grown, a);
            keepCheckpoints(a, o, interval, keptReach, keptWorld);
            return a;
        }
    }
    a.survivable = true;
    a.wayKept = keepWay;
    if (!keepWay) {
        keepCheckpoints(a, o, interval, keptReach, keptWorld);
        return a;
    }
    // Back from a position at the end, a kept stretch at a time, its masks made again.
    // The way ends as near its start as it can.
    int32_t x = 0, y = 0;
    int64_t best = -1;
    for (int32_t k = 0; k < POSITIONS; ++k) {
        const int32_t px = k % WIDTH, py = k / WIDTH;
        if (!has(reach, px, py)) continue;
        const int64_t d = int64_t{px - startX} * (px - startX) + int64_t{py - startY} * (py - startY);
        if (best < 0 || d < best) best = d, x = px, y = py;
    }
    a.moves.assign(static_cast<size_t>(o.to), world::MOVE_NONE);
    for (int64_t c = static_cast<int64_t>(keptReach.size()) - 1; c >= 0; --c) {
        if (stopped(o, a)) return a;
        const int64_t first = c * interval, last = std::min(o.to, first + interval);
        world::restoreSnapshot(keptWorld[static_cast<size_t>(c)].data(), w);
        std::vector<Mask> stretch{keptReach[static_cast<size_t>(c)]};
        for (int64_t f = first; f < last; ++f) {
            Mask next = stretch.back();
            advance(w, o.from, o.anywhere, f, next, clear, grown);
            stretch.push_back(next);
        }
        for (int64_t f = last; f > first; --f) {
            if (f < o.from) break;  // before the span the ship stands, or may be anywhere clear
            uint8_t code = 0;
            stepBack(stretch[static_cast<size_t>(f - first - 1)], moves, x, y, code);
            a.moves[static_cast<size_t>(f - 1)] = code;
        }
    }
    a.startX = o.anywhere ? x : startX;
    a.startY = o.anywhere ? y : startY;
    keepCheckpoints(a, o, interval, keptReach, keptWorld);
    return a;
}

// The nearest live bullet's distance from the ship, squared.
double nearest2(const world::World& w) {
    double best = std::numeric_limits<double>::infinity();
    eachLiveBullet(w, [&](const bullets::Bullet& b) {
        const double dx = double{b.x} - w.ship.x, dy = double{b.y} - w.ship.y;
        best = std::min(best, dx * dx + dy * dy);
    });
    return best;
}

struct Way {
    std::vector<uint64_t> world;  // the world where the way stands
    std::vector<uint8_t> moves;
    double score = 0;             // the nearest a bullet came, squared: larger is safer
    float x = 0, y = 0;           // where the ship is
};

Answer searchAnswer(world::World& w, const Options& o) {
    Answer a;
    a.from = o.from, a.to = o.to;
    if (o.heat) a.heat.assign(static_cast<size_t>(POSITIONS), 0);
    const int32_t startX = static_cast<int32_t>(w.ship.x), startY = static_cast<int32_t>(w.ship.y);
    a.startX = startX, a.startY = startY;
    // How hard, with a ship that stands at its start, and where the bullets go.
    const std::vector<uint64_t> start = snapshotOf(w);
    Mask clear;
    for (int64_t f = 1; f <= o.to; ++f) {
        if (stopped(o, a)) return a;
        w.ship.move = world::MOVE_NONE;
        world::stepWorld(w);
        if (f < o.from) continue;
        clearPositions(w, clear);
        if (o.heat) addHeat(w, a.heat);
        a.frames.push_back({static_cast<double>(count(clear)) / POSITIONS, -1.0, 0, w.ship.hits});
    }
    world::restoreSnapshot(start.data(), w);
    for (int64_t f = 1; f < o.from; ++f) {
        w.ship.move = world::MOVE_NONE;
        world::stepWorld(w);
    }
    std::vector<Way> ways{{snapshotOf(w), std::vector<uint8_t>(static_cast<size_t>(o.from - 1), world::MOVE_NONE), 0,
                           w.ship.x, w.ship.y}};
    const int32_t choices[] = {world::MOVE_NONE, world::MOVE_RIGHT, world::MOVE_DOWN_RIGHT, world::MOVE_DOWN,
                               world::MOVE_DOWN_LEFT, world::MOVE_LEFT, world::MOVE_UP_LEFT, world::MOVE_UP,
                               world::MOVE_UP_RIGHT};
    for (int64_t at = o.from - 1; at < o.to; at += o.every) {
        if (stopped(o, a)) return a;
        const int64_t until = std::min(o.to, at + o.every);
        std::vector<Way> next;
        for (const Way& way : ways) {
            for (const int32_t move : choices) {
                world::restoreSnapshot(way.world.data(), w);
                const int32_t hits = w.ship.hits;
                double closest = std::numeric_limits<double>::infinity();
                bool hit = false;
                for (int64_t f = at; f < until && !hit; ++f) {
                    w.ship.move = move;
                    world::stepWorld(w);
                    hit = w.ship.hits != hits;
                    closest = std::min(closest, nearest2(w));
                }
                if (hit) continue;
                // Two ways to one place at one moment are one way from here on.
                const float x = w.ship.x, y = w.ship.y;
                const double score = std::min(way.score == 0 ? closest : way.score, closest);
                const auto twin = std::find_if(next.begin(), next.end(), [&](const Way& o2) { return o2.x == x && o2.y == y; });
                if (twin != next.end()) {
                    if (twin->score >= score) continue;
                    next.erase(twin);
                }
                Way child{snapshotOf(w), way.moves, score, x, y};
                child.moves.insert(child.moves.end(), static_cast<size_t>(until - at), static_cast<uint8_t>(move));
                next.push_back(std::move(child));
                // Keep the safest; drop the worst once over the beam.
                std::sort(next.begin(), next.end(), [](const Way& l, const Way& r) { return l.score > r.score; });
                if (next.size() > static_cast<size_t>(o.beam)) next.pop_back();
            }
        }
        if (next.empty()) {
            a.lostAt = until;
            return a;
        }
        ways = std::move(next);
    }
    a.survivable = true;
    a.moves = ways.front().moves;
    world::restoreSnapshot(ways.front().world.data(), w);
    return a;
}

}  // namespace

bool has(const Mask& mask, int32_t x, int32_t y) {
    return (row(mask, y)[x / 64] >> (x % 64)) & 1;
}

void put(Mask& mask, int32_t x, int32_t y) { row(mask, y)[x / 64] |= uint64_t{1} << (x % 64); }

int64_t count(const Mask& mask) {
    // By halves, quarters and bytes: the machine's own count may not be there.
    int64_t n = 0;
    for (uint64_t v : mask.bits) {
        v = v - ((v >> 1) & 0x5555555555555555ull);
        v = (v & 0x3333333333333333ull) + ((v >> 2) & 0x3333333333333333ull);
        v = (v + (v >> 4)) & 0x0f0f0f0f0f0f0f0full;
        n += static_cast<int64_t>((v * 0x0101010101010101ull) >> 56);
    }
    return n;
}

namespace {

// Clears the positions a bullet at (bx, by) hits: those of its disc, row by
// row. The pixels a bullet hits in a row are one run, narrowing away from its
// own row: found in the row nearest it from the edges of its box, then row
// by row outwards, narrowed by the exact test.
void cutDisc(Mask& clear, double bx, double by, double reach, double reach2) {
    // A pixel to spare round the reach; the exact test decides.
    const double left = std::floor(bx - reach) - 1, right = std::ceil(bx + reach) + 1;
    const double top = std::floor(by - reach) - 1, bottom = std::ceil(by + reach) + 1;
    if (!(right >= 0 && left <= WIDTH - 1 && bottom >= 0 && top <= HEIGHT - 1)) return;  // off the screen, or NaN
    const int32_t x0 = static_cast<int32_t>(std::max(left, 0.0));
    const int32_t x1 = static_cast<int32_t>(std::min(right, double{WIDTH - 1}));
    const int32_t y0 = static_cast<int32_t>(std::max(top, 0.0));
    const int32_t y1 = static_cast<int32_t>(std::min(bottom, double{HEIGHT - 1}));
    const auto hits = [&](int32_t px, double dy) {
        const double dx = bx - px;
        return dx * dx + dy * dy < reach2;
    };
    const int32_t middle =
        std::clamp(static_cast<int32_t>(std::floor(std::clamp(by, 0.0, double{HEIGHT - 1}) + 0.5)), y0, y1);
    for (const int32_t direction : {-1, 1}) {
        int32_t lo = x0, hi = x1;
        bool found = false;
        for (int32_t py = direction < 0 ? middle : middle + 1; py >= y0 && py <= y1; py += direction) {
            const double dy = by - py;
            if (dy * dy >= reach2) {
                if (found || (direction < 0 ? py < by : py > by)) break;  // past the disc
                continue;
            }
            if (!found) lo = x0, hi = x1;
            while (lo <= hi && !hits(lo, dy)) ++lo;
            while (hi >= lo && !hits(hi, dy)) --hi;
            if (lo > hi) {
                if (found) break;
                continue;
            }
            found = true;
            clearRun(row(clear, py), lo, hi);
        }
    }
}

}  // namespace

void clearPositions(const world::World& w, Mask& clear) {
    // Room for twice the slots the world has, a power of two, made once.
    size_t room = 1024;
    while (room < 2 * static_cast<size_t>(std::max(w.count, 0)) * actor::BULLET_CAPACITY) room *= 2;
    if (clear.seen.size() < room) clear.seen.assign(room, 0);
    std::fill(clear.bits.begin(), clear.bits.end(), ~uint64_t{0});
    // Bullets at one place (a volley of one angle and speed flies as one) hit
    // the same positions: each place is cut once.
    std::vector<uint64_t>& seen = clear.seen;
    std::fill(seen.begin(), seen.end(), 0);
    const double reach = double{w.ship.hitRadius} + w.ship.bulletRadius, reach2 = reach * reach;
    if (!(reach > 0)) return;
    eachLiveBullet(w, [&](const bullets::Bullet& b) {
        uint32_t xBits, yBits;
        std::memcpy(&xBits, &b.x, 4);
        std::memcpy(&yBits, &b.y, 4);
        const uint64_t key = (uint64_t{xBits} << 32 | yBits) | 1;  // never 0, the empty mark
        size_t at = static_cast<size_t>((key * 0x9e3779b97f4a7c15ull) >> 32) & (seen.size() - 1);
        while (seen[at] && seen[at] != key) at = (at + 1) & (seen.size() - 1);
        if (seen[at] == key) return;
        seen[at] = key;
        cutDisc(clear, b.x, b.y, reach, reach2);
    });
}

void growByMoves(const world::Ship& ship, const Mask& from, Mask& to) {
    int32_t top = HEIGHT, bottom = -1;
    for (int32_t y = 0; y < HEIGHT; ++y) {
        const uint64_t* r = row(from, y);
        if (std::any_of(r, r + WORDS, [](uint64_t v) { return v != 0; })) top = std::min(top, y), bottom = y;
    }
    if (bottom < 0) return;
    // The rows moved sideways once for each distance a move goes sideways,
    // then put down at each height a move goes with that distance: the rows
    // that stay on the screen as one block, those past an edge on the edge.
    std::vector<uint64_t>& shifted = to.shifted;
    if (shifted.size() != from.bits.size()) shifted.assign(from.bits.size(), 0);  // once a mask
    const Moves moves = movesOf(ship);
    for (const Move& first : moves) {
        const bool done = std::any_of(moves.begin(), &first, [&](const Move& m) { return m.dx == first.dx; });
        if (done) continue;
        const uint64_t* rows = from.bits.data();
        if (first.dx != 0) {
            std::fill(shifted.begin() + top * WORDS, shifted.begin() + (bottom + 1) * WORDS, 0);
            for (int32_t y = top; y <= bottom; ++y) shiftRowInto(row(from, y), first.dx, shifted.data() + y * WORDS);
            rows = shifted.data();
        }
        for (const Move& m : moves) {
            if (m.dx != first.dx) continue;
            const int32_t y0 = std::max(top, -m.dy), y1 = std::min(bottom, HEIGHT - 1 - m.dy);
            if (y0 <= y1) {
                uint64_t* dst = to.bits.data() + static_cast<size_t>(y0 + m.dy) * WORDS;
                const uint64_t* src = rows + static_cast<size_t>(y0) * WORDS;
                const size_t words = static_cast<size_t>(y1 - y0 + 1) * WORDS;
                for (size_t i = 0; i < words; ++i) dst[i] |= src[i];
            }
            for (int32_t y = top; y <= bottom; ++y) {
                if (y + m.dy >= 0 && y + m.dy < HEIGHT) continue;
                uint64_t* dst = row(to, clampTo(y + m.dy, HEIGHT - 1));
                for (int32_t w = 0; w < WORDS; ++w) dst[w] |= rows[static_cast<size_t>(y) * WORDS + w];
            }
        }
    }
}

bool followsShip(const world::World& w) {
    const float* ship = &w.ship.x;
    for (int32_t i = 0; i < w.count; ++i) {
        const actor::Shooter& s = w.shooters[i];
        if (s.turret.targetRef == ship || s.turret.originRef == ship) return true;
        for (const auto* node = s.turretSteps.first; node; node = node->next) {
            if (node->record && (node->record->targetRef == ship || node->record->originRef == ship)) return true;
        }
    }
    return false;
}

int64_t lastFrame(const Answer& a) { return a.from + static_cast<int64_t>(a.frames.size()) - 1; }

bool reachAt(Cursor& c, const Answer& a, int64_t frame) {
    if (!a.exact || a.kept.empty() || a.interval <= 0 || frame < a.from || frame > lastFrame(a)) return false;
    const bool near = c.frame >= 0 && c.frame <= frame && frame - c.frame <= a.interval;
    if (!near) {
        const size_t k = std::min(static_cast<size_t>(frame / a.interval), a.kept.size() - 1);
        const Checkpoint& kept = a.kept[k];
        c.frame = -1;
        if (kept.frame > frame || kept.reach.size() != c.reach.bits.size() ||
            !world::soundSnapshot(kept.world.data(), kept.world.size() * sizeof(uint64_t), c.world) ||
            !world::restoreSnapshot(kept.world.data(), c.world)) {
            return false;
        }
        std::copy(kept.reach.begin(), kept.reach.end(), c.reach.bits.begin());
        c.frame = kept.frame;
    }
    for (; c.frame < frame; ++c.frame) advance(c.world, a.from, a.anywhere, c.frame, c.reach, c.clear, c.grown);
    return true;
}

namespace {

constexpr uint64_t PACKED_MAGIC = 0x3141574544474442ull;  // "BDGDEWA1", this build's answers

}  // namespace

std::vector<uint8_t> packAnswer(const Answer& a) {
    std::vector<uint64_t> words;
    const auto put = [&](int64_t v) { words.push_back(static_cast<uint64_t>(v)); };
    const auto putDouble = [&](double v) {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        words.push_back(bits);
    };
    const size_t snapshotWords = a.kept.empty() ? 0 : a.kept.front().world.size();
    put(static_cast<int64_t>(PACKED_MAGIC));
    put(int64_t{a.exact} | int64_t{a.anywhere} << 1 | int64_t{a.survivable} << 2 | int64_t{a.wayKept} << 3);
    for (const int64_t v : {a.from, a.to, a.lostAt, int64_t{a.lostLeft}, int64_t{a.lostTop}, int64_t{a.lostRight},
                            int64_t{a.lostBottom}, int64_t{a.startX}, int64_t{a.startY}, a.interval, a.settled}) {
        put(v);
    }
    put(static_cast<int64_t>(a.frames.size()));
    put(static_cast<int64_t>(a.moves.size()));
    put(static_cast<int64_t>(a.kept.size()));
    put(static_cast<int64_t>(snapshotWords));
    for (const Frame& f : a.frames) {
        putDouble(f.clear), putDouble(f.freedom), put(f.reachable), put(f.stillHits);
    }
    const size_t moveWords = (a.moves.size() + 7) / 8;
    words.resize(words.size() + moveWords, 0);
    std::memcpy(words.data() + words.size() - moveWords, a.moves.data(), a.moves.size());
    for (const Checkpoint& k : a.kept) {
        put(k.frame);
        words.insert(words.end(), k.reach.begin(), k.reach.end());
        words.insert(words.end(), k.world.begin(), k.world.end());  // every one a snapshot of one world: one size
        words.resize(words.size() + snapshotWords - std::min(snapshotWords, k.world.size()), 0);
    }
    std::vector<uint8_t> bytes(words.size() * sizeof(uint64_t));
    std::memcpy(bytes.data(), words.data(), bytes.size());
    return bytes;
}

bool unpackAnswer(const uint8_t* bytes, size_t size, Answer& out) {
    out = Answer{};
    constexpr size_t HEAD = 17;
    if (!bytes || size % 8 != 0 || size / 8 < HEAD) return false;
    const size_t total = size / 8;
    const auto word = [&](size_t at) {
        uint64_t v;
        std::memcpy(&v, bytes + at * 8, 8);
        return v;
    };
    const auto number = [&](size_t at) { return static_cast<int64_t>(word(at)); };
    if (word(0) != PACKED_MAGIC) return false;
    Answer a;
    const uint64_t flags = word(1);
    a.exact = flags & 1, a.anywhere = flags & 2, a.survivable = flags & 4, a.wayKept = flags & 8;
    a.from = number(2), a.to = number(3), a.lostAt = number(4);
    const auto small = [](int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, -1, 1 << 20)); };
    a.lostLeft = small(number(5)), a.lostTop = small(number(6)), a.lostRight = small(number(7)),
    a.lostBottom = small(number(8)), a.startX = small(number(9)), a.startY = small(number(10));
    a.interval = number(11);
    a.settled = number(12);
    const uint64_t frames = word(13), moves = word(14), kept = word(15), snapshotWords = word(16);
    constexpr uint64_t MOST_FRAMES = 1u << 24;
    if (a.from < 1 || a.to < a.from || frames > MOST_FRAMES || moves > MOST_FRAMES || kept > MOST_FRAMES ||
        snapshotWords > (uint64_t{1} << 27) || (kept && (a.interval <= 0 || a.interval > (int64_t{1} << 30)))) {
        return false;
    }
    const uint64_t keptWords = 1 + static_cast<uint64_t>(WORDS) * HEIGHT + snapshotWords;
    const uint64_t need = HEAD + frames * 4 + (moves + 7) / 8;
    if (need > total || kept > (total - need) / keptWords || need + kept * keptWords != total) return false;
    // Within the bytes, so within a size_t.
    const size_t frameCount = static_cast<size_t>(frames), moveCount = static_cast<size_t>(moves);
    const size_t keptCount = static_cast<size_t>(kept), worldWords = static_cast<size_t>(snapshotWords);
    size_t at = HEAD;
    a.frames.resize(frameCount);
    for (Frame& f : a.frames) {
        uint64_t c = word(at++), d = word(at++);
        std::memcpy(&f.clear, &c, 8);
        std::memcpy(&f.freedom, &d, 8);
        f.reachable = number(at++);
        f.stillHits = small(number(at++));
    }
    a.moves.assign(bytes + at * 8, bytes + at * 8 + moveCount);
    at += (moveCount + 7) / 8;
    a.kept.resize(keptCount);
    for (size_t c = 0; c < a.kept.size(); ++c) {
        Checkpoint& k = a.kept[c];
        k.frame = number(at++);
        if (k.frame != static_cast<int64_t>(c) * a.interval) return false;
        k.reach.resize(static_cast<size_t>(WORDS) * HEIGHT);
        std::memcpy(k.reach.data(), bytes + at * 8, k.reach.size() * 8);
        at += static_cast<size_t>(WORDS) * HEIGHT;
        k.world.resize(worldWords);
        std::memcpy(k.world.data(), bytes + at * 8, worldWords * 8);
        at += worldWords;
    }
    out = std::move(a);
    return true;
}

Answer answer(world::World& w, const Options& options) {
    Options o = options;
    o.from = std::max<int64_t>(1, o.from);
    o.to = std::max(o.from, o.to);
    o.beam = std::max(1, o.beam);
    o.every = std::max(1, o.every);
    w.ship.present = -1;
    const int32_t speed = std::max(1, w.ship.speed);
    Answer a = followsShip(w) ? searchAnswer(w, o) : exactAnswer(w, o);
    if (a.exact && !a.anywhere && !a.frames.empty()) {
        a.settled = std::min(static_cast<int64_t>(a.frames.size()) - 1, int64_t{WIDTH} / speed);
    }
    return a;
}

double measureOf(const Answer& a, size_t k) { return a.exact ? a.frames[k].freedom : a.frames[k].clear; }

double leastOf(const Answer& a, int64_t first, int64_t last) {
    double least = 2;
    for (int64_t k = std::max<int64_t>(first, 0); k <= last && k < static_cast<int64_t>(a.frames.size()); ++k) {
        least = std::min(least, measureOf(a, static_cast<size_t>(k)));
    }
    return least;
}

Tightest tightestOf(const Answer& a) {
    Tightest t;
    for (size_t k = static_cast<size_t>(std::max<int64_t>(0, a.settled)); k < a.frames.size(); ++k) {
        if (t.frame == 0 || measureOf(a, k) < t.least) t.least = measureOf(a, k), t.frame = a.from + static_cast<int64_t>(k);
    }
    return t;
}

}  // namespace dodge
