// The program entry's start-up, frame and shut-down, callable without ending
// the process so that tools and tests drive exactly what the program runs.
#pragma once

#include "world/World.h"

namespace shell {

// Opens the display, sets up the world (the demonstration unless the maker
// says otherwise) and chooses the pages.
void startUp(world::World& world, const world::WorldMaker& maker = {});
// One whole frame: step the world, draw it, wait for the retrace, show the page.
void runFrame(world::World& world);
void shutDown(world::World& world);

// Start-up, frames until a key is polled, and shut-down, for the world the
// maker sets up (the demonstration by default). Returns the exit status.
int runProgram(const world::WorldMaker& maker = {});

}  // namespace shell
