// What the web page's script reaches of its window system: the picture to put
// into its canvas and the keys it hands in. The table itself is
// browserWindowSystem() in display/WindowSystem.h.
#pragma once

#include <cstdint>

#include "display/Screen.h"

namespace display {

// The visible page as the canvas shows it: 640 x 480 pixels of R, G, B, A
// bytes, rows top down. Written by ShowVisiblePage; stays at one address.
const uint8_t* browserPicture();
// A viewer's overlay for a canvas above the picture: R, G, B, A bytes, index 0
// see-through. Written on each call; stays at one address.
const uint8_t* browserOverlay(const Layers& layers);
// A key from the page's keyboard events, in the codes of display/Screen.h; it
// arrives at the next retrace wait or key poll. Up to 15 wait; more are lost.
void pressBrowserKey(int32_t code);

}  // namespace display
