#!/usr/bin/python3
"""The web page in a real browser: headless Chromium from the system, driven by
Selenium, loads the page from a server on 127.0.0.1 that this test starts and
stops. Frames 1, 700 and 16,200 on the canvas must equal barrage-capture's PNGs
byte for byte; three seconds of play must hold 180 +- 12 frames; the console
must show no errors.

usage: browser_test.py WEB_DIR BARRAGE_CAPTURE [--screenshot FILE]
"""
import base64
import functools
import http.server
import os
import struct
import subprocess
import sys
import tempfile
import threading
import zlib

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.support.ui import WebDriverWait

WIDTH, HEIGHT = 640, 480
FRAMES = (1, 700, 16200)
PLAY_SECONDS, PLAY_FRAMES, PLAY_SLACK = 3, 180, 12
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
    def log_message(self, *args):
        pass


def start_server(directory):
    handler = functools.partial(QuietHandler, directory=directory)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def start_browser(profile, window):
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + profile)
    options.add_argument("--window-size=%d,%d" % window)
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    return webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)


def frame_shown(driver):
    return driver.execute_script("return document.getElementById('frame').textContent")


def canvas_rgba(driver):
    encoded = driver.execute_script("""
        const c = document.getElementById('screen');
        if (c.width !== 640 || c.height !== 480) return '';
        const bytes = c.getContext('2d').getImageData(0, 0, 640, 480).data;
        let text = '';
        for (let i = 0; i < bytes.length; i += 8192) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
        return btoa(text);""")
    return base64.b64decode(encoded)


def first_difference(actual, expected):
    for i in range(min(len(actual), len(expected))):
        if actual[i] != expected[i]:
            pixel = i // 4
            return "pixel (%d, %d): canvas %s, capture %s" % (pixel % WIDTH, pixel // WIDTH,
                                                             tuple(actual[4 * pixel:4 * pixel + 4]),
                                                             tuple(expected[4 * pixel:4 * pixel + 4]))
    return "sizes %d and %d" % (len(actual), len(expected))


def main():
    web_dir, capture = sys.argv[1], sys.argv[2]
    screenshot = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--screenshot" else None
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        server = start_server(web_dir)
        base = "http://127.0.0.1:%d/index.html" % server.server_address[1]
        driver = start_browser(os.path.join(scratch, "profile"), (700, 680) if screenshot else (1024, 768))
        try:
            wait = WebDriverWait(driver, 60)
            for frame in FRAMES:
                subprocess.run([capture, str(frame), "--out", scratch], check=True)
                expected = read_png_rgba(os.path.join(scratch, "frame-%06d.png" % frame))
                driver.get("%s?frame=%d" % (base, frame))
                wait.until(lambda d: frame_shown(d) == str(frame))
                actual = canvas_rgba(driver)
                if actual != expected:
                    failures.append("frame %d: the canvas differs from the capture at %s"
                                    % (frame, first_difference(actual, expected)))
                if frame_shown(driver) != str(frame):
                    failures.append("frame %d: paused page moved on to %s" % (frame, frame_shown(driver)))

            driver.get(base)
            wait.until(lambda d: int(frame_shown(d) or 0) >= 1)
            driver.set_script_timeout(PLAY_SECONDS + 30)
            played = driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const frame = () => Number(document.getElementById('frame').textContent);
                const first = frame();
                setTimeout(() => done(frame() - first), %d);""" % (PLAY_SECONDS * 1000))
            if abs(played - PLAY_FRAMES) > PLAY_SLACK:
                failures.append("%d frames in %d s of play, not %d +- %d"
                                % (played, PLAY_SECONDS, PLAY_FRAMES, PLAY_SLACK))
            print("%d frames in %d s of play" % (played, PLAY_SECONDS))
            if screenshot:
                driver.save_screenshot(screenshot)

            for entry in driver.get_log("browser"):
                if entry.get("level") == "SEVERE":
                    failures.append("console error: " + entry.get("message", ""))
        finally:
            driver.quit()
            server.shutdown()
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
