// The C interface as a game uses it: a save restored and stepped on is the
// world stepped on, events and the hit test agree with the ship's counts, and
// hostile calls (null pointers, short buffers, texts over the limit, saves of
// another world or changed bytes) are refused without harm.
#include <barrage.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

uint64_t digestOf(const barrage_world* w) {
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&](const void* bytes, size_t size) {
        for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const unsigned char*>(bytes)[i]) * 1099511628211ull;
    };
    barrage_ship ship{};
    barrage_get_ship(w, &ship);
    mix(&ship, sizeof ship);
    for (int32_t i = 0; i < barrage_shooter_count(w); ++i) {
        barrage_shooter s{};
        barrage_get_shooter(w, i, &s);
        mix(&s, sizeof s);
        int32_t slots = 0;
        const barrage_bullet* b = barrage_bullets(w, i, &slots);
        mix(b, sizeof *b * static_cast<size_t>(slots));
    }
    return hash;
}

// A gun at (320, 100) firing aimed volleys of three at the ship.
const std::string AIMED =
    "[player]\nstart = [320, 400]\n[shooters]\ncount = 1\n"
    "[movement.m]\nsteps = [ { duration = 1000, x = 320.0, y = 100.0, active = true } ]\n"
    "[firing.f]\nsteps = [ { duration = 1000, active = true, bulletCount = 64, volleySize = 1, "
    "fireDelay = 10, shotInterval = 6, speed = 4.0, aimAtTarget = true, targetRef = \"player\" } ]\n";

struct Pattern {
    barrage_pattern* p = nullptr;
    int32_t status = 0;
    explicit Pattern(const std::string& text) {
        status = barrage_read_pattern(text.data(), text.size(), "test.toml", nullptr, 0, &p);
    }
    ~Pattern() { barrage_free_pattern(p); }
};

// Frames of steering: `move` and left by turns, twenty frames each.
void steer(barrage_world* w, int32_t frames, int32_t move) {
    for (int32_t i = 0; i < frames; ++i) barrage_step(w, i % 40 < 20 ? move : BARRAGE_MOVE_LEFT);
}

struct World {
    barrage_world* w = nullptr;
    explicit World(const barrage_pattern* p) { EXPECT_EQ(barrage_make_world(p, &w), BARRAGE_OK); }
    ~World() { barrage_free_world(w); }
    void step(int32_t frames, int32_t move = BARRAGE_MOVE_NONE) { steer(w, frames, move); }
};

TEST(Runtime, ASaveRestoredAndSteppedOnIsTheWorldSteppedOn) {
    Pattern aimed(AIMED);
    ASSERT_EQ(aimed.status, BARRAGE_OK);
    for (const barrage_pattern* p : std::vector<const barrage_pattern*>{nullptr, aimed.p}) {
        World a(p), b(p);
        a.step(700, BARRAGE_MOVE_RIGHT);
        std::vector<unsigned char> save(barrage_save_size(a.w));
        ASSERT_EQ(barrage_save(a.w, save.data(), save.size()), BARRAGE_OK);
        a.step(300, BARRAGE_MOVE_UP_RIGHT);
        const uint64_t on = digestOf(a.w);
        // Into the world it came from, and into another made alike.
        for (barrage_world* into : {a.w, b.w}) {
            ASSERT_EQ(barrage_restore(into, save.data(), save.size()), BARRAGE_OK);
            EXPECT_EQ(barrage_frame(into), 700);
            steer(into, 300, BARRAGE_MOVE_UP_RIGHT);
            EXPECT_EQ(digestOf(into), on) << (p ? "the aimed pattern" : "the demonstration");
        }
        // A pattern shipped as bytes makes the same world, and takes the same saves.
        if (p) {
            size_t size = 0;
            EXPECT_EQ(barrage_pack_pattern(p, nullptr, 0, &size), BARRAGE_ERROR_ROOM);
            std::vector<unsigned char> bytes(size);
            ASSERT_EQ(barrage_pack_pattern(p, bytes.data(), size, &size), BARRAGE_OK);
            barrage_pattern* packed = nullptr;
            ASSERT_EQ(barrage_read_packed(bytes.data(), size, &packed), BARRAGE_OK);
            World c(packed);
            ASSERT_EQ(barrage_restore(c.w, save.data(), save.size()), BARRAGE_OK);
            steer(c.w, 300, BARRAGE_MOVE_UP_RIGHT);
            EXPECT_EQ(digestOf(c.w), on);
            barrage_free_world(c.w);
            c.w = nullptr;
            barrage_free_pattern(packed);
            bytes[bytes.size() / 2] ^= 0xff;
            bytes.resize(bytes.size() - 3);
            EXPECT_EQ(barrage_read_packed(bytes.data(), bytes.size(), &packed), BARRAGE_ERROR_REFUSED);
            EXPECT_EQ(packed, nullptr);
        }
        // A save is refused by a world of another pattern, and leaves it as it was.
        World other(p ? nullptr : aimed.p);
        const uint64_t before = digestOf(other.w);
        EXPECT_EQ(barrage_restore(other.w, save.data(), save.size()), BARRAGE_ERROR_SAVE);
        EXPECT_EQ(digestOf(other.w), before);
    }
}

TEST(Runtime, WorldsOnSeparateThreadsAreWorldsAlone) {
    // Each thread reads the text and steps a world of it and one of a
    // shared pattern; all of them end as one thread alone does.
    Pattern shared(AIMED);
    const auto run = [&](uint64_t* out) {
        Pattern own(AIMED);
        World a(own.p), b(shared.p);
        a.step(900, BARRAGE_MOVE_RIGHT);
        b.step(900, BARRAGE_MOVE_RIGHT);
        *out = digestOf(a.w) ^ (digestOf(b.w) << 1);
    };
    uint64_t alone = 0;
    run(&alone);
    std::vector<uint64_t> digests(4);
    std::vector<std::thread> threads;
    for (uint64_t& d : digests) threads.emplace_back(run, &d);
    for (std::thread& t : threads) t.join();
    for (const uint64_t d : digests) EXPECT_EQ(d, alone);
}

TEST(Runtime, EventsAndTheHitTestAgreeWithTheShip) {
    Pattern aimed(AIMED);
    World run(aimed.p);
    ASSERT_TRUE(barrage_has_ship(run.w));
    int32_t hits = 0, grazes = 0;
    for (int32_t frame = 0; frame < 600; ++frame) {
        barrage_step(run.w, BARRAGE_MOVE_NONE);
        int32_t count = -1;
        const barrage_event* events = barrage_events(run.w, &count);
        barrage_ship ship{};
        barrage_get_ship(run.w, &ship);
        for (int32_t i = 0; i < count; ++i) {
            int32_t slots = 0;
            const barrage_bullet& b = barrage_bullets(run.w, events[i].shooter, &slots)[events[i].slot];
            const double dx = double{b.x} - ship.x, dy = double{b.y} - ship.y;
            const double reach = events[i].kind == BARRAGE_EVENT_HIT ? ship.hit_radius + ship.bullet_radius
                                                                     : ship.graze_radius + ship.bullet_radius;
            EXPECT_TRUE(b.alive && dx * dx + dy * dy < reach * reach);
            (events[i].kind == BARRAGE_EVENT_HIT ? hits : grazes) += 1;
        }
        EXPECT_EQ(hits, ship.hits);
        EXPECT_EQ(grazes, ship.grazes);
        // The hit test at the ship with its reach finds at least this frame's hits.
        const int32_t near = barrage_hit_test(run.w, ship.x, ship.y, ship.hit_radius + ship.bullet_radius, nullptr, 0);
        EXPECT_GE(near, count > 0 && events[0].kind == BARRAGE_EVENT_HIT ? 1 : 0);
    }
    EXPECT_GT(hits, 0);
    EXPECT_GT(grazes, 0);
    // The whole screen and more finds every live bullet, and writes no more than it is given room for.
    barrage_shooter s{};
    barrage_get_shooter(run.w, 0, &s);
    barrage_bullet_ref found[4] = {{-1, -1}, {-1, -1}, {-1, -1}, {-1, -1}};
    EXPECT_EQ(barrage_hit_test(run.w, 320, 240, 1e6f, found, 3), s.live);
    EXPECT_EQ(found[3].shooter, -1);
    // A game that moves its own player: rounded to a whole pixel, kept on the screen.
    ASSERT_EQ(barrage_set_ship(run.w, 1000.4f, 12.6f), BARRAGE_OK);
    barrage_ship ship{};
    barrage_get_ship(run.w, &ship);
    EXPECT_EQ(ship.x, 639.0f);
    EXPECT_EQ(ship.y, 13.0f);
}

TEST(Runtime, MistakesComeAsRecordsAndHostileCallsAreRefused) {
    Pattern bad("[shooters]\ncount = 1\n[firing.f]\nsteps = [ { duration = 10 } ]\n[movement.m]\nsteps = [ { duration = 10, moveMod = 1 } ]\n");
    ASSERT_EQ(bad.status, BARRAGE_ERROR_REFUSED);
    ASSERT_GE(barrage_message_count(bad.p), 1);
    barrage_message m{};
    ASSERT_EQ(barrage_get_message(bad.p, 0, &m), BARRAGE_OK);
    EXPECT_EQ(m.severity, BARRAGE_SEVERITY_ERROR);
    EXPECT_EQ(m.line, 6);
    EXPECT_NE(std::string(m.text).find("moveMod"), std::string::npos) << m.text;
    barrage_world* w = reinterpret_cast<barrage_world*>(&m);
    EXPECT_EQ(barrage_make_world(bad.p, &w), BARRAGE_ERROR_REFUSED);
    EXPECT_EQ(w, nullptr);
    const barrage_setting unknown{"nope", 3};
    barrage_pattern* p = nullptr;
    EXPECT_EQ(barrage_read_pattern(AIMED.data(), AIMED.size(), nullptr, &unknown, 1, &p), BARRAGE_ERROR_REFUSED);
    barrage_free_pattern(p);
    const std::string huge(BARRAGE_MAX_TEXT + 1, ' ');
    EXPECT_EQ(barrage_read_pattern(huge.data(), huge.size(), nullptr, nullptr, 0, &p), BARRAGE_ERROR_REFUSED);
    EXPECT_EQ(barrage_message_count(p), 1);
    barrage_free_pattern(p);

    // Null pointers and indexes out of range.
    EXPECT_EQ(barrage_read_pattern(nullptr, 5, nullptr, nullptr, 0, &p), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_read_pattern("", 0, nullptr, nullptr, 0, nullptr), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_make_world(nullptr, nullptr), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_step(nullptr, 0), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_get_message(nullptr, 0, &m), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_get_ship(nullptr, nullptr), BARRAGE_ERROR_ARGUMENT);
    World demo(nullptr);
    int32_t slots = 7;
    EXPECT_EQ(barrage_bullets(demo.w, 4, &slots), nullptr);
    EXPECT_EQ(slots, 0);
    barrage_shooter s{};
    EXPECT_EQ(barrage_get_shooter(demo.w, -1, &s), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_hit_test(demo.w, 0, 0, -1, nullptr, 0), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_hit_test(demo.w, 0, 0, 5, nullptr, 2), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_set_ship(demo.w, 1.0f / 0.0f, 0), BARRAGE_ERROR_ARGUMENT);
    barrage_free_world(nullptr);
    barrage_free_pattern(nullptr);

    // Saves: too little room, bytes that are not a save, a save with any one byte changed.
    demo.step(500, BARRAGE_MOVE_DOWN);
    std::vector<unsigned char> save(barrage_save_size(demo.w));
    EXPECT_EQ(barrage_save(demo.w, save.data(), save.size() - 1), BARRAGE_ERROR_ROOM);
    ASSERT_EQ(barrage_save(demo.w, save.data(), save.size()), BARRAGE_OK);
    const uint64_t saved = digestOf(demo.w);
    EXPECT_EQ(barrage_restore(demo.w, save.data(), save.size() - 1), BARRAGE_ERROR_SAVE);
    std::vector<unsigned char> noise(save.size(), 0xA5);
    EXPECT_EQ(barrage_restore(demo.w, noise.data(), noise.size()), BARRAGE_ERROR_SAVE);
    for (size_t at = 0; at < save.size(); at += 97) {
        save[at] ^= 0x40;
        EXPECT_EQ(barrage_restore(demo.w, save.data(), save.size()), BARRAGE_ERROR_SAVE) << "byte " << at;
        save[at] ^= 0x40;
    }
    EXPECT_EQ(digestOf(demo.w), saved);

    // Recordings: the moves, and anything else refused.
    const std::string recording = "barrage recording 1\npattern \"\"\ndigest \"\"\nframes 3\nmoves\nab2\nend\n";
    uint8_t moves[2] = {99, 99};
    int64_t frames = 0;
    ASSERT_EQ(barrage_read_recording(recording.data(), recording.size(), moves, 2, &frames), BARRAGE_OK);
    EXPECT_EQ(frames, 3);
    EXPECT_EQ(moves[0], 0);
    EXPECT_EQ(moves[1], 1);
    EXPECT_EQ(barrage_read_recording("nonsense", 8, moves, 2, &frames), BARRAGE_ERROR_REFUSED);
}

// A bullet's program, as a game reads it: which program, its next action
// and wait, its direction and speed; none for the demonstration.
TEST(Runtime, ABulletsProgramIsReadWhereItStands) {
    const Pattern p("[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 1000, x = 320.0, y = 100.0, active = true } ]\n"
                    "[firing.f]\nsteps = [ { duration = 1000, active = true, bulletCount = 64, volleySize = 2, spreadStep = 90, "
                    "sweepDir = 1, fireDelay = 1, burstPause = 100, speed = 2.0, bullet = \"b\" } ]\n"
                    "[bullet.b]\nactions = [ { wait = 5 }, { speed = 3.0, frames = 10 }, { wait = 50 } ]\n");
    ASSERT_EQ(p.status, BARRAGE_OK);
    EXPECT_STREQ(barrage_bullet_program_name(p.p, 0), "b");
    EXPECT_EQ(barrage_bullet_program_name(p.p, 1), nullptr);
    World w(p.p);
    w.step(2);  // launched in frame 2, its wait set
    barrage_bullet_run run{};
    ASSERT_EQ(barrage_get_bullet_run(w.w, 0, 1, &run), BARRAGE_OK);
    EXPECT_EQ(run.program, 0);
    EXPECT_EQ(run.action, 1);
    EXPECT_EQ(run.wait, 5);
    EXPECT_EQ(run.speed, 2.0f);
    EXPECT_EQ(run.index, 1);
    EXPECT_EQ(run.volley, 2);
    w.step(5);  // in frame 7 its speed change is set going, then its last wait
    ASSERT_EQ(barrage_get_bullet_run(w.w, 0, 0, &run), BARRAGE_OK);
    EXPECT_EQ(run.action, 3);
    EXPECT_EQ(run.wait, 50);
    EXPECT_EQ(run.speed, 2.0f);
    w.step(1);  // a tenth of the way
    ASSERT_EQ(barrage_get_bullet_run(w.w, 0, 0, &run), BARRAGE_OK);
    EXPECT_EQ(run.speed, 2.1f);
    EXPECT_EQ(barrage_get_bullet_run(w.w, 0, 256, &run), BARRAGE_ERROR_ARGUMENT);
    EXPECT_EQ(barrage_get_bullet_run(w.w, 1, 0, &run), BARRAGE_ERROR_ARGUMENT);
    World demo(nullptr);
    ASSERT_EQ(barrage_get_bullet_run(demo.w, 0, 0, &run), BARRAGE_OK);
    EXPECT_EQ(run.program, -1);
}

}  // namespace
