"use strict";
// The page's editing: the editor pane (CodeMirror, from editor.js, fetched
// when first opened), applying the text 300 ms after the last keystroke,
// the reader's messages as marks and as a list, and links that hold the
// pattern (deflate-raw, base64url, in #pattern=...). Fetched by index.html
// only when the editor is opened or the address holds a pattern.
(function () {
  const LIMIT = 1 << 20;        // bytes a pattern may have, as for the native tools
  const DELAY = 300;            // ms after the last keystroke
  const barrage = window.barragePage;
  const module = barrage.module, page = barrage.page;
  let view = null;              // the editor, once made
  let text = null;              // the text in the editor (or applied from a link)
  let goodText = null;          // the last text the world was made from; null: the demonstration
  let timer = 0;

  // --- Applying text --------------------------------------------------------

  function messagesOf(count) {
    const list = [];
    for (let i = 0; i < count; ++i) {
      let end = module._barrage_message(page, i);
      const start = end;
      while (module.HEAPU8[end] !== 0) ++end;
      const parts = new TextDecoder().decode(module.HEAPU8.subarray(start, end)).split("\t");
      list.push({ line: Number(parts[0]), column: Number(parts[1]), severity: parts[2], message: parts.slice(3).join("\t") });
    }
    return list;
  }

  // Returns the messages; a good text becomes the world on the frame shown.
  function apply(source) {
    const bytes = new TextEncoder().encode(source);
    if (bytes.length > LIMIT) {
      return { taken: false, messages: [{ line: 1, column: 1, severity: "error",
                                          message: "pattern.toml: error: more than 1 MiB" }] };
    }
    module.HEAPU8.set(bytes, module._barrage_pattern_text());
    const taken = module._barrage_apply_pattern(page, bytes.length) === 1;
    return { taken: taken, messages: messagesOf(module._barrage_message_count(page)) };
  }

  function showMessages(messages) {
    const list = document.getElementById("messages");
    if (list) {
      list.textContent = "";
      for (const m of messages) {
        const item = document.createElement("li");
        item.textContent = m.message;
        item.className = m.severity;
        item.addEventListener("click", function () { window.BarrageEditor.moveTo(view, m.line, m.column); });
        list.appendChild(item);
      }
    }
    if (view) window.BarrageEditor.mark(view, messages.filter(function (m) { return m.line > 0; }));
  }

  function applyNow(source) {
    const result = apply(source);
    showMessages(result.messages);
    if (result.taken) {
      goodText = source;
      share(source).catch(function () { setHash(""); });
    }
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
      if (length > LIMIT) throw new Error("the pattern is over 1 MiB");
      parts.push(value);
    }
    const all = new Uint8Array(length);
    let at = 0;
    for (const part of parts) { all.set(part, at); at += part.length; }
    return all;
  }

  function setHash(hash) {
    window.history.replaceState(null, "", window.location.pathname + window.location.search + hash);
  }

  async function share(source) {
    const packed = await squeeze(new TextEncoder().encode(source), new CompressionStream("deflate-raw"));
    setHash("#pattern=" + base64url(packed));
  }

  // The pattern the address holds, applied; a link that cannot be read shows
  // the demonstration with a one-line notice.
  async function openLink() {
    const packed = window.location.hash.slice("#pattern=".length);
    try {
      const bytes = await squeeze(fromBase64url(packed), new DecompressionStream("deflate-raw"));
      const source = new TextDecoder("utf-8", { fatal: true }).decode(bytes);
      const result = apply(source);
      text = source;
      if (!result.taken) throw new Error(result.messages.length ? result.messages[0].message : "it was refused");
      goodText = source;
      if (view) window.BarrageEditor.setText(view, source);
    } catch (error) {
      text = null;
      setHash("");
      barrage.notice("This link's pattern could not be read (" + (error && error.message ? error.message : error) +
                     "): the demonstration is shown.");
    }
  }

  // --- The editor pane -----------------------------------------------------

  function loadScript(src) {
    return new Promise(function (loaded, failed) {
      const script = document.createElement("script");
      script.src = src;
      script.onload = loaded;
      script.onerror = function () { failed(new Error(src + " could not be loaded")); };
      document.head.appendChild(script);
    });
  }

  async function fetchText(path) {
    const response = await fetch(path);
    if (!response.ok) throw new Error(path + ": " + response.status);
    return response.text();
  }

  const SAMPLES = ["demonstration", "spiral", "waves", "hunters", "bounce", "rain"];

  function button(label, id, action) {
    const b = document.createElement("button");
    b.type = "button";
    b.id = id;
    b.textContent = label;
    b.addEventListener("click", action);
    return b;
  }

  function setEditorText(source) {
    text = source;
    window.BarrageEditor.setText(view, source);
  }

  async function loadSample(name) {
    setEditorText(await fetchText("patterns/" + name + ".toml"));
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
      SAMPLES.map(function (s) { return "<option>" + s + "</option>"; }).join("");
    samples.addEventListener("change", function () {
      if (samples.value) loadSample(samples.value).catch(function (e) { barrage.notice(e.message); });
      samples.value = "";
    });
    const file = document.createElement("input");
    file.type = "file";
    file.accept = ".toml,text/plain";
    file.style.display = "none";
    file.addEventListener("change", function () { if (file.files[0]) openFile(file.files[0]); file.value = ""; });
    tools.append(
      button("Copy link", "copyLink", function () {
        navigator.clipboard.writeText(window.location.href).then(
          function () { barrage.notice("The link is copied."); },
          function () { barrage.notice("The link could not be copied: copy it from the address bar."); });
      }),
      button("Download", "download", function () {
        const a = document.createElement("a");
        a.href = URL.createObjectURL(new Blob([text || ""], { type: "text/plain" }));
        a.download = "pattern.toml";
        a.click();
        setTimeout(function () { URL.revokeObjectURL(a.href); }, 1000);
      }),
      button("Open file", "openFile", function () { file.click(); }),
      button("Reset", "reset", function () {
        module._barrage_apply_demonstration(page);
        goodText = null;
        setHash("");
        // The demonstration's own text, shown but not applied: it is the world already.
        fetchText("patterns/demonstration.toml").then(function (source) {
          setEditorText(source);
          clearTimeout(timer);
          showMessages([]);
        }).catch(function (e) { barrage.notice(e.message); });
      }),
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

  function openFile(blob) {
    if (blob.size > LIMIT) {
      barrage.notice(blob.name + " is over 1 MiB.");
      return;
    }
    blob.text().then(setEditorText, function () { barrage.notice(blob.name + " could not be read."); });
  }

  let opening = null;
  function openEditor() {
    if (!opening) {
      opening = (async function () {
        const host = makePane();
        await loadScript("editor.js");
        if (text === null) text = goodText !== null ? goodText : await fetchText("patterns/demonstration.toml");
        view = window.BarrageEditor.create(host, text, function (changed) {
          text = changed;
          clearTimeout(timer);
          timer = setTimeout(function () { applyNow(changed); }, DELAY);
        }, function () {
          view.contentDOM.blur();
          document.body.focus();
        });
        if (goodText !== null) applyNow(goodText);
      })();
    }
    opening.then(function () { view.focus(); }).catch(function (error) { barrage.notice(error.message); });
  }

  // A .toml file dropped anywhere on the page opens in the editor.
  window.addEventListener("dragover", function (event) { event.preventDefault(); });
  window.addEventListener("drop", function (event) {
    event.preventDefault();
    const dropped = event.dataTransfer && event.dataTransfer.files[0];
    if (!dropped) return;
    openEditor();
    opening.then(function () { openFile(dropped); });
  });

  window.BarrageEdit = {
    openEditor: openEditor,
    openLink: openLink,
    apply: applyNow,
    ready: function () { return opening ? opening.then(function () { return true; }) : Promise.resolve(false); },
    moveTo: function (line, column) { window.BarrageEditor.moveTo(view, line, column); },
  };
})();
