// The headless backend that tools and tests use: the pages live in memory
// only. No window, no terminal, no pacing (frames run as fast as the caller
// goes), and the end signals are left to the caller.
#pragma once

#include "display/WindowSystem.h"

namespace display_headless {

const display::WindowSystem* headlessSystem();

}  // namespace display_headless
