// The waveform of the sound shown: a lane a channel with its label, a time
// axis in clock time, the cue points, labelled regions, sampler loops and
// phoneme words the core reports, over the span of frames in view. Zoom with
// the wheel, a pinch, + and - (or the buttons); scroll with the wheel
// sideways, the arrow keys or the bar under it. The whole sound's peaks come
// with the sound; a zoomed view asks the core for its own span's.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.wave = (() => {
  const $ = (id) => document.getElementById(id);
  const ui = {canvas: $('wave'), overlay: $('overlay'), playhead: $('playhead'), scroll: $('wave-scroll'), zoomIn: $('zoom-in'), zoomOut: $('zoom-out')};
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

  function laneNames(channels) {
    if (channels === 1) return ['mono'];
    if (channels === 2) return ['L', 'R'];
    return Array.from({length: channels}, (_, c) => 'ch ' + (c + 1));
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
    g.fillStyle = '#ffffff';
    g.fillRect(0, 0, width, height);
    ui.overlay.textContent = '';
    const facts = sound.wave.audio;
    const frames = framesOf(sound);
    const peaks = detail || sound.peaks;
    if (peaks && peaks.decodable && peaks.columns > 0) {
      drawLanes(g, width, peaks);
    } else {
      g.fillStyle = '#5b6672';
      g.font = '14px system-ui, sans-serif';
      g.fillText('No waveform: the samples are stored as ' + (facts.format || 'an unknown format') + ' (format tag 0x' +
          Number(facts.format_tag).toString(16).padStart(4, '0') + '), which this page does not draw.', 12, kLanes / 2);
    }
    drawAxis(g, width, frames);
    if (frames > 0) drawMarks(frames, words);
  }

  // Each pixel column shows the lowest and highest of the peak columns its frames fall in.
  function drawLanes(g, width, peaks) {
    const lanes = peaks.channels;
    const lane = kLanes / lanes;
    const first = peaks.first || 0, count = peaks.count || peaks.frames;
    const columnOf = (frame) => ((frame - first) * peaks.columns) / count;
    const names = laneNames(lanes);
    for (let c = 0; c < lanes; ++c) {
      const middle = lane * c + lane / 2;
      g.fillStyle = '#2f6fbd';
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
        g.fillStyle = '#d5dbe2';
        g.fillRect(0, lane * c, width, 1);
      }
      g.font = '11px system-ui, sans-serif';
      g.fillStyle = 'rgba(255, 255, 255, 0.8)';
      g.fillRect(2, lane * c + 2, g.measureText(names[c]).width + 6, 14);
      g.fillStyle = '#414b55';
      g.fillText(names[c], 5, lane * c + 13);
    }
    ui.canvas.dataset.channels = names.join(',');
  }

  // Ticks at a round step, about 90 pixels apart, labelled in clock time.
  function drawAxis(g, width, frames) {
    g.fillStyle = '#f6f8fb';
    g.fillRect(0, kLanes, width, kAxis);
    g.fillStyle = '#d5dbe2';
    g.fillRect(0, kLanes, width, 1);
    const labels = [];
    if (frames > 0 && width > 0) {
      const rate = rateOf(sound);
      const step = kSteps.find((s) => s >= (90 * view.count) / rate / width) || kSteps[kSteps.length - 1];
      const decimals = Math.max(0, Math.ceil(-Math.log10(step) - 1e-9));
      g.fillStyle = '#414b55';
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
        ' ': () => heard.space(), '[': () => heard.jump(false), ']': () => heard.jump(true)};
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
    hide: () => { sound = null; clearTimeout(asking); playhead(null); },
    view: () => ({...view}),
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
