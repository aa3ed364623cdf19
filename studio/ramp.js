// The custom material's colour ramp as one control: a strip showing the ramp
// and a row per stop (colour picker, position, remove), kept as the text the
// command line and manifests take: "#rrggbb@position,...".

// "#2b1d0e@0,#d9b38c@1" as [{ colour, position }]; "" is no ramp.
export function parseStops(text) {
  if (!text) return [];
  return text.split(',').map((part) => {
    const [colour, position] = part.trim().split('@');
    return { colour: colour.toLowerCase(), position: Number(position) };
  });
}

// The library takes the stops in rising position; the sort is stable, so
// stops at the same place keep their order (a hard edge between them).
const inOrder = (stops) => [...stops].sort((a, b) => a.position - b.position);

export function stopsText(stops) {
  return inOrder(stops).map((s) => `${s.colour}@${s.position}`).join(',');
}

const channels = (hex) => [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16));
const hexOf = (rgb) => `#${rgb.map((c) => Math.round(c).toString(16).padStart(2, '0')).join('')}`;

// The ramp's colour at a position, mixed in sRGB as the library mixes it.
function colourAt(stops, position) {
  const sorted = inOrder(stops);
  const upper = sorted.findIndex((s) => s.position >= position);
  if (upper === 0) return sorted[0].colour;
  if (upper < 0) return sorted[sorted.length - 1].colour;
  const a = sorted[upper - 1];
  const b = sorted[upper];
  const t = (position - a.position) / (b.position - a.position);
  const [ca, cb] = [channels(a.colour), channels(b.colour)];
  return hexOf(ca.map((c, i) => c + (cb[i] - c) * t));
}

// A new stop goes in the middle of the widest gap, in the colour the ramp
// already has there, so adding one changes nothing until it is edited.
function newStop(stops) {
  const sorted = inOrder(stops);
  const edges = [0, ...sorted.map((s) => s.position), 1];
  let best = 0;
  for (let i = 1; i < edges.length - 1; i++) {
    if (edges[i + 1] - edges[i] > edges[best + 1] - edges[best]) best = i;
  }
  const position = Math.round(((edges[best] + edges[best + 1]) / 2) * 1000) / 1000;
  return { colour: colourAt(stops, position), position };
}

function gradientCss(stops) {
  const sorted = inOrder(stops);
  if (sorted.length === 1) return sorted[0].colour;
  const parts = sorted.map((s) => `${s.colour} ${(s.position * 100).toFixed(1)}%`);
  return `linear-gradient(to right, ${parts.join(', ')})`;
}

// A button that says what it does to screen readers and on hover.
export function button(text, label) {
  const b = document.createElement('button');
  b.type = 'button';
  b.textContent = text;
  b.setAttribute('aria-label', label);
  b.title = label;
  return b;
}

// The control of a field of type "colors": `changed(text)` after each edit,
// `refused(message)` for a position outside 0..1. set(text) shows a ramp.
export function rampControl(field, labelId, changed, refused) {
  const root = document.createElement('div');
  root.id = `f-${field.name}`;
  root.className = 'ramp';
  root.setAttribute('role', 'group');
  root.setAttribute('aria-labelledby', labelId);
  const strip = document.createElement('div');
  strip.className = 'ramp-strip';
  strip.setAttribute('role', 'img');
  const rows = document.createElement('div');
  rows.className = 'ramp-stops';
  const add = button('+ stop', `add a colour stop (up to ${field.maxEntries})`);
  const clear = button('no ramp', "remove the ramp: the material's own colours");
  const tools = document.createElement('div');
  tools.className = 'ramp-tools';
  tools.append(add, clear);
  root.append(strip, rows, tools);

  let stops = [];
  const emit = () => changed(stopsText(stops));

  function drawStrip() {
    strip.hidden = stops.length === 0;
    strip.style.background = stops.length ? gradientCss(stops) : 'none';
    strip.setAttribute('aria-label', stops.length
      ? `colour ramp: ${stopsText(stops).replaceAll(',', ', ')}`
      : "no colour ramp: the material's own colours");
    strip.title = strip.getAttribute('aria-label');
  }

  function stopRow(stop, index) {
    const row = document.createElement('div');
    row.className = 'ramp-stop';
    const name = `${field.name} stop ${index + 1}`;
    const colour = document.createElement('input');
    Object.assign(colour, { type: 'color', value: stop.colour, title: `${name}: colour` });
    colour.setAttribute('aria-label', `${name} colour`);
    colour.addEventListener('input', () => {
      stop.colour = colour.value;
      drawStrip();
      emit();
    });
    const position = document.createElement('input');
    Object.assign(position, { type: 'number', min: 0, max: 1, step: 0.01, value: stop.position,
                              title: `${name}: position on the relief, 0 (low) to 1 (high)` });
    position.setAttribute('aria-label', `${name} position`);
    position.addEventListener('change', () => {
      const value = Number(position.value);
      if (position.value === '' || !(value >= 0 && value <= 1)) {
        refused(`a colour stop's position is a number from 0 to 1`);
        position.value = stop.position;
        return;
      }
      stop.position = value;
      // Rows follow the stops' order; the moved stop keeps the focus.
      stops = inOrder(stops);
      drawRows(stop);
      emit();
    });
    const remove = button('−', `remove ${name}`);
    remove.disabled = stops.length <= 1;
    remove.addEventListener('click', () => {
      stops.splice(index, 1);
      drawRows();
      emit();
    });
    row.append(colour, position, remove);
    return row;
  }

  function drawRows(focused = null) {
    rows.replaceChildren(...stops.map(stopRow));
    add.textContent = stops.length ? '+ stop' : '+ colour ramp';
    add.disabled = stops.length >= field.maxEntries;
    clear.hidden = stops.length === 0;
    drawStrip();
    const at = stops.indexOf(focused);
    if (at >= 0) rows.children[at].querySelector('input[type=number]').focus();
  }

  add.addEventListener('click', () => {
    // No ramp stands for the plain black to white one: it starts from there.
    if (stops.length === 0) {
      stops = [{ colour: '#000000', position: 0 }, { colour: '#ffffff', position: 1 }];
    } else {
      stops = inOrder([...stops, newStop(stops)]);
    }
    drawRows();
    emit();
  });
  clear.addEventListener('click', () => {
    stops = [];
    drawRows();
    add.focus();
    emit();
  });

  return { element: root, set(text) { stops = parseStops(text); drawRows(); } };
}
