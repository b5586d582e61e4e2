// The pure display: rounding, boxes, circles, pages, text and keys, checked on
// the page bytes.
#include "screen/Screen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace screen {
namespace {

struct ScreenTest : ::testing::Test {
    std::unique_ptr<Screen> owned = std::make_unique<Screen>();
    Screen& screen = *owned;
    void SetUp() override { openScreen(screen); }

    uint8_t at(int32_t x, int32_t y, int32_t page = -1) const {
        return screen.pages[page < 0 ? screen.workPage : page][y][x];
    }
    std::vector<std::pair<int32_t, int32_t>> lit(uint8_t colour) const {
        std::vector<std::pair<int32_t, int32_t>> points;
        for (int32_t y = 0; y < SCREEN_HEIGHT; ++y)
            for (int32_t x = 0; x < SCREEN_WIDTH; ++x)
                if (at(x, y) == colour) points.emplace_back(x, y);
        return points;
    }
    std::string textRow(int32_t row) const {
        return std::string(reinterpret_cast<const char*>(screen.text[row - 1]), TEXT_COLUMNS);
    }
};

TEST(PixelRounding, HalvesGoAwayFromZeroAndOddValuesAreSafe) {
    const std::pair<float, int32_t> cases[] = {{2.5f, 3},   {-2.5f, -3}, {-0.4f, 0},  {0.4f, 0},
                                               {0.5f, 1},   {-0.5f, -1}, {319.5f, 320}, {0.49999997f, 0}};
    for (auto [value, expected] : cases) {
        int32_t pixel = 12345;
        ASSERT_TRUE(toPixel(value, &pixel));
        EXPECT_EQ(pixel, expected) << value;
    }
    int32_t pixel = 0;
    EXPECT_FALSE(toPixel(std::nanf(""), &pixel));
    ASSERT_TRUE(toPixel(std::numeric_limits<float>::infinity(), &pixel));
    EXPECT_GT(pixel, 1 << 20);
    ASSERT_TRUE(toPixel(-3.0e38f, &pixel));
    EXPECT_LT(pixel, -(1 << 20));
}

TEST_F(ScreenTest, OpensWithClassicPaletteZeroedPagesAndCursorHome) {
    EXPECT_EQ(screen.workPage, 0);
    EXPECT_EQ(screen.visiblePage, 0);
    EXPECT_EQ(screen.textRow, 1);
    EXPECT_EQ(screen.textColumn, 1);
    const uint8_t black[3] = {0, 0, 0}, magenta[3] = {255, 85, 255}, white[3] = {255, 255, 255};
    EXPECT_EQ(std::memcmp(screen.palette[0], black, 3), 0);
    EXPECT_EQ(std::memcmp(screen.palette[13], magenta, 3), 0);
    EXPECT_EQ(std::memcmp(screen.palette[15], white, 3), 0);
    EXPECT_TRUE(lit(0).size() == size_t{SCREEN_WIDTH} * SCREEN_HEIGHT);
}

TEST_F(ScreenTest, NothingDrawsBeforeTheScreenIsOpen) {
    auto owner = std::make_unique<Screen>();
    Screen& closed = *owner;
    fillBox(closed, 0, 0, 639, 479, 7);
    drawCircle(closed, 320, 240, 10, 7);
    printText(closed, "x", 1, true);
    pushKey(closed, 'a');
    EXPECT_EQ(closed.pages[0][240][330], 0);
    EXPECT_EQ(closed.textRow, 1);
    EXPECT_TRUE(isEmpty(pollKey(closed)));
}

TEST_F(ScreenTest, FillBoxFillsTheSameRectangleWithCornersInEitherOrder) {
    fillBox(screen, 10.4f, 20.6f, 5.5f, 2.0f, 9);
    const auto first = lit(9);
    EXPECT_EQ(first.size(), size_t{(10 - 6 + 1) * (21 - 2 + 1)});
    EXPECT_EQ(first.front(), std::make_pair(6, 2));
    EXPECT_EQ(first.back(), std::make_pair(10, 21));
    fillBox(screen, 0, 0, 639, 479, 0);
    fillBox(screen, 5.5f, 2.0f, 10.4f, 20.6f, 9);
    EXPECT_EQ(lit(9), first);
}

TEST_F(ScreenTest, FillBoxClipsAndIgnoresNaN) {
    fillBox(screen, -100, -100, 1e30f, 2, 4);
    EXPECT_EQ(lit(4).size(), size_t{SCREEN_WIDTH} * 3);
    fillBox(screen, 700, 10, 800, 20, 5);
    fillBox(screen, std::nanf(""), 0, 10, 10, 5);
    fillBox(screen, -std::numeric_limits<float>::infinity(), 0, std::numeric_limits<float>::infinity(), 0, 6);
    EXPECT_TRUE(lit(5).empty());
    EXPECT_EQ(lit(6).size(), size_t{SCREEN_WIDTH});
}

TEST_F(ScreenTest, CircleIsAnEightConnectedSymmetricRingOfTheRightExtent) {
    for (int32_t radius : {0, 3, 10, 57}) {
        fillBox(screen, 0, 0, 639, 479, 0);
        drawCircle(screen, 320, 240, static_cast<float>(radius), 15);
        const auto points = lit(15);
        std::set<std::pair<int32_t, int32_t>> ring(points.begin(), points.end());
        int32_t minX = 1 << 20, maxX = -1, minY = 1 << 20, maxY = -1;
        for (auto [x, y] : ring) {
            minX = std::min(minX, x), maxX = std::max(maxX, x), minY = std::min(minY, y), maxY = std::max(maxY, y);
            EXPECT_TRUE(ring.count({640 - x, y}) && ring.count({x, 480 - y})) << "asymmetric at " << x << "," << y;
            const double distance = std::hypot(x - 320, y - 240);
            EXPECT_NEAR(distance, radius, 0.75);
            // 8-connected: every pixel touches two others of the ring.
            int32_t neighbours = 0;
            for (int32_t dy = -1; dy <= 1; ++dy) {
                for (int32_t dx = -1; dx <= 1; ++dx) neighbours += (dx || dy) && ring.count({x + dx, y + dy});
            }
            if (radius > 0) {
                EXPECT_GE(neighbours, 2) << x << "," << y;
            }
        }
        EXPECT_EQ(minX, 320 - radius);
        EXPECT_EQ(maxX, 320 + radius);
        EXPECT_EQ(minY, 240 - radius);
        EXPECT_EQ(maxY, 240 + radius);
        EXPECT_TRUE(ring.count({320 + radius, 240}) && ring.count({320, 240 - radius}));
    }
}

TEST_F(ScreenTest, RingsAreTheSameWhetherWhollyOnScreenOrClipped) {
    for (int32_t radius : {3, 10}) {
        fillBox(screen, 0, 0, 639, 479, 0);
        drawCircle(screen, 100, 100, static_cast<float>(radius), 15);  // wholly on screen
        drawCircle(screen, 1, 300, static_cast<float>(radius), 15);    // its left part clipped
        // At the right edge, wholly on screen but too close for whole-row words.
        drawCircle(screen, static_cast<float>(639 - radius), 200, static_cast<float>(radius), 15);
        for (int32_t dy = -radius; dy <= radius; ++dy) {
            for (int32_t dx = -1; dx <= radius; ++dx) {
                EXPECT_EQ(at(100 + dx, 100 + dy), at(1 + dx, 300 + dy)) << radius << ": " << dx << "," << dy;
            }
            for (int32_t dx = -radius; dx <= radius; ++dx) {
                EXPECT_EQ(at(100 + dx, 100 + dy), at(639 - radius + dx, 200 + dy)) << radius << ": " << dx << "," << dy;
            }
        }
    }
}

TEST_F(ScreenTest, CircleRoundsItsCentreAndClipsAtTheEdges) {
    drawCircle(screen, 319.5f, 240.5f, 10, 15);
    EXPECT_EQ(at(310, 241), 15);
    EXPECT_EQ(at(330, 241), 15);
    EXPECT_EQ(at(320, 231), 15);
    fillBox(screen, 0, 0, 639, 479, 0);
    drawCircle(screen, -50.0f, -50.0f, 3, 15);
    drawCircle(screen, 690.0f, 530.0f, 3, 15);
    EXPECT_TRUE(lit(15).empty());
    drawCircle(screen, -2.0f, 479.0f, 3, 15);  // partly on screen
    EXPECT_EQ(at(1, 479), 15);
    EXPECT_EQ(at(0, 476), 0);
    for (float odd : {std::nanf(""), std::numeric_limits<float>::infinity(), -1e30f, 1e30f}) {
        drawCircle(screen, odd, 240, 10, 7);
        drawCircle(screen, 320, odd, 10, 7);
        drawCircle(screen, 320, 240, odd, 7);
    }
    drawCircle(screen, 320, 240, -4, 7);
    EXPECT_TRUE(lit(7).empty());
}

TEST_F(ScreenTest, PagesFollowTheirRules) {
    setPages(screen, 1, 0);
    EXPECT_EQ(screen.workPage, 1);
    setPages(screen, 2, 7);  // out of range: both choices unchanged
    EXPECT_EQ(screen.workPage, 1);
    EXPECT_EQ(screen.visiblePage, 0);
    setPages(screen, -1, 1);  // negative: not given
    EXPECT_EQ(screen.workPage, 1);
    EXPECT_EQ(screen.visiblePage, 1);
    setPages(screen, -1, -5);  // both negative: back to page 0
    EXPECT_EQ(screen.workPage, 0);
    EXPECT_EQ(screen.visiblePage, 0);

    setPages(screen, 1, 0);
    fillBox(screen, 0, 0, 639, 479, 3);
    EXPECT_EQ(at(5, 5, 0), 0);
    EXPECT_TRUE(copyWorkPage(screen, -1, -1));
    EXPECT_EQ(std::memcmp(screen.pages[0], screen.pages[1], sizeof screen.pages[0]), 0);
    fillBox(screen, 0, 0, 0, 0, 9);
    EXPECT_FALSE(copyWorkPage(screen, 1, 2));
    EXPECT_FALSE(copyWorkPage(screen, 5, 0));
    EXPECT_EQ(at(0, 0, 0), 3);
    setPages(screen, 1, 1);
    EXPECT_FALSE(copyWorkPage(screen, -1, -1));  // same page: nothing happens
}

TEST_F(ScreenTest, TextCellsAreOpaqueAndTheCursorFollowsTheText) {
    fillBox(screen, 0, 0, 639, 479, 4);
    locateText(screen, 2, 1);
    printText(screen, "turret time ", 12, false);
    EXPECT_EQ(screen.textColumn, 13);
    printInteger(screen, 5, true);
    EXPECT_EQ(textRow(2).substr(0, 16), "turret time  5  ");
    EXPECT_EQ(screen.textRow, 3);
    EXPECT_EQ(screen.textColumn, 1);
    // Fourteen cells of row 2 are black paper with white ink, nothing else.
    for (int32_t y = 16; y < 32; ++y)
        for (int32_t x = 0; x < 14 * 8; ++x) EXPECT_TRUE(at(x, y) == 0 || at(x, y) == 15) << x << "," << y;
    EXPECT_EQ(at(14 * 8, 16), 4);
    EXPECT_EQ(at(0, 15), 4);
    EXPECT_EQ(at(0, 32), 4);
    // The blank cell is all paper; the 't' has ink.
    int32_t ink = 0;
    for (int32_t y = 16; y < 32; ++y)
        for (int32_t x = 0; x < 8; ++x) ink += at(x, y) == 15;
    EXPECT_GT(ink, 0);
}

TEST_F(ScreenTest, IntegersPrintWithASignOrABlank) {
    const std::pair<int32_t, std::string> cases[] = {
        {0, " 0"}, {5, " 5"}, {123, " 123"}, {-1, "-1"}, {std::numeric_limits<int32_t>::min(), "-2147483648"},
        {std::numeric_limits<int32_t>::max(), " 2147483647"}};
    for (const auto& [value, expected] : cases) {
        clearText(screen);
        printInteger(screen, value, false);
        EXPECT_EQ(textRow(1).substr(0, expected.size() + 1), expected + " ");
    }
}

TEST_F(ScreenTest, LocateTextIgnoresPositionsOffTheGrid) {
    locateText(screen, 30, 80);
    EXPECT_EQ(screen.textRow, 30);
    for (auto [row, column] : {std::pair{0, 1}, {31, 1}, {1, 0}, {1, 81}, {std::numeric_limits<int32_t>::min(), 5}}) {
        locateText(screen, row, column);
        EXPECT_EQ(screen.textRow, 30);
        EXPECT_EQ(screen.textColumn, 80);
    }
    // Text runs off the right edge and the bottom without touching memory beyond.
    const std::string longText(500, 'x');
    printText(screen, longText.c_str(), static_cast<int32_t>(longText.size()), true);
    printText(screen, longText.c_str(), static_cast<int32_t>(longText.size()), true);
    EXPECT_EQ(screen.textRow, 31);
    EXPECT_EQ(textRow(30).back(), 'x');
}

// The view is composed again every frame, drawing only the strip's cells that
// changed: it must always equal a view composed afresh.
TEST_F(ScreenTest, AViewComposedAgainEqualsOneComposedAfresh) {
    struct View {
        uint8_t rows[VIEW_HEIGHT][SCREEN_WIDTH] = {};
    };
    auto layers = std::make_unique<Layers>();
    auto keptView = std::make_unique<View>(), freshView = std::make_unique<View>();
    auto& kept = keptView->rows;
    auto& fresh = freshView->rows;
    ComposedStrip keptStrip;
    const auto compose = [&](const char* lines[STATUS_LINES]) {
        for (int32_t line = 0; line < STATUS_LINES; ++line) std::strcpy(layers->status[line], lines[line]);
        composeView(screen, *layers, kept, keptStrip);
        *freshView = View{};
        ComposedStrip freshStrip;
        composeView(screen, *layers, fresh, freshStrip);
        return std::memcmp(kept, fresh, sizeof kept) == 0;
    };
    drawCircle(screen, 100.0f, 100.0f, 10.0f, 13);
    copyWorkPage(screen, -1, -1);
    layers->overlay[100][90] = 4;  // over the ring's leftmost pixel
    const char* first[STATUS_LINES] = {"frame 1234", "shooter 1 a long line of text", "", "x", "y"};
    EXPECT_TRUE(compose(first));
    EXPECT_EQ(kept[100][90], 4);
    EXPECT_EQ(kept[100][110], 13);
    EXPECT_EQ(kept[100][111], 0);
    // Shorter lines, other characters, the overlay cleared, another picture.
    layers->overlay[100][90] = 0;
    drawCircle(screen, 300.0f, 200.0f, 3.0f, 15);
    copyWorkPage(screen, -1, -1);
    const char* second[STATUS_LINES] = {"frame 99", "shooter 1", "now here", "", "y"};
    EXPECT_TRUE(compose(second));
    EXPECT_EQ(kept[100][90], 13);
    // Past the end of a line the strip is black, whatever the line held before.
    const int32_t lineTop = SCREEN_HEIGHT + 2 + CELL_HEIGHT;
    int32_t ink = 0;
    for (int32_t y = lineTop; y < lineTop + CELL_HEIGHT; ++y)
        for (int32_t x = 9 * CELL_WIDTH; x < SCREEN_WIDTH; ++x) ink += kept[y][x] != 0;
    EXPECT_EQ(ink, 0);
}

TEST_F(ScreenTest, KeyBufferKeepsTheFifteenNewestInOrder) {
    EXPECT_TRUE(isEmpty(pollKey(screen)));
    for (int32_t code = 1; code <= 16; ++code) pushKey(screen, code);
    for (int32_t code = 2; code <= 16; ++code) {
        const KeyString key = pollKey(screen);
        ASSERT_EQ(key.length, 1);
        EXPECT_EQ(static_cast<uint8_t>(key.bytes[0]), code);
    }
    EXPECT_TRUE(isEmpty(pollKey(screen)));
    pushKey(screen, CLOSE_KEY);
    pushKey(screen, 255);
    const KeyString close = pollKey(screen);
    ASSERT_EQ(close.length, 2);
    EXPECT_EQ(static_cast<uint8_t>(close.bytes[0]), 255);
    EXPECT_EQ(close.bytes[1], 'k');
    const KeyString plain = pollKey(screen);
    ASSERT_EQ(plain.length, 1);
    EXPECT_EQ(static_cast<uint8_t>(plain.bytes[0]), 255);
}

}  // namespace
}  // namespace screen
