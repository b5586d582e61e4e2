// A million frames of the demonstration, drawn on the headless display: the
// bullet stores stay within their slots and the memory stays flat.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "shell/Program.h"

namespace shell {
namespace {

// The process's own resident memory, in kilobytes.
long anonymousKb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "RssAnon:" && status >> value) return value;
    }
    return -1;
}

TEST(LongRun, AMillionFramesKeepTheStoresInBoundsAndMemoryFlat) {
    display::UseWindowSystem(display_headless::headlessSystem());
    world::World pass;
    startUp(pass);
    long memoryAtStart = 0;
    for (int32_t frame = 1; frame <= 1'000'000; ++frame) {
        runFrame(pass);
        if (frame % 100'000 != 0) continue;
        if (frame == 100'000) memoryAtStart = anonymousKb();
        for (int32_t i = 0; i < pass.count; ++i) {
            const actor::Shooter& s = pass.shooters[i];
            ASSERT_EQ(s.emitter.active, -1);
            ASSERT_EQ(actor::usedSlots(s), actor::BULLET_CAPACITY);
            for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
                const bullets::Bullet& b = s.bullets[j];
                if (!b.alive) continue;
                ASSERT_TRUE(b.x >= -50.0f && b.x <= 690.0f && b.y >= -50.0f && b.y <= 530.0f)
                    << "frame " << frame << " shooter " << i << " slot " << j;
            }
        }
    }
    EXPECT_EQ(display::RetraceCount(), 1'000'000);
    EXPECT_LE(anonymousKb() - memoryAtStart, 64) << "memory grew between frames 100,000 and 1,000,000";
    shutDown(pass);
    display::CloseScreen();
}

}  // namespace
}  // namespace shell
