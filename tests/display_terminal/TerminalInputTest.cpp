// The terminal fallback's pure parts: bytes typed in the terminal as keys, and
// the status line made from the read-out rows.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "screen/Screen.h"
#include "display_terminal/Terminal.h"
#include "support/Keys.h"

namespace display_terminal {
namespace {

using namespace screen;

std::vector<int32_t> keysOf(const std::string& typed) {
    auto screen = std::make_unique<Screen>();
    openScreen(*screen);
    pushTerminalBytes(*screen, reinterpret_cast<const unsigned char*>(typed.data()), static_cast<int32_t>(typed.size()));
    return testing_support::pollAllKeys(*screen);
}

TEST(TerminalInput, EscapeSequencesArriveAsTheKeysTheWindowGives) {
    const int32_t S = SPECIAL_KEY;
    EXPECT_EQ(keysOf("\x1b[A\x1b[B\x1b[C\x1b[D"), (std::vector<int32_t>{S + 'H', S + 'P', S + 'M', S + 'K'}));
    EXPECT_EQ(keysOf("\x1bOA\x1b[1;5D"), (std::vector<int32_t>{S + 'H', S + 'K'}));  // application mode, Ctrl+Left
    EXPECT_EQ(keysOf("\x1b[H\x1b[F\x1b[1~\x1b[4~\x1b[5~\x1b[6~\x1b[2~\x1b[3~"),
              (std::vector<int32_t>{S + 'G', S + 'O', S + 'G', S + 'O', S + 'I', S + 'Q', S + 'R', S + 'S'}));
    EXPECT_EQ(keysOf("\x1bOP\x1bOS\x1b[15~\x1b[21~\x1b[24~"), (std::vector<int32_t>{S + ';', S + '>', S + '?', S + 'D', S + 0x86}));
    EXPECT_EQ(keysOf("q\x1b[Zx"), (std::vector<int32_t>{'q', S, 'x'}));  // a sequence no key of ours has
    EXPECT_EQ(keysOf("\x1b"), (std::vector<int32_t>{27}));                  // Escape on its own
    EXPECT_EQ(keysOf("\x1b["), (std::vector<int32_t>{S}));                  // cut short
    // Enter as CR, or as the LF a terminal with ICRNL (the default) sends.
    EXPECT_EQ(keysOf("\r\n"), (std::vector<int32_t>{KEY_ENTER, KEY_ENTER}));
}

// A terminal tells presses alone: each holds its steering key a while (Shift
// too, for Shift+arrow or an upper-case letter), the opposite way lets go.
TEST(TerminalInput, SteeringPressesHoldTheirKeysAWhile) {
    auto screen = std::make_unique<Screen>();
    openScreen(*screen);
    const auto type = [&](const std::string& typed) {
        pushTerminalBytes(*screen, reinterpret_cast<const unsigned char*>(typed.data()), static_cast<int32_t>(typed.size()));
    };
    type("\x1b[1;2A");  // Shift+Up
    EXPECT_EQ(screen->held, HELD_UP | HELD_SHIFT);
    type("d");
    EXPECT_EQ(screen->held, HELD_UP | HELD_RIGHT);
    type("A");
    EXPECT_EQ(screen->held, HELD_UP | HELD_LEFT | HELD_SHIFT);
    for (int32_t k = 1; k < HOLD_RETRACES; ++k) ageSteering(*screen);
    EXPECT_EQ(screen->held, HELD_UP | HELD_LEFT | HELD_SHIFT);
    ageSteering(*screen);
    EXPECT_EQ(screen->held, 0u);
}

TEST(TerminalStatus, ShowsTheReadOutAsItIsOnTheScreenWithNothingLeftOver) {
    auto screen = std::make_unique<Screen>();
    openScreen(*screen);
    const auto frame = [&](int32_t countdown) {
        fillBox(*screen, 0.0f, 0.0f, 639.0f, 479.0f, 0);
        locateText(*screen, 2, 1);
        printText(*screen, "turret time ", 12, false);
        printInteger(*screen, countdown, true);
        locateText(*screen, 6, 1);
        printText(*screen, "emitter time ", 13, false);
        printInteger(*screen, countdown, true);
    };
    frame(9950);
    frame(995);
    char line[STATUS_CAPACITY];
    const size_t length = statusLine(*screen, line, sizeof line);
    EXPECT_EQ(std::string(line, length), "turret time  995 | emitter time  995");
}

}  // namespace
}  // namespace display_terminal
