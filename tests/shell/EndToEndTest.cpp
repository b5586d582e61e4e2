// The real program, end to end: in a window on an X server the test starts, and
// in a pseudo-terminal without any display.
// gtest first: Xlib's macros (None, Bool, Status) would break its templates.
#include <gtest/gtest.h>
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xutil.h>
// clang-format on
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Starts a program with extra environment settings ("NAME=value", or "NAME" to
// remove it); returns its pid.
pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int in = -1,
            int err = -1) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    for (const std::string& setting : env) {
        const auto equals = setting.find('=');
        if (equals == std::string::npos) {
            unsetenv(setting.c_str());
        } else {
            setenv(setting.substr(0, equals).c_str(), setting.substr(equals + 1).c_str(), 1);
        }
    }
    if (in >= 0) dup2(in, STDIN_FILENO);
    if (err >= 0) dup2(err, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits up to the given time; returns the exit status, or -1 if still running.
int waitExit(pid_t pid, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return -1;
}

void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// Reads what a file descriptor gives within the time.
std::string readFor(int fd, double seconds, const std::string& until) {
    std::string text;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline && text.find(until) == std::string::npos) {
        pollfd ready{fd, POLLIN, 0};
        if (poll(&ready, 1, 20) > 0) {
            char buffer[512];
            const ssize_t count = read(fd, buffer, sizeof buffer);
            if (count <= 0) break;
            text.append(buffer, static_cast<size_t>(count));
        }
    }
    return text;
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!onPath("Xvfb") || !onPath("xdotool")) GTEST_SKIP() << "Xvfb and xdotool are needed";
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        server = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "800x600x24", "-nolisten", "tcp"},
                       {}, -1, open("/dev/null", O_WRONLY));
        close(fds[1]);
        const std::string number = readFor(fds[0], 10, "\n");
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        name = ":" + number.substr(0, number.find('\n'));
        x = XOpenDisplay(name.c_str());
        ASSERT_NE(x, nullptr);
    }
    void TearDown() override {
        stop(program);
        if (x) XCloseDisplay(x);
        stop(server);
    }

    void startProgram() { program = spawn({BARRAGE_PATH}, {"DISPLAY=" + name, "SDL_VIDEODRIVER"}); }

    Window findWindow(Window root, const std::string& title) {
        char* found = nullptr;
        if (XFetchName(x, root, &found) && found) {
            const bool match = title == found;
            XFree(found);
            if (match) return root;
        }
        Window parent, unused, *children = nullptr;
        unsigned count = 0;
        Window result = 0;
        if (XQueryTree(x, root, &unused, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && !result; ++i) result = findWindow(children[i], title);
            if (children) XFree(children);
        }
        return result;
    }

    Window waitForWindow(const std::string& title) {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (Clock::now() < deadline) {
            if (Window found = findWindow(DefaultRootWindow(x), title)) return found;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return 0;
    }

    pid_t server = -1;
    pid_t program = -1;
    std::string name;
    Display* x = nullptr;
};

TEST_F(WindowTest, ShowsTheRingInATitledWindowAndEndsOnAKey) {
    startProgram();
    const Window window = waitForWindow("barrage");
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
    EXPECT_EQ(waitExit(program, 1.5), 0);
    program = -1;
    waitExit(typist, 5);
}

TEST_F(WindowTest, TheCloseButtonEndsItWithStatusZero) {
    startProgram();
    const Window window = waitForWindow("barrage");
    ASSERT_NE(window, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
    EXPECT_EQ(waitExit(program, 1.0), 0);
    program = -1;
}

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(pipe(errors), 0);
        ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    }
    void TearDown() override {
        stop(program);
        close(master);
        close(slave);
        close(errors[0]);
    }
    void startProgram(int input) {
        program = spawn({BARRAGE_PATH}, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, input, errors[1]);
        close(errors[1]);
    }
    bool echoing() {
        termios settings{};
        tcgetattr(slave, &settings);
        return (settings.c_lflag & ECHO) && (settings.c_lflag & ICANON);
    }
    int master = -1, slave = -1, errors[2] = {-1, -1};
    pid_t program = -1;
};

TEST_F(TerminalTest, SaysSoOnceAndEndsOnAKeyTypedInTheTerminal) {
    startProgram(slave);
    const std::string message = readFor(errors[0], 10, "\n");
    EXPECT_NE(message.find("no display"), std::string::npos) << message;
    EXPECT_NE(message.find("press any key"), std::string::npos) << message;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(echoing());
    ASSERT_EQ(write(master, "q", 1), 1);
    EXPECT_EQ(waitExit(program, 1.0), 0);
    program = -1;
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, SigtermEndsItCleanlyAndRestoresTheTerminal) {
    startProgram(slave);
    readFor(errors[0], 10, "\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(echoing());
    kill(program, SIGTERM);
    EXPECT_EQ(waitExit(program, 1.0), 0);
    program = -1;
    EXPECT_TRUE(echoing());
}

TEST_F(TerminalTest, WithoutATerminalSigintEndsIt) {
    startProgram(open("/dev/null", O_RDONLY));
    const std::string message = readFor(errors[0], 10, "\n");
    EXPECT_NE(message.find("SIGINT"), std::string::npos) << message;
    kill(program, SIGINT);
    EXPECT_EQ(waitExit(program, 1.0), 0);
    program = -1;
}

}  // namespace
