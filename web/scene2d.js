// The scene's layout, shared by its two drawings, and the drawing in 2D on a canvas, for a
// browser without WebGL: the same places, colours and labels as the 3D view, in the same
// isometric view, with hidden objects as dashed ghosts.

// A scene of 10^5 objects is drawn as its first places, with a count of the rest: the
// objects list holds every one.
export const MAX_DRAWN = 4096;
// Labels, edges and rings are drawn for scenes this small; beyond, plain boxes.
export const MAX_DETAILED = 64;
export const SPACING = 3;

export function gridOf(count) {
  const drawn = Math.min(count, MAX_DRAWN);
  const columns = drawn <= 16 ? 4 : Math.ceil(Math.sqrt(drawn));
  return {drawn, columns, rows: Math.max(1, Math.ceil(drawn / columns)), detailed: drawn <= MAX_DETAILED};
}

export function placeCenter(place, columns) {
  return {x: (place % columns) * SPACING, z: Math.floor(place / columns) * SPACING};
}

export const heightOf = (name) => 0.6 + (name.length % 5) * 0.25;

// A hue of its own for every name, so an object looks the same from one view to the next.
export function hueOf(name) {
  let hash = 0;
  for (const ch of name) hash = (hash * 31 + ch.codePointAt(0)) >>> 0;
  return hash % 360;
}

// The half-height of the view in scene units, as the camera frames the drawn grid.
export function extentOf(grid) {
  return Math.max(6, Math.max(grid.columns, grid.rows) * SPACING * 0.65);
}

export function labelLines(object) {
  if (object.empty) return [`#${object.place}`, 'empty place'];
  const notes = [object.visible ? 'shown' : 'hidden', object.counted ? '' : 'not counted'].filter(Boolean);
  return [object.name, `#${object.place} ${notes.join(', ')}`];
}

// The 2D view. `onPick(place)` hears a click on an object.
export function create2D(canvas, onPick) {
  const g = canvas.getContext('2d');
  let model = null, grid = gridOf(0), scale = 1, origin = {x: 0, y: 0}, middle = {x: 0, z: 0};
  let drawnBoxes = [];  // in drawing order: {place, outline: [[x, y]...]}

  // The isometric projection of the 3D view's camera, which looks from +x, +y, +z.
  const project = (x, y, z) => {
    const u = (x - middle.x - (z - middle.z)) / Math.SQRT2;
    const v = (x - middle.x + (z - middle.z) - 2 * (y - 0.8)) / Math.sqrt(6);
    return [origin.x + u * scale, origin.y + v * scale];
  };

  function polygon(points, fill, stroke, dashed) {
    g.beginPath();
    points.forEach(([x, y], i) => (i ? g.lineTo(x, y) : g.moveTo(x, y)));
    g.closePath();
    if (fill) {
      g.fillStyle = fill;
      g.fill();
    }
    if (stroke) {
      g.setLineDash(dashed ? [4, 3] : []);
      g.strokeStyle = stroke;
      g.lineWidth = 1;
      g.stroke();
    }
  }

  function label(lines, colour, x, y) {
    const width = 2.6 * scale, height = 0.65 * scale;
    g.setLineDash([]);
    g.fillStyle = 'rgba(255,255,255,0.85)';
    g.fillRect(x - width / 2, y - height / 2, width, height);
    g.fillStyle = colour;
    g.textAlign = 'center';
    g.font = `bold ${Math.max(7, height * 24 / 64)}px sans-serif`;
    g.fillText(lines[0], x, y - height / 2 + height * 28 / 64);
    g.font = `${Math.max(6, height * 18 / 64)}px sans-serif`;
    if (lines[1]) g.fillText(lines[1], x, y - height / 2 + height * 54 / 64);
  }

  function drawPlace(object) {
    const {x, z} = placeCenter(object.place, grid.columns);
    if (object.empty) {
      const r = 0.8;
      polygon([project(x - r, 0, z - r), project(x + r, 0, z - r), project(x + r, 0, z + r), project(x - r, 0, z + r)],
              null, '#9aa3ad', true);
      if (grid.detailed) label(labelLines(object), '#8a939c', ...project(x, 0.5, z));
      return;
    }
    const h = heightOf(object.name), r = 0.7;
    const T = (sx, sz) => project(x + sx * r, h, z + sz * r), B = (sx, sz) => project(x + sx * r, 0, z + sz * r);
    if (!object.counted && grid.detailed) {
      // An object the document holds but does not count: a ring on the floor around it.
      const ring = [];
      for (let i = 0; i < 32; ++i) ring.push(project(x + 1.12 * Math.cos(i * Math.PI / 16), 0.01, z + 1.12 * Math.sin(i * Math.PI / 16)));
      g.setLineDash([]);
      polygon(ring, null, '#d08a1e', false);
      g.lineWidth = 1;
    }
    const hue = hueOf(object.name);
    const stroke = grid.detailed ? (object.visible ? '#2a3139' : '#6b7580') : null;
    const faces = [[T(-1, -1), T(1, -1), T(1, 1), T(-1, 1)],
                   [T(1, -1), T(1, 1), B(1, 1), B(1, -1)],
                   [T(1, 1), T(-1, 1), B(-1, 1), B(1, 1)]];
    const shades = [68, 52, 42];
    faces.forEach((face, i) => polygon(face, object.visible ? `hsl(${hue} 55% ${shades[i]}%)` : 'rgba(170,178,186,0.18)',
                                       stroke, !object.visible));
    drawnBoxes.push({place: object.place, outline: [T(-1, -1), T(1, -1), B(1, -1), B(1, 1), B(-1, 1), T(-1, 1)]});
    if (grid.detailed) label(labelLines(object), object.visible ? '#1d232a' : '#8a939c', ...project(x, h + 0.55, z));
  }

  function draw(next) {
    if (next) model = next;
    if (!model) return;
    const {clientWidth: width, clientHeight: height} = canvas;
    if (width === 0 || height === 0) return;
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.round(width * ratio);
    canvas.height = Math.round(height * ratio);
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.fillStyle = '#eef1f4';
    g.fillRect(0, 0, width, height);
    grid = gridOf(model.objects.length);
    // Framed as the 3D camera frames it: the grid's middle right of the page's middle.
    middle = {x: ((Math.min(grid.drawn, grid.columns) - 1) * SPACING) / 2, z: ((grid.rows - 1) * SPACING) / 2};
    scale = height / (2 * extentOf(grid));
    origin = {x: width * 0.625, y: height / 2};
    drawnBoxes = [];
    // Far places first: the camera looks from +x, +z.
    const order = [];
    for (let place = 0; place < grid.drawn; ++place) order.push(place);
    order.sort((a, b) => (a % grid.columns + Math.floor(a / grid.columns)) - (b % grid.columns + Math.floor(b / grid.columns)));
    for (const place of order) if (model.objects[place]) drawPlace(model.objects[place]);
  }

  function pick(clientX, clientY) {
    const box = canvas.getBoundingClientRect();
    const x = clientX - box.left, y = clientY - box.top;
    for (let i = drawnBoxes.length - 1; i >= 0; --i) {
      const path = new Path2D();
      drawnBoxes[i].outline.forEach(([px, py], k) => (k ? path.lineTo(px, py) : path.moveTo(px, py)));
      path.closePath();
      if (g.isPointInPath(path, x * (window.devicePixelRatio || 1), y * (window.devicePixelRatio || 1))) return drawnBoxes[i].place;
    }
    return null;
  }
  canvas.addEventListener('click', (event) => {
    const place = pick(event.clientX, event.clientY);
    if (place !== null) onPick(place);
  });

  return {
    kind: '2d',
    draw,
    resize: () => draw(null),
    screenPointOf(place) {
      const found = drawnBoxes.find((b) => b.place === place);
      if (!found) return null;
      const box = canvas.getBoundingClientRect();
      const [x, y] = found.outline.reduce(([sx, sy], [px, py]) => [sx + px / 6, sy + py / 6], [0, 0]);
      return {x: box.left + x, y: box.top + y};
    },
  };
}
