// What the web page's script reaches of its window system: the picture to put
// into its canvas and the keys it hands in. The table itself is
// browserWindowSystem() in display/WindowSystem.h.
#pragma once

#include <cstdint>

namespace display {

// The visible page as the canvas shows it: 640 x 480 pixels of R, G, B, A
// bytes, rows top down. Written by ShowVisiblePage; stays at one address.
const uint8_t* browserPicture();
// A key from the page's keyboard events, in the codes of display/Screen.h; it
// arrives at the next retrace wait or key poll. Up to 15 wait; more are lost.
void pressBrowserKey(int32_t code);

}  // namespace display
