// The viewer's status lines: the frame, play state, speed, live bullets and
// overlays, what is being typed or how far a long seek has got, and where each
// shooter's programs stand.
#include <cinttypes>
#include <cstdio>

#include "timeline/ViewerParts.h"

namespace timeline {

namespace {

int32_t framesLeft(const collections::RecordList<actor::TurretStep>& program) {
    const actor::TurretStep* step = collections::currentRecord(program);
    return step ? step->duration : 0;
}

int32_t framesLeft(const collections::RecordList<actor::EmitterStep>& program) {
    const actor::EmitterStep* step = collections::currentRecord(program);
    return step ? step->duration : 0;
}

}  // namespace

void writeStatus(Viewer& v) {
    const Timeline& t = v.timeline;
    char* first = v.layers.status[0];
    char* second = v.layers.status[1];
    const size_t room = sizeof v.layers.status[0];
    int32_t live[shell::SHOOTER_COUNT] = {}, total = 0;
    for (int32_t i = 0; i < t.world.count && i < shell::SHOOTER_COUNT; ++i) {
        for (int32_t j = 0; j < actor::BULLET_CAPACITY; ++j) live[i] += actor::bulletAt(t.world.shooters[i], j).alive != 0;
        total += live[i];
    }
    int used = std::snprintf(first, room, "frame %" PRId64 " %s x%s bullets %d %d %d %d =%d%s%s", t.frame,
                             v.playing ? "playing" : "paused", SPEED_NAMES[v.speed], live[0], live[1], live[2],
                             live[3], total, v.showTrails ? " trails" : "", v.showPaths ? " paths" : "");
    if (v.seeking && used >= 0 && static_cast<size_t>(used) < room) {
        std::snprintf(first, room, "going to %" PRId64 ": frame %" PRId64 " (%d%%), Escape stops", v.seeking,
                      t.frame, static_cast<int>(t.frame * 100 / v.seeking));
    } else if (v.typing && used >= 0 && static_cast<size_t>(used) < room) {
        std::snprintf(first + used, room - static_cast<size_t>(used), " go to %" PRId64 "_", v.typed);
    }
    used = std::snprintf(second, room, "fire/move list:left");
    for (int32_t i = 0; i < t.world.count && i < shell::SHOOTER_COUNT && used >= 0 && static_cast<size_t>(used) < room;
         ++i) {
        const actor::Shooter& s = t.world.shooters[i];
        used += std::snprintf(second + used, room - static_cast<size_t>(used), " #%d %d:%d/%d:%d", i, s.turretListIndex,
                              framesLeft(s.turretSteps), s.emitterListIndex, framesLeft(s.emitterSteps));
    }
}

}  // namespace timeline
