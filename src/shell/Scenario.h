// The demonstration's fixed choreography: five movement steps and nine firing
// steps for each of the four shooters, the same for all but the phase angle.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace shell {

inline constexpr int32_t SHOOTER_COUNT = 4;

// Appends the steps to freshly constructed shooters, shooter i a quarter turn
// (90 x i degrees) on from shooter 0. Rewinding the programs is the caller's.
void setUpScenario(actor::Shooter* shooters);

}  // namespace shell
