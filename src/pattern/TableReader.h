// The table reader's state and its two halves: values (Values.cpp: numbers,
// flags, names, references and expressions, each checked where it stands)
// and structure (Reader.cpp: shooters, programs and their steps, repetitions,
// which shooter runs what; Parameters.cpp: the names every expression sees).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "pattern/Expression.h"
#include "pattern/Fields.h"
#include "pattern/Format.h"
#include "pattern/Sources.h"

namespace pattern {

// The names of a table's keys, as the closest name to a mistyped one is found among.
std::vector<std::string_view> namesOf(std::span<const Key> keys);

struct Reader {
    const std::vector<std::string_view>& lines;  // the text's lines, for the exact decimal of a float
    Loaded& loaded;                              // the messages, and the pattern being filled
    Sources& sources;                            // where the text says what, for the lints
    const std::vector<Binding>& settings;        // parameters set from outside the file (--set NAME=VALUE)
    struct {
        size_t line = 0, column = 1, byte = 0;  // a column whose byte is known
    } lastFloat{};                               // where floatAsWritten last stood
    // The steps list, in file order, with which the programs would hold more
    // than MAX_WORLD_STEPS: it and those after it are not read.
    const toml::node* overflowing = nullptr;
    uint64_t random = 0;                         // rand()'s state, from the seed
    Scope scope{};                               // the names expressions see
    int64_t stepsRead = 0;                       // steps of every program so far, repetitions counted out
    size_t fixedNames = 0;                       // the names every expression sees; a repetition's index
                                                 // and the shooter come after them
    std::unordered_set<std::string> said{};     // place and text of every finding, so each is told once
    // Each expression read once, by the text it stands in: a repetition
    // works it out again with each index.
    std::unordered_map<const std::string*, Compiled> compiled{};
    std::vector<double> stack{};                 // the expressions' working stack
    std::vector<bool> declared{};                // by parameter: the file declares it, or it was set
    // Steps under a repetition of 0 times are read once all the same, for
    // their mistakes (names, types, ranges, expressions at index 0), and make
    // no step: a count that becomes non-zero at another rank or setting would
    // otherwise bring mistakes nobody was told of.
    int32_t unmade = 0;                          // repetitions of 0 times around the entries read now
    Budget budget{MAX_OPERATIONS, nullptr};      // what the expressions may still take
    bool overBudget = false;                     // flag: the budget ran out (said once), or the reading was cancelled

    // Values.
    void say(const toml::source_region& where, bool error, std::string message, std::string lint = {},
             std::vector<Note> notes = {});
    void error(const toml::node& node, std::string message) { say(node.source(), true, std::move(message)); }
    // For a value worked out inside repetitions or for a shooter: which one,
    // as " (where i = 3, shooter = 1)"; empty elsewhere.
    std::string within() const;
    // The names inside repetitions and for a shooter, as "i = 3, shooter = 1"; empty elsewhere.
    std::string inner() const;
    // A value written "= EXPRESSION", worked out into *value: EXPRESSED; NOT
    // EXPRESSED for a node that is no such string; FAILED (said) for one that
    // cannot be worked out.
    enum Expressed : int32_t { NOT_EXPRESSED = 0, EXPRESSED = 1, FAILED = -1 };
    Expressed expression(const toml::node& node, std::string_view name, double* value);
    // The expression a node's string holds ("= ..."), read once; none for any other node.
    const Compiled* compiledOf(const toml::node& node);
    // The place `offset` characters into the expression a node's string holds.
    static toml::source_region inExpression(const toml::node& node, int32_t offset);
    bool floatOf(const toml::node& node, std::string_view name, float* out);
    bool floatAsWritten(const toml::node& node, float* out);
    static std::string typeName(const toml::node& node);
    bool integerOf(const toml::node& node, std::string_view name, int64_t least, int64_t most, int32_t* out);
    void setField(const Field& field, const toml::node& node, void* slot, int32_t shooterCount);
    void setNamed(const Field& field, const toml::node& node, int32_t* slot);
    void setReference(const Field& field, const toml::node& node, Reference* out, int32_t shooterCount);
    // "none" (-1), or one of `names`, as its index; `named` and `noun` say what
    // they are ("a bullet program", "bullet program"), `has` what there is.
    void setByName(const toml::node& node, const std::string& what, const std::vector<std::string_view>& names,
                   const std::string& named, const std::string& noun, const std::string& has, int32_t* slot);
    // "none", or the name of a bullet program, as its index.
    void setProgram(const toml::node& node, const std::string& what, int32_t* out);
    // "none", or the name of a span of the timeline, as its index.
    void setSpan(const toml::node& node, const std::string& what, int32_t* out);
    void unknownName(std::string_view typed, const toml::source_region& place,
                     const std::vector<std::string_view>& known, const std::string& what, const std::string& has = {},
                     const std::vector<toml::source_region>* defined = nullptr);
    void unknownKey(const toml::key& key, const std::vector<std::string_view>& known, const std::string& where,
                    const std::string& has = {});
    void unknownField(const toml::key& key, std::span<const Field> fields, const std::string& where);
    // Whether a key is one of the table's.
    static bool knownKey(const toml::key& key, std::span<const Key> keys);

    // Structure (Reader.cpp): shooters, programs and their steps,
    // repetitions, which shooter runs what.
    Pattern& p = loaded.pattern;                 // what the reading fills
    int64_t visits = 0;                          // entries and repeats gone through counting the program read now
    void read(const toml::table& root);
    // A step: the defaults, then what it says itself, each field into its own
    // member of the step's record.
    template <typename Step>
    void readStep(const toml::table& table, std::span<const Field> fields, Step& step, const std::string& where,
                  uint64_t* set, std::vector<Setting>* places = nullptr, bool repeated = false);
    // A repetition's count and index name; false (said) when they are no good.
    bool repetition(const toml::table& table, const std::string& where, int32_t* count, std::string* index);
    // The steps a list holds once its repetitions are counted out, at most MAX_STEPS + 1.
    int64_t countSteps(const toml::array& entries, const std::string& where);
    template <typename Step>
    void readEntries(const toml::array& entries, std::span<const Field> fields, const Step& defaults,
                     std::vector<Step>& steps, ProgramSource& source, const std::string& where);
    template <typename Step>
    bool readProgram(const toml::key& key, const toml::node& node, std::span<const Field> fields, const char* kind, int32_t& loop,
                     std::vector<Step>& steps, ProgramSource& source);
    // Which program each shooter runs: one name for all, or a list of one per shooter.
    template <typename Program>
    void assign(const toml::table& shooters, ShootersKey key, const std::vector<Program>& programs,
                std::vector<int32_t>& of, int32_t count, const toml::node& whole);
    // A program whose values name the shooter, read for each shooter that runs it.
    template <typename Program, typename Step>
    void readForEachShooter(const toml::key& key, const toml::node& node, std::span<const Field> fields,
                            const char* kind, std::vector<Program>& programs, std::vector<int32_t>& of,
                            std::vector<ProgramSource>& programSources, size_t place);

    // Bullet programs (Bullets.cpp): their names first, so that firing steps
    // and volleys name them wherever they stand; then their actions.
    void nameBullets(const toml::table& root);
    void readBullets(const toml::table& root);
    void readActions(const toml::array& list, const std::string& where, int32_t depth);
    int32_t howOf(const toml::node* node, const std::string& what, bool direction);
    // An action's value that is worked out as the bullet runs (an expression
    // that names a bullet's own value or a repeat's index, or draws from
    // rand()): the formula made of it; NO_FORMULA for any other value, which
    // is read now; BAD_FORMULA (said) for one that is no good.
    static constexpr int32_t NO_FORMULA = -1, BAD_FORMULA = -2;
    // In a firing step (`step`), a value is worked out at each shot when it names the shot.
    int32_t formulaOf(const toml::node& node, std::string_view name, bool step = false);
    // A firing step's field written as a value worked out at each shot: kept
    // beside the step (the field itself keeps what the defaults gave it);
    // true when it was one, said or not.
    bool shotValue(const Field& field, const toml::node& node, FiringStep& step);
    std::vector<std::string> repeatNames{};      // the index names of the repeats read within, outermost first

    // The timeline (Timeline.cpp): its spans, read before the programs; then
    // each program whose steps name spans made to keep them, its steps of
    // each span run over and over for exactly the span's frames.
    void readTimeline(const toml::table& root);
    template <typename Step>
    void keepTimeline(std::vector<Step>& steps, ProgramSource& source, const std::string& where,
                      const toml::node& list);

    // The ship (Parameters.cpp, beside the parameters: a table of settings).
    void readPlayer(const toml::table& root);

    // Parameters (Parameters.cpp).
    void readParameters(const toml::table& root);
    void keepParametersThatMatter();
};

}  // namespace pattern
