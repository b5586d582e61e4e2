// The pattern reader: a table of files with one mistake each, every kind of
// mistake with its exact place and message; several mistakes all reported;
// warnings that do not refuse a file; and files that are no pattern at all.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "pattern/Fields.h"
#include "pattern/Pattern.h"

namespace pattern {
namespace {

// A small good pattern; each case puts its mistake into one of its lines.
std::string patternWith(const std::string& shooters, const std::string& movement, const std::string& firing) {
    return "[shooters]\n" + shooters + "\n[movement.m]\nsteps = [ { duration = 10" + movement +
           " } ]\n[firing.f]\nsteps = [ { duration = 10" + firing + " } ]\n";
}

std::string firstMessage(const Loaded& loaded) {
    return loaded.messages.empty() ? std::string("no message")
                                   : formatMessage("p.toml", loaded.messages.front());
}

TEST(PatternLoader, EachKindOfMistakeIsRefusedWithItsPlace) {
    std::string steps = "[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 10 } ]\n[firing.f]\nsteps = [";
    for (int i = 0; i <= MAX_STEPS; ++i) steps += "{},";
    steps += "]\n";
    const struct {
        std::string text;
        std::string expected;  // the first message, from its place on
    } cases[] = {
        {"[shooters\ncount = 1\n", "p.toml:1:10: error: "},
        {patternWith("count = 2", ", radius = 3", ", volleysize = 3"),
         "p.toml:6:28: error: unknown field 'volleysize' in firing program 'f''s step 1; did you mean 'volleySize'?"},
        {patternWith("count = 2", ", angle = \"up\"", ""),
         "p.toml:4:36: error: angle must be a whole number, not text"},
        {patternWith("count = 2", "", ", bulletCount = 300"),
         "p.toml:6:42: error: bulletCount must be from 0 to 256, not 300"},
        {patternWith("", "", ""), "p.toml:1:1: error: shooters.count is missing: how many shooters, 1 to 64"},
        {patternWith("count = 2", "", ", speed = nan"), "p.toml:6:36: error: speed must be a finite number, not nan"},
        {patternWith("count = 2", ", x = -inf", ""), "p.toml:4:32: error: x must be a finite number, not inf"},
        {patternWith("count = 65", "", ""), "p.toml:2:9: error: shooters.count must be from 1 to 64, not 65"},
        {steps, "p.toml:6:9: error: firing program 'f' has 10001 steps; at most 10000"},
        {"[shooters]\ncount = 64\n[movement.m]\nsteps = [ {} ]\n[firing.f]\nsteps = [" + std::string(2000 * 3, ' ') +
             [] {
                 std::string many;
                 for (int i = 0; i < 2000; ++i) many += "{},";
                 return many;
             }() + "]\n",
         "p.toml:1:1: error: the shooters' programs would hold 128064 steps in all; at most 100000"},
        {"[shooters]\ncount = 1\nfiring = \"p0\"\n[movement.m]\nsteps = [{}]\n" + [] {
             std::string programs;
             for (int p = 0; p < 11; ++p) programs += "[firing.p" + std::to_string(p) + "]\nsteps = [" + [] {
                 std::string many;
                 for (int i = 0; i < MAX_STEPS; ++i) many += "{},";
                 return many;
             }() + "]\n";
             return programs;
         }(),
         "p.toml:25:9: error: with firing program 'p9' (10000 steps) the programs hold more than 100000 steps in all"},
        {patternWith("count = 2", "", ", targetRef = { shooter = 2 }"),
         "p.toml:6:52: error: targetRef follows shooter 2, but the shooters are 0 to 1"},
        {patternWith("count = 2\nmovement = \"nope\"", "", ""), "p.toml:3:12: error: no movement program 'nope'"},
        // The TOML reader's whitespace test reaches undefined behaviour on
        // U+0493 where whitespace may stand: refused before it gets there.
        {"[shooters]\ncount = 1\n[movement\xd2\x93rbits]\n",
         "p.toml:3:10: error: character U+0493 may stand only inside a string or a comment"},
        {"a = \"\"\"x\\\n  \xd2\x93\"\"\"\n", "p.toml:2:3: error: character U+0493 cannot follow a backslash"},
        // A quote within a bare value opens no string to the TOML reader, which scans on past it.
        {"[shooters]\ncount = 9\":m\xc6\x8b a\"\n",
         "p.toml:2:13: error: character U+018B may stand only inside a string or a comment"},
        // Bytes that are not UTF-8 at their own place, in a comment or on a
        // line of their own; a key defined twice at the second key.
        {"[shooters]\ncount = 1 # bad \xff\n", "p.toml:2:17: error: byte 0xFF is not UTF-8"},
        {patternWith("count = 1", "", "") + "\xff\n", "p.toml:7:1: error: byte 0xFF is not UTF-8"},
        {"[shooters]\ncount = 1\n  count = 2\n", "p.toml:3:3: error: 'count' is given twice"},
        {patternWith("count = 1", ", x = 1.0, \"x\" = 2.0", ""), "p.toml:4:37: error: '\"x\"' is given twice"},
        {"[firing.a]\n[firing.a]\n", "p.toml:2:1: error: 'firing.a' is given twice"},
        // The TOML reader's commonest mistakes in this project's words, at their place.
        {"[shooters]\ncount = \"3\nmovement = 1\n", "p.toml:2:9: error: this string is not closed"},
        {"[shooters]\ncount 3\n", "p.toml:2:7: error: a key needs = and its value"},
        {"[shooters]\ncount = three\n", "p.toml:2:9: error: this is no value"},
        {"[firing.f]\nsteps = [{ speed = 1 }\n", "p.toml:2:24: error: a list is not closed, or a , is missing"},
        {patternWith("count = 1", "", ", moveMode = \"circle\""),
         "p.toml:6:28: error: unknown field 'moveMode' in firing program 'f''s step 1: moveMode is a field of movement "
         "steps, not of firing steps"},
        {patternWith("count = 2", ", moveMode = \"spiral\"", ""),
         "p.toml:4:39: error: moveMode \"spiral\" is none of linear, wave-y, wave-x, rectified-wave-y, "
         "rectified-wave-x, circle, orbit"},
    };
    for (const auto& c : cases) {
        const Loaded loaded = parsePattern(c.text, "p.toml");
        EXPECT_TRUE(refused(loaded)) << c.expected;
        EXPECT_EQ(firstMessage(loaded).substr(0, c.expected.size()), c.expected);
    }
}

TEST(PatternLoader, AByteOrderMarkIsNoPartOfTheText) {
    const Loaded marked = parsePattern("\xEF\xBB\xBF" + patternWith("count = 1", ", x = 2.5", ""), "p.toml");
    EXPECT_FALSE(refused(marked)) << firstMessage(marked);
}

TEST(PatternLoader, ThreeMistakesAreAllReportedAndWarningsDoNotRefuse) {
    const Loaded three =
        parsePattern(patternWith("count = 2", ", radius = 1.5, moveMod = 5", ", bulletCount = -1"), "p.toml");
    ASSERT_EQ(three.messages.size(), 3u);
    EXPECT_EQ(formatMessage("p.toml", three.messages[0]), "p.toml:4:37: error: radius must be a whole number, not a number with a fraction");
    EXPECT_EQ(formatMessage("p.toml", three.messages[1]).substr(0, 43), "p.toml:4:42: error: unknown field 'moveMod'");
    EXPECT_EQ(formatMessage("p.toml", three.messages[2]), "p.toml:6:42: error: bulletCount must be from 0 to 256, not -1");

    const Loaded warned = parsePattern(patternWith("count = 2", "", ", spreadKind = 7, bulletMotion = 9"), "p.toml");
    EXPECT_FALSE(refused(warned));
    ASSERT_EQ(std::count_if(warned.messages.begin(), warned.messages.end(),
                            [](const Message& m) { return m.lint == "unknown-kind"; }),
              2);
    const auto kind = std::find_if(warned.messages.begin(), warned.messages.end(),
                                   [](const Message& m) { return m.lint == "unknown-kind"; });
    EXPECT_EQ(formatMessage("p.toml", *kind).substr(0, 60), "p.toml:6:41: warning: spreadKind 7 is none of the known ones");
    EXPECT_EQ(warned.pattern.firings[0].steps[0].step.spreadKind, 7);
}

// Mistakes do not hide each other, each misspelt name gets the name it was
// probably meant to be, and a pattern without programs says so once.
TEST(PatternLoader, EveryMistakeIsToldWithTheNameItProbablyMeant) {
    const auto all = [](const std::string& text) {
        std::string said;
        for (const Message& m : parsePattern(text, "p.toml").messages) said += formatMessage("p.toml", m) + "\n";
        return said;
    };
    EXPECT_EQ(all("[shooters]\ncont = 1\nmovement = \"wandr\"\n[movment.m]\nsteps = [{}]\n[movement.wander]\n"
                  "steps = [{}]\n[firing.f]\nstep = [{}]\ndefault = {}\nsteps = [{}]\n"),
              "p.toml:1:1: error: shooters.count is missing: how many shooters, 1 to 64\n"
              "p.toml:2:1: error: unknown field 'cont' in shooters; did you mean 'count'?\n"
              "p.toml:4:2: error: unknown table 'movment'; did you mean 'movement'?\n"
              "p.toml:9:1: error: unknown field 'step' in firing program 'f'; did you mean 'steps'?\n"
              "p.toml:10:1: error: unknown field 'default' in firing program 'f'; did you mean 'defaults'?\n");
    EXPECT_EQ(all("[shooters]\ncount = 2\nmovement = \"wandr\"\n[movement.wander]\nsteps = [{}]\n"
                  "[movement.b]\nsteps = [{}]\n[firing.f]\nsteps = [{}]\n"),
              "p.toml:3:12: error: no movement program 'wandr'; did you mean 'wander'?\n");
    // A name that holds an escape sequence is told as TOML writes it, never
    // sent raw to the terminal.
    EXPECT_EQ(all("[shooters]\ncount = 1\n\"\\u001b[31mRED\u202e\" = 2\n[movement.m]\nsteps = [{}]\n"
                  "[firing.f]\nsteps = [{}]\n"),
              "p.toml:3:1: error: unknown field '\\u001b[31mRED\\u202e' in shooters; they have count, phases, movement "
              "and firing\n");
    EXPECT_EQ(all("[shooters]\ncount = 1\n"),
              "p.toml:1:1: error: there are no movement programs: a pattern needs one, as [movement.NAME]\n"
              "p.toml:1:1: error: there are no firing programs: a pattern needs one, as [firing.NAME]\n");
}

// Each field of the table, set alone in a step, lands in its own member with
// the value written, and every other member keeps the default's value.
TEST(PatternLoader, EachFieldWritesItsOwnMemberAndNoOther) {
    const auto valueFor = [](const Field& field) -> std::string {
        switch (field.kind) {
            case FieldKind::Integer: return field.most >= 7 ? "7" : std::to_string(field.most);
            case FieldKind::Float: return "2.5";
            case FieldKind::Flag: return "true";
            case FieldKind::Named: return "\"" + std::string(field.names.back().name) + "\"";
            case FieldKind::Reference: return "[3.0, 4.0]";
            case FieldKind::Program:
            case FieldKind::Span: return "\"none\"";
        }
        return "";
    };
    const auto sizeOf = [](const Field& field) { return field.kind == FieldKind::Reference ? sizeof(Reference) : 4; };
    for (const bool firing : {false, true}) {
        const std::span<const Field> fields = firing ? FIRING_FIELDS : MOVEMENT_FIELDS;
        for (const Field& field : fields) {
            if (std::string(field.name) == "duration") continue;  // every step here sets it
            if (field.kind == FieldKind::Program || field.kind == FieldKind::Span) continue;  // names: with their own tests
            const std::string set = std::string(", ") + field.name + " = " + valueFor(field);
            const Loaded loaded = parsePattern(patternWith("count = 1", firing ? "" : set, firing ? set : ""), "p.toml");
            ASSERT_FALSE(refused(loaded)) << field.name << ": " << firstMessage(loaded);
            // The step as read, against a step that set only its duration.
            const Loaded plain = parsePattern(patternWith("count = 1", "", ""), "p.toml");
            const auto* read = firing ? reinterpret_cast<const char*>(&loaded.pattern.firings[0].steps[0])
                                      : reinterpret_cast<const char*>(&loaded.pattern.movements[0].steps[0]);
            const auto* before = firing ? reinterpret_cast<const char*>(&plain.pattern.firings[0].steps[0])
                                        : reinterpret_cast<const char*>(&plain.pattern.movements[0].steps[0]);
            for (const Field& other : fields) {
                const bool same = std::memcmp(read + other.offset, before + other.offset, sizeOf(other)) == 0;
                if (&other == &field) {
                    EXPECT_FALSE(same) << field.name << " was not written";
                } else if (std::string(other.name) != "duration") {
                    EXPECT_TRUE(same) << field.name << " wrote " << other.name;
                }
            }
            int32_t value = 0;
            std::memcpy(&value, read + field.offset, sizeof value);
            const int32_t expected = field.kind == FieldKind::Integer ? std::stoi(valueFor(field))
                                     : field.kind == FieldKind::Flag  ? -1
                                     : field.kind == FieldKind::Named ? field.names.back().value
                                     : field.kind == FieldKind::Float ? std::bit_cast<int32_t>(2.5f)
                                                                      : value;
            EXPECT_EQ(value, expected) << field.name;
        }
    }
}

// Each warning of what the engine will do that a text probably did not mean:
// a text that gets it, at its place and with its name, and the same text put
// right, or silenced with a comment, that does not.
std::string without(std::string text, const std::string& piece) {
    return text.erase(text.find(piece), piece.size());
}

TEST(PatternLoader, EachLintWarnsWhereItsSurpriseIsAndOnlyThere) {
    const std::string shooters = "[shooters]\ncount = 1\n";
    const std::string body = "[movement.m]\nsteps = [ { duration = 60, active = true } ]\n";
    const auto gun = [](const std::string& step) {
        return "[firing.f]\nsteps = [ { duration = 60, active = true, bulletCount = 256, fireDelay = 1" + step + " } ]\n";
    };
    const struct {
        const char* lint;
        std::string text;      // warned
        std::string put;       // put right: not warned
        std::string expected;  // the warning's place
    } cases[] = {
        {"stacked-volley", shooters + body + gun(", volleySize = 3"), shooters + body + gun(", volleySize = 3, sweepDir = 1"),
         "p.toml:6:77:"},
        {"origin-default", shooters + body + without(gun(", volleySize = 1, fireDelay = 0"), "fireDelay = 1, "),
         shooters + body + gun(", volleySize = 1, originX = 5.0, originY = 5.0"), "p.toml:6:78:"},
        {"short-step", shooters + "[movement.m]\nsteps = [ { active = true } ]\n" + gun(""), shooters + body + gun(""),
         "p.toml:4:11:"},
        {"short-step", shooters + "[movement.m]\nsteps = [ { active = true, duration = -1 } ]\n" + gun(""),
         shooters + body + gun(""), "p.toml:4:28:"},
        {"unused-program", shooters + "movement = \"m\"\n" + body + "[movement.spare]\nsteps = [ { duration = 9 } ]\n" + gun(""),
         shooters + body + gun(""), "p.toml:6:11:"},
        {"never-active", shooters + "[movement.m]\nsteps = [ { duration = 60 } ]\n" + gun(""), shooters + body + gun(""),
         "p.toml:3:11:"},
        {"unused-angle", shooters + body + gun(", aimAtTarget = true, angle = 45"), shooters + body + gun(", angle = 45"),
         "p.toml:6:97:"},
        {"unused-angle", "[shooters]\ncount = 2\nphases = 90\n" + body + gun(", aimAtTarget = true"),
         "[shooters]\ncount = 2\nphases = 90\n" + body + gun(""), "p.toml:3:10:"},
        {"unread-field", shooters + "[movement.m]\nsteps = [ { duration = 60, active = true, radius = 5 } ]\n" + gun(""),
         shooters + "[movement.m]\nsteps = [ { duration = 60, active = true, radius = 5, moveMode = \"circle\" } ]\n" + gun(""),
         "p.toml:4:43:"},
        {"few-slots", shooters + body + without(gun(", volleySize = 1, bulletCount = 0"), "bulletCount = 256, "),
         shooters + body + gun(", volleySize = 1"), "p.toml:6:74:"},
        {"unknown-kind", shooters + body + gun(", volleySize = 2, sweepDir = 1, spreadKind = 9"),
         shooters + body + gun(", volleySize = 2, sweepDir = 1, spreadKind = \"wall\""), "p.toml:6:120:"},
        {"shared-draws", "[shooters]\ncount = 2\n" + body + gun(", speed = \"= rand()\""),
         "[shooters]\ncount = 2\n" + body + gun(", speed = \"= rand() + 0 * shooter\""), "p.toml:5:9:"},
        {"no-target", shooters + body + gun(", volleySize = 1, aimAtTarget = true"),
         shooters + body + gun(", volleySize = 1, aimAtTarget = true, targetRef = { shooter = 0 }"), "p.toml:6:93:"},
        {"never-runs", shooters + "[movement.m]\nsteps = [ { duration = 60, active = true }, { duration = 60 }, "
                                  "{ duration = 60, active = true } ]\n" + gun(""),
         shooters + "[movement.m]\nsteps = [ { duration = 60, active = true }, { duration = 60, active = true } ]\n" +
             gun(""),
         "p.toml:4:64:"},
    };
    for (const auto& c : cases) {
        const Loaded warned = parsePattern(c.text, "p.toml");
        ASSERT_FALSE(refused(warned)) << c.lint << ": " << firstMessage(warned);
        const auto named = std::find_if(warned.messages.begin(), warned.messages.end(),
                                        [&](const Message& m) { return m.lint == c.lint; });
        ASSERT_NE(named, warned.messages.end()) << c.lint << " not warned in:\n" << c.text;
        EXPECT_EQ(formatMessage("p.toml", *named).substr(0, c.expected.size()), c.expected) << c.lint;
        EXPECT_NE(formatMessage("p.toml", *named).find("[" + std::string(c.lint) + "]"), std::string::npos);
        const Loaded right = parsePattern(c.put, "p.toml");
        EXPECT_TRUE(right.messages.empty()) << c.lint << ": " << firstMessage(right);
        // The same text with the warning allowed on the line before its own.
        std::string allowed = c.text;
        size_t at = 0;
        for (int32_t l = 1; l < named->line; ++l) at = allowed.find('\n', at) + 1;
        allowed.insert(at, "# allow: " + std::string(c.lint) + " (meant)\n");
        const Loaded silenced = parsePattern(allowed, "p.toml");
        EXPECT_TRUE(std::none_of(silenced.messages.begin(), silenced.messages.end(),
                                 [&](const Message& m) { return m.lint == c.lint; }))
            << c.lint << " not silenced";
    }
}

// A text of thousands of mistakes gives the first hundred in file order and
// how many more, as a compiler does; the shooters' table, read first but
// written last, does not push the first mistakes out.
TEST(PatternLoader, AtMostAHundredMessagesThenHowManyMore) {
    std::string text = "[movement.m]\nsteps = [ { duration = 10 } ]\n[firing.f]\nsteps = [ { duration = 10 } ]\n"
                       "[movement.m.defaults]\n";
    for (int i = 0; i < 5'000; ++i) text += "duraton" + std::to_string(i) + " = 1\n";
    text += "[shooters]\ncont = 1\n";
    const Loaded loaded = parsePattern(text, "p.toml");
    EXPECT_TRUE(refused(loaded));
    ASSERT_EQ(loaded.messages.size(), MAX_MESSAGES);
    EXPECT_EQ(loaded.messages.front().line, 6);
    EXPECT_EQ(loaded.messages.back().line, 6 + static_cast<int32_t>(MAX_MESSAGES) - 1);
    EXPECT_EQ(unshownNote(loaded), "4902 more errors not shown");
    // On a line of a thousand mistakes only the part around each is shown.
    std::string line = "[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 10 } ]\n[firing.f]\nsteps = [ {";
    for (int i = 0; i < 1'000; ++i) line += (i ? ", k" : " k") + std::to_string(1000 + i) + " = 1";
    const Loaded long_ = parsePattern(line + " } ]\n", "p.toml");
    const std::string shown = formatWithSource(long_, long_.messages.at(50), false);
    EXPECT_EQ(shown.substr(shown.find('\n') + 1),
              " 6 | ...= 1, k1045 = 1, k1046 = 1, k1047 = 1, k1048 = 1, k1049 = 1, k1050 = 1, k1051 = 1, k1052 = 1, "
              "k1053 = 1, k1054 = 1, k1055 = 1,...\n"
              "   |                                                                ^~~~~\n");
}

// 64 bullets a frame that never move fill the 256 slots in four frames; from
// the fifth every volley is lost, and the check says so at the step.
TEST(PatternLoader, AVolleyThatFindsTheStoreFullIsWarnedFromItsFirstFrame) {
    Loaded loaded = parsePattern(
        "[shooters]\ncount = 1\n[movement.still]\nsteps = [ { duration = 100, x = 320.0, y = 240.0, active = true } ]\n"
        "[firing.hose]\nsteps = [\n  { duration = 100, active = true, bulletCount = 256, volleySize = 64, "
        "spreadStep = 5, sweepDir = 1, fireDelay = 0, originX = 320.0, originY = 240.0 },\n]\n",
        "p.toml");
    ASSERT_FALSE(refused(loaded)) << formatMessage("p.toml", loaded.messages.front());
    simulateForWarnings(loaded, 1'000);
    ASSERT_EQ(loaded.messages.size(), 1u);
    EXPECT_EQ(formatMessage("p.toml", loaded.messages[0]),
              "p.toml:7:3: warning: 63744 bullets of this step's volleys found no free slot (all 256 slots live) in "
              "the first 1000 frames, from frame 5 on (shooter 0) [full-store]");

    // A gun with no slots is told of once, as it is read, not again as full.
    Loaded none = parsePattern(
        "[shooters]\ncount = 1\n[movement.still]\nsteps = [ { duration = 100, active = true } ]\n"
        "[firing.dry]\nsteps = [ { duration = 100, active = true, volleySize = 1, fireDelay = 1 } ]\n",
        "p.toml");
    simulateForWarnings(none, 1'000);
    ASSERT_EQ(none.messages.size(), 1u);
    EXPECT_EQ(none.messages[0].lint, "few-slots");
}

// A number is read from its own text whatever stands before it on its line:
// names of one- to four-byte characters, and numbers of every form.
TEST(PatternLoader, NumbersAreReadExactlyAfterAnyTextOnTheirLine) {
    const char* names[] = {"go", "w\xc3\xa4", "go\xe2\x82\xac", "go\xf0\x9f\x98\x80",
                           "\xf0\x9f\x98\x80\xc3\xa4\xe2\x82\xac\xf0\x9f\x98\x80"};
    const char* numbers[] = {"1234.5", "1.5", "-0.1", "+3.25", "1e3", "6.02e-3", "1_000.125", "16777217.0",
                             "1.000000059604644775390625001", "7", "-12_345", "3.40282347e38"};
    for (const char* name : names) {
        for (const char* number : numbers) {
            const std::string text = std::string("[shooters]\ncount = 1\n[movement]\n\"") + name +
                                     "\" = { steps = [ { duration = 1, x = " + number + ", angle = 45 } ] }\n"
                                     "[firing]\n\"" + name + "\" = { steps = [ { speed = " + number +
                                     ", targetRef = [" + number + ", " + number + "], burstPause = -77 } ] }\n";
            const Loaded loaded = parsePattern(text, "p.toml");
            if (refused(loaded)) {
                ADD_FAILURE() << text << firstMessage(loaded);
                continue;
            }
            std::string digits;
            for (const char* c = number; *c; ++c) {
                if (*c != '_') digits += *c;
            }
            const float expected = std::strtof(digits.c_str(), nullptr);
            const FiringStep& fired = loaded.pattern.firings[0].steps[0];
            for (const float read : {loaded.pattern.movements[0].steps[0].step.x, fired.step.speed, fired.target.x,
                                     fired.target.y}) {
                EXPECT_EQ(std::memcmp(&read, &expected, sizeof read), 0)
                    << number << " after \"" << name << "\" read as " << read;
            }
            EXPECT_EQ(loaded.pattern.movements[0].steps[0].step.angle, 45) << name;
            EXPECT_EQ(fired.step.burstPause, -77) << name;
        }
    }
}

TEST(PatternLoader, FilesThatAreNoPatternAreRefusedInOneLine) {
    char folder[] = "/tmp/barrage-patterns-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    std::ofstream(dir + "/big.toml") << std::string(MAX_FILE_BYTES + 1, '#');
    std::ofstream(dir + "/bytes.toml") << "[shooters]\ncount = 1 # \xff\xfe\n";
    ASSERT_EQ(mkfifo((dir + "/fifo.toml").c_str(), 0600), 0);
    const struct {
        std::string path;
        std::string expected;
    } cases[] = {
        {dir, "error: it is a folder"},
        {dir + "/fifo.toml", "error: it is not a regular file"},
        {"/dev/zero", "error: it is not a regular file"},
        {dir + "/big.toml", "error: it has 1048577 bytes; a pattern file has at most 1 MiB"},
        {dir + "/gone.toml", "error: cannot read it: No such file or directory"},
        {dir + "/bytes.toml", "2:13: error: byte 0xFF is not UTF-8"},
    };
    for (const auto& c : cases) {
        const Loaded loaded = loadPattern(c.path);
        ASSERT_EQ(loaded.messages.size(), 1u) << c.path;
        EXPECT_NE(formatMessage(c.path, loaded.messages[0]).find(c.expected), std::string::npos)
            << formatMessage(c.path, loaded.messages[0]);
    }
    std::system(("rm -rf " + dir).c_str());
}

}  // namespace
}  // namespace pattern
