// Movement modes: first-frame figures, the circle's closure, the rectified
// sine's quadrants and the wrap of the phase angle.
#include "shooter/MoveModes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "numerics/Numerics.h"

namespace shooter {
namespace {

Shooter body(int32_t mode, int32_t angle, int32_t angleStep, int32_t radius) {
    Shooter s;
    s.emitter.x = 320.0f, s.emitter.y = 240.0f;
    s.emitter.centreX = 320.0f, s.emitter.centreY = 240.0f;
    s.emitter.angle = angle, s.emitter.angleStep = angleStep, s.emitter.radius = radius;
    s.emitter.moveMode = mode;
    s.emitterMove = moveModeFor(mode);
    return s;
}

TEST(MoveModes, CircleRunsRoundAndClosesAfterHalfATurnOfSteps) {
    Shooter s = body(5, 0, 2, 2);
    s.emitterMove(s);
    EXPECT_EQ(s.emitter.angle, 2);
    EXPECT_NEAR(s.emitter.x, 321.99878, 0.000005);
    EXPECT_NEAR(s.emitter.y, 240.06979, 0.000005);
    float farthest = 0.0f;
    for (int frame = 2; frame <= 180; ++frame) {
        s.emitterMove(s);
        farthest = std::max(farthest, std::fabs(s.emitter.y - 240.0f));
    }
    EXPECT_NEAR(s.emitter.x, 320.0f, 0.0001);
    EXPECT_NEAR(s.emitter.y, 240.0f, 0.0001);
    EXPECT_NEAR(farthest, 2 * 57.3, 0.1);  // a circle of radius about 57.3
}

TEST(MoveModes, OrbitPutsTheBodyOnTheCircleRoundItsCentre) {
    Shooter s = body(6, 90, -2, 150);
    s.emitter.x = 0.0f, s.emitter.y = 0.0f;  // replaced in the first frame
    s.emitterMove(s);
    EXPECT_NEAR(s.emitter.x, 325.23489, 0.000005);
    EXPECT_NEAR(s.emitter.y, 389.90863, 0.000005);
    s.emitterMove(s);  // angle 86: a negative step turns towards the x axis
    EXPECT_GT(s.emitter.x, 325.3f);
    EXPECT_LT(s.emitter.y, 389.9f);
    for (int frame = 3; frame <= 181; ++frame) s.emitterMove(s);  // once round
    EXPECT_NEAR(s.emitter.x, 325.23489, 0.0001);
    EXPECT_NEAR(s.emitter.y, 389.90863, 0.0001);
    s.emitter.vx = 1.0f;
    s.emitterMove(s);
    EXPECT_EQ(s.emitter.centreX, 321.0f);
}

TEST(MoveModes, WavesSwingAcrossTheDrift) {
    Shooter y = body(1, 0, 90, 10);
    y.emitter.vx = 1.0f;
    y.emitterMove(y);
    EXPECT_EQ(y.emitter.x, 321.0f);
    EXPECT_EQ(y.emitter.y, 250.0f);
    Shooter x = body(2, 0, 90, 10);
    x.emitterMove(x);
    EXPECT_EQ(x.emitter.x, 330.0f);
    EXPECT_EQ(x.emitter.y, 240.0f);
}

TEST(MoveModes, RectifiedSineTakesItsSignFromTheHalfTurn) {
    const struct {
        int32_t angle;
        float expected;
    } cases[] = {{181, static_cast<float>(std::fabs(std::sin(double{numerics::degreesToRadians(181)})))},
                 {-90, -1.0f},
                 {-200, static_cast<float>(std::fabs(std::sin(double{numerics::degreesToRadians(-200)})))},
                 {90, -1.0f}};
    for (const auto& c : cases) {
        Shooter s = body(3, c.angle, 0, 1000);
        s.emitterMove(s);
        EXPECT_NEAR(s.emitter.y - 240.0f, 1000.0f * c.expected, 0.001) << c.angle;
        Shooter sideways = body(4, c.angle, 0, 1000);
        sideways.emitterMove(sideways);
        EXPECT_NEAR(sideways.emitter.x - 320.0f, 1000.0f * c.expected, 0.001) << c.angle;
    }
    EXPECT_GT(std::fabs(std::sin(double{numerics::degreesToRadians(-200)})), 0.34);
}

TEST(MoveModes, LinearNeverTouchesTheAngleAndUnknownModesAreLinear) {
    for (int32_t mode : {0, 7, 9, -1, INT32_MIN}) {
        Shooter s = body(mode, 33, 5, 50);
        s.emitter.vx = 1.5f, s.emitter.vy = -0.5f;
        s.emitterMove(s);
        EXPECT_EQ(s.emitter.angle, 33);
        EXPECT_EQ(s.emitter.x, 321.5f);
        EXPECT_EQ(s.emitter.y, 239.5f);
    }
}

TEST(MoveModes, ThePhaseAngleWrapsAsAThirtyTwoBitValue) {
    for (int32_t mode = 1; mode <= 6; ++mode) {
        Shooter s = body(mode, INT32_MAX - 1, 3, 2);
        s.emitterMove(s);
        EXPECT_EQ(s.emitter.angle, INT32_MIN + 1);
        EXPECT_TRUE(std::isfinite(s.emitter.x));
    }
}

}  // namespace
}  // namespace shooter
