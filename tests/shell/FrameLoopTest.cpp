// The frame loop on the headless display, driven by scripted keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "display/Display.h"
#include "shell/Program.h"

namespace shell {
namespace {

struct FrameLoopTest : ::testing::Test {
    void SetUp() override { display::SelectBackend(display::Backend::Headless); }
    void TearDown() override { display::CloseScreen(); }
};

TEST_F(FrameLoopTest, AWaitingKeyEndsTheLoopAfterOneCompleteFrameAndOnlyItIsTaken) {
    display::ScriptKey(0, 'a');
    display::ScriptKey(0, 'b');
    EXPECT_EQ(runProgram(), 0);

    EXPECT_EQ(display::RetraceCount(), 1);
    const display::Screen& screen = display::CurrentScreen();
    EXPECT_EQ(screen.workPage, 1);
    EXPECT_EQ(screen.visiblePage, 0);
    // Drawn, waited for and shown: the visible page is the finished work page.
    EXPECT_EQ(std::memcmp(screen.pages[0], screen.pages[1], sizeof screen.pages[0]), 0);
    const uint8_t* pixels = &screen.pages[0][0][0];
    const uint8_t* end = pixels + sizeof screen.pages[0];
    EXPECT_NE(std::find(pixels, end, 15), end);  // the ring
    EXPECT_NE(std::find(pixels, end, 13), end);  // the bodies

    const display::KeyString left = display::PollKey();
    ASSERT_EQ(left.length, 1);
    EXPECT_EQ(left.bytes[0], 'b');
}

TEST_F(FrameLoopTest, TheLoopRunsUntilAKeyArrivesAndAnyKeyEndsIt) {
    display::ScriptKey(5, display::CLOSE_KEY);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(display::RetraceCount(), 5);
    EXPECT_TRUE(display::isEmpty(display::PollKey()));
}

}  // namespace
}  // namespace shell
