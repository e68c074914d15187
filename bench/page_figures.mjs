// The page of `pellucid-host serve` on generated scenes, in Debian's Chromium with software
// WebGL: for each size, the time until the page is usable, the time from a click on "Open
// the Lucid window" until it shows, the time from a click on row
// 1's S until the window shows it pressed and from a click on its R until the page shows
// the recalled object, the bytes the page received per change, and the page's memory.
// Beside each click, the host's own answer to the same click from a plain HTTP client in
// the same run, as the baseline the click's time is a ratio to.
//
//   node bench/page_figures.mjs HOST_PROGRAM [OBJECTS...]     (default 1000 10000 100000 200000)
//
// HOST_PROGRAM serves the page beside it, so a build of another version measures that
// version's page. A wait that runs out is printed as "> N s" and ends that size.
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {hostState, launchBrowser, post, startHost, writeScene} from '../tests/browser/support.mjs';

const program = path.resolve(process.argv[2] ?? 'build/linux/bin/pellucid-host');
const sizes = process.argv.length > 3 ? process.argv.slice(3).map(Number) : [1000, 10000, 100000, 200000];
const limits = {usable: 120, click: 60};  // seconds
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'pellucid-page-figures-'));

// The objects of a state, whichever version of the page or the server made it.
const objectsIn = 'const objectsOf = (s) => s?.objects ?? s?.scene?.objects;';

// Counts what the page's event stream brings, whatever the page does with it.
function spyOnEvents() {
  const Original = window.EventSource;
  window.eventSizes = [];
  window.EventSource = function (url) {
    const source = new Original(url);
    const note = (message) => window.eventSizes.push(message.data.length);
    source.addEventListener('message', note);
    source.addEventListener('state', note);
    return source;
  };
}

class TimedOut extends Error {}
async function timed(page, limit, action, check, arg) {
  const start = performance.now();
  await action();
  try {
    await page.waitForFunction(check, arg, {timeout: limit * 1000, polling: 20});
  } catch {
    throw new TimedOut(`> ${limit} s`);
  }
  return (performance.now() - start) / 1000;
}

async function measure(count) {
  const folder = path.join(work, String(count));
  fs.mkdirSync(folder);
  writeScene(path.join(folder, 'big.scene'), count);
  const host = await startHost(program, folder, 'big.scene');
  host.server.stdout.resume();
  const browser = await launchBrowser();
  const figures = {count};
  try {
    const page = await browser.newPage({viewport: {width: 1280, height: 800}});
    await page.addInitScript(spyOnEvents);
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Performance.enable');
    figures.usable = await timed(page, limits.usable, () => page.goto(host.url, {waitUntil: 'commit'}), new Function('n', `${objectsIn}
      return objectsOf(window.pellucid?.state())?.length === n && document.querySelector('#objects li') !== null;`), count);
    figures.open = await timed(page, limits.click, () => page.click('#lucid-toggle'),
                               () => document.querySelector('.window .widget-button') !== null);
    const button = (text) => page.locator('.window .widget-button', {hasText: new RegExp(`^${text}$`)}).first();

    const before = await page.evaluate(() => window.eventSizes.length);
    figures.store = await timed(page, limits.click, () => button('S').click(),
                                () => document.querySelector('.window .widget-button.down') !== null);
    const sizes = await page.evaluate((from) => window.eventSizes.slice(from), before);
    figures.bytesPerChange = sizes.reduce((a, b) => a + b, 0) / Math.max(1, sizes.length);

    // Object 1 hidden by another client, then recalled from the page.
    await post(host.port, '/api/object', {place: 1, visible: false});
    await timed(page, limits.click, async () => {},
                new Function(`${objectsIn} return objectsOf(window.pellucid.state())[1].visible === false;`));
    figures.recall = await timed(page, limits.click, () => button('R').click(),
                                 new Function(`${objectsIn} return objectsOf(window.pellucid.state())[1].visible === true;`));
    const {metrics} = await cdp.send('Performance.getMetrics');
    figures.heapMB = metrics.find((m) => m.name === 'JSHeapUsedSize').value / 2 ** 20;

    // The host's own answer to the same clicks, without a page: the baseline.
    const state = await hostState(host.port);
    const ids = [];
    (function walk(widget) {
      if (widget.type === 'button' && (widget.text === 'S' || widget.text === 'R')) ids.push([widget.text, widget.id]);
      for (const child of widget.children ?? []) walk(child);
    })(state.windows.find((win) => win.id === state.lucid));
    const hostClick = async (text, row) => {
      const id = ids.filter(([t]) => t === text)[row - 1][1];
      const start = performance.now();
      await post(host.port, '/api/click', {widget: id, ctrl: false, shift: false});
      return (performance.now() - start) / 1000;
    };
    figures.hostStore = await hostClick('S', 2);
    figures.hostRecall = await hostClick('R', 2);
  } catch (error) {
    if (!(error instanceof TimedOut)) throw error;
    figures.timedOut = error.message;
  } finally {
    await browser.close();
    host.server.kill('SIGTERM');
    await host.ended;
  }
  return figures;
}

const seconds = (value) => (value === undefined ? '-' : `${value.toFixed(2)} s`);
const ratio = (value, base) => (value === undefined || !base ? '' : ` (${(value / base).toFixed(1)}x)`);
console.log(`page figures of ${program}, software WebGL; a click's ratio is to the host's own answer to it`);
console.log('objects   usable     window    S click           R click           bytes per change   page heap');
for (const count of sizes) {
  const f = await measure(count);
  const cells = [String(count).padEnd(9), seconds(f.usable).padEnd(10), seconds(f.open).padEnd(9),
                 (seconds(f.store) + ratio(f.store, f.hostStore)).padEnd(17),
                 (seconds(f.recall) + ratio(f.recall, f.hostRecall)).padEnd(17),
                 (f.bytesPerChange === undefined ? '-' : `${Math.round(f.bytesPerChange).toLocaleString('en')} B`).padEnd(18),
                 f.heapMB === undefined ? '-' : `${f.heapMB.toFixed(0)} MB`];
  console.log(cells.join(' ') + (f.timedOut ? `   (a wait ran out: ${f.timedOut})` : ''));
}
fs.rmSync(work, {recursive: true, force: true});
