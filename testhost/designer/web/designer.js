// The designer page: the script editor, its statuses, the field tips and
// forms, and the charts the server's engine draws. No libraries.
'use strict';

const $ = (id) => document.getElementById(id);
const source = $('source');
const highlight = $('highlight');
const gutter = $('gutter');
const statusColumn = $('status');
const form = $('line-form');
const tip = $('tip');
const chartImage = $('chart-image');
const DEBOUNCE_MS = 200;
// The session token of the address the designer printed: every API call
// carries it. It is taken out of the address bar, so that it is not shown
// or kept in the history.
const TOKEN = new URLSearchParams(location.search).get('token') || sessionStorage.getItem('designer-token') || '';
if (TOKEN) {
  sessionStorage.setItem('designer-token', TOKEN);
  history.replaceState(null, '', location.pathname);
}
const api = (path, options = {}) =>
  fetch(path, { ...options, headers: { ...(options.headers || {}), Authorization: `token ${TOKEN}` } });

const state = {
  actions: new Map(),  // name -> { name, id, title, fields }
  result: null,        // the last run's answer
  lines: new Map(),    // line number -> its entry in the result
  charts: [],          // [{ id, png }]
  files: [],           // [{ name, type, data } | { name, note }]: what the script wrote
  selectedChart: null, // a chart's ID, or the name of a file
  formats: ['png', 'svg', 'rmc'],
  complete: { items: [], index: 0, line: 0 },
  timer: 0,
  sequence: 0,
  inputAt: 0,          // performance.now() of the keystroke the next run answers
  formLine: 0,
};
// Keystroke-to-chart times of this page, for tests and measurements.
window.designerTimings = [];

function escapeHtml(text) {
  return text.replace(/[&<>"]/g, (c) => ({ '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' })[c]);
}

// A script line as the test host reads it: kind, action name, and where its
// parameter text starts (-1 when it has none, or is quoted).
function parseLine(line) {
  const stripped = line.replace(/\r$/, '');
  const first = stripped.search(/[^ \t]/);
  if (first < 0) return { kind: 'blank' };
  if (stripped[first] === '#') return { kind: 'comment' };
  let end = first;
  while (end < stripped.length && stripped[end] !== ' ' && stripped[end] !== '\t') end++;
  const word = stripped.slice(first, end);
  const textStart = end < stripped.length ? end + 1 : stripped.length;
  if (word.startsWith('!')) return { kind: 'directive', word, first, end };
  const quoted = stripped[textStart] === '"';
  return { kind: 'action', name: word, first, end, textStart: quoted ? -1 : textStart, quoted };
}

// The fields of a parameter text with their offsets in the line.
function splitFields(line, textStart) {
  const fields = [];
  let start = textStart;
  for (let i = textStart; i <= line.length; i++) {
    if (i === line.length || line[i] === '|') {
      fields.push({ text: line.slice(start, i), start, end: i });
      start = i + 1;
    }
  }
  return fields;
}

// A Windows colour number (&HBBGGRR) as the colour it names, or null.
function windowsColour(text) {
  const match = /^\s*&H([0-9A-Fa-f]{1,6})\s*$/.exec(text);
  if (!match) return null;
  const value = parseInt(match[1], 16);
  const hex = (n) => n.toString(16).padStart(2, '0');
  return `#${hex(value & 255)}${hex((value >> 8) & 255)}${hex((value >> 16) & 255)}`;
}

function highlightLine(line) {
  const parsed = parseLine(line);
  if (parsed.kind === 'blank') return escapeHtml(line);
  if (parsed.kind === 'comment') return `<span class="comment">${escapeHtml(line)}</span>`;
  const head = escapeHtml(line.slice(0, parsed.first));
  const word = escapeHtml(line.slice(parsed.first, parsed.end));
  if (parsed.kind === 'directive') {
    return `${head}<span class="directive">${word}</span>${escapeHtml(line.slice(parsed.end))}`;
  }
  const known = state.actions.has(parsed.name);
  let out = `${head}<span class="${known ? 'action' : 'unknown'}">${word}</span>`;
  if (parsed.textStart < 0) return out + escapeHtml(line.slice(parsed.end));
  out += escapeHtml(line.slice(parsed.end, parsed.textStart));
  const fields = known ? state.actions.get(parsed.name).fields : [];
  splitFields(line, parsed.textStart).forEach((field, i) => {
    if (i > 0) out += '<span class="bar">|</span>';
    let html = escapeHtml(field.text).replace(/\[[^\]]*\]/g, (v) => `<span class="var">${v}</span>`);
    const kind = fields[i] ? fields[i].kind : '';
    // Colours as the plug-in reads them: "#RRGGBB" in a colour field, a
    // Windows colour number (&HBBGGRR) where one is wanted.
    if (kind === 'colour' && /^.[0-9A-Fa-f]{6}$/.test(field.text)) {
      html = `<span class="colour" style="--swatch:#${field.text.slice(1, 7)}">${html}</span>`;
    } else if (kind === 'wincolour' && windowsColour(field.text)) {
      html = `<span class="colour" style="--swatch:${windowsColour(field.text)}">${html}</span>`;
    } else if (kind === 'wincolour' && field.text.trim().startsWith('#')) {
      html = `<span class="suspect" title="a Windows colour number (&amp;HBBGGRR) is wanted here">${html}</span>`;
    }
    out += `<span class="f${i % 2}">${html}</span>`;
  });
  return out;
}

function lineStatus(number) {
  const entry = state.lines.get(number);
  if (!entry) return { cls: '', text: '', parts: [] };
  const warnings = (entry.warnings || []).map((w) => `warning: ${w.text}`);
  const only = (cls, text) => ({ cls, text: [text, ...warnings].join(' | '), parts: [text, ...warnings] });
  if (entry.error) return only('fail', entry.error);
  if (entry.notRun) return only('fail', entry.notRun);
  if (entry.echo !== undefined) return only('info', entry.echo);
  const statuses = entry.statuses || [];
  const bad = statuses.filter((s) => s.value !== 'Ok');
  let text = statuses.length === 0 ? 'ran' : bad.length === 0 ? 'Ok' : bad.map((s) => s.value).join('; ');
  if (entry.reason) text += ` (reason: ${entry.reason})`;
  if (entry.deleted !== undefined) text += ` - chart ${entry.deleted} was deleted`;
  if (warnings.length) text += ` ${warnings.length > 1 ? `${warnings.length} warnings` : ''}`;
  if (entry.files && entry.files.length) text += ` - wrote ${entry.files.join(', ')}`;
  const cls = bad.length ? 'fail' : warnings.length ? 'warn' : 'ok';
  return { cls, text: [text.trim(), ...warnings].join(' | '), parts: [text.trim(), ...warnings] };
}

function renderEditor() {
  const lines = source.value.split('\n');
  // One block per line, wrapped as the text area wraps it; the gutter and
  // the status column take each line's height.
  highlight.innerHTML = lines.map((line) => `<div class="ln">${highlightLine(line)}</div>`).join('');
  source.style.height = '0px';
  source.style.height = `${Math.max(source.scrollHeight, highlight.scrollHeight)}px`;
  const heights = [...highlight.children].map((row) => row.getBoundingClientRect().height);
  gutter.innerHTML = lines.map((_, i) => `<div style="height:${heights[i]}px">${i + 1}</div>`).join('');
  statusColumn.innerHTML = lines.map((_, i) => {
    const { cls, text } = lineStatus(i + 1);
    return `<div class="${cls}" data-line="${i + 1}" style="height:${heights[i]}px" title="${escapeHtml(text)}">${escapeHtml(text)}</div>`;
  }).join('');
  renderLineDetail();
}

// The full status of the caret's line, and a hint of the field at the caret.
function renderLineDetail() {
  const number = caretLine();
  const { cls, parts } = lineStatus(number);
  const detail = $('line-status');
  detail.className = cls;
  detail.innerHTML = parts.length
    ? `<b>Line ${number}:</b> ${parts.map((p) => `<div>${escapeHtml(p)}</div>`).join('')}`
    : '';
  $('field-hint').textContent = fieldHint();
}

// "ae_Graph_AddBarSeries, field 7 of 12: Color (colour), Bar colour. Next: IsHorizontal."
function fieldHint() {
  const lineStart = source.value.lastIndexOf('\n', source.selectionStart - 1) + 1;
  const lineEnd = source.value.indexOf('\n', source.selectionStart);
  const line = source.value.slice(lineStart, lineEnd < 0 ? undefined : lineEnd);
  const offset = source.selectionStart - lineStart;
  const parsed = parseLine(line);
  const action = parsed.kind === 'action' && state.actions.get(parsed.name);
  if (!action) return '';
  if (offset <= parsed.end || parsed.textStart < 0) {
    return `${action.name}: ${action.title.trim()}. Fields: ${action.fields.map((f) => f.name).join('|') || 'none'}`;
  }
  const index = splitFields(line, parsed.textStart).findIndex((f) => offset <= f.end);
  const field = action.fields[index];
  if (!field) return `${action.name} takes ${action.fields.length} fields; field ${index + 1} is ignored`;
  const kind = field.kind === 'text' ? `text of at most ${field.size} characters` : field.kind;
  const next = action.fields[index + 1];
  return `${action.name}, field ${index + 1} of ${action.fields.length}: ${field.name} (${kind}). ` +
    `${field.meaning}${next ? ` Next: ${next.name}.` : ''}`;
}

// The tabs: each chart drawn with ae_Graph_Draw, then each image file the
// script wrote; files not shown get a note.
function views() {
  return [
    ...state.charts.map((c) => ({ key: c.id, label: `Chart ${c.id}`, src: `data:image/png;base64,${c.png}`, chart: c.id })),
    ...state.files.filter((f) => f.data).map((f) => ({ key: f.name, label: f.name, src: `data:${f.type};base64,${f.data}`, file: f })),
  ];
}

function renderCharts() {
  const tabs = $('tabs');
  tabs.innerHTML = '';
  const all = views();
  if (!all.some((v) => v.key === state.selectedChart)) {
    state.selectedChart = all.length ? all[0].key : null;
  }
  for (const view of all) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = view.label;
    if (view.chart !== undefined) button.dataset.chart = view.chart; else button.dataset.file = view.key;
    if (view.key === state.selectedChart) button.className = 'selected';
    button.addEventListener('click', () => { state.selectedChart = view.key; renderCharts(); });
    tabs.appendChild(button);
  }
  $('file-notes').innerHTML = state.files.filter((f) => f.note)
    .map((f) => `<div>${escapeHtml(f.note)}</div>`).join('');
  const view = all.find((v) => v.key === state.selectedChart);
  const isFile = view && view.file;
  for (const format of ['png', 'svg', 'rmc']) {
    $(`download-${format}`).hidden = !state.formats.includes(format) || Boolean(isFile);
  }
  $('download-file').hidden = !isFile;
  if (!view) {
    chartImage.removeAttribute('src');
    chartImage.dataset.chart = '';
    chartImage.dataset.file = '';
    return Promise.resolve();
  }
  chartImage.src = view.src;
  chartImage.dataset.chart = view.chart !== undefined ? view.chart : '';
  chartImage.dataset.file = isFile ? view.key : '';
  return chartImage.decode().catch(() => {});
}

async function post(path, body) {
  return api(path, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
}

async function run() {
  const sequence = ++state.sequence;
  const inputAt = state.inputAt;
  const script = source.value;
  const startedAt = performance.now();
  let answer;
  try {
    answer = await (await post('/api/run', { script })).json();
  } catch (error) {
    answer = { error: String(error) };
  }
  if (sequence !== state.sequence) return;  // a later run is on its way
  const answeredAt = performance.now();
  state.result = answer;
  state.lines = new Map((answer.lines || []).map((l) => [l.line, l]));
  state.charts = answer.charts || [];
  state.files = answer.files || [];
  renderEditor();
  await renderCharts();
  if (sequence !== state.sequence) return;
  const total = performance.now() - inputAt;
  window.designerTimings.push({
    keystrokeToChart: total, waited: startedAt - inputAt, request: answeredAt - startedAt,
    drawn: performance.now() - answeredAt, server: answer.ms || 0,
  });
  const plural = (n, one, many) => `${n} ${n === 1 ? one : many}`;
  const shown = state.files.filter((f) => f.data).length;
  $('run-info').textContent = answer.error
    ? `The script did not run: ${answer.error}`
    : `${plural(state.charts.length, 'chart', 'charts')} drawn, ` +
      `${plural(state.files.length, 'file', 'files')} written (${shown} shown); ` +
      `redrawn ${Math.round(total)} ms after the last keystroke ` +
      `(the run itself ${Math.round(answer.ms || 0)} ms, after ${DEBOUNCE_MS} ms without typing)`;
  document.body.dataset.runs = String(sequence);
  if (state.formLine) buildForm(state.formLine, false);
}

function scheduleRun() {
  state.inputAt = performance.now();
  clearTimeout(state.timer);
  state.timer = setTimeout(run, DEBOUNCE_MS);
}

// --- Field tips ------------------------------------------------------------

// The text nodes of a line's block with the offset each starts at.
function textNodes(row) {
  const nodes = [];
  const walker = document.createTreeWalker(row, NodeFilter.SHOW_TEXT);
  let offset = 0;
  for (let node = walker.nextNode(); node; node = walker.nextNode()) {
    nodes.push({ node, offset });
    offset += node.length;
  }
  return nodes;
}

// The box of character `offset` of line `number` (from 1), as drawn.
function charBox(number, offset) {
  const row = highlight.children[number - 1];
  if (!row) return null;
  const nodes = textNodes(row);
  for (let i = nodes.length - 1; i >= 0; i--) {
    if (offset < nodes[i].offset) continue;
    const local = offset - nodes[i].offset;
    if (local >= nodes[i].node.length) return null;
    const range = document.createRange();
    range.setStart(nodes[i].node, local);
    range.setEnd(nodes[i].node, local + 1);
    const rects = range.getClientRects();
    return rects.length ? rects[rects.length - 1] : range.getBoundingClientRect();
  }
  return null;
}
window.designerCharBox = charBox;

// Line and character under the pointer, wrapped lines included.
function positionAt(event) {
  const rows = [...highlight.children];
  const index = rows.findIndex((row) => {
    const box = row.getBoundingClientRect();
    return event.clientY >= box.top && event.clientY < box.bottom;
  });
  if (index < 0) return null;
  const line = source.value.split('\n')[index];
  // The first character not before the pointer, in reading order.
  let low = 0;
  let high = line.length;
  const before = (k) => {
    const box = charBox(index + 1, k);
    if (!box) return false;
    return box.bottom <= event.clientY || (box.top <= event.clientY && box.right <= event.clientX);
  };
  while (low < high) {
    const mid = (low + high) >> 1;
    if (before(mid)) low = mid + 1; else high = mid;
  }
  const box = charBox(index + 1, low);
  if (!box || event.clientX < box.left || event.clientY < box.top) return null;
  return { number: index + 1, line, offset: low };
}

function describeValue(field, value) {
  if (value === undefined) return '';
  if (field.kind === 'colour') {
    return `<span class="swatch" style="background:${value}"></span>${value}`;
  }
  if (field.kind === 'wincolour') {
    const choice = field.choices.find((c) => Number(c.value) === value.number);
    if (choice) return `${value.number} - ${escapeHtml(choice.meaning)}`;
    return `<span class="swatch" style="background:${value.colour}"></span>${value.number} (${value.colour})`;
  }
  let text = escapeHtml(String(value));
  if (field.kind === 'values' || field.kind === 'colours') text = `${text} item(s)`;
  const choice = field.choices.find((c) => Number(c.value) === value);
  if (choice) text += ` - ${escapeHtml(choice.meaning)}`;
  return text;
}

function showTip(event) {
  const at = positionAt(event);
  const parsed = at && parseLine(at.line);
  const action = parsed && parsed.kind === 'action' && state.actions.get(parsed.name);
  if (!action) { tip.hidden = true; return; }
  let html;
  if (at.offset < parsed.end) {
    html = `<div class="name">${escapeHtml(action.name)}</div><div>${escapeHtml(action.title)}</div>` +
      `<div>${escapeHtml(action.fields.map((f) => f.name).join('|'))}</div>`;
  } else {
    if (parsed.textStart < 0 || at.offset < parsed.textStart) { tip.hidden = true; return; }
    const index = splitFields(at.line, parsed.textStart).findIndex((f) => at.offset <= f.end);
    const field = action.fields[index];
    if (!field) {
      html = `<div class="name">field ${index + 1}</div><div>${escapeHtml(action.name)} takes ${action.fields.length} fields; this one is ignored.</div>`;
    } else {
      const entry = state.lines.get(at.number);
      const value = entry && entry.fields ? entry.fields[index] : undefined;
      const kind = field.kind === 'text' ? `text (${field.size})` : field.kind;
      html = `<div><span class="name">${escapeHtml(field.name)}</span> - field ${index + 1}, ${escapeHtml(kind)}</div>` +
        `<div>${escapeHtml(field.meaning)}</div>` +
        (value !== undefined ? `<div>The plug-in reads: ${describeValue(field, value)}</div>` : '');
    }
  }
  tip.innerHTML = html;
  tip.hidden = false;
  tip.style.left = `${event.clientX + 14}px`;
  tip.style.top = `${event.clientY + 16}px`;
}

// --- The form of a line ----------------------------------------------------

function caretLine() {
  return source.value.slice(0, source.selectionStart).split('\n').length;
}

function replaceLine(number, text) {
  const lines = source.value.split('\n');
  lines[number - 1] = text;
  const caret = source.selectionStart;
  source.value = lines.join('\n');
  source.selectionStart = source.selectionEnd = Math.min(caret, source.value.length);
  renderEditor();
  scheduleRun();
}

function toHexColour(text) {
  // The plug-in reads characters 2-7 of a colour as RRGGBB.
  const digits = text.slice(1, 7);
  return /^[0-9A-Fa-f]{6}$/.test(digits) ? `#${digits.toLowerCase()}` : '#000000';
}

function buildForm(number, rebuild = true) {
  const line = source.value.split('\n')[number - 1];
  const parsed = line === undefined ? null : parseLine(line);
  const action = parsed && parsed.kind === 'action' && state.actions.get(parsed.name);
  if (!action || parsed.textStart < 0 || action.fields.length === 0) {
    form.hidden = true;
    state.formLine = 0;
    return;
  }
  const { cls, text } = lineStatus(number);
  if (!rebuild && state.formLine === number && form.contains(document.activeElement)) {
    const detail = form.querySelector('.detail');
    if (detail) { detail.textContent = text; detail.className = `detail ${cls}`; }
    return;
  }
  state.formLine = number;
  form.hidden = false;
  form.innerHTML = '';
  const title = document.createElement('h3');
  title.textContent = `Line ${number}: ${action.name}`;
  form.appendChild(title);
  const detail = document.createElement('div');
  detail.className = `detail ${cls}`;
  detail.textContent = text;
  form.appendChild(detail);
  const values = splitFields(line, parsed.textStart).map((f) => f.text);
  const head = line.slice(0, parsed.textStart);
  const write = () => {
    const fields = [...form.querySelectorAll('[data-field]')].map((input) => input.value);
    while (fields.length > values.length && fields[fields.length - 1] === '') fields.pop();
    replaceLine(number, head + fields.concat(values.slice(fields.length)).join('|'));
  };
  action.fields.forEach((field, i) => {
    const label = document.createElement('label');
    label.textContent = field.name;
    label.title = field.meaning;
    label.htmlFor = `field-${i}`;
    const cell = document.createElement('div');
    cell.className = 'input';
    let input;
    const value = values[i] ?? '';
    if (field.choices.length && field.kind !== 'wincolour') {
      input = document.createElement('select');
      const known = field.choices.some((c) => c.value === value);
      for (const choice of known ? field.choices : [{ value, meaning: '(as written)' }, ...field.choices]) {
        const option = document.createElement('option');
        option.value = choice.value;
        option.textContent = `${choice.value} - ${choice.meaning}`;
        input.appendChild(option);
      }
      input.value = value;
    } else {
      input = document.createElement('input');
      input.type = 'text';
      input.value = value;
    }
    input.id = `field-${i}`;
    input.dataset.field = String(i);
    input.title = `${field.name}: ${field.meaning}`;
    input.addEventListener('input', write);
    cell.appendChild(input);
    if (field.kind === 'colour') {
      const picker = document.createElement('input');
      picker.type = 'color';
      picker.value = toHexColour(value);
      picker.dataset.colourFor = String(i);
      picker.title = `${field.name}: pick a colour`;
      picker.addEventListener('input', () => {
        input.value = picker.value.toUpperCase();
        write();
      });
      cell.prepend(picker);
    }
    form.appendChild(label);
    form.appendChild(cell);
  });
}

// --- Files -----------------------------------------------------------------

function say(text) { $('message').textContent = text; }

async function loadFiles() {
  const answer = await (await api('/api/files')).json();
  const select = $('files');
  for (const file of answer.files || []) {
    const option = document.createElement('option');
    option.value = option.textContent = file;
    select.appendChild(option);
  }
}

async function openFile(path) {
  const answer = await (await api(`/api/open?path=${encodeURIComponent(path)}`)).json();
  if (answer.error) { say(answer.error); return; }
  source.value = answer.script;
  if (path.toLowerCase().endsWith('.vsc')) $('path').value = path;
  say(`Opened ${path}`);
  renderEditor();
  state.inputAt = performance.now();
  run();
}

async function save() {
  const path = $('path').value.trim();
  if (!path) { say('Name the file to save first'); return; }
  const answer = await (await post('/api/save', { path, script: source.value })).json();
  say(answer.error ? answer.error : `Saved ${answer.saved}`);
}

async function download(format) {
  if (typeof state.selectedChart !== 'number') { say('No chart is drawn yet'); return; }
  const response = await post('/api/export', { script: source.value, chart: state.selectedChart, format });
  if (!response.ok) { say((await response.json()).error); return; }
  const link = document.createElement('a');
  link.href = URL.createObjectURL(await response.blob());
  link.download = `chart${state.selectedChart}.${format}`;
  document.body.appendChild(link);
  link.click();
  link.remove();
  say(`Downloaded ${link.download}`);
}

// --- Completion of action names ------------------------------------------

// The action name being typed at the caret: its line's first word, up to
// the caret.
function wordAtCaret() {
  const caret = source.selectionStart;
  const lineStart = source.value.lastIndexOf('\n', caret - 1) + 1;
  const before = source.value.slice(lineStart, caret);
  const match = /^([ \t]*)([A-Za-z_][A-Za-z0-9_]*)$/.exec(before);
  if (!match) return null;
  return { start: lineStart + match[1].length, end: caret, word: match[2], line: caretLine() };
}

function hideCompletion() {
  $('complete').hidden = true;
  state.complete.items = [];
}

function showCompletion() {
  const at = wordAtCaret();
  const list = $('complete');
  if (!at) { hideCompletion(); return; }
  const word = at.word.toLowerCase();
  const names = [...state.actions.keys()];
  const items = [
    ...names.filter((n) => n.toLowerCase().startsWith(word)),
    ...names.filter((n) => !n.toLowerCase().startsWith(word) && n.toLowerCase().includes(word)),
  ].filter((n) => n !== at.word);
  if (!items.length) { hideCompletion(); return; }
  state.complete = { items, index: 0, at };
  list.innerHTML = items.map((name, i) => {
    const action = state.actions.get(name);
    return `<li data-index="${i}"${i === 0 ? ' class="selected"' : ''}><b>${escapeHtml(name)}</b> ` +
      `<span>${escapeHtml(action.fields.map((f) => f.name).join('|'))}</span></li>`;
  }).join('');
  const box = charBox(at.line, Math.max(0, at.start - (source.value.lastIndexOf('\n', at.start - 1) + 1))) ||
    highlight.children[at.line - 1].getBoundingClientRect();
  list.style.left = `${box.left}px`;
  list.style.top = `${box.bottom + 2}px`;
  list.hidden = false;
}

function acceptCompletion(index = state.complete.index) {
  const name = state.complete.items[index];
  const { at } = state.complete;
  if (!name || !at) return;
  source.focus();
  source.setSelectionRange(at.start, at.end);
  document.execCommand('insertText', false, `${name} `);
  hideCompletion();
}

// --- Start -----------------------------------------------------------------

source.addEventListener('input', () => { renderEditor(); scheduleRun(); showCompletion(); });
source.addEventListener('keydown', (event) => {
  const open = !$('complete').hidden;
  if (open && (event.key === 'ArrowDown' || event.key === 'ArrowUp')) {
    event.preventDefault();
    const count = state.complete.items.length;
    state.complete.index = (state.complete.index + (event.key === 'ArrowDown' ? 1 : count - 1)) % count;
    [...$('complete').children].forEach((li, i) => li.classList.toggle('selected', i === state.complete.index));
    return;
  }
  if (open && (event.key === 'Enter' || event.key === 'Tab')) {
    event.preventDefault();
    acceptCompletion();
    return;
  }
  if (open && event.key === 'Escape') { hideCompletion(); return; }
  if (event.key === 'Tab') {  // a TAB is a field character, not a way out
    event.preventDefault();
    document.execCommand('insertText', false, '\t');
  }
});
$('complete').addEventListener('mousedown', (event) => {
  const item = event.target.closest('li');
  if (!item) return;
  event.preventDefault();
  acceptCompletion(Number(item.dataset.index));
});
source.addEventListener('blur', () => setTimeout(hideCompletion, 100));
for (const kind of ['click', 'keyup']) {
  source.addEventListener(kind, renderLineDetail);
}
for (const kind of ['click', 'keyup']) {
  source.addEventListener(kind, () => { const n = caretLine(); if (n !== state.formLine) buildForm(n); });
}
source.addEventListener('mousemove', showTip);
source.addEventListener('mouseleave', () => { tip.hidden = true; });
$('files').addEventListener('change', (event) => { if (event.target.value) openFile(event.target.value); });
$('save').addEventListener('click', save);
for (const format of ['png', 'svg', 'rmc']) {
  $(`download-${format}`).addEventListener('click', () => download(format));
}
$('download-file').addEventListener('click', () => {
  const file = state.files.find((f) => f.name === state.selectedChart);
  if (!file) return;
  const link = document.createElement('a');
  link.href = `data:${file.type};base64,${file.data}`;
  link.download = file.name.split('/').pop();
  document.body.appendChild(link);
  link.click();
  link.remove();
  say(`Downloaded ${link.download}`);
});
window.addEventListener('resize', renderEditor);

(async () => {
  const reference = await (await api('/api/reference')).json();
  for (const action of reference.actions) state.actions.set(action.name, action);
  if (reference.formats) state.formats = reference.formats;
  if (!state.formats.includes('svg')) {
    $('download-svg').title = 'SVG files are written by the native engine only';
  }
  renderCharts();
  renderEditor();
  await loadFiles();
  document.body.dataset.ready = '1';
})();
