// The real program, end to end: in a window on an X server the test starts, and
// in a pseudo-terminal without any display.
// gtest first: Xlib's macros (None, Bool, Status) would break its templates.
#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>

#include <memory>

#include "support/Processes.h"
#include "support/XWindows.h"

namespace {

using namespace testing_support;

// A test that starts the program once or more; whatever is still running at
// the end is stopped.
class ProgramTest : public ::testing::Test {
protected:
    void TearDown() override { stop(program); }
    void expectExit(double seconds) {
        const int status = waitExit(program, seconds);
        EXPECT_EQ(status, 0);
        if (status >= 0) program = -1;  // otherwise TearDown stops it
    }
    pid_t program = -1;
};

class WindowTest : public ProgramTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(onPath("Xvfb") && onPath("xdotool"))
            << "the window tests need Xvfb and xdotool: apt-get install xvfb xdotool (make test installs them)";
        server = std::make_unique<XServer>();
        ASSERT_FALSE(server->name.empty()) << "Xvfb did not start";
        name = server->name;
        x = XOpenDisplay(name.c_str());
        ASSERT_NE(x, nullptr);
        // A window that goes away under us is a failed expectation, not the end of the tests.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }
    void TearDown() override {
        ProgramTest::TearDown();
        if (x) XCloseDisplay(x);
        server.reset();
    }

    void startProgram() { program = spawn({BARRAGE_PATH}, {"DISPLAY=" + name, "SDL_VIDEODRIVER"}); }

    std::unique_ptr<XServer> server;
    std::string name;
    Display* x = nullptr;
};

TEST_F(WindowTest, ShowsTheRingInATitledWindowAndEndsOnAKey) {
    startProgram();
    const Window window = waitForWindow(x, "barrage", 10);
    ASSERT_NE(window, 0u) << "no window titled barrage";
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, window, &attributes);
    EXPECT_EQ(attributes.width, 640);
    EXPECT_EQ(attributes.height, 480);

    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    XImage* image = XGetImage(x, window, 0, 0, 640, 480, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(XGetPixel(image, 330, 240) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(XGetPixel(image, 320, 230) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(XGetPixel(image, 320, 240) & 0xFFFFFF, 0u);
    EXPECT_EQ(XGetPixel(image, 600, 400) & 0xFFFFFF, 0u);
    XDestroyImage(image);

    const std::string id = std::to_string(window);
    const pid_t typist = spawn({"xdotool", "windowfocus", "--sync", id, "key", "space"}, {"DISPLAY=" + name});
    expectExit(1.0);
    waitExit(typist, 5);
}

TEST_F(WindowTest, TheCloseButtonEndsItWithStatusZero) {
    startProgram();
    const Window window = waitForWindow(x, "barrage", 10);
    ASSERT_NE(window, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    requestClose(x, window);
    expectExit(1.0);
}

TEST_F(WindowTest, SigintAndSigtermEndItWithStatusZero) {
    for (int signal : {SIGINT, SIGTERM}) {
        startProgram();
        ASSERT_NE(waitForWindow(x, "barrage", 10), 0u);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(program, signal);
        expectExit(1.0);
    }
}

class TerminalTest : public ProgramTest {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(errors), 0);
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    }
    void TearDown() override {
        ProgramTest::TearDown();
        close(master);
        close(slave);
        close(errors[0]);
    }
    void startProgram(int input, bool ownGroup = false) {
        program = spawn({BARRAGE_PATH}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, input, errors[1], -1, ownGroup);
        close(errors[1]);
    }
    bool echoing() {
        termios settings{};
        tcgetattr(slave, &settings);
        return (settings.c_lflag & ECHO) && (settings.c_lflag & ICANON);
    }
    int master = -1, slave = -1, errors[2] = {-1, -1};
};

TEST_F(TerminalTest, SaysSoOnceAndEndsOnAKeyTypedInTheTerminal) {
    startProgram(slave);
    const std::string message = readFor(errors[0], 10, "\n");
    EXPECT_NE(message.find("no display"), std::string::npos) << message;
    EXPECT_NE(message.find("press any key"), std::string::npos) << message;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(echoing());
    ASSERT_EQ(write(master, "q", 1), 1);
    expectExit(1.0);
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, SigtermEndsItCleanlyAndRestoresTheTerminal) {
    startProgram(slave);
    readFor(errors[0], 10, "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(echoing());
    kill(program, SIGTERM);
    expectExit(1.0);
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, CtrlCEndsItCleanlyAndRestoresTheTerminal) {
    startProgram(slave);
    readFor(errors[0], 10, "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    // The program is not in the pty's foreground group, so send what Ctrl+C sends.
    kill(program, SIGINT);
    expectExit(1.0);
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, EvenAFatalSignalLeavesTheTerminalUsable) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    startProgram(slave);
    readFor(errors[0], 10, "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(echoing());
    kill(program, SIGQUIT);
    EXPECT_EQ(waitExit(program, 1.0), 128 + SIGQUIT);
    program = -1;
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, CtrlZThenFgGivesTheTerminalBackAndTakesItAgain) {
    // A group of its own, as a shell's job: a stop in an orphaned group
    // would be ignored.
    startProgram(slave, true);
    readFor(errors[0], 10, "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(program, SIGTSTP);
    ASSERT_TRUE(waitStopped(program, 5.0)) << "Ctrl+Z did not stop it";
    EXPECT_TRUE(echoing()) << "the terminal stays raw while the program is stopped";
    kill(program, SIGCONT);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(echoing()) << "keys no longer reach the program at once after it goes on";
    ASSERT_EQ(write(master, "q", 1), 1);
    expectExit(1.0);
    EXPECT_TRUE(echoing());
}

// A loop that never sleeps would spin a whole core; sixty light frames a
// second use a small share of one.
TEST_F(TerminalTest, ThePacedLoopLeavesTheProcessorMostlyIdle) {
    startProgram(slave);
    readFor(errors[0], 10, "\n");
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ASSERT_EQ(write(master, "q", 1), 1);
    rusage usage{};
    EXPECT_EQ(waitExit(program, 1.0, &usage), 0);
    program = -1;
    const double seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    EXPECT_LT(seconds, 1.0) << "over half a core for two seconds";
}

TEST_F(TerminalTest, WithoutATerminalSigintEndsIt) {
    startProgram(open("/dev/null", O_RDONLY));
    const std::string message = readFor(errors[0], 10, "\n");
    EXPECT_NE(message.find("SIGINT"), std::string::npos) << message;
    kill(program, SIGINT);
    expectExit(1.0);
}

}  // namespace
