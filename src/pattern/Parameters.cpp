// A pattern's parameters: the [params] table, rank and seed, which every
// pattern has, and what --set gives from outside the file. Each is a name in
// every expression; those the pattern neither declares nor uses are left out
// of the parameters it reports (the page's controls among them).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_set>

#include "pattern/Format.h"
#include "pattern/TableReader.h"

namespace pattern {

bool parseSetting(std::string_view text, Binding* setting) {
    const size_t equals = text.find('=');
    if (equals == std::string_view::npos || equals + 1 == text.size()) return false;
    const std::string name(text.substr(0, equals)), value(text.substr(equals + 1));
    if (!isName(name) || std::string_view(" \t\n\v\f\r").find(value[0]) != std::string_view::npos) return false;
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (!end || *end != '\0' || end == value.c_str() || !std::isfinite(number)) return false;
    *setting = {name, number};
    return true;
}

// The pattern's parameters, rank and seed among them, with what was set
// from outside the file; they are names in every expression.
void Reader::readParameters(const toml::table& root) {
    std::vector<Binding> params;
    std::vector<const toml::node*> given;  // where the file gives each; none: a default, or set from outside
    if (const toml::node* node = root.get(name(Section::Params))) {
        if (const auto* table = node->as_table()) {
            for (auto&& [key, value] : *table) {
                const std::string name(key.str());
                double number = 0.0;
                if (const auto* i = value.as_integer()) {
                    number = static_cast<double>(i->get());
                } else if (const auto* f = value.as_floating_point(); f && std::isfinite(f->get())) {
                    number = f->get();
                } else {
                    error(value, "the parameter " + name + " must be a number");
                    continue;
                }
                if (!isName(name)) {
                    say(key.source(), true, "'" + name + "' cannot name a parameter: letters, digits and _");
                    continue;
                }
                if (name == pattern::name(Known::Shooter) || name == pattern::name(Known::Shooters)) {
                    say(key.source(), true, "'" + name + "' cannot name a parameter: it is " +
                                                (name == pattern::name(Known::Shooter)
                                                     ? "the number of the shooter a program is read for"
                                                     : "how many shooters there are") +
                                                ", which no setting changes");
                    continue;
                }
                params.push_back({name, number});
                given.push_back(&value);
            }
        } else {
            error(*node, "params must be a table of named numbers, as [params]");
        }
    }
    const auto find = [&](std::string_view name) {
        return static_cast<size_t>(
            std::find_if(params.begin(), params.end(), [&](const Binding& b) { return b.name == name; }) -
            params.begin());
    };
    for (const Known always : {Known::Rank, Known::Seed}) {
        const KnownName& known = NAMES[static_cast<size_t>(always)];
        if (find(known.name) == params.size()) {
            params.push_back({known.name, known.fallback});
            given.push_back(nullptr);
        }
    }
    for (const Binding& set : settings) {
        const size_t named = find(set.name);
        if (named < params.size()) {
            params[named].value = set.value;
            given[named] = nullptr;
            continue;
        }
        std::vector<std::string_view> names;
        std::string known;
        for (const Binding& b : params) {
            names.push_back(b.name);
            known += (known.empty() ? "" : ", ") + b.name;
        }
        const std::string meant = closestName(set.name, names);
        say({}, true, "--set " + set.name + ": the pattern has no parameter '" + set.name + "'" +
                            (meant.empty() ? "" : "; did you mean '" + meant + "'?") + " (it has " + known + ")");
    }
    // Rank and seed have rules of their own: said where the file gives
    // them, or of the --set that gave them.
    const auto wrong = [&](size_t k, const std::string& rule) {
        const std::string shown = exactText(params[k].value);
        if (given[k]) {
            error(*given[k], params[k].name + " must be " + rule + ", not " + shown);
        } else {
            say({}, true, "--set " + params[k].name + "=" + shown + ": " + params[k].name + " must be " + rule);
        }
    };
    const size_t rank = find(name(Known::Rank)), seed = find(name(Known::Seed));
    if (!(params[rank].value >= RANK_LEAST && params[rank].value <= RANK_MOST)) {
        wrong(rank, "from " + exactText(RANK_LEAST) + " to " + exactText(RANK_MOST));
    }
    const double seedValue = params[seed].value;
    const bool wholeSeed = std::floor(seedValue) == seedValue && std::fabs(seedValue) <= 9e15;
    if (!wholeSeed) wrong(seed, "a whole number from -9000000000000000 to 9000000000000000");
    random = static_cast<uint64_t>(static_cast<int64_t>(wholeSeed ? seedValue : 0.0));
    p.bullets.seed = random ^ RUN_DRAWS;
    loaded.parameters = params;
    for (const toml::node* node : given) declared.push_back(node != nullptr);
    for (size_t k = 0; k < params.size(); ++k) {
        for (const Binding& set : settings) declared[k] = declared[k] || (set.name == params[k].name);
    }
    scope.names = std::move(params);
    scope.random = &random;
    scope.budget = &budget;
}

// [player]: each key within its range, expressions taken.
void Reader::readPlayer(const toml::table& root) {
    const toml::node* node = root.get(name(Section::Player));
    if (!node) return;
    const auto* table = node->as_table();
    const std::string section = name(Section::Player);
    if (!table) {
        error(*node, section + " must be a table, as [" + section + "]");
        return;
    }
    Player& ship = loaded.pattern.player;
    ship.given = -1;
    for (auto&& [key, value] : *table) {
        if (!knownKey(key, PLAYER_KEYS)) {
            unknownKey(key, namesOf(PLAYER_KEYS), section, "it has " + listed(PLAYER_KEYS));
            continue;
        }
        const std::string where = section + "." + std::string(key.str());
        if (key.str() == name(PlayerKey::Start)) {
            const auto* pair = value.as_array();
            if (!pair || pair->size() != 2) {
                error(value, where + " must be [x, y], in whole pixels");
                continue;
            }
            integerOf(*pair->get(0), where + "'s x", 0, PLAYER_RIGHTMOST, &ship.x);
            integerOf(*pair->get(1), where + "'s y", 0, PLAYER_LOWEST, &ship.y);
        } else if (key.str() == name(PlayerKey::Speed) || key.str() == name(PlayerKey::FocusedSpeed)) {
            integerOf(value, where, 0, MAX_PLAYER_SPEED,
                      key.str() == name(PlayerKey::Speed) ? &ship.speed : &ship.focusedSpeed);
        } else {
            float* radius = key.str() == name(PlayerKey::HitRadius)      ? &ship.hitRadius
                            : key.str() == name(PlayerKey::BulletRadius) ? &ship.bulletRadius
                                                                           : &ship.grazeRadius;
            float read = 0.0f;
            if (!floatOf(value, where, &read)) continue;
            if (!(read >= 0.0f && read <= MAX_PLAYER_RADIUS)) {
                error(value, where + " must be from 0 to " + exactText(MAX_PLAYER_RADIUS) + " pixels, not " +
                                 exactText(read));
                continue;
            }
            *radius = read;
        }
    }
}

// The parameters that matter to the pattern: those it declares or that were
// set, and rank and seed when an expression uses them.
void Reader::keepParametersThatMatter() {
    std::unordered_set<std::string_view> used;
    for (const auto& [text, expression] : compiled) {
        for (const Instruction& step : expression.operations) {
            if (step.op == Operation::Name) used.insert(step.name);
            if (step.op == Operation::Random) used.insert(name(Known::Seed));
        }
    }
    std::vector<Binding> mattering;
    for (size_t k = 0; k < loaded.parameters.size(); ++k) {
        if (declared[k] || used.count(loaded.parameters[k].name)) mattering.push_back(loaded.parameters[k]);
    }
    loaded.parameters = std::move(mattering);
}

}  // namespace pattern
