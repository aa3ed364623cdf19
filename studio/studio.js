// proctex studio: controls for every option, the maps as the library makes
// them, a tiled view with seam scores, a lit three.js preview and the
// current settings as code. Plain modules, no build step.
import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { RoomEnvironment } from 'three/addons/environments/RoomEnvironment.js';
import { rampControl } from './ramp.js';
import { layerControl, parseLayers } from './layers.js';

// The token arrives once in the URL; keep it for this tab, out of the address bar.
const query = new URLSearchParams(location.search);
if (query.has('token')) {
  sessionStorage.setItem('proctex-token', query.get('token'));
  history.replaceState(null, '', location.pathname);
}
const token = sessionStorage.getItem('proctex-token') || '';
const pageId = crypto.randomUUID();

const $ = (id) => document.getElementById(id);
let catalog = null;
let settings = {};
let presetName = '';
let sequence = 0;
let lastAnswer = null;
let inFlight = false;
let pending = false;
const canvases = {};
const textControls = {};  // the controls of fields held as text ("colors", "layers"), by name

function api(path, init = {}) {
  return fetch(path, { ...init, headers: { ...(init.headers || {}), 'X-Proctex-Token': token } });
}

function setStatus(text, isError = false) {
  $('status').textContent = text;
  $('status').classList.toggle('error', isError);
}

// ---- Controls ----
// Every control is one field of the library's option table as /api/presets
// describes it: a slider over the useful range with a number box taking
// anything within the limits, a menu of named choices, an on/off menu, a
// colour ramp (ramp.js) or the list of layers (layers.js).

const fieldOf = (name) => catalog.fields.find((f) => f.name === name);
const choicesOf = (field) => (field.flag
  ? [{ value: 0, name: 'off', label: 'off' }, { value: 1, name: 'on', label: 'on' }]
  : field.choices || []);
const choiceOf = (field, value) => choicesOf(field).find((c) => c.value === value);

// A value as a person reads it: the name of a choice, the number otherwise.
function shownValue(field, value) {
  return choiceOf(field, value)?.name ?? String(value);
}

function limitsText(field) {
  const whole = field.type === 'int';
  if (!whole && field.limitMin <= -3.4e38 && field.limitMax >= 3.4e38) return 'any finite number';
  return `${whole ? 'a whole number' : 'a number'} from ${field.limitMin} to ${field.limitMax}`;
}

function withinLimits(field, value) {
  return Number.isFinite(value) && value >= field.limitMin && value <= field.limitMax &&
         (field.type !== 'int' || Number.isInteger(value));
}

function addControl(form, field) {
  const label = document.createElement('label');
  label.textContent = field.name;
  label.title = `${field.help} (default ${shownValue(field, field.default)})`;
  label.htmlFor = `f-${field.name}`;
  label.id = `l-${field.name}`;
  form.append(label);
  if (field.type === 'colors') {
    // The ramp's own rows keep their focus: only a preset redraws them.
    label.title = `${field.help} (up to ${field.maxEntries} stops; a ramp makes the material custom)`;
    label.className = 'ramp-label';
    // A ramp chooses what the library's table says it sets (the custom material).
    const rampChanged = (text) => {
      settings[field.name] = text;
      for (const [n, v] of Object.entries(text ? field.sets || {} : {})) {
        settings[n] = v;
        syncControl(n);
      }
      update();
    };
    const ramp = rampControl(field, label.id, rampChanged, (message) => setStatus(message, true));
    textControls[field.name] = ramp;
    form.append(ramp.element);
    return;
  }
  if (field.type === 'layers') {
    label.title = `${field.help} (up to ${field.maxEntries} layers, each painting over the ones before it)`;
    label.className = 'layers-label';
    const layers = layerControl(field, label.id, (text) => { settings[field.name] = text; update(); });
    textControls[field.name] = layers;
    form.append(layers.element);
    return;
  }
  const changed = (value) => { settings[field.name] = value; syncControl(field.name); update(); };
  if (field.choices || field.flag) {
    const select = document.createElement('select');
    select.id = `f-${field.name}`;
    select.className = field.flag ? 'flag' : '';
    for (const c of choicesOf(field)) {
      const option = new Option(c.label, c.value);
      option.title = c.start
        ? `${c.name}; starts ${Object.entries(c.start).map(([n, v]) => `${n} at ${v}`).join(', ')}`
        : c.name;
      select.append(option);
    }
    // A choice with starting values sets them too, as the command line does
    // for a choice given alone.
    select.addEventListener('change', () => {
      const value = Number(select.value);
      for (const [n, v] of Object.entries(choiceOf(field, value)?.start || {})) {
        settings[n] = v;
        syncControl(n);
      }
      changed(value);
    });
    form.append(select);
    return;
  }
  const slider = document.createElement('input');
  Object.assign(slider, { type: 'range', id: `f-${field.name}`, min: field.min, max: field.max,
                          step: field.step });
  slider.title = `${field.min} .. ${field.max}, default ${field.default}`;
  const box = document.createElement('input');
  Object.assign(box, { type: 'number', step: field.type === 'int' ? 1 : 'any',
                       min: field.limitMin, max: field.limitMax });
  box.title = limitsText(field);
  box.dataset.field = field.name;
  slider.addEventListener('input', () => changed(Number(slider.value)));
  box.addEventListener('change', () => {
    const value = Number(box.value);
    if (box.value !== '' && withinLimits(field, value)) {
      changed(value);
    } else {
      setStatus(`${field.name} must be ${limitsText(field)}`, true);
      syncControl(field.name);
    }
  });
  form.append(slider, box);
}

function syncControl(name) {
  const value = settings[name];
  if (textControls[name]) {
    textControls[name].set(value ?? '');
    return;
  }
  const control = $(`f-${name}`);
  if (control.tagName === 'SELECT') {
    control.value = String(value);
    return;
  }
  control.value = value;
  control.nextElementSibling.value = value;
}

function choosePreset(name) {
  presetName = name;
  const preset = catalog.presets.find((p) => p.name === name);
  settings = { ...(preset ? preset.settings : catalog.defaults) };
  $('description').textContent = preset ? preset.description : 'the library defaults';
  for (const f of catalog.fields) syncControl(f.name);
  update();
}

// ---- Rendering ----

// The settings against their starting point: the preset, or the defaults.
function overrides() {
  const base = catalog.presets.find((p) => p.name === presetName)?.settings || catalog.defaults;
  return Object.entries(settings).filter(([name, value]) => base[name] !== value);
}

function requestBody() {
  return JSON.stringify({ ...(presetName ? { preset: presetName } : {}), ...settings });
}

// A control that changes nothing with the other settings is not shown.
function showUsedControls() {
  for (const f of catalog.fields) {
    if (!f.usedWith) continue;
    const shown = Number(settings[f.usedWith.name]) === f.usedWith.value;
    for (const element of [$(`l-${f.name}`), $(`f-${f.name}`)]) {
      element.hidden = !shown;
      if (element.nextElementSibling?.dataset.field === f.name) {
        element.nextElementSibling.hidden = !shown;
      }
    }
  }
}

// One render in flight at a time; changes while it runs collapse into one more.
function update() {
  showUsedControls();
  showCode();
  if (inFlight) { pending = true; return; }
  render();
}

async function render() {
  inFlight = true;
  pending = false;
  const mine = ++sequence;
  const started = performance.now();
  try {
    const response = await api('/api/render', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json', 'X-Proctex-Page': pageId,
                 'X-Proctex-Seq': String(mine) },
      body: requestBody(),
    });
    if (response.status === 409) return;
    const answer = await response.json();
    if (!response.ok) { setStatus(answer.error, true); return; }
    const bitmapOf = async (url) => {
      const png = await api(url);
      if (!png.ok) return null;
      const blob = await png.blob();
      return createImageBitmap(blob, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    };
    const [bitmaps, masks] = await Promise.all([
      Promise.all(answer.maps.map((m) => bitmapOf(`${m.url}?encoding=quick`))),
      Promise.all((answer.masks || []).map(bitmapOf)),
    ]);
    if (mine !== sequence) {
      for (const b of [...bitmaps, ...masks]) b?.close();
      return;
    }
    // Each layer's mask beside it in the layer list.
    const layerList = catalog.fields.find((f) => f.type === 'layers');
    if (layerList) textControls[layerList.name].showMasks(masks);
    const fetched = performance.now() - started;
    lastAnswer = answer;
    answer.maps.forEach((m, i) => drawMap(m, bitmaps[i]));
    forgetMapsBut(answer.maps);
    drawTiled();
    const mapsDrawn = performance.now() - started;
    updatePreview();
    const elapsed = performance.now() - started;
    setStatus(`${answer.width} × ${answer.height}: computed in ${answer.milliseconds.toFixed(0)} ms, ` +
              `shown in ${elapsed.toFixed(0)} ms`);
    const detail = { sequence: mine, computed: answer.milliseconds, fetched, mapsDrawn, elapsed };
    window.dispatchEvent(new CustomEvent('studio-drawn', { detail }));
  } catch (error) {
    setStatus(String(error), true);
  } finally {
    inFlight = false;
    if (pending) render();
  }
}

// The page shows the last render's maps and no other: a map an earlier
// render had (lava's glow) goes with its texture.
function forgetMapsBut(maps) {
  const kept = new Set(maps.map((m) => m.name));
  for (const name of Object.keys(canvases)) {
    if (kept.has(name)) continue;
    canvases[name].canvas.parentElement.remove();
    delete canvases[name];
    textures[name]?.dispose();
    delete textures[name];
  }
}

function drawMap(map, bitmap) {
  let figure = canvases[map.name];
  if (!figure) {
    const el = document.createElement('figure');
    const canvas = document.createElement('canvas');
    const caption = document.createElement('figcaption');
    el.append(canvas, caption);
    $('maps').append(el);
    figure = canvases[map.name] = { canvas, caption, texture: null };
  }
  const { canvas } = figure;
  if (!bitmap) { figure.caption.textContent = `${map.name}: none`; return; }
  if (canvas.width !== bitmap.width || canvas.height !== bitmap.height) {
    canvas.width = bitmap.width;
    canvas.height = bitmap.height;
  }
  canvas.getContext('2d', { willReadFrequently: true }).drawImage(bitmap, 0, 0);
  bitmap.close();
  figure.caption.textContent = `${map.name}${map.srgb ? ' (sRGB)' : ''}`;
  figure.seam = null;
}

// ---- Seams ----

// Mean difference across the wrap edges against the mean difference between
// neighbours inside: about 1 for a material that repeats cleanly.
function seamScore(canvas) {
  const { width: w, height: h } = canvas;
  const data = canvas.getContext('2d', { willReadFrequently: true }).getImageData(0, 0, w, h).data;
  const at = (x, y, c) => data[(y * w + x) * 4 + c];
  let wrap = 0; let wraps = 0; let inside = 0; let insides = 0;
  for (let y = 0; y < h; y++) {
    for (let c = 0; c < 3; c++) { wrap += Math.abs(at(w - 1, y, c) - at(0, y, c)); wraps++; }
  }
  for (let x = 0; x < w; x++) {
    for (let c = 0; c < 3; c++) { wrap += Math.abs(at(x, h - 1, c) - at(x, 0, c)); wraps++; }
  }
  const rowStep = Math.max(1, Math.floor(h / 128));
  for (let y = 0; y < h - 1; y += rowStep) {
    for (let x = 0; x < w - 1; x++) {
      for (let c = 0; c < 3; c++) {
        inside += Math.abs(at(x + 1, y, c) - at(x, y, c)) + Math.abs(at(x, y + 1, c) - at(x, y, c));
        insides += 2;
      }
    }
  }
  const meanInside = inside / insides;
  return meanInside === 0 ? (wrap === 0 ? 1 : Infinity) : (wrap / wraps) / meanInside;
}

function drawTiled() {
  const name = $('tiled-map').value || 'diffuse';
  const figure = canvases[name];
  if (!figure) return;
  const source = figure.canvas;
  const tiled = $('tiled');
  tiled.width = source.width * 2;
  tiled.height = source.height * 2;
  const ctx = tiled.getContext('2d');
  for (let i = 0; i < 4; i++) ctx.drawImage(source, (i % 2) * source.width, (i >> 1) * source.height);
  ctx.strokeStyle = '#ff3030';
  ctx.lineWidth = Math.max(2, source.width / 100);
  ctx.setLineDash([source.width / 32, source.width / 32]);
  ctx.beginPath();
  ctx.moveTo(source.width, 0); ctx.lineTo(source.width, tiled.height);
  ctx.moveTo(0, source.height); ctx.lineTo(tiled.width, source.height);
  ctx.stroke();
  // Scored after the frame is drawn, so the maps show first.
  setTimeout(() => {
    if (figure.seam === null || figure.seam === undefined) figure.seam = seamScore(source);
    $('seam').textContent = `seam score ${figure.seam.toFixed(2)} (1: repeats cleanly)`;
    const srgb = catalog.maps.find((m) => m.name === name)?.srgb;
    figure.caption.textContent = `${name}${srgb ? ' (sRGB)' : ''}, seam ${figure.seam.toFixed(2)}`;
  }, 0);
}

// ---- 3D preview ----

const renderer = new THREE.WebGLRenderer({ canvas: $('preview'), antialias: true,
                                           preserveDrawingBuffer: true });
renderer.setSize(720, 512, false);
renderer.outputColorSpace = THREE.SRGBColorSpace;
renderer.toneMapping = THREE.ACESFilmicToneMapping;
const scene = new THREE.Scene();
scene.background = new THREE.Color(0x303338);
scene.environment = new THREE.PMREMGenerator(renderer).fromScene(new RoomEnvironment(), 0.04).texture;
const camera = new THREE.PerspectiveCamera(35, 720 / 512, 0.1, 100);
camera.position.set(0, 1.2, 5.8);
const controls = new OrbitControls(camera, renderer.domElement);
controls.addEventListener('change', () => renderer.render(scene, camera));

const light = new THREE.DirectionalLight(0xffffff, 1.5);
light.position.set(3, 4, 2);
scene.add(light);

function makeMaterial() {
  return new THREE.MeshStandardMaterial({ roughness: 1, metalness: 1, displacementScale: 0.06,
                                          displacementBias: -0.03 });
}
const sphere = new THREE.Mesh(new THREE.SphereGeometry(1, 256, 128), makeMaterial());
sphere.position.x = -1.2;
const plane = new THREE.Mesh(new THREE.PlaneGeometry(2, 2, 256, 256), makeMaterial());
plane.position.set(1.2, 0, 0);
plane.rotation.x = -0.9;
scene.add(sphere, plane);

// The canvases hold the PNG bytes as they are; each texture says how to read
// them. Only the diffuse is sRGB; the normal map is the OpenGL one. The
// meshes share the textures, so each map is uploaded once per render.
const textures = {};
function textureOf(name, colorSpace) {
  const canvas = canvases[name]?.canvas;
  if (!canvas) return null;
  let t = textures[name];
  if (t && (t.image.width !== canvas.width || t.image.height !== canvas.height)) {
    t.dispose();
    t = null;
  }
  if (!t) {
    t = textures[name] = new THREE.CanvasTexture(canvas);
    t.colorSpace = colorSpace;
    t.wrapS = t.wrapT = THREE.RepeatWrapping;
    t.anisotropy = 8;
  }
  t.needsUpdate = true;
  return t;
}

// The sphere shows the material twice around, the plane 2 x 2 times.
function repeatUvs(geometry, u, v) {
  const uv = geometry.attributes.uv;
  for (let i = 0; i < uv.count; i++) uv.setXY(i, uv.getX(i) * u, uv.getY(i) * v);
}
repeatUvs(sphere.geometry, 2, 1);
repeatUvs(plane.geometry, 2, 2);

function updatePreview() {
  const maps = {
    map: textureOf('diffuse', THREE.SRGBColorSpace),
    normalMap: textureOf('normal-gl', THREE.NoColorSpace),
    // ORM: occlusion in red, roughness in green, metallic in blue, as three.js reads them.
    roughnessMap: textureOf('orm', THREE.NoColorSpace),
    displacementMap: textureOf('height16', THREE.NoColorSpace),
    // The glow, full strength where the map is bright; none without it.
    emissiveMap: textureOf('emissive', THREE.SRGBColorSpace),
  };
  maps.metalnessMap = maps.aoMap = maps.roughnessMap;
  for (const mesh of [sphere, plane]) {
    const changed = Object.entries(maps).some(([key, t]) => mesh.material[key] !== t);
    Object.assign(mesh.material, maps);
    mesh.material.emissive.set(maps.emissiveMap ? 0xffffff : 0x000000);
    if (changed) mesh.material.needsUpdate = true;
  }
  renderer.render(scene, camera);
}

// ---- Copy as ----

function cValue(field, value) {
  if (field.type === 'int') {
    const choice = field.choices && choiceOf(field, value);
    return choice ? `${value} /* ${choice.name} */` : String(value);
  }
  const text = String(value);
  return /[.eE]/.test(text) ? `${text}f` : `${text}.0f`;
}

// The maps a call writes only when asked: every one the page shows is asked for.
const extraMaps = () => catalog.maps.filter((m) => m.legacy === false).map((m) => m.name);

// A ramp's or the layers' text holds '#', which starts a comment in a shell,
// and the layers' ' ' and ';': quoted. The texts hold no quote of their own.
const shellWord = (text) => (/^[\w.@,-]+$/.test(text) ? text : `'${text}'`);

// The fields held as text, read through the library's proctex_<type>_parse.
const isTextField = (field) => field.type === 'colors' || field.type === 'layers';

// A layer's text as Python's proctex.Layer: its keys with '_', numbers as numbers.
function pythonLayer(words) {
  const args = words.map(([key, value]) => `${key.replaceAll('-', '_')}=${
    value !== '' && Number.isFinite(Number(value)) ? value : JSON.stringify(value)}`);
  return `proctex.Layer(${args.join(', ')})`;
}

function code(kind) {
  const all = overrides();
  const isText = ([n]) => isTextField(fieldOf(n));
  // The texts come last everywhere: a ramp makes the material custom over
  // any material given before it, as the command line and manifests do.
  const changed = [...all.filter((e) => !isText(e)), ...all.filter(isText)];
  const named = (n, v) => shownValue(fieldOf(n), v);
  if (kind === 'c') {
    const start = presetName
      ? `proctex_preset_settings("${presetName}", &s, sizeof s);`
      : 'proctex_settings_init(&s);';
    const lines = changed.filter((e) => !isText(e))
      .map(([n, v]) => `s.${fieldOf(n).member} = ${cValue(fieldOf(n), v)};`);
    const textCalls = changed.filter(isText).map(([n, v]) =>
      `proctex_${fieldOf(n).type}_parse(${JSON.stringify(v)}, &s, why, sizeof why) != PROCTEX_OK ||`);
    return ['ProctexSettings s;', start, ...lines, 'ProctexMaps* maps = NULL;',
            'char why[PROCTEX_REASON_SIZE];',
            `if (${[...textCalls, ''].join('\n    ')}proctex_generate(&s, PROCTEX_MAPS_ALL, &maps, why, sizeof why) != PROCTEX_OK ||`,
            '    proctex_save(maps, "material.png", why, sizeof why) != PROCTEX_OK) {',
            '    fprintf(stderr, "proctex: %s\\n", why);', '}', 'proctex_maps_free(maps);'].join('\n');
  }
  if (kind === 'cli') {
    const parts = ['proctex', ...(presetName ? ['--preset', presetName] : [])];
    for (const [n, v] of changed) {
      const field = fieldOf(n);
      parts.push(`--${n}`, field.flag ? String(v === 1) : isTextField(field) ? shellWord(v) : named(n, v));
    }
    for (const e of extraMaps()) parts.push(`--${e}`);
    return [...parts, 'material.png'].join(' ');
  }
  if (kind === 'manifest') {
    const item = { output: 'material.png', ...(presetName ? { preset: presetName } : {}) };
    for (const [n, v] of changed) {
      const field = fieldOf(n);
      // The layers one entry each, as manifests take them.
      item[n] = field.flag ? v === 1 : field.choices ? named(n, v)
        : field.type === 'layers' && v ? v.split(';').map((layer) => layer.trim()) : v;
    }
    for (const e of extraMaps()) item[e] = true;
    return JSON.stringify(item, null, 2);
  }
  const python = (n) => n.replaceAll('-', '_');
  const args = ['"material.png"', ...(presetName ? [`"${presetName}"`] : [])];
  for (const [n, v] of changed) {
    const field = fieldOf(n);
    const text = field.type === 'layers' && v ? `[${parseLayers(v).map(pythonLayer).join(', ')}]`
      : isTextField(field) ? JSON.stringify(v) : field.choices ? `"${named(n, v)}"` : v;
    args.push(`${python(n)}=${field.flag ? (v === 1 ? 'True' : 'False') : text}`);
  }
  for (const e of extraMaps()) args.push(`${python(e)}=True`);
  return `import proctex\nproctex.generate(${args.join(', ')})`;
}

let codeKind = 'c';
function showCode() { $('code').textContent = code(codeKind); }

// ---- Start ----

async function start() {
  const response = await api('/api/presets');
  if (!response.ok) {
    setStatus(response.status === 403 ? 'no valid token: open the URL proctex studio printed'
                                       : `cannot load presets (${response.status})`, true);
    return;
  }
  catalog = await response.json();
  const form = $('controls');
  for (const field of catalog.fields) addControl(form, field);
  for (const p of catalog.presets) $('preset').append(new Option(p.name, p.name));
  for (const m of catalog.maps) $('tiled-map').append(new Option(m.name, m.name));
  $('preset').addEventListener('change', () => choosePreset($('preset').value));
  $('tiled-map').addEventListener('change', drawTiled);
  for (const b of document.querySelectorAll('#copy-tabs button[data-kind]')) {
    b.addEventListener('click', () => {
      codeKind = b.dataset.kind;
      for (const other of document.querySelectorAll('#copy-tabs button')) other.classList.remove('chosen');
      b.classList.add('chosen');
      showCode();
    });
  }
  $('copy-button').addEventListener('click', () => navigator.clipboard?.writeText(code(codeKind)));
  $('download').addEventListener('click', () => {
    const params = new URLSearchParams({ token, name: presetName || 'material', settings: requestBody() });
    location.href = `/api/export?${params}`;
  });
  choosePreset('');
}

// For scripts driving the page (the browser test).
window.studio = { code: (kind) => code(kind), lastAnswer: () => lastAnswer,
                  idle: () => !inFlight && !pending };
start();
