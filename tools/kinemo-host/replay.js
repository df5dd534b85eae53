// The replay page: decodes the embedded trace, draws the playfield and plays
// it frame by frame. `#frame=N` opens frame N paused.
'use strict';

// Errors go into the page itself, where a reader (or a headless test) sees them.
function reportError(text) {
  const pre = document.getElementById('errors');
  if (!pre) return;
  pre.hidden = false;
  pre.textContent += text + '\n';
}
window.addEventListener('error', (e) => reportError('error: ' + e.message + (e.lineno ? ' (line ' + e.lineno + ')' : '')));
window.addEventListener('unhandledrejection', (e) => reportError('error: ' + e.reason));

// ---- Floats as the tool prints them ----
// The shortest digits that read back to the same float32, written fixed or
// with an exponent, whichever is shorter (fixed on a tie); integers written
// fixed are exact. JS's own Number formatting works on doubles, so it gives
// the wrong digits for float32 values: this works on the bits exactly.

const bitsView = new DataView(new ArrayBuffer(4));
function floatOfBits(bits) {
  bitsView.setUint32(0, bits);
  return bitsView.getFloat32(0);
}

function pow10(n) { return 10n ** BigInt(n); }

// { digits, exponent } with value = d.ddd × 10^exponent, for finite positive floats.
function shortestDigits(bits) {
  const field = (bits >>> 23) & 0xff, fraction = bits & 0x7fffff;
  const m = field === 0 ? fraction : fraction + 0x800000;
  const shift = (field === 0 ? 1 : field) - 150 - 2;  // everything below counts units of 2^shift
  const v = BigInt(m) * 4n;
  const lo = v - (fraction === 0 && field > 1 ? 1n : 2n), hi = v + 2n;
  const inclusive = m % 2 === 0;  // the reader rounds ties to even
  let x = Math.floor(Math.log10(floatOfBits(bits)));
  // Value / 10^q as the ratio (v·a) / b, with a and b integers.
  const scale = (q) => [2n ** BigInt(Math.max(shift, 0)) * pow10(Math.max(-q, 0)),
                        2n ** BigInt(Math.max(-shift, 0)) * pow10(Math.max(q, 0))];
  for (;;) {  // the logarithm of a float can be off by one at a power of ten
    const [a, b] = scale(x);
    const lead = (v * a) / b;
    if (lead >= 10n) x += 1; else if (lead < 1n) x -= 1; else break;
  }
  for (let p = 1; ; ++p) {
    const [a, b] = scale(x - p + 1);
    const floor = (v * a) / b;
    let best = null, bestDistance = 0n;
    for (const c of [floor, floor + 1n]) {
      const low = c * b - lo * a, high = hi * a - c * b;
      if (inclusive ? low < 0n || high < 0n : low <= 0n || high <= 0n) continue;
      const d = c * b > v * a ? c * b - v * a : v * a - c * b;
      if (best === null || d < bestDistance || (d === bestDistance && c % 2n === 0n)) {
        best = c;
        bestDistance = d;
      }
    }
    if (best !== null) {
      const text = best.toString();
      return { digits: text.replace(/0+$/, '') || '0', exponent: x + text.length - p };
    }
  }
}

function formatFloatBits(bits) {
  bits >>>= 0;
  const sign = bits >>> 31 ? '-' : '';
  const magnitude = bits & 0x7fffffff;
  if (magnitude >= 0x7f800000) return magnitude > 0x7f800000 ? 'nan' : sign + 'inf';
  if (magnitude === 0) return sign + '0';
  const { digits, exponent } = shortestDigits(magnitude);
  const n = digits.length, e = Math.abs(exponent);
  const scientific = digits[0] + (n > 1 ? '.' + digits.slice(1) : '') +
                     'e' + (exponent < 0 ? '-' : '+') + (e < 10 ? '0' : '') + e;
  let fixed;
  if (exponent < 0) fixed = '0.' + '0'.repeat(-exponent - 1) + digits;
  else if (n > exponent + 1) fixed = digits.slice(0, exponent + 1) + '.' + digits.slice(exponent + 1);
  else fixed = BigInt(floatOfBits(magnitude)).toString();  // an integer: its exact value
  return sign + (fixed.length <= scientific.length ? fixed : scientific);
}

// ---- The trace ----

// The words of each trace row as the page's data names them: [name, 'float' or
// 'int', unit], in the trace's order after frame and instance, with the target.
let FIELDS = [];
let COLUMN = {};
function useFields(fields) {
  FIELDS = fields;
  COLUMN = Object.fromEntries(FIELDS.map((f, i) => [f[0], i]));
}

function decodeBase64(text) {
  const binary = atob(text.replace(/\s+/g, ''));
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

function byteReader(bytes) {
  let pos = 0;
  const byte = () => {
    if (pos >= bytes.length) throw new Error('the embedded trace ends early');
    return bytes[pos++];
  };
  return {
    byte,
    varint() {
      let value = 0, scale = 1, b;
      do {
        b = byte();
        value += (b & 0x7f) * scale;
        scale *= 128;
      } while (b & 0x80);
      return value;
    },
    u32() { return (byte() | byte() << 8 | byte() << 16 | byte() << 24) >>> 0; },
    done() { return pos === bytes.length; },
  };
}

// One column of 32-bit words: runs of equal values, raw words, or zigzag
// deltas of the words, whichever the writer found shortest.
function readColumn(r, rows) {
  const out = new Uint32Array(rows);
  const kind = r.byte();
  if (kind === 0) {
    const runs = r.varint();
    let i = 0;
    for (let k = 0; k < runs; ++k) {
      const n = r.varint(), value = r.u32();
      if (i + n > rows) throw new Error('a run in the embedded trace is too long');
      out.fill(value, i, i + n);
      i += n;
    }
    if (i !== rows) throw new Error('the runs in the embedded trace are too short');
  } else if (kind === 1) {
    for (let i = 0; i < rows; ++i) out[i] = r.u32();
  } else if (kind === 2) {
    let previous = 0;
    for (let i = 0; i < rows; ++i) {
      const z = r.varint();
      previous = (previous + ((z >>> 1) ^ -(z & 1))) >>> 0;
      out[i] = previous;
    }
  } else {
    throw new Error('unknown column coding ' + kind + ' in the embedded trace');
  }
  return out;
}

function readTrace(scene, bytes) {
  const r = byteReader(bytes);
  const instances = scene.instances.map((inst) => {
    const columns = FIELDS.map(() => readColumn(r, inst.rows));
    const floats = columns.map((c) => new Float32Array(c.buffer));
    const ints = columns.map((c) => new Int32Array(c.buffer));
    return Object.assign({}, inst, { columns, floats, ints });
  });
  if (!r.done()) throw new Error('the embedded trace has bytes left over');
  return instances;
}

// ---- Drawing ----

const SVG = 'http://www.w3.org/2000/svg';
const PALETTE = ['#d62728', '#1f77b4', '#2ca02c', '#9467bd', '#ff7f0e', '#8c564b', '#e377c2', '#17becf'];
const MAX_EXTENT = 32768;  // positions far off the playfield would shrink the rest to nothing
// The view reaches at most this share of the playfield's longer side beyond each
// edge; paths that go further leave the view there, marked.
const MAX_OVERHANG = 0.5;

function svgElement(parent, name, attributes) {
  const e = document.createElementNS(SVG, name);
  for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
  parent.appendChild(e);
  return e;
}

function clampCoordinate(v) { return Number.isFinite(v) ? Math.min(Math.max(v, -MAX_EXTENT), MAX_EXTENT) : 0; }

function gridStep(span) {
  for (const step of [10, 20, 50, 100, 200, 500, 1000, 2000, 5000]) if (span / step <= 12) return step;
  return 10000;
}

function worldBox(scene, instances) {
  const box = { left: 0, top: 0, right: scene.playfield[0], bottom: scene.playfield[1] };
  const include = (x, y) => {
    if (!Number.isFinite(x) || !Number.isFinite(y)) return;
    x = clampCoordinate(x);
    y = clampCoordinate(y);
    box.left = Math.min(box.left, x); box.right = Math.max(box.right, x);
    box.top = Math.min(box.top, y); box.bottom = Math.max(box.bottom, y);
  };
  for (const inst of instances) {
    const xs = inst.floats[COLUMN.x], ys = inst.floats[COLUMN.y], target = inst.ints[COLUMN.target];
    for (let i = 0; i < inst.rows; ++i) if (target[i] >= 0) include(xs[i], ys[i]);
  }
  for (const o of scene.objects) {
    for (const [x, y] of [[o.x, o.y], [o.endX, o.endY]]) {
      include(x - o.hx, y - o.hy);
      include(x - o.hx + o.w, y - o.hy + o.h);
    }
  }
  const overhang = MAX_OVERHANG * Math.max(scene.playfield[0], scene.playfield[1]);
  box.left = Math.max(box.left, -overhang);
  box.top = Math.max(box.top, -overhang);
  box.right = Math.min(box.right, scene.playfield[0] + overhang);
  box.bottom = Math.min(box.bottom, scene.playfield[1] + overhang);
  return box;
}

const insideBox = (box, x, y) => x >= box.left && x <= box.right && y >= box.top && y <= box.bottom;

// Frames at which an instance's path leaves the view, with the point on its edge.
function pathExits(inst, box) {
  const xs = inst.floats[COLUMN.x], ys = inst.floats[COLUMN.y], target = inst.ints[COLUMN.target];
  const exits = [];
  for (let i = 1; i < inst.rows; ++i) {
    if (target[i] < 0 || target[i] !== target[i - 1]) continue;
    const ax = xs[i - 1], ay = ys[i - 1], bx = xs[i], by = ys[i];
    if (!insideBox(box, ax, ay) || insideBox(box, bx, by) || !Number.isFinite(bx) || !Number.isFinite(by)) continue;
    let t = 1;
    const limit = (from, to, edge) => {
      if (to !== from && ((to > edge && from <= edge) || (to < edge && from >= edge))) t = Math.min(t, (edge - from) / (to - from));
    };
    limit(ax, bx, box.left); limit(ax, bx, box.right); limit(ay, by, box.top); limit(ay, by, box.bottom);
    exits.push({ frame: inst.first + i, x: ax + (bx - ax) * t, y: ay + (by - ay) * t });
  }
  return exits;
}

// Path segments of one instance: broken where it wraps, changes target or is unbound.
function pathSegments(inst) {
  const xs = inst.floats[COLUMN.x], ys = inst.floats[COLUMN.y], target = inst.ints[COLUMN.target];
  const wraps = new Set(inst.wraps), starts = new Map(inst.starts.map((s) => [s[0], s]));
  const segments = [];
  let current = null;
  const begin = () => {
    current = { text: '', frames: [], ends: [], shown: -1 };
    segments.push(current);
  };
  const add = (frame, x, y) => {
    current.text += (current.text ? ' ' : '') + clampCoordinate(x).toFixed(2) + ',' + clampCoordinate(y).toFixed(2);
    current.frames.push(frame);
    current.ends.push(current.text.length);
  };
  for (let i = 0; i < inst.rows; ++i) {
    const frame = inst.first + i;
    if (target[i] < 0) { current = null; continue; }
    if (!current || wraps.has(frame) || target[i] !== target[i - 1]) {
      const start = starts.get(frame);
      if (start) {
        begin();
        add(frame - 1, floatOfBits(start[1]), floatOfBits(start[2]));
      }
      if (!start || wraps.has(frame)) begin();  // a wrap on the first step leaves the bind point on its own
    }
    add(frame, xs[i], ys[i]);
  }
  return segments;
}

// Runs of one target: [{ target, from, to }] in rows.
function targetRuns(inst) {
  const target = inst.ints[COLUMN.target], runs = [];
  for (let i = 0; i < inst.rows; ++i) {
    if (target[i] < 0) continue;
    if (runs.length && runs[runs.length - 1].target === target[i] && runs[runs.length - 1].to === i - 1) runs[runs.length - 1].to = i;
    else runs.push({ target: target[i], from: i, to: i });
  }
  return runs;
}

function drawStatic(svg, scene, box, unit) {
  const step = gridStep(Math.max(box.right - box.left, box.bottom - box.top));
  const grid = svgElement(svg, 'g', { stroke: '#e4e4e0', 'vector-effect': 'non-scaling-stroke' });
  const labels = svgElement(svg, 'g', { fill: '#888', 'font-size': 10 * unit });
  for (let gx = Math.ceil(box.left / step) * step; gx <= box.right; gx += step) {
    svgElement(grid, 'line', { x1: gx, y1: box.top, x2: gx, y2: box.bottom, 'vector-effect': 'non-scaling-stroke' });
    svgElement(labels, 'text', { x: gx, y: box.top - 6 * unit, 'text-anchor': 'middle' }).textContent = gx;
  }
  for (let gy = Math.ceil(box.top / step) * step; gy <= box.bottom; gy += step) {
    svgElement(grid, 'line', { x1: box.left, y1: gy, x2: box.right, y2: gy, 'vector-effect': 'non-scaling-stroke' });
    svgElement(labels, 'text', { x: box.left - 4 * unit, y: gy + 3 * unit, 'text-anchor': 'end' }).textContent = gy;
  }
  svgElement(svg, 'rect', {
    x: 0, y: 0, width: scene.playfield[0], height: scene.playfield[1], fill: '#fbfbf6', 'fill-opacity': 0.6,
    stroke: '#333', 'stroke-width': 1.5, 'vector-effect': 'non-scaling-stroke',
  });
}

function buildView(scene, instances) {
  const svg = document.getElementById('playfield');
  const box = worldBox(scene, instances);
  const span = Math.max(box.right - box.left, box.bottom - box.top, 1);
  const unit = span / 720;  // one pixel of a 720-pixel drawing
  const margin = 36 * unit;
  svg.setAttribute('viewBox', [box.left - margin, box.top - margin, box.right - box.left + margin + 12 * unit,
                               box.bottom - box.top + margin + 12 * unit].map((v) => v.toFixed(2)).join(' '));
  drawStatic(svg, scene, box, unit);
  const clip = svgElement(svgElement(svg, 'defs', {}), 'clipPath', { id: 'view' });
  svgElement(clip, 'rect', { x: box.left - 8 * unit, y: box.top - 8 * unit, width: box.right - box.left + 16 * unit,
                             height: box.bottom - box.top + 16 * unit });
  const drawing = svgElement(svg, 'g', { 'clip-path': 'url(#view)' });

  const everTarget = new Set();
  for (const inst of instances) for (const run of inst.runs) everTarget.add(run.target);
  const objects = scene.objects.map((o, index) => {
    const g = svgElement(drawing, 'g', {});
    const rect = svgElement(g, 'rect', { width: Math.max(o.w, unit), height: Math.max(o.h, unit), fill: '#ddd',
                                         stroke: '#999', 'vector-effect': 'non-scaling-stroke' });
    const label = svgElement(g, 'text', { 'font-size': 11 * unit, fill: '#666' });
    label.textContent = o.name;
    return { o, g, rect, label, index, moved: everTarget.has(index) };
  });

  const tracks = instances.map((inst, i) => {
    const color = PALETTE[i % PALETTE.length];
    const g = svgElement(drawing, 'g', {});
    const bounds = svgElement(g, 'rect', { fill: 'none', stroke: color, 'stroke-width': 1.2, 'stroke-dasharray': '6 4',
                                           opacity: 0.8, 'vector-effect': 'non-scaling-stroke' });
    const segments = inst.segments.map((s) => Object.assign(s, {
      line: svgElement(g, 'polyline', { fill: 'none', stroke: color, 'stroke-width': 2, 'stroke-linejoin': 'round',
                                        'stroke-linecap': 'round', 'vector-effect': 'non-scaling-stroke' }),
    }));
    const marks = [];
    const xs = inst.floats[COLUMN.x], ys = inst.floats[COLUMN.y];
    const mark = (frame, attributes) => {
      const row = frame - inst.first;
      const e = svgElement(g, 'circle', Object.assign({ cx: clampCoordinate(xs[row]).toFixed(2),
                                                        cy: clampCoordinate(ys[row]).toFixed(2) }, attributes));
      marks.push({ frame, e, shown: true });
    };
    for (const f of inst.bounces) mark(f, { r: 2.5 * unit, fill: color });
    for (const f of inst.wraps) mark(f, { r: 4 * unit, fill: '#fff', stroke: color, 'stroke-width': 1.5,
                                          'vector-effect': 'non-scaling-stroke' });
    for (const exit of pathExits(inst, box)) {
      const e = svgElement(g, 'path', { d: 'M-5,-5L5,5M-5,5L5,-5', stroke: color, 'stroke-width': 2.5,
                                        'vector-effect': 'non-scaling-stroke', class: 'exit',
                                        transform: 'translate(' + exit.x.toFixed(2) + ',' + exit.y.toFixed(2) + ') scale(' + unit + ')' });
      marks.push({ frame: exit.frame, e, shown: true });
    }
    const start = svgElement(g, 'circle', { r: 5.5 * unit, fill: '#fff', stroke: color, 'stroke-width': 2.5,
                                            'vector-effect': 'non-scaling-stroke' });
    const image = svgElement(g, 'rect', { fill: color, 'fill-opacity': 0.18, stroke: color,
                                          'vector-effect': 'non-scaling-stroke' });
    const hotSpot = svgElement(g, 'rect', { width: 10 * unit, height: 10 * unit, fill: color, stroke: '#fff',
                                            'vector-effect': 'non-scaling-stroke' });
    return { inst, color, bounds, segments, marks, start, image, hotSpot };
  });
  return { objects, tracks, unit, box };
}

// How many of the ascending `frames` are at most `frame`.
function countUpTo(frames, frame) {
  let low = 0, high = frames.length;
  while (low < high) {
    const middle = (low + high) >> 1;
    if (frames[middle] <= frame) low = middle + 1; else high = middle;
  }
  return low;
}

function setShown(e, shown) { e.style.display = shown ? '' : 'none'; }

// Where an object stands at `frame`: where an instance or the host (`place`)
// last put it, else where the scene declared it. The host's place after a
// frame's steps wins over those steps.
function objectPosition(view, instances, places, object, frame) {
  let best = -1, position = [object.o.x, object.o.y];
  for (const [at, index, x, y] of places) {
    if (index !== object.index || at > frame) continue;
    best = at + 0.5;
    position = [x, y];
  }
  for (const inst of instances) {
    for (const run of inst.runs) {
      if (run.target !== object.index || inst.first + run.from > frame) continue;
      const row = Math.min(run.to, frame - inst.first);
      if (inst.first + row > best) {
        best = inst.first + row;
        position = [inst.ints[COLUMN.posX][row], inst.ints[COLUMN.posY][row]];
      }
    }
  }
  return position;
}

// The words of an instance's row at `frame`: a trace row, or before its first
// step its starting fields; null where it has none.
function rowAt(inst, frame) {
  const row = frame - inst.first;
  if (row >= 0 && row < inst.rows) return inst.columns.map((c) => c[row]);
  if (row === -1 && inst.start && inst.start.length === FIELDS.length) return inst.start;
  return null;
}

function drawFrame(view, instances, places, frame) {
  const boundNow = new Set();
  for (const t of view.tracks) {
    const inst = t.inst, w = rowAt(inst, frame);
    const int = (name) => w[COLUMN[name]] | 0;
    const target = w ? int('target') : -1;
    for (const s of t.segments) {
      const count = countUpTo(s.frames, frame);
      if (count === s.shown) continue;
      s.shown = count;
      s.line.setAttribute('points', count > 0 ? s.text.substring(0, s.ends[count - 1]) : '');
    }
    for (const m of t.marks) {
      const shown = m.frame <= frame;
      if (shown !== m.shown) { setShown(m.e, shown); m.shown = shown; }
    }
    const firstStart = t.segments.length && t.segments[0].frames[0] <= frame ? t.segments[0] : null;
    setShown(t.start, firstStart !== null);
    if (firstStart) {
      const [x, y] = firstStart.text.split(' ')[0].split(',');
      t.start.setAttribute('cx', x);
      t.start.setAttribute('cy', y);
    }
    const mode = w ? int('mode') : 0;
    setShown(t.bounds, target >= 0 && (mode === 1 || mode === 2));
    setShown(t.image, target >= 0);
    setShown(t.hotSpot, target >= 0);
    if (target < 0) continue;
    boundNow.add(target);
    const left = int('boundLeft'), top = int('boundTop');
    t.bounds.setAttribute('x', left);
    t.bounds.setAttribute('y', top);
    t.bounds.setAttribute('width', Math.max(0, int('boundRight') - left));
    t.bounds.setAttribute('height', Math.max(0, int('boundBottom') - top));
    const o = view.objects[target].o, px = int('posX'), py = int('posY');
    t.image.setAttribute('x', clampCoordinate(px - o.hx));
    t.image.setAttribute('y', clampCoordinate(py - o.hy));
    t.image.setAttribute('width', Math.max(o.w, view.unit));
    t.image.setAttribute('height', Math.max(o.h, view.unit));
    const x = clampCoordinate(floatOfBits(w[COLUMN.x])), y = clampCoordinate(floatOfBits(w[COLUMN.y]));
    t.hotSpot.setAttribute('x', x - 5 * view.unit);
    t.hotSpot.setAttribute('y', y - 5 * view.unit);
  }
  for (const object of view.objects) {
    setShown(object.g, !boundNow.has(object.index));
    if (boundNow.has(object.index)) continue;
    const [x, y] = objectPosition(view, instances, places, object, frame);
    object.rect.setAttribute('x', clampCoordinate(x - object.o.hx));
    object.rect.setAttribute('y', clampCoordinate(y - object.o.hy));
    object.label.setAttribute('x', clampCoordinate(x - object.o.hx));
    object.label.setAttribute('y', clampCoordinate(y - object.o.hy) - 4 * view.unit);
  }
}

// ---- The field table ----

function cellText(words, field, index) {
  const word = words[index];
  if (field[0] === 'posX' || field[0] === 'posY') return (words[COLUMN.target] | 0) >= 0 ? String(word | 0) : '';
  return field[1] === 'float' ? formatFloatBits(word) : String(word | 0);
}

function fillTable(scene, instances, frame) {
  const rows = new Map(instances.map((inst) => [inst, rowAt(inst, frame)]));
  const present = instances.filter((inst) => rows.get(inst) !== null);
  const table = document.getElementById('fields');
  const head = '<tr><th>field</th><th>unit</th>' + present.map((inst) => {
    const target = rows.get(inst)[COLUMN.target] | 0;
    const what = target >= 0 ? ' \u2192 ' + escapeHtml(scene.objects[target].name) : '';
    return '<th style="color:' + inst.color + '">' + escapeHtml(inst.name) + '<small>' + what + '</small></th>';
  }).join('') + '</tr>';
  const row = (name, unit, values) => '<tr data-column="' + name + '"><th>' + name + '</th><td class="unit">' +
    escapeHtml(unit) + '</td>' + values.map((v) => '<td>' + escapeHtml(v) + '</td>').join('') + '</tr>';
  let body = row('frame', '', present.map(() => String(frame)));
  body += row('instance', '', present.map((inst) => inst.name));
  FIELDS.forEach((field, index) => {
    if (field[0] === 'target') return;  // shown in the heading
    body += row(field[0], field[2], present.map((inst) => cellText(rows.get(inst), field, index)));
  });
  table.innerHTML = '<thead>' + head + '</thead><tbody>' + body + '</tbody>';
  document.getElementById('no-rows').hidden = present.length > 0;
}

function escapeHtml(text) {
  return String(text).replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]);
}

function buildResults(scene, goTo) {
  const list = document.getElementById('results');
  const items = scene.results.map(([frame, text]) => {
    const li = document.createElement('li');
    li.dataset.frame = frame;
    li.textContent = 'frame ' + frame + ': ' + text;
    li.addEventListener('click', () => goTo(frame));
    list.appendChild(li);
    return { frame, li };
  });
  if (!items.length) list.innerHTML = '<li class="note">The scene asks no conditions or expressions and prints no dumps.</li>';
  return items;
}

// ---- The player ----

const SPEEDS = [0.25, 0.5, 1, 2, 4, 8];
const FRAMES_PER_SECOND = 60;

function frameFromHash(last) {
  const match = /(?:^#|&)frame=(-?\d+)/.exec(location.hash);
  return match ? Math.min(Math.max(parseInt(match[1], 10), 0), last) : null;
}

// The fragment with its frame set, other parameters (the playground's scene) kept.
function hashWithFrame(hash, frame) {
  const parts = hash.replace(/^#/, '').split('&').filter((p) => p && !p.startsWith('frame='));
  return '#' + parts.concat('frame=' + frame).join('&');
}

// Plays one run in the page's replay markup: `scene` is the page's data,
// `trace` the packed trace in base64. Gives { destroy() } to replace it by another.
function startReplay(scene, trace) {
  useFields(scene.fields);
  const listening = new AbortController();
  const instances = readTrace(scene, decodeBase64(trace));
  instances.forEach((inst, i) => {
    inst.color = PALETTE[i % PALETTE.length];
    inst.segments = pathSegments(inst);
    inst.runs = targetRuns(inst);
  });
  const last = scene.frames;
  const page = document.querySelector('.page');
  if (page) page.classList.toggle('many', instances.length > 4);
  const view = buildView(scene, instances);
  const scrubber = document.getElementById('scrubber');
  const playButton = document.getElementById('play');
  const places = scene.places || [];
  const speed = document.getElementById('speed');
  const label = document.getElementById('frame');
  scrubber.max = last;
  for (const s of SPEEDS) speed.add(new Option(s + '\u00d7', s, s === 1, s === 1));

  let frame = 0, playing = false, clock = 0, carried = 0;
  let results = [];
  const show = (f) => {
    frame = Math.min(Math.max(f, 0), last);
    scrubber.value = frame;
    label.textContent = 'frame ' + frame + ' of ' + last;
    drawFrame(view, instances, places, frame);
    fillTable(scene, instances, frame);
    for (const r of results) r.li.className = r.frame < frame ? 'past' : r.frame === frame ? 'now' : 'future';
  };
  const remember = () => {
    try { history.replaceState(null, '', hashWithFrame(location.hash, frame)); } catch (e) { /* some file: pages refuse */ }
  };
  const pause = () => {
    playing = false;
    playButton.textContent = '\u25b6 play';
    remember();
  };
  // A timer rather than animation frames: those stop in hidden and headless pages.
  const tick = () => {
    if (!playing) return;
    const now = performance.now();
    carried += (now - clock) / 1000 * FRAMES_PER_SECOND * Number(speed.value);
    clock = now;
    const advance = Math.floor(carried);
    carried -= advance;
    if (advance > 0) show(frame + advance);
    if (frame >= last) pause(); else setTimeout(tick, 1000 / FRAMES_PER_SECOND);
  };
  const play = () => {
    if (frame >= last) show(0);
    playing = true;
    clock = performance.now();
    carried = 0;
    playButton.textContent = '\u275a\u275a pause';
    setTimeout(tick, 1000 / FRAMES_PER_SECOND);
  };
  const goTo = (f) => { pause(); show(f); remember(); };
  results = buildResults(scene, goTo);

  const onClick = (id, action) => document.getElementById(id).addEventListener('click', (e) => {
    action();
    if (e.detail > 0) e.currentTarget.blur();  // after a mouse click, space belongs to the page again
  });
  onClick('play', () => (playing ? pause() : play()));
  onClick('back', () => goTo(frame - 1));
  onClick('forward', () => goTo(frame + 1));
  scrubber.addEventListener('input', () => goTo(Number(scrubber.value)));
  document.addEventListener('keydown', (e) => {
    if (e.target.closest && e.target.closest('textarea, input[type=text]')) return;
    if (e.target === speed || e.altKey || e.ctrlKey || e.metaKey) return;
    if (e.target.tagName === 'BUTTON' && (e.key === ' ' || e.key === 'Enter')) return;  // the button acts
    const keys = { ' ': () => (playing ? pause() : play()), ArrowLeft: () => goTo(frame - 1),
                   ArrowRight: () => goTo(frame + 1), Home: () => goTo(0), End: () => goTo(last) };
    if (!keys[e.key]) return;
    e.preventDefault();
    keys[e.key]();
  }, { signal: listening.signal });
  window.addEventListener('hashchange', () => {
    const f = frameFromHash(last);
    if (f !== null && f !== frame) { pause(); show(f); }
  }, { signal: listening.signal });
  show(frameFromHash(last) ?? 0);
  return {
    destroy() {
      playing = false;
      listening.abort();
    },
  };
}

if (document.getElementById('scene') && document.getElementById('trace')) {
  startReplay(JSON.parse(document.getElementById('scene').textContent), document.getElementById('trace').textContent);
  document.body.dataset.state = 'ran';
}
