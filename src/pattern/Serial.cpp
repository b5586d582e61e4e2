// A pattern as bytes, so that a pattern read in one instance of a build (the
// page's reader, in a worker of its own) is taken by another (the page's
// module) without being read again. The records go as they lie in memory:
// both sides are the same build. What arrives is checked against every limit
// the reader keeps before it can make a world.
#include <cmath>
#include <cstring>

#include "pattern/Format.h"
#include "pattern/Pattern.h"

namespace pattern {

namespace {

constexpr uint32_t MAGIC = 0x54415042;  // "BPAT"
constexpr uint32_t LAYOUT = sizeof(MovementStep) << 16 | sizeof(FiringStep);

struct Writer {
    std::vector<uint8_t> bytes;
    void raw(const void* data, size_t size) {
        const auto* from = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), from, from + size);
    }
    void word(uint32_t value) { raw(&value, sizeof value); }
    void text(const std::string& value) {
        word(static_cast<uint32_t>(value.size()));
        raw(value.data(), value.size());
    }
};

struct ByteReader {
    const uint8_t* at;
    size_t left;
    bool raw(void* data, size_t size) {
        if (size > left) return false;
        if (size > 0) std::memcpy(data, at, size);
        at += size;
        left -= size;
        return true;
    }
    bool word(uint32_t& value) { return raw(&value, sizeof value); }
    bool text(std::string& value, size_t most) {
        uint32_t size = 0;
        if (!word(size) || size > most || size > left) return false;
        value.assign(reinterpret_cast<const char*>(at), size);
        at += size;
        left -= size;
        return true;
    }
    bool words(std::vector<int32_t>& values, size_t count) {
        values.resize(count);
        return raw(values.data(), count * sizeof(int32_t));
    }
};

constexpr size_t MOST_NAME = MAX_FILE_BYTES;

bool goodReference(const Reference& r, int32_t shooters) {
    switch (r.kind) {
        case REFERENCE_NONE: return true;
        case REFERENCE_POINT: return std::isfinite(r.x) && std::isfinite(r.y);
        case REFERENCE_SHOOTER: return r.shooter >= 0 && r.shooter < shooters;
        case REFERENCE_PLAYER: return true;
        default: return false;
    }
}

// Within what the reader takes of [player].
bool goodPlayer(const Player& ship) {
    const auto radius = [](float r) { return std::isfinite(r) && r >= 0.0f && r <= MAX_PLAYER_RADIUS; };
    return ship.x >= 0 && ship.x <= PLAYER_RIGHTMOST && ship.y >= 0 && ship.y <= PLAYER_LOWEST && ship.speed >= 0 &&
           ship.speed <= MAX_PLAYER_SPEED && ship.focusedSpeed >= 0 && ship.focusedSpeed <= MAX_PLAYER_SPEED &&
           radius(ship.hitRadius) && radius(ship.bulletRadius) && radius(ship.grazeRadius);
}

}  // namespace

std::vector<uint8_t> packPattern(const Pattern& p) {
    Writer w;
    w.word(MAGIC);
    w.word(LAYOUT);
    w.text(p.file);
    w.word(static_cast<uint32_t>(p.shooterCount));
    w.raw(p.phases.data(), p.phases.size() * sizeof(int32_t));
    w.raw(p.movementOf.data(), p.movementOf.size() * sizeof(int32_t));
    w.raw(p.firingOf.data(), p.firingOf.size() * sizeof(int32_t));
    w.word(static_cast<uint32_t>(p.movements.size()));
    for (const MovementProgram& program : p.movements) {
        w.text(program.name);
        w.word(static_cast<uint32_t>(program.steps.size()));
        w.raw(program.steps.data(), program.steps.size() * sizeof(MovementStep));
        w.word(static_cast<uint32_t>(program.loop));
    }
    w.word(static_cast<uint32_t>(p.firings.size()));
    for (const FiringProgram& program : p.firings) {
        w.text(program.name);
        w.word(static_cast<uint32_t>(program.steps.size()));
        w.raw(program.steps.data(), program.steps.size() * sizeof(FiringStep));
        w.word(static_cast<uint32_t>(program.loop));
    }
    w.raw(&p.player, sizeof p.player);
    w.word(static_cast<uint32_t>(p.bulletNames.size()));
    for (const std::string& name : p.bulletNames) w.text(name);
    w.word(static_cast<uint32_t>(p.bullets.actions.size()));
    w.raw(p.bullets.actions.data(), p.bullets.actions.size() * sizeof(actions::Action));
    w.word(static_cast<uint32_t>(p.bullets.programs.size()));
    w.raw(p.bullets.programs.data(), p.bullets.programs.size() * sizeof(actions::Program));
    w.word(static_cast<uint32_t>(p.bullets.terms.size()));
    w.raw(p.bullets.terms.data(), p.bullets.terms.size() * sizeof(actions::FormulaTerm));
    w.word(static_cast<uint32_t>(p.bullets.formulas.size()));
    w.raw(p.bullets.formulas.data(), p.bullets.formulas.size() * sizeof(actions::Formula));
    w.raw(&p.bullets.seed, sizeof p.bullets.seed);
    return std::move(w.bytes);
}

bool unpackPattern(const uint8_t* bytes, size_t size, Pattern& out) {
    ByteReader r{bytes, size};
    Pattern p;
    uint32_t magic = 0, layout = 0, shooters = 0, movements = 0, firings = 0;
    if (!r.word(magic) || magic != MAGIC || !r.word(layout) || layout != LAYOUT || !r.text(p.file, MOST_NAME) ||
        !r.word(shooters) || shooters < 1 || shooters > static_cast<uint32_t>(MAX_SHOOTERS)) {
        return false;
    }
    p.shooterCount = static_cast<int32_t>(shooters);
    if (!r.words(p.phases, shooters) || !r.words(p.movementOf, shooters) || !r.words(p.firingOf, shooters)) return false;
    int64_t held = 0;
    const auto stepCount = [&](uint32_t& steps) {
        if (!r.word(steps) || steps < 1 || steps > static_cast<uint32_t>(MAX_STEPS)) return false;
        held += steps;
        return held <= MAX_WORLD_STEPS;
    };
    if (!r.word(movements) || movements < 1 || movements > MAX_WORLD_STEPS) return false;
    p.movements.resize(movements);
    for (MovementProgram& program : p.movements) {
        uint32_t steps = 0;
        if (!r.text(program.name, MOST_NAME) || !stepCount(steps)) return false;
        program.steps.resize(steps);
        if (!r.raw(program.steps.data(), steps * sizeof(MovementStep))) return false;
        uint32_t loop = 0;
        if (!r.word(loop) || loop > 1) return false;
        program.loop = static_cast<int32_t>(loop);
    }
    if (!r.word(firings) || firings < 1 || firings > MAX_WORLD_STEPS) return false;
    p.firings.resize(firings);
    for (FiringProgram& program : p.firings) {
        uint32_t steps = 0;
        if (!r.text(program.name, MOST_NAME) || !stepCount(steps)) return false;
        program.steps.resize(steps);
        if (!r.raw(program.steps.data(), steps * sizeof(FiringStep))) return false;
        uint32_t loop = 0;
        if (!r.word(loop) || loop > 1) return false;
        program.loop = static_cast<int32_t>(loop);
        for (FiringStep& step : program.steps) {
            // Addresses mean nothing here: a world sets its own.
            step.step.originRef = nullptr;
            step.step.targetRef = nullptr;
            if (!goodReference(step.origin, p.shooterCount) || !goodReference(step.target, p.shooterCount)) return false;
        }
    }
    if (!r.raw(&p.player, sizeof p.player) || !goodPlayer(p.player)) return false;
    uint32_t names = 0, actionCount = 0, programCount = 0;
    if (!r.word(names) || names > static_cast<uint32_t>(MAX_ACTIONS)) return false;
    p.bulletNames.resize(names);
    for (std::string& name : p.bulletNames) {
        if (!r.text(name, MOST_NAME)) return false;
    }
    if (!r.word(actionCount) || actionCount > static_cast<uint32_t>(MAX_ACTIONS) + 2 * names) return false;
    p.bullets.actions.resize(actionCount);
    if (!r.raw(p.bullets.actions.data(), actionCount * sizeof(actions::Action))) return false;
    if (!r.word(programCount) || programCount != names) return false;
    p.bullets.programs.resize(programCount);
    if (!r.raw(p.bullets.programs.data(), programCount * sizeof(actions::Program))) return false;
    // Counts no larger than the bytes left could hold, so that no count makes room it cannot fill.
    uint32_t termCount = 0, formulaCount = 0;
    if (!r.word(termCount) || termCount > r.left / sizeof(actions::FormulaTerm)) return false;
    p.bullets.terms.resize(termCount);
    if (!r.raw(p.bullets.terms.data(), termCount * sizeof(actions::FormulaTerm))) return false;
    if (!r.word(formulaCount) || formulaCount > r.left / sizeof(actions::Formula)) return false;
    p.bullets.formulas.resize(formulaCount);
    if (!r.raw(p.bullets.formulas.data(), formulaCount * sizeof(actions::Formula))) return false;
    if (!r.raw(&p.bullets.seed, sizeof p.bullets.seed)) return false;
    if (!actions::soundPrograms(p.bullets)) return false;
    for (const FiringProgram& program : p.firings) {
        for (const FiringStep& step : program.steps) {
            if (step.bullet < -1 || step.bullet >= static_cast<int32_t>(programCount)) return false;
            // A value worked out at each shot: a number field of the gun's, by a formula there is.
            for (int32_t k = 0; k < MAX_SHOT_VALUES; ++k) {
                const int32_t field = step.shotFields[k], formula = step.shotFormulas[k];
                if (field == -1 && formula == -1) continue;
                if (field < 0 || static_cast<size_t>(field) >= FIRING_FIELDS.size() || formula < 0 ||
                    static_cast<uint32_t>(formula) >= formulaCount) {
                    return false;
                }
                if (!atEachShot(FIRING_FIELDS[static_cast<size_t>(field)])) return false;
            }
        }
    }
    if (r.left != 0) return false;
    held = 0;
    for (int32_t i = 0; i < p.shooterCount; ++i) {
        const int32_t movement = p.movementOf[static_cast<size_t>(i)], firing = p.firingOf[static_cast<size_t>(i)];
        if (movement < 0 || static_cast<uint32_t>(movement) >= movements || firing < 0 ||
            static_cast<uint32_t>(firing) >= firings) {
            return false;
        }
        held += static_cast<int64_t>(p.movements[static_cast<size_t>(movement)].steps.size() +
                                     p.firings[static_cast<size_t>(firing)].steps.size());
    }
    if (held > MAX_WORLD_STEPS) return false;
    out = std::move(p);
    return true;
}

}  // namespace pattern
