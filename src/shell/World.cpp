// The world's step and its picture. An inactive shooter is frozen: nothing of
// it moves or is drawn. Drawing reads the world through const references and
// never changes it. Every shooter prints its read-outs at the same places, each over
// the one before, and its body and bullets over its own read-out.
#include "shell/World.h"

#include <string_view>

#include "display/Display.h"
#include "shell/Scenario.h"
#include "shooter/EmitterSchedule.h"
#include "shooter/Lifecycle.h"
#include "turret/TurretSchedule.h"

namespace shell {

namespace {

constexpr float RING_RADIUS = 10.0f;
constexpr int32_t BLACK = 0;
constexpr int32_t WHITE = 15;
constexpr float BODY_RADIUS = 10.0f;
constexpr int32_t BODY_COLOUR = 13;  // light magenta
constexpr float BULLET_RADIUS = 3.0f;
constexpr int32_t BULLET_COLOUR = 15;  // white
constexpr int32_t TURRET_READ_OUT_ROW = 2;   // the countdown; the list index goes below it
constexpr int32_t EMITTER_READ_OUT_ROW = 6;  // likewise

void printReadOut(const collections::ReadOut& readOut, int32_t row, std::string_view time,
                  std::string_view listIndex) {
    if (!readOut.shown) return;
    display::LocateText(row, 1);
    display::PrintText(time);
    display::PrintInteger(readOut.countdown, true);
    display::PrintText(listIndex);
    display::PrintInteger(readOut.listIndex, true);
}

}  // namespace

void makeShooters(World& world, int32_t count, int32_t points) {
    world.shooters = new actor::Shooter[static_cast<size_t>(count)];
    world.frames = new ShooterFrame[static_cast<size_t>(count)];
    world.points = points > 0 ? new float[2 * static_cast<size_t>(points)]() : nullptr;
    world.pointCount = points > 0 ? points : 0;
    world.count = count;
    for (int32_t i = 0; i < world.count; ++i) shooter::constructShooter(world.shooters[i]);
}

void rewindPrograms(World& world) {
    for (int32_t i = 0; i < world.count; ++i) shooter::resetEmitterSchedule(world.shooters[i]);
    for (int32_t i = 0; i < world.count; ++i) turret::resetTurretSchedule(world.shooters[i]);
}

void setUpWorld(World& world) {
    makeShooters(world, SHOOTER_COUNT, 0);
    setUpScenario(world.shooters);
    rewindPrograms(world);
}

void setUpWorld(World& world, const WorldMaker& maker) {
    if (maker.make) {
        maker.make(maker.context, world);
    } else {
        setUpWorld(world);
    }
}

void stepWorld(World& world) {
    for (int32_t i = 0; i < world.count; ++i) {
        actor::Shooter& s = world.shooters[i];
        ShooterFrame& frame = world.frames[i];
        frame = ShooterFrame{};
        if (!s.emitter.active) continue;
        frame.stepped = -1;
        shooter::runEmitterSchedule(s, actor::NOT_GIVEN, actor::NOT_GIVEN, frame.emitter);
        shooter::updateShooter(s, frame.turret, &frame.dropped);
    }
}

void drawWorld(const World& world) {
    display::FillBox(0.0f, 0.0f, 639.0f, 479.0f, BLACK);
    display::DrawCircle(320.0f, 240.0f, RING_RADIUS, WHITE);
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        const ShooterFrame& frame = world.frames[i];
        if (!frame.stepped) continue;
        printReadOut(frame.emitter, EMITTER_READ_OUT_ROW, "emitter time ", "emitter listindex ");
        printReadOut(frame.turret, TURRET_READ_OUT_ROW, "turret time ", "turret listindex ");
        display::DrawCircle(s.emitter.x, s.emitter.y, BODY_RADIUS, BODY_COLOUR);
        const int32_t slots = actor::usedSlots(s);
        for (int32_t j = 0; j < slots; ++j) {
            const bullets::Bullet& bullet = actor::bulletAt(s, j);
            if (bullet.alive) display::DrawCircle(bullet.x, bullet.y, BULLET_RADIUS, BULLET_COLOUR);
        }
    }
}

void tearDownWorld(World& world) {
    for (int32_t i = world.count - 1; i >= 0; --i) shooter::destroyShooter(world.shooters[i]);
    delete[] world.shooters;
    delete[] world.frames;
    delete[] world.points;
    world.shooters = nullptr;
    world.frames = nullptr;
    world.points = nullptr;
    world.count = 0;
    world.pointCount = 0;
}

}  // namespace shell
