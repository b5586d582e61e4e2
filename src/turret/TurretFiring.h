// The turret's per-frame work: follow origin and target, count down to the next
// shot, turn the base angle at each burst, launch volleys into free slots, and
// move the shooter's bullets.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace turret {

// loaded: non-zero when the schedule loaded a new step in this same frame;
// free slots are then not retagged.
void fireTurret(actor::Shooter& shooter, int32_t loaded);

// The two sweep behaviours, called at the opening shot of a burst.
void sweepWrap(actor::Shooter& shooter);
void sweepBounce(actor::Shooter& shooter);

// Launches one shot's volley in the layout the turret block asks for.
void launchVolley(actor::Shooter& shooter);

}  // namespace turret
