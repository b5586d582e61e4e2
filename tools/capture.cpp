// barrage-capture FIRST [LAST] [--out DIR]: runs the program's own frames with
// no window and no pacing and writes the visible page after each frame from
// FIRST to LAST as DIR/frame-NNNNNN.png, 640 x 480 with the display's palette.
// barrage-capture FIRST LAST --gif FILE [--every K]: one animated GIF of those
// frames instead, every K-th from FIRST, playing at the program's pace.
//
// A file appears under its name only once it is whole. Ctrl+C, SIGTERM and
// SIGHUP are held off while it runs and looked at between frames: the file
// being written is let go, then the signal ends the process as it would have.
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "shell/Program.h"
#include "command/Arguments.h"
#include "tools/GifWriter.h"
#include "command/PatternOption.h"
#include "tools/ReplaceFile.h"

namespace {

constexpr int64_t QUIET_RANGE = 10;  // longer ranges show their progress

// The page as a palette PNG into an open file; false if libpng failed.
bool encodePng(FILE* file, const screen::Screen& screen) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool written = false;
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, screen::SCREEN_WIDTH, screen::SCREEN_HEIGHT, 8, PNG_COLOR_TYPE_PALETTE,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_color palette[screen::PALETTE_SIZE];
        for (int32_t i = 0; i < screen::PALETTE_SIZE; ++i) {
            palette[i] = {screen.palette[i][0], screen.palette[i][1], screen.palette[i][2]};
        }
        png_set_PLTE(png, info, palette, screen::PALETTE_SIZE);
        png_write_info(png, info);
        for (int32_t y = 0; y < screen::SCREEN_HEIGHT; ++y) {
            png_write_row(png, screen.pages[screen.visiblePage][y]);
        }
        png_write_end(png, nullptr);
        written = true;
    }
    png_destroy_write_struct(&png, &info);
    return written;
}

// Returns 0, or the errno of the failure.
int writePng(const std::string& path, const screen::Screen& screen) {
    tools::ReplaceFile out;
    if (const int error = tools::openReplaceFile(out, path)) return error;
    errno = 0;
    const bool encoded = encodePng(out.file, screen);
    const int writeError = std::ferror(out.file) ? (errno ? errno : EIO) : 0;
    return tools::closeReplaceFile(out, encoded && !writeError, writeError);
}

// The signals that end a capture, held off while it runs.
sigset_t endSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&signals, signal);
    return signals;
}

bool endRequested() {
    sigset_t pending;
    sigpending(&pending);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        if (sigismember(&pending, signal)) return true;
    }
    return false;
}

// The folder must be there (made, with the folders it is in, as mkdir -p
// makes them) and writable before any frame is simulated.
int checkDirectory(const std::string& directory) {
    for (size_t end = directory.find('/', 1); ; end = directory.find('/', end + 1)) {
        const std::string folder = directory.substr(0, end);
        if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) return errno;
        if (end == std::string::npos) break;
    }
    struct stat status{};
    if (stat(directory.c_str(), &status) != 0) return errno;
    if (!S_ISDIR(status.st_mode)) return ENOTDIR;
    return access(directory.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

struct Request {
    int64_t first = 0;         // first frame written
    int64_t last = 0;          // last frame run
    int64_t every = 1;         // GIF: program frames per GIF frame
    std::string directory = ".";  // PNG: where the files go
    std::string gif;           // GIF: the file; empty: PNG files
    std::string pattern;       // a pattern file or sample name; empty: the built-in choreography
    std::vector<std::string> sets;  // --set NAME=VALUE, the pattern's parameters
    std::string replay;        // --replay: the recording file; empty: none
    replay::Recording recording;  // what it holds: the ship's moves
};

constexpr int64_t MOST_FRAMES = 999'999'999'999;
constexpr int64_t MOST_EVERY = 3'600;

// Returns -1 to go on, or the status to end with.
int parse(int argc, char** argv, Request& request) {
    CLI::App app("Writes frames of the demonstration, run with no window and no pacing, as PNG files "
                 "(DIR/frame-NNNNNN.png) or as one animated GIF.",
                 "barrage-capture");
    std::string firstText, lastText, everyText = "1";
    app.add_option("FIRST", firstText, "first frame written (frames count from 1)")
        ->required()
        ->check(command::countFrom1To(MOST_FRAMES));
    app.add_option("LAST", lastText, "last frame written (default FIRST)")->check(command::countFrom1To(MOST_FRAMES));
    CLI::Option* out = app.add_option("--out", request.directory, "folder for the PNG files (default .)")
                           ->check(command::notEmpty());
    CLI::Option* gif = app.add_option("--gif", request.gif, "one animated GIF instead of PNG files")
                           ->check(command::notEmpty())
                           ->excludes(out);
    command::addPatternOption(app, request.pattern, request.sets, "a pattern file, or the name of a sample pattern");
    app.add_option("--every", everyText, "GIF: every K-th frame (default 1)")
        ->option_text("K")
        ->check(command::countFrom1To(MOST_EVERY))
        ->needs(gif);
    command::addReplayOption(app, request.replay);
    if (const int status = command::parseArguments(app, argc, argv); status >= 0) return status;
    if (const int status = command::readReplay(request.replay, request.recording, request.pattern, request.sets);
        status >= 0) {
        return status;
    }
    request.first = command::countOf(firstText);
    request.last = lastText.empty() ? request.first : command::countOf(lastText);
    request.every = command::countOf(everyText);
    if (request.last < request.first) return command::usageError(app, "LAST: must be FIRST or more");
    return -1;
}

// The progress line, for long ranges and only on a terminal (a log file
// would fill with it); ended before anything else is printed.
struct Progress {
    bool shown = false;
    bool onTerminal = isatty(STDERR_FILENO) != 0;
    void at(int64_t frame, int64_t last) {
        if (!onTerminal) return;
        std::fprintf(stderr, "\rframe %lld of %lld", static_cast<long long>(frame), static_cast<long long>(last));
        shown = true;
    }
    void end() {
        if (shown) std::fprintf(stderr, "\n");
        shown = false;
    }
};

// One frame on: drawn and shown when it is written, else the simulation alone
// (the picture of a frame depends on nothing drawn before it).
void advance(world::World& pass, const Request& request, int64_t frame, bool written) {
    const std::vector<uint8_t>& moves = request.recording.moves;
    pass.ship.move = frame <= static_cast<int64_t>(moves.size()) ? moves[static_cast<size_t>(frame - 1)]
                                                                 : world::MOVE_NONE;
    if (written) {
        shell::runFrame(pass);
    } else {
        world::stepWorld(pass);
    }
}

int writePngs(world::World& pass, const Request& request, Progress& progress) {
    for (int64_t frame = 1; frame <= request.last && !endRequested(); ++frame) {
        advance(pass, request, frame, frame >= request.first);
        if (frame < request.first) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame-%06lld.png", static_cast<long long>(frame));
        if (const int error = writePng(request.directory + name, display::CurrentScreen())) {
            progress.end();
            std::fprintf(stderr, "barrage-capture: cannot write %s%s: %s\n", request.directory.c_str(), name,
                         std::strerror(error));
            return 1;
        }
        if (request.last - request.first >= QUIET_RANGE) progress.at(frame, request.last);
    }
    return 0;
}

int writeGif(world::World& pass, const Request& request, Progress& progress) {
    tools::ReplaceFile out;
    if (const int error = tools::openReplaceFile(out, request.gif)) {
        std::fprintf(stderr, "barrage-capture: cannot write %s: %s\n", request.gif.c_str(), std::strerror(error));
        return 1;
    }
    auto writer = std::make_unique<tools::GifWriter>();
    bool written = tools::openGif(*writer, out.file, display::CurrentScreen(), static_cast<int32_t>(request.every));
    bool interrupted = false;
    for (int64_t frame = 1; frame <= request.last && written; ++frame) {
        // An end request stops the capture whatever the next frame's write would say.
        if ((interrupted = endRequested())) break;
        const bool kept = frame >= request.first && (frame - request.first) % request.every == 0;
        advance(pass, request, frame, kept);
        if (!kept) continue;
        written = tools::addGifFrame(*writer, display::CurrentScreen());
        if (request.last - request.first >= QUIET_RANGE) progress.at(frame, request.last);
    }
    written = tools::closeGif(*writer) && written && !interrupted;
    const int error = tools::closeReplaceFile(out, written, writer->writeError);
    progress.end();
    // Interrupted: the partial file is gone and the signal, let through by
    // the caller, says the rest.
    if (!error || interrupted) return interrupted ? 1 : 0;
    const char* reason = written || writer->writeError ? std::strerror(error) : tools::gifError(*writer);
    std::fprintf(stderr, "barrage-capture: cannot write %s: %s\n", request.gif.c_str(),
                 reason ? reason : std::strerror(error));
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    Request request;
    if (const int status = parse(argc, argv, request); status >= 0) return status;
    command::ChosenPattern chosen;
    if (const int status = command::choosePattern(chosen, request.pattern, request.sets, false); status >= 0) return status;
    if (request.gif.empty()) {
        if (const int error = checkDirectory(request.directory)) {
            std::fprintf(stderr, "barrage-capture: cannot write into %s: %s\n", request.directory.c_str(),
                         std::strerror(error));
            return 1;
        }
    }
    sigset_t before;
    const sigset_t ends = endSignals();
    sigprocmask(SIG_BLOCK, &ends, &before);

    display::UseWindowSystem(display_headless::headlessSystem());
    world::World pass;
    shell::startUp(pass, command::makerOf(chosen));
    if (!request.replay.empty()) {
        command::sayWhetherTheSame(request.replay, request.recording, chosen);
        pass.ship.present = -1;  // a recording steers the ship, whatever the pattern says
    }
    Progress progress;
    const int status = request.gif.empty() ? writePngs(pass, request, progress) : writeGif(pass, request, progress);
    progress.end();
    shell::shutDown(pass);
    display::CloseScreen();
    // A signal held off ends the process now, as it would have.
    sigprocmask(SIG_SETMASK, &before, nullptr);
    return status;
}
