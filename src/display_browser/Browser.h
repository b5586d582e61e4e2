// The web page's backend: its table, and what the page's script reaches of it,
// the picture to put into its canvas and the keys it hands in.
#pragma once

#include <cstdint>
#include <string_view>

#include "display/WindowSystem.h"
#include "screen/Screen.h"

namespace display_browser {

// No key ends anything and nothing waits: the page runs the frames due at each
// animation frame.
const display::WindowSystem* browserWindowSystem();

// The visible page as the canvas shows it: 640 x 480 pixels of R, G, B, A
// bytes, rows top down. Written by ShowVisiblePage; stays at one address.
const uint8_t* browserPicture();
// A viewer's overlay for a canvas above the picture: R, G, B, A bytes, index 0
// see-through. Written on each call; stays at one address.
const uint8_t* browserOverlay(const screen::Layers& layers);
// A key from the page's keyboard events, in the codes of screen/Screen.h; it
// arrives at the next retrace wait or key poll. Up to 15 wait; more are lost.
void pressBrowserKey(int32_t code);
// The code of a key by the name the browser gives it (KeyboardEvent.key, as
// UTF-8): a character below 256 as itself, Escape, Enter, Backspace and Tab as
// their control characters, arrows, Home, End, Page Up and Down, Insert,
// Delete and F1 to F12 as the window gives them; 0 for any other.
int32_t browserKeyCode(std::string_view name);

}  // namespace display_browser
