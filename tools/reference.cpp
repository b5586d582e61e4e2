// barrage-reference markdown TEMPLATE | schema: the pattern format's reference
// page and its JSON Schema (draft 4, which TOML editors read), both made from
// the format's own tables (src/pattern/Format.h), so that neither can fall
// behind the reader. The tests compare them with docs/patterns.md and
// patterns/pattern.schema.json; `make reference` writes them again.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "command/Arguments.h"
#include "pattern/Format.h"

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
        std::fputs(pattern::schemaJson().c_str(), stdout);
    } else {
        std::ifstream file(templatePath);
        if (!file) {
            std::fprintf(stderr, "barrage-reference: cannot read %s\n", templatePath.c_str());
            return 1;
        }
        std::ostringstream text;
        text << file.rdbuf();
        std::fputs(pattern::referencePage(text.str()).c_str(), stdout);
    }
    return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
}
