// Turret firing: bursts, sweeps, aiming and the volley layouts. Launch values
// are computed in double from the float fields (the radians alone rounded to
// single precision) and rounded once when stored.
#include "turret/TurretFiring.h"

#include <cmath>
#include <cstdlib>

#include "kinds/Kinds.h"
#include "numerics/Numerics.h"

namespace turret {

namespace {

using actor::Shooter;
using actor::TurretStep;
using numerics::wrapAdd;
using numerics::wrapMul;

constexpr double LAUNCH_BOOST = 0.5;  // a launched bullet's boost is half its velocity
constexpr int32_t SEARCH_AHEAD = 6;   // slots the free-slot search asks memory for in advance

void aimAtTarget(TurretStep& gun, int32_t offset) {
    const float theta = static_cast<float>(
        std::atan2(double{gun.targetY} - gun.originY, double{gun.targetX} - gun.originX));
    gun.angle = numerics::remainder360(wrapAdd(numerics::nearest(theta * numerics::RAD_TO_DEG + 360.0), offset));
}

// Where a volley stands while it launches: the lowest free slot lies at or
// after searchFrom, since every slot below it is live.
struct Launch {
    int32_t searchFrom = 0;  // first slot that may be free
    bool retag = false;      // the launched slots take the turret's tags first
};

// Launches one bullet into the lowest free slot. Returns false when the store
// has no free slot left, so the rest of the volley can be skipped: it would
// find none either.
bool launchBullet(Shooter& s, Launch& launch, int32_t angle, int32_t direction, double speed) {
    const TurretStep& gun = s.turret;
    const int32_t slots = actor::usedSlots(s);
    int32_t slot = launch.searchFrom;
    while (slot < slots && s.bullets[slot].alive) {
        __builtin_prefetch(&s.bullets[slot + SEARCH_AHEAD < slots ? slot + SEARCH_AHEAD : slot]);
        ++slot;
    }
    if (slot >= slots) return false;
    launch.searchFrom = slot + 1;

    const double a = numerics::degreesToRadians(angle);
    const double d = numerics::degreesToRadians(direction);
    bullets::Bullet& b = s.bullets[slot];
    // This slot was free when the frame's tag refresh ran.
    if (launch.retag) bullets::takeTags(b, actor::turretTags(gun));
    b.heading = numerics::remainder360(angle);
    b.x = static_cast<float>(gun.originX + std::cos(a) * gun.muzzleRadiusX);
    b.y = static_cast<float>(gun.originY + std::sin(a) * gun.muzzleRadiusY);
    b.vx = static_cast<float>(std::cos(d) * speed);
    b.vy = static_cast<float>(std::sin(d) * speed);
    b.boostX = static_cast<float>(LAUNCH_BOOST * b.vx);
    b.boostY = static_cast<float>(LAUNCH_BOOST * b.vy);
    b.ax = gun.bulletAx;
    b.ay = gun.bulletAy;
    b.haltAt = gun.bulletHaltAt;
    b.motion = gun.bulletMotion;
    b.alive = -1;
    return true;
}

// Speed of a shot along a burst: the k-th shot (k from 1) flies at
// speed + (k - 1) x speedStep; shotIndex has already moved on, and 0 means the
// burst's last shot.
double shotSpeed(const TurretStep& gun) {
    const double steps = gun.shotIndex == 0 ? static_cast<double>(gun.burstLength) : static_cast<double>(gun.shotIndex) - 1.0;
    return gun.speed + gun.speedStep * steps;
}

// V-shaped speeds: speedStep faster at both ends, speed in the middle.
double vSpeed(const TurretStep& gun, int32_t k, int32_t half) {
    const double distance = std::abs(static_cast<double>(k) - static_cast<double>(half));
    return gun.speed + distance / half * gun.speedStep;
}

}  // namespace

void sweepWrap(Shooter& s) {
    TurretStep& gun = s.turret;
    gun.angle = wrapAdd(gun.angle, wrapMul(gun.sweepStep, gun.sweepDir));
    if (gun.angle > gun.angleMax) gun.angle = numerics::wrapSub(gun.angle, gun.angleMax);
    if (gun.angle < gun.angleMin) gun.angle = wrapAdd(gun.angle, gun.angleMax);
}

void sweepBounce(Shooter& s) {
    TurretStep& gun = s.turret;
    gun.angle = wrapAdd(gun.angle, wrapMul(gun.sweepStep, gun.sweepDir));
    if (gun.angle > gun.angleMax) gun.sweepDir = numerics::wrapNeg(gun.sweepDir);
    if (gun.angle < gun.angleMin) gun.sweepDir = numerics::wrapNeg(gun.sweepDir);
}

namespace {

// Returns how many bullets of the volley found no free slot.
int32_t launchVolley(Shooter& s, Launch launch, const Carry& carry) {
    const TurretStep& gun = s.turret;
    const int32_t n = gun.volleySize;
    if (n <= 0) return 0;
    if (n == 1) {
        return launchBullet(s, launch, gun.angle, gun.angle, gun.speed) ? 0 : 1;
    }

    const int32_t kind = gun.spreadKind;
    if (kind == kinds::SPREAD_TURNING_FAN) {  // speeds rising across it
        int32_t angle = gun.angle;
        const int32_t turn = wrapMul(gun.sweepDir, gun.spreadStep);
        for (int32_t k = 0; k < n; ++k) {
            angle = wrapAdd(angle, turn);
            const double speed = gun.speed + (static_cast<double>(k) + 1.0) * gun.speedStep / n;
            if (!launchBullet(s, launch, angle, angle, speed)) return n - k;
        }
        return 0;
    }

    // A centred fan: symmetric about the base angle for even n, half a step
    // off in the sweep direction for odd n unless the step asks it centred.
    const double scale = kind == kinds::SPREAD_ALTERNATING_FAN && (gun.shotIndex & 1) ? double{gun.oddShotSpreadScale} : 1.0;
    const int32_t even = n % 2 == 0 || carry.centred ? 1 : 0;
    const int32_t step = numerics::nearest(gun.spreadStep * scale);
    const int32_t turn = wrapMul(gun.sweepDir, step);
    const int32_t half = n / 2;
    const double shot = shotSpeed(gun);
    int32_t angle = numerics::nearest(gun.angle - (static_cast<double>(n) + even) / 2.0 * turn);
    for (int32_t k = 0; k < n; ++k) {
        angle = wrapAdd(angle, turn);
        int32_t direction = angle;
        double speed = shot;
        if (kind == kinds::SPREAD_V_FAN) speed = vSpeed(gun, k, half);
        if (kind == kinds::SPREAD_WALL) {  // every bullet flies along the base angle
            direction = gun.angle;
            speed = vSpeed(gun, k, half);
        }
        if (!launchBullet(s, launch, angle, direction, speed)) return n - k;
    }
    return 0;
}

}  // namespace

void launchVolley(Shooter& s) { launchVolley(s, Launch{}, Carry{}); }

// Free slots take the turret's tags (in frames without a load) before anything
// else happens; since nothing between here and the motion step reads or writes
// tags, the refresh rides along with the launches and the motion walk.
void fireTurret(Shooter& s, int32_t loaded, int32_t* dropped, const Carry& carry) {
    if (dropped) *dropped = 0;
    TurretStep& gun = s.turret;
    if (!gun.active) return;
    if (gun.targetRef) {
        gun.targetX = gun.targetRef[0];
        gun.targetY = gun.targetRef[1];
    }
    if (gun.originRef) {
        gun.originX = gun.originRef[0];
        gun.originY = gun.originRef[1];
    }
    gun.fireDelay = numerics::wrapSub(gun.fireDelay, 1);
    if (gun.fireDelay < 0) {
        if (gun.shotIndex == 0) {
            if (gun.aimAtTarget) {
                aimAtTarget(gun, carry.aimOffset);
            } else if (s.turretBehaviour) {
                s.turretBehaviour(s);
            }
        }
        gun.fireDelay = gun.shotInterval;
        gun.shotIndex = wrapAdd(gun.shotIndex, 1);
        if (gun.shotIndex > gun.burstLength) {
            gun.shotIndex = 0;
            gun.fireDelay = gun.burstPause;
        }
        const int32_t lost = launchVolley(s, Launch{0, !loaded}, carry);
        if (dropped) *dropped = lost;
    }
    gun.originX += gun.originVx;
    gun.originY += gun.originVy;
    bullets::BulletStore store = actor::bulletStore(s);
    if (loaded) {
        bullets::moveStore(store);
    } else {
        bullets::moveStoreAndRetagFreeSlots(store);
    }
}

}  // namespace turret
