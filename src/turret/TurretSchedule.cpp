// The firing program's schedule and read-out.
#include "turret/TurretSchedule.h"

#include "kinds/Kinds.h"
#include "turret/TurretFiring.h"

namespace turret {

void addTurretStep(actor::Shooter& s, const TurretStep& step) { collections::appendRecord(s.turretSteps, step); }

void resetTurretSchedule(actor::Shooter& s) { collections::rewindList(s.turretSteps); }

int32_t runTurretSchedule(actor::Shooter& s, int32_t x, int32_t y) {
    ReadOut unused;
    return runTurretSchedule(s, x, y, unused);
}

int32_t runTurretSchedule(actor::Shooter& s, int32_t x, int32_t y, ReadOut& readOut) {
    const TurretStep* next = collections::stepProgram(s.turretSteps, s.turretListIndex, s.turret.duration, readOut);
    if (!next) return 0;
    loadTurretStep(s, *next);
    selectTurretBehaviour(s, s.turret.sweepKind);
    if (x != actor::NOT_GIVEN) s.turret.originX = static_cast<float>(x);
    if (y != actor::NOT_GIVEN) s.turret.originY = static_cast<float>(y);
    return -1;
}

void loadTurretStep(actor::Shooter& s, const TurretStep& step) {
    const float* originRef = s.turret.originRef;
    const float* targetRef = s.turret.targetRef;
    s.turret = step;
    if (!step.originRef) s.turret.originRef = originRef;
    if (!step.targetRef) s.turret.targetRef = targetRef;
}

void selectTurretBehaviour(actor::Shooter& s, int32_t kind) {
    s.turretBehaviour = kind == kinds::SWEEP_BOUNCE ? sweepBounce : sweepWrap;
}

}  // namespace turret
