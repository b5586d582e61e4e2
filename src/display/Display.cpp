// The display service: one Screen for the whole program, shown through a
// window, the terminal, or nothing at all (headless). The service is the one
// place with global state (the window backends keep what their platform
// keeps); it is touched from the one program thread and from the signal
// handlers, which only set a flag or restore the terminal.
#include "display/Display.h"

#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "display/Control.h"
#include "display/Pacer.h"
#include "display/Terminal.h"
#include "display/WindowSystem.h"

namespace display {

namespace {

struct ScriptedKey {
    int64_t afterRetraces = 0;  // retrace count at which the key arrives
    int32_t code = 0;           // key code
};

struct Service {
    Backend chosen = Backend::Automatic;   // chosen before OpenScreen
    const WindowSystem* windows = nullptr;  // installed by the program; none in tools
    Backend open = Backend::Closed;        // what OpenScreen found
    int32_t pageChanged = 0;               // flag: the visible page differs from the picture
    int64_t retraces = 0;                  // WaitVerticalRetrace calls since OpenScreen
    int32_t scriptedCount = 0;             // keys waiting in script
    ScriptedKey script[KEY_BUFFER_SIZE];   // keys still to arrive, in order
    Screen screen;
    WindowHandle* window = nullptr;        // the window backend's own record, while open
    Terminal terminal;
    Pacer pacer;  // the one frame schedule, whatever shows the frames
    const Layers* layers = nullptr;        // a viewer's layers over and under the picture; the caller's
    uint8_t view[VIEW_HEIGHT][SCREEN_WIDTH] = {};  // the picture with the layers, as the window shows it
};

Service service;
volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t continued = 0;  // flag: the process was stopped and has gone on
volatile std::sig_atomic_t resized = 0;    // flag: the terminal's size changed

constexpr int END_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};
// Every other signal whose default is to end the process: the terminal is
// restored, then the process ends of it as it would have.
constexpr int FATAL_SIGNALS[] = {SIGSEGV, SIGBUS,    SIGFPE,  SIGILL,  SIGABRT, SIGQUIT,   SIGTRAP, SIGSYS,
                                 SIGUSR1, SIGUSR2,   SIGALRM, SIGPIPE, SIGVTALRM, SIGPROF, SIGXCPU, SIGXFSZ,
                                 SIGIO,   SIGSTKFLT, SIGPWR};
constexpr int RESIZE_SIGNALS[] = {SIGWINCH};
constexpr int STOP_SIGNALS[] = {SIGTSTP};
constexpr int CONTINUE_SIGNALS[] = {SIGCONT};

// A signal ignored when the program started stays ignored: SIGHUP under
// nohup, SIGINT in a shell's background job.
void installHandler(void (*handler)(int), const int* signals, size_t count) {
    struct sigaction action{};
    sigemptyset(&action.sa_mask);
    action.sa_handler = handler;
    for (size_t i = 0; i < count; ++i) {
        struct sigaction before{};
        if (sigaction(signals[i], nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(signals[i], &action, nullptr);
    }
}

void installFatalHandlers(void (*handler)(int)) {
    installHandler(handler, FATAL_SIGNALS, std::size(FATAL_SIGNALS));
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; ++signal) installHandler(handler, &signal, 1);
}

void onResizeSignal(int) { resized = 1; }

void onEndSignal(int) { stopRequested = 1; }

void onFatalSignal(int signal) {
    // Leave the user's terminal usable, then die of the same signal.
    restoreTerminalSettings(service.terminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Ctrl+Z: the terminal goes back to the user as it was, then the process
// stops as it would have without a handler.
void onStopSignal(int signal) {
    const int savedErrno = errno;
    restoreTerminalSettings(service.terminal);
    std::signal(signal, SIG_DFL);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, signal);
    pthread_sigmask(SIG_UNBLOCK, &stop, nullptr);
    std::raise(signal);
    // Continued: onContinueSignal has run; take the stop again next time.
    installHandler(onStopSignal, &signal, 1);
    errno = savedErrno;
}

// fg (or bg, or SIGCONT however sent): keys without echo again, the status
// line drawn anew; the frame schedule starts again by itself, without
// catching up the frames it missed.
void onContinueSignal(int) {
    const int savedErrno = errno;
    resumeTerminalSettings(service.terminal);
    continued = 1;
    errno = savedErrno;
}

// The window's title: the program's file name without directory or extension.
const char* programTitle() {
    static char title[64];
    const char* name = program_invocation_short_name;
    std::strncpy(title, name ? name : "barrage", sizeof title - 1);
    char* dot = std::strrchr(title, '.');
    if (dot && dot != title) *dot = '\0';
    return title;
}

void deliverScriptedKeys() {
    int32_t kept = 0;
    for (int32_t i = 0; i < service.scriptedCount; ++i) {
        if (service.script[i].afterRetraces <= service.retraces) {
            pushKey(service.screen, service.script[i].code);
        } else {
            service.script[kept++] = service.script[i];
        }
    }
    service.scriptedCount = kept;
}

void gatherKeys() {
    if (service.open == Backend::Window) service.windows->pumpEvents(service.window, service.screen);
    if (service.open == Backend::Terminal) readTerminalKeys(service.terminal, service.screen);
    if (stopRequested) {
        stopRequested = 0;
        pushKey(service.screen, CLOSE_KEY);
    }
}

}  // namespace

void SelectBackend(Backend backend) { service.chosen = backend; }

void UseWindowSystem(const WindowSystem* system) { service.windows = system; }

void UseLayers(const Layers* layers) { service.layers = layers; }

void ClearTextScreen() { clearText(service.screen); }

void OpenScreen(int32_t, int32_t, int32_t, int32_t, int32_t) {
    if (service.open != Backend::Closed) CloseScreen();
    openScreen(service.screen);
    service.retraces = 0;
    service.pageChanged = -1;
    deliverScriptedKeys();
    if (service.chosen == Backend::Headless) {
        service.open = Backend::Headless;
        return;
    }
    installHandler(onEndSignal, END_SIGNALS, std::size(END_SIGNALS));
    const char* reason = "this program has no window system";
    startPacer(service.pacer, steadyNowNs());
    const int32_t height = service.layers ? VIEW_HEIGHT : SCREEN_HEIGHT;
    if (service.windows) service.window = service.windows->open(service.screen, height, programTitle(), &reason);
    if (service.window) {
        service.open = Backend::Window;
        return;
    }
    service.open = Backend::Terminal;
    openTerminal(service.terminal, programTitle(), reason);
    // Whatever ends or stops the process, the user's terminal must be left usable.
    installFatalHandlers(onFatalSignal);
    installHandler(onResizeSignal, RESIZE_SIGNALS, std::size(RESIZE_SIGNALS));
    if (service.terminal.settingsSaved) {
        installHandler(onStopSignal, STOP_SIGNALS, std::size(STOP_SIGNALS));
        installHandler(onContinueSignal, CONTINUE_SIGNALS, std::size(CONTINUE_SIGNALS));
    }
}

void SetPages(int32_t workPage, int32_t visiblePage) {
    const int32_t shown = service.screen.visiblePage;
    setPages(service.screen, workPage, visiblePage);
    if (service.screen.visiblePage != shown) service.pageChanged = -1;
}

void FillBox(float x1, float y1, float x2, float y2, int32_t colour, int32_t) {
    fillBox(service.screen, x1, y1, x2, y2, colour);
}

void DrawCircle(float x, float y, float radius, int32_t colour, float, float, float, int32_t) {
    drawCircle(service.screen, x, y, radius, colour);
}

void WaitVerticalRetrace() {
    if (service.open == Backend::Closed) return;
    ++service.retraces;
    deliverScriptedKeys();
    switch (service.open) {
        case Backend::Window:
            service.windows->pumpEvents(service.window, service.screen);
            if (service.windows->hostPaced) break;
            ShowVisiblePage();
            waitForTick(service.pacer);
            break;
        case Backend::Terminal:
            if (resized) {
                resized = 0;
                terminalResized(service.terminal);
            }
            if (continued) {
                continued = 0;
                service.terminal.lastStatusNs = 0;  // redraw the status line at once
            }
            readTerminalKeys(service.terminal, service.screen);
            showTerminalStatus(service.terminal, service.screen);
            waitForTick(service.pacer);
            break;
        default: break;
    }
}

int32_t FramesDue(int64_t hostNowNs) { return ticksDue(service.pacer, hostNowNs); }

void ShowVisiblePage() {
    if (service.open != Backend::Window) return;
    if (service.layers) {
        // The layers may have changed whether the page did or not.
        composeView(service.screen, *service.layers, service.view);
        service.windows->upload(service.window, service.screen, &service.view[0][0], -1);
    } else {
        const uint8_t* page = &service.screen.pages[service.screen.visiblePage][0][0];
        service.windows->upload(service.window, service.screen, page, service.pageChanged);
    }
    service.pageChanged = 0;
    service.windows->present(service.window);
}

void CopyWorkPage(int32_t fromPage, int32_t toPage) {
    if (copyWorkPage(service.screen, fromPage, toPage)) service.pageChanged = -1;
}

void LocateText(int32_t row, int32_t column) { locateText(service.screen, row, column); }

void PrintText(std::string_view text, bool newline) {
    const auto length = static_cast<int32_t>(text.size() > 4096 ? 4096 : text.size());
    printText(service.screen, text.data(), length, newline);
}

void PrintInteger(int32_t value, bool newline) {
    printInteger(service.screen, value, newline);
}

KeyString PollKey() {
    gatherKeys();
    return pollKey(service.screen);
}

void CloseScreen() {
    switch (service.open) {
        case Backend::Window:
            service.windows->close(service.window);
            service.window = nullptr;
            break;
        case Backend::Terminal: closeTerminal(service.terminal); break;
        default: break;
    }
    service.open = Backend::Closed;
    service.screen.isOpen = 0;
}

void EndProgram(int32_t status) {
    CloseScreen();
    std::exit(status);
}

const Screen& CurrentScreen() { return service.screen; }

void ScriptKey(int64_t afterRetraces, int32_t code) {
    if (service.scriptedCount < KEY_BUFFER_SIZE) service.script[service.scriptedCount++] = {afterRetraces, code};
}

int64_t RetraceCount() { return service.retraces; }

int32_t RefreshRate() {
    switch (service.open) {
        case Backend::Window:
        case Backend::Terminal: return TICKS_PER_SECOND;
        default: return 0;
    }
}

}  // namespace display
