// The firing program's schedule and read-out.
#include "turret/TurretSchedule.h"

#include "collections/ProgramWalk.h"
#include "display/Display.h"
#include "shooter/Shooter.h"
#include "turret/TurretFiring.h"

namespace turret {

namespace {

constexpr int32_t READ_OUT_ROW = 2;  // the countdown; the list index goes below it

}  // namespace

void addTurretStep(shooter::Shooter& s, const TurretStep& step) { collections::appendRecord(s.turretSteps, step); }

void resetTurretSchedule(shooter::Shooter& s) { collections::rewindList(s.turretSteps); }

int32_t runTurretSchedule(shooter::Shooter& s, int32_t x, int32_t y) {
    TurretStep* step = collections::countDownCurrentStep(s.turretSteps, s.turretListIndex);
    if (!step) return 0;
    display::LocateText(READ_OUT_ROW, 1);
    display::PrintText("turret time ");
    display::PrintInteger(step->duration, true);
    display::PrintText("turret listindex ");
    display::PrintInteger(s.turretListIndex, true);
    const TurretStep* next = collections::nextStepOnExpiry(s.turretSteps, *step, s.turret.duration, s.turretListIndex);
    if (!next) return 0;
    loadTurretStep(s, *next);
    selectTurretBehaviour(s, s.turret.sweepKind);
    if (x != shooter::NOT_GIVEN) s.turret.originX = static_cast<float>(x);
    if (y != shooter::NOT_GIVEN) s.turret.originY = static_cast<float>(y);
    return -1;
}

void loadTurretStep(shooter::Shooter& s, const TurretStep& step) {
    const float* originRef = s.turret.originRef;
    const float* targetRef = s.turret.targetRef;
    s.turret = step;
    if (!step.originRef) s.turret.originRef = originRef;
    if (!step.targetRef) s.turret.targetRef = targetRef;
}

void selectTurretBehaviour(shooter::Shooter& s, int32_t kind) {
    s.turretBehaviour = kind == 1 ? sweepBounce : sweepWrap;
}

}  // namespace turret
