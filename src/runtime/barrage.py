"""barrage for Python: the runtime's C interface through cffi, its bullets as
numpy arrays that view the engine's own stores (no copy).

    import barrage
    world = barrage.World(barrage.Pattern(open("boss.toml").read(), {"rank": 1}))
    for frame in range(600):
        world.step(barrage.MOVE_LEFT)
        for shooter in range(world.shooter_count):
            bullets = world.bullets(shooter)      # a read-only structured array
            live = bullets[bullets["alive"] != 0]
            ...

The declarations and constants are read from barrage.h, so they are the
header's. The library and the header are looked for beside an installed
module (PREFIX/share/barrage/python), or where BARRAGE_LIBRARY and
BARRAGE_HEADER say.
"""
import glob
import os
import re

import cffi
import numpy

_here = os.path.dirname(os.path.abspath(__file__))
_prefix = os.path.normpath(os.path.join(_here, "..", "..", ".."))


def _first(*paths):
    return next((p for p in paths if p and os.path.exists(p)), paths[-1])


_header_path = _first(os.environ.get("BARRAGE_HEADER"), os.path.join(_here, "barrage.h"),
                      os.path.join(_prefix, "include", "barrage.h"))
_library_path = _first(os.environ.get("BARRAGE_LIBRARY"), *sorted(glob.glob(os.path.join(_prefix, "lib*", "**", "libbarrage.so"),
                                                                         recursive=True)),
                       os.path.join(_prefix, "lib", "libbarrage.so"))

with open(_header_path, encoding="utf-8") as _file:
    _header = _file.read()

# The header's integer constants, as module attributes: MOVE_LEFT, EVENT_HIT ...
for _name, _value, _shift in re.findall(r"^#define BARRAGE_([A-Z0-9_]+) \(?(-?[0-9]+)(?: << ([0-9]+))?\)?", _header, re.M):
    globals()[_name] = int(_value) << int(_shift or 0)

_declarations = re.sub(r"/\*.*?\*/", "", _header, flags=re.S)
_declarations = _declarations[_declarations.index("typedef struct barrage_pattern"):
                              _declarations.index("#ifdef __cplusplus\n}")]
_declarations = re.sub(r"^#.*$", "", _declarations, flags=re.M).replace("BARRAGE_EXPORT ", "")
ffi = cffi.FFI()
ffi.cdef(_declarations)
lib = ffi.dlopen(_library_path)


def _dtype(struct):
    fields = ffi.typeof(struct).fields
    kinds = {"float": numpy.float32, "int32_t": numpy.int32}
    return numpy.dtype({"names": [name for name, _ in fields],
                        "formats": [kinds[field.type.cname] for _, field in fields],
                        "offsets": [field.offset for _, field in fields],
                        "itemsize": ffi.sizeof(struct)})


BULLET = _dtype("barrage_bullet")
EVENT = _dtype("barrage_event")


class Error(Exception):
    """A call that failed: `status` is its result, `messages` a refused pattern's findings."""

    def __init__(self, status, messages=()):
        self.status, self.messages = status, list(messages)
        said = "; ".join("%d:%d: %s" % (m["line"], m["column"], m["text"]) for m in self.messages[:3])
        super().__init__(ffi.string(lib.barrage_status_text(status)).decode() + (": " + said if said else ""))


def _check(status):
    if status != OK:
        raise Error(status)


def version():
    return lib.barrage_version(), ffi.string(lib.barrage_version_text()).decode()


class Pattern:
    """A pattern read from its text, with settings as the tools' --set."""

    def __init__(self, text, settings=None, file="pattern"):
        data = text.encode("utf-8") if isinstance(text, str) else bytes(text)
        settings = dict(settings or {})
        names = [ffi.new("char[]", name.encode()) for name in settings]
        array = ffi.new("barrage_setting[]", max(len(names), 1))
        for i, (name, value) in enumerate(zip(names, settings.values())):
            array[i].name, array[i].value = name, float(value)
        out = ffi.new("barrage_pattern**")
        status = lib.barrage_read_pattern(data, len(data), file.encode(), array, len(names), out)
        if out[0] == ffi.NULL:
            raise Error(status)
        self._handle = ffi.gc(out[0], lib.barrage_free_pattern)
        self.messages = []
        message = ffi.new("barrage_message*")
        for i in range(lib.barrage_message_count(self._handle)):
            lib.barrage_get_message(self._handle, i, message)
            self.messages.append({"line": message.line, "column": message.column,
                                  "error": message.severity == SEVERITY_ERROR,
                                  "name": ffi.string(message.name).decode(), "text": ffi.string(message.text).decode()})
        if status != OK:
            raise Error(status, self.messages)


class World:
    """A world of the pattern (None: the demonstration), stepped a frame at a time."""

    def __init__(self, pattern=None):
        out = ffi.new("barrage_world**")
        _check(lib.barrage_make_world(pattern._handle if pattern else ffi.NULL, out))
        self._pattern = pattern  # outlives the world
        self._handle = ffi.gc(out[0], lib.barrage_free_world)

    def step(self, move=0):
        _check(lib.barrage_step(self._handle, move))

    def set_ship(self, x, y):
        _check(lib.barrage_set_ship(self._handle, x, y))

    @property
    def frame(self):
        return lib.barrage_frame(self._handle)

    @property
    def shooter_count(self):
        return lib.barrage_shooter_count(self._handle)

    @property
    def has_ship(self):
        return bool(lib.barrage_has_ship(self._handle))

    def ship(self):
        ship = ffi.new("barrage_ship*")
        _check(lib.barrage_get_ship(self._handle, ship))
        return {name: getattr(ship, name) for name, _ in ffi.typeof("barrage_ship").fields}

    def shooter(self, index):
        shooter = ffi.new("barrage_shooter*")
        _check(lib.barrage_get_shooter(self._handle, index, shooter))
        return {name: getattr(shooter, name) for name, _ in ffi.typeof("barrage_shooter").fields}

    def bullet_run(self, shooter, slot):
        """Where the program of the bullet in a shooter's slot stands."""
        run = ffi.new("barrage_bullet_run*")
        _check(lib.barrage_get_bullet_run(self._handle, shooter, slot, run))
        return {name: getattr(run, name) for name, _ in ffi.typeof("barrage_bullet_run").fields}

    def bullets(self, index):
        """Shooter `index`'s slots in use, viewing its store (valid until the next step)."""
        slots = ffi.new("int32_t*")
        pointer = lib.barrage_bullets(self._handle, index, slots)
        if pointer == ffi.NULL:
            raise Error(ERROR_ARGUMENT)
        return self._view(pointer, slots[0], BULLET)

    def events(self):
        """The last frame's hits and grazes: kind, shooter, slot."""
        count = ffi.new("int32_t*")
        pointer = lib.barrage_events(self._handle, count)
        return self._view(pointer, count[0], EVENT)

    def hit_test(self, x, y, radius, most=1024):
        found = ffi.new("barrage_bullet_ref[]", most)
        count = lib.barrage_hit_test(self._handle, x, y, radius, found, most)
        if count < 0:
            raise Error(count)
        return [(found[i].shooter, found[i].slot) for i in range(min(count, most))]

    def save(self):
        buffer = bytearray(lib.barrage_save_size(self._handle))
        _check(lib.barrage_save(self._handle, ffi.from_buffer(buffer), len(buffer)))
        return bytes(buffer)

    def restore(self, save):
        _check(lib.barrage_restore(self._handle, ffi.from_buffer(save), len(save)))

    @staticmethod
    def _view(pointer, count, dtype):
        if count == 0 or pointer == ffi.NULL:
            return numpy.zeros(0, dtype)
        array = numpy.frombuffer(ffi.buffer(pointer, count * dtype.itemsize), dtype)
        array.flags.writeable = False
        return array


def read_recording(text):
    """A recording file's moves, a code a frame, as bytes."""
    data = text.encode() if isinstance(text, str) else bytes(text)
    frames = ffi.new("int64_t*")
    _check(lib.barrage_read_recording(data, len(data), ffi.NULL, 0, frames))
    moves = ffi.new("uint8_t[]", max(frames[0], 1))
    _check(lib.barrage_read_recording(data, len(data), moves, frames[0], frames))
    return bytes(ffi.buffer(moves, frames[0]))
