// The movement program's schedule and read-out.
#include "shooter/EmitterSchedule.h"

#include "collections/ProgramWalk.h"
#include "display/Display.h"
#include "shooter/MoveModes.h"

namespace shooter {

namespace {

constexpr int32_t READ_OUT_ROW = 6;  // the countdown; the list index goes below it

void showReadOut(int32_t countdown, int32_t listIndex) {
    display::LocateText(READ_OUT_ROW, 1);
    display::PrintText("emitter time ");
    display::PrintInteger(countdown, true);
    display::PrintText("emitter listindex ");
    display::PrintInteger(listIndex, true);
}

}  // namespace

void addEmitterStep(Shooter& s, const EmitterStep& step) { collections::appendRecord(s.emitterSteps, step); }

void resetEmitterSchedule(Shooter& s) { collections::rewindList(s.emitterSteps); }

int32_t runEmitterSchedule(Shooter& s, int32_t x, int32_t y) {
    const EmitterStep* next =
        collections::stepProgram(s.emitterSteps, s.emitterListIndex, s.emitter.duration, showReadOut);
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
