// The page's link to the project's C++ core (snd-core.js, WebAssembly): every
// fact the page shows, every byte it downloads, comes from the core's C API
// (web/SndWeb.cpp). The core runs in a Web Worker (worker.js), so that the
// page stays responsive while it works, and reads each opened file where it
// is, in slices, at /files/<n>/<file name>; it prints nothing, and answers in
// JSON, in text, or with the bytes of a file it wrote. Every call here
// returns a promise of the answer.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.core = (() => {
  let worker = null;
  let started = false;
  let failed = null;  // why the worker stopped, once it has: every call after fails at once
  let nextId = 1;
  const waiting = new Map();  // id -> {resolve, reject}

  // The worker is made from the text of SndWorkerMain (snd-worker.js, loaded
  // as a script): a page opened as a file may not start a worker from a file,
  // but may from a Blob.
  function makeWorker() {
    const source = '(' + SndWorkerMain.toString() + ')();';
    const url = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
    const made = new Worker(url);
    URL.revokeObjectURL(url);
    made.onmessage = (event) => {
      const {id, result, error} = event.data;
      const promise = waiting.get(id);
      waiting.delete(id);
      if (error !== undefined) promise.reject(new Error(error));
      else promise.resolve(result);
    };
    made.onerror = (event) => {
      event.preventDefault();
      failed = new Error('the page\'s core failed (' + event.message + '); reload the page to go on');
      for (const promise of waiting.values()) promise.reject(failed);
      waiting.clear();
    };
    return made;
  }

  function ask(op, ...args) {
    if (failed) return Promise.reject(failed);
    if (!worker) return Promise.reject(new Error('the page\'s core has not started'));
    const id = nextId++;
    return new Promise((resolve, reject) => {
      waiting.set(id, {resolve, reject});
      worker.postMessage({id, op, args});
    });
  }

  // The worker sends a package's exports as columns (worker.js); made back into one object each here.
  function exportsOf(info) {
    const columns = info.exportColumns;
    if (!columns) return info;
    const {count, keys, numbers} = columns;
    const width = keys.length;
    const at = Object.fromEntries(keys.map((key, k) => [key, k]));
    const number = (i, key) => {
      const value = numbers[i * width + at[key]];
      return Number.isNaN(value) ? null : value;
    };
    const exports = new Array(count);
    for (let i = 0; i < count; ++i) {
      exports[i] = {index: columns.index[i], name: columns.name[i], group: columns.group[i], class: columns.klass[i],
                    sound: columns.sound[i] === 1, audio: columns.audio[i] === 1, format: columns.format[i], damage: columns.damage[i],
                    channels: number(i, 'channels'), rate: number(i, 'rate'), bits: number(i, 'bits'), duration: number(i, 'duration'),
                    file_size: number(i, 'file_size'), wave_size: number(i, 'wave_size')};
    }
    const {exportColumns: _, ...rest} = info;
    return {...rest, exports};
  }

  return {
    start() {
      try {
        worker = makeWorker();
      } catch (error) {
        return Promise.reject(error);
      }
      return ask('memory').then(() => { started = true; });
    },
    ready: () => started,

    // Puts an opened file (a File or Blob) where the core reads it, without copying it.
    mount: (file, blob) => ask('mount', file.dir, file.name, blob),
    remove: (file) => ask('unmount', file.dir, file.name).catch(() => {}),

    // The <file> object `Snd_Info --json` prints for the file, or for export `index` of a package.
    // A package's exports come flat, their audio facts beside their names:
    // {index, name, group, class, sound, audio (whether it has audio facts), format, channels, rate, bits,
    // duration, file_size, wave_size, damage}, missing facts null.
    info: (file) => ask('info', file.dir, file.name).then(exportsOf),
    // A package's exports from its tables alone, at once: [[index, name, group, class], ...]; null for another file.
    exports: (file) => ask('exports', file.dir, file.name),
    sound: (file, index) => ask('sound', file.dir, file.name, index),
    // The text `Snd_Info` prints for the WAVE file (index -1) or the sound.
    print: (file, index) => ask('print', file.dir, file.name, index),
    // The waveform of frames [first, first + count) in `columns` columns (count 0: to the end).
    peaks: (file, index, columns, first = 0, count = 0) => ask('peaks', file.dir, file.name, index, columns, first, count),
    // The spectrogram of frames [first, first + count) (count 0: to the end): `columns` x `rows`
    // levels 0..255 as base64, column after column, row 0 the lowest of low_hz..high_hz on a log scale.
    spectrogram: (file, index, columns, rows, first = 0, count = 0) => ask('spectrogram', file.dir, file.name, index, columns, rows, first, count),

    // The bytes Snd_Pull writes for export `index` (the file itself for a WAVE file).
    exportBytes(file, index) {
      if (file.info.type === 'wave') return file.blob.arrayBuffer().then((buffer) => new Uint8Array(buffer));
      return ask('exportBytes', file.dir, file.name, index);
    },

    // Where the bytes exportBytes gives lie in the package: [{index, offset, size}] by export index.
    async exportSpans(file) {
      if (!file.spans) file.spans = await ask('exportSpans', file.dir, file.name);
      return file.spans;
    },

    // The WAVE file (index -1) or export `index` decoded to 16-bit PCM, the bytes
    // `Snd_Info FILE SOUND /w:OUT --pcm` writes; null for a sound the core does not convert.
    pcmBytes: (file, index) => ask('pcmBytes', file.dir, file.name, index),

    // The labelled regions and sampler loops of the WAVE file (index -1) or the sound:
    // [{name, kind, start, frames, file}], `file` the name /x: --regions gives its file.
    regions: (file, index) => ask('regions', file.dir, file.name, index),
    // Region `region` of that list, the bytes /x: --regions writes (`pcm`: with --pcm);
    // null for a region the core cannot cut.
    regionBytes: (file, index, region, pcm) => ask('regionBytes', file.dir, file.name, index, region, pcm),
    // The sound's label track as /x: --labels writes it; '' for a sound without marks.
    labels: (file, index) => ask('labels', file.dir, file.name, index),
    // The sound's SFZ instrument as /x: --sfz writes it, playing the file `sample`; '' for a sound without a sampler loop.
    sfz: (file, index, sample) => ask('sfz', file.dir, file.name, index, sample),

    // The folder and file names Snd_Info's /x: gives the package's sounds.
    async fileNames(file) {
      if (!file.names) file.names = await ask('fileNames', file.dir, file.name);
      return file.names;
    },

    // The bytes the worker holds: {core: its WebAssembly memory, blocks: the blocks of the files kept}.
    memory: () => ask('memory'),
  };
})();
