// barrage-view [--frame N] [--paused] [--speed X] [--replay FILE]: the
// demonstration on a timeline, to study its patterns. It opens on frame N
// (default 1), playing unless --paused, at X times the program's speed (1/4,
// 1/2, 1, 2 or 4). Under the picture a status strip gives the frame, the live
// bullets and where each shooter's programs stand. `f` flies the player's
// ship against the pattern, every run a recording that `k` writes to a file
// and --replay plays again.
#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "display/Control.h"
#include "display/Display.h"
#include "display/Pacer.h"
#include "display_sdl/SdlWindow.h"
#include "display_terminal/Terminal.h"
#include "timeline/Viewer.h"
#include "command/Arguments.h"
#include "command/PatternOption.h"
#include "world/Scenario.h"
#include "tools/ReplaceFile.h"

namespace {

constexpr const char* KEYS =
    "Keys:\n"
    "  Space play/pause   Right or . one frame on   Left or , one frame back   Home frame 1\n"
    "  1-5 speed x1/4 x1/2 x1 x2 x4   g digits Enter go to a frame   t trails   p path preview\n"
    "  a (or z), b loop from, to this frame   c no loop   [ ] the strip's shooters   0 a reload replays from frame 1\n"
    "  r read the pattern again (it is also read again whenever its file changes)\n"
    "  f fly the ship: arrows or WASD steer it, Shift held slower with its hitbox (while flying, . and , step,\n"
    "    z is the loop's from)   > < the next, previous hit   h pause at each hit   k write the recording\n"
    "  y whether it can be survived: the difficulty strip and where the ship could be (y again hides them)\n"
    "  u play the way through\n"
    "  Escape, q or the window's close button end it\n";

// What the keys do, for the terminal's first line when there is no display.
constexpr const char* KEY_HELP =
    "Space plays or pauses, Right or . and Left or , step, Home goes to frame 1, 1-5 set the speed, "
    "g digits Enter go to a frame, t trails, p paths, a b c loop, [ ] shooters, 0 replay, f flies the ship "
    "(arrows or WASD, upper case slower), > < hits, k writes the recording, y can it be survived, u the way "
    "through, q or Escape (or Ctrl+C) quits.";

int32_t speedIndex(const char* text) {
    constexpr const char* DECIMALS[timeline::SPEED_COUNT] = {"0.25", "0.5", "1.0", "2.0", "4.0"};
    for (int32_t i = 0; i < timeline::SPEED_COUNT; ++i) {
        if (std::strcmp(text, timeline::SPEED_NAMES[i]) == 0 || std::strcmp(text, DECIMALS[i]) == 0) return i;
    }
    return -1;
}

constexpr int64_t LOOK_INTERVAL_NS = 250'000'000;  // the pattern file is looked at four times a second
constexpr int64_t CHECK_SLICE_NS = 8'000'000;  // the full-store check's share of a tick, once no seek is under way
constexpr int64_t CHECK_FRAMES_AT_ONCE = 16;   // frames of the check between looks at the clock

// What identifies a version of the pattern file on disk: its bytes, and
// whether it can be read (a change of mode moves the change time).
struct FileStamp {
    int64_t seconds = 0;      // modification time
    int64_t nanoseconds = 0;
    int64_t changeSeconds = 0;      // change time: contents, mode or owner
    int64_t changeNanoseconds = 0;
    int64_t size = -1;        // bytes; -1: not there
    int64_t inode = 0;        // a file saved by renaming a new one over it has a new inode
    int64_t mode = 0;         // permissions and kind
    bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::string& path) {
    struct stat status{};
    if (stat(path.c_str(), &status) != 0) return {};
    return {static_cast<int64_t>(status.st_mtim.tv_sec), static_cast<int64_t>(status.st_mtim.tv_nsec),
            static_cast<int64_t>(status.st_ctim.tv_sec), static_cast<int64_t>(status.st_ctim.tv_nsec),
            static_cast<int64_t>(status.st_size),        static_cast<int64_t>(status.st_ino),
            static_cast<int64_t>(status.st_mode)};
}

// The pattern file the viewer follows: the pattern shown, and the full-store
// check of it, run a little each tick so that the picture never waits for it.
struct Followed {
    command::ChosenPattern chosen;  // the pattern the world is made from
    FileStamp stamp;                // the file as it was last read
    pattern::Check check;           // of chosen's pattern; none under way once told
};

void startChecking(Followed& followed) {
    if (followed.chosen.loaded) pattern::startCheck(followed.check, followed.chosen.loaded->pattern);
}

// Some frames of the check, while the tick has time; its warnings once done.
// The strip's line for what the reader said: how many errors, or else
// warnings, and the first; the count first, as a long message is cut at the
// strip's end. Empty when it said nothing.
std::string stripLine(const pattern::Loaded& loaded) {
    const int64_t errors = pattern::errorCount(loaded);
    const int64_t warnings = static_cast<int64_t>(loaded.messages.size()) + loaded.unshownErrors +
                             loaded.unshownWarnings - errors;
    const auto first = std::find_if(loaded.messages.begin(), loaded.messages.end(),
                                    [&](const pattern::Message& m) { return (m.error != 0) == (errors > 0); });
    if (first == loaded.messages.end()) return {};
    const int64_t count = errors > 0 ? errors : warnings;
    std::string line = count > 1 ? std::to_string(count) + (errors > 0 ? " errors" : " warnings") + ", the first: "
                                 : std::string();
    return line + pattern::formatMessage(loaded.pattern.file, *first);
}

void goOnChecking(timeline::Viewer& viewer, Followed& followed) {
    if (!followed.check.pattern) return;
    const int64_t end = display::steadyNowNs() + CHECK_SLICE_NS;
    bool done = false;
    while (!done && display::steadyNowNs() < end) done = pattern::runCheck(followed.check, CHECK_FRAMES_AT_ONCE);
    if (!done) return;
    // Its warnings, silenced as the file says, told; then every warning of
    // the pattern in the strip.
    pattern::Loaded& shown = *followed.chosen.loaded;
    pattern::Loaded found;
    found.pattern.file = shown.pattern.file;
    found.text = shown.text;
    found.lineStarts = shown.lineStarts;
    found.allowed = shown.allowed;
    pattern::finishCheck(followed.check, found);
    command::sayMessages(found, display::TellUser);
    for (pattern::Message& message : found.messages) pattern::addMessage(shown, std::move(message));
    pattern::sortMessages(shown);
    timeline::noticeViewer(viewer, stripLine(shown).c_str());
}

// A reading of the pattern file on a thread of its own, so that the picture,
// the keys and the signals never wait for a large or costly text: the main
// loop takes what it gave once it is done. A newer reading, or the end of the
// viewer, cancels one under way (it then stops within a few milliseconds).
struct Reading {
    std::thread thread;
    std::atomic<bool> cancel{false};
    std::atomic<bool> done{false};
    std::unique_ptr<pattern::Loaded> loaded;  // what it gave, once done
};

void stopReading(std::unique_ptr<Reading>& reading) {
    if (!reading) return;
    reading->cancel = true;
    reading->thread.join();
    reading.reset();
}

void startReading(std::unique_ptr<Reading>& reading, const Followed& followed) {
    stopReading(reading);
    reading = std::make_unique<Reading>();
    Reading* r = reading.get();
    r->thread = std::thread([r, path = followed.chosen.path, settings = followed.chosen.settings] {
        r->loaded = command::readPattern(path, false, settings, &r->cancel);
        r->done = true;
    });
}

// Whether the pattern can be survived, worked out on a thread of its own
// (seconds for a long span), on a copy of the pattern shown: the picture and
// the keys never wait for it, and a reload or the end of the viewer stops it.
struct Fairness {
    std::thread thread;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    std::unique_ptr<pattern::Pattern> pattern;  // the copy the worlds are made from; none: the demonstration
    dodge::Answer answer;                       // what it gave, once done
};

void stopFairness(std::unique_ptr<Fairness>& fairness, timeline::Viewer& viewer) {
    if (!fairness) return;
    fairness->stop = true;
    fairness->thread.join();
    fairness.reset();
    timeline::fairnessWorking(viewer, false);
}

void startFairness(std::unique_ptr<Fairness>& fairness, timeline::Viewer& viewer, const Followed& followed) {
    stopFairness(fairness, viewer);
    fairness = std::make_unique<Fairness>();
    Fairness* f = fairness.get();
    if (followed.chosen.loaded) f->pattern = std::make_unique<pattern::Pattern>(followed.chosen.loaded->pattern);
    timeline::fairnessWorking(viewer, true);
    f->thread = std::thread([f] {
        world::World w;
        world::setUpWorld(w, f->pattern ? pattern::makerFor(*f->pattern) : world::WorldMaker{});
        dodge::Options options;
        options.to = world::STUDY_FRAMES;
        options.keep = true;
        options.stop = &f->stop;
        f->answer = dodge::answer(w, options);
        world::tearDownWorld(w);
        f->done = true;
    });
}

void takeFairness(std::unique_ptr<Fairness>& fairness, timeline::Viewer& viewer) {
    if (!fairness || !fairness->done) return;
    fairness->thread.join();
    timeline::fairnessViewer(viewer, std::move(fairness->answer));
    fairness.reset();
}

constexpr int64_t RELOADED_NS = 1'500'000'000;  // how long the strip says a reload happened

// What the reading gave, once done: a good pattern becomes the viewer's world
// on the frame shown, and its check starts; a refused one leaves the picture
// as it is, how many errors and the first in the status strip and every
// message on stderr.
void takeReading(timeline::Viewer& viewer, Followed& followed, std::unique_ptr<Reading>& reading,
                 int64_t& reloadedUntil, std::unique_ptr<Fairness>& fairness) {
    if (!reading || !reading->done) return;
    reading->thread.join();
    std::unique_ptr<pattern::Loaded> fresh = std::move(reading->loaded);
    reading.reset();
    command::sayMessages(*fresh, display::TellUser);
    if (pattern::refused(*fresh)) {
        reloadedUntil = 0;
        timeline::noticeViewer(viewer, stripLine(*fresh).c_str());
        return;
    }
    // The old pattern makes the worlds until the new one takes over; its
    // check ends with it.
    pattern::stopCheck(followed.check);
    stopFairness(fairness, viewer);  // it was for the pattern about to go
    timeline::remakeViewer(viewer, pattern::makerFor(fresh->pattern));
    followed.chosen.loaded = std::move(fresh);
    const std::string said = stripLine(*followed.chosen.loaded);
    timeline::noticeViewer(viewer, ("reloaded" + (said.empty() ? std::string() : ": " + said)).c_str());
    reloadedUntil = display::steadyNowNs() + RELOADED_NS;
    startChecking(followed);
}

// Where `k` writes the recording: the file --record names, or else the
// first of NAME-run-1.rec, NAME-run-2.rec ... that is not there, NAME the
// pattern's (or "demonstration").
std::string recordingPath(const std::string& given, const std::string& patternName) {
    if (!given.empty()) return given;
    std::string stem = patternName.empty() ? "demonstration" : patternName;
    stem = stem.substr(stem.find_last_of('/') + 1);
    if (stem.size() > 5 && stem.compare(stem.size() - 5, 5, ".toml") == 0) stem.resize(stem.size() - 5);
    for (int n = 1;; ++n) {
        std::string path = stem + "-run-" + std::to_string(n) + ".rec";
        struct stat status{};
        if (lstat(path.c_str(), &status) != 0) return path;
    }
}

// Writes the recording, whole or not at all; the strip says which.
void writeRecording(timeline::Viewer& viewer, const replay::Recording& recording, const std::string& path) {
    const std::string text = replay::formatRecording(recording);
    tools::ReplaceFile out;
    int error = tools::openReplaceFile(out, path);
    if (!error) {
        const bool written = std::fwrite(text.data(), 1, text.size(), out.file) == text.size();
        error = tools::closeReplaceFile(out, written, written ? 0 : errno ? errno : EIO);
    }
    const std::string said = error ? "cannot write " + path + ": " + std::strerror(error)
                                   : "recording written to " + path + " (" + std::to_string(recording.moves.size()) +
                                         " frames)";
    display::TellUser(("barrage-view: " + said).c_str());
    timeline::noticeViewer(viewer, said.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app("The demonstration on a timeline, to study its patterns: it opens on a frame, playing unless "
                 "--paused, with a status strip under the picture.",
                 "barrage-view");
    app.footer(KEYS);
    std::string frameText = "1", speedText = "1";
    bool paused = false;
    app.add_option("--frame", frameText, "the frame it opens on (default 1)")
        ->option_text("N")
        ->check(CLI::Validator(
            [](std::string& text) {
                int64_t frame = 0;
                return timeline::parseFrame(text.c_str(), &frame) ? std::string() : std::string(timeline::FRAME_RULE);
            },
            "1.." + std::to_string(timeline::MAX_SEEK_FRAME)));
    app.add_flag("--paused", paused, "open paused");
    std::string patternName;
    std::vector<std::string> sets;
    command::addPatternOption(app, patternName, sets,
                              "a pattern file, or the name of a sample pattern; read again when it changes, or on r");
    app.add_option("--speed", speedText, "times the program's speed: 1/4, 1/2, 1, 2 or 4 (or 0.25, 0.5, 1.0, 2.0, 4.0)")
        ->option_text("X")
        ->check(CLI::Validator(
            [](std::string& text) {
                return speedIndex(text.c_str()) >= 0 ? std::string()
                                                     : std::string("takes 1/4, 1/2, 1, 2 or 4 (or 0.25, 0.5, 1.0, 2.0, 4.0)");
            },
            "SPEED"));
    std::string replayPath, recordPath;
    command::addReplayOption(app, replayPath);
    app.add_option("--record", recordPath,
                   "the file k writes the recording to (default NAME-run-N.rec here, the first not there)")
        ->option_text("FILE")
        ->check(command::notEmpty());
    if (const int status = command::parseArguments(app, argc, argv); status >= 0) return status;
    replay::Recording replayed;
    if (const int status = command::readReplay(replayPath, replayed, patternName, sets); status >= 0) return status;
    int64_t frame = 1;
    timeline::parseFrame(frameText.c_str(), &frame);
    const int32_t speed = speedIndex(speedText.c_str());
    auto followed = std::make_unique<Followed>();
    if (const int status = command::choosePattern(followed->chosen, patternName, sets, false); status >= 0) return status;
    const bool following = followed->chosen.loaded != nullptr;
    if (following) followed->stamp = stampOf(followed->chosen.path);

    // Start-up.
    auto viewer = std::make_unique<timeline::Viewer>();
    viewer->clock = [](void*) { return display::steadyNowNs(); };
    display::UseWindowSystem(display_sdl::sdlWindowSystem(), display_terminal::terminalSystem());
    display::UseLayers(&viewer->layers);
    display::UseKeyHelp(KEY_HELP);
    timeline::openViewer(*viewer, frame, paused, speed, command::makerOf(followed->chosen));
    if (following) timeline::noticeViewer(*viewer, stripLine(*followed->chosen.loaded).c_str());
    if (!replayPath.empty()) {
        command::sayWhetherTheSame(replayPath, replayed, followed->chosen, display::TellUser);
        const bool same = command::patternDigest(followed->chosen) == replayed.digest;
        timeline::replayViewer(*viewer, replayed.moves.data(), replayed.moves.size(), frame);
        viewer->playing = paused ? 0 : -1;
        timeline::noticeViewer(*viewer, ("replaying " + replayPath + (same ? "" : ", recorded on another version of the pattern")).c_str());
    }
    startChecking(*followed);
    int64_t nextLook = 0;  // when the file is looked at next, on the steady clock
    std::unique_ptr<Reading> reading;  // the file read again, when a reading is under way
    std::unique_ptr<Fairness> fairness;  // `y`: whether it can be survived, when being worked out
    int64_t reloadedUntil = 0;         // while the strip says "reloaded", on the steady clock; 0: it does not
    while (!viewer->quit) {
        // Input: keys, and the pattern file when it has changed.
        bool reloadNow = false;
        for (screen::KeyString key = display::PollKey(); !screen::isEmpty(key); key = display::PollKey()) {
            const int32_t code = screen::keyCode(key);
            if (code == 'r' && following && !viewer->typing) {
                reloadNow = true;
            } else if (code == 'k' && !viewer->typing) {
                writeRecording(*viewer, command::recordingOf(patternName, sets, followed->chosen, viewer->moves),
                               recordingPath(recordPath, patternName));
            } else {
                timeline::viewerKey(*viewer, code);
            }
        }
        if (following && display::steadyNowNs() >= nextLook) {
            nextLook = display::steadyNowNs() + LOOK_INTERVAL_NS;
            const FileStamp now = stampOf(followed->chosen.path);
            if (!(now == followed->stamp)) {
                followed->stamp = now;
                reloadNow = true;
            }
        }
        if (reloadNow && !viewer->quit) startReading(reading, *followed);
        takeReading(*viewer, *followed, reading, reloadedUntil, fairness);
        if (viewer->fairness.wanted && !viewer->quit) startFairness(fairness, *viewer, *followed);
        takeFairness(fairness, *viewer);
        if (reloadedUntil && display::steadyNowNs() >= reloadedUntil) {
            reloadedUntil = 0;
            timeline::noticeViewer(*viewer, stripLine(*followed->chosen.loaded).c_str());
        }
        timeline::steerViewer(*viewer, timeline::steeringMove(display::HeldKeys()));
        // Update: the frames this tick is due at the speed, and the check's
        // share once no seek is under way.
        timeline::tickViewer(*viewer);
        if (!viewer->seeking) goOnChecking(*viewer, *followed);
        // Draw and pace: the picture with its layers, at the next tick.
        display::WaitVerticalRetrace();
    }
    // Shut-down.
    stopReading(reading);
    stopFairness(fairness, *viewer);
    pattern::stopCheck(followed->check);
    timeline::closeViewer(*viewer);
    display::EndProgram(0);
}
