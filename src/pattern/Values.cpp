// The table reader's values: numbers (exactly as written, or worked out from
// an expression), flags, names, references, and names it does not know.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "pattern/TableReader.h"
#include "pattern/Format.h"

namespace pattern {

std::string exactText(double value) {
    char text[32];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, value);
        if (std::strtod(text, nullptr) == value) break;
    }
    return text;
}

std::vector<std::string_view> namesOf(std::span<const Key> keys) {
    std::vector<std::string_view> names;
    for (const Key& k : keys) names.push_back(k.name);
    return names;
}

bool Reader::knownKey(const toml::key& key, std::span<const Key> keys) {
    for (const Key& k : keys) {
        if (key.str() == k.name) return true;
    }
    return false;
}

std::string Reader::inner() const {
    if (fixedNames == 0 || scope.names.size() <= fixedNames) return {};
    std::string names;
    for (size_t k = fixedNames; k < scope.names.size(); ++k) {
        char value[32];
        std::snprintf(value, sizeof value, "%.9g", scope.names[k].value);
        names += (names.empty() ? "" : ", ") + scope.names[k].name + " = " + value;
    }
    return names;
}

std::string Reader::within() const {
    const std::string names = inner();
    if (names.empty()) return {};
    return unmade > 0 ? " (in steps repeated 0 times, read with " + names + ")" : " (where " + names + ")";
}

Reader::Expressed Reader::expression(const toml::node& node, std::string_view name, double* value) {
    const Compiled* expressed = compiledOf(node);
    if (!expressed) return NOT_EXPRESSED;
    const Evaluated worked = run(*expressed, scope, stack);
    if (!worked.ok && (worked.error == OVER_BUDGET || worked.error == CANCELLED)) {
        // Told once, where it ran out; every expression after it fails unsaid.
        if (!overBudget && worked.error == OVER_BUDGET) {
            say(node.source(), true,
                std::string(name) + ": working out the pattern's expressions takes more than " +
                    std::to_string(MAX_OPERATIONS) +
                    " operations (each is worked out again for every repeat, and for every shooter of a program "
                    "that names the shooter); fewer repeats or shorter expressions read at once" + within());
        } else if (!overBudget) {
            say({}, true, "the reading was cancelled");
        }
        overBudget = true;
        return FAILED;
    }
    if (!worked.ok) {
        const toml::source_region at = inExpression(node, worked.at);
        // A mistake in its form is the same for every repeat and shooter.
        const bool ofForm = !expressed->failure.error.empty();
        say(at, true, std::string(name) + ": " + worked.error + (ofForm ? std::string() : within()));
        return FAILED;
    }
    *value = worked.value;
    return EXPRESSED;
}

const Compiled* Reader::compiledOf(const toml::node& node) {
    const auto* s = node.as_string();
    if (!s) return nullptr;
    const std::string& text = s->get();
    const size_t equals = text.find_first_not_of(" \t");
    if (equals == std::string::npos || text[equals] != '=') return nullptr;
    auto [found, fresh] = compiled.try_emplace(&text);
    if (fresh) found->second = compile(std::string_view(text).substr(equals + 1));
    return &found->second;
}

toml::source_region Reader::inExpression(const toml::node& node, int32_t offset) {
    // After the quote and the "=".
    const std::string& text = node.as_string()->get();
    const size_t equals = text.find_first_not_of(" \t");
    toml::source_region at = node.source();
    int32_t before = 0;
    for (size_t i = 0; i <= equals && i < text.size(); ++i) before += (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80;
    at.begin.column = static_cast<toml::source_index>(at.begin.column + 1 + before + offset);
    at.end = at.begin;
    return at;
}

void Reader::say(const toml::source_region& where, bool error, std::string message, std::string lint,
                 std::vector<Note> notes) {
    // A repeated step, or a program read for each shooter, finds its
    // mistakes once for each time: each is told (or counted) once.
    if (!said.insert(std::to_string(where.begin.line) + ":" + std::to_string(where.begin.column) + ":" +
                     (error ? "e:" : "w:") + message)
             .second) {
        return;
    }
    const bool oneLine = where.end.line == where.begin.line && where.end.column > where.begin.column;
    addMessage(loaded, {static_cast<int32_t>(where.begin.line), static_cast<int32_t>(where.begin.column),
                        error ? -1 : 0, std::move(message),
                        oneLine ? static_cast<int32_t>(where.end.column) : 0, std::move(notes), std::move(lint)});
}

// The float as written, rounded once from its decimal to single precision
// (through a double, a decimal near a halfway point would round twice).
bool Reader::floatOf(const toml::node& node, std::string_view name, float* out) {
    double value = 0.0;
    if (const Expressed expressed = expression(node, name, &value); expressed != NOT_EXPRESSED) {
        if (expressed == FAILED) return false;
        // Worked out in double precision, rounded once to single precision.
        if (!(std::fabs(value) < 0x1.ffffffp127)) {
            char shown[32];
            std::snprintf(shown, sizeof shown, "%.9g", value);
            error(node, std::string(name) + ": the expression gives " + shown + ", beyond +-3.4e38 (a single-precision float)" +
                            within());
            return false;
        }
        *out = static_cast<float>(value);
        return true;
    }
    if (const auto* f = node.as_floating_point()) {
        value = f->get();
    } else if (!node.as_integer()) {
        error(node, std::string(name) + " must be a number, not " + typeName(node));
        return false;
    }
    if (!std::isfinite(value)) {
        error(node, std::string(name) + " must be a finite number, not " + std::string(std::isnan(value) ? "nan" : "inf"));
        return false;
    }
    float exact = 0.0f;
    if (!floatAsWritten(node, &exact)) {
        // Half the last place beyond the largest float or more rounds to infinity.
        if (const auto* i = node.as_integer()) exact = static_cast<float>(i->get());
        else exact = std::fabs(value) < 0x1.ffffffp127 ? static_cast<float>(value) : HUGE_VALF;
    }
    if (!std::isfinite(exact)) {
        error(node, std::string(name) + " must lie within +-3.4e38 (a single-precision float)");
        return false;
    }
    *out = exact;
    return true;
}

// The number's own text, when it is one line of decimal digits that the C
// library reads whole, rounded once to single precision.
bool Reader::floatAsWritten(const toml::node& node, float* out) {
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

std::string Reader::typeName(const toml::node& node) {
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

bool Reader::integerOf(const toml::node& node, std::string_view name, int64_t least, int64_t most, int32_t* out) {
    double value = 0.0;
    if (const Expressed expressed = expression(node, name, &value); expressed != NOT_EXPRESSED) {
        if (expressed == FAILED) return false;
        if (std::floor(value) != value) {
            char shown[32];
            std::snprintf(shown, sizeof shown, "%.9g", value);
            error(node, std::string(name) + ": the expression gives " + shown +
                            ", not a whole number (round() or floor() makes one)" + within());
            return false;
        }
        if (value < static_cast<double>(least) || value > static_cast<double>(most)) {
            error(node, std::string(name) + " must be from " + std::to_string(least) + " to " + std::to_string(most) +
                            ", not " + exactText(value) + " (the expression's value)" + within());
            return false;
        }
        *out = static_cast<int32_t>(value);
        return true;
    }
    const auto* i = node.as_integer();
    if (!i) {
        error(node, std::string(name) + " must be a whole number, not " + typeName(node));
        return false;
    }
    if (i->get() < least || i->get() > most) {
        error(node, std::string(name) + " must be from " + std::to_string(least) + " to " + std::to_string(most) + ", not " +
                        std::to_string(i->get()));
        return false;
    }
    *out = static_cast<int32_t>(i->get());
    return true;
}

void Reader::setField(const Field& field, const toml::node& node, void* slot, int32_t shooterCount) {
    const std::string_view name = field.name;
    switch (field.kind) {
        case FieldKind::Integer: integerOf(node, name, field.least, field.most, static_cast<int32_t*>(slot)); break;
        case FieldKind::Float: floatOf(node, name, static_cast<float*>(slot)); break;
        case FieldKind::Flag:
            if (const auto* b = node.as_boolean()) {
                *static_cast<int32_t*>(slot) = b->get() ? -1 : 0;
            } else {
                integerOf(node, std::string(name) + " (true, false or a whole number)", I32_MIN, I32_MAX,
                          static_cast<int32_t*>(slot));
            }
            break;
        case FieldKind::Named: setNamed(field, node, static_cast<int32_t*>(slot)); break;
        case FieldKind::Reference: setReference(field, node, static_cast<Reference*>(slot), shooterCount); break;
        case FieldKind::Program: setProgram(node, std::string(name), static_cast<int32_t*>(slot)); break;
        case FieldKind::Span: setSpan(node, std::string(name), static_cast<int32_t*>(slot)); break;
    }
}

void Reader::setByName(const toml::node& node, const std::string& what, const std::vector<std::string_view>& names,
                       const std::string& named, const std::string& noun, const std::string& has, int32_t* slot) {
    const auto* text = node.as_string();
    if (!text) {
        error(node, what + " must be \"none\" or the name of " + named + ", not " + typeName(node));
        return;
    }
    if (text->get() == "none") {
        *slot = -1;
        return;
    }
    const auto found = std::find(names.begin(), names.end(), text->get());
    if (found != names.end()) {
        *slot = static_cast<int32_t>(found - names.begin());
        return;
    }
    std::vector<std::string_view> known = names;
    known.push_back("none");
    unknownName(text->get(), node.source(), known, "no " + noun + " '" + text->get() + "'", has);
}

void Reader::setProgram(const toml::node& node, const std::string& what, int32_t* slot) {
    const std::vector<std::string_view> names(p.bulletNames.begin(), p.bulletNames.end());
    setByName(node, what, names, "a bullet program", "bullet program",
              names.empty() ? std::string("there is none: give one as [bullet.NAME]")
                            : "there are " + std::to_string(names.size()) + ", and \"none\"",
              slot);
}

void Reader::setSpan(const toml::node& node, const std::string& what, int32_t* slot) {
    std::vector<std::string_view> names;
    for (const Span& span : p.spans) names.push_back(span.name);
    setByName(node, what, names, "a span of the timeline", "span",
              names.empty() ? std::string("there is none: give them as [timeline] spans = [{ name = \"NAME\", frames = N }]")
                            : "the timeline has " + std::to_string(names.size()) + ", and \"none\"",
              slot);
}

void Reader::setNamed(const Field& field, const toml::node& node, int32_t* slot) {
    const auto known = [&] {
        std::string list;
        for (const kinds::Name& n : field.names) list += std::string(list.empty() ? "" : ", ") + n.name;
        return list;
    };
    const auto* s = node.as_string();
    if (s && s->get().find_first_not_of(" \t") != std::string::npos && s->get()[s->get().find_first_not_of(" \t")] == '=') {
        s = nullptr;  // an expression: a number
    }
    if (s) {
        for (const kinds::Name& n : field.names) {
            if (s->get() == n.name) {
                *slot = n.value;
                return;
            }
        }
        std::vector<std::string_view> names;
        for (const kinds::Name& n : field.names) names.push_back(n.name);
        unknownName(s->get(), node.source(), names,
                    std::string(field.name) + " \"" + s->get() + "\" is none of " + known());
        return;
    }
    if (const auto* i = node.as_integer(); i && i->get() >= I32_MIN && i->get() <= I32_MAX) {
        *slot = static_cast<int32_t>(i->get());  // as integerOf would, without wording what it would say
    } else if (!integerOf(node, std::string(field.name) + " (" + known() + " or a whole number)", I32_MIN, I32_MAX,
                          slot)) {
        return;
    }
    for (const kinds::Name& n : field.names) {
        if (*slot == n.value) return;
    }
    say(node.source(), false,
        std::string(field.name) + " " + std::to_string(*slot) + " is none of the known ones (" + known() +
            "): the engine " + field.otherwise,
        name(LintId::UnknownKind));
}

void Reader::setReference(const Field& field, const toml::node& node, Reference* out, int32_t shooterCount) {
    const std::string_view name = field.name;
    if (const auto* s = node.as_string(); s && s->get() == "none") {
        *out = Reference{};
        return;
    }
    if (const auto* s = node.as_string(); s && s->get() == PLAYER_REFERENCE) {
        // The ship is something to aim at, not somewhere to fire from.
        if (!takesShip(field)) {
            error(node, std::string(name) + " cannot follow the player's ship: the origin follows a body or a point");
            return;
        }
        out->kind = REFERENCE_PLAYER;
        return;
    }
    if (const auto* a = node.as_array(); a && a->size() == 2) {
        Reference r;
        r.kind = REFERENCE_POINT;
        if (floatOf(*a->get(0), std::string(name) + "'s x", &r.x) && floatOf(*a->get(1), std::string(name) + "'s y", &r.y)) *out = r;
        return;
    }
    if (const auto* t = node.as_table(); t && t->size() == 1 && t->get(pattern::name(ReferenceKey::Shooter))) {
        const toml::node& index = *t->get(pattern::name(ReferenceKey::Shooter));
        Reference r;
        r.kind = REFERENCE_SHOOTER;
        if (!integerOf(index, std::string(name) + "'s shooter", 0, MAX_SHOOTERS - 1, &r.shooter)) return;
        if (shooterCount > 0 && r.shooter >= shooterCount) {
            error(index, std::string(name) + " follows shooter " + std::to_string(r.shooter) + ", but the shooters are 0 to " +
                             std::to_string(shooterCount - 1));
            return;
        }
        *out = r;
        return;
    }
    error(node, std::string(name) + (takesShip(field) ? " must be \"none\", a point [x, y], { shooter = N } or \"" +
                                                            std::string(PLAYER_REFERENCE) + "\""
                                                      : " must be \"none\", a point [x, y] or { shooter = N }"));
}

// A name the reader does not know (a key, or a program named): the known
// name it was probably meant to be, or else what may stand there (`has`).
// With `defined` (where each known name is defined), a note says where
// the name meant is.
void Reader::unknownName(std::string_view typed, const toml::source_region& place,
                         const std::vector<std::string_view>& known, const std::string& what,
                         const std::string& has, const std::vector<toml::source_region>* defined) {
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

void Reader::unknownKey(const toml::key& key, const std::vector<std::string_view>& known,
                        const std::string& where, const std::string& has) {
    unknownName(key.str(), key.source(), known, "unknown field '" + std::string(key.str()) + "' in " + where, has);
}

void Reader::unknownField(const toml::key& key, std::span<const Field> fields, const std::string& where) {
    if (!wouldKeep(loaded, static_cast<int32_t>(key.source().begin.line),
                   static_cast<int32_t>(key.source().begin.column))) {
        say(key.source(), true, {});
        return;
    }
    // A field of the other kind of step, written in the wrong program: said so.
    const bool firing = fields.data() == FIRING_FIELDS.data();
    for (const Field& field : firing ? MOVEMENT_FIELDS : FIRING_FIELDS) {
        if (key.str() != field.name) continue;
        say(key.source(), true,
            "unknown field '" + std::string(key.str()) + "' in " + where + ": " + std::string(key.str()) +
                " is a field of " + (firing ? "movement" : "firing") + " steps, not of " + (firing ? "firing" : "movement") +
                " steps");
        return;
    }
    std::vector<std::string_view> names;
    for (const Field& field : fields) names.push_back(field.name);
    unknownKey(key, names, where);
}


}  // namespace pattern
