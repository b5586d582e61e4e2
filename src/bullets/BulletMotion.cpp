// Bullet motion. Each float field is computed in double from the float fields
// and the double constants and rounded once when stored.
#include "bullets/BulletMotion.h"

#include <cmath>

#include "numerics/Numerics.h"

namespace bullets {

namespace {

constexpr double DRAG = 0.0042;            // motion 1: share of velocity lost per frame
constexpr double SPEED_LIMIT_SQUARED = 1.0;  // motion 2: damped while vx² + vy² is above
constexpr double DAMPING = 0.968;          // motion 2: velocity factor in a damped frame
constexpr double BOOST_AT_RESUME = 0.5;    // motion 1: boost factor when a halt ends
constexpr int32_t RESUME_MULTIPLE = 3;     // a halted bullet resumes at three times its halt age

using numerics::rounded;

// Returns false for a motion mode that does not exist: such a bullet only ages.
bool integrate(Bullet& b) {
    switch (b.motion) {
        case 0:  // accelerated
            b.vx += b.ax;
            b.vy += b.ay;
            break;
        case 1:  // boosted, with drag
            b.boostX += b.ax;
            b.boostY += b.ay;
            b.vx += b.boostX;
            b.vy += b.boostY;
            b.vx = rounded(b.vx - DRAG * b.vx);
            b.vy = rounded(b.vy - DRAG * b.vy);
            break;
        case 2: {  // accelerated, damped above unit speed
            b.vx += b.ax;
            b.vy += b.ay;
            const double vx = b.vx, vy = b.vy;
            if (vx * vx + vy * vy > SPEED_LIMIT_SQUARED) {
                b.vx = rounded(DAMPING * vx);
                b.vy = rounded(DAMPING * vy);
            }
            break;
        }
        case 3:  // straight; homes in once when its halt ends
            break;
        default:
            return false;
    }
    b.x += b.vx;
    b.y += b.vy;
    return true;
}

void resume(Bullet& b, float targetX, float targetY, float homingSpeed) {
    switch (b.motion) {
        case 1:
            b.vx = 0.0f;
            b.vy = 0.0f;
            b.boostX = rounded(BOOST_AT_RESUME * b.boostX);
            b.boostY = rounded(BOOST_AT_RESUME * b.boostY);
            break;
        case 3: {
            const float theta = rounded(std::atan2(double{targetY} - b.y, double{targetX} - b.x));
            b.vx = rounded(std::cos(double{theta}) * homingSpeed);
            b.vy = rounded(std::sin(double{theta}) * homingSpeed);
            break;
        }
        default:  // modes 0 and 2 take up their saved velocity
            b.vx = b.heldVx;
            b.vy = b.heldVy;
            break;
    }
}

}  // namespace

void moveBullet(Bullet& bullet, float targetX, float targetY, float homingSpeed) {
    bullet.age = numerics::wrapAdd(bullet.age, 1);
    if (!integrate(bullet)) return;
    // The velocity set here takes effect from the next frame.
    const int32_t resumeAt = numerics::wrapMul(RESUME_MULTIPLE, bullet.haltAt);
    if (bullet.age == bullet.haltAt) {
        bullet.heldVx = bullet.vx;
        bullet.heldVy = bullet.vy;
        bullet.vx = 0.0f;
        bullet.vy = 0.0f;
    }
    if (bullet.haltAt < bullet.age && bullet.age < resumeAt) {
        bullet.vx = 0.0f;
        bullet.vy = 0.0f;
    }
    if (bullet.age == resumeAt) resume(bullet, targetX, targetY, homingSpeed);
}

}  // namespace bullets
