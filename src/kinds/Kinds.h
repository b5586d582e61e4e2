// The kinds a step names by number: movement modes, volley layouts (spread
// kinds), sweeps and bullet motions, with the names people give them. The
// values are the engine's own, and any other number still means what the
// engine does with it (said here as each kind's "otherwise"), so a step may
// hold one.
#pragma once

#include <cstdint>

namespace kinds {

// A step's moveMode: how the body moves each frame.
inline constexpr int32_t MOVE_LINEAR = 0;
inline constexpr int32_t MOVE_WAVE_Y = 1;
inline constexpr int32_t MOVE_WAVE_X = 2;
inline constexpr int32_t MOVE_RECTIFIED_WAVE_Y = 3;
inline constexpr int32_t MOVE_RECTIFIED_WAVE_X = 4;
inline constexpr int32_t MOVE_CIRCLE = 5;
inline constexpr int32_t MOVE_ORBIT = 6;
inline constexpr int32_t MOVE_MODE_COUNT = 7;  // modes 0 to 6; any other moves linearly

// A step's spreadKind: how a volley of two or more bullets is laid out. Any
// number without a layout of its own (0, 1, 6 ...) is the centred fan.
inline constexpr int32_t SPREAD_CENTRED_FAN = 0;
inline constexpr int32_t SPREAD_TURNING_FAN = 2;
inline constexpr int32_t SPREAD_V_FAN = 3;
inline constexpr int32_t SPREAD_ALTERNATING_FAN = 4;
inline constexpr int32_t SPREAD_WALL = 5;

// A step's sweepKind: how the base angle turns at each burst when not aimed.
// Any number but SWEEP_BOUNCE wraps.
inline constexpr int32_t SWEEP_WRAP = 0;
inline constexpr int32_t SWEEP_BOUNCE = 1;

// A step's bulletMotion, given to each bullet it launches. Any other number:
// the bullet only ages, where it was launched.
inline constexpr int32_t MOTION_ACCELERATED = 0;
inline constexpr int32_t MOTION_DRAG = 1;
inline constexpr int32_t MOTION_DAMPED = 2;
inline constexpr int32_t MOTION_HOMING = 3;

// A kind by its name, for people: the pattern reader and its reference.
struct Name {
    const char* name;     // as a pattern writes it
    int32_t value;        // the engine's number
    const char* meaning;  // what the engine does with it
};

inline constexpr Name MOVE_MODES[] = {
    {"linear", MOVE_LINEAR, "drifts by (vx, vy) each frame"},
    {"wave-y", MOVE_WAVE_Y, "drifts, swinging up and down: radius x sin(angle) added to y each frame"},
    {"wave-x", MOVE_WAVE_X, "drifts, swinging left and right: radius x sin(angle) added to x each frame"},
    {"rectified-wave-y", MOVE_RECTIFIED_WAVE_Y,
     "drifts, with radius x |sin(angle)| added to y each frame, its sign flipping every 180 degrees of angle"},
    {"rectified-wave-x", MOVE_RECTIFIED_WAVE_X, "as rectified-wave-y, along x"},
    {"circle", MOVE_CIRCLE,
     "runs round a circle while it drifts: a vector of length radius at the angle added to the position each "
     "frame (a circle of radius / (2 sin(angleStep / 2)) pixels)"},
    {"orbit", MOVE_ORBIT,
     "sits on a circle of radius pixels about (centreX, centreY) at the angle; the centre drifts by (vx, vy)"},
};
inline constexpr const char* OTHER_MOVE_MODE = "moves linearly";

inline constexpr Name SPREAD_KINDS[] = {
    {"centred-fan", SPREAD_CENTRED_FAN,
     "a fan spreadStep degrees apart about the angle (odd sizes half a step off in the sweep direction), at the "
     "shot's speed"},
    {"turning-fan", SPREAD_TURNING_FAN,
     "a fan that starts one step past the angle and turns spreadStep a bullet in the sweep direction, speeds "
     "rising by speedStep across it"},
    {"v-fan", SPREAD_V_FAN, "the centred fan with speeds in a V: speed + speedStep at its edges, speed in its middle"},
    {"alternating-fan", SPREAD_ALTERNATING_FAN,
     "the centred fan, its step scaled by oddShotSpreadScale on odd shots of a burst"},
    {"wall", SPREAD_WALL,
     "starts as the centred fan but every bullet flies along the angle, speeds in a V: a row that bends"},
};
inline constexpr const char* OTHER_SPREAD_KIND = "lays the volley out as a centred fan";

inline constexpr Name SWEEP_KINDS[] = {
    {"wrap", SWEEP_WRAP, "turns sweepStep x sweepDir a burst; past angleMax it takes angleMax off, below angleMin adds it"},
    {"bounce", SWEEP_BOUNCE, "turns sweepStep x sweepDir a burst and turns back (sweepDir negated) past either bound"},
};
inline constexpr const char* OTHER_SWEEP_KIND = "wraps";

inline constexpr Name MOTIONS[] = {
    {"accelerated", MOTION_ACCELERATED, "the velocity grows by (bulletAx, bulletAy) each frame"},
    {"drag", MOTION_DRAG,
     "a boost, half the launch velocity, grows by the acceleration and is added each frame; drag takes 0.42% of "
     "the velocity each frame"},
    {"damped", MOTION_DAMPED, "accelerated, and damped (x 0.968) each frame while faster than 1 pixel a frame"},
    {"homing", MOTION_HOMING,
     "flies straight; when its halt ends it turns once towards the target at the step's speed"},
};
inline constexpr const char* OTHER_MOTION = "leaves the bullets where they are launched (they only age)";

}  // namespace kinds
