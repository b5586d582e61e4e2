// Bullet motion, of one bullet and of a whole store. Each float field is
// computed in double from the float fields and the double constants and
// rounded once when stored. The store's walk lives here beside the bullet's
// step so that the step is compiled into the walk: the walk is the hottest
// loop of the simulation.
#include "bullets/BulletMotion.h"
#include "bullets/BulletStore.h"

#include <cmath>

#include "kinds/Kinds.h"
#include "numerics/Numerics.h"

namespace bullets {

namespace {

constexpr double DRAG = 0.0042;            // motion 1: share of velocity lost per frame
constexpr double SPEED_LIMIT_SQUARED = 1.0;  // motion 2: damped while vx² + vy² is above
constexpr double DAMPING = 0.968;          // motion 2: velocity factor in a damped frame
constexpr double BOOST_AT_RESUME = 0.5;    // motion 1: boost factor when a halt ends
constexpr int32_t RESUME_MULTIPLE = 3;     // a halted bullet resumes at three times its halt age

using numerics::rounded;

// Returns false for a motion mode that does not exist: such a bullet only ages.
bool integrate(Bullet& b) {
    switch (b.motion) {
        case kinds::MOTION_ACCELERATED:
            b.vx += b.ax;
            b.vy += b.ay;
            break;
        case kinds::MOTION_DRAG:  // boosted
            b.boostX += b.ax;
            b.boostY += b.ay;
            b.vx += b.boostX;
            b.vy += b.boostY;
            b.vx = rounded(b.vx - DRAG * b.vx);
            b.vy = rounded(b.vy - DRAG * b.vy);
            break;
        case kinds::MOTION_DAMPED: {  // above unit speed
            b.vx += b.ax;
            b.vy += b.ay;
            const double vx = b.vx, vy = b.vy;
            if (vx * vx + vy * vy > SPEED_LIMIT_SQUARED) {
                b.vx = rounded(DAMPING * vx);
                b.vy = rounded(DAMPING * vy);
            }
            break;
        }
        case kinds::MOTION_HOMING:  // straight; homes in once when its halt ends
            break;
        default:
            return false;
    }
    b.x += b.vx;
    b.y += b.vy;
    return true;
}

void resume(Bullet& b, float targetX, float targetY, float homingSpeed) {
    switch (b.motion) {
        case kinds::MOTION_DRAG:
            b.vx = 0.0f;
            b.vy = 0.0f;
            b.boostX = rounded(BOOST_AT_RESUME * b.boostX);
            b.boostY = rounded(BOOST_AT_RESUME * b.boostY);
            break;
        case kinds::MOTION_HOMING: {
            const float theta = rounded(std::atan2(double{targetY} - b.y, double{targetX} - b.x));
            b.vx = rounded(std::cos(double{theta}) * homingSpeed);
            b.vy = rounded(std::sin(double{theta}) * homingSpeed);
            break;
        }
        default:  // modes 0 and 2 take up their saved velocity
            b.vx = b.heldVx;
            b.vy = b.heldVy;
            break;
    }
}

// The step itself, compiled into the store's walk by every compiler (one of
// them would otherwise call it, at twice the cost).
[[gnu::always_inline]] inline void stepBullet(Bullet& bullet, float targetX, float targetY, float homingSpeed) {
    bullet.age = numerics::wrapAdd(bullet.age, 1);
    if (!integrate(bullet)) return;
    // The velocity set here takes effect from the next frame.
    const int32_t resumeAt = numerics::wrapMul(RESUME_MULTIPLE, bullet.haltAt);
    if (bullet.age == bullet.haltAt) {
        bullet.heldVx = bullet.vx;
        bullet.heldVy = bullet.vy;
        bullet.vx = 0.0f;
        bullet.vy = 0.0f;
    }
    if (bullet.haltAt < bullet.age && bullet.age < resumeAt) {
        bullet.vx = 0.0f;
        bullet.vy = 0.0f;
    }
    if (bullet.age == resumeAt) resume(bullet, targetX, targetY, homingSpeed);
}

}  // namespace

void moveBullet(Bullet& bullet, float targetX, float targetY, float homingSpeed) {
    stepBullet(bullet, targetX, targetY, homingSpeed);
}

namespace {

constexpr int32_t PREFETCH_AHEAD = 32;  // slots: some 2.7 KB, most of a memory latency ahead at 3 ns a slot

// All four comparisons, without a branch between them: which side a bullet
// leaves by is unpredictable, whether it leaves at all is not.
bool outsidePlayArea(const Bullet& b) {
    return (b.x < PLAY_LEFT) | (b.x > PLAY_RIGHT) | (b.y < PLAY_TOP) | (b.y > PLAY_BOTTOM);
}

// One walk of the store; a bullet retired on the way stays as it is until the
// next frame. One body serves both walks (the step compiled into it is large):
// whether free slots take the tags is a branch that goes the same way all along.
void walkStore(BulletStore& store, bool retag) {
    const int32_t slots = store.slots ? store.slotCount : 0;
    for (int32_t i = 0; i < slots; ++i) {
        Bullet& bullet = store.slots[i];
        // The walk is memory-bound in large worlds: ask for slots ahead early.
        if (i + PREFETCH_AHEAD < slots) __builtin_prefetch(&store.slots[i + PREFETCH_AHEAD], 1);
        if (!bullet.alive) {
            if (retag) takeTags(bullet, store.tags);
            continue;
        }
        stepBullet(bullet, store.targetX, store.targetY, store.homingSpeed);
        if (outsidePlayArea(bullet)) retireBullet(bullet);
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

void moveStore(BulletStore& store) { walkStore(store, false); }

void moveStoreAndRetagFreeSlots(BulletStore& store) { walkStore(store, true); }

}  // namespace bullets
