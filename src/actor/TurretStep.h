// One entry of a firing program: a complete set of firing parameters that
// holds for `duration` frames. The shooter's turret block has exactly these
// fields and doubles as the turret's running state: the fields marked
// "running" change while the step is in force.
#pragma once

#include <cstdint>

namespace actor {

struct TurretStep {
    int32_t duration = 0;            // frames in force; a stored step's countdown
    int32_t aimAtTarget = 0;         // flag: each burst aims at the target instead of sweeping
    const float* originRef = nullptr;  // if set, x then y the origin follows every firing frame
    const float* targetRef = nullptr;  // if set, x then y the target follows every firing frame
    float originX = 0.0f;            // running: muzzle ellipse centre, pixels
    float originY = 0.0f;            // running: as originX
    float originVx = 0.0f;           // origin velocity, pixels per frame
    float originVy = 0.0f;           // as originVx
    float bulletAx = 0.0f;           // acceleration given to launched bullets
    float bulletAy = 0.0f;           // as bulletAx
    float targetX = 0.0f;            // running: aim and homing point, pixels
    float targetY = 0.0f;            // running: as targetX
    int32_t active = 0;              // flag: 0 the turret and its bullets stand still
    float muzzleRadiusX = 0.0f;      // horizontal radius of the muzzle ellipse, pixels
    float muzzleRadiusY = 0.0f;      // vertical radius of the muzzle ellipse, pixels
    int32_t angle = 0;               // running: base angle of the next volley, degrees
    int32_t angleMin = 0;            // lower sweep bound, degrees
    int32_t angleMax = 0;            // upper sweep bound, and what the wrapping sweep wraps by
    int32_t sweepKind = 0;           // 1 bounce, anything else wrap
    int32_t sweepStep = 0;           // degrees the sweep turns per burst
    int32_t sweepDir = 0;            // running: +1 or -1, sweep and in-volley spacing sign
    int32_t fireDelay = 0;           // running: frames to the next shot; fires below 0
    int32_t burstPause = 0;          // fireDelay reload after a burst's last shot
    int32_t bulletCount = 0;         // store slots used, from slot 0; at most 256
    int32_t bulletTagB = 0;          // tag copied into free slots
    int32_t bulletTagC = 0;          // tag copied into free slots
    int32_t volleySize = 0;          // bullets per shot
    int32_t spreadStep = 0;          // degrees between neighbours of a volley
    float speed = 0.0f;              // launch speed, pixels per frame; homing speed too
    float speedStep = 0.0f;          // speed change along a burst or across a volley
    float oddShotSpreadScale = 0.0f; // spread kind 4: spreadStep scale on odd shots
    int32_t spreadKind = 0;          // volley layout: 2, 3, 4, 5 or any other
    int32_t shotIndex = 0;           // running: shots fired in this burst; 0 opens one
    int32_t bulletHaltAt = 0;        // haltAt given to launched bullets
    int32_t burstLength = 0;         // shots per burst minus one
    int32_t shotInterval = 0;        // fireDelay reload between shots of a burst
    int32_t bulletMotion = 0;        // motion mode given to launched bullets
    int32_t bulletTagKey = 0;        // key of the tag set; a change retags free slots
    int32_t bulletTagA = 0;          // tag copied into free slots
    int32_t reserved = 0;            // spare
};

}  // namespace actor
