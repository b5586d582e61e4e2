// Finding a program's window on an X server, for end-to-end tests and
// benchmarks. Include after gtest: Xlib's macros clash with its templates.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <string>
#include <thread>

#include "support/Pictures.h"

namespace testing_support {

inline Window findWindow(Display* x, Window root, const std::string& title) {
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
        for (unsigned i = 0; i < count && !result; ++i) result = findWindow(x, children[i], title);
        if (children) XFree(children);
    }
    return result;
}

// Polls every half millisecond; 0 if no such window appears in time.
inline Window waitForWindow(Display* x, const std::string& title, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Window found = findWindow(x, DefaultRootWindow(x), title)) return found;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return 0;
}

// The pixel's RGB, or -1 if the window cannot be read.
inline long pixelOf(Display* x, Window window, int px, int py) {
    XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    XImage* image = XGetImage(x, window, px, py, 1, 1, AllPlanes, ZPixmap);
    XSync(x, False);
    XSetErrorHandler(previous);
    if (!image) return -1;
    const long rgb = static_cast<long>(XGetPixel(image, 0, 0) & 0xFFFFFF);
    XDestroyImage(image);
    return rgb;
}

// Pixels of the window, from (left, top), that differ from the picture shown
// at `scale`; -1 if the window cannot be read there.
inline int differingPixels(Display* x, Window window, int left, int top, int scale, const Picture& picture) {
    const int width = picture.width * scale, height = picture.height * scale;
    if (left < 0 || top < 0) return -1;
    XImage* image = XGetImage(x, window, left, top, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return -1;
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int xx = 0; xx < width; ++xx) {
            const uint8_t* want = &picture.rgb[static_cast<size_t>(((y / scale) * picture.width + xx / scale) * 3)];
            const unsigned long rgb = (static_cast<unsigned long>(want[0]) << 16) |
                                      (static_cast<unsigned long>(want[1]) << 8) | want[2];
            differing += (XGetPixel(image, xx, y) & 0xFFFFFF) != rgb;
        }
    }
    XDestroyImage(image);
    return differing;
}

// Sends the window manager's close request, as the close button does.
inline void requestClose(Display* x, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
}

}  // namespace testing_support
