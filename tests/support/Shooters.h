// Shooters for tests of the simulation, which needs no display: a record
// with a bullet store of its own, for the parts that work on a shooter
// without its programs, and a constructed shooter destroyed with the test.
#pragma once

#include <memory>

#include "actor/Shooter.h"
#include "shooter/Lifecycle.h"

namespace testing_support {

struct TestShooter {
    std::unique_ptr<bullets::Bullet[]> store = std::make_unique<bullets::Bullet[]>(actor::BULLET_CAPACITY);
    actor::Shooter shooter;

    TestShooter() {
        shooter.bullets = store.get();
        shooter.turret.active = -1;
        shooter.turret.bulletCount = actor::BULLET_CAPACITY;
    }
    int liveCount() const {
        int live = 0;
        for (int i = 0; i < actor::BULLET_CAPACITY; ++i) live += store[i].alive != 0;
        return live;
    }
};

struct OwnedShooter {
    actor::Shooter shooter;
    OwnedShooter() { shooter::constructShooter(shooter); }
    ~OwnedShooter() { shooter::destroyShooter(shooter); }
    OwnedShooter(const OwnedShooter&) = delete;
    OwnedShooter& operator=(const OwnedShooter&) = delete;
};

}  // namespace testing_support
