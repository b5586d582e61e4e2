// The check that only running a pattern can make: volleys that find every
// slot of their store live lose their bullets. Run without drawing, for the
// first frames, and told at the firing step that fired them.
#include <algorithm>
#include <utility>

#include "pattern/Pattern.h"
#include "pattern/Format.h"

namespace pattern {

namespace {

// The firing step in force: the one loaded last, or after a wrap, while the
// head step counts down, still the program's last one.
size_t stepInForce(const actor::Shooter& s, size_t steps) {
    const int32_t index = s.turretListIndex;
    return index >= 1 && static_cast<size_t>(index) <= steps ? static_cast<size_t>(index - 1) : steps - 1;
}

}  // namespace

void startCheck(Check& check, const Pattern& pattern, int64_t frames) {
    stopCheck(check);
    check.pattern = &pattern;
    check.frame = 0;
    check.frames = frames;
    world::setUpWorld(check.world, makerFor(pattern));
}

bool runCheck(Check& check, int64_t frames) {
    if (!check.pattern) return true;
    const Pattern& p = *check.pattern;
    world::World& world = check.world;
    for (; check.frame < check.frames && frames > 0; --frames) {
        world::stepWorld(world);
        ++check.frame;
        for (int32_t i = 0; i < world.count; ++i) {
            const int32_t dropped = world.frames[i].dropped;
            if (dropped <= 0) continue;
            const auto program = static_cast<size_t>(p.firingOf[static_cast<size_t>(i)]);
            const size_t step = stepInForce(world.shooters[i], p.firings[program].steps.size());
            Losses& lost = check.losses[{program, step}];
            if (lost.bullets == 0) {
                lost.firstFrame = check.frame;
                lost.shooter = i;
            }
            lost.bullets += dropped;
        }
    }
    return check.frame == check.frames;
}

void finishCheck(Check& check, Loaded& loaded) {
    if (!check.pattern) return;
    const Pattern& p = *check.pattern;
    // The steps a repetition or a program read for each shooter made from one
    // place in the text are told as one: their losses together, from the first.
    struct Told {
        Losses lost;
        int32_t slots = 0;  // the steps' bulletCount; -1 when they differ
    };
    std::map<std::pair<int32_t, int32_t>, Told> places;
    for (const auto& [where, lost] : check.losses) {
        const FiringStep& step = p.firings[where.first].steps[where.second];
        const auto [at, fresh] = places.try_emplace({step.line, step.column}, Told{lost, step.step.bulletCount});
        if (fresh) continue;
        Told& told = at->second;
        told.lost.bullets += lost.bullets;
        if (lost.firstFrame < told.lost.firstFrame ||
            (lost.firstFrame == told.lost.firstFrame && lost.shooter < told.lost.shooter)) {
            told.lost.firstFrame = lost.firstFrame;
            told.lost.shooter = lost.shooter;
        }
        if (told.slots != step.step.bulletCount) told.slots = -1;
    }
    for (const auto& [place, told] : places) {
        if (told.slots == 0) continue;  // a gun with no slot is told of as it is read (few-slots)
        addMessage(loaded,
            {place.first, place.second, 0,
             std::to_string(told.lost.bullets) + " bullets of this step's volleys found no free slot (all " +
                 (told.slots >= 0 ? std::to_string(told.slots) + " slots" : std::string("its slots")) +
                 " live) in the first " + std::to_string(check.frames) + " frames, from frame " +
                 std::to_string(told.lost.firstFrame) + " on (shooter " + std::to_string(told.lost.shooter) + ")",
             0, {}, name(LintId::FullStore)});
    }
    sortMessages(loaded);
    stopCheck(check);
}

void stopCheck(Check& check) {
    if (check.pattern) world::tearDownWorld(check.world);
    check.pattern = nullptr;
    check.losses.clear();
}

std::vector<double> otherRanks(const Loaded& loaded, const std::vector<Binding>& settings) {
    double given = -1.0;
    for (const Binding& b : loaded.parameters) {
        if (b.name == name(Known::Rank)) given = b.value;  // the parameters that matter: declared, set or named
    }
    for (const Binding& set : settings) {
        if (set.name == name(Known::Rank)) given = set.value;
    }
    if (given < 0.0) return {};
    std::vector<double> ranks;
    for (const double rank : {0.0, 1.0}) {
        if (rank != given) ranks.push_back(rank);
    }
    return ranks;
}

Loaded readAtRank(const Loaded& loaded, const std::vector<Binding>& settings, double rank) {
    std::vector<Binding> at = settings;
    at.erase(std::remove_if(at.begin(), at.end(), [](const Binding& b) { return b.name == name(Known::Rank); }), at.end());
    at.push_back({name(Known::Rank), rank});
    return parsePattern(loaded.text, loaded.pattern.file, at);
}

void addFoundAtRank(Loaded& loaded, const Loaded& atRank, double rank) {
    const std::string said = std::string(" (at rank ") + exactText(rank) + ")";
    std::vector<Message> found;
    for (const Message& m : atRank.messages) {
        const bool known = std::any_of(loaded.messages.begin(), loaded.messages.end(), [&](const Message& k) {
            return k.line == m.line && k.column == m.column && k.error == m.error && k.text == m.text;
        });
        if (known) continue;
        Message told = m;
        told.text += said;
        found.push_back(std::move(told));
    }
    for (Message& m : found) addMessage(loaded, std::move(m));
    sortMessages(loaded);
}

void checkAtEveryRank(Loaded& loaded, const std::vector<Binding>& settings, bool simulate) {
    for (const double rank : otherRanks(loaded, settings)) {
        Loaded atRank = readAtRank(loaded, settings, rank);
        if (simulate) simulateForWarnings(atRank);
        addFoundAtRank(loaded, atRank, rank);
    }
}

void simulateForWarnings(Loaded& loaded, int64_t frames) {
    if (refused(loaded)) return;
    Check check;
    startCheck(check, loaded.pattern, frames);
    runCheck(check, frames);
    finishCheck(check, loaded);
}

}  // namespace pattern
