#!/usr/bin/python3
"""The web page in a real browser: headless Chromium from the system, driven by
Selenium, loads the page from a server on 127.0.0.1 that this test starts and
stops. Frames 1, 700 and 16,200 on the canvas must equal barrage-capture's PNGs
byte for byte; three seconds of play must hold 180 +- 12 frames; the console
must show no errors.

usage: browser_test.py WEB_DIR BARRAGE_CAPTURE [--screenshot FILE]
"""
import os
import subprocess
import sys
import tempfile

from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from web import WIDTH, canvas_rgba, frame_shown, read_png_rgba, start_browser, start_server  # noqa: E402

FRAMES = (1, 700, 16200)
PLAY_SECONDS, PLAY_FRAMES, PLAY_SLACK = 3, 180, 12


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
