// The world: the shell's shooters, set up at start-up, stepped once per frame
// and torn down at shut-down. Stepping touches no display; drawing puts a
// stepped world on the work page, so a world can run unseen (seeking, path
// previews, traces) at the cost of the simulation alone.
#pragma once

#include <cstdint>

#include "actor/Shooter.h"
#include "collections/ProgramWalk.h"

namespace shell {

// What one shooter's last step left for the picture.
struct ShooterFrame {
    int32_t stepped = 0;            // flag: the shooter was active, so it moved and is drawn
    collections::ReadOut emitter;   // the movement program's read-out
    collections::ReadOut turret;    // the firing program's read-out
};

struct World {
    actor::Shooter* shooters = nullptr;  // one array, owned, made at set-up
    int32_t count = 0;                     // shooters in the array, recorded when it was made
    ShooterFrame* frames = nullptr;        // one per shooter: what the last step left to draw; owned
};

// Makes and constructs the shooters, fills their programs from the scenario
// and rewinds the programs.
void setUpWorld(World& world);
// One frame of the simulation: each active shooter's programs, body, gun and
// bullets, in index order. Draws nothing.
void stepWorld(World& world);
// The picture of the world as its last step left it, on the work page: the
// cleared page, the centre ring, then for each shooter that stepped its
// read-outs, its body and its live bullets.
void drawWorld(const World& world);
// Destroys the shooters, last first, and releases the array.
void tearDownWorld(World& world);

}  // namespace shell
