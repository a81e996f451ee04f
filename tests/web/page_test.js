// The browser test of the page (run by scripts/web-test.sh): headless
// Chromium, driven by puppeteer-core, opens the bundled example's packages
// and the test's own files in the page served from a local server, and
// checks what a person would look at, against what Snd_Pull and Snd_Info
// write for the same files.
//
//   node page_test.js --url URL --dir build/web-test --snd-info PATH
'use strict';

const fs = require('fs');
const path = require('path');
const {spawnSync} = require('child_process');
const puppeteer = require('puppeteer-core');
const fflate = require('fflate');

const option = (name) => process.argv[process.argv.indexOf('--' + name) + 1];
const url = option('url');
const dir = option('dir');
const sndInfo = option('snd-info');
const example = path.join(dir, 'example');
const inputs = path.join(dir, 'inputs');
const expected = JSON.parse(fs.readFileSync(path.join(inputs, 'expected.json'), 'utf8'));

let passed = 0;
let failed = 0;
function check(what, ok, detail) {
  if (ok) {
    ++passed;
  } else {
    ++failed;
    console.log('FAILED: ' + what + (detail !== undefined ? ' -- ' + detail : ''));
  }
  return ok;
}

// The facts of a WAVE file, read here from its bytes (fmt and data chunks).
function waveFacts(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const facts = {size: bytes.length};
  for (let at = 12; at + 8 <= bytes.length;) {
    const id = String.fromCharCode(...bytes.subarray(at, at + 4));
    const size = view.getUint32(at + 4, true);
    if (id === 'fmt ') {
      facts.tag = view.getUint16(at + 8, true);
      facts.channels = view.getUint16(at + 10, true);
      facts.rate = view.getUint32(at + 12, true);
      facts.blockAlign = view.getUint16(at + 20, true);
      facts.bits = view.getUint16(at + 22, true);
    } else if (id === 'data') {
      facts.frames = Math.floor(Math.min(size, bytes.length - at - 8) / facts.blockAlign);
    }
    at += 8 + size + (size % 2);
  }
  facts.duration = facts.frames / facts.rate;
  return facts;
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

(async () => {
  const browser = await puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--headless=new', '--autoplay-policy=no-user-gesture-required'],
  });
  const problems = [];
  try {
    const page = await browser.newPage();
    page.on('pageerror', (error) => problems.push('exception: ' + error.message));
    page.on('console', (entry) => {
      // The one warning this test's own pixel reads cause is not the page's.
      if ((entry.type() === 'error' || entry.type() === 'warn') && !/willReadFrequently/.test(entry.text())) problems.push(entry.type() + ': ' + entry.text());
    });
    await page.setViewport({width: 1200, height: 980});
    const cdp = await browser.target().createCDPSession();
    let downloads = null;
    const downloadsTo = async (name) => {
      downloads = path.join(dir, 'downloads', name);
      fs.mkdirSync(downloads, {recursive: true});
      await cdp.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: downloads, eventsEnabled: true});
    };
    // A download is read only once the browser says it is complete: the file
    // appears under its name while its bytes are still being written.
    const suggested = new Map();
    const ended = new Map();
    cdp.on('Browser.downloadWillBegin', (event) => suggested.set(event.guid, event.suggestedFilename));
    cdp.on('Browser.downloadProgress', (event) => {
      if (event.state !== 'inProgress') ended.set(suggested.get(event.guid), event.state);
    });

    await page.goto(url);
    await page.waitForSelector('body[data-ready=yes]', {timeout: 20000});
    const input = await page.$('#open');
    const open = async (...files) => {
      const before = await page.$$eval('#files button', (tabs) => tabs.length);
      await input.uploadFile(...files);
      await page.waitForFunction((n) => document.querySelectorAll('#files button').length === n, {timeout: 30000}, before + files.length);
    };
    const showTab = (name) => page.evaluate((n) => [...document.querySelectorAll('#files button')].find((b) => b.dataset.file === n).click(), name);
    const tableRows = () => page.$$eval('#sounds tbody tr[data-index]', (rows) => rows.map((tr) => [...tr.cells].slice(1).map((td) => td.textContent)));
    const showSound = async (name) => {
      await page.evaluate((n) => [...document.querySelectorAll('#sounds tbody tr[data-index]')].find((tr) => tr.cells[2].textContent === n).click(), name);
      await page.waitForFunction((n) => !document.getElementById('sound').hidden && document.getElementById('sound-name').textContent === n &&
        document.getElementById('sound').dataset.playable !== 'pending', {timeout: 20000}, name);
      return page.$eval('#sound', (s) => s.dataset.playable);
    };
    // Pixels of the waveform's colour in the waveform's part of the canvas.
    const drawnPixels = (from = 0, to = 1) => page.$eval('#wave', (canvas, from, to) => {
      const ratio = canvas.width / canvas.clientWidth;
      const x = Math.floor(from * canvas.width);
      const data = canvas.getContext('2d').getImageData(x, 0, Math.floor(to * canvas.width) - x, Math.floor(200 * ratio)).data;
      let count = 0;
      for (let i = 0; i < data.length; i += 4) if (data[i + 2] > data[i] + 60) ++count;
      return count / (data.length / 4);
    }, from, to);
    const download = async (file, selector) => {
      fs.rmSync(path.join(downloads, file), {force: true});
      ended.delete(file);
      await page.click(selector);
      for (let i = 0; i < 200 && !ended.has(file); ++i) await sleep(50);
      return ended.get(file) === 'completed' ? fs.readFileSync(path.join(downloads, file)) : null;
    };

    // ---- the bundled example: every sound listed with its facts, decoded,
    // drawn, and downloaded as Snd_Pull exports it.
    await open(path.join(example, 'pk', 'Ambient.kzs'), path.join(example, 'pk', 'Weather.kzs'));
    await downloadsTo('example');
    for (const [file, sounds] of [['Ambient.kzs', ['Wind01', 'Birds', 'Bell']], ['Weather.kzs', ['Rain', 'Thunder']]]) {
      await showTab(file);
      const rows = await tableRows();
      check(file + ': the table lists every sound', JSON.stringify(rows.map((r) => r[1])) === JSON.stringify(sounds), JSON.stringify(rows));
      for (const sound of sounds) {
        const pulled = fs.readFileSync(path.join(example, 'out', sound + '.wav'));
        const facts = waveFacts(pulled);
        const row = rows.find((r) => r[1] === sound) || [];
        const [, , format, channels, rate, bits, duration, size] = row;
        check(file + ' ' + sound + ': facts in the table', format === 'PCM' && Number(channels) === facts.channels && Number(rate) === facts.rate &&
          Number(bits) === facts.bits && Math.abs(parseFloat(duration) - facts.duration) < 0.0005 && Number(size.replace(/,/g, '')) === facts.size,
          JSON.stringify({row, facts}));
        check(file + ' ' + sound + ': decodes in the browser', (await showSound(sound)) === 'yes');
        const drawn = await drawnPixels();
        check(file + ' ' + sound + ': waveform drawn', drawn > 0.02, 'share of waveform pixels ' + drawn);
        const bytes = await download(sound + '.wav', '#download');
        check(file + ' ' + sound + ': download equals Snd_Pull\'s export', bytes && Buffer.compare(bytes, pulled) === 0,
          bytes ? bytes.length + ' bytes against ' + pulled.length : 'nothing downloaded');
      }
    }
    await showTab('Ambient.kzs');
    const zipped = await download('Ambient.zip', '#zip-all');
    const entries = zipped ? fflate.unzipSync(new Uint8Array(zipped)) : {};
    check('Ambient.zip holds every sound', JSON.stringify(Object.keys(entries).sort()) === JSON.stringify(['Ambient/Bell.wav', 'Ambient/Birds.wav', 'Ambient/Wind01.wav']),
      JSON.stringify(Object.keys(entries)));
    for (const [name, bytes] of Object.entries(entries)) {
      const pulled = fs.readFileSync(path.join(example, 'out', path.basename(name)));
      check(name + ' in the zip equals Snd_Pull\'s export', Buffer.compare(Buffer.from(bytes), pulled) === 0);
    }

    // The ticked sounds only, as one zip.
    await page.evaluate(() => {
      for (const tr of document.querySelectorAll('#sounds tbody tr[data-index]')) if (tr.cells[2].textContent !== 'Birds') tr.querySelector('input').click();
    });
    fs.rmSync(path.join(downloads, 'Ambient.zip'));
    const picked = await download('Ambient.zip', '#zip-selected');
    check('the zip of the ticked sounds holds those', picked && JSON.stringify(Object.keys(fflate.unzipSync(new Uint8Array(picked))).sort()) ===
      JSON.stringify(['Ambient/Bell.wav', 'Ambient/Wind01.wav']));

    // Play from a clicked point, then stop.
    await showSound('Bell');
    const box = await (await page.$('#wave')).boundingBox();
    await page.mouse.click(box.x + box.width / 2, box.y + 50);
    await page.waitForFunction(() => !document.getElementById('playhead').hidden && parseFloat(document.getElementById('playhead').style.left) >= 50, {timeout: 5000})
      .then(() => check('a click on the waveform plays from there', true), () => check('a click on the waveform plays from there', false));
    await page.click('#stop');
    check('Stop stops', await page.$eval('#playhead', (p) => p.hidden));

    // A file dropped on the page opens like a chosen one.
    const dropped = fs.readFileSync(path.join(inputs, 'marks', 'Bell.wav')).toString('base64');
    await page.evaluate((base64) => {
      const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
      const data = new DataTransfer();
      data.items.add(new File([bytes], 'Dropped.wav'));
      document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: data, bubbles: true, cancelable: true}));
    }, dropped);
    await page.waitForFunction(() => document.getElementById('sound-name').textContent === 'Dropped.wav' &&
      document.getElementById('sound').dataset.playable === 'yes', {timeout: 20000})
      .then(() => check('a dropped WAVE file opens and plays', true), () => check('a dropped WAVE file opens and plays', false));

    // ---- the test's own files: markers where the file puts them.
    await open(path.join(inputs, 'marks', 'Marked.kzs'), path.join(inputs, 'marks', 'Bell.wav'), path.join(inputs, 'damaged', 'Cut.kzs'));
    await downloadsTo('marks');
    const frames = waveFacts(fs.readFileSync(path.join(inputs, 'marks', 'Bell.wav'))).frames;
    const checkMarks = async (what) => {
      const marks = await page.evaluate(() => {
        const box = document.getElementById('wave').getBoundingClientRect();
        const place = (node) => {
          const r = node.getBoundingClientRect();
          return {x: r.left - box.left, width: r.width, canvas: box.width};
        };
        return {
          cues: [...document.querySelectorAll('#overlay .cue')].map((n) => ({sample: Number(n.dataset.sample), label: n.textContent, ...place(n)})),
          regions: [...document.querySelectorAll('#overlay .region')].map((n) => ({sample: Number(n.dataset.sample), length: Number(n.dataset.length), ...place(n)})),
          words: [...document.querySelectorAll('#overlay .word')].map((n) => ({word: n.querySelector('b').textContent, ...place(n)})),
          loops: [...document.querySelectorAll('#overlay .loop')].map((n) => ({start: Number(n.dataset.start), end: Number(n.dataset.end), ...place(n)})),
        };
      });
      const near = (x, sample) => Math.abs(x - (sample / frames) * marks.cues.concat(marks.words)[0].canvas) < 1.5;
      check(what + ': one marker per cue point', marks.cues.length === expected.cues.length, JSON.stringify(marks.cues));
      for (const cue of expected.cues) {
        const shown = marks.cues.find((c) => c.label === cue.label);
        check(what + ': cue "' + cue.label + '" at sample ' + cue.sample, shown && shown.sample === cue.sample && near(shown.x, cue.sample), JSON.stringify(shown));
      }
      const start = expected.cues.find((c) => c.id === expected.region.id).sample;
      const region = marks.regions[0];
      check(what + ': the labelled region spans its samples', marks.regions.length === 1 && region.sample === start && near(region.x, start) &&
        near(region.x + region.width, start + expected.region.length), JSON.stringify(marks.regions));
      const loop = marks.loops[0];
      check(what + ': the sampler loop spans its frames', marks.loops.length === 1 && loop.start === expected.loop.start &&
        near(loop.x, expected.loop.start) && near(loop.x + loop.width, expected.loop.end + 1), JSON.stringify(marks.loops));
      check(what + ': one band per phoneme word', marks.words.length === expected.words.length, JSON.stringify(marks.words));
      for (const word of expected.words) {
        const band = marks.words.find((w) => w.word === word.word);
        check(what + ': word "' + word.word + '" under its samples', band && near(band.x, word.start) && near(band.x + band.width, word.end), JSON.stringify(band));
      }
    };
    await showTab('Marked.kzs');
    const markedRows = await tableRows();
    check('Marked.kzs: the table lists every export', JSON.stringify(markedRows.map((r) => r[1])) ===
      JSON.stringify(['Bell', 'Stereo24', 'Float', 'Pcm8', 'MuLaw', 'Long', 'Adpcm', 'Ima', 'Gsm', 'Empty']), JSON.stringify(markedRows));
    // What Snd_Info's /x: and --pcm write for the sounds that Snd_Pull's script leaves out, and for the PCM downloads.
    const marks = path.join(inputs, 'marks');
    const markedOut = path.join(dir, 'extracted-marks');
    fs.rmSync(markedOut, {recursive: true, force: true});
    spawnSync(sndInfo, ['Marked.kzs', '/x:' + markedOut], {cwd: marks, encoding: 'utf8'});
    const asPcm = (args, name) => {
      const out = path.join(dir, 'pcm-expected', name);
      fs.mkdirSync(path.dirname(out), {recursive: true});
      fs.rmSync(out, {force: true});
      const run = spawnSync(sndInfo, [...args, '/w:' + out, '--pcm'], {cwd: marks, encoding: 'utf8'});
      return fs.existsSync(out) ? fs.readFileSync(out) : 'Snd_Info wrote nothing: ' + run.stderr.trim();
    };
    const pcmDownload = async (what, file, expectedBytes) => {
      await downloadsTo('pcm');
      const bytes = await download(file, '#download-pcm');
      await downloadsTo('marks');
      check(what + ': PCM download equals Snd_Info --pcm', bytes && Buffer.isBuffer(expectedBytes) && Buffer.compare(bytes, expectedBytes) === 0,
        Buffer.isBuffer(expectedBytes) ? (bytes ? bytes.length : 'no') + ' bytes against ' + expectedBytes.length : expectedBytes);
    };
    // An ADPCM sound plays from its PCM conversion: as many frames as the facts count, at their rate.
    const checkConverted = async (what, frames) => {
      const heard = await page.evaluate(() => {
        const s = SndPage.sound.shown();
        return s.buffer && {converted: s.converted, length: s.buffer.length, at: s.buffer.sampleRate, channels: s.buffer.numberOfChannels,
          frames: s.wave.audio.frames, rate: s.wave.audio.rate, facts: s.wave.audio.channels};
      });
      check(what + ': plays its PCM conversion, ' + frames + ' frames long', heard && heard.converted && heard.frames === frames &&
        heard.channels === heard.facts && Math.abs(heard.length - (frames * heard.at) / heard.rate) <= 1, JSON.stringify(heard));
    };
    // Each sound: whether it must play in the page, whether the page draws it, whether it offers a PCM download.
    const formats = [['Stereo24', true, true, false], ['Float', true, true, false], ['Pcm8', true, true, false], ['MuLaw', false, true, true],
      ['Adpcm', true, true, true], ['Ima', true, true, true], ['Gsm', false, false, false], ['Bell', true, true, false]];
    const playing = [];
    for (const [sound, mustPlay, drawn, converts] of formats) {
      const playable = await showSound(sound);
      const said = await page.$eval('#playable', (p) => p.textContent);
      playing.push(sound + ': ' + (playable === 'yes' ? 'plays' : said));
      check('Marked.kzs ' + sound + (mustPlay ? ': plays in the page' : ': plays, or the page says it cannot'),
        playable === 'yes' || (!mustPlay && /cannot play/.test(said)), said);
      const pixels = await drawnPixels();
      check('Marked.kzs ' + sound + (drawn ? ': waveform drawn' : ': no waveform, and said so'), drawn ? pixels > 0.005 : pixels < 0.001, String(pixels));
      const pulledPath = path.join(inputs, 'pull', sound + '.wav');
      const pulled = fs.readFileSync(fs.existsSync(pulledPath) ? pulledPath : path.join(markedOut, 'Marked', sound + '.wav'));
      const bytes = await download(sound + '.wav', '#download');
      check('Marked.kzs ' + sound + ': download equals Snd_Pull\'s export', bytes && Buffer.compare(bytes, pulled) === 0);
      const offered = !(await page.$eval('#download-pcm', (b) => b.hidden));
      check('Marked.kzs ' + sound + (converts ? ': offers a PCM download' : ': no PCM download'), offered === converts);
      if (expected.frames[sound]) await checkConverted('Marked.kzs ' + sound, expected.frames[sound]);
      if (converts) await pcmDownload('Marked.kzs ' + sound, sound + '.wav', asPcm(['Marked.kzs', sound], sound + '.wav'));
    }
    // A long sound is drawn where its samples are: the tone on the left, the silence on the right.
    await showSound('Long');
    const [left, right] = [await drawnPixels(0.05, 0.45), await drawnPixels(0.55, 0.99)];
    check('Marked.kzs Long: the tone left, the silence right', left > 0.3 && right < 0.01, JSON.stringify({left, right}));
    await showSound('Bell');
    await checkMarks('Marked.kzs Bell');
    // The chunks are what Snd_Info prints for the sound.
    const printed = spawnSync(sndInfo, ['Marked.kzs', 'Bell'], {cwd: path.join(inputs, 'marks'), encoding: 'utf8'}).stdout;
    const chunks = await page.$eval('#chunks', (pre) => pre.textContent);
    check('Marked.kzs Bell: the chunks as Snd_Info prints them', printed.length > 0 && chunks === printed, JSON.stringify({chunks, printed}));
    await page.evaluate(() => [...document.querySelectorAll('#sounds tbody tr[data-index]')].find((tr) => tr.cells[2].textContent === 'Empty').click());
    check('an export without a sound shows no sound', await page.$eval('#sound', (s) => s.hidden));

    // An ADPCM WAVE file of its own: converted from the file itself.
    await open(path.join(marks, 'Ima.wav'));
    await page.waitForFunction(() => document.getElementById('sound-name').textContent === 'Ima.wav' &&
      document.getElementById('sound').dataset.playable !== 'pending', {timeout: 20000});
    check('Ima.wav: plays in the page', (await page.$eval('#sound', (s) => s.dataset.playable)) === 'yes');
    await checkConverted('Ima.wav', expected.frames.Ima);
    await pcmDownload('Ima.wav', 'Ima.wav', asPcm(['Ima.wav'], 'Ima.wav'));

    await showTab('Bell.wav');
    await page.waitForFunction(() => document.getElementById('sound').dataset.playable !== 'pending' && !document.getElementById('sound').hidden);
    check('Bell.wav: decodes in the browser', (await page.$eval('#sound', (s) => s.dataset.playable)) === 'yes');
    await checkMarks('Bell.wav');

    // ---- a zip names its files as Snd_Info's /x: does: escapes, numbers.
    await open(path.join(inputs, 'names', 'Names.kzs'));
    await downloadsTo('names');
    await showTab('Names.kzs');
    const named = await download('Names.zip', '#zip-all');
    const extracted = path.join(dir, 'extracted');
    fs.rmSync(extracted, {recursive: true, force: true});
    spawnSync(sndInfo, [path.join(inputs, 'names', 'Names.kzs'), '/x:' + extracted], {encoding: 'utf8'});
    const written = fs.readdirSync(path.join(extracted, 'Names')).map((f) => 'Names/' + f).sort();
    const zippedNames = named ? Object.keys(fflate.unzipSync(new Uint8Array(named))).sort() : [];
    check('Names.zip: file names as /x: writes them', written.length === 6 && JSON.stringify(zippedNames) === JSON.stringify(written),
      JSON.stringify({zippedNames, written}));

    // ---- groups: a column, sorted and filtered by it; the zip in the folders /x: writes.
    await open(path.join(example, 'pk', 'Forest.kzs'));
    await downloadsTo('forest');
    await showTab('Forest.kzs');
    const groupOf = (rows) => rows.map((r) => r[1] + '@' + r[8]);
    check('Forest.kzs: each export\'s group in its column', JSON.stringify(groupOf(await tableRows())) ===
      JSON.stringify(['Wind@', 'Gusts@Wind', 'Birds@', 'Hit@Wind', 'Hit@Wind.Gusts', 'Morning@Birds']), JSON.stringify(await tableRows()));
    await page.click('th[data-key=group]');
    await page.click('th[data-key=group]');
    check('Forest.kzs: sorted down by group', JSON.stringify(groupOf(await tableRows()).slice(0, 3)) ===
      JSON.stringify(['Hit@Wind.Gusts', 'Gusts@Wind', 'Hit@Wind']), JSON.stringify(await tableRows()));
    await page.type('#filter', 'gusts');
    check('Forest.kzs: filtered by group', JSON.stringify(groupOf(await tableRows())) === JSON.stringify(['Hit@Wind.Gusts', 'Gusts@Wind']),
      JSON.stringify(await tableRows()));
    const forest = await download('Forest.zip', '#zip-all');
    const forestOut = path.join(dir, 'forest-out');
    fs.rmSync(forestOut, {recursive: true, force: true});
    spawnSync(sndInfo, [path.join(example, 'pk', 'Forest.kzs'), '/x:' + forestOut], {encoding: 'utf8'});
    const forestFiles = fs.readdirSync(forestOut, {recursive: true}).map((f) => f.split(path.sep).join('/'))
      .filter((f) => f.endsWith('.wav')).sort();
    const forestZipped = forest ? fflate.unzipSync(new Uint8Array(forest)) : {};
    check('Forest.zip: the folders of the groups, as /x: writes them', JSON.stringify(Object.keys(forestZipped).sort()) === JSON.stringify(forestFiles) &&
      JSON.stringify(forestFiles) === JSON.stringify(['Forest/Birds/Morning.wav', 'Forest/Wind/Gusts/Hit.wav', 'Forest/Wind/Hit.wav']) &&
      forestFiles.every((f) => Buffer.compare(Buffer.from(forestZipped[f]), fs.readFileSync(path.join(forestOut, f))) === 0),
      JSON.stringify({zipped: Object.keys(forestZipped), forestFiles}));

    // ---- damaged input: Snd_Info's own error, not a blank page.
    await showTab('Cut.kzs');
    const run = spawnSync(sndInfo, ['Cut.kzs'], {cwd: path.join(inputs, 'damaged'), encoding: 'utf8'});
    const said = run.stderr.trim().split('\n').map((line) => line.replace(/^Snd_Info: /, ''));
    const messages = await page.$eval('#messages', (m) => m.innerText);
    check('Cut.kzs: the page shows Snd_Info\'s error', run.status === 1 && said.length > 0 && said.every((line) => messages.includes('error: ' + line)),
      JSON.stringify({said, messages}));
    check('Cut.kzs: no table for it', await page.$eval('#package', (p) => p.hidden));

    // ---- 10,000 sounds: listed, filtered, sorted; the time it takes.
    const started = Date.now();
    await open(path.join(inputs, 'many', 'Many.kzs'));
    await page.waitForFunction((n) => document.getElementById('sounds').dataset.rows === String(n), {timeout: 60000}, expected.many);
    const listed = Date.now() - started;
    const pageMs = await page.$eval('#sounds', (t) => Number(t.dataset.listMs));
    const head = (await tableRows()).slice(0, 3).map((r) => r[1]);
    check('Many.kzs: every sound listed', (await page.$eval('#counts', (c) => c.textContent)) === expected.many + ' exports' &&
      JSON.stringify(head) === '["S00000","S00001","S00002"]', JSON.stringify(head));
    // Scrolled to the end, the table shows the last sounds.
    await page.$eval('.table-frame', (frame) => { frame.scrollTop = frame.scrollHeight; });
    await page.waitForFunction(() => [...document.querySelectorAll('#sounds tbody tr[data-index]')].some((tr) => tr.cells[2].textContent === 'S09999'))
      .catch(() => {});
    const tail = (await tableRows()).map((r) => r[1]);
    check('Many.kzs: scrolled to the end, the last sounds show in order', tail.length > 0 &&
      tail.every((name, i) => name === 'S' + String(expected.many - tail.length + i).padStart(5, '0')), JSON.stringify(tail.slice(-3)));
    await page.type('#filter', 'S0999');
    await page.click('th[data-key=name]');
    await page.click('th[data-key=name]');
    const filtered = (await tableRows()).map((r) => r[1]);
    check('Many.kzs: filtered by name and sorted down', filtered.length === 10 && filtered[0] === 'S09999' && filtered[9] === 'S09990', JSON.stringify(filtered));

    // ---- the screenshot: the example's bell with its markers.
    await showTab('Marked.kzs');
    await showSound('Bell');
    const bottom = await page.$eval('#chunks-box', (box) => Math.ceil(box.getBoundingClientRect().top) + 28);
    await page.screenshot({path: path.join(dir, 'page.png'), clip: {x: 0, y: 0, width: 1200, height: bottom}});

    check('no exception or error in the console', problems.length === 0, problems.join(' | '));
    console.log('10,000 sounds listed in ' + listed + ' ms from choosing the file (the page\'s own measure: ' + pageMs + ' ms)');
    console.log('In this browser: ' + playing.join('; '));
    console.log('Screenshot: ' + path.join(dir, 'page.png'));
  } catch (error) {
    check('the test ran to its end', false, error.stack);
  } finally {
    await browser.close();
  }
  console.log(passed + ' passed, ' + failed + ' failed');
  process.exit(failed ? 1 : 0);
})();
