// Copy rules and position arithmetic of the bullet record.
#include "bullets/Bullet.h"

namespace bullets {

namespace {

// Everything a copy carries: position, velocity, acceleration, every integer.
void copyCarried(Bullet& to, const Bullet& from) {
    to.x = from.x;
    to.y = from.y;
    to.vx = from.vx;
    to.vy = from.vy;
    to.ax = from.ax;
    to.ay = from.ay;
    to.alive = from.alive;
    to.age = from.age;
    to.haltAt = from.haltAt;
    to.heading = from.heading;
    to.reserved1 = from.reserved1;
    to.tagKey = from.tagKey;
    to.tagA = from.tagA;
    to.reserved2 = from.reserved2;
    to.tagB = from.tagB;
    to.tagC = from.tagC;
    to.motion = from.motion;
}

}  // namespace

Bullet::Bullet(const Bullet& other) { copyCarried(*this, other); }

Bullet& Bullet::operator=(const Bullet& other) {
    copyCarried(*this, other);
    return *this;
}

Bullet& Bullet::operator=(float scalar) {
    x = scalar;
    y = scalar;
    return *this;
}

// clang-format off
Bullet& Bullet::operator+=(const Bullet& o) { x += o.x; y += o.y; return *this; }
Bullet& Bullet::operator-=(const Bullet& o) { x -= o.x; y -= o.y; return *this; }
Bullet& Bullet::operator*=(const Bullet& o) { x *= o.x; y *= o.y; return *this; }
Bullet& Bullet::operator/=(const Bullet& o) { x /= o.x; y /= o.y; return *this; }
Bullet& Bullet::operator+=(float s) { x += s; y += s; return *this; }
Bullet& Bullet::operator-=(float s) { x -= s; y -= s; return *this; }
Bullet& Bullet::operator*=(float s) { x *= s; y *= s; return *this; }
Bullet& Bullet::operator/=(float s) { x /= s; y /= s; return *this; }

Bullet operator+(const Bullet& a, const Bullet& b) { return {a.x + b.x, a.y + b.y}; }
Bullet operator-(const Bullet& a, const Bullet& b) { return {a.x - b.x, a.y - b.y}; }
Bullet operator*(const Bullet& a, const Bullet& b) { return {a.x * b.x, a.y * b.y}; }
Bullet operator/(const Bullet& a, const Bullet& b) { return {a.x / b.x, a.y / b.y}; }
Bullet operator+(const Bullet& a, float s) { return {a.x + s, a.y + s}; }
Bullet operator-(const Bullet& a, float s) { return {a.x - s, a.y - s}; }
Bullet operator*(const Bullet& a, float s) { return {a.x * s, a.y * s}; }
Bullet operator/(const Bullet& a, float s) { return {a.x / s, a.y / s}; }
// clang-format on

}  // namespace bullets
