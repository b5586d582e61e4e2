// Whether a pattern can be survived, and how hard it is frame by frame. The
// ship's positions are whole pixels and its moves whole-pixel steps, so the
// places it can be are finite: for a world that does not follow the ship,
// every position it can reach each frame without a hit is worked out exactly
// (a set of the screen's 640 x 480 pixels a frame, grown by the ship's moves
// and cut by the bullets, with the hit test the ship itself uses). A world
// that follows the ship depends on the way taken, and is searched instead.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "world/World.h"

namespace dodge {

inline constexpr int32_t WIDTH = 640;
inline constexpr int32_t HEIGHT = 480;
inline constexpr int32_t WORDS = WIDTH / 64;  // of a row of positions
inline constexpr int32_t POSITIONS = WIDTH * HEIGHT;
inline constexpr int64_t CHECKPOINT_FRAMES = 64;  // frames between the masks kept to find the way back, at least
inline constexpr int64_t MAX_STRETCH = 1'600;      // at most (their masks are made again at once: 60 MB)

// A set of positions, a bit a pixel, row by row.
struct Mask {
    std::vector<uint64_t> bits = std::vector<uint64_t>(static_cast<size_t>(WORDS) * HEIGHT, 0);
    std::vector<uint64_t> seen;  // clearPositions' scratch: the bullets' places met, when made
};
bool has(const Mask& mask, int32_t x, int32_t y);
void put(Mask& mask, int32_t x, int32_t y);
int64_t count(const Mask& mask);

// The positions of the world as it stands where no live bullet of an active
// shooter hits a ship of these radii (the ship's own test, in double precision).
void clearPositions(const world::World& world, Mask& clear);
// Every position one move of the ship takes a position of `from` to (the
// eighteen moves, kept on the screen), into `to`.
void growByMoves(const world::Ship& ship, const Mask& from, Mask& to);
// Whether any firing step of the world follows the ship (aims at it).
bool followsShip(const world::World& world);

struct Frame {
    double clear = 0;      // share of the screen's positions clear
    double freedom = 0;    // share the ship can reach and be clear on; -1: not known (a search)
    int64_t reachable = 0; // positions the ship can reach and be clear on
    int32_t stillHits = 0; // hits so far of a ship that stands at its start
};

struct Answer {
    bool exact = false;              // the world does not follow the ship: the answer is a proof
    bool survivable = false;         // a way exists (exact), or one was found (search)
    int64_t from = 1, to = 1;        // the span, frames
    int64_t lostAt = 0;              // not survivable: the first frame with no reachable clear position
    int32_t lostLeft = 0, lostTop = 0, lostRight = 0, lostBottom = 0;  // where the last positions were, then
    int32_t startX = 0, startY = 0;  // where the way starts
    bool wayKept = true;             // false: the span is too long for a world this large to keep the way
    std::vector<uint8_t> moves;      // the way, a move a frame from frame 1
    std::vector<Frame> frames;       // from `from` to `to`, or to the frame lost (exact answers)
    std::vector<uint32_t> heat;      // bullet presence by pixel over the span, when asked
};

struct Options {
    int64_t from = 1, to = 1;
    bool anywhere = false;   // the ship may start on any clear position
    bool heat = false;       // count bullet presence by pixel
    int32_t beam = 16;       // the search: ways kept, a choice every `every` frames among nine moves
    int32_t every = 8;
};

// Works the answer out on a world just set up (frame 0), its ship's start and
// speeds as they stand. The world is stepped to the end of the span.
Answer answer(world::World& world, const Options& options);

}  // namespace dodge
