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
        const auto first = static_cast<unsigned char>(key.bytes[0]);
        keys.push_back(key.length == 2 ? display::SPECIAL_KEY + static_cast<unsigned char>(key.bytes[1]) : first);
    }
    return keys;
}

}  // namespace testing_support
