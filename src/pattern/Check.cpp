// The check that only running a pattern can make: volleys that find every
// slot of their store live lose their bullets. Run without drawing, for the
// first frames, and told at the firing step that fired them.
#include <algorithm>
#include <map>
#include <utility>

#include "pattern/Pattern.h"

namespace pattern {

namespace {

struct Losses {
    int64_t bullets = 0;     // bullets lost in all
    int64_t firstFrame = 0;  // the frame of the first loss
    int32_t shooter = 0;     // the shooter that lost them first
};

// The firing step in force: the one loaded last, or after a wrap, while the
// head step counts down, still the program's last one.
size_t stepInForce(const actor::Shooter& s, size_t steps) {
    const int32_t index = s.turretListIndex;
    return index >= 1 && static_cast<size_t>(index) <= steps ? static_cast<size_t>(index - 1) : steps - 1;
}

}  // namespace

void simulateForWarnings(Loaded& loaded, int64_t frames) {
    if (refused(loaded)) return;
    const Pattern& p = loaded.pattern;
    shell::World world;
    shell::setUpWorld(world, makerFor(p));
    std::map<std::pair<size_t, size_t>, Losses> losses;  // by firing program and step
    for (int64_t frame = 1; frame <= frames; ++frame) {
        shell::stepWorld(world);
        for (int32_t i = 0; i < world.count; ++i) {
            const int32_t dropped = world.frames[i].dropped;
            if (dropped <= 0) continue;
            const auto program = static_cast<size_t>(p.firingOf[static_cast<size_t>(i)]);
            const size_t step = stepInForce(world.shooters[i], p.firings[program].steps.size());
            Losses& lost = losses[{program, step}];
            if (lost.bullets == 0) {
                lost.firstFrame = frame;
                lost.shooter = i;
            }
            lost.bullets += dropped;
        }
    }
    shell::tearDownWorld(world);
    for (const auto& [where, lost] : losses) {
        const FiringStep& step = p.firings[where.first].steps[where.second];
        addMessage(loaded,
            {step.line, step.column, 0,
             std::to_string(lost.bullets) + " bullets of this step's volleys found no free slot (all " +
                 std::to_string(step.step.bulletCount) + " slots live) in the first " + std::to_string(frames) +
                 " frames, from frame " + std::to_string(lost.firstFrame) + " on (shooter " +
                 std::to_string(lost.shooter) + ")"});
    }
    sortMessages(loaded);
}

}  // namespace pattern
