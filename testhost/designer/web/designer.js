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
const TAB_COLUMNS = 4;

const state = {
  actions: new Map(),  // name -> { name, id, title, fields }
  result: null,        // the last run's answer
  lines: new Map(),    // line number -> its entry in the result
  charts: [],          // [{ id, png }]
  selectedChart: null,
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
  splitFields(line, parsed.textStart).forEach((field, i) => {
    if (i > 0) out += '<span class="bar">|</span>';
    let html = escapeHtml(field.text).replace(/\[[^\]]*\]/g, (v) => `<span class="var">${v}</span>`);
    const colour = /^#[0-9A-Fa-f]{6}$/.test(field.text);
    if (colour) html = `<span class="colour" style="--swatch:${field.text}">${html}</span>`;
    out += `<span class="f${i % 2}">${html}</span>`;
  });
  return out;
}

function lineStatus(number) {
  const entry = state.lines.get(number);
  if (!entry) return { cls: '', text: '' };
  const warnings = (entry.warnings || []).map((w) => `warning: ${w.text}`);
  if (entry.error) return { cls: 'fail', text: entry.error };
  if (entry.notRun) return { cls: 'fail', text: entry.notRun };
  if (entry.echo !== undefined) return { cls: 'info', text: entry.echo };
  const statuses = entry.statuses || [];
  const bad = statuses.filter((s) => s.value !== 'Ok');
  let text = statuses.length === 0 ? 'ran' : bad.length === 0 ? 'Ok' : bad.map((s) => s.value).join('; ');
  if (entry.reason) text += ` (reason: ${entry.reason})`;
  if (entry.deleted !== undefined) text += ` - chart ${entry.deleted} was deleted`;
  if (warnings.length) text += ` ${warnings.length > 1 ? `${warnings.length} warnings` : ''}`;
  const cls = bad.length ? 'fail' : warnings.length ? 'warn' : 'ok';
  return { cls, text: [text.trim(), ...warnings].join(' | ') };
}

function renderEditor() {
  const lines = source.value.split('\n');
  highlight.innerHTML = lines.map(highlightLine).join('\n') + '\n';
  gutter.innerHTML = lines.map((_, i) => `<div>${i + 1}</div>`).join('');
  statusColumn.innerHTML = lines.map((_, i) => {
    const { cls, text } = lineStatus(i + 1);
    return `<div class="${cls}" data-line="${i + 1}" title="${escapeHtml(text)}">${escapeHtml(text)}</div>`;
  }).join('');
  // The text area grows with its text; the editor scrolls as a whole.
  source.style.height = '0px';
  source.style.height = `${source.scrollHeight}px`;
  source.style.width = '0px';
  source.style.width = `${Math.max(source.scrollWidth, source.parentElement.clientWidth)}px`;
}

function renderCharts() {
  const tabs = $('tabs');
  tabs.innerHTML = '';
  if (!state.charts.some((c) => c.id === state.selectedChart)) {
    state.selectedChart = state.charts.length ? state.charts[0].id : null;
  }
  for (const chart of state.charts) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = `Chart ${chart.id}`;
    button.dataset.chart = chart.id;
    if (chart.id === state.selectedChart) button.className = 'selected';
    button.addEventListener('click', () => { state.selectedChart = chart.id; renderCharts(); });
    tabs.appendChild(button);
  }
  const chart = state.charts.find((c) => c.id === state.selectedChart);
  if (!chart) {
    chartImage.removeAttribute('src');
    chartImage.dataset.chart = '';
    return Promise.resolve();
  }
  chartImage.src = `data:image/png;base64,${chart.png}`;
  chartImage.dataset.chart = chart.id;
  return chartImage.decode().catch(() => {});
}

async function post(path, body) {
  return fetch(path, { method: 'POST', headers: { 'Content-Type': 'application/json' }, body: JSON.stringify(body) });
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
  renderEditor();
  await renderCharts();
  if (sequence !== state.sequence) return;
  const total = performance.now() - inputAt;
  window.designerTimings.push({
    keystrokeToChart: total, waited: startedAt - inputAt, request: answeredAt - startedAt,
    drawn: performance.now() - answeredAt, server: answer.ms || 0,
  });
  $('run-info').textContent = answer.error
    ? `The script did not run: ${answer.error}`
    : `${state.charts.length} chart(s); redrawn ${Math.round(total)} ms after the last keystroke ` +
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

function charWidth() {
  const probe = document.createElement('span');
  probe.textContent = 'M'.repeat(100);
  highlight.appendChild(probe);
  const width = probe.getBoundingClientRect().width / 100;
  probe.remove();
  return width;
}

// Line and character under the pointer in the text area.
function positionAt(event) {
  const box = source.getBoundingClientRect();
  const style = getComputedStyle(source);
  const lineHeight = parseFloat(style.lineHeight);
  const y = event.clientY - box.top - parseFloat(style.paddingTop);
  const x = event.clientX - box.left - parseFloat(style.paddingLeft);
  const lines = source.value.split('\n');
  const index = Math.floor(y / lineHeight);
  if (index < 0 || index >= lines.length || x < 0) return null;
  const line = lines[index];
  const column = Math.floor(x / charWidth());
  let visual = 0;
  for (let i = 0; i < line.length; i++) {
    const width = line[i] === '\t' ? TAB_COLUMNS - (visual % TAB_COLUMNS) : 1;
    if (column < visual + width) return { number: index + 1, line, offset: i };
    visual += width;
  }
  return null;
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
  const answer = await (await fetch('/api/files')).json();
  const select = $('files');
  for (const file of answer.files || []) {
    const option = document.createElement('option');
    option.value = option.textContent = file;
    select.appendChild(option);
  }
}

async function openFile(path) {
  const answer = await (await fetch(`/api/open?path=${encodeURIComponent(path)}`)).json();
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
  if (state.selectedChart === null) { say('No chart is drawn yet'); return; }
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

// --- Start -----------------------------------------------------------------

source.addEventListener('input', () => { renderEditor(); scheduleRun(); });
source.addEventListener('keydown', (event) => {
  if (event.key === 'Tab') {  // a TAB is a field character, not a way out
    event.preventDefault();
    document.execCommand('insertText', false, '\t');
  }
});
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
window.addEventListener('resize', renderEditor);

(async () => {
  const reference = await (await fetch('/api/reference')).json();
  for (const action of reference.actions) state.actions.set(action.name, action);
  renderEditor();
  await loadFiles();
  document.body.dataset.ready = '1';
})();
