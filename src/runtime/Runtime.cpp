// The C interface over the reader and the world: handles that own what the
// tools' own code makes, every call fenced so that no exception, abort or
// printed word reaches the host.
#include "barrage.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "pattern/Pattern.h"
#include "replay/Recording.h"
#include "runtime/RuntimeParts.h"
#include "world/Snapshot.h"
#include "world/World.h"

namespace runtime {
namespace {

// The bullet and event records are the engine's own, read in place.
static_assert(sizeof(barrage_bullet) == sizeof(bullets::Bullet));
static_assert(offsetof(barrage_bullet, x) == offsetof(bullets::Bullet, x));
static_assert(offsetof(barrage_bullet, vy) == offsetof(bullets::Bullet, vy));
static_assert(offsetof(barrage_bullet, boost_y) == offsetof(bullets::Bullet, boostY));
static_assert(offsetof(barrage_bullet, alive) == offsetof(bullets::Bullet, alive));
static_assert(offsetof(barrage_bullet, age) == offsetof(bullets::Bullet, age));
static_assert(offsetof(barrage_bullet, tag_c) == offsetof(bullets::Bullet, tagC));
static_assert(offsetof(barrage_bullet, motion) == offsetof(bullets::Bullet, motion));
static_assert(sizeof(barrage_event) == sizeof(world::ShipEvent));
static_assert(offsetof(barrage_event, shooter) == offsetof(world::ShipEvent, shooter));
static_assert(offsetof(barrage_event, slot) == offsetof(world::ShipEvent, slot));
static_assert(BARRAGE_EVENT_HIT == world::EVENT_HIT && BARRAGE_EVENT_GRAZE == world::EVENT_GRAZE);
static_assert(BARRAGE_MOVE_FOCUSED == world::MOVE_FOCUSED && BARRAGE_MOVE_UP_RIGHT == world::MOVE_UP_RIGHT);
static_assert(BARRAGE_STORE_SLOTS == actor::BULLET_CAPACITY);
static_assert(BARRAGE_MAX_TEXT == pattern::MAX_FILE_BYTES);

constexpr uint32_t SAVE_MAGIC = 0x57475242u;  // "BRGW"

// What a save starts with, before the world's snapshot.
struct SaveHead {
    uint32_t magic = SAVE_MAGIC;
    int32_t version = BARRAGE_API_VERSION;
    uint64_t bytes = 0;        // the whole save
    uint64_t fingerprint = 0;  // the pattern's
    int64_t frame = 0;         // frames the world had run
    uint64_t sum = 0;          // of the snapshot's bytes
};



size_t snapshotRoom(const world::World& w) { return (world::snapshotBytes(w) + 7) & ~size_t{7}; }

}  // namespace

uint64_t fnv1a(const void* bytes, size_t size, uint64_t hash) {
    const auto* at = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < size; ++i) hash = (hash ^ at[i]) * 1099511628211ull;
    return hash;
}

}  // namespace runtime

using namespace runtime;

extern "C" {

int32_t barrage_version(void) { return BARRAGE_API_VERSION; }

const char* barrage_version_text(void) { return BARRAGE_RELEASE; }

const char* barrage_status_text(int32_t status) {
    switch (status) {
        case BARRAGE_OK: return "done";
        case BARRAGE_ERROR_ARGUMENT: return "a null pointer, or an index or a value out of range";
        case BARRAGE_ERROR_REFUSED: return "the pattern text has errors";
        case BARRAGE_ERROR_MEMORY: return "memory ran out";
        case BARRAGE_ERROR_ROOM: return "the buffer is too small";
        case BARRAGE_ERROR_SAVE: return "the bytes are not a save of a world made like this one";
        default: return "not a result of this library";
    }
}

int32_t barrage_read_packed(const void* bytes, size_t size, barrage_pattern** out) {
    if (!out) return BARRAGE_ERROR_ARGUMENT;
    *out = nullptr;
    if (!bytes && size > 0) return BARRAGE_ERROR_ARGUMENT;
    return fenced([&] {
        auto made = std::make_unique<barrage_pattern>();
        if (!pattern::unpackPattern(static_cast<const uint8_t*>(bytes), size, made->loaded.pattern)) {
            return BARRAGE_ERROR_REFUSED;
        }
        made->fingerprint = fnv1a(bytes, size);
        *out = made.release();
        return BARRAGE_OK;
    });
}

int32_t barrage_pack_pattern(const barrage_pattern* p, void* buffer, size_t size, size_t* needed) {
    if (needed) *needed = 0;
    if (!p || !needed || (!buffer && size > 0)) return BARRAGE_ERROR_ARGUMENT;
    if (pattern::refused(p->loaded)) return BARRAGE_ERROR_REFUSED;
    return fenced([&] {
        const std::vector<uint8_t> bytes = pattern::packPattern(p->loaded.pattern);
        *needed = bytes.size();
        if (size < bytes.size()) return BARRAGE_ERROR_ROOM;
        std::memcpy(buffer, bytes.data(), bytes.size());
        return BARRAGE_OK;
    });
}

int32_t barrage_message_count(const barrage_pattern* p) {
    return p ? static_cast<int32_t>(p->loaded.messages.size()) : 0;
}

int32_t barrage_get_message(const barrage_pattern* p, int32_t index, barrage_message* message) {
    if (!p || !message || index < 0 || static_cast<size_t>(index) >= p->loaded.messages.size()) {
        return BARRAGE_ERROR_ARGUMENT;
    }
    const pattern::Message& m = p->loaded.messages[static_cast<size_t>(index)];
    *message = {m.line, m.column, m.endColumn, m.error ? BARRAGE_SEVERITY_ERROR : BARRAGE_SEVERITY_WARNING,
                m.lint.c_str(), m.text.c_str()};
    return BARRAGE_OK;
}

int64_t barrage_unshown_messages(const barrage_pattern* p) {
    return p ? p->loaded.unshownErrors + p->loaded.unshownWarnings : 0;
}

int32_t barrage_pattern_refused(const barrage_pattern* p) { return !p || pattern::refused(p->loaded) ? 1 : 0; }

void barrage_free_pattern(barrage_pattern* p) { delete p; }

int32_t barrage_make_world(const barrage_pattern* p, barrage_world** out) {
    if (!out) return BARRAGE_ERROR_ARGUMENT;
    *out = nullptr;
    if (p && pattern::refused(p->loaded)) return BARRAGE_ERROR_REFUSED;
    return fenced([&] {
        auto made = std::make_unique<barrage_world>();
        made->pattern = p;
        if (p) {
            world::setUpWorld(made->world, pattern::makerFor(p->loaded.pattern));
        } else {
            world::setUpWorld(made->world);
        }
        made->events.resize(static_cast<size_t>(made->world.count) * actor::BULLET_CAPACITY);
        made->world.events = made->events.data();
        made->scratch.resize(snapshotRoom(made->world) / 8);
        *out = made.release();
        return BARRAGE_OK;
    });
}

void barrage_free_world(barrage_world* w) {
    if (!w) return;
    world::tearDownWorld(w->world);
    delete w;
}

int32_t barrage_step(barrage_world* w, int32_t move) {
    if (!w) return BARRAGE_ERROR_ARGUMENT;
    w->world.ship.move = move;
    world::stepWorld(w->world);
    ++w->frame;
    return BARRAGE_OK;
}

int32_t barrage_set_ship(barrage_world* w, float x, float y) {
    if (!w || !std::isfinite(x) || !std::isfinite(y)) return BARRAGE_ERROR_ARGUMENT;
    const auto onScreen = [](float v, float most) { return std::round(v < 0.0f ? 0.0f : v > most ? most : v); };
    world::Ship& ship = w->world.ship;
    ship.x = onScreen(x, BARRAGE_SCREEN_WIDTH - 1);
    ship.y = onScreen(y, BARRAGE_SCREEN_HEIGHT - 1);
    ship.present = -1;
    return BARRAGE_OK;
}

int32_t barrage_has_ship(const barrage_world* w) { return w && w->world.ship.present ? 1 : 0; }

int32_t barrage_get_ship(const barrage_world* w, barrage_ship* out) {
    if (!w || !out) return BARRAGE_ERROR_ARGUMENT;
    const world::Ship& s = w->world.ship;
    *out = {s.x, s.y, s.hits, s.grazes, s.lastHit, s.focused, s.hitRadius, s.bulletRadius, s.grazeRadius, s.speed,
            s.focusedSpeed};
    return BARRAGE_OK;
}

int64_t barrage_frame(const barrage_world* w) { return w ? w->frame : 0; }

int32_t barrage_shooter_count(const barrage_world* w) { return w ? w->world.count : 0; }

int32_t barrage_get_shooter(const barrage_world* w, int32_t index, barrage_shooter* out) {
    if (!w || !out || index < 0 || index >= w->world.count) return BARRAGE_ERROR_ARGUMENT;
    const actor::Shooter& s = w->world.shooters[index];
    *out = {s.emitter.x,        s.emitter.y,          s.emitter.active,     s.emitter.angle,
            s.emitterListIndex, s.turret.angle,       s.turret.sweepDir,    s.turret.fireDelay,
            s.turret.shotIndex, s.turretListIndex,    actor::liveBullets(s), actor::usedSlots(s)};
    return BARRAGE_OK;
}

const barrage_bullet* barrage_bullets(const barrage_world* w, int32_t index, int32_t* slots) {
    if (slots) *slots = 0;
    if (!w || index < 0 || index >= w->world.count) return nullptr;
    const actor::Shooter& s = w->world.shooters[index];
    if (slots) *slots = actor::usedSlots(s);
    return reinterpret_cast<const barrage_bullet*>(s.bullets);
}

int32_t barrage_get_bullet_run(const barrage_world* w, int32_t shooter, int32_t slot, barrage_bullet_run* out) {
    if (!w || !out || shooter < 0 || shooter >= w->world.count || slot < 0 || slot >= BARRAGE_STORE_SLOTS) {
        return BARRAGE_ERROR_ARGUMENT;
    }
    *out = {-1, 0, 0, 0.0f, 0.0f, 0, 1, 0};
    if (!w->world.programs || !w->world.runs) return BARRAGE_OK;
    const actions::Run& r = w->world.runs[shooter].runs[slot];
    const actions::RunRest& rest = w->world.runs[shooter].rest[slot];
    const int32_t program = r.program >= 0 ? r.program : r.program == actions::DONE ? -2 : r.program == actions::VANISHED ? -3 : -1;
    const int32_t first = r.program >= 0 ? w->world.programs->programs[static_cast<size_t>(r.program)].first : 0;
    *out = {program, r.program >= 0 ? r.at - first : 0, r.wait, r.direction, r.speed, rest.index, rest.volley, rest.depth};
    return BARRAGE_OK;
}

const char* barrage_bullet_program_name(const barrage_pattern* p, int32_t index) {
    if (!p || index < 0 || static_cast<size_t>(index) >= p->loaded.pattern.bulletNames.size()) return nullptr;
    return p->loaded.pattern.bulletNames[static_cast<size_t>(index)].c_str();
}

const barrage_event* barrage_events(const barrage_world* w, int32_t* count) {
    if (count) *count = 0;
    if (!w) return nullptr;
    if (count) *count = w->world.eventCount;
    return reinterpret_cast<const barrage_event*>(w->events.data());
}

int32_t barrage_hit_test(const barrage_world* w, float x, float y, float radius, barrage_bullet_ref* found,
                         int32_t capacity) {
    if (!w || capacity < 0 || (capacity > 0 && !found) || !std::isfinite(x) || !std::isfinite(y) ||
        !(radius >= 0.0f)) {
        return BARRAGE_ERROR_ARGUMENT;
    }
    // As the ship's own test: squared distances in double precision from the floats.
    const double reach2 = double{radius} * radius;
    int32_t hits = 0;
    for (int32_t i = 0; i < w->world.count; ++i) {
        const actor::Shooter& s = w->world.shooters[i];
        if (!s.emitter.active) continue;  // frozen, and not drawn
        for (int32_t j = 0, slots = actor::usedSlots(s); j < slots; ++j) {
            const bullets::Bullet& b = s.bullets[j];
            if (!b.alive) continue;
            const double dx = double{b.x} - x, dy = double{b.y} - y;
            if (dx * dx + dy * dy >= reach2) continue;
            if (hits < capacity) found[hits] = {i, j};
            ++hits;
        }
    }
    return hits;
}

int32_t barrage_read_recording(const char* text, size_t size, uint8_t* moves, int64_t capacity, int64_t* frames) {
    if (frames) *frames = 0;
    if ((!text && size > 0) || capacity < 0 || (capacity > 0 && !moves) || !frames) return BARRAGE_ERROR_ARGUMENT;
    if (size > replay::MAX_BYTES) return BARRAGE_ERROR_REFUSED;
    return fenced([&] {
        replay::Recording recording;
        std::string error;
        if (!replay::parseRecording(std::string_view(text ? text : "", size), recording, error)) {
            return BARRAGE_ERROR_REFUSED;
        }
        const int64_t held = static_cast<int64_t>(recording.moves.size());
        if (capacity > 0) std::memcpy(moves, recording.moves.data(), static_cast<size_t>(held < capacity ? held : capacity));
        *frames = held;
        return BARRAGE_OK;
    });
}

size_t barrage_save_size(const barrage_world* w) {
    return w ? sizeof(SaveHead) + snapshotRoom(w->world) : 0;
}

int32_t barrage_save(const barrage_world* w, void* buffer, size_t size) {
    if (!w || !buffer) return BARRAGE_ERROR_ARGUMENT;
    const size_t room = snapshotRoom(w->world);
    if (size < sizeof(SaveHead) + room) return BARRAGE_ERROR_ROOM;
    auto& scratch = const_cast<barrage_world*>(w)->scratch;
    if (!world::takeSnapshot(scratch.data(), room, w->world, w->frame)) return BARRAGE_ERROR_ROOM;
    SaveHead head;
    head.bytes = sizeof(SaveHead) + room;
    head.fingerprint = w->pattern ? w->pattern->fingerprint : 0;
    head.frame = w->frame;
    head.sum = fnv1a(scratch.data(), room);
    std::memcpy(buffer, &head, sizeof head);
    std::memcpy(static_cast<char*>(buffer) + sizeof head, scratch.data(), room);
    return BARRAGE_OK;
}

int32_t barrage_restore(barrage_world* w, const void* buffer, size_t size) {
    if (!w || !buffer) return BARRAGE_ERROR_ARGUMENT;
    const size_t room = snapshotRoom(w->world);
    SaveHead head;
    if (size < sizeof head) return BARRAGE_ERROR_SAVE;
    std::memcpy(&head, buffer, sizeof head);
    if (head.magic != SAVE_MAGIC || head.version != BARRAGE_API_VERSION || head.bytes != sizeof head + room ||
        size < head.bytes || head.fingerprint != (w->pattern ? w->pattern->fingerprint : 0) || head.frame < 0) {
        return BARRAGE_ERROR_SAVE;
    }
    // Checked where the caller cannot change it under the check.
    std::memcpy(w->scratch.data(), static_cast<const char*>(buffer) + sizeof head, room);
    if (fnv1a(w->scratch.data(), room) != head.sum || !world::soundSnapshot(w->scratch.data(), room, w->world) ||
        !world::restoreSnapshot(w->scratch.data(), w->world)) {
        return BARRAGE_ERROR_SAVE;
    }
    w->frame = head.frame;
    w->world.eventCount = 0;
    return BARRAGE_OK;
}

}  // extern "C"
