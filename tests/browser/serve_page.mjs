// The page of `pellucid-host serve` clicked in a real browser: Debian's Chromium, headless,
// driven by playwright-core. One modeller's session from the first start to a reload of
// the page, with every step checked twice: on the page (what a person sees) and in the
// host's own state (/api/state); the host stopped under the page and started again; then
// what a page of another site could try is refused.
//
//   node serve_page.mjs HOST_PROGRAM SCENE WORK_FOLDER [--no-webgl]
//
// With --no-webgl the browser has no GPU and no 3D APIs, and the page draws in 2D. The
// work folder is made anew; the screenshots are left in it. PELLUCID_CHROMIUM names
// another Chromium than Debian's /usr/bin/chromium.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';
import {freshFolder, hostState as stateOf, launchBrowser, runSteps, send as sendTo, startHost, stopHost} from './support.mjs';

const [program, sceneFile, work] = process.argv.slice(2, 5).map((arg) => path.resolve(arg));
const webgl = !process.argv.includes('--no-webgl');
// Bounds a wait for what the host or the page must come to; a wait that runs out fails.
// Loading three.js and making the 3D view takes longer on a busy machine.
const patience = 30000;
const loading = 90000;

const shot = freshFolder(work);
fs.copyFileSync(sceneFile, path.join(work, 'workshop.scene'));

// ---- The host, and plain HTTP to it ----------------------------------------------------

let host = await startHost(program, work, 'workshop.scene');
const address = {url: host.url, port: host.port};
const send = (method, target, options) => sendTo(address.port, method, target, options);
const hostState = () => stateOf(address.port);
const objectNamed = (state, name) => state.objects.find((object) => object.name === name);
const lucidOf = (state) => state.windows.find((win) => win.id === state.lucid);
function buttonsOf(widget, text, found = []) {
  if (widget.type === 'button' && widget.text === text) found.push(widget);
  for (const child of widget.children ?? []) buttonsOf(child, text, found);
  return found;
}

// ---- The browser -----------------------------------------------------------------------

const browser = await launchBrowser({webgl});
let moved = null;  // where the window is dragged to, which the settings keep at the end
await runSteps({
  host: () => host, browsers: () => [browser], stopped: 'stopped the host with SIGTERM: exit code 0, settings written',
  // The host stops as at quit: the settings keep where the window was left.
  afterStop: () => {
    const settings = fs.readFileSync(path.join(work, 'settings.xml'), 'utf8');
    assert.match(settings, new RegExp(`<PosX>${moved.x}</PosX>\\s*<PosY>${moved.y}</PosY>`), settings);
  },
  footer: `screenshots: ${work}/*.png`,
  steps: async (step) => {
  const page = await browser.newPage({viewport: {width: 1280, height: 800}});
  const pageErrors = [];
  page.on('pageerror', (error) => pageErrors.push(error.message));
  await page.goto(address.url);
  // Waits for the page to have drawn a state that `check` accepts.
  const until = (check, arg, timeout = patience) => page.waitForFunction(check, arg, {timeout});
  const clickObject = async (name) => {
    const place = objectNamed(await hostState(), name).place;
    const point = await page.evaluate((p) => window.pellucid.screenPointOf(p), place);
    await page.mouse.click(point.x, point.y);
  };
  const rowButton = (text, row) => page.locator('.window .widget-button', {hasText: new RegExp(`^${text}$`)}).nth(row - 1);
  const listed = (name) => page.locator('#objects li', {hasText: new RegExp(` ${name}$`)});

  // The first start with no settings: the window is hidden until the host opens it.
  await until(() => window.pellucid?.state() && window.pellucid.view(), null, loading);
  if (webgl) {
    assert.equal(await page.evaluate(() => window.pellucid.view()), '3d');
    assert.equal(await page.locator('#scene-note').isVisible(), false);
    // The context lost, as a driver may lose it: the scene goes on in 2D, and comes back.
    await page.evaluate(() => {
      window.loseContext = window.pellucid.webgl().getExtension('WEBGL_lose_context');
      window.loseContext.loseContext();
    });
    await until(() => window.pellucid.view() === '2d');
    assert.match(await page.locator('#scene-note').innerText(), /The 3D view is not available in this browser \(its WebGL context was lost\)/);
    await page.evaluate(() => window.loseContext.restoreContext());
    await until(() => window.pellucid.view() === '3d');
    step('drew the scene in 3D; with the WebGL context lost, in 2D with a note; in 3D again when it came back');
  } else {
    assert.equal(await page.evaluate(() => window.pellucid.view()), '2d');
    assert.match(await page.locator('#scene-note').innerText(), /The 3D view is not available in this browser/);
    // The 2D drawing is there: the floor's colour and, at an object, another.
    const point = await page.evaluate(() => window.pellucid.screenPointOf(0));
    assert.ok(point, 'the 2D view places object 0');
    await page.screenshot({path: shot('0-without-webgl')});
    step('drew the scene in 2D, with a note that the 3D view is not available');
  }
  assert.equal(await page.locator('#connection').innerText(), 'connected');
  assert.equal(lucidOf(await hostState()).visible, false);
  assert.equal(await page.locator('#lucid-toggle').innerText(), 'Open the Lucid window');
  await page.click('#lucid-toggle');
  await page.locator('.window').waitFor();
  assert.equal(await page.locator('.window .title').innerText(), 'Lucid');
  assert.equal(await rowButton('S', 1).count(), 1);
  assert.equal(await page.locator('.window .widget-button', {hasText: /^S$/}).count(), 5);
  assert.equal(lucidOf(await hostState()).visible, true);
  step('opened the Lucid window: five rows of S and R, and Add');

  // Row 1 keeps the scene as it starts; then two objects are hidden by clicking them.
  await rowButton('S', 1).click();
  await until(() => document.querySelector('.window .widget-button.down')?.textContent === 'S');
  await clickObject('Lamp_Shade');
  await until(() => document.querySelector('#objects li[data-place="5"]')?.dataset.visible === 'false');
  await listed('Shelf').click();
  await until(() => document.querySelector('#objects li[data-place="6"]')?.dataset.visible === 'false');
  let state = await hostState();
  assert.equal(objectNamed(state, 'Lamp_Shade').visible, false);
  assert.equal(objectNamed(state, 'Shelf').visible, false);
  assert.equal(objectNamed(state, 'Toolbox').visible, true);
  assert.ok(state.output.includes('scene: "Shelf" hidden'), state.output.join('\n'));
  assert.equal(await page.locator('#output').evaluate((pre) => pre.textContent.includes('scene: "Shelf" hidden')), true);
  step(`stored row 1, then hid Lamp_Shade by clicking it in the ${webgl ? '3D' : '2D'} view and Shelf in the objects list`);

  // Row 2 keeps that view; Toolbox hidden too, and Ctrl+S appends it after the question.
  await rowButton('S', 2).click();
  await until(() => document.querySelectorAll('.window .widget-button.down').length === 2);
  await clickObject('Toolbox');
  await until(() => document.querySelector('#objects li[data-place="7"]')?.dataset.visible === 'false');
  await rowButton('S', 2).click({modifiers: ['Control']});
  await page.locator('dialog#question[open]').waitFor({timeout: patience});
  assert.equal(await page.locator('#question-title').innerText(), 'Lucid');
  assert.equal(await page.locator('#question-message').innerText(), 'Append?');
  state = await hostState();  // the host is inside the plug-in's question and still answers
  assert.deepEqual(state.questions.map((q) => [q.title, q.message]), [['Lucid', 'Append?']]);
  await page.screenshot({path: shot('1-append-question')});
  await page.click('#question-ok');
  await until(() => !document.querySelector('dialog#question').open && window.pellucid.state().questions.length === 0);
  state = await hostState();
  assert.equal(state.questions.length, 0);
  assert.ok(state.output.includes('Lucid asked "Append?": OK'), state.output.join('\n'));
  step('stored row 2, hid Toolbox, Ctrl+clicked row 2\'s S: "Append?" titled "Lucid", answered OK');

  // Row 1 brings the three back; row 2 hides them again, Toolbox included since the append.
  await rowButton('R', 1).click();
  await until(() => ['5', '6', '7'].every((p) => document.querySelector(`#objects li[data-place="${p}"]`).dataset.visible === 'true'));
  state = await hostState();
  for (const name of ['Lamp_Shade', 'Shelf', 'Toolbox']) assert.equal(objectNamed(state, name).visible, true, name);
  await page.screenshot({path: shot('2-recalled-row-1')});
  await rowButton('R', 2).click();
  await until(() => ['5', '6', '7'].every((p) => document.querySelector(`#objects li[data-place="${p}"]`).dataset.visible === 'false'));
  state = await hostState();
  for (const name of ['Lamp_Shade', 'Shelf', 'Toolbox']) assert.equal(objectNamed(state, name).visible, false, name);
  assert.equal(await listed('Shelf').getAttribute('data-visible'), 'false');
  step('recalled row 1: Lamp_Shade, Shelf and Toolbox shown again; recalled row 2: the three hidden');

  // The keyboard: Tab goes from S to R, Enter and Space press, Shift counts, Escape cancels.
  const named = (name) => page.getByRole('button', {name, exact: true});
  await named('Row 1 S').focus();
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Row 1 R');
  await named('Row 3 S').focus();
  await page.keyboard.press('Enter');
  await until(() => document.querySelector('[aria-label="Row 3 S"]')?.getAttribute('aria-pressed') === 'true');
  assert.equal(await page.evaluate(() => document.activeElement.getAttribute('aria-label')), 'Row 3 S');
  await page.keyboard.press('Shift+Space');
  await page.locator('dialog#question[open]').waitFor({timeout: patience});
  assert.equal(await page.locator('#question-message').innerText(), 'Clear?');
  await page.keyboard.press('Escape');
  await until(() => window.pellucid.state().output.includes('Lucid asked "Clear?": Cancel'));
  assert.equal(await named('Row 3 S').getAttribute('aria-pressed'), 'true');
  await named('Row 3 S').focus();
  await page.keyboard.press('Shift+Enter');
  await page.locator('dialog#question[open]').waitFor({timeout: patience});
  await page.keyboard.press('Enter');  // on OK, which has the focus
  await until(() => document.querySelector('[aria-label="Row 3 S"]')?.getAttribute('aria-pressed') === 'false');
  state = await hostState();
  assert.deepEqual(buttonsOf(lucidOf(state), 'S').map((button) => button.down), [true, true, false, false, false]);
  assert.ok(state.output.includes('Lucid asked "Clear?": OK'), state.output.join('\n'));
  step('with the keyboard: Tab from row 1\'s S to its R, Enter stored row 3, Shift+Space asked "Clear?" and Escape cancelled, Shift+Enter and Enter cleared it');

  // A sixth row; the window dragged by its title and closed with its close button.
  await page.locator('.window .widget-button', {hasText: /^Add$/}).click();
  await until(() => document.querySelectorAll('.window .widget-button').length === 13);
  assert.equal(buttonsOf(lucidOf(await hostState()), 'S').length, 6);
  const title = page.locator('.window .title span');
  const start = lucidOf(await hostState());
  const box = await title.boundingBox();
  await page.mouse.move(box.x + 10, box.y + 8);
  await page.mouse.down();
  await page.mouse.move(box.x + 90, box.y + 50, {steps: 5});
  await page.mouse.move(box.x + 160, box.y + 98, {steps: 5});
  await page.mouse.up();
  moved = {x: start.x + 150, y: start.y + 90};
  await until((at) => {
    const s = window.pellucid.state();
    const lucid = s.windows.find((win) => win.id === s.lucid);
    return lucid.x === at.x && lucid.y === at.y;
  }, moved);
  state = await hostState();
  assert.deepEqual([lucidOf(state).x, lucidOf(state).y], [moved.x, moved.y]);
  assert.deepEqual(await page.locator('.window').evaluate((w) => [w.offsetLeft, w.offsetTop]), [moved.x, moved.y]);
  await page.screenshot({path: shot('3-sixth-row-moved')});
  // The plug-in's window has no close button of its own; the host closes it.
  assert.equal(await page.locator('.window .title .close').count(), 0);
  assert.equal(await page.locator('#lucid-toggle').innerText(), 'Close the Lucid window');
  await page.click('#lucid-toggle');
  await until(() => document.querySelectorAll('.window').length === 0);
  assert.equal(lucidOf(await hostState()).visible, false);
  step(`added a sixth row, dragged the window by its title from ${start.x}, ${start.y} to ${moved.x}, ${moved.y}, closed it`);

  // Saved: the scene file holds the objects as they are and the rows of the plug-in.
  await page.click('#save');
  await until(() => window.pellucid.state().output.at(-1) === 'saved workshop.scene');
  const saved = fs.readFileSync(path.join(work, 'workshop.scene'), 'utf8');
  assert.match(saved, /<object name="Shelf" visible="false"/);
  assert.match(saved, /<object name="Floor" visible="true"/);
  assert.match(saved, /<plugin product="7C4B21D9" id="3E8A6F12">/);
  step('saved workshop.scene: Shelf hidden in the file, with the plug-in\'s element');

  // The page reloaded finds it all again; the scene loaded back from its file too.
  await page.reload();
  await until(() => window.pellucid?.state() && window.pellucid.view(), null, loading);
  assert.equal(await listed('Toolbox').getAttribute('data-visible'), 'false');
  assert.equal(await listed('Floor').getAttribute('data-visible'), 'true');
  assert.equal(await page.locator('.window').count(), 0);
  await page.click('#lucid-toggle');
  await page.locator('.window').waitFor();
  assert.deepEqual(await page.locator('.window').evaluate((w) => [w.offsetLeft, w.offsetTop]), [moved.x, moved.y]);
  assert.equal(await page.locator('.window .widget-button', {hasText: /^S$/}).count(), 6);
  assert.deepEqual(await page.locator('.window .widget-button.down').allInnerTexts(), ['S', 'S']);
  await page.selectOption('#load-name', 'workshop.scene');
  await page.click('#load');
  // The session said "scene: workshop.scene (12 objects)" at the start, and again now.
  await until(() => window.pellucid.state().output.filter((line) => line.startsWith('scene: workshop.scene (')).length === 2);
  state = await hostState();
  assert.equal(objectNamed(state, 'Shelf').visible, false);
  assert.deepEqual(buttonsOf(lucidOf(state), 'S').map((button) => button.down).slice(0, 3), [true, true, false]);
  await page.screenshot({path: shot('4-reloaded')});
  assert.deepEqual(state.breaches, []);
  assert.ok(state.journal_calls > 0 && state.journal.some((call) => call.startsWith('MQWidget_Value(')));
  assert.equal(await page.locator('#breaches li.none').count(), 1);
  assert.deepEqual(pageErrors, []);
  step('reloaded the page: Toolbox still hidden, window at its place with rows 1 and 2 pressed; loaded the file back');

  // A page whose 3D part cannot even load (three.js refused): the rest of it works all the same.
  if (webgl) {
    const broken = await browser.newPage({viewport: {width: 1280, height: 800}});
    const brokenErrors = [];
    broken.on('pageerror', (error) => brokenErrors.push(error.message));
    await broken.route('**/three/three.module.js', (route) => route.abort());
    await broken.goto(address.url);
    await broken.waitForFunction(() => window.pellucid?.state() && window.pellucid.view(), null, {timeout: loading});
    assert.equal(await broken.evaluate(() => window.pellucid.view()), '2d');
    assert.match(await broken.locator('#scene-note').innerText(), /The 3D view is not available in this browser \(WebGL failed: /);
    const version = await broken.evaluate(() => window.pellucid.state().version);
    await broken.locator('#objects li', {hasText: / Floor$/}).click();
    await broken.waitForFunction((v) => window.pellucid.state().version > v
      && document.querySelector('#objects li[data-place="0"]').dataset.visible === 'false', version, {timeout: patience});
    await broken.locator('#objects li', {hasText: / Floor$/}).click();
    await until(() => document.querySelector('#objects li[data-place="0"]').dataset.visible === 'true'
      && window.pellucid.state().output.at(-1) === 'scene: "Floor" shown');
    assert.deepEqual(brokenErrors, []);
    await broken.close();
    step('a page that could not load three.js drew in 2D and said why; its list hid and showed Floor, which the first page saw');
  }

  // ---- The host stopped under the page and started again --------------------------------
  const firstSession = await page.evaluate(() => window.pellucid.state().session);
  assert.deepEqual(await stopHost(host), {code: 0, signal: null});
  await until(() => document.body.dataset.connection === 'lost');
  assert.equal(await page.locator('#stale').isVisible(), true);
  assert.match(await page.locator('#status').innerText(), /not answering/);
  host = await startHost(program, work, 'workshop.scene', {port: address.port});
  await until((old) => document.body.dataset.connection === 'live' && window.pellucid.state().session !== old, firstSession);
  assert.equal(await page.locator('#stale').isVisible(), false);
  state = await hostState();
  assert.equal(await page.evaluate(() => window.pellucid.state().version), state.version);
  assert.equal(await listed('Shelf').getAttribute('data-visible'), 'false');
  step('stopped the host under the page: it said so and retried; the host started again, the page took its whole state');

  // ---- What another site's page, or a careless client, may send ------------------------
  const before = await hostState();
  const refusedHost = await send('GET', '/api/state', {headers: {Host: `evil.example:${address.port}`}});
  assert.equal(refusedHost.status, 403);
  const rebound = await send('POST', '/api/window', {
    headers: {Host: `evil.example:${address.port}`, 'Content-Type': 'application/json'}, body: '{"action":"open"}'});
  assert.equal(rebound.status, 403);
  const foreign = await send('POST', '/api/object', {
    headers: {Origin: 'http://evil.example', 'Content-Type': 'application/json'}, body: '{"place":0,"visible":false}'});
  assert.equal(foreign.status, 403);
  const malformed = await send('POST', '/api/object', {headers: {'Content-Type': 'application/json'}, body: '{"place":0,'});
  assert.equal(malformed.status, 400);
  const wrongField = await send('POST', '/api/object', {headers: {'Content-Type': 'application/json'}, body: '{"place":"0","visible":false}'});
  assert.equal(wrongField.status, 400);
  for (const file of ['../escaped.scene', '/tmp/escaped.scene', 'settings.xml']) {
    const reply = await send('POST', '/api/scene', {
      headers: {'Content-Type': 'application/json'}, body: JSON.stringify({action: 'save', file})});
    assert.equal(reply.status, 400, file);
  }
  assert.equal(fs.existsSync(path.join(work, '..', 'escaped.scene')), false);
  assert.equal(fs.existsSync('/tmp/escaped.scene'), false);
  assert.equal((await send('GET', '/../CMakeCache.txt')).status, 404);
  assert.ok([400, 404].includes((await send('GET', '/%2e%2e/%2e%2e/pellucid-host')).status));
  const after = await hostState();
  assert.deepEqual(after.scene, before.scene);
  assert.deepEqual(after.objects, before.objects);
  assert.deepEqual(after.windows, before.windows);
  step('refused a foreign Host (403), a foreign Origin (403), malformed JSON (400), files outside the folder; nothing changed');
}});
