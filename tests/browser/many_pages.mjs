// Every open page sees every change: two pages in two Chromium processes, each making
// changes after its event stream has been idle, then twenty pages at once (each holding a
// connection of the server's), and a further page that still loads.
//
//   node many_pages.mjs HOST_PROGRAM SCENE WORK_FOLDER
import assert from 'node:assert/strict';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {freshFolder, hostState, launchBrowser, runSteps, startHost} from './support.mjs';

const [program, sceneFile, work] = process.argv.slice(2, 5).map((arg) => path.resolve(arg));
const patience = 30000;

freshFolder(work);
fs.copyFileSync(sceneFile, path.join(work, 'workshop.scene'));
const host = await startHost(program, work, 'workshop.scene');

// Resolves when an event stream opened now has been idle long enough to be sent the idle
// comment: every page's stream opened before it has been sent one too.
function streamsIdle() {
  return new Promise((resolve, reject) => {
    const req = http.get({host: '127.0.0.1', port: host.port, path: '/api/events'}, (res) => {
      let text = '';
      res.on('data', (chunk) => {
        text += chunk;
        if (text.includes('\n: idle\n')) {
          req.destroy();
          resolve();
        }
      });
    });
    req.on('error', (error) => (error.code === 'ECONNRESET' ? undefined : reject(error)));
  });
}

async function openPage(browser) {
  const context = await browser.newContext();  // a connection pool of its own, as another browser has
  const page = await context.newPage({viewport: {width: 1000, height: 700}});
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(host.url);
  await page.waitForFunction(() => window.pellucid?.state(), null, {timeout: 3 * patience});  // a busy machine loads slowly
  return {page, errors};
}

const versionOf = (page) => page.evaluate(() => window.pellucid.state().version);
async function everyPageAt(pages, version) {
  await Promise.all(pages.map(({page}) => page.waitForFunction(
    (v) => window.pellucid.state().version >= v, version, {timeout: patience})));
}
// A click on an object's row in the page's list, as a person makes it.
async function toggleFrom(page, place) {
  await page.locator(`#objects li[data-place="${place}"]`).click();
}

const browsers = [];
await runSteps({
  host: () => host, browsers: () => browsers, stopped: 'stopped the host with SIGTERM while pages were open: exit code 0',
  steps: async (step) => {
  // Two pages, two Chromium processes.
  browsers.push(await launchBrowser({webgl: false}), await launchBrowser({webgl: false}));
  const two = [await openPage(browsers[0]), await openPage(browsers[1])];
  for (let round = 0; round < 4; ++round) {
    await streamsIdle();
    const maker = two[round % 2];
    const before = (await hostState(host.port)).version;
    await toggleFrom(maker.page, round);
    await everyPageAt(two, before + 1);
    const state = await hostState(host.port);
    for (const {page} of two) {
      assert.equal(await versionOf(page), state.version);
      assert.equal(await page.locator(`#objects li[data-place="${round}"]`).getAttribute('data-visible'),
                   String(state.objects[round].visible));
    }
  }
  step('two pages in two browsers, each making changes after an idle while: both saw every change at once');

  // Twenty pages at once, changes made from three of them, then a further page.
  const twenty = [...two];
  while (twenty.length < 20) twenty.push(await openPage(browsers[twenty.length % 2]));
  for (const maker of [twenty[3], twenty[11], twenty[19]]) {
    const before = (await hostState(host.port)).version;
    await toggleFrom(maker.page, 5);
    await everyPageAt(twenty, before + 1);
  }
  const state = await hostState(host.port);
  for (const {page} of twenty) assert.equal(await versionOf(page), state.version);
  const further = await openPage(browsers[0]);
  assert.equal(await versionOf(further.page), state.version);
  assert.equal(await further.page.locator('#objects li[data-place="5"]').getAttribute('data-visible'),
               String(state.objects[5].visible));
  for (const {errors} of [...twenty, further]) assert.deepEqual(errors, []);
  step('twenty pages at once: each saw the changes made from three of them; a twenty-first page loaded the state');
}});
