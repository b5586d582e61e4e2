// The headless backend: a table of operations that do nothing but keep the
// record the service holds.
#include "display_headless/Headless.h"

namespace display_headless {

namespace {

using display::WindowHandle;

// The pages are the service's: the record is only there to be handed out.
struct HeadlessDisplay {
    int32_t reserved = 0;  // unused
};

HeadlessDisplay memoryOnly;  // the one headless display

WindowHandle* open(const screen::Screen&, const display::OpenRequest&, const char**) {
    return reinterpret_cast<WindowHandle*>(&memoryOnly);
}
void pumpEvents(WindowHandle*, screen::Screen&) {}
void upload(WindowHandle*, const screen::Screen&, const uint8_t*, int32_t) {}
void present(WindowHandle*) {}
void close(WindowHandle*) {}

}  // namespace

const display::WindowSystem* headlessSystem() {
    static constexpr display::WindowSystem HEADLESS{open,    pumpEvents, upload, present, close,
                                                    nullptr, nullptr,    nullptr, nullptr, display::NOT_PACED, 0, 0};
    return &HEADLESS;
}

}  // namespace display_headless
