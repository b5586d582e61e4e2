// Shooter construction, destruction and update.
#include "shooter/Lifecycle.h"

#include "shooter/EmitterSchedule.h"
#include "shooter/MoveModes.h"
#include "turret/TurretFiring.h"
#include "kinds/Kinds.h"
#include "turret/TurretSchedule.h"

namespace shooter {

void constructShooter(Shooter& s) {
    // Firing side.
    s.turretListIndex = 0;
    s.turret = actor::TurretStep{};
    collections::initList(s.turretSteps);
    s.turretBehaviour = nullptr;
    s.turret.active = -1;
    s.turret.bulletCount = actor::BULLET_CAPACITY;
    s.turret.spreadKind = kinds::SPREAD_TURNING_FAN;
    s.turret.bulletTagKey = 1;
    s.bullets = new bullets::Bullet[actor::BULLET_CAPACITY];
    s.turretBehaviour = turret::sweepWrap;
    turret::addTurretStep(s, actor::TurretStep{});

    // Moving side.
    s.emitterListIndex = 0;
    s.emitter = actor::EmitterStep{};
    collections::initList(s.emitterSteps);
    s.emitterMove = nullptr;
    s.emitter.active = -1;
    s.emitterMove = moveLinear;
    addEmitterStep(s, actor::EmitterStep{});
}

void destroyShooter(Shooter& s) {
    collections::releaseList(s.emitterSteps);
    delete[] s.bullets;  // destroys the slots from the last to the first
    s.bullets = nullptr;
    collections::releaseList(s.turretSteps);
}

void updateShooter(Shooter& s) {
    collections::ReadOut unused;
    updateShooter(s, unused);
}

namespace {

// A gun that asks nothing beyond its record.
const turret::Carry& asRecorded(void*, Shooter&, int32_t) {
    static constexpr turret::Carry NOTHING{};
    return NOTHING;
}

}  // namespace

void updateShooter(Shooter& s, collections::ReadOut& turretReadOut, int32_t* dropped) {
    updateShooter(s, turretReadOut, dropped, asRecorded, nullptr, false);
}

void updateShooter(Shooter& s, collections::ReadOut& turretReadOut, int32_t* dropped, CarryOf carryOf,
                   void* context, bool loopAtOnce) {
    (s.emitterMove ? s.emitterMove : moveLinear)(s);
    s.turret.originX = s.emitter.x;
    s.turret.originY = s.emitter.y;
    const int32_t angle = s.turret.angle;
    int32_t loaded = turret::runTurretSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, turretReadOut);
    if (!loaded && loopAtOnce && collections::onEndMarker(s.turretSteps)) {
        loaded = turret::runTurretSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, turretReadOut);
    }
    const turret::Carry& carry = carryOf(context, s, loaded);
    if (loaded && carry.keepAngle) s.turret.angle = angle;
    turret::fireTurret(s, loaded, dropped, carry);
}

}  // namespace shooter
