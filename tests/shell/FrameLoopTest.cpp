// The frame loop on the headless display, driven by scripted keys.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "display/Control.h"
#include "display/Display.h"
#include "display_headless/Headless.h"
#include "display_terminal/Terminal.h"
#include "shell/Program.h"

namespace shell {
namespace {

struct FrameLoopTest : ::testing::Test {
    void SetUp() override { display::UseWindowSystem(display_headless::headlessSystem()); }
    void TearDown() override { display::CloseScreen(); }
};

TEST_F(FrameLoopTest, AWaitingKeyEndsTheLoopAfterOneCompleteFrameAndOnlyItIsTaken) {
    display::ScriptKey(0, 'a');
    display::ScriptKey(0, 'b');
    EXPECT_EQ(runProgram(), 0);

    EXPECT_EQ(display::RetraceCount(), 1);
    const screen::Screen& screen = display::CurrentScreen();
    EXPECT_EQ(screen.workPage, 1);
    EXPECT_EQ(screen.visiblePage, 0);
    // Drawn, waited for and shown: the visible page is the finished work page.
    EXPECT_EQ(std::memcmp(screen.pages[0], screen.pages[1], sizeof screen.pages[0]), 0);
    const uint8_t* pixels = &screen.pages[0][0][0];
    const uint8_t* end = pixels + sizeof screen.pages[0];
    EXPECT_NE(std::find(pixels, end, 15), end);  // the ring
    EXPECT_NE(std::find(pixels, end, 13), end);  // the bodies

    const screen::KeyString left = display::PollKey();
    ASSERT_EQ(left.length, 1);
    EXPECT_EQ(left.bytes[0], 'b');
}

TEST_F(FrameLoopTest, TheLoopRunsUntilAKeyArrivesAndAnyKeyEndsIt) {
    display::ScriptKey(5, screen::CLOSE_KEY);
    EXPECT_EQ(runProgram(), 0);
    EXPECT_EQ(display::RetraceCount(), 5);
    EXPECT_TRUE(screen::isEmpty(display::PollKey()));
}

TEST(FrameLoopSignal, SigtermEndsTheLoopAfterTheFrameInProgress) {
    // No window system: the display falls back to the terminal, where signals
    // are handled as they are with a window.
    display::UseWindowSystem(nullptr, display_terminal::terminalSystem());
    std::thread sender([] {
        // Once the program has taken SIGTERM (on a busy machine its start-up
        // may take longer than any fixed wait), and some frames later.
        for (struct sigaction now{}; sigaction(SIGTERM, nullptr, &now) == 0 && now.sa_handler == SIG_DFL;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(getpid(), SIGTERM);
    });
    EXPECT_EQ(runProgram(), 0);  // returns only after the shooters' tear-down
    sender.join();
    const screen::Screen& screen = display::CurrentScreen();
    EXPECT_GE(display::RetraceCount(), 5);
    EXPECT_EQ(std::memcmp(screen.pages[0], screen.pages[1], sizeof screen.pages[0]), 0);
    display::CloseScreen();
    display::UseWindowSystem(display_headless::headlessSystem());
}

}  // namespace
}  // namespace shell
