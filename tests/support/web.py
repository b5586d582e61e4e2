"""Helpers shared by the web page's test and benchmark: a static file server on
127.0.0.1 and Debian's headless Chromium driven by Debian's Selenium (nothing
downloads a browser), and barrage-capture's PNGs as RGBA bytes."""
import base64
import functools
import http.server
import struct
import threading
import time
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

WIDTH, HEIGHT = 640, 480
CHROMIUM_FLAGS = ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync")


def read_png_rgba(path):
    """An 8-bit palette PNG, as barrage-capture writes it, to RGBA bytes."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, chunks, palette = 8, [], None
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert (width, height, depth, colour, interlace) == (WIDTH, HEIGHT, 8, 3, 0), path
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            chunks.append(body)
        pos += 12 + length
    raw = zlib.decompress(b"".join(chunks))
    rows, previous = [], bytearray(WIDTH)
    for y in range(HEIGHT):
        kind = raw[y * (WIDTH + 1)]
        row = bytearray(raw[y * (WIDTH + 1) + 1:(y + 1) * (WIDTH + 1)])
        for x in range(WIDTH):
            left = row[x - 1] if x else 0
            up, upleft = previous[x], previous[x - 1] if x else 0
            if kind == 1:
                row[x] = (row[x] + left) & 255
            elif kind == 2:
                row[x] = (row[x] + up) & 255
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - upleft
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - upleft)
                row[x] = (row[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else upleft)) & 255
        rows.append(bytes(row))
        previous = row
    colours = [palette[3 * i:3 * i + 3] + b"\xff" for i in range(len(palette) // 3)]
    return b"".join(colours[i] for row in rows for i in row)


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    delays = {}  # seconds a file's answer waits, by the end of its path: a slow network

    def log_message(self, *args):
        pass

    def do_GET(self):
        for ending, seconds in self.delays.items():
            if self.path.split("?")[0].endswith(ending):
                time.sleep(seconds)
        super().do_GET()


def start_server(directory, delays=None):
    """A static file server on 127.0.0.1; `delays` (the end of a path ->
    seconds, changeable while it runs) holds some files back."""
    handler_class = type("Handler", (QuietHandler,), {"delays": delays if delays is not None else {}})
    handler = functools.partial(handler_class, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_browser(profile, window=(1024, 768)):
    """Chromium with a fresh profile and none of its own network traffic, which
    this machine's closed network would refuse."""
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + profile)
    options.add_argument("--window-size=%d,%d" % window)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def frame_shown(driver):
    """The text of the element that holds the number of the frame on the canvas."""
    return driver.execute_script("return document.getElementById('frame').textContent")


def canvas_rgba(driver):
    """The canvas's 640 x 480 RGBA bytes, or none when its backing store is another size."""
    encoded = driver.execute_script("""
        const c = document.getElementById('screen');
        if (c.width !== 640 || c.height !== 480) return '';
        const bytes = c.getContext('2d').getImageData(0, 0, 640, 480).data;
        let text = '';
        for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
        return btoa(text);""")
    return base64.b64decode(encoded)
