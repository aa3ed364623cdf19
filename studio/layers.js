// The material's layers as one control: a row per layer with buttons to move
// and remove it, the image of its mask (where it shows, from the last render)
// and a control for every key of the library's layer table, in the table's
// groups: a menu for a choice (masks, palettes), a box for a flag, a colour
// picker, a slider over the useful range, or a number box where the range is
// too wide to slide. Kept as the text the command line and manifests take:
// "mask=joints color=#9a948a height=-0.03; mask=noise ...".

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

// A slider past this many steps cannot be placed on one value: a box instead.
const kMostSliderSteps = 1000;
// The keys in a row's head, beside its name and buttons, rather than in a group.
const kHeadKeys = ['mask', 'invert'];

// The control of a field of type "layers" (field.layer.keys: the library's
// layer table): `changed(text)` after each edit. set(text) shows the layers
// of a text; showMasks(bitmaps) draws each layer's mask beside it.
export function layerControl(field, labelId, changed) {
  const keys = field.layer.keys;
  const keyOf = Object.fromEntries(keys.map((k) => [k.name, k]));
  const defaults = Object.fromEntries(keys.map((k) => [k.name, String(k.default)]));
  const groups = [...new Set(keys.filter((k) => !kHeadKeys.includes(k.name)).map((k) => k.group))];
  const open = new Set(groups.slice(0, 1));  // the groups shown unfolded, kept across redraws
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
  const valueOf = (words, key) => words.find(([k]) => k === key)?.[1] ?? defaults[key];
  const colour2Of = (words) => words.find(([k]) => k === 'color2')?.[1] ?? valueOf(words, 'color');
  const isDefault = (key, value) => {
    const k = keyOf[key];
    if (k.kind === 'choice') {
      const code = (v) => k.choices.find((c) => c.name === v || String(c.value) === v)?.value;
      return code(value) === code(defaults[key]);
    }
    return k.kind === 'color' ? value.toLowerCase() === defaults[key].toLowerCase()
      : Number(value) === Number(defaults[key]);
  };
  // color2 follows color while the layer does not give it.
  function setWord(words, key, value) {
    const at = words.findIndex(([k]) => k === key);
    const keep = key === 'color2' ? value !== valueOf(words, 'color') : !isDefault(key, value);
    if (at >= 0 && keep) words[at][1] = value;
    else if (at >= 0) words.splice(at, 1);
    else if (keep) words.push([key, value]);
    // In the table's order, as the library writes the text back.
    words.sort(([a], [b]) => keys.indexOf(keyOf[a]) - keys.indexOf(keyOf[b]));
  }

  function tooltip(k, name) {
    const range = k.kind === 'number' || k.kind === 'integer'
      ? ` (${k.limitMin} .. ${k.limitMax}, default ${k.default})` : ` (default ${k.default})`;
    return `${name}: ${k.help}${range}`;
  }

  // The input of one key, its changes written to the layer's words.
  function input(words, k, name) {
    let element;
    const label = `${name} ${k.name}`;
    const commit = (value) => { setWord(words, k.name, value); emit(); };
    if (k.kind === 'choice') {
      element = document.createElement('select');
      for (const c of k.choices) element.append(new Option(c.label, c.name));
      const given = valueOf(words, k.name);
      element.value = k.choices.find((c) => c.name === given || String(c.value) === given)?.name ?? given;
      element.addEventListener('change', () => commit(element.value));
    } else if (k.kind === 'flag') {
      element = document.createElement('input');
      Object.assign(element, { type: 'checkbox', checked: valueOf(words, k.name) === '1' });
      element.addEventListener('change', () => commit(element.checked ? '1' : '0'));
    } else if (k.kind === 'color') {
      element = document.createElement('input');
      element.type = 'color';
      element.value = k.name === 'color2' ? colour2Of(words) : valueOf(words, k.name);
      element.addEventListener('input', () => {
        commit(element.value);
        // The second colour shows the first while the layer does not give it.
        const second = element.closest('.layer').querySelector('input[data-key="color2"]');
        if (k.name === 'color' && second) second.value = colour2Of(words);
      });
    } else {
      element = document.createElement('input');
      const slides = (k.max - k.min) / (k.step || 1) <= kMostSliderSteps;
      Object.assign(element, slides
        ? { type: 'range', min: k.min, max: k.max, step: k.step }
        : { type: 'number', min: k.limitMin, max: k.limitMax, step: k.kind === 'integer' ? 1 : 'any' });
      element.value = valueOf(words, k.name);
      element.addEventListener(slides ? 'input' : 'change', () => {
        const value = Number(element.value);
        if (element.value === '' || !(value >= k.limitMin && value <= k.limitMax) ||
            (k.kind === 'integer' && !Number.isInteger(value))) {
          element.value = valueOf(words, k.name);  // the box keeps what the layer holds
          return;
        }
        if (element.nextElementSibling) element.nextElementSibling.textContent = element.value;
        commit(element.value);
      });
    }
    element.title = tooltip(k, name);
    element.setAttribute('aria-label', label);
    element.dataset.key = k.name;
    return element;
  }

  // A key with its name, as a line of its group.
  function keyLine(words, k, name) {
    const line = document.createElement('label');
    line.className = 'layer-key';
    line.title = tooltip(k, name);
    const title = document.createElement('span');
    title.textContent = k.name;
    const element = input(words, k, name);
    line.append(title, element);
    if (element.type === 'range') {
      const shown = document.createElement('output');
      shown.textContent = element.value;
      line.append(shown);
    }
    return line;
  }

  function layerRow(words, index) {
    const row = document.createElement('div');
    row.className = 'layer';
    const name = `layer ${index + 1}`;
    const head = document.createElement('div');
    head.className = 'layer-head';
    const title = document.createElement('span');
    title.textContent = name;
    const mask = document.createElement('canvas');
    mask.className = 'layer-mask';
    mask.width = mask.height = 1;
    mask.title = `${name}: where it shows in the last render (white: all of it)`;
    const inHead = kHeadKeys.map((key) => {
      const element = input(words, keyOf[key], name);
      if (element.type !== 'checkbox') return element;
      const labelled = document.createElement('label');
      labelled.title = element.title;
      labelled.append(element, key);
      return labelled;
    });
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
    head.append(mask, title, ...inHead, up, down, remove);
    row.append(head);
    for (const group of groups) {
      const details = document.createElement('details');
      details.className = 'layer-group';
      details.open = open.has(group);
      details.addEventListener('toggle', () => (details.open ? open.add(group) : open.delete(group)));
      const summary = document.createElement('summary');
      summary.textContent = group;
      details.append(summary, ...keys.filter((k) => k.group === group && !kHeadKeys.includes(k.name))
        .map((k) => keyLine(words, k, name)));
      row.append(details);
    }
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

  function showMasks(bitmaps) {
    const canvases = rows.querySelectorAll('.layer-mask');
    canvases.forEach((canvas, i) => {
      const bitmap = bitmaps[i];
      if (!bitmap) { canvas.width = canvas.height = 1; return; }
      canvas.width = bitmap.width;
      canvas.height = bitmap.height;
      canvas.getContext('2d', { willReadFrequently: true }).drawImage(bitmap, 0, 0);
    });
    for (const bitmap of bitmaps) bitmap?.close();
  }

  return { element: root, set(text) { layers = parseLayers(text); drawRows(); }, showMasks };
}
