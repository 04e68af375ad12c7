// The designer in headless Chromium: an author types a script, sees the
// chart and the status of a failing line, changes a colour through the
// line's form and downloads the PNG, which must hold the same pixels as
// vantiro-host drawing the same script.
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { startServer, openPage, waitForRun, runCount, hover, host } from './harness.mjs';

const script = [
  'ae_Graph_CreateChart [HostWindow]|1|0|0|420|300|#FFFFFF|0|0||DejaVu Sans|0|#FFFFFF',
  'ae_Graph_AddRegion 1|0|0|0|0|Typed in the designer|0',
  'ae_Graph_AddGrid 1|1|#F7F9FC|0|0|0|0|0|1',
  'ae_Graph_AddDataAxis 1|1|1|0|0|0|9|#404040|#D0D0D0|1|0||||0',
  'ae_Graph_AddBarSeries 1|1|10,25,30,18|0|0|0|#4472C4|0|1|1|0|0',
  'ae_Graph_Draw 1',
  'ae_Graph_AddCaption 7|1|No such chart|#FFFFFF|#000000|12|1',
  'ae_Graph_CreateChart [HostWindow]|2|0|0|300|200|#FFF2CC|1|0|||0|#FFFFFF',
  'ae_Graph_AddRegion 2|0|0|0|0||0',
  'ae_Graph_AddGridlessSeries 2|1|3,2,1|0|1|0|0|0|2|0|0',
  'ae_Graph_Draw 2',
].join('\n');

// Pixels of two PNG files that differ, compared in the page.
async function differingPixels(page, a, b) {
  return page.evaluate(async (first, second) => {
    const load = async (base64) => {
      const image = new Image();
      image.src = `data:image/png;base64,${base64}`;
      await image.decode();
      const canvas = document.createElement('canvas');
      canvas.width = image.naturalWidth;
      canvas.height = image.naturalHeight;
      const context = canvas.getContext('2d');
      context.drawImage(image, 0, 0);
      return context.getImageData(0, 0, canvas.width, canvas.height);
    };
    const [x, y] = [await load(first), await load(second)];
    if (x.width !== y.width || x.height !== y.height) return { size: false };
    let differ = 0;
    let red = 0;
    for (let i = 0; i < x.data.length; i += 4) {
      if (x.data[i] !== y.data[i] || x.data[i + 1] !== y.data[i + 1] || x.data[i + 2] !== y.data[i + 2]) differ++;
      if (x.data[i] === 255 && x.data[i + 1] === 0 && x.data[i + 2] === 0) red++;
    }
    return { size: true, differ, red, width: x.width, height: x.height };
  }, a.toString('base64'), b.toString('base64'));
}

test('an author types a script, fixes a colour and downloads the chart', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'designer-browser-'));
  const server = await startServer(folder);
  const { browser, page } = await openPage(server.url);
  try {
    // Types the script as an author would, key by key.
    await page.click('#source');
    await page.keyboard.type(script);
    await page.waitForFunction((expected) => document.getElementById('source').value === expected, {}, script);
    await page.waitForFunction(() => document.getElementById('tabs').children.length === 2, { timeout: 20000 });
    await page.waitForFunction(() => document.getElementById('chart-image').dataset.chart === '1');

    // The status beside each line: Ok, and the failing line's message.
    const status = (line) => page.$eval(`#status [data-line="${line}"]`, (e) => ({ cls: e.className, text: e.textContent }));
    assert.deepEqual(await status(1), { cls: 'ok', text: 'Ok' });
    const failing = await status(7);
    assert.equal(failing.cls, 'fail');
    assert.match(failing.text, /Error on CtrlID Value/);
    assert.match(failing.text, /chart 7 was deleted/);

    // Hovering the bar colour names the field, its kind and what is read.
    await hover(page, 5, script.split('\n')[4].indexOf('#4472C4') + 2);
    await page.waitForSelector('#tip:not([hidden])');
    const tipText = await page.$eval('#tip', (e) => e.textContent);
    assert.match(tipText, /Color - field 7, colour/);
    assert.match(tipText, /The plug-in reads: #4472C4/);

    // The form of line 5: the colour picker writes the line back.
    await page.evaluate(() => {
      const source = document.getElementById('source');
      const start = source.value.split('\n').slice(0, 4).join('\n').length + 2;
      source.focus();
      source.setSelectionRange(start, start);
      source.dispatchEvent(new MouseEvent('click'));
    });
    await page.waitForSelector('#line-form:not([hidden]) input[type=color]');
    const before = await runCount(page);
    await page.evaluate(() => {
      const picker = document.querySelector('#line-form input[type=color]');
      picker.value = '#ff0000';
      picker.dispatchEvent(new Event('input', { bubbles: true }));
    });
    await waitForRun(page, before);
    const edited = await page.$eval('#source', (e) => e.value);
    assert.equal(edited.split('\n')[4], 'ae_Graph_AddBarSeries 1|1|10,25,30,18|0|0|0|#FF0000|0|1|1|0|0');

    // The PNG download, written by the engine.
    const downloads = path.join(folder, 'downloads');
    fs.mkdirSync(downloads);
    const session = await page.createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
    await page.click('#download-png');
    const downloaded = path.join(downloads, 'chart1.png');
    for (let i = 0; i < 200 && !fs.existsSync(downloaded); i++) await new Promise((r) => setTimeout(r, 50));
    assert.ok(fs.existsSync(downloaded), 'the PNG was downloaded');

    // vantiro-host draws the same script.
    const scriptFile = path.join(folder, 'edited.vsc');
    fs.writeFileSync(scriptFile, edited);
    const snapshots = path.join(folder, 'snapshots');
    execFileSync(host, ['--quiet', '--snapshot', snapshots, scriptFile]);
    const drawn = fs.readFileSync(path.join(snapshots, 'edited-chart1.png'));
    const compared = await differingPixels(page, fs.readFileSync(downloaded), drawn);
    assert.equal(compared.size, true, 'both images have one size');
    assert.equal(compared.differ, 0, 'no pixel differs');
    assert.ok(compared.red > 500, `the bars are red (${compared.red} red pixels)`);
  } finally {
    await browser.close();
    await server.stop();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});

test('a script that only exports shows its image, a note for its SVG, and completes names', async () => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'designer-browser-'));
  const server = await startServer(folder);
  const { browser, page } = await openPage(server.url);
  try {
    await page.click('#source');
    // Completion: "AddCap" and Enter give the action's name.
    await page.keyboard.type('ae_Graph_Cre');
    await page.waitForSelector('#complete:not([hidden])');
    const offered = await page.$$eval('#complete li b', (items) => items.map((i) => i.textContent));
    assert.ok(offered.includes('ae_Graph_CreateChart'), offered.join(', '));
    await page.keyboard.press('Enter');
    const typed = await page.$eval('#source', (e) => e.value);
    assert.equal(typed, `${offered[0]} `);
    await page.evaluate(() => { document.getElementById('source').value = ''; });
    await page.keyboard.type([
      'ae_Graph_CreateChart [HostWindow]|5|0|0|320|200|#FFFFFF|0|1||DejaVu Sans|0|#FFFFFF',
      'ae_Graph_AddRegion 5|0|0|0|0|Only exported|0',
      'ae_Graph_AddGridlessSeries 5|1|3,2,1|0|1|0|0|0|2|0|0',
      'ae_Graph_Draw2File 5|report.png|0|0|0',
      'ae_Graph_Draw2File 5|report.svg|0|0|0',
    ].join('\n'));
    await page.waitForFunction(() => document.getElementById('chart-image').dataset.file === 'report.png', { timeout: 20000 });
    const shown = await page.evaluate(() => {
      const image = document.getElementById('chart-image');
      return { width: image.naturalWidth, tabs: [...document.querySelectorAll('#tabs button')].map((b) => b.textContent),
        notes: document.getElementById('file-notes').textContent, info: document.getElementById('run-info').textContent };
    });
    assert.equal(shown.width, 320);
    assert.deepEqual(shown.tabs, ['report.png']);
    assert.match(shown.notes, /SVG file report\.svg/);
    assert.match(shown.info, /0 charts drawn, 2 files written \(1 shown\)/);
    // The field hint names the field at the caret.
    assert.match(await page.$eval('#field-hint', (e) => e.textContent), /ae_Graph_Draw2File, field 5 of 5: JPGQuality/);
  } finally {
    await browser.close();
    await server.stop();
    fs.rmSync(folder, { recursive: true, force: true });
  }
});
