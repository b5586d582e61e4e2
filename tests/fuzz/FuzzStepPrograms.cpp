// Hostile step programs: turret and movement steps of arbitrary bits (bullet
// counts outside the store, NaN and huge floats, extreme angles, durations,
// sweeps and spreads, unknown modes and kinds) run through the real shooter
// pass for a few hundred frames, drawn on the headless display.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "shell/Picture.h"
#include "shell/Picture.h"
#include "shell/Program.h"
#include "shooter/EmitterSchedule.h"
#include "shooter/Lifecycle.h"
#include "turret/TurretSchedule.h"

namespace {

constexpr int32_t FRAMES = 300;

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    // Fills the record from the input, zero once it runs out.
    template <typename T>
    void fill(T& record) {
        uint8_t bytes[sizeof(T)] = {};
        const size_t count = size - at < sizeof(T) ? size - at : sizeof(T);
        std::memcpy(bytes, data + at, count);
        at += count;
        std::memcpy(static_cast<void*>(&record), bytes, sizeof(T));
    }
    uint8_t byte() { return at < size ? data[at++] : 0; }
};

// References may point at a real position or nowhere; never at random memory.
const float POSITION[2] = {320.0f, 240.0f};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    display::UseWindowSystem(display_headless::headlessSystem());
    display::OpenScreen(18, 8, 2, 0, 0);
    display::SetPages(1, 0);
    Reader input{data, size};
    actor::Shooter shooters[2];
    for (actor::Shooter& s : shooters) {
        shooter::constructShooter(s);
        const uint8_t steps = input.byte() % 5;
        for (uint8_t k = 0; k < steps; ++k) {
            actor::TurretStep firing;
            input.fill(firing);
            const uint8_t refs = input.byte();
            firing.originRef = refs & 1 ? POSITION : nullptr;
            firing.targetRef = refs & 2 ? POSITION : nullptr;
            // Mostly durations that keep the programs moving within the frames
            // we run; now and then whatever the input says, extremes included.
            if (firing.reserved & 7) firing.duration %= 64;
            turret::addTurretStep(s, firing);
            actor::EmitterStep moving;
            input.fill(moving);
            if (firing.reserved & 7) moving.duration %= 64;
            shooter::addEmitterStep(s, moving);
        }
        shooter::resetEmitterSchedule(s);
        turret::resetTurretSchedule(s);
    }
    world::ShooterFrame frames[2];
    world::World pass;
    pass.shooters = shooters;
    pass.count = 2;
    pass.frames = frames;
    for (int32_t frame = 0; frame < FRAMES; ++frame) {
        world::stepWorld(pass);
        shell::drawWorld(pass);
        display::CopyWorkPage();
    }
    for (actor::Shooter& s : shooters) shooter::destroyShooter(s);
    display::CloseScreen();
    return 0;
}
