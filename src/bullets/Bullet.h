// One projectile slot. A shooter's store of 256 bullets is made once and
// reused: launching fills a free slot, motion retires it when it leaves the
// play area. The bullet also serves as a two-component vector through its
// position.
#pragma once

#include <cstdint>

namespace bullets {

struct Bullet {
    float x = 0.0f;        // position, pixels, growing to the right
    float y = 0.0f;        // position, pixels, growing downwards
    float vx = 0.0f;       // velocity, pixels per frame
    float vy = 0.0f;       // velocity, pixels per frame
    float heldVx = 0.0f;   // velocity saved while halted; only motion touches it
    float heldVy = 0.0f;   // as heldVx
    float ax = 0.0f;       // acceleration, pixels per frame per frame
    float ay = 0.0f;       // as ax
    float boostX = 0.0f;   // per-frame velocity increment of motion 1; grows by ax
    float boostY = 0.0f;   // as boostX, with ay
    int32_t alive = 0;     // flag: 0 free slot, non-zero live bullet
    int32_t age = 0;       // frames since launch
    int32_t haltAt = -1;   // age at which it halts, resuming at three times that; <= 0 never
    int32_t heading = 0;   // launch direction, degrees modulo 360; informational only
    int32_t reserved1 = 0; // spare
    int32_t tagKey = 0;    // key of the tag set last copied from the turret
    int32_t tagA = 1;      // tag
    int32_t reserved2 = 0; // spare
    int32_t tagB = 0;      // tag
    int32_t tagC = 0;      // tag
    int32_t motion = 0;    // motion mode 0 to 3; any other value only ages

    Bullet() = default;
    Bullet(float atX, float atY) : x(atX), y(atY) {}
    // A copy carries everything but the held velocity and the boost, which
    // stay 0.0; an assignment keeps the target's own values of those four.
    Bullet(const Bullet& other) { copyCarried(other); }
    Bullet& operator=(const Bullet& other) {
        copyCarried(other);
        return *this;
    }
    // Sets both coordinates to the scalar.
    Bullet& operator=(float scalar);

    Bullet& operator+=(const Bullet& other);
    Bullet& operator-=(const Bullet& other);
    Bullet& operator*=(const Bullet& other);
    Bullet& operator/=(const Bullet& other);
    Bullet& operator+=(float scalar);
    Bullet& operator-=(float scalar);
    Bullet& operator*=(float scalar);
    Bullet& operator/=(float scalar);

private:
    // Position, velocity, acceleration and every integer field.
    void copyCarried(const Bullet& from) {
        x = from.x, y = from.y, vx = from.vx, vy = from.vy, ax = from.ax, ay = from.ay;
        alive = from.alive, age = from.age, haltAt = from.haltAt, heading = from.heading;
        reserved1 = from.reserved1, tagKey = from.tagKey, tagA = from.tagA, reserved2 = from.reserved2;
        tagB = from.tagB, tagC = from.tagC, motion = from.motion;
    }
};

// Two-operand forms: a new bullet at the resulting position, defaults elsewhere.
Bullet operator+(const Bullet& a, const Bullet& b);
Bullet operator-(const Bullet& a, const Bullet& b);
Bullet operator*(const Bullet& a, const Bullet& b);
Bullet operator/(const Bullet& a, const Bullet& b);
Bullet operator+(const Bullet& a, float scalar);
Bullet operator-(const Bullet& a, float scalar);
Bullet operator*(const Bullet& a, float scalar);
Bullet operator/(const Bullet& a, float scalar);

}  // namespace bullets
