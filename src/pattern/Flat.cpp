// A pattern written out flat: every step as the engine receives it, each
// field that differs from a step's default, floats in seven digits or
// nine, so that they read back to the same float. What repetitions, parameters and
// expressions said is worked out already, so the text reads back to the
// same pattern and the same trace.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#include "pattern/Fields.h"
#include "pattern/Format.h"
#include "pattern/Pattern.h"

namespace pattern {

namespace {

// A decimal that reads back to the same float: in seven digits when they
// do (as a float written by hand mostly does), else in nine, which always do.
void appendFloat(std::string& out, float value) {
    char text[32];
    int length = std::snprintf(text, sizeof text, "%.7g", static_cast<double>(value));
    if (std::strtof(text, nullptr) != value) length = std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    out.append(text, static_cast<size_t>(length));
}

std::string doubleText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

// A program's name as a TOML key: bare when it may stand bare.
std::string keyText(const std::string& name) {
    bool bare = !name.empty();
    for (char c : name) bare = bare && (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-');
    return bare ? name : quoted(name);
}

void appendReference(std::string& out, const Reference& r) {
    if (r.kind == REFERENCE_PLAYER) {
        out += quoted(PLAYER_REFERENCE);
    } else if (r.kind == REFERENCE_POINT) {
        out += '[';
        appendFloat(out, r.x);
        out += ", ";
        appendFloat(out, r.y);
        out += ']';
    } else {
        out += "{ shooter = " + std::to_string(r.shooter) + " }";
    }
}

std::string formulaText(const actions::Programs& programs, int32_t formula);

// One step as an inline table of the fields it does not leave at their
// default, and those worked out at each shot as they were written.
template <typename Step>
void appendStep(std::string& out, const Step& step, std::span<const Field> fields, const Pattern& p) {
    const std::vector<std::string>& bulletNames = p.bulletNames;
    static const Step none{};
    const char* base = reinterpret_cast<const char*>(&step);
    const char* blank = reinterpret_cast<const char*>(&none);
    out += "  {";
    bool first = true;
    for (const Field& f : fields) {
        const auto name = [&] {
            out += first ? " " : ", ";
            first = false;
            out += f.name;
            out += " = ";
        };
        if (f.kind == FieldKind::Span) continue;  // the steps are those the timeline made, each in its span
        int32_t atEachShot = -1;
        if constexpr (std::is_same_v<Step, FiringStep>) {
            for (int32_t k = 0; k < MAX_SHOT_VALUES; ++k) {
                if (step.shotFields[k] == &f - fields.data()) atEachShot = step.shotFormulas[k];
            }
        }
        if (atEachShot >= 0 && static_cast<size_t>(atEachShot) < p.bullets.formulas.size()) {
            name();
            out += formulaText(p.bullets, atEachShot);
        } else if (f.kind == FieldKind::Program) {
            int32_t v = -1;
            std::memcpy(&v, base + f.offset, sizeof v);
            if (v < 0 || static_cast<size_t>(v) >= bulletNames.size()) continue;
            name();
            out += quoted(bulletNames[static_cast<size_t>(v)]);
        } else if (f.kind == FieldKind::Reference) {
            Reference r;
            std::memcpy(&r, base + f.offset, sizeof r);
            if (r.kind == REFERENCE_NONE) continue;
            name();
            appendReference(out, r);
        } else if (f.kind == FieldKind::Float) {
            if (std::memcmp(base + f.offset, blank + f.offset, sizeof(float)) == 0) continue;  // -0.0 is no default
            float v = 0.0f;
            std::memcpy(&v, base + f.offset, sizeof v);
            name();
            appendFloat(out, v);
        } else {
            int32_t v = 0, d = 0;
            std::memcpy(&v, base + f.offset, sizeof v);
            std::memcpy(&d, blank + f.offset, sizeof d);
            if (v == d) continue;
            name();
            const kinds::Name* kind = nullptr;
            for (const kinds::Name& n : f.names) {
                if (n.value == v) kind = &n;
            }
            if (kind) {
                out += '"';
                out += kind->name;
                out += '"';
            } else if (f.kind == FieldKind::Flag && v == -1) {
                out += "true";
            } else {
                out += std::to_string(v);
            }
        }
    }
    out += first ? "}" : " }";
}

template <typename Program>
void appendPrograms(std::string& out, const char* table, const std::vector<Program>& programs,
                    std::span<const Field> fields, const Pattern& p) {
    for (const Program& program : programs) {
        out += "\n[" + std::string(table) + "." + keyText(program.name) + "]\n";
        if (program.loop != 0) out += std::string(name(ProgramKey::Loop)) + " = " + quoted(LOOP_NAMES[program.loop == 1]) + "\n";
        out += std::string(name(ProgramKey::Steps)) + " = [\n";
        for (const auto& step : program.steps) {
            appendStep(out, step, fields, p);
            out += ",\n";
        }
        out += "]\n";
    }
}

template <typename Program>
std::string assignmentText(const char* field, const std::vector<int32_t>& of, const std::vector<Program>& programs) {
    bool same = true;
    for (int32_t k : of) same = same && k == of.front();
    if (same) return std::string(field) + " = " + quoted(programs[static_cast<size_t>(of.front())].name) + "\n";
    std::string list;
    for (int32_t k : of) list += (list.empty() ? "" : ", ") + quoted(programs[static_cast<size_t>(k)].name);
    return std::string(field) + " = [" + list + "]\n";
}

const char* howName(int32_t how) { return HOW_NAMES[static_cast<size_t>(how >= 0 && how < actions::HOW_COUNT ? how : 0)].name; }

// A repeat's index in what --expand writes: by how deep it stands, as the
// repeats it writes name them.
std::string repeatIndexName(int32_t depth) { return std::string(DEFAULT_INDEX) + std::to_string(depth + 1); }

// A number of a formula as an expression writes it: whole numbers without
// an exponent, others exactly.
std::string termNumber(double value) {
    char whole[32];
    std::snprintf(whole, sizeof whole, "%.0f", value);
    const std::string text = std::floor(value) == value && std::fabs(value) < 1e15 ? whole : exactText(value);
    return value < 0 ? "(" + text + ")" : text;
}

// A formula as an expression again, every operation in parentheses.
std::string formulaText(const actions::Programs& programs, int32_t formula) {
    const actions::Formula& f = programs.formulas[static_cast<size_t>(formula)];
    std::vector<std::string> stack;
    for (int32_t k = f.first; k < f.first + f.count; ++k) {
        const actions::FormulaTerm& t = programs.terms[static_cast<size_t>(k)];
        const auto call = [&](Operation op, size_t count) {
            std::string args;
            for (size_t j = stack.size() - count; j < stack.size(); ++j) args += (args.empty() ? "" : ", ") + stack[j];
            stack.resize(stack.size() - count);
            stack.push_back(std::string(functionOf(op).name) + "(" + args + ")");
        };
        const auto infix = [&](const char* symbol) {
            const std::string right = stack.back();
            stack.pop_back();
            stack.back() = "(" + stack.back() + " " + symbol + " " + right + ")";
        };
        switch (t.term) {
            case actions::NUMBER: stack.push_back(termNumber(t.value)); break;
            case actions::REPEAT_INDEX: stack.push_back(repeatIndexName(t.count)); break;
            case actions::RANDOM: call(Operation::Random, 0); break;
            case actions::NEGATE: stack.back() = "(-" + stack.back() + ")"; break;
            case actions::ADD: infix("+"); break;
            case actions::SUBTRACT: infix("-"); break;
            case actions::MULTIPLY: infix("*"); break;
            case actions::DIVIDE: infix("/"); break;
            case actions::POWER: infix("^"); break;
            case actions::MIN: call(Operation::Min, static_cast<size_t>(t.count)); break;
            case actions::MAX: call(Operation::Max, static_cast<size_t>(t.count)); break;
            case actions::FLOOR: call(Operation::Floor, 1); break;
            case actions::ROUND: call(Operation::Round, 1); break;
            case actions::ABS: call(Operation::Abs, 1); break;
            case actions::SINE: call(Operation::Sine, 1); break;
            case actions::COSINE: call(Operation::Cosine, 1); break;
            default:
                for (const RunName& n : RUN_NAMES) {
                    if (n.term == t.term) stack.push_back(n.name);
                }
                break;
        }
    }
    return quoted("= " + stack.back());
}

// A bullet program's actions from `at` to the end that closes them, as
// inline tables, a repeat's own written inside it. Returns the index after it.
size_t appendActions(std::string& out, const Pattern& p, size_t at, const std::string& indent, int32_t depth) {
    const std::vector<actions::Action>& list = p.bullets.actions;
    const bool namesRepeats = std::any_of(p.bullets.terms.begin(), p.bullets.terms.end(), [](const auto& t) {
        return t.term == actions::REPEAT_INDEX;
    });
    while (at < list.size() && list[at].kind != actions::END) {
        const actions::Action& a = list[at];
        const auto key = [&](ActionKey k) { return std::string(name(k)) + " = "; };
        // Each value as held, or the formula that gives it as the bullet runs.
        const auto number = [&](float value, actions::Slot slot) {
            if (a.formulas[slot] >= 0) {
                out += formulaText(p.bullets, a.formulas[slot]);
            } else {
                appendFloat(out, value);
            }
        };
        const auto count = [&](int32_t value, actions::Slot slot) {
            return a.formulas[slot] >= 0 ? formulaText(p.bullets, a.formulas[slot]) : std::to_string(value);
        };
        out += indent + "{ ";
        switch (a.kind) {
            case actions::WAIT: out += key(ActionKey::Wait) + count(a.frames, actions::FRAMES_AT); break;
            case actions::DIRECTION:
            case actions::SPEED:
                out += key(a.kind == actions::DIRECTION ? ActionKey::Direction : ActionKey::Speed);
                number(a.value, actions::VALUE_AT);
                out += ", " + key(ActionKey::Kind) + quoted(howName(a.how)) + ", " + key(ActionKey::Frames) +
                       count(a.frames, actions::FRAMES_AT);
                break;
            case actions::ACCEL:
                out += key(ActionKey::Accel) + "[";
                number(a.value, actions::VALUE_AT);
                out += ", ";
                number(a.valueY, actions::VALUE_Y_AT);
                out += "], " + key(ActionKey::Frames) + count(a.frames, actions::FRAMES_AT);
                break;
            case actions::FIRE:
                out += key(ActionKey::Fire) + "{ " + name(FireKey::Volley) + " = " + count(a.volley, actions::VOLLEY_AT) +
                       ", " + name(FireKey::Spread) + " = ";
                number(a.spread, actions::SPREAD_AT);
                out += std::string(", ") + name(FireKey::Direction) + " = ";
                number(a.value, actions::VALUE_AT);
                out += std::string(", ") + name(FireKey::Kind) + " = " + quoted(howName(a.how)) + ", " +
                       name(FireKey::Speed) + " = ";
                number(a.speed, actions::SPEED_AT);
                out += std::string(", ") + name(FireKey::SpeedKind) + " = " + quoted(howName(a.speedHow)) + ", " +
                       name(FireKey::Bullet) + " = " +
                       quoted(a.program >= 0 && static_cast<size_t>(a.program) < p.bulletNames.size()
                                  ? p.bulletNames[static_cast<size_t>(a.program)]
                                  : std::string("none")) +
                       " }";
                break;
            case actions::VANISH: out += key(ActionKey::Vanish) + "true"; break;
            default:  // REPEAT
                out += key(ActionKey::Repeat) + count(a.frames, actions::FRAMES_AT) + ", ";
                if (namesRepeats) out += key(ActionKey::Index) + quoted(repeatIndexName(depth)) + ", ";
                out += key(ActionKey::Actions) + "[\n";
                at = appendActions(out, p, at + 1, indent + "  ", depth + 1);
                out += indent + "] },\n";
                ++at;  // its end
                continue;
        }
        out += " },\n";
        ++at;
    }
    return at;
}

}  // namespace

std::string flatPattern(const Loaded& loaded) {
    const Pattern& p = loaded.pattern;
    std::string out = "# " + p.file + " with its repetitions, parameters and expressions worked out";
    std::string params;
    for (const Binding& b : loaded.parameters) params += (params.empty() ? "" : ", ") + b.name + " = " + doubleText(b.value);
    if (!params.empty()) out += " (" + params + ")";
    out += ".\n\n[" + std::string(name(Section::Shooters)) + "]\n" + name(ShootersKey::Count) + " = " +
           std::to_string(p.shooterCount) + "\n" + name(ShootersKey::Phases) + " = [";
    for (size_t i = 0; i < p.phases.size(); ++i) out += (i ? ", " : "") + std::to_string(p.phases[i]);
    out += "]\n";
    if (p.shooterCount > 0) {
        out += assignmentText(name(ShootersKey::Movement), p.movementOf, p.movements);
        out += assignmentText(name(ShootersKey::Firing), p.firingOf, p.firings);
    }
    if (p.player.given) {
        const Player& ship = p.player;
        out += "\n[" + std::string(name(Section::Player)) + "]\n" + name(PlayerKey::Start) + " = [" +
               std::to_string(ship.x) + ", " + std::to_string(ship.y) + "]\n" + name(PlayerKey::Speed) + " = " +
               std::to_string(ship.speed) + "\n" + name(PlayerKey::FocusedSpeed) + " = " +
               std::to_string(ship.focusedSpeed) + "\n";
        for (const auto& [key, radius] : {std::pair{PlayerKey::HitRadius, ship.hitRadius},
                                          std::pair{PlayerKey::BulletRadius, ship.bulletRadius},
                                          std::pair{PlayerKey::GrazeRadius, ship.grazeRadius}}) {
            out += std::string(name(key)) + " = ";
            appendFloat(out, radius);
            out += "\n";
        }
    }
    appendPrograms(out, name(Section::Movement), p.movements, MOVEMENT_FIELDS, p);
    appendPrograms(out, name(Section::Firing), p.firings, FIRING_FIELDS, p);
    for (size_t k = 0; k < p.bullets.programs.size() && k < p.bulletNames.size(); ++k) {
        out += "\n[" + std::string(name(Section::Bullet)) + "." + keyText(p.bulletNames[k]) + "]\n" +
               name(BulletKey::Actions) + " = [\n";
        appendActions(out, p, static_cast<size_t>(p.bullets.programs[k].first), "  ", 0);
        out += "]\n";
    }
    return out;
}

}  // namespace pattern
