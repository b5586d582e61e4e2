// The runtime's small WebAssembly module under Node: seconds to step the
// demonstration FRAMES frames through its ES module, best of three.
//   node runtime_web_bench.mjs RUNTIME_DIR FRAMES
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { pathToFileURL } from "node:url";

const [dir, frames] = process.argv.slice(2);
const { loadBarrage } = await import(pathToFileURL(join(dir, "barrage.mjs")));
const barrage = await loadBarrage({ wasmBinary: readFileSync(join(dir, "barrage-runtime.wasm")) });
let best = Infinity;
for (let run = 0; run < 3; ++run) {
  const world = barrage.world(), start = process.hrtime.bigint();
  for (let f = 0; f < Number(frames); ++f) world.step();
  best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e9);
  world.free();
}
console.log(best.toFixed(3));
