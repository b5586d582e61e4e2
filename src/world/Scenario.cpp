// The scenario's two tables, appended step by step: every movement step before
// any firing step, and within a step shooter 0 first.
#include "world/Scenario.h"

#include "kinds/Kinds.h"
#include "shooter/EmitterSchedule.h"
#include "turret/TurretSchedule.h"

namespace world {

namespace {

constexpr int32_t QUARTER_TURN = 90;  // degrees between neighbouring shooters

struct MovementRow {
    int32_t duration;
    float centreX, centreY;
    int32_t angleStep, radius, moveMode;
};

using namespace kinds;

constexpr MovementRow MOVEMENT[] = {
    {1300, 0.0f, 0.0f, 2, 2, MOVE_CIRCLE},
    {300, 320.0f, 240.0f, -2, 150, MOVE_ORBIT},
    {1300, 320.0f, 240.0f, -5, 2, MOVE_CIRCLE},
    {3200, 320.0f, 240.0f, 2, 100, MOVE_ORBIT},
    {1300, 320.0f, 240.0f, 1, 2, MOVE_CIRCLE},
};

struct FiringRow {
    int32_t duration;
    float originX, bulletAy;
    int32_t burstPause, volleySize, spreadStep;
    float speed, speedStep, oddShotSpreadScale;
    int32_t spreadKind, bulletHaltAt, burstLength, shotInterval, bulletMotion;
};

constexpr FiringRow FIRING[] = {
    {1600, 420.0f, 0.0f, 2, 2, 80, 5.029f, 0.0f, 0.0f, SPREAD_V_FAN, -40, 0, 2, MOTION_DAMPED},
    {600, 320.0f, 0.0005f, 5, 6, 8, 0.029f, 0.15f, 0.0f, SPREAD_WALL, -40, 3, 2, MOTION_DRAG},
    {700, 320.0f, 0.0f, 5, 4, 90, 0.029f, 0.15f, 0.0f, SPREAD_TURNING_FAN, -40, 0, 2, MOTION_DRAG},
    {700, 320.0f, 0.0f, 5, 4, 1, 0.029f, 0.15f, 0.0f, SPREAD_TURNING_FAN, 40, 0, 2, MOTION_DRAG},
    {700, 320.0f, 0.0f, 25, 10, 36, 0.029f, 0.15f, 0.0f, SPREAD_WALL, 40, 4, 2, MOTION_DRAG},
    {700, 320.0f, 0.0005f, 50, 6, 36, 0.029f, 0.005f, 0.3f, SPREAD_ALTERNATING_FAN, 0, 8, 2, MOTION_DRAG},
    {700, 320.0f, 0.0f, 50, 6, 36, 0.029f, -0.005f, 0.3f, SPREAD_V_FAN, 40, 8, 2, MOTION_DRAG},
    {700, 320.0f, 0.0f, 5, 6, 20, 0.029f, -0.005f, 0.3f, SPREAD_TURNING_FAN, -40, 2, 2, MOTION_DRAG},
    {700, 320.0f, 0.0f, 5, 3, 45, 0.029f, -0.005f, 0.3f, SPREAD_TURNING_FAN, 10, 0, 0, MOTION_DRAG},
};

actor::EmitterStep movementStep(const MovementRow& row) {
    actor::EmitterStep step;
    step.duration = row.duration;
    step.x = 320.0f;
    step.y = 240.0f;
    step.centreX = row.centreX;
    step.centreY = row.centreY;
    step.active = -1;
    step.angleStep = row.angleStep;
    step.radius = row.radius;
    step.moveMode = row.moveMode;
    return step;
}

actor::TurretStep firingStep(const FiringRow& row) {
    actor::TurretStep step;
    // What every firing step shares.
    step.originY = 140.0f;
    step.active = -1;
    step.muzzleRadiusX = 10.0f;
    step.muzzleRadiusY = 10.0f;
    step.angleMax = 359;
    step.sweepStep = 5;
    step.sweepDir = 1;
    step.fireDelay = 1;
    step.bulletCount = actor::BULLET_CAPACITY;
    step.bulletTagB = 10;
    step.bulletTagA = 1;
    // What each one has of its own.
    step.duration = row.duration;
    step.originX = row.originX;
    step.bulletAy = row.bulletAy;
    step.burstPause = row.burstPause;
    step.volleySize = row.volleySize;
    step.spreadStep = row.spreadStep;
    step.speed = row.speed;
    step.speedStep = row.speedStep;
    step.oddShotSpreadScale = row.oddShotSpreadScale;
    step.spreadKind = row.spreadKind;
    step.bulletHaltAt = row.bulletHaltAt;
    step.burstLength = row.burstLength;
    step.shotInterval = row.shotInterval;
    step.bulletMotion = row.bulletMotion;
    return step;
}

}  // namespace

void setUpScenario(actor::Shooter* shooters) {
    for (const MovementRow& row : MOVEMENT) {
        actor::EmitterStep step = movementStep(row);
        for (int32_t i = 0; i < SHOOTER_COUNT; ++i) {
            step.angle = QUARTER_TURN * i;
            shooter::addEmitterStep(shooters[i], step);
        }
    }
    for (const FiringRow& row : FIRING) {
        actor::TurretStep step = firingStep(row);
        for (int32_t i = 0; i < SHOOTER_COUNT; ++i) {
            step.angle = QUARTER_TURN * i;
            turret::addTurretStep(shooters[i], step);
        }
    }
}

}  // namespace world
