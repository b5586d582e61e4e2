// A shooter's life: construction with one default step in each program, the
// per-frame update that ties the gun to the body, and destruction.
#pragma once

#include "actor/Shooter.h"
#include "collections/ProgramWalk.h"
#include "turret/TurretFiring.h"

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
// What the firing step in force asks beyond its record (loaded: it was
// loaded this frame); the caller's, who holds it beside the step.
// It may set the gun's fields for the frame's shot, as the step's values worked out at each shot.
using CarryOf = const turret::Carry& (*)(void* context, Shooter& shooter, int32_t loaded);
// The same, the gun as the carry asks: an angle kept through the load, an
// aim's offset, a centred fan.
// loopAtOnce: past its last step the firing program takes its first in the same frame.
void updateShooter(Shooter& shooter, collections::ReadOut& turretReadOut, int32_t* dropped, CarryOf carryOf,
                   void* context, bool loopAtOnce);

}  // namespace shooter
