"""How many hits a ship that stands still takes from a pattern, rank by rank.

    python3 rank_sweep.py PATTERN.toml [FRAMES]

With BARRAGE_LIBRARY and BARRAGE_HEADER naming the library and its header
when they are not installed beside the module (PYTHONPATH finds barrage.py).
"""
import sys

import barrage


def main():
    text = open(sys.argv[1], encoding="utf-8").read()
    frames = int(sys.argv[2]) if len(sys.argv) > 2 else 1200
    for rank in (0.0, 0.25, 0.5, 0.75, 1.0):
        world = barrage.World(barrage.Pattern(text, {"rank": rank}, sys.argv[1]))
        if not world.has_ship:
            world.set_ship(320, 440)
        most = 0
        for _ in range(frames):
            world.step(barrage.MOVE_NONE)
            most = max(most, sum(int((world.bullets(i)["alive"] != 0).sum()) for i in range(world.shooter_count)))
        ship = world.ship()
        print("rank %.2f: %d hits, %d grazes, at most %d bullets" % (rank, ship["hits"], ship["grazes"], most))


if __name__ == "__main__":
    main()
