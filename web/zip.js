// The zip download, written so that the sounds' bytes never enter the
// page's memory: a zip of stored entries (method 0) is a Blob whose parts are
// the small headers this file makes and, between them, slices of the opened
// package file itself, which the browser copies from the disk as it saves.
// A stored entry's local header needs the CRC-32 of its bytes up front (no
// data descriptor follows the data): crcPass reads the slices once, in a
// worker of its own, before the zip is made; it keeps the bytes of the small
// sounds (up to 32 MiB in all), which stand in the zip in place of their
// slices. Pure functions, no DOM.
//
//   SndZip.crc32(bytes, crc)            the CRC-32 of bytes, going on from crc (0 to start)
//   SndZip.dosTime(milliseconds)        {time, date} in the MS-DOS form of the zip's fields
//   SndZip.build(entries, modified)     the zip as a Blob: entries [{name, blob or bytes, size, crc}]
//   SndZip.crcPass(blob, spans, told)   {done: promise of the spans' CRCs (and small ones' bytes), cancel()}
'use strict';

window.SndZip = (() => {
  // ---- the CRC-32 (the zip's polynomial, reflected), sixteen bytes a step --------

  // Table k (256 entries from 256 * k): the CRC of byte b followed by k zero
  // bytes; table 0 is the classic one. Sixteen bytes a step, read as four
  // 32-bit words, each byte looked up in its own table. Kept in Int32Arrays
  // and computed in int32: values past 2^31 would leave the engine's fast
  // integers (about 600 MB/s against 900 as Int32).
  function makeTables() {
    const tables = new Int32Array(16 * 256);
    for (let b = 0; b < 256; ++b) {
      let c = b;
      for (let k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320 ^ (c >>> 1) : c >>> 1;
      tables[b] = c;
    }
    for (let b = 0; b < 256; ++b) {
      for (let k = 1; k < 16; ++k) {
        const c = tables[(k - 1) * 256 + b];
        tables[k * 256 + b] = tables[c & 0xFF] ^ (c >>> 8);
      }
    }
    return tables;
  }

  // The CRC-32 of `bytes` (a Uint8Array), going on from `crc` (0 for the
  // first piece of a file), so that a file read in pieces is checked as one.
  // The same text runs in the CRC worker, which makes its own tables.
  function crc32(bytes, crc = 0, tables = crc32.tables || (crc32.tables = makeTables())) {
    let c = ~crc | 0;
    let at = 0;
    const length = bytes.length;
    // Byte by byte to a 4-byte boundary of the buffer, then 16 at a time as words (little-endian).
    while (at < length && (bytes.byteOffset + at) & 3) c = tables[(c ^ bytes[at++]) & 0xFF] ^ (c >>> 8);
    const words = new Int32Array(bytes.buffer, bytes.byteOffset + at, (length - at) >>> 2);
    const steps = words.length >>> 2;
    let w = 0;
    for (let i = 0; i < steps; ++i, w += 4) {
      const a = words[w] ^ c, b = words[w + 1], d = words[w + 2], e = words[w + 3];
      c = tables[3840 + (a & 0xFF)] ^ tables[3584 + ((a >>> 8) & 0xFF)] ^ tables[3328 + ((a >>> 16) & 0xFF)] ^ tables[3072 + (a >>> 24)] ^
          tables[2816 + (b & 0xFF)] ^ tables[2560 + ((b >>> 8) & 0xFF)] ^ tables[2304 + ((b >>> 16) & 0xFF)] ^ tables[2048 + (b >>> 24)] ^
          tables[1792 + (d & 0xFF)] ^ tables[1536 + ((d >>> 8) & 0xFF)] ^ tables[1280 + ((d >>> 16) & 0xFF)] ^ tables[1024 + (d >>> 24)] ^
          tables[768 + (e & 0xFF)] ^ tables[512 + ((e >>> 8) & 0xFF)] ^ tables[256 + ((e >>> 16) & 0xFF)] ^ tables[e >>> 24];
    }
    at += steps * 16;
    while (at < length) c = tables[(c ^ bytes[at++]) & 0xFF] ^ (c >>> 8);
    return ~c >>> 0;
  }

  // ---- the zip's records -----------------------------------------------------------

  const kLocalHeader = 0x04034B50;
  const kCentralHeader = 0x02014B50;
  const kZip64End = 0x06064B50;
  const kZip64Locator = 0x07064B50;
  const kEnd = 0x06054B50;
  const kZip64Extra = 0x0001;   // the Zip64 extended-information extra field
  const kUtf8Names = 0x0800;    // general-purpose flag bit 11: the name is UTF-8
  const kVersion = 20;          // what a stored entry needs
  const kVersionZip64 = 45;     // what an entry or end record with Zip64 fields needs
  const k16 = 0xFFFF;           // a 16-bit field's "see the Zip64 record"
  const k32 = 0xFFFFFFFF;       // a 32-bit field's "see the Zip64 field"

  // One small writer for every record: little-endian fields, in order.
  function writer(size) {
    const bytes = new Uint8Array(size);
    const view = new DataView(bytes.buffer);
    let at = 0;
    const w = {
      u16: (v) => { view.setUint16(at, v, true); at += 2; return w; },
      u32: (v) => { view.setUint32(at, v, true); at += 4; return w; },
      // Sizes and offsets are JavaScript numbers, exact up to 2^53.
      u64: (v) => { view.setUint32(at, v % 0x100000000, true); view.setUint32(at + 4, Math.floor(v / 0x100000000), true); at += 8; return w; },
      bytes: (b) => { bytes.set(b, at); at += b.length; return w; },
      done: () => bytes,
    };
    return w;
  }

  // A time of change as the zip stores it: MS-DOS local time, in 2-second
  // steps, from 1980 (earlier times are 1980-01-01 00:00) to 2107.
  function dosTime(milliseconds) {
    const t = new Date(milliseconds);
    if (!(t.getFullYear() >= 1980)) return {time: 0, date: (1 << 5) | 1};
    if (t.getFullYear() > 2107) return {time: (23 << 11) | (59 << 5) | 29, date: (127 << 9) | (12 << 5) | 31};
    return {time: (t.getHours() << 11) | (t.getMinutes() << 5) | (t.getSeconds() >> 1),
            date: ((t.getFullYear() - 1980) << 9) | ((t.getMonth() + 1) << 5) | t.getDate()};
  }

  const encoder = new TextEncoder();

  // The local header and the central directory's record of one entry stored
  // at `offset`. A size or offset that does not fit 32 bits is 0xFFFFFFFF in
  // its field and stands in the Zip64 extra field: the local header's holds
  // both sizes, the directory's only what overflowed (sizes, then offset).
  function records(entry, offset, time) {
    const name = encoder.encode(entry.name);
    const flags = name.some((b) => b > 0x7F) ? kUtf8Names : 0;
    const bigSize = entry.size >= k32;
    const bigOffset = offset >= k32;
    const version = bigSize || bigOffset ? kVersionZip64 : kVersion;
    const size32 = bigSize ? k32 : entry.size;
    const localExtra = bigSize ? 20 : 0;
    const local = writer(30 + name.length + localExtra)
      .u32(kLocalHeader).u16(version).u16(flags).u16(0).u16(time.time).u16(time.date)
      .u32(entry.crc).u32(size32).u32(size32).u16(name.length).u16(localExtra).bytes(name);
    if (bigSize) local.u16(kZip64Extra).u16(16).u64(entry.size).u64(entry.size);
    const centralExtra = (bigSize ? 16 : 0) + (bigOffset ? 8 : 0);
    const central = writer(46 + name.length + (centralExtra ? 4 + centralExtra : 0))
      .u32(kCentralHeader).u16(kVersionZip64).u16(version).u16(flags).u16(0).u16(time.time).u16(time.date)
      .u32(entry.crc).u32(size32).u32(size32).u16(name.length).u16(centralExtra ? 4 + centralExtra : 0).u16(0)
      .u16(0).u16(0).u32(0).u32(bigOffset ? k32 : offset).bytes(name);
    if (centralExtra) {
      central.u16(kZip64Extra).u16(centralExtra);
      if (bigSize) central.u64(entry.size).u64(entry.size);
      if (bigOffset) central.u64(offset);
    }
    return {local: local.done(), central: central.done()};
  }

  // The end of the zip for `count` entries whose directory of `size` bytes
  // starts at `offset`: the classic end record, after the Zip64 end record and
  // its locator when a field overflows it (all its fields then say so).
  function end(count, offset, size) {
    const zip64 = count >= k16 || offset >= k32 || size >= k32;
    const w = writer((zip64 ? 56 + 20 : 0) + 22);
    if (zip64) {
      w.u32(kZip64End).u64(44).u16(kVersionZip64).u16(kVersionZip64).u32(0).u32(0).u64(count).u64(count).u64(size).u64(offset);
      w.u32(kZip64Locator).u32(0).u64(offset + size).u32(1);
    }
    w.u32(kEnd).u16(0).u16(0).u16(zip64 ? k16 : count).u16(zip64 ? k16 : count)
      .u32(zip64 ? k32 : size).u32(zip64 ? k32 : offset).u16(0);
    return w.done();
  }

  // The zip of `entries` [{name, blob or bytes, size, crc}] (blob: size
  // bytes, as a slice of the file; bytes: a Uint8Array of them), each stored
  // as it is, all with the time of change `modified` (milliseconds). The
  // parts are the headers and the slices: the Blob holds no copy of a
  // slice's bytes. Headers and bytes in a row are joined into parts of up to
  // kJoined bytes, so that a zip of many small sounds is a Blob of few parts.
  const kJoined = 4 << 20;
  function build(entries, modified) {
    const time = dosTime(modified);
    const parts = [];
    let row = [];  // Uint8Arrays to join
    let rowBytes = 0;
    const flush = () => {
      if (row.length === 1) parts.push(row[0]);
      if (row.length > 1) {
        const joined = new Uint8Array(rowBytes);
        let at = 0;
        for (const bytes of row) { joined.set(bytes, at); at += bytes.length; }
        parts.push(joined);
      }
      row = [];
      rowBytes = 0;
    };
    const add = (bytes) => {
      if (rowBytes + bytes.length > kJoined) flush();
      row.push(bytes);
      rowBytes += bytes.length;
    };
    const directory = [];
    let offset = 0;
    let directorySize = 0;
    for (const entry of entries) {
      const {local, central} = records(entry, offset, time);
      add(local);
      if (entry.bytes) {
        add(entry.bytes);
      } else {
        flush();
        parts.push(entry.blob);
      }
      directory.push(central);
      offset += local.length + entry.size;
      directorySize += central.length;
    }
    for (const central of directory) add(central);
    add(end(entries.length, offset, directorySize));
    flush();
    return new Blob(parts, {type: 'application/zip'});
  }

  // ---- the CRC pass, in a worker of its own -------------------------------------------

  // What the pass reads of the file for spans sorted by offset: runs of
  // spans with gaps of less than a piece between them, each read whole
  // (a sound's few header bytes cost less to read than a read of its own).
  function runsOf(spans, piece) {
    const runs = [];
    for (const s of spans) {
      if (s.size === 0) continue;
      const last = runs[runs.length - 1];
      if (last && s.offset < last.end + piece) last.end = Math.max(last.end, s.offset + s.size);
      else runs.push({start: s.offset, end: s.offset + s.size});
    }
    return runs;
  }

  // The worker's whole text: it is started from a Blob, as core.js starts the
  // core (a page opened as a file may not start a worker from a file), and
  // terminated to cancel. It gets the file and its spans [{offset, size,
  // weight, slot}] sorted by offset, reads the runs of the file that hold
  // them as streams, and answers {told: {bytes, weight}} now and then, then
  // {crcs, held} or {failed: {name, message}}: `held` the bytes of the spans
  // with a slot, each at its slot.
  function crcWorkerMain() {
    self.onmessage = async (event) => {
      const {blob, spans, piece, kept} = event.data;
      const crcs = new Array(spans.length).fill(0);
      const held = new Uint8Array(kept);
      let bytes = 0, weight = 0, toldAt = 0;
      let next = 0;  // the first span not yet finished
      const finish = (upTo) => {
        while (next < spans.length && spans[next].offset + spans[next].size <= upTo) weight += spans[next++].weight;
      };
      try {
        // Each run is read as a stream into two buffers of a piece in turn:
        // the next piece is read into one while the other is checked, and no
        // piece is left behind as garbage (read whole, the pieces piled up
        // to 300 MiB over a 1.9 GB sound before the engine collected them).
        // A browser whose file streams take no buffer gives chunks of its
        // own. A read that fails is the file changed or gone.
        const failed = (error) => {
          throw Object.assign(new Error(String(error && error.message || error)), {name: 'NotReadableError'});
        };
        for (const run of runsOf(spans, piece)) {
          const stream = blob.slice(run.start, run.end).stream();
          let reader, spare = null;
          try {
            reader = stream.getReader({mode: 'byob'});
            spare = new ArrayBuffer(piece);
          } catch (e) {
            reader = stream.getReader();
          }
          const read = () => (spare ? reader.read(new Uint8Array(spare)) : reader.read()).catch(failed);
          let pending = spare ? reader.read(new Uint8Array(new ArrayBuffer(piece))).catch(failed) : read();
          for (let at = run.start; ;) {
            const {value: got, done} = await pending;
            if (done) {
              if (at !== run.end) failed('the file is shorter than it was');
              break;
            }
            pending = read();
            const to = at + got.length;
            // Every span that meets [at, to) takes its part of it.
            for (let i = next; i < spans.length && spans[i].offset < to; ++i) {
              const s = spans[i];
              const from = Math.max(s.offset, at), upTo = Math.min(s.offset + s.size, to);
              if (upTo <= from) continue;
              crcs[i] = crc32(got.subarray(from - at, upTo - at), crcs[i]);
              if (s.slot >= 0) held.set(got.subarray(from - at, upTo - at), s.slot + from - s.offset);
            }
            finish(to);
            bytes += to - at;
            at = to;
            if (spare) spare = got.buffer;
            const now = Date.now();
            if (now - toldAt >= 100) {
              toldAt = now;
              self.postMessage({told: {bytes, weight}});
            }
          }
        }
        self.postMessage({crcs, held}, [held.buffer]);
      } catch (error) {
        self.postMessage({failed: {name: error && error.name || 'Error', message: String(error && error.message || error)}});
      }
    };
  }

  // A zip's Blob made of many thousand slices of a file takes the browser
  // minutes to build and to read (70,000: 40 s, then 90 s to save): the
  // bytes of a small sound are kept from the pass instead, up to kKeptBytes
  // in all, and stand in the zip beside its headers.
  const kSmallSpan = 64 << 10;
  const kKeptBytes = 32 << 20;

  // The CRCs of `spans` [{offset, size}] of `blob`, computed off the page's
  // thread: spans of the same bytes (exports that share them) are read once,
  // and the file is read as few times as the spans allow. `told({bytes,
  // total, sounds})` hears how far it went. Returns {done, cancel}: `done` a
  // promise of {crcs, bytes} in the order of `spans` (`bytes` a small span's
  // bytes, or null), rejected with the read's error (its name kept,
  // NotReadableError when the file changed); cancel() stops the worker, and
  // `done` never settles.
  function crcPass(blob, spans, told, piece = 4 << 20) {
    const unique = new Map();
    const order = spans.map((s) => {
      const key = s.offset + ':' + s.size;
      if (!unique.has(key)) unique.set(key, {offset: s.offset, size: s.size, weight: 0, slot: -1});
      const u = unique.get(key);
      ++u.weight;
      return u;
    });
    const sorted = [...unique.values()].sort((a, b) => a.offset - b.offset || a.size - b.size);
    let kept = 0;
    for (const s of sorted) {
      if (s.size > 0 && s.size <= kSmallSpan && kept + s.size <= kKeptBytes) {
        s.slot = kept;
        kept += s.size;
      }
    }
    const total = runsOf(sorted, piece).reduce((sum, run) => sum + run.end - run.start, 0);
    const source = [crc32, makeTables, runsOf].map((f) => 'const ' + f.name + ' = ' + f.toString() + ';\n').join('') +
      '(' + crcWorkerMain.toString() + ')();';
    const url = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
    const worker = new Worker(url);
    URL.revokeObjectURL(url);
    const done = new Promise((resolve, reject) => {
      worker.onmessage = (event) => {
        const {told: progress, crcs, held, failed} = event.data;
        if (progress) {
          told({bytes: progress.bytes, total, sounds: progress.weight});
        } else if (crcs) {
          worker.terminate();
          sorted.forEach((s, i) => {
            s.crc = crcs[i];
            s.bytes = s.slot >= 0 ? held.subarray(s.slot, s.slot + s.size) : null;
          });
          resolve({crcs: order.map((s) => s.crc), bytes: order.map((s) => s.bytes)});
        } else {
          worker.terminate();
          reject(Object.assign(new Error(failed.message), {name: failed.name}));
        }
      };
      worker.onerror = (event) => {
        event.preventDefault();
        worker.terminate();
        reject(new Error(event.message));
      };
    });
    worker.postMessage({blob, spans: sorted.map(({offset, size, weight, slot}) => ({offset, size, weight, slot})), piece, kept});
    return {done, cancel: () => worker.terminate()};
  }

  return {crc32, dosTime, build, crcPass, runsOf};
})();
