#!/usr/bin/python3
"""The web edition's figures: WebAssembly simulation speed against native on
this machine, the page's download size, time from navigation to the first
frame, script time per animation frame, and seeks to frame 100,000 (cold, on
opening ?frame=100000, and warm, from a snapshot within 600 frames) in
headless Chromium.

usage: web_bench.py WEB_DIR NATIVE_TRACE
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

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
          "(%.3f s of it Node's start-up): ratio %.2f (%.2f without the start-up)"
          % (frames, RUNS, native, wasm, startup, wasm / native, (wasm - startup) / native))

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
                  "p99 %.3f ms, max %.3f ms" % (len(costs), statistics.median(costs), statistics.fmean(costs),
                                                costs[int(len(costs) * 0.99)], costs[-1]))

            cold, warm = [], []
            for _ in range(RUNS):
                driver.get(url + "?frame=100000")
                while frame_shown(driver) != "100000":
                    time.sleep(0.01)
                cold.append(driver.execute_script("return window.probe.firstFrameMs"))
                warm.append(driver.execute_script("""
                    const field = document.getElementById('goto');
                    const start = performance.now();
                    field.value = '99999';
                    field.dispatchEvent(new Event('change'));
                    return performance.now() - start;"""))
            print("seek to frame 100,000: cold (navigation to the frame shown) median %.0f ms (%s); "
                  "warm (to 99,999 from the snapshot at 99,600) median %.1f ms"
                  % (statistics.median(cold), ", ".join("%.0f" % v for v in cold), statistics.median(warm)))
        finally:
            driver.quit()
            server.shutdown()


if __name__ == "__main__":
    main()
