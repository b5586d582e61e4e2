// The ES module in Node: its traces have the conformance set's digests (so
// they are C's and barrage-trace's), from text with the reader module and
// from bytes with the small one; bullets are views of the module's memory;
// a save restored steps on as the world did.
//   node js_test.mjs RUNTIME_DIR SOURCE_DIR
import { createHash } from "node:crypto";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { g9, trace } from "./trace.mjs";

const [runtimeDir, source] = process.argv.slice(2);
const { loadBarrage } = await import(pathToFileURL(join(runtimeDir, "barrage.mjs")));
const failures = [];
const expect = (ok, what) => { if (!ok) failures.push(what); };

for (const [v, c] of [[0.1, "0.1"], [100.0078125, "100.007812"], [100.0234375, "100.023438"], [1e-5, "1.00000000e-05"],
                      [123456789.5, "123456790"], [-0.000123456789, "-0.000123456789"], [1234567890, "1.23456789e+09"]]) {
  expect(g9(v) === c.replace("1.00000000e", "1e"), `%.9g of ${v}: ${g9(v)}, not ${c}`);
}

// Node has no fetch of files: the modules are given their bytes.
const wasm = (name) => readFileSync(join(runtimeDir, name));
const reading = await loadBarrage({ reader: true, wasmBinary: wasm("barrage-runtime-reader.wasm") });
const small = await loadBarrage({ wasmBinary: wasm("barrage-runtime.wasm") });
const patterns = join(source, "patterns");
const lines = readFileSync(join(source, "src/runtime/conformance.txt"), "utf8").split("\n").filter((l) => /^[0-9a-f]/.test(l));
for (const line of lines) {
  const [digest, frames, every, name, recording] = line.split(" ");
  if (Number(frames) > 20000 || name === "flower") continue;  // the longest natively only
  for (const barrage of [reading, small]) {
    let pattern = null;
    if (name !== "-") {
      const read = reading.pattern(readFileSync(join(patterns, name + ".toml"), "utf8"));
      pattern = barrage === small ? small.pattern(read.pack()) : read;
    }
    const world = barrage.world(pattern);
    let moves = new Uint8Array(0);
    if (recording) {
      moves = barrage.recording(readFileSync(join(patterns, recording + ".rec")));
      const s = world.ship();
      world.setShip(s.x, s.y);
    }
    const hash = createHash("sha256");
    trace(barrage, world, Number(frames), Number(every), moves, (text) => hash.update(text));
    expect(hash.digest("hex") === digest, `${barrage === small ? "the small module" : "the reader module"}: ${line}`);
    world.free();
  }
}

const world = small.world();
for (let i = 0; i < 200; ++i) world.step();
const b = world.bullets(0);
expect(b.slots === 256 && b.stride === 21, "the store's slots and stride");
const save = world.save();
for (let i = 0; i < 100; ++i) world.step();
const on = JSON.stringify([world.shooter(3), Array.from(world.bullets(3).ints)]);
world.restore(save);
for (let i = 0; i < 100; ++i) world.step();
expect(JSON.stringify([world.shooter(3), Array.from(world.bullets(3).ints)]) === on, "a save restored steps on otherwise");
try { world.restore(save.slice(1)); expect(false, "a short save was taken"); } catch (e) { expect(e.status === small.ERROR_SAVE, "a short save: " + e); }
try { reading.pattern("[shooters]\ncount = x\n"); expect(false, "a refused text raised nothing"); } catch (e) { expect(e.status === reading.ERROR_REFUSED, "refused: " + e); }
try { small.pattern("[shooters]\ncount = 1\n"); expect(false, "the small module read text"); } catch (e) { expect(e.status === small.ERROR_ARGUMENT, "text in the small module: " + e); }
for (const f of failures) console.log("FAIL: " + f);
console.log(failures.length ? `${failures.length} failures` : "ok");
process.exit(failures.length ? 1 : 0);
