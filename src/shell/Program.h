// The program entry's start-up, frame and shut-down, callable without ending
// the process so that tools and tests drive exactly what the program runs.
#pragma once

#include "shell/ShooterPass.h"

namespace shell {

// Opens the display, sets up the shooters and chooses the pages.
void startUp(ShooterPass& pass);
// One frame's drawing on the work page: clear, centre ring, shooter pass.
void drawFrame(ShooterPass& pass);
// One whole frame: draw, wait for the retrace, show the page.
void runFrame(ShooterPass& pass);
void shutDown(ShooterPass& pass);

// Start-up, frames until a key is polled, and shut-down. Returns the exit status.
int runProgram();

}  // namespace shell
