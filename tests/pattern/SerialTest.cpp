// A pattern handed over as bytes: every sample arrives whole (its world runs
// as the original's, bit for bit), and bytes cut short or changed are refused,
// or make a world that runs inside its stores, never one that reaches outside.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "pattern/Pattern.h"

namespace pattern {
namespace {

// Every field the simulation keeps, after `frames` frames of the world.
std::string stateAfter(const Pattern& p, int32_t frames) {
    world::World world;
    world::setUpWorld(world, makerFor(p));
    for (int32_t f = 0; f < frames; ++f) world::stepWorld(world);
    std::string state;
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        state.append(reinterpret_cast<const char*>(&s.emitter), sizeof s.emitter);
        state.append(reinterpret_cast<const char*>(&s.turret.duration), sizeof s.turret.duration);
        state.append(reinterpret_cast<const char*>(s.bullets), sizeof(bullets::Bullet) * actor::BULLET_CAPACITY);
    }
    world::tearDownWorld(world);
    return state;
}

TEST(PatternBytes, SamplesArriveWholeAndDamagedBytesNeverReachOutsideTheWorld) {
    std::mt19937 random(20261208);
    for (const char* name : {"demonstration", "hunters", "rain"}) {
        std::ifstream file(std::string(BARRAGE_SOURCE_DIR) + "/patterns/" + name + ".toml");
        const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        const Loaded loaded = parsePattern(text, name);
        ASSERT_FALSE(refused(loaded)) << name;
        const std::vector<uint8_t> bytes = packPattern(loaded.pattern);
        Pattern arrived;
        ASSERT_TRUE(unpackPattern(bytes.data(), bytes.size(), arrived)) << name;
        EXPECT_EQ(arrived.file, name);
        EXPECT_EQ(stateAfter(arrived, 2'000), stateAfter(loaded.pattern, 2'000)) << name;

        Pattern untouched;
        for (size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 16) {
            EXPECT_FALSE(unpackPattern(bytes.data(), cut, untouched)) << name << " cut to " << cut << " bytes";
        }
        EXPECT_EQ(untouched.shooterCount, 0) << "a refusal changed the pattern";
        for (int trial = 0; trial < 300; ++trial) {
            std::vector<uint8_t> damaged = bytes;
            for (int k = 0; k < 4; ++k) damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
            Pattern p;
            if (unpackPattern(damaged.data(), damaged.size(), p)) stateAfter(p, 50);
        }
    }
}

}  // namespace
}  // namespace pattern
