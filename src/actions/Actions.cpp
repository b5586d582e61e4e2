// Running bullet programs. Every value a program holds is a float or a whole
// number; each sum or quotient is worked out in double and rounded once to a
// float, as the rest of the simulation does, so every build gives the same.
#include "actions/Actions.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "bullets/BulletMotion.h"
#include "collections/RecordList.h"
#include "numerics/Degrees.h"
#include "numerics/Numerics.h"

namespace actions {

namespace {

using numerics::rounded;

// The turn from `from` to `to` the shorter way round, (-180, 180].
double shorter(double from, double to) {
    double d = std::fmod(to - from, 360.0);
    if (d > 180.0) d -= 360.0;
    if (d <= -180.0) d += 360.0;
    return d;
}

double aimOf(const bullets::Bullet& b, const actor::TurretStep& gun) {
    return std::atan2(double{gun.targetY} - b.y, double{gun.targetX} - b.x) * numerics::RAD_TO_DEG;
}

// The direction an action gives, before any spread over frames.
double directionOf(int32_t how, double value, const Run& r, const bullets::Bullet& b, const actor::TurretStep& gun,
                   const float* sequence) {
    switch (how) {
        case RELATIVE: return r.direction + value;
        case AIM: return aimOf(b, gun) + value;
        case SEQUENCE: return double{sequence[0]} + value;
        default: return value;
    }
}

double speedOf(int32_t how, double value, const Run& r, const float* sequence) {
    switch (how) {
        case RELATIVE: return r.speed + value;
        case SEQUENCE: return double{sequence[1]} + value;
        default: return value;
    }
}

// One frame of the changes under way; each ends exactly where it was told to.
bool goOnChanging(Run& r, bullets::Bullet& b) {
    bool turned = false;
    if (r.turnLeft > 0) {
        r.direction = --r.turnLeft == 0 ? r.turnTo : rounded(double{r.direction} + r.turnBy);
        turned = true;
    }
    if (r.speedLeft > 0) {
        r.speed = --r.speedLeft == 0 ? r.speedTo : rounded(double{r.speed} + r.speedBy);
        turned = true;
    }
    if (r.accelLeft > 0) {
        const bool last = --r.accelLeft == 0;
        b.ax = last ? r.accelToX : rounded(double{b.ax} + r.accelByX);
        b.ay = last ? r.accelToY : rounded(double{b.ay} + r.accelByY);
    }
    return turned;
}

// As a count: rounded down, then held within 0 and `most`.
int32_t countValue(double value, int32_t most) {
    if (!(value >= 1.0)) return 0;
    return value >= most ? most : static_cast<int32_t>(value);
}

// The action as it runs: each value a formula gives, worked out now.
Action worked(const Programs& p, const Action& held, const RunRest& r, int32_t age, uint64_t& draws) {
    Action a = held;
    const Names names{r.index, r.volley, age, 0, r.depth, r.repeatIndex};
    const auto value = [&](Slot slot) { return formulaValue(p, held.formulas[slot], names, draws); };
    // In the order the action's keys are written: the thing to do, then what goes with it.
    if (a.formulas[VOLLEY_AT] >= 0) a.volley = countValue(value(VOLLEY_AT), actor::BULLET_CAPACITY);
    if (a.formulas[VALUE_AT] >= 0) a.value = floatValue(value(VALUE_AT));
    if (a.formulas[VALUE_Y_AT] >= 0) a.valueY = floatValue(value(VALUE_Y_AT));
    if (a.formulas[SPREAD_AT] >= 0) a.spread = floatValue(value(SPREAD_AT));
    if (a.formulas[SPEED_AT] >= 0) a.speed = floatValue(value(SPEED_AT));
    if (a.formulas[FRAMES_AT] >= 0) a.frames = countValue(value(FRAMES_AT), MAX_FRAMES);
    return a;
}

// Whether any value is a formula's: no branch a value, as every action asks.
bool hasFormula(const Action& a) {
    int32_t none = -1;
    for (const int32_t f : a.formulas) none &= f;  // -1 only while every one is -1
    return none != -1;
}

// The bullet's actions of this frame. Returns whether its velocity is to be
// made again from its direction and speed.
bool runActions(const Programs& p, Run& r, RunRest& rest, bullets::Bullet& b, const actor::TurretStep& gun,
                ShooterRuns& runs, uint64_t& draws) {
    bool turned = false;
    const auto program = static_cast<size_t>(r.program);
    float* own = runs.sequence.data() + 2 * program;
    for (int32_t budget = MAX_ACTIONS_A_FRAME; budget > 0 && r.wait == 0 && r.program >= 0; --budget) {
        const Action& held = p.actions[static_cast<size_t>(r.at)];
        const Action& a = hasFormula(held) ? (runs.worked = worked(p, held, rest, b.age, draws)) : held;
        switch (a.kind) {
            case WAIT:
                r.wait = a.frames > 0 ? a.frames : 0;
                ++r.at;
                break;
            case DIRECTION: {
                const double to = directionOf(a.how, a.value, r, b, gun, own);
                if (a.frames > 0) {
                    // A turn relative to its own direction is the turn it says; any other the shorter way.
                    const double turn = a.how == RELATIVE ? double{a.value} : shorter(r.direction, to);
                    r.turnTo = rounded(double{r.direction} + turn);
                    r.turnBy = rounded(turn / a.frames);
                    r.turnLeft = a.frames;
                } else {
                    r.direction = rounded(to);
                    r.turnLeft = 0;
                    turned = true;
                }
                ++r.at;
                break;
            }
            case SPEED: {
                const double to = speedOf(a.how, a.value, r, own);
                if (a.frames > 0) {
                    r.speedTo = rounded(to);
                    r.speedBy = rounded((to - r.speed) / a.frames);
                    r.speedLeft = a.frames;
                } else {
                    r.speed = rounded(to);
                    r.speedLeft = 0;
                    turned = true;
                }
                ++r.at;
                break;
            }
            case ACCEL:
                if (a.frames > 0) {
                    r.accelToX = a.value, r.accelToY = a.valueY;
                    r.accelByX = rounded((double{a.value} - b.ax) / a.frames);
                    r.accelByY = rounded((double{a.valueY} - b.ay) / a.frames);
                    r.accelLeft = a.frames;
                } else {
                    b.ax = a.value, b.ay = a.valueY;
                    r.accelLeft = 0;
                }
                ++r.at;
                break;
            case FIRE: {
                const double base = directionOf(a.how, a.value, r, b, gun, own);
                const double speed = speedOf(a.speedHow, a.speed, r, own);
                for (int32_t k = 0; k < a.volley; ++k) {
                    const float direction = rounded(base + (k - (a.volley - 1) / 2.0) * a.spread);
                    // Past a store's worth no child can find a slot: counted, not kept.
                    if (runs.childCount < actor::BULLET_CAPACITY) {
                        runs.children[runs.childCount] = {b.x, b.y, direction, rounded(speed), a.program, k, a.volley};
                    }
                    ++runs.childCount;
                    own[0] = direction, own[1] = rounded(speed);
                }
                ++r.at;
                break;
            }
            case VANISH:
                bullets::retireBullet(b);  // the slot is free as when a bullet leaves the play area
                r.program = VANISHED;
                return false;
            case REPEAT:
                if (a.frames <= 0 || rest.depth >= MAX_DEPTH) {
                    r.at = a.jump + 1;  // its actions are not run
                } else {
                    rest.repeatLeft[rest.depth] = a.frames;
                    rest.repeatIndex[rest.depth] = 0;
                    ++rest.depth;
                    ++r.at;
                }
                break;
            default:  // END
                if (a.jump < 0 || rest.depth <= 0) {
                    r.program = DONE;  // the bullet flies on as it is, its changes under way going on
                } else if (--rest.repeatLeft[rest.depth - 1] > 0) {
                    ++rest.repeatIndex[rest.depth - 1];
                    r.at = a.jump + 1;
                } else {
                    --rest.depth;
                    ++r.at;
                }
                break;
        }
    }
    return turned;
}

void start(const Programs& p, Run& r, RunRest& rest, int32_t program, float direction, float speed, int32_t index,
           int32_t volley) {
    r = Run{};
    rest = RunRest{};
    r.program = program;
    rest.index = index;
    rest.volley = volley;
    r.at = p.programs[static_cast<size_t>(program)].first;
    r.direction = direction;
    r.speed = speed;
}

}  // namespace

void velocityOf(float direction, float speed, float* vx, float* vy) {
    const double d = rounded(direction * numerics::DEG_TO_RAD);
    *vx = rounded(std::cos(d) * speed);
    *vy = rounded(std::sin(d) * speed);
}

void sizeRuns(ShooterRuns& runs, const Programs& programs, const actor::Shooter& shooter,
              const std::vector<int32_t>& stepPrograms) {
    runs.sequence.assign(2 * programs.programs.size(), 0.0f);
    for (Run& r : runs.runs) r = Run{};
    for (RunRest& r : runs.rest) r = RunRest{};
    runs.childCount = 0;
    runs.steps = collections::storedRecords(shooter.turretSteps);
    runs.stepPrograms.assign(runs.steps.size(), NONE);
    for (size_t k = 0; k < runs.steps.size() && k < stepPrograms.size(); ++k) runs.stepPrograms[k] = stepPrograms[k];
    runs.lastStep = nullptr;
    runs.lastProgram = NONE;
}

namespace {

// The program the gun's step in force gives its bullets.
int32_t gunProgram(const actor::Shooter& s, ShooterRuns& runs) {
    const actor::TurretStep* step = collections::currentRecord(s.turretSteps);
    if (step != runs.lastStep) {
        runs.lastStep = step;
        const int32_t k = collections::recordIndex(runs.steps, step);
        runs.lastProgram = k >= 0 ? runs.stepPrograms[static_cast<size_t>(k)] : NONE;
    }
    return runs.lastProgram;
}

}  // namespace

int32_t runShooter(const Programs& p, actor::Shooter& s, ShooterRuns& runs, uint64_t& draws) {
    const int32_t slots = actor::usedSlots(s);
    const auto programs = static_cast<int32_t>(p.programs.size());
    runs.childCount = 0;
    // The gun's volley of this frame, for its bullets' index and size.
    int32_t launched = 0, launching = 0;
    // Its size is known before they run only by a pass of its own, which
    // only formulas need: otherwise it is given them once they have run.
    const bool counting = !p.formulas.empty();
    for (int32_t j = 0; j < slots && counting; ++j) {
        launched += s.bullets[j].age == 1 && s.bullets[j].alive && runs.runs[j].program == NONE;
    }
    for (int32_t j = 0; j < slots; ++j) {
        bullets::Bullet& b = s.bullets[j];
        Run& r = runs.runs[j];
        if (!b.alive) {
            r.program = NONE;
            continue;
        }
        if (r.program == NONE && b.age == 1) {
            // Launched by the gun this frame: its step's program starts from the way it flies.
            const int32_t program = gunProgram(s, runs);
            if (program >= 0 && program < programs) {
                start(p, r, runs.rest[j], program, rounded(std::atan2(double{b.vy}, double{b.vx}) * numerics::RAD_TO_DEG),
                      rounded(std::sqrt(double{b.vx} * b.vx + double{b.vy} * b.vy)), launching, launched);
            } else {
                r.program = DONE;  // none: it flies as its motion says
            }
            runs.started[launching++] = j;
        }
        if (r.program == NONE || r.program == VANISHED) continue;
        bool turned = goOnChanging(r, b);
        if (r.program >= 0) {
            if (r.wait > 0) --r.wait;
            turned = runActions(p, r, runs.rest[j], b, s.turret, runs, draws) || turned;
        }
        if (turned && b.alive) velocityOf(r.direction, r.speed, &b.vx, &b.vy);
    }
    for (int32_t k = 0; k < launching && !counting; ++k) runs.rest[runs.started[k]].volley = launching;
    // The volleys fired, into free slots in order; a slot vanished this frame is not free yet.
    const int32_t kept = runs.childCount < actor::BULLET_CAPACITY ? runs.childCount : actor::BULLET_CAPACITY;
    int32_t dropped = runs.childCount - kept, slot = 0;
    for (int32_t k = 0; k < kept; ++k) {
        while (slot < slots && (s.bullets[slot].alive || runs.runs[slot].program == VANISHED)) ++slot;
        if (slot >= slots) {
            dropped += kept - k;
            break;
        }
        const Child& c = runs.children[k];
        bullets::Bullet& b = s.bullets[slot];
        b.x = c.x, b.y = c.y;
        velocityOf(c.direction, c.speed, &b.vx, &b.vy);
        b.ax = b.ay = 0.0f;
        b.boostX = b.boostY = 0.0f;
        b.heldVx = b.heldVy = 0.0f;
        b.alive = -1;
        b.age = 0;
        b.haltAt = -1;
        b.motion = 0;
        b.heading = numerics::remainder360(numerics::nearest(c.direction));
        Run& r = runs.runs[slot];
        RunRest& rest = runs.rest[slot];
        if (c.program >= 0 && c.program < programs) {
            start(p, r, rest, c.program, c.direction, c.speed, c.index, c.volley);
        } else {
            r = Run{};
            r.program = DONE;  // a run of its own all the same: it is no bullet of the gun's
            rest = RunRest{};
            rest.index = c.index, rest.volley = c.volley;
        }
        ++slot;
    }
    runs.childCount = 0;
    return dropped;
}

int32_t stackNeed(const FormulaTerm* terms, int32_t count) {
    int32_t top = 0, most = 0;
    for (int32_t k = 0; k < count; ++k) {
        const FormulaTerm& t = terms[k];
        if (t.term < 0 || t.term >= TERM_COUNT || !std::isfinite(t.value)) return -1;
        if (t.term <= RANDOM || t.term == SHOT) {
            if (t.term == REPEAT_INDEX && (t.count < 0 || t.count >= MAX_DEPTH)) return -1;
            most = std::max(most, ++top);
        } else if (t.term == MIN || t.term == MAX) {
            if (t.count < 1 || t.count > top) return -1;
            top -= t.count - 1;
        } else if (t.term >= ADD && t.term <= POWER) {
            if (top < 2) return -1;
            --top;
        } else if (top < 1) {
            return -1;
        }
    }
    return top == 1 ? most : -1;
}

float floatValue(double value) { return std::fabs(value) <= FLT_MAX ? rounded(value) : 0.0f; }

double formulaValue(const Programs& p, int32_t formula, const Names& n, uint64_t& draws) {
    const Formula& f = p.formulas[static_cast<size_t>(formula)];
    double stack[MAX_STACK];
    int32_t top = 0;  // numbers held; soundPrograms has made sure each term finds what it takes
    for (int32_t k = f.first; k < f.first + f.count; ++k) {
        const FormulaTerm& t = p.terms[static_cast<size_t>(k)];
        double* const x = stack + top - 1;  // the number on top
        switch (t.term) {
            case NUMBER: stack[top++] = t.value; break;
            case INDEX: stack[top++] = n.index; break;
            case VOLLEY: stack[top++] = n.volley; break;
            case AGE: stack[top++] = n.age; break;
            case SHOT: stack[top++] = n.shot; break;
            case REPEAT_INDEX: stack[top++] = t.count < n.depth && n.repeats ? n.repeats[t.count] : 0; break;
            case RANDOM: stack[top++] = numerics::drawRandom(draws); break;
            case NEGATE: *x = -*x; break;
            case FLOOR: *x = std::floor(*x); break;
            case ROUND: *x = std::round(*x); break;
            case ABS: *x = std::fabs(*x); break;
            case SINE: *x = numerics::sineOfDegrees(*x); break;
            case COSINE: *x = numerics::cosineOfDegrees(*x); break;
            case MIN:
            case MAX: {
                // Compared, as the reader does, not fmin and fmax.
                const int32_t first = top - t.count;
                double v = stack[first];
                for (int32_t j = first + 1; j < top; ++j) {
                    if (t.term == MIN ? stack[j] < v : stack[j] > v) v = stack[j];
                }
                top = first;
                stack[top++] = v;
                break;
            }
            default: {
                const double right = stack[--top];
                double& left = stack[top - 1];
                if (t.term == ADD) {
                    left = left + right;
                } else if (t.term == SUBTRACT) {
                    left = left - right;
                } else if (t.term == MULTIPLY) {
                    left = left * right;
                } else if (t.term == DIVIDE) {
                    left = right == 0.0 ? NAN : left / right;
                } else {  // POWER
                    const bool whole = std::floor(right) == right && std::fabs(right) <= 1024.0;
                    left = whole && !(left == 0.0 && right < 0.0) ? numerics::wholePower(left, right) : NAN;
                }
                break;
            }
        }
    }
    return std::isfinite(stack[0]) ? stack[0] : 0.0;
}

namespace {

bool soundFormulas(const Programs& p) {
    for (const Formula& f : p.formulas) {
        if (f.first < 0 || f.count < 1 || int64_t{f.first} + f.count > static_cast<int64_t>(p.terms.size())) return false;
        const int32_t need = stackNeed(p.terms.data() + f.first, f.count);
        if (need < 0 || need > MAX_STACK) return false;
    }
    return true;
}

}  // namespace

bool soundPrograms(const Programs& p) {
    const auto count = static_cast<int32_t>(p.programs.size());
    const auto size = static_cast<int64_t>(p.actions.size());
    if (!soundFormulas(p)) return false;
    for (const Program& program : p.programs) {
        if (program.first < 0 || program.count < 1 || int64_t{program.first} + program.count > size) return false;
        int32_t depth = 0;
        const int32_t last = program.first + program.count - 1;
        for (int32_t at = program.first; at <= last; ++at) {
            const Action& a = p.actions[static_cast<size_t>(at)];
            const bool finite = std::isfinite(a.value) && std::isfinite(a.valueY) && std::isfinite(a.spread) &&
                                std::isfinite(a.speed);
            if (a.kind < 0 || a.kind >= KIND_COUNT || a.how < 0 || a.how >= HOW_COUNT || a.speedHow < 0 ||
                a.speedHow >= HOW_COUNT || a.speedHow == AIM || !finite || a.frames < 0 || a.volley < 0 ||
                a.volley > actor::BULLET_CAPACITY || a.program < NONE || a.program >= count) {
                return false;
            }
            if (a.kind == SPEED && a.how == AIM) return false;
            for (const int32_t f : a.formulas) {
                if (f < -1 || f >= static_cast<int32_t>(p.formulas.size())) return false;
            }
            if (at == last) {
                if (a.kind != END || a.jump != -1 || depth != 0) return false;
            } else if (a.kind == END) {
                // A repeat's end leads back to it, within the program.
                if (a.jump < program.first || a.jump >= at || p.actions[static_cast<size_t>(a.jump)].kind != REPEAT ||
                    p.actions[static_cast<size_t>(a.jump)].jump != at || --depth < 0) {
                    return false;
                }
            } else if (a.kind == REPEAT) {
                if (a.jump <= at || a.jump >= last || p.actions[static_cast<size_t>(a.jump)].kind != END ||
                    p.actions[static_cast<size_t>(a.jump)].jump != at || ++depth > MAX_DEPTH) {
                    return false;
                }
            }
        }
    }
    return true;
}

bool soundRun(const Run& r, const RunRest& rest, const Programs& p) {
    if (r.program == NONE || r.program == VANISHED || r.program == DONE) return true;
    if (r.program < 0 || static_cast<size_t>(r.program) >= p.programs.size()) return false;
    const Program& program = p.programs[static_cast<size_t>(r.program)];
    return r.at >= program.first && r.at < program.first + program.count && r.wait >= 0 && rest.depth >= 0 &&
           rest.depth <= MAX_DEPTH && rest.index >= 0 && rest.volley >= 0 && rest.index <= actor::BULLET_CAPACITY &&
           rest.volley <= actor::BULLET_CAPACITY;
}

}  // namespace actions
