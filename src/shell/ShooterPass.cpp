// The shooter pass. An inactive shooter is frozen: nothing of it moves or is
// drawn. Bullets are read as copies, so drawing never changes the store.
#include "shell/ShooterPass.h"

#include "display/Display.h"
#include "shell/Scenario.h"
#include "shooter/EmitterSchedule.h"
#include "shooter/Lifecycle.h"
#include "turret/TurretSchedule.h"

namespace shell {

namespace {

constexpr float BODY_RADIUS = 10.0f;
constexpr int32_t BODY_COLOUR = 13;  // light magenta
constexpr float BULLET_RADIUS = 3.0f;
constexpr int32_t BULLET_COLOUR = 15;  // white

}  // namespace

void setUpShooters(ShooterPass& pass) {
    pass.shooters = new actor::Shooter[SHOOTER_COUNT];
    pass.count = SHOOTER_COUNT;
    for (int32_t i = 0; i < pass.count; ++i) shooter::constructShooter(pass.shooters[i]);
    setUpScenario(pass.shooters);
    for (int32_t i = 0; i < pass.count; ++i) shooter::resetEmitterSchedule(pass.shooters[i]);
    for (int32_t i = 0; i < pass.count; ++i) turret::resetTurretSchedule(pass.shooters[i]);
}

void runShooterPass(ShooterPass& pass) {
    for (int32_t i = 0; i < pass.count; ++i) {
        actor::Shooter& s = pass.shooters[i];
        if (!s.emitter.active) continue;
        shooter::runEmitterSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN);
        shooter::updateShooter(s);
        display::DrawCircle(s.emitter.x, s.emitter.y, BODY_RADIUS, BODY_COLOUR);
        const int32_t slots = actor::usedSlots(s);
        for (int32_t j = 0; j < slots; ++j) {
            const bullets::Bullet bullet = actor::bulletAt(s, j);
            if (bullet.alive) display::DrawCircle(bullet.x, bullet.y, BULLET_RADIUS, BULLET_COLOUR);
        }
    }
}

void tearDownShooters(ShooterPass& pass) {
    for (int32_t i = pass.count - 1; i >= 0; --i) shooter::destroyShooter(pass.shooters[i]);
    delete[] pass.shooters;
    pass.shooters = nullptr;
    pass.count = 0;
}

}  // namespace shell
