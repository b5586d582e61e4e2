// Reading bullet programs: [bullet.NAME] with its actions, each a table that
// says one thing to do (wait, direction, speed, accel, fire, vanish or
// repeat) and what goes with it. A repeat's actions are written inside it and
// kept flat, between the repeat and an end that leads back to it, as the
// engine runs them.
#include <algorithm>
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
        actions::Action a;
        a.kind = kind;
        if (framesNode && changes) integerOf(*framesNode, in("frames"), 0, MAX_ACTION_FRAMES, &a.frames);
        const toml::node& value = *table->get(doing);
        switch (kind) {
            case actions::WAIT: integerOf(value, in("wait"), 0, MAX_ACTION_FRAMES, &a.frames); break;
            case actions::DIRECTION:
            case actions::SPEED:
                floatOf(value, in(doing), &a.value);
                a.how = howOf(kindNode, in("kind"), kind == actions::DIRECTION);
                break;
            case actions::ACCEL: {
                const auto* pair = value.as_array();
                if (!pair || pair->size() != 2) {
                    error(value, in("accel") + " must be [x, y], pixels a frame each frame");
                } else {
                    floatOf(*pair->get(0), in("accel's x"), &a.value);
                    floatOf(*pair->get(1), in("accel's y"), &a.valueY);
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
                if (const toml::node* n = part(FireKey::Volley)) integerOf(*n, of(FireKey::Volley), 0, 256, &a.volley);
                if (const toml::node* n = part(FireKey::Spread)) floatOf(*n, of(FireKey::Spread), &a.spread);
                if (const toml::node* n = part(FireKey::Direction)) floatOf(*n, of(FireKey::Direction), &a.value);
                if (const toml::node* n = part(FireKey::Speed)) floatOf(*n, of(FireKey::Speed), &a.speed);
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
                integerOf(value, in("repeat"), 0, MAX_ACTION_REPEAT, &a.frames);
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
                readActions(*body, label, depth + 1);
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
