// What a file says once for many: repetitions with their index, parameters
// set from outside, rank and seed, programs read for each shooter. They give
// the flat steps the engine takes, which the flat text gives back exactly.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "pattern/Pattern.h"

namespace pattern {
namespace {

const char* const FORMS = R"toml([params]
arms = 4
rank = 0.25

[shooters]
count = "= arms"

[movement.ring]
steps = [ { duration = 60, x = "= 320 + 100 * cos(shooter * 360 / shooters)", y = 240.0, active = true } ]

[firing.fan]
defaults = { active = true, bulletCount = 256, fireDelay = 1 }
steps = [
  { repeat = "= 2 + round(rank * 4)", index = "k", duration = 10, angle = "= 10 * k", speed = "= 1.5 * 2 ^ k" },
  { repeat = 2, steps = [ { duration = "= 5 + i" }, { duration = 1, speed = "= rand()" } ] },
]
)toml";

TEST(PatternForms, RepetitionsParametersAndTheShooterGiveTheFlatSteps) {
    const Loaded loaded = parsePattern(FORMS, "p.toml");
    ASSERT_FALSE(refused(loaded)) << formatMessage("p.toml", loaded.messages.front());
    const Pattern& p = loaded.pattern;
    ASSERT_EQ(p.shooterCount, 4);
    // The ring, read for each shooter: four programs, each its own x.
    ASSERT_EQ(p.movements.size(), 4u);
    const float x[] = {420.0f, 320.0f, 220.0f, 320.0f};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(p.movements[static_cast<size_t>(p.movementOf[i])].steps.at(0).step.x, x[i]) << i;
    }
    // 2 + round(0.25 * 4) = 3 repeats, then the group twice.
    const std::vector<FiringStep>& fan = p.firings.at(0).steps;
    ASSERT_EQ(fan.size(), 3u + 4u);
    for (int32_t k = 0; k < 3; ++k) {
        EXPECT_EQ(fan[static_cast<size_t>(k)].step.angle, 10 * k);
        EXPECT_EQ(fan[static_cast<size_t>(k)].step.speed, 1.5f * static_cast<float>(1 << k));
        EXPECT_EQ(fan[static_cast<size_t>(k)].step.bulletCount, 256);  // the defaults under each
    }
    EXPECT_EQ(fan[3].step.duration, 5);
    EXPECT_EQ(fan[5].step.duration, 6);
    EXPECT_NE(fan[4].step.speed, fan[6].step.speed);  // two draws

    // The flat text reads back to the same pattern, byte for byte.
    Loaded flat = parsePattern(flatPattern(loaded), "p.toml");
    ASSERT_FALSE(refused(flat)) << formatMessage("flat.toml", flat.messages.front());
    Pattern placed = p;  // where the steps stand in their text is no part of what they do
    for (Pattern* each : {&placed, &flat.pattern}) {
        for (FiringProgram& program : each->firings) {
            for (FiringStep& step : program.steps) step.line = step.column = 0;
        }
    }
    EXPECT_EQ(packPattern(flat.pattern), packPattern(placed));
    // A name that needs quoting, a control character in it, reads back too.
    const Loaded odd = parsePattern(
        "[shooters]\ncount = 1\n[movement.\"a\\u0001\\\"b\"]\nsteps = [ { duration = 9 } ]\n[firing.f]\nsteps = [ {} ]\n",
        "p.toml");
    ASSERT_FALSE(refused(odd));
    EXPECT_FALSE(refused(parsePattern(flatPattern(odd), "p.toml"))) << flatPattern(odd);
    // So do the copies of a program read for each shooter beside a program of a copy's name.
    const Loaded copies = parsePattern(
        "[shooters]\ncount = 3\nmovement = [\"a\", \"a\", \"a@1\"]\n[movement.a]\nsteps = [ { x = \"= shooter\" } ]\n"
        "[movement.\"a@1\"]\nsteps = [ { x = 7.0 } ]\n[firing.f]\nsteps = [ {} ]\n",
        "p.toml");
    ASSERT_FALSE(refused(copies));
    const Loaded copiesFlat = parsePattern(flatPattern(copies), "p.toml");
    ASSERT_FALSE(refused(copiesFlat)) << formatMessage("p.toml", copiesFlat.messages.front());
    for (size_t i = 0; i < 3; ++i) {
        const auto xOf = [&](const Pattern& q) { return q.movements[static_cast<size_t>(q.movementOf[i])].steps[0].step.x; };
        EXPECT_EQ(xOf(copiesFlat.pattern), xOf(copies.pattern)) << i;
        EXPECT_EQ(xOf(copies.pattern), i == 2 ? 7.0f : static_cast<float>(i)) << i;
    }

    // Set from outside: rank changes the density; the seed, the draws.
    const Loaded harder = parsePattern(FORMS, "p.toml", {{"rank", 1.0}, {"arms", 2}});
    EXPECT_EQ(harder.pattern.shooterCount, 2);
    EXPECT_EQ(harder.pattern.firings.at(0).steps.size(), 6u + 4u);
    const Loaded again = parsePattern(FORMS, "p.toml");
    const Loaded reseeded = parsePattern(FORMS, "p.toml", {{"seed", 1}});
    EXPECT_EQ(packPattern(again.pattern), packPattern(p));
    EXPECT_NE(packPattern(reseeded.pattern), packPattern(p));
}

TEST(PatternForms, MistakesAreTakenAtTheirPlaceAndLimitsBeforeMemory) {
    const auto first = [](const std::string& text, const std::vector<Binding>& settings = {}) {
        const Loaded loaded = parsePattern(text, "p.toml", settings);
        return loaded.messages.empty() ? std::string("no message") : formatMessage("p.toml", loaded.messages.front());
    };
    const std::string head = "[shooters]\ncount = 2\n[movement.m]\nsteps = [ { duration = 10 } ]\n[firing.f]\nsteps = [ ";
    // The column within the expression: after the quote and the "=".
    EXPECT_EQ(first(head + "{ duration = \"= 4 / (2 - 2)\" } ]\n"),
              "p.toml:6:29: error: duration: division by zero");
    EXPECT_EQ(first(head + "{ angle = \"= 10 / 4\" } ]\n"),
              "p.toml:6:21: error: angle: the expression gives 2.5, not a whole number (round() or floor() makes one)");
    EXPECT_EQ(first(head + "{ speed = \"= 1e30 * 1e30\" } ]\n"),
              "p.toml:6:21: error: speed: the expression gives 1e+60, beyond +-3.4e38 (a single-precision float)");
    EXPECT_EQ(first("[shooters]\ncount = \"= shooter\"" + head.substr(head.find('\n', 12)) + "{} ]\n"),
              "p.toml:2:12: error: shooters.count: no name 'shooter'");
    // A repetition past the limits is refused before a step of it is made.
    EXPECT_EQ(first(head + "{ repeat = 2000000000, duration = 1 } ]\n"),
              "p.toml:6:22: error: firing program 'f''s step 1's repeat must be from 0 to 10000, not 2000000000");
    EXPECT_EQ(first(head + "{ repeat = 100, steps = [ { repeat = 101, index = \"j\" } ] } ]\n"),
              "p.toml:6:9: error: firing program 'f' has more than 10000 steps once its repetitions are counted out");
    // Repeats of nothing stop too: 10,000 cubed repeats of no step.
    EXPECT_EQ(first(head + "{ repeat = 10000, steps = [ { repeat = 10000, index = \"j\", steps = [ { repeat = 10000, "
                           "index = \"k\", steps = [ { repeat = 0, index = \"n\" } ] } ] } ] } ]\n"),
              "p.toml:6:9: error: firing program 'f''s repetitions go through more than 160000 steps and repeats in "
              "all, counting those that repeat 0 times");
    std::string many = "[shooters]\ncount = 64\n[movement.m]\nsteps = [{ active = true }]\n[firing.f]\nsteps = [{ repeat = \"= 1000 + shooter\", duration = 1 }]\n";
    EXPECT_FALSE(refused(parsePattern(many, "p.toml")));  // 66,080 steps: under the world's limit
    many.replace(many.find("1000 + shooter"), 14, "2000 + shooter");
    EXPECT_EQ(first(many), "p.toml:6:9: error: with firing program 'f' (2049 steps) the programs hold 101226 steps, "
                           "more than the 100000 they may hold in all (where shooter = 49)");
    // Told at the program that takes them past it in file order, whatever the names' order.
    std::string past = "[shooters]\ncount = 1\nfiring = \"p0\"\n[movement.z]\nsteps = [{ duration = 1 }]\n";
    for (int k = 0; k < 10; ++k) past += "[firing.p" + std::to_string(k) + "]\nsteps = [{ repeat = 10000 }]\n";
    EXPECT_EQ(first(past), "p.toml:25:9: error: with firing program 'p9' (10000 steps) the programs hold 100001 steps, "
                           "more than the 100000 they may hold in all");
    // A warning that holds for some repeats of a step says which.
    const Loaded some = parsePattern(head + "{ repeat = 3, duration = 9, active = true, bulletCount = 9, fireDelay = 1, "
                                            "volleySize = \"= i\", spreadStep = 10, sweepDir = 1 } ]\n",
                                     "p.toml");
    ASSERT_EQ(some.messages.size(), 2u);  // and the head's movement, never active
    EXPECT_EQ(formatMessage("p.toml", some.messages[1]),
              "p.toml:6:106: warning: spreadStep is not read by this step: a volley of one bullet flies at the angle "
              "(where i = 0, and where i = 1) [unread-field]");
    // A value that follows rank is checked at rank 0 and 1 too: each mistake
    // found there only is told with its rank.
    Loaded ranked = parsePattern(head + "{ spreadStep = \"= min(1, 2 * rank) + rank / 2 - 0.25\" } ]\n", "p.toml");
    ASSERT_FALSE(refused(ranked));
    checkAtEveryRank(ranked, {}, false);
    ASSERT_EQ(errorCount(ranked), 2);
    EXPECT_EQ(formatMessage("p.toml", ranked.messages.back()),
              "p.toml:6:26: error: spreadStep: the expression gives 1.25, not a whole number (round() or floor() "
              "makes one) (at rank 1)");
    // rand() draws in file order: a count in a later program leaves an earlier one's draws as they were.
    const auto drawn = [](int repeats) {
        const Loaded loaded = parsePattern("[shooters]\ncount = 1\n[movement.m]\nsteps = [{ x = \"= rand()\" }]\n"
                                           "[firing.f]\nsteps = [{ repeat = " + std::to_string(repeats) +
                                               ", speed = \"= rand()\" }]\n", "p.toml");
        return loaded.pattern.movements.at(0).steps.at(0).step.x;
    };
    EXPECT_EQ(drawn(1), drawn(3));
    // Working out has a budget: 64 shooters x 1,500 repeats x 2,000
    // operations are refused, at once, where they run out.
    std::string costly = "[shooters]\ncount = 64\n[movement.m]\nsteps = [{ active = true }]\n[firing.f]\nsteps = "
                         "[{ repeat = 1500, steps = [{ duration = 1, speed = \"= shooter * 0";
    for (int k = 0; k < 1000; ++k) costly += " + 1";
    costly += "\" }] }]\n";
    EXPECT_EQ(first(costly).substr(0, 101),
              "p.toml:6:60: error: speed: working out the pattern's expressions takes more than 100000000 operations");
    // A name means one thing: no parameter is named as the shooter, and no
    // index hides a parameter, rank or seed, the shooter or another index.
    EXPECT_EQ(first("[params]\nshooter = 7\n" + head + "{} ]\n"),
              "p.toml:2:1: error: 'shooter' cannot name a parameter: it is the number of the shooter a program is read "
              "for, which no setting changes");
    for (const auto& [params, step, hidden] :
         {std::tuple{"", "{ repeat = 2, index = \"rank\" }", "rank"}, {"[params]\ni = 1\n", "{ repeat = 2 }", "the parameter 'i'"},
          {"", "{ repeat = 2, steps = [{ repeat = 2 }] }", "the index of the repetition around it"},
          {"", "{ repeat = 2, index = \"shooter\" }", "the shooter's number"}}) {
        EXPECT_NE(first(params + head + step + " ]\n").find("would hide " + std::string(hidden) + " inside it"),
                  std::string::npos)
            << first(params + head + step + " ]\n");
    }
    // Steps repeated 0 times make no step, but their mistakes are told all the same.
    const Loaded unmade = parsePattern(head + "{ repeat = 0, steps = [ { speeed = 1, angle = 1.5, volleySize = 999 }, "
                                              "{ repeat = 9223372036854775807 } ] }, { repeat = 0, speed = \"= 1/0\" }, {} ]\n",
                                       "p.toml");
    EXPECT_EQ(errorCount(unmade), 5);
    EXPECT_EQ(formatMessage("p.toml", unmade.messages.at(4)), "p.toml:6:146: error: speed: division by zero (in steps repeated 0 times, read with i = 0)");
    // Mistakes of form: no one repeat's or shooter's.
    EXPECT_EQ(first(head + "{ repeat = 2, speed = \"= shooter % 2\" } ]\n"),
              "p.toml:6:44: error: speed: '%' cannot stand here");
    // Parameters: set from outside and checked.
    EXPECT_EQ(first(head + "{} ]\n", {{"rnak", 1}}),
              "p.toml: error: --set rnak: the pattern has no parameter 'rnak'; did you mean 'rank'? (it has rank, "
              "seed)");
    EXPECT_EQ(first(head + "{} ]\n", {{"rank", 2}}), "p.toml: error: --set rank=2: rank must be from 0 to 1");
    EXPECT_EQ(first("[params]\nseed = 1.5\n" + head + "{} ]\n"),
              "p.toml:2:8: error: seed must be a whole number from -9000000000000000 to 9000000000000000, not 1.5");
    EXPECT_EQ(first(head + "{} ]\n", {{"seed", 9000000000000001.0}}),
              "p.toml: error: --set seed=9000000000000001: seed must be a whole number from -9000000000000000 to "
              "9000000000000000");
    EXPECT_EQ(first(head + "{ repeat = \"= 1e300\" } ]\n"),
              "p.toml:6:22: error: firing program 'f''s step 1's repeat must be from 0 to 10000, not 1e+300 (the "
              "expression's value)");
    // A mistake in a repeated step is told once, with the repeat it is in.
    const Loaded repeated = parsePattern(head + "{ repeat = 50, angle = \"= i / 3\" } ]\n", "p.toml");
    EXPECT_EQ(errorCount(repeated), 1);
    EXPECT_EQ(formatMessage("p.toml", repeated.messages.at(0)),
              "p.toml:6:34: error: angle: the expression gives 0.333333333, not a whole number (round() or floor() "
              "makes one) (where i = 1)");
}

}  // namespace
}  // namespace pattern
