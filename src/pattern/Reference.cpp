// What is made from the format's tables and the field tables: the editor's
// help, the reference page and the JSON Schema.
#include <algorithm>
#include <iterator>
#include <sstream>
#include <utility>
#include <string_view>

#include "pattern/Format.h"

#include "actions/Actions.h"
#include "actor/Shooter.h"
#include "pattern/Pattern.h"

namespace pattern {

// --- The editor's help ------------------------------------------------------

namespace {

std::string fieldsJson(std::span<const Field> fields) {
    std::string out = "[";
    for (const Field& f : fields) {
        out += std::string(out.size() > 1 ? "," : "") + "{\"name\":" + quoted(f.name) + ",\"takes\":" +
               quoted(fieldTakes(f)) + ",\"unit\":" + quoted(f.unit) + ",\"default\":" + quoted(fieldDefault(f)) +
               ",\"meaning\":" + quoted(f.meaning) + ",\"readBy\":" + quoted(f.readBy);
        if (f.kind == FieldKind::Named) {
            std::string names;
            for (const kinds::Name& n : f.names) {
                names += std::string(names.empty() ? "" : ",") + "{\"name\":" + quoted(n.name) +
                         ",\"value\":" + std::to_string(n.value) + ",\"meaning\":" + quoted(n.meaning) + "}";
            }
            out += ",\"kinds\":[" + names + "],\"otherwise\":" + quoted(f.otherwise);
        }
        if (f.kind == FieldKind::Reference) {
            // The names it takes besides points and shooters.
            out += std::string(",\"refers\":[\"none\"") + (takesShip(f) ? ",\"" + std::string(PLAYER_REFERENCE) + "\"" : "") + "]";
        }
        out += "}";
    }
    return out + "]";
}

std::string keysJson(std::span<const Key> keys) {
    std::string out;
    for (const Key& k : keys) {
        out += std::string(out.empty() ? "" : ",") + "{\"name\":" + quoted(k.name) + ",\"info\":" + quoted(k.info) +
               ",\"required\":" + (k.required ? "true" : "false") + "}";
    }
    return "[" + out + "]";
}

}  // namespace

std::string helpJson(const Format& format) {
    std::string lints, names, functions, runNames;
    for (const RunName& n : format.runNames) {
        runNames += std::string(runNames.empty() ? "" : ",") + "{\"name\":" + quoted(n.name) + ",\"info\":" +
                    quoted(n.info) + ",\"step\":" + (n.step ? "true" : "false") + "}";
    }
    for (const Lint& lint : format.lints) {
        lints += std::string(lints.empty() ? "" : ",") + "{\"name\":" + quoted(lint.name) + ",\"when\":" +
                 quoted(lint.when) + ",\"instead\":" + quoted(lint.instead) + "}";
    }
    for (const KnownName& n : format.names) {
        names += std::string(names.empty() ? "" : ",") + "{\"name\":" + quoted(n.name) + ",\"info\":" + quoted(n.info);
        if (std::string_view(n.name) == NAMES[static_cast<size_t>(Known::Rank)].name) {
            names += ",\"least\":" + exactText(RANK_LEAST) + ",\"most\":" + exactText(RANK_MOST);
        }
        names += std::string(",\"settable\":") + (n.settable ? "true" : "false");
        names += "}";
    }
    for (const Function& f : format.functions) {
        functions += std::string(functions.empty() ? "" : ",") + "{\"name\":" + quoted(f.name) + ",\"info\":" +
                     quoted(f.info) + "}";
    }
    // Each table with the lists of help that apply within it.
    std::string sections;
    for (size_t k = 0; k < format.sections.size(); ++k) {
        const Key& t = format.sections[k];
        const Section which = static_cast<Section>(k);
        const char* keys = which == Section::Shooters ? "shooters"
                           : which == Section::Params ? "names"
                           : which == Section::Player ? "player"
                           : which == Section::Bullet ? "bullet"
                           : which == Section::Timeline ? "timeline"
                                                      : "programs";
        const char* fields = which == Section::Movement ? "movement" : which == Section::Firing ? "firing" : "";
        sections += std::string(sections.empty() ? "" : ",") + "{\"name\":" + quoted(t.name) + ",\"info\":" +
                    quoted(t.info) + ",\"keys\":" + quoted(keys) + ",\"fields\":" + quoted(fields) + "}";
    }
    return "{\"movement\":" + fieldsJson(format.movement) + ",\"firing\":" + fieldsJson(format.firing) +
           ",\"lints\":[" + lints + "],\"sections\":[" + sections + "],\"shooters\":" +
           keysJson(format.shooters) + ",\"programs\":" + keysJson(format.programs) + ",\"forms\":" +
           keysJson(format.repetitions) + ",\"references\":" + keysJson(format.references) + ",\"player\":" + keysJson(format.player) + ",\"bullet\":" +
           keysJson(format.bullet) + ",\"actions\":" + keysJson(format.actions) + ",\"volley\":" + keysJson(format.fire) + ",\"hows\":" + keysJson(format.hows) +
           ",\"timeline\":" + keysJson(format.timeline) + ",\"spans\":" + keysJson(format.spans) +
           ",\"functions\":[" +
           functions + "],\"names\":[" + names + "],\"runNames\":[" + runNames + "]}";
}

// --- The reference page -----------------------------------------------------

namespace {

std::string cell(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '|') out += '\\';
        out += c;
    }
    return out;
}

void fieldTable(std::ostringstream& out, std::span<const Field> fields) {
    out << "| field | takes | unit | default | what it does | read by |\n|---|---|---|---|---|---|\n";
    for (const Field& f : fields) {
        out << "| `" << f.name << "` | " << cell(fieldTakes(f)) << " | " << cell(f.unit) << " | `" << fieldDefault(f)
            << "` | " << cell(f.meaning) << " | " << cell(f.readBy) << " |\n";
    }
}

void kindTables(std::ostringstream& out, const Format& format) {
    for (std::span<const Field> fields : {format.movement, format.firing}) {
        for (const Field& f : fields) {
            if (f.kind != FieldKind::Named) continue;
            out << "### `" << f.name << "`\n\n" << cell(f.meaning) << ".\n\n| name | number | what it does |\n|---|---|---|\n";
            for (const kinds::Name& n : f.names) {
                out << "| `\"" << n.name << "\"` | " << n.value << " | " << cell(n.meaning) << " |\n";
            }
            out << "\nAny other number: the engine " << f.otherwise << " (the reader warns, `"
                << name(LintId::UnknownKind) << "`).\n\n";
        }
    }
}

void keyTable(std::ostringstream& out, std::span<const Key> keys) {
    out << "| key | what it holds |\n|---|---|\n";
    for (const Key& k : keys) {
        out << "| `" << k.name << "`" << (k.required ? " (required)" : "") << " | " << cell(k.info) << " |\n";
    }
}

}  // namespace

std::string referencePage(const std::string& templateText, const Format& format) {
    std::ostringstream out;
    std::istringstream lines(templateText);
    // The key tables, each by the line that stands for it.
    const std::pair<const char*, std::span<const Key>> keyTables[] = {
        {"@SHOOTERS_KEYS@", format.shooters}, {"@PROGRAM_KEYS@", format.programs}, {"@PLAYER_KEYS@", format.player},
        {"@REPEAT_KEYS@", format.repetitions}, {"@BULLET_KEYS@", format.bullet}, {"@ACTION_KEYS@", format.actions},
        {"@FIRE_KEYS@", format.fire}, {"@TIMELINE_KEYS@", format.timeline}, {"@SPAN_KEYS@", format.spans},
    };
    for (std::string line; std::getline(lines, line);) {
        const auto keys = std::find_if(std::begin(keyTables), std::end(keyTables),
                                       [&](const auto& table) { return line == table.first; });
        if (keys != std::end(keyTables)) {
            keyTable(out, keys->second);
        } else if (line == "@MOVEMENT_FIELDS@") {
            fieldTable(out, format.movement);
        } else if (line == "@FIRING_FIELDS@") {
            fieldTable(out, format.firing);
        } else if (line == "@KINDS@") {
            kindTables(out, format);
        } else if (line == "@SECTIONS@") {
            out << "| table | what it holds |\n|---|---|\n";
            for (const Key& k : format.sections) {
                out << "| `[" << k.name << "]`" << (k.required ? " (required)" : "") << " | " << cell(k.info) << " |\n";
            }
        } else if (line == "@HOW_NAMES@") {
            out << "| kind | the value is |\n|---|---|\n";
            for (const Key& k : format.hows) out << "| `" << k.name << "` | " << cell(k.info) << " |\n";
        } else if (line == "@FUNCTIONS@") {
            out << "| function | what it gives |\n|---|---|\n";
            for (const Function& f : format.functions) out << "| `" << f.name << "` | " << cell(f.info) << " |\n";
        } else if (line == "@RUN_NAMES@") {
            out << "| name | what it is |\n|---|---|\n";
            for (const RunName& n : format.runNames) out << "| `" << n.name << "` | " << cell(n.info) << " |\n";
        } else if (line == "@NAMES@") {
            out << "| name | what it is |\n|---|---|\n";
            for (const KnownName& n : format.names) out << "| `" << n.name << "` | " << cell(n.info) << " |\n";
        } else if (line == "@LINTS@") {
            out << "| name | when | instead |\n|---|---|---|\n";
            for (const Lint& lint : format.lints) {
                out << "| `" << lint.name << "` | " << cell(lint.when) << " | " << cell(lint.instead) << " |\n";
            }
        } else {
            out << line << "\n";
        }
    }
    return out.str();
}

// --- The JSON Schema ----------------------------------------------------------

namespace {

// A key's meaning as a schema gives it: a sentence.
std::string sentence(const char* info) {
    std::string text = info;
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text + ".";
}

std::string description(const Field& f) {
    std::string text = f.meaning;
    if (*f.unit) text += ". In " + std::string(f.unit);
    return text + ". Read by " + f.readBy + ". Default " + fieldDefault(f) + ".";
}

constexpr const char* EXPRESSION = "{\"$ref\": \"#/definitions/expression\"}";

std::string fieldSchema(const Field& f) {
    std::string type;
    switch (f.kind) {
        case FieldKind::Integer:
            type = "\"anyOf\": [{\"type\": \"integer\", \"minimum\": " + std::to_string(f.least) + ", \"maximum\": " +
                   std::to_string(f.most) + "}, " + EXPRESSION + "]";
            break;
        case FieldKind::Float: type = "\"anyOf\": [{\"type\": \"number\"}, " + std::string(EXPRESSION) + "]"; break;
        case FieldKind::Flag: type = "\"anyOf\": [{\"type\": [\"boolean\", \"integer\"]}, " + std::string(EXPRESSION) + "]"; break;
        case FieldKind::Named: {
            std::string names;
            for (const kinds::Name& n : f.names) names += (names.empty() ? "" : ", ") + quoted(n.name);
            type = "\"anyOf\": [{\"enum\": [" + names + "]}, {\"type\": \"integer\"}, " + EXPRESSION + "]";
            break;
        }
        case FieldKind::Reference: type = "\"$ref\": \"#/definitions/reference\""; break;
        case FieldKind::Program:
        case FieldKind::Span: type = "\"type\": \"string\""; break;
    }
    return "{" + type + ", \"description\": " + quoted(description(f)) + "}";
}

// The schema of each key of the file's tables, by what it takes.
struct Schemas {
    const Format& format;

    std::string described(const Key& k) const { return "\"description\": " + quoted(sentence(k.info)); }
    std::string property(const Key& k, const std::string& type) const {
        return quoted(k.name) + ": {" + type + ", " + described(k) + "}";
    }
    std::string required(std::span<const Key> keys) const {
        std::string out;
        for (const Key& k : keys) {
            if (k.required) out += std::string(out.empty() ? "" : ", ") + quoted(k.name);
        }
        return "\"required\": [" + out + "]";
    }

    // A step's fields; a repeated step has a repeat count and an index name too.
    std::string step(std::span<const Field> fields, const char* what, bool repeated) const {
        std::string out = "{\"type\": \"object\", \"description\": " + quoted(what) +
                          ", \"additionalProperties\": false, " +
                          (repeated ? "\"required\": [" + quoted(format.repetitions[0].name) + "], " : "") +
                          "\"properties\": {\n";
        if (repeated) {
            out += "      " + quoted(format.repetitions[static_cast<size_t>(RepeatKey::Repeat)].name) +
                   ": {\"$ref\": \"#/definitions/repeat\"},\n      " +
                   quoted(format.repetitions[static_cast<size_t>(RepeatKey::Index)].name) +
                   ": {\"$ref\": \"#/definitions/index\"},\n";
        }
        for (size_t k = 0; k < fields.size(); ++k) {
            out += "      " + quoted(fields[k].name) + ": " + fieldSchema(fields[k]) + (k + 1 < fields.size() ? ",\n" : "\n");
        }
        return out + "    }}";
    }

    // What a steps list holds: steps, repeated steps and repeated groups of them.
    static std::string entry(const std::string& kind) {
        return "{\"anyOf\": [{\"$ref\": \"#/definitions/" + kind + "Step\"}, {\"$ref\": \"#/definitions/" + kind +
               "Repeated\"}, {\"$ref\": \"#/definitions/" + kind + "Group\"}]}";
    }

    std::string group(const std::string& kind) const {
        const std::span<const Key> r = format.repetitions;
        return "{\"type\": \"object\", \"description\": \"Steps repeated: all of them, then all of them again.\", "
               "\"additionalProperties\": false, \"required\": [" + quoted(r[0].name) + ", " + quoted(r[2].name) +
               "], \"properties\": {" + quoted(r[0].name) + ": {\"$ref\": \"#/definitions/repeat\"}, " +
               quoted(r[1].name) + ": {\"$ref\": \"#/definitions/index\"}, " + quoted(r[2].name) +
               ": {\"type\": \"array\", \"minItems\": 1, \"items\": {\"$ref\": \"#/definitions/" + kind +
               "Entry\"}, " + described(r[2]) + "}}}";
    }

    std::string program(const std::string& kind, const char* what) const {
        const std::span<const Key> p = format.programs;
        return std::string("{\"type\": \"object\", \"description\": ") + quoted(what) +
               ", \"additionalProperties\": false, " + required(p) + ", \"properties\": {" + quoted(p[0].name) +
               ": {\"$ref\": \"#/definitions/" + kind + "Step\", " + described(p[0]) + "}, " + quoted(p[1].name) +
               ": {\"type\": \"array\", \"minItems\": 1, \"maxItems\": " + std::to_string(MAX_STEPS) +
               ", \"items\": {\"$ref\": \"#/definitions/" + kind + "Entry\"}, \"description\": " +
               quoted(sentence(p[1].info).substr(0, sentence(p[1].info).size() - 1) + ". At most " +
                      std::to_string(MAX_STEPS) + " once repetitions are counted out.") +
               "}, " + quoted(p[2].name) + ": {\"enum\": [" + quoted(LOOP_NAMES[0]) + ", " + quoted(LOOP_NAMES[1]) + "], " +
               described(p[2]) + "}}}";
    }

    std::string shooters() const {
        const std::span<const Key> s = format.shooters;
        const std::string names = "\"anyOf\": [{\"type\": \"string\"}, {\"type\": \"array\", \"items\": {\"type\": \"string\"}}]";
        std::string out = "{\"type\": \"object\", \"additionalProperties\": false, " + required(s) + ", " +
                          described(format.sections[static_cast<size_t>(Section::Shooters)]) + ", \"properties\": {\n";
        for (size_t k = 0; k < s.size(); ++k) {
            std::string type;
            switch (static_cast<ShootersKey>(k)) {
                case ShootersKey::Count:
                    type = "\"anyOf\": [{\"type\": \"integer\", \"minimum\": 1, \"maximum\": " +
                           std::to_string(MAX_SHOOTERS) + "}, " + EXPRESSION + "]";
                    break;
                case ShootersKey::Phases:
                    type = "\"anyOf\": [{\"type\": \"integer\"}, " + std::string(EXPRESSION) + ", {\"type\": \"array\", "
                           "\"items\": {\"anyOf\": [{\"type\": \"integer\"}, " + EXPRESSION + "]}}]";
                    break;
                case ShootersKey::Movement:
                case ShootersKey::Firing:
                default: type = names; break;  // a program's name, or a list of them (an entry of a test's own too)
            }
            out += "      " + property(s[k], type) + (k + 1 < s.size() ? ",\n" : "\n");
        }
        return out + "    }}";
    }

    std::string params() const {
        const KnownName& rank = format.names[static_cast<size_t>(Known::Rank)];
        const KnownName& seed = format.names[static_cast<size_t>(Known::Seed)];
        return "{\"type\": \"object\", " + described(format.sections[static_cast<size_t>(Section::Params)]) +
               ", \"additionalProperties\": {\"type\": \"number\"}, \"properties\": {" + quoted(rank.name) +
               ": {\"type\": \"number\", \"minimum\": " + exactText(RANK_LEAST) + ", \"maximum\": " +
               exactText(RANK_MOST) + ", \"description\": " + quoted(sentence(rank.info)) + "}, " + quoted(seed.name) +
               ": {\"type\": \"integer\", \"description\": " + quoted(sentence(seed.info)) + "}}}";
    }

    // [timeline] and its spans.
    std::string timeline() const {
        const std::span<const Key> spans = format.spans;
        const auto property = [&](const Key& k, const std::string& type) { return quoted(k.name) + ": {" + type + ", " + described(k) + "}"; };
        std::string span = "{\"type\": \"object\", \"additionalProperties\": false, \"required\": [" +
                           quoted(spans[static_cast<size_t>(SpanKey::Name)].name) + ", " +
                           quoted(spans[static_cast<size_t>(SpanKey::Frames)].name) + "], \"properties\": {" +
                           property(spans[static_cast<size_t>(SpanKey::Name)], "\"type\": \"string\"") + ", " +
                           property(spans[static_cast<size_t>(SpanKey::Frames)],
                                    "\"anyOf\": [{\"type\": \"integer\", \"minimum\": 1, \"maximum\": " +
                                        std::to_string(MAX_SPAN_FRAMES) + "}, " + EXPRESSION + "]") +
                           "}}";
        const Key& list = format.timeline[static_cast<size_t>(TimelineKey::Spans)];
        return "{\"type\": \"object\", \"additionalProperties\": false, " +
               described(format.sections[static_cast<size_t>(Section::Timeline)]) + ", \"required\": [" +
               quoted(list.name) + "], \"properties\": {" +
               property(list, "\"type\": \"array\", \"minItems\": 1, \"items\": " + span) + "}}";
    }

    std::string player() const {
        const std::span<const Key> keys = format.player;
        std::string out = "{\"type\": \"object\", \"additionalProperties\": false, " +
                          described(format.sections[static_cast<size_t>(Section::Player)]) + ", \"properties\": {\n";
        const auto whole = [](int32_t most) {
            return "{\"anyOf\": [{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " + std::to_string(most) +
                   "}, " + EXPRESSION + "]}";
        };
        for (size_t k = 0; k < keys.size(); ++k) {
            std::string type;
            switch (static_cast<PlayerKey>(k)) {
                case PlayerKey::Start:
                    type = "\"type\": \"array\", \"items\": [" + whole(PLAYER_RIGHTMOST) + ", " + whole(PLAYER_LOWEST) +
                           "], \"minItems\": 2, \"maxItems\": 2";
                    break;
                case PlayerKey::Speed:
                case PlayerKey::FocusedSpeed:
                    type = "\"anyOf\": [{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " +
                           std::to_string(MAX_PLAYER_SPEED) + "}, " + EXPRESSION + "]";
                    break;
                default:  // the radii (an entry of a test's own too)
                    type = "\"anyOf\": [{\"type\": \"number\", \"minimum\": 0, \"maximum\": " +
                           exactText(MAX_PLAYER_RADIUS) + "}, " + EXPRESSION + "]";
                    break;
            }
            out += "      " + property(keys[k], type) + (k + 1 < keys.size() ? ",\n" : "\n");
        }
        return out + "    }}";
    }

    // A bullet program, its actions and an action's volley.
    std::string bulletDefinitions() const {
        const auto hows = [&](bool aim) {
            std::string names;
            for (size_t k = 0; k < format.hows.size(); ++k) {
                if (aim || k != actions::AIM) names += (names.empty() ? "" : ", ") + quoted(format.hows[k].name);
            }
            return "\"enum\": [" + names + "]";
        };
        const std::string number = "\"$ref\": \"#/definitions/number\"";
        const auto whole = [](int64_t most) {
            return "\"anyOf\": [{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " + std::to_string(most) + "}, " +
                   EXPRESSION + "]";
        };
        std::string action = "{\"type\": \"object\", \"additionalProperties\": false, \"description\": \"An action: one of "
                             "wait, direction, speed, accel, fire, vanish and repeat, with what goes with it.\", "
                             "\"properties\": {\n";
        for (size_t k = 0; k < format.actions.size(); ++k) {
            std::string type;
            switch (static_cast<ActionKey>(k)) {
                case ActionKey::Wait: type = whole(MAX_ACTION_FRAMES); break;
                case ActionKey::Frames: type = whole(MAX_ACTION_FRAMES); break;
                case ActionKey::Repeat: type = whole(MAX_ACTION_REPEAT); break;
                case ActionKey::Accel: type = "\"type\": \"array\", \"items\": {" + number + "}, \"minItems\": 2, \"maxItems\": 2"; break;
                case ActionKey::Fire: type = "\"$ref\": \"#/definitions/volley\""; break;
                case ActionKey::Vanish: type = "\"enum\": [true]"; break;
                case ActionKey::Kind: type = hows(true); break;
                case ActionKey::Actions: type = "\"$ref\": \"#/definitions/actions\""; break;
                case ActionKey::Index: type = "\"type\": \"string\", \"pattern\": \"^[A-Za-z_][A-Za-z0-9_]*$\""; break;
                default: type = number; break;  // direction, speed (an entry of a test's own too)
            }
            action += "        " + property(format.actions[k], type) + (k + 1 < format.actions.size() ? ",\n" : "\n");
        }
        action += "      }}";
        std::string volley = "{\"type\": \"object\", \"additionalProperties\": false, \"description\": \"A volley from "
                             "the bullet.\", \"properties\": {\n";
        for (size_t k = 0; k < format.fire.size(); ++k) {
            std::string type;
            switch (static_cast<FireKey>(k)) {
                case FireKey::Volley: type = whole(actor::BULLET_CAPACITY); break;
                case FireKey::Kind: type = hows(true); break;
                case FireKey::SpeedKind: type = hows(false); break;
                case FireKey::Bullet: type = "\"type\": \"string\""; break;
                default: type = number; break;
            }
            volley += "        " + property(format.fire[k], type) + (k + 1 < format.fire.size() ? ",\n" : "\n");
        }
        volley += "      }}";
        return "    \"bulletProgram\": {\"type\": \"object\", \"additionalProperties\": false, " + required(format.bullet) +
               ", \"description\": \"A bullet program: what its bullets do from their launch.\", \"properties\": {" +
               property(format.bullet[0], "\"$ref\": \"#/definitions/actions\"") + "}},\n"
               "    \"actions\": {\"type\": \"array\", \"items\": {\"$ref\": \"#/definitions/action\"}},\n"
               "    \"action\": " + action + ",\n"
               "    \"volley\": " + volley + ",\n";
    }

    std::string expression() const {
        std::string functions, names;
        for (const Function& f : format.functions) functions += std::string(functions.empty() ? "" : " ") + f.name;
        for (const KnownName& n : format.names) names += std::string(names.empty() ? "" : ", ") + n.name;
        return "{\"type\": \"string\", \"pattern\": \"^[ \\\\t]*=\", \"description\": " +
               quoted("= EXPRESSION, worked out when the file is read: numbers, + - * / ^, parentheses, the functions " +
                      functions + " (sin and cos of degrees), the params, a repetition's index, " + names + ".") +
               "}";
    }
};

}  // namespace

std::string schemaJson(const Format& format) {
    const Schemas s{format};
    const std::span<const Key> top = format.sections;
    const std::span<const Key> r = format.repetitions;
    const auto sectionOf = [&](Section k) { return top[static_cast<size_t>(k)]; };
    return "{\n"
           "  \"$schema\": \"http://json-schema.org/draft-04/schema#\",\n"
           "  \"title\": \"barrage pattern\",\n"
           "  \"description\": \"Shooters, and the movement and firing programs they run (docs/patterns.md).\",\n"
           "  \"type\": \"object\",\n"
           "  \"additionalProperties\": false,\n"
           "  " + s.required(top) + ",\n"
           "  \"properties\": {\n"
           "    " + quoted(sectionOf(Section::Shooters).name) + ": " + s.shooters() + ",\n"
           "    " + quoted(sectionOf(Section::Params).name) + ": " + s.params() + ",\n"
           "    " + quoted(sectionOf(Section::Movement).name) + ": {\"type\": \"object\", " +
           s.described(sectionOf(Section::Movement)) +
           ", \"additionalProperties\": {\"$ref\": \"#/definitions/movementProgram\"}},\n"
           "    " + quoted(sectionOf(Section::Firing).name) + ": {\"type\": \"object\", " +
           s.described(sectionOf(Section::Firing)) +
           ", \"additionalProperties\": {\"$ref\": \"#/definitions/firingProgram\"}},\n"
           "    " + quoted(sectionOf(Section::Player).name) + ": " + s.player() + ",\n"
           "    " + quoted(sectionOf(Section::Bullet).name) + ": {\"type\": \"object\", " +
           s.described(sectionOf(Section::Bullet)) +
           ", \"additionalProperties\": {\"$ref\": \"#/definitions/bulletProgram\"}},\n"
           "    " + quoted(sectionOf(Section::Timeline).name) + ": " + s.timeline() + "\n"
           "  },\n"
           "  \"definitions\": {\n"
           "    \"movementProgram\": " + s.program("movement", "A movement program: how a body moves.") + ",\n"
           "    \"firingProgram\": " + s.program("firing", "A firing program: how a gun fires.") + ",\n"
           "    \"movementStep\": " + s.step(format.movement, "A movement step.", false) + ",\n"
           "    \"movementRepeated\": " + s.step(format.movement, "A movement step repeated.", true) + ",\n"
           "    \"movementGroup\": " + s.group("movement") + ",\n"
           "    \"movementEntry\": " + Schemas::entry("movement") + ",\n"
           "    \"firingStep\": " + s.step(format.firing, "A firing step.", false) + ",\n"
           "    \"firingRepeated\": " + s.step(format.firing, "A firing step repeated.", true) + ",\n"
           "    \"firingGroup\": " + s.group("firing") + ",\n"
           "    \"firingEntry\": " + Schemas::entry("firing") + ",\n" +
           s.bulletDefinitions() +
           "    \"expression\": " + s.expression() + ",\n"
           "    \"repeat\": {\"anyOf\": [{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " +
           std::to_string(MAX_STEPS) + "}, " + EXPRESSION + "], " + s.described(r[0]) + "},\n"
           "    \"index\": {\"type\": \"string\", \"pattern\": \"^[A-Za-z_][A-Za-z0-9_]*$\", " + s.described(r[1]) + "},\n"
           "    \"number\": {\"anyOf\": [{\"type\": \"number\"}, " + EXPRESSION + "]},\n"
           "    \"reference\": {\"anyOf\": [{\"enum\": [\"none\", " + quoted(PLAYER_REFERENCE) + "]}, {\"type\": \"array\", \"items\": {\"$ref\": "
           "\"#/definitions/number\"}, \"minItems\": 2, \"maxItems\": 2}, {\"type\": \"object\", "
           "\"additionalProperties\": false, \"required\": [" + quoted(format.references[0].name) +
           "], \"properties\": {" + quoted(format.references[0].name) + ": {\"anyOf\": [{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " +
           std::to_string(MAX_SHOOTERS - 1) + "}, " + EXPRESSION + "]}}}], \"description\": \"What it follows: "
           "\\\"none\\\", a fixed point [x, y], a shooter's body { shooter = N } or (targetRef) the player's ship \\\"" +
           PLAYER_REFERENCE + "\\\".\"}\n"
           "  }\n"
           "}\n";
}

}  // namespace pattern
