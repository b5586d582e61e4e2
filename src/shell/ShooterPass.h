// The shell's handling of its shooters: set up at start-up, stepped and drawn
// once per frame, torn down at shut-down.
#pragma once

#include <cstdint>

namespace shell {

struct ShooterPass {
    int32_t count = 0;  // shooters set up
};

void setUpShooters(ShooterPass& pass);
void runShooterPass(ShooterPass& pass);
void tearDownShooters(ShooterPass& pass);

}  // namespace shell
