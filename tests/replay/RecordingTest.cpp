// Recordings: what is written reads back the same, and what is not a whole
// recording within the limits is refused at its line, the recording held
// left as it was.
#include <gtest/gtest.h>

#include "replay/Recording.h"
#include "world/Ship.h"

namespace {

using replay::Recording;
using namespace std::string_literals;

TEST(Recording, WhatIsWrittenReadsBackAndALinkCarriesTheMoves) {
    Recording r;
    r.pattern = "aimed";
    r.digest = replay::digestOf("some text");
    r.settings = {"rank=1", "arms=3"};
    // Long runs, single frames and every code, over more than one line.
    for (int32_t code = 0; code < world::MOVE_CODES; ++code) r.moves.insert(r.moves.end(), code == 3 ? 1 : 150, static_cast<uint8_t>(code));
    for (int k = 0; k < 100; ++k) r.moves.push_back(static_cast<uint8_t>(k % 2));
    const std::string text = replay::formatRecording(r);
    Recording back;
    std::string error;
    ASSERT_TRUE(replay::parseRecording(text, back, error)) << error << "\n" << text;
    EXPECT_EQ(back.pattern, r.pattern);
    EXPECT_EQ(back.digest, r.digest);
    EXPECT_EQ(back.settings, r.settings);
    EXPECT_EQ(back.moves, r.moves);
    std::vector<uint8_t> linked;
    ASSERT_TRUE(replay::movesFromLink(replay::movesForLink(r.moves), linked));
    EXPECT_EQ(linked, r.moves);
    // A million frames of the busiest steering still fit the limits.
    Recording busy;
    for (int64_t k = 0; k < replay::MAX_FRAMES; ++k) busy.moves.push_back(static_cast<uint8_t>(k % 2));
    const std::string busyText = replay::formatRecording(busy);
    EXPECT_LE(busyText.size(), size_t{1} << 20);
    ASSERT_TRUE(replay::parseRecording(busyText, back, error)) << error;
    EXPECT_EQ(back.moves.size(), busy.moves.size());
}

TEST(Recording, AnythingButAWholeRecordingIsRefusedAtItsLine) {
    const std::string head = "barrage recording 1\npattern p\ndigest 0\n";
    const struct {
        std::string text;
        const char* says;
    } bad[] = {
        {"", "it is empty"},
        {"\x89PNG\r\n\x1a\n", "line 1: it does not begin"},
        {"barrage recording 7\n", "line 1: version 7 is not known here"},
        {head + "frames 3\nmoves\na3\n", "it ends before \"end\": it was cut short"},
        {head + "frames 3\nmoves\na", "cut short"},
        {head + "frames 2\nmoves\na3\nend\n", "line 6: the moves go past 2 frames"},
        {head + "frames 3\nmoves\na2\nend\n", "holds 2 frames of moves, not 3"},
        {head + "frames 2000000\n", "line 4: frames takes a whole number up to 1000000"},
        {head + "frames 999999999999999999999999\n", "frames takes a whole number"},
        {head + "frames 1000000\nmoves\na99999999999999\nend\n", "a count of more than 1000000 frames"},
        {head + "frames 1000000\nmoves\na1000000b\nend\n", "the moves go past 1000000 frames"},
        {head + "frames 1\nmoves\nz\nend\n", "line 6: 'z' is no move (a to r)"},
        {head + "frames 1\nmoves\na\0\nend\n"s, "a control character"},
        {head + "moves\n", "moves before frames"},
        {head + "colour red\n", "'colour' is no line of a recording"},
        {std::string(replay::MAX_BYTES + 1, 'a'), "a recording has at most"},
    };
    for (const auto& b : bad) {
        Recording kept;
        kept.pattern = "kept";
        kept.moves = {1, 2, 3};
        std::string error;
        EXPECT_FALSE(replay::parseRecording(b.text, kept, error)) << b.says;
        EXPECT_NE(error.find(b.says), std::string::npos) << "said: " << error;
        EXPECT_EQ(kept.pattern, "kept");
        EXPECT_EQ(kept.moves.size(), 3u);
    }
    std::vector<uint8_t> kept = {4};
    for (const char* link : {"", "3", "3:a2", "x:a", "2:a2b", "12345678:a", "1:?", "2000000:a2000000"}) {
        EXPECT_FALSE(replay::movesFromLink(link, kept)) << link;
        EXPECT_EQ(kept, std::vector<uint8_t>{4});
    }
    std::string error;
    Recording r;
    EXPECT_FALSE(replay::loadRecording("/nonexistent/run.rec", r, error));
    EXPECT_NE(error.find("cannot read it"), std::string::npos) << error;
    EXPECT_FALSE(replay::loadRecording("/", r, error));
    EXPECT_EQ(error, "it is not a regular file");
}

}  // namespace
