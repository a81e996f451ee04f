// The page's link to the project's C++ core (snd-core.js, WebAssembly): every
// fact the page shows, every byte it downloads, comes from the core's C API
// (web/SndWeb.cpp). The core sees each opened file in its in-memory file
// system, at /files/<n>/<file name>; it prints nothing, and answers in JSON,
// in text, or with files written there.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.core = (() => {
  let module = null;  // the WebAssembly module, once started; null again once it has stopped

  function call(name, returns, types, args, dir) {
    if (!module) throw new Error('the page\'s core has stopped; reload the page to go on');
    module.FS.chdir(dir);
    try {
      return module.ccall(name, returns, types, args);
    } catch (error) {
      // The core aborts when it runs out of memory, and cannot go on.
      module = null;
      throw new Error('the page\'s core stopped (' + error.message + '); reload the page to go on');
    } finally {
      if (module) module.FS.chdir('/');
    }
  }
  const json = (name, types, args, dir) => JSON.parse(call(name, 'string', types, args, dir));

  return {
    start: () => SndCore().then((started) => { module = started; }),
    ready: () => module !== null,

    // Puts an opened file where the core reads it.
    write(file, bytes) {
      module.FS.mkdirTree(file.dir);
      module.FS.writeFile(file.dir + '/' + file.name, bytes, {canOwn: true});
    },
    remove(file) {
      try { module.FS.unlink(file.dir + '/' + file.name); module.FS.rmdir(file.dir); } catch (e) { /* already gone */ }
    },

    // The <file> object `Snd_Info --json` prints for the file, or for export `index` of a package.
    info: (file) => json('SndWeb_Info', ['string'], [file.name], file.dir).files[0],
    sound: (file, index) => json('SndWeb_Sound', ['string', 'number'], [file.name, index], file.dir).files[0],
    // The text `Snd_Info` prints for the WAVE file (index -1) or the sound.
    print: (file, index) => call('SndWeb_Print', 'string', ['string', 'number'], [file.name, index], file.dir),
    // The waveform of frames [first, first + count) in `columns` columns (count 0: to the end).
    peaks: (file, index, columns, first = 0, count = 0) => json('SndWeb_Peaks', ['string', 'number', 'number', 'number', 'number'],
      [file.name, index, columns, first, count], file.dir),

    // The bytes Snd_Pull writes for export `index` (the file itself for a WAVE file).
    exportBytes(file, index) {
      if (file.info.type === 'wave') return module.FS.readFile(file.dir + '/' + file.name);
      const out = '/export.wav';
      const status = call('SndWeb_Export', 'number', ['string', 'number', 'string'], [file.name, index, out], file.dir);
      if (status >= 2) throw new Error('the sound could not be exported');
      const bytes = module.FS.readFile(out);
      module.FS.unlink(out);
      return bytes;
    },

    // The WAVE file (index -1) or export `index` decoded to 16-bit PCM, the bytes
    // `Snd_Info FILE SOUND /w:OUT --pcm` writes; null for a sound the core does not convert.
    pcmBytes(file, index) {
      const out = '/pcm.wav';
      const status = call('SndWeb_ExportPcm', 'number', ['string', 'number', 'string'], [file.name, index, out], file.dir);
      if (status === 1) return null;
      if (status !== 0) throw new Error(status === 3 ? 'no such sound' : 'the sound could not be converted to PCM');
      const bytes = module.FS.readFile(out);
      module.FS.unlink(out);
      return bytes;
    },

    // The folder and file names Snd_Info's /x: gives the package's sounds.
    fileNames(file) {
      if (!file.names) file.names = json('SndWeb_FileNames', ['string'], [file.name], file.dir);
      return file.names;
    },
  };
})();
