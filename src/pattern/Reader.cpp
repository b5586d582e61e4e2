// Reading a parsed TOML table into a pattern. Every mistake is collected with
// its line and column, not only the first: unknown fields (with the closest
// known name), wrong types, numbers out of range, missing values, NaN and
// infinity, too many steps or shooters, and references to programs or
// shooters that do not exist.
#include "pattern/ReadTable.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <span>
#include <string>

#include "numerics/Numerics.h"
#include "pattern/Fields.h"

namespace pattern {

namespace {

// The reader's state: the text's lines (for the exact decimal of a float), the
// messages, and the pattern being filled.
struct Reader {
    const std::vector<std::string_view>& lines;
    Loaded& loaded;
    struct {
        size_t line = 0, column = 1, byte = 0;  // a column whose byte is known
    } lastFloat;  // where floatAsWritten last stood
    // The steps list, in file order, with which the programs would hold
    // more than MAX_WORLD_STEPS: it and those after it are not read.
    const toml::node* overflowing = nullptr;
    Sources& sources;

    void say(const toml::source_region& where, bool error, std::string message, std::string lint = {},
             std::vector<Note> notes = {}) {
        const bool oneLine = where.end.line == where.begin.line && where.end.column > where.begin.column;
        addMessage(loaded, {static_cast<int32_t>(where.begin.line), static_cast<int32_t>(where.begin.column),
                            error ? -1 : 0, std::move(message),
                            oneLine ? static_cast<int32_t>(where.end.column) : 0, std::move(notes), std::move(lint)});
    }
    void error(const toml::node& node, std::string message) { say(node.source(), true, std::move(message)); }

    // The float as written, rounded once from its decimal to single precision
    // (through a double, a decimal near a halfway point would round twice).
    bool floatOf(const toml::node& node, const std::string& name, float* out) {
        double value = 0.0;
        if (const auto* f = node.as_floating_point()) {
            value = f->get();
        } else if (!node.as_integer()) {
            error(node, name + " must be a number, not " + typeName(node));
            return false;
        }
        if (!std::isfinite(value)) {
            error(node, name + " must be a finite number, not " + std::string(std::isnan(value) ? "nan" : "inf"));
            return false;
        }
        float exact = 0.0f;
        if (!floatAsWritten(node, &exact)) {
            // Half the last place beyond the largest float or more rounds to infinity.
            if (const auto* i = node.as_integer()) exact = static_cast<float>(i->get());
            else exact = std::fabs(value) < 0x1.ffffffp127 ? static_cast<float>(value) : HUGE_VALF;
        }
        if (!std::isfinite(exact)) {
            error(node, name + " must lie within +-3.4e38 (a single-precision float)");
            return false;
        }
        *out = exact;
        return true;
    }

    // The number's own text, when it is one line of decimal digits that the C
    // library reads whole, rounded once to single precision.
    bool floatAsWritten(const toml::node& node, float* out) {
        const toml::source_region& where = node.source();
        if (where.begin.line != where.end.line || where.begin.line < 1 || where.begin.line > lines.size()) {
            return false;
        }
        const std::string_view line = lines[where.begin.line - 1];
        // The values of a long line come in order: count on from the last one.
        if (where.begin.line != lastFloat.line || where.begin.column < lastFloat.column) lastFloat = {where.begin.line, 1, 0};
        const size_t from = byteOfColumn(line, where.begin.column, lastFloat.column, lastFloat.byte);
        const size_t to = byteOfColumn(line, where.end.column, where.begin.column, from);
        lastFloat = {where.begin.line, where.end.column, to};
        if (from >= to) return false;
        std::string digits;
        for (char c : line.substr(from, to - from)) {
            if (c != '_') digits += c;
        }
        char* end = nullptr;
        *out = std::strtof(digits.c_str(), &end);
        return end && *end == '\0' && end != digits.c_str();
    }

    static std::string typeName(const toml::node& node) {
        switch (node.type()) {
            case toml::node_type::string: return "text";
            case toml::node_type::integer: return "a whole number";
            case toml::node_type::floating_point: return "a number with a fraction";
            case toml::node_type::boolean: return "true or false";
            case toml::node_type::array: return "a list";
            case toml::node_type::table: return "a table";
            default: return "a date or time";
        }
    }

    bool integerOf(const toml::node& node, const std::string& name, int64_t least, int64_t most, int32_t* out) {
        const auto* i = node.as_integer();
        if (!i) {
            error(node, name + " must be a whole number, not " + typeName(node));
            return false;
        }
        if (i->get() < least || i->get() > most) {
            error(node, name + " must be from " + std::to_string(least) + " to " + std::to_string(most) + ", not " +
                            std::to_string(i->get()));
            return false;
        }
        *out = static_cast<int32_t>(i->get());
        return true;
    }

    void setField(const Field& field, const toml::node& node, void* slot, int32_t shooterCount) {
        const std::string name = field.name;
        switch (field.kind) {
            case FieldKind::Integer: integerOf(node, name, field.least, field.most, static_cast<int32_t*>(slot)); break;
            case FieldKind::Float: floatOf(node, name, static_cast<float*>(slot)); break;
            case FieldKind::Flag:
                if (const auto* b = node.as_boolean()) {
                    *static_cast<int32_t*>(slot) = b->get() ? -1 : 0;
                } else {
                    integerOf(node, name + " (true, false or a whole number)", I32_MIN, I32_MAX,
                              static_cast<int32_t*>(slot));
                }
                break;
            case FieldKind::Named: setNamed(field, node, static_cast<int32_t*>(slot)); break;
            case FieldKind::Reference: setReference(name, node, static_cast<Reference*>(slot), shooterCount); break;
        }
    }

    void setNamed(const Field& field, const toml::node& node, int32_t* slot) {
        std::string known;
        for (const kinds::Name& n : field.names) known += std::string(known.empty() ? "" : ", ") + n.name;
        if (const auto* s = node.as_string()) {
            for (const kinds::Name& n : field.names) {
                if (s->get() == n.name) {
                    *slot = n.value;
                    return;
                }
            }
            std::vector<std::string_view> names;
            for (const kinds::Name& n : field.names) names.push_back(n.name);
            unknownName(s->get(), node.source(), names,
                        std::string(field.name) + " \"" + s->get() + "\" is none of " + known);
            return;
        }
        if (!integerOf(node, std::string(field.name) + " (" + known + " or a whole number)", I32_MIN, I32_MAX, slot)) {
            return;
        }
        for (const kinds::Name& n : field.names) {
            if (*slot == n.value) return;
        }
        say(node.source(), false,
            std::string(field.name) + " " + std::to_string(*slot) + " is none of the known ones (" + known +
                "): the engine " + field.otherwise,
            "unknown-kind");
    }

    void setReference(const std::string& name, const toml::node& node, Reference* out, int32_t shooterCount) {
        if (const auto* s = node.as_string(); s && s->get() == "none") {
            *out = Reference{};
            return;
        }
        if (const auto* a = node.as_array(); a && a->size() == 2) {
            Reference r;
            r.kind = REFERENCE_POINT;
            if (floatOf(*a->get(0), name + "'s x", &r.x) && floatOf(*a->get(1), name + "'s y", &r.y)) *out = r;
            return;
        }
        if (const auto* t = node.as_table(); t && t->size() == 1 && t->get("shooter")) {
            const toml::node& index = *t->get("shooter");
            Reference r;
            r.kind = REFERENCE_SHOOTER;
            if (!integerOf(index, name + "'s shooter", 0, MAX_SHOOTERS - 1, &r.shooter)) return;
            if (shooterCount > 0 && r.shooter >= shooterCount) {
                error(index, name + " follows shooter " + std::to_string(r.shooter) + ", but the shooters are 0 to " +
                                 std::to_string(shooterCount - 1));
                return;
            }
            *out = r;
            return;
        }
        error(node, name + " must be \"none\", a point [x, y] or { shooter = N }");
    }

    // A name the reader does not know (a key, or a program named): the known
    // name it was probably meant to be, or else what may stand there (`has`).
    // With `defined` (where each known name is defined), a note says where
    // the name meant is.
    void unknownName(std::string_view typed, const toml::source_region& place,
                     const std::vector<std::string_view>& known, const std::string& what, const std::string& has = {},
                     const std::vector<toml::source_region>* defined = nullptr) {
        if (!wouldKeep(loaded, static_cast<int32_t>(place.begin.line), static_cast<int32_t>(place.begin.column))) {
            say(place, true, {});  // counted, never worded
            return;
        }
        const std::string meantName = closestName(typed, known);
        const size_t best = static_cast<size_t>(std::find(known.begin(), known.end(), meantName) - known.begin());
        const bool meant = !meantName.empty();
        std::string message = what;
        if (meant) {
            message += "; did you mean '" + meantName + "'?";
        } else if (!has.empty()) {
            message += "; " + has;
        }
        std::vector<Note> notes;
        if (meant && defined && best < defined->size()) {
            const toml::source_region& at = (*defined)[best];
            notes.push_back({static_cast<int32_t>(at.begin.line), static_cast<int32_t>(at.begin.column),
                             static_cast<int32_t>(at.end.column), "'" + std::string(known[best]) + "' is defined here"});
        }
        say(place, true, message, {}, std::move(notes));
    }

    void unknownKey(const toml::key& key, const std::vector<std::string_view>& known, const std::string& where,
                    const std::string& has = {}) {
        unknownName(key.str(), key.source(), known, "unknown field '" + std::string(key.str()) + "' in " + where, has);
    }

    void unknownField(const toml::key& key, std::span<const Field> fields, const std::string& where) {
        if (!wouldKeep(loaded, static_cast<int32_t>(key.source().begin.line),
                       static_cast<int32_t>(key.source().begin.column))) {
            say(key.source(), true, {});
            return;
        }
        std::vector<std::string_view> names;
        for (const Field& field : fields) names.push_back(field.name);
        unknownKey(key, names, where);
    }

    // A step: the defaults, then what it says itself; each field into its
    // own member of the step's record.
    template <typename Step>
    void readStep(const toml::table& table, std::span<const Field> fields, Step& step, const std::string& where,
                  int32_t shooterCount, uint64_t* set, std::vector<Setting>* settings = nullptr) {
        for (auto&& [key, node] : table) {
            const std::string_view name = key.str();
            const auto field = std::find_if(fields.begin(), fields.end(), [&](const Field& f) { return name == f.name; });
            if (field == fields.end()) {
                unknownField(key, fields, where);
                continue;
            }
            setField(*field, node, reinterpret_cast<char*>(&step) + field->offset, shooterCount);
            const auto index = static_cast<size_t>(field - fields.begin());
            *set |= uint64_t{1} << index;
            if (settings) settings->push_back({index, key.source()});
        }
    }

    template <typename Step>
    bool readProgram(const toml::key& key, const toml::node& node, std::span<const Field> fields, const char* kind,
                     std::vector<Step>& steps, int32_t shooterCount, ProgramSource& source) {
        source.key = key.source();
        const std::string where = std::string(kind) + " program '" + std::string(key.str()) + "'";
        const auto* program = node.as_table();
        if (!program) {
            error(node, where + " must be a table with its steps");
            return false;
        }
        Step defaults{};
        for (auto&& [name, value] : *program) {
            if (name.str() == "defaults") {
                if (const auto* t = value.as_table()) {
                    readStep(*t, fields, defaults, where + "'s defaults", shooterCount, &source.defaults);
                } else {
                    error(value, where + "'s defaults must be a table");
                }
            } else if (name.str() != "steps") {
                unknownKey(name, {"defaults", "steps"}, where, "a program has defaults and steps");
            }
        }
        const toml::node* list = program->get("steps");
        if (!list) {
            say(node.source(), true, where + " has no steps");
            return false;
        }
        const auto* array = list->as_array();
        if (!array || array->empty()) {
            error(*list, where + "'s steps must be a list of one or more tables");
            return false;
        }
        if (array->size() > static_cast<size_t>(MAX_STEPS)) {
            error(*list, where + " has " + std::to_string(array->size()) + " steps; at most " +
                             std::to_string(MAX_STEPS));
            return false;
        }
        if (overflowing && !before(array->source().begin, overflowing->source().begin)) {
            if (array == overflowing) {
                error(*list, "with " + where + " the programs hold more than " + std::to_string(MAX_WORLD_STEPS) +
                                 " steps in all");
            }
            return false;
        }
        for (size_t s = 0; s < array->size(); ++s) {
            const toml::node& entry = *array->get(s);
            const auto* table = entry.as_table();
            if (!table) {
                error(entry, where + "'s step " + std::to_string(s + 1) + " must be a table");
                continue;
            }
            Step step = defaults;
            StepSource stepSource;
            stepSource.place = entry.source();
            readStep(*table, fields, step, where + "'s step " + std::to_string(s + 1), shooterCount, &stepSource.own,
                     &stepSource.settings);
            source.steps.push_back(std::move(stepSource));
            if constexpr (std::is_same_v<Step, FiringStep>) {
                step.line = static_cast<int32_t>(entry.source().begin.line);
                step.column = static_cast<int32_t>(entry.source().begin.column);
            }
            steps.push_back(step);
        }
        return true;
    }

    // Which program each shooter runs: one name for all, or a list of one per shooter.
    template <typename Program>
    void assign(const toml::table& shooters, const char* field, const std::vector<Program>& programs,
                std::vector<int32_t>& of, int32_t count, const toml::node& whole) {
        of.assign(static_cast<size_t>(count), -1);
        const toml::node* node = shooters.get(field);
        const auto find = [&](const toml::node& name) -> int32_t {
            const auto* s = name.as_string();
            if (!s) {
                error(name, std::string("shooters.") + field + " must name a program, not " + typeName(name));
                return -1;
            }
            std::vector<std::string_view> names;
            std::vector<toml::source_region> defined;
            const std::vector<ProgramSource>& keys = field[0] == 'm' ? sources.movements : sources.firings;
            for (size_t p = 0; p < programs.size(); ++p) {
                if (programs[p].name == s->get()) return static_cast<int32_t>(p);
                names.push_back(programs[p].name);
                defined.push_back(keys[p].key);
            }
            unknownName(s->get(), name.source(), names,
                        std::string("no ") + (field[0] == 'm' ? "movement" : "firing") + " program '" + s->get() + "'",
                        {}, &defined);
            return -1;
        };
        if (programs.empty()) return;  // said once for the whole pattern
        if (!node) {
            if (programs.size() == 1) {
                std::fill(of.begin(), of.end(), 0);
            } else {
                say(whole.source(), true,
                    std::string("shooters.") + field + " must name the program each shooter runs (there are " +
                        std::to_string(programs.size()) + ")");
            }
            return;
        }
        if (const auto* list = node->as_array()) {
            if (list->size() != static_cast<size_t>(count)) {
                error(*node, std::string("shooters.") + field + " names " + std::to_string(list->size()) +
                                 " programs for " + std::to_string(count) + " shooters");
                return;
            }
            for (int32_t i = 0; i < count; ++i) of[static_cast<size_t>(i)] = find(*list->get(static_cast<size_t>(i)));
            return;
        }
        std::fill(of.begin(), of.end(), find(*node));
    }

    static bool before(const toml::source_position& a, const toml::source_position& b) {
        return a.line != b.line ? a.line < b.line : a.column < b.column;
    }

    void read(const toml::table& root) {
        Pattern& p = loaded.pattern;
        overflowing = overflowingSteps(root);
        // The shooters first: references to them are checked against the count.
        const toml::node* shootersNode = root.get("shooters");
        const toml::table* shooters = shootersNode ? shootersNode->as_table() : nullptr;
        if (!shooters) {
            say(shootersNode ? shootersNode->source() : root.source(), true,
                "a pattern needs a [shooters] table with their count");
        } else if (const toml::node* count = shooters->get("count")) {
            integerOf(*count, "shooters.count", 1, MAX_SHOOTERS, &p.shooterCount);
        } else {
            say(shootersNode->source(), true, "shooters.count is missing: how many shooters, 1 to 64");
        }
        if (shooters) {
            for (auto&& [key, node] : *shooters) {
                if (key.str() != "count" && key.str() != "phases" && key.str() != "movement" && key.str() != "firing") {
                    unknownKey(key, {"count", "phases", "movement", "firing"}, "shooters",
                               "they have count, phases, movement and firing");
                }
            }
        }
        for (auto&& [key, node] : root) {
            if (key.str() == "shooters") continue;
            const bool movement = key.str() == "movement", firing = key.str() == "firing";
            if (!movement && !firing) {
                unknownName(key.str(), key.source(), {"shooters", "movement", "firing"},
                            "unknown table '" + std::string(key.str()) + "'",
                            "a pattern has shooters, movement and firing");
                continue;
            }
            const auto* programs = node.as_table();
            if (!programs) {
                error(node, std::string(key.str()) + " must hold named programs, as [" + std::string(key.str()) +
                                ".NAME]");
                continue;
            }
            for (auto&& [name, program] : *programs) {
                if (movement) {
                    p.movements.push_back({std::string(name.str()), {}});
                    readProgram(name, program, MOVEMENT_FIELDS, "movement", p.movements.back().steps, p.shooterCount,
                                sources.movements.emplace_back());
                } else {
                    p.firings.push_back({std::string(name.str()), {}});
                    readProgram(name, program, FIRING_FIELDS, "firing", p.firings.back().steps, p.shooterCount,
                                sources.firings.emplace_back());
                }
            }
        }
        if (p.movements.empty()) {
            say(root.source(), true, "there are no movement programs: a pattern needs one, as [movement.NAME]");
        }
        if (p.firings.empty()) {
            say(root.source(), true, "there are no firing programs: a pattern needs one, as [firing.NAME]");
        }
        if (!shooters || p.shooterCount < 1) return;
        // Phases: a list of one per shooter, or the step between shooters.
        p.phases.assign(static_cast<size_t>(p.shooterCount), 0);
        const toml::node* phases = shooters->get("phases");
        sources.phases = phases;
        if (!phases) {
            for (int32_t i = 0; i < p.shooterCount; ++i) p.phases[static_cast<size_t>(i)] = 360 * i / p.shooterCount;
        } else if (const auto* list = phases->as_array()) {
            if (list->size() != static_cast<size_t>(p.shooterCount)) {
                error(*phases, "shooters.phases has " + std::to_string(list->size()) + " angles for " +
                                   std::to_string(p.shooterCount) + " shooters");
            } else {
                for (int32_t i = 0; i < p.shooterCount; ++i) {
                    integerOf(*list->get(static_cast<size_t>(i)), "a phase", I32_MIN, I32_MAX,
                              &p.phases[static_cast<size_t>(i)]);
                }
            }
        } else {
            int32_t step = 0;
            if (integerOf(*phases, "shooters.phases (a list of angles, or the step between shooters)", I32_MIN,
                          I32_MAX, &step)) {
                for (int32_t i = 0; i < p.shooterCount; ++i) {
                    p.phases[static_cast<size_t>(i)] = numerics::wrapMul(step, i);
                }
            }
        }
        assign(*shooters, "movement", p.movements, p.movementOf, p.shooterCount, *shootersNode);
        assign(*shooters, "firing", p.firings, p.firingOf, p.shooterCount, *shootersNode);
        // Each shooter holds its own copy of its programs: the world's memory.
        int64_t held = 0;
        for (int32_t i = 0; i < p.shooterCount; ++i) {
            const int32_t movement = p.movementOf[static_cast<size_t>(i)], firing = p.firingOf[static_cast<size_t>(i)];
            if (movement >= 0) held += static_cast<int64_t>(p.movements[static_cast<size_t>(movement)].steps.size());
            if (firing >= 0) held += static_cast<int64_t>(p.firings[static_cast<size_t>(firing)].steps.size());
        }
        if (held > MAX_WORLD_STEPS) {
            say(shootersNode->source(), true,
                "the shooters' programs would hold " + std::to_string(held) + " steps in all; at most " +
                    std::to_string(MAX_WORLD_STEPS));
        }
    }
};

}  // namespace

void readTable(const toml::table& root, const std::vector<std::string_view>& lines, Loaded& loaded,
               Sources& sources) {
    Reader reader{lines, loaded, {}, nullptr, sources};
    reader.read(root);
}

// The place of the key whose value stands at a place: the TOML reader says
// where the value of a key defined twice stands, and the key is what the user
// wrote twice.

}  // namespace pattern
