// The playground: a scene editor running the module compiled to WebAssembly,
// with the replay view of `kinemo-host run --html` (replay.js) for each run.
// `#scene=BASE64URL&frame=N` opens a scene at a frame, paused.
'use strict';

const FILE_NAME = 'scene.kscene';
const DEBOUNCE_MS = 400;

function base64UrlOfText(text) {
  const bytes = new TextEncoder().encode(text);
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function textOfBase64Url(code) {
  const binary = atob(code.replace(/-/g, '+').replace(/_/g, '/'));
  const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
  return new TextDecoder('utf-8', { fatal: true }).decode(bytes);
}

function sceneFromHash() {
  const match = /(?:^#|&)scene=([A-Za-z0-9_-]*)/.exec(location.hash);
  if (!match) return null;
  try { return textOfBase64Url(match[1]); } catch (e) { reportError('the link\'s scene is not base64url UTF-8'); return null; }
}

// The module: kinemoPlay runs a scene and keeps what `run` writes for kinemoOutput.
function moduleApi(kinemo) {
  const withText = (text, f) => {
    const size = kinemo.lengthBytesUTF8(text) + 1, at = kinemo._malloc(size);
    kinemo.stringToUTF8(text, at, size);
    try { return f(at); } finally { kinemo._free(at); }
  };
  const output = (i) => kinemo.UTF8ToString(kinemo._kinemoOutput(i));
  return {
    // wanted: 1 trace CSV, 2 SVG, 4 replay page, made besides the results and the replay's data.
    play(text, wanted = 0) {
      const status = withText(text, (t) => withText(FILE_NAME, (n) => kinemo._kinemoPlay(t, n, wanted)));
      return { status, results: output(0), errors: output(1), trace: output(2), svg: output(3), page: output(4),
               scene: output(5), traceData: output(6), markup: output(7) };
    },
    descriptors() { return JSON.parse(kinemo.UTF8ToString(kinemo._kinemoDescriptors())); },
  };
}

// ---- Completion from the module's own event descriptions ----

const FAMILY_WORDS = { action: 'action', condition: 'condition', expression: 'expression' };

// What an event's text looks like with its parameters shown by kind.
function completionsOf(descriptors, objects) {
  const out = {};
  for (const family of Object.keys(FAMILY_WORDS)) {
    out[family] = (descriptors[family] || []).map((d) => {
      const sample = (p) => (p.kind === 'object' ? objects[0] || 'OBJECT' : '0');
      let text;
      if (family === 'expression') text = d.display + d.params.map(sample).join(', ') + ')';
      else text = d.display.replace(/%(\d)/g, (m, i) => (d.params[i] ? sample(d.params[i]) : m));
      const hint = d.params.map((p) => p.kind + (p.unit && p.unit !== '\u2014' ? ' (' + p.unit + ')' : '')).join(', ');
      return { text, display: d.display, hint, title: d.params.length ? d.params[0].title : '' };
    });
  }
  return out;
}

function declaredObjects(text) {
  return [...text.matchAll(/^\s*object\s+(\S+)/gm)].map((m) => m[1]);
}

// ---- The page ----

async function startPlayground() {
  const editor = document.getElementById('scene-text');
  const gutter = document.getElementById('gutter');
  const errorList = document.getElementById('scene-errors');
  const resultsText = document.getElementById('results-text');
  const replayBox = document.getElementById('replay');
  const status = document.getElementById('status');
  const menu = document.getElementById('examples');
  const popup = document.getElementById('completions');
  const examples = JSON.parse(document.getElementById('examples-data').textContent);

  for (const e of examples) menu.add(new Option(e.name, e.name));
  const wasm = decodeBase64(document.getElementById('wasm').textContent);
  const kinemo = moduleApi(await KinemoWasm({ wasmBinary: wasm, print: () => {}, printErr: () => {} }));
  const descriptors = kinemo.descriptors();

  let player = null, last = null, lastText = '', timer = 0, errorLines = new Map();

  const drawGutter = () => {
    const lines = editor.value.split('\n').length;
    let html = '';
    for (let i = 1; i <= lines; ++i) {
      const message = errorLines.get(i);
      html += message ? '<span class="error" title="' + escapeHtml(message) + '">' + i + '</span>' : '<span>' + i + '</span>';
    }
    gutter.innerHTML = html;
    gutter.scrollTop = editor.scrollTop;
  };

  const goToLine = (line) => {
    const lines = editor.value.split('\n');
    const at = lines.slice(0, line - 1).reduce((n, l) => n + l.length + 1, 0);
    editor.focus();
    editor.setSelectionRange(at, at + (lines[line - 1] || '').length);
  };

  const setDownloads = (enabled) => {
    for (const id of ['download-csv', 'download-svg', 'download-html']) document.getElementById(id).disabled = !enabled;
  };

  const run = () => {
    clearTimeout(timer);
    const text = editor.value;
    try { history.replaceState(null, '', '#scene=' + base64UrlOfText(text) + (/(?:^#|&)frame=\d+/.exec(location.hash) || [''])[0].replace(/^#/, '&')); } catch (e) { /* file: pages may refuse */ }
    const started = performance.now();
    last = kinemo.play(text);
    lastText = text;
    const took = performance.now() - started;
    errorLines = new Map();
    errorList.innerHTML = '';
    const prefix = FILE_NAME + ':';
    for (const line of last.errors.split('\n').filter(Boolean)) {
      const match = line.startsWith(prefix) ? /^(\d+): /.exec(line.slice(prefix.length)) : null;
      const li = document.createElement('li');
      li.textContent = line;
      if (match) {
        const n = Number(match[1]);
        li.dataset.line = n;
        li.addEventListener('click', () => goToLine(n));
        if (!errorLines.has(n)) errorLines.set(n, line);
      }
      errorList.appendChild(li);
    }
    drawGutter();
    if (player) player.destroy();
    player = null;
    if (last.status !== 0) {
      replayBox.innerHTML = '';
      resultsText.textContent = '';
      setDownloads(false);
      status.textContent = last.status === 2 ? 'the scene has errors' : 'the run failed';
      document.body.dataset.state = 'error';
      return;
    }
    resultsText.textContent = last.results;
    replayBox.innerHTML = last.markup;
    player = startReplay(JSON.parse(last.scene), last.traceData);
    setDownloads(true);
    const scene = JSON.parse(last.scene);
    status.textContent = scene.frames + ' frames in ' + Math.round(took) + ' ms';
    document.body.dataset.state = 'ran';
    document.body.dataset.runMs = took.toFixed(1);
  };

  const schedule = () => {
    clearTimeout(timer);
    if (document.getElementById('live').checked) timer = setTimeout(run, DEBOUNCE_MS);
  };

  // Completion: after "action K ", "condition K " or "expression K ", the
  // module's display strings that match what is typed so far.
  let choices = [], selected = 0;
  const currentLine = () => {
    const caret = editor.selectionStart, start = editor.value.lastIndexOf('\n', caret - 1) + 1;
    return { start, caret, text: editor.value.slice(start, caret) };
  };
  const closePopup = () => { popup.hidden = true; choices = []; };
  const showChoices = () => {
    popup.innerHTML = '';
    choices.forEach((c, i) => {
      const li = document.createElement('li');
      li.className = i === selected ? 'selected' : '';
      li.textContent = c.text;
      const small = document.createElement('small');
      small.textContent = c.hint;
      li.appendChild(small);
      li.title = c.title;
      li.addEventListener('mousedown', (e) => { e.preventDefault(); accept(i); });
      popup.appendChild(li);
    });
    popup.hidden = choices.length === 0;
  };
  const complete = () => {
    const line = currentLine();
    const match = /^\s*(action|condition|expression)\s+(\S+)\s+(.*)$/.exec(line.text);
    if (!match || editor.selectionStart !== editor.selectionEnd) return closePopup();
    const typed = match[3].toLowerCase().replace(/\u00b0/g, '');
    const all = completionsOf(descriptors, declaredObjects(editor.value))[match[1]];
    const fold = (t) => t.toLowerCase().replace(/\u00b0/g, '');
    choices = all.filter((c) => fold(c.display).startsWith(typed) || (typed.length > 1 && fold(c.display).includes(typed)));
    if (choices.length === 1 && fold(choices[0].text) === typed) choices = [];
    selected = 0;
    showChoices();
  };
  const accept = (i) => {
    const c = choices[i], line = currentLine();
    const match = /^(\s*(?:action|condition|expression)\s+\S+\s+)/.exec(line.text);
    const end = editor.value.indexOf('\n', line.caret);
    const lineEnd = end < 0 ? editor.value.length : end;
    editor.setRangeText(match[1] + c.text, line.start, lineEnd, 'end');
    closePopup();
    drawGutter();
    schedule();
  };

  editor.addEventListener('input', () => { drawGutter(); complete(); schedule(); });
  editor.addEventListener('scroll', () => { gutter.scrollTop = editor.scrollTop; });
  editor.addEventListener('blur', () => setTimeout(closePopup, 100));
  editor.addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && (e.ctrlKey || e.metaKey)) { e.preventDefault(); run(); return; }
    if (popup.hidden) return;
    if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
      e.preventDefault();
      selected = (selected + (e.key === 'ArrowDown' ? 1 : choices.length - 1)) % choices.length;
      showChoices();
    } else if (e.key === 'Tab' || e.key === 'Enter') {
      e.preventDefault();
      accept(selected);
    } else if (e.key === 'Escape') {
      closePopup();
    }
  });
  document.getElementById('run').addEventListener('click', run);
  menu.addEventListener('change', () => {
    const example = examples.find((e) => e.name === menu.value);
    if (!example) return;
    editor.value = example.text;
    try { history.replaceState(null, '', '#'); } catch (e) { /* file: pages may refuse */ }
    run();
  });

  const download = (name, type, text) => {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([text], { type }));
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
  };
  // Made on demand: the run is played again for them (the same bits every time).
  const made = (wanted, key) => kinemo.play(lastText, wanted)[key];
  document.getElementById('download-csv').addEventListener('click', () => last && download('trace.csv', 'text/csv', made(1, 'trace')));
  document.getElementById('download-svg').addEventListener('click', () => last && download('scene.svg', 'image/svg+xml', made(2, 'svg')));
  document.getElementById('download-html').addEventListener('click', () => last && download('replay.html', 'text/html', made(4, 'page')));

  const linked = sceneFromHash();
  editor.value = linked ?? (examples[0] ? examples[0].text : '');
  if (linked === null && examples[0]) menu.value = examples[0].name;
  drawGutter();
  run();
}

startPlayground().catch((e) => reportError('error: ' + (e && e.message ? e.message : e)));
