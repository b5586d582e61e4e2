// The headless backend: a table of operations that do nothing but keep the
// record the service holds.
#include "display_headless/Headless.h"

namespace display_headless {

namespace {

using display::WindowHandle;

struct HeadlessDisplay {
    int32_t open = 0;  // flag: opened and not yet closed
};

HeadlessDisplay memoryOnly;  // the one headless display; it holds nothing of its own

WindowHandle* open(const screen::Screen&, const display::OpenRequest&, const char**) {
    memoryOnly.open = -1;
    return reinterpret_cast<WindowHandle*>(&memoryOnly);
}
void pumpEvents(WindowHandle*, screen::Screen&) {}
void upload(WindowHandle*, const screen::Screen&, const uint8_t*, int32_t) {}
void present(WindowHandle*) {}
void close(WindowHandle*) { memoryOnly.open = 0; }

}  // namespace

const display::WindowSystem* headlessSystem() {
    static constexpr display::WindowSystem HEADLESS{open,    pumpEvents, upload, present, close,
                                                    nullptr, nullptr,    nullptr, display::NOT_PACED, 0, 0};
    return &HEADLESS;
}

}  // namespace display_headless
