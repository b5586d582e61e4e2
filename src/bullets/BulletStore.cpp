// Store-level walks: motion, retirement and the tag refresh of free slots.
#include "bullets/BulletStore.h"

#include "bullets/BulletMotion.h"

namespace bullets {

namespace {

constexpr int32_t PREFETCH_AHEAD = 6;  // slots

bool outsidePlayArea(const Bullet& b) {
    return b.x < PLAY_LEFT || b.x > PLAY_RIGHT || b.y < PLAY_TOP || b.y > PLAY_BOTTOM;
}

// One walk of the store; a bullet retired on the way stays as it is until the
// next frame.
template <bool RETAG>
void walkStore(BulletStore& store) {
    const int32_t slots = store.slots ? store.slotCount : 0;
    for (int32_t i = 0; i < slots; ++i) {
        Bullet& bullet = store.slots[i];
        // The walk is memory-bound in large worlds: ask for slots ahead early.
        if (i + PREFETCH_AHEAD < slots) __builtin_prefetch(&store.slots[i + PREFETCH_AHEAD], 1);
        if (!bullet.alive) {
            if (RETAG) takeTags(bullet, store.tags);
            continue;
        }
        moveBullet(bullet, store.targetX, store.targetY, store.homingSpeed);
        if (outsidePlayArea(bullet)) {
            bullet.alive = 0;
            bullet.age = 0;
            bullet.haltAt = -1;
        }
    }
}

}  // namespace

void takeTags(Bullet& slot, const TagSet& tags) {
    if (slot.tagKey == tags.key) return;
    slot.tagKey = tags.key;
    slot.tagA = tags.a;
    slot.tagB = tags.b;
    slot.tagC = tags.c;
}

void moveStore(BulletStore& store) { walkStore<false>(store); }

void moveStoreAndRetagFreeSlots(BulletStore& store) { walkStore<true>(store); }

}  // namespace bullets
