// SDL2 window: shows the visible page through the palette, scaled by whole
// multiples and centred, and turns keyboard and window events into keys. The
// only file that knows SDL; the display service reaches it through the table
// at the bottom, from OpenScreen, WaitVerticalRetrace, PollKey and CloseScreen.
#include <SDL.h>
#include <SDL_syswm.h>
#include <unistd.h>

#include <cstring>

#include "display_sdl/SdlWindow.h"
#include "display_sdl/WindowEvents.h"

namespace display_sdl {

using namespace screen;  // the pages, the palette, the key codes
using display::WindowHandle;
using display::WindowSystem;

// Two ways to show the page: through a graphics processor (a streaming texture
// scaled by the renderer, presents that wait for the retrace), or, where the
// only renderer would rasterise in software, by writing the window's own
// pixels directly, which costs the least processor time.
struct SdlWindow {
    SDL_Window* window = nullptr;      // the 640 x 480 window, resizable
    SDL_Renderer* renderer = nullptr;  // hardware path: presents the picture; none on the direct path
    SDL_Texture* texture = nullptr;    // hardware path: the visible page through the palette
    uint32_t colours[PALETTE_SIZE] = {};  // palette as texture pixels
    SDL_Surface* surface = nullptr;    // direct path: the window's pixels as last seen (not owned)
    uint32_t surfaceColours[PALETTE_SIZE] = {};  // direct path: palette in the surface's format
    int32_t pictureStale = 0;          // flag: the window lost its picture (resized, exposed)
    int32_t hidden = 0;                // flag: minimised or hidden; nothing is drawn into it
    int32_t fullScreen = 0;            // flag: Alt+Enter switched to full screen
    int32_t height = SCREEN_HEIGHT;    // rows of the picture: the screen's, or more with a status strip
    int32_t gone = 0;                  // flag: another program destroyed the window
};

namespace {

// The service holds the record as the table's opaque handle.
SdlWindow* own(WindowHandle* handle) { return reinterpret_cast<SdlWindow*>(handle); }
WindowHandle* handleOf(SdlWindow* window) { return reinterpret_cast<WindowHandle*>(window); }

// A window that another program destroys (xdotool windowclose, say) is the
// close request, not the end of the process: Xlib's own handler would print
// the failed request and exit with status 1. The X server reports it
// asynchronously, from whichever call touches the window next, so the record
// of it lives here for the handler to reach.
struct ForeignDestruction {
    ::Display* x = nullptr;                            // the X connection SDL opened, while a window is open
    unsigned long windowId = 0;                        // the X window of the open window, 0 if none
    int (*previous)(::Display*, XErrorEvent*) = nullptr;  // Xlib's handler before ours
    volatile int32_t happened = 0;                     // flag: the window is gone
};
ForeignDestruction foreign;

int onXError(::Display* x, XErrorEvent* error) {
    if (foreign.windowId != 0 && error->resourceid == foreign.windowId) {
        foreign.happened = 1;
        return 0;
    }
    return foreign.previous ? foreign.previous(x, error) : 0;
}

void watchForForeignDestruction(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
    foreign.x = info.info.x11.display;
    foreign.windowId = info.info.x11.window;
    foreign.happened = 0;
    foreign.previous = XSetErrorHandler(onXError);
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
}

bool destroysOurWindow(const SDL_Event& event) {
    if (event.type != SDL_SYSWMEVENT || !event.syswm.msg || event.syswm.msg->subsystem != SDL_SYSWM_X11) return false;
    const XEvent& x = event.syswm.msg->msg.x11.event;
    return x.type == DestroyNotify && x.xdestroywindow.window == foreign.windowId;
}

bool isFallbackDriver(const char* driver) {
    return driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
}

bool chosenByUser(const char* driver) {
    const char* chosen = SDL_getenv("SDL_VIDEODRIVER");
    return chosen && driver && SDL_strcasestr(chosen, driver) != nullptr;
}

// A renderer whose OpenGL is a software rasteriser costs milliseconds of
// processor time a frame for what a direct write of the pixels does in a
// fraction of one.
bool rasterisesInSoftware(SDL_Renderer* renderer) {
    SDL_RendererInfo info{};
    if (SDL_GetRendererInfo(renderer, &info) != 0 || (info.flags & SDL_RENDERER_SOFTWARE)) return true;
    if (SDL_strncmp(info.name, "opengl", 6) != 0) return false;
    using GetString = const unsigned char* (*)(unsigned);
    const auto getString = reinterpret_cast<GetString>(SDL_GL_GetProcAddress("glGetString"));
    const auto* name = getString ? reinterpret_cast<const char*>(getString(0x1F01 /* GL_RENDERER */)) : nullptr;
    return !name || SDL_strcasestr(name, "llvmpipe") || SDL_strcasestr(name, "softpipe") ||
           SDL_strcasestr(name, "swrast") || SDL_strcasestr(name, "software");
}

// Without a GPU device node any OpenGL is a software one; asking it costs
// tens of milliseconds at start-up and tens of megabytes, for nothing.
bool mayHaveGraphicsProcessor() { return access("/dev/dri", F_OK) == 0 || access("/dev/nvidia0", F_OK) == 0; }

bool openHardwarePath(SdlWindow& window, const char* title) {
    if (!mayHaveGraphicsProcessor()) return false;
    // Hidden and untitled until it proves itself, so nothing looks for it.
    window.window = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, SCREEN_WIDTH, window.height,
                                     SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
    if (!window.window) return false;
    window.renderer = SDL_CreateRenderer(window.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC);
    if (window.renderer && !rasterisesInSoftware(window.renderer)) {
        window.texture = SDL_CreateTexture(window.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING,
                                           SCREEN_WIDTH, window.height);
    }
    if (!window.texture) {
        if (window.renderer) SDL_DestroyRenderer(window.renderer);
        SDL_DestroyWindow(window.window);
        window.renderer = nullptr;
        window.window = nullptr;
        return false;
    }
    SDL_RenderSetLogicalSize(window.renderer, SCREEN_WIDTH, window.height);
    SDL_RenderSetIntegerScale(window.renderer, SDL_TRUE);
    SDL_SetWindowTitle(window.window, title);
    SDL_ShowWindow(window.window);
    return true;
}

// Writes the picture into the window's pixels, scaled by the largest whole
// multiple that fits and centred on black.
void writeSurface(SdlWindow& window, const Screen& screen, const uint8_t* rows) {
    SDL_Surface* surface = SDL_GetWindowSurface(window.window);
    if (!surface || surface->format->BytesPerPixel != 4) return;
    if (surface != window.surface || window.pictureStale) {
        window.surface = surface;
        for (int32_t i = 0; i < PALETTE_SIZE; ++i) {
            window.surfaceColours[i] =
                SDL_MapRGB(surface->format, screen.palette[i][0], screen.palette[i][1], screen.palette[i][2]);
        }
        SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    }
    const int32_t scale = SDL_max(1, SDL_min(surface->w / SCREEN_WIDTH, surface->h / window.height));
    const int32_t width = SDL_min(SCREEN_WIDTH * scale, surface->w), height = SDL_min(window.height * scale, surface->h);
    const int32_t left = (surface->w - width) / 2, top = (surface->h - height) / 2;
    if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) return;
    auto* pixels = static_cast<uint8_t*>(surface->pixels);
    const auto rowAt = [&](int32_t y) {
        return reinterpret_cast<uint32_t*>(pixels + static_cast<ptrdiff_t>(top + y) * surface->pitch) + left;
    };
    const int32_t sourceRows = height / scale, sourceColumns = width / scale;
    for (int32_t sy = 0; sy < sourceRows; ++sy) {
        const uint8_t* source = rows + static_cast<ptrdiff_t>(sy) * SCREEN_WIDTH;
        uint32_t* target = rowAt(sy * scale);
        if (scale == 1) {
            colourRow(target, source, sourceColumns, window.surfaceColours);
            continue;
        }
        // One row of wide pixels, then copies of it for the rest of the block.
        for (int32_t x = 0; x < sourceColumns; ++x) {
            const uint32_t colour = window.surfaceColours[source[x]];
            for (int32_t k = 0; k < scale; ++k) target[x * scale + k] = colour;
        }
        for (int32_t k = 1; k < scale; ++k) std::memcpy(rowAt(sy * scale + k), target, sizeof(uint32_t) * width);
    }
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    window.pictureStale = 0;
}

bool isModifier(SDL_Scancode code) {
    return (code >= SDL_SCANCODE_LCTRL && code <= SDL_SCANCODE_RGUI) || code == SDL_SCANCODE_CAPSLOCK ||
           code == SDL_SCANCODE_NUMLOCKCLEAR || code == SDL_SCANCODE_SCROLLLOCK || code == SDL_SCANCODE_MODE;
}

bool isKeypadCharacter(SDL_Scancode code) {
    return code >= SDL_SCANCODE_KP_DIVIDE && code <= SDL_SCANCODE_KP_PERIOD && code != SDL_SCANCODE_KP_ENTER;
}

// Special keys poll as 255 followed by the key's classic scan code, so that
// programs written for those codes feel at home; keys that have none poll as
// 255 and 0.
int32_t specialKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_UP: return KEY_UP;
        case SDLK_DOWN: return KEY_DOWN;
        case SDLK_LEFT: return KEY_LEFT;
        case SDLK_RIGHT: return KEY_RIGHT;
        case SDLK_HOME: return KEY_HOME;
        case SDLK_END: return KEY_END;
        case SDLK_PAGEUP: return KEY_PAGE_UP;
        case SDLK_PAGEDOWN: return KEY_PAGE_DOWN;
        case SDLK_INSERT: return KEY_INSERT;
        case SDLK_DELETE: return KEY_DELETE;
        case SDLK_F11: return functionKey(11);
        case SDLK_F12: return functionKey(12);
        default: break;
    }
    if (key >= SDLK_F1 && key <= SDLK_F10) return functionKey(key - SDLK_F1 + 1);
    return SPECIAL_KEY;  // any other key without a character of its own
}

// The steering key a key's place on the keyboard is (WASD where they lie in
// every layout), as its HELD_* bit; 0 for any other.
uint32_t steeringBit(SDL_Scancode code) {
    switch (code) {
        case SDL_SCANCODE_UP: case SDL_SCANCODE_W: return HELD_UP;
        case SDL_SCANCODE_DOWN: case SDL_SCANCODE_S: return HELD_DOWN;
        case SDL_SCANCODE_LEFT: case SDL_SCANCODE_A: return HELD_LEFT;
        case SDL_SCANCODE_RIGHT: case SDL_SCANCODE_D: return HELD_RIGHT;
        case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return HELD_SHIFT;
        default: return 0;
    }
}

void handleKeyDown(Screen& screen, WindowRequests& requests, const SDL_KeyboardEvent& event) {
    const SDL_Keycode key = event.keysym.sym;
    const SDL_Scancode code = event.keysym.scancode;
    screen.held |= steeringBit(code);
    const bool alt = (event.keysym.mod & KMOD_ALT) != 0;
    const bool ctrl = (event.keysym.mod & KMOD_CTRL) != 0;
    if (isModifier(code)) return;
    if ((key == SDLK_RETURN || key == SDLK_KP_ENTER) && alt) {
        if (!event.repeat) ++requests.fullScreenToggles;
        return;
    }
    switch (key) {
        case SDLK_ESCAPE: pushKey(screen, KEY_ESCAPE); return;
        case SDLK_RETURN:
        case SDLK_KP_ENTER: pushKey(screen, KEY_ENTER); return;
        case SDLK_BACKSPACE: pushKey(screen, 8); return;
        case SDLK_TAB: pushKey(screen, 9); return;
        default: break;
    }
    if (ctrl && key >= SDLK_a && key <= SDLK_z) {
        pushKey(screen, key - SDLK_a + 1);
        return;
    }
    // Keys that type a character arrive as text input, in the user's layout.
    if ((key & SDLK_SCANCODE_MASK) == 0 || isKeypadCharacter(code)) return;
    pushKey(screen, specialKey(key));
}

void handleTextInput(Screen& screen, const char* text) {
    // UTF-8 to character codes; characters beyond 255 have no code and poll as '?'.
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    while (*bytes) {
        uint32_t point = *bytes++;
        int32_t more = point >= 0xF0 ? 3 : point >= 0xE0 ? 2 : point >= 0xC0 ? 1 : 0;
        point &= more == 3 ? 0x07u : more == 2 ? 0x0Fu : more == 1 ? 0x1Fu : 0x7Fu;
        for (; more > 0 && (*bytes & 0xC0) == 0x80; --more) point = (point << 6) | (*bytes++ & 0x3Fu);
        if (point == 0) continue;
        pushKey(screen, point <= 255 ? static_cast<int32_t>(point) : '?');
    }
}

}  // namespace

void translateWindowEvent(const SDL_Event& event, Screen& screen, WindowRequests& requests) {
    switch (event.type) {
        case SDL_QUIT: pushKey(screen, CLOSE_KEY); break;
        case SDL_KEYDOWN: handleKeyDown(screen, requests, event.key); break;
        case SDL_KEYUP: screen.held &= ~steeringBit(event.key.keysym.scancode); break;
        case SDL_TEXTINPUT: handleTextInput(screen, event.text.text); break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_FOCUS_LOST: screen.held = 0; break;  // its releases go elsewhere
                case SDL_WINDOWEVENT_SIZE_CHANGED:
                case SDL_WINDOWEVENT_EXPOSED: requests.pictureLost = -1; break;
                case SDL_WINDOWEVENT_MINIMIZED:
                case SDL_WINDOWEVENT_HIDDEN: requests.visibility = -1; break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_SHOWN: requests.visibility = 1; break;
                default: break;
            }
            break;
        default: break;
    }
}

namespace {

void closeWindow(WindowHandle* opaque);

WindowHandle* openWindow(const Screen& screen, const display::OpenRequest& request, const char** reason) {
    const int32_t height = request.height;
    const char* title = request.title;
    SdlWindow* handle = new SdlWindow{};
    handle->height = height < SCREEN_HEIGHT ? SCREEN_HEIGHT : height > VIEW_HEIGHT ? VIEW_HEIGHT : height;
    SdlWindow& window = *handle;
    // The service handles SIGINT and SIGTERM itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    // Without a runtime directory no Wayland compositor can be reached, and
    // asking for one only prints complaints: try the others.
    if (!SDL_getenv("SDL_VIDEODRIVER") && !SDL_getenv("XDG_RUNTIME_DIR")) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11,kmsdrm");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        const bool anyDisplaySet = SDL_getenv("DISPLAY") || SDL_getenv("WAYLAND_DISPLAY");
        *reason = anyDisplaySet ? SDL_GetError() : "DISPLAY is not set";
        delete handle;
        return nullptr;
    }
    const char* driver = SDL_GetCurrentVideoDriver();
    if (isFallbackDriver(driver) && !chosenByUser(driver)) {
        *reason = "only an off-screen video driver is available";
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        delete handle;
        return nullptr;
    }
    if (!openHardwarePath(window, title)) {
        // The window's own pixels, not a texture that a renderer would draw.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        window.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, SCREEN_WIDTH,
                                         window.height, SDL_WINDOW_RESIZABLE);
        if (!window.window || !SDL_GetWindowSurface(window.window)) {
            *reason = SDL_GetError();
            closeWindow(handleOf(handle));
            return nullptr;
        }
    }
    SDL_SetWindowMinimumSize(window.window, SCREEN_WIDTH, window.height);
    for (int32_t i = 0; i < PALETTE_SIZE; ++i) {
        window.colours[i] = 0xFF000000u | (uint32_t{screen.palette[i][0]} << 16) |
                            (uint32_t{screen.palette[i][1]} << 8) | uint32_t{screen.palette[i][2]};
    }
    SDL_StartTextInput();
    watchForForeignDestruction(window.window);
    return handleOf(handle);
}

void pumpWindowEvents(WindowHandle* opaque, Screen& screen) {
    SdlWindow& window = *own(opaque);
    WindowRequests requests;
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (destroysOurWindow(event)) foreign.happened = 1;
        translateWindowEvent(event, screen, requests);
    }
    if (foreign.happened && !window.gone) {
        window.gone = -1;
        pushKey(screen, CLOSE_KEY);
    }
    if (window.gone) return;
    if (requests.pictureLost) window.pictureStale = -1;
    if (requests.visibility) {
        window.hidden = requests.visibility < 0 ? -1 : 0;
        window.pictureStale = -1;
    }
    // However many Alt+Enter presses were queued, one switch at most: each
    // one can block for a good part of a second without a window manager.
    if (requests.fullScreenToggles % 2 != 0) {
        window.fullScreen = !window.fullScreen;
        SDL_SetWindowFullscreen(window.window, window.fullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    }
}

void uploadPicture(WindowHandle* opaque, const Screen& screen, const uint8_t* rows, int32_t changed) {
    SdlWindow& window = *own(opaque);
    // A hidden window keeps its time going but gets no picture; a window
    // destroyed from outside gets none either.
    if (window.hidden || window.gone || (!changed && !window.pictureStale)) return;
    if (!window.renderer) {
        writeSurface(window, screen, rows);
        return;
    }
    window.pictureStale = 0;
    void* pixels = nullptr;
    int pitch = 0;
    if (SDL_LockTexture(window.texture, nullptr, &pixels, &pitch) != 0) return;
    for (int32_t y = 0; y < window.height; ++y) {
        const uint8_t* source = rows + static_cast<ptrdiff_t>(y) * SCREEN_WIDTH;
        auto* target = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + static_cast<ptrdiff_t>(y) * pitch);
        colourRow(target, source, SCREEN_WIDTH, window.colours);
    }
    SDL_UnlockTexture(window.texture);
}

void presentWindow(WindowHandle* opaque) {
    SdlWindow& window = *own(opaque);
    if (window.hidden || window.gone) return;
    if (window.renderer) {
        SDL_SetRenderDrawColor(window.renderer, 0, 0, 0, 255);
        SDL_RenderClear(window.renderer);
        SDL_RenderCopy(window.renderer, window.texture, nullptr, nullptr);
        SDL_RenderPresent(window.renderer);
    } else {
        SDL_UpdateWindowSurface(window.window);
    }
}

void closeWindow(WindowHandle* opaque) {
    SdlWindow* window = own(opaque);
    if (window->texture) SDL_DestroyTexture(window->texture);
    if (window->renderer) SDL_DestroyRenderer(window->renderer);
    if (window->window) SDL_DestroyWindow(window->window);
    // SDL gives Xlib its own error handler back as it quits: what the server
    // has to say about a window already destroyed must reach ours first.
    if (foreign.x) XSync(foreign.x, False);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    SDL_Quit();
    // Xlib's own handler again, once nothing can report on the window.
    if (foreign.windowId != 0) XSetErrorHandler(foreign.previous);
    foreign = ForeignDestruction{};
    delete window;
}

}  // namespace

const WindowSystem* sdlWindowSystem() {
    static constexpr WindowSystem SDL_WINDOWS{openWindow, pumpWindowEvents, uploadPicture, presentWindow,
                                              closeWindow, nullptr,   nullptr,       nullptr,
                                              nullptr,     display::PACED_BY_SERVICE, -1, 0};
    return &SDL_WINDOWS;
}

}  // namespace display_sdl
