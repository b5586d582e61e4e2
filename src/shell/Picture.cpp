// The picture of a world. An inactive shooter is not drawn. Drawing reads the
// world through const references and never changes it. Every shooter prints
// its read-outs at the same places, each over the one before, and its body
// and bullets over its own read-out.
#include "shell/Picture.h"

#include <string_view>

#include "display/Display.h"

namespace shell {

namespace {

constexpr float RING_RADIUS = 10.0f;
constexpr int32_t BLACK = 0;
constexpr int32_t WHITE = 15;
constexpr float BODY_RADIUS = 10.0f;
constexpr int32_t BODY_COLOUR = 13;  // light magenta
constexpr float BULLET_RADIUS = 3.0f;
constexpr int32_t BULLET_COLOUR = 15;  // white
constexpr float SHIP_RADIUS = 6.0f;
constexpr int32_t SHIP_COLOUR = 11;       // light cyan: no bullet, body or overlay has it
constexpr int32_t SHIP_HIT_COLOUR = 12;   // light red, flashing
constexpr int32_t SHIP_FLASH_FRAMES = 24; // frames a hit flashes, 6 on and 6 off
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

void drawWorld(const world::World& world) {
    display::FillBox(0.0f, 0.0f, 639.0f, 479.0f, BLACK);
    display::DrawCircle(320.0f, 240.0f, RING_RADIUS, WHITE);
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        const world::ShooterFrame& frame = world.frames[i];
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
    // The ship over everything: a ring, red for a while after a hit, with its
    // hitbox while focused.
    const world::Ship& ship = world.ship;
    if (!ship.present) return;
    const int32_t since = ship.frame - ship.lastHit;
    const bool flash = ship.lastHit > 0 && since < SHIP_FLASH_FRAMES && (since / 6) % 2 == 0;
    display::DrawCircle(ship.x, ship.y, SHIP_RADIUS, flash ? SHIP_HIT_COLOUR : SHIP_COLOUR);
    display::DrawCircle(ship.x, ship.y - SHIP_RADIUS - 2.0f, 1.0f, flash ? SHIP_HIT_COLOUR : SHIP_COLOUR);  // its nose
    if (ship.focused && ship.hitRadius > 0.0f) display::DrawCircle(ship.x, ship.y, ship.hitRadius, WHITE);
}

}  // namespace shell
