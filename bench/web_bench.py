#!/usr/bin/python3
"""The web edition's figures: WebAssembly simulation speed against native on
this machine, the page's download size, time from navigation to the first
frame, script time per animation frame, and seeks to frame 100,000 (cold, on
opening ?frame=100000, and warm, from a snapshot within 600 frames) in
headless Chromium; for the demonstration, two samples, a 64-shooter pattern
with every store full and one of 64 shooters with programs of their own, a
step back at frame 16,200 and the script time of a frame played; the
full-store pattern played with path previews and trails; and the longest
wait between animation frames while a text of nearly 1 MiB is applied and
edited.

usage: web_bench.py WEB_DIR NATIVE_TRACE
"""
import base64
import os
import statistics
import subprocess
import sys
import tempfile
import time
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from web import frame_shown, start_browser, start_server  # noqa: E402

SIMULATED_FRAMES = 40000
RUNS = 5
PLAY_SECONDS = 5

# Injected before the page's own script: the time of the first picture put
# into the canvas, and the time each animation-frame callback takes.
PROBE = """
window.probe = { firstFrameMs: null, callbackMs: [] };
const put = CanvasRenderingContext2D.prototype.putImageData;
CanvasRenderingContext2D.prototype.putImageData = function () {
  if (window.probe.firstFrameMs === null) window.probe.firstFrameMs = performance.now();
  return put.apply(this, arguments);
};
const request = window.requestAnimationFrame.bind(window);
window.requestAnimationFrame = function (callback) {
  return request(function (time) {
    const start = performance.now();
    callback(time);
    window.probe.callbackMs.push(performance.now() - start);
  });
};
"""


def edits(driver, url):
    """The editor: from the text applied (the 300 ms after the last
    keystroke come first) to the picture of the same frame made anew, at
    three frames; the page's first frame with and without a #pattern= link;
    the editor bundle's size."""
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, "..", "patterns", "demonstration.toml"), encoding="utf-8") as f:
        demonstration = f.read()
    link = None
    for frame in (900, 8000, 16200):
        driver.get(url + "?frame=%d" % frame)
        while frame_shown(driver) != str(frame):
            time.sleep(0.01)
        driver.execute_script("document.getElementById('edit').click()")
        driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            (function wait() { if (window.BarrageEdit) BarrageEdit.ready().then(done); else setTimeout(wait, 10); })();""")
        times = []
        for i in range(20):
            text = demonstration.replace("volleySize = 2,", "volleySize = %d," % (3 + i % 2), 1)
            times.append(driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const m = window.barragePage.module, p = window.barragePage.page;
                const before = m._barrage_drawn(p), start = performance.now();
                BarrageEdit.apply(arguments[0]);
                (function wait() {
                  if (m._barrage_drawn(p) !== before) done(performance.now() - start); else requestAnimationFrame(wait);
                })();""", text))
        print("edit applied to the picture at frame %d: median %.0f ms, worst %.0f ms (20 edits)"
              % (frame, statistics.median(times), max(times)))
        link = driver.execute_script("return window.location.href")
    firsts = {}
    for name, address in (("without a link", url + "?frame=900"), ("with a #pattern= link", link)):
        values = []
        for _ in range(RUNS):
            driver.get("about:blank")
            driver.get(address)
            while frame_shown(driver) in ("", "0"):
                time.sleep(0.01)
            values.append(driver.execute_script("return window.probe.firstFrameMs"))
        firsts[name] = statistics.median(values)
    print("first frame: %s" % ", ".join("%s %.0f ms" % item for item in firsts.items()))
    print("editor bundle: %d bytes" % os.path.getsize(os.path.join(here, "..", "build-web", "page", "editor.js"))
          if os.path.exists(os.path.join(here, "..", "build-web", "page", "editor.js")) else "editor bundle: not built")


# 64 shooters firing 256-bullet homing volleys: every store full; and 64
# shooters with programs of their own, their stores filling.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "full-stores.toml"), encoding="utf-8") as heavy:
    HEAVY = heavy.read()
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "own-programs.toml"), encoding="utf-8") as own:
    OWN = own.read()
# Bullets that split twice (bullet programs firing bullet programs), every store filling.
with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "children.toml"), encoding="utf-8") as children:
    CHILDREN = children.read()


def link(text):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    return "#pattern=" + base64.urlsafe_b64encode(packer.compress(text.encode()) + packer.flush()).decode().rstrip("=")


def settled(driver, frame):
    """Once a link's pattern is in and its seek to `frame` done (the frame
    number shows the frame asked for from the first, over the demonstration)."""
    while not driver.execute_script("const b = window.barragePage; return !!b && !!window.BarrageEdit && "
                                    "BarrageEdit.state().goodText !== null && b.module._barrage_seeking(b.page) === 0 && "
                                    "document.getElementById('frame').textContent === arguments[0];", str(frame)):
        time.sleep(0.05)
    time.sleep(0.5)


def patterns(driver, url):
    """Each pattern at frame 16,200 in the page: a step back, key to the new
    frame on the canvas; then five seconds of play, script time a frame."""
    here = os.path.dirname(os.path.abspath(__file__))
    for name in ("demonstration", "hunters", "rain", "64-shooter full store", "64 shooters of their own",
                 "children splitting twice"):
        if name.startswith("64-"):
            text = HEAVY
        elif name.startswith("64 "):
            text = OWN
        elif name.startswith("children"):
            text = CHILDREN
        else:
            with open(os.path.join(here, "..", "patterns", name + ".toml"), encoding="utf-8") as f:
                text = f.read()
        driver.get("about:blank")
        driver.get(url + "?frame=16200" + link(text))
        settled(driver, 16200)
        backs = []
        for _ in range(10):
            backs.append(driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const before = Number(document.getElementById('frame').textContent), start = performance.now();
                window.dispatchEvent(new KeyboardEvent('keydown', { key: 'ArrowLeft' }));
                (function wait() {
                  if (Number(document.getElementById('frame').textContent) !== before) done(performance.now() - start);
                  else requestAnimationFrame(wait);
                })();"""))
        driver.execute_script("window.probe.callbackMs = []; window.dispatchEvent(new KeyboardEvent('keydown', { key: ' ' }));")
        time.sleep(PLAY_SECONDS)
        costs = sorted(driver.execute_script("return window.probe.callbackMs"))
        print("%s at frame 16,200: a step back, key to the frame on the canvas, median %.1f ms, at most %.1f ms "
              "(target: a tick and 5 ms, 21.7); playing, script time a frame median %.2f ms, p99 %.2f ms (target, "
              "64 full stores and children: median <= 2)" % (name, statistics.median(backs), max(backs), statistics.median(costs),
                                                 costs[int(len(costs) * 0.99)]))


def steering(driver, url):
    """Flying the demonstration: a steering key pressed at a moment of the
    frame chosen at random, to the animation frame that put the ship's moved
    picture into the canvas; 40 presses, Left and Right by turns."""
    driver.get("about:blank")
    driver.get(url + "?frame=100")
    while frame_shown(driver) != "100":
        time.sleep(0.05)
    time.sleep(0.5)
    driver.execute_script("window.dispatchEvent(new KeyboardEvent('keydown', { key: 'f', code: 'KeyF' }))")
    latencies = []
    for k in range(40):
        key = "ArrowLeft" if k % 2 else "ArrowRight"
        other = "ArrowRight" if k % 2 else "ArrowLeft"
        latencies.append(driver.execute_async_script("""
            const done = arguments[arguments.length - 1], key = arguments[0], other = arguments[1];
            const m = window.barragePage.module, page = window.barragePage.page;
            setTimeout(function () {
              window.dispatchEvent(new KeyboardEvent('keyup', { key: other, code: other }));
              const recorded = m._barrage_recorded(page), start = performance.now();
              window.dispatchEvent(new KeyboardEvent('keydown', { key: key, code: key }));
              (function wait() {
                if (m._barrage_recorded(page) > recorded) done(performance.now() - start);
                else requestAnimationFrame(wait);
              })();
            }, 5 + Math.random() * 17);""", key, other))
    print("flying the demonstration: a steering key to the ship moved in the canvas, median %.1f ms, at most %.1f ms "
          "(target: a frame and 5 ms, 21.7)" % (statistics.median(latencies), max(latencies)))


def overlays(driver, url):
    """The 64-shooter full-store pattern played from frame 3,000 with paths,
    then paths and trails: frames shown in six seconds, and the gaps between
    animation frames over 100 ms (target: 60 frames a second, none over)."""
    driver.get("about:blank")
    driver.get(url + "?frame=3000" + link(HEAVY))
    settled(driver, 3000)
    for keys, what in (("p", "paths"), ("t", "paths and trails")):
        driver.execute_script("for (const k of arguments[0]) window.dispatchEvent(new KeyboardEvent('keydown', { key: k }));"
                              "window.probe.gaps = []; let last = performance.now();"
                              "(function tick(now) { if (now) { window.probe.gaps.push(now - last); last = now; }"
                              " if (window.probe.gaps.length < 100000) requestAnimationFrame(tick); })();", keys)
        start = int(frame_shown(driver))
        driver.execute_script("window.dispatchEvent(new KeyboardEvent('keydown', { key: ' ' }));")
        time.sleep(6)
        driver.execute_script("window.dispatchEvent(new KeyboardEvent('keydown', { key: ' ' }));")
        shown = int(frame_shown(driver)) - start
        gaps = driver.execute_script("return window.probe.gaps")
        print("the 64-shooter full-store pattern played 6 s with %s: %d frames (target 360), %d gaps over 100 ms, "
              "worst %.0f ms" % (what, shown, sum(g > 100 for g in gaps), max(gaps)))


def large_text(driver, url):
    """A legal text of nearly 1 MiB applied at frame 16,000, the editor opened
    on it and a key typed: the longest gap between animation frames for each
    (target <= 117 ms, seven frames at 60 a second)."""
    text = OWN.replace("steps = [", "steps = [" + "{ duration = 2 }, " * 400)
    driver.get(url + "?frame=16000")
    while frame_shown(driver) != "16000":
        time.sleep(0.01)
    driver.execute_async_script("const done = arguments[arguments.length - 1]; const s = document.createElement('script');"
                                " s.src = 'edit.js'; s.onload = () => done(); document.head.appendChild(s);")
    driver.execute_script("window.worstGap = 0; let last = performance.now(); (function tick(now) { if (now) {"
                          " window.worstGap = Math.max(window.worstGap, now - last); last = now; }"
                          " requestAnimationFrame(tick); })();")
    for what, script in (("applying it", "BarrageEdit.apply(arguments[0]).then(() => done())"),
                         ("opening the editor on it", "BarrageEdit.openEditor().then(() => done())"),
                         ("typing in it", "document.querySelector('#editorPane .cm-content').focus();"
                                          " document.execCommand('insertText', false, '#'); done();")):
        time.sleep(0.5)
        driver.execute_script("window.worstGap = 0")
        driver.execute_async_script("const done = arguments[arguments.length - 1];\n" + script, text)
        time.sleep(2)
        print("a text of %d bytes: %s, longest gap between animation frames %.0f ms (target <= 117)"
              % (len(text.encode()), what, driver.execute_script("return window.worstGap")))


def fairness(driver, url, native_dodge):
    """Is it fair, for the demonstration's 16,200 frames: the page's worker
    against barrage-dodge (target: within 3 x)."""
    start = time.perf_counter()
    subprocess.run([native_dodge, "--record", os.devnull], check=False, stdout=subprocess.DEVNULL)
    native = time.perf_counter() - start
    driver.get("about:blank")
    driver.get(url + "?frame=1")
    while frame_shown(driver) != "1":
        time.sleep(0.05)
    driver.execute_script("document.getElementById('fair').click()")
    while not driver.execute_script("return window.barragePage.fairnessMs"):
        time.sleep(0.1)
    worker, whole = driver.execute_script("return [window.barragePage.fairnessWorkerMs, window.barragePage.fairnessMs]")
    print("is it fair, the demonstration's 16,200 frames: the page's worker %.1f s (%.1f s to the strip shown), "
          "barrage-dodge %.1f s: %.2f x (target <= 3)" % (worker / 1000, whole / 1000, native, whole / 1000 / native))


def best_seconds(command):
    best = None
    for _ in range(RUNS):
        start = time.perf_counter()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    return best


def main():
    web_dir, native_trace = sys.argv[1], sys.argv[2]
    frames = str(SIMULATED_FRAMES)
    native = best_seconds([native_trace, frames, frames])
    wasm = best_seconds(["node", os.path.join(web_dir, "bin", "barrage-trace.js"), frames, frames])
    startup = best_seconds(["node", os.path.join(web_dir, "bin", "barrage-trace.js"), "1"])
    print("simulation of %s frames, best of %d: native %.3f s, WebAssembly under Node %.3f s "
          "(%.3f s of it Node's start-up): ratio %.2f (%.2f without the start-up; target <= 1.6)"
          % (frames, RUNS, native, wasm, startup, wasm / native, (wasm - startup) / native))

    runtime = min(float(subprocess.run(["node", os.path.join(os.path.dirname(__file__), "runtime_web_bench.mjs"),
                                        os.path.join(web_dir, "runtime"), frames], check=True, capture_output=True,
                                       text=True).stdout) for _ in range(RUNS))
    print("the runtime's WebAssembly module under Node, %s frames of the demonstration: %.3f s, %.2f x barrage-trace "
          "(target <= 1.6); its module %d bytes (target <= 80 KB)"
          % (frames, runtime, runtime / native, os.path.getsize(os.path.join(web_dir, "runtime", "barrage-runtime.wasm"))))

    page_dir = os.path.join(web_dir, "page")
    sizes = {name: os.path.getsize(os.path.join(page_dir, name)) for name in ("index.html", "barrage.js", "barrage.wasm")}
    print("download: %s; %d bytes in all (%.1f KB)"
          % (", ".join("%s %d" % item for item in sizes.items()), sum(sizes.values()), sum(sizes.values()) / 1024))

    with tempfile.TemporaryDirectory() as scratch:
        server = start_server(page_dir)
        url = "http://127.0.0.1:%d/index.html" % server.server_address[1]
        driver = start_browser(os.path.join(scratch, "profile"))
        try:
            driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": PROBE})
            first = []
            for _ in range(RUNS):
                driver.get(url)
                while frame_shown(driver) in ("", "0"):
                    time.sleep(0.01)
                first.append(driver.execute_script("return window.probe.firstFrameMs"))
            print("navigation to first frame: first load %.1f ms, then median %.1f ms (%s)"
                  % (first[0], statistics.median(first[1:]), ", ".join("%.1f" % v for v in first)))
            time.sleep(PLAY_SECONDS)
            costs = sorted(driver.execute_script("return window.probe.callbackMs"))
            print("script time per animation frame over %d frames: median %.3f ms, mean %.3f ms, "
                  "p99 %.3f ms, max %.3f ms (target: median <= 0.5)" % (len(costs), statistics.median(costs), statistics.fmean(costs),
                                                costs[int(len(costs) * 0.99)], costs[-1]))

            cold, warm = [], []
            for _ in range(RUNS):
                driver.get(url + "?frame=100000")
                while frame_shown(driver) != "100000":
                    time.sleep(0.01)
                cold.append(driver.execute_script("return performance.now()"))
                warm.append(driver.execute_script("""
                    const field = document.getElementById('goto');
                    const start = performance.now();
                    field.value = '99999';
                    field.dispatchEvent(new Event('change'));
                    return performance.now() - start;"""))
            print("seek to frame 100,000: cold (navigation to the frame shown) median %.0f ms (%s; target <= 1000); "
                  "warm (to 99,999 from the snapshot at 99,600) median %.1f ms (target <= 10)"
                  % (statistics.median(cold), ", ".join("%.0f" % v for v in cold), statistics.median(warm)))
            edits(driver, url)
            patterns(driver, url)
            steering(driver, url)
            overlays(driver, url)
            large_text(driver, url)
            fairness(driver, url, os.path.join(os.path.dirname(native_trace), "barrage-dodge"))
        finally:
            driver.quit()
            server.shutdown()


if __name__ == "__main__":
    main()
