// For tests of what is drawn: the headless display opened, and its text rows.
#pragma once

#include <string>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"

namespace testing_support {

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
