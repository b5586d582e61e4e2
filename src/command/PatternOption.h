// --pattern FILE, the same in every tool: a file, or the bare name of a sample
// pattern (found in the source tree's patterns folder, or where the samples
// were installed). Every message goes to stderr in the compilers' form; a
// refused file ends the tool with status 2 before anything starts.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "pattern/Pattern.h"
#include "shell/World.h"

namespace tools {

// Where the samples lie when the tools are installed: share/barrage/patterns
// beside the bin folder the running tool is in, wherever it was installed.
inline std::string installedPatterns() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return BARRAGE_INSTALLED_PATTERNS;
    std::string path(self, static_cast<size_t>(length));
    path = path.substr(0, path.rfind('/'));  // the bin folder
    return path.substr(0, path.rfind('/')) + "/share/barrage/patterns";
}

// The file a --pattern value names: a bare name (no slash, no .toml) is a
// sample pattern.
inline std::string patternPath(const std::string& name) {
    if (name.find('/') != std::string::npos || (name.size() >= 5 && name.compare(name.size() - 5, 5, ".toml") == 0)) {
        return name;
    }
    for (const std::string& folder : {installedPatterns(), std::string(BARRAGE_SOURCE_PATTERNS)}) {
        const std::string path = std::string(folder) + "/" + name + ".toml";
        struct stat status{};
        if (stat(path.c_str(), &status) == 0) return path;
    }
    return name;
}

// Reads and checks a pattern file (the full-store check included), every
// message on stderr in the compilers' form.
inline std::unique_ptr<pattern::Loaded> readPattern(const std::string& path) {
    auto loaded = std::make_unique<pattern::Loaded>(pattern::loadPattern(path));
    pattern::simulateForWarnings(*loaded);
    for (const pattern::Message& message : loaded->messages) {
        std::fprintf(stderr, "%s\n", pattern::formatMessage(loaded->pattern.file, message).c_str());
    }
    if (const std::string note = pattern::unshownNote(*loaded); !note.empty()) {
        std::fprintf(stderr, "%s: %s\n", loaded->pattern.file.c_str(), note.c_str());
    }
    return loaded;
}

struct ChosenPattern {
    std::unique_ptr<pattern::Loaded> loaded;  // none: the built-in choreography
};

// How worlds are made: by the pattern, or the demonstration's own way.
inline shell::WorldMaker makerOf(const ChosenPattern& chosen) {
    return chosen.loaded ? pattern::makerFor(chosen.loaded->pattern) : shell::WorldMaker{};
}

// Loads the pattern named (none when the name is empty). Returns -1 to go
// on, or 2 when the file is refused.
inline int choosePattern(ChosenPattern& chosen, const std::string& name) {
    if (name.empty()) return -1;
    chosen.loaded = readPattern(patternPath(name));
    return pattern::refused(*chosen.loaded) ? 2 : -1;
}

}  // namespace tools
