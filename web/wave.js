// The waveform of the sound shown: a lane a channel with its label, a time
// axis in clock time, the cue points, labelled regions, sampler loops and
// phoneme words the core reports, over the span of frames in view. Zoom with
// the wheel, a pinch, + and - (or the buttons); scroll with the wheel
// sideways, the arrow keys or the bar under it. The whole sound's peaks come
// with the sound; a zoomed view asks the core for its own span's. The
// spectrogram (the Spectrogram button, or S on the waveform) stands over the
// lanes on the same time axis, asked of the core for the view's span. The
// canvases take their colours from the page's CSS, and are drawn again when
// the theme changes; the lanes' and the frequencies' labels stand at the
// right edge, and no cue label covers them.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.wave = (() => {
  const $ = (id) => document.getElementById(id);
  const ui = {canvas: $('wave'), overlay: $('overlay'), playhead: $('playhead'), scroll: $('wave-scroll'), zoomIn: $('zoom-in'), zoomOut: $('zoom-out'),
    spectro: $('spectro'), spectroButton: $('spectrogram')};
  const kLanes = 200;  // the lanes' height; the axis and the words stand below
  const kAxis = 22;
  const kWords = 48;
  const kFewestFrames = 32;  // the narrowest view
  let sound = null;  // {file, at, wave, peaks}
  let view = {first: 0, count: 0};
  let detail = null;  // the core's peaks of the view's span, once asked for
  let asking = 0;
  let head = null;  // the frame under the playhead (null: none)
  // What a click on the waveform, Space, Shift and an arrow, [ and ], and a click on a region's label do (set by listen()).
  let heard = {pick: () => {}, space: () => {}, seek: () => {}, jump: () => {}, region: () => {}};

  const framesOf = (s) => (s.wave.audio.frames || (s.peaks && s.peaks.frames) || 0);
  const rateOf = (s) => s.wave.audio.rate || (s.peaks && s.peaks.rate) || 1;
  const zoomed = () => sound && view.count < framesOf(sound);

  function show(shown) {
    sound = shown;
    view = {first: 0, count: framesOf(shown)};
    detail = null;
    spectro.data = null;
    changed();
  }

  // Brings the view inside the sound, redraws it from the peaks at hand, and
  // asks the core for the view's own once the zooming has paused.
  function changed() {
    const frames = framesOf(sound);
    view.count = Math.round(Math.max(Math.min(kFewestFrames, frames), Math.min(view.count, frames)));
    view.first = Math.round(Math.max(0, Math.min(view.first, frames - view.count)));
    detail = null;
    ui.scroll.hidden = !zoomed();
    ui.scroll.max = String(Math.max(0, frames - view.count));
    ui.scroll.step = String(Math.max(1, Math.round(view.count / 20)));
    ui.scroll.value = String(view.first);
    draw();
    playhead(head);
    askSpectrogram();
    clearTimeout(asking);
    if (zoomed() && sound.peaks && sound.peaks.decodable) {
      const asked = sound;
      const span = {...view};
      asking = setTimeout(async () => {
        if (sound !== asked) return;
        const columns = Math.min(8192, Math.max(1, Math.round(ui.canvas.clientWidth)));
        const peaks = await SndPage.core.peaks(sound.file, sound.at, columns, span.first, span.count);
        // Drawn only if the view is still the one asked about.
        if (sound !== asked || view.first !== span.first || view.count !== span.count) return;
        detail = peaks;
        draw();
      }, 120);
    }
  }

  // Zooms by `factor` (above 1: in) keeping the frame at `fraction` of the width in place.
  function zoom(factor, fraction = 0.5) {
    if (!sound) return;
    const anchor = view.first + fraction * view.count;
    view.count = view.count / factor;
    view.first = anchor - fraction * view.count;
    changed();
  }
  function scrollBy(share) {
    if (!sound) return;
    view.first += share * view.count;
    changed();
  }
  function whole() {
    if (!sound) return;
    view = {first: 0, count: framesOf(sound)};
    changed();
  }

  // ---- drawing --------------------------------------------------------------------

  const kSteps = [0.001, 0.002, 0.005, 0.01, 0.02, 0.05, 0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 18000, 36000];

  // The speakers of a channel mask's bits, in the bits' order, and the usual
  // layouts of a sound without a mask.
  const kSpeakers = ['FL', 'FR', 'FC', 'LFE', 'BL', 'BR', 'FLC', 'FRC', 'BC', 'SL', 'SR', 'TC', 'TFL', 'TFC', 'TFR', 'TBL', 'TBC', 'TBR'];
  const kLayouts = {1: ['mono'], 2: ['L', 'R'], 3: ['L', 'R', 'C'], 4: ['FL', 'FR', 'BL', 'BR'], 5: ['FL', 'FR', 'FC', 'BL', 'BR'],
    6: ['FL', 'FR', 'FC', 'LFE', 'BL', 'BR'], 7: ['FL', 'FR', 'FC', 'LFE', 'BC', 'SL', 'SR'], 8: ['FL', 'FR', 'FC', 'LFE', 'BL', 'BR', 'SL', 'SR']};

  // A lane's name: its speaker in the extensible format's channel mask (0: none), the channels past
  // the mask's speakers "ch N".
  function laneNames(channels, mask) {
    const named = [];
    if (mask) {
      for (let bit = 0; bit < kSpeakers.length && named.length < channels; ++bit) if ((mask >>> bit) & 1) named.push(kSpeakers[bit]);
    } else if (kLayouts[channels]) {
      return kLayouts[channels].slice();
    }
    return Array.from({length: channels}, (_, c) => named[c] || 'ch ' + (c + 1));
  }
  const maskOf = (wave) => ((wave.chunks || []).find((chunk) => chunk.id === 'fmt ') || {}).channel_mask || 0;

  // The canvases' colours, from the page's CSS (page.css :root): the theme's.
  function colours() {
    const style = getComputedStyle(document.documentElement);
    const take = (name) => style.getPropertyValue(name).trim();
    return {canvas: take('--canvas'), wave: take('--wave'), grid: take('--grid'), axisBack: take('--axis-back'), axisInk: take('--axis-ink'),
      labelBack: take('--label-back'), muted: take('--muted'), peak: take('--spectro-peak')};
  }

  // Labels at the right edge of the lanes: their boxes (canvas pixels), for the cue labels to keep clear of.
  let labelBoxes = [];
  function rightLabel(g, text, y, colour) {
    g.font = '11px system-ui, sans-serif';
    const width = g.measureText(text).width + 6;
    const x = ui.canvas.clientWidth - width - 2;
    g.fillStyle = colour.labelBack;
    g.fillRect(x, y, width, 14);
    g.fillStyle = colour.axisInk;
    g.fillText(text, x + 3, y + 11);
    const box = {x, y, width, height: 14};
    labelBoxes.push(box);
    return box;
  }

  function draw() {
    if (!sound) return;
    const canvas = ui.canvas;
    const words = (sound.wave.phonemes && sound.wave.phonemes.words) || [];
    // No strip for words where there are none.
    const height = kLanes + kAxis + (words.length ? kWords : 0);
    canvas.style.height = height + 'px';
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    canvas.height = Math.round(height * ratio);
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    const width = canvas.clientWidth;
    const colour = colours();
    g.fillStyle = colour.canvas;
    g.fillRect(0, 0, width, height);
    ui.overlay.textContent = '';
    labelBoxes = [];
    const frames = framesOf(sound);
    const peaks = detail || sound.peaks;
    if (peaks && peaks.decodable && peaks.columns > 0) {
      drawLanes(g, width, peaks, colour);
    } else {
      g.fillStyle = colour.muted;
      g.font = '14px system-ui, sans-serif';
      g.fillText(notDrawn('waveform'), 12, kLanes / 2);
    }
    drawAxis(g, width, frames, colour);
    drawSpectrogram(colour);
    ui.canvas.dataset.labels = boxesText(labelBoxes.filter((box) => box.lane));
    if (frames > 0) drawMarks(frames, words);
  }

  // What a canvas says of a format the page does not draw.
  const notDrawn = (what) => 'No ' + what + ': the samples are stored as ' + (sound.wave.audio.format || 'an unknown format') + ' (format tag 0x' +
    Number(sound.wave.audio.format_tag).toString(16).padStart(4, '0') + '), which this page does not draw.';
  const boxesText = (boxes) => boxes.map((b) => [b.x, b.y, b.width, b.height].map((n) => Math.round(n * 10) / 10).join(',')).join(' ');

  // Each pixel column shows the lowest and highest of the peak columns its frames fall in.
  function drawLanes(g, width, peaks, colour) {
    const lanes = peaks.channels;
    const lane = kLanes / lanes;
    const first = peaks.first || 0, count = peaks.count || peaks.frames;
    const columnOf = (frame) => ((frame - first) * peaks.columns) / count;
    const names = laneNames(lanes, maskOf(sound.wave));
    for (let c = 0; c < lanes; ++c) {
      const middle = lane * c + lane / 2;
      g.fillStyle = colour.wave;
      g.fillRect(0, middle, width, 0.5);
      for (let x = 0; x < width; ++x) {
        const from = Math.max(0, Math.floor(columnOf(view.first + (x * view.count) / width)));
        const to = Math.min(peaks.columns, Math.max(from + 1, Math.ceil(columnOf(view.first + ((x + 1) * view.count) / width))));
        if (from >= peaks.columns) break;
        let hi = -1, lo = 1;
        for (let column = from; column < to; ++column) {
          hi = Math.max(hi, peaks.max[c][column]);
          lo = Math.min(lo, peaks.min[c][column]);
        }
        const top = middle - (hi * lane) / 2, bottom = middle - (lo * lane) / 2;
        g.fillRect(x, top, 1, Math.max(1, bottom - top));
      }
      if (c > 0) {
        g.fillStyle = colour.grid;
        g.fillRect(0, lane * c, width, 1);
      }
      rightLabel(g, names[c], lane * c + 2, colour).lane = true;
    }
    ui.canvas.dataset.channels = names.join(',');
  }

  // Ticks at a round step, about 90 pixels apart, labelled in clock time.
  function drawAxis(g, width, frames, colour) {
    g.fillStyle = colour.axisBack;
    g.fillRect(0, kLanes, width, kAxis);
    g.fillStyle = colour.grid;
    g.fillRect(0, kLanes, width, 1);
    const labels = [];
    if (frames > 0 && width > 0) {
      const rate = rateOf(sound);
      const step = kSteps.find((s) => s >= (90 * view.count) / rate / width) || kSteps[kSteps.length - 1];
      const decimals = Math.max(0, Math.ceil(-Math.log10(step) - 1e-9));
      g.fillStyle = colour.axisInk;
      g.font = '11px system-ui, sans-serif';
      for (let t = Math.ceil(view.first / rate / step) * step; t * rate <= view.first + view.count; t += step) {
        const x = ((t * rate - view.first) * width) / view.count;
        g.fillRect(x, kLanes, 1, 5);
        const label = SndPage.clock(t, decimals);
        labels.push(label);
        g.fillText(label, Math.min(x + 3, width - g.measureText(label).width - 2), kLanes + 16);
      }
    }
    ui.canvas.dataset.ticks = labels.join(' ');
  }

  function drawMarks(frames, words) {
    const at = (sample) => (100 * (sample - view.first)) / view.count + '%';
    const span = (length) => (100 * length) / view.count + '%';
    // Each cue id's texts stand once; every point of that id shows them.
    const textsOf = new Map((sound.wave.cue_texts || []).map((entry) => [entry.cue_id, entry]));
    for (const cue of sound.wave.cues || []) {
      const sample = cue.sample_offset;
      const texts = textsOf.get(cue.id) || {labels: [], texts: [], notes: []};
      for (const text of texts.texts) {
        if (!text.sample_length) continue;
        const region = element('region', at(sample), text.text || text.purpose);
        region.style.width = span(Math.min(text.sample_length, frames - sample));
        region.dataset.sample = sample;
        region.dataset.length = text.sample_length;
      }
      const label = texts.labels.length ? texts.labels[0].text : null;
      const marker = element('cue', at(sample), label != null ? label : 'cue ' + cue.id);
      marker.dataset.sample = sample;
      marker.dataset.id = cue.id;
      marker.title = 'Cue ' + cue.id + ' at sample ' + sample + (cue.seconds != null ? ' (' + cue.seconds.toFixed(3) + ' s)' : '');
      clearOfLabels(marker, sample);
    }
    // Sampler loops: the frames from start to end, both included.
    for (const loop of sound.wave.loops || []) {
      const end = Math.min(loop.end + 1, frames);
      if (loop.start >= end) continue;
      const band = element('loop', at(loop.start), 'loop, ' + loop.type + (loop.play_count ? ', ' + loop.play_count + '×' : ''));
      band.style.width = span(end - loop.start);
      band.dataset.start = loop.start;
      band.dataset.end = loop.end;
    }
    words.forEach((word, i) => {
      let [start, end] = [word.int_a, word.int_b];
      // Words without positions inside the sound share its length evenly.
      if (!(start >= 0 && end > start && end <= frames)) [start, end] = [(i * frames) / words.length, ((i + 1) * frames) / words.length];
      const band = element('word', at(start), '');
      band.style.width = span(end - start);
      band.dataset.start = start;
      band.dataset.end = end;
      const bold = document.createElement('b');
      bold.textContent = word.word;
      const small = document.createElement('small');
      small.textContent = (word.phonemes || []).map((p) => p.symbol || (p.code ? String.fromCodePoint(p.code) : p.tag)).join(' ');
      band.append(bold, small);
    });
  }

  // A cue's label stands right of its line, unless it would reach the labels at the right edge: then it
  // ends left of them and of its line.
  function clearOfLabels(marker, sample) {
    const text = marker.querySelector('span');
    if (!text || labelBoxes.length === 0) return;
    const width = ui.canvas.clientWidth;
    const x = ((sample - view.first) * width) / view.count;
    const edge = Math.min(...labelBoxes.map((box) => box.x)) - 2;
    const wide = text.offsetWidth;
    if (x + 3 + wide > edge) text.style.left = (Math.min(x, edge) - x - wide - 3) + 'px';
  }

  function element(kind, left, label) {
    const node = document.createElement('div');
    node.className = kind;
    node.style.left = left;
    if (label) {
      const text = document.createElement('span');
      text.textContent = label;
      node.append(text);
    }
    ui.overlay.append(node);
    return node;
  }

  // ---- the spectrogram --------------------------------------------------------------

  // {on, data: the core's answer with its levels, asked: the span asked for, image: {key, canvas}}
  const spectro = {on: false, data: null, timer: 0, image: null};
  const kMostColumns = 2048, kMostRows = 512;

  // 256 colours from the canvas's background through the waveform's colour to the brightest.
  function paletteOf(colour) {
    const parse = (text) => {
      const probe = document.createElement('canvas').getContext('2d');
      probe.fillStyle = text;
      probe.fillRect(0, 0, 1, 1);
      return [...probe.getImageData(0, 0, 1, 1).data.slice(0, 3)];
    };
    const stops = [parse(colour.canvas), parse(colour.wave), parse(colour.peak)];
    return Array.from({length: 256}, (_, i) => {
      const t = (i / 255) * 2;
      const [a, b] = t <= 1 ? [stops[0], stops[1]] : [stops[1], stops[2]];
      const share = t <= 1 ? t : t - 1;
      return a.map((value, k) => Math.round(value + (b[k] - value) * share));
    });
  }

  // The levels as an image of columns x rows, row 0 at the bottom, in the theme's colours.
  function imageOf(data, colour) {
    const key = [colour.canvas, colour.wave, colour.peak].join('|');
    if (spectro.image && spectro.image.data === data && spectro.image.key === key) return spectro.image;
    const palette = paletteOf(colour);
    const levels = Uint8Array.from(atob(data.values), (c) => c.charCodeAt(0));
    const image = document.createElement('canvas');
    image.width = data.columns;
    image.height = data.rows;
    const g = image.getContext('2d');
    const pixels = g.createImageData(data.columns, data.rows);
    for (let column = 0; column < data.columns; ++column) {
      for (let row = 0; row < data.rows; ++row) {
        const [r, gr, b] = palette[levels[column * data.rows + row]];
        const at = ((data.rows - 1 - row) * data.columns + column) * 4;
        pixels.data[at] = r;
        pixels.data[at + 1] = gr;
        pixels.data[at + 2] = b;
        pixels.data[at + 3] = 255;
      }
    }
    g.putImageData(pixels, 0, 0);
    spectro.image = {data, key, canvas: image, palette};
    return spectro.image;
  }

  // Asks the core for the view's spectrogram once the zooming has paused.
  function askSpectrogram() {
    clearTimeout(spectro.timer);
    if (!spectro.on || !sound || !sound.peaks || sound.peaks.decodable === false) return;
    const asked = sound;
    const span = {...view};
    spectro.timer = setTimeout(async () => {
      if (sound !== asked || !spectro.on) return;
      const ratio = window.devicePixelRatio || 1;
      const columns = Math.min(kMostColumns, Math.max(1, Math.round(ui.canvas.clientWidth * ratio)));
      const rows = Math.min(kMostRows, Math.round(kLanes * ratio));
      const data = await SndPage.core.spectrogram(sound.file, sound.at, columns, rows, span.first, span.count);
      if (sound !== asked || view.first !== span.first || view.count !== span.count) return;
      spectro.data = data;
      draw();
    }, spectro.data ? 120 : 0);
  }

  // Over the lanes: the levels of the span the core gave, placed on the view's time axis, and the
  // frequencies 100 Hz, 1 kHz and 10 kHz at the right edge.
  function drawSpectrogram(colour) {
    const canvas = ui.spectro;
    canvas.hidden = !spectro.on;
    ui.spectroButton.setAttribute('aria-pressed', String(spectro.on));
    if (!spectro.on) return;
    const ratio = window.devicePixelRatio || 1;
    const width = canvas.clientWidth;
    canvas.width = Math.max(1, Math.round(width * ratio));
    canvas.height = Math.round(kLanes * ratio);
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    g.fillStyle = colour.canvas;
    g.fillRect(0, 0, width, kLanes);
    const data = spectro.data;
    // Not drawn: the waveform's reason, or the core's (a sound without a rate has no frequencies).
    const reason = sound.peaks && sound.peaks.decodable === false ? notDrawn('spectrogram')
      : data && !data.decodable ? 'No spectrogram: ' + (data.reason || 'the samples cannot be read') : '';
    canvas.dataset.reason = reason;
    if (reason) {
      g.fillStyle = colour.muted;
      g.font = '14px system-ui, sans-serif';
      g.fillText(reason, 12, kLanes / 2);
      return;
    }
    if (!data) {
      for (const key of ['lowHz', 'highHz', 'rows', 'columns', 'first', 'count']) delete canvas.dataset[key];
      return;
    }
    const x = (frame) => ((frame - view.first) * width) / view.count;
    if (data.count > 0) {
      g.imageSmoothingEnabled = false;
      g.drawImage(imageOf(data, colour).canvas, x(data.first), 0, x(data.first + data.count) - x(data.first), kLanes);
    }
    Object.assign(canvas.dataset, {lowHz: data.low_hz, highHz: data.high_hz, rows: data.rows, columns: data.columns, first: data.first, count: data.count});
    const spans = Math.log(data.high_hz / data.low_hz);
    const shown = [];
    for (const [hz, label] of [[100, '100 Hz'], [1000, '1 kHz'], [10000, '10 kHz']]) {
      if (hz < data.low_hz || hz > data.high_hz) continue;
      const y = kLanes * (1 - Math.log(hz / data.low_hz) / spans);
      g.fillStyle = colour.axisInk;
      g.fillRect(width - 6, y, 6, 1);
      rightLabel(g, label, Math.max(0, Math.min(kLanes - 14, y - 7)), colour);
      shown.push(label);
    }
    canvas.dataset.frequencies = shown.join(',');
  }

  function toggleSpectrogram() {
    if (!sound) return;
    spectro.on = !spectro.on;
    draw();
    askSpectrogram();
  }
  ui.spectroButton.addEventListener('click', toggleSpectrogram);
  // The theme changed: both canvases in its colours.
  window.matchMedia('(prefers-color-scheme: dark)').addEventListener('change', () => draw());

  // ---- zoom and scroll ----------------------------------------------------------------

  const fractionAt = (clientX) => {
    const box = ui.canvas.getBoundingClientRect();
    return Math.max(0, Math.min(1, (clientX - box.left) / box.width));
  };
  ui.canvas.addEventListener('wheel', (event) => {
    if (!sound) return;
    event.preventDefault();
    const sideways = event.shiftKey || Math.abs(event.deltaX) > Math.abs(event.deltaY);
    if (sideways) scrollBy((event.shiftKey ? event.deltaY : event.deltaX) / ui.canvas.clientWidth);
    else zoom(Math.exp(-event.deltaY * 0.002), fractionAt(event.clientX));
  }, {passive: false});
  // A pinch: two pointers, the view zoomed by how far apart they move.
  const pointers = new Map();
  ui.canvas.addEventListener('pointerdown', (event) => pointers.set(event.pointerId, event.clientX));
  ui.canvas.addEventListener('pointermove', (event) => {
    if (!pointers.has(event.pointerId) || pointers.size !== 2) return;
    const [a, b] = [...pointers.values()];
    pointers.set(event.pointerId, event.clientX);
    const [c, d] = [...pointers.values()];
    const before = Math.abs(a - b), after = Math.abs(c - d);
    if (before > 10 && after > 10) zoom(after / before, fractionAt((c + d) / 2));
  });
  for (const end of ['pointerup', 'pointercancel', 'pointerleave']) ui.canvas.addEventListener(end, (event) => pointers.delete(event.pointerId));
  // The arrows scroll the view; with Shift they move where the sound plays, a second at a time. [ and ] go to the
  // mark before and after.
  const kSeekSeconds = 1;
  ui.canvas.addEventListener('keydown', (event) => {
    const keys = event.shiftKey && event.key.startsWith('Arrow')
      ? {ArrowLeft: () => heard.seek(-kSeekSeconds), ArrowRight: () => heard.seek(kSeekSeconds)}
      : {'+': () => zoom(2), '=': () => zoom(2), '-': () => zoom(0.5), '0': whole,
        ArrowLeft: () => scrollBy(-0.25), ArrowRight: () => scrollBy(0.25), Home: () => scrollBy(-Infinity), End: () => scrollBy(Infinity),
        ' ': () => heard.space(), '[': () => heard.jump(false), ']': () => heard.jump(true), s: toggleSpectrogram};
    if (!sound || !Object.hasOwn(keys, event.key)) return;
    keys[event.key]();
    event.preventDefault();
  });
  ui.canvas.addEventListener('click', (event) => { if (sound) heard.pick(view.first + fractionAt(event.clientX) * view.count); });
  // A region's label takes the pointer (the overlay lets it through to the waveform elsewhere): it plays the region.
  ui.overlay.addEventListener('click', (event) => {
    const region = sound && event.target.closest('.region');
    if (region) heard.region(Number(region.dataset.sample), Number(region.dataset.length));
  });
  ui.zoomIn.addEventListener('click', () => zoom(2));
  ui.zoomOut.addEventListener('click', () => zoom(0.5));
  ui.scroll.addEventListener('input', () => {
    view.first = Number(ui.scroll.value);
    changed();
  });
  window.addEventListener('resize', draw);

  // Where a frame stands across the view, in percent; null outside it.
  const left = (frame) => (frame < view.first || frame > view.first + view.count ? null : (100 * (frame - view.first)) / view.count);

  return {
    show,
    hide: () => { sound = null; clearTimeout(asking); clearTimeout(spectro.timer); playhead(null); },
    view: () => ({...view}),
    // The spectrogram's colours, level 0 to 255 (for reading its pixels back).
    palette: () => paletteOf(colours()),
    // What a click on the waveform (the frame under it), Space on it, Shift and an arrow (seconds to move by), [ and ]
    // (forward or not) and a click on a region's label (its first frame and length) do:
    // {pick(frame), space(), seek(seconds), jump(forward), region(first, frames)}.
    listen: (what) => { heard = what; },
    playhead,
  };

  // The line over the frame playing or paused at (null: stopped), hidden while the frame is outside the view; kept
  // in its place when the view zooms or scrolls.
  function playhead(frame) {
    head = frame;
    ui.playhead.hidden = frame == null;
    if (frame == null) return;
    const at = left(frame);
    ui.playhead.style.visibility = at == null ? 'hidden' : '';
    ui.playhead.style.left = (at || 0) + '%';
  }
})();
