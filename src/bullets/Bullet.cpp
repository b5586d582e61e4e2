// Position arithmetic of the bullet record.
#include "bullets/Bullet.h"

namespace bullets {

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
