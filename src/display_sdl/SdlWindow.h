// The SDL window: the picture in a resizable window, scaled by whole
// multiples, keys and the close button in. Only this folder knows SDL.
#pragma once

#include "display/WindowSystem.h"

namespace display_sdl {

const display::WindowSystem* sdlWindowSystem();

}  // namespace display_sdl
