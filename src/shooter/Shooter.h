// One actor of the demonstration: a gun (turret block, bullet store, firing
// program) on a moving body (emitter block, movement program). Every
// subsystem of the simulation works on this record.
#pragma once

#include <cstdint>

#include "bullets/Bullet.h"
#include "collections/RecordList.h"
#include "shooter/EmitterStep.h"
#include "turret/TurretStep.h"

namespace shooter {

inline constexpr int32_t BULLET_CAPACITY = 256;  // slots in every shooter's store

// Passed for an optional whole-pixel coordinate: leaves that coordinate as it is.
inline constexpr int32_t NOT_GIVEN = INT32_MIN;

struct Shooter;
using ShooterBehaviour = void (*)(Shooter&);

struct Shooter {
    int32_t turretListIndex = 0;                              // firing steps loaded since the last wrap
    turret::TurretStep turret{};                              // firing step in force, and its running state
    bullets::Bullet* bullets = nullptr;                       // owned store of BULLET_CAPACITY slots
    collections::RecordList<turret::TurretStep> turretSteps{};  // firing program
    ShooterBehaviour turretBehaviour = nullptr;               // sweep in force: sweepWrap or sweepBounce
    int32_t emitterListIndex = 0;                             // movement steps loaded since the last wrap
    EmitterStep emitter{};                                    // movement step in force; x, y is the body
    collections::RecordList<EmitterStep> emitterSteps{};      // movement program
    ShooterBehaviour emitterMove = nullptr;                   // movement mode in force
};

// How many slots, from slot 0, firing, motion and drawing may touch. A step
// asks for turret.bulletCount; the store has BULLET_CAPACITY, and no scan goes
// beyond it whatever the step says.
inline int32_t usedSlots(const Shooter& shooter) {
    if (!shooter.bullets) return 0;
    const int32_t count = shooter.turret.bulletCount;
    return count < 0 ? 0 : count > BULLET_CAPACITY ? BULLET_CAPACITY : count;
}

// A free slot takes the turret's tag set when its key differs from the slot's.
inline void takeTurretTags(bullets::Bullet& slot, const turret::TurretStep& gun) {
    if (slot.tagKey == gun.bulletTagKey) return;
    slot.tagKey = gun.bulletTagKey;
    slot.tagA = gun.bulletTagA;
    slot.tagB = gun.bulletTagB;
    slot.tagC = gun.bulletTagC;
}

// A copy of the bullet at an index; outside the store, a default bullet.
inline bullets::Bullet bulletAt(const Shooter& shooter, int32_t index) {
    if (!shooter.bullets || index < 0 || index >= BULLET_CAPACITY) return bullets::Bullet{};
    return shooter.bullets[index];
}

}  // namespace shooter
