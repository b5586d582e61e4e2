"use strict";
// The page's editing: the editor pane (CodeMirror, from editor.js, fetched
// when first opened), the text read 300 ms after the last keystroke by the
// pattern reader in a worker of its own (barrage-reader.js), so that no text
// holds a frame, the reader's messages as marks and as a list (the full-store
// check's warnings once the editor is open), links that hold the pattern
// (deflate-raw, base64url, in #pattern=..., then the parameters set, as
// &set=NAME:VALUE,...), and a control for each of the pattern's parameters.
// Fetched by index.html only when the editor is opened, a file is dropped,
// the address holds a pattern, or an edit was kept from before a reload.
(function () {
  const DELAY = 300;            // ms after the last keystroke
  const DRAFT = "barrage.draft";  // where an edit not in the address is kept across a reload
  const barrage = window.barragePage;
  const LIMIT = barrage.patternBytes;  // bytes a pattern may have, as for the native tools
  const MOST = LIMIT / 1048576 + " MiB";  // that limit as the tools say it
  const module = barrage.module, page = barrage.page;

  // What the editing is doing, in one record. The world shows `goodText` (the
  // demonstration while it is null), the address holds `linkText`, the editor
  // `text`; each text is in one of these states, and moves between them so:
  //   as taken   text === goodText, not edited: a keystroke makes it edited
  //              and starts `timer`;
  //   edited     `timer` runs out (300 ms) or Copy link comes: it is read
  //              (a read asked for, `lastRead`; a newer one cancels it and
  //              `wanted` goes up, so a late answer is dropped);
  //   taken      the reader took it: the world is made from it
  //              (`shownRead`), goodText = text, the address is written
  //              (`followed`, `linkText`), the draft goes;
  //   refused    the reader refused it: the world stays, its messages are
  //              marked, the draft is kept for a reload (or, with no storage,
  //              `unkept` and the user told once);
  //   displaced  a new link in the address replaced an edit not taken: kept
  //              in `displaced` and offered back (Restore edit).
  // A link, a file, a sample or Reset set the text (taken, or refused); the
  // editor itself (`view`) is made once, when first opened (`opening`).
  const state = {
    view: null,                    // the editor, once made
    opening: null,                 // its making, once begun
    setting: false,                // the page is setting the editor's text: no read for it
    text: null,                    // the text the editor holds, or will hold once opened
    edited: false,                 // the user changed `text` since it was set or taken
    goodText: null,                // the text the world is made from; null: the demonstration
    followed: "",                  // the address's #pattern=... the world was made from or wrote; "": none
    linkText: null,                // the text that address holds; null: none
    messages: [],                  // the reader's messages of the text read last
    timer: 0,                      // the read due after the last keystroke; 0: none
    wanted: 0,                     // goes up whenever another world is wanted: a late answer is dropped
    settings: Object.create(null), // the parameters set by their controls or the link, by name: their text
    readerSaw: {},                 // what the reader found in the text read last: { outline, parameters }
    worker: null,                  // the reader's worker, once started
    asked: 0,                      // the request asked for last
    lastRead: 0,                   // the read asked for last
    shownRead: 0,                  // the read the world was made from
    displaced: null,               // the user's edit that a new link replaced; null: none
    unkept: false,                 // an edit could not be kept for a reload, and the user was told
    demonstration: null,           // the demonstration's text, once fetched
  };

  // --- Reading, in the reader's worker ----------------------------------------

  const answers = new Map();  // by id: { answer, message } of each request the worker has not answered yet
  function startWorker() {
    state.worker = new Worker("barrage-reader.js");
    state.worker.onmessage = function (event) {
      if (event.data.checked) {
        // The full-store check's warnings, while its text is the one read last.
        if (event.data.id === state.lastRead && event.data.id === state.shownRead) showMessages(event.data.messages);
        return;
      }
      const waiting = answers.get(event.data.id);
      answers.delete(event.data.id);
      // A reader that failed may be left in any state: the next request gets a new one.
      if (event.data.failed) stopWorker();
      if (waiting) waiting.answer(event.data);
    };
    state.worker.onerror = function (event) {
      event.preventDefault();
      const failed = [...answers];
      answers.clear();
      stopWorker();
      for (const [id, waiting] of failed) {
        waiting.answer({ id: id, taken: false, failed: event.message || "the reader failed", messages: [] });
      }
    };
  }
  function stopWorker() {
    if (state.worker) state.worker.terminate();
    state.worker = null;
  }
  function ask(message) {
    // A newer text cancels a reading under way: the worker reads one text at
    // a time, so it goes, and a new one reads the newer text at once; what
    // else was asked of it is asked again of the new one.
    if (message.text !== undefined && [...answers.values()].some(function (w) { return w.message.text !== undefined; })) {
      stopWorker();
      for (const [id, waiting] of [...answers]) {
        if (waiting.message.text === undefined) continue;
        answers.delete(id);
        waiting.answer({ id: id, taken: false, cancelled: true, messages: [] });
      }
      if (answers.size) startWorker();
      for (const waiting of answers.values()) state.worker.postMessage(waiting.message);
    }
    if (!state.worker) startWorker();
    return new Promise(function (answer) {
      const id = ++state.asked;
      message.id = id;
      answers.set(id, { answer: answer, message: message });
      state.worker.postMessage(message);
    });
  }
  // A link's settings (`strict`) get the tools' verdict; an edit's are the
  // controls', dropped by the reader where the text no longer has them.
  function read(source, strict) {
    const lines = Object.keys(state.settings).map(function (name) { return name + "=" + state.settings[name]; });
    const answer = ask({ text: source, settings: lines.join("\n"), strict: !!strict, check: state.view !== null });
    state.lastRead = state.asked;
    return answer;
  }

  // The pattern the reader gave, as bytes, made the world on the frame shown.
  function adopt(packed) {
    const bytes = new Uint8Array(packed);
    const room = module._barrage_pattern_bytes(page, bytes.length);  // the memory may grow: its view after
    module.HEAPU8.set(bytes, room);
    const taken = module._barrage_adopt_pattern(page) === 1;
    if (taken) barrage.shownPattern(packed);
    return taken;
  }

  // Reads a text; when the reader takes it, it becomes the world. An answer
  // that comes after another world was wanted is dropped ({ late: true }).
  async function apply(source, strict) {
    const mine = ++state.wanted;
    const result = await read(source, strict);
    if (mine !== state.wanted) return { late: true, cancelled: !!result.cancelled };
    // A text the TOML reader stopped at names nothing: what the last one named stays for completion.
    const o = result.outline;
    if (o && (o.movement.length || o.firing.length || o.shooters)) {
      state.readerSaw = { outline: o, parameters: result.parameters || [] };
    }
    showParameters(result.parameters || []);
    if (result.failed) {
      result.messages = [{ line: 0, column: 0, severity: "error", message: "the pattern reader failed: " + result.failed }];
    }
    if (result.taken && !adopt(result.packed)) {
      result.taken = false;
      result.messages = [{ line: 0, column: 0, severity: "error", message: "the page could not take the pattern the reader gave" }];
    }
    if (result.taken) state.shownRead = result.id;
    return result;
  }

  // --- The pattern's parameters ---------------------------------------------

  // A control for each: changed, the text is read again with it set. Made
  // again only when the names change, so a control being typed in stays.
  function showParameters(list) {
    const panel = document.getElementById("params");
    if (!panel) return;
    for (const name of Object.keys(state.settings)) {  // a setting the pattern no longer has goes
      if (!list.some(function (p) { return p.name === name; })) delete state.settings[name];
    }
    const names = list.map(function (p) { return p.name; }).join(",");
    if (panel.dataset.names !== names) {
      panel.dataset.names = names;
      panel.textContent = "";
      for (const p of list) {
        const label = document.createElement("label");
        label.textContent = p.name + " ";
        const input = document.createElement("input");
        input.type = "number";
        input.id = "param-" + p.name;
        // The reader says each one's range, and which take whole numbers only.
        const bounded = p.least !== "" && p.most !== "";
        input.step = p.whole ? "1" : bounded ? String((Number(p.most) - Number(p.least)) / 20) : "any";
        if (p.least !== "") input.min = p.least;
        if (p.most !== "") input.max = p.most;
        input.addEventListener("change", function () {
          const value = Number(input.value);
          if (input.value === "" || !Number.isFinite(value)) return;
          state.settings[p.name] = input.value;
          applyNow(state.text !== null ? state.text : state.goodText);
        });
        label.appendChild(input);
        panel.appendChild(label);
      }
    }
    for (const p of list) {
      const input = document.getElementById("param-" + p.name);
      if (input && document.activeElement !== input) input.value = String(p.value);
    }
    panel.hidden = list.length === 0;
  }

  function settingsInLink() {
    const names = Object.keys(state.settings);
    return names.length ? "&set=" + names.map(function (name) { return name + ":" + state.settings[name]; }).join(",") : "";
  }

  // As the link has them, NAME:VALUE: the reader says what it makes of each.
  function settingsFromLink(parts) {
    state.settings = Object.create(null);
    for (const part of parts) {
      if (!part.startsWith("set=")) continue;
      for (const pair of part.slice(4).split(",")) {
        const colon = pair.indexOf(":");
        if (pair) state.settings[colon < 0 ? pair : pair.slice(0, colon)] = colon < 0 ? "" : pair.slice(colon + 1);
      }
    }
  }

  function showMessages(list) {
    state.messages = list;
    const items = document.getElementById("messages");
    if (items) {
      items.textContent = "";
      for (const m of list) {
        const item = document.createElement("li");
        item.textContent = m.message;
        item.className = m.severity;
        if (m.line > 0) item.addEventListener("click", function () { window.BarrageEditor.moveTo(state.view, m.line, m.column); });
        items.appendChild(item);
      }
    }
    if (state.view) window.BarrageEditor.mark(state.view, list.filter(function (m) { return m.line > 0; }));
  }

  async function applyNow(source) {
    clearTimeout(state.timer);
    state.timer = 0;
    const result = await apply(source);
    if (result.late) return result;
    showMessages(result.messages);
    if (result.taken) {
      state.goodText = source;
      if (source === state.text) state.edited = false;
      await share(source).catch(function () { setHash(""); });
    }
    keepDraft();
    return result;
  }

  // --- Links ------------------------------------------------------------------

  function base64url(bytes) {
    let binary = "";
    for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(binary).replace(/\+/g, "-").replace(/\//g, "_").replace(/=+$/, "");
  }

  function fromBase64url(textIn) {
    if (!/^[A-Za-z0-9_-]*$/.test(textIn)) throw new Error("it is not base64url");
    const binary = atob(textIn.replace(/-/g, "+").replace(/_/g, "/"));
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
    return bytes;
  }

  async function squeeze(bytes, stream) {
    const reader = new Blob([bytes]).stream().pipeThrough(stream).getReader();
    const parts = [];
    let length = 0;
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      length += value.length;
      if (length > LIMIT) throw new Error("the pattern is over " + MOST);
      parts.push(value);
    }
    const all = new Uint8Array(length);
    let at = 0;
    for (const part of parts) { all.set(part, at); at += part.length; }
    return all;
  }

  function setHash(hash) {
    state.followed = hash;
    window.history.replaceState(null, "", window.location.pathname + window.location.search + hash);
  }

  async function share(source) {
    const packed = await squeeze(new TextEncoder().encode(source), new CompressionStream("deflate-raw"));
    if (source !== state.goodText) return;
    setHash("#pattern=" + base64url(packed) + settingsInLink());
    state.linkText = source;
  }

  function showDemonstration() {
    ++state.wanted;
    state.shownRead = 0;
    clearTimeout(state.timer);
    state.timer = 0;
    module._barrage_apply_demonstration(page);
    barrage.shownPattern(null);
    state.goodText = null;
    state.settings = Object.create(null);
    showParameters([]);
  }

  // The pattern the address holds becomes the world, on the frame the
  // address names. A link whose text has mistakes keeps its text (the
  // editor opens on it, marked) and its address, and shows the
  // demonstration; one that cannot be read at all says so.
  async function openLink() {
    const hash = window.location.hash;
    const frame = Number(new URLSearchParams(window.location.search).get("frame")) || 0;
    const draft = takeDraft();
    state.followed = hash;
    let source;
    const parts = hash.slice("#pattern=".length).split("&");
    settingsFromLink(parts.slice(1));
    try {
      const bytes = await squeeze(fromBase64url(parts[0]), new DecompressionStream("deflate-raw"));
      source = new TextDecoder("utf-8", { fatal: true }).decode(bytes);
    } catch (error) {
      showDemonstration();
      barrage.notice("This link's pattern could not be read (" + (error && error.message ? error.message : error) +
                     "): the demonstration is shown.");
      return;
    }
    if (hash !== window.location.hash) return;  // another link came meanwhile
    // An edit the address does not hold is not lost to a new link: kept,
    // and offered back.
    if (state.edited && state.text !== null && state.text !== state.goodText && state.text !== source) keepDisplaced(state.text);
    state.linkText = source;
    setText(source);
    const result = await apply(source, true);
    if (result.late) return;
    showMessages(result.messages);
    if (result.taken) {
      state.goodText = source;
      if (frame) barrage.seek(frame);  // the link's frame, however long the pattern took to arrive
    } else if (result.failed) {
      showDemonstration();
      barrage.notice("This link's pattern could not be read (the pattern reader failed: " + result.failed +
                     "): the demonstration is shown.");
    } else {
      showDemonstration();
      // All it has, not only those listed.
      const errors = result.errors || result.messages.filter(function (m) { return m.severity === "error"; }).length;
      barrage.notice("This link's pattern has " + (errors === 1 ? "a mistake" : errors + " mistakes") +
                     ": the demonstration is shown; Edit shows " + (errors === 1 ? "it" : errors <= result.messages.length ?
                     "them" : "the first " + result.messages.filter(function (m) { return m.severity === "error"; }).length) + ".");
    }
    if (draft !== null) {
      restoreDraft(draft);
      openEditor();
    }
  }

  // The address changed in the tab (a new link, or Back): its pattern, or the
  // demonstration when it holds none.
  function followAddress() {
    const hash = window.location.hash.startsWith("#pattern=") ? window.location.hash : "";
    if (hash === state.followed) return;
    if (hash) {
      openLink();
      return;
    }
    state.followed = "";
    state.linkText = null;
    showDemonstration();
    showMessages([]);
    demonstrationText().then(function (source) { if (!state.followed && state.goodText === null && !state.edited) setText(source); });
  }

  // --- An edit a new link replaced ---------------------------------------------

  function keepDisplaced(edit) {
    state.displaced = edit;
    const restore = document.getElementById("restoreEdit");
    if (restore) restore.hidden = false;
    barrage.notice("The new link replaced your edit, which the address did not hold: Restore edit brings it back.");
  }
  function restoreDisplaced() {
    if (state.displaced === null) return;
    const edit = state.displaced;
    state.displaced = null;
    document.getElementById("restoreEdit").hidden = true;
    setText(edit);
    state.edited = true;
    applyNow(edit);
  }

  // --- An edit kept across a reload --------------------------------------------

  // Kept while the editor holds a text the user changed that the address
  // does not hold (refused, or not read yet).
  function keepDraft() {
    const keep = state.edited && state.text !== null && state.text !== state.goodText;
    try {
      if (keep) {
        window.sessionStorage.setItem(DRAFT, JSON.stringify({ hash: window.location.hash, text: state.text }));
      } else {
        window.sessionStorage.removeItem(DRAFT);
      }
      state.unkept = false;
    } catch (error) {
      // No storage (private mode, over quota): the edit lives as long as the tab, and the user is told so once.
      if (keep && !state.unkept) {
        state.unkept = true;
        barrage.notice("Your edit cannot be kept for a reload (the browser's storage is full or off): it lasts as " +
                       "long as this tab; Download keeps it.");
      }
    }
  }
  window.addEventListener("pagehide", keepDraft);

  // The kept edit made on the address shown now, taken out of storage.
  // One made on another address stays where it is.
  function takeDraft() {
    try {
      const draft = JSON.parse(window.sessionStorage.getItem(DRAFT) || "null");
      if (!(draft && draft.hash === window.location.hash && typeof draft.text === "string")) return null;
      window.sessionStorage.removeItem(DRAFT);
      return draft.text;
    } catch (error) {
      return null;
    }
  }

  function restoreDraft(draft) {
    setText(draft);
    state.edited = true;
    barrage.notice("Your edit from before the page was reloaded is back in the editor.");
    applyNow(draft);
  }

  // --- The editor pane -----------------------------------------------------

  async function fetchText(path) {
    const response = await fetch(path);
    if (!response.ok) throw new Error(path + ": " + response.status);
    return response.text();
  }

  function demonstrationText() {
    return state.demonstration || (state.demonstration = fetchText("patterns/demonstration.toml"));
  }

  function button(label, id, action) {
    return Object.assign(document.createElement("button"), { type: "button", id: id, textContent: label, onclick: action });
  }

  // The editor's text set by the page, not typed: nothing is read for it.
  function setText(source) {
    state.text = source;
    state.edited = false;
    if (state.view && window.BarrageEditor.text(state.view) !== source) {
      state.setting = true;
      window.BarrageEditor.setText(state.view, source);
      state.setting = false;
    }
  }

  // A whole new text (a sample, a file): read at once, kept if refused; its
  // parameters as it gives them.
  function takeText(source) {
    state.settings = Object.create(null);
    setText(source);
    state.edited = true;
    applyNow(source);
  }

  async function copyLink() {
    if (state.timer) await applyNow(state.text);  // a text still waiting to be read goes first
    barrage.address();  // the recording as it is now, flying or not
    const behind = state.edited && state.text !== state.linkText;
    navigator.clipboard.writeText(window.location.href).then(
      function () {
        barrage.notice(behind ? "The link is copied, but it holds " + (state.linkText === null ? "the demonstration" :
                                "the pattern last taken") + ", not the text in the editor, which has mistakes."
                              : "The link is copied.");
      },
      function () { barrage.notice("The link could not be copied: copy it from the address bar."); });
  }

  // Back to the demonstration: the world, the address and the editor agree
  // at once, whatever was still being read (the demonstration's text is
  // fetched when the editor opens).
  function reset() {
    showDemonstration();
    setHash("");
    state.linkText = null;
    showMessages([]);
    state.edited = false;
    keepDraft();
    const mine = state.wanted;
    demonstrationText().then(function (source) { if (mine === state.wanted && !state.edited) setText(source); })
      .catch(function (e) { barrage.notice(e.message); });
  }

  function makePane() {
    const pane = document.createElement("div");
    pane.id = "editorPane";
    pane.style.cssText = "display:flex;flex-direction:column;width:min(560px,95vw);font:12px/16px sans-serif;";
    const tools = document.createElement("div");
    tools.style.cssText = "display:flex;flex-wrap:wrap;gap:6px;margin-bottom:6px;";
    const samples = document.createElement("select");
    samples.id = "samples";
    samples.innerHTML = "<option value=''>samples…</option>" +
      barrage.samples.map(function (s) { return "<option>" + s + "</option>"; }).join("");
    samples.addEventListener("change", function () {
      if (samples.value) fetchText("patterns/" + samples.value + ".toml").then(takeText, function (e) { barrage.notice(e.message); });
      samples.value = "";
    });
    const file = document.createElement("input");
    file.type = "file";
    file.accept = ".toml,text/plain";
    file.style.display = "none";
    file.addEventListener("change", function () { if (file.files[0]) openFile(file.files[0]); file.value = ""; });
    tools.append(
      button("Copy link", "copyLink", copyLink),
      button("Download", "download", function () {
        const a = document.createElement("a");
        a.href = URL.createObjectURL(new Blob([state.text || ""], { type: "text/plain" }));
        a.download = "pattern.toml";
        a.click();
        setTimeout(function () { URL.revokeObjectURL(a.href); }, 1000);
      }),
      button("Open file", "openFile", function () { file.click(); }),
      button("Reset", "reset", reset),
      Object.assign(button("Restore edit", "restoreEdit", restoreDisplaced), { hidden: state.displaced === null }),
      samples, file);
    const host = document.createElement("div");
    host.id = "editor";
    host.style.cssText = "height:440px;background:#fff;color:#000;font-size:13px;";
    const list = document.createElement("ul");
    list.id = "messages";
    list.style.cssText = "margin:6px 0 0;padding-left:18px;max-height:120px;overflow:auto;color:#f88;cursor:pointer;";
    pane.append(tools, host, list);
    document.getElementById("main").appendChild(pane);
    return host;
  }

  function openEditor() {
    if (!state.opening) {
      state.opening = (async function () {
        const draft = takeDraft();
        const host = makePane();
        demonstrationText().catch(function () {});  // at hand for Reset
        const help = ask({ help: true }).then(function (answer) { return answer.help; });
        await barrageLoadScript("editor.js");
        if (state.text === null) state.text = state.goodText !== null ? state.goodText : await demonstrationText();
        const fields = await help;
        state.setting = true;
        state.view = window.BarrageEditor.create(host, state.text, function (changed) {
          if (state.setting) return;
          state.text = changed;
          state.edited = true;
          clearTimeout(state.timer);
          state.timer = setTimeout(function () { applyNow(state.text); }, DELAY);
        }, function () {
          state.view.contentDOM.blur();
          document.body.focus();
        }, fields, function () { return state.readerSaw; });
        state.setting = false;
        showMessages(state.messages);  // what the reader said of the text shown, as it said it
        if (state.worker) state.worker.postMessage({ checkLast: true });  // its warnings, now that they are wanted
        if (draft !== null) restoreDraft(draft);
      })();
    }
    return state.opening.then(function () { state.view.focus(); }).catch(function (error) { barrage.notice(error.message); });
  }

  function openFile(blob) {
    if (blob.size > LIMIT) {
      barrage.notice(blob.name + " is over " + MOST + ".");
      return Promise.resolve();
    }
    return openEditor().then(function () { return blob.text(); })
      .then(takeText, function () { barrage.notice(blob.name + " could not be read."); });
  }

  window.BarrageEdit = {
    openEditor: openEditor,
    openLink: openLink,
    openFile: openFile,
    followAddress: followAddress,
    apply: applyNow,
    ready: function () { return state.opening ? state.opening.then(function () { return true; }) : Promise.resolve(false); },
    moveTo: function (line, column) { window.BarrageEditor.moveTo(state.view, line, column); },
    state: function () { return { text: state.text, goodText: state.goodText, edited: state.edited, messages: state.messages }; },
  };
})();
