// Snapshots kept as the world first runs, and seeking by them.
#include "timeline/Timeline.h"

#include <cstdlib>
#include <cstring>

#include "display/Display.h"
#include "shell/Picture.h"
#include "shell/Program.h"

namespace timeline {

namespace {

// Keeps a snapshot of the world when it stands on the next frame due one.
void keepSnapshot(Timeline& t) {
    if (t.count == 0 || t.frame != t.count * t.spacing) return;
    if (t.count == t.capacity) {
        // Full: keep those at whole multiples of twice the spacing. Copied as
        // bytes: a bullet's own copy leaves out its held velocity and boost.
        for (int32_t k = 1; 2 * k < t.count; ++k) {
            std::memcpy(static_cast<void*>(&t.snapshots[k]), &t.snapshots[2 * k], sizeof(Snapshot));
        }
        t.count = (t.count + 1) / 2;
        t.spacing *= 2;
        if (t.frame != t.count * t.spacing) return;
    }
    if (takeSnapshot(t.snapshots[t.count], t.world, t.frame)) ++t.count;
}

// The world just set up: frame 0, its snapshot the first one kept.
void startAtFrameZero(Timeline& t) {
    t.frame = 0;
    t.spacing = SNAPSHOT_SPACING;
    t.count = 0;
    if (t.snapshots && takeSnapshot(t.snapshots[0], t.world, 0)) t.count = 1;
}

// The world after `frames` frames, nothing drawn, running what the budget
// allows in this call. Returns whether it got there.
bool bringTo(Timeline& t, int64_t frames, const Budget& budget) {
    const int64_t goal = frames < 0 ? 0 : frames;
    if (t.count > 0) {
        int64_t k = goal / t.spacing;
        if (k > t.count - 1) k = t.count - 1;
        const Snapshot& nearest = t.snapshots[k];
        // Going on from where the world stands is as good when it is past the snapshot.
        if (t.frame > goal || t.frame < nearest.frame) {
            if (restoreSnapshot(nearest, t.world)) t.frame = nearest.frame;
        }
    }
    if (t.frame > goal) {
        // No snapshot to go back by (none kept, or a world too large to hold): start again.
        world::tearDownWorld(t.world);
        world::setUpWorld(t.world, t.maker);
        t.frame = 0;
    }
    for (int64_t ran = 0; t.frame < goal && ran < budget.frames; ++ran) {
        if (ran > 0 && budget.more && !budget.more(budget.context)) break;
        stepTimeline(t, false);
    }
    return t.frame == goal;
}

}  // namespace

void stepTimeline(Timeline& t, bool shown) {
    world::stepWorld(t.world);
    if (shown) {
        shell::drawWorld(t.world);
        display::CopyWorkPage();
    }
    ++t.frame;
    keepSnapshot(t);
}

void openTimeline(Timeline& t, int64_t memoryCap, const world::WorldMaker& maker) {
    t.maker = maker;
    shell::startUp(t.world, maker);
    const int64_t room = memoryCap / static_cast<int64_t>(sizeof(Snapshot));
    t.capacity = static_cast<int32_t>(room < 0 ? 0 : room > 1 << 20 ? 1 << 20 : room);
    // Reserved, not touched: only the snapshots taken become resident.
    t.snapshots = t.capacity > 0 ? static_cast<Snapshot*>(std::calloc(static_cast<size_t>(t.capacity), sizeof(Snapshot)))
                                 : nullptr;
    startAtFrameZero(t);
}

void remakeTimeline(Timeline& t, const world::WorldMaker& maker) {
    world::tearDownWorld(t.world);
    t.maker = maker;
    world::setUpWorld(t.world, maker);
    startAtFrameZero(t);
}

void closeTimeline(Timeline& t) {
    std::free(t.snapshots);
    t.snapshots = nullptr;
    t.count = t.capacity = 0;
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
