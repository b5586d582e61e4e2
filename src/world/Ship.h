// The ship a player steers against a pattern: where it is, in whole pixels,
// how a frame's move takes it on, and the bullets that touched it. The ship
// never changes the pattern's world (bullets that hit it fly on), except that
// firing steps may aim at it, so with nobody steering (the ship standing at
// its start) every tool gives one world.
#pragma once

#include <cstdint>

namespace world {

// A frame's move: a direction, MOVE_NONE or one of the eight from right
// round clockwise (y grows downwards), plus MOVE_FOCUSED when focused (the
// slower speed, and the hitbox shown).
inline constexpr int32_t MOVE_NONE = 0;
inline constexpr int32_t MOVE_RIGHT = 1;
inline constexpr int32_t MOVE_DOWN_RIGHT = 2;
inline constexpr int32_t MOVE_DOWN = 3;
inline constexpr int32_t MOVE_DOWN_LEFT = 4;
inline constexpr int32_t MOVE_LEFT = 5;
inline constexpr int32_t MOVE_UP_LEFT = 6;
inline constexpr int32_t MOVE_UP = 7;
inline constexpr int32_t MOVE_UP_RIGHT = 8;
inline constexpr int32_t MOVE_FOCUSED = 9;
inline constexpr int32_t MOVE_CODES = 18;  // codes 0 to 17

// The ship's centre stays on the screen's pixels; its speeds are at most this.
inline constexpr float SHIP_RIGHTMOST = 639.0f;
inline constexpr float SHIP_LOWEST = 479.0f;
inline constexpr int32_t MAX_SHIP_SPEED = 64;  // whole pixels a frame

// The move that goes dx, dy (each -1, 0 or 1), focused or not.
int32_t moveCode(int32_t dx, int32_t dy, bool focused);
// A move's direction along each axis (-1, 0 or 1); none for a code out of range.
void moveDirection(int32_t code, int32_t* dx, int32_t* dy);

// The whole-pixel step along each axis of a diagonal move whose length is
// nearest `speed` (3 for 4, 1 for 2): |d x sqrt(2) - speed| least, the
// smaller d on a tie.
int32_t diagonalStep(int32_t speed);

struct Ship {
    int32_t present = 0;        // flag: the world has a ship (the pattern's [player], or one steered)
    float x = 320.0f;           // centre, whole pixels from the left edge
    float y = 440.0f;           // centre, whole pixels down from the top edge
    int32_t speed = 4;          // pixels a frame along an axis
    int32_t focusedSpeed = 2;   // the same, focused
    int32_t diagonal = 3;       // pixels a frame along each axis of a diagonal move
    int32_t focusedDiagonal = 1;
    float hitRadius = 2.0f;     // pixels: the hitbox
    float bulletRadius = 3.0f;  // pixels: a bullet's, for hits and grazes
    float grazeRadius = 16.0f;  // pixels
    int32_t move = MOVE_NONE;   // the move of the frame about to run
    int32_t focused = 0;        // flag: the last move was focused (the hitbox shows)
    int32_t frame = 0;          // frames run
    int32_t hits = 0;           // bullets that have hit it
    int32_t grazes = 0;         // bullets that have grazed it
    int32_t lastHit = 0;        // the frame of the last hit; 0: none
    int32_t hitNow = 0;         // bullets that hit it in the last frame
};

// A slot's marks: the bullet in it has hit the ship, or grazed it (each
// bullet counts once for each; a slot launched again holds a new bullet).
inline constexpr uint8_t MARK_HIT = 1;
inline constexpr uint8_t MARK_GRAZED = 2;

// The move that heads for the point (x, y) (a pointer's): along each axis
// toward it while it lies more than half a step away, so the ship comes to
// rest on it rather than swinging about it.
int32_t moveToward(const Ship& ship, float x, float y, bool focused);

// Takes the frame's move: the ship goes its step along each axis, and stays
// within the screen, whole pixel by whole pixel.
void moveShip(Ship& ship);

}  // namespace world
