// The trace format from the ES module, as barrage-trace prints it, for the
// tests in Node and in Chromium: floats as C's %.9g, from their exact values.

// C's %.9g of a number: its exact decimal value rounded to nine significant
// digits, ties to even, in fixed or exponent form as printf chooses. JS's
// own rounding agrees but on exact ties, so only a value near one is worked
// out exactly.
export function g9(v) {
  if (Number.isNaN(v)) return "nan";
  if (!Number.isFinite(v)) return v > 0 ? "inf" : "-inf";
  if (v === 0) return Object.is(v, -0) ? "-0" : "0";
  const a = Math.abs(v);
  let [kept, e10] = a.toExponential(8).split("e");
  kept = kept.replace(".", "");
  e10 = Number(e10);
  const scaled = a / 10 ** (e10 - 8), fraction = scaled - Math.floor(scaled);
  if (Math.abs(fraction - 0.5) < 1e-3) [kept, e10] = exactNine(a);
  const strip = (s) => (s.includes(".") ? s.replace(/0+$/, "").replace(/\.$/, "") : s);
  const sign = v < 0 ? "-" : "";
  if (e10 < -4 || e10 >= 9) {
    return sign + strip(kept[0] + "." + kept.slice(1)) + "e" + (e10 < 0 ? "-" : "+") + String(Math.abs(e10)).padStart(2, "0");
  }
  return sign + strip(e10 >= 0 ? kept.slice(0, e10 + 1) + "." + kept.slice(e10 + 1) : "0." + "0".repeat(-e10 - 1) + kept);
}

// Nine significant digits of a positive number and the exponent of the
// first, from its exact decimal value, ties to even.
function exactNine(a) {
  const view = new DataView(new ArrayBuffer(8));
  view.setFloat64(0, a);
  const bits = view.getBigUint64(0), biased = Number(bits >> 52n);
  let mantissa = bits & ((1n << 52n) - 1n), exponent = biased - 1075;
  if (biased) mantissa |= 1n << 52n; else exponent = -1074;
  let digits, point = 0;  // the value is digits x 10^-point
  if (exponent >= 0) digits = (mantissa << BigInt(exponent)).toString();
  else { digits = (mantissa * 5n ** BigInt(-exponent)).toString(); point = -exponent; }
  let e10 = digits.length - 1 - point, kept = digits.slice(0, 9).padEnd(9, "0");
  const rest = digits.slice(9);
  if (rest && (rest[0] > "5" || (rest[0] === "5" && (/[1-9]/.test(rest.slice(1)) || Number(kept[8]) % 2)))) {
    kept = (BigInt(kept) + 1n).toString();
    if (kept.length > 9) { kept = kept.slice(0, 9); e10 += 1; }
  }
  return [kept, e10];
}

// The trace of `frames` frames, every `every`, steered by `moves`, handed to
// `take` a frame's text at a time.
export function trace(barrage, world, frames, every, moves, take) {
  for (let frame = 1; frame <= frames; ++frame) {
    world.step(frame <= moves.length ? moves[frame - 1] : barrage.MOVE_NONE);
    if (frame % every && frame !== frames) continue;
    const out = [`frame ${frame}\n`];
    if (world.hasShip) {
      const s = world.ship();
      out.push(`ship ${g9(s.x)} ${g9(s.y)} ${s.hits} ${s.grazes}\n`);
    }
    for (let i = 0; i < world.shooterCount; ++i) {
      const s = world.shooter(i);
      out.push(`shooter ${i} ${s.active} ${g9(s.x)} ${g9(s.y)} ${s.angle} ${s.movement_steps} ${s.gun_angle} ` +
               `${s.sweep_direction} ${s.fire_delay} ${s.shot_index} ${s.firing_steps} ${s.live}\n`);
      const b = world.bullets(i);
      for (let j = 0; j < b.slots; ++j) {
        const at = j * b.stride;
        if (!b.ints[at + b.alive]) continue;
        out.push(`bullet ${j} ${g9(b.floats[at + b.x])} ${g9(b.floats[at + b.y])} ${g9(b.floats[at + b.vx])} ` +
                 `${g9(b.floats[at + b.vy])} ${b.ints[at + b.age]}\n`);
      }
    }
    take(out.join(""));
  }
}
