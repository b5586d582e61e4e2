// Bullet programs against hand-worked frames: when each action runs and what
// it leaves; a volley fired from a bullet, in order, into the same store,
// from the slots a vanished bullet has not freed yet; and a world whose
// bullets run programs comes back exactly from a snapshot.
#include "actions/Actions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "bullets/BulletMotion.h"
#include "shooter/EmitterSchedule.h"
#include "shooter/Lifecycle.h"
#include "turret/TurretSchedule.h"
#include "world/Snapshot.h"
#include "world/World.h"

namespace actions {
namespace {

Action act(int32_t kind, int32_t how = ABSOLUTE, float value = 0.0f, int32_t frames = 0) {
    Action a;
    a.kind = kind, a.how = how, a.value = value, a.frames = frames;
    return a;
}

// The programs, each a list of actions given without its END (and a
// REPEAT's END given as END with jump 0, found here).
Programs programsOf(const std::vector<std::vector<Action>>& lists) {
    Programs p;
    for (const std::vector<Action>& list : lists) {
        const auto first = static_cast<int32_t>(p.actions.size());
        std::vector<int32_t> open;
        for (Action a : list) {
            const auto at = static_cast<int32_t>(p.actions.size());
            if (a.kind == REPEAT) open.push_back(at);
            if (a.kind == END) {
                a.jump = open.back();
                p.actions[static_cast<size_t>(open.back())].jump = at;
                open.pop_back();
            }
            p.actions.push_back(a);
        }
        p.actions.push_back(act(END));
        p.programs.push_back({first, static_cast<int32_t>(p.actions.size()) - first});
    }
    return p;
}

struct Store {
    actor::Shooter s;
    ShooterRuns runs;
    explicit Store(const Programs& p, int32_t slots = 256) {
        shooter::constructShooter(s);
        s.turret.bulletCount = slots;
        sizeRuns(runs, p, s, {});
    }
    ~Store() { shooter::destroyShooter(s); }
    uint64_t draws = 0;  // the world's run-time draws
    // A bullet as the gun leaves it in its launch frame, before its motion,
    // its program started as the gun's step's would be.
    bullets::Bullet& launch(int32_t slot, float vx, float vy, int32_t program) {
        bullets::Bullet& b = s.bullets[slot];
        b.x = 100.0f, b.y = 100.0f, b.vx = vx, b.vy = vy, b.alive = -1, b.motion = 0;
        runs.stepPrograms.assign(runs.steps.size(), program);
        runs.lastStep = nullptr;
        return b;
    }
    // A frame after the launch: the motion, then the programs.
    int32_t frame(const Programs& p) {
        bullets::BulletStore store = actor::bulletStore(s);
        bullets::moveStore(store);
        return runShooter(p, s, runs, draws);
    }
};

TEST(Actions, EachActionRunsAtItsFrameAndChangesOverFramesEndWhereTheySay) {
    // From the launch: wait 3 frames, turn to 90 degrees at once, speed to 4
    // over 2 frames, then a turn of 30 over 3 frames relative to its own.
    const Programs p = programsOf({{act(WAIT, ABSOLUTE, 0, 3), act(DIRECTION, ABSOLUTE, 90.0f), act(SPEED, ABSOLUTE, 4.0f, 2),
                                    act(WAIT, ABSOLUTE, 0, 2), act(DIRECTION, RELATIVE, 30.0f, 3)}});
    Store st(p);
    bullets::Bullet& b = st.launch(0, 2.0f, 0.0f, 0);
    st.frame(p);  // frame 1: the program starts, and waits
    EXPECT_EQ(st.runs.runs[0].program, 0);
    for (int32_t f = 2; f <= 3; ++f) {
        st.frame(p);
        EXPECT_EQ(b.vx, 2.0f) << "frame " << f;
    }
    st.frame(p);  // frame 4: 90 degrees at 2, the speed change begins next frame
    float vx = 0, vy = 0;
    velocityOf(90.0f, 2.0f, &vx, &vy);
    EXPECT_EQ(b.vx, vx);
    EXPECT_EQ(b.vy, vy);
    EXPECT_FLOAT_EQ(b.vy, 2.0f);
    st.frame(p);  // frame 5: 3
    EXPECT_EQ(st.runs.runs[0].speed, 3.0f);
    st.frame(p);  // frame 6: 4, exactly; the wait of 2 from frame 4 is over, the turn of 30 set, and the program done
    EXPECT_EQ(st.runs.runs[0].speed, 4.0f);
    EXPECT_EQ(st.runs.runs[0].program, DONE);
    for (const float direction : {100.0f, 110.0f, 120.0f}) {  // frames 7 to 9: the turn goes on
        st.frame(p);
        EXPECT_EQ(st.runs.runs[0].direction, direction);
    }
    velocityOf(120.0f, 4.0f, &vx, &vy);
    EXPECT_EQ(b.vx, vx);
    EXPECT_EQ(b.vy, vy);
}

TEST(Actions, AVolleyFromABulletTakesFreeSlotsInOrderOfTheSameStoreAndSequencesAndVanishing) {
    // The parent fires two bullets, each 15 degrees on from the last it fired
    // (the first from 0), in a repeat, then vanishes; its children go 1 faster
    // the frame after. In a store of 3 the vanished slot is not free that
    // frame: the second child takes slot 2 and a third would find none.
    Action fire = act(FIRE, SEQUENCE, 15.0f);
    fire.volley = 1, fire.speed = 1.0f, fire.program = 1;
    const Programs p = programsOf({{act(REPEAT, ABSOLUTE, 0, 3), fire, act(END), act(VANISH)}, {act(SPEED, RELATIVE, 1.0f)}});
    Store st(p, 3);
    st.launch(0, 2.0f, 0.0f, 0);
    EXPECT_EQ(st.frame(p), 1);  // the third child: no slot
    EXPECT_FALSE(st.s.bullets[0].alive);
    for (const auto& [slot, heading] : {std::pair{1, 15}, std::pair{2, 30}}) {
        const bullets::Bullet& child = st.s.bullets[slot];
        EXPECT_TRUE(child.alive);
        EXPECT_EQ(child.heading, heading);
        EXPECT_EQ(child.x, st.s.bullets[0].x);
        EXPECT_EQ(st.runs.runs[slot].speed, 1.0f);
    }
    st.frame(p);
    EXPECT_EQ(st.runs.runs[1].speed, 2.0f);
    EXPECT_EQ(st.runs.runs[0].program, NONE);  // free again
    // More children in a frame than a store holds are all counted as lost, not only those kept.
    Action wide = act(FIRE);
    wide.volley = 200;
    const Programs two = programsOf({{wide, wide}});
    Store big(two, 3);
    big.launch(0, 2.0f, 0.0f, 0);
    EXPECT_EQ(big.frame(two), 400 - 2);
}

// Two shooters whose bullets split: each a ring of 4 that fires a fan of 3 at
// the gun's target after 20 frames and vanishes.
struct Splitting {
    Programs p = [] {
        Action fan = act(FIRE, AIM, 0.0f);
        fan.volley = 3, fan.spread = 12.0f, fan.speed = 2.0f, fan.program = 1;
        return programsOf({{act(WAIT, ABSOLUTE, 0, 20), fan, act(VANISH)}, {act(SPEED, RELATIVE, 0.05f, 30)}});
    }();
    static void make(const void* context, world::World& w) {
        world::makeShooters(w, 2, 0);
        for (int32_t i = 0; i < 2; ++i) {
            actor::EmitterStep body;
            body.duration = 100'000, body.active = -1;
            body.x = 200.0f + 200.0f * static_cast<float>(i), body.y = 150.0f;
            shooter::addEmitterStep(w.shooters[i], body);
            actor::TurretStep gun;
            gun.duration = 100'000, gun.active = -1, gun.bulletCount = 256, gun.sweepDir = 1;
            gun.targetX = 320.0f, gun.targetY = 400.0f;
            gun.volleySize = 4, gun.spreadStep = 90, gun.speed = 1.5f, gun.burstPause = 9;
            turret::addTurretStep(w.shooters[i], gun);
        }
        world::rewindPrograms(w);
        const std::vector<int32_t> guns[2] = {{0, 0}, {0, 0}};
        world::givePrograms(w, &static_cast<const Splitting*>(context)->p, guns);
    }
};

TEST(Actions, AWorldOfSplittingBulletsComesBackExactlyFromASnapshotAndRefusesARunOutsideItsPrograms) {
    const Splitting splitting;
    world::World w, again;
    world::setUpWorld(w, {Splitting::make, &splitting});
    world::setUpWorld(again, {Splitting::make, &splitting});
    for (int32_t f = 0; f < 150; ++f) world::stepWorld(w);
    std::vector<uint64_t> bytes(world::snapshotBytes(w) / 8 + 1);
    ASSERT_TRUE(world::takeSnapshot(bytes.data(), bytes.size() * 8, w, 150));
    ASSERT_TRUE(world::soundSnapshot(bytes.data(), bytes.size() * 8, again));
    ASSERT_TRUE(world::restoreSnapshot(bytes.data(), again));
    int32_t children = 0;
    for (int32_t f = 0; f < 200; ++f) {
        world::stepWorld(w);
        world::stepWorld(again);
        for (int32_t j = 0; j < 256; ++j) children += w.runs[0].runs[j].program == 1;
    }
    EXPECT_GT(children, 0);
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_EQ(std::memcmp(w.shooters[i].bullets, again.shooters[i].bullets, sizeof(bullets::Bullet) * 256), 0);
        EXPECT_EQ(std::memcmp(w.runs[i].runs, again.runs[i].runs, sizeof w.runs[i].runs), 0);
    }
    // A run that names a program the world lacks, or stands outside its own.
    ASSERT_TRUE(world::takeSnapshot(bytes.data(), bytes.size() * 8, w, 350));
    const size_t runsAt = world::snapshotBytes(w) - 2 * ((sizeof(actions::Run) + sizeof(actions::RunRest)) * 256 + 16);
    for (const int32_t program : {2, -7}) {
        std::vector<uint64_t> bad = bytes;
        std::memcpy(reinterpret_cast<char*>(bad.data()) + runsAt, &program, sizeof program);
        EXPECT_FALSE(world::soundSnapshot(bad.data(), bad.size() * 8, again)) << program;
    }
    world::tearDownWorld(w);
    world::tearDownWorld(again);
}

}  // namespace
}  // namespace actions
