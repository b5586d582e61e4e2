// Warnings of what the engine will do that a pattern probably did not mean:
// each at the place that says it, saying what will happen and what was
// probably meant, with a name that `# allow: NAME` silences. They never
// refuse a pattern.
#include <cmath>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "bullets/BulletMotion.h"
#include "kinds/Kinds.h"
#include <cstddef>
#include <type_traits>

#include "pattern/Fields.h"
#include "pattern/Format.h"
#include "pattern/Sources.h"

namespace pattern {

namespace {

// The index of a step's field by its member: Fields.h's table names it.
#define MOVED(member) fieldIndex(MOVEMENT_FIELDS, offsetof(MovementStep, step) + offsetof(actor::EmitterStep, member))
#define FIRED(member) fieldIndex(FIRING_FIELDS, offsetof(FiringStep, step) + offsetof(actor::TurretStep, member))

bool turns(int32_t moveMode) { return moveMode >= kinds::MOVE_WAVE_Y && moveMode <= kinds::MOVE_ORBIT; }

std::string shooterList(const std::vector<int32_t>& shooters) {
    std::string list;
    for (size_t k = 0; k < shooters.size(); ++k) list += (k ? ", " : "") + std::to_string(shooters[k]);
    return list;
}

struct Linter {
    const Sources& sources;
    Loaded& loaded;
    const Pattern& p = loaded.pattern;

    void warn(const toml::source_region& place, LintId lint, std::string text) {
        const bool oneLine = place.end.line == place.begin.line && place.end.column > place.begin.column;
        addMessage(loaded, {static_cast<int32_t>(place.begin.line), static_cast<int32_t>(place.begin.column), 0,
                            std::move(text), oneLine ? static_cast<int32_t>(place.end.column) : 0, {}, name(lint)});
    }

    // A step's warning. A place in the text makes several steps when it is
    // repeated or read for each shooter: a warning that holds for only some
    // of them says which, once they have all been seen.
    struct Pending {
        toml::source_region place;
        LintId lint = LintId::Count;
        std::string text;
        std::vector<std::string> inner;  // the steps it holds for: their repeat and shooter
        size_t made = 0;                 // the steps made from the step's place
    };
    std::map<std::tuple<size_t, size_t, std::string>, Pending> pending;
    std::map<std::pair<size_t, size_t>, size_t> madeFrom;  // by a step's place: the steps made from it

    void warn(const StepSource& step, const toml::source_region& place, LintId lint, std::string text) {
        Pending& held = pending[{place.begin.line, place.begin.column, text}];
        if (held.inner.empty()) {
            held.place = place;
            held.lint = lint;
            held.text = std::move(text);
            held.made = madeFrom[{step.place.begin.line, step.place.begin.column}];
        }
        held.inner.push_back(step.inner);
    }

    void flush() {
        for (auto& [key, held] : pending) {
            std::string which;
            if (held.inner.size() < held.made && !held.inner.front().empty()) {
                which = " (where " + held.inner.front();
                if (held.inner.size() == 2) which += ", and where " + held.inner.back();
                if (held.inner.size() > 2) {
                    which += ", and in " + std::to_string(held.inner.size() - 1) + " more of the " +
                             std::to_string(held.made) + " steps made from it";
                }
                which += ")";
            }
            warn(held.place, held.lint, held.text + which);
        }
        pending.clear();
    }

    // Where a step sets a field itself; none when it does not.
    static const Setting* setting(const StepSource& step, size_t field) {
        for (const Setting& s : step.settings) {
            if (s.field == field) return &s;
        }
        return nullptr;
    }
    // The field's key in the step when the step sets it, else the whole step
    // (its first line).
    static toml::source_region placeOf(const StepSource& step, size_t field) {
        const Setting* s = setting(step, field);
        return s ? s->place : toml::source_region{step.place.begin, step.place.begin, nullptr};
    }
    static bool given(const ProgramSource& program, const StepSource& step, size_t field) {
        return ((step.own | program.defaults) >> field & 1) != 0;
    }

    // The fields the step sets itself that nothing of it reads, by each
    // field's own rule of which steps read it.
    template <typename Step>
    void unread(const StepSource& source, std::span<const Field> fields, const Step& step) {
        for (const Setting& set : source.settings) {
            const Reads& reads = fields[set.field].reads;
            bool read = true;
            if constexpr (std::is_same_v<Step, MovementStep>) read = !reads.movement || reads.movement(step.step);
            if constexpr (std::is_same_v<Step, actor::TurretStep>) read = !reads.firing || reads.firing(step);
            if (read) continue;
            warn(source, set.place, reads.unused ? LintId::UnusedAngle : LintId::UnreadField,
                 std::string(fields[set.field].name) + (reads.unused ? " is not used: " : " is not read by this step: ") +
                     reads.why);
        }
    }

    void duration(const ProgramSource& program, const StepSource& step, size_t field, int32_t value) {
        if (!given(program, step, field)) {
            warn(step, placeOf(step, field), LintId::ShortStep,
                 "no duration: the step is in force for the frame it is loaded in only, then the next one comes (a "
                 "body whose steps last a frame is put back at their x, y every frame); give it duration = FRAMES");
        } else if (value <= 0) {
            warn(step, placeOf(step, field), LintId::ShortStep,
                 "duration " + std::to_string(value) +
                     ": the step is in force for the frame it is loaded in only, then the next one comes");
        }
    }

    void movement(const ProgramSource& source, const MovementProgram& program) {
        const std::span<const Field> F = MOVEMENT_FIELDS;
        // A shooter switched off runs neither program again: the steps after
        // the first that switches it off never come (a program none of whose
        // steps is active is never-active's).
        bool anyActive = false;
        for (const MovementStep& e : program.steps) anyActive = anyActive || e.step.active != 0;
        for (size_t k = 0; anyActive && k + 1 < program.steps.size(); ++k) {
            if (program.steps[k].step.active != 0) continue;
            const StepSource& next = source.steps[k + 1];
            const size_t after = program.steps.size() - k - 2;
            warn(next, {next.place.begin, next.place.begin, nullptr}, LintId::NeverRuns,
                 "this step never runs" + (after ? ", nor the " + std::to_string(after) + " after it" : std::string()) +
                     ": step " + std::to_string(k + 1) + " before it has active = false, which switches the shooter "
                     "off for good when it is loaded (a shooter switched off runs neither program again; a gun "
                     "switched off, active = false in a firing step, comes back with its next step)");
            break;
        }
        for (size_t k = 0; k < program.steps.size(); ++k) {
            const MovementStep& e = program.steps[k];
            const StepSource& s = source.steps[k];
            if (s.fitted == IDLE) continue;  // the timeline's, not the text's
            if (!s.fitted) duration(source, s, MOVED(duration), e.step.duration);
            unread(s, F, e);
        }
    }

    // What a step's bullet program cannot do: volleys with no room for them,
    // and a first action that comes after its bullet must have left.
    void bulletLints(const StepSource& s, const FiringStep& step, const actor::TurretStep& t) {
        const actions::Programs& b = p.bullets;
        if (step.bullet < 0 || static_cast<size_t>(step.bullet) >= b.programs.size() || b.programs.size() != p.bulletNames.size()) return;
        const toml::source_region place = placeOf(s, fieldIndex(FIRING_FIELDS, offsetof(FiringStep, bullet)));
        std::vector<bool> seen(b.programs.size(), false);
        std::vector<size_t> todo{static_cast<size_t>(step.bullet)};
        while (!todo.empty()) {
            const size_t q = todo.back();
            todo.pop_back();
            if (seen[q]) continue;
            seen[q] = true;
            const actions::Program& program = b.programs[q];
            for (int32_t at = program.first; at < program.first + program.count; ++at) {
                const actions::Action& a = b.actions[static_cast<size_t>(at)];
                if (a.kind != actions::FIRE) continue;
                if (a.program >= 0 && static_cast<size_t>(a.program) < seen.size()) todo.push_back(static_cast<size_t>(a.program));
                if (a.formulas[actions::VOLLEY_AT] < 0 && a.volley > t.bulletCount - 1) {
                    warn(s, place, LintId::NoRoomForChildren,
                         "bullet program '" + p.bulletNames[q] + "' fires volleys of " + std::to_string(a.volley) +
                             " into a store of " + std::to_string(t.bulletCount) +
                             " slots (bulletCount), one of them the bullet's own: at most " +
                             std::to_string(t.bulletCount > 0 ? t.bulletCount - 1 : 0) +
                             " of each can ever find a slot, and the rest is dropped");
                    todo.clear();
                    break;
                }
            }
        }
        // Flying straight at one speed, a bullet has left the play area (or been retired) by its diagonal's frames.
        if (t.bulletMotion != kinds::MOTION_ACCELERATED || t.bulletAx != 0.0f || t.bulletAy != 0.0f ||
            t.speedStep != 0.0f || t.bulletHaltAt != 0 || !(std::fabs(t.speed) > 0.0f)) {
            return;
        }
        const actions::Program& program = b.programs[static_cast<size_t>(step.bullet)];
        int64_t waited = 0;
        int32_t at = program.first;
        for (; at < program.first + program.count; ++at) {
            const actions::Action& a = b.actions[static_cast<size_t>(at)];
            if (a.kind != actions::WAIT || a.formulas[actions::FRAMES_AT] >= 0) break;
            waited += a.frames;
        }
        if (at >= program.first + program.count || b.actions[static_cast<size_t>(at)].kind == actions::END) return;
        const double across = std::hypot(double{bullets::PLAY_RIGHT} - bullets::PLAY_LEFT,
                                         double{bullets::PLAY_BOTTOM} - bullets::PLAY_TOP);
        const auto leaves = static_cast<int64_t>(std::ceil(across / std::fabs(double{t.speed}))) + 1;
        if (waited > leaves) {
            warn(s, place, LintId::LateAction,
                 "bullet program '" + p.bulletNames[static_cast<size_t>(step.bullet)] + "' waits " +
                     std::to_string(waited) + " frames before its first action, but this step's bullets fly "
                     "straight at " + exactText(t.speed) + " pixels a frame and have left the play area within " +
                     std::to_string(leaves) + ": the action never runs");
        }
    }

    void firing(const ProgramSource& source, const FiringProgram& program) {
        const std::span<const Field> F = FIRING_FIELDS;
        bool referenced = false;  // an origin reference, once set, stays
        // So does a target reference, and the program runs round again: any
        // step that sets one may have set it.
        bool followsATarget = false;
        for (const FiringStep& step : program.steps) followsATarget = followsATarget || step.target.kind != REFERENCE_NONE;
        for (size_t k = 0; k < program.steps.size(); ++k) {
            const actor::TurretStep& t = program.steps[k].step;
            const StepSource& s = source.steps[k];
            referenced = referenced || program.steps[k].origin.kind != REFERENCE_NONE;
            if (s.fitted == IDLE) continue;  // the timeline's, not the text's
            if (!s.fitted) duration(source, s, FIRED(duration), t.duration);
            if (!t.active) continue;
            const int32_t n = t.volleySize;
            if (n > 1 && t.sweepDir == 0) {
                warn(s, placeOf(s, FIRED(volleySize)), LintId::StackedVolley,
                     "a volley of " + std::to_string(n) +
                         " with sweepDir 0 launches every bullet at the same angle, on one path (one over the other "
                         "at one speed); sweepDir = 1 (or -1) spreads them spreadStep degrees apart");
            }
            if (n >= 1 && t.bulletCount < n) {
                warn(s, placeOf(s, FIRED(bulletCount)), LintId::FewSlots,
                     t.bulletCount == 0
                         ? std::string("bulletCount 0: the gun has no slot to launch into, so nothing is fired; "
                                       "bulletCount is how many of the shooter's 256 slots it uses")
                         : "a volley of " + std::to_string(n) + " finds at most " + std::to_string(t.bulletCount) +
                               " free slots (bulletCount): the rest of it is not launched");
            }
            if (n >= 1 && t.fireDelay <= 0 && !referenced && !given(source, s, FIRED(originX)) &&
                !given(source, s, FIRED(originY))) {
                warn(s, placeOf(s, FIRED(fireDelay)), LintId::OriginDefault,
                     "the step's first volley leaves from (0, 0): in the frame a step is loaded the origin is its "
                     "originX, originY, here not given; from the next frame it is on the body; fireDelay = 1 fires "
                     "from the body");
            }
            unread(s, F, t);
            bulletLints(s, program.steps[k], t);
            const bool targeted = t.aimAtTarget || t.bulletMotion == kinds::MOTION_HOMING;
            if (targeted && !followsATarget && !given(source, s, FIRED(targetX)) && !given(source, s, FIRED(targetY))) {
                warn(s, placeOf(s, t.aimAtTarget ? FIRED(aimAtTarget) : FIRED(bulletMotion)), LintId::NoTarget,
                     std::string(t.aimAtTarget ? "this step aims" : "this step's bullets home in") +
                         " at (0, 0), the top left corner: no step of the program has a targetRef, and neither "
                         "targetX nor targetY is given; targetRef = { shooter = N }, or a point [x, y], gives it "
                         "something to aim at");
            }
        }
    }

    // Programs no shooter runs; movement programs that never switch their
    // shooters on; phases that turn nothing.
    void programs() {
        std::vector<std::vector<int32_t>> moving(p.movements.size()), firing(p.firings.size());
        for (int32_t i = 0; i < p.shooterCount; ++i) {
            moving[static_cast<size_t>(p.movementOf[static_cast<size_t>(i)])].push_back(i);
            firing[static_cast<size_t>(p.firingOf[static_cast<size_t>(i)])].push_back(i);
        }
        for (size_t m = 0; m < p.movements.size(); ++m) {
            const MovementProgram& program = p.movements[m];
            if (moving[m].empty()) {
                warn(sources.movements[m].key, LintId::UnusedProgram, "movement program '" + program.name +
                                                                     "' is run by no shooter (shooters.movement)");
                continue;
            }
            bool active = false;
            for (const MovementStep& e : program.steps) active = active || e.step.active != 0;
            if (!active) {
                warn(sources.movements[m].key, LintId::NeverActive,
                     "no step of movement program '" + program.name + "' has active = true: the shooters that run "
                     "it (" + shooterList(moving[m]) + ") are switched off in their first frame and never seen");
            }
        }
        // A program read once is read with one set of draws: every shooter
        // that runs it gets the same numbers.
        const auto shared = [&](const ProgramSource& source, const std::string& what, const std::vector<int32_t>& by) {
            if (!source.draws || source.perShooter || by.size() < 2) return;
            warn(source.key, LintId::SharedDraws,
                 what + " draws from rand() but names no shooter, so it is read once: shooters " + shooterList(by) +
                     " all run the same draws; a value that names the shooter (+ 0 * shooter will do) reads it for "
                     "each shooter, with draws of its own");
        };
        for (size_t m = 0; m < p.movements.size(); ++m) {
            shared(sources.movements[m], "movement program '" + p.movements[m].name + "'", moving[m]);
        }
        for (size_t f = 0; f < p.firings.size(); ++f) shared(sources.firings[f], "firing program '" + p.firings[f].name + "'", firing[f]);
        for (size_t f = 0; f < p.firings.size(); ++f) {
            if (firing[f].empty()) {
                warn(sources.firings[f].key, LintId::UnusedProgram,
                     "firing program '" + p.firings[f].name + "' is run by no shooter (shooters.firing)");
            }
        }
        // A bullet program no bullet runs: no step of a program a shooter
        // runs names it, nor any volley.
        std::vector<bool> named(p.bulletNames.size(), false);
        for (size_t f = 0; f < p.firings.size(); ++f) {
            if (firing[f].empty()) continue;
            for (const FiringStep& step : p.firings[f].steps) {
                if (step.bullet >= 0 && static_cast<size_t>(step.bullet) < named.size()) named[static_cast<size_t>(step.bullet)] = true;
            }
        }
        for (const actions::Action& a : p.bullets.actions) {
            if (a.kind == actions::FIRE && a.program >= 0 && static_cast<size_t>(a.program) < named.size()) {
                named[static_cast<size_t>(a.program)] = true;
            }
        }
        for (size_t b = 0; b < named.size() && b < sources.bullets.size(); ++b) {
            if (!named[b]) {
                warn(sources.bullets[b], LintId::UnusedProgram,
                     "bullet program '" + p.bulletNames[b] + "' is run by no bullet: no firing step a shooter runs "
                     "names it (bullet = \"" + p.bulletNames[b] + "\"), nor any volley");
            }
        }
        if (!sources.phases) return;
        // The phases turn the angles of the steps: of nothing when every
        // firing step aims and no movement step turns.
        for (int32_t i = 0; i < p.shooterCount; ++i) {
            for (const MovementStep& e : p.movements[static_cast<size_t>(p.movementOf[static_cast<size_t>(i)])].steps) {
                if (turns(e.step.moveMode)) return;
            }
            for (const FiringStep& f : p.firings[static_cast<size_t>(p.firingOf[static_cast<size_t>(i)])].steps) {
                if (!f.step.aimAtTarget) return;
            }
        }
        warn(sources.phases->source(), LintId::UnusedAngle,
             "the phases turn nothing: every firing step aims at its target (aimAtTarget) and no movement step "
             "turns with an angle");
    }
};

}  // namespace

void lintPattern(const Sources& sources, Loaded& loaded) {
    Linter linter{sources, loaded, loaded.pattern, {}, {}};
    for (const auto* programs : {&sources.movements, &sources.firings}) {
        for (const ProgramSource& program : *programs) {
            for (const StepSource& step : program.steps) ++linter.madeFrom[{step.place.begin.line, step.place.begin.column}];
        }
    }
    for (size_t m = 0; m < loaded.pattern.movements.size(); ++m) {
        linter.movement(sources.movements[m], loaded.pattern.movements[m]);
    }
    for (size_t f = 0; f < loaded.pattern.firings.size(); ++f) {
        linter.firing(sources.firings[f], loaded.pattern.firings[f]);
    }
    linter.flush();
    linter.programs();
}

}  // namespace pattern
