// The program entry's frame loop, callable without ending the process so that
// tools and tests can drive it.
#pragma once

#include "shell/ShooterPass.h"

namespace shell {

// One frame's drawing on the work page: clear, centre ring, shooter pass.
void drawFrame(ShooterPass& pass);

// Start-up, the frame loop until a key is polled, and shut-down. Returns the
// exit status.
int runProgram();

}  // namespace shell
