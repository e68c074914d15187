// The page of `pellucid-host serve`. It keeps its own copy of the host's state: the whole
// state when it connects (event "state" of /api/events), then each change in place, by
// version; after a gap it asks for the whole state again (/api/state). A person's clicks
// become the host's requests (/api/...); the host decides everything.
//
// The page is parts that stand alone: the connection, the scene's drawing (3D, or 2D
// without WebGL), the objects list, the Lucid window and its questions, the side panel
// and the header. An error in one is said in the status line and the console, and the
// others go on.
import {create2D, MAX_DRAWN, gridOf} from './scene2d.js';

const $ = (id) => document.getElementById(id);

// ---- Errors: said, and kept to their part ----------------------------------------------

function report(part, error) {
  console.error(`${part}:`, error);
  $('status').value = `${part} failed: ${error?.message ?? error}`;
}

function guard(part, work) {
  try {
    return work();
  } catch (error) {
    report(part, error);
    return undefined;
  }
}

// ---- Requests ----------------------------------------------------------------------------

async function request(path, body) {
  try {
    const response = await fetch(path, {
      method: 'POST',
      headers: {'Content-Type': 'application/json'},
      body: JSON.stringify(body),
    });
    const reply = await response.json().catch(() => ({error: response.statusText}));
    $('status').value = reply.error ? reply.error : '';
    return reply;
  } catch (error) {
    $('status').value = 'the host is not answering';
    return {error: String(error)};
  }
}

const toggleObject = (place) => {
  const object = model.objects[place];
  if (object && !object.empty) request('/api/object', {place, visible: !object.visible});
};

// ---- The page's copy of the state --------------------------------------------------------

const model = {
  session: null, version: 0, objects: [], scene: {file: '', files: []}, windows: [], lucid: 0, questions: [],
  output: [], output_lines: 0, output_kept: 400, journal: [], journal_calls: 0, journal_kept: 300, breaches: [],
};
// What the page received, for people who measure it (the page's benchmark reads it).
const received = {wholeStates: 0, wholeBytes: 0, changes: 0, changeBytes: 0, lastChangeBytes: 0};

// What a change touched, for the parts to redraw only what they show of it.
function applyWhole(state) {
  Object.assign(model, state);
  return {all: true, keys: new Set(Object.keys(state)), places: []};
}

function applyChange(change) {
  const touched = {all: false, keys: new Set(Object.keys(change)), places: []};
  if ('count' in change) model.objects.length = change.count;
  for (const object of change.objects ?? []) {
    model.objects[object.place] = object;
    touched.places.push(object.place);
  }
  for (const key of ['scene', 'windows', 'lucid', 'questions', 'breaches', 'output_lines', 'journal_calls']) {
    if (key in change) model[key] = change[key];
  }
  // The logs grow by their new lines and keep their latest ones.
  for (const [key, kept] of [['output', 'output_kept'], ['journal', 'journal_kept']]) {
    if (!change[key]) continue;
    model[key].push(...change[key]);
    if (model[key].length > model[kept]) model[key].splice(0, model[key].length - model[kept]);
  }
  model.version = change.version;
  return touched;
}

function redraw(touched) {
  const {keys} = touched;
  const drawnPlaceTouched = touched.all || keys.has('count') || touched.places.some((place) => place < MAX_DRAWN);
  if (drawnPlaceTouched) guard('the scene view', () => scene.draw());
  if (touched.all || keys.has('objects') || keys.has('count')) {
    guard('the objects list', () => objectsList.update(touched.all || keys.has('count') || touched.places.some(
      (place) => model.objects[place]?.name !== undefined)));
  }
  if (touched.all || keys.has('windows')) guard('the Lucid window', () => drawWindows());
  if (touched.all || keys.has('questions')) guard('the question box', () => drawQuestion());
  if (touched.all || ['output', 'journal', 'breaches', 'scene', 'windows', 'lucid'].some((key) => keys.has(key))) {
    guard('the side panel', () => drawPanel(touched));
  }
  document.body.dataset.version = model.version;
}

// ---- The connection: said when lost, mended by retrying -----------------------------------

const connection = {source: null, retries: 0, timer: null, fetching: false, waiting: []};

function connectionState(live, text) {
  document.body.dataset.connection = live ? 'live' : 'lost';
  $('connection').value = text;
  if (!live) $('status').value = 'the host is not answering';
  else if ($('status').value === 'the host is not answering') $('status').value = '';
}

function connect() {
  const source = new EventSource('/api/events');
  connection.source = source;
  source.addEventListener('state', (message) => guard('the connection', () => {
    received.wholeStates += 1;
    received.wholeBytes += message.data.length;
    connection.retries = 0;
    connection.waiting = [];
    connectionState(true, 'connected');
    redraw(applyWhole(JSON.parse(message.data)));
  }));
  source.addEventListener('message', (message) => guard('the connection', () => {
    received.changes += 1;
    received.changeBytes += message.data.length;
    received.lastChangeBytes = message.data.length;
    take(JSON.parse(message.data));
  }));
  source.addEventListener('error', () => {
    // The browser would retry on its own, but not after every kind of failure: the page
    // retries itself, more slowly each time, and asks for the whole state when it is back.
    source.close();
    if (connection.source !== source) return;
    connectionState(false, 'not answering: retrying');
    clearTimeout(connection.timer);
    connection.timer = setTimeout(connect, Math.min(4000, 250 * 2 ** connection.retries++));
  });
}

// A change in its turn; after a gap, the whole state first.
function take(change) {
  if (change.session !== model.session || change.version <= model.version) return;  // the whole state comes
  if (connection.fetching || change.version !== model.version + 1) {
    connection.waiting.push(change);
    if (!connection.fetching) fetchWhole();
    return;
  }
  redraw(applyChange(change));
}

async function fetchWhole() {
  connection.fetching = true;
  try {
    const response = await fetch('/api/state', {cache: 'no-store'});
    const state = await response.json();
    received.wholeStates += 1;
    // The event stream may have brought a newer whole state meanwhile.
    if (state.session !== model.session || state.version > model.version) redraw(applyWhole(state));
  } catch (error) {
    report('the whole state', error);
  } finally {
    connection.fetching = false;
  }
  const waiting = connection.waiting.sort((a, b) => a.version - b.version);
  connection.waiting = [];
  for (const change of waiting) take(change);
}

// ---- The scene: 3D where WebGL is, 2D where it is not --------------------------------------

const scene = {view: null, view2d: null, view3d: null, why2d: '', started: false};

scene.draw = () => {
  scene.view?.draw(model);
  const grid = gridOf(model.objects.length);
  const note = grid.drawn < model.objects.length
    ? `the first ${grid.drawn.toLocaleString('en')} of ${model.objects.length.toLocaleString('en')} places drawn; the objects list has every one`
    : '';
  $('scene-count').textContent = note;
};

function useView(kind, why) {
  scene.view = kind === '3d' ? scene.view3d : scene.view2d;
  scene.why2d = why ?? '';
  $('scene3d').hidden = kind !== '3d';
  $('scene2d').hidden = kind === '3d';
  document.body.dataset.view = kind;
  $('scene-note').textContent = kind === '3d' ? ''
    : `The 3D view is not available in this browser (${scene.why2d}): the scene is drawn in 2D.`;
  $('scene-note').hidden = kind === '3d';
  guard('the scene view', () => scene.draw());
}

async function startScene() {
  scene.view2d = create2D($('scene2d'), toggleObject);
  useView('2d', 'starting');
  let why = '';
  try {
    const {default: WebGL} = await import('three/addons/capabilities/WebGL.js');
    if (!WebGL.isWebGL2Available()) {
      why = 'it has no WebGL 2';
    } else {
      const {create3D} = await import('./scene3d.js');
      scene.view3d = create3D($('scene3d'), toggleObject, {
        lost: () => useView('2d', 'its WebGL context was lost'),
        restored: () => useView('3d'),
      });
    }
  } catch (error) {
    console.error('the 3D view:', error);
    why = `WebGL failed: ${error?.message ?? error}`;
  }
  useView(why ? '2d' : '3d', why);
  scene.started = true;
}

new ResizeObserver(() => guard('the scene view', () => scene.view?.resize())).observe($('screen'));

// ---- The objects list: virtual, only the rows on screen exist ---------------------------

const ROW = 20;  // px, as the style sheet draws a row

const objectsList = (() => {
  const scroller = $('objects-scroll'), spacer = $('objects-spacer'), list = $('objects'), filter = $('filter');
  let matches = null;  // the places whose name holds the filter's text; null: every place

  function refilter() {
    const text = filter.value.trim().toLowerCase();
    if (!text) {
      matches = null;
      return;
    }
    matches = [];
    for (const object of model.objects) {
      if (object && !object.empty && object.name.toLowerCase().includes(text)) matches.push(object.place);
    }
  }

  function row(place) {
    const object = model.objects[place];
    const item = document.createElement('li');
    item.dataset.place = place;
    item.tabIndex = 0;
    if (!object || object.empty) {
      item.dataset.empty = 'true';
      item.textContent = `#${place} (empty)`;
      item.setAttribute('aria-label', `place ${place}, empty`);
      return item;
    }
    item.dataset.visible = object.visible;
    item.dataset.counted = object.counted;
    item.textContent = `#${place} ${object.name}`;
    item.setAttribute('role', 'button');
    item.setAttribute('aria-pressed', object.visible ? 'false' : 'true');
    item.setAttribute('aria-label', `${object.name}, place ${place}, ${object.visible ? 'shown' : 'hidden'}${object.counted ? '' : ', not counted'}`);
    item.title = object.visible ? 'shown: click to hide' : 'hidden: click to show';
    return item;
  }

  function render() {
    const count = matches ? matches.length : model.objects.length;
    spacer.style.height = `${count * ROW}px`;
    const first = Math.max(0, Math.floor(scroller.scrollTop / ROW) - 5);
    const last = Math.min(count, Math.ceil((scroller.scrollTop + scroller.clientHeight) / ROW) + 5);
    const focused = document.activeElement?.closest?.('#objects li')?.dataset.place;
    const rows = [];
    for (let i = first; i < last; ++i) rows.push(row(matches ? matches[i] : i));
    list.style.top = `${first * ROW}px`;
    list.replaceChildren(...rows);
    if (focused !== undefined) list.querySelector(`li[data-place="${focused}"]`)?.focus({preventScroll: true});
    const all = model.objects.length.toLocaleString('en');
    $('objects-count').textContent = matches ? `${matches.length.toLocaleString('en')} of ${all} match` : `${all} places`;
  }

  let pending = false;
  const soon = () => {
    if (pending) return;
    pending = true;
    requestAnimationFrame(() => { pending = false; guard('the objects list', render); });
  };
  scroller.addEventListener('scroll', soon);
  filter.addEventListener('input', () => guard('the objects list', () => { refilter(); scroller.scrollTop = 0; render(); }));
  const activate = (event) => {
    const item = event.target.closest('li[data-place]');
    if (item && item.dataset.empty !== 'true') toggleObject(Number(item.dataset.place));
  };
  list.addEventListener('click', activate);
  list.addEventListener('keydown', (event) => {
    if (event.key === 'Enter' || event.key === ' ') {
      event.preventDefault();
      if (!event.repeat) activate(event);
    }
  });
  return {
    // `names`: the names or the number of places may have changed, so the filter runs again.
    update(names) {
      if (names && filter.value.trim()) refilter();
      render();
    },
  };
})();

// ---- The plug-in's windows, as the host lays them out ------------------------------------

let dragging = false;

// A click on a widget's button, from the mouse or the keyboard: the keys held go with it,
// Ctrl (or the Command key), Shift, or both.
const clickWidget = (id, event) => request('/api/click', {widget: id, ctrl: event.ctrlKey || event.metaKey, shift: event.shiftKey});

function widgetElement(widget, rows) {
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
    // A screen reader reads the row with the button: the plug-in's rows are its S and R
    // buttons in order, row 1 first.
    if (widget.text === 'S' || widget.text === 'R') {
      const row = (rows[widget.text] = (rows[widget.text] ?? 0) + 1);
      button.setAttribute('aria-label', `Row ${row} ${widget.text}`);
      button.title = widget.text === 'S' ? `Row ${row}: store the view (Ctrl appends, Shift clears)` : `Row ${row}: recall the view`;
    }
    button.style.width = button.style.height = '100%';
    // A click from the keyboard (detail 0) is the keydown's, which has the keys held.
    button.addEventListener('click', (event) => { if (event.detail !== 0) clickWidget(widget.id, event); });
    button.addEventListener('keydown', (event) => {
      if (event.key !== 'Enter' && event.key !== ' ') return;
      event.preventDefault();
      if (!event.repeat) clickWidget(widget.id, event);
    });
    button.addEventListener('keyup', (event) => { if (event.key === ' ') event.preventDefault(); });
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
  for (const child of shown) grid.append(widgetElement(child, rows));
  cell.append(grid);
  return cell;
}

function windowElement(win) {
  const border = (win.size[0] - win.inner[0]) / 2;
  const titleHeight = win.size[1] - win.inner[1] - 2 * border;
  const element = document.createElement('div');
  element.className = 'window';
  element.dataset.widget = win.id;
  element.setAttribute('role', 'dialog');
  element.setAttribute('aria-label', `the plug-in's window ${win.title}`);
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
    close.setAttribute('aria-label', `Close ${win.title}`);
    close.textContent = '×';
    close.addEventListener('click', () => request('/api/window', {action: 'close'}));
    title.append(close);
  }
  const body = document.createElement('div');
  body.className = 'body';
  body.style.padding = `${border}px`;
  body.append(widgetElement({...win, type: 'window', size: win.inner, outspace: win.outspace}, {}));
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
    const end = () => {
      title.removeEventListener('pointermove', move);
      title.removeEventListener('pointerup', up);
      title.removeEventListener('pointercancel', cancel);
      dragging = false;
    };
    const up = (event) => {
      end();
      const {x, y} = at(event);
      request('/api/window', {action: 'move', x, y});
    };
    // A drag the browser takes away ends where it began: the host's place stands.
    const cancel = () => {
      end();
      guard('the Lucid window', drawWindows);
    };
    title.addEventListener('pointermove', move);
    title.addEventListener('pointerup', up);
    title.addEventListener('pointercancel', cancel);
  });
}

function drawWindows() {
  if (dragging) return;
  const layer = $('windows');
  // The window is drawn anew: the button that had the focus gets it back.
  const focused = document.activeElement?.closest?.('#windows [data-widget]')?.dataset.widget;
  layer.replaceChildren(...model.windows.filter((win) => win.visible).map(windowElement));
  if (focused !== undefined) layer.querySelector(`button[data-widget="${focused}"]`)?.focus();
}

// ---- The plug-in's questions: a modal box titled as the plug-in titles it ----------------

const dialog = $('question');
let asked = null;

function drawQuestion() {
  const question = model.questions.at(-1);
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
  $('question-ok').focus();
}

// Only a person's answer is sent: OK, Cancel, or Escape, which cancels.
function answer(reply) {
  const question = asked;
  if (question === null) return;
  asked = null;
  if (dialog.open) dialog.close();
  request('/api/answer', {question, answer: reply});
}
$('question-ok').addEventListener('click', (event) => { event.preventDefault(); answer('ok'); });
$('question-cancel').addEventListener('click', (event) => { event.preventDefault(); answer('cancel'); });
dialog.addEventListener('cancel', (event) => { event.preventDefault(); answer('cancel'); });
// The browser may close a modal box on Escape without a cancel event: that is Cancel too.
dialog.addEventListener('close', () => answer('cancel'));

// ---- The side panel and the header -------------------------------------------------------

function log(id, lines) {
  const pre = $(id);
  pre.textContent = lines.join('\n');
  pre.scrollTop = pre.scrollHeight;
}

function drawPanel(touched) {
  const {keys, all} = touched;
  if (all || keys.has('output')) {
    log('output', model.output);
    $('output-count').textContent = model.output_lines > model.output.length
      ? `(${model.output_lines.toLocaleString('en')} lines, the latest ${model.output.length} shown)` : '';
  }
  if (all || keys.has('journal')) {
    log('journal', model.journal);
    $('journal-count').textContent = `(${model.journal_calls.toLocaleString('en')} in all, the latest ${model.journal.length} shown)`;
  }
  if (all || keys.has('breaches')) {
    $('breaches').replaceChildren(...(model.breaches.length ? model.breaches : [null]).map((text) => {
      const item = document.createElement('li');
      if (text === null) {
        item.className = 'none';
        item.textContent = 'none';
      } else {
        item.textContent = text;
      }
      return item;
    }));
  }
  if (all || keys.has('scene')) {
    $('scene-file').value = model.scene.file;
    if (document.activeElement !== $('save-name') && !$('save-name').value) $('save-name').value = model.scene.file;
    const load = $('load-name');
    const chosen = load.value;
    load.replaceChildren(...model.scene.files.map((file) => new Option(file, file)));
    load.value = model.scene.files.includes(chosen) ? chosen : model.scene.file;
  }
  // The host's own way to open and close the plug-in's window, as its plug-in menu does
  // (the window itself may show no close button: the plug-in decides).
  const lucid = model.windows.find((win) => win.id === model.lucid);
  const shown = Boolean(lucid && lucid.visible);
  $('lucid-toggle').textContent = shown ? 'Close the Lucid window' : 'Open the Lucid window';
  $('lucid-toggle').dataset.action = shown ? 'close' : 'open';
}

$('save').addEventListener('click', () => request('/api/scene', {action: 'save', file: model.scene.file}));
$('save-as').addEventListener('click', () => request('/api/scene', {action: 'save', file: $('save-name').value.trim()}));
$('load').addEventListener('click', () => request('/api/scene', {action: 'load', file: $('load-name').value}));
$('lucid-toggle').addEventListener('click', (event) => request('/api/window', {action: event.target.dataset.action ?? 'open'}));

// ---- Start: the connection first, so that no failure of the drawing can keep it away ----

window.pellucid = {
  state: () => (model.session === null ? null : model),
  screenPointOf: (place) => scene.view?.screenPointOf(place) ?? null,
  view: () => (scene.started ? scene.view.kind : null),  // null until the 3D view is tried
  received,
  // For tests: the 3D view's WebGL context, to lose and give back.
  webgl: () => scene.view3d?.context() ?? null,
};
connectionState(false, 'connecting');
connect();
startScene().catch((error) => report('the scene view', error));
