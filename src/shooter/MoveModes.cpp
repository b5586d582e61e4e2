// Movement modes. The phase is angle x DEG_TO_RAD rounded to float; sine and
// cosine of it are rounded to float, the offset radius x that value is rounded
// to float again, and each new coordinate is its terms summed in double and
// rounded once.
#include "shooter/MoveModes.h"

#include <cmath>

#include "kinds/Kinds.h"
#include "numerics/Numerics.h"

namespace shooter {

namespace {

using actor::EmitterStep;
using numerics::rounded;

// Advances the phase angle and returns it in radians.
double advancePhase(EmitterStep& body) {
    body.angle = numerics::wrapAdd(body.angle, body.angleStep);
    return numerics::degreesToRadians(body.angle);
}

float offset(const EmitterStep& body, float unit) { return rounded(static_cast<double>(body.radius) * unit); }

float sine(double phase) { return rounded(std::sin(phase)); }
float cosine(double phase) { return rounded(std::cos(phase)); }

// Positive in odd half-turns of the angle, negative in even ones (-1 counts
// as odd).
float rectifiedSine(int32_t angle, double phase) {
    const double size = std::fabs(std::sin(phase));
    return rounded((angle / 180) & 1 ? size : -size);
}

}  // namespace

void moveLinear(Shooter& s) {
    EmitterStep& body = s.emitter;
    body.x = rounded(double{body.x} + body.vx);
    body.y = rounded(double{body.y} + body.vy);
}

void moveWaveY(Shooter& s) {
    EmitterStep& body = s.emitter;
    const float wave = offset(body, sine(advancePhase(body)));
    body.x = rounded(double{body.x} + body.vx);
    body.y = rounded(double{body.y} + body.vy + wave);
}

void moveWaveX(Shooter& s) {
    EmitterStep& body = s.emitter;
    const float wave = offset(body, sine(advancePhase(body)));
    body.x = rounded(double{body.x} + body.vx + wave);
    body.y = rounded(double{body.y} + body.vy);
}

void moveRectifiedWaveY(Shooter& s) {
    EmitterStep& body = s.emitter;
    const double phase = advancePhase(body);
    const float wave = offset(body, rectifiedSine(body.angle, phase));
    body.x = rounded(double{body.x} + body.vx);
    body.y = rounded(double{body.y} + body.vy + wave);
}

void moveRectifiedWaveX(Shooter& s) {
    EmitterStep& body = s.emitter;
    const double phase = advancePhase(body);
    const float wave = offset(body, rectifiedSine(body.angle, phase));
    body.x = rounded(double{body.x} + body.vx + wave);
    body.y = rounded(double{body.y} + body.vy);
}

void moveCircle(Shooter& s) {
    EmitterStep& body = s.emitter;
    const double phase = advancePhase(body);
    const float across = offset(body, cosine(phase));
    const float down = offset(body, sine(phase));
    body.x = rounded(double{body.x} + body.vx + across);
    body.y = rounded(double{body.y} + body.vy + down);
}

void moveOrbit(Shooter& s) {
    EmitterStep& body = s.emitter;
    const double phase = advancePhase(body);
    const float across = offset(body, cosine(phase));
    const float down = offset(body, sine(phase));
    body.centreX = rounded(double{body.centreX} + body.vx);
    body.centreY = rounded(double{body.centreY} + body.vy);
    body.x = rounded(double{body.centreX} + across);
    body.y = rounded(double{body.centreY} + down);
}

ShooterBehaviour moveModeFor(int32_t moveMode) {
    // In the order of their numbers, kinds::MOVE_LINEAR to kinds::MOVE_ORBIT.
    static constexpr ShooterBehaviour MODES[kinds::MOVE_MODE_COUNT] = {
        moveLinear, moveWaveY, moveWaveX, moveRectifiedWaveY, moveRectifiedWaveX, moveCircle, moveOrbit};
    return moveMode >= 0 && moveMode < kinds::MOVE_MODE_COUNT ? MODES[moveMode] : moveLinear;
}

}  // namespace shooter
