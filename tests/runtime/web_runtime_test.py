#!/usr/bin/python3
"""The runtime's ES module in headless Chromium, through the example page:
the page loads its pattern and draws bullets and the ship, a held arrow key
moves the ship, the page's module gives the trace the conformance set holds,
and the console shows no errors.

usage: web_runtime_test.py RUNTIME_DIR SOURCE_DIR
"""
import glob
import os
import shutil
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from web import start_browser, start_server  # noqa: E402

runtime, source = sys.argv[1], sys.argv[2]


def main():
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        site = os.path.join(scratch, "site")
        shutil.copytree(runtime, site)
        shutil.copy(os.path.join(source, "examples", "web", "index.html"), site)
        shutil.copy(os.path.join(source, "tests", "runtime", "trace.mjs"), site)
        os.mkdir(os.path.join(site, "patterns"))
        for pattern in glob.glob(os.path.join(source, "patterns", "*.toml")):
            shutil.copy(pattern, os.path.join(site, "patterns"))
        server = start_server(site)
        driver = start_browser(os.path.join(scratch, "profile"))
        try:
            driver.get("http://127.0.0.1:%d/index.html?pattern=aimed" % server.server_address[1])
            deadline = time.time() + 30
            while time.time() < deadline and not driver.execute_script(
                    "return !!window.barrageExample && window.barrageExample.world.frame > 120"):
                time.sleep(0.1)
            drawn = driver.execute_script("""
                const bytes = document.getElementById('screen').getContext('2d').getImageData(0, 0, 640, 480).data;
                let bright = 0, ship = 0;
                for (let i = 0; i < bytes.length; i += 4) {
                  bright += bytes[i] > 200 && bytes[i + 2] > 200;
                  ship += bytes[i] === 0x50 && bytes[i + 1] === 0xdc;
                }
                return [bright, ship];""")
            if drawn[0] < 25 or drawn[1] != 9 * 13:
                failures.append("the canvas shows %d bullet pixels and %d of the ship's" % tuple(drawn))
            before = driver.execute_script("return window.barrageExample.world.ship().x")
            driver.execute_script("dispatchEvent(new KeyboardEvent('keydown', { code: 'ArrowLeft' }))")
            time.sleep(0.5)
            driver.execute_script("dispatchEvent(new KeyboardEvent('keyup', { code: 'ArrowLeft' }))")
            after = driver.execute_script("return window.barrageExample.world.ship().x")
            if not after < before - 40:
                failures.append("half a second of the left arrow took the ship from x %s to %s" % (before, after))
            line = next(l for l in open(os.path.join(source, "src", "runtime", "conformance.txt"))
                        if l.split()[1:] == ["6000", "60", "aimed"])
            driver.set_script_timeout(120)
            digest = driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                (async () => {
                  const { trace } = await import('./trace.mjs');
                  const { barrage } = window.barrageExample;
                  const text = await (await fetch('patterns/aimed.toml')).text();
                  const world = barrage.world(barrage.pattern(text));
                  const parts = [];
                  trace(barrage, world, 6000, 60, new Uint8Array(0), (t) => parts.push(t));
                  world.free();
                  const hash = await crypto.subtle.digest('SHA-256', new TextEncoder().encode(parts.join('')));
                  return Array.from(new Uint8Array(hash), (b) => b.toString(16).padStart(2, '0')).join('');
                })().then(done, (e) => done('failed: ' + e));""")
            if digest != line.split()[0]:
                failures.append("the page's trace of aimed has digest %s, not the conformance set's" % digest)
            errors = [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
            if errors:
                failures.append("the console says: %s" % errors)
        finally:
            driver.quit()
            server.shutdown()
    for failure in failures:
        print("FAIL:", failure)
    print("ok" if not failures else "%d failures" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
