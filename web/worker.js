// The page's core at work in a Web Worker: scripts/web.sh puts this file
// after snd-core.js inside one function (SndWorkerMain, in snd-worker.js),
// which core.js starts as a worker. Each opened file is mounted where it
// is, at /files/<n>/<file name>, and read in slices as the core asks for
// them (FileReaderSync, which only a worker has), so that a file of any
// size opens with memory for what the core keeps of it. Every question
// comes as a message {id, op, args} and is answered {id, result} or
// {id, error}; the bytes of a download come back as a transferred buffer.
'use strict';

(() => {
  let module = null;
  let stopped = null;  // why the core stopped, once it has
  const starting = SndCore().then((started) => { module = started; });

  // A read through WORKERFS costs a FileReaderSync round trip of about a
  // millisecond whatever its size, and the core reads a package's tables
  // and sound headers in pieces of a kilobyte or less, with seeks between
  // them: the file is read in blocks of 1 MiB, and the last few of each file
  // are kept (a listing of 10,000 sounds took twice as long with 64 KiB).
  const kBlock = 1024 * 1024;
  const kBlocksKept = 8;
  const kEIO = 29;  // Emscripten's errno for an input/output error
  const kChanged = 'the file changed on disk since it was opened; open it again';
  function readThroughBlocks(fs, FS) {
    const reader = new FileReaderSync();
    let failures = 0;  // reads that failed: the file changed or went away
    const blocks = new Map();  // node -> {kept: Map(block number -> bytes), the most recent last; last, lastNumber}
    function block(node, file, number) {
      let bytes = file.kept.get(number);
      if (bytes) {
        file.kept.delete(number);
      } else {
        try {
          bytes = new Uint8Array(reader.readAsArrayBuffer(node.contents.slice(number * kBlock, (number + 1) * kBlock)));
        } catch (error) {
          // The file changed or went away since it was chosen: a failed read
          // to the core, which reports it, not an exception that stops it.
          ++failures;
          throw new FS.ErrnoError(kEIO);
        }
        if (file.kept.size >= kBlocksKept) file.kept.delete(file.kept.keys().next().value);
      }
      file.kept.set(number, bytes);
      file.last = bytes;
      file.lastNumber = number;
      return bytes;
    }
    fs.stream_ops.read = (stream, buffer, offset, length, position) => {
      const node = stream.node;
      length = Math.min(length, node.size - position);
      if (!(length > 0)) return 0;
      // A file read whole ahead of its listing (below): its bytes, and no block read.
      const whole = wholes.get(node);
      if (whole) {
        const count = Math.max(0, Math.min(length, whole.length - position));
        buffer.set(whole.subarray(position, position + count), offset);
        return count;
      }
      let file = blocks.get(node);
      if (!file) blocks.set(node, (file = {kept: new Map(), last: null, lastNumber: -1}));
      let done = 0;
      while (done < length) {
        const at = position + done;
        const number = Math.floor(at / kBlock);
        // Most reads fall in the block read last.
        const bytes = number === file.lastNumber ? file.last : block(node, file, number);
        const from = at - number * kBlock;
        const count = Math.min(length - done, bytes.length - from);
        if (count <= 0) break;
        buffer.set(bytes.subarray(from, from + count), offset + done);
        done += count;
      }
      return done;
    };
    return {
      forget: (node) => blocks.delete(node),
      failures: () => failures,
      bytes: () => [...blocks.values()].reduce((sum, file) => sum + [...file.kept.values()].reduce((n, bytes) => n + bytes.length, 0), 0),
    };
  }
  let cache = null;

  // A listing reads every sound's header, so a package of many small sounds
  // is read whole; one FileReaderSync read of 1 MiB takes 10 to 30 ms on a
  // busy machine, where the same file read at once, asynchronously, goes two
  // to three times as fast. A file up to this size is read so ahead of its
  // listing, and its bytes let go after it: the memory of the file, only
  // while it is listed.
  const kReadWholeBytes = 64 * 1024 * 1024;
  const wholes = new Map();  // node -> the file's bytes, while it is listed

  function call(name, returns, types, args, dir) {
    if (!module) throw new Error('the page\'s core has stopped (' + stopped + '); reload the page to go on');
    module.FS.chdir(dir || '/');
    try {
      return module.ccall(name, returns, types, args);
    } catch (error) {
      // The core aborts when it runs out of memory, and cannot go on.
      module = null;
      stopped = error.message;
      throw new Error('the page\'s core stopped (' + error.message + '); reload the page to go on');
    } finally {
      if (module) module.FS.chdir('/');
    }
  }
  const json = (name, types, args, dir) => JSON.parse(call(name, 'string', types, args, dir));

  // A file the core wrote, taken out of its file system.
  function taken(out) {
    const bytes = module.FS.readFile(out);
    module.FS.unlink(out);
    return bytes;
  }

  // A package's exports as columns: a structured clone of 10,000 export
  // objects, each with its audio object, costs the page's thread more than a
  // frame, where a few arrays of numbers and strings cost next to nothing.
  // The numbers travel in one Float64Array (NaN where there is none), the
  // strings in arrays; core.js makes the table's rows of them.
  const kNumbers = ['channels', 'rate', 'bits', 'duration', 'file_size', 'wave_size'];
  function listing(info) {
    if (info.type !== 'package' || !Array.isArray(info.exports)) return info;
    const entries = info.exports;
    const count = entries.length;
    const columns = {count, index: new Float64Array(count), numbers: new Float64Array(count * kNumbers.length),
      name: new Array(count), group: new Array(count), klass: new Array(count), format: new Array(count),
      sound: new Uint8Array(count), audio: new Uint8Array(count), damage: new Array(count)};
    entries.forEach((entry, i) => {
      const audio = entry.audio || {};
      columns.index[i] = entry.index;
      columns.name[i] = entry.name;
      columns.group[i] = entry.group || '';
      columns.klass[i] = entry.class;
      columns.format[i] = audio.format ?? null;
      columns.sound[i] = entry.sound ? 1 : 0;
      columns.audio[i] = entry.audio != null ? 1 : 0;
      columns.damage[i] = entry.damage || null;
      kNumbers.forEach((key, k) => {
        const value = key === 'wave_size' ? entry.wave_size : audio[key];
        columns.numbers[i * kNumbers.length + k] = value == null ? NaN : value;
      });
    });
    columns.keys = kNumbers;
    const {exports, ...rest} = info;
    return {...rest, exportColumns: columns};
  }

  const ops = {
    // Mounts the File or Blob `blob` as `dir`/`name`.
    mount(dir, name, blob) {
      const fs = module.FS.filesystems.WORKERFS;
      if (!cache) cache = readThroughBlocks(fs, module.FS);
      module.FS.mkdirTree(dir);
      module.FS.mount(fs, {blobs: [{name, data: blob}]}, dir);
    },
    unmount(dir, name) {
      try {
        // The core lets go of the file it keeps open, and of its tables.
        if (module) call('SndWeb_Close', null, ['string'], [name], dir);
      } catch (e) { /* the core has stopped */ }
      try {
        cache.forget(module.FS.lookupPath(dir + '/' + name).node);
        module.FS.unmount(dir);
        module.FS.rmdir(dir);
      } catch (e) { /* already gone */ }
    },

    async info(dir, name) {
      const node = module.FS.lookupPath(dir + '/' + name).node;
      if (node.contents && node.size <= kReadWholeBytes) {
        try {
          wholes.set(node, new Uint8Array(await node.contents.arrayBuffer()));
        } catch (error) {
          // Read as any other file, the core says what fails.
        }
      }
      try {
        return listing(json('SndWeb_Info', ['string'], [name], dir).files[0]);
      } finally {
        wholes.delete(node);
      }
    },
    exports: (dir, name) => json('SndWeb_Exports', ['string'], [name], dir),
    sound: (dir, name, index) => json('SndWeb_Sound', ['string', 'number'], [name, index], dir).files[0],
    print: (dir, name, index) => call('SndWeb_Print', 'string', ['string', 'number'], [name, index], dir),
    peaks: (dir, name, index, columns, first, count) => json('SndWeb_Peaks', ['string', 'number', 'number', 'number', 'number'],
      [name, index, columns, first, count], dir),
    spectrogram: (dir, name, index, columns, rows, first, count) => json('SndWeb_Spectrogram',
      ['string', 'number', 'number', 'number', 'number', 'number'], [name, index, columns, rows, first, count], dir),
    fileNames: (dir, name) => json('SndWeb_FileNames', ['string'], [name], dir),
    regions: (dir, name, index) => json('SndWeb_Regions', ['string', 'number'], [name, index], dir),
    labels: (dir, name, index) => call('SndWeb_Labels', 'string', ['string', 'number'], [name, index], dir),
    sfz: (dir, name, index, sample) => call('SndWeb_Sfz', 'string', ['string', 'number', 'string'], [name, index, sample], dir),

    exportBytes(dir, name, index) {
      const out = '/export.wav';
      const status = call('SndWeb_Export', 'number', ['string', 'number', 'string'], [name, index, out], dir);
      if (status >= 2) throw new Error('the sound could not be exported');
      return taken(out);
    },
    // Where each export's bytes lie in the file, for the zip. A read that
    // failed meanwhile would leave spans of 0 bytes: the file changed.
    exportSpans(dir, name) {
      const before = cache.failures();
      const spans = json('SndWeb_ExportSpans', ['string'], [name], dir);
      if (cache.failures() !== before) throw new Error(kChanged);
      return spans;
    },
    pcmBytes(dir, name, index) {
      const out = '/pcm.wav';
      const status = call('SndWeb_ExportPcm', 'number', ['string', 'number', 'string'], [name, index, out], dir);
      if (status === 1) return null;
      if (status !== 0) throw new Error(status === 3 ? 'no such sound' : 'the sound could not be converted to PCM');
      return taken(out);
    },

    regionBytes(dir, name, index, region, pcm) {
      const out = '/region.wav';
      const status = call('SndWeb_Region', 'number', ['string', 'number', 'number', 'number', 'string'], [name, index, region, pcm ? 1 : 0, out], dir);
      if (status === 1) return null;
      if (status !== 0) throw new Error(status === 3 ? 'no such region' : 'the region could not be written');
      return taken(out);
    },

    // The bytes the core's memory takes, and the blocks of the files kept.
    memory: () => ({core: module ? module.HEAP8.length : 0, blocks: cache ? cache.bytes() : 0}),
  };

  self.onmessage = async (event) => {
    const {id, op, args} = event.data;
    try {
      await starting;
      const result = await ops[op](...args);
      const transfer = result instanceof Uint8Array ? [result.buffer] : result && result.exportColumns ? [result.exportColumns.index.buffer, result.exportColumns.numbers.buffer] : [];
      self.postMessage({id, result}, transfer);
    } catch (error) {
      self.postMessage({id, error: String(error && error.message || error)});
    }
  };
})();
