// barrage for web games: the runtime's C interface as an ES module over its
// WebAssembly build, bullets as typed-array views of the engine's own stores.
//
//   import { loadBarrage } from "./barrage.mjs";
//   const barrage = await loadBarrage({ reader: true });  // to read pattern text
//   const world = barrage.world(barrage.pattern(text, { rank: 1 }));
//   world.step(barrage.MOVE_LEFT);
//   const b = world.bullets(0);     // b.floats[j * b.stride + b.x], b.ints[j * b.stride + b.alive] ...
//   world.free();
//
// Two modules make one interface: barrage-runtime (some 50 KB of
// WebAssembly) takes patterns as bytes (barrage.pack makes them, or the C
// interface's barrage_pack_pattern), barrage-runtime-reader (some 400 KB)
// reads pattern text as well; loadBarrage({ reader: true }) loads that one.
// Other options go to the module (in Node, say, wasmBinary: its bytes).
// Records are read by the layout in barrage-layout.mjs, which the build
// writes from barrage.h: every field four bytes, in the header's order.
import { CONSTANTS, LAYOUT } from "./barrage-layout.mjs";

// The word at which each field of a record lies.
function fieldsOf(record) {
  const at = {};
  LAYOUT[record].forEach((name, i) => { at[name] = i; });
  return at;
}

export async function loadBarrage({ reader = false, ...options } = {}) {
  const { default: create } = await import(reader ? "./barrage-runtime-reader.js" : "./barrage-runtime.js");
  const m = await create(options);
  const encoder = new TextEncoder(), decoder = new TextDecoder();
  const words = (pointer, count) => new Int32Array(m.HEAPU8.buffer, pointer, count);
  const floats = (pointer, count) => new Float32Array(m.HEAPU8.buffer, pointer, count);
  const text = (pointer) => {
    const bytes = m.HEAPU8;
    let end = pointer;
    while (bytes[end]) ++end;
    return decoder.decode(bytes.subarray(pointer, end));
  };
  // A record of `record` at `pointer`, as an object of its fields.
  const read = (record, pointer, strings = []) => {
    const i = words(pointer, LAYOUT[record].length), f = floats(pointer, LAYOUT[record].length), out = {};
    LAYOUT[record].forEach((name, k) => {
      out[name] = strings.includes(name) ? text(i[k] >>> 0) : FLOATS[record].includes(name) ? f[k] : i[k];
    });
    return out;
  };
  const FLOATS = LAYOUT.floats;
  const scratch = m._malloc(256);  // room for one record handed back, and a pointer or two
  const check = (status) => {
    if (status !== CONSTANTS.OK) throw new BarrageError(status, text(m._barrage_status_text(status)));
  };
  const bytesIn = (data) => {
    const bytes = typeof data === "string" ? encoder.encode(data) : data;
    const pointer = m._malloc(Math.max(bytes.length, 1));
    m.HEAPU8.set(bytes, pointer);
    return [pointer, bytes.length];
  };
  const BULLET = fieldsOf("barrage_bullet");

  class Pattern {
    // From text (with the reader module) or from the bytes barrage.pack gives.
    constructor(source, settings = {}, file = "pattern") {
      const [pointer, size] = bytesIn(source);
      if (typeof source !== "string") {
        const status = m._barrage_read_packed(pointer, size, scratch);
        m._free(pointer);
        check(status);
        this.handle = words(scratch, 1)[0];
        this.messages = [];
        return;
      }
      if (!m._barrage_read_pattern) {
        m._free(pointer);
        throw new BarrageError(CONSTANTS.ERROR_ARGUMENT, "pattern text needs the reader: loadBarrage({ reader: true })");
      }
      const names = Object.keys(settings).map((name) => bytesIn(name + "\0")[0]);
      const array = m._malloc(16 * Math.max(names.length, 1));
      names.forEach((name, i) => {
        words(array + 16 * i, 1)[0] = name;
        new Float64Array(m.HEAPU8.buffer, array + 16 * i + 8, 1)[0] = Number(Object.values(settings)[i]);
      });
      const [filePointer] = bytesIn(file + "\0");
      const status = m._barrage_read_pattern(pointer, size, filePointer, array, names.length, scratch);
      [pointer, array, filePointer, ...names].forEach((p) => m._free(p));
      this.handle = words(scratch, 1)[0];
      this.messages = [];
      for (let i = 0; i < m._barrage_message_count(this.handle); ++i) {
        m._barrage_get_message(this.handle, i, scratch);
        this.messages.push(read("barrage_message", scratch, ["name", "text"]));
      }
      if (status !== CONSTANTS.OK) {
        this.free();
        throw new BarrageError(status, this.messages.map((e) => `${e.line}:${e.column}: ${e.text}`).join("\n") ||
                               text(m._barrage_status_text(status)));
      }
    }
    // The pattern as bytes, for barrage-runtime to read.
    pack() {
      const asked = m._barrage_pack_pattern(this.handle, 0, 0, scratch);
      if (asked !== CONSTANTS.ERROR_ROOM) check(asked);
      const size = words(scratch, 1)[0], pointer = m._malloc(size);
      try {
        check(m._barrage_pack_pattern(this.handle, pointer, size, scratch));
        return m.HEAPU8.slice(pointer, pointer + size);
      } finally { m._free(pointer); }
    }
    free() { m._barrage_free_pattern(this.handle); this.handle = 0; }
  }

  class World {
    constructor(pattern = null) {
      check(m._barrage_make_world(pattern ? pattern.handle : 0, scratch));
      this.handle = words(scratch, 1)[0];
    }
    step(move = CONSTANTS.MOVE_NONE) { check(m._barrage_step(this.handle, move)); }
    setShip(x, y) { check(m._barrage_set_ship(this.handle, x, y)); }
    get frame() { return Number(m._barrage_frame(this.handle)); }
    get shooterCount() { return m._barrage_shooter_count(this.handle); }
    get hasShip() { return m._barrage_has_ship(this.handle) !== 0; }
    ship() { check(m._barrage_get_ship(this.handle, scratch)); return read("barrage_ship", scratch); }
    shooter(index) { check(m._barrage_get_shooter(this.handle, index, scratch)); return read("barrage_shooter", scratch); }
    // Where the program of the bullet in a shooter's slot stands.
    bulletRun(shooter, slot) {
      check(m._barrage_get_bullet_run(this.handle, shooter, slot, scratch));
      return read("barrage_bullet_run", scratch);
    }
    // Shooter `index`'s slots in use, as views of its store (valid until the next step).
    bullets(index) {
      const pointer = m._barrage_bullets(this.handle, index, scratch), slots = words(scratch, 1)[0];
      const stride = LAYOUT.barrage_bullet.length;
      return { slots, stride, floats: floats(pointer, slots * stride), ints: words(pointer, slots * stride), ...BULLET };
    }
    // The last frame's hits and grazes: kind, shooter, slot, three words each.
    events() {
      const pointer = m._barrage_events(this.handle, scratch), count = words(scratch, 1)[0];
      return { count, stride: LAYOUT.barrage_event.length, ints: words(pointer, count * LAYOUT.barrage_event.length) };
    }
    hitTest(x, y, radius) { return m._barrage_hit_test(this.handle, x, y, radius, 0, 0); }
    save() {
      const size = m._barrage_save_size(this.handle), pointer = m._malloc(size);
      try {
        check(m._barrage_save(this.handle, pointer, size));
        return m.HEAPU8.slice(pointer, pointer + size);
      } finally { m._free(pointer); }
    }
    restore(save) {
      const [pointer, size] = bytesIn(save);
      try { check(m._barrage_restore(this.handle, pointer, size)); } finally { m._free(pointer); }
    }
    free() { m._barrage_free_world(this.handle); this.handle = 0; }
  }

  return {
    ...CONSTANTS,
    version: () => m._barrage_version(),
    pattern: (source, settings, file) => new Pattern(source, settings, file),
    world: (pattern) => new World(pattern),
    // A recording's moves, a code a frame.
    recording(source) {
      const [pointer, size] = bytesIn(source);
      try {
        check(m._barrage_read_recording(pointer, size, 0, 0n, scratch));
        const frames = Number(new BigInt64Array(m.HEAPU8.buffer, scratch, 1)[0]), moves = m._malloc(frames + 1);
        check(m._barrage_read_recording(pointer, size, moves, BigInt(frames), scratch));
        const out = m.HEAPU8.slice(moves, moves + frames);
        m._free(moves);
        return out;
      } finally { m._free(pointer); }
    },
  };
}

export class BarrageError extends Error {
  constructor(status, message) { super(message); this.status = status; }
}
