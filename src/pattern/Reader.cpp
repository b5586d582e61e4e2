// Reading a parsed TOML table into a pattern. Every mistake is collected with
// its line and column, not only the first: unknown fields and tables (with
// the closest known name), wrong types, numbers out of range, missing values,
// NaN and infinity, expressions that cannot be worked out, too many steps or
// shooters, and references to programs or shooters that do not exist. What a
// file says once for many (a repetition, a parameter, an expression, a
// program whose values name the shooter) is worked out here: the pattern that
// comes out is the flat one the engine takes.
#include <algorithm>
#include <string>
#include <type_traits>
#include <unordered_set>

#include "numerics/Numerics.h"
#include "pattern/Format.h"
#include "pattern/TableReader.h"

namespace pattern {

namespace {

bool before(const toml::source_position& a, const toml::source_position& b) {
    return a.line != b.line ? a.line < b.line : a.column < b.column;
}

// Whether any expression below the node names `name`: a program that names
// the shooter is read once for each shooter that runs it; one that names
// rand draws.
bool expressionsName(const toml::node& node, std::string_view name) {
    if (const auto* s = node.as_string()) {
        const size_t at = s->get().find_first_not_of(" \t");
        return at != std::string::npos && s->get()[at] == '=' && mentions(s->get(), name);
    }
    if (const auto* a = node.as_array()) {
        for (const toml::node& item : *a) {
            if (expressionsName(item, name)) return true;
        }
    }
    if (const auto* t = node.as_table()) {
        for (auto&& [key, value] : *t) {
            if (expressionsName(value, name)) return true;
        }
    }
    return false;
}

bool namesTheShooter(const toml::node& node) { return expressionsName(node, name(Known::Shooter)); }

}  // namespace

namespace {

// Entries and repeats a program's repetitions may go through while their
// steps are counted: repeats of nothing (repeat = 0 inside a repeated group)
// would otherwise cost time without a step to show for it.
constexpr int64_t MAX_VISITS = 16 * MAX_STEPS;

}  // namespace

// A step: the defaults, then what it says itself; each field into its own
// member of the step's record. A repeated step's repeat and index are no
// fields.
template <typename Step>
void Reader::readStep(const toml::table& table, std::span<const Field> fields, Step& step, const std::string& where,
                      uint64_t* set, std::vector<Setting>* places, bool repeated) {
    if (places) places->reserve(table.size());
    for (auto&& [key, node] : table) {
        const std::string_view name = key.str();
        if (repeated && (name == pattern::name(RepeatKey::Repeat) || name == pattern::name(RepeatKey::Index))) continue;
        const auto field = std::find_if(fields.begin(), fields.end(), [&](const Field& f) {
            return !name.empty() && f.name[0] == name[0] && name == f.name;  // the first letter first: cheaper
        });
        if (field == fields.end()) {
            unknownField(key, fields, where);
            continue;
        }
        bool atEachShot = false;
        if constexpr (std::is_same_v<Step, FiringStep>) atEachShot = shotValue(*field, node, step);
        if (!atEachShot) setField(*field, node, reinterpret_cast<char*>(&step) + field->offset, p.shooterCount);
        const auto index = static_cast<size_t>(field - fields.begin());
        *set |= uint64_t{1} << index;
        if (places) places->push_back({index, key.source()});
    }
}

// A repetition's count and index name; false (said) when they are no good.
bool Reader::repetition(const toml::table& table, const std::string& where, int32_t* count, std::string* index) {
    if (!integerOf(*table.get(name(RepeatKey::Repeat)), where + "'s " + name(RepeatKey::Repeat), 0, MAX_STEPS,
                     count)) {
        return false;
    }
    *index = DEFAULT_INDEX;
    if (const toml::node* named = table.get(name(RepeatKey::Index))) {
        const auto* s = named->as_string();
        if (!s || !isName(s->get())) {
            error(*named, where + "'s index must be a name, as \"i\" or \"k\"");
            return false;
        }
        *index = s->get();
    }
    std::vector<std::string>& indexes = loaded.outline.indexes;
    if (std::find(indexes.begin(), indexes.end(), *index) == indexes.end()) indexes.push_back(*index);
    // An index of a name already in use would hide it from every value inside.
    std::string hidden;
    if (*index == name(Known::Shooter) || *index == name(Known::Shooters)) {
        hidden = *index == name(Known::Shooter) ? "the shooter's number" : "the shooters' count";
    } else {
        for (size_t k = scope.names.size(); k-- > 0 && hidden.empty();) {
            if (scope.names[k].name != *index) continue;
            hidden = k >= fixedNames ? "the index of the repetition around it"
                     : *index == name(Known::Rank) || *index == name(Known::Seed) ? *index
                                                             : "the parameter '" + *index + "'";
        }
    }
    if (!hidden.empty()) {
        const toml::node* named = table.get(name(RepeatKey::Index));
        error(named ? *named : *table.get(name(RepeatKey::Repeat)), where + "'s index '" + *index + "' would hide " + hidden +
                                                           " inside it: give it a name of its own, as index = \"" +
                                                           (*index == "k" ? "n" : "k") + "\"");
        return false;
    }
    return true;
}

// The steps a list holds once its repetitions are counted out, at most
// MAX_STEPS + 1: counted before any is read, so a repetition too large is
// refused before it takes any memory.
int64_t Reader::countSteps(const toml::array& entries, const std::string& where) {
    int64_t steps = 0;
    for (size_t s = 0; s < entries.size(); ++s) {
        if (++visits > MAX_VISITS) return MAX_STEPS + 1;
        const toml::node& entry = *entries.get(s);
        const auto* table = entry.as_table();
        if (!table || !table->get(name(RepeatKey::Repeat))) {
            ++steps;
        } else {
            int32_t count = 0;
            std::string index;
            const std::string label = where + "'s step " + std::to_string(s + 1);
            const toml::node* inner = table->get(name(RepeatKey::Steps));
            const auto* group = inner ? inner->as_array() : nullptr;
            if (!repetition(*table, label, &count, &index)) continue;
            for (int32_t k = 0; k < count && steps <= MAX_STEPS && visits <= MAX_VISITS; ++k, ++visits) {
                scope.names.push_back({index, static_cast<double>(k)});
                steps += group ? countSteps(*group, label) : 1;
                scope.names.pop_back();
                if (!group && count > 0) {
                    steps += count - 1;
                    break;
                }
            }
        }
        if (steps > MAX_STEPS) return MAX_STEPS + 1;
    }
    return steps;
}

// The entries of a steps list, repetitions counted out, each index bound
// while its steps are read.
template <typename Step>
void Reader::readEntries(const toml::array& entries, std::span<const Field> fields, const Step& defaults,
                 std::vector<Step>& steps, ProgramSource& source, const std::string& where) {
    for (size_t s = 0; s < entries.size(); ++s) {
        const toml::node& entry = *entries.get(s);
        const std::string label = where + "'s step " + std::to_string(s + 1);
        const auto* table = entry.as_table();
        if (!table) {
            error(entry, label + " must be a table");
            continue;
        }
        int32_t count = 1;
        std::string index;
        const bool repeated = table->get(name(RepeatKey::Repeat)) != nullptr;
        if (repeated && !repetition(*table, label, &count, &index)) continue;
        const toml::node* inner = repeated ? table->get(name(RepeatKey::Steps)) : nullptr;
        if (inner) {
            for (auto&& [key, value] : *table) {
                if (!knownKey(key, REPEAT_KEYS)) {
                    unknownKey(key, namesOf(REPEAT_KEYS), label,
                                 "a repetition of steps has " + listed(REPEAT_KEYS));
                }
            }
            if (!inner->as_array()) {
                error(*inner, label + "'s steps must be a list of steps");
                continue;
            }
        }
        const int64_t errorsBefore = errorCount(loaded);
        // Under a repetition of 0 times, one pass that makes nothing and
        // draws nothing that later values would see.
        const bool unmadeHere = repeated && count == 0;
        const uint64_t drawn = random;
        if (unmadeHere) ++unmade;
        const int32_t passes = unmade > 0 ? 1 : count;
        // A repeat that finds a mistake is the last read: the file is
        // refused, and the others would mostly say it again.
        for (int32_t k = 0; k < passes && errorCount(loaded) == errorsBefore; ++k) {
            if (repeated) scope.names.push_back({index, static_cast<double>(k)});
            if (inner) {
                readEntries(*inner->as_array(), fields, defaults, steps, source, label);
            } else {
                Step step = defaults;
                StepSource stepSource;
                stepSource.place = entry.source();
                stepSource.inner = Reader::inner();
                readStep(*table, fields, step, label, &stepSource.own, &stepSource.settings, repeated);
                if constexpr (std::is_same_v<Step, FiringStep>) {
                    step.line = static_cast<int32_t>(entry.source().begin.line);
                    step.column = static_cast<int32_t>(entry.source().begin.column);
                }
                if (unmade == 0) {
                    source.steps.push_back(std::move(stepSource));
                    steps.push_back(step);
                }
            }
            if (repeated) scope.names.pop_back();
        }
        if (unmadeHere) {
            --unmade;
            random = drawn;
        }
    }
}

template <typename Step>
bool Reader::readProgram(const toml::key& key, const toml::node& node, std::span<const Field> fields, const char* kind, int32_t& loop,
                 std::vector<Step>& steps, ProgramSource& source) {
    source.key = key.source();
    const std::string where = std::string(kind) + " program '" + std::string(key.str()) + "'";
    const auto* program = node.as_table();
    if (!program) {
        error(node, where + " must be a table with its steps");
        return false;
    }
    Step defaults{};
    for (auto&& [name, value] : *program) {
        if (name.str() == pattern::name(ProgramKey::Defaults)) {
            if (const auto* t = value.as_table()) {
                readStep(*t, fields, defaults, where + "'s defaults", &source.defaults);
            } else {
                error(value, where + "'s defaults must be a table");
            }
        } else if (name.str() == pattern::name(ProgramKey::Loop)) {
            const auto* text = value.as_string();
            const auto found = text ? std::find(std::begin(LOOP_NAMES), std::end(LOOP_NAMES), text->get()) : std::end(LOOP_NAMES);
            if (found == std::end(LOOP_NAMES)) {
                error(value, where + "'s loop must be \"hold\" or \"at-once\"");
            } else {
                loop = static_cast<int32_t>(found - std::begin(LOOP_NAMES));
            }
        } else if (name.str() != pattern::name(ProgramKey::Steps)) {
            unknownKey(name, namesOf(PROGRAM_KEYS), where, "a program has " + listed(PROGRAM_KEYS));
        }
    }
    const toml::node* list = program->get(pattern::name(ProgramKey::Steps));
    if (!list) {
        say(node.source(), true, where + " has no steps");
        return false;
    }
    const auto* array = list->as_array();
    if (!array || array->empty()) {
        error(*list, where + "'s steps must be a list of one or more tables");
        return false;
    }
    const uint64_t drawn = random;  // counting draws what reading will draw again
    const int64_t errorsBefore = errorCount(loaded);
    visits = 0;
    const int64_t count = countSteps(*array, where);
    random = drawn;
    if (errorCount(loaded) > errorsBefore) return false;  // a repeat count that is no good, said
    if (visits > MAX_VISITS) {
        error(*list, where + "'s repetitions go through more than " + std::to_string(MAX_VISITS) +
                           " steps and repeats in all, counting those that repeat 0 times");
        return false;
    }
    if (count > MAX_STEPS || array->size() > static_cast<size_t>(MAX_STEPS)) {
        if (array->size() > static_cast<size_t>(MAX_STEPS)) {
            error(*list, where + " has " + std::to_string(array->size()) + " steps; at most " +
                               std::to_string(MAX_STEPS));
        } else {
            error(*list, where + " has more than " + std::to_string(MAX_STEPS) +
                               " steps once its repetitions are counted out");
        }
        return false;
    }
    if (count == 0) {
        error(*list, where + " has no steps once its repetitions are counted out");
        ++unmade;  // its steps' own mistakes too
        readEntries(*array, fields, defaults, steps, source, where);
        --unmade;
        return false;
    }
    // What the programs hold is memory too, whether any shooter runs them or not.
    const bool past = overflowing && !before(array->source().begin, overflowing->source().begin);
    if (past || stepsRead + count > MAX_WORLD_STEPS) {
        // Said at the program that takes them past the limit in file
        // order, with what it holds and what they hold with it.
        if (array == overflowing || !past) {
            error(*list, "with " + where + " (" + std::to_string(count) + (count == 1 ? " step" : " steps") +
                               ") the programs hold " +
                               (past ? "more than " + std::to_string(MAX_WORLD_STEPS) + " steps"
                                     : std::to_string(stepsRead + count) + " steps, more than the " +
                                           std::to_string(MAX_WORLD_STEPS) + " they may hold") +
                               " in all" + within());
        }
        return false;
    }
    stepsRead += count;
    steps.reserve(static_cast<size_t>(count));
    source.steps.reserve(static_cast<size_t>(count));
    const int64_t read = errorCount(loaded);
    readEntries(*array, fields, defaults, steps, source, where);
    if (errorCount(loaded) == read) keepTimeline(steps, source, where, *list);  // a span mistyped is said once
    return true;
}

// Which program each shooter runs: one name for all, or a list of one per shooter.
template <typename Program>
void Reader::assign(const toml::table& shooters, ShootersKey key, const std::vector<Program>& programs,
            std::vector<int32_t>& of, int32_t count, const toml::node& whole) {
    of.assign(static_cast<size_t>(count), -1);
    const char* field = name(key);
    const bool movement = key == ShootersKey::Movement;
    const toml::node* node = shooters.get(field);
    const auto find = [&](const toml::node& name) -> int32_t {
        const auto* s = name.as_string();
        if (!s) {
            error(name, std::string("shooters.") + field + " must name a program, not " + typeName(name));
            return -1;
        }
        std::vector<std::string_view> names;
        std::vector<toml::source_region> defined;
        const std::vector<ProgramSource>& keys = movement ? sources.movements : sources.firings;
        for (size_t k = 0; k < programs.size(); ++k) {
            if (programs[k].name == s->get()) return static_cast<int32_t>(k);
            names.push_back(programs[k].name);
            defined.push_back(keys[k].key);
        }
        unknownName(s->get(), name.source(), names,
                      std::string("no ") + (movement ? "movement" : "firing") + " program '" + s->get() + "'",
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

// A program whose values name the shooter, read for each shooter that
// runs it (the first into its own place, the others after the programs).
template <typename Program, typename Step>
void Reader::readForEachShooter(const toml::key& key, const toml::node& node, std::span<const Field> fields,
                        const char* kind, std::vector<Program>& programs, std::vector<int32_t>& of,
                        std::vector<ProgramSource>& programSources, size_t place) {
    bool first = true;
    const int64_t errorsBefore = errorCount(loaded);
    for (int32_t i = 0; (i < p.shooterCount || first) && errorCount(loaded) == errorsBefore; ++i) {
        const bool runs = i < p.shooterCount && of[static_cast<size_t>(i)] == static_cast<int32_t>(place);
        if (!runs && (i < p.shooterCount || !first)) continue;
        const int32_t shooter = i < p.shooterCount ? i : 0;  // run by none: read once, for the warnings
        size_t into = place;
        // NAME@N, or, when the file has a program of that name too, a
        // name no program has, so the flat text reads back.
        std::string name = std::string(key.str());
        if (runs) {
            const std::string suffix = "@" + std::to_string(shooter);
            name += suffix;
            const auto taken = [&](const std::string& n) {
                return std::any_of(programs.begin(), programs.end(), [&](const Program& q) { return q.name == n; });
            };
            while (taken(name)) name += suffix;
        }
        if (!first) {
            programs.push_back({name, {}});
            programSources.emplace_back();
            into = programs.size() - 1;
            of[static_cast<size_t>(shooter)] = static_cast<int32_t>(into);
        } else {
            programs[into].name = name;
        }
        first = false;
        scope.names.push_back({pattern::name(Known::Shooter), static_cast<double>(shooter)});
        std::vector<Step> steps;
        ProgramSource source;
        source.perShooter = true;
        source.draws = programSources[place].draws;
        readProgram(key, node, fields, kind, programs[into].loop, steps, source);
        programs[into].steps = std::move(steps);
        programSources[into] = std::move(source);
        scope.names.pop_back();
        if (i >= p.shooterCount) break;
    }
}

void Reader::read(const toml::table& root) {
    overflowing = overflowingSteps(root);
    readParameters(root);
    readPlayer(root);
    nameBullets(root);
    readTimeline(root);
    // The shooters first: references to them are checked against the count.
    const toml::node* shootersNode = root.get(name(Section::Shooters));
    const toml::table* shooters = shootersNode ? shootersNode->as_table() : nullptr;
    if (!shooters) {
        say(shootersNode ? shootersNode->source() : root.source(), true,
            "a pattern needs a [shooters] table with their count");
    } else if (const toml::node* count = shooters->get(name(ShootersKey::Count))) {
        integerOf(*count, "shooters.count", 1, MAX_SHOOTERS, &p.shooterCount);
    } else {
        say(shootersNode->source(), true, "shooters.count is missing: how many shooters, 1 to 64");
    }
    scope.names.push_back({name(Known::Shooters), static_cast<double>(p.shooterCount)});
    loaded.outline.shooters = p.shooterCount;
    fixedNames = scope.names.size();
    if (shooters) {
        for (auto&& [key, node] : *shooters) {
            if (!knownKey(key, SHOOTERS_KEYS)) {
                unknownKey(key, namesOf(SHOOTERS_KEYS), name(Section::Shooters), "they have " + listed(SHOOTERS_KEYS));
            }
        }
    }
    // Programs: their names first, then their steps in the order the file
    // gives them, so that rand() draws in file order (the TOML reader keeps
    // tables in name order). Those whose values name the shooter need the
    // assignment first: it needs only the names.
    struct Program {
        const toml::key* key;
        const toml::node* node;
        bool movement;
        size_t place;     // in the pattern's movement or firing programs
        bool perShooter;  // its values name the shooter: read for each shooter that runs it
    };
    std::vector<Program> programs;
    for (auto&& [key, node] : root) {
        if (key.str() == name(Section::Shooters) || key.str() == name(Section::Params) ||
            key.str() == name(Section::Player) || key.str() == name(Section::Bullet) ||
            key.str() == name(Section::Timeline)) {
            continue;
        }
        const bool movement = key.str() == name(Section::Movement), firing = key.str() == name(Section::Firing);
        if (!movement && !firing) {
            unknownName(key.str(), key.source(), namesOf(SECTIONS), "unknown table '" + std::string(key.str()) + "'",
                        "a pattern has " + listed(SECTIONS, true) + ", and may have " + listed(SECTIONS, false, true));
            continue;
        }
        const auto* table = node.as_table();
        if (!table) {
            error(node, std::string(key.str()) + " must hold named programs, as [" + std::string(key.str()) + ".NAME]");
            continue;
        }
        for (auto&& [name, program] : *table) {
            (movement ? loaded.outline.movement : loaded.outline.firing).push_back(std::string(name.str()));
            if (movement) {
                p.movements.push_back({std::string(name.str()), {}});
                sources.movements.emplace_back();
            } else {
                p.firings.push_back({std::string(name.str()), {}});
                sources.firings.emplace_back();
            }
            ProgramSource& source = (movement ? sources.movements : sources.firings).back();
            source.key = name.source();
            source.perShooter = namesTheShooter(program);
            source.draws = expressionsName(program, functionOf(Operation::Random).name);
            programs.push_back({&name, &program, movement, movement ? p.movements.size() - 1 : p.firings.size() - 1,
                                source.perShooter});
        }
    }
    std::stable_sort(programs.begin(), programs.end(), [](const Program& a, const Program& b) {
        return before(a.node->source().begin, b.node->source().begin);
    });
    const auto readOnce = [&](const Program& w) {
        if (w.movement) {
            readProgram(*w.key, *w.node, MOVEMENT_FIELDS, "movement", p.movements[w.place].loop, p.movements[w.place].steps,
                          sources.movements[w.place]);
        } else {
            readProgram(*w.key, *w.node, FIRING_FIELDS, "firing", p.firings[w.place].loop, p.firings[w.place].steps,
                        sources.firings[w.place]);
        }
    };
    readBullets(root);
    if (p.movements.empty()) {
        say(root.source(), true, "there are no movement programs: a pattern needs one, as [movement.NAME]");
    }
    if (p.firings.empty()) say(root.source(), true, "there are no firing programs: a pattern needs one, as [firing.NAME]");
    if (!shooters || p.shooterCount < 1) {
        // No shooter to read a program for: the others' mistakes all the same.
        for (const Program& w : programs) {
            if (!w.perShooter) readOnce(w);
        }
        return keepParametersThatMatter();
    }
    // Phases: a list of one per shooter, or the step between shooters.
    p.phases.assign(static_cast<size_t>(p.shooterCount), 0);
    const toml::node* phases = shooters->get(name(ShootersKey::Phases));
    sources.phases = phases;
    if (!phases) {
        for (int32_t i = 0; i < p.shooterCount; ++i) p.phases[static_cast<size_t>(i)] = 360 * i / p.shooterCount;
    } else if (const auto* list = phases->as_array()) {
        if (list->size() != static_cast<size_t>(p.shooterCount)) {
            error(*phases, "shooters.phases has " + std::to_string(list->size()) + " angles for " +
                               std::to_string(p.shooterCount) + " shooters");
        } else {
            for (int32_t i = 0; i < p.shooterCount; ++i) {
                integerOf(*list->get(static_cast<size_t>(i)), "a phase", I32_MIN, I32_MAX, &p.phases[static_cast<size_t>(i)]);
            }
        }
    } else {
        int32_t step = 0;
        if (integerOf(*phases, "shooters.phases (a list of angles, or the step between shooters)", I32_MIN, I32_MAX,
                      &step)) {
            for (int32_t i = 0; i < p.shooterCount; ++i) p.phases[static_cast<size_t>(i)] = numerics::wrapMul(step, i);
        }
    }
    assign(*shooters, ShootersKey::Movement, p.movements, p.movementOf, p.shooterCount, *shootersNode);
    assign(*shooters, ShootersKey::Firing, p.firings, p.firingOf, p.shooterCount, *shootersNode);
    for (const Program& w : programs) {
        if (!w.perShooter) {
            readOnce(w);
        } else if (w.movement) {
            readForEachShooter<MovementProgram, MovementStep>(*w.key, *w.node, MOVEMENT_FIELDS, "movement",
                                                                     p.movements, p.movementOf, sources.movements,
                                                                     w.place);
        } else {
            readForEachShooter<FiringProgram, FiringStep>(*w.key, *w.node, FIRING_FIELDS, "firing", p.firings,
                                                           p.firingOf, sources.firings, w.place);
        }
    }
    keepParametersThatMatter();
    // A step that follows the ship gives the pattern one, as [player] would.
    for (const FiringProgram& program : p.firings) {
        for (const FiringStep& step : program.steps) {
            if (step.target.kind == REFERENCE_PLAYER) p.player.given = -1;
        }
    }
    // Each shooter holds its own copy of its programs: the world's memory.
    int64_t held = 0;
    for (int32_t i = 0; i < p.shooterCount; ++i) {
        const int32_t movement = p.movementOf[static_cast<size_t>(i)], firing = p.firingOf[static_cast<size_t>(i)];
        if (movement >= 0) held += static_cast<int64_t>(p.movements[static_cast<size_t>(movement)].steps.size());
        if (firing >= 0) held += static_cast<int64_t>(p.firings[static_cast<size_t>(firing)].steps.size());
    }
    if (held > MAX_WORLD_STEPS && !refused(loaded)) {
        say(shootersNode->source(), true,
            "the shooters' programs would hold " + std::to_string(held) + " steps in all; at most " +
                std::to_string(MAX_WORLD_STEPS));
    }
}

void readTable(const toml::table& root, const std::vector<std::string_view>& lines, Loaded& loaded, Sources& sources,
               const std::vector<Binding>& settings, const std::atomic<bool>* cancel) {
    Reader reader{lines, loaded, sources, settings};
    reader.budget.cancel = cancel;
    reader.read(root);
}

}  // namespace pattern
