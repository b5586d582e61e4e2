// Reading bullet programs: [bullet.NAME] with its actions, each a table that
// says one thing to do (wait, direction, speed, accel, fire, vanish or
// repeat) and what goes with it. A repeat's actions are written inside it and
// kept flat, between the repeat and an end that leads back to it, as the
// engine runs them.
#include <algorithm>
#include <cstddef>
#include <string>

#include "pattern/Format.h"
#include "pattern/TableReader.h"

namespace pattern {

namespace {

const toml::table* bulletsOf(const toml::table& root) {
    const toml::node* node = root.get(name(Section::Bullet));
    return node ? node->as_table() : nullptr;
}

std::string ordinal(size_t k) { return "action " + std::to_string(k + 1) + " of "; }

}  // namespace

void Reader::nameBullets(const toml::table& root) {
    const toml::node* node = root.get(name(Section::Bullet));
    if (!node) return;
    const toml::table* table = node->as_table();
    if (!table) {
        error(*node, "bullet must hold named programs, as [bullet.NAME]");
        return;
    }
    for (auto&& [key, program] : *table) {
        p.bulletNames.push_back(std::string(key.str()));
        loaded.outline.bullet.push_back(std::string(key.str()));
    }
}

int32_t Reader::howOf(const toml::node* node, const std::string& what, bool direction) {
    if (!node) return actions::ABSOLUTE;
    const auto* text = node->as_string();
    for (size_t k = 0; text && k < HOW_NAMES.size(); ++k) {
        if (text->get() != HOW_NAMES[k].name) continue;
        if (k == actions::AIM && !direction) break;
        return static_cast<int32_t>(k);
    }
    std::vector<std::string_view> known;
    for (size_t k = 0; k < HOW_NAMES.size(); ++k) {
        if (k != actions::AIM || direction) known.push_back(HOW_NAMES[k].name);
    }
    if (text) {
        unknownName(text->get(), node->source(), known, what + " cannot be '" + text->get() + "'",
                    "it takes " + std::string(direction ? "absolute, relative, aim or sequence" : "absolute, relative or sequence"));
    } else {
        error(*node, what + " must be a name, as \"relative\", not " + typeName(*node));
    }
    return actions::ABSOLUTE;
}

int32_t Reader::formulaOf(const toml::node& node, std::string_view name, bool step) {
    const Compiled* expressed = compiledOf(node);
    if (!expressed) return NO_FORMULA;
    const Compiled& c = *expressed;
    if (!c.failure.error.empty()) return NO_FORMULA;  // its mistake is told as the value is read now
    const auto own = [&](std::string_view n) {
        return std::find_if(RUN_NAMES.begin(), RUN_NAMES.end(),
                            [&](const RunName& r) { return r.step == step && n == r.name; });
    };
    const auto runName = [&](std::string_view n) {
        return own(n) != RUN_NAMES.end() || std::find(repeatNames.begin(), repeatNames.end(), n) != repeatNames.end();
    };
    // A bullet's value runs when it draws; a step's only when it names the shot, so
    // that its rand() stays the reader's unless it asks for one at each shot.
    const bool runs = std::any_of(c.operations.begin(), c.operations.end(), [&](const Instruction& i) {
        return (i.op == Operation::Random && !step) || (i.op == Operation::Name && runName(i.name));
    });
    if (!runs) return NO_FORMULA;
    std::vector<actions::FormulaTerm>& terms = p.bullets.terms;
    const auto first = static_cast<int32_t>(terms.size());
    for (const Instruction& i : c.operations) {
        actions::FormulaTerm t;
        switch (i.op) {
            case Operation::Number: t.value = i.value; break;
            case Operation::Name: {
                // The innermost first: a repeat's index, the bullet's own, then the file's names.
                const auto repeat = std::find(repeatNames.rbegin(), repeatNames.rend(), i.name);
                const auto mine = own(i.name);
                const auto outer = std::find_if(scope.names.rbegin(), scope.names.rend(),
                                                [&](const Binding& b) { return i.name == b.name; });
                if (repeat != repeatNames.rend()) {
                    t.term = actions::REPEAT_INDEX;
                    t.count = static_cast<int32_t>(repeatNames.rend() - repeat) - 1;
                } else if (mine != RUN_NAMES.end()) {
                    t.term = mine->term;
                } else if (outer != scope.names.rend()) {
                    t.value = outer->value;
                } else {
                    std::vector<std::string_view> known(repeatNames.begin(), repeatNames.end());
                    for (const RunName& r : RUN_NAMES) {
                        if (r.step == step) known.push_back(r.name);
                    }
                    for (const Binding& b : scope.names) known.push_back(b.name);
                    const std::string meant = closestName(i.name, known);
                    say(inExpression(node, i.at), true,
                        std::string(name) + ": no name '" + std::string(i.name) + "'" +
                            (meant.empty() ? std::string() : "; did you mean '" + meant + "'?"));
                    terms.resize(static_cast<size_t>(first));
                    return BAD_FORMULA;
                }
                break;
            }
            case Operation::Negate: t.term = actions::NEGATE; break;
            case Operation::Add: t.term = actions::ADD; break;
            case Operation::Subtract: t.term = actions::SUBTRACT; break;
            case Operation::Multiply: t.term = actions::MULTIPLY; break;
            case Operation::Divide: t.term = actions::DIVIDE; break;
            case Operation::Power: t.term = actions::POWER; break;
            case Operation::Min: t.term = actions::MIN, t.count = i.count; break;
            case Operation::Max: t.term = actions::MAX, t.count = i.count; break;
            case Operation::Floor: t.term = actions::FLOOR; break;
            case Operation::Round: t.term = actions::ROUND; break;
            case Operation::Abs: t.term = actions::ABS; break;
            case Operation::Sine: t.term = actions::SINE; break;
            case Operation::Cosine: t.term = actions::COSINE; break;
            case Operation::Random: t.term = actions::RANDOM; break;
        }
        terms.push_back(t);
    }
    const int32_t most = actions::stackNeed(terms.data() + first, static_cast<int32_t>(terms.size()) - first);
    if (most > actions::MAX_STACK) {
        say(inExpression(node, 0), true,
            std::string(name) + ": an expression worked out as the bullet runs holds at most " +
                std::to_string(actions::MAX_STACK) + " numbers at once; this one holds " + std::to_string(most));
        terms.resize(static_cast<size_t>(first));
        return BAD_FORMULA;
    }
    p.bullets.formulas.push_back({first, static_cast<int32_t>(terms.size()) - first});
    return static_cast<int32_t>(p.bullets.formulas.size()) - 1;
}

bool Reader::shotValue(const Field& field, const toml::node& node, FiringStep& step) {
    if (field.kind != FieldKind::Integer && field.kind != FieldKind::Float) return false;
    const auto index = static_cast<int32_t>(&field - FIRING_FIELDS.data());
    int32_t* fields = step.shotFields;
    int32_t* formulas = step.shotFormulas;
    // The field's value from the defaults goes; those after it close up, so
    // that they stay in the order given, the defaults' first.
    const auto drop = [&] {
        int32_t kept = 0;
        for (int32_t k = 0; k < MAX_SHOT_VALUES; ++k) {
            if (fields[k] == index || fields[k] < 0) continue;
            fields[kept] = fields[k], formulas[kept] = formulas[k];
            ++kept;
        }
        for (; kept < MAX_SHOT_VALUES; ++kept) fields[kept] = formulas[kept] = -1;
    };
    const int32_t f = formulaOf(node, field.name, true);
    if (f == NO_FORMULA) {
        drop();  // one the defaults gave at each shot is this step's own plain value now
        return false;
    }
    if (f == BAD_FORMULA) return true;
    if (!atEachShot(field)) {
        error(node, std::string(field.name) + " cannot be worked out at each shot: " +
                        (field.offset >= sizeof(actor::TurretStep) ? "it is the step's, not the gun's"
                                                                   : "it says when the shots come"));
        return true;
    }
    drop();
    for (int32_t k = 0; k < MAX_SHOT_VALUES; ++k) {
        if (fields[k] >= 0) continue;
        fields[k] = index, formulas[k] = f;
        return true;
    }
    error(node, std::string(field.name) + ": a firing step works out at most " + std::to_string(MAX_SHOT_VALUES) +
                    " values at each shot");
    return true;
}

void Reader::readActions(const toml::array& list, const std::string& where, int32_t depth) {
    std::vector<actions::Action>& out = p.bullets.actions;
    for (size_t k = 0; k < list.size(); ++k) {
        const toml::node& entry = *list.get(k);
        const std::string label = ordinal(k) + where;
        const auto in = [&](const std::string& key) { return key + " in " + label; };
        const auto* table = entry.as_table();
        if (!table) {
            error(entry, label + " must be a table, as { wait = 10 }");
            continue;
        }
        // Which thing it does: exactly one of the first keys.
        int32_t kind = -1;
        bool unknown = false;
        for (auto&& [key, value] : *table) {
            if (!knownKey(key, ACTION_KEYS)) {
                unknown = true;
                unknownKey(key, namesOf(ACTION_KEYS), label, "an action has one of wait, direction, speed, accel, fire, "
                                                             "vanish and repeat, and kind, frames or actions with it");
                continue;
            }
            const std::string_view typed = key.str();  // a binding is not for a lambda to capture, in every compiler
            const auto at = static_cast<size_t>(std::find_if(ACTION_KEYS.begin(), ACTION_KEYS.end(),
                                                             [&](const Key& known) { return typed == known.name; }) -
                                                ACTION_KEYS.begin());
            if (at >= ACTION_KINDS) continue;
            if (kind >= 0) {
                say(key.source(), true, label + " says both " + std::string(ACTION_KEYS[static_cast<size_t>(kind)].name) +
                                            " and " + std::string(key.str()) + ": an action does one thing");
                continue;
            }
            kind = static_cast<int32_t>(at);
        }
        if (kind < 0) {
            if (unknown) continue;  // said: the unknown key was probably meant to be the thing to do
            error(entry, label + " says nothing to do: it needs one of wait, direction, speed, accel, fire, vanish or repeat");
            continue;
        }
        if (static_cast<int64_t>(out.size()) >= MAX_ACTIONS) {
            error(entry, "the bullet programs hold more than " + std::to_string(MAX_ACTIONS) + " actions");
            return;
        }
        // What goes with it, and nothing else.
        const toml::node* kindNode = table->get(name(ActionKey::Kind));
        const toml::node* framesNode = table->get(name(ActionKey::Frames));
        const toml::node* inner = table->get(name(ActionKey::Actions));
        const bool changes = kind == actions::DIRECTION || kind == actions::SPEED || kind == actions::ACCEL;
        const std::string doing = ACTION_KEYS[static_cast<size_t>(kind)].name;
        if (kindNode && kind != actions::DIRECTION && kind != actions::SPEED) {
            error(*kindNode, label + ": kind goes with direction or speed, not " + doing);
        }
        if (framesNode && !changes) error(*framesNode, label + ": frames goes with direction, speed or accel, not " + doing);
        if (inner && kind != actions::REPEAT) error(*inner, label + ": actions goes with repeat, not " + doing);
        const toml::node* indexNode = table->get(name(ActionKey::Index));
        if (indexNode && kind != actions::REPEAT) error(*indexNode, label + ": index goes with repeat, not " + doing);
        actions::Action a;
        a.kind = kind;
        // A value is worked out now, or each time the action runs when it names what only then is known.
        const auto number = [&](const toml::node& n, const std::string& what, float* held, actions::Slot slot) {
            const int32_t f = formulaOf(n, what);
            if (f >= 0) a.formulas[slot] = f;
            if (f == NO_FORMULA) floatOf(n, what, held);
        };
        const auto count = [&](const toml::node& n, const std::string& what, int64_t most, int32_t* held,
                               actions::Slot slot) {
            const int32_t f = formulaOf(n, what);
            if (f >= 0) a.formulas[slot] = f;
            if (f == NO_FORMULA) integerOf(n, what, 0, most, held);
        };
        if (framesNode && changes) count(*framesNode, in("frames"), MAX_ACTION_FRAMES, &a.frames, actions::FRAMES_AT);
        const toml::node& value = *table->get(doing);
        switch (kind) {
            case actions::WAIT: count(value, in("wait"), MAX_ACTION_FRAMES, &a.frames, actions::FRAMES_AT); break;
            case actions::DIRECTION:
            case actions::SPEED:
                number(value, in(doing), &a.value, actions::VALUE_AT);
                a.how = howOf(kindNode, in("kind"), kind == actions::DIRECTION);
                break;
            case actions::ACCEL: {
                const auto* pair = value.as_array();
                if (!pair || pair->size() != 2) {
                    error(value, in("accel") + " must be [x, y], pixels a frame each frame");
                } else {
                    number(*pair->get(0), in("accel's x"), &a.value, actions::VALUE_AT);
                    number(*pair->get(1), in("accel's y"), &a.valueY, actions::VALUE_Y_AT);
                }
                break;
            }
            case actions::FIRE: {
                const auto* fire = value.as_table();
                if (!fire) {
                    error(value, in("fire") + " must be a table, as { volley = 3, spread = 10, speed = 2 }");
                    break;
                }
                a.volley = 1;
                for (auto&& [key, part] : *fire) {
                    if (!knownKey(key, FIRE_KEYS)) {
                        unknownKey(key, namesOf(FIRE_KEYS), in("fire"), "a volley has " + listed(FIRE_KEYS));
                    }
                }
                const auto part = [&](FireKey key) { return fire->get(name(key)); };
                const auto of = [&](FireKey key) { return in(std::string("fire's ") + name(key)); };
                if (const toml::node* n = part(FireKey::Volley)) {
                    count(*n, of(FireKey::Volley), actor::BULLET_CAPACITY, &a.volley, actions::VOLLEY_AT);
                }
                if (const toml::node* n = part(FireKey::Direction)) number(*n, of(FireKey::Direction), &a.value, actions::VALUE_AT);
                if (const toml::node* n = part(FireKey::Spread)) number(*n, of(FireKey::Spread), &a.spread, actions::SPREAD_AT);
                if (const toml::node* n = part(FireKey::Speed)) number(*n, of(FireKey::Speed), &a.speed, actions::SPEED_AT);
                a.how = howOf(part(FireKey::Kind), of(FireKey::Kind), true);
                a.speedHow = howOf(part(FireKey::SpeedKind), of(FireKey::SpeedKind), false);
                if (const toml::node* n = part(FireKey::Bullet)) setProgram(*n, of(FireKey::Bullet), &a.program);
                break;
            }
            case actions::VANISH:
                if (const auto* b = value.as_boolean(); !b || !b->get()) {
                    error(value, in("vanish") + " takes true");
                }
                break;
            default: {  // REPEAT
                count(value, in("repeat"), MAX_ACTION_REPEAT, &a.frames, actions::FRAMES_AT);
                std::string index = DEFAULT_INDEX;
                if (indexNode) {
                    const auto* text = indexNode->as_string();
                    if (!text || !isName(text->get())) {
                        error(*indexNode, in("index") + " must be a name (a letter or _, then letters, digits and _)");
                    } else {
                        index = text->get();
                    }
                }
                const auto* body = inner ? inner->as_array() : nullptr;
                if (!body) {
                    error(inner ? *inner : value, label + " needs actions = [...]: the actions it repeats");
                    break;
                }
                if (depth + 1 > actions::MAX_DEPTH) {
                    error(value, label + " is a repeat within " + std::to_string(actions::MAX_DEPTH) +
                                     " others: at most that many");
                    break;
                }
                const auto at = static_cast<int32_t>(out.size());
                out.push_back(a);
                repeatNames.push_back(index);
                readActions(*body, label, depth + 1);
                repeatNames.pop_back();
                actions::Action end;
                end.kind = actions::END;
                end.jump = at;
                out[static_cast<size_t>(at)].jump = static_cast<int32_t>(out.size());
                out.push_back(end);
                continue;
            }
        }
        out.push_back(a);
    }
}

void Reader::readBullets(const toml::table& root) {
    const toml::table* table = bulletsOf(root);
    if (!table) return;
    for (auto&& [key, node] : *table) {
        sources.bullets.push_back(key.source());
        const std::string where = "bullet program '" + std::string(key.str()) + "'";
        const auto first = static_cast<int32_t>(p.bullets.actions.size());
        const auto* program = node.as_table();
        if (!program) {
            error(node, where + " must be a table with its actions");
        } else {
            for (auto&& [k, value] : *program) {
                if (!knownKey(k, BULLET_KEYS)) unknownKey(k, namesOf(BULLET_KEYS), where, "a bullet program has actions");
            }
            const toml::node* list = program->get(name(BulletKey::Actions));
            if (!list || !list->as_array()) {
                error(list ? *list : node, where + " needs actions = [...], its actions in order");
            } else {
                readActions(*list->as_array(), where, 0);
            }
        }
        actions::Action end;
        end.kind = actions::END;
        p.bullets.actions.push_back(end);
        p.bullets.programs.push_back({first, static_cast<int32_t>(p.bullets.actions.size()) - first});
    }
}

}  // namespace pattern
