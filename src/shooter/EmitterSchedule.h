// The movement program: built by appending steps, rewound once, then stepped
// once per frame, loading each step into the emitter block when the one before
// it runs out. It says where it stands (the emitter read-out) and draws nothing.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"
#include "collections/ProgramWalk.h"

namespace shooter {

using actor::EmitterStep;
using actor::Shooter;
using collections::ReadOut;

void addEmitterStep(Shooter& shooter, const EmitterStep& step);
void resetEmitterSchedule(Shooter& shooter);
// One frame of the movement program. x and y, whole pixels or NOT_GIVEN,
// replace the position of a step loaded in this call. Returns -1 when a step
// was loaded. readOut takes what the emitter read-out shows after this frame.
int32_t runEmitterSchedule(Shooter& shooter, int32_t x, int32_t y, ReadOut& readOut);
int32_t runEmitterSchedule(Shooter& shooter, int32_t x, int32_t y);
void loadEmitterStep(Shooter& shooter, const EmitterStep& step);
// Sets emitterMove from emitter.moveMode.
void selectMoveMode(Shooter& shooter);

}  // namespace shooter
