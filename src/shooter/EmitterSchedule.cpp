// The movement program's schedule and read-out.
#include "shooter/EmitterSchedule.h"

#include "shooter/MoveModes.h"

namespace shooter {

void addEmitterStep(Shooter& s, const EmitterStep& step) { collections::appendRecord(s.emitterSteps, step); }

void resetEmitterSchedule(Shooter& s) { collections::rewindList(s.emitterSteps); }

int32_t runEmitterSchedule(Shooter& s, int32_t x, int32_t y) {
    ReadOut unused;
    return runEmitterSchedule(s, x, y, unused);
}

int32_t runEmitterSchedule(Shooter& s, int32_t x, int32_t y, ReadOut& readOut) {
    const EmitterStep* next =
        collections::stepProgram(s.emitterSteps, s.emitterListIndex, s.emitter.duration, readOut);
    if (!next) return 0;
    loadEmitterStep(s, *next);
    selectMoveMode(s);
    if (x != actor::NOT_GIVEN) s.emitter.x = static_cast<float>(x);
    if (y != actor::NOT_GIVEN) s.emitter.y = static_cast<float>(y);
    return -1;
}

void loadEmitterStep(Shooter& s, const EmitterStep& step) { s.emitter = step; }

void selectMoveMode(Shooter& s) { s.emitterMove = moveModeFor(s.emitter.moveMode); }

}  // namespace shooter
