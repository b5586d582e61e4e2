// Child processes for end-to-end tests and benchmarks: start a program with
// changes to its environment, wait for it with a time limit, read what it
// prints, and run a private X server.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

using Clock = std::chrono::steady_clock;

// Starts a program with extra environment settings ("NAME=value", or "NAME" to
// remove it) and the given standard input, error and output (-1 keeps ours).
// With ownGroup the program leads a process group of its own, whose parent
// (this process) is outside it: a job a shell could stop and continue.
inline pid_t spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, int in = -1,
                   int err = -1, int out = -1, bool ownGroup = false) {
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (ownGroup) setpgid(0, 0);
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
    if (out >= 0) dup2(out, STDOUT_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Waits up to the given time; returns the exit status (128 + signal if killed),
// or -1 if the program is still running. Its resource use lands in usage.
inline int waitExit(pid_t pid, double seconds, rusage* usage = nullptr) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    rusage ignored{};
    while (Clock::now() < deadline) {
        if (wait4(pid, &status, WNOHANG, usage ? usage : &ignored) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return -1;
}

// Waits up to the given time for the program to stop (as on Ctrl+Z).
inline bool waitStopped(pid_t pid, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    int status = 0;
    while (Clock::now() < deadline) {
        if (waitpid(pid, &status, WUNTRACED | WNOHANG) == pid && WIFSTOPPED(status)) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return false;
}

inline void stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

inline bool onPath(const char* program) {
    return std::system((std::string("command -v ") + program + " >/dev/null 2>&1").c_str()) == 0;
}

// What a file descriptor gives within the time, or until the text appears.
inline std::string readFor(int fd, double seconds, const std::string& until) {
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

// A private X server on a free display number, stopped with the object.
struct XServer {
    pid_t pid = -1;
    std::string name;  // ":N", empty if it did not start

    explicit XServer(const std::string& screen = "800x600x24") {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid = spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"},
                    {}, -1, open("/dev/null", O_WRONLY));
        close(fds[1]);
        const std::string number = readFor(fds[0], 10, "\n");
        close(fds[0]);
        if (!number.empty()) name = ":" + number.substr(0, number.find('\n'));
    }
    ~XServer() { stop(pid); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
};

}  // namespace testing_support
