// The page: opens packages and WAVE files in the browser's memory, asks the
// project's C++ core (snd-core.js, WebAssembly) everything about them, and
// draws, plays and downloads what it answers. The core sees each opened file
// in its in-memory file system, at /files/<n>/<file name>.
'use strict';

(() => {
  const $ = (id) => document.getElementById(id);
  const ui = {
    open: $('open'), status: $('status'), files: $('files'), messages: $('messages'),
    package: $('package'), filter: $('filter'), counts: $('counts'), table: $('sounds'),
    body: document.querySelector('#sounds tbody'), selectAll: $('select-all'), totals: $('totals'),
    zipSelected: $('zip-selected'), zipAll: $('zip-all'),
    sound: $('sound'), soundName: $('sound-name'), play: $('play'), stop: $('stop'), download: $('download'),
    playable: $('playable'), canvas: $('wave'), overlay: $('overlay'), playhead: $('playhead'), chunks: $('chunks'),
  };

  let core = null;           // the WebAssembly module
  let coreOutput = [];       // what the core printed during the last call
  let nextId = 1;
  const opened = [];         // {id, name, dir, info (the file object), rows}
  let current = null;        // the opened file shown
  let sort = {key: 'index', up: true};
  let shown = null;          // {file, index, wave, peaks, bytes, buffer, format}
  let audio = null;          // AudioContext, made on first use
  let playing = null;        // {source, startedAt, offset}

  // ---- messages; nothing may fail silently -----------------------------------

  function message(kind, text) {
    const line = document.createElement('div');
    line.className = kind;
    line.textContent = (kind === 'note' ? '' : kind + ': ') + text;
    ui.messages.append(line);
  }
  function clearMessages() { ui.messages.textContent = ''; }
  window.addEventListener('error', (event) => { message('error', 'the page failed: ' + event.message); event.preventDefault(); });
  window.addEventListener('unhandledrejection', (event) => { message('error', 'the page failed: ' + (event.reason && event.reason.message || event.reason)); event.preventDefault(); });

  // ---- the core ---------------------------------------------------------------

  function call(name, returns, types, args, dir) {
    if (!core) throw new Error('the page\'s core has stopped; reload the page to go on');
    coreOutput = [];
    core.FS.chdir(dir);
    try {
      return core.ccall(name, returns, types, args);
    } catch (error) {
      // The core aborts when it runs out of memory, and cannot go on.
      core = null;
      throw new Error('the page\'s core stopped (' + error.message + '); reload the page to go on');
    } finally {
      if (core) core.FS.chdir('/');
    }
  }
  function json(name, types, args, dir) { return JSON.parse(call(name, 'string', types, args, dir)); }

  // The bytes Snd_Pull writes for export `index` (the file itself for a WAVE file).
  function exportBytes(file, index) {
    if (file.info.type === 'wave') return core.FS.readFile(file.dir + '/' + file.name);
    const out = '/export.wav';
    const status = call('SndWeb_Export', 'number', ['string', 'number', 'string'], [file.name, index, out], file.dir);
    if (status >= 2) throw new Error('the sound could not be exported');
    const bytes = core.FS.readFile(out);
    core.FS.unlink(out);
    return bytes;
  }

  // ---- opening files ------------------------------------------------------------

  async function openFiles(list) {
    if (!core) { message('error', 'the page is still loading its core; try again in a moment'); return; }
    const started = performance.now();
    let last = null;
    for (const blob of list) {
      const file = {id: nextId++, name: blob.name, size: blob.size, dir: '', info: null, rows: []};
      file.dir = '/files/' + file.id;
      try {
        const bytes = new Uint8Array(await blob.arrayBuffer());
        core.FS.mkdirTree(file.dir);
        core.FS.writeFile(file.dir + '/' + file.name, bytes, {canOwn: true});
        file.info = json('SndWeb_Info', ['string'], [file.name], file.dir).files[0];
        file.notes = coreOutput.slice();
      } catch (error) {
        file.info = {path: file.name, type: 'error', warnings: [], errors: ['cannot read ' + quoted(file.name) + ': ' + error.message]};
      }
      file.rows = rowsOf(file.info, file.size);
      opened.push(file);
      last = file;
    }
    renderFileTabs();
    if (last) showFile(last);
    const ms = performance.now() - started;
    ui.table.dataset.listMs = ms.toFixed(1);
    ui.status.textContent = (list.length === 1 ? list[0].name : list.length + ' files') + ' listed in ' + ms.toFixed(0) + ' ms';
  }

  function closeFile(file) {
    const at = opened.indexOf(file);
    if (at < 0) return;
    opened.splice(at, 1);
    try { core.FS.unlink(file.dir + '/' + file.name); core.FS.rmdir(file.dir); } catch (e) { /* already gone */ }
    if (current === file) {
      current = null;
      stopPlaying();
      shown = null;
      ui.package.hidden = ui.sound.hidden = true;
      clearMessages();
      if (opened.length) showFile(opened[opened.length - 1]);
    }
    renderFileTabs();
  }

  ui.open.addEventListener('change', () => { openFiles([...ui.open.files]).finally(() => { ui.open.value = ''; }); });
  document.addEventListener('dragover', (event) => { event.preventDefault(); document.body.classList.add('dropping'); });
  document.addEventListener('dragleave', (event) => { if (!event.relatedTarget) document.body.classList.remove('dropping'); });
  document.addEventListener('drop', (event) => {
    event.preventDefault();
    document.body.classList.remove('dropping');
    if (event.dataTransfer && event.dataTransfer.files.length) openFiles([...event.dataTransfer.files]);
  });

  // ---- the files and the table ---------------------------------------------------

  const quoted = (text) => "'" + text + "'";
  const escape = (text) => String(text).replace(/[&<>"']/g, (c) => ({'&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;', "'": '&#39;'}[c]));
  const seconds = (value) => (value == null ? '' : value.toFixed(3) + ' s');
  // Thousands separated by commas (toLocaleString costs a locale look-up).
  const bytes = (value) => (value == null ? '' : String(value).replace(/\B(?=(\d{3})+$)/g, ','));

  function rowsOf(info, fileSize) {
    if (info.type === 'package') {
      return info.exports.map((entry) => {
        const audio = entry.audio || {};
        return {index: entry.index, name: entry.name, sound: !!entry.sound, format: entry.sound ? audio.format : '(' + entry.class + ', no sound)',
                channels: audio.channels, rate: audio.rate, bits: audio.bits, duration: audio.duration, size: audio.file_size};
      });
    }
    if (info.type === 'wave') {
      const audio = info.wave.audio;
      return [{index: 0, name: info.path, sound: true, format: audio.format, channels: audio.channels, rate: audio.rate,
               bits: audio.bits, duration: audio.duration, size: audio.file_size ?? info.wave.file_size ?? fileSize}];
    }
    return [];
  }

  function renderFileTabs() {
    ui.files.textContent = '';
    for (const file of opened) {
      const tab = document.createElement('button');
      tab.type = 'button';
      tab.textContent = file.name;
      tab.dataset.file = file.name;
      if (file === current) tab.className = 'current';
      if (file.info.type === 'error') tab.classList.add('bad');
      tab.addEventListener('click', () => showFile(file));
      const close = document.createElement('span');
      close.className = 'close';
      close.textContent = '×';
      close.title = 'Close';
      close.addEventListener('click', (event) => { event.stopPropagation(); closeFile(file); });
      tab.append(close);
      ui.files.append(tab);
    }
  }

  function showFile(file) {
    current = file;
    stopPlaying();
    shown = null;
    ui.sound.hidden = true;
    clearMessages();
    for (const text of file.info.errors || []) message('error', text);
    for (const text of file.info.warnings || []) message('warning', text);
    for (const text of file.notes || []) message('note', text);
    ui.package.hidden = file.info.type === 'error';
    ui.filter.value = '';
    sort = {key: 'index', up: true};
    renderTable();
    renderFileTabs();
    if (file.info.type === 'wave') showSound(file, 0);
  }

  function visibleRows() {
    const filter = ui.filter.value.toLowerCase();
    const rows = filter ? current.rows.filter((row) => row.name.toLowerCase().includes(filter)) : current.rows.slice();
    const {key, up} = sort;
    rows.sort((a, b) => {
      const x = a[key], y = b[key];
      let order = x == null ? (y == null ? 0 : 1) : y == null ? -1 : typeof x === 'string' ? x.localeCompare(y) : x - y;
      if (!up) order = -order;
      return order || a.index - b.index;
    });
    return rows;
  }

  // The rows in the table's order; only those in sight are made (a package
  // may hold 100,000 sounds), between two spacers of the others' height.
  let view = [];
  let rowHeight = 0;
  let windowStart = -1;

  function renderTable() {
    if (!current || current.info.type === 'error') return;
    view = visibleRows();
    ui.table.dataset.rows = view.length;
    for (const th of ui.table.querySelectorAll('th[data-key]')) {
      th.classList.toggle('sorted-up', th.dataset.key === sort.key && sort.up);
      th.classList.toggle('sorted-down', th.dataset.key === sort.key && !sort.up);
    }
    ui.counts.textContent = view.length === current.rows.length ? view.length + ' exports' : view.length + ' of ' + current.rows.length + ' exports';
    const totals = current.info.totals;
    const header = current.info.package;
    ui.totals.textContent = (totals ? totals.sounds + ' sounds, ' + bytes(totals.bytes) + ' bytes, ' + seconds(totals.duration) : '') +
      (header ? ' — package ' + (header.tag_code ?? header.tag ?? '') + ', version ' + header.version + ', ' + header.names.count + ' names, ' +
        header.imports.count + ' imports, ' + header.exports.count + ' exports' : '');
    ui.selectAll.checked = false;
    ui.table.parentElement.scrollTop = 0;
    windowStart = -1;
    renderWindow();
  }

  function rowHtml(r) {
    const classes = (r.sound ? '' : 'nosound') + (shown && shown.file === current && shown.index === r.index ? ' shown' : '');
    return '<tr tabindex="0" data-index="' + r.index + '" class="' + classes + '"><td><input type="checkbox" aria-label="Select"' +
      (r.sound ? '' : ' disabled') + (r.selected ? ' checked' : '') + '></td><td class="number">' + r.index +
      '</td><td class="name">' + escape(r.name) + '</td><td>' + escape(r.format || '') + '</td><td class="number">' +
      (r.channels ?? '') + '</td><td class="number">' + (r.rate ?? '') + '</td><td class="number">' + (r.bits ?? '') +
      '</td><td class="number">' + seconds(r.duration) + '</td><td class="number">' + bytes(r.size) + '</td></tr>';
  }

  function renderWindow(force) {
    const frame = ui.table.parentElement;
    const height = rowHeight || 26;
    const first = Math.max(0, Math.floor(frame.scrollTop / height) - 20);
    if (!force && first === windowStart) return;
    windowStart = first;
    const last = Math.min(view.length, first + Math.ceil((frame.clientHeight || 400) / height) + 40);
    const spacer = (rows) => (rows > 0 ? '<tr class="spacer"><td colspan="9" style="height:' + rows * height + 'px"></td></tr>' : '');
    const html = [spacer(first)];
    for (let i = first; i < last; ++i) html.push(rowHtml(view[i]));
    html.push(spacer(view.length - last));
    ui.body.innerHTML = html.join('');
    const sample = ui.body.querySelector('tr[data-index]');
    if (!rowHeight && sample && sample.offsetHeight) {
      rowHeight = sample.offsetHeight;
      if (rowHeight !== height) renderWindow(true);
    }
  }

  ui.table.parentElement.addEventListener('scroll', () => renderWindow());

  ui.filter.addEventListener('input', renderTable);
  // Enter on a row shows its sound, as a click does.
  ui.body.addEventListener('keydown', (event) => {
    if (event.key !== 'Enter' || !event.target.matches('tr[data-index]')) return;
    if (current.info.type === 'package') showSound(current, Number(event.target.dataset.index));
  });
  ui.table.querySelector('thead').addEventListener('click', (event) => {
    const th = event.target.closest('th[data-key]');
    if (!th) return;
    sort = {key: th.dataset.key, up: sort.key === th.dataset.key ? !sort.up : true};
    renderTable();
  });
  ui.body.addEventListener('click', (event) => {
    const tr = event.target.closest('tr[data-index]');
    if (!tr) return;
    const row = current.rows.find((r) => r.index === Number(tr.dataset.index));
    if (event.target.matches('input[type=checkbox]')) { row.selected = event.target.checked; return; }
    if (current.info.type === 'package') showSound(current, row.index);
  });
  ui.selectAll.addEventListener('change', () => {
    for (const row of view) if (row.sound) row.selected = ui.selectAll.checked;
    renderWindow(true);
  });

  // ---- one sound --------------------------------------------------------------------

  async function showSound(file, index) {
    stopPlaying();
    const info = file.info.type === 'wave' ? file.info : json('SndWeb_Sound', ['string', 'number'], [file.name, index], file.dir).files[0];
    clearMessages();
    for (const text of file.info.errors || []) message('error', text);
    for (const text of file.info.warnings || []) message('warning', text);
    if (info !== file.info) {
      for (const text of info.errors || []) message('error', text);
      for (const text of info.warnings || []) message('warning', text);
    }
    for (const text of coreOutput) message('note', text);
    for (const tr of ui.body.querySelectorAll('tr[data-index]')) tr.classList.toggle('shown', Number(tr.dataset.index) === index);
    if (info.type !== 'wave') {
      ui.sound.hidden = true;
      shown = null;
      return;
    }
    const peaks = json('SndWeb_Peaks', ['string', 'number', 'number'], [file.name, file.info.type === 'wave' ? -1 : index, 1600], file.dir);
    shown = {file, index, info, wave: info.wave, peaks, bytes: null, buffer: null};
    ui.sound.hidden = false;
    ui.soundName.textContent = info.sound != null ? info.sound : file.name;
    ui.chunks.textContent = chunkText(info.wave);
    drawWave();
    await decode(shown);
  }

  // The browser's own audio stack plays the exported bytes; what it cannot
  // decode is said so, and everything else still works.
  async function decode(sound) {
    ui.playable.textContent = 'decoding…';
    ui.playable.className = '';
    ui.sound.dataset.playable = 'pending';
    ui.play.disabled = true;
    let buffer = null;
    try {
      if (sound.peaks.too_large) throw new Error('too large');
      sound.bytes = exportBytes(sound.file, sound.index);
      audio = audio || new AudioContext();
      buffer = await audio.decodeAudioData(sound.bytes.slice().buffer);
    } catch (error) {
      buffer = null;
    }
    if (shown !== sound) return;
    sound.buffer = buffer;
    const audioFacts = sound.wave.audio;
    if (buffer) {
      ui.playable.textContent = 'plays here: ' + buffer.numberOfChannels + (buffer.numberOfChannels === 1 ? ' channel, ' : ' channels, ') + buffer.duration.toFixed(3) + ' s';
      ui.sound.dataset.playable = 'yes';
      ui.play.disabled = false;
    } else if (sound.peaks.too_large) {
      ui.playable.textContent = 'Too large to play in the page; it can still be downloaded.';
      ui.playable.className = 'cannot';
      ui.sound.dataset.playable = 'no';
    } else {
      ui.playable.textContent = "This browser's audio stack cannot play this sound (" + (audioFacts.format || 'unknown format') + ', format tag 0x' +
        Number(audioFacts.format_tag).toString(16).padStart(4, '0') + ', ' + audioFacts.bits + ' bits); it can still be downloaded.';
      ui.playable.className = 'cannot';
      ui.sound.dataset.playable = 'no';
    }
  }

  function play(offset) {
    if (!shown || !shown.buffer) return;
    stopPlaying();
    if (audio.state === 'suspended') audio.resume();
    const source = audio.createBufferSource();
    source.buffer = shown.buffer;
    source.connect(audio.destination);
    const start = Math.max(0, Math.min(offset, shown.buffer.duration));
    source.start(0, start);
    playing = {source, startedAt: audio.currentTime, offset: start};
    source.onended = () => { if (playing && playing.source === source) stopPlaying(); };
    ui.playhead.hidden = false;
    requestAnimationFrame(movePlayhead);
  }

  function stopPlaying() {
    if (playing) {
      const {source} = playing;
      playing = null;
      try { source.stop(); } catch (e) { /* not started */ }
    }
    ui.playhead.hidden = true;
  }

  function movePlayhead() {
    if (!playing || !shown || !shown.buffer) return;
    const at = playing.offset + (audio.currentTime - playing.startedAt);
    ui.playhead.style.left = (100 * at / shown.buffer.duration) + '%';
    requestAnimationFrame(movePlayhead);
  }

  ui.play.addEventListener('click', () => play(0));
  ui.stop.addEventListener('click', stopPlaying);
  ui.canvas.addEventListener('click', (event) => {
    if (!shown || !shown.buffer) return;
    const box = ui.canvas.getBoundingClientRect();
    play(((event.clientX - box.left) / box.width) * shown.buffer.duration);
  });
  ui.download.addEventListener('click', () => {
    if (!shown) return;
    const name = shown.file.info.type === 'wave' ? shown.file.name : fileNames(shown.file).files[shown.index];
    save(new Blob([shown.bytes || exportBytes(shown.file, shown.index)], {type: 'audio/wav'}), name);
  });

  // ---- drawing ----------------------------------------------------------------------

  const kWaveHeight = 200;

  function drawWave() {
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
    const audioFacts = shown.wave.audio;
    const frames = audioFacts.frames || (peaks && peaks.frames) || 0;
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
      g.fillText(peaks && peaks.too_large ? 'No waveform: the sound is larger than the page draws (256 MiB).'
        : 'No waveform: the samples are stored as ' + (audioFacts.format || 'an unknown format') + ' (format tag 0x' +
          Number(audioFacts.format_tag).toString(16).padStart(4, '0') + '), which this page does not draw.', 12, kWaveHeight / 2);
    }
    if (frames <= 0) return;
    const at = (sample) => (100 * sample) / frames + '%';
    for (const cue of shown.wave.cues || []) {
      const sample = cue.sample_offset != null ? cue.sample_offset : cue.position;
      for (const text of cue.texts || []) {
        const length = textLength(text);
        if (!length) continue;
        const region = element('region', at(sample), text.text || text.purpose);
        region.style.width = (100 * Math.min(length, frames - sample)) / frames + '%';
        region.dataset.sample = sample;
        region.dataset.length = length;
      }
      const label = cueLabel(cue);
      const marker = element('cue', at(sample), label != null ? label : 'cue ' + cue.id);
      marker.dataset.sample = sample;
      marker.dataset.id = cue.id;
      marker.title = 'Cue ' + cue.id + ' at sample ' + sample + (cue.seconds != null ? ' (' + cue.seconds.toFixed(3) + ' s)' : '');
    }
    const words = (shown.wave.phonemes && shown.wave.phonemes.words) || [];
    words.forEach((word, i) => {
      let [start, end] = word.start != null ? [word.start, word.end] : [word.int_a, word.int_b];
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

  // A cue point's label: the first of its "labl" texts.
  const cueLabel = (cue) => (cue.labels && cue.labels.length ? cue.labels[0].text : cue.label);
  // A labelled text's length in samples.
  const textLength = (text) => (text.sample_length != null ? text.sample_length : text.length);

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

  window.addEventListener('resize', () => { if (shown) drawWave(); });

  // The chunk list: every chunk with its fields, as the core reports them.
  function chunkText(wave) {
    const lines = ['RIFF size: ' + wave.riff_size + (wave.riff_size_stored !== wave.riff_size ? ' as saved (' + wave.riff_size_stored + ' as stored)' : '')];
    const value = (v) => (typeof v === 'string' ? JSON.stringify(v) : Array.isArray(v) ? '[' + v.length + ']' : v && typeof v === 'object' ? JSON.stringify(v) : String(v));
    for (const chunk of wave.chunks || []) {
      const size = chunk.size != null ? chunk.size : chunk.claimed_size;
      lines.push("'" + chunk.id + "' " + size + ' bytes' + (chunk.offset != null ? ' at offset ' + chunk.offset : ''));
      for (const [key, v] of Object.entries(chunk)) {
        if (['id', 'size', 'offset'].includes(key)) continue;
        if (Array.isArray(v) && v.length && typeof v[0] === 'object') {
          lines.push('  ' + key + ':');
          for (const item of v) lines.push('    ' + Object.entries(item).map(([k, x]) => k + ' ' + value(x)).join(', '));
        } else {
          lines.push('  ' + key + ': ' + value(v));
        }
      }
    }
    for (const cue of wave.cues || []) {
      lines.push('Cue ' + cue.id + ' at sample ' + cue.sample_offset + (cue.seconds != null ? ' (' + cue.seconds.toFixed(3) + ' s)' : '') +
        (cueLabel(cue) != null ? ': ' + JSON.stringify(cueLabel(cue)) : '') +
        (cue.texts || []).map((t) => ', ' + JSON.stringify(t.text) + ' for ' + textLength(t) + ' samples').join(''));
    }
    for (const [tag, text] of Object.entries(wave.info || {})) lines.push(tag + ': ' + JSON.stringify(text));
    return lines.join('\n');
  }

  // ---- downloads ----------------------------------------------------------------------

  function save(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }

  // The folder and file names Snd_Info's /x: gives the package's sounds.
  function fileNames(file) {
    if (!file.names) file.names = json('SndWeb_FileNames', ['string'], [file.name], file.dir);
    return file.names;
  }

  function zip(rows) {
    const file = current;
    const names = fileNames(file);
    const entries = {};
    for (const row of rows) {
      if (!row.sound || !names.files[row.index]) continue;
      entries[names.folder + '/' + names.files[row.index]] = [exportBytes(file, row.index), {level: 0}];
    }
    if (!Object.keys(entries).length) { message('warning', 'no sound selected'); return; }
    save(new Blob([fflate.zipSync(entries)], {type: 'application/zip'}), names.folder + '.zip');
  }

  ui.zipAll.addEventListener('click', () => current && zip(current.rows));
  ui.zipSelected.addEventListener('click', () => current && zip(current.rows.filter((row) => row.selected)));

  // ---- start ----------------------------------------------------------------------------

  ui.status.textContent = 'Loading…';
  SndCore({print: (text) => coreOutput.push(text), printErr: (text) => coreOutput.push(text)}).then((module) => {
    core = module;
    ui.status.textContent = '';
    document.body.dataset.ready = 'yes';
  }, (error) => message('error', 'the page could not start its core: ' + error));
})();
