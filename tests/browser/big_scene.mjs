// The page on a modeller's big scene: a generated scene of OBJECTS objects, opened in
// Chromium with software WebGL. The page takes it; a store and a recall reach the Lucid
// window and the objects list; the list holds only the rows on screen.
//
//   node big_scene.mjs HOST_PROGRAM OBJECTS WORK_FOLDER
import assert from 'node:assert/strict';
import path from 'node:path';
import {freshFolder, hostState, launchBrowser, partName, runSteps, startHost, writeScene} from './support.mjs';

const [program, count, work] = [path.resolve(process.argv[2]), Number(process.argv[3]), path.resolve(process.argv[4])];
// Generous: the machine may be busy; the figures are the benchmark's, not this test's.
const patience = 120000;

const shot = freshFolder(work);
writeScene(path.join(work, 'big.scene'), count);
const host = await startHost(program, work, 'big.scene');
const browser = await launchBrowser();
await runSteps({host: () => host, browsers: () => [browser], stopped: 'stopped the host with SIGTERM: exit code 0', steps: async (step) => {
  const page = await browser.newPage({viewport: {width: 1280, height: 800}});
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await page.goto(host.url);
  const until = (check, arg) => page.waitForFunction(check, arg, {timeout: patience, polling: 100});
  await until((n) => window.pellucid?.state()?.objects.length === n && window.pellucid.view()
                     && document.querySelector('#objects li'), count);
  // Only the rows on screen exist; the scene view draws a part and says how much.
  const rows = await page.locator('#objects li').count();
  assert.ok(rows > 0 && rows < 100, `${rows} rows in the document`);
  assert.match(await page.locator('#scene-count').innerText(), new RegExp(`of ${count.toLocaleString('en')} places drawn`));
  step(`took the whole scene of ${count} objects: ${rows} rows in the document`);

  await page.click('#lucid-toggle');
  const s1 = page.getByRole('button', {name: 'Row 1 S', exact: true});
  await s1.waitFor({timeout: patience});
  await s1.click();
  await until(() => document.querySelector('[aria-label="Row 1 S"]')?.getAttribute('aria-pressed') === 'true');
  step('stored row 1: its S is shown pressed');

  // The last object hidden from the filtered list, then recalled.
  const last = partName(count - 1);
  await page.fill('#filter', last);
  const item = page.locator('#objects li', {hasText: new RegExp(` ${last}$`)});
  await item.waitFor({timeout: patience});
  assert.equal(await page.locator('#objects li').count(), 1);
  assert.match(await page.locator('#objects-count').textContent(), new RegExp(`^1 of ${count.toLocaleString('en')} match`));
  await item.click();
  await until((name) => window.pellucid.state().output.includes(`scene: "${name}" hidden`)
                        && document.querySelector('#objects li')?.dataset.visible === 'false', last);
  await page.getByRole('button', {name: 'Row 1 R', exact: true}).click();
  await until((name) => window.pellucid.state().output.includes(`scene: "${name}" shown`)
                        && document.querySelector('#objects li')?.dataset.visible === 'true', last);
  const state = await hostState(host.port);
  assert.equal(state.objects[count - 1].visible, true);
  assert.equal(await page.evaluate(() => window.pellucid.state().version), state.version);
  // Each change was sent as what changed, not as the whole scene again.
  const received = await page.evaluate(() => window.pellucid.received);
  assert.equal(received.wholeStates, 1);
  assert.ok(received.changeBytes < received.wholeBytes / 10, JSON.stringify(received));
  await page.screenshot({path: shot('big-scene')});
  assert.deepEqual(pageErrors, []);
  step(`hid ${last} from the filtered list and recalled row 1: shown again, on the page as in the host; `
             + `${received.changes} changes of ${received.changeBytes} bytes beside a whole state of ${received.wholeBytes}`);
}});
