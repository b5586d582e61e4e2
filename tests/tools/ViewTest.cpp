// barrage-view on a private X server: it opens paused on the frame asked for,
// steps on a key, ends on `q`, and refuses bad arguments.
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/ioctl.h>

#include <fstream>
#include <memory>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "shell/Program.h"
#include "support/Processes.h"
#include "support/XWindows.h"

namespace {

using namespace testing_support;

Picture frameOfTheProgram(int frames) {
    display::UseWindowSystem(display_headless::headlessSystem());
    world::World pass;
    shell::startUp(pass);
    for (int frame = 1; frame <= frames; ++frame) shell::runFrame(pass);
    Picture picture = visiblePicture(display::CurrentScreen());
    shell::shutDown(pass);
    display::CloseScreen();
    return picture;
}

// The picture at the window's top left at 1x, once the window shows it
// whole; five seconds at most, for a machine busy with other tests (how soon
// is the benchmarks' to say).
int settledDifferences(::Display* x, ::Window window, const Picture& picture) {
    int differing = -1;
    for (int i = 0; i < 500 && differing != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        differing = differingPixels(x, window, 0, 0, 1, picture);
    }
    return differing;
}

// barrage-view in a window on a private X server of its own.
class ViewWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(onPath("Xvfb") && onPath("xdotool")) << "this test needs Xvfb and xdotool (make test installs them)";
        ASSERT_FALSE(server.name.empty()) << "Xvfb did not start";
        x = XOpenDisplay(server.name.c_str());
        ASSERT_NE(x, nullptr);
        XSetErrorHandler([](::Display*, XErrorEvent*) { return 0; });
    }
    void TearDown() override {
        if (x) XCloseDisplay(x);
    }
    XServer server;
    ::Display* x = nullptr;
};

TEST_F(ViewWindow, OpensPausedOnFrameSevenHundredStepsOnRightAndEndsOnQ) {
    const Picture golden = readPng(goldenFrame700());
    ASSERT_EQ(golden.width, 640);
    const Picture next = frameOfTheProgram(701);

    pid_t view = spawn({VIEW_PATH, "--frame", "700", "--paused"}, {"DISPLAY=" + server.name, "SDL_VIDEODRIVER"});
    const ::Window window = waitForWindow(x, "barrage-view", 10);
    ASSERT_NE(window, 0u);
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, window, &attributes);
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, screen::VIEW_HEIGHT) << "the picture and the status strip under it";
    EXPECT_EQ(settledDifferences(x, window, golden), 0) << "frame 700";

    const std::string id = std::to_string(window);
    waitExit(spawn({"xdotool", "windowfocus", "--sync", id, "key", "Right"}, {"DISPLAY=" + server.name}), 5);
    EXPECT_EQ(settledDifferences(x, window, next), 0) << "frame 701 after Right";

    waitExit(spawn({"xdotool", "windowfocus", "--sync", id, "key", "q"}, {"DISPLAY=" + server.name}), 5);
    const int status = waitExit(view, 5);
    EXPECT_EQ(status, 0);
    if (status < 0) stop(view);
}

// Typing a frame number takes digits, Backspace, Enter and Escape; the close
// request and the end signals still end the viewer.
TEST_F(ViewWindow, EndsOnASignalOrTheCloseButtonWhileTypingOrSeeking) {
    for (const char* ending : {"SIGTERM", "SIGINT", "SIGHUP", "close"}) {
        pid_t view = spawn({VIEW_PATH, "--paused"}, {"DISPLAY=" + server.name, "SDL_VIDEODRIVER"});
        const ::Window window = waitForWindow(x, "barrage-view", 10);
        ASSERT_NE(window, 0u);
        const std::string id = std::to_string(window);
        waitExit(spawn({"xdotool", "windowfocus", "--sync", id, "key", "g", "4", "2"}, {"DISPLAY=" + server.name}), 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (std::string(ending) == "close") {
            waitExit(spawn({"xdotool", "windowclose", id}, {"DISPLAY=" + server.name}), 5);
        } else {
            kill(view, std::string(ending) == "SIGTERM" ? SIGTERM : std::string(ending) == "SIGINT" ? SIGINT : SIGHUP);
        }
        const int status = waitExit(view, 5);
        EXPECT_EQ(status, 0) << ending << " while typing";
        if (status < 0) stop(view);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    // And on the way of a long first seek, which runs a slice a tick.
    pid_t view = spawn({VIEW_PATH, "--frame", "1000000"}, {"DISPLAY=" + server.name, "SDL_VIDEODRIVER"});
    ASSERT_NE(waitForWindow(x, "barrage-view", 10), 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    kill(view, SIGTERM);
    const int status = waitExit(view, 1);
    EXPECT_EQ(status, 0) << "SIGTERM during a seek to frame 1,000,000";
    if (status < 0) stop(view);
}

// Without a display the viewer runs in the terminal: its first line says what
// its keys do, and the status line is the viewer's, typing included.
TEST(View, WithoutADisplayItTellsItsKeysAndShowsItsStatusInTheTerminal) {
    int master = -1, slave = -1, errors[2] = {-1, -1};
    ASSERT_EQ(pipe(errors), 0);
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const winsize size{24, 200, 0, 0};
    ioctl(master, TIOCSWINSZ, &size);
    pid_t view = spawn({VIEW_PATH, "--paused", "--frame", "7"}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TERM=xterm"},
                       slave, errors[1], slave);
    close(errors[1]);
    const std::string message = readFor(errors[0], 10, "\n");
    EXPECT_NE(message.find("g digits Enter go to a frame"), std::string::npos) << message;
    EXPECT_NE(readFor(master, 5, "frame 7 paused").find("frame 7 paused"), std::string::npos);
    ASSERT_EQ(write(master, "g12", 3), 3);
    EXPECT_NE(readFor(master, 5, "go to 12_").find("go to 12_"), std::string::npos);
    ASSERT_EQ(write(master, "\x1bq", 2), 2);  // Escape leaves the typing, q ends it
    const int status = waitExit(view, 5);
    EXPECT_EQ(status, 0);
    if (status < 0) stop(view);
    close(master);
    close(slave);
    close(errors[0]);
}

// The terminal viewer following a pattern file: Enter as the line feed a
// default terminal sends; a file changed without a new modification time
// (the change time moves) is read again; a refused file puts its error count
// before the message in the status line, and its messages reach the
// terminal on lines of their own, never over the status; a frame number
// being typed outlives the reload; a good file's world is shown before its
// full-store check has said anything, and then the strip counts its warnings.
TEST(View, FollowsItsPatternFileInTheTerminal) {
    char folder[] = "/tmp/barrage-follow-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder, file = dir + "/p.toml";
    const auto sh = [](const std::string& command) { return std::system(command.c_str()); };
    // The demonstration with its full-store warnings no longer silenced.
    ASSERT_EQ(sh("sed 's/# allow:.*//' " + std::string(BARRAGE_SOURCE_DIR) + "/patterns/demonstration.toml > " + file), 0);
    int master = -1, slave = -1;
    ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    const winsize size{24, 200, 0, 0};
    ioctl(master, TIOCSWINSZ, &size);
    pid_t view = spawn({VIEW_PATH, "--paused", "--pattern", file},
                       {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TERM=xterm", "NO_COLOR=1"}, slave, slave, slave);
    EXPECT_NE(readFor(master, 5, "frame 1 paused").find("frame 1 paused"), std::string::npos);
    // The demonstration's check warns of full stores: only once its world is up.
    EXPECT_NE(readFor(master, 10, "slots live").find("slots live"), std::string::npos);
    EXPECT_NE(readFor(master, 5, "warnings, the first: ").find("warnings, the first: "), std::string::npos)
        << "the strip does not count the warnings";
    ASSERT_EQ(write(master, "g100\n", 5), 5);
    EXPECT_NE(readFor(master, 5, "frame 100 paused").find("frame 100 paused"), std::string::npos);

    // Two mistakes, the file's size and modification time as they were.
    ASSERT_EQ(sh("cd " + dir + " && touch -r p.toml stamp && sed -i 's/speed = 5.029/speed = [1,2]/; "
                 "s/^count = 4$/count = 0/' p.toml && touch -r stamp p.toml"), 0);
    ASSERT_EQ(write(master, "g2", 2), 2);
    const std::string refused = readFor(master, 5, "2 errors, the first: ");
    EXPECT_NE(refused.find("| 2 errors, the first: "), std::string::npos) << refused;
    const size_t said = refused.find(file + ":");
    ASSERT_NE(said, std::string::npos) << refused;
    EXPECT_EQ(refused.rfind("\r\x1b[K", said), said - 4) << "a message written over the status line: " << refused;
    EXPECT_NE(refused.find("go to 2_"), std::string::npos) << refused;
    EXPECT_EQ(refused.find("\x1b[1;31m"), std::string::npos) << "colour with NO_COLOR set";
    ASSERT_EQ(write(master, "5\n", 2), 2);
    EXPECT_NE(readFor(master, 5, "frame 25 paused").find("frame 25 paused"), std::string::npos);
    // The fix is taken, and the strip says so.
    ASSERT_EQ(sh("sed 's/# allow:.*//' " + std::string(BARRAGE_SOURCE_DIR) + "/patterns/demonstration.toml > " + file), 0);
    EXPECT_NE(readFor(master, 5, "reloaded").find("reloaded"), std::string::npos);
    // A text that costs its reader seconds never holds the viewer: q ends it at once.
    std::string costly = "[shooters]\ncount = 64\n[movement.m]\nsteps = [{ active = true }]\n[firing.f]\nsteps = "
                         "[{ repeat = 1500, steps = [{ duration = 1, speed = \"= shooter * 0";
    for (int k = 0; k < 25'000; ++k) costly += " + 1";
    std::ofstream(file) << costly << "\" }] }]\n";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the file is looked at four times a second
    ASSERT_EQ(write(master, "q", 1), 1);
    const int status = waitExit(view, 5);
    EXPECT_EQ(status, 0);
    if (status < 0) stop(view);
    close(master);
    close(slave);
    sh("rm -rf " + dir);
}

// The strip under the picture, as the window shows it: a checksum of its pixels.
unsigned long stripSum(::Display* x, ::Window window) {
    XImage* image = XGetImage(x, window, 0, screen::SCREEN_HEIGHT, screen::SCREEN_WIDTH,
                              screen::STATUS_STRIP_HEIGHT, AllPlanes, ZPixmap);
    if (!image) return 0;
    unsigned long sum = 0;
    for (int y = 0; y < screen::STATUS_STRIP_HEIGHT; ++y) {
        for (int xx = 0; xx < screen::SCREEN_WIDTH; ++xx) sum = sum * 31 + (XGetPixel(image, xx, y) & 0xFFFFFF);
    }
    XDestroyImage(image);
    return sum;
}

// barrage-view --pattern reads the file again when it changes: a good edit
// shows the edited pattern's frame, a refused one leaves the
// picture and says why in the strip, and the fix is followed again.
TEST_F(ViewWindow, APatternFileIsReadAgainWhenItChanges) {
    char folder[] = "/tmp/barrage-reload-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder, file = dir + "/p.toml", demonstration = std::string(BARRAGE_SOURCE_DIR) +
                                                                       "/patterns/demonstration.toml";
    const auto sh = [](const std::string& command) { return std::system(command.c_str()); };
    const auto captured = [&](const std::string& pattern, const std::string& out) {
        sh("mkdir -p " + out + " && " + CAPTURE_PATH + " 500 --pattern " + pattern + " --out " + out);
        return readPng(out + "/frame-000500.png");
    };
    ASSERT_EQ(sh("cp " + demonstration + " " + file), 0);
    const Picture original = captured(file, dir + "/original");
    // T1 is in force at frame 500: five bullets a volley instead of two.
    ASSERT_EQ(sh("sed 's/volleySize = 2,/volleySize = 5,/' " + demonstration + " > " + dir + "/wider.toml"), 0);
    const Picture wider = captured(dir + "/wider.toml", dir + "/wider");

    pid_t view = spawn({VIEW_PATH, "--pattern", file, "--frame", "500", "--paused"},
                       {"DISPLAY=" + server.name, "SDL_VIDEODRIVER"});
    const ::Window window = waitForWindow(x, "barrage-view", 10);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(settledDifferences(x, window, original), 0) << "frame 500 of the pattern";
    ASSERT_EQ(sh("cp " + dir + "/wider.toml " + file), 0);
    EXPECT_EQ(settledDifferences(x, window, wider), 0) << "the edit not shown";
    const unsigned long strip = stripSum(x, window);
    ASSERT_EQ(sh("printf '[shooters\\n' > " + file), 0);
    bool said = false;
    for (int i = 0; i < 500 && !said; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        said = stripSum(x, window) != strip;
    }
    EXPECT_TRUE(said) << "the strip does not say the file was refused within five seconds";
    EXPECT_EQ(differingPixels(x, window, 0, 0, 1, wider), 0) << "a refused file changed the picture";
    ASSERT_EQ(sh("cp " + demonstration + " " + file), 0);
    EXPECT_EQ(settledDifferences(x, window, original), 0) << "the fix not followed";
    waitExit(spawn({"xdotool", "windowfocus", "--sync", std::to_string(window), "key", "q"},
                   {"DISPLAY=" + server.name}), 5);
    const int status = waitExit(view, 5);
    EXPECT_EQ(status, 0);
    if (status < 0) stop(view);
    sh("rm -rf " + dir);
}

TEST(View, BadArgumentsGiveOneLineAndStatusTwo) {
    for (const char* bad : {"--frame", "--frame 0", "--frame 1000001", "--speed 3", "--bogus"}) {
        const std::string command = std::string(VIEW_PATH) + " " + bad + " 2>&1; echo \"status $?\"";
        FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::string output;
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
        pclose(pipe);
        EXPECT_TRUE(output.rfind("barrage-view: ", 0) == 0 && output.find("\nstatus 2\n") != std::string::npos &&
                    output.find('\n') == output.find("\nstatus"))
            << bad << " gave: " << output;
    }
}

}  // namespace
