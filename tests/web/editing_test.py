#!/usr/bin/python3
"""Editing and links in the page, used as a hostile user would, in headless
Chromium: a big pattern's link opens on its own frame, and the address never
names another on the way; a link with mistakes keeps its text, marked at the
right characters after astral ones; Copy link says when the editor is ahead
of the link; an edit outlives a reload; Reset agrees with itself on a slow
network; a new link in the same tab, and Back, are followed; a file dropped on
a fresh page is taken; a text of a quarter of a million mistakes, the largest
legal world and a text of too many steps leave the page working; the full-store
check's warnings come as the tools give them; a text of 1 MiB is read off the
page's thread; the editor completes and explains fields and kinds; the
pattern's parameters have controls, which the link keeps; and the fourth
round of hostile use (deep and costly texts, settings, counts, links that
replace an edit, loops, storage, the fuzzers' seeds) is answered as the tools
answer it.

usage: editing_test.py WEB_DIR BARRAGE_CAPTURE
"""
import base64
import os
import re
import subprocess
import sys
import tempfile
import time
import zlib

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.ui import WebDriverWait

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from web import canvas_rgba, frame_shown, read_png_rgba, start_browser, start_server  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
PATTERNS = os.path.join(HERE, "..", "..", "patterns")

# 64 shooters orbiting the centre, every store filling.
CROWD = """[shooters]
count = 64
phases = 5
[movement.m]
steps = [ { duration = 200, moveMode = "orbit", centreX = 320.0, centreY = 240.0, radius = 150, angleStep = 1, active = true } ]
[firing.f]
steps = [ { duration = 100, active = true, bulletCount = 256, volleySize = 16, spreadStep = 22, speed = 1.5, fireDelay = 0, burstPause = 3 } ]
"""


def link(text):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(text.encode()) + packer.flush()
    return "#pattern=" + base64.urlsafe_b64encode(packed).decode().rstrip("=")


def sample(name):
    with open(os.path.join(PATTERNS, name + ".toml"), encoding="utf-8") as f:
        return f.read()


class Page:
    def __init__(self, driver, base, capture, scratch):
        self.d, self.base, self.capture, self.scratch = driver, base, capture, scratch
        self.wait = WebDriverWait(driver, 30)
        self.failures = []

    def fail(self, what):
        self.failures.append(what)

    def script(self, code, *args):
        return self.d.execute_script(code, *args)

    def call(self, code, *args):
        """An asynchronous script: `done` ends it with its value."""
        self.d.set_script_timeout(60)
        return self.d.execute_async_script("const done = arguments[arguments.length - 1];\n" + code, *args)

    def notice(self):
        return self.script("return document.getElementById('notice').textContent")

    def captured(self, frame, text=None, sets=()):
        name = "p%d.toml" % abs(hash(text)) if text else None
        out = os.path.join(self.scratch, (name or "demonstration") + "-".join(("",) + tuple(sets)) + "-frames")
        os.makedirs(out, exist_ok=True)
        command = [self.capture, str(frame), "--out", out]
        if text:
            with open(os.path.join(self.scratch, name), "w", encoding="utf-8") as f:
                f.write(text)
            command += ["--pattern", os.path.join(self.scratch, name)]
            for setting in sets:
                command += ["--set", setting]
        subprocess.run(command, check=True, stderr=subprocess.DEVNULL)
        return read_png_rgba(os.path.join(out, "frame-%06d.png" % frame))

    def shows(self, picture, seconds=5.0):
        end = time.time() + seconds
        while time.time() < end:
            if canvas_rgba(self.d) == picture:
                return True
            time.sleep(0.05)
        return False

    def open(self, address, frame):
        self.d.get("about:blank")
        self.d.get(self.base + address)
        self.wait.until(lambda d: frame_shown(d) == str(frame))

    def editor_ready(self):
        self.wait.until(lambda d: d.execute_script("return !!document.querySelector('#editorPane .cm-content')"))
        self.call("BarrageEdit.ready().then(done)")

    def editor_text(self):
        return self.script("return window.BarrageEdit.state().text")

    def messages(self):
        return self.script("return Array.from(document.querySelectorAll('#messages li')).map(e => e.textContent)")


# A ring of `arms` shooters whose volleys grow with rank, at speeds drawn from the seed.
RING = """[params]
arms = 4
[shooters]
count = "= arms"
[movement.m]
steps = [ { duration = 100, x = "= 320 + 100 * cos(shooter * 360 / shooters)", y = 240.0, active = true } ]
[firing.f]
steps = [ { duration = 100, active = true, bulletCount = 256, fireDelay = 1, volleySize = "= 2 + round(rank * 4)", sweepDir = 1, spreadStep = 10, speed = "= 1.5 + rand()" } ]
"""


def parameters_in_the_page(p):
    """A control for each parameter the pattern has or uses, set from the
    link; a change reads the pattern again, shows the frame the tools give
    with --set (cosines and draws the same in the page as natively), and goes
    into the link."""
    p.open("?frame=60" + link(RING) + "&set=arms:3", 60)
    value = lambda name: p.script("const e = document.getElementById('param-' + arguments[0]); return e && e.value;", name)
    try:
        p.wait.until(lambda d: value("arms") == "3" and value("rank") == "0.5" and value("seed") == "0")
    except Exception:
        p.fail("parameters: the controls show arms %r, rank %r, seed %r, not 3, 0.5 and 0"
               % (value("arms"), value("rank"), value("seed")))
    if not p.shows(p.captured(60, RING, ["arms=3"])):
        p.fail("parameters: arms:3 in the link does not show frame 60 as barrage-capture --set arms=3 does")
    p.script("const e = document.getElementById('param-rank'); e.value = '1'; e.dispatchEvent(new Event('change'));")
    try:
        p.wait.until(lambda d: "set=arms:3,rank:1" in d.execute_script("return location.hash"))
    except Exception:
        p.fail("parameters: the link does not keep rank 1: %s" % p.script("return location.hash")[-40:])
    if not p.shows(p.captured(60, RING, ["arms=3", "rank=1"])):
        p.fail("parameters: rank 1 does not show frame 60 as barrage-capture --set rank=1 does")


def big_link_opens_on_its_frame(p):
    """A 64-shooter link at frame 16,200, its pattern arriving while the first
    seek is under way: the address names 16,200 all the way."""
    p.d.get("about:blank")
    p.d.get(p.base + "?frame=16200" + link(CROWD))
    named = set()
    end = time.time() + 30
    while frame_shown(p.d) != "16200" and time.time() < end:
        named.add(p.script("return location.search"))
    named.add(p.script("return location.search"))
    if named - {"?frame=16200"}:
        p.fail("a 64-shooter link at frame 16200: the address named %s on the way" % sorted(named))
    if not p.shows(p.captured(16200, CROWD)):
        p.fail("a 64-shooter link at frame 16200 does not show its pattern's frame 16200")


def refused_link_keeps_its_text(p, clipboard):
    """A link with mistakes: the demonstration, its text in the editor with
    marks on the right characters (after an astral one), its address kept;
    Copy link says the link is behind the editor; the edit outlives a reload."""
    text = sample("spiral").replace("count = 3", "count = 65", 1)
    text = text.replace("[movement", '[movement."\U0001F600"]\nsteps = [ { duration = 1, x = "bad" } ]\n[movement', 1)
    address = "?frame=40" + link(text)
    p.open(address, 40)
    p.wait.until(lambda d: "mistake" in p.notice())
    if not p.shows(p.captured(40)):
        p.fail("a refused link does not show the demonstration")
    if "#pattern=" not in p.script("return location.hash"):
        p.fail("a refused link's address was cleared")
    ActionChains(p.d).send_keys("e").perform()
    p.editor_ready()
    if p.editor_text() != text:
        p.fail("the editor does not hold the refused link's text")
    p.wait.until(lambda d: len(p.messages()) >= 2)
    if not any("count must be from 1 to 64" in m for m in p.messages()):
        p.fail("the refused link's messages: %s" % p.messages())
    marked = p.script("return Array.from(document.querySelectorAll('.cm-lintRange-error')).map(e => e.textContent)")
    if sorted(marked) != ['"bad"', "65"]:
        p.fail("the marks cover %s, not the two values" % marked)

    content = p.d.find_element("css selector", "#editorPane .cm-content")
    p.call("BarrageEdit.moveTo(1, 1); done()")
    content.send_keys("# kept\n")
    time.sleep(0.6)
    if clipboard:
        p.script("document.getElementById('copyLink').click()")
        p.wait.until(lambda d: "copied" in p.notice())
        if "not the text in the editor" not in p.notice():
            p.fail("Copy link with an edit that has mistakes says: %r" % p.notice())
    p.d.refresh()
    p.wait.until(lambda d: d.execute_script("return !!(window.BarrageEdit && BarrageEdit.state().text)"))
    p.editor_ready()
    if not (p.editor_text() or "").startswith("# kept\n"):
        p.fail("an edit was lost on reload: the editor holds %r" % (p.editor_text() or "")[:40])


def reset_agrees_on_a_slow_network(p, delays):
    """Typing, then Reset within 50 ms while the demonstration's text is slow
    to come: the world, the address and the editor all show the demonstration."""
    delays["demonstration.toml"] = 1.5
    p.open("?frame=900", 900)
    ActionChains(p.d).send_keys("e").perform()
    p.editor_ready()
    text = p.editor_text()
    row = next(i for i, line in enumerate(text.split("\n")) if "volleySize = 2," in line)
    column = text.split("\n")[row].index("volleySize = 2,") + len("volleySize = ") + 1
    p.call("BarrageEdit.moveTo(arguments[0], arguments[1]); done()", row + 1, column)
    p.d.find_element("css selector", "#editorPane .cm-content").send_keys(Keys.DELETE, "3")
    time.sleep(0.03)
    p.script("document.getElementById('reset').click()")
    time.sleep(2.5)
    delays.clear()
    if not p.shows(p.captured(900), 1.0):
        p.fail("after Reset the world is not the demonstration")
    if "#pattern=" in p.script("return location.hash"):
        p.fail("after Reset the address holds a pattern")
    if p.editor_text() != sample("demonstration"):
        p.fail("after Reset the editor does not hold the demonstration")


def new_links_in_the_tab_are_followed(p):
    """A link put in the address of an open page, then Back."""
    p.open("?frame=300", 300)
    p.script("location.hash = arguments[0]", link(sample("spiral")))
    if not p.shows(p.captured(300, sample("spiral"))):
        p.fail("a new link in the same tab was not followed")
    p.d.back()
    if not p.shows(p.captured(300)):
        p.fail("Back to the address without a pattern does not show the demonstration")


def offers(p, content, typed, wanted, where):
    """Typing `typed` in the editor opens a completion that offers `wanted`."""
    content.send_keys(*typed)
    try:
        p.wait.until(lambda d: d.execute_script("return !!document.querySelector('.cm-tooltip-autocomplete')"))
        offered = p.script("return document.querySelector('.cm-tooltip-autocomplete').textContent")
        if wanted not in offered:
            p.fail("help: %s, %r is not offered: %r" % (where, wanted, offered[:80]))
    except Exception:
        p.fail("help: %s, nothing is offered" % where)


def bullet_programs_as_the_tools_draw_them(p):
    """Samples whose bullets run programs of their own (and whose steps carry
    on, on a timeline), in a link, at a frame where they have split and
    turned: the picture barrage-capture makes."""
    for name, frame in (("bloom", 160), ("curl", 200), ("fan", 200), ("boss", 900)):
        p.open("?frame=%d" % frame + link(sample(name)), frame)
        if not p.shows(p.captured(frame, sample(name))):
            p.fail("%s at frame %d in the page is not barrage-capture's picture" % (name, frame))


def a_file_dropped_on_a_fresh_page_is_taken(p):
    p.open("?frame=5", 5)
    p.script("""const file = new File([arguments[0]], 'spiral.toml', { type: 'text/plain' });
        const data = new DataTransfer(); data.items.add(file);
        window.dispatchEvent(new DragEvent('drop', { dataTransfer: data, cancelable: true }));""", sample("spiral"))
    if not p.shows(p.captured(5, sample("spiral"))):
        p.fail("a file dropped on a fresh page was not taken")
    if not p.script("return location.pathname.endsWith('index.html')"):
        p.fail("a file dropped on a fresh page left the page")


def own_programs(movement_steps, firing_steps):
    """64 shooters in a row, each with programs of its own: the steps given,
    every store filling with homing volleys."""
    text = "[shooters]\ncount = 64\nmovement = [%s]\nfiring = [%s]\n" % (
        ",".join('"m%d"' % i for i in range(64)), ",".join('"f%d"' % i for i in range(64)))
    for i in range(64):
        text += "[movement.m%d]\ndefaults = { duration = 3, x = %d.0, y = 240.0, active = true }\nsteps = [%s]\n" % (
            i, i * 10, movement_steps)
        text += ("[firing.f%d]\ndefaults = { duration = 3, active = true, bulletCount = 256, volleySize = 8, "
                 "fireDelay = 0, speed = 2.0, bulletMotion = 3, targetRef = { shooter = 0 } }\nsteps = [%s]\n") % (
            i, firing_steps)
    return text


def hostile_texts_leave_the_page_working(p):
    """A quarter of a million unknown fields as a link, the largest legal
    world, and programs of too many steps: each answered, none breaking the
    next apply."""
    step = "{" + ",".join("%s=1" % chr(97 + i) for i in range(22)) + "}"
    errors = "[shooters]\ncount = 1\n[movement.m]\nsteps = [{}]\n[firing.f]\nsteps = [" + ",".join([step] * 9800) + "]\n"
    p.open("?frame=10" + link(errors), 10)
    p.wait.until(lambda d: "mistake" in p.notice())
    largest = own_programs("{}," * 780, "{}," * 780)
    unused = "[shooters]\ncount = 1\nmovement = \"m\"\nfiring = \"f\"\n[movement.m]\nsteps = [{}]\n[firing.f]\nsteps = [{}]\n"
    for i in range(11):
        unused += "[firing.u%d]\nsteps = [%s]\n" % (i, "{}," * 10000)
    for name, text, taken in (("the largest world", largest, True), ("programs of too many steps", unused, False),
                              ("the spiral", sample("spiral"), True)):
        result = p.call("BarrageEdit.apply(arguments[0]).then(r => done([r.taken, r.messages.filter(m => "
                        "m.severity === 'error').length]), e => done('threw ' + e))", text)
        if result != [taken, 0 if taken else 1]:
            p.fail("%s after a quarter of a million mistakes: %s" % (name, result))
    p.call("BarrageEdit.openEditor().then(done)")
    shown = p.messages()
    if any(": error:" in m for m in shown):
        p.fail("the spiral's apply left errors: %s" % shown[:2])
    for entry in p.d.get_log("browser"):
        if "Aborted" in entry.get("message", "") or entry.get("level") == "SEVERE":
            p.fail("console: " + entry.get("message", ""))


def warnings_as_the_tools_give_them(p, trace):
    """The demonstration's warnings with nothing silenced (its full-store ones
    among them), as barrage-trace --check gives them, come to the editor too
    once its check has run: for a link, when the editor opens (no check runs
    while nobody can see its warnings); for an edit, while the editor is open."""
    text = re.sub(r"  # allow:.*$", "", sample("demonstration"), flags=re.M)
    with tempfile.NamedTemporaryFile("w", suffix=".toml") as file:
        file.write(text)
        file.flush()
        native = [line for line in subprocess.run([trace, "--check", "--pattern", file.name], capture_output=True,
                                                  text=True).stderr.splitlines() if line.startswith(file.name + ":")]
    if not any("[full-store]" in line for line in native):
        p.fail("the demonstration without its silences has no full-store warnings to compare")
    expected = [line.split(":", 1)[1] for line in native]

    def as_the_tools(what):
        p.wait.until(lambda d: len(p.messages()) == len(native))
        shown = [m.split(":", 1)[1] for m in p.messages()]
        if shown != expected:
            p.fail("%s warnings in the page %s are not the tools' %s" % (what, shown[:1], expected[:1]))

    p.open("?frame=50" + link(text), 50)
    time.sleep(0.5)
    ActionChains(p.d).send_keys("e").perform()
    p.editor_ready()
    as_the_tools("the link's")
    p.call("BarrageEdit.apply(arguments[0]).then(() => done())", text + "# edited\n")
    as_the_tools("the edit's")
    # A value that follows rank, whole at rank 0.5 only: the mistakes at rank 0 and 1 as the tools' check tells them.
    ranked = ("[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 60, active = true } ]\n[firing.f]\nsteps = [ "
              '{ duration = 60, active = true, bulletCount = 256, fireDelay = 1, volleySize = 2, sweepDir = 1, '
              'spreadStep = "= min(1, 2 * rank) + rank / 2 - 0.25" } ]\n')
    with tempfile.NamedTemporaryFile("w", suffix=".toml") as file:
        file.write(ranked)
        file.flush()
        native = [line for line in subprocess.run([trace, "--check", "--pattern", file.name], capture_output=True,
                                                  text=True).stderr.splitlines() if line.startswith(file.name + ":")]
    expected = [line.split(":", 1)[1] for line in native]
    if not any("(at rank 1)" in line for line in native):
        p.fail("the tools' check finds nothing at rank 1: %s" % native)
    p.call("BarrageEdit.apply(arguments[0]).then(() => done())", ranked)
    as_the_tools("the rank-following edit's")


def help_in_the_editor(p):
    """Completion offers a field while its first letters are typed, a kind's
    names after its key, hover gives a field's reference, and a warning shows
    in the list and as a mark over its range."""
    text = ("[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 60, active = true } ]\n[firing.f]\n"
            "steps = [ { duration = 60, active = true, bulletCount = 256, fireDelay = 1, volleySize = 3 } ]\n")
    p.open("?frame=10", 10)
    ActionChains(p.d).send_keys("e").perform()
    p.editor_ready()
    p.call("BarrageEdit.openFile(new File([arguments[0]], 'p.toml')).then(() => done())", text)
    p.wait.until(lambda d: any("[stacked-volley]" in m for m in p.messages()))
    if not p.script("return !!document.querySelector('.cm-lintRange-warning')"):
        p.fail("help: the warning is not marked in the editor")
    content = p.d.find_element("css selector", "#editorPane .cm-content")
    p.call("BarrageEdit.moveTo(6, 91); done()")  # after "volleySize = 3"
    content.send_keys(", bulletMo")
    p.wait.until(lambda d: d.execute_script("return !!document.querySelector('.cm-tooltip-autocomplete')"))
    offered = p.script("return document.querySelector('.cm-tooltip-autocomplete').textContent")
    if "bulletMotion" not in offered:
        p.fail("help: typing 'bulletMo' offers %r" % offered[:80])
    content.send_keys(Keys.ENTER, " = ")
    p.wait.until(lambda d: d.execute_script("return !!document.querySelector('.cm-tooltip-autocomplete')"))
    kinds = p.script("return document.querySelector('.cm-tooltip-autocomplete').textContent")
    if "homing" not in kinds:
        p.fail("help: after 'bulletMotion = ' the kinds offered are %r" % kinds[:80])
    content.send_keys(Keys.ESCAPE)
    # A program's name after shooters.firing, from what the reader read last, not from the text's look.
    p.call("BarrageEdit.moveTo(2, 10); done()")  # after "count = 1"
    offers(p, content, (Keys.ENTER, 'firing = "'), '"f"', "after 'firing = \"'")
    content.send_keys(Keys.ESCAPE)
    # In a bullet program: an action's keys, then the ways a direction is given.
    p.call("BarrageEdit.openFile(new File([arguments[0]], 'p.toml')).then(() => done())",
           text + "[bullet.b]\nactions = [ { wait = 1 } ]\n")
    p.call("BarrageEdit.moveTo(8, 23); done()")  # after "wait = 1"
    for typed, wanted in ((", direction = 5, ki", "kind"), (Keys.ENTER + ' = "', '"relative"'),
                          (Keys.ESCAPE + '", fire = { bullet = "', '"b"')):
        offers(p, content, (typed,), wanted, "in a bullet program, after %r" % typed)
    content.send_keys(Keys.ESCAPE)
    # In a bullet program's expression, the bullet's own names too.
    p.call("BarrageEdit.openFile(new File([arguments[0]], 'p.toml')).then(() => done())",
           text + "[bullet.b]\nactions = [ { wait = \"= 1\" } ]\n")
    p.call("BarrageEdit.moveTo(8, 26); done()")  # after "= 1"
    offers(p, content, (" + vol",), "volley", "in a bullet program's expression, after 'vol'")
    content.send_keys(Keys.ESCAPE)
    p.call("BarrageEdit.openFile(new File([arguments[0]], 'p.toml')).then(() => done())", text)  # as it was, for the hover
    # The middle of the word volleySize in the editor's lines, on the screen.
    where = p.script("""
        const walker = document.createTreeWalker(document.querySelector('.cm-content'), NodeFilter.SHOW_TEXT);
        for (let node = walker.nextNode(); node; node = walker.nextNode()) {
          const at = node.data.indexOf('volleySize');
          if (at < 0) continue;
          const range = document.createRange();
          range.setStart(node, at + 2);
          range.setEnd(node, at + 3);
          const r = range.getBoundingClientRect();
          return [Math.round(r.left + r.width / 2), Math.round(r.top + r.height / 2)];
        }
        return null;""")
    if not where:
        p.fail("help: volleySize not found in the editor's lines")
        return
    actions = ActionBuilder(p.d)
    actions.pointer_action.move_to_location(where[0], where[1])
    actions.perform()
    try:
        WebDriverWait(p.d, 5).until(lambda d: d.execute_script("return !!document.querySelector('.cm-barrage-help')"))
        said = p.script("return document.querySelector('.cm-barrage-help').textContent")
        if "bullets a shot launches" not in said:
            p.fail("help: hover on volleySize says %r" % said)
    except Exception:
        p.fail("help: no reference on hovering over volleySize")


def a_loop_in_the_link(p):
    """?loop=A-B plays that span round and round, and the address keeps it."""
    p.d.get(p.base + "?frame=1")
    p.script("sessionStorage.clear()")  # else the last test's draft reopens the editor, which takes the key
    p.d.get(p.base + "?frame=200&loop=200-230")
    p.wait.until(lambda d: frame_shown(d) == "200")
    ActionChains(p.d).send_keys(" ").perform()
    seen = set()
    end = time.time() + 2.0
    while time.time() < end:
        seen.add(int(frame_shown(p.d) or 0))
    if min(seen) < 200 or max(seen) > 230 or not {200, 201, 202, 229, 230} & seen or len(seen) < 20:
        p.fail("a loop from 200 to 230 showed frames %d to %d (%d of them)" % (min(seen), max(seen), len(seen)))
    if "loop=200-230" not in p.script("return location.search"):
        p.fail("the address lost the loop: %s" % p.script("return location.search"))


def a_large_text_is_read_off_the_page(p):
    """A legal text of nearly 1 MiB applied on frame 16,000, then the editor
    opened on it and a key typed: it is taken, and the reader never runs on
    the page's own thread (how long a frame waits is the benchmark's to say)."""
    text = own_programs("\n" + "{ angle = 5, x = 1.5 },\n" * 300, "\n" + "{ angle = 5, speed = 1.5 },\n" * 300)
    assert len(text.encode()) < 1 << 20, len(text)
    p.open("?frame=16000", 16000)
    p.call("const s = document.createElement('script'); s.src = 'edit.js'; s.onload = () => done();"
           " document.head.appendChild(s);")
    if not p.call("BarrageEdit.apply(arguments[0]).then(r => done(r.taken))", text):
        p.fail("a text of %d bytes was not taken" % len(text.encode()))
    p.call("BarrageEdit.openEditor().then(done)")
    p.d.find_element("css selector", "#editorPane .cm-content").send_keys("#")
    time.sleep(1)
    if p.script("return typeof createReader !== 'undefined'"):
        p.fail("the pattern reader is loaded on the page's own thread")


def native_messages(trace, scratch, text):
    """What the native reader says of a text (without the full-store check),
    each message from its line on, as the page's messages are compared."""
    path = os.path.join(scratch, "native.toml")
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    said = subprocess.run([trace, "--pattern", path, "1"], capture_output=True, text=True).stderr.splitlines()
    return [line.split(":", 1)[1] for line in said if line.startswith(path + ":")]


def fresh(p, address, frame=5):
    """The page at an address, with its editing script loaded."""
    p.open(address, frame)
    p.call("if (window.BarrageEdit) done(); else { const s = document.createElement('script'); s.src = 'edit.js';"
           " s.onload = () => done(); document.head.appendChild(s); }")


def messages_of(p, text):
    """Whether the page takes a text, its errors in all, and its messages from their line on."""
    return p.call("BarrageEdit.apply(arguments[0]).then(r => done([r.taken, r.errors, "
                  "r.messages.map(m => m.message.split(':').slice(1).join(':'))]))", text)


def deep_texts_as_the_tools(p, trace, scratch):
    """20,000 minus signs, and a power of 200,000 terms: refused as the tools refuse them."""
    fresh(p, "?frame=5")
    head = "[shooters]\ncount = 1\n[movement.m]\nsteps = [ { duration = 9, active = true } ]\n[firing.f]\nsteps = [ "
    for name, text in (("20,000 minus signs", head + '{ targetX = "= ' + "-" * 20000 + '1" } ]\n'),
                       ("a power of 200,000 terms", head + '{ targetX = "= ' + "^".join(["1"] * 200000) + '" } ]\n')):
        taken, errors, said = messages_of(p, text)
        if taken or said != native_messages(trace, scratch, text):
            p.fail("%s: the page says %s, the tools %s" % (name, said[:1], native_messages(trace, scratch, text)[:1]))


def a_newer_text_cancels_a_costly_reading(p):
    fresh(p, "?frame=5")
    costly = ("[shooters]\ncount = 64\n[movement.m]\nsteps = [{ active = true }]\n[firing.f]\nsteps = [{ repeat = 1500, "
              'steps = [{ duration = 1, speed = "= shooter * 0' + " + 1" * 25000 + '" }] }]\n')
    p.call("window.first = BarrageEdit.apply(arguments[0]); setTimeout(() => done(), 50);", costly)
    second = p.call("BarrageEdit.apply(arguments[0]).then(r => window.first.then(f => done([f.cancelled, r.taken])))",
                    sample("spiral"))
    if second != [True, True]:
        p.fail("a newer text while a costly one was read: the first cancelled, the second taken? %s" % second)


def link_settings_get_the_tools_verdict(p):
    for setting, expected in (("nope:3", "--set nope: the pattern has no parameter 'nope'"),
                              ("arms:5:7", "--set arms=5:7: takes NAME=VALUE")):
        p.open("?frame=5" + link(RING) + "&set=" + setting, 5)
        try:
            p.wait.until(lambda d: "mistake" in p.notice())
        except Exception:
            p.fail("set=%s in a link: no word of it (%r)" % (setting, p.notice()))
            continue
        p.call("BarrageEdit.openEditor().then(done)")
        if not any(expected in m for m in p.messages()):
            p.fail("set=%s in a link: the messages are %s" % (setting, p.messages()[:2]))


def a_links_notice_counts_every_mistake(p):
    step = "{" + ",".join("%s=1" % chr(97 + i) for i in range(20)) + "}"
    many = "[shooters]\ncount = 1\n[movement.m]\nsteps = [{}]\n[firing.f]\nsteps = [" + ",".join([step] * 500) + "]\n"
    p.open("?frame=5" + link(many), 5)
    p.wait.until(lambda d: "mistake" in p.notice())
    if "10000 mistakes" not in p.notice():
        p.fail("a link of 10,000 mistakes says: %r" % p.notice())


def a_new_link_offers_the_edit_back(p):
    """An edit the address does not hold, replaced by a new link in the tab."""
    p.open("?frame=5" + link(sample("spiral")), 5)
    p.call("BarrageEdit.openEditor().then(done)")
    p.editor_ready()
    p.call("BarrageEdit.moveTo(1, 1); done()")
    p.d.find_element("css selector", "#editorPane .cm-content").send_keys("mine = [\n")
    time.sleep(0.6)
    edit = p.editor_text()
    p.script("location.hash = arguments[0]", link(sample("rain")))
    p.wait.until(lambda d: p.editor_text() == sample("rain"))
    if "Restore edit" not in p.notice():
        p.fail("a new link replaced an edit without a word: %r" % p.notice())
        return
    p.script("document.getElementById('restoreEdit').click()")
    if p.editor_text() != edit:
        p.fail("Restore edit did not bring the edit back")


def a_refused_loop_is_said(p):
    p.open("?frame=5&loop=500-200", 5)
    if "No loop" not in p.notice():
        p.fail("?loop=500-200 said nothing: %r" % p.notice())


def an_edit_storage_cannot_keep_is_said(p):
    fresh(p, "?frame=5")
    p.script("sessionStorage.clear(); let i = 0; for (let size = 1 << 20; size >= 1; size >>= 1) {"
             " try { for (;;) sessionStorage.setItem('x' + i++, 'x'.repeat(size)); } catch (e) {} }")
    p.call("BarrageEdit.openEditor().then(done)")
    p.editor_ready()
    p.d.find_element("css selector", "#editorPane .cm-content").send_keys("oops = [\n")
    try:
        p.wait.until(lambda d: "cannot be kept" in p.notice())
    except Exception:
        p.fail("an edit storage could not keep was not said: %r" % p.notice())
    p.script("sessionStorage.clear()")


def the_fuzzers_seeds_read_as_natively(p, trace, scratch):
    """The expression fuzzer's seeds, as it puts them into a pattern, and the
    pattern fuzzer's: the same messages in the page as natively."""
    fresh(p, "?frame=5")
    seeds = os.path.join(HERE, "..", "fuzz", "seeds")
    texts = []
    for name in sorted(os.listdir(os.path.join(seeds, "fuzz_expression"))):
        with open(os.path.join(seeds, "fuzz_expression", name), encoding="utf-8") as f:
            expression = f.read()
        if '"' in expression or "\\" in expression or any(ord(c) < 32 for c in expression):
            continue
        texts.append(("expression seed " + name, "[params]\nk = 2\n[shooters]\ncount = 2\n[movement.m]\nsteps = [ { "
                      "duration = 5, active = true } ]\n[firing.f]\nsteps = [ { repeat = \"= %s\", speed = \"= %s * "
                      "shooter\", duration = 1 } ]\n" % (expression, expression)))
    for folder in (os.path.join(seeds, "fuzz_pattern"), PATTERNS):
        for name in sorted(os.listdir(folder)):
            if name.endswith(".toml"):
                with open(os.path.join(folder, name), encoding="utf-8") as f:
                    texts.append(("pattern seed " + name, f.read()))
    for name, text in texts:
        said = messages_of(p, text)[2]
        if said != native_messages(trace, scratch, text):
            p.fail("%s: the page says %s, the tools %s" % (name, said[:2], native_messages(trace, scratch, text)[:2]))


def main():
    web_dir, capture = sys.argv[1], sys.argv[2]
    trace = os.path.join(os.path.dirname(capture), "barrage-trace")
    with tempfile.TemporaryDirectory() as scratch:
        delays = {}
        server = start_server(web_dir, delays)
        base = "http://127.0.0.1:%d/index.html" % server.server_address[1]
        driver = start_browser(os.path.join(scratch, "profile"))
        p = Page(driver, base, capture, scratch)
        try:
            try:
                driver.execute_cdp_cmd("Browser.grantPermissions", {
                    "origin": base.rsplit("/", 1)[0], "permissions": ["clipboardReadWrite", "clipboardSanitizedWrite"]})
                clipboard = True
            except Exception:  # an older browser: Copy link is left out
                clipboard = False
            for check in (big_link_opens_on_its_frame, lambda p: refused_link_keeps_its_text(p, clipboard),
                          lambda p: reset_agrees_on_a_slow_network(p, delays), new_links_in_the_tab_are_followed,
                          a_file_dropped_on_a_fresh_page_is_taken, bullet_programs_as_the_tools_draw_them,
                          hostile_texts_leave_the_page_working,
                          lambda p: warnings_as_the_tools_give_them(p, trace), help_in_the_editor, a_loop_in_the_link,
                          parameters_in_the_page, a_large_text_is_read_off_the_page,
                          lambda p: deep_texts_as_the_tools(p, trace, scratch), a_newer_text_cancels_a_costly_reading,
                          link_settings_get_the_tools_verdict, a_links_notice_counts_every_mistake,
                          a_new_link_offers_the_edit_back, a_refused_loop_is_said, an_edit_storage_cannot_keep_is_said,
                          lambda p: the_fuzzers_seeds_read_as_natively(p, trace, scratch)):
                try:
                    check(p)
                except Exception as error:  # one check's failure does not hide the others'
                    p.fail("%s: %s: %s" % (getattr(check, "__name__", "check"), type(error).__name__, error))
        finally:
            driver.quit()
            server.shutdown()
    for failure in p.failures:
        print("FAIL: " + failure)
    print("editing and links: %d checks failed" % len(p.failures))
    return 1 if p.failures else 0


if __name__ == "__main__":
    sys.exit(main())
