// The keys waiting in a screen's key buffer, taken as the program polls them
// and turned back into key codes, for tests of how backends translate input.
#pragma once

#include <cstdint>
#include <vector>

#include "screen/Screen.h"

namespace testing_support {

inline std::vector<int32_t> pollAllKeys(screen::Screen& screen) {
    std::vector<int32_t> keys;
    for (screen::KeyString key = screen::pollKey(screen); !screen::isEmpty(key); key = screen::pollKey(screen)) {
        keys.push_back(screen::keyCode(key));
    }
    return keys;
}

}  // namespace testing_support
