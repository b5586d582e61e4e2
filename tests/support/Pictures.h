// Pictures for tests that compare what is drawn: PNG files read as RGB, and the
// committed golden frames, each checked by eye once against the drawing rules.
#pragma once

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "screen/Screen.h"

namespace testing_support {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // rows top to bottom, three bytes a pixel
};

inline Picture readPng(const std::string& path) {
    Picture picture;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return picture;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr);
    return picture;
}

// Frame 700 of the demonstration: rings, bodies in colour 13, the read-out
// cells. Never made again from the code without looking at it.
// The visible page through the palette, as a window or a PNG shows it.
inline Picture visiblePicture(const screen::Screen& screen) {
    Picture picture{screen::SCREEN_WIDTH, screen::SCREEN_HEIGHT, {}};
    for (const auto& row : screen.pages[screen.visiblePage]) {
        for (uint8_t index : row) picture.rgb.insert(picture.rgb.end(), screen.palette[index], screen.palette[index] + 3);
    }
    return picture;
}

inline std::string goldenFrame700() { return std::string(BARRAGE_SOURCE_DIR) + "/tests/golden/frame-000700.png"; }

}  // namespace testing_support
