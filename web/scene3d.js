// The scene in 3D (three.js, WebGL 2): every drawn place of the document in an isometric
// view. Boxes are two instanced meshes, shown and hidden, so that a big scene costs two
// draw calls; a small one also gets its edges, rings and labels.
import * as THREE from 'three';
import {SPACING, extentOf, gridOf, heightOf, hueOf, labelLines, placeCenter} from './scene2d.js';

// Throws when the browser gives no WebGL context. `events.lost()` and `events.restored()`
// hear of the context going and coming back.
export function create3D(canvas, onPick, events) {
  const renderer = new THREE.WebGLRenderer({canvas, antialias: true});
  renderer.setPixelRatio(window.devicePixelRatio);
  canvas.addEventListener('webglcontextlost', (event) => { event.preventDefault(); events.lost(); });
  canvas.addEventListener('webglcontextrestored', () => events.restored());

  const scene = new THREE.Scene();
  scene.background = new THREE.Color(0xeef1f4);
  const camera = new THREE.OrthographicCamera(-1, 1, 1, -1, 0.1, 4000);
  scene.add(new THREE.HemisphereLight(0xffffff, 0x8899aa, 2.2));
  const sun = new THREE.DirectionalLight(0xffffff, 1.6);
  sun.position.set(6, 12, 4);
  scene.add(sun);

  const box = new THREE.BoxGeometry(1.4, 1, 1.4).translate(0, 0.5, 0);
  // The meshes, made anew when a scene needs more instances than they hold.
  const meshes = {
    shown: new THREE.InstancedMesh(box, new THREE.MeshStandardMaterial(), 1),
    ghosts: new THREE.InstancedMesh(box, new THREE.MeshBasicMaterial(
      {color: 0xaab2ba, transparent: true, opacity: 0.18, depthWrite: false}), 1),
  };
  meshes.shown.frustumCulled = meshes.ghosts.frustumCulled = false;
  const details = new THREE.Group();
  scene.add(meshes.shown, meshes.ghosts, details);
  let places = {shown: [], ghosts: []};  // instance index to place
  let model = null, grid = gridOf(0);
  const labels = new Map();  // label text to its texture, kept while drawn

  // Instanced meshes of at least `count` instances.
  function sized(mesh, count) {
    if (mesh.instanceMatrix.count >= count) return mesh;
    const bigger = new THREE.InstancedMesh(mesh.geometry, mesh.material, Math.max(count, mesh.instanceMatrix.count * 2));
    bigger.frustumCulled = false;
    scene.remove(mesh);
    mesh.dispose();
    scene.add(bigger);
    return bigger;
  }

  function labelSprite(lines, colour) {
    const key = `${colour}\n${lines.join('\n')}`;
    let texture = labels.get(key);
    if (!texture) {
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
      texture = new THREE.CanvasTexture(c);
      labels.set(key, texture);
    }
    texture.userData.used = true;
    const sprite = new THREE.Sprite(new THREE.SpriteMaterial({map: texture, depthTest: false}));
    sprite.scale.set(2.6, 0.65, 1);
    sprite.renderOrder = 1;
    return sprite;
  }

  function drawDetails() {
    for (const child of [...details.children]) {
      details.remove(child);
      if (!child.isSprite) child.geometry.dispose();
      child.material.dispose();
    }
    for (const texture of labels.values()) texture.userData.used = false;
    if (!grid.detailed) return;
    for (let place = 0; place < grid.drawn; ++place) {
      const object = model.objects[place];
      if (!object) continue;
      const {x, z} = placeCenter(place, grid.columns);
      if (object.empty) {
        const tile = new THREE.LineSegments(new THREE.EdgesGeometry(new THREE.BoxGeometry(1.6, 0.02, 1.6)),
                                            new THREE.LineDashedMaterial({color: 0x9aa3ad, dashSize: 0.15, gapSize: 0.1}));
        tile.computeLineDistances();
        tile.position.set(x, 0, z);
        const text = labelSprite(labelLines(object), '#8a939c');
        text.position.set(x, 0.5, z);
        details.add(tile, text);
        continue;
      }
      const height = heightOf(object.name);
      const edges = new THREE.LineSegments(new THREE.EdgesGeometry(new THREE.BoxGeometry(1.4, height, 1.4)),
        object.visible ? new THREE.LineBasicMaterial({color: 0x2a3139})
                       : new THREE.LineDashedMaterial({color: 0x6b7580, dashSize: 0.12, gapSize: 0.08}));
      edges.computeLineDistances();
      edges.position.set(x, height / 2, z);
      details.add(edges);
      if (!object.counted) {
        // An object the document holds but does not count: a ring on the floor around it.
        const ring = new THREE.Mesh(new THREE.RingGeometry(1.05, 1.2, 32),
                                    new THREE.MeshBasicMaterial({color: 0xd08a1e, side: THREE.DoubleSide}));
        ring.rotation.x = -Math.PI / 2;
        ring.position.set(x, 0.01, z);
        details.add(ring);
      }
      const text = labelSprite(labelLines(object), object.visible ? '#1d232a' : '#8a939c');
      text.position.set(x, height + 0.55, z);
      details.add(text);
    }
    for (const [key, texture] of labels) {
      if (!texture.userData.used) {
        texture.dispose();
        labels.delete(key);
      }
    }
  }

  function draw(next) {
    if (next) model = next;
    if (!model) return;
    grid = gridOf(model.objects.length);
    places = {shown: [], ghosts: []};
    const matrix = new THREE.Matrix4(), colour = new THREE.Color();
    meshes.shown = sized(meshes.shown, grid.drawn);
    meshes.ghosts = sized(meshes.ghosts, grid.drawn);
    for (let place = 0; place < grid.drawn; ++place) {
      const object = model.objects[place];
      if (!object || object.empty) continue;
      const {x, z} = placeCenter(place, grid.columns);
      matrix.makeScale(1, heightOf(object.name), 1).setPosition(x, 0, z);
      const which = object.visible ? 'shown' : 'ghosts';
      const index = places[which].length;
      meshes[which].setMatrixAt(index, matrix);
      if (object.visible) meshes.shown.setColorAt(index, colour.setHSL(hueOf(object.name) / 360, 0.55, 0.55));
      places[which].push(place);
    }
    for (const which of ['shown', 'ghosts']) {
      const mesh = meshes[which];
      mesh.count = places[which].length;
      mesh.instanceMatrix.needsUpdate = true;
      if (mesh.instanceColor) mesh.instanceColor.needsUpdate = true;
      mesh.boundingSphere = null;  // found again by the next pick
    }
    drawDetails();
    frame();
  }

  // An isometric camera that takes in every drawn place.
  function frame() {
    const middle = new THREE.Vector3(((Math.min(grid.drawn, grid.columns) - 1) * SPACING) / 2, 0.8,
                                     ((grid.rows - 1) * SPACING) / 2);
    camera.position.copy(middle).add(new THREE.Vector3(1000, 1000, 1000));
    camera.lookAt(middle);
    resize();
  }

  function resize() {
    const {clientWidth: width, clientHeight: height} = canvas;
    if (width === 0 || height === 0) return;
    renderer.setSize(width, height, false);
    const extent = extentOf(grid);
    const aspect = width / height;
    // The scene sits right of the middle, clear of where the plug-in's window starts.
    camera.left = -1.25 * extent * aspect; camera.right = 0.75 * extent * aspect;
    camera.top = extent; camera.bottom = -extent;
    camera.updateProjectionMatrix();
    renderer.render(scene, camera);
  }

  // Clicking an object shows or hides it, as a modeller does in the host.
  const raycaster = new THREE.Raycaster();
  canvas.addEventListener('click', (event) => {
    const area = canvas.getBoundingClientRect();
    const pointer = new THREE.Vector2(((event.clientX - area.left) / area.width) * 2 - 1,
                                      -((event.clientY - area.top) / area.height) * 2 + 1);
    raycaster.setFromCamera(pointer, camera);
    const hit = raycaster.intersectObjects([meshes.shown, meshes.ghosts], false)[0];
    if (!hit) return;
    onPick(places[hit.object === meshes.shown ? 'shown' : 'ghosts'][hit.instanceId]);
  });

  return {
    kind: '3d',
    draw,
    resize,
    screenPointOf(place) {
      if (!model || place >= grid.drawn || !model.objects[place] || model.objects[place].empty) return null;
      const {x, z} = placeCenter(place, grid.columns);
      const point = new THREE.Vector3(x, heightOf(model.objects[place].name) / 2, z).project(camera);
      const area = canvas.getBoundingClientRect();
      return {x: area.left + ((point.x + 1) / 2) * area.width, y: area.top + ((1 - point.y) / 2) * area.height};
    },
    // For tests: the context lost and given back, as a driver may do.
    context: () => renderer.getContext(),
  };
}
