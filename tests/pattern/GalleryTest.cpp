// The sample patterns: each loads without an error, and each clip in the
// README's gallery is what barrage-capture makes of it now: as many frames,
// and its first frame, index for index, the program's picture of that frame.
#include <dirent.h>
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "pattern/Pattern.h"
#include "replay/Recording.h"
#include "shell/Program.h"

namespace pattern {
namespace {

const std::string SOURCE = BARRAGE_SOURCE_DIR;

TEST(Gallery, EverySampleLoadsAndEveryClipIsWhatTheToolsMakeNow) {
    DIR* folder = opendir((SOURCE + "/patterns").c_str());
    ASSERT_NE(folder, nullptr);
    int32_t samples = 0;
    for (dirent* entry = readdir(folder); entry; entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() < 5 || name.compare(name.size() - 5, 5, ".toml") != 0) continue;
        const Loaded loaded = loadPattern(SOURCE + "/patterns/" + name);
        EXPECT_FALSE(refused(loaded)) << formatMessage(name, loaded.messages.front());
        ++samples;
    }
    closedir(folder);
    EXPECT_GE(samples, 6);

    std::ifstream gallery(SOURCE + "/docs/patterns/gallery.txt");
    ASSERT_TRUE(gallery.good());
    int32_t clips = 0;
    for (std::string line; std::getline(gallery, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string name;
        int64_t first = 0, last = 0, every = 0;
        std::string replayed;  // a recording the clip plays, with the ship it steers
        fields >> name >> first >> last >> every >> replayed;
        replay::Recording recording;
        std::string unread;
        if (!replayed.empty()) {
            ASSERT_TRUE(replay::loadRecording(SOURCE + "/patterns/" + replayed, recording, unread)) << unread;
        }
        int error = 0;
        GifFileType* gif = DGifOpenFileName((SOURCE + "/docs/patterns/" + name + ".gif").c_str(), &error);
        ASSERT_NE(gif, nullptr) << name << ": " << GifErrorString(error);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK) << name;
        EXPECT_EQ(gif->ImageCount, (last - first) / every + 1) << name;

        const Loaded loaded = loadPattern(SOURCE + "/patterns/" + name + ".toml");
        ASSERT_FALSE(refused(loaded)) << name;
        display::UseWindowSystem(display_headless::headlessSystem());
        world::World world;
        shell::startUp(world, makerFor(loaded.pattern));
        if (!replayed.empty()) world.ship.present = -1;
        for (int64_t frame = 1; frame <= first; ++frame) {
            const auto at = static_cast<size_t>(frame - 1);
            world.ship.move = at < recording.moves.size() ? recording.moves[at] : world::MOVE_NONE;
            shell::runFrame(world);
        }
        const screen::Screen& screen = display::CurrentScreen();
        const SavedImage& image = gif->SavedImages[0];
        ASSERT_EQ(image.ImageDesc.Width * image.ImageDesc.Height, screen::SCREEN_WIDTH * screen::SCREEN_HEIGHT)
            << name << ": the first frame is stored whole";
        EXPECT_EQ(std::memcmp(image.RasterBits, screen.pages[screen.visiblePage], sizeof screen.pages[0]), 0)
            << name << ": the clip's first frame is not frame " << first << " as the tools make it now";
        shell::shutDown(world);
        display::CloseScreen();
        DGifCloseFile(gif, &error);
        ++clips;
    }
    EXPECT_GE(clips, 5);
}

}  // namespace
}  // namespace pattern
