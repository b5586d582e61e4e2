// Expressions on arbitrary bytes: worked out alone, a value is finite or a
// mistake has its place within the text; inside a pattern (as a repeat count
// and as a float), reading never reaches undefined behaviour nor takes more
// steps than the limits allow.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "pattern/Expression.h"
#include "pattern/Pattern.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    uint64_t random = 7;
    const pattern::Scope scope{{{"rank", 0.5}, {"seed", 7}, {"i", 3}, {"shooter", 1}, {"shooters", 4}}, &random};
    const pattern::Evaluated worked = pattern::evaluate(text, scope);
    if (worked.ok && !std::isfinite(worked.value)) std::abort();
    if (!worked.ok && (worked.error.empty() || worked.at < 0 || static_cast<size_t>(worked.at) > size)) std::abort();

    // In a pattern: one line of TOML text, so only what a basic string holds.
    std::string quoted;
    for (char c : text) {
        if (c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return 0;
        quoted += c;
    }
    const std::string file = "[params]\nk = 2\n[shooters]\ncount = 2\n[movement.m]\nsteps = [ { duration = 5, active = true } ]\n"
                             "[firing.f]\nsteps = [ { repeat = \"= " + quoted + "\", speed = \"= " + quoted +
                             " * shooter\", duration = 1 } ]\n";
    const pattern::Loaded loaded = pattern::parsePattern(file, "fuzz.toml");
    for (const pattern::Message& message : loaded.messages) (void)pattern::formatMessage("fuzz.toml", message);
    if (pattern::refused(loaded)) return 0;
    size_t steps = 0;
    for (const pattern::FiringProgram& program : loaded.pattern.firings) steps += program.steps.size();
    if (steps > static_cast<size_t>(pattern::MAX_WORLD_STEPS)) std::abort();
    (void)pattern::flatPattern(loaded);
    return 0;
}
