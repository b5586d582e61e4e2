// barrage-capture --gif: the animation decoded with giflib's reader, frame by
// frame, against barrage-capture's PNGs; its pace; and a write that fails.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/Pictures.h"
#include "support/Processes.h"

namespace {

using testing_support::Picture;

std::string run(const std::string& arguments) {
    const std::string command = std::string(CAPTURE_PATH) + " " + arguments + " 2>&1; echo \"status $?\"";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[256];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    if (pipe) pclose(pipe);
    return output;
}

TEST(Gif, FramesOneTo120EveryTwoAreTheCapturedPicturesAtTheProgramsPace) {
    char folder[] = "/tmp/barrage-gif-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string gifPath = std::string(folder) + "/clip.gif";
    const auto succeeded = [](const std::string& output) {
        return output.size() >= 9 && output.compare(output.size() - 9, 9, "status 0\n") == 0;
    };
    ASSERT_TRUE(succeeded(run("1 120 --gif " + gifPath + " --every 2")));
    ASSERT_TRUE(succeeded(run("1 120 --out " + std::string(folder))));

    int error = 0;
    GifFileType* gif = DGifOpenFileName(gifPath.c_str(), &error);
    ASSERT_NE(gif, nullptr) << GifErrorString(error);
    ASSERT_EQ(DGifSlurp(gif), GIF_OK) << GifErrorString(gif->Error);
    ASSERT_EQ(gif->ImageCount, 60);
    ASSERT_EQ(gif->SWidth, 640);
    ASSERT_EQ(gif->SHeight, 480);
    ASSERT_NE(gif->SColorMap, nullptr);
    ASSERT_EQ(gif->SColorMap->ColorCount, 256);

    std::vector<uint8_t> canvas(640 * 480, 0);
    int hundredths = 0;
    bool loops = false;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        GraphicsControlBlock control{};
        ASSERT_EQ(DGifSavedExtensionToGCB(gif, i, &control), GIF_OK);
        EXPECT_EQ(control.DisposalMode, DISPOSE_DO_NOT);
        hundredths += control.DelayTime;
        for (int e = 0; e < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            loops |= block.ByteCount == 11 && std::string(reinterpret_cast<char*>(block.Bytes), 11) == "NETSCAPE2.0";
        }
        const GifImageDesc& d = image.ImageDesc;
        ASSERT_TRUE(d.Left >= 0 && d.Top >= 0 && d.Left + d.Width <= 640 && d.Top + d.Height <= 480);
        if (i > 0) {
            EXPECT_LT(d.Width * d.Height, 640 * 480) << "frame " << i << " stored whole";
        }
        for (int y = 0; y < d.Height; ++y) {
            for (int x = 0; x < d.Width; ++x) canvas[(d.Top + y) * 640 + d.Left + x] = image.RasterBits[y * d.Width + x];
        }
        char name[64];
        std::snprintf(name, sizeof name, "/frame-%06d.png", 1 + 2 * i);
        const Picture expected = testing_support::readPng(folder + std::string(name));
        ASSERT_EQ(expected.width, 640) << name;
        int differing = 0;
        for (int p = 0; p < 640 * 480; ++p) {
            const GifColorType& c = gif->SColorMap->Colors[canvas[p]];
            const uint8_t* want = &expected.rgb[static_cast<size_t>(p) * 3];
            differing += c.Red != want[0] || c.Green != want[1] || c.Blue != want[2];
        }
        ASSERT_EQ(differing, 0) << "GIF frame " << i << " against " << name;
    }
    EXPECT_TRUE(loops) << "no NETSCAPE2.0 loop extension";
    EXPECT_NEAR(hundredths, 200, 1);
    DGifCloseFile(gif, &error);
    std::system(("rm -rf " + std::string(folder)).c_str());
}

TEST(Gif, AWriteThatFailsIsReportedAndLeavesNoFile) {
    const std::string full = run("1 3 --gif /dev/full");
    EXPECT_NE(full.find("No space left on device"), std::string::npos) << full;
    EXPECT_EQ(full.find("status 0"), std::string::npos) << full;
    const std::string missing = run("1 3 --gif /nonexistent/folder/clip.gif");
    EXPECT_NE(missing.find("No such file or directory"), std::string::npos) << missing;
    EXPECT_NE(missing.find("status 1"), std::string::npos) << missing;
}

// An end request between frames stops the capture at the next frame, leaves
// no file, partial or whole, and ends the process by that signal.
TEST(Gif, AnEndSignalStopsAnyCaptureAndLeavesNoFile) {
    using namespace testing_support;
    char folder[] = "/tmp/barrage-gif-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string gifPath = std::string(folder) + "/clip.gif";
    for (int signal : {SIGINT, SIGTERM}) {
        int err[2];
        ASSERT_EQ(pipe(err), 0);
        const pid_t capture = spawn({CAPTURE_PATH, "1", "1000000", "--gif", gifPath, "--every", "1"}, {}, -1, err[1]);
        close(err[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(700));
        kill(capture, signal);
        const int status = waitExit(capture, 5);
        if (status < 0) stop(capture);
        EXPECT_EQ(status, 128 + signal) << "signal " << signal;
        const std::string said = readFor(err[0], 0.2, "\n\n");
        close(err[0]);
        EXPECT_EQ(said.find("(null)"), std::string::npos) << said;
        EXPECT_EQ(std::system(("test -z \"$(ls -A " + std::string(folder) + ")\"").c_str()), 0)
            << "files left behind after signal " << signal;
    }
    std::system(("rm -rf " + std::string(folder)).c_str());
}

// A symbolic link, dangling or not, stays a link and its target gets the
// file; a file that was there keeps its mode. The same for the PNG files.
TEST(Gif, WritesThroughSymbolicLinksAndKeepsTheFilesMode) {
    char folder[] = "/tmp/barrage-links-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string dir = folder;
    const auto sh = [](const std::string& command) { return std::system(command.c_str()); };
    ASSERT_EQ(sh("cd " + dir + " && echo old > target.gif && chmod 640 target.gif && ln -s target.gif link.gif"
                 " && ln -s made.gif dangling.gif && mkdir pngs && echo old > pngs/real.png && chmod 600 pngs/real.png"
                 " && ln -s real.png pngs/frame-000002.png"), 0);
    EXPECT_NE(run("1 2 --gif " + dir + "/link.gif").find("status 0"), std::string::npos);
    EXPECT_NE(run("1 2 --gif " + dir + "/dangling.gif").find("status 0"), std::string::npos);
    EXPECT_NE(run("2 --out " + dir + "/pngs").find("status 0"), std::string::npos);
    for (const char* link : {"link.gif", "dangling.gif", "pngs/frame-000002.png"}) {
        EXPECT_EQ(sh("test -L " + dir + "/" + std::string(link)), 0) << link << " is no longer a link";
    }
    EXPECT_EQ(sh("head -c 6 " + dir + "/target.gif | grep -q GIF89a"), 0) << "the link's target was not written";
    EXPECT_EQ(sh("head -c 6 " + dir + "/made.gif | grep -q GIF89a"), 0) << "the dangling link's target was not made";
    EXPECT_EQ(sh("head -c 4 " + dir + "/pngs/real.png | grep -q PNG"), 0) << "the PNG link's target was not written";
    EXPECT_EQ(sh("test \"$(stat -c %a " + dir + "/target.gif)\" = 640"), 0) << "the GIF's mode changed";
    EXPECT_EQ(sh("test \"$(stat -c %a " + dir + "/pngs/real.png)\" = 600"), 0) << "the PNG's mode changed";
    sh("rm -rf " + dir);
}

}  // namespace
