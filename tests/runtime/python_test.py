"""The Python module over the runtime: the traces it prints have the
conformance set's digests (so they are C's and barrage-trace's), its bullets
view the engine's stores without a copy, a refused pattern raises with its
messages, and a save restored steps on as the world did.

    python_test.py SOURCE_DIR   (BARRAGE_LIBRARY and BARRAGE_HEADER set)
"""
import hashlib
import os
import sys

source = sys.argv[1]
sys.path.insert(0, os.path.join(source, "src", "runtime"))
import barrage  # noqa: E402


def trace(world, frames, every, moves=b""):
    digest = hashlib.sha256()
    for frame in range(1, frames + 1):
        out = []
        world.step(moves[frame - 1] if frame <= len(moves) else barrage.MOVE_NONE)
        if frame % every and frame != frames:
            continue
        out.append("frame %d\n" % frame)
        if world.has_ship:
            s = world.ship()
            out.append("ship %.9g %.9g %d %d\n" % (s["x"], s["y"], s["hits"], s["grazes"]))
        for i in range(world.shooter_count):
            s = world.shooter(i)
            out.append("shooter %d %d %.9g %.9g %d %d %d %d %d %d %d %d\n" % (
                i, s["active"], s["x"], s["y"], s["angle"], s["movement_steps"], s["gun_angle"],
                s["sweep_direction"], s["fire_delay"], s["shot_index"], s["firing_steps"], s["live"]))
            b = world.bullets(i)
            for j in (b["alive"] != 0).nonzero()[0]:
                out.append("bullet %d %.9g %.9g %.9g %.9g %d\n" % (j, b["x"][j], b["y"][j], b["vx"][j], b["vy"][j], b["age"][j]))
        digest.update("".join(out).encode())
    return digest.hexdigest()


def main():
    failures = []
    patterns = os.path.join(source, "patterns")
    with open(os.path.join(source, "src", "runtime", "conformance.txt")) as file:
        lines = [line.split() for line in file if line[0] in "0123456789abcdef"]
    chosen = [line for line in lines if line[1:4] in (["3000", "1", "-"], ["6000", "60", "aimed"]) or len(line) == 5]
    for digest, frames, every, name, *recording in chosen:
        pattern = None if name == "-" else barrage.Pattern(open(os.path.join(patterns, name + ".toml")).read())
        world = barrage.World(pattern)
        moves = b""
        if recording:
            moves = barrage.read_recording(open(os.path.join(patterns, recording[0] + ".rec")).read())
            s = world.ship()
            world.set_ship(s["x"], s["y"])
        if trace(world, int(frames), int(every), moves) != digest:
            failures.append("the trace of %s %s %s %s is not the conformance set's" % (frames, every, name, recording))

    world = barrage.World()
    for _ in range(200):
        world.step()
    bullets = world.bullets(0)
    pointer = int(barrage.ffi.cast("uintptr_t", barrage.lib.barrage_bullets(world._handle, 0, barrage.ffi.new("int32_t*"))))
    if bullets.__array_interface__["data"][0] != pointer or bullets.flags.writeable:
        failures.append("the bullets are not a read-only view of the store")
    save = world.save()
    for _ in range(100):
        world.step()
    on = (world.shooter(3), world.bullets(3).tobytes())
    world.restore(save)
    for _ in range(100):
        world.step()
    if (world.shooter(3), world.bullets(3).tobytes()) != on:
        failures.append("a save restored steps on otherwise")
    try:
        world.restore(save[:-1])
        failures.append("a short save was taken")
    except barrage.Error as error:
        if error.status != barrage.ERROR_SAVE:
            failures.append("a short save: %s" % error)
    try:
        barrage.Pattern("[shooters]\ncount = x\n")
        failures.append("a refused pattern raised nothing")
    except barrage.Error as error:
        if error.status != barrage.ERROR_REFUSED or not error.messages or error.messages[0]["line"] != 2:
            failures.append("a refused pattern: %s %s" % (error, error.messages))
    for failure in failures:
        print("FAIL:", failure)
    print("ok" if not failures else "%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
