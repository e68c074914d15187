// What the browser tests share: pellucid-host serve started in a folder of its own, plain
// HTTP to it, Debian's Chromium with or without WebGL, and generated scenes.
import assert from 'node:assert/strict';
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import {chromium} from 'playwright-core';

export const browserFile = process.env.PELLUCID_CHROMIUM || '/usr/bin/chromium';

// Starts `pellucid-host serve` in `work` on `port` (0: any). Resolves when it serves, with
// its address, what it printed so far and a promise of its exit.
export async function startHost(program, work, scene, {port = 0} = {}) {
  const server = spawn(program, ['serve', '--port', String(port), '--settings', 'settings.xml', scene],
                       {cwd: work, stdio: ['ignore', 'pipe', 'inherit']});
  const host = {server, printed: ''};
  host.ended = new Promise((resolve) => server.on('exit', (code, signal) => resolve({code, signal})));
  const address = await new Promise((resolve, reject) => {
    server.stdout.on('data', (chunk) => {
      host.printed += chunk;
      const found = /serving the scene at (http:\/\/127\.0\.0\.1:(\d+)\/)/.exec(host.printed);
      if (found) resolve({url: found[1], port: Number(found[2])});
    });
    server.on('exit', (code) => reject(new Error(`pellucid-host serve ended (${code}) before serving:\n${host.printed}`)));
  });
  Object.assign(host, address);
  return host;
}

// A request as any program may send it, headers and all (fetch will not set Host).
export function send(port, method, target, {headers = {}, body} = {}) {
  return new Promise((resolve, reject) => {
    const req = http.request({host: '127.0.0.1', port, method, path: target, headers}, (res) => {
      let text = '';
      res.on('data', (chunk) => (text += chunk));
      res.on('end', () => resolve({status: res.statusCode, text}));
    });
    req.on('error', reject);
    if (body !== undefined) req.write(body);
    req.end();
  });
}

export async function hostState(port) {
  const reply = await send(port, 'GET', '/api/state');
  assert.equal(reply.status, 200, reply.text);
  return JSON.parse(reply.text);
}

export const post = (port, target, body) =>
  send(port, 'POST', target, {headers: {'Content-Type': 'application/json'}, body: JSON.stringify(body)});

// Debian's Chromium, headless. With WebGL it draws with software WebGL; without, it is
// started as a browser with no GPU and no 3D APIs at all.
export function launchBrowser({webgl = true} = {}) {
  if (!fs.existsSync(browserFile)) throw new Error(`no Chromium at ${browserFile}: run tools/setup.sh all`);
  const graphics = webgl ? ['--disable-gpu', '--use-angle=swiftshader', '--enable-unsafe-swiftshader']
                         : ['--disable-gpu', '--disable-3d-apis'];
  // As root, without a sandbox; nothing that reaches out of the machine, whose network is closed.
  return chromium.launch({
    executablePath: browserFile,
    args: ['--no-sandbox', ...graphics, '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
}

// The name of the generated scene's object at `place`.
export const partName = (place) => `Part_${String(place).padStart(6, '0')}`;

// A scene of `count` objects, every tenth hidden.
export function writeScene(file, count) {
  const lines = ['<scene>', '  <objects>'];
  for (let place = 0; place < count; ++place) {
    lines.push(`    <object name="${partName(place)}" visible="${place % 10 === 0 ? 'false' : 'true'}" value262="1"/>`);
  }
  lines.push('  </objects>', '  <plugins/>', '</scene>', '');
  fs.writeFileSync(file, lines.join('\n'));
}

export function freshFolder(work) {
  fs.rmSync(work, {recursive: true, force: true});
  fs.mkdirSync(work, {recursive: true});
  return (name) => path.join(work, `${name}.png`);
}

// Stops the host as at quit (SIGTERM); resolves with how it ended.
export function stopHost(host) {
  host.server.kill('SIGTERM');
  return host.ended;
}

// Runs a test's steps: `steps(step)` names each step that passed with step(text); a throw
// fails the test. Then the browsers close, the host (`host()`, the one running at the end)
// stops as at quit and must end with 0, `afterStop()` checks what it left, and the steps
// that passed are printed with the count. Ends the process: 1 when a step failed.
export async function runSteps({host, browsers, steps, stopped, afterStop = () => {}, footer}) {
  const passed = [];
  let failed = false;
  try {
    await steps((what) => passed.push(what));
  } catch (error) {
    failed = true;
    console.error(error);
  } finally {
    for (const browser of browsers()) await browser.close();
  }
  const exit = await stopHost(host());
  if (!failed) {
    try {
      assert.deepEqual(exit, {code: 0, signal: null});
      afterStop();
      passed.push(stopped);
    } catch (error) {
      failed = true;
      console.error(error);
    }
  }
  for (const what of passed) console.log(`ok: ${what}`);
  if (footer) console.log(footer);
  console.log(`${passed.length} passed, ${failed ? 1 : 0} failed`);
  process.exit(failed ? 1 : 0);
}
