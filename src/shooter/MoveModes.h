// The seven ways a shooter's body moves in a frame, chosen by the movement
// step's moveMode (any value outside 0 to 6 moves linearly).
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace shooter {

using actor::Shooter;
using actor::ShooterBehaviour;

void moveLinear(Shooter& shooter);          // 0: drift by (vx, vy)
void moveWaveY(Shooter& shooter);           // 1: drift, swinging along y
void moveWaveX(Shooter& shooter);           // 2: drift, swinging along x
void moveRectifiedWaveY(Shooter& shooter);  // 3: drift, rectified swing along y
void moveRectifiedWaveX(Shooter& shooter);  // 4: drift, rectified swing along x
void moveCircle(Shooter& shooter);          // 5: drift plus a turning offset: runs round a circle
void moveOrbit(Shooter& shooter);           // 6: on a circle round a drifting centre

// The mode for a moveMode value.
ShooterBehaviour moveModeFor(int32_t moveMode);

}  // namespace shooter
