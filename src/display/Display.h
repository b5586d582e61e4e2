// The display, text and keyboard service: the program's one seam to its
// platform. The rest of the program calls these operations and never sees the
// window system or the terminal behind them.
//
// With a display, OpenScreen makes a 640 x 480 window; without one, the
// program runs on in the terminal (read-out on one status line, keys from the
// keyboard, frames paced at 60 per second). A headless backend, chosen before
// OpenScreen, keeps everything in memory for tools and tests; what they use to
// choose it and look inside is in display/Control.h.
#pragma once

#include <cstdint>
#include <string_view>

#include "screen/Screen.h"

namespace display {

inline constexpr int32_t PAGE_NOT_GIVEN = -1;
inline constexpr float FULL_TURN = 6.283186f;  // end angle of a whole circle

// Blanks the text grid and puts the text cursor at row 1, column 1. Before the
// display is open it does nothing: OpenScreen starts with a blank grid anyway.
void ClearTextScreen();
// Opens the 640 x 480, 8-bit, two-page display. Mode, depth, page count,
// flags and refresh rate are accepted as the program passes them (18, 8, 2, 0,
// 0); frames are always paced at 60 a second.
void OpenScreen(int32_t mode, int32_t depth, int32_t pageCount, int32_t flags, int32_t refreshRate);
void SetPages(int32_t workPage, int32_t visiblePage);
void FillBox(float x1, float y1, float x2, float y2, int32_t colour, int32_t lineStyle = 0xFFFF);
// Always the whole outline at the screen's own aspect; the arc, aspect and
// fill arguments are accepted as the program passes them.
void DrawCircle(float x, float y, float radius, int32_t colour, float aspect = 0.0f,
                float startAngle = 0.0f, float endAngle = FULL_TURN, int32_t filled = 0);
// The frame loop's only pacing: shows the visible page and returns at the next
// tick of a steady 60-a-second schedule, the retrace of the display every
// duration of the demonstration is counted in, whatever the real display's
// refresh rate. Also keeps the window responsive.
void WaitVerticalRetrace();
void CopyWorkPage(int32_t fromPage = PAGE_NOT_GIVEN, int32_t toPage = PAGE_NOT_GIVEN);
void LocateText(int32_t row, int32_t column);
void PrintText(std::string_view text, bool newline = false);
void PrintInteger(int32_t value, bool newline = false);
// Never waits. SIGINT and SIGTERM arrive here as the close request.
screen::KeyString PollKey();
// Closes the display, restores the terminal and ends the process.
[[noreturn]] void EndProgram(int32_t status);

}  // namespace display
