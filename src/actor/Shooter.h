// One actor of the demonstration: a gun (turret block, bullet store, firing
// program) on a moving body (emitter block, movement program). The turret and
// shooter layers above work on this record; the bullets layer below sees only
// the store it lends them.
#pragma once

#include <cstdint>

#include "actor/EmitterStep.h"
#include "actor/TurretStep.h"
#include "bullets/BulletStore.h"
#include "collections/RecordList.h"

namespace actor {

inline constexpr int32_t BULLET_CAPACITY = 256;  // slots in every shooter's store

// Passed for an optional whole-pixel coordinate: leaves that coordinate as it is.
inline constexpr int32_t NOT_GIVEN = INT32_MIN;

struct Shooter;
using ShooterBehaviour = void (*)(Shooter&);

struct Shooter {
    int32_t turretListIndex = 0;                       // firing steps loaded since the last wrap
    TurretStep turret{};                               // firing step in force, and its running state
    bullets::Bullet* bullets = nullptr;                // owned store of BULLET_CAPACITY slots
    collections::RecordList<TurretStep> turretSteps{};   // firing program
    ShooterBehaviour turretBehaviour = nullptr;        // sweep in force: sweepWrap or sweepBounce
    int32_t emitterListIndex = 0;                      // movement steps loaded since the last wrap
    EmitterStep emitter{};                             // movement step in force; x, y is the body
    collections::RecordList<EmitterStep> emitterSteps{};  // movement program
    ShooterBehaviour emitterMove = nullptr;            // movement mode in force
};

// How many slots, from slot 0, firing, motion and drawing may touch. A step
// asks for turret.bulletCount; the store has BULLET_CAPACITY, and no scan goes
// beyond it whatever the step says.
inline int32_t usedSlots(const Shooter& shooter) {
    if (!shooter.bullets) return 0;
    const int32_t count = shooter.turret.bulletCount;
    return count < 0 ? 0 : count > BULLET_CAPACITY ? BULLET_CAPACITY : count;
}

// The live bullets of the slots in use: those that are moved, drawn and
// traced (a bullet left past a lowered bulletCount is none of these).
inline int32_t liveBullets(const Shooter& shooter) {
    int32_t live = 0;
    for (int32_t j = 0, slots = usedSlots(shooter); j < slots; ++j) live += shooter.bullets[j].alive != 0;
    return live;
}

// The tag set the turret gives its free slots.
inline bullets::TagSet turretTags(const TurretStep& gun) {
    return {gun.bulletTagKey, gun.bulletTagA, gun.bulletTagB, gun.bulletTagC};
}

// The shooter's store as the bullets layer sees it: the used slots, with the
// turret's target, homing speed and tags.
inline bullets::BulletStore bulletStore(Shooter& shooter) {
    const TurretStep& gun = shooter.turret;
    return {shooter.bullets, usedSlots(shooter), gun.targetX, gun.targetY, gun.speed, turretTags(gun)};
}

// A free slot, for a read outside the store.
inline constexpr bullets::Bullet NO_BULLET{};

// The bullet at an index, read in place (drawing reads hundreds a frame);
// outside the store, a free slot.
inline const bullets::Bullet& bulletAt(const Shooter& shooter, int32_t index) {
    if (!shooter.bullets || index < 0 || index >= BULLET_CAPACITY) return NO_BULLET;
    return shooter.bullets[index];
}

// Moves every live bullet of the shooter's used slots and frees those that left
// the play area.
inline void moveBullets(Shooter& shooter) {
    bullets::BulletStore store = bulletStore(shooter);
    bullets::moveStore(store);
}

}  // namespace actor
