// The keys waiting in a screen's key buffer, taken as the program polls them
// and turned back into key codes, for tests of how backends translate input.
#pragma once

#include <cstdint>
#include <vector>

#include "display/Screen.h"

namespace testing_support {

inline std::vector<int32_t> pollAllKeys(display::Screen& screen) {
    std::vector<int32_t> keys;
    for (display::KeyString key = display::pollKey(screen); !display::isEmpty(key); key = display::pollKey(screen)) {
        keys.push_back(display::keyCode(key));
    }
    return keys;
}

}  // namespace testing_support
