// Prints, for each example, the time from a keystroke to the redrawn chart
// in the designer (the median of five), and with --screenshot FILE takes the
// README's picture: the quarterly sales chart typed into an empty page.
//   node measure.mjs [--screenshot FILE]      (after npm ci, native build)
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { startServer, openPage, waitForRun, runCount, hover } from './harness.mjs';

const here = path.dirname(fileURLToPath(import.meta.url));
const examples = process.env.VANTIRO_EXAMPLES || path.join(here, '../../examples');
const shotIndex = process.argv.indexOf('--screenshot');
const server = await startServer(examples);
const { browser, page } = await openPage(server.url, { width: 1500, height: 860 });

try {
  if (shotIndex > 0) {
    const script = fs.readFileSync(path.join(examples, 'quarterly-sales.vsc'), 'utf8');
    await page.click('#source');
    await page.keyboard.type(script.trimEnd());
    await page.waitForFunction(() => document.getElementById('chart-image').dataset.chart === '1', { timeout: 20000 });
    const line = script.split('\n')[8];
    await page.evaluate((lineStart) => {
      const source = document.getElementById('source');
      source.setSelectionRange(lineStart, lineStart);
      source.dispatchEvent(new MouseEvent('click'));
    }, script.split('\n').slice(0, 8).join('\n').length + 1);
    await hover(page, 9, line.indexOf('#4472C4') + 3);
    await page.waitForSelector('#tip:not([hidden])');
    await page.screenshot({ path: process.argv[shotIndex + 1] });
    console.log(`screenshot: ${process.argv[shotIndex + 1]}`);
  }

  const files = (await page.$$eval('#files option', (o) => o.map((e) => e.value))).filter((f) => f.endsWith('.vsc'));
  console.log('example                  charts  keystroke to chart (ms)  of which the run (ms)');
  for (const file of files) {
    let runs = await runCount(page);
    await page.select('#files', file);
    await waitForRun(page, runs);
    const totals = [];
    const server_ = [];
    for (let i = 0; i < 5; i++) {
      runs = await runCount(page);
      await page.evaluate(() => {
        const source = document.getElementById('source');
        source.focus();
        source.setSelectionRange(source.value.length, source.value.length);
      });
      await page.keyboard.press('Enter');
      await waitForRun(page, runs);
      const last = await page.evaluate(() => window.designerTimings.at(-1));
      totals.push(last.keystrokeToChart);
      if (process.env.VERBOSE) console.log(JSON.stringify(last));
      server_.push(last.server);
    }
    const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
    const charts = await page.$$eval('#tabs button', (b) => b.length);
    console.log(`${file.padEnd(25)}${String(charts).padStart(6)}  ${median(totals).toFixed(0).padStart(23)}  ${median(server_).toFixed(0).padStart(21)}`);
  }
} finally {
  await browser.close();
  await server.stop();
}
