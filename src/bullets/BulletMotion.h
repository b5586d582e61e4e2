// How one bullet moves by one frame, and where the play area ends.
#pragma once

#include "bullets/Bullet.h"

namespace bullets {

// The play area: the screen with a 50-pixel margin. The boundary stays inside.
inline constexpr float PLAY_LEFT = -50.0f;
inline constexpr float PLAY_RIGHT = 690.0f;
inline constexpr float PLAY_TOP = -50.0f;
inline constexpr float PLAY_BOTTOM = 530.0f;

// Ages the bullet and integrates it by one frame. The target and homing speed
// steer only motion 3, when its halt ends.
void moveBullet(Bullet& bullet, float targetX, float targetY, float homingSpeed);

// Frees the bullet's slot, as leaving the play area does: not alive, age 0,
// no halt; everything else stays as it was.
inline void retireBullet(Bullet& bullet) {
    bullet.alive = 0;
    bullet.age = 0;
    bullet.haltAt = -1;
}

}  // namespace bullets
