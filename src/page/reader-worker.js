// The worker around the page's pattern reader: each message is a text to read
// ({ id, text, settings, strict, check }, settings NAME=VALUE a line, strict
// for a link's, which get the tools' verdict), a request for
// the editor's help ({ id, help: true }), for the check of the text read
// last ({ checkLast: true }), or (in the page's fairness worker) for whether a
// pattern as bytes can be survived ({ id, dodge: true, packed, to }). The answer says whether it was taken, the
// reader's messages, the pattern's parameters as they were used
// ([{ name, value }]) and, when taken, the pattern as bytes (handed over, not
// copied). Then, when asked (the editor is open: its warnings are wanted), the
// full-store check runs, a slice at a time so that a newer text is read at
// once, and a second answer ({ id, checked: true, messages }) gives every
// message again with its warnings.
"use strict";
const CHECK_SLICE = 500;  // frames of the check between looks at the messages waiting
const reader = createReader().then(function (module) { return { module: module, state: module._reader_open() }; });
let latest = 0;     // the text read last: a check of an older one stops
let unchecked = 0;  // the text read last, when it was taken and its check not asked for yet

function messagesOf(module, state) {
  const messages = [];
  for (let i = 0, count = module._reader_message_count(state); i < count; ++i) {
    const parts = barrageText(module, module._reader_message(state, i)).split("\t");
    messages.push({ line: Number(parts[0]), column: Number(parts[1]), endColumn: Number(parts[2]), severity: parts[3],
                    message: parts.slice(4).join("\t") });
  }
  return messages;
}

// The full-store check of text `id`, while no newer one has come.
function check(module, state, id) {
  unchecked = 0;
  (function slice() {
    if (id !== latest) return;
    if (module._reader_check(state, CHECK_SLICE) === 1) {
      self.postMessage({ id: id, checked: true, messages: messagesOf(module, state) });
    } else {
      setTimeout(slice, 0);
    }
  })();
}

self.onmessage = function (event) {
  const id = event.data.id;
  if (event.data.help) {  // the editor's help, once
    reader.then(function (r) { self.postMessage({ id: id, help: JSON.parse(barrageText(r.module, r.module._reader_help())) }); });
    return;
  }
  if (event.data.dodge) {  // the page's fairness worker: whether the pattern shown can be survived
    reader.then(function (r) { answerDodge(r.module, r.state, id, event.data); }, function (error) {
      self.postMessage({ id: id, answer: null, failed: String(error && error.message || error) });
    });
    return;
  }
  if (event.data.checkLast) {  // after the read before it, as promises keep their order
    reader.then(function (r) { if (unchecked && unchecked === latest) check(r.module, r.state, latest); });
    return;
  }
  latest = id;
  unchecked = 0;
  reader.then(function (r) {
    try {
      readText(r.module, r.state, id, event.data);
    } catch (error) {  // the reader's own failure, never a silent one
      self.postMessage({ id: id, taken: false, failed: String(error && error.message || error), messages: [] });
    }
  }, function (error) {
    self.postMessage({ id: id, taken: false, failed: String(error && error.message || error), messages: [] });
  });
};

// Reads one text and answers with what the reader said of it.
function readText(module, state, id, data) {
  const bytes = new TextEncoder().encode(data.text);
  const room = module._reader_text(state, bytes.length);
  if (!room) {  // refused by the reader, with its own message
    self.postMessage({ id: id, taken: false, messages: messagesOf(module, state), errors: 1, parameters: [] });
    return;
  }
  module.HEAPU8.set(bytes, room);
  const settings = new TextEncoder().encode(data.settings || "");
  const settingsRoom = module._reader_settings(state, settings.length);
  if (settingsRoom) module.HEAPU8.set(settings, settingsRoom);
  const taken = module._reader_read(state, bytes.length, data.strict ? 1 : 0) === 1;
  const parameters = barrageText(module, module._reader_parameters(state)).split("\n").filter(Boolean).map(function (line) {
    const parts = line.split("\t");
    return { name: parts[0], value: Number(parts[1]), least: parts[2], most: parts[3], whole: parts[4] === "1" };
  });
  const packed = taken ? module.HEAPU8.slice(module._reader_packed(state),
                                             module._reader_packed(state) + module._reader_packed_size(state)).buffer : null;
  self.postMessage({ id: id, taken: taken, messages: messagesOf(module, state), errors: module._reader_error_count(state),
                     parameters: parameters, outline: JSON.parse(barrageText(module, module._reader_outline(state))),
                     packed: packed },
                   packed ? [packed] : []);
  if (taken && data.check) check(module, state, id);
  else if (taken) unchecked = id;
}

// The answer for a pattern as bytes (none: the demonstration) from frame 1 to
// `to`, handed over as bytes for the page's module.
function answerDodge(module, state, id, data) {
  try {
    const bytes = data.packed ? new Uint8Array(data.packed) : new Uint8Array(0);
    const room = module._reader_dodge_room(state, bytes.length);
    if (bytes.length) module.HEAPU8.set(bytes, room);
    const started = performance.now();
    if (module._reader_dodge(state, data.to) !== 1) {
      self.postMessage({ id: id, answer: null, failed: "the pattern was refused" });
      return;
    }
    const at = module._reader_answer(state), size = module._reader_answer_size(state);
    const answer = module.HEAPU8.slice(at, at + size).buffer;
    self.postMessage({ id: id, answer: answer, ms: performance.now() - started }, [answer]);
  } catch (error) {
    self.postMessage({ id: id, answer: null, failed: String(error && error.message || error) });
  }
}
