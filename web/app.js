// The page of `pellucid-host serve`: it draws the host's state as the server pushes it
// (server-sent events from /api/events), and turns a person's clicks into the host's
// requests (/api/...). The host decides everything; the page only shows and asks.
import * as THREE from 'three';

const $ = (id) => document.getElementById(id);
let state = null;

// ---- Requests -------------------------------------------------------------------------

async function request(path, body) {
  const response = await fetch(path, {
    method: 'POST',
    headers: {'Content-Type': 'application/json'},
    body: JSON.stringify(body),
  });
  const reply = await response.json().catch(() => ({error: response.statusText}));
  $('status').value = reply.error ? reply.error : '';
  return reply;
}

// ---- The scene: every place of the document, in an isometric view -------------------

const canvas = $('scene');
const renderer = new THREE.WebGLRenderer({canvas, antialias: true});
renderer.setPixelRatio(window.devicePixelRatio);
const scene3d = new THREE.Scene();
scene3d.background = new THREE.Color(0xeef1f4);
const camera = new THREE.OrthographicCamera(-1, 1, 1, -1, 0.1, 200);
scene3d.add(new THREE.HemisphereLight(0xffffff, 0x8899aa, 2.2));
const sun = new THREE.DirectionalLight(0xffffff, 1.6);
sun.position.set(6, 12, 4);
scene3d.add(sun);
const placed = new THREE.Group();
scene3d.add(placed);
const pickable = [];  // the meshes a click finds, each with userData.place
const columns = 4, spacing = 3;

function placeCenter(place) {
  return new THREE.Vector3((place % columns) * spacing, 0, Math.floor(place / columns) * spacing);
}

// A colour of its own for every name, so an object looks the same from one view to the next.
function colourOf(name) {
  let hash = 0;
  for (const ch of name) hash = (hash * 31 + ch.codePointAt(0)) >>> 0;
  return new THREE.Color().setHSL((hash % 360) / 360, 0.55, 0.55);
}

function label(lines, colour) {
  const c = document.createElement('canvas');
  c.width = 256; c.height = 64;
  const g = c.getContext('2d');
  g.fillStyle = 'rgba(255,255,255,0.85)';
  g.fillRect(0, 0, 256, 64);
  g.fillStyle = colour;
  g.textAlign = 'center';
  g.font = 'bold 24px sans-serif';
  g.fillText(lines[0], 128, 28);
  g.font = '18px sans-serif';
  if (lines[1]) g.fillText(lines[1], 128, 54);
  const sprite = new THREE.Sprite(new THREE.SpriteMaterial({map: new THREE.CanvasTexture(c), depthTest: false}));
  sprite.scale.set(2.6, 0.65, 1);
  sprite.renderOrder = 1;
  return sprite;
}

function clear(group) {
  for (const child of [...group.children]) {
    group.remove(child);
    child.traverse((node) => {
      node.geometry?.dispose();
      node.material?.map?.dispose();
      node.material?.dispose();
    });
  }
}

function drawScene(objects) {
  clear(placed);
  pickable.length = 0;
  for (const object of objects) {
    const at = placeCenter(object.place);
    const group = new THREE.Group();
    group.position.copy(at);
    if (object.empty) {
      // An empty place: the object that was there has been deleted; the place keeps its number.
      const tile = new THREE.LineSegments(new THREE.EdgesGeometry(new THREE.BoxGeometry(1.6, 0.02, 1.6)),
                                          new THREE.LineDashedMaterial({color: 0x9aa3ad, dashSize: 0.15, gapSize: 0.1}));
      tile.computeLineDistances();
      group.add(tile);
      const text = label([`#${object.place}`, 'empty place'], '#8a939c');
      text.position.set(0, 0.5, 0);
      group.add(text);
      placed.add(group);
      continue;
    }
    const height = 0.6 + (object.name.length % 5) * 0.25;
    const geometry = new THREE.BoxGeometry(1.4, height, 1.4);
    const material = object.visible
      ? new THREE.MeshStandardMaterial({color: colourOf(object.name)})
      : new THREE.MeshBasicMaterial({color: 0xaab2ba, transparent: true, opacity: 0.18, depthWrite: false});
    const mesh = new THREE.Mesh(geometry, material);
    mesh.position.y = height / 2;
    mesh.userData.place = object.place;
    group.add(mesh);
    pickable.push(mesh);
    const edges = new THREE.LineSegments(new THREE.EdgesGeometry(geometry),
      object.visible ? new THREE.LineBasicMaterial({color: 0x2a3139})
                     : new THREE.LineDashedMaterial({color: 0x6b7580, dashSize: 0.12, gapSize: 0.08}));
    edges.computeLineDistances();
    edges.position.y = height / 2;
    group.add(edges);
    if (!object.counted) {
      // An object the document holds but does not count: a ring on the floor around it.
      const ring = new THREE.Mesh(new THREE.RingGeometry(1.05, 1.2, 32),
                                  new THREE.MeshBasicMaterial({color: 0xd08a1e, side: THREE.DoubleSide}));
      ring.rotation.x = -Math.PI / 2;
      ring.position.y = 0.01;
      group.add(ring);
    }
    const notes = [object.visible ? 'shown' : 'hidden', object.counted ? '' : 'not counted'].filter(Boolean);
    const text = label([object.name, `#${object.place} ${notes.join(', ')}`], object.visible ? '#1d232a' : '#8a939c');
    text.position.set(0, height + 0.55, 0);
    group.add(text);
    placed.add(group);
  }
  frame(objects.length);
}

// An isometric camera that takes in every place.
function frame(count) {
  const rows = Math.max(1, Math.ceil(count / columns));
  const middle = new THREE.Vector3(((Math.min(count, columns) - 1) * spacing) / 2, 0.8, ((rows - 1) * spacing) / 2);
  camera.position.copy(middle).add(new THREE.Vector3(20, 20, 20));
  camera.lookAt(middle);
  resize();
}

function resize() {
  const {clientWidth: width, clientHeight: height} = canvas;
  if (width === 0 || height === 0) return;
  renderer.setSize(width, height, false);
  const extent = Math.max(6, (Math.max(columns, Math.ceil((state?.scene.objects.length ?? 1) / columns)) * spacing) * 0.65);
  const aspect = width / height;
  // The scene sits right of the middle, clear of where the plug-in's window starts.
  camera.left = -1.25 * extent * aspect; camera.right = 0.75 * extent * aspect;
  camera.top = extent; camera.bottom = -extent;
  camera.updateProjectionMatrix();
  renderer.render(scene3d, camera);
}
new ResizeObserver(resize).observe(canvas);

// Clicking an object shows or hides it, as a modeller does in the host.
const raycaster = new THREE.Raycaster();
canvas.addEventListener('click', (event) => {
  const box = canvas.getBoundingClientRect();
  const pointer = new THREE.Vector2(((event.clientX - box.left) / box.width) * 2 - 1,
                                    -((event.clientY - box.top) / box.height) * 2 + 1);
  raycaster.setFromCamera(pointer, camera);
  const hit = raycaster.intersectObjects(pickable, false)[0];
  if (!hit) return;
  const place = hit.object.userData.place;
  const object = state.scene.objects[place];
  request('/api/object', {place, visible: !object.visible});
});

// Where the page shows an object, in the page's coordinates: for people who script the
// page (the browser test clicks there).
function screenPointOf(place) {
  const mesh = pickable.find((m) => m.userData.place === place);
  if (!mesh) return null;
  const point = mesh.getWorldPosition(new THREE.Vector3()).project(camera);
  const box = canvas.getBoundingClientRect();
  return {x: box.left + ((point.x + 1) / 2) * box.width, y: box.top + ((1 - point.y) / 2) * box.height};
}

// ---- The plug-in's windows, as the host lays them out --------------------------------

let dragging = false;

function widgetElement(widget) {
  if (!widget.visible) return null;
  const cell = document.createElement('div');
  cell.style.width = `${widget.size[0]}px`;
  cell.style.height = `${widget.size[1]}px`;
  cell.style.padding = `${widget.outspace}px`;
  if (widget.type === 'button') {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'widget-button' + (widget.down ? ' down' : '');
    button.textContent = widget.text;
    button.dataset.widget = widget.id;
    button.setAttribute('aria-pressed', widget.down ? 'true' : 'false');
    button.style.width = button.style.height = '100%';
    // The keys held at the click go with it: Ctrl (or the Command key), Shift, or both.
    button.addEventListener('click', (event) => request('/api/click', {
      widget: widget.id, ctrl: event.ctrlKey || event.metaKey, shift: event.shiftKey,
    }));
    cell.append(button);
    return cell;
  }
  const shown = widget.children.filter((child) => child.visible);
  const count = widget.columns > 0 ? widget.columns
              : widget.type === 'frame' && widget.alignment === 'horz' ? Math.max(1, shown.length) : 1;
  const grid = document.createElement('div');
  grid.className = 'frame';
  grid.style.gridTemplateColumns = `repeat(${count}, auto)`;
  grid.style.gap = `${widget.inspace}px`;
  for (const child of shown) grid.append(widgetElement(child));
  cell.append(grid);
  return cell;
}

function windowElement(win) {
  const border = (win.size[0] - win.inner[0]) / 2;
  const titleHeight = win.size[1] - win.inner[1] - 2 * border;
  const element = document.createElement('div');
  element.className = 'window';
  element.dataset.widget = win.id;
  element.style.left = `${win.x}px`;
  element.style.top = `${win.y}px`;
  element.style.width = `${win.size[0]}px`;
  element.style.height = `${win.size[1]}px`;
  const title = document.createElement('div');
  title.className = 'title';
  title.style.height = `${titleHeight}px`;
  title.innerHTML = '<span></span>';
  title.firstChild.textContent = win.title;
  if (win.closebutton) {
    const close = document.createElement('button');
    close.type = 'button';
    close.className = 'close';
    close.title = 'Close';
    close.textContent = '×';
    close.addEventListener('click', () => request('/api/window', {action: 'close'}));
    title.append(close);
  }
  const body = document.createElement('div');
  body.className = 'body';
  body.style.padding = `${border}px`;
  body.append(widgetElement({...win, type: 'window', size: win.inner, outspace: win.outspace}));
  element.append(title, body);
  dragByTitle(element, title);
  return element;
}

// Dragging the title moves the window; the host hears of the place where it is let go.
function dragByTitle(element, title) {
  title.addEventListener('pointerdown', (down) => {
    if (down.target.closest('.close')) return;
    dragging = true;
    title.setPointerCapture(down.pointerId);
    const start = {x: down.clientX, y: down.clientY, left: element.offsetLeft, top: element.offsetTop};
    const at = (event) => ({x: Math.max(0, Math.round(start.left + event.clientX - start.x)),
                            y: Math.max(0, Math.round(start.top + event.clientY - start.y))});
    const move = (event) => {
      const {x, y} = at(event);
      element.style.left = `${x}px`;
      element.style.top = `${y}px`;
    };
    const up = (event) => {
      title.removeEventListener('pointermove', move);
      title.removeEventListener('pointerup', up);
      title.removeEventListener('pointercancel', cancel);
      dragging = false;
      const {x, y} = at(event);
      request('/api/window', {action: 'move', x, y});
    };
    // A drag the browser takes away ends where it began: the host's place stands.
    const cancel = () => {
      title.removeEventListener('pointermove', move);
      title.removeEventListener('pointerup', up);
      title.removeEventListener('pointercancel', cancel);
      dragging = false;
      drawWindows(state.windows);
    };
    title.addEventListener('pointermove', move);
    title.addEventListener('pointerup', up);
    title.addEventListener('pointercancel', cancel);
  });
}

function drawWindows(windows) {
  if (dragging) return;
  const layer = $('windows');
  layer.replaceChildren(...windows.filter((win) => win.visible).map(windowElement));
}

// ---- The plug-in's questions: a modal box titled as the plug-in titles it ------------

const dialog = $('question');
let asked = null;

function drawQuestion(questions) {
  const question = questions.at(-1);
  if (!question) {
    asked = null;
    if (dialog.open) dialog.close();
    return;
  }
  if (asked === question.id && dialog.open) return;
  // A question asked while another is open (the host's loop runs on) takes the box over;
  // the outer one comes back when it is answered.
  asked = question.id;
  $('question-title').textContent = question.title;
  $('question-message').textContent = question.message;
  if (!dialog.open) dialog.showModal();
}

// Only a person's answer is sent: OK, Cancel, or Escape, which cancels.
function answer(reply) {
  const question = asked;
  if (question === null) return;
  asked = null;
  dialog.close();
  request('/api/answer', {question, answer: reply});
}
$('question-ok').addEventListener('click', (event) => { event.preventDefault(); answer('ok'); });
$('question-cancel').addEventListener('click', (event) => { event.preventDefault(); answer('cancel'); });
dialog.addEventListener('cancel', (event) => { event.preventDefault(); answer('cancel'); });

// ---- The side panel and the toolbar --------------------------------------------------

function drawPanel(s) {
  $('objects').replaceChildren(...s.scene.objects.map((object) => {
    const item = document.createElement('li');
    item.dataset.place = object.place;
    if (object.empty) {
      item.dataset.empty = 'true';
      item.textContent = `#${object.place} (empty)`;
      return item;
    }
    item.dataset.visible = object.visible;
    item.dataset.counted = object.counted;
    item.textContent = `#${object.place} ${object.name}`;
    item.title = object.visible ? 'shown: click to hide' : 'hidden: click to show';
    item.addEventListener('click', () => request('/api/object', {place: object.place, visible: !object.visible}));
    return item;
  }));
  const output = $('output');
  output.textContent = s.output.join('\n');
  output.scrollTop = output.scrollHeight;
  const journal = $('journal');
  journal.textContent = s.journal.join('\n');
  journal.scrollTop = journal.scrollHeight;
  $('journal-count').textContent = `(${s.journal_calls} in all, the latest ${s.journal.length} shown)`;
  $('breaches').replaceChildren(...(s.breaches.length ? s.breaches : [null]).map((text) => {
    const item = document.createElement('li');
    if (text === null) {
      item.className = 'none';
      item.textContent = 'none';
    } else {
      item.textContent = text;
    }
    return item;
  }));
  $('scene-file').value = s.scene.file;
  if (document.activeElement !== $('save-name') && !$('save-name').value) $('save-name').value = s.scene.file;
  const load = $('load-name');
  const chosen = load.value;
  load.replaceChildren(...s.scene.files.map((file) => new Option(file, file)));
  load.value = s.scene.files.includes(chosen) ? chosen : s.scene.file;
  // The host's own way to open and close the plug-in's window, as its plug-in menu does
  // (the window itself may show no close button: the plug-in decides).
  const lucid = s.windows.find((win) => win.id === s.lucid);
  const shown = Boolean(lucid && lucid.visible);
  $('lucid-toggle').textContent = shown ? 'Close the Lucid window' : 'Open the Lucid window';
  $('lucid-toggle').dataset.action = shown ? 'close' : 'open';
}

$('save').addEventListener('click', () => request('/api/scene', {action: 'save', file: state.scene.file}));
$('save-as').addEventListener('click', () => request('/api/scene', {action: 'save', file: $('save-name').value.trim()}));
$('load').addEventListener('click', () => request('/api/scene', {action: 'load', file: $('load-name').value}));
$('lucid-toggle').addEventListener('click', (event) => request('/api/window', {action: event.target.dataset.action}));

function draw(next) {
  state = next;
  drawScene(state.scene.objects);
  drawWindows(state.windows);
  drawPanel(state);
  drawQuestion(state.questions);
  document.body.dataset.serial = state.serial;
}

const events = new EventSource('/api/events');
events.onmessage = (message) => draw(JSON.parse(message.data));
events.onerror = () => { $('status').value = 'the host is not answering'; };

window.pellucid = {state: () => state, screenPointOf};
