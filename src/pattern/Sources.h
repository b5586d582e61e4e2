// Where the text says what, and the pattern reader's parts that share it:
// the loader parses the text (after the guard), the table reader turns the
// parsed table into a pattern and the sources below, and the lints read
// them; all tell their findings at the places the text has them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "pattern/Pattern.h"
#include "pattern/Toml.h"

namespace pattern {

// Where the text says what a pattern holds, beyond the pattern itself: which
// fields each step sets itself (and where), which its program's defaults set,
// and where programs and phases stand. The lints read it.
struct Setting {
    size_t field = 0;                // index in its table
    toml::source_region place;       // the key
};
struct StepSource {
    uint64_t own = 0;                // bit k: field k set in the step itself
    std::vector<Setting> settings;   // where, for the fields set in the step
    toml::source_region place;       // the step's table
    std::string inner;               // the repeat and shooter it was made for, as "i = 3, shooter = 1"; empty: none
    int32_t fitted = 0;              // made by the timeline: CUT, a step cut short to end with its span; IDLE, a
                                     // span's step the program's own do not name; 0: as the text gives it
};
inline constexpr int32_t CUT = 1;
inline constexpr int32_t IDLE = 2;
struct ProgramSource {
    toml::source_region key;         // the program's name where it is defined
    bool perShooter = false;         // its values name the shooter: read for each shooter that runs it
    bool draws = false;              // its values draw from rand()
    uint64_t defaults = 0;           // bit k: field k set in the program's defaults
    std::vector<StepSource> steps;   // as the program's steps, in order
};
struct Sources {
    std::vector<ProgramSource> movements;  // as the pattern's programs, in order
    std::vector<ProgramSource> firings;
    const toml::node* phases = nullptr;    // shooters.phases when the text gives it
    std::vector<toml::source_region> bullets;  // each bullet program's name where it is defined
};

// Reads the pattern the table holds into `loaded`, each finding at its place;
// `lines` are the text's lines, for the exact decimal of a float. Where the
// text says what, into `sources`. `settings` set the pattern's parameters;
// `cancel`, when set, stops the reading.
void readTable(const toml::table& root, const std::vector<std::string_view>& lines, Loaded& loaded,
               Sources& sources, const std::vector<Binding>& settings, const std::atomic<bool>* cancel = nullptr);

// The warnings of what the engine will do that the text probably did not
// mean, for a pattern that was read whole.
void lintPattern(const Sources& sources, Loaded& loaded);

// Where a column begins in a line, in bytes, counting on from a column whose
// byte is known: the TOML reader counts columns in characters, and a
// character takes one to four bytes.
size_t byteOfColumn(std::string_view line, size_t column, size_t fromColumn = 1, size_t fromByte = 0);

// The steps list, in file order, with which the programs would hold more than
// MAX_WORLD_STEPS steps; none when they hold no more.
const toml::array* overflowingSteps(const toml::table& root);

// Edits (insertions, deletions, changes, case aside) from one name to another.
size_t editDistance(std::string_view a, std::string_view b);

// The place of the key whose value stands at `value`: the TOML reader says
// where the value of a key defined twice stands, and the key is what the
// user wrote twice.
toml::source_position keyBefore(const std::vector<std::string_view>& lines, toml::source_position value);

}  // namespace pattern
