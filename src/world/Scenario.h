// The demonstration's fixed choreography: five movement steps and nine firing
// steps for each of the four shooters, the same for all but the phase angle.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace world {

inline constexpr int32_t SHOOTER_COUNT = 4;
// Frames the choreography is studied over (the page's slider, the long tests):
// four and a half minutes, two whole passes of the movement program and the
// first frames of a third.
inline constexpr int32_t STUDY_FRAMES = 16'200;

// Appends the steps to freshly constructed shooters, shooter i a quarter turn
// (90 x i degrees) on from shooter 0. Rewinding the programs is the caller's.
void setUpScenario(actor::Shooter* shooters);

}  // namespace world
