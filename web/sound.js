// One sound of the page: its waveform (wave.js), playing it from any point (a format the
// browser cannot decode from the core's 16-bit PCM conversion), looping a sampler loop or a
// labelled region seamlessly, its metadata chunks as readable blocks, its chunks as Snd_Info
// prints them, and its downloads: as stored, as PCM where the core converts it, and each
// region and loop, the label track and the SFZ instrument as files of their own. It shows the sound the store's `shown`
// names, and owns the sound's panel; the waveform's part of it is wave.js's.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.sound = (() => {
  const $ = (id) => document.getElementById(id);
  const ui = {
    sound: $('sound'), soundName: $('sound-name'), play: $('play'), stop: $('stop'), download: $('download'), downloadPcm: $('download-pcm'),
    playable: $('playable'), reason: $('sound-reason'), chunks: $('chunks'), loop: $('loop'), metadata: $('metadata'),
    extras: $('extras'), extrasFiles: $('extras-files'), extrasPcmBox: $('extras-pcm-box'), extrasPcm: $('extras-pcm'),
    time: $('time'), volume: $('volume'),
  };
  const core = SndPage.core;
  const store = SndPage.store;
  let shown = null;    // {file, index, at, info, wave, peaks, bytes, pcm, buffer, converted}
  let audio = null;    // AudioContext, made on first use
  let playing = null;  // {source, startedAt, offset, loop, end}
  let asked = 0;       // the latest show(): an answer to an earlier one is dropped

  // Shows the sound, and plays it once decoded when `andPlay` says so.
  async function show(file, index, andPlay) {
    stop();
    const ask = ++asked;
    const info = file.info.type === 'wave' ? file.info : await core.sound(file, index);
    if (ask !== asked) return;
    store.update({messages: info === file.info ? SndPage.findings(file.info) : SndPage.findings(file.info, info)});
    if (info.type !== 'wave') {
      hide();
      return;
    }
    const at = file.info.type === 'wave' ? -1 : index;
    const [peaks, chunks] = await Promise.all([core.peaks(file, at, 1600), core.print(file, at)]);
    if (ask !== asked) return;
    stop();
    shown = {file, index, at, info, wave: info.wave, peaks, bytes: null, pcm: null, buffer: null, converted: false};
    ui.sound.hidden = false;
    // A sound shown anew has no reason said until one is known of it.
    store.update({soundReason: null});
    if (peaks.decodable === false && peaks.reason) store.update({soundReason: peaks.reason});
    ui.downloadPcm.hidden = !peaks.pcm;
    ui.soundName.textContent = info.sound != null ? fullName(file.info, index, info.sound) : file.name;
    ui.chunks.textContent = chunks;
    showMetadata(info.wave);
    SndPage.wave.show(shown);
    listLoops(shown);
    showPosition();
    const sound = shown;
    listExtras(sound);
    await decode(sound);
    if (andPlay && shown === sound && sound.buffer) play(0);
  }

  // A sound is titled by its full name, its groups and its name joined with dots, as the
  // programs find it: namesakes in different groups are told apart.
  function fullName(packageInfo, index, name) {
    const entry = packageInfo.exports && packageInfo.exports.find((e) => e.index === index);
    return entry && entry.group ? entry.group + '.' + name : name;
  }

  function hide() {
    stop();
    ++asked;
    shown = null;
    ui.extras.hidden = true;
    SndPage.wave.hide();
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
    // A format the core cannot name the samples of is not handed to the browser to guess at.
    const refused = sound.peaks.playable === false;
    const decoded = (bytes) => audio.decodeAudioData(bytes.slice().buffer).catch(() => null);
    try {
      if (tooLarge || refused) throw new Error('not played');
      sound.bytes = await core.exportBytes(sound.file, sound.index);
      if (shown !== sound) return;
      audio = audio || new AudioContext();
      buffer = await decoded(sound.bytes);
      if (!buffer && sound.peaks.pcm && shown === sound) {
        tooLarge = converted > kMostConvertedBytes;
        if (tooLarge) throw new Error('too large');
        sound.pcm = await core.pcmBytes(sound.file, sound.at);
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
    } else if (refused) {
      ui.playable.textContent = 'Not played: ' + sound.peaks.reason + '; it can still be downloaded.';
      ui.playable.className = 'cannot';
      ui.sound.dataset.playable = 'no';
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

  // ---- metadata: a block per metadata chunk, its fields as a definition list ----------

  // The chunks shown as metadata, by their identifiers in the JSON, with their headings. Any
  // other chunk that describes fields of its own (one the core learns later) is shown under its
  // identifier; the chunks of the sound's structure are not metadata.
  const kMetadataTitles = {bext: 'Broadcast extension', cart: 'Cart', acid: 'Acid', iXML: 'iXML', axml: 'axml', 'id3 ': 'ID3 tag', 'ID3 ': 'ID3 tag'};
  const kStructure = new Set(['RIFF', 'RF64', 'ds64', 'fmt ', 'fact', 'data', 'cue ', 'LIST', 'smpl', 'inst', 'phnm']);
  // The LIST INFO codes by name, as Snd_Info prints them.
  const kInfoNames = {INAM: 'Title', IART: 'Artist', IPRD: 'Album', ICMT: 'Comment', ICRD: 'Date', IGNR: 'Genre', ITRK: 'Track',
    ICOP: 'Copyright', ISFT: 'Software', IENG: 'Engineer', ITCH: 'Technician', IKEY: 'Keywords', ISBJ: 'Subject', ISRC: 'Source',
    ILNG: 'Language', IARL: 'Archival location', ICMS: 'Commissioned', ICRP: 'Cropped', IDIM: 'Dimensions', IDPI: 'Dots per inch',
    ILGT: 'Lightness', IMED: 'Medium', IPLT: 'Palette setting', ISHP: 'Sharpness', ISRF: 'Source form', IPRT: 'Part',
    ISTR: 'Starring', IWRI: 'Written by', IPRO: 'Produced by', IMUS: 'Music by', IEDT: 'Edited by', ICNT: 'Country',
    IRTD: 'Rating', IENC: 'Encoded by', IDIT: 'Digitized', ISMP: 'SMPTE time code', ISGN: 'Secondary genre'};
  // Words written in capitals within a field's name.
  const kAcronyms = new Set(['id', 'url', 'umid', 'xml', 'smpte', 'isrc']);
  // "originator_reference" -> "Originator reference", "cut_id" -> "Cut ID"; a name with blanks
  // or capitals in it (an ID3 frame's "TXXX description") stands as it is.
  const readable = (name) => (/[\sA-Z]/.test(name) ? name : name.split('_').map((word, i) =>
    (kAcronyms.has(word) ? word.toUpperCase() : i === 0 ? word.charAt(0).toUpperCase() + word.slice(1) : word)).join(' '));
  // A text shown whole in a box of its own that scrolls: XML, a coding history, several lines.
  const isLong = (value) => typeof value === 'string' && (value.length > 160 || value.includes('\n'));

  // The blocks of a sound's metadata, as data: [{title, fields: [[name, value], ...]}], in
  // the chunks' order. A text that was not valid UTF-8 also stands as its bytes ("x_bytes"
  // beside "x"): it is shown once, as its text.
  function metadataOf(wave) {
    const blocks = [];
    for (const chunk of wave.chunks || []) {
      if (chunk.id === 'LIST' && chunk.list_type === 'INFO') {
        if (blocks.some((b) => b.info)) continue;  // the JSON's "info" holds the tags of every INFO list
        blocks.push({title: 'Info', info: true, fields: (wave.info || []).map((tag) => [kInfoNames[tag.code] || "'" + tag.code + "'", tag.text])});
        continue;
      }
      const names = Object.keys(chunk).filter((key) => key !== 'id' && key !== 'size' && key !== 'id_bytes' &&
        !(key.endsWith('_bytes') && key.slice(0, -6) in chunk));
      const title = kMetadataTitles[chunk.id] || (!kStructure.has(chunk.id) && names.length > 0 ? "'" + chunk.id + "'" : null);
      if (title) blocks.push({title, fields: names.map((key) => [readable(key), chunk[key]])});
    }
    return blocks;
  }

  function showMetadata(wave) {
    const blocks = metadataOf(wave);
    ui.metadata.textContent = '';
    ui.metadata.hidden = blocks.length === 0;
    for (const block of blocks) {
      const part = document.createElement('section');
      part.className = 'meta';
      const heading = document.createElement('h3');
      heading.textContent = block.title;
      part.append(heading);
      // An empty text is a field left blank: it is not listed.
      const fields = block.fields.filter(([, value]) => value !== '' && value != null);
      if (fields.length === 0) {
        const none = document.createElement('p');
        none.className = 'hint';
        none.textContent = 'No field set.';
        part.append(none);
      } else {
        const list = document.createElement('dl');
        for (const [name, value] of fields) {
          const term = document.createElement('dt');
          term.textContent = name;
          const description = document.createElement('dd');
          if (isLong(value)) {
            // Scrolls inside its capped box, and takes the keyboard so that it can be scrolled without a mouse.
            const text = document.createElement('pre');
            text.tabIndex = 0;
            text.setAttribute('aria-label', block.title + ': ' + name);
            text.textContent = value;
            description.append(text);
          } else {
            description.textContent = String(value);
          }
          list.append(term, description);
        }
        part.append(list);
      }
      ui.metadata.append(part);
    }
  }

  // ---- loops: a sampler loop or a labelled region, played over and over ----------------

  // The sound's loops and regions, in seconds, as choices of the Loop list.
  function listLoops(sound) {
    const rate = sound.wave.audio.rate || 1;
    const frames = sound.wave.audio.frames || 0;
    const time = (frame) => (frame / rate).toFixed(3) + ' s';
    const choices = [];
    (sound.wave.loops || []).forEach((loop, i) => {
      const end = Math.min(loop.end + 1, frames);
      if (loop.start < end) choices.push({name: 'Loop ' + (i + 1), start: loop.start / rate, end: end / rate, from: loop.start, to: end});
    });
    const textsOf = new Map((sound.wave.cue_texts || []).map((entry) => [entry.cue_id, entry]));
    for (const cue of sound.wave.cues || []) {
      for (const text of (textsOf.get(cue.id) || {texts: []}).texts) {
        const end = Math.min(cue.sample_offset + (text.sample_length || 0), frames);
        if (text.sample_length && cue.sample_offset < end) {
          choices.push({name: 'Region "' + (text.text || text.purpose) + '"', start: cue.sample_offset / rate, end: end / rate, from: cue.sample_offset, to: end});
        }
      }
    }
    sound.loops = choices;
    ui.loop.textContent = '';
    ui.loop.append(new Option('No loop', ''));
    choices.forEach((choice, i) => ui.loop.append(new Option(choice.name + ': ' + time(choice.from) + ' to ' + time(choice.to), String(i))));
    ui.loop.disabled = choices.length === 0;
  }
  const chosenLoop = () => (shown && ui.loop.value !== '' ? shown.loops[Number(ui.loop.value)] : null);
  // A loop chosen while the sound plays: it plays on from where it is, looping the new choice.
  ui.loop.addEventListener('change', () => { if (playing) play(chosenLoop() ? chosenLoop().start : position()); });

  // ---- playing: play, pause, stop, seek, the readout and the volume ---------------------

  // The one gain every sound plays through: the volume set stays for every sound and file while the page is open.
  let gain = null;
  const volume = () => Number(ui.volume.value);
  ui.volume.addEventListener('input', () => { if (gain) gain.gain.value = volume(); });
  // Where a paused sound goes on from, in seconds, and where it stops (null: the sound's end); null: stopped, at 0.
  let paused = null;

  const rateOf = (sound) => sound.wave.audio.rate || 1;
  const lengthOf = (sound) => (sound.wave.audio.frames || 0) / rateOf(sound);

  // Where the sound playing is, in seconds: past a loop's end, inside the loop.
  function position() {
    if (!playing) return paused ? paused.at : 0;
    const at = playing.offset + (audio.currentTime - playing.startedAt);
    const loop = playing.loop;
    if (loop && at >= loop.end) return loop.start + ((at - loop.start) % (loop.end - loop.start));
    return Math.min(at, playing.end ?? shown.buffer.duration);
  }

  // The readout ("0:01.250 / 0:02.000"), the playhead and what the Play button says, from where the sound is.
  function showPosition() {
    if (!shown) return;
    const at = position();
    ui.time.textContent = SndPage.clock(at) + ' / ' + SndPage.clock(lengthOf(shown));
    SndPage.wave.playhead(playing || paused ? at * rateOf(shown) : null);
    const label = playing ? 'Pause' : 'Play';
    if (ui.play.textContent !== label) {
      ui.play.textContent = label;
      ui.play.setAttribute('aria-label', label);
    }
  }

  // Plays from `offset` seconds: with `end`, once up to there (a region's label clicked); else looping the loop chosen.
  function play(offset, end = null) {
    if (!shown || !shown.buffer) return;
    halt();
    paused = null;
    if (audio.state === 'suspended') audio.resume();
    if (!gain) {
      gain = audio.createGain();
      gain.connect(audio.destination);
    }
    gain.gain.value = volume();
    const source = audio.createBufferSource();
    source.buffer = shown.buffer;
    source.connect(gain);
    let start = Math.max(0, Math.min(offset, shown.buffer.duration));
    // Web Audio's loop points: the loop plays on without a gap until stopped.
    const loop = end == null ? chosenLoop() : null;
    if (loop) {
      source.loop = true;
      source.loopStart = loop.start;
      source.loopEnd = loop.end;
      if (start >= loop.end) start = loop.start;
    }
    const until = end != null && end > start ? end : null;
    if (until != null) source.start(0, start, until - start);
    else source.start(0, start);
    playing = {source, startedAt: audio.currentTime, offset: start, loop, end: until};
    // Played to its end (the sound's or the region's): stopped, back at the start.
    source.onended = () => { if (playing && playing.source === source) stop(); };
    showPosition();
    requestAnimationFrame(movePlayhead);
  }

  // Ends the source playing, if any, and nothing else.
  function halt() {
    if (!playing) return;
    const {source} = playing;
    playing = null;
    try { source.stop(); } catch (e) { /* not started */ }
  }

  function pause() {
    if (!playing) return;
    paused = {at: position(), end: playing.end};
    halt();
    showPosition();
  }

  // Stopped: back at the start, the playhead gone.
  function stop() {
    halt();
    paused = null;
    if (shown) showPosition();
    else SndPage.wave.playhead(null);
  }

  // Play, or go on where it paused; Pause while it plays.
  function toggle() {
    if (!shown || !shown.buffer) return;
    if (playing) pause();
    else if (paused) play(paused.at, paused.end);
    else play(chosenLoop() ? chosenLoop().start : 0);
  }

  // To `seconds` (kept inside the sound): playing on from there, or paused there.
  function moveTo(seconds) {
    if (!shown) return;
    const at = Math.max(0, Math.min(seconds, lengthOf(shown)));
    if (playing) {
      play(at);
    } else {
      paused = {at, end: null};
      showPosition();
    }
  }

  // The frames the keys [ and ] go to: the cue points (a region starts at its cue point) and the starts of the
  // sampler loops, in order, each once.
  function marksOf(sound) {
    const frames = sound.wave.audio.frames || 0;
    const starts = [...(sound.wave.cues || []).map((cue) => cue.sample_offset), ...(sound.wave.loops || []).map((loop) => loop.start)];
    return [...new Set(starts.filter((frame) => frame < frames))].sort((a, b) => a - b);
  }
  // While playing, a mark passed less than this long ago counts as the one where the sound is, so that [ pressed
  // just after a jump goes on to the mark before it.
  const kJustPassed = 0.3;
  // The next mark (`forward`) or the one before, from where the sound is. Past the last mark ] stays; before the
  // first, [ goes to the start.
  function jump(forward) {
    if (!shown) return;
    const rate = rateOf(shown);
    const here = position() * rate;
    const marks = marksOf(shown);
    if (forward) {
      const next = marks.find((frame) => frame > here + 0.5);
      if (next != null) moveTo(next / rate);
    } else {
      const behind = here - (playing ? kJustPassed * rate : 0.5);
      const before = marks.filter((frame) => frame < behind);
      moveTo(before.length ? before[before.length - 1] / rate : 0);
    }
  }

  function movePlayhead() {
    if (!playing || !shown || !shown.buffer) return;
    showPosition();
    requestAnimationFrame(movePlayhead);
  }

  // Space plays, pauses and goes on anywhere on the page, except where the key is a control's own: in a text
  // field, a list, on a button or a box (which Space clicks), in editable text, in a text box that scrolls; a key
  // another handler took (a row of the table plays its own sound) is left to it. A key held down toggles once.
  const kOwnSpace = 'input, textarea, select, button, summary, a[href], [role=button], pre, [contenteditable]:not([contenteditable=false])';
  document.addEventListener('keydown', (event) => {
    if (event.key !== ' ' || event.defaultPrevented || event.repeat || event.ctrlKey || event.altKey || event.metaKey || !shown || ui.sound.hidden) return;
    if (event.target instanceof Element && event.target.closest(kOwnSpace)) return;
    event.preventDefault();
    toggle();
  });

  ui.play.addEventListener('click', toggle);
  ui.stop.addEventListener('click', stop);
  SndPage.wave.listen({
    pick: (frame) => { if (shown && shown.buffer) play(frame / rateOf(shown)); },
    space: toggle,
    seek: (seconds) => moveTo(position() + seconds),
    jump,
    // A region's label: the region played once, or over and over when the Loop list has it chosen.
    region: (first, frames) => {
      if (!shown || !shown.buffer) return;
      const rate = rateOf(shown);
      const end = Math.min(first + frames, shown.wave.audio.frames || 0);
      const loop = chosenLoop();
      play(first / rate, loop && loop.from === first && loop.to === end ? null : end / rate);
    },
  });

  // The names of the downloads: /x:'s (the file's own for a WAVE file), a converted one with " (PCM)" before its
  // extension ("Bell (PCM).wav"), a sound in a group by its own name (the leaf of /x:'s path).
  const fileName = async (sound) => sound.file.info.type === 'wave' ? sound.file.name : (await core.fileNames(sound.file)).files[sound.index];
  const pcmName = (name) => name.split('/').pop().replace(/(\.[^.]*)?$/, (extension) => ' (PCM)' + extension);
  ui.download.addEventListener('click', async () => {
    if (!shown) return;
    const sound = shown;
    const bytes = sound.bytes || await core.exportBytes(sound.file, sound.index);
    SndPage.save(new Blob([bytes], {type: 'audio/wav'}), await fileName(sound));
  });
  ui.downloadPcm.addEventListener('click', async () => {
    if (!shown) return;
    const sound = shown;
    const bytes = sound.pcm || await core.pcmBytes(sound.file, sound.at);
    if (bytes) SndPage.save(new Blob([bytes], {type: 'audio/wav'}), pcmName(await fileName(sound)));
    else SndPage.say('error', 'the sound cannot be converted to PCM: it lacks its format or its samples');
  });


  // ---- the sound's regions, loops, label track and SFZ instrument, as files ------------

  // A button that saves what `bytes` gives, as `name` (or as what `saveAs` names it when clicked).
  function extraButton(name, title, bytes, type, saveAs = () => name) {
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = name;
    button.title = title;
    button.dataset.name = name;
    button.addEventListener('click', async () => {
      const got = await bytes();
      if (got != null) SndPage.save(new Blob([got], {type}), saveAs());
    });
    return button;
  }

  // Named as /x: --regions, --labels and --sfz name the files beside the sound's own: a region
  // "<sound> - <name>.wav", the label track "<sound>.txt", the instrument "<sound>.sfz" (its
  // sample the sound's file). Each is offered only where the sound has it.
  async function listExtras(sound) {
    ui.extras.hidden = true;
    ui.extrasFiles.textContent = '';
    const [regions, labels, file] = await Promise.all([core.regions(sound.file, sound.at), core.labels(sound.file, sound.at), fileName(sound)]);
    const leaf = file.split('/').pop();
    const sfz = await core.sfz(sound.file, sound.at, leaf);
    if (shown !== sound) return;
    const stem = leaf.replace(/\.wav$/i, '');
    const rate = sound.wave.audio.rate || 1;
    // Cut from the sound decoded to 16-bit PCM when the box says so, and then named so: "Bell - Ring (PCM).wav".
    const asPcm = () => ui.extrasPcm.checked && !ui.extrasPcmBox.hidden;
    const buttons = regions.map((region, i) => extraButton(region.file,
      (region.kind === 'loop' ? 'Sampler loop' : 'Region') + ' "' + region.name + '": ' + region.frames + ' frames from ' +
      SndPage.clock(region.start / rate), async () => {
        const bytes = await core.regionBytes(sound.file, sound.at, i, asPcm());
        if (!bytes) SndPage.say('error', 'the ' + region.kind + ' "' + region.name + '" cannot be cut out of the sound');
        return bytes;
      }, 'audio/wav', () => (asPcm() ? pcmName(region.file) : region.file)));
    if (labels) buttons.push(extraButton(stem + '.txt', 'The label track: a line per mark, its start and end in seconds', () => labels, 'text/plain'));
    if (sfz) buttons.push(extraButton(stem + '.sfz', 'An SFZ instrument playing ' + leaf + ' with its sampler loop', () => sfz, 'text/plain'));
    ui.extrasFiles.append(...buttons);
    ui.extrasPcmBox.hidden = !(regions.length > 0 && sound.peaks.pcm);
    ui.extras.hidden = buttons.length === 0;
  }

  // The sound the store names, shown; a new ask for the same sound shows it anew.
  store.subscribe((state, before) => {
    if (state.shown !== before.shown) {
      if (state.shown) show(state.shown.file, state.shown.index, state.shown.play);
      else hide();
    }
    if (state.soundReason !== before.soundReason) {
      ui.reason.textContent = state.soundReason || '';
      ui.reason.hidden = !state.soundReason;
    }
  });

  return {toggle, shown: () => shown, metadataOf, pcmName,
    // What plays or is paused: its loop points, where it stops (a region played once; null: the sound's end), where it
    // is (seconds), whether it is paused, and the volume it plays at; null when stopped.
    playing: () => (playing ? {loop: playing.source.loop, loopStart: playing.source.loopStart, loopEnd: playing.source.loopEnd, end: playing.end,
      at: position(), paused: false, volume: gain && gain.gain.value}
      : paused && {loop: false, loopStart: 0, loopEnd: 0, end: paused.end, at: paused.at, paused: true, volume: gain && gain.gain.value})};
})();
