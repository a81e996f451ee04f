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

    info: (dir, name) => json('SndWeb_Info', ['string'], [name], dir).files[0],
    sound: (dir, name, index) => json('SndWeb_Sound', ['string', 'number'], [name, index], dir).files[0],
    print: (dir, name, index) => call('SndWeb_Print', 'string', ['string', 'number'], [name, index], dir),
    peaks: (dir, name, index, columns, first, count) => json('SndWeb_Peaks', ['string', 'number', 'number', 'number', 'number'],
      [name, index, columns, first, count], dir),
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
      const result = ops[op](...args);
      const transfer = result instanceof Uint8Array ? [result.buffer] : [];
      self.postMessage({id, result}, transfer);
    } catch (error) {
      self.postMessage({id, error: String(error && error.message || error)});
    }
  };
})();
