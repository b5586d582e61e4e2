// barrage-reference markdown TEMPLATE | schema: the pattern format's reference
// page and its JSON Schema (draft 4, which TOML editors read), both made from
// the reader's own field table, so that neither can fall behind the reader.
// The tests compare them with docs/patterns.md and patterns/pattern.schema.json;
// `make reference` writes them again.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "actor/Shooter.h"
#include "command/Arguments.h"
#include "kinds/Kinds.h"
#include "pattern/Fields.h"
#include "pattern/Pattern.h"

namespace {

using pattern::Field;
using pattern::FieldKind;

std::string takes(const Field& f) { return pattern::fieldTakes(f); }
std::string byDefault(const Field& f) { return pattern::fieldDefault(f); }

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
        out << "| `" << f.name << "` | " << cell(takes(f)) << " | " << cell(f.unit) << " | `" << byDefault(f)
            << "` | " << cell(f.meaning) << " | " << cell(f.readBy) << " |\n";
    }
}

void kindTables(std::ostringstream& out) {
    for (std::span<const Field> fields : {pattern::MOVEMENT_FIELDS, pattern::FIRING_FIELDS}) {
        for (const Field& f : fields) {
            if (f.kind != FieldKind::Named) continue;
            out << "### `" << f.name << "`\n\n" << cell(f.meaning) << ".\n\n| name | number | what it does |\n|---|---|---|\n";
            for (const kinds::Name& n : f.names) {
                out << "| `\"" << n.name << "\"` | " << n.value << " | " << cell(n.meaning) << " |\n";
            }
            out << "\nAny other number: the engine " << f.otherwise << " (the reader warns, `unknown-kind`).\n\n";
        }
    }
}

std::string markdown(const std::string& templateText) {
    std::ostringstream out;
    std::istringstream lines(templateText);
    for (std::string line; std::getline(lines, line);) {
        if (line == "@MOVEMENT_FIELDS@") {
            fieldTable(out, pattern::MOVEMENT_FIELDS);
        } else if (line == "@FIRING_FIELDS@") {
            fieldTable(out, pattern::FIRING_FIELDS);
        } else if (line == "@KINDS@") {
            kindTables(out);
        } else if (line == "@LINTS@") {
            out << "| name | when |\n|---|---|\n";
            for (const pattern::Lint& lint : pattern::LINTS) out << "| `" << lint.name << "` | " << cell(lint.when) << " |\n";
        } else {
            out << line << "\n";
        }
    }
    return out.str();
}

// Strings are written as JSON writes them (pattern::quoted).

std::string description(const Field& f) {
    std::string text = f.meaning;
    if (*f.unit) text += ". In " + std::string(f.unit);
    return text + ". Read by " + f.readBy + ". Default " + byDefault(f) + ".";
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
            for (const kinds::Name& n : f.names) names += (names.empty() ? "" : ", ") + pattern::quoted(n.name);
            type = "\"anyOf\": [{\"enum\": [" + names + "]}, {\"type\": \"integer\"}, " + EXPRESSION + "]";
            break;
        }
        case FieldKind::Reference: type = "\"$ref\": \"#/definitions/reference\""; break;
    }
    return "{" + type + ", \"description\": " + pattern::quoted(description(f)) + "}";
}

// A step's fields; a repeated step has a repeat count and an index name too.
std::string stepSchema(std::span<const Field> fields, const char* what, bool repeated) {
    std::string out = "{\"type\": \"object\", \"description\": " + pattern::quoted(what) +
                      ", \"additionalProperties\": false, " + (repeated ? "\"required\": [\"repeat\"], " : "") +
                      "\"properties\": {\n";
    if (repeated) {
        out += "      \"repeat\": {\"$ref\": \"#/definitions/repeat\"},\n      \"index\": {\"$ref\": \"#/definitions/index\"},\n";
    }
    for (size_t k = 0; k < fields.size(); ++k) {
        out += "      " + pattern::quoted(fields[k].name) + ": " + fieldSchema(fields[k]) + (k + 1 < fields.size() ? ",\n" : "\n");
    }
    return out + "    }}";
}

// What a steps list holds: steps, repeated steps and repeated groups of them.
std::string entrySchema(const std::string& kind) {
    return "{\"anyOf\": [{\"$ref\": \"#/definitions/" + kind + "Step\"}, {\"$ref\": \"#/definitions/" + kind +
           "Repeated\"}, {\"$ref\": \"#/definitions/" + kind + "Group\"}]}";
}

std::string groupSchema(const std::string& kind) {
    return "{\"type\": \"object\", \"description\": \"Steps repeated: all of them, then all of them again.\", "
           "\"additionalProperties\": false, \"required\": [\"repeat\", \"steps\"], \"properties\": {\"repeat\": "
           "{\"$ref\": \"#/definitions/repeat\"}, \"index\": {\"$ref\": \"#/definitions/index\"}, \"steps\": "
           "{\"type\": \"array\", \"minItems\": 1, \"items\": {\"$ref\": \"#/definitions/" + kind + "Entry\"}}}}";
}

std::string programSchema(const std::string& kind, const char* what) {
    return std::string("{\"type\": \"object\", \"description\": ") + pattern::quoted(what) +
           ", \"additionalProperties\": false, \"required\": [\"steps\"], \"properties\": {"
           "\"defaults\": {\"$ref\": \"#/definitions/" + kind + "Step\", \"description\": \"What every step of the "
           "program has unless it says otherwise.\"}, \"steps\": {\"type\": \"array\", \"minItems\": 1, "
           "\"maxItems\": " + std::to_string(pattern::MAX_STEPS) + ", \"items\": {\"$ref\": \"#/definitions/" + kind +
           "Entry\"}, \"description\": \"The steps, in the order they run; the program starts again after the last. "
           "At most " + std::to_string(pattern::MAX_STEPS) + " once repetitions are counted out.\"}}}";
}

std::string schema() {
    const std::string shooters = std::to_string(pattern::MAX_SHOOTERS);
    const std::string names = "{\"anyOf\": [{\"type\": \"string\"}, {\"type\": \"array\", \"items\": {\"type\": \"string\"}}]";
    return "{\n"
           "  \"$schema\": \"http://json-schema.org/draft-04/schema#\",\n"
           "  \"title\": \"barrage pattern\",\n"
           "  \"description\": \"Shooters, and the movement and firing programs they run (docs/patterns.md).\",\n"
           "  \"type\": \"object\",\n"
           "  \"additionalProperties\": false,\n"
           "  \"required\": [\"shooters\", \"movement\", \"firing\"],\n"
           "  \"properties\": {\n"
           "    \"shooters\": {\"type\": \"object\", \"additionalProperties\": false, \"required\": [\"count\"], "
           "\"properties\": {\n"
           "      \"count\": {\"anyOf\": [{\"type\": \"integer\", \"minimum\": 1, \"maximum\": " + shooters +
           "}, " + EXPRESSION + "], \"description\": \"How many shooters, counted from 0.\"},\n"
           "      \"phases\": {\"anyOf\": [{\"type\": \"integer\"}, " + EXPRESSION + ", {\"type\": \"array\", "
           "\"items\": {\"anyOf\": [{\"type\": \"integer\"}, " + EXPRESSION + "]}}], \"description\": \"Degrees added "
           "to every step's angle: a list of one per shooter, or the step between shooters. Default 360 / count "
           "apart.\"},\n"
           "      \"movement\": " + names + ", \"description\": \"The movement program every shooter runs, or a list "
           "of one name per shooter; may be left out when there is one.\"},\n"
           "      \"firing\": " + names + ", \"description\": \"The firing program every shooter runs, or a list of "
           "one name per shooter; may be left out when there is one.\"}\n"
           "    }},\n"
           "    \"params\": {\"type\": \"object\", \"description\": \"Named numbers every expression may use, each "
           "set from outside with --set NAME=VALUE.\", \"additionalProperties\": {\"type\": \"number\"}, "
           "\"properties\": {\"rank\": {\"type\": \"number\", \"minimum\": 0, \"maximum\": 1, \"description\": "
           "\"The difficulty, 0 to 1; every pattern has it. Default 0.5.\"}, \"seed\": {\"type\": \"integer\", "
           "\"description\": \"Where rand() starts: the same seed, the same draws. Default 0.\"}}},\n"
           "    \"movement\": {\"type\": \"object\", \"description\": \"Movement programs, by name.\", "
           "\"additionalProperties\": {\"$ref\": \"#/definitions/movementProgram\"}},\n"
           "    \"firing\": {\"type\": \"object\", \"description\": \"Firing programs, by name.\", "
           "\"additionalProperties\": {\"$ref\": \"#/definitions/firingProgram\"}}\n"
           "  },\n"
           "  \"definitions\": {\n"
           "    \"movementProgram\": " + programSchema("movement", "A movement program: how a body moves.") + ",\n"
           "    \"firingProgram\": " + programSchema("firing", "A firing program: how a gun fires.") + ",\n"
           "    \"movementStep\": " + stepSchema(pattern::MOVEMENT_FIELDS, "A movement step.", false) + ",\n"
           "    \"movementRepeated\": " + stepSchema(pattern::MOVEMENT_FIELDS, "A movement step repeated.", true) + ",\n"
           "    \"movementGroup\": " + groupSchema("movement") + ",\n"
           "    \"movementEntry\": " + entrySchema("movement") + ",\n"
           "    \"firingStep\": " + stepSchema(pattern::FIRING_FIELDS, "A firing step.", false) + ",\n"
           "    \"firingRepeated\": " + stepSchema(pattern::FIRING_FIELDS, "A firing step repeated.", true) + ",\n"
           "    \"firingGroup\": " + groupSchema("firing") + ",\n"
           "    \"firingEntry\": " + entrySchema("firing") + ",\n"
           "    \"expression\": {\"type\": \"string\", \"pattern\": \"^[ \\\\t]*=\", \"description\": \"= EXPRESSION, "
           "worked out when the file is read: numbers, + - * / ^, parentheses, min max floor round abs sin cos (of "
           "degrees) rand(), the params, rank, seed, a repetition's index, shooter and shooters.\"},\n"
           "    \"repeat\": {\"anyOf\": [{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " +
           std::to_string(pattern::MAX_STEPS) + "}, " + EXPRESSION + "], \"description\": \"How many times; the "
           "index counts them from 0.\"},\n"
           "    \"index\": {\"type\": \"string\", \"pattern\": \"^[A-Za-z_][A-Za-z0-9_]*$\", \"description\": \"The "
           "name of the repetition's index in expressions; default i.\"},\n"
           "    \"number\": {\"anyOf\": [{\"type\": \"number\"}, " + EXPRESSION + "]},\n"
           "    \"reference\": {\"anyOf\": [{\"enum\": [\"none\"]}, {\"type\": \"array\", \"items\": {\"$ref\": "
           "\"#/definitions/number\"}, \"minItems\": 2, \"maxItems\": 2}, {\"type\": \"object\", "
           "\"additionalProperties\": false, \"required\": [\"shooter\"], \"properties\": {\"shooter\": {\"anyOf\": "
           "[{\"type\": \"integer\", \"minimum\": 0, \"maximum\": " + std::to_string(pattern::MAX_SHOOTERS - 1) +
           "}, " + EXPRESSION + "]}}}], \"description\": \"What it follows: \\\"none\\\", a fixed point [x, y] or a "
           "shooter's body { shooter = N }.\"}\n"
           "  }\n"
           "}\n";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("The pattern format's reference page, from its template (markdown TEMPLATE), or its JSON Schema "
                 "(schema), made from the reader's own tables.",
                 "barrage-reference");
    std::string what, templatePath;
    app.add_option("WHAT", what, "markdown or schema")->required()->check(CLI::IsMember({"markdown", "schema"}));
    app.add_option("TEMPLATE", templatePath, "the reference page's template, for markdown");
    if (const int status = command::parseArguments(app, argc, argv); status >= 0) return status;
    if (what == "markdown" && templatePath.empty()) return command::usageError(app, "markdown needs its TEMPLATE");
    if (what == "schema" && !templatePath.empty()) return command::usageError(app, "schema takes no TEMPLATE");
    if (what == "schema") {
        std::fputs(schema().c_str(), stdout);
    } else {
        std::ifstream file(templatePath);
        if (!file) {
            std::fprintf(stderr, "barrage-reference: cannot read %s\n", templatePath.c_str());
            return 1;
        }
        std::ostringstream text;
        text << file.rdbuf();
        std::fputs(markdown(text.str()).c_str(), stdout);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
