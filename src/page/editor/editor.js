// The page's pattern editor: CodeMirror with line numbers, undo, TOML
// highlighting and the pattern reader's messages as marks. Bundled by
// make web into page/editor.js and fetched only when the editor is first
// opened; the page talks to it through window.BarrageEditor.
import { defaultKeymap, history, historyKeymap } from "@codemirror/commands";
import { StreamLanguage, defaultHighlightStyle, syntaxHighlighting } from "@codemirror/language";
import { toml } from "@codemirror/legacy-modes/mode/toml";
import { lintGutter, setDiagnostics } from "@codemirror/lint";
import { EditorSelection, EditorState } from "@codemirror/state";
import { EditorView, keymap, lineNumbers, highlightActiveLine } from "@codemirror/view";

// The offset of a line and column (both from 1; the reader counts columns in
// characters, the document in UTF-16 units, two for a character beyond
// U+FFFF) in the document, within it.
function offsetOf(doc, line, column) {
  const l = doc.line(Math.min(Math.max(line, 1), doc.lines));
  let at = l.from;
  for (let c = 1; c < column && at < l.to; ++c) at += l.text.codePointAt(at - l.from) > 0xffff ? 2 : 1;
  return Math.min(at, l.to);
}

function create(parent, text, onChange, onEscape) {
  const view = new EditorView({
    parent,
    state: EditorState.create({
      doc: text,
      extensions: [
        lineNumbers(),
        highlightActiveLine(),
        history(),
        StreamLanguage.define(toml),
        syntaxHighlighting(defaultHighlightStyle),
        lintGutter(),
        keymap.of([{ key: "Escape", run: () => { onEscape(); return true; } }, ...defaultKeymap, ...historyKeymap]),
        EditorView.updateListener.of((update) => { if (update.docChanged) onChange(update.state.doc.toString()); }),
        EditorView.theme({ "&": { height: "100%" }, ".cm-scroller": { overflow: "auto" } }),
      ],
    }),
  });
  return view;
}

// Messages as { line, column, severity: "error" | "warning", message }.
function mark(view, messages) {
  const doc = view.state.doc;
  const diagnostics = messages.map((m) => {
    const from = offsetOf(doc, m.line, m.column);
    const to = Math.min(offsetOf(doc, m.line, m.column + 1), doc.length);
    return { from, to: Math.max(to, from), severity: m.severity, message: m.message };
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
