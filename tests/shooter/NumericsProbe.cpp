// Runs every movement mode and every bullet motion for a long while and prints
// the bits of each result. Built once at -O0 and once as the release is, the
// two outputs must match: an optimiser that drops a float rounding shows here.
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "bullets/BulletMotion.h"
#include "shooter/MoveModes.h"

namespace {

uint32_t bits(float value) {
    uint32_t word;
    std::memcpy(&word, &value, sizeof word);
    return word;
}

}  // namespace

int main() {
    for (int32_t mode = 0; mode <= 6; ++mode) {
        actor::Shooter s;
        s.emitter = {0, 320.0f, 240.0f, 0.013f, -0.007f, 320.0f, 240.0f, -1, 7 * mode, mode % 2 ? 3 : -5, 2 + 37 * mode, mode};
        s.emitterMove = shooter::moveModeFor(mode);
        for (int frame = 0; frame < 20000; ++frame) s.emitterMove(s);
        std::printf("mode %" PRId32 " %08x %08x %08x %08x %" PRId32 "\n", mode, bits(s.emitter.x), bits(s.emitter.y),
                    bits(s.emitter.centreX), bits(s.emitter.centreY), s.emitter.angle);
    }
    for (int32_t motion = 0; motion <= 3; ++motion) {
        bullets::Bullet b(100.0f, 200.0f);
        b.vx = 5.029f, b.vy = -0.331f, b.ax = 0.0005f, b.ay = 0.00031f, b.boostX = 0.0145f, b.boostY = -0.003f;
        b.motion = motion, b.haltAt = 40, b.alive = -1;
        for (int frame = 0; frame < 3000; ++frame) {
            bullets::moveBullet(b, 320.0f, 240.0f, 0.029f);
            if (frame % 500 == 0 || frame == 120) {
                std::printf("motion %" PRId32 " %d %08x %08x %08x %08x %08x %08x\n", motion, frame, bits(b.x), bits(b.y),
                            bits(b.vx), bits(b.vy), bits(b.boostX), bits(b.boostY));
            }
        }
    }
    return 0;
}
