// Taking and restoring snapshots. Step programs never change shape after
// set-up, only the countdowns inside their stored steps and where their
// cursors stand, so a restore writes into the world's own nodes. The bytes
// are a head, then for each shooter its record and places, its store (when it
// has one) and its programs' countdowns, each part at an 8-byte boundary.
#include "timeline/Snapshot.h"

#include <cstring>
#include <initializer_list>

namespace timeline {

namespace {

struct Head {
    int64_t frame = -1;  // frames the world had run; -1: holds nothing
    int32_t count = 0;   // shooters held
    int32_t points = 0;  // fixed points of the world it was taken of
    world::Ship ship{};  // the ship; its marks, a byte a slot, follow the shooters
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
};

constexpr size_t STORE_BYTES = sizeof(bullets::Bullet) * actor::BULLET_CAPACITY;

constexpr size_t aligned(size_t bytes) { return (bytes + 7) & ~size_t{7}; }

bool inside(const void* p, const void* begin, size_t bytes) {
    const auto at = reinterpret_cast<uintptr_t>(p), from = reinterpret_cast<uintptr_t>(begin);
    return at >= from && at - from < bytes;
}

Place placeOf(const float* reference, const world::World& world) {
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

const float* addressOf(const Place& place, const world::World& world) {
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

size_t marksBytes(const world::World& world) {
    return world.marks ? aligned(static_cast<size_t>(world.count) * actor::BULLET_CAPACITY) : 0;
}

size_t snapshotBytes(const world::World& world) {
    size_t bytes = aligned(sizeof(Head));
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        bytes += shooterBytes(s.bullets != nullptr, storedSteps(s.turretSteps), storedSteps(s.emitterSteps));
    }
    return bytes + marksBytes(world);
}

bool takeSnapshot(void* bytes, size_t room, const world::World& world, int64_t frame) {
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
    head = {frame, world.count, world.pointCount, world.ship};
    std::memcpy(bytes, &head, sizeof head);
    return true;
}

int64_t snapshotFrame(const void* bytes) {
    Head head;
    std::memcpy(&head, bytes, sizeof head);
    return head.frame;
}

bool restoreSnapshot(const void* bytes, world::World& world) {
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
    return true;
}

}  // namespace timeline
