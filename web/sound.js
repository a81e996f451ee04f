// One sound of the page: its waveform with the cue points, labelled regions,
// sampler loops and phoneme words the core reports, playing it from any point (a format the
// browser cannot decode from the core's 16-bit PCM conversion), its chunks as Snd_Info prints
// them, and its downloads: as stored, and as PCM where the core converts it.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.sound = (() => {
  const $ = (id) => document.getElementById(id);
  const ui = {
    sound: $('sound'), soundName: $('sound-name'), play: $('play'), stop: $('stop'), download: $('download'), downloadPcm: $('download-pcm'),
    playable: $('playable'), canvas: $('wave'), overlay: $('overlay'), playhead: $('playhead'), chunks: $('chunks'),
    rows: document.querySelector('#sounds tbody'),
  };
  const core = SndPage.core;
  let shown = null;    // {file, index, at, info, wave, peaks, bytes, pcm, buffer, converted}
  let audio = null;    // AudioContext, made on first use
  let playing = null;  // {source, startedAt, offset}

  function messagesOf(info) {
    for (const text of info.errors || []) SndPage.message('error', text);
    for (const text of info.warnings || []) SndPage.message('warning', text);
  }

  // Shows the sound, and plays it once decoded when `andPlay` says so.
  async function show(file, index, andPlay) {
    stop();
    const info = file.info.type === 'wave' ? file.info : core.sound(file, index);
    SndPage.clearMessages();
    messagesOf(file.info);
    if (info !== file.info) messagesOf(info);
    for (const tr of ui.rows.querySelectorAll('tr[data-index]')) tr.classList.toggle('shown', Number(tr.dataset.index) === index);
    if (info.type !== 'wave') {
      hide();
      return;
    }
    const at = file.info.type === 'wave' ? -1 : index;
    const peaks = core.peaks(file, at, 1600);
    shown = {file, index, at, info, wave: info.wave, peaks, bytes: null, pcm: null, buffer: null, converted: false};
    ui.sound.hidden = false;
    ui.downloadPcm.hidden = !peaks.pcm;
    ui.soundName.textContent = info.sound != null ? info.sound : file.name;
    ui.chunks.textContent = core.print(file, at);
    draw();
    const sound = shown;
    await decode(sound);
    if (andPlay && shown === sound && sound.buffer) play(0);
  }

  function hide() {
    stop();
    shown = null;
    ui.sound.hidden = true;
  }

  // The page plays a sound of at most 256 MiB (the core says which are larger: "too_large"),
  // and converts one to at most this many bytes of 16-bit PCM for playing:
  // the tab holds them, and the browser's decoding of them, besides the stored bytes.
  const kMostConvertedBytes = 256 * 1024 * 1024;

  // The browser's own audio stack plays the exported bytes; a sound it cannot
  // decode as stored plays from the core's 16-bit PCM conversion; what neither
  // can decode is said so, and everything else still works.
  async function decode(sound) {
    ui.playable.textContent = 'decoding…';
    ui.playable.className = '';
    ui.sound.dataset.playable = 'pending';
    ui.play.disabled = true;
    const facts = sound.wave.audio;
    const converted = (facts.frames || 0) * facts.channels * 2;
    let buffer = null;
    let tooLarge = Boolean(sound.peaks.too_large);
    const decoded = (bytes) => audio.decodeAudioData(bytes.slice().buffer).catch(() => null);
    try {
      if (tooLarge) throw new Error('too large');
      sound.bytes = core.exportBytes(sound.file, sound.index);
      audio = audio || new AudioContext();
      buffer = await decoded(sound.bytes);
      if (!buffer && sound.peaks.pcm && shown === sound) {
        tooLarge = converted > kMostConvertedBytes;
        if (tooLarge) throw new Error('too large');
        sound.pcm = core.pcmBytes(sound.file, sound.at);
        buffer = sound.pcm && await decoded(sound.pcm);
        sound.converted = Boolean(buffer);
      }
    } catch (error) {
      buffer = null;
    }
    if (shown !== sound) return;
    sound.buffer = buffer;
    if (buffer) {
      ui.playable.textContent = (sound.converted ? 'plays here from its 16-bit PCM conversion: ' : 'plays here: ') + buffer.numberOfChannels + (buffer.numberOfChannels === 1 ? ' channel, ' : ' channels, ') + buffer.duration.toFixed(3) + ' s';
      ui.sound.dataset.playable = 'yes';
      ui.play.disabled = false;
    } else if (tooLarge) {
      ui.playable.textContent = 'Too large to play in the page (more than 256 MiB); it can still be downloaded.';
      ui.playable.className = 'cannot';
      ui.sound.dataset.playable = 'no';
    } else {
      ui.playable.textContent = "This browser's audio stack cannot play this sound (" + (facts.format || 'unknown format') + ', format tag 0x' +
        Number(facts.format_tag).toString(16).padStart(4, '0') + ', ' + facts.bits + ' bits); it can still be downloaded.';
      ui.playable.className = 'cannot';
      ui.sound.dataset.playable = 'no';
    }
  }

  function play(offset) {
    if (!shown || !shown.buffer) return;
    stop();
    if (audio.state === 'suspended') audio.resume();
    const source = audio.createBufferSource();
    source.buffer = shown.buffer;
    source.connect(audio.destination);
    const start = Math.max(0, Math.min(offset, shown.buffer.duration));
    source.start(0, start);
    playing = {source, startedAt: audio.currentTime, offset: start};
    source.onended = () => { if (playing && playing.source === source) stop(); };
    ui.playhead.hidden = false;
    requestAnimationFrame(movePlayhead);
  }

  function stop() {
    if (playing) {
      const {source} = playing;
      playing = null;
      try { source.stop(); } catch (e) { /* not started */ }
    }
    ui.playhead.hidden = true;
  }

  // Space: plays the sound shown, or stops it.
  function toggle() {
    if (playing) stop();
    else play(0);
  }

  function movePlayhead() {
    if (!playing || !shown || !shown.buffer) return;
    const at = playing.offset + (audio.currentTime - playing.startedAt);
    ui.playhead.style.left = (100 * at / shown.buffer.duration) + '%';
    requestAnimationFrame(movePlayhead);
  }

  ui.play.addEventListener('click', () => play(0));
  ui.stop.addEventListener('click', stop);
  ui.canvas.addEventListener('click', (event) => {
    if (!shown || !shown.buffer) return;
    const box = ui.canvas.getBoundingClientRect();
    play(((event.clientX - box.left) / box.width) * shown.buffer.duration);
  });
  // Both downloads have the name /x: gives the sound (the file's own for a WAVE file).
  const fileName = (sound) => sound.file.info.type === 'wave' ? sound.file.name : core.fileNames(sound.file).files[sound.index];
  ui.download.addEventListener('click', () => {
    if (!shown) return;
    SndPage.save(new Blob([shown.bytes || core.exportBytes(shown.file, shown.index)], {type: 'audio/wav'}), fileName(shown));
  });
  ui.downloadPcm.addEventListener('click', () => {
    if (!shown) return;
    const bytes = shown.pcm || core.pcmBytes(shown.file, shown.at);
    if (bytes) SndPage.save(new Blob([bytes], {type: 'audio/wav'}), fileName(shown));
    else SndPage.message('error', 'the sound cannot be converted to PCM: it lacks its format or its samples');
  });

  // ---- drawing ----------------------------------------------------------------------

  const kWaveHeight = 200;

  function draw() {
    const canvas = ui.canvas;
    const ratio = window.devicePixelRatio || 1;
    canvas.width = Math.max(1, Math.round(canvas.clientWidth * ratio));
    canvas.height = Math.round(260 * ratio);
    const g = canvas.getContext('2d');
    g.setTransform(ratio, 0, 0, ratio, 0, 0);
    const width = canvas.clientWidth;
    g.fillStyle = '#ffffff';
    g.fillRect(0, 0, width, 260);
    g.fillStyle = '#f6f8fb';
    g.fillRect(0, kWaveHeight + 4, width, 56);
    ui.overlay.textContent = '';
    const peaks = shown.peaks;
    const facts = shown.wave.audio;
    const frames = facts.frames || (peaks && peaks.frames) || 0;
    if (peaks && peaks.decodable && peaks.columns > 0) {
      const lanes = peaks.channels;
      const lane = kWaveHeight / lanes;
      g.fillStyle = '#2f6fbd';
      for (let c = 0; c < lanes; ++c) {
        const middle = lane * c + lane / 2;
        g.fillRect(0, middle, width, 0.5);
        for (let x = 0; x < width; ++x) {
          const column = Math.min(peaks.columns - 1, Math.floor((x * peaks.columns) / width));
          const hi = peaks.max[c][column], lo = peaks.min[c][column];
          const top = middle - (hi * lane) / 2, bottom = middle - (lo * lane) / 2;
          g.fillRect(x, top, 1, Math.max(1, bottom - top));
        }
      }
    } else {
      g.fillStyle = '#5b6672';
      g.font = '14px system-ui, sans-serif';
      g.fillText('No waveform: the samples are stored as ' + (facts.format || 'an unknown format') + ' (format tag 0x' +
          Number(facts.format_tag).toString(16).padStart(4, '0') + '), which this page does not draw.', 12, kWaveHeight / 2);
    }
    if (frames <= 0) return;
    const at = (sample) => (100 * sample) / frames + '%';
    // Each cue id's texts stand once; every point of that id shows them.
    const textsOf = new Map((shown.wave.cue_texts || []).map((entry) => [entry.cue_id, entry]));
    for (const cue of shown.wave.cues || []) {
      const sample = cue.sample_offset;
      const texts = textsOf.get(cue.id) || {labels: [], texts: [], notes: []};
      for (const text of texts.texts) {
        if (!text.sample_length) continue;
        const region = element('region', at(sample), text.text || text.purpose);
        region.style.width = (100 * Math.min(text.sample_length, frames - sample)) / frames + '%';
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
    for (const loop of shown.wave.loops || []) {
      const end = Math.min(loop.end + 1, frames);
      if (loop.start >= end) continue;
      const band = element('loop', at(loop.start), 'loop, ' + loop.type + (loop.play_count ? ', ' + loop.play_count + '×' : ''));
      band.style.width = (100 * (end - loop.start)) / frames + '%';
      band.dataset.start = loop.start;
      band.dataset.end = loop.end;
    }
    const words = (shown.wave.phonemes && shown.wave.phonemes.words) || [];
    words.forEach((word, i) => {
      let [start, end] = [word.int_a, word.int_b];
      // Words without positions inside the sound share its length evenly.
      if (!(start >= 0 && end > start && end <= frames)) [start, end] = [(i * frames) / words.length, ((i + 1) * frames) / words.length];
      const band = element('word', at(start), '');
      band.style.width = (100 * (end - start)) / frames + '%';
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
      const span = document.createElement('span');
      span.textContent = label;
      node.append(span);
    }
    ui.overlay.append(node);
    return node;
  }

  window.addEventListener('resize', () => { if (shown) draw(); });

  return {show, hide, stop, toggle, shown: () => shown};
})();
