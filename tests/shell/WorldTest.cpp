// What a stepped world draws, compared byte for byte with pages drawn by hand;
// stepping alone draws nothing.
#include "shell/Picture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "support/Headless.h"
#include "support/Shooters.h"
#include "shell/Program.h"
#include "shooter/EmitterSchedule.h"

namespace shell {
namespace {

struct WorldTest : ::testing::Test {
    std::unique_ptr<screen::Screen> expected = std::make_unique<screen::Screen>();

    void SetUp() override {
        testing_support::openHeadlessDisplay();
        screen::openScreen(*expected);
        screen::fillBox(*expected, 0, 0, 639, 479, 0);
        screen::drawCircle(*expected, 320, 240, 10, 15);
    }
    void TearDown() override { display::CloseScreen(); }

    static void quieten(actor::Shooter& s) {
        // No programs and an idle gun: the shooter keeps exactly what we give it.
        collections::releaseList(s.emitterSteps);
        collections::releaseList(s.turretSteps);
        s.turret.active = 0;
    }
    static void stepAndDraw(world::World& world) {
        world::stepWorld(world);
        drawWorld(world);
    }
    void expectPage() {
        EXPECT_EQ(std::memcmp(display::CurrentScreen().pages[0], expected->pages[0], sizeof expected->pages[0]), 0);
    }
};

TEST_F(WorldTest, WithEveryShooterInactiveOnlyTheRingShows) {
    world::World pass;
    world::setUpWorld(pass);
    for (int32_t i = 0; i < pass.count; ++i) pass.shooters[i].emitter.active = 0;
    stepAndDraw(pass);
    expectPage();
    world::tearDownWorld(pass);
}

TEST_F(WorldTest, DrawsBodiesAndLiveBulletsOfTheUsedSlotsOnly) {
    world::World pass;
    world::setUpWorld(pass);
    for (int32_t i = 0; i < pass.count; ++i) {
        quieten(pass.shooters[i]);
        pass.shooters[i].emitter.active = 0;
    }
    actor::Shooter& s = pass.shooters[2];
    s.emitter.active = -1;
    s.emitter.x = 100.0f, s.emitter.y = 100.5f;
    s.turret.bulletCount = 5;
    s.bullets[0].alive = -1, s.bullets[0].x = 200.0f, s.bullets[0].y = 200.0f;
    s.bullets[1].alive = 0, s.bullets[1].x = 300.0f, s.bullets[1].y = 300.0f;
    s.bullets[4].alive = -1, s.bullets[4].x = -49.0f, s.bullets[4].y = 470.0f;
    s.bullets[5].alive = -1, s.bullets[5].x = 400.0f, s.bullets[5].y = 300.0f;
    stepAndDraw(pass);
    screen::drawCircle(*expected, 100.0f, 100.5f, 10, 13);
    screen::drawCircle(*expected, 200, 200, 3, 15);
    screen::drawCircle(*expected, -49.0f, 470.0f, 3, 15);
    expectPage();

    // More slots than the store holds: drawing reaches its last bullet and stops there.
    s.turret.bulletCount = 100000;
    for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) s.bullets[j].alive = 0;
    bullets::Bullet& last = s.bullets[actor::BULLET_CAPACITY - 1];
    last.alive = -1, last.x = 500.0f, last.y = 400.0f;
    stepAndDraw(pass);
    screen::fillBox(*expected, 0, 0, 639, 479, 0);
    screen::drawCircle(*expected, 320, 240, 10, 15);
    screen::drawCircle(*expected, 100.0f, 100.5f, 10, 13);
    screen::drawCircle(*expected, 500, 400, 3, 15);
    expectPage();
    world::tearDownWorld(pass);
}

TEST_F(WorldTest, AShooterSwitchedOffIsDrawnInThatFrameAndFrozenAfter) {
    testing_support::OwnedShooter owned;
    actor::Shooter& s = owned.shooter;
    actor::EmitterStep off;
    off.duration = 5, off.x = 100.0f, off.y = 100.0f, off.active = 0;
    shooter::addEmitterStep(s, off);
    shooter::resetEmitterSchedule(s);
    collections::releaseList(s.turretSteps);
    world::ShooterFrame frame;
    world::World pass{&s, 1, &frame, nullptr, 0, {}, nullptr, nullptr, 0};
    const std::unique_ptr<screen::Screen> before = std::make_unique<screen::Screen>(display::CurrentScreen());
    world::stepWorld(pass);
    EXPECT_EQ(std::memcmp(before.get(), &display::CurrentScreen(), sizeof *before), 0) << "a step drew";
    drawWorld(pass);
    // The read-out first, then the body over it.
    screen::locateText(*expected, 6, 1);
    screen::printText(*expected, "emitter time -1", 15, true);
    screen::printText(*expected, "emitter listindex  0", 20, true);
    screen::drawCircle(*expected, 100, 100, 10, 13);
    expectPage();
    EXPECT_EQ(s.emitter.active, 0);
    stepAndDraw(pass);
    EXPECT_EQ(collections::currentRecord(s.emitterSteps)->duration, 5);  // its program no longer runs
}

}  // namespace
}  // namespace shell
