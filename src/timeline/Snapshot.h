// A whole world held as a value: every shooter with its turret and emitter
// blocks, its bullet store, and both step programs with their cursors and
// countdowns. A snapshot holds no address inside the world it was taken from:
// a reference inside a shooter is kept as the place it points to (a shooter's
// record or store, by index and offset), so the snapshot restores into that
// world or into any other set up the same way, and its references then point
// into that world.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"
#include "world/Scenario.h"
#include "world/World.h"

namespace timeline {

inline constexpr int32_t MAX_PROGRAM_STEPS = 32;  // stored steps a program may have to be held, head step included

enum class PlaceKind : int32_t {
    None = 0,     // no reference
    Outside = 1,  // memory outside the world: kept as the address
    Shooter = 2,  // inside a shooter's record
    Store = 3,    // inside a shooter's bullet store
    Point = 4,    // inside the world's fixed points
};

struct Place {
    PlaceKind kind = PlaceKind::None;
    int32_t shooter = 0;             // index of the shooter whose record or store holds it
    int32_t offset = 0;              // bytes from the start of that record, store or the points
    const float* outside = nullptr;  // the address, for memory outside the world
};

template <typename T>
struct ProgramCopy {
    int32_t steps = 0;                   // stored steps, in program order
    int32_t cursor = 0;                  // step the cursor is on; steps: the end marker; -1: no cursor
    T records[MAX_PROGRAM_STEPS] = {};   // the stored steps, countdowns as they stood
};

struct ShooterSnapshot {
    actor::Shooter shooter{};             // the record; its own pointers are not used on restore
    Place origin{};                       // where turret.originRef points
    Place target{};                       // where turret.targetRef points
    bullets::Bullet store[actor::BULLET_CAPACITY] = {};  // the bullet slots; empty if the shooter had none
    int32_t hasStore = 0;                 // flag: the shooter had a store
    ProgramCopy<actor::TurretStep> firing{};
    Place firingRefs[MAX_PROGRAM_STEPS][2] = {};  // origin and target reference of each stored firing step
    ProgramCopy<actor::EmitterStep> movement{};
};

struct Snapshot {
    int64_t frame = -1;  // frames the world had run; -1: holds nothing
    int32_t count = 0;   // shooters held
    int32_t points = 0;  // fixed points of the world it was taken of
    ShooterSnapshot shooters[world::SHOOTER_COUNT] = {};
};

// Returns false, and holds nothing, for a world it has no room for (more
// shooters, or longer programs, than a snapshot holds).
bool takeSnapshot(Snapshot& snapshot, const world::World& world, int64_t frame);
// Puts the world back as it was. Returns false, and leaves the world as it
// is, when the world is not set up like the one the snapshot was taken of.
bool restoreSnapshot(const Snapshot& snapshot, world::World& world);

}  // namespace timeline
