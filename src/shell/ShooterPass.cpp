// The shooter pass. The shooters themselves arrive with the simulation; until
// then the frame shows the cleared screen and the centre ring.
#include "shell/ShooterPass.h"

namespace shell {

void setUpShooters(ShooterPass& pass) { pass.count = 0; }

void runShooterPass(ShooterPass&) {}

void tearDownShooters(ShooterPass& pass) { pass.count = 0; }

}  // namespace shell
