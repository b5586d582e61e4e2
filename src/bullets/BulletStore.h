// A store of bullet slots as firing and motion see it: the slots in use, the
// point homing bullets turn to, and the tag set that free slots take.
#pragma once

#include <cstdint>

#include "bullets/Bullet.h"

namespace bullets {

// The tags a free slot takes from its turret, with the key that tells whether
// it has them already.
struct TagSet {
    int32_t key = 0;  // a slot whose tagKey differs takes the whole set
    int32_t a = 1;    // tag
    int32_t b = 0;    // tag
    int32_t c = 0;    // tag
};

struct BulletStore {
    Bullet* slots = nullptr;   // first slot; none: an empty store
    int32_t slotCount = 0;     // slots in use from slot 0, never more than the store has
    float targetX = 0.0f;      // homing point, pixels
    float targetY = 0.0f;      // as targetX
    float homingSpeed = 0.0f;  // pixels per frame of a homing bullet when its halt ends
    TagSet tags{};             // what free slots take
};

// A free slot takes the tag set when its key differs from the slot's.
void takeTags(Bullet& slot, const TagSet& tags);

// Moves every live bullet of the store and frees those that left the play area.
void moveStore(BulletStore& store);

// The same, and every slot that is free when the walk reaches it takes the
// store's tag set: the tag refresh and motion in one walk.
void moveStoreAndRetagFreeSlots(BulletStore& store);

}  // namespace bullets
