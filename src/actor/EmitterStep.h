// One entry of a movement program: where the body is put, how it moves and for
// how many frames. The shooter's emitter block has exactly these fields and is
// also the body's running state.
#pragma once

#include <cstdint>

namespace actor {

struct EmitterStep {
    int32_t duration = 0;   // frames in force; a stored step's countdown
    float x = 0.0f;         // position, pixels, growing to the right
    float y = 0.0f;         // position, pixels, growing downwards
    float vx = 0.0f;        // drift, pixels per frame
    float vy = 0.0f;        // drift, pixels per frame
    float centreX = 0.0f;   // orbit centre (mode 6), drifting by vx
    float centreY = 0.0f;   // orbit centre (mode 6), drifting by vy
    int32_t active = 0;     // flag: loading a step with 0 switches the shooter off
    int32_t angle = 0;      // phase, degrees, never reduced
    int32_t angleStep = 0;  // degrees added to angle per frame (modes 1 to 6)
    int32_t radius = 0;     // wave amplitude or circle radius, pixels
    int32_t moveMode = 0;   // movement mode 0 to 6; others move linearly
};

}  // namespace actor
