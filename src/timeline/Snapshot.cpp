// Taking and restoring snapshots. Step programs never change shape after
// set-up, only the countdowns inside their stored steps and where their
// cursors stand, so a restore writes into the world's own nodes.
#include "timeline/Snapshot.h"

#include <cstring>
#include <initializer_list>

namespace timeline {

namespace {

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
        if (store && inside(reference, store, sizeof(bullets::Bullet) * actor::BULLET_CAPACITY)) {
            return {PlaceKind::Store, i, static_cast<int32_t>(reinterpret_cast<const char*>(reference) - store), nullptr};
        }
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
        default: return nullptr;
    }
}

template <typename T>
bool copyProgram(const collections::RecordList<T>& list, ProgramCopy<T>& copy) {
    copy.steps = 0;
    copy.cursor = -1;  // found below, unless the list has none
    int32_t index = 0;
    for (const collections::RecordNode<T>* node = list.first; node; node = node->next, ++index) {
        if (node == list.cursor) copy.cursor = index;
        if (!node->record) continue;
        if (copy.steps == MAX_PROGRAM_STEPS) return false;
        copy.records[copy.steps++] = *node->record;
    }
    return true;
}

template <typename T>
int32_t storedSteps(const collections::RecordList<T>& list) {
    int32_t steps = 0;
    for (const collections::RecordNode<T>* node = list.first; node; node = node->next) steps += node->record != nullptr;
    return steps;
}

template <typename T>
void restoreProgram(collections::RecordList<T>& list, const ProgramCopy<T>& copy) {
    int32_t index = 0, step = 0;
    list.cursor = nullptr;
    for (collections::RecordNode<T>* node = list.first; node; node = node->next, ++index) {
        if (index == copy.cursor) list.cursor = node;
        if (node->record) *node->record = copy.records[step++];
    }
}

bool sameShape(const Snapshot& snapshot, const world::World& world) {
    if (snapshot.frame < 0 || world.count != snapshot.count || !world.shooters || world.pointCount != snapshot.points) return false;
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        const ShooterSnapshot& copy = snapshot.shooters[i];
        if ((s.bullets != nullptr) != (copy.hasStore != 0)) return false;
        if (storedSteps(s.turretSteps) != copy.firing.steps || storedSteps(s.emitterSteps) != copy.movement.steps) {
            return false;
        }
        // A place inside a store that the world lacks could not be pointed to.
        for (const Place* place : {&copy.origin, &copy.target}) {
            if (place->kind == PlaceKind::Store && !world.shooters[place->shooter].bullets) return false;
        }
    }
    return true;
}

}  // namespace

bool takeSnapshot(Snapshot& snapshot, const world::World& world, int64_t frame) {
    snapshot.frame = -1;
    if (world.count < 0 || world.count > world::SHOOTER_COUNT || (world.count > 0 && !world.shooters)) return false;
    snapshot.count = world.count;
    snapshot.points = world.pointCount;
    for (int32_t i = 0; i < world.count; ++i) {
        const actor::Shooter& s = world.shooters[i];
        ShooterSnapshot& copy = snapshot.shooters[i];
        copy.shooter = s;
        copy.origin = placeOf(s.turret.originRef, world);
        copy.target = placeOf(s.turret.targetRef, world);
        copy.hasStore = s.bullets ? -1 : 0;
        if (s.bullets) std::memcpy(static_cast<void*>(copy.store), s.bullets, sizeof copy.store);
        if (!copyProgram(s.turretSteps, copy.firing) || !copyProgram(s.emitterSteps, copy.movement)) return false;
        for (int32_t k = 0; k < copy.firing.steps; ++k) {
            copy.firingRefs[k][0] = placeOf(copy.firing.records[k].originRef, world);
            copy.firingRefs[k][1] = placeOf(copy.firing.records[k].targetRef, world);
        }
    }
    snapshot.frame = frame;
    return true;
}

bool restoreSnapshot(const Snapshot& snapshot, world::World& world) {
    if (!sameShape(snapshot, world)) return false;
    for (int32_t i = 0; i < world.count; ++i) {
        actor::Shooter& s = world.shooters[i];
        const ShooterSnapshot& copy = snapshot.shooters[i];
        bullets::Bullet* store = s.bullets;
        const collections::RecordList<actor::TurretStep> firing = s.turretSteps;
        const collections::RecordList<actor::EmitterStep> movement = s.emitterSteps;
        s = copy.shooter;
        s.bullets = store;
        s.turretSteps = firing;
        s.emitterSteps = movement;
        s.turret.originRef = addressOf(copy.origin, world);
        s.turret.targetRef = addressOf(copy.target, world);
        if (store) std::memcpy(static_cast<void*>(store), copy.store, sizeof copy.store);
        restoreProgram(s.turretSteps, copy.firing);
        restoreProgram(s.emitterSteps, copy.movement);
        int32_t k = 0;
        for (auto* node = s.turretSteps.first; node; node = node->next) {
            if (!node->record) continue;
            node->record->originRef = addressOf(copy.firingRefs[k][0], world);
            node->record->targetRef = addressOf(copy.firingRefs[k][1], world);
            ++k;
        }
    }
    return true;
}

}  // namespace timeline
