// The turret's per-frame work: follow origin and target, count down to the next
// shot, turn the base angle at each burst, launch volleys into free slots, and
// move the shooter's bullets.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace turret {

// loaded: non-zero when the schedule loaded a new step in this same frame;
// free slots are then not retagged. dropped, if given, takes how many
// bullets of this frame's volley found no free slot (0 when none fired).
void fireTurret(actor::Shooter& shooter, int32_t loaded, int32_t* dropped = nullptr);

// The two sweep behaviours, called at the opening shot of a burst.
void sweepWrap(actor::Shooter& shooter);
void sweepBounce(actor::Shooter& shooter);

// Launches one shot's volley in the layout the turret block asks for.
void launchVolley(actor::Shooter& shooter);

}  // namespace turret
