// The real program, end to end: in a window on an X server the test starts, and
// in a pseudo-terminal without any display.
// gtest first: Xlib's macros (None, Bool, Status) would break its templates.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>

#include <algorithm>

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

// Another program destroying the window (xdotool windowclose) is the close
// request, not an X error that ends the process with status 1.
TEST_F(WindowTest, AWindowDestroyedFromOutsideEndsItWithStatusZero) {
    startProgram();
    const Window window = waitForWindow(x, "barrage", 10);
    ASSERT_NE(window, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    waitExit(spawn({"xdotool", "windowclose", std::to_string(window)}, {"DISPLAY=" + name}), 5);
    expectExit(2.0);
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
    void startProgram(int input, bool ownGroup = false, int output = -1, const std::string& term = "TERM=xterm") {
        program = spawn({BARRAGE_PATH}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", term}, input, errors[1], output,
                        ownGroup);
        close(errors[1]);
    }
    // Its one line saying it runs in the terminal, and time to take the keys.
    void awaitRunning() {
        readFor(errors[0], 10, "\n");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    // What the program writes to the terminal in that time.
    std::string output(double seconds) { return readFor(master, seconds, "\x01never\x02"); }
    void setColumns(unsigned short columns) {
        const winsize size{24, columns, 0, 0};
        ioctl(master, TIOCSWINSZ, &size);
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
    awaitRunning();
    EXPECT_FALSE(echoing());
    kill(program, SIGTERM);
    expectExit(1.0);
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, CtrlCEndsItCleanlyAndRestoresTheTerminal) {
    startProgram(slave);
    awaitRunning();
    // The program is not in the pty's foreground group, so send what Ctrl+C sends.
    kill(program, SIGINT);
    expectExit(1.0);
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, EvenAFatalSignalLeavesTheTerminalUsable) {
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    startProgram(slave);
    awaitRunning();
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
    awaitRunning();
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

// The longest piece of status line written between two returns to the line's start.
size_t longestStatus(const std::string& written) {
    size_t longest = 0, start = 0;
    for (size_t i = 0; i <= written.size(); ++i) {
        if (i < written.size() && written[i] != '\r' && written[i] != '\n') continue;
        std::string piece = written.substr(start, i - start);
        for (size_t at; (at = piece.find("\x1b[K")) != std::string::npos;) piece.erase(at, 3);
        longest = std::max(longest, piece.size());
        start = i + 1;
    }
    return longest;
}

TEST_F(TerminalTest, TheStatusLineKeepsWithinTheWidthAndADumbTerminalGetsNoEscapes) {
    setColumns(20);
    startProgram(slave, false, slave);
    readFor(errors[0], 10, "\n");
    const std::string narrow = output(0.6);
    EXPECT_FALSE(narrow.empty());
    EXPECT_LE(longestStatus(narrow), 19u) << "in 20 columns";
    setColumns(12);
    kill(program, SIGWINCH);
    output(0.2);
    EXPECT_LE(longestStatus(output(0.5)), 11u) << "after shrinking to 12 columns";
    ASSERT_EQ(write(master, "q", 1), 1);
    expectExit(1.0);

    ASSERT_EQ(pipe(errors), 0);
    setColumns(80);
    startProgram(slave, false, slave, "TERM=dumb");
    readFor(errors[0], 10, "\n");
    const std::string dumb = output(0.6);
    EXPECT_FALSE(dumb.empty());
    EXPECT_EQ(dumb.find('\x1b'), std::string::npos) << "an escape sequence with TERM=dumb";
    ASSERT_EQ(write(master, "q", 1), 1);
    expectExit(1.0);
}

// Any signal that ends a process by default leaves the terminal usable; one
// ignored when the program starts (SIGHUP under nohup) stays ignored.
TEST_F(TerminalTest, EveryEndingSignalRestoresTheTerminalAndIgnoredOnesStayIgnored) {
    startProgram(slave);
    awaitRunning();
    EXPECT_FALSE(echoing());
    kill(program, SIGUSR1);
    EXPECT_EQ(waitExit(program, 1.0), 128 + SIGUSR1);
    program = -1;
    EXPECT_TRUE(echoing()) << "SIGUSR1 left the terminal raw";

    ASSERT_EQ(pipe(errors), 0);
    program = spawn({"sh", "-c", "trap '' HUP; exec \"$0\"", BARRAGE_PATH}, {"DISPLAY", "WAYLAND_DISPLAY",
                    "SDL_VIDEODRIVER"}, slave, errors[1]);
    close(errors[1]);
    awaitRunning();
    kill(program, SIGHUP);
    EXPECT_EQ(waitExit(program, 0.5), -1) << "SIGHUP ended it though it was ignored at start";
    kill(program, SIGTERM);
    expectExit(1.0);
}

// As a shell's job on the terminal it runs in: `barrage &` then `kill %1`,
// and the same once the job is stopped.
TEST_F(TerminalTest, SigtermEndsABackgroundOrStoppedJobWithStatusZero) {
    ASSERT_TRUE(onPath("setsid") && onPath("bash"));
    const std::string script =
        "\"$0\" 2>/dev/null & sleep 1; kill %1; wait %1; echo \"background $?\"; "
        "\"$0\" 2>/dev/null & sleep 1; kill -TSTP %1; sleep 0.5; kill %1; wait %1; echo \"stopped $?\"";
    program = spawn({"setsid", "--ctty", "--wait", "bash", "-m", "-c", script, BARRAGE_PATH},
                    {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER", "TERM=xterm"}, slave, errors[1], slave);
    close(errors[1]);
    const std::string said = readFor(master, 15, "stopped ");
    const std::string rest = readFor(master, 1, "\n");
    EXPECT_NE(said.find("background 0"), std::string::npos) << said;
    EXPECT_NE((said + rest).find("stopped 0"), std::string::npos) << said << rest;
    EXPECT_TRUE(echoing());
    expectExit(5.0);
}

TEST_F(TerminalTest, WithoutATerminalSigintEndsIt) {
    startProgram(open("/dev/null", O_RDONLY));
    const std::string message = readFor(errors[0], 10, "\n");
    EXPECT_NE(message.find("SIGINT"), std::string::npos) << message;
    kill(program, SIGINT);
    expectExit(1.0);
}

}  // namespace
