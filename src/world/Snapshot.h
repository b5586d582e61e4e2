// A whole world held as bytes: every shooter with its turret and emitter
// blocks, its bullet store, and where each of its programs stands (its
// cursor, and the countdown of every stored step: nothing else in a program
// changes after set-up). Its size is the world's: snapshotBytes says how many
// bytes a world takes, whatever its shooters and programs. A snapshot holds
// no address inside the world it was taken from: a reference inside a
// shooter is kept as the place it points to (a shooter's record or store, by
// index and offset), so the snapshot restores into that world or into any
// other set up the same way, and its references then point into that world.
#pragma once

#include <cstddef>
#include <cstdint>

#include "actor/Shooter.h"
#include "world/World.h"

namespace world {

enum class PlaceKind : int32_t {
    None = 0,     // no reference
    Outside = 1,  // memory outside the world: kept as the address
    Shooter = 2,  // inside a shooter's record
    Store = 3,    // inside a shooter's bullet store
    Point = 4,    // inside the world's fixed points
    Ship = 5,     // inside the world's ship
};

struct Place {
    PlaceKind kind = PlaceKind::None;
    int32_t shooter = 0;             // index of the shooter whose record or store holds it
    int32_t offset = 0;              // bytes from the start of that record, store or the points
    const float* outside = nullptr;  // the address, for memory outside the world
};

// Bytes a snapshot of the world takes.
size_t snapshotBytes(const World& world);
// Writes the world, after `frame` frames, into `room` bytes at `bytes` (8-byte
// aligned); false, and holding nothing, when they are too few.
bool takeSnapshot(void* bytes, size_t room, const World& world, int64_t frame);
// The frames the world held had run; -1: the bytes hold no snapshot.
int64_t snapshotFrame(const void* bytes);
// Puts the world back as it was. Returns false, and leaves the world as it
// is, when the world is not set up like the one the snapshot was taken of.
bool restoreSnapshot(const void* bytes, World& world);
// Whether `size` bytes from elsewhere (a file, another program) are a
// snapshot that restores into the world without pointing outside it: every
// place inside the world, every behaviour one the engine knows, every
// cursor on a step, the ship on the screen with speeds it can take. What the
// simulation takes of any value (angles, counts, positions) it is not asked.
bool soundSnapshot(const void* bytes, size_t size, const World& world);

}  // namespace world
