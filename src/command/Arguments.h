// Command-line parsing shared by the project's tools: CLI11 for the options
// and the help, and the tools' own rules for the numbers they take, so that
// every tool answers --help on stdout with status 0 (1 when it cannot be
// written), and a usage error with one line on stderr that names the argument
// and what it allows, with status 2.
#pragma once

#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <string>

namespace command {

// A positive whole number of at most 12 digits, digits only.
inline bool parseCount(const char* text, int64_t* value) {
    int64_t result = 0;
    int32_t digits = 0;
    for (; *text; ++text, ++digits) {
        if (*text < '0' || *text > '9' || digits == 12) return false;
        result = result * 10 + (*text - '0');
    }
    if (digits == 0 || result == 0) return false;
    *value = result;
    return true;
}

// A check for an option or argument that takes a whole number from 1 to max
// (digits only: no sign, exponent or base prefix).
inline CLI::Validator countFrom1To(int64_t max) {
    const std::string rule = "a whole number from 1 to " + std::to_string(max);
    return CLI::Validator(
        [max, rule](std::string& text) {
            int64_t value = 0;
            return parseCount(text.c_str(), &value) && value <= max ? std::string() : rule;
        },
        "1.." + std::to_string(max));
}

// A check for a name that must not be empty.
inline CLI::Validator notEmpty() {
    return CLI::Validator([](std::string& text) { return text.empty() ? std::string("must not be empty") : std::string(); },
                          "NAME");
}

inline int64_t countOf(const std::string& text) {
    int64_t value = 0;
    parseCount(text.c_str(), &value);
    return value;
}

// A usage error found after parsing: one line, status 2.
inline int usageError(const CLI::App& app, const std::string& what) {
    std::fprintf(stderr, "%s: %s (%s --help for usage)\n", app.get_name().c_str(), what.c_str(),
                 app.get_name().c_str());
    return 2;
}

// Parses the command line, --version included. Returns -1 to go on, or the
// status to end with: 0 after the help or the version (1 when it could not be
// written), 2 after a usage error.
inline int parseArguments(CLI::App& app, int argc, char** argv) {
    app.set_version_flag("--version", app.get_name() + " " + BARRAGE_VERSION);
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    } catch (const CLI::CallForVersion& version) {
        std::printf("%s\n", version.what());
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    } catch (const CLI::ParseError& error) {
        return usageError(app, error.what());
    }
    return -1;
}

}  // namespace command
