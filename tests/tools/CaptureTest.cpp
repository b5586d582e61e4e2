// barrage-capture writes exactly the visible page the program shows after a
// frame, through the display's palette.
#include <gtest/gtest.h>
#include <png.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "display/Control.h"
#include "display/Display.h"
#include "shell/Program.h"

namespace {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

Picture readPng(const std::string& path) {
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

TEST(Capture, WritesTheVisiblePageOfEachFrameInTheRange) {
    char folder[] = "/tmp/barrage-capture-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command = std::string(CAPTURE_PATH) + " 2 3 --out " + folder;
    ASSERT_EQ(std::system(command.c_str()), 0);

    display::SelectBackend(display::Backend::Headless);
    shell::ShooterPass pass;
    shell::startUp(pass);
    for (int frame = 1; frame <= 3; ++frame) {
        shell::runFrame(pass);
        if (frame < 2) continue;
        char name[64];
        std::snprintf(name, sizeof name, "%s/frame-%06d.png", folder, frame);
        const Picture picture = readPng(name);
        ASSERT_EQ(picture.width, 640) << name;
        ASSERT_EQ(picture.height, 480);
        const display::Screen& screen = display::CurrentScreen();
        int mismatches = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const uint8_t* colour = screen.palette[screen.pages[screen.visiblePage][y][x]];
                const uint8_t* pixel = &picture.rgb[static_cast<size_t>((y * 640 + x) * 3)];
                mismatches += colour[0] != pixel[0] || colour[1] != pixel[1] || colour[2] != pixel[2];
            }
        }
        EXPECT_EQ(mismatches, 0) << name;
        std::remove(name);
    }
    shell::shutDown(pass);
    display::CloseScreen();
    rmdir(folder);
}

TEST(Capture, RefusesBadArguments) {
    for (const char* arguments : {"", " 0", " 5 3", " x", " 1 --out", " 1 2 3"}) {
        const std::string command = std::string(CAPTURE_PATH) + arguments + " 2>/dev/null";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << arguments;
    }
}

}  // namespace
