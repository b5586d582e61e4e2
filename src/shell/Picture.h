// The picture of a world: what the shell draws of a stepped world, on the
// work page.
#pragma once

#include "world/World.h"

namespace shell {

// The picture of the world as its last step left it, on the work page: the
// cleared page, the centre ring, then for each shooter that stepped its
// read-outs, its body and its live bullets.
void drawWorld(const world::World& world);

}  // namespace shell
