// Pure page, text and key operations of the display. Every argument is safe:
// coordinates are rounded and clipped, pages and text positions out of range
// are ignored, and nothing writes outside the pages.
#include "screen/Screen.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <iterator>

#include "screen/Font.h"

namespace screen {

namespace {

// Pixel coordinates saturate here: far enough outside the screen that any
// radius we draw still adds without overflow.
constexpr double PIXEL_LIMIT = 1 << 30;

// Radii beyond this draw nothing: such a ring is longer than any screen row
// could need and walking it would stall the frame.
constexpr int32_t MAX_CIRCLE_RADIUS = 1 << 16;

// The classic sixteen colours; entries 16 to 255 stay black.
constexpr uint8_t CLASSIC_COLOURS[16][3] = {
    {0, 0, 0},       {0, 0, 170},    {0, 170, 0},    {0, 170, 170},
    {170, 0, 0},     {170, 0, 170},  {170, 85, 0},   {170, 170, 170},
    {85, 85, 85},    {85, 85, 255},  {85, 255, 85},  {85, 255, 255},
    {255, 85, 85},   {255, 85, 255}, {255, 255, 85}, {255, 255, 255},
};

uint8_t colourByte(int32_t colour) { return static_cast<uint8_t>(colour & 0xFF); }

// Midpoint rasteriser over one octant, mirrored eight ways: an 8-connected
// outline whose extreme pixels lie exactly r from the centre. Calls
// visit(dx, dy) for each point, some points more than once.
template <typename Visit>
constexpr void forEachRingPoint(int32_t r, Visit visit) {
    int32_t ox = r, oy = 0, decision = 1 - r;
    while (ox >= oy) {
        visit(ox, oy), visit(-ox, oy), visit(ox, -oy), visit(-ox, -oy);
        visit(oy, ox), visit(-oy, ox), visit(oy, -ox), visit(-oy, -ox);
        ++oy;
        if (decision < 0) {
            decision += 2 * oy + 1;
        } else {
            --ox;
            decision += 2 * (oy - ox) + 1;
        }
    }
}

// The rings drawn every frame (bullets and bodies, the centre ring), as
// distinct offsets into a page row-major from the centre pixel.
template <int32_t R>
struct Ring {
    int32_t count = 0;
    int32_t offsets[8 * (R + 1)] = {};
    constexpr Ring() {
        forEachRingPoint(R, [this](int32_t dx, int32_t dy) {
            const int32_t offset = dy * SCREEN_WIDTH + dx;
            for (int32_t i = 0; i < count; ++i) {
                if (offsets[i] == offset) return;
            }
            offsets[count++] = offset;
        });
    }
};
constexpr Ring<3> BULLET_RING;
constexpr Ring<10> BODY_RING;

// Byte stores only: a ring's pixels are never read, so no store waits on a load.
template <const auto& RING>
void drawRing(uint8_t* centre, uint8_t colour) {
    constexpr int32_t count = RING.count;
    for (int32_t i = 0; i < count; ++i) centre[RING.offsets[i]] = colour;
}

// Each glyph row byte as eight bytes, 0xFF where the glyph has ink.
struct GlyphRowMasks {
    uint64_t masks[256] = {};
    constexpr GlyphRowMasks() {
        for (int32_t bits = 0; bits < 256; ++bits) {
            for (int32_t x = 0; x < CELL_WIDTH; ++x) {
                if (bits & (0x80 >> x)) masks[bits] |= uint64_t{0xFF} << (8 * x);
            }
        }
    }
};
constexpr GlyphRowMasks GLYPH_ROW_MASKS;
static_assert(std::endian::native == std::endian::little, "glyph rows are written as little-endian words");

uint8_t* workRow(Screen& screen, int32_t y) { return screen.pages[screen.workPage][y]; }

// One character's 8 x 16 cell into rows of pixels, a whole glyph row at a
// time; the rows' byte order is the pixels' order.
void writeGlyph(uint8_t (*rows)[SCREEN_WIDTH], int32_t top, int32_t left, uint8_t character, uint8_t ink,
                uint8_t paper) {
    const uint8_t* glyph = glyphFor(character);
    const uint64_t inks = uint64_t{0x0101010101010101} * ink, papers = uint64_t{0x0101010101010101} * paper;
    for (int32_t gy = 0; gy < CELL_HEIGHT; ++gy) {
        const uint64_t mask = GLYPH_ROW_MASKS.masks[glyph[gy]];
        const uint64_t pixels = (inks & mask) | (papers & ~mask);
        std::memcpy(&rows[top + gy][left], &pixels, sizeof pixels);
    }
}

void plot(Screen& screen, int32_t x, int32_t y, uint8_t colour) {
    if (x >= 0 && x < SCREEN_WIDTH && y >= 0 && y < SCREEN_HEIGHT) workRow(screen, y)[x] = colour;
}

void drawCell(Screen& screen, int32_t row, int32_t column, uint8_t character) {
    writeGlyph(screen.pages[screen.workPage], (row - 1) * CELL_HEIGHT, (column - 1) * CELL_WIDTH, character,
               colourByte(screen.foreground), colourByte(screen.background));
    screen.text[row - 1][column - 1] = character;
}

void newLine(Screen& screen) {
    screen.textColumn = 1;
    if (screen.textRow <= TEXT_ROWS) ++screen.textRow;
}

}  // namespace

bool toPixel(float value, int32_t* pixel) {
    // In double, adding the half is exact for every float within the limit, and
    // the conversion to an integer truncates towards zero: halves round away
    // from zero. The half takes the value's sign without a branch; at zero
    // either sign gives 0.
    const double v = value;
    if (v > -PIXEL_LIMIT && v < PIXEL_LIMIT) {
        *pixel = static_cast<int32_t>(v + std::copysign(0.5, v));
        return true;
    }
    if (std::isnan(value)) return false;
    *pixel = v > 0.0 ? static_cast<int32_t>(PIXEL_LIMIT) : -static_cast<int32_t>(PIXEL_LIMIT);
    return true;
}

void openScreen(Screen& screen) {
    screen = Screen{};
    std::memcpy(screen.palette, CLASSIC_COLOURS, sizeof CLASSIC_COLOURS);
    std::memset(screen.text, ' ', sizeof screen.text);
    screen.isOpen = -1;
}

void setPages(Screen& screen, int32_t workPage, int32_t visiblePage) {
    if (!screen.isOpen) return;
    if (workPage < 0 && visiblePage < 0) {
        screen.workPage = 0;
        screen.visiblePage = 0;
        return;
    }
    if (workPage >= 0 && workPage < PAGE_COUNT) screen.workPage = workPage;
    if (visiblePage >= 0 && visiblePage < PAGE_COUNT) screen.visiblePage = visiblePage;
}

namespace {

// Text under a box is gone from the picture, so it leaves the grid too: the
// grid then holds what the picture shows, and a shorter read-out printed over
// a longer one leaves no stale characters behind it.
void blankCoveredCells(Screen& screen, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t firstColumn = (left + CELL_WIDTH - 1) / CELL_WIDTH, endColumn = (right + 1) / CELL_WIDTH;
    const int32_t firstRow = (top + CELL_HEIGHT - 1) / CELL_HEIGHT, endRow = (bottom + 1) / CELL_HEIGHT;
    if (firstColumn >= endColumn) return;
    for (int32_t row = firstRow; row < endRow; ++row) {
        std::memset(&screen.text[row][firstColumn], ' ', static_cast<size_t>(endColumn - firstColumn));
    }
}

}  // namespace

void fillBox(Screen& screen, float x1, float y1, float x2, float y2, int32_t colour) {
    if (!screen.isOpen) return;
    int32_t left, top, right, bottom;
    if (!toPixel(x1, &left) || !toPixel(y1, &top) || !toPixel(x2, &right) || !toPixel(y2, &bottom)) return;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left < 0) left = 0;
    if (top < 0) top = 0;
    if (right > SCREEN_WIDTH - 1) right = SCREEN_WIDTH - 1;
    if (bottom > SCREEN_HEIGHT - 1) bottom = SCREEN_HEIGHT - 1;
    if (left > right || top > bottom) return;
    blankCoveredCells(screen, left, top, right, bottom);
    const uint8_t value = colourByte(colour);
    const auto width = static_cast<size_t>(right - left + 1);
    if (width == SCREEN_WIDTH) {
        // Whole rows are contiguous: one fill covers the band.
        std::memset(workRow(screen, top), value, width * static_cast<size_t>(bottom - top + 1));
        return;
    }
    for (int32_t y = top; y <= bottom; ++y) std::memset(workRow(screen, y) + left, value, width);
}

void drawCircle(Screen& screen, float x, float y, float radius, int32_t colour) {
    if (!screen.isOpen) return;
    int32_t cx, cy, r;
    if (!toPixel(x, &cx) || !toPixel(y, &cy) || !toPixel(radius, &r)) return;
    if (r < 0 || r > MAX_CIRCLE_RADIUS) return;
    if (cx + r < 0 || cx - r >= SCREEN_WIDTH || cy + r < 0 || cy - r >= SCREEN_HEIGHT) return;
    const uint8_t value = colourByte(colour);
    const bool inside = cx - r >= 0 && cx + r < SCREEN_WIDTH && cy - r >= 0 && cy + r < SCREEN_HEIGHT;
    if (inside && (r == 3 || r == 10)) {
        uint8_t* centre = workRow(screen, cy) + cx;
        if (r == 3) {
            drawRing<BULLET_RING>(centre, value);
        } else {
            drawRing<BODY_RING>(centre, value);
        }
        return;
    }
    forEachRingPoint(r, [&](int32_t dx, int32_t dy) { plot(screen, cx + dx, cy + dy, value); });
}

bool copyWorkPage(Screen& screen, int32_t fromPage, int32_t toPage) {
    if (!screen.isOpen) return false;
    const int32_t from = fromPage < 0 ? screen.workPage : fromPage;
    const int32_t to = toPage < 0 ? screen.visiblePage : toPage;
    if (from >= PAGE_COUNT || to >= PAGE_COUNT || from == to) return false;
    std::memcpy(screen.pages[to], screen.pages[from], sizeof screen.pages[to]);
    return to == screen.visiblePage;
}

void clearText(Screen& screen) {
    if (!screen.isOpen) return;
    std::memset(screen.text, ' ', sizeof screen.text);
    screen.textRow = 1;
    screen.textColumn = 1;
}

void locateText(Screen& screen, int32_t row, int32_t column) {
    if (!screen.isOpen) return;
    if (row < 1 || row > TEXT_ROWS || column < 1 || column > TEXT_COLUMNS) return;
    screen.textRow = row;
    screen.textColumn = column;
}

void printText(Screen& screen, const char* text, int32_t length, bool newline) {
    if (!screen.isOpen) return;
    // Text past column 80 or below row 30 is clipped, not wrapped or scrolled.
    for (int32_t i = 0; i < length; ++i) {
        if (screen.textColumn > TEXT_COLUMNS) break;
        if (screen.textRow <= TEXT_ROWS) drawCell(screen, screen.textRow, screen.textColumn, static_cast<uint8_t>(text[i]));
        ++screen.textColumn;
    }
    if (newline) newLine(screen);
}

void printInteger(Screen& screen, int32_t value, bool newline) {
    if (!screen.isOpen) return;
    // As "% d" prints it: a space or a minus, then the digits; written by hand,
    // as the read-outs print eight numbers a frame.
    char digits[12];
    int32_t at = sizeof digits;
    uint32_t magnitude = value < 0 ? 0u - static_cast<uint32_t>(value) : static_cast<uint32_t>(value);
    do {
        digits[--at] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    digits[--at] = value < 0 ? '-' : ' ';
    printText(screen, digits + at, static_cast<int32_t>(sizeof digits) - at, newline);
}

void composeView(const Screen& screen, const Layers& layers, uint8_t view[VIEW_HEIGHT][SCREEN_WIDTH],
                 ComposedStrip& strip) {
    // Most of the overlay is clear: eight clear pixels at once let the
    // picture's eight through.
    for (int32_t y = 0; y < SCREEN_HEIGHT; ++y) {
        const uint8_t* picture = screen.pages[screen.visiblePage][y];
        const uint8_t* over = layers.overlay[y];
        uint8_t* out = view[y];
        for (int32_t x = 0; x < SCREEN_WIDTH; x += 8) {
            uint64_t eight;
            std::memcpy(&eight, over + x, sizeof eight);
            if (eight == 0) {
                std::memcpy(out + x, picture + x, sizeof eight);
            } else {
                for (int32_t k = x; k < x + 8; ++k) out[k] = over[k] ? over[k] : picture[k];
            }
        }
    }
    // The strip changes a few characters a frame: only those are drawn.
    for (int32_t line = 0; line < STATUS_LINES; ++line) {
        const int32_t top = SCREEN_HEIGHT + 2 + line * CELL_HEIGHT;
        const char* text = layers.status[line];
        bool ended = false;
        for (int32_t column = 0; column < TEXT_COLUMNS; ++column) {
            ended = ended || text[column] == '\0';
            const char cell = ended ? '\0' : text[column];
            if (cell == strip.cells[line][column]) continue;
            strip.cells[line][column] = cell;
            if (cell == '\0') {
                for (int32_t gy = 0; gy < CELL_HEIGHT; ++gy) {
                    std::memset(&view[top + gy][column * CELL_WIDTH], 0, CELL_WIDTH);
                }
            } else {
                writeGlyph(view, top, column * CELL_WIDTH, static_cast<uint8_t>(cell), STATUS_INK, 0);
            }
        }
    }
}

// Most of a frame is background, so eight pixels of index 0 at once skip the
// palette lookups.
void colourRow(uint32_t* target, const uint8_t* source, int32_t columns, const uint32_t* colours) {
    const uint32_t background = colours[0];
    int32_t x = 0;
    for (; x + 8 <= columns; x += 8) {
        uint64_t eight;
        std::memcpy(&eight, source + x, sizeof eight);
        if (eight == 0) {
            for (int32_t k = 0; k < 8; ++k) target[x + k] = background;
        } else {
            for (int32_t k = 0; k < 8; ++k) target[x + k] = colours[source[x + k]];
        }
    }
    for (; x < columns; ++x) target[x] = colours[source[x]];
}

void pushKey(Screen& screen, int32_t code) {
    if (!screen.isOpen) return;
    if (screen.keyCount == KEY_BUFFER_SIZE) {
        // Full: the oldest key makes room for the new one.
        screen.keyHead = (screen.keyHead + 1) % KEY_BUFFER_SIZE;
        --screen.keyCount;
    }
    screen.keys[(screen.keyHead + screen.keyCount) % KEY_BUFFER_SIZE] = code;
    ++screen.keyCount;
}

void pressSteering(Screen& screen, int32_t code, bool shift) {
    uint32_t bit = 0, opposite = 0;
    const int32_t lower = code >= 'A' && code <= 'Z' ? code - 'A' + 'a' : code;
    if (code == KEY_UP || lower == 'w') bit = HELD_UP, opposite = HELD_DOWN;
    if (code == KEY_DOWN || lower == 's') bit = HELD_DOWN, opposite = HELD_UP;
    if (code == KEY_LEFT || lower == 'a') bit = HELD_LEFT, opposite = HELD_RIGHT;
    if (code == KEY_RIGHT || lower == 'd') bit = HELD_RIGHT, opposite = HELD_LEFT;
    if (!bit) return;
    const auto index = [](uint32_t b) { return static_cast<size_t>(std::countr_zero(b)); };
    screen.held = (screen.held | bit) & ~opposite;
    screen.holding[index(bit)] = HOLD_RETRACES;
    screen.holding[index(opposite)] = 0;
    // Shift comes and goes with the presses it is seen in.
    if (shift || lower != code) {
        screen.held |= HELD_SHIFT;
        screen.holding[index(HELD_SHIFT)] = HOLD_RETRACES;
    } else {
        screen.held &= ~HELD_SHIFT;
        screen.holding[index(HELD_SHIFT)] = 0;
    }
}

void ageSteering(Screen& screen) {
    for (size_t k = 0; k < std::size(screen.holding); ++k) {
        if (screen.holding[k] > 0 && --screen.holding[k] == 0) screen.held &= ~(1u << k);
    }
}

KeyString pollKey(Screen& screen) {
    KeyString key;
    if (!screen.isOpen || screen.keyCount == 0) return key;
    const int32_t code = screen.keys[screen.keyHead];
    screen.keyHead = (screen.keyHead + 1) % KEY_BUFFER_SIZE;
    --screen.keyCount;
    if (code < SPECIAL_KEY) {
        key.bytes[0] = static_cast<char>(static_cast<uint8_t>(code));
        key.length = 1;
    } else {
        key.bytes[0] = static_cast<char>(static_cast<uint8_t>(255));
        key.bytes[1] = static_cast<char>(static_cast<uint8_t>(code - SPECIAL_KEY));
        key.length = 2;
    }
    return key;
}

}  // namespace screen
