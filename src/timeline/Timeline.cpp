// Snapshots kept as the world first runs, and seeking by them.
#include "timeline/Timeline.h"

#include <cstdlib>
#include <cstring>

#include "display/Display.h"
#include "shell/Picture.h"
#include "shell/Program.h"

namespace timeline {

namespace {

uint8_t* slot(const Timeline& t, int32_t k) { return t.pool + static_cast<size_t>(k) * t.slotBytes; }
uint8_t* recentSlot(const Timeline& t, int32_t k) { return t.recent + static_cast<size_t>(k) * t.slotBytes; }

// Keeps a snapshot of the world when it stands on the next frame due one, and
// a recent one every RECENT_SPACING frames.
void keepSnapshot(Timeline& t) {
    if (t.recentCapacity > 0 && t.frame % RECENT_SPACING == 0) {
        const auto k = static_cast<int32_t>((t.frame / RECENT_SPACING) % t.recentCapacity);
        t.recentFrames[k] = takeSnapshot(recentSlot(t, k), t.slotBytes, t.world, t.frame) ? t.frame : -1;
    }
    if (t.count == 0 || t.frame != t.count * t.spacing) return;
    if (t.count == t.capacity) {
        // Full: keep those at whole multiples of twice the spacing.
        for (int32_t k = 1; 2 * k < t.count; ++k) std::memcpy(slot(t, k), slot(t, 2 * k), t.slotBytes);
        t.count = (t.count + 1) / 2;
        t.spacing *= 2;
        if (t.frame != t.count * t.spacing) return;
    }
    if (takeSnapshot(slot(t, t.count), t.slotBytes, t.world, t.frame)) ++t.count;
}

// A ship on a world just set up, when one is steered and the maker gave none.
void shipOnNewWorld(Timeline& t) {
    if (t.withShip && !t.world.ship.present) t.world.ship.present = -1;
}

// The world just set up: frame 0, its snapshot the first one kept. The
// snapshots take as much room as this world needs, so the blocks hold as
// many as fit.
void startAtFrameZero(Timeline& t) {
    shipOnNewWorld(t);
    t.frame = 0;
    t.spacing = SNAPSHOT_SPACING;
    t.count = 0;
    t.slotBytes = (snapshotBytes(t.world) + 63) & ~size_t{63};
    const int64_t room = t.memoryCap / static_cast<int64_t>(t.slotBytes);
    t.capacity = t.pool ? static_cast<int32_t>(room < 0 ? 0 : room > 1 << 20 ? 1 << 20 : room) : 0;
    const int64_t recent = RECENT_MEMORY / static_cast<int64_t>(t.slotBytes);
    t.recentCapacity = t.recent ? static_cast<int32_t>(recent > MAX_RECENT ? MAX_RECENT : recent) : 0;
    for (int64_t& frame : t.recentFrames) frame = -1;
    if (t.capacity > 0 && takeSnapshot(slot(t, 0), t.slotBytes, t.world, 0)) t.count = 1;
}

// The world after `frames` frames, nothing drawn, running what the budget
// allows in this call. Returns whether it got there.
bool bringTo(Timeline& t, int64_t frames, const Budget& budget) {
    const int64_t goal = frames < 0 ? 0 : frames;
    // The nearest snapshot at or before the goal: kept all along, or recent.
    const uint8_t* nearest = nullptr;
    int64_t nearestFrame = -1;
    if (t.count > 0) {
        int64_t k = goal / t.spacing;
        if (k > t.count - 1) k = t.count - 1;
        nearest = slot(t, static_cast<int32_t>(k));
        nearestFrame = world::snapshotFrame(nearest);
    }
    for (int32_t k = 0; k < t.recentCapacity; ++k) {
        if (t.recentFrames[k] <= goal && t.recentFrames[k] > nearestFrame) {
            nearest = recentSlot(t, k);
            nearestFrame = t.recentFrames[k];
        }
    }
    // Going on from where the world stands is as good when it is past the snapshot.
    if (nearest && (t.frame > goal || t.frame < nearestFrame)) {
        if (restoreSnapshot(nearest, t.world)) t.frame = nearestFrame;
    }
    if (t.frame > goal) {
        // No snapshot to go back by (none kept, or a world too large to hold): start again.
        world::tearDownWorld(t.world);
        world::setUpWorld(t.world, t.maker);
        shipOnNewWorld(t);
        t.frame = 0;
    }
    for (int64_t ran = 0; t.frame < goal && ran < budget.frames; ++ran) {
        if (ran > 0 && budget.more && !budget.more(budget.context)) break;
        stepTimeline(t, false);
    }
    return t.frame == goal;
}

}  // namespace

int32_t moveOf(const Timeline& t, int64_t frame) {
    return frame >= 1 && frame <= t.moveCount ? t.moves[frame - 1] : world::MOVE_NONE;
}

void recordingChanged(Timeline& t, const uint8_t* moves, int64_t count, int64_t frame) {
    t.moves = moves;
    t.moveCount = moves && count > 0 ? count : 0;
    // The snapshots kept all along lie at whole multiples of the spacing.
    const int64_t keep = frame < 0 ? 1 : frame / t.spacing + 1;
    if (t.count > keep) t.count = static_cast<int32_t>(keep);
    for (int64_t& kept : t.recentFrames) {
        if (kept > frame) kept = -1;
    }
    if (t.frame > frame) {
        // The world ran frames that now run otherwise: back to the start.
        if (t.count > 0 && restoreSnapshot(slot(t, 0), t.world)) {
            t.frame = 0;
        } else {
            world::tearDownWorld(t.world);
            world::setUpWorld(t.world, t.maker);
            shipOnNewWorld(t);
            t.frame = 0;
        }
    }
}

void giveShip(Timeline& t) {
    t.withShip = -1;
    if (t.world.ship.present) return;
    world::tearDownWorld(t.world);
    world::setUpWorld(t.world, t.maker);
    startAtFrameZero(t);
}

void stepTimeline(Timeline& t, bool shown) {
    if (t.world.ship.present) t.world.ship.move = moveOf(t, t.frame + 1);
    world::stepWorld(t.world);
    if (shown) {
        shell::drawWorld(t.world);
        display::CopyWorkPage();
    }
    ++t.frame;
    keepSnapshot(t);
    if (t.ran) t.ran(t.ranContext, t);
}

void openTimeline(Timeline& t, int64_t memoryCap, const world::WorldMaker& maker) {
    t.maker = maker;
    shell::startUp(t.world, maker);
    // Reserved, not touched: only the snapshots taken become resident.
    t.memoryCap = memoryCap > 0 ? memoryCap : 0;
    t.pool = t.memoryCap > 0 ? static_cast<uint8_t*>(std::calloc(static_cast<size_t>(t.memoryCap), 1)) : nullptr;
    t.recent = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(RECENT_MEMORY), 1));
    startAtFrameZero(t);
}

void remakeTimeline(Timeline& t, const world::WorldMaker& maker) {
    world::tearDownWorld(t.world);
    t.maker = maker;
    world::setUpWorld(t.world, maker);
    startAtFrameZero(t);
}

void closeTimeline(Timeline& t) {
    std::free(t.pool);
    std::free(t.recent);
    t.pool = t.recent = nullptr;
    t.count = t.capacity = t.recentCapacity = 0;
    shell::shutDown(t.world);
}

bool seekTimeline(Timeline& t, int64_t target, const FrameWatch& watch, const Budget& budget) {
    if (target < 1) target = 1;
    const int64_t span = watch.span > 0 ? watch.span : 0;
    const int64_t start = target - 1 - span > 0 ? target - 1 - span : 0;
    const auto seen = [&] {
        if (watch.seen) watch.seen(watch.context, t);
    };
    if (t.frame < start || t.frame >= target) {
        if (!bringTo(t, start, budget)) return false;
        if (t.frame > 0) seen();
    }
    while (t.frame < target - 1) {
        stepTimeline(t, false);
        seen();
    }
    stepTimeline(t, true);
    seen();
    return true;
}

}  // namespace timeline
