// A shooter's life: construction with one default step in each program, the
// per-frame update that ties the gun to the body, and destruction.
#pragma once

#include "actor/Shooter.h"
#include "collections/ProgramWalk.h"

namespace shooter {

using actor::Shooter;

// Gives the storage its defaults: the firing side first (turret block, bullet
// store, sweepWrap and the default firing step), then the moving side
// (emitter block, moveLinear and the default movement step).
void constructShooter(Shooter& shooter);
// Releases the movement program, the bullet store and the firing program.
void destroyShooter(Shooter& shooter);
// One frame of an active shooter, after its movement program has run: move the
// body, put the gun on it, run the firing program, fire and move the bullets.
// turretReadOut takes what the firing program's read-out shows after it.
// dropped, if given, takes how many bullets of its volley found no free slot.
void updateShooter(Shooter& shooter, collections::ReadOut& turretReadOut, int32_t* dropped = nullptr);
void updateShooter(Shooter& shooter);

}  // namespace shooter
