// The turret's per-frame work: follow origin and target, count down to the next
// shot, turn the base angle at each burst, launch volleys into free slots, and
// move the shooter's bullets.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace turret {

// What a pattern's firing step may ask beyond its record, held beside the
// step, never in it: each is off when 0, and then the gun is exactly as its
// record says.
struct Carry {
    int32_t keepAngle = 0;  // flag: loading the step leaves the angle where the last one left it
    int32_t aimOffset = 0;  // degrees added to each aimed angle
    int32_t centred = 0;    // flag: a fan of an odd number of bullets is centred on its angle
};

// loaded: non-zero when the schedule loaded a new step in this same frame;
// free slots are then not retagged. dropped, if given, takes how many
// bullets of this frame's volley found no free slot (0 when none fired).
// carry: what the step asks beyond its record (its keepAngle is the caller's, at the load).
void fireTurret(actor::Shooter& shooter, int32_t loaded, int32_t* dropped = nullptr, const Carry& carry = Carry{});

// The two sweep behaviours, called at the opening shot of a burst.
void sweepWrap(actor::Shooter& shooter);
void sweepBounce(actor::Shooter& shooter);

// Launches one shot's volley in the layout the turret block asks for.
void launchVolley(actor::Shooter& shooter);

}  // namespace turret
