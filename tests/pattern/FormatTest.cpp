// The format is its tables: an entry added to one (a function, a [shooters]
// key) is in the reference page, the schema and the editor's help, with
// nothing else to change.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pattern/Format.h"

namespace pattern {
namespace {

TEST(Format, AnEntryAddedIsInTheReferenceTheSchemaAndTheHelp) {
    std::vector<Function> functions(FUNCTIONS.begin(), FUNCTIONS.end());
    functions.push_back({"hypot", Operation::Max, 2, 2, "hypot(x, y): a function a test adds"});
    std::vector<Key> shooters(SHOOTERS_KEYS.begin(), SHOOTERS_KEYS.end());
    shooters.push_back({"formation", "a key a test adds"});
    Format format;
    format.functions = functions;
    format.shooters = shooters;
    const std::string page = referencePage("@FUNCTIONS@\n@SHOOTERS_KEYS@\n", format);
    EXPECT_NE(page.find("| `hypot` | hypot(x, y): a function a test adds |"), std::string::npos) << page;
    EXPECT_NE(page.find("| `formation` | a key a test adds |"), std::string::npos) << page;
    const std::string schema = schemaJson(format);
    EXPECT_NE(schema.find("\"formation\": {"), std::string::npos);
    EXPECT_NE(schema.find("hypot"), std::string::npos);
    const std::string help = helpJson(format);
    EXPECT_NE(help.find("{\"name\":\"hypot\",\"info\":\"hypot(x, y): a function a test adds\"}"), std::string::npos);
    EXPECT_NE(help.find("{\"name\":\"formation\",\"info\":\"a key a test adds\",\"required\":false}"), std::string::npos);
    // And the format as it is says each of its own.
    for (const std::string& made : {referencePage("@FUNCTIONS@\n@SHOOTERS_KEYS@\n"), helpJson()}) {
        for (const Function& f : FUNCTIONS) EXPECT_NE(made.find(f.name), std::string::npos) << f.name;
        for (const Key& k : SHOOTERS_KEYS) EXPECT_NE(made.find(k.name), std::string::npos) << k.name;
    }
}

}  // namespace
}  // namespace pattern
