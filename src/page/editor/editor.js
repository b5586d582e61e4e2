// The page's pattern editor: CodeMirror with line numbers, undo, TOML
// highlighting, long lines wrapped, the pattern reader's messages marked over
// the whole range they are about, and help from the format's own tables (the
// reader's help) and from what the reader found in the text read last:
// completion of keys and field names (with meaning, unit and default beside
// each), kind names, program names and shooter numbers, and each field's or
// kind's reference on hover; inside "= EXPRESSION" the functions, the
// parameters and the names every expression knows, and the repetition's keys
// among a step's.
// Bundled by make web into page/editor.js and fetched
// only when the editor is first opened; the page talks to it through
// window.BarrageEditor.
import { autocompletion } from "@codemirror/autocomplete";
import { defaultKeymap, history, historyKeymap } from "@codemirror/commands";
import { StreamLanguage, defaultHighlightStyle, syntaxHighlighting } from "@codemirror/language";
import { toml } from "@codemirror/legacy-modes/mode/toml";
import { lintGutter, setDiagnostics } from "@codemirror/lint";
import { EditorSelection, EditorState } from "@codemirror/state";
import { EditorView, hoverTooltip, keymap, lineNumbers, highlightActiveLine } from "@codemirror/view";

// The offset of a line and column (both from 1; the reader counts columns in
// characters, the document in UTF-16 units, two for a character beyond
// U+FFFF) in the document, within it.
function offsetOf(doc, line, column) {
  const l = doc.line(Math.min(Math.max(line, 1), doc.lines));
  let at = l.from;
  for (let c = 1; c < column && at < l.to; ++c) at += l.text.codePointAt(at - l.from) > 0xffff ? 2 : 1;
  return Math.min(at, l.to);
}

// --- Help from the format's tables ------------------------------------------

// The table a line of the document is in: the name of the last table header
// above it ("shooters", a program's "movement" or "firing" ...), or "".
function tableAt(doc, lineNumber) {
  for (let n = lineNumber; n >= 1; --n) {
    const header = /^\s*\[\s*([A-Za-z]+)/.exec(doc.line(n).text);
    if (header) return header[1];
  }
  return "";
}

// The names an expression may use: those every expression knows (and in a
// bullet program the bullet's own), and the parameters and repetition
// indexes the reader found in the text read last.
function expressionNames(help, known, where) {
  const own = help.runNames.filter(function (n) { return where === (n.step ? "firing" : "bullet"); });
  const names = help.names.concat(own).map(function (n) {
    return { label: n.name, info: n.info, type: "variable" };
  });
  for (const p of known.parameters || []) {
    if (!names.some(function (o) { return o.label === p.name; })) {
      names.push({ label: p.name, info: "a parameter of this pattern ([params]); --set " + p.name + "=VALUE sets it", type: "variable" });
    }
  }
  for (const index of (known.outline && known.outline.indexes) || []) {
    if (!names.some(function (o) { return o.label === index; })) {
      names.push({ label: index, info: "a repetition's index, from 0", type: "variable" });
    }
  }
  return names;
}

function fieldHelp(field) {
  return field.meaning + (field.unit ? " (" + field.unit + ")" : "") + ". Takes " + field.takes + "; default " +
         field.default + ". Read by " + field.readBy + ".";
}

// The section of the format a table is, and the help that applies in it.
function sectionOf(help, table) {
  return help.sections.find(function (s) { return s.name === table; }) || { keys: "", fields: "" };
}

function completer(help, knownNow) {
  return function (context) {
    const doc = context.state.doc;
    const line = doc.lineAt(context.pos);
    const before = line.text.slice(0, context.pos - line.from);
    const table = tableAt(doc, line.number);
    const section = sectionOf(help, table);
    const fields = section.fields ? help[section.fields] : [];
    const known = knownNow();
    // Inside "= EXPRESSION": a function or a name.
    if (/=\s*"\s*=[^"]*$/.test(before)) {
      const word = context.matchBefore(/[A-Za-z_][A-Za-z0-9_]*$/) || { from: context.pos, to: context.pos };
      if (word.from === word.to && !context.explicit) return null;
      return { from: word.from, options: help.functions.map(function (f) {
        return { label: f.name, apply: f.name + "(", info: f.info, type: "function" };
      }).concat(expressionNames(help, known, section.fields === "firing" ? "firing" : section.keys)) };
    }
    // A value: a kind by name, a program by name, a shooter's number.
    const value = /([A-Za-z]+)\s*=\s*("?)([\w-]*)$/.exec(before);
    if (value) {
      const key = value[1], quoted = value[2] === "\"", typed = value[3];
      const from = context.pos - typed.length - (quoted ? 1 : 0);
      // A bullet program's name, in a firing step or a volley, from what the reader read last.
      if (key === "bullet" && quoted && known.outline && known.outline.bullet) {
        return { from: from, options: ["none"].concat(known.outline.bullet).map(function (name) {
          return { label: "\"" + name + "\"", detail: "bullet program", type: "variable" };
        }) };
      }
      // A span of the timeline, in a step.
      if (key === "span" && quoted && known.outline && known.outline.spans) {
        return { from: from, options: ["none"].concat(known.outline.spans).map(function (name) {
          return { label: "\"" + name + "\"", detail: "span", type: "variable" };
        }) };
      }
      // How an action's direction or speed is given.
      if (section.keys === "bullet" && (key === "kind" || key === "speedKind")) {
        return { from: from, options: help.hows.filter(function (k) { return key === "kind" || k.name !== "aim"; })
          .map(function (k) { return { label: "\"" + k.name + "\"", info: k.info, type: "enum" }; }) };
      }
      const field = fields.find(function (f) { return f.name === key; });
      if (field && field.kinds) {
        return { from: from, options: field.kinds.map(function (k) {
          return { label: "\"" + k.name + "\"", detail: String(k.value), info: k.meaning, type: "enum" };
        }) };
      }
      // A reference's names: "none", and "player" where it takes the ship.
      if (field && field.refers) {
        return { from: from, options: field.refers.map(function (name) {
          return { label: "\"" + name + "\"", detail: key, type: "enum" };
        }) };
      }
      // A program's name after a [shooters] key named as a table of programs.
      const programs = section.keys === "shooters" && known.outline && known.outline[key];
      if (programs && help.sections.some(function (s) { return s.name === key && s.fields; })) {
        return { from: from, options: programs.map(function (name) {
          return { label: "\"" + name + "\"", detail: key + " program", type: "variable" };
        }) };
      }
      // A shooter's number, in { shooter = N }.
      if (help.references.some(function (k) { return k.name === key; }) && known.outline) {
        const options = [];
        for (let i = 0; i < known.outline.shooters; ++i) options.push({ label: String(i), detail: "shooter", type: "constant" });
        return { from: from, options: options };
      }
      return null;
    }
    // A key: at a line's start, or after { or , in an inline table.
    const word = context.matchBefore(/[A-Za-z]*$/);
    const ahead = before.slice(0, before.length - word.text.length);
    if (!/(^\s*|[{,]\s*)$/.test(ahead) || (word.from === word.to && !context.explicit)) return null;
    if (section.keys === "shooters" || section.keys === "player") {
      return { from: word.from, options: help[section.keys].map(function (k) {
        return { label: k.name, info: k.info, type: "property" };
      }) };
    }
    // A bullet program: its actions at a line's start, an action's keys (and a volley's) in an inline table.
    if (section.keys === "bullet") {
      const keys = /^\s*$/.test(ahead) ? help.bullet : help.actions.concat(help.volley);
      return { from: word.from, options: keys.map(function (k) { return { label: k.name, info: k.info, type: "property" }; }) };
    }
    if (section.keys === "names") return { from: word.from, options: help.names.filter(function (n) { return n.settable; })
      .map(function (n) { return { label: n.name, info: n.info, type: "property" }; }) };
    if (/^\s*$/.test(ahead)) return { from: word.from, options: help.programs.map(function (k) {
      return { label: k.name, info: k.info, type: "property" };
    }) };
    return { from: word.from, options: fields.map(function (f) {
      return { label: f.name, detail: f.unit || f.takes, info: fieldHelp(f), type: "property" };
    }).concat(help.forms.map(function (f) { return { label: f.name, detail: "repetition", info: f.info, type: "keyword" }; })) };
  };
}

function hover(help) {
  return hoverTooltip(function (view, pos) {
    const line = view.state.doc.lineAt(pos);
    const text = line.text;
    let from = pos - line.from, to = from;
    while (from > 0 && /[\w-]/.test(text[from - 1])) --from;
    while (to < text.length && /[\w-]/.test(text[to])) ++to;
    if (from === to) return null;
    const word = text.slice(from, to);
    const table = tableAt(view.state.doc, line.number);
    const section = sectionOf(help, table);
    const fields = section.fields ? help[section.fields] : help.movement.concat(help.firing);
    let said = null;
    const field = fields.find(function (f) { return f.name === word; });
    const inExpression = /"\s*=[^"]*$/.test(text.slice(0, from));
    const known = function (list) { return list.find(function (n) { return n.name === word; }); };
    if (inExpression && text[to] === "(" && known(help.functions)) {
      said = known(help.functions).info;
    } else if (inExpression && (section.keys === "bullet" || section.fields === "firing") && known(help.runNames)) {
      said = word + ": " + known(help.runNames).info;
    } else if (inExpression && known(help.names)) {
      said = word + ": " + known(help.names).info;
    } else if (!inExpression && section.fields && known(help.forms) && text[to] !== "\"") {
      said = word + ": " + known(help.forms).info;
    } else if (section.keys === "player" && known(help.player)) {
      said = word + ": " + known(help.player).info;
    } else if (section.keys === "bullet" && (known(help.bullet) || known(help.actions) || known(help.volley) ||
                                             known(help.hows))) {
      said = word + ": " + (known(help.bullet) || known(help.actions) || known(help.volley) || known(help.hows)).info;
    } else if (field && text[to] !== "\"") {
      said = word + ": " + fieldHelp(field);
    } else if (text[from - 1] === "\"") {
      for (const f of fields) {
        const kind = f.kinds && f.kinds.find(function (k) { return k.name === word; });
        if (kind) said = f.name + " \"" + word + "\" (" + kind.value + "): " + kind.meaning + ".";
      }
    }
    if (!said) return null;
    return { pos: line.from + from, end: line.from + to, above: true, create: function () {
      const dom = document.createElement("div");
      dom.className = "cm-barrage-help";
      dom.style.cssText = "max-width:420px;padding:4px 6px;font:12px/16px sans-serif;";
      dom.textContent = said;
      return { dom: dom };
    } };
  });
}

// --- The editor ---------------------------------------------------------------

// `known` gives what the reader found in the text read last: { outline, parameters }.
function create(parent, text, onChange, onEscape, help, known) {
  const extensions = [
    lineNumbers(),
    highlightActiveLine(),
    history(),
    StreamLanguage.define(toml),
    syntaxHighlighting(defaultHighlightStyle),
    lintGutter(),
    EditorView.lineWrapping,
    keymap.of([{ key: "Escape", run: () => { onEscape(); return true; } }, ...defaultKeymap, ...historyKeymap]),
    EditorView.updateListener.of((update) => { if (update.docChanged) onChange(update.state.doc.toString()); }),
    EditorView.theme({ "&": { height: "100%" }, ".cm-scroller": { overflow: "auto" } }),
  ];
  if (help) extensions.push(autocompletion({ override: [completer(help, known || function () { return {}; })] }), hover(help));
  return new EditorView({ parent, state: EditorState.create({ doc: text, extensions }) });
}

// Messages as { line, column, endColumn, severity: "error" | "warning" |
// "note", message }, each marked over its range (one character when it has
// none).
function mark(view, messages) {
  const doc = view.state.doc;
  const diagnostics = messages.map((m) => {
    const from = offsetOf(doc, m.line, m.column);
    const end = m.endColumn > m.column ? m.endColumn : m.column + 1;
    const to = Math.min(offsetOf(doc, m.line, end), doc.length);
    return { from, to: Math.max(to, from), severity: m.severity === "note" ? "info" : m.severity, message: m.message };
  });
  view.dispatch(setDiagnostics(view.state, diagnostics));
}

function setText(view, text) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text } });
}

function moveTo(view, line, column) {
  const at = offsetOf(view.state.doc, line, column);
  view.dispatch({ selection: EditorSelection.cursor(at), scrollIntoView: true });
  view.focus();
}

window.BarrageEditor = { create, mark, setText, moveTo, text: (view) => view.state.doc.toString() };
