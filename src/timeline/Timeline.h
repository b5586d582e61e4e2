// The world on a timeline: any frame can be shown, forward or back, exactly.
// As the world is first simulated a snapshot is kept every SNAPSHOT_SPACING
// frames, and the most recent ones every RECENT_SPACING frames; going to a
// frame restores the nearest snapshot before it (or goes on from where the
// world stands, when that is nearer) and simulates forward without drawing,
// then draws that frame. Going back is never an approximate reverse. A
// snapshot is as big as its world (every shooter, store and program), so the
// memory budget holds as many as fit: SNAPSHOT_MEMORY for those kept all along
// (when they fill it, every other one is let go and the spacing doubles, so
// the memory stays bounded at any frame) and RECENT_MEMORY for the recent
// ones, a ring, so a step back from wherever the world stands costs at most
// RECENT_SPACING frames and the last watched ones. Both blocks are reserved
// once; only the snapshots taken become resident.
#pragma once

#include <cstdint>

#include "world/World.h"
#include "world/Snapshot.h"

namespace timeline {

inline constexpr int64_t SNAPSHOT_SPACING = 600;          // frames between snapshots at first
inline constexpr int64_t SNAPSHOT_MEMORY = 32ll << 20;   // bytes the snapshots kept all along may take
inline constexpr int64_t RECENT_SPACING = 10;            // frames between the recent snapshots
inline constexpr int64_t RECENT_MEMORY = 24ll << 20;     // bytes the recent snapshots may take
inline constexpr int32_t MAX_RECENT = 16;                // recent snapshots at most

struct Timeline {
    world::World world;                  // the world shown
    world::WorldMaker maker;             // how the world is set up: the demonstration or a pattern
    int64_t frame = 0;                   // frames the world has run; the visible page shows this one once drawn
    int64_t spacing = SNAPSHOT_SPACING;  // frames between the snapshots held
    uint8_t* pool = nullptr;             // the snapshots kept all along, at frames 0, spacing ...: owned, reserved at open
    int64_t memoryCap = SNAPSHOT_MEMORY; // bytes of pool
    size_t slotBytes = 0;                // bytes a snapshot of this world takes, 8-byte aligned
    int32_t capacity = 0;                // snapshots the pool has room for
    int32_t count = 0;                   // snapshots held
    uint8_t* recent = nullptr;           // the recent snapshots, a ring by frame / RECENT_SPACING: owned
    int32_t recentCapacity = 0;          // recent snapshots it has room for, at most MAX_RECENT
    int64_t recentFrames[MAX_RECENT] = {};  // the frame each slot of the ring holds; -1: none
    const uint8_t* moves = nullptr;      // the ship's move in each frame, frame 1 first (a recording); not owned
    int64_t moveCount = 0;               // moves held; the ship stands in the frames after them
    int32_t withShip = 0;                // flag: the world has a ship even when its maker gives none (one is steered)
    void (*ran)(void* context, const Timeline& timeline) = nullptr;  // told after each frame run; none: nobody
    void* ranContext = nullptr;          // what it is given
};

// Who watches the last frames of a seek: told after each of the `span` frames
// before the target, and after the target itself, as the world stands then.
// A viewer's trails are made so.
struct FrameWatch {
    void (*seen)(void* context, const Timeline& timeline) = nullptr;  // none: nobody watches
    void* context = nullptr;                                           // the watcher's own record
    int64_t span = 0;                                                  // frames watched before the target
};

// Starts the program (display, shooters, pages) and reserves the snapshots.
// A cap too small for one snapshot keeps none: every step back starts again
// (from the recent ones, when they have room).
void openTimeline(Timeline& timeline, int64_t memoryCap = SNAPSHOT_MEMORY, const world::WorldMaker& maker = {});
void closeTimeline(Timeline& timeline);
// The world set up anew as the maker says, at frame 0 with its snapshots gone;
// the display stays open.
void remakeTimeline(Timeline& timeline, const world::WorldMaker& maker);
// Runs the world one frame on: drawn onto the visible page when `shown`, else
// the simulation alone. The ship, when there is one, makes the recording's
// move for that frame.
void stepTimeline(Timeline& timeline, bool shown);
// The recording's move for frame `frame` (1 and up): MOVE_NONE past its end.
int32_t moveOf(const Timeline& timeline, int64_t frame);
// The recording as `moves` now says, the same as before up to frame `frame`
// (frames run): the snapshots taken after it go, since the frames after it
// may run otherwise. A world that stands past that frame goes back to frame
// 0, for the caller to go to the frame it shows.
void recordingChanged(Timeline& timeline, const uint8_t* moves, int64_t count, int64_t frame);
// A ship for a world whose maker gives none (a steered one), standing at its
// start from frame 1: the world is set up again, at frame 0, for the caller
// to go back to the frame it showed.
void giveShip(Timeline& timeline);
// How much of a long way one call runs: at most `frames` frames, and only
// while `more` (asked after each frame, when given) says there is time for
// another; at least one frame, so a way always ends.
inline constexpr int64_t NO_BUDGET = INT64_MAX;
struct Budget {
    int64_t frames = NO_BUDGET;
    bool (*more)(void* context) = nullptr;
    void* context = nullptr;
};

// Frame `target` (1 or more) on the visible page: the one way to go to a
// frame, forward or back. When the world already stands within the watched
// frames before the target it goes on from there; otherwise it goes on from
// the nearest snapshot before them. A long way is run in parts: with a budget,
// what it allows of the frames before the watched ones run in one call, and it
// returns false while the world is still on its way (called again, it goes on
// from there).
bool seekTimeline(Timeline& timeline, int64_t target, const FrameWatch& watch = {}, const Budget& budget = {});

}  // namespace timeline
