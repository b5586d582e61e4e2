// The firing program: built by appending steps, rewound once, then stepped
// once per frame, loading each step into the turret block when the one before
// it runs out and printing the turret read-out.
#pragma once

#include <cstdint>

#include "turret/TurretStep.h"

namespace shooter {
struct Shooter;
}

namespace turret {

void addTurretStep(shooter::Shooter& shooter, const TurretStep& step);
void resetTurretSchedule(shooter::Shooter& shooter);
// One frame of the firing program. x and y, whole pixels or NOT_GIVEN, replace
// the origin of a step loaded in this call. Returns -1 when a step was loaded.
int32_t runTurretSchedule(shooter::Shooter& shooter, int32_t x, int32_t y);
// Copies every field into the turret block, except that a null origin or
// target reference keeps the block's own.
void loadTurretStep(shooter::Shooter& shooter, const TurretStep& step);
// sweepBounce for kind 1, sweepWrap for anything else.
void selectTurretBehaviour(shooter::Shooter& shooter, int32_t kind);

}  // namespace turret
