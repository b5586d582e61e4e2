// Taking and restoring snapshots. Step programs never change shape after
// set-up, only the countdowns inside their stored steps and where their
// cursors stand, so a restore writes into the world's own nodes. The bytes
// are a head, then for each shooter its record and places, its store (when it
// has one) and its programs' countdowns, each part at an 8-byte boundary.
#include "world/Snapshot.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

#include "kinds/Kinds.h"
#include "shooter/MoveModes.h"
#include "turret/TurretFiring.h"

namespace world {

namespace {

struct Head {
    int64_t frame = -1;  // frames the world had run; -1: holds nothing
    int32_t count = 0;   // shooters held
    int32_t points = 0;  // fixed points of the world it was taken of
    Ship ship{};  // the ship; its marks, a byte a slot, follow the shooters
};

struct ShooterHead {
    actor::Shooter shooter{};    // the record; its own pointers are not used on restore
    Place origin{};              // where turret.originRef points
    Place target{};              // where turret.targetRef points
    int32_t hasStore = 0;        // flag: the shooter had a store, which follows
    int32_t firingCursor = -1;   // node the firing program's cursor is on; -1: none
    int32_t movementCursor = -1;
    int32_t firingSteps = 0;     // stored steps, whose countdowns follow
    int32_t movementSteps = 0;
    int32_t sweep = 0;           // the turret's behaviour as a code (sweepCode); the record's pointer is null
    int32_t mode = 0;            // the movement mode's, likewise (modeCode)
};

// Behaviours as codes, so that a snapshot holds no address of code: 0 none,
// 1 and up one of the known ones, -1 one of a caller's own, kept as the
// record's pointer (which only the process that took it can restore).
constexpr int32_t OWN_BEHAVIOUR = -1;

int32_t sweepCode(actor::ShooterBehaviour b) {
    return !b ? 0 : b == turret::sweepWrap ? 1 : b == turret::sweepBounce ? 2 : OWN_BEHAVIOUR;
}

actor::ShooterBehaviour sweepOf(int32_t code) {
    return code == 1 ? turret::sweepWrap : code == 2 ? turret::sweepBounce : nullptr;
}

int32_t modeCode(actor::ShooterBehaviour b) {
    if (!b) return 0;
    for (int32_t mode = 0; mode < kinds::MOVE_MODE_COUNT; ++mode) {
        if (shooter::moveModeFor(mode) == b) return mode + 1;
    }
    return OWN_BEHAVIOUR;
}

actor::ShooterBehaviour modeOf(int32_t code) {
    return code >= 1 && code <= kinds::MOVE_MODE_COUNT ? shooter::moveModeFor(code - 1) : nullptr;
}

constexpr size_t STORE_BYTES = sizeof(bullets::Bullet) * actor::BULLET_CAPACITY;

constexpr size_t aligned(size_t bytes) { return (bytes + 7) & ~size_t{7}; }

bool inside(const void* p, const void* begin, size_t bytes) {
    const auto at = reinterpret_cast<uintptr_t>(p), from = reinterpret_cast<uintptr_t>(begin);
    return at >= from && at - from < bytes;
}

Place placeOf(const float* reference, const World& world) {
    if (!reference) return {};
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        const auto* record = reinterpret_cast<const char*>(&s);
        if (inside(reference, record, sizeof s)) {
            return {PlaceKind::Shooter, i, static_cast<int32_t>(reinterpret_cast<const char*>(reference) - record), nullptr};
        }
        const auto* store = reinterpret_cast<const char*>(s.bullets);
        if (store && inside(reference, store, STORE_BYTES)) {
            return {PlaceKind::Store, i, static_cast<int32_t>(reinterpret_cast<const char*>(reference) - store), nullptr};
        }
    }
    const auto* ship = reinterpret_cast<const char*>(&world.ship);
    if (inside(reference, ship, sizeof world.ship)) {
        return {PlaceKind::Ship, 0, static_cast<int32_t>(reinterpret_cast<const char*>(reference) - ship), nullptr};
    }
    const auto* points = reinterpret_cast<const char*>(world.points);
    if (points && inside(reference, points, sizeof(float) * 2 * static_cast<size_t>(world.pointCount))) {
        return {PlaceKind::Point, 0, static_cast<int32_t>(reinterpret_cast<const char*>(reference) - points), nullptr};
    }
    return {PlaceKind::Outside, 0, 0, reference};
}

const float* addressOf(const Place& place, const World& world) {
    switch (place.kind) {
        case PlaceKind::Outside: return place.outside;
        case PlaceKind::Shooter:
            return reinterpret_cast<const float*>(reinterpret_cast<const char*>(&world.shooters[place.shooter]) +
                                                  place.offset);
        case PlaceKind::Store:
            return reinterpret_cast<const float*>(reinterpret_cast<const char*>(world.shooters[place.shooter].bullets) +
                                                  place.offset);
        case PlaceKind::Point:
            return reinterpret_cast<const float*>(reinterpret_cast<const char*>(world.points) + place.offset);
        case PlaceKind::Ship:
            return reinterpret_cast<const float*>(reinterpret_cast<const char*>(&world.ship) + place.offset);
        default: return nullptr;
    }
}

template <typename T>
int32_t storedSteps(const collections::RecordList<T>& list) {
    int32_t steps = 0;
    for (const collections::RecordNode<T>* node = list.first; node; node = node->next) steps += node->record != nullptr;
    return steps;
}

template <typename T>
int32_t cursorIndex(const collections::RecordList<T>& list) {
    int32_t index = 0;
    for (const collections::RecordNode<T>* node = list.first; node; node = node->next, ++index) {
        if (node == list.cursor) return index;
    }
    return -1;
}

template <typename T>
void copyCountdowns(const collections::RecordList<T>& list, int32_t* countdowns) {
    for (const collections::RecordNode<T>* node = list.first; node; node = node->next) {
        if (node->record) *countdowns++ = node->record->duration;
    }
}

template <typename T>
void restoreProgram(collections::RecordList<T>& list, int32_t cursor, const int32_t* countdowns) {
    int32_t index = 0;
    list.cursor = nullptr;
    for (collections::RecordNode<T>* node = list.first; node; node = node->next, ++index) {
        if (index == cursor) list.cursor = node;
        if (node->record) node->record->duration = *countdowns++;
    }
}

size_t shooterBytes(int32_t hasStore, int32_t firingSteps, int32_t movementSteps) {
    return aligned(sizeof(ShooterHead)) + (hasStore ? STORE_BYTES : 0) +
           aligned(sizeof(int32_t) * static_cast<size_t>(firingSteps + movementSteps));
}

}  // namespace

size_t marksBytes(const World& world) {
    return world.marks ? aligned(static_cast<size_t>(world.count) * actor::BULLET_CAPACITY) : 0;
}

// After the marks: the state of the world's draws, when anything draws
// from it; the bullets' programs, when the world has them (each shooter's
// runs and the last direction and speed each program launched); the shots
// each shooter's firing step has fired, when steps ask more than their
// records.
size_t drawsBytes(const World& world) { return (world.programs && world.runs) || world.carries ? sizeof world.draws : 0; }

size_t runsBytes(const World& world) {
    if (!world.programs || !world.runs) return 0;
    const size_t sequence = sizeof(float) * 2 * world.programs->programs.size();
    return static_cast<size_t>(world.count) *
           aligned(sizeof(actions::Run) * actor::BULLET_CAPACITY + sizeof(actions::RunRest) * actor::BULLET_CAPACITY + sequence);
}

size_t shotsBytes(const World& world) {
    return world.carries ? aligned(sizeof(int32_t) * static_cast<size_t>(world.count)) : 0;
}

size_t tailBytes(const World& world) { return drawsBytes(world) + runsBytes(world) + shotsBytes(world); }

size_t snapshotBytes(const World& world) {
    size_t bytes = aligned(sizeof(Head));
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        bytes += shooterBytes(s.bullets != nullptr, storedSteps(s.turretSteps), storedSteps(s.emitterSteps));
    }
    return bytes + marksBytes(world) + tailBytes(world);
}

namespace {

void copyTail(const World& world, char* at) {
    if (drawsBytes(world)) std::memcpy(at, &world.draws, sizeof world.draws);
    at += drawsBytes(world);
    if (world.carries) {
        char* shots = at + runsBytes(world);
        for (int32_t i = 0; i < world.count; ++i) {
            std::memcpy(shots + sizeof(int32_t) * static_cast<size_t>(i), &world.carries[i].shots, sizeof(int32_t));
        }
    }
    if (!runsBytes(world)) return;
    const size_t sequence = 2 * world.programs->programs.size();
    for (int32_t i = 0; i < world.count; ++i) {
        const actions::ShooterRuns& r = world.runs[i];
        std::memcpy(at, r.runs, sizeof r.runs);
        std::memcpy(at + sizeof r.runs, r.rest, sizeof r.rest);
        std::memcpy(at + sizeof r.runs + sizeof r.rest, r.sequence.data(), sizeof(float) * sequence);
        at += aligned(sizeof r.runs + sizeof r.rest + sizeof(float) * sequence);
    }
}

void restoreTail(World& world, const char* at) {
    if (drawsBytes(world)) std::memcpy(&world.draws, at, sizeof world.draws);
    at += drawsBytes(world);
    if (world.carries) {
        const char* shots = at + runsBytes(world);
        for (int32_t i = 0; i < world.count; ++i) {
            std::memcpy(&world.carries[i].shots, shots + sizeof(int32_t) * static_cast<size_t>(i), sizeof(int32_t));
        }
    }
    if (!runsBytes(world)) return;
    const size_t sequence = 2 * world.programs->programs.size();
    for (int32_t i = 0; i < world.count; ++i) {
        actions::ShooterRuns& r = world.runs[i];
        std::memcpy(r.runs, at, sizeof r.runs);
        std::memcpy(r.rest, at + sizeof r.runs, sizeof r.rest);
        std::memcpy(r.sequence.data(), at + sizeof r.runs + sizeof r.rest, sizeof(float) * sequence);
        r.childCount = 0;
        r.lastStep = nullptr;  // found again from the cursor restored
        at += aligned(sizeof r.runs + sizeof r.rest + sizeof(float) * sequence);
    }
}

bool soundTail(const World& world, const char* at) {
    at += drawsBytes(world);  // any state draws as well as another
    if (world.carries) {
        const char* shots = at + runsBytes(world);
        for (int32_t i = 0; i < world.count; ++i) {
            int32_t fired = 0;
            std::memcpy(&fired, shots + sizeof(int32_t) * static_cast<size_t>(i), sizeof fired);
            if (fired < 0) return false;
        }
    }
    if (!runsBytes(world)) return true;
    const size_t sequence = 2 * world.programs->programs.size();
    for (int32_t i = 0; i < world.count; ++i) {
        constexpr size_t runs = sizeof(actions::Run) * actor::BULLET_CAPACITY;
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) {
            actions::Run run;
            actions::RunRest rest;
            std::memcpy(&run, at + sizeof run * static_cast<size_t>(j), sizeof run);
            std::memcpy(&rest, at + runs + sizeof rest * static_cast<size_t>(j), sizeof rest);
            if (!actions::soundRun(run, rest, *world.programs)) return false;
        }
        at += aligned(runs + sizeof(actions::RunRest) * actor::BULLET_CAPACITY + sizeof(float) * sequence);
    }
    return true;
}

}  // namespace

bool takeSnapshot(void* bytes, size_t room, const World& world, int64_t frame) {
    Head head;
    if (room < sizeof head) return false;
    std::memcpy(bytes, &head, sizeof head);  // holds nothing until whole
    if (world.count < 0 || (world.count > 0 && !world.shooters) || snapshotBytes(world) > room) return false;
    auto* at = static_cast<char*>(bytes) + aligned(sizeof(Head));
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        ShooterHead copy;
        copy.shooter = s;
        copy.origin = placeOf(s.turret.originRef, world);
        copy.target = placeOf(s.turret.targetRef, world);
        copy.hasStore = s.bullets ? -1 : 0;
        copy.firingCursor = cursorIndex(s.turretSteps);
        copy.movementCursor = cursorIndex(s.emitterSteps);
        copy.firingSteps = storedSteps(s.turretSteps);
        copy.movementSteps = storedSteps(s.emitterSteps);
        copy.sweep = sweepCode(s.turretBehaviour);
        copy.mode = modeCode(s.emitterMove);
        if (copy.sweep != OWN_BEHAVIOUR) copy.shooter.turretBehaviour = nullptr;
        if (copy.mode != OWN_BEHAVIOUR) copy.shooter.emitterMove = nullptr;
        std::memcpy(at, &copy, sizeof copy);
        at += aligned(sizeof copy);
        if (s.bullets) {
            std::memcpy(at, static_cast<const void*>(s.bullets), STORE_BYTES);
            at += STORE_BYTES;
        }
        auto* countdowns = reinterpret_cast<int32_t*>(at);
        copyCountdowns(s.turretSteps, countdowns);
        copyCountdowns(s.emitterSteps, countdowns + copy.firingSteps);
        at += aligned(sizeof(int32_t) * static_cast<size_t>(copy.firingSteps + copy.movementSteps));
    }
    if (world.marks) std::memcpy(at, world.marks, static_cast<size_t>(world.count) * actor::BULLET_CAPACITY);
    copyTail(world, at + marksBytes(world));
    head = {frame, world.count, world.pointCount, world.ship};
    std::memcpy(bytes, &head, sizeof head);
    return true;
}

int64_t snapshotFrame(const void* bytes) {
    Head head;
    std::memcpy(&head, bytes, sizeof head);
    return head.frame;
}

bool restoreSnapshot(const void* bytes, World& world) {
    Head head;
    std::memcpy(&head, bytes, sizeof head);
    if (head.frame < 0 || head.count != world.count || head.points != world.pointCount ||
        (world.count > 0 && !world.shooters)) {
        return false;
    }
    // The world must be set up as the one the snapshot was taken of.
    const auto* first = static_cast<const char*>(bytes) + aligned(sizeof(Head));
    const char* at = first;
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        ShooterHead copy;
        std::memcpy(&copy, at, sizeof copy);
        if ((s.bullets != nullptr) != (copy.hasStore != 0) || storedSteps(s.turretSteps) != copy.firingSteps ||
            storedSteps(s.emitterSteps) != copy.movementSteps) {
            return false;
        }
        // A place inside a store that the world lacks could not be pointed to.
        for (const Place* place : {&copy.origin, &copy.target}) {
            if (place->kind == PlaceKind::Store && (place->shooter >= world.count || !world.shooters[place->shooter].bullets)) {
                return false;
            }
        }
        at += shooterBytes(copy.hasStore, copy.firingSteps, copy.movementSteps);
    }
    at = first;
    for (int32_t i = 0; i < world.count; ++i) {
        actor::Shooter& s = world.shooters[i];
        ShooterHead copy;
        std::memcpy(&copy, at, sizeof copy);
        at += aligned(sizeof copy);
        bullets::Bullet* store = s.bullets;
        const collections::RecordList<actor::TurretStep> firing = s.turretSteps;
        const collections::RecordList<actor::EmitterStep> movement = s.emitterSteps;
        s = copy.shooter;
        s.bullets = store;
        s.turretSteps = firing;
        s.emitterSteps = movement;
        s.turret.originRef = addressOf(copy.origin, world);
        s.turret.targetRef = addressOf(copy.target, world);
        if (copy.sweep != OWN_BEHAVIOUR) s.turretBehaviour = sweepOf(copy.sweep);
        if (copy.mode != OWN_BEHAVIOUR) s.emitterMove = modeOf(copy.mode);
        if (store) {
            std::memcpy(static_cast<void*>(store), at, STORE_BYTES);
            at += STORE_BYTES;
        }
        const auto* countdowns = reinterpret_cast<const int32_t*>(at);
        restoreProgram(s.turretSteps, copy.firingCursor, countdowns);
        restoreProgram(s.emitterSteps, copy.movementCursor, countdowns + copy.firingSteps);
        at += aligned(sizeof(int32_t) * static_cast<size_t>(copy.firingSteps + copy.movementSteps));
    }
    world.ship = head.ship;
    if (world.marks) std::memcpy(world.marks, at, static_cast<size_t>(world.count) * actor::BULLET_CAPACITY);
    restoreTail(world, at + marksBytes(world));
    return true;
}

namespace {

template <typename T>
int32_t nodes(const collections::RecordList<T>& list) {
    int32_t count = 0;
    for (const collections::RecordNode<T>* node = list.first; node; node = node->next) ++count;
    return count;
}

// A place that points at two floats inside the world, or at nothing.
bool soundPlace(const Place& place, const World& world) {
    const auto within = [](int32_t offset, size_t bytes) {
        return offset >= 0 && offset % 4 == 0 && static_cast<size_t>(offset) + 2 * sizeof(float) <= bytes;
    };
    const bool shooter = place.shooter >= 0 && place.shooter < world.count;
    switch (place.kind) {
        case PlaceKind::None: return true;
        case PlaceKind::Shooter: return shooter && within(place.offset, sizeof(actor::Shooter));
        case PlaceKind::Store:
            return shooter && world.shooters[place.shooter].bullets && within(place.offset, STORE_BYTES);
        case PlaceKind::Point:
            return world.points && within(place.offset, sizeof(float) * 2 * static_cast<size_t>(world.pointCount));
        case PlaceKind::Ship: return within(place.offset, sizeof(Ship));
        default: return false;  // an address outside the world is nobody else's to give
    }
}

bool soundShip(const Ship& ship) {
    const auto whole = [](float v, float most) { return v >= 0.0f && v <= most && v == std::floor(v); };
    const auto speed = [](int32_t v) { return v >= 0 && v <= MAX_SHIP_SPEED; };
    const auto radius = [](float r) { return std::isfinite(r) && r >= 0.0f; };
    return whole(ship.x, SHIP_RIGHTMOST) && whole(ship.y, SHIP_LOWEST) && speed(ship.speed) &&
           speed(ship.focusedSpeed) && speed(ship.diagonal) && speed(ship.focusedDiagonal) &&
           radius(ship.hitRadius) && radius(ship.bulletRadius) && radius(ship.grazeRadius) && ship.frame >= 0 &&
           ship.hits >= 0 && ship.grazes >= 0 && ship.lastHit >= 0 && ship.hitNow >= 0;
}

}  // namespace

bool soundSnapshot(const void* bytes, size_t size, const World& world) {
    if (size < aligned(sizeof(Head)) || size < snapshotBytes(world) || (world.count > 0 && !world.shooters)) {
        return false;
    }
    Head head;
    std::memcpy(&head, bytes, sizeof head);
    if (head.frame < 0 || head.count != world.count || head.points != world.pointCount || !soundShip(head.ship)) {
        return false;
    }
    const char* at = static_cast<const char*>(bytes) + aligned(sizeof(Head));
    const char* end = static_cast<const char*>(bytes) + size;
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        ShooterHead copy;
        if (static_cast<size_t>(end - at) < aligned(sizeof copy)) return false;
        std::memcpy(&copy, at, sizeof copy);
        if ((s.bullets != nullptr) != (copy.hasStore != 0) || storedSteps(s.turretSteps) != copy.firingSteps ||
            storedSteps(s.emitterSteps) != copy.movementSteps || copy.sweep < 0 || copy.sweep > 2 ||
            copy.mode < 0 || copy.mode > kinds::MOVE_MODE_COUNT || copy.firingCursor < -1 ||
            copy.firingCursor >= nodes(s.turretSteps) || copy.movementCursor < -1 ||
            copy.movementCursor >= nodes(s.emitterSteps) || !soundPlace(copy.origin, world) ||
            !soundPlace(copy.target, world)) {
            return false;
        }
        const size_t bytesOf = shooterBytes(copy.hasStore, copy.firingSteps, copy.movementSteps);
        if (static_cast<size_t>(end - at) < bytesOf) return false;
        at += bytesOf;
    }
    if (static_cast<size_t>(end - at) < marksBytes(world) + tailBytes(world)) return false;
    return soundTail(world, at + marksBytes(world));
}

}  // namespace world
