#!/usr/bin/python3
"""The web page in a real browser: headless Chromium from the system, driven by
Selenium, loads the page from a server on 127.0.0.1 that this test starts and
stops. Frames 1, 700 and 16,200 on the canvas must equal barrage-capture's PNGs
byte for byte; three seconds of play must hold 180 +- 12 frames; the viewer's
keys must pause, step, step back (to the captured picture), run at twice the
speed and leave the picture alone under their overlays; the address must name
the paused frame across a reload; the console must show no errors.

usage: browser_test.py WEB_DIR BARRAGE_CAPTURE [--screenshot FILE]
"""
import os
import subprocess
import sys
import tempfile

import time
import urllib.parse

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from web import WIDTH, canvas_rgba, frame_shown, read_png_rgba, start_browser, start_server  # noqa: E402

FRAMES = (1, 700, 16200)
PLAY_SECONDS, PLAY_FRAMES, PLAY_SLACK = 3, 180, 12
DOUBLE_SPEED_FRAMES, DOUBLE_SPEED_SLACK = 120, 8


def frames_in(driver, milliseconds):
    """Frames the page shows pass in that much of its own wall time."""
    driver.set_script_timeout(milliseconds / 1000 + 30)
    return driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const frame = () => Number(document.getElementById('frame').textContent);
        const first = frame();
        setTimeout(() => done(frame() - first), %d);""" % milliseconds)


def press(driver, key):
    ActionChains(driver).send_keys(key).perform()


def overlay_pixels(driver):
    return driver.execute_script("""
        const bytes = document.getElementById('overlay').getContext('2d').getImageData(0, 0, 640, 480).data;
        let covered = 0;
        for (let i = 3; i < bytes.length; i += 4) covered += bytes[i] !== 0;
        return covered;""")


def check_viewer(driver, base, capture, scratch, failures):
    """The viewer's keys and address, from frame 700."""
    wait = WebDriverWait(driver, 20)
    shown = lambda d: int(frame_shown(d) or 0)  # noqa: E731
    driver.get("%s?frame=700" % base)
    wait.until(lambda d: shown(d) == 700)
    press(driver, Keys.SPACE)
    wait.until(lambda d: shown(d) > 700)
    press(driver, Keys.SPACE)
    time.sleep(0.1)
    paused = shown(driver)
    time.sleep(0.4)
    if shown(driver) != paused:
        failures.append("Space did not stop the frame number: %d, then %d" % (paused, shown(driver)))
    slider = driver.execute_script("return document.getElementById('timeline').value")
    if slider != str(paused):
        failures.append("paused on %d, the slider is on %s" % (paused, slider))
    press(driver, Keys.ARROW_RIGHT)
    time.sleep(0.3)
    if shown(driver) != paused + 1:
        failures.append("Right went from frame %d to %d" % (paused, shown(driver)))
    press(driver, Keys.ARROW_LEFT)
    time.sleep(0.3)
    if shown(driver) != paused:
        failures.append("Left went from frame %d to %d" % (paused + 1, shown(driver)))
    expected = captured(capture, scratch, paused)
    if canvas_rgba(driver) != expected:
        failures.append("after Left, the canvas is not frame %d" % paused)
    press(driver, "t")
    press(driver, "p")
    wait.until(lambda d: "trails paths" in d.execute_script("return document.getElementById('status').textContent"))
    if canvas_rgba(driver) != expected:
        failures.append("trails and paths changed the picture of frame %d" % paused)
    if overlay_pixels(driver) < 500:
        failures.append("trails and paths drew %d pixels on the overlay" % overlay_pixels(driver))

    driver.refresh()
    wait.until(lambda d: shown(d) == paused)
    if not driver.current_url.endswith("?frame=%d" % paused):
        failures.append("paused on %d, the address is %s" % (paused, driver.current_url))
    press(driver, "4")
    press(driver, Keys.SPACE)
    wait.until(lambda d: shown(d) > paused)
    doubled = frames_in(driver, 1000)
    print("%d frames in a second at twice the speed" % doubled)
    if abs(doubled - DOUBLE_SPEED_FRAMES) > DOUBLE_SPEED_SLACK:
        failures.append("%d frames in a second at twice the speed, not %d +- %d"
                        % (doubled, DOUBLE_SPEED_FRAMES, DOUBLE_SPEED_SLACK))


def captured(capture, scratch, frame):
    subprocess.run([capture, str(frame), "--out", scratch], check=True)
    return read_png_rgba(os.path.join(scratch, "frame-%06d.png" % frame))


def first_difference(actual, expected):
    for i in range(min(len(actual), len(expected))):
        if actual[i] != expected[i]:
            pixel = i // 4
            return "pixel (%d, %d): canvas %s, capture %s" % (pixel % WIDTH, pixel // WIDTH,
                                                             tuple(actual[4 * pixel:4 * pixel + 4]),
                                                             tuple(expected[4 * pixel:4 * pixel + 4]))
    return "sizes %d and %d" % (len(actual), len(expected))


def status_text(driver):
    return driver.execute_script("return document.getElementById('status').textContent")


def link_of(recording):
    """A recording file's moves as the page's link carries them: N:runs."""
    lines = open(recording, encoding="ascii").read().split("\n")
    frames = next(int(l.split()[1]) for l in lines if l.startswith("frames "))
    start = lines.index("moves") + 1
    return "%d:%s" % (frames, "".join(lines[start:lines.index("end")]))


def recording_of(link, path):
    """A link's moves as a recording file of the demonstration."""
    frames, runs = link.split(":", 1)
    with open(path, "w", encoding="ascii") as f:
        f.write("barrage recording 1\npattern \ndigest \nframes %s\nmoves\n%s\nend\n" % (frames, runs))


def ship_of(status):
    """The hits and grazes the page's strip gives."""
    line = status.split("\n")[1]
    words = line.split()
    return int(words[words.index("hits") + 1]), int(words[words.index("grazes") + 1])


def check_replay(driver, base, capture, trace, scratch, failures):
    """A replay in the link shows barrage-capture's picture of it; a run flown
    with the keys is in the address, and the native tools replay it to the
    page's picture, hits and grazes; a link's replay that does not decode is
    said and changes nothing else."""
    wait = WebDriverWait(driver, 30)
    here = os.path.dirname(os.path.abspath(__file__))
    link = link_of(os.path.join(here, "..", "..", "patterns", "aimed-run.rec"))
    recording = os.path.join(scratch, "demonstration.rec")
    recording_of(link, recording)
    os.makedirs(os.path.join(scratch, "replayed"), exist_ok=True)
    subprocess.run([capture, "700", "--replay", recording, "--out", os.path.join(scratch, "replayed")], check=True)
    expected = read_png_rgba(os.path.join(scratch, "replayed", "frame-000700.png"))
    driver.get("%s?frame=700&replay=%s" % (base, link))
    wait.until(lambda d: frame_shown(d) == "700")
    if not canvas_is(driver, expected, 2.0):
        failures.append("replay: the canvas is not barrage-capture --replay's frame 700")

    # Flown with the keys: to the left, then up and right, slower.
    driver.get("%s?frame=100" % base)
    wait.until(lambda d: frame_shown(d) == "100")
    press(driver, "f")
    chain = ActionChains(driver)
    chain.key_down(Keys.ARROW_LEFT).pause(0.4).key_up(Keys.ARROW_LEFT)
    chain.key_down(Keys.SHIFT).key_down("w").key_down("d").pause(0.4).key_up("d").key_up("w").key_up(Keys.SHIFT)
    chain.perform()
    press(driver, "f")
    press(driver, Keys.SPACE)
    time.sleep(0.3)
    frame = int(frame_shown(driver))
    search = urllib.parse.parse_qs(urllib.parse.urlparse(driver.current_url).query)
    flown = search.get("replay", [""])[0]
    # The frames played after flying stopped are not recorded: the ship stood.
    if not 100 < int(flown.split(":")[0] or 0) <= frame:
        failures.append("flying: the address's replay %r does not hold the frames flown to %d" % (flown[:40], frame))
        return
    if "f" not in flown.split(":")[1] and "o" not in flown.split(":")[1]:
        failures.append("flying: the recording %r has no move left (f), nor focused up-right (r)" % flown[:80])
    recording_of(flown, recording)
    ship = subprocess.run([trace, str(frame), str(frame), "--replay", recording], check=True, capture_output=True,
                          text=True).stdout.split("\n")[1].split()
    if ship[0] != "ship" or (int(ship[3]), int(ship[4])) != ship_of(status_text(driver)):
        failures.append("flying: the trace says %s, the page %r" % (ship, status_text(driver).split("\n")[1]))
    subprocess.run([capture, str(frame), "--replay", recording, "--out", os.path.join(scratch, "replayed")], check=True)
    if canvas_rgba(driver) != read_png_rgba(os.path.join(scratch, "replayed", "frame-%06d.png" % frame)):
        failures.append("flying: the canvas of frame %d is not barrage-capture --replay's" % frame)

    driver.get("%s?frame=50&replay=12:zz" % base)
    wait.until(lambda d: frame_shown(d) == "50")
    if "replay cannot be read" not in notice_text(driver):
        failures.append("a replay that does not decode: the notice says %r" % notice_text(driver))
    print("replay: a link's replay, a run flown with the keys (%d frames)" % frame)


def check_fairness(driver, base, dodge, scratch, failures):
    """Is it fair, in the page: the answer its worker gives for the
    demonstration is barrage-dodge's (the tightest moment), the positions the
    ship could be on cover the overlay and the strip under the slider shows,
    and the way through, played, reaches the last frame with no hit."""
    way = os.path.join(scratch, "demonstration-way.rec")
    native = subprocess.run([dodge, "--record", way], capture_output=True, text=True, check=False).stdout
    words = native.split("freedom at least ")[1].split()
    expected = "least freedom %.2f%% at frame %s" % (float(words[0].rstrip("%")), words[3])
    driver.get("%s?frame=300" % base)
    WebDriverWait(driver, 20).until(lambda d: frame_shown(d) == "300")
    driver.find_element("id", "fair").click()
    try:
        WebDriverWait(driver, 120).until(lambda d: "survivable" in notice_text(d))
    except Exception:  # noqa: BLE001
        failures.append("fairness: no answer in 120 s; the status says %r" % status_text(driver).split("\n")[0])
        return
    first = notice_text(driver)
    if expected not in first:
        failures.append("fairness: the page says %r, barrage-dodge %r" % (first, expected))
    if overlay_pixels(driver) < 50000:
        failures.append("fairness: the overlay shows %d pixels of where the ship could be" % overlay_pixels(driver))
    if not driver.execute_script("return !document.getElementById('difficulty').hidden"):
        failures.append("fairness: the strip under the slider is hidden")
    print("fairness: %s; the worker took %.0f ms" % (first,
                                                    driver.execute_script("return window.barragePage.fairnessWorkerMs")))
    driver.find_element("id", "way").click()
    field = driver.find_element("id", "goto")
    field.send_keys("16200" + Keys.ENTER)
    WebDriverWait(driver, 60).until(lambda d: frame_shown(d) == "16200")
    hits, _ = ship_of(status_text(driver))
    if hits != 0:
        failures.append("fairness: the way through takes %d hits by frame 16200" % hits)


def check_far_seek(driver, base, failures):
    """A seek to frame 1,000,000 runs in slices: the tab keeps drawing its
    animation frames (no gap over 100 ms beyond a frame) and says how far it
    has got."""
    driver.get("%s?frame=1000000" % base)
    WebDriverWait(driver, 10).until(lambda d: "going to 1000000" in status_text(d))
    gap = driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        let last = performance.now(), worst = 0;
        const end = last + 2000;
        function tick(now) {
          worst = Math.max(worst, now - last);
          last = now;
          if (now < end) requestAnimationFrame(tick); else done(worst);
        }
        requestAnimationFrame(tick);""")
    if gap > 117:
        failures.append("far seek: the tab went %.0f ms without an animation frame" % gap)
    print("far seek: longest gap between animation frames %.0f ms" % gap)


def frame_cases():
    """The cases barrage-view's tests read too: (text, frame or None)."""
    here = os.path.dirname(os.path.abspath(__file__))
    cases = []
    with open(os.path.join(here, "..", "support", "frame-cases.txt"), encoding="ascii") as lines:
        for line in lines:
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            text, expected = line.split("\t")
            cases.append((text, None if expected == "refused" else int(expected)))
    return cases


def notice_text(driver):
    return driver.execute_script("return document.getElementById('notice').textContent")


def check_frame_values(driver, base, failures):
    """?frame= and the number field follow the one rule: the frame, or a
    one-line notice with the address corrected."""
    wait = WebDriverWait(driver, 30)
    for text, expected in frame_cases():
        driver.get("%s?frame=%s" % (base, urllib.parse.quote(text)))
        wait.until(lambda d: int(frame_shown(d) or 0) >= 1 and (expected is None or frame_shown(d) == str(expected)))
        if expected is None:
            search = driver.execute_script("return window.location.search")
            if "frame=" in search or not notice_text(driver):
                failures.append("?frame=%r: address %r, notice %r" % (text, search, notice_text(driver)))
        elif notice_text(driver):
            failures.append("?frame=%r: a notice for a good frame: %r" % (text, notice_text(driver)))
    driver.get("%s?frame=50" % base)
    wait.until(lambda d: frame_shown(d) == "50")
    for text, expected in frame_cases():
        driver.execute_script("const f = document.getElementById('goto'); f.value = arguments[0];"
                              "f.dispatchEvent(new Event('change'));", text)
        if expected is None:
            if not notice_text(driver) or frame_shown(driver) != "50":
                failures.append("field %r: frame %s, notice %r" % (text, frame_shown(driver), notice_text(driver)))
        else:
            wait.until(lambda d: frame_shown(d) == str(expected))
            driver.execute_script("const f = document.getElementById('goto'); f.value = '50';"
                                  "f.dispatchEvent(new Event('change'));")
            wait.until(lambda d: frame_shown(d) == "50")
    print("frame values: %d cases in the address and in the field" % len(frame_cases()))


def canvas_is(driver, picture, seconds=1.0):
    """Whether the canvas shows the picture within the time."""
    end = time.time() + seconds
    while True:
        if canvas_rgba(driver) == picture:
            return True
        if time.time() > end:
            return False
        time.sleep(0.05)


def resources(driver):
    return driver.execute_script(
        "return performance.getEntriesByType('navigation').concat(performance.getEntriesByType('resource'))"
        ".map(function (e) { return [e.name.split('/').pop().split('?')[0], Math.max(e.encodedBodySize, e.decodedBodySize, e.transferSize)]; })")


def check_editor(driver, base, capture, trace, scratch, failures):
    """Edit the step in force at frame 900 by typing: the canvas shows the
    edited pattern's frame 900 within a second; a mistake is marked where the
    native tools place it and changes nothing; undo; the address holds the
    pattern for a fresh browser; a damaged link shows the demonstration."""
    here = os.path.dirname(os.path.abspath(__file__))
    source_file = os.path.join(here, "..", "..", "patterns", "demonstration.toml")
    with open(source_file, encoding="utf-8") as f:
        source = f.read()
    lines = source.split("\n")
    row = next(i for i, l in enumerate(lines) if "volleySize = 2," in l)
    column = lines[row].index("volleySize = 2,") + len("volleySize = ") + 1
    edited = source.replace("volleySize = 2,", "volleySize = 3,", 1)
    edited_file = os.path.join(scratch, "edited.toml")
    with open(edited_file, "w", encoding="utf-8") as f:
        f.write(edited)
    os.makedirs(os.path.join(scratch, "edited"), exist_ok=True)
    subprocess.run([capture, "900", "--pattern", edited_file, "--out", os.path.join(scratch, "edited")], check=True,
                   stderr=subprocess.DEVNULL)
    expected = read_png_rgba(os.path.join(scratch, "edited", "frame-000900.png"))
    demonstration = captured(capture, scratch, 900)

    driver.get("%s?frame=900" % base)
    wait = WebDriverWait(driver, 30)
    wait.until(lambda d: frame_shown(d) == "900")
    press(driver, "e")
    wait.until(lambda d: d.execute_script("return !!document.querySelector('#editorPane .cm-content')"))
    driver.execute_async_script("BarrageEdit.ready().then(arguments[arguments.length - 1])")
    driver.execute_script("BarrageEdit.moveTo(arguments[0], arguments[1])", row + 1, column)
    content = driver.find_element("css selector", "#editorPane .cm-content")
    content.send_keys(Keys.DELETE, "3")
    if not canvas_is(driver, expected, 1.5):
        failures.append("editor: the canvas does not show the edited pattern's frame 900 within a second")
    if expected == demonstration:
        failures.append("editor: the edit does not change frame 900")

    # A change within half a second of the one before joins it in the
    # editor's undo history: let the edit stand alone, so undo takes back
    # only the mistake.
    time.sleep(0.6)
    content.send_keys("x")
    with open(os.path.join(scratch, "mistake.toml"), "w", encoding="utf-8") as f:
        f.write(edited.replace("volleySize = 3,", "volleySize = 3x,", 1))
    native = subprocess.run([trace, "--check", "--pattern", os.path.join(scratch, "mistake.toml")],
                            capture_output=True, text=True).stderr.splitlines()[0]
    # The good text's full-store warnings may stand in the list: the mistake
    # is the error.
    wait.until(lambda d: d.execute_script("return document.querySelectorAll('#messages li.error').length") > 0)
    shown = driver.execute_script("return document.querySelector('#messages li.error').textContent")
    if shown.split(":", 1)[1] != native.split(":", 1)[1] or not shown.startswith("pattern.toml:"):
        failures.append("editor: the page says %r where the native tool says %r" % (shown, native))
    if not driver.execute_script("return !!document.querySelector('.cm-lintRange-error, .cm-lint-marker-error')"):
        failures.append("editor: the mistake is not marked in the editor")
    if canvas_rgba(driver) != expected:
        failures.append("editor: a refused edit changed the canvas")
    content.send_keys(Keys.CONTROL, "z")
    content.send_keys(Keys.NULL)
    wait.until(lambda d: d.execute_script("return document.querySelectorAll('#messages li.error').length") == 0)
    if not canvas_is(driver, expected, 1.5):
        failures.append("editor: after undo the canvas is not the edited pattern's frame 900")
    editor_fetches = [name for name, size in resources(driver)].count("editor.js")
    if editor_fetches != 1:
        failures.append("editor: its bundle was fetched %d times" % editor_fetches)

    link = driver.execute_script("return window.location.href")
    if "#pattern=" not in link:
        failures.append("editor: the address holds no pattern: %s" % link)
    fresh = start_browser(os.path.join(scratch, "fresh-profile"), (1024, 768))
    try:
        # What a first visit fetches, in a browser with nothing cached.
        fresh.get("%s?frame=1" % base)
        WebDriverWait(fresh, 30).until(lambda d: frame_shown(d) == "1")
        fetched = resources(fresh)
        first = sum(size for name, size in fetched)
        if first >= 300 * 1024:
            failures.append("editor: the first download is %d bytes, not under 300 KB (307,200 bytes)" % first)
        if any(name in ("editor.js", "edit.js") for name, size in fetched):
            failures.append("editor: its files were fetched before it was opened")
        print("first download: %d bytes (%s)" % (first, ", ".join("%s %d" % tuple(f) for f in fetched)))
        fresh.get("about:blank")
        fresh.get(link)
        WebDriverWait(fresh, 30).until(lambda d: frame_shown(d) == "900")
        if not canvas_is(fresh, expected, 3.0):
            failures.append("editor: the link does not show the edited pattern in a fresh browser")
        fresh.get("about:blank")  # a new document, not a jump within the same one
        fresh.get("%s?frame=900#pattern=@@not-a-pattern" % base)
        WebDriverWait(fresh, 30).until(lambda d: frame_shown(d) == "900")
        WebDriverWait(fresh, 10).until(lambda d: d.execute_script("return document.getElementById('notice').textContent"))
        if not canvas_is(fresh, demonstration, 3.0):
            failures.append("editor: a damaged link does not show the demonstration")
        for entry in fresh.get_log("browser"):
            if entry.get("level") == "SEVERE":
                failures.append("editor: console error with a damaged link: " + entry.get("message", ""))
    finally:
        fresh.quit()
    print("editor: edit, mistake, undo and links checked")


def check_opened_as_a_file(driver, web_dir, failures):
    """Opened from file:// the module cannot load: the page says how to serve
    it, and its controls are disabled."""
    driver.get("file://" + os.path.abspath(os.path.join(web_dir, "index.html")))
    try:
        WebDriverWait(driver, 10).until(lambda d: "make serve" in status_text(d))
    except Exception:
        failures.append("opened as a file, the page says: %r" % status_text(driver))
    disabled = driver.execute_script(
        "return document.getElementById('goto').disabled && document.getElementById('timeline').disabled")
    if not disabled:
        failures.append("opened as a file, the controls are live")


def main():
    web_dir, capture = sys.argv[1], sys.argv[2]
    trace = os.path.join(os.path.dirname(capture), "barrage-trace")
    screenshot = sys.argv[4] if len(sys.argv) > 4 and sys.argv[3] == "--screenshot" else None
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        server = start_server(web_dir)
        base = "http://127.0.0.1:%d/index.html" % server.server_address[1]
        driver = start_browser(os.path.join(scratch, "profile"), (680, 760) if screenshot else (1024, 768))
        try:
            wait = WebDriverWait(driver, 60)
            for frame in FRAMES:
                expected = captured(capture, scratch, frame)
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
            played = frames_in(driver, PLAY_SECONDS * 1000)
            if abs(played - PLAY_FRAMES) > PLAY_SLACK:
                failures.append("%d frames in %d s of play, not %d +- %d"
                                % (played, PLAY_SECONDS, PLAY_FRAMES, PLAY_SLACK))
            print("%d frames in %d s of play" % (played, PLAY_SECONDS))
            check_viewer(driver, base, capture, scratch, failures)
            if screenshot:
                driver.get("%s?frame=2000" % base)
                wait.until(lambda d: frame_shown(d) == "2000")
                press(driver, "t")
                press(driver, "p")
                time.sleep(0.5)
                driver.save_screenshot(screenshot)

            check_replay(driver, base, capture, trace, scratch, failures)
            check_far_seek(driver, base, failures)
            check_fairness(driver, base, os.path.join(os.path.dirname(capture), "barrage-dodge"), scratch, failures)
            check_frame_values(driver, base, failures)
            check_editor(driver, base, capture, trace, scratch, failures)
            for entry in driver.get_log("browser"):
                if entry.get("level") == "SEVERE":
                    failures.append("console error: " + entry.get("message", ""))
            check_opened_as_a_file(driver, web_dir, failures)
        finally:
            driver.quit()
            server.shutdown()
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
