// The shell's handling of its four shooters: set up at start-up, stepped and
// drawn once per frame, torn down at shut-down.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"

namespace shell {

struct ShooterPass {
    actor::Shooter* shooters = nullptr;  // one array, owned, made at set-up
    int32_t count = 0;                     // shooters in the array, recorded when it was made
};

// Makes and constructs the shooters, fills their programs from the scenario
// and rewinds the programs.
void setUpShooters(ShooterPass& pass);
// Steps each active shooter and draws its body and live bullets.
void runShooterPass(ShooterPass& pass);
// Destroys the shooters, last first, and releases the array.
void tearDownShooters(ShooterPass& pass);

}  // namespace shell
