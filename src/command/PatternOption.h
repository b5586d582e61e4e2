// --pattern FILE|NAME, the same in every program: a file, or the bare name of
// a sample pattern (found in the source tree's patterns folder, or where the
// samples were installed); --set NAME=VALUE sets one of its parameters. Every message goes to stderr in the compilers'
// form; a refused file ends the program with status 2 before anything starts.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "command/Arguments.h"
#include "pattern/Pattern.h"
#include "replay/Recording.h"
#include "world/World.h"

namespace command {

// Where the samples lie when the programs are installed: share/barrage/patterns
// beside the bin folder the running program is in, wherever it was installed.
inline std::string installedPatterns() {
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0) return BARRAGE_INSTALLED_PATTERNS;
    std::string path(self, static_cast<size_t>(length));
    path = path.substr(0, path.rfind('/'));  // the bin folder
    return path.substr(0, path.rfind('/')) + "/share/barrage/patterns";
}

inline bool exists(const std::string& path) {
    struct stat status{};
    return stat(path.c_str(), &status) == 0;
}

// A bare name: no folder and no .toml, so it may name a sample.
inline bool bareName(const std::string& name) {
    return name.find('/') == std::string::npos &&
           !(name.size() >= 5 && name.compare(name.size() - 5, 5, ".toml") == 0);
}

// The sample patterns' names, sorted, from wherever they are found.
inline std::vector<std::string> sampleNames() {
    std::vector<std::string> names;
    for (const std::string& folder : {installedPatterns(), std::string(BARRAGE_SOURCE_PATTERNS)}) {
        DIR* dir = opendir(folder.c_str());
        if (!dir) continue;
        for (dirent* entry = readdir(dir); entry; entry = readdir(dir)) {
            const std::string name = entry->d_name;
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".toml") == 0) names.push_back(name.substr(0, name.size() - 5));
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// The file a --pattern value names: a file that is there is the user's, even
// when a sample has the same name; otherwise a bare name is a sample. Empty
// when it is neither a file nor a sample.
inline std::string patternPath(const std::string& name) {
    if (exists(name) || !bareName(name)) return name;
    for (const std::string& folder : {installedPatterns(), std::string(BARRAGE_SOURCE_PATTERNS)}) {
        const std::string path = std::string(folder) + "/" + name + ".toml";
        if (exists(path)) return path;
    }
    return {};
}

// Reads a pattern file, its parameters set as `settings` say, with the
// full-store check when `check` says so (and at rank 0 and 1 as well, when
// its values name rank); `cancel` stops a reading that
// another thread no longer wants.
inline std::unique_ptr<pattern::Loaded> readPattern(const std::string& path, bool check,
                                                    const std::vector<pattern::Binding>& settings = {},
                                                    const std::atomic<bool>* cancel = nullptr) {
    auto loaded = std::make_unique<pattern::Loaded>(pattern::loadPattern(path, settings, cancel));
    if (check) {
        pattern::simulateForWarnings(*loaded);
        pattern::checkAtEveryRank(*loaded, settings, true);
    }
    return loaded;
}

// Colour on stderr when it is a terminal that takes it, and NO_COLOR is not set.
inline bool colourOnStderr() {
    const char* noColour = std::getenv("NO_COLOR");
    const char* term = std::getenv("TERM");
    return isatty(STDERR_FILENO) && !(noColour && *noColour) && !(term && std::string(term) == "dumb");
}

// Every message as compilers give it (the source line under it, the range
// marked), then how many more were found than told; `say` writes lines for
// the user (stderr, by default).
inline void sayMessages(const pattern::Loaded& loaded, void (*say)(const char* line) = nullptr) {
    const bool colour = colourOnStderr();
    const auto tell = [&](std::string lines) {
        if (!lines.empty() && lines.back() == '\n') lines.pop_back();
        if (say) say(lines.c_str());
        else std::fprintf(stderr, "%s\n", lines.c_str());
    };
    for (const pattern::Message& message : loaded.messages) tell(pattern::formatWithSource(loaded, message, colour));
    if (const std::string note = pattern::unshownNote(loaded); !note.empty()) tell(loaded.pattern.file + ": " + note);
}

struct ChosenPattern {
    std::unique_ptr<pattern::Loaded> loaded;  // none: the built-in choreography
    std::string path;                         // the file it was read from
    std::vector<pattern::Binding> settings;   // its parameters set on the command line, for every reading
};

// How worlds are made: by the pattern, or the demonstration's own way.
inline world::WorldMaker makerOf(const ChosenPattern& chosen) {
    return chosen.loaded ? pattern::makerFor(chosen.loaded->pattern) : world::WorldMaker{};
}

// --pattern FILE|NAME on a program's command line, never empty, and
// --set NAME=VALUE as often as wanted.
inline CLI::Option* addPatternOption(CLI::App& app, std::string& name, std::vector<std::string>& sets,
                                     const std::string& help) {
    CLI::Option* option = app.add_option("--pattern", name, help)->option_text("FILE|NAME")->check(notEmpty());
    app.add_option("--set", sets, "set a parameter of the pattern (rank, seed or one of its [params]); again for more")
        ->option_text("NAME=VALUE")
        ->take_last()
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->check(CLI::Validator(
            [](std::string& text) {
                pattern::Binding setting;
                return pattern::parseSetting(text, &setting) ? std::string() : std::string(pattern::SETTING_RULE);
            },
            "NAME=VALUE"))
        ->needs(option);
    return option;
}

// Loads the pattern named (none when the name is empty), its messages said;
// with `check`, the full-store check too (where its warnings are wanted: it
// simulates the first 20,000 frames). Returns -1 to go on, or 2 when the file
// is refused or the name is neither a file nor a sample.
inline int choosePattern(ChosenPattern& chosen, const std::string& name, const std::vector<std::string>& sets,
                         bool check) {
    if (name.empty()) return -1;
    for (const std::string& set : sets) {
        pattern::Binding setting;
        pattern::parseSetting(set, &setting);
        chosen.settings.push_back(setting);
    }
    chosen.path = patternPath(name);
    if (chosen.path.empty()) {
        const std::vector<std::string> names = sampleNames();
        std::string samples;
        for (const std::string& sample : names) samples += (samples.empty() ? "" : ", ") + sample;
        const std::string meant = pattern::closestName(name, std::vector<std::string_view>(names.begin(), names.end()));
        std::fprintf(stderr, "%s: no such pattern file, and no sample pattern of that name%s; the samples are %s\n",
                     name.c_str(), meant.empty() ? "" : (" (did you mean '" + meant + "'?)").c_str(), samples.c_str());
        return 2;
    }
    chosen.loaded = readPattern(chosen.path, check, chosen.settings);
    sayMessages(*chosen.loaded);
    return pattern::refused(*chosen.loaded) ? 2 : -1;
}

// The digest a recording keeps of the pattern it was made on: of its flat
// text, its name and settings line aside; "" for the demonstration.
inline std::string patternDigest(const ChosenPattern& chosen) {
    if (!chosen.loaded) return {};
    const std::string flat = pattern::flatPattern(*chosen.loaded);
    return replay::digestOf(std::string_view(flat).substr(flat.find('\n') + 1));
}

// --replay FILE, the same in every program that plays a pattern.
inline CLI::Option* addReplayOption(CLI::App& app, std::string& path) {
    return app.add_option("--replay", path,
                          "a recording made in barrage-view or the page: its ship's moves played again, on the "
                          "pattern it names unless --pattern is given, with its settings unless --set gives others")
        ->option_text("FILE")
        ->check(notEmpty());
}

// Reads the recording named (none when the path is empty): it names the
// pattern when --pattern does not, and its settings stand where --set gives
// none. Returns -1 to go on, or 2 (said) when it cannot be read.
inline int readReplay(const std::string& path, replay::Recording& recording, std::string& patternName,
                      std::vector<std::string>& sets) {
    if (path.empty()) return -1;
    std::string error;
    if (!replay::loadRecording(path, recording, error)) {
        std::fprintf(stderr, "%s: cannot be replayed: %s\n", path.c_str(), error.c_str());
        return 2;
    }
    if (patternName.empty()) patternName = recording.pattern;
    for (const std::string& set : recording.settings) {
        const std::string name = set.substr(0, set.find('='));
        const bool given = std::any_of(sets.begin(), sets.end(), [&](const std::string& s) {
            return s.substr(0, s.find('=')) == name;
        });
        if (!given) sets.push_back(set);
    }
    return -1;
}

// A recording of `moves` made on the pattern chosen, by the name and
// settings the command line gave.
inline replay::Recording recordingOf(const std::string& patternName, const std::vector<std::string>& sets,
                                     const ChosenPattern& chosen, const std::vector<uint8_t>& moves) {
    return {patternName, patternDigest(chosen), sets, moves};
}

// Says, once the pattern is read, whether the recording was made on it.
// Says it with `tell` (a line), or on stderr.
inline void sayWhetherTheSame(const std::string& path, const replay::Recording& recording,
                              const ChosenPattern& chosen, void (*tell)(const char* line) = nullptr) {
    if (patternDigest(chosen) == recording.digest) return;
    const std::string line = path + ": note: it was recorded on another version of " +
                             (recording.pattern.empty() ? std::string("the demonstration") : recording.pattern) +
                             ": it plays on against this one";
    if (tell) {
        tell(line.c_str());
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

}  // namespace command
