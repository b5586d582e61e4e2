// How bullets move: one bullet by one frame, and a shooter's whole store with
// the retirement of bullets that leave the play area.
#pragma once

#include "bullets/Bullet.h"

namespace shooter {
struct Shooter;
}

namespace bullets {

// The play area: the screen with a 50-pixel margin. The boundary stays inside.
inline constexpr float PLAY_LEFT = -50.0f;
inline constexpr float PLAY_RIGHT = 690.0f;
inline constexpr float PLAY_TOP = -50.0f;
inline constexpr float PLAY_BOTTOM = 530.0f;

// Ages the bullet and integrates it by one frame. The target and homing speed
// steer only motion 3, when its halt ends.
void moveBullet(Bullet& bullet, float targetX, float targetY, float homingSpeed);

// Moves every live bullet of the shooter's used slots and frees those that left
// the play area.
void moveBullets(shooter::Shooter& shooter);

// The same, and every slot that is free when the pass reaches it takes the
// turret's tag set: firing's tag refresh and motion in one walk of the store.
void moveBulletsAndRetagFreeSlots(shooter::Shooter& shooter);

}  // namespace bullets
