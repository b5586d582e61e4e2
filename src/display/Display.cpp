// The display service: one Screen for the whole program, shown through the
// backend the program chose (a window, the terminal, the web page's canvas)
// or through none (headless). The service is the one place with global state
// (the backends keep what their platform keeps); it is touched from the one
// program thread and from the signal handlers, which only set a flag or ask
// the backend to restore the terminal.
#include "display/Display.h"

#include <pthread.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "display/Control.h"
#include "display/Pacer.h"
#include "display/WindowSystem.h"

namespace display {

namespace {

using screen::Screen;

struct ScriptedKey {
    int64_t afterRetraces = 0;  // retrace count at which the key arrives
    int32_t code = 0;           // key code
};

struct Service {
    const WindowSystem* windows = nullptr;   // tried first at OpenScreen; none: the pages only
    const WindowSystem* fallback = nullptr;  // tried when the first gives none
    const WindowSystem* open = nullptr;      // the backend OpenScreen opened; none: none or closed
    WindowHandle* handle = nullptr;          // that backend's own record, while open
    int32_t pageChanged = 0;                 // flag: the visible page differs from the picture
    int64_t retraces = 0;                    // WaitVerticalRetrace calls since OpenScreen
    int32_t scriptedCount = 0;               // keys waiting in script
    ScriptedKey script[screen::KEY_BUFFER_SIZE];  // keys still to arrive, in order
    Screen screen;
    Pacer pacer;                             // the one frame schedule, whatever shows the frames
    const screen::Layers* layers = nullptr;  // a viewer's layers over and under the picture; the caller's
    const char* keys = nullptr;              // what the keys do, for the user; the caller's
    uint8_t view[screen::VIEW_HEIGHT][screen::SCREEN_WIDTH] = {};  // the picture with the layers, as shown
    screen::ComposedStrip strip;             // what the view's status strip shows
};

Service service;
volatile std::sig_atomic_t stopRequested = 0;

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

// The open backend's own answer to a signal, if it has one.
void tellBackend(void (*WindowSystem::*answer)(WindowHandle*)) {
    if (service.open && service.open->*answer) (service.open->*answer)(service.handle);
}

void onResizeSignal(int) {
    const int savedErrno = errno;
    tellBackend(&WindowSystem::resized);
    errno = savedErrno;
}

void onEndSignal(int) { stopRequested = 1; }

void onFatalSignal(int signal) {
    // Leave the user's terminal usable, then die of the same signal.
    tellBackend(&WindowSystem::restore);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// Ctrl+Z: the terminal goes back to the user as it was, then the process
// stops as it would have without a handler.
void onStopSignal(int signal) {
    const int savedErrno = errno;
    tellBackend(&WindowSystem::restore);
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

// fg (or bg, or SIGCONT however sent): the backend takes the terminal again;
// the frame schedule starts again by itself, without catching up the frames
// it missed.
void onContinueSignal(int) {
    const int savedErrno = errno;
    tellBackend(&WindowSystem::continued);
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
            screen::pushKey(service.screen, service.script[i].code);
        } else {
            service.script[kept++] = service.script[i];
        }
    }
    service.scriptedCount = kept;
}

void gatherKeys() {
    if (service.open) service.open->pumpEvents(service.handle, service.screen);
    if (stopRequested) {
        stopRequested = 0;
        screen::pushKey(service.screen, screen::CLOSE_KEY);
    }
}

// Opens the backend, or none when it gives no handle; reason says why.
bool openBackend(const WindowSystem* system, const char** reason) {
    if (!system) return false;
    OpenRequest request;
    request.height = service.layers ? screen::VIEW_HEIGHT : screen::SCREEN_HEIGHT;
    request.title = programTitle();
    request.keys = service.keys;
    request.layers = service.layers;
    if (system->endSignals) installHandler(onEndSignal, END_SIGNALS, std::size(END_SIGNALS));
    service.handle = system->open(service.screen, request, reason);
    if (!service.handle) return false;
    service.open = system;
    if (system->ownsTerminal) {
        // Whatever ends or stops the process, the user's terminal must be left usable.
        installFatalHandlers(onFatalSignal);
        installHandler(onResizeSignal, RESIZE_SIGNALS, std::size(RESIZE_SIGNALS));
        installHandler(onStopSignal, STOP_SIGNALS, std::size(STOP_SIGNALS));
        installHandler(onContinueSignal, CONTINUE_SIGNALS, std::size(CONTINUE_SIGNALS));
    }
    return true;
}

}  // namespace

void UseWindowSystem(const WindowSystem* system, const WindowSystem* fallback) {
    service.windows = system;
    service.fallback = fallback;
}

void UseLayers(const screen::Layers* layers) { service.layers = layers; }

void UseKeyHelp(const char* keys) { service.keys = keys; }

void ClearTextScreen() { screen::clearText(service.screen); }

void OpenScreen(int32_t, int32_t, int32_t, int32_t, int32_t) {
    if (service.screen.isOpen) CloseScreen();
    screen::openScreen(service.screen);
    service.retraces = 0;
    service.pageChanged = -1;
    deliverScriptedKeys();
    startPacer(service.pacer, steadyNowNs());
    const char* reason = "this program has no window system";
    if (!openBackend(service.windows, &reason)) openBackend(service.fallback, &reason);
}

void SetPages(int32_t workPage, int32_t visiblePage) {
    const int32_t shown = service.screen.visiblePage;
    screen::setPages(service.screen, workPage, visiblePage);
    if (service.screen.visiblePage != shown) service.pageChanged = -1;
}

void FillBox(float x1, float y1, float x2, float y2, int32_t colour, int32_t) {
    screen::fillBox(service.screen, x1, y1, x2, y2, colour);
}

void DrawCircle(float x, float y, float radius, int32_t colour, float, float, float, int32_t) {
    screen::drawCircle(service.screen, x, y, radius, colour);
}

void WaitVerticalRetrace() {
    if (!service.screen.isOpen) return;
    ++service.retraces;
    screen::ageSteering(service.screen);
    deliverScriptedKeys();
    if (!service.open) return;
    service.open->pumpEvents(service.handle, service.screen);
    if (service.open->pacing != PACED_BY_SERVICE) return;
    ShowVisiblePage();
    waitForTick(service.pacer);
}

int32_t FramesDue(int64_t hostNowNs) { return ticksDue(service.pacer, hostNowNs); }

void ShowVisiblePage() {
    if (!service.open) return;
    if (service.layers) {
        // The layers may have changed whether the page did or not.
        screen::composeView(service.screen, *service.layers, service.view, service.strip);
        service.open->upload(service.handle, service.screen, &service.view[0][0], -1);
    } else {
        const uint8_t* page = &service.screen.pages[service.screen.visiblePage][0][0];
        service.open->upload(service.handle, service.screen, page, service.pageChanged);
    }
    service.pageChanged = 0;
    service.open->present(service.handle);
}

void CopyWorkPage(int32_t fromPage, int32_t toPage) {
    if (screen::copyWorkPage(service.screen, fromPage, toPage)) service.pageChanged = -1;
}

void LocateText(int32_t row, int32_t column) { screen::locateText(service.screen, row, column); }

void PrintText(std::string_view text, bool newline) {
    const auto length = static_cast<int32_t>(text.size() > 4096 ? 4096 : text.size());
    screen::printText(service.screen, text.data(), length, newline);
}

void PrintInteger(int32_t value, bool newline) { screen::printInteger(service.screen, value, newline); }

screen::KeyString PollKey() {
    gatherKeys();
    return screen::pollKey(service.screen);
}

void CloseScreen() {
    const WindowSystem* open = service.open;
    service.open = nullptr;  // before the backend goes: a signal now finds nothing open
    if (open) open->close(service.handle);
    service.handle = nullptr;
    service.screen.isOpen = 0;
}

void EndProgram(int32_t status) {
    CloseScreen();
    std::exit(status);
}

const Screen& CurrentScreen() { return service.screen; }

void TellUser(const char* line) {
    if (service.open && service.open->tell) {
        service.open->tell(service.handle, line);
    } else {
        std::fprintf(stderr, "%s\n", line);
    }
}

void ScriptKey(int64_t afterRetraces, int32_t code) {
    if (service.scriptedCount < screen::KEY_BUFFER_SIZE) service.script[service.scriptedCount++] = {afterRetraces, code};
}

int64_t RetraceCount() { return service.retraces; }

uint32_t HeldKeys() { return service.screen.held; }

void HoldKeys(uint32_t held) { service.screen.held = held; }

int32_t RefreshRate() { return service.open && service.open->pacing != NOT_PACED ? TICKS_PER_SECOND : 0; }

}  // namespace display
