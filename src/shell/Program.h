// The program entry's start-up, frame and shut-down, callable without ending
// the process so that tools and tests drive exactly what the program runs.
#pragma once

#include "shell/World.h"

namespace shell {

// Opens the display, sets up the world (the demonstration unless the maker
// says otherwise) and chooses the pages.
void startUp(World& world, const WorldMaker& maker = {});
// One whole frame: step the world, draw it, wait for the retrace, show the page.
void runFrame(World& world);
void shutDown(World& world);

// Start-up, frames until a key is polled, and shut-down, for the world the
// maker sets up (the demonstration by default). Returns the exit status.
int runProgram(const WorldMaker& maker = {});

}  // namespace shell
