// The ship's moves and the bullets that touch it.
#include "world/Ship.h"

#include <cmath>

namespace world {

namespace {

// Along each axis, by direction 1 to 8 (right, then clockwise, y downwards).
constexpr int32_t DX[9] = {0, 1, 1, 0, -1, -1, -1, 0, 1};
constexpr int32_t DY[9] = {0, 0, 1, 1, 1, 0, -1, -1, -1};

}  // namespace

int32_t moveCode(int32_t dx, int32_t dy, bool focused) {
    for (int32_t d = 1; d < 9; ++d) {
        if (DX[d] == dx && DY[d] == dy) return d + (focused ? MOVE_FOCUSED : 0);
    }
    return MOVE_NONE + (focused ? MOVE_FOCUSED : 0);
}

void moveDirection(int32_t code, int32_t* dx, int32_t* dy) {
    const int32_t d = code >= 0 && code < MOVE_CODES ? code % MOVE_FOCUSED : MOVE_NONE;
    *dx = DX[d];
    *dy = DY[d];
}

int32_t diagonalStep(int32_t speed) {
    // Whole numbers from 0 up: the first whose length along the diagonal is
    // no nearer than the one before.
    int32_t best = 0;
    for (int32_t d = 1; d <= speed; ++d) {
        if (std::fabs(d * std::sqrt(2.0) - speed) < std::fabs(best * std::sqrt(2.0) - speed)) best = d;
    }
    return best;
}

int32_t moveToward(const Ship& ship, float x, float y, bool focused) {
    const double half = (focused ? ship.focusedSpeed : ship.speed) / 2.0;
    const double dx = double{x} - ship.x, dy = double{y} - ship.y;  // NaN moves nowhere
    return moveCode(dx > half ? 1 : dx < -half ? -1 : 0, dy > half ? 1 : dy < -half ? -1 : 0, focused);
}

void moveShip(Ship& ship) {
    int32_t dx = 0, dy = 0;
    moveDirection(ship.move, &dx, &dy);
    const bool focused = ship.move >= MOVE_FOCUSED && ship.move < MOVE_CODES;
    const bool diagonal = dx != 0 && dy != 0;
    const int32_t step = diagonal ? (focused ? ship.focusedDiagonal : ship.diagonal)
                                  : (focused ? ship.focusedSpeed : ship.speed);
    const float x = ship.x + static_cast<float>(dx * step), y = ship.y + static_cast<float>(dy * step);
    ship.x = x < 0.0f ? 0.0f : x > SHIP_RIGHTMOST ? SHIP_RIGHTMOST : x;
    ship.y = y < 0.0f ? 0.0f : y > SHIP_LOWEST ? SHIP_LOWEST : y;
    ship.focused = focused ? -1 : 0;
}

}  // namespace world
