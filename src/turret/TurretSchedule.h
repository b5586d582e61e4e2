// The firing program: built by appending steps, rewound once, then stepped
// once per frame, loading each step into the turret block when the one before
// it runs out. It says where it stands (the turret read-out) and draws nothing.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"
#include "collections/ProgramWalk.h"

namespace turret {

using actor::TurretStep;
using collections::ReadOut;

void addTurretStep(actor::Shooter& shooter, const TurretStep& step);
void resetTurretSchedule(actor::Shooter& shooter);
// One frame of the firing program. x and y, whole pixels or NOT_GIVEN, replace
// the origin of a step loaded in this call. Returns -1 when a step was loaded.
// readOut takes what the turret read-out shows after this frame.
int32_t runTurretSchedule(actor::Shooter& shooter, int32_t x, int32_t y, ReadOut& readOut);
int32_t runTurretSchedule(actor::Shooter& shooter, int32_t x, int32_t y);
// Copies every field into the turret block, except that a null origin or
// target reference keeps the block's own.
void loadTurretStep(actor::Shooter& shooter, const TurretStep& step);
// sweepBounce for kind 1, sweepWrap for anything else.
void selectTurretBehaviour(actor::Shooter& shooter, int32_t kind);

}  // namespace turret
