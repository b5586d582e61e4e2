// Whether a pattern can be survived, and how hard it is frame by frame. The
// ship's positions are whole pixels and its moves whole-pixel steps, so the
// places it can be are finite: for a world that does not follow the ship,
// every position it can reach each frame without a hit is worked out exactly
// (a set of the screen's 640 x 480 pixels a frame, grown by the ship's moves
// and cut by the bullets, with the hit test the ship itself uses). A world
// that follows the ship depends on the way taken, and is searched instead.
#pragma once

#include <atomic>
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
    std::vector<uint64_t> seen;     // clearPositions' scratch: the bullets' places met, when made
    std::vector<uint64_t> shifted;  // growByMoves' scratch: the rows moved sideways, when grown into
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

// What an exact answer keeps to show the reachable positions at any frame of
// its span again: the positions and the world every `interval` frames.
struct Checkpoint {
    int64_t frame = 0;             // frames run when kept
    std::vector<uint64_t> reach;   // the reachable positions then, as a Mask's bits
    std::vector<uint64_t> world;   // the world then, a snapshot
};

struct Answer {
    bool exact = false;              // the world does not follow the ship: the answer is a proof
    bool anywhere = false;           // the ship could start on any clear position
    bool survivable = false;         // a way exists (exact), or one was found (search)
    int64_t from = 1, to = 1;        // the span, frames
    int64_t lostAt = 0;              // not survivable: the first frame with no reachable clear position
    int32_t lostLeft = 0, lostTop = 0, lostRight = 0, lostBottom = 0;  // where the last positions were, then
    int32_t startX = 0, startY = 0;  // where the way starts
    bool wayKept = true;             // false: the span is too long for a world this large to keep the way
    std::vector<uint8_t> moves;      // the way, a move a frame from frame 1
    std::vector<Frame> frames;       // from `from` to `to`, or to the frame lost (exact answers)
    std::vector<uint32_t> heat;      // bullet presence by pixel over the span, when asked
    int64_t interval = 0;            // frames between checkpoints
    std::vector<Checkpoint> kept;    // when asked (Options::keep), exact answers
    bool stopped = false;            // given up when asked to: nothing else in it holds
    int64_t settled = 0;             // frames of `frames` before the tightest moments are looked for
};

// A frame's measure: its freedom, or for a search its share clear.
double measureOf(const Answer& answer, size_t k);
// The least measure of frames `first` to `last` of `frames` (from 0, as a
// strip's column holds them); 2 when the answer knows none of them.
double leastOf(const Answer& answer, int64_t first, int64_t last);
// The tightest moment: the least measure and its frame, looked for from
// `settled` on (from a start of one position the freedom is small until the
// ship could have gone anywhere: the screen's width at its speed). Frame 0
// when the answer has no frames.
struct Tightest {
    double least = 0;
    int64_t frame = 0;
};
Tightest tightestOf(const Answer& answer);

struct Options {
    int64_t from = 1, to = 1;
    bool anywhere = false;   // the ship may start on any clear position
    bool heat = false;       // count bullet presence by pixel
    int32_t beam = 16;       // the search: ways kept, a choice every `every` frames among nine moves
    int32_t every = 8;
    bool keep = false;       // keep the checkpoints, for reachAt
    const std::atomic<bool>* stop = nullptr;  // set: give up soon, the answer unfinished (none: never)
};

// Works the answer out on a world just set up (frame 0), its ship's start and
// speeds as they stand. The world is stepped to the end of the span.
Answer answer(world::World& world, const Options& options);

// The last frame an answer knows: the span's end, or the frame lost.
int64_t lastFrame(const Answer& answer);

// The reachable positions at any frame of a kept exact answer, worked again
// from the checkpoint before it on a world of the cursor's own (set up by the
// caller as the answer's was). Played on a frame at a time it steps a frame.
struct Cursor {
    world::World world;   // set up by the caller like the answer's
    Mask reach, clear, grown;
    int64_t frame = -1;   // frames the cursor's world has run; -1: not restored yet
};
// The positions reachable and clear at `frame` into cursor.reach; false when
// the answer does not know that frame (outside its span, or not exact).
bool reachAt(Cursor& cursor, const Answer& answer, int64_t frame);

// An answer as bytes (for the page's worker to hand over), and read back:
// false, with `answer` empty, for bytes that are no whole answer.
std::vector<uint8_t> packAnswer(const Answer& answer);
bool unpackAnswer(const uint8_t* bytes, size_t size, Answer& answer);

}  // namespace dodge
