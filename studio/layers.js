// The material's layers as one control: a row per layer (mask, threshold,
// softness, colours, roughness, metal, height) with buttons to move and
// remove it, kept as the text the command line and manifests take:
// "mask=joints color=#9a948a height=-0.03; mask=noise ...". Keys the rows do
// not show (noise-scale, mask2, ...) stay in the text as they were.

import { button } from './ramp.js';

// "mask=joints color=#9a948a; mask=noise" as [[['mask', 'joints'], ['color', '#9a948a']], ...].
export function parseLayers(text) {
  return (text || '').split(';').map((layer) => layer.trim()).filter(Boolean)
    .map((layer) => layer.split(/\s+/).map((word) => {
      const at = word.indexOf('=');
      return [word.slice(0, at).toLowerCase().replaceAll('_', '-'), word.slice(at + 1)];
    }));
}

export function layersText(layers, defaults) {
  // A layer that says nothing is still a layer: its mask said.
  return layers.map((words) => (words.length ? words : [['mask', defaults.mask]])
    .map(([key, value]) => `${key}=${value}`).join(' ')).join('; ');
}

// The sliders of a row: the library takes wider ranges (height -1 .. 1);
// these are the ranges worth sliding through.
const kSliders = [
  { key: 'threshold', min: 0, max: 1, step: 0.01, help: 'the mask value where the layer is half in' },
  { key: 'softness', min: 0, max: 0.5, step: 0.01, help: 'half the width of the blend around the threshold' },
  { key: 'roughness', min: 0, max: 1, step: 0.01, help: 'roughness where the layer shows' },
  { key: 'metal', min: 0, max: 1, step: 0.01, help: 'how metal the layer is' },
  { key: 'height', min: -0.2, max: 0.2, step: 0.005, help: 'relief the layer adds: negative sinks it (mortar)' },
];

// The control of a field of type "layers" (field.layer: the masks and a new
// layer's values, from the catalogue): `changed(text)` after each edit.
// set(text) shows the layers of a text.
export function layerControl(field, labelId, changed) {
  const { masks, defaults } = field.layer;
  const root = document.createElement('div');
  root.id = `f-${field.name}`;
  root.className = 'layers';
  root.setAttribute('role', 'group');
  root.setAttribute('aria-labelledby', labelId);
  const rows = document.createElement('div');
  rows.className = 'layer-rows';
  const add = button('+ layer', `add a layer (up to ${field.maxEntries}), over the ones before it`);
  root.append(rows, add);

  let layers = [];
  const emit = () => changed(layersText(layers, defaults));

  // A key's value as the layer says it, else the default.
  const valueOf = (words, key) => words.find(([k]) => k === key)?.[1] ?? String(defaults[key]);
  const isDefault = (key, value) => (key === 'color' || key === 'mask'
    ? value.toLowerCase() === String(defaults[key]).toLowerCase()
    : Number(value) === Number(defaults[key]));
  // color2 follows color while the layer does not give it.
  function setWord(words, key, value) {
    const at = words.findIndex(([k]) => k === key);
    const keep = key === 'color2' ? value !== valueOf(words, 'color') : !isDefault(key, value);
    if (at >= 0 && keep) words[at][1] = value;
    else if (at >= 0) words.splice(at, 1);
    else if (keep) words.push([key, value]);
  }

  function slider(words, entry, name) {
    const label = document.createElement('label');
    label.className = 'layer-slider';
    const title = document.createElement('span');
    title.textContent = entry.key;
    const input = document.createElement('input');
    Object.assign(input, { type: 'range', min: entry.min, max: entry.max, step: entry.step,
                           value: valueOf(words, entry.key), title: `${name}: ${entry.help}` });
    input.setAttribute('aria-label', `${name} ${entry.key}`);
    input.dataset.key = entry.key;
    const shown = document.createElement('output');
    shown.textContent = input.value;
    input.addEventListener('input', () => {
      shown.textContent = input.value;
      setWord(words, entry.key, input.value);
      emit();
    });
    label.append(title, input, shown);
    return label;
  }

  const colour2Of = (words) => words.find(([k]) => k === 'color2')?.[1] ?? valueOf(words, 'color');

  function colour(words, key, name) {
    const input = document.createElement('input');
    Object.assign(input, { type: 'color', value: key === 'color2' ? colour2Of(words) : valueOf(words, key),
                           title: `${name}: ${key === 'color' ? 'its colour' : 'a second colour its noise mixes in'}` });
    input.setAttribute('aria-label', `${name} ${key}`);
    input.dataset.key = key;
    input.addEventListener('input', () => {
      setWord(words, key, input.value);
      // The second colour shows the first while the layer does not give it.
      const second = input.closest('.layer').querySelector('input[data-key="color2"]');
      if (key === 'color' && second) second.value = colour2Of(words);
      emit();
    });
    return input;
  }

  function layerRow(words, index) {
    const row = document.createElement('div');
    row.className = 'layer';
    const name = `layer ${index + 1}`;
    const head = document.createElement('div');
    head.className = 'layer-head';
    const title = document.createElement('span');
    title.textContent = name;
    const mask = document.createElement('select');
    for (const m of masks) mask.append(new Option(m, m));
    mask.value = valueOf(words, 'mask');
    mask.title = `${name}: where it shows`;
    mask.setAttribute('aria-label', `${name} mask`);
    mask.dataset.key = 'mask';
    mask.addEventListener('change', () => { setWord(words, 'mask', mask.value); emit(); });
    const invert = document.createElement('input');
    Object.assign(invert, { type: 'checkbox', checked: valueOf(words, 'invert') === '1' });
    invert.setAttribute('aria-label', `${name} invert`);
    invert.addEventListener('change', () => {
      setWord(words, 'invert', invert.checked ? '1' : '0');
      emit();
    });
    const inverted = document.createElement('label');
    inverted.title = `${name}: the mask turned over (low ground for height, faces for joints)`;
    inverted.append(invert, 'invert');
    const up = button('↑', `move ${name} up (under the layers after it)`);
    up.disabled = index === 0;
    up.addEventListener('click', () => move(index, -1));
    const down = button('↓', `move ${name} down`);
    down.disabled = index === layers.length - 1;
    down.addEventListener('click', () => move(index, 1));
    const remove = button('−', `remove ${name}`);
    remove.addEventListener('click', () => {
      layers.splice(index, 1);
      drawRows();
      emit();
    });
    head.append(title, mask, inverted, up, down, remove);
    const colours = document.createElement('div');
    colours.className = 'layer-colours';
    colours.append('colour', colour(words, 'color', name), 'second', colour(words, 'color2', name));
    row.append(head, colours, ...kSliders.map((entry) => slider(words, entry, name)));
    return row;
  }

  function move(index, by) {
    const [layer] = layers.splice(index, 1);
    layers.splice(index + by, 0, layer);
    drawRows();
    emit();
  }

  function drawRows() {
    rows.replaceChildren(...layers.map(layerRow));
    add.disabled = layers.length >= field.maxEntries;
  }

  add.addEventListener('click', () => {
    layers.push([['mask', defaults.mask]]);
    drawRows();
    emit();
  });

  return { element: root, set(text) { layers = parseLayers(text); drawRows(); } };
}
