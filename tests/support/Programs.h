// Helpers for tests that run step programs: a constructed shooter that is
// destroyed with the test, and the read-out rows as text.
#pragma once

#include <string>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "shooter/Lifecycle.h"

namespace testing_support {

struct OwnedShooter {
    actor::Shooter shooter;
    OwnedShooter() { shooter::constructShooter(shooter); }
    ~OwnedShooter() { shooter::destroyShooter(shooter); }
    OwnedShooter(const OwnedShooter&) = delete;
    OwnedShooter& operator=(const OwnedShooter&) = delete;
};

// A text row of the headless display, without its trailing blanks.
inline std::string textRow(int32_t row) {
    const auto& cells = display::CurrentScreen().text[row - 1];
    std::string text(reinterpret_cast<const char*>(cells), screen::TEXT_COLUMNS);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

inline void openHeadlessDisplay() {
    display::UseWindowSystem(display_headless::headlessSystem());
    display::OpenScreen(18, 8, 2, 0, 0);
}

}  // namespace testing_support
