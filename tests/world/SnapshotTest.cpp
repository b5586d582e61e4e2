// Snapshots from elsewhere: bytes changed anywhere in the records a snapshot
// holds are either refused by soundSnapshot or restore into a world that
// steps on without reaching outside it (the sanitizers' build says so).
#include "world/Snapshot.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "shooter/EmitterSchedule.h"
#include "turret/TurretSchedule.h"

namespace world {
namespace {

// Two shooters whose guns follow a fixed point and the other's body, with a ship.
void make(const void*, World& world) {
    makeShooters(world, 2, 1);
    world.points[0] = 320.0f;
    world.points[1] = 400.0f;
    for (int32_t i = 0; i < 2; ++i) {
        actor::EmitterStep body;
        body.duration = 50;
        body.x = 100.0f + 200.0f * static_cast<float>(i);
        body.y = 100.0f;
        body.active = -1;
        shooter::addEmitterStep(world.shooters[i], body);
        actor::TurretStep gun;
        gun.duration = 30;
        gun.active = -1;
        gun.bulletCount = 8;
        gun.fireDelay = 1;
        gun.speed = 2.0f;
        gun.aimAtTarget = -1;
        gun.targetRef = world.points;
        gun.originRef = &world.shooters[1 - i].emitter.x;
        turret::addTurretStep(world.shooters[i], gun);
    }
    rewindPrograms(world);
    world.ship.present = -1;
}

TEST(Snapshot, BytesChangedInItsRecordsAreRefusedOrRestoreSafely) {
    World w;
    setUpWorld(w, {make, nullptr});
    for (int32_t frame = 0; frame < 40; ++frame) stepWorld(w);
    const size_t size = snapshotBytes(w);
    std::vector<uint64_t> taken(size / 8 + 1);
    ASSERT_TRUE(takeSnapshot(taken.data(), size, w, 40));
    ASSERT_TRUE(soundSnapshot(taken.data(), size, w));
    // Where each shooter's record lies in the bytes: it holds the store's address.
    std::vector<size_t> records;
    const auto* bytes = reinterpret_cast<const unsigned char*>(taken.data());
    for (int32_t i = 0; i < w.count; ++i) {
        for (size_t at = 0; at + sizeof(void*) <= size; at += 8) {
            if (std::memcmp(bytes + at, &w.shooters[i].bullets, sizeof(void*)) == 0) {
                records.push_back(at - offsetof(actor::Shooter, bullets));
                break;
            }
        }
    }
    ASSERT_EQ(records.size(), 2u);
    records.push_back(0);  // the head, with the ship
    int32_t refused = 0, restored = 0;
    for (const size_t start : records) {
        for (size_t at = start; at < start + sizeof(actor::Shooter) + 160 && at + 4 <= size; at += 4) {
            for (const uint32_t hostile : {0x7fffffffu, 0x80000000u, 0xffffffffu, 0x41414141u}) {
                std::vector<uint64_t> changed = taken;
                std::memcpy(reinterpret_cast<unsigned char*>(changed.data()) + at, &hostile, 4);
                if (!soundSnapshot(changed.data(), size, w)) {
                    ++refused;
                    continue;
                }
                ++restored;
                ASSERT_TRUE(restoreSnapshot(changed.data(), w));
                for (int32_t frame = 0; frame < 3; ++frame) stepWorld(w);
            }
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_GT(restored, 0);
    tearDownWorld(w);
}

}  // namespace
}  // namespace world
