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
#include "support/Pictures.h"

namespace {

using testing_support::Picture;
using testing_support::readPng;

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

// Against a picture checked by eye, not against the same drawing code run
// again: a drawing fault shows here even when the capture is faithful to it.
TEST(Capture, FrameSevenHundredIsTheGoldenFrame) {
    char folder[] = "/tmp/barrage-capture-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string command = std::string(CAPTURE_PATH) + " 700 --out " + folder;
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string name = std::string(folder) + "/frame-000700.png";
    const Picture captured = readPng(name), golden = readPng(testing_support::goldenFrame700());
    ASSERT_EQ(golden.width, 640);
    EXPECT_EQ(captured.width, golden.width);
    EXPECT_EQ(captured.height, golden.height);
    EXPECT_TRUE(captured.rgb == golden.rgb) << "frame 700 differs from tests/golden/frame-000700.png";
    std::remove(name.c_str());
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
