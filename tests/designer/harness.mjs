// Starts vantiro-host --serve in a folder and headless Chromium on its page.
import { spawn } from 'node:child_process';
import puppeteer from 'puppeteer-core';

export const host = process.env.VANTIRO_HOST || '../../build/native/bin/vantiro-host';
const chromium = process.env.CHROMIUM || '/usr/bin/chromium';

// The server's address, read from the line it prints first.
export async function startServer(folder) {
  const server = spawn(host, ['--serve', '0'], { cwd: folder, stdio: ['ignore', 'pipe', 'inherit'] });
  const url = await new Promise((resolve, reject) => {
    let text = '';
    server.stdout.on('data', (chunk) => {
      text += chunk;
      const match = /http:\/\/127\.0\.0\.1:\d+\/\?token=[0-9a-f]+/.exec(text);
      if (match) resolve(match[0]);
    });
    server.on('exit', (code) => reject(new Error(`vantiro-host --serve ended (${code}): ${text}`)));
  });
  return {
    url,
    // Ctrl+C, as an author stops it; a server that does not stop is killed.
    stop: () => new Promise((resolve) => {
      if (server.exitCode !== null || server.signalCode !== null) { resolve(); return; }
      const timer = setTimeout(() => server.kill('SIGKILL'), 5000);
      server.on('exit', () => { clearTimeout(timer); resolve(); });
      server.kill('SIGINT');
    }),
  };
}

export async function openPage(url, viewport = { width: 1400, height: 850 }) {
  // No display is needed; root needs --no-sandbox.
  const browser = await puppeteer.launch({
    executablePath: chromium,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--font-render-hinting=none'],
  });
  const page = await browser.newPage();
  page.on('pageerror', (error) => console.error('page error:', error.message));
  await page.setViewport(viewport);
  await page.goto(url);
  await page.waitForSelector('body[data-ready="1"]');
  return { browser, page };
}

// Waits for a run that started after `runs` and for its chart.
export async function waitForRun(page, runs) {
  await page.waitForFunction(
    (before) => Number(document.body.dataset.runs || 0) > before, { timeout: 20000 }, runs);
}

export async function runCount(page) {
  return page.evaluate(() => Number(document.body.dataset.runs || 0));
}

// Moves the pointer over character `offset` of line `line` (from 1), as
// the page draws it (long lines wrap).
export async function hover(page, line, offset) {
  const { x, y } = await page.evaluate((lineNumber, column) => {
    const box = window.designerCharBox(lineNumber, column);
    return { x: box.left + box.width / 2, y: box.top + box.height / 2 };
  }, line, offset);
  await page.mouse.move(x, y);
}
