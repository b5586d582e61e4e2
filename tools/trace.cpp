// barrage-trace FRAMES [EVERY]: runs the demonstration's own set-up and frame
// pass with no window and no pacing, and prints the simulation state after
// every EVERY-th frame and after the last one. The format is a published
// interface for regression tests and for comparing runs:
//
//   frame <f>
//   ship <x> <y> <hits> <grazes>     (only with a ship: a [player] table, a
//                                     step aiming at the player, or --replay)
//   shooter <i> <active> <x> <y> <angle> <emitterListIndex> <turret angle>
//           <sweepDir> <fireDelay> <shotIndex> <turretListIndex> <live>
//   bullet <slot> <x> <y> <vx> <vy> <age>
//
// (each shooter line is one line), floats as %.9g; hits and grazes so far.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "world/World.h"
#include "command/Arguments.h"
#include "command/PatternOption.h"

namespace {

void printShooter(int32_t index, const actor::Shooter& s) {
    const int32_t slots = actor::usedSlots(s);
    std::printf("shooter %d %d %.9g %.9g %d %d %d %d %d %d %d %d\n", index, s.emitter.active,
                static_cast<double>(s.emitter.x), static_cast<double>(s.emitter.y), s.emitter.angle,
                s.emitterListIndex, s.turret.angle, s.turret.sweepDir, s.turret.fireDelay, s.turret.shotIndex,
                s.turretListIndex, actor::liveBullets(s));
    for (int32_t j = 0; j < slots; ++j) {
        const bullets::Bullet& b = s.bullets[j];
        if (!b.alive) continue;
        std::printf("bullet %d %.9g %.9g %.9g %.9g %d\n", j, static_cast<double>(b.x), static_cast<double>(b.y),
                    static_cast<double>(b.vx), static_cast<double>(b.vy), b.age);
    }
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("Runs the demonstration with no window and no pacing and prints its state after every EVERY-th "
                 "frame and after the last one.",
                 "barrage-trace");
    constexpr int64_t MOST = 999'999'999'999;
    std::string framesText, everyText = "1";
    app.add_option("FRAMES", framesText, "frames to run")->check(command::countFrom1To(MOST));
    app.add_option("EVERY", everyText, "print every EVERY-th frame (default 1)")->check(command::countFrom1To(MOST));
    std::string patternName;
    std::vector<std::string> sets;
    bool checkOnly = false, expand = false;
    command::addPatternOption(app, patternName, sets, "a pattern file, or the name of a sample pattern");
    app.add_flag("--check", checkOnly, "only check the pattern: print its errors and warnings")->needs("--pattern");
    app.add_flag("--expand", expand,
                 "print the pattern flat, its repetitions, parameters and expressions worked out: a pattern file "
                 "that reads back to the same trace")
        ->needs("--pattern");
    std::string replayPath;
    command::addReplayOption(app, replayPath)->excludes("--check")->excludes("--expand");
    if (const int status = command::parseArguments(app, argc, argv); status >= 0) return status;
    replay::Recording recording;
    if (const int status = command::readReplay(replayPath, recording, patternName, sets); status >= 0) return status;
    // Each of the three prints something of its own: asked for together, one would be left out unsaid.
    if (checkOnly && expand) return command::usageError(app, "--check and --expand print different things: ask for one");
    if ((checkOnly || expand) && !framesText.empty()) {
        return command::usageError(app, std::string(checkOnly ? "--check" : "--expand") +
                                            " runs no frames: FRAMES and EVERY are for a trace");
    }
    command::ChosenPattern chosen;
    if (const int status = command::choosePattern(chosen, patternName, sets, checkOnly); status >= 0 || checkOnly) {
        return status >= 0 ? status : 0;
    }
    if (expand) {
        const std::string flat = pattern::flatPattern(*chosen.loaded);
        std::fwrite(flat.data(), 1, flat.size(), stdout);
        if (flat.size() > static_cast<size_t>(pattern::MAX_FILE_BYTES)) {
            std::fprintf(stderr, "%s: note: the flat text has %zu bytes, more than a pattern file may have (1 MiB): "
                         "the tools will not read it back as a file\n", chosen.path.c_str(), flat.size());
        }
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    if (framesText.empty()) return command::usageError(app, "FRAMES is required");
    const int64_t frames = command::countOf(framesText), every = command::countOf(everyText);
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    if (!replayPath.empty()) command::sayWhetherTheSame(replayPath, recording, chosen);
    world::World pass;
    world::setUpWorld(pass, command::makerOf(chosen));
    if (!replayPath.empty()) pass.ship.present = -1;  // a recording steers the ship, whatever the pattern says
    // A write that fails sets the stream's error flag, and what it held is
    // gone: stop there rather than simulate on for nobody.
    int writeError = 0;
    for (int64_t frame = 1; frame <= frames && !writeError; ++frame) {
        pass.ship.move = frame <= static_cast<int64_t>(recording.moves.size())
                             ? recording.moves[static_cast<size_t>(frame - 1)] : world::MOVE_NONE;
        world::stepWorld(pass);
        if (frame % every != 0 && frame != frames) continue;
        std::printf("frame %lld\n", static_cast<long long>(frame));
        if (pass.ship.present) {
            std::printf("ship %.9g %.9g %d %d\n", static_cast<double>(pass.ship.x), static_cast<double>(pass.ship.y),
                        pass.ship.hits, pass.ship.grazes);
        }
        for (int32_t i = 0; i < pass.count; ++i) printShooter(i, pass.shooters[i]);
        if (std::ferror(stdout)) writeError = errno ? errno : EIO;
    }
    world::tearDownWorld(pass);
    if (!writeError && (std::fflush(stdout) != 0 || std::ferror(stdout))) writeError = errno ? errno : EIO;
    if (writeError) {
        std::fprintf(stderr, "barrage-trace: write error: %s\n", std::strerror(writeError));
        return 1;
    }
    return 0;
}
