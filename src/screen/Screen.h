// The display's in-memory state and its pure operations: two pages of palette
// indices, the palette, the text grid and the key buffer. Nothing here touches a
// window or a terminal, so tests and tools use it directly and compare pages
// byte for byte. The service in Display.h owns one Screen for the program.
#pragma once

#include <cstdint>

namespace screen {

inline constexpr int32_t SCREEN_WIDTH = 640;   // pixels
inline constexpr int32_t SCREEN_HEIGHT = 480;  // pixels
inline constexpr int32_t PAGE_COUNT = 2;
inline constexpr int32_t TEXT_COLUMNS = 80;
inline constexpr int32_t TEXT_ROWS = 30;
inline constexpr int32_t CELL_WIDTH = 8;    // pixels
inline constexpr int32_t CELL_HEIGHT = 16;  // pixels
inline constexpr int32_t KEY_BUFFER_SIZE = 15;
inline constexpr int32_t PALETTE_SIZE = 256;

// Key codes 1 to 255 poll as that one character: a typed character (Latin-1),
// or the control character of Escape (27), Enter (13), Backspace (8), Tab (9)
// and Ctrl+A to Ctrl+Z (1 to 26). SPECIAL_KEY + c polls as the two characters
// 255 and c, where c is the key's classic scan code (arrows, Home, End, Page
// Up and Down, Insert, Delete, F1 to F12), 0 for any other key that types no
// character, and 'k' for the window's close request.
inline constexpr int32_t KEY_BACKSPACE = 8;
inline constexpr int32_t KEY_TAB = 9;
inline constexpr int32_t KEY_ENTER = 13;
inline constexpr int32_t KEY_ESCAPE = 27;
inline constexpr int32_t SPECIAL_KEY = 256;
inline constexpr int32_t CLOSE_KEY = SPECIAL_KEY + 'k';  // the window's close request

// The special keys both the window and the terminal know, by scan code.
inline constexpr int32_t KEY_UP = SPECIAL_KEY + 'H';
inline constexpr int32_t KEY_DOWN = SPECIAL_KEY + 'P';
inline constexpr int32_t KEY_LEFT = SPECIAL_KEY + 'K';
inline constexpr int32_t KEY_RIGHT = SPECIAL_KEY + 'M';
inline constexpr int32_t KEY_HOME = SPECIAL_KEY + 'G';
inline constexpr int32_t KEY_END = SPECIAL_KEY + 'O';
inline constexpr int32_t KEY_PAGE_UP = SPECIAL_KEY + 'I';
inline constexpr int32_t KEY_PAGE_DOWN = SPECIAL_KEY + 'Q';
inline constexpr int32_t KEY_INSERT = SPECIAL_KEY + 'R';
inline constexpr int32_t KEY_DELETE = SPECIAL_KEY + 'S';

// Function key n, 1 to 12: F1 to F10 run on from ';', F11 and F12 stand apart.
inline constexpr int32_t functionKey(int32_t n) { return SPECIAL_KEY + (n <= 10 ? ';' + n - 1 : 0x85 + n - 11); }

// A polled key as the one- or two-character string the callers see; length 0
// means no key was waiting.
struct KeyString {
    char bytes[2] = {0, 0};  // the key's characters
    int32_t length = 0;      // 0, 1 or 2
};

inline bool isEmpty(const KeyString& key) { return key.length == 0; }

// A polled key back as the code it was pushed with.
inline int32_t keyCode(const KeyString& key) {
    const auto first = static_cast<uint8_t>(key.bytes[0]), second = static_cast<uint8_t>(key.bytes[1]);
    return key.length == 2 ? SPECIAL_KEY + second : first;
}

// The steering keys held down now, as bits: the arrows or WASD, and Shift.
inline constexpr uint32_t HELD_UP = 1;
inline constexpr uint32_t HELD_DOWN = 2;
inline constexpr uint32_t HELD_LEFT = 4;
inline constexpr uint32_t HELD_RIGHT = 8;
inline constexpr uint32_t HELD_SHIFT = 16;
// A terminal tells presses, not releases: a press holds its key this many
// retraces, as long as the keyboard's repeat takes to begin and go on.
inline constexpr int32_t HOLD_RETRACES = 33;

struct Screen {
    int32_t isOpen = 0;          // flag: pages exist; drawing and text do nothing while 0
    int32_t workPage = 0;        // page that drawing and text go to
    int32_t visiblePage = 0;     // page the window shows
    int32_t textRow = 1;         // text cursor row, 1 to 30 (31 after the last row)
    int32_t textColumn = 1;      // text cursor column, 1 to 80 (81 past the last one)
    int32_t foreground = 15;     // palette index of text ink
    int32_t background = 0;      // palette index of text cells
    int32_t keyHead = 0;         // index in keys of the oldest waiting key
    int32_t keyCount = 0;        // keys waiting, 0 to 15
    int32_t keys[KEY_BUFFER_SIZE] = {};                       // key codes, a ring
    uint8_t palette[PALETTE_SIZE][3] = {};                    // RGB per index
    uint8_t text[TEXT_ROWS][TEXT_COLUMNS] = {};               // character each cell shows; a box blanks what it covers
    uint8_t pages[PAGE_COUNT][SCREEN_HEIGHT][SCREEN_WIDTH] = {};  // palette indices
    uint32_t held = 0;                                        // HELD_* bits: the steering keys down now
    int32_t holding[5] = {};                                  // by HELD_* bit: retraces a press holds it still
};

// A viewer's own layers, drawn with the picture and never into the pages: an
// overlay whose nonzero palette indices cover the picture, and two lines of
// text in a strip under it.
inline constexpr int32_t STATUS_LINES = 5;  // the frame, then one line for each shooter of the demonstration
inline constexpr int32_t STATUS_STRIP_HEIGHT = STATUS_LINES * CELL_HEIGHT + 4;  // pixels
inline constexpr int32_t VIEW_HEIGHT = SCREEN_HEIGHT + STATUS_STRIP_HEIGHT;
inline constexpr int32_t STATUS_INK = 7;  // light grey

struct Layers {
    uint8_t overlay[SCREEN_HEIGHT][SCREEN_WIDTH] = {};  // palette index over each pixel; 0 lets the picture through
    char status[STATUS_LINES][TEXT_COLUMNS + 1] = {};   // the lines under the picture, each ended by a 0
};

// Rounds a drawing coordinate to a pixel, halves away from zero. Returns false
// for NaN; infinities and huge values saturate far outside the screen.
bool toPixel(float value, int32_t* pixel);

void openScreen(Screen& screen);
void setPages(Screen& screen, int32_t workPage, int32_t visiblePage);
void fillBox(Screen& screen, float x1, float y1, float x2, float y2, int32_t colour);
void drawCircle(Screen& screen, float x, float y, float radius, int32_t colour);
// Returns true when the visible page changed. A negative page means the current one.
bool copyWorkPage(Screen& screen, int32_t fromPage, int32_t toPage);
void clearText(Screen& screen);
void locateText(Screen& screen, int32_t row, int32_t column);
void printText(Screen& screen, const char* text, int32_t length, bool newline);
void printInteger(Screen& screen, int32_t value, bool newline);
void pushKey(Screen& screen, int32_t code);
// For a backend that sees presses alone: the steering key `code` is (arrow
// or WASD; an upper-case letter or `shift` holds Shift too) held for
// HOLD_RETRACES from now, and the opposite direction let go. Other codes do
// nothing.
void pressSteering(Screen& screen, int32_t code, bool shift);
// A retrace passed: presses that held their keys long enough let them go.
void ageSteering(Screen& screen);
// What a view's status strip shows, cell by cell: composing the view again
// draws only the cells that changed. 0 is an empty cell, all black; a fresh
// (all black) view goes with a fresh record.
struct ComposedStrip {
    char cells[STATUS_LINES][TEXT_COLUMNS] = {};  // the character each cell of the strip shows
};

// The visible page with the overlay over it, then the status strip under it.
// The view keeps its strip between calls, as the record says it is.
void composeView(const Screen& screen, const Layers& layers, uint8_t view[VIEW_HEIGHT][SCREEN_WIDTH],
                 ComposedStrip& strip);
// A row of palette indices as the backend's 32-bit colours, one per index.
void colourRow(uint32_t* target, const uint8_t* source, int32_t columns, const uint32_t* colours);
KeyString pollKey(Screen& screen);

}  // namespace screen
