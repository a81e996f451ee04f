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

// "1:02.261" in seconds.
const clockSeconds = (text) => text.split(':').reduce((sum, part) => sum * 60 + Number(part), 0);
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
    // Every address either page asks for: its own files, and the blob: and data: addresses made in it.
    const asked = [];
    let probing = false;  // the policy's refusals that the probe below provokes are not the page's errors
    page.on('request', (request) => asked.push(request.url()));
    page.on('console', (entry) => {
      // The one warning this test's own pixel reads cause is not the page's.
      if (probing && /Content Security Policy/.test(entry.text())) return;
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

    // What has the keyboard, and whether a ring shows it.
    const focused = () => page.evaluate(() => {
      const e = document.activeElement;
      const style = getComputedStyle(e);
      const row = e.closest('tr[data-index]');
      const what = e.dataset.file ? 'tab:' + e.dataset.file : e.dataset.closes ? 'close:' + e.dataset.closes
        : e.classList.contains('sort') ? 'sort:' + e.textContent : e.matches('tr') ? 'row:' + e.cells[2].textContent
        : row ? 'tick:' + row.cells[2].textContent : e.id;
      return {what, ring: style.outlineStyle !== 'none' && parseFloat(style.outlineWidth) > 0};
    });
    // The playhead shown (true) or hidden (false): waited for by time rather than by frames, and long enough for a
    // machine busy with other work. The state wanted reaches the page as the predicate's argument (a closure's
    // variables do not: the predicate runs in the page).
    const playheadShown = (shown) => page.waitForFunction((s) => document.getElementById('playhead').hidden === !s, {timeout: 30000, polling: 50}, shown)
      .then(() => true, () => false);
    // The sound shown playing, or paused (it stays where it is, the playhead with it): the playhead shows both.
    const playsNow = (paused) => page.waitForFunction((s) => { const p = SndPage.sound.playing(); return p && p.paused === s; }, {timeout: 30000, polling: 50}, paused)
      .then(() => true, () => false);
    // Opened Ambient.kzs and Weather.kzs (shown): Tab walks the page in order, arrows move between rows, Enter shows, Space plays and pauses.
    const keyboardPath = async () => {
      const walk = [];
      for (let i = 0; i < 17; ++i) {
        await page.keyboard.press('Tab');
        walk.push(await focused());
      }
      const order = ['tab:Ambient.kzs', 'close:Ambient.kzs', 'tab:Weather.kzs', 'close:Weather.kzs', 'filter', 'zip-all', 'play-on-select',
        'select-all', 'sort:#', 'sort:Name', 'sort:Format', 'sort:Channels', 'sort:Rate', 'sort:Bits', 'sort:Duration', 'sort:Size', 'row:Rain'];
      check('keyboard: Tab walks the controls in order', JSON.stringify(walk.map((w) => w.what)) === JSON.stringify(order), JSON.stringify(walk.map((w) => w.what)));
      check('keyboard: every control shows a focus ring', walk.every((w) => w.ring), JSON.stringify(walk.filter((w) => !w.ring)));
      await page.keyboard.press('ArrowDown');
      check('keyboard: the down arrow moves to the next row', (await focused()).what === 'row:Thunder');
      await page.keyboard.press('Enter');
      await page.waitForFunction(() => document.getElementById('sound-name').textContent === 'Thunder' && document.getElementById('sound').dataset.playable === 'yes', {timeout: 30000})
        .then(() => check('keyboard: Enter shows the row\'s sound', true), () => check('keyboard: Enter shows the row\'s sound', false));
      await page.keyboard.press(' ');
      check('keyboard: Space plays', await playsNow(false));
      await page.keyboard.press(' ');
      check('keyboard: Space again pauses', await playsNow(true));
      await page.keyboard.press('ArrowUp');
      const rows = await page.$$eval('#sounds tbody tr[data-index]', (trs) => trs.map((tr) => ({name: tr.cells[2].textContent, shown: tr.classList.contains('shown'),
        outline: getComputedStyle(tr).outlineStyle, back: getComputedStyle(tr).backgroundColor})));
      const [rain, thunder] = rows;
      check('keyboard: the row with the keyboard looks unlike the row shown', rain.outline !== 'none' && !rain.shown && thunder.shown &&
        thunder.outline === 'none' && rain.back !== thunder.back, JSON.stringify(rows));
      await page.keyboard.press(' ');
      check('keyboard: Space on another row shows and plays it', await playheadShown(true) &&
        await page.$eval('#sound-name', (n) => n.textContent) === 'Rain', JSON.stringify(await page.evaluate(() => ({name: document.getElementById('sound-name').textContent, playable: document.getElementById('sound').dataset.playable,
          focus: document.activeElement.outerHTML.slice(0, 80), playing: SndPage.sound.playing()}))));
      await page.keyboard.press(' ');
      await playsNow(true);
      // Play on select, ticked from the keyboard.
      await page.focus('#play-on-select');
      await page.keyboard.press(' ');
      await page.focus('#sounds tbody tr[data-pos="0"]');
      await page.keyboard.press('End');
      await page.keyboard.press('Enter');
      check('play on select: Enter shows Thunder and plays it', await playheadShown(true) && await page.$eval('#sound-name', (n) => n.textContent) === 'Thunder',
        JSON.stringify(await page.evaluate(() => ({name: document.getElementById('sound-name').textContent, playable: document.getElementById('sound').dataset.playable,
          ticked: document.getElementById('play-on-select').checked, focus: document.activeElement.outerHTML.slice(0, 80), playing: SndPage.sound.playing()}))));
      await page.click('#stop');
      await page.click('#play-on-select');
      // A header is a button that says its sort.
      await page.focus('th[data-key=name] button');
      await page.keyboard.press('Enter');
      const up = await page.$eval('th[data-key=name]', (th) => th.getAttribute('aria-sort'));
      await page.keyboard.press('Enter');
      const down = await page.$eval('th[data-key=name]', (th) => th.getAttribute('aria-sort'));
      check('keyboard: a header sorts, and says so', up === 'ascending' && down === 'descending' &&
        JSON.stringify((await tableRows()).map((r) => r[1])) === '["Thunder","Rain"]', JSON.stringify({up, down}));
      await page.click('th[data-key=index]');
    };
    // Serious and critical findings of axe-core on the page as it stands.
    const axeCheck = async (what) => {
      // Evaluated from here: the page's own policy admits no script but its own files.
      if (!(await page.evaluate(() => typeof axe !== 'undefined'))) await page.evaluate(fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8'));
      const found = await page.evaluate(async () => (await axe.run(document, {resultTypes: ['violations']})).violations
        .filter((v) => v.impact === 'serious' || v.impact === 'critical')
        .map((v) => v.id + ' (' + v.impact + '): ' + v.nodes.slice(0, 3).map((n) => n.target.join(' ')).join(', ')));
      check(what + ': axe-core finds no serious or critical violation', found.length === 0, found.join(' | '));
    };

    await page.goto(url);
    await page.waitForSelector('body[data-ready=yes]', {timeout: 20000});
    // The footer names the project's one version, as project() in CMakeLists.txt states it.
    const version = /^project\(\w+ VERSION ([0-9.]+)/m.exec(fs.readFileSync(path.join(__dirname, '..', '..', 'CMakeLists.txt'), 'utf8'))[1];
    const footer = await page.$eval('footer', (f) => f.textContent.trim());
    check('the footer shows the version', footer === 'Snd_Pull ' + version, footer);
    const input = await page.$('#open');
    const status = () => page.$eval('#status', (s) => ({text: s.textContent, failed: s.classList.contains('failed')}));
    // `n` files open, every package's sounds' facts in (a package is listed from its tables first).
    const opened = (n) => page.waitForFunction((n) => document.querySelectorAll('#files button[data-file]').length === n &&
      !document.querySelector('#files button[data-pending]'), {timeout: 60000}, n);
    const open = async (...files) => {
      const before = await page.$$eval('#files button[data-file]', (tabs) => tabs.length);
      await input.uploadFile(...files);
      await opened(before + files.length);
    };
    const showTab = (name) => page.evaluate((n) => [...document.querySelectorAll('#files button[data-file]')].find((b) => b.dataset.file === n).click(), name);
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
    // ---- the keyboard alone: Tab reaches the button that opens files, Enter opens the chooser.
    await page.keyboard.press('Tab');
    check('Tab first reaches the button that opens files', await page.evaluate(() => document.activeElement.id) === 'open-button');
    // The browser intercepts the chooser only once it has been told to, which takes a moment.
    const choosing = page.waitForFileChooser({timeout: 5000});
    await sleep(500);
    await page.keyboard.press('Enter');
    const chooser = await choosing;
    await chooser.accept([path.join(example, 'pk', 'Ambient.kzs'), path.join(example, 'pk', 'Weather.kzs')]);
    await opened(2);
    await keyboardPath();
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
          Number(bits) === facts.bits && /^\d+:\d\d\.\d{3}$/.test(duration) && Math.abs(clockSeconds(duration) - facts.duration) < 0.0005 &&
          Number(size.replace(/,/g, '')) === facts.size,
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
    check('nothing ticked: "Download selected" is disabled', await page.$eval('#zip-selected', (b) => b.disabled));
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
    check('a sound ticked: "Download selected" is enabled', !(await page.$eval('#zip-selected', (b) => b.disabled)));
    const picked = await download('Ambient (2 selected).zip', '#zip-selected');
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
    const opening = await status();
    check('a file that failed is said to have failed', opening.failed && /could not read Cut\.kzs/.test(opening.text) && !/Cut\.kzs listed/.test(opening.text), JSON.stringify(opening));
    await showTab('Bell.wav');
    check('a WAVE file opens in the sound view, without a table', await page.waitForFunction(() => document.getElementById('package').hidden &&
      !document.getElementById('sound').hidden && document.getElementById('sound-name').textContent === 'Bell.wav', {timeout: 10000}).then(() => true, () => false));
    // Opened again: its tab is selected, no second tab.
    const tabsBefore = await page.$$eval('#files button[data-file]', (tabs) => tabs.length);
    await input.uploadFile(path.join(inputs, 'marks', 'Marked.kzs'));
    await page.waitForFunction(() => /already open/.test(document.getElementById('status').textContent), {timeout: 10000}).catch(() => {});
    check('a file opened again selects its tab', await page.$$eval('#files button[data-file]', (tabs) => tabs.length) === tabsBefore &&
      await page.$eval('#files button.current', (b) => b.dataset.file) === 'Marked.kzs', (await status()).text);
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
      JSON.stringify(['Bell', 'Stereo24', 'Float', 'Pcm8', 'MuLaw', 'Long', 'Adpcm', 'Ima', 'Gsm', 'Strange', 'Empty']), JSON.stringify(markedRows));
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
      ['Adpcm', true, true, true], ['Ima', true, true, true], ['Gsm', false, false, false],
      ['Strange', false, false, false], ['Bell', true, true, false]];
    const playing = [];
    for (const [sound, mustPlay, drawn, converts] of formats) {
      const playable = await showSound(sound);
      const said = await page.$eval('#playable', (p) => p.textContent);
      playing.push(sound + ': ' + (playable === 'yes' ? 'plays' : said));
      check('Marked.kzs ' + sound + (mustPlay ? ': plays in the page' : ': plays, or the page says it cannot'),
        playable === 'yes' || (!mustPlay && /cannot play|^Not played: /.test(said)), said);
      const pixels = await drawnPixels();
      check('Marked.kzs ' + sound + (drawn ? ': waveform drawn' : ': no waveform, and said so'), drawn ? pixels > 0.005 : pixels < 0.001, String(pixels));
      const pulledPath = path.join(inputs, 'pull', sound + '.wav');
      const pulled = fs.readFileSync(fs.existsSync(pulledPath) ? pulledPath : path.join(markedOut, 'Marked', sound + '.wav'));
      const bytes = await download(sound + '.wav', '#download');
      check('Marked.kzs ' + sound + ': download equals Snd_Pull\'s export', bytes && Buffer.compare(bytes, pulled) === 0,
        (bytes ? bytes.length : 'no') + ' bytes; ' + await page.$eval('#messages', (m) => m.innerText));
      const offered = !(await page.$eval('#download-pcm', (b) => b.hidden));
      check('Marked.kzs ' + sound + (converts ? ': offers a PCM download' : ': no PCM download'), offered === converts);
      if (expected.frames[sound]) await checkConverted('Marked.kzs ' + sound, expected.frames[sound]);
      if (converts) await pcmDownload('Marked.kzs ' + sound, sound + ' (PCM).wav', asPcm(['Marked.kzs', sound], sound + '.wav'));
    }
    await showSound('Strange');
    const strange = await page.evaluate(() => [document.getElementById('sound-reason').textContent, document.getElementById('sound-reason').hidden,
      document.getElementById('playable').textContent]);
    check('Marked.kzs Strange: not drawn, not played, and the reason shown', /sub-format GUID/.test(strange[0]) && !strange[1] &&
      /^Not played: .*sub-format GUID/.test(strange[2]), JSON.stringify(strange));
    // A long sound is drawn where its samples are: the tone on the left, the silence on the right.
    await showSound('Long');
    const [left, right] = [await drawnPixels(0.05, 0.45), await drawnPixels(0.55, 0.99)];
    check('Marked.kzs Long: the tone left, the silence right', left > 0.3 && right < 0.01, JSON.stringify({left, right}));
    await showSound('Bell');
    await checkMarks('Marked.kzs Bell');

    // ---- the metadata: a block per metadata chunk, in the chunks' order, its fields by readable names; a long text in a
    // capped box that scrolls and takes the keyboard.
    const metadata = await page.$$eval('#metadata .meta', (parts) => parts.map((part) => ({
      title: part.querySelector('h3').textContent,
      fields: Object.fromEntries([...part.querySelectorAll('dt')].map((dt) => [dt.textContent, dt.nextElementSibling.textContent])),
      boxes: [...part.querySelectorAll('dd > pre')].map((pre) => ({field: pre.parentNode.previousElementSibling.textContent,
        maxHeight: getComputedStyle(pre).maxHeight, overflow: getComputedStyle(pre).overflowY, keyboard: pre.tabIndex === 0})),
    })));
    const bextShown = metadata.find((m) => m.title === 'Broadcast extension') || {fields: {}, boxes: []};
    check('Marked.kzs Bell: a metadata block per metadata chunk, in order', JSON.stringify(metadata.map((m) => m.title)) === '["Broadcast extension","Info"]' &&
      JSON.stringify(metadata[1].fields) === '{"Title":"Marked bell"}', JSON.stringify(metadata));
    check('Marked.kzs Bell: the broadcast extension\'s fields by readable names', Object.entries(expected.bext).every(([name, value]) => bextShown.fields[name] === String(value)) &&
      !('Version' in bextShown.fields && bextShown.fields.Version !== '0'), JSON.stringify(bextShown.fields));
    check('Marked.kzs Bell: the coding history whole, in a capped box that scrolls', bextShown.boxes.length === 1 && bextShown.boxes[0].field === 'Coding history' &&
      /^A=PCM,F=22050.*\r\nA=PCM.*T=make_web_inputs\r\n$/s.test(bextShown.fields['Coding history']) && bextShown.boxes[0].maxHeight !== 'none' &&
      bextShown.boxes[0].overflow === 'auto' && bextShown.boxes[0].keyboard, JSON.stringify(bextShown.boxes));
    // The names made readable, a text's bytes beside it left out, a chunk of fields the page does not know under its identifier, raw chunks not shown.
    const blocks = await page.evaluate(() => [
      {chunks: [{id: 'cart', size: 2048, cut_id: 'C1', url: 'http://x', producer_app_id: 'P', post_timer_1: 'MRK 10'}]},
      {chunks: [{id: 'id3 ', size: 90, version: '2.3.0', 'TXXX description': 'value', APIC: '1234 bytes'}, {id: 'JUNK', size: 28}]},
      {chunks: [{id: 'abcd', size: 4, max_true_peak_level: '-1.00', text: 'a\ufffd', text_bytes: [97, 255]}, {id: 'iXML', size: 7, xml: '<a/>'}]},
      {chunks: [{id: 'LIST', size: 20, list_type: 'INFO'}, {id: 'LIST', size: 20, list_type: 'INFO'}, {id: 'LIST', size: 20, list_type: 'adtl'}],
        info: [{code: 'INAM', text: 'a'}, {code: 'IXYZ', text: 'b'}, {code: 'ISGN', text: 'c'}]},
      {chunks: [{id: 'fmt ', size: 16, format_tag: 1}, {id: 'smpl', size: 36, manufacturer: 0}, {id: 'acid', size: 24, type: 'loop', root_note: 60}]},
    ].map((wave) => SndPage.sound.metadataOf(wave).map((b) => b.title + ': ' + b.fields.map(([name, value]) => name + '=' + value).join(', '))));
    check('metadata blocks from the JSON: headings, readable names, what is left out', JSON.stringify(blocks) === JSON.stringify([
      ['Cart: Cut ID=C1, URL=http://x, Producer app ID=P, Post timer 1=MRK 10'],
      ['ID3 tag: Version=2.3.0, TXXX description=value, APIC=1234 bytes'],
      ['\'abcd\': Max true peak level=-1.00, Text=a\ufffd', 'iXML: XML=<a/>'],
      ['Info: Title=a, \'IXYZ\'=b, Secondary genre=c'],
      ['Acid: Type=loop, Root note=60'],
    ]), JSON.stringify(blocks));

    // ---- the regions, loops, label track and SFZ as files: named and written as Snd_Info /x: --regions --labels --sfz
    // writes them beside the sound.
    const takenOut = path.join(dir, 'extracted-regions');
    fs.rmSync(takenOut, {recursive: true, force: true});
    const takenRun = spawnSync(sndInfo, ['Marked.kzs', '/x:' + takenOut, '--regions', '--labels', '--sfz'], {cwd: marks, encoding: 'utf8'});
    const takenFiles = fs.existsSync(path.join(takenOut, 'Marked')) ? fs.readdirSync(path.join(takenOut, 'Marked')).filter((f) => /^Bell[ .]/.test(f) && f !== 'Bell.wav').sort() : [];
    const offered = await page.$$eval('#extras-files button', (buttons) => buttons.map((b) => b.dataset.name));
    check('Marked.kzs Bell: a download per region and loop, the label track and the SFZ, named as /x: names them',
      JSON.stringify(offered) === JSON.stringify(['Bell - Ring.wav', 'Bell - loop 1.wav', 'Bell.txt', 'Bell.sfz']) &&
      JSON.stringify(offered.slice().sort()) === JSON.stringify(takenFiles), JSON.stringify({offered, takenFiles, stderr: takenRun.stderr}));
    for (const name of offered) {
      const bytes = await download(name, '#extras-files button[data-name="' + name + '"]');
      const written = path.join(takenOut, 'Marked', name);
      check('Marked.kzs Bell: ' + name + ' equals what /x: writes', bytes && fs.existsSync(written) && Buffer.compare(bytes, fs.readFileSync(written)) === 0,
        (bytes ? bytes.length : 'no') + ' bytes');
      if (name === 'Bell.txt') {
        check('Marked.kzs Bell: the label track holds the region and the loop', bytes && bytes.toString('utf8').includes('0.400000\t0.700000\tRing\n') &&
          bytes.toString('utf8').includes('0.500000\t1.000000\tloop 1\n'), bytes && bytes.toString('utf8'));
      }
    }

    // ---- listening: channel labels, no empty strip, a time axis in clock time, zoom and scroll, a loop played over and over.
    const waveState = () => page.evaluate(() => {
      const canvas = document.getElementById('wave');
      return {view: SndPage.wave.view(), ticks: canvas.dataset.ticks, channels: canvas.dataset.channels, height: canvas.clientHeight,
        scroll: !document.getElementById('wave-scroll').hidden};
    });
    await showSound('Stereo24');
    const stereo = await waveState();
    check('Stereo24: no metadata, no block; no region, loop or marks, no download of them', await page.$eval('#metadata', (m) => m.hidden && m.children.length === 0) &&
      await page.$eval('#extras', (e) => e.hidden));
    await showSound('Bell');
    const whole = await waveState();
    check('channel labels: L and R for stereo, mono for one channel', stereo.channels === 'L,R' && whole.channels === 'mono', JSON.stringify([stereo.channels, whole.channels]));
    check('a strip for phoneme words only where there are words', stereo.height === 222 && whole.height === 270, JSON.stringify([stereo.height, whole.height]));
    check('Bell: the time axis in clock time over the whole sound', whole.ticks === '0:00.0 0:00.2 0:00.4 0:00.6 0:00.8 0:01.0 0:01.2 0:01.4' &&
      whole.view.first === 0 && whole.view.count === frames, JSON.stringify(whole));
    await page.focus('#wave');
    await page.keyboard.press('+');
    await page.keyboard.press('+');
    await sleep(400);  // the core's peaks of the span drawn
    const closer = await waveState();
    const seconds = closer.ticks.split(' ').map(clockSeconds);
    const placed = await page.evaluate(() => {
      const box = document.getElementById('wave').getBoundingClientRect();
      const region = document.querySelector('#overlay .region').getBoundingClientRect();
      return {right: region.right - box.left, width: box.width};
    });
    const regionEnd = expected.cues.find((c) => c.id === expected.region.id).sample + expected.region.length;
    check('+ twice: a quarter of the sound in view, about its middle', Math.abs(closer.view.count - frames / 4) <= 1 &&
      Math.abs(closer.view.first + closer.view.count / 2 - frames / 2) <= 2 && closer.scroll, JSON.stringify(closer));
    check('zoomed: the axis\'s ticks inside the view', seconds.length >= 3 && seconds.every((t) => t * 22050 >= closer.view.first - 1 &&
      t * 22050 <= closer.view.first + closer.view.count + 1), closer.ticks);
    check('zoomed: the region ends where its frames do', Math.abs(placed.right - ((regionEnd - closer.view.first) / closer.view.count) * placed.width) < 1.5,
      JSON.stringify(placed));
    check('zoomed: the waveform drawn from the span\'s own peaks', await drawnPixels() > 0.02);
    await page.keyboard.press('ArrowRight');
    const scrolled = await waveState();
    check('the right arrow scrolls by a quarter of the view', Math.abs(scrolled.view.first - closer.view.first - closer.view.count / 4) <= 1, JSON.stringify(scrolled.view));
    await page.keyboard.press('-');
    await page.keyboard.press('-');
    check('- twice: the whole sound again', (await waveState()).view.count === frames);
    const waveBox = await (await page.$('#wave')).boundingBox();
    await page.mouse.move(waveBox.x + waveBox.width / 4, waveBox.y + 100);
    await page.mouse.wheel({deltaY: -400});
    const wheeled = (await waveState()).view;
    check('the wheel zooms in about the pointer', wheeled.count < frames / 2 && Math.abs(wheeled.first + wheeled.count / 4 - frames / 4) <= (2 * frames) / waveBox.width, JSON.stringify(wheeled));
    await page.keyboard.press('0');
    check('0: the whole sound', (await waveState()).view.count === frames);
    // The sampler loop, then the region, looped by Web Audio's loop points past the sound's end.
    const loops = await page.$$eval('#loop option', (options) => options.map((o) => o.textContent));
    check('the loop list: the sampler loop and the region', JSON.stringify(loops) ===
      JSON.stringify(['No loop', 'Loop 1: 0.500 s to 1.000 s', 'Region "ringing": 0.400 s to 0.700 s']), JSON.stringify(loops));
    await page.select('#loop', '0');
    await page.click('#play');
    await sleep(1800);  // past the sound's end (1.5 s)
    const looped = await page.evaluate(() => {
      const box = document.getElementById('wave').getBoundingClientRect();
      const band = document.querySelector('#overlay .loop').getBoundingClientRect();
      const head = document.getElementById('playhead');
      return {...SndPage.sound.playing(), shown: !head.hidden, x: head.getBoundingClientRect().left - box.left, from: band.left - box.left, to: band.right - box.left};
    });
    check('the sampler loop plays on past the sound\'s end, inside its frames', looped.loop === true &&
      Math.abs(looped.loopStart - expected.loop.start / 22050) < 1e-9 && Math.abs(looped.loopEnd - (expected.loop.end + 1) / 22050) < 1e-9 &&
      looped.at >= looped.loopStart && looped.at <= looped.loopEnd && looped.shown && looped.x >= looped.from - 1 && looped.x <= looped.to + 1,
      JSON.stringify(looped));
    await page.select('#loop', '1');
    const region = await page.evaluate(() => SndPage.sound.playing());
    check('the region chosen while playing: its frames loop', region && region.loop && Math.abs(region.loopStart - 0.4) < 1e-9 &&
      Math.abs(region.loopEnd - 0.7) < 1e-9, JSON.stringify(region));
    await page.click('#stop');
    await page.select('#loop', '');
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
    await pcmDownload('Ima.wav', 'Ima (PCM).wav', asPcm(['Ima.wav'], 'Ima.wav'));

    await showTab('Bell.wav');
    await page.waitForFunction(() => document.getElementById('sound').dataset.playable !== 'pending' && !document.getElementById('sound').hidden);
    check('Bell.wav: decodes in the browser', (await page.$eval('#sound', (s) => s.dataset.playable)) === 'yes');
    await checkMarks('Bell.wav');

    // ---- the player: pause and go on, Stop, the readout, Space, Shift and the arrows, [ and ], the playhead, the volume,
    // a region's label, the PCM names. The bell: 1.5 s; marks at 0.1, 0.4 (the region "ringing", to 0.7), 0.5 (the loop) and 1 s.
    await showTab('Marked.kzs');
    await showSound('Bell');
    const player = () => page.evaluate(() => ({...SndPage.sound.playing(), time: document.getElementById('time').textContent,
      button: document.getElementById('play').textContent + '/' + document.getElementById('play').getAttribute('aria-label'),
      head: !document.getElementById('playhead').hidden}));
    const playedPast = (seconds) => page.waitForFunction((s) => { const p = SndPage.sound.playing(); return p && !p.paused && p.at >= s; },
      {timeout: 10000, polling: 20}, seconds).then(() => player(), () => ({}));
    // The readout: where the sound is (playing: as of the last frame drawn, up to `behind` seconds before), of its length.
    const readout = (state) => clockSeconds(state.time.split(' / ')[0]);
    const readsAt = (state, behind = 0) => /^\d:\d\d\.\d{3} \/ 0:01\.500$/.test(state.time) && readout(state) <= state.at + 0.0011 &&
      readout(state) >= state.at - behind - 0.0011;
    // Play, played past 0.05 s and 0.3 s, Pause, 300 ms later, Play, Stop: what the player says after each.
    const states = [];
    for (const step of ['#play', 0.05, 0.3, '#play', 300, '#play', '#stop']) {
      await (typeof step === 'string' ? page.click(step) : step < 1 ? playedPast(step) : sleep(step));
      states.push(await player());
    }
    const [, early, later, paused, stillPaused, resumed, stopped] = states;
    for (const [what, ok] of [
      ['playing, the button says Pause; the readout advances', early.button === 'Pause/Pause' && readsAt(early, 0.3) && readsAt(later, 0.3) && readout(later) > readout(early)],
      ['paused, it stays where it is, the button says Play', paused.paused && paused.at >= 0.3 && paused.button === 'Play/Play' && paused.head &&
        readsAt(paused) && stillPaused.at === paused.at && stillPaused.time === paused.time],
      ['Play goes on where it paused, not from the start', !resumed.paused && resumed.at >= paused.at && resumed.at < paused.at + 0.5],
      ['Stop goes back to 0:00.000', stopped.at === undefined && stopped.time === '0:00.000 / 0:01.500' && !stopped.head && stopped.button === 'Play/Play'],
    ]) check('player: ' + what, ok, JSON.stringify(states));
    // Space plays on the page and the waveform; on a control whose own key it is, it is left to the control.
    for (const [selector, plays] of [[null, true], ['#wave', true], ['#play-on-select', false], ['#zoom-in', false]]) {
      await page.click('#stop');
      await (selector ? page.focus(selector) : page.evaluate(() => document.activeElement.blur()));
      await page.keyboard.press(' ');
      const state = await sleep(150).then(player);
      check('player: Space on ' + (selector || 'the page') + (plays ? ' plays' : ' is the control\'s own'), plays === (state.at !== undefined), JSON.stringify(state));
    }
    await page.click('#play-on-select');
    await page.click('#zoom-out');
    // Stopped, the waveform zoomed in (which Shift and the arrows do not scroll): Shift and an arrow move a second, [ and ]
    // from mark to mark, and at the ends they stay.
    await page.focus('#wave');
    await page.keyboard.press('+');
    const zoomedIn = (await waveState()).view;
    for (const [keys, at] of [[['Shift+ArrowRight'], 1], [['Shift+ArrowRight', 'Shift+ArrowRight'], 1.5], [['Shift+ArrowRight', 'Shift+ArrowLeft'], 0],
      [[']'], 0.1], [[']', ']'], 0.4], [[']', ']', ']'], 0.5], [[']', ']', ']', ']'], 1], [[']', ']', ']', ']', ']'], 1],
      [['Shift+ArrowRight', '['], 0.5], [[']', ']', '['], 0.1], [['Shift+ArrowRight', '[', '[', '[', '['], 0]]) {
      await page.click('#stop');
      await page.focus('#wave');
      for (const key of keys) {
        if (key.startsWith('Shift+')) await page.keyboard.down('Shift');
        await page.keyboard.press(key.replace('Shift+', ''));
        await page.keyboard.up('Shift');
      }
      const state = await player();
      check('player: ' + keys.join(' ') + ' from the start: at ' + at + ' s', state.paused && Math.abs(state.at - at) < 0.001 && readsAt(state) &&
        state.head && (await waveState()).view.first === zoomedIn.first, JSON.stringify(state));
    }
    await page.keyboard.press('0');
    // The playhead, where the sound paused (at 0, out of the zoomed view, in it again once 0 showed the whole sound): 2 px wide or
    // more, in the accent colour.
    const line = await page.$eval('#playhead', (box) => ({width: box.getBoundingClientRect().width, colour: getComputedStyle(box).backgroundColor,
      seen: getComputedStyle(box).visibility, left: box.style.left,
      accent: getComputedStyle(Object.assign(document.body.appendChild(document.createElement('i')), {style: 'color: var(--accent)'})).color}));
    check('player: the playhead is 2 px wide or more, in the accent colour, kept where it paused as the view changes', line.width >= 2 &&
      line.colour === line.accent && line.colour !== 'rgba(0, 0, 0, 0)' && line.seen === 'visible' && line.left === '0%',
      JSON.stringify(line));
    // Playing, Shift+Right plays on a second further (the key sent with the readings, so that no time passes between).
    await page.click('#play');
    await playedPast(0.05);
    const [before, after] = await page.evaluate(() => [SndPage.sound.playing(), document.getElementById('wave').dispatchEvent(
      new KeyboardEvent('keydown', {key: 'ArrowRight', shiftKey: true, bubbles: true})) && SndPage.sound.playing()]);
    check('player: Shift+Right while playing plays on 1 s further', !after.paused && Math.abs(after.at - before.at - 1) < 0.05, JSON.stringify({before, after}));
    // The volume: through the gain at once, and kept for the next sound shown.
    await page.click('#stop');
    await page.click('#play');
    await page.$eval('#volume', (v) => { v.value = '0.25'; v.dispatchEvent(new Event('input')); });
    const turned = await player();
    await showSound('Stereo24');
    await page.click('#play');
    const kept = await playedPast(0);
    check('player: volume 0.25 applies to the gain at once and is kept for the next sound', turned.volume === 0.25 && kept.volume === 0.25 &&
      await page.$eval('#volume', (v) => v.value) === '0.25', JSON.stringify({turned, kept}));
    await page.$eval('#volume', (v) => { v.value = '1'; v.dispatchEvent(new Event('input')); });
    // A region's label: the region played once (stopping at its end), or looped when the Loop list has it chosen.
    await showSound('Bell');
    for (const [choice, loops] of [['', false], ['1', true], ['0', false]]) {
      await page.select('#loop', choice);
      await page.click('#overlay .region span');
      const inside = await playedPast(0.4);
      const then = await sleep(700).then(player);  // past the region's end
      const within = (state) => state.at >= 0.4 - 0.001 && state.at <= 0.7 + 0.001;
      check('player: a click on the region\'s label, the loop list at "' + choice + '": ' + (loops ? 'loops it' : 'plays it once'), within(inside) && inside.loop === loops &&
        (loops ? Math.abs(inside.loopStart - 0.4) < 1e-9 && Math.abs(inside.loopEnd - 0.7) < 1e-9 && !then.paused && within(then)
          : Math.abs(inside.end - 0.7) < 1e-9 && then.at === undefined && then.time === '0:00.000 / 0:01.500'), JSON.stringify({inside, then}));
      await page.click('#stop');
    }
    await page.select('#loop', '');
    // The PCM downloads' names (the downloads above): " (PCM)" before the extension, a sound in a group by its own name.
    const pcmNames = await page.evaluate(() => ['Bell.wav', 'Wind/Gusts/Hit.wav', 'Bell - a (2).wav', 'x.y.wav', 'Bare'].map(SndPage.sound.pcmName));
    check('player: the PCM downloads\' names', JSON.stringify(pcmNames) === '["Bell (PCM).wav","Hit (PCM).wav","Bell - a (2) (PCM).wav","x.y (PCM).wav","Bare (PCM)"]',
      JSON.stringify(pcmNames));

    // ---- the spectrogram: a tone's peak where its frequency is, the toggle and S, in step with the zoom, the reason of a format
    // not drawn; the lanes' names from the channel mask; the canvases' colours from the theme; lane labels clear of cue labels.
    await open(path.join(inputs, 'spectro', 'Tones.kzs'));
    await showTab('Tones.kzs');
    const spectroState = () => page.evaluate(() => {
      const canvas = document.getElementById('spectro');
      return {shown: !canvas.hidden, pressed: document.getElementById('spectrogram').getAttribute('aria-pressed'), view: SndPage.wave.view(),
        first: Number(canvas.dataset.first), count: Number(canvas.dataset.count), reason: canvas.dataset.reason, frequencies: canvas.dataset.frequencies};
    });
    // Drawn from the core's answer for the view in sight.
    const spectroDrawn = () => page.waitForFunction(() => {
      const canvas = document.getElementById('spectro');
      const view = SndPage.wave.view();
      return !canvas.hidden && (canvas.dataset.reason || (canvas.dataset.first === String(view.first) && canvas.dataset.count === String(view.count)));
    }, {timeout: 20000}).then(() => true, () => false);
    // The strongest row in the middle of the spectrogram, its pixels read back to levels by the page's colours, as Hz.
    const spectroPeak = () => page.evaluate(() => {
      const canvas = document.getElementById('spectro');
      const palette = SndPage.wave.palette();
      const pixels = canvas.getContext('2d').getImageData(Math.floor(canvas.width / 2), 0, 1, canvas.height).data;
      let best = -1, row = 0;
      for (let y = 0; y < canvas.height; ++y) {
        let level = 0, distance = Infinity;
        palette.forEach(([r, g, b], i) => {
          const d = (r - pixels[4 * y]) ** 2 + (g - pixels[4 * y + 1]) ** 2 + (b - pixels[4 * y + 2]) ** 2;
          if (d < distance) [distance, level] = [d, i];
        });
        if (level > best) [best, row] = [level, y];
      }
      const low = Number(canvas.dataset.lowHz), high = Number(canvas.dataset.highHz);
      return {level: best, row, hz: low * (high / low) ** (1 - (row + 0.5) / canvas.height)};
    });
    const semitonesFrom1k = (peak) => Math.abs(12 * Math.log2(peak.hz / 1000));
    await showSound('Tone');
    const off = await spectroState();
    check('spectrogram: off at first, the button not pressed', !off.shown && off.pressed === 'false', JSON.stringify(off));
    await page.click('#spectrogram');
    for (const sound of ['Tone', 'ToneIma']) {
      if (sound !== 'Tone') await showSound(sound);
      const drawn = await spectroDrawn();
      const peak = await spectroPeak();
      check('spectrogram of ' + sound + ': the 1 kHz tone\'s row within a semitone of 1000 Hz, well above the floor',
        drawn && semitonesFrom1k(peak) < 1 && peak.level > 200, JSON.stringify({drawn, peak, state: await spectroState()}));
    }
    const on = await spectroState();
    check('spectrogram: the button pressed, a frequency axis of 100 Hz, 1 kHz and 10 kHz', on.shown && on.pressed === 'true' &&
      on.frequencies === '100 Hz,1 kHz,10 kHz', JSON.stringify(on));
    await page.focus('#wave');
    await page.keyboard.press('s');
    const keyedOff = await spectroState();
    await page.keyboard.press('s');
    const keyedOn = await spectroState();
    check('spectrogram: S on the waveform hides it and shows it again', !keyedOff.shown && keyedOff.pressed === 'false' && keyedOn.shown &&
      keyedOn.pressed === 'true', JSON.stringify([keyedOff, keyedOn]));
    await page.keyboard.press('+');
    await page.keyboard.press('+');
    await page.keyboard.press('ArrowRight');
    const inStep = await spectroDrawn();
    const zoomedSpectro = await spectroState();
    const zoomedPeak = await spectroPeak();
    check('spectrogram: zoomed and scrolled, drawn for the waveform\'s view', inStep && zoomedSpectro.view.count < 22050 / 3 && zoomedSpectro.view.first > 0 &&
      zoomedSpectro.first === zoomedSpectro.view.first && zoomedSpectro.count === zoomedSpectro.view.count && semitonesFrom1k(zoomedPeak) < 1,
      JSON.stringify({zoomedSpectro, zoomedPeak}));
    await page.keyboard.press('0');
    // The theme's colours, read when it changes: a dark background of this test's own for both canvases, without a reload.
    // The top of the middle: above the tone's waveform, and the spectrogram's 11 kHz, where the tone leaves the floor.
    const corner = () => page.evaluate(() => ['wave', 'spectro'].map((id) => {
      const canvas = document.getElementById(id);
      return [...canvas.getContext('2d').getImageData(Math.floor(canvas.width / 2), 2, 1, 1).data.slice(0, 3)].join(',');
    }));
    await showSound('Tone');
    await spectroDrawn();
    const light = await corner();
    await page.evaluate(() => {
      const style = document.createElement('style');
      style.id = 'dark-probe';
      style.textContent = '@media (prefers-color-scheme: dark) { :root { --canvas: #123456; } }';
      document.head.append(style);
    });
    await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: 'dark'}]);
    const darkDrawn = await page.waitForFunction(() => {
      const canvas = document.getElementById('wave');
      return canvas.getContext('2d').getImageData(Math.floor(canvas.width / 2), 2, 1, 1).data[2] === 0x56;
    }, {timeout: 5000})
      .then(() => true, () => false);
    const dark = await corner();
    await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: 'light'}]);
    await page.evaluate(() => document.getElementById('dark-probe').remove());
    check('the theme turned dark: both canvases drawn again in its background, without a reload', darkDrawn &&
      JSON.stringify(light) === '["255,255,255","255,255,255"]' && JSON.stringify(dark) === '["18,52,86","18,52,86"]', JSON.stringify({light, dark}));
    // A format the page does not draw: the waveform's reason.
    await showTab('Marked.kzs');
    await showSound('Gsm');
    await spectroDrawn();
    const gsm = await spectroState();
    check('spectrogram of Gsm: not drawn, for the waveform\'s reason', /^No spectrogram: the samples are stored as GSM 6\.10 \(format tag 0x0031\), which this page does not draw\.$/.test(gsm.reason),
      JSON.stringify(gsm));
    await page.click('#spectrogram');
    await showTab('Tones.kzs');
    for (const [sound, names] of [['Wide', 'FL,FR,FC,LFE,SL,SR'], ['Surround', 'FL,FR,FC,LFE,BL,BR'], ['Six', 'FL,FR,FC,LFE,BL,BR'], ['Quad', 'FL,FR,ch 3,ch 4'], ['Tone', 'mono']]) {
      await showSound(sound);
      const shown = await page.$eval('#wave', (canvas) => canvas.dataset.channels);
      check(sound + ': the lanes named ' + names, shown === names, shown);
    }
    // Cue points at the first and the last frame: their labels and the lanes' names apart, whatever the width.
    await showSound('Wide');
    for (const width of [1200, 500]) {
      await page.setViewport({width, height: 980});
      await page.waitForFunction((w) => document.getElementById('wave').width === Math.round(document.getElementById('wave').clientWidth) &&
        document.documentElement.clientWidth === w, {timeout: 5000}, width).catch(() => {});
      const boxes = await page.evaluate(() => {
        const canvas = document.getElementById('wave').getBoundingClientRect();
        const lanes = document.getElementById('wave').dataset.labels.split(' ').map((b) => b.split(',').map(Number)).map(([x, y, w, h]) => ({x, y, w, h}));
        const cues = [...document.querySelectorAll('#overlay .cue span')].map((span) => span.getBoundingClientRect())
          .map((r) => ({x: r.left - canvas.left, y: r.top - canvas.top, w: r.width, h: r.height}));
        return {lanes, cues, width: canvas.width};
      });
      const meet = (a, b) => a.x < b.x + b.w && b.x < a.x + a.w && a.y < b.y + b.h && b.y < a.y + a.h;
      check(width + ' px: no cue label over a lane\'s name (cue points at the first and last frames)', boxes.lanes.length === 6 && boxes.cues.length === 2 &&
        boxes.cues.every((cue) => cue.x >= 0 && cue.x + cue.w <= boxes.width && boxes.lanes.every((lane) => !meet(cue, lane))), JSON.stringify(boxes));
    }
    await page.setViewport({width: 1200, height: 980});

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

    // A stored name with markup is shown as its text; a duration as the programs write it.
    await open(path.join(inputs, 'names', 'Markup.kzs'));
    const markup = await page.$$eval('#sounds tbody tr[data-index]', (trs) => trs.map((tr) => [tr.cells[2].textContent, tr.cells[7].textContent, tr.querySelector('b') === null]));
    const markupTotals = await page.$eval('#totals', (t) => t.textContent);
    const markupListed = spawnSync(sndInfo, [path.join(inputs, 'names', 'Markup.kzs')], {encoding: 'utf8'}).stdout;
    check('Markup.kzs: the name shown as text, the duration in clock time as Snd_Info lists it', JSON.stringify(markup) ===
      JSON.stringify([['<b>Tom &amp; Jerry', '0:00.501', true]]) && markupTotals.includes(' bytes, 0:00.501 — ') && markupListed.includes('0:00.501'),
      JSON.stringify({markup, markupTotals, markupListed}));
    // The file shown closed: the last tab left is shown, and has the keyboard.
    await page.click('#files button[data-closes="Markup.kzs"]');
    const closed = await page.evaluate(() => ({tabs: [...document.querySelectorAll('#files button[data-file]')].map((b) => b.dataset.file),
      current: document.querySelector('#files button.current').dataset.file, focus: document.activeElement.dataset.file,
      rows: document.querySelectorAll('#sounds tbody tr[data-index]').length}));
    check('closing the file shown shows the last tab left', !closed.tabs.includes('Markup.kzs') && closed.current === closed.tabs[closed.tabs.length - 1] &&
      closed.current === 'Names.kzs' && closed.focus === 'Names.kzs' && closed.rows === 6, JSON.stringify(closed));

    // ---- groups: a column, sorted and filtered by it; the zip in the folders /x: writes.
    await open(path.join(example, 'pk', 'Forest.kzs'));
    await downloadsTo('forest');
    await showTab('Forest.kzs');
    const groupOf = (rows) => rows.map((r) => r[1] + '@' + r[8]);
    check('Forest.kzs: each export\'s group in its column', JSON.stringify(groupOf(await tableRows())) ===
      JSON.stringify(['Hit@Wind', 'Hit@Wind.Gusts', 'Morning@Birds']), JSON.stringify(await tableRows()));
    await page.click('th[data-key=group]');
    await page.click('th[data-key=group]');
    check('Forest.kzs: sorted down by group', JSON.stringify(groupOf(await tableRows()).slice(0, 3)) ===
      JSON.stringify(['Hit@Wind.Gusts', 'Hit@Wind', 'Morning@Birds']), JSON.stringify(await tableRows()));
    await page.type('#filter', 'gusts');
    check('Forest.kzs: filtered by group', JSON.stringify(groupOf(await tableRows())) === JSON.stringify(['Hit@Wind.Gusts']),
      JSON.stringify(await tableRows()));
    await page.click('#sounds tbody tr[data-index="4"]');
    check('Forest.kzs: a sound is titled by its full name', await page.waitForFunction(() =>
      document.getElementById('sound-name').textContent === 'Wind.Gusts.Hit', {timeout: 30000}).then(() => true, () => false),
      await page.$eval('#sound-name', (n) => n.textContent));
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

    // ---- groups as folders: Forest.kzs's tree, chosen with the mouse and the keyboard; the filter, the box that
    // ticks every sound shown and "Download selected" within the group chosen; no tree for a package without groups.
    await showTab('Forest.kzs');
    const treeItems = () => page.$$eval('#groups [role=treeitem]', (items) => items.map((i) => i.getAttribute('aria-label') +
      (i.getAttribute('aria-selected') === 'true' ? ' *' : '') + ({true: ' open', false: ' closed'}[i.getAttribute('aria-expanded')] || '')));
    const treeState = async () => ({items: await treeItems(), rows: groupOf(await tableRows()), focus: await page.evaluate(() => document.activeElement.dataset.path ?? null),
      counts: await page.$eval('#counts', (c) => c.textContent)});
    const all = ['Hit@Wind', 'Hit@Wind.Gusts', 'Morning@Birds'];
    const wind = ['Hit@Wind', 'Hit@Wind.Gusts'];
    // Each step: what is done, then the items (aria-label, * chosen, open or closed), the rows, the item with the keyboard.
    const treeSteps = [
      ['shown', null, ['All sounds, 3 sounds * open', 'Wind, 2 sounds closed', 'Birds, 1 sound'], all, null],
      ['Wind clicked', '#groups [data-path="Wind"] > .label', ['All sounds, 3 sounds open', 'Wind, 2 sounds * closed', 'Birds, 1 sound'], wind, 'Wind'],
      ['Right opens', 'ArrowRight', ['All sounds, 3 sounds open', 'Wind, 2 sounds * open', 'Gusts, 1 sound', 'Birds, 1 sound'], wind, 'Wind'],
      ['Right again goes in', 'ArrowRight', ['All sounds, 3 sounds open', 'Wind, 2 sounds * open', 'Gusts, 1 sound', 'Birds, 1 sound'], wind, 'Wind.Gusts'],
      ['Enter chooses', 'Enter', ['All sounds, 3 sounds open', 'Wind, 2 sounds open', 'Gusts, 1 sound *', 'Birds, 1 sound'], ['Hit@Wind.Gusts'], 'Wind.Gusts'],
      ['Left goes out', 'ArrowLeft', ['All sounds, 3 sounds open', 'Wind, 2 sounds open', 'Gusts, 1 sound *', 'Birds, 1 sound'], ['Hit@Wind.Gusts'], 'Wind'],
      ['Left again closes', 'ArrowLeft', ['All sounds, 3 sounds open', 'Wind, 2 sounds closed', 'Birds, 1 sound'], ['Hit@Wind.Gusts'], 'Wind'],
      ['Down moves', 'ArrowDown', ['All sounds, 3 sounds open', 'Wind, 2 sounds closed', 'Birds, 1 sound'], ['Hit@Wind.Gusts'], 'Birds'],
      ['Space chooses', ' ', ['All sounds, 3 sounds open', 'Wind, 2 sounds closed', 'Birds, 1 sound *'], ['Morning@Birds'], 'Birds'],
      ['Home, then Enter', ['Home', 'Enter'], ['All sounds, 3 sounds * open', 'Wind, 2 sounds closed', 'Birds, 1 sound'], all, ''],
      ['End', 'End', ['All sounds, 3 sounds * open', 'Wind, 2 sounds closed', 'Birds, 1 sound'], all, 'Birds'],
    ];
    for (const [what, action, items, rows, focus] of treeSteps) {
      if (typeof action === 'string' && action.startsWith('#')) await page.click(action);
      else for (const key of [action].flat().filter(Boolean)) await page.keyboard.press(key);
      const got = await treeState();
      check('Forest.kzs tree: ' + what, JSON.stringify([got.items, got.rows, got.focus]) === JSON.stringify([items, rows, focus]), JSON.stringify(got));
    }
    check('Forest.kzs tree: one item in the Tab order', await page.$$eval('#groups [role=treeitem]', (items) => items.filter((i) => i.tabIndex === 0).length) === 1);
    // Tab reaches the tree's one item between "Play on select" and the table.
    await page.focus('#play-on-select');
    const treeTabs = [];
    for (let i = 0; i < 2; ++i) {
      await page.keyboard.press('Tab');
      treeTabs.push(await page.evaluate(() => document.activeElement.dataset.path ?? document.activeElement.id));
    }
    check('Forest.kzs tree: Tab reaches the item with the keyboard, then the table', JSON.stringify(treeTabs) === '["Birds","select-all"]', JSON.stringify(treeTabs));
    // The group chosen is the file's until another file is shown: then the whole package again.
    await page.click('#groups [data-path="Wind"] > .label');
    await showTab('Ambient.kzs');
    await showTab('Forest.kzs');
    check('Forest.kzs tree: shown again, the whole package is chosen', (await treeItems())[0] === 'All sounds, 3 sounds * open' &&
      await page.evaluate(() => SndPage.store.get().group) === null && (await tableRows()).length === 3, JSON.stringify(await treeState()));
    // Within Wind: the filter keeps Wind.Gusts.Hit, the box ticks it alone, and "Download selected" saves it alone.
    await page.click('#groups [data-path="Wind"] > .label');
    await page.type('#filter', 'gusts');
    await page.click('#select-all');
    const tickedNow = () => page.evaluate(() => [...(SndPage.store.get().selected.get(SndPage.store.get().current) || [])].sort());
    check('Forest.kzs tree: the filter works within the group chosen', JSON.stringify(groupOf(await tableRows())) === '["Hit@Wind.Gusts"]' &&
      await page.$eval('#counts', (c) => c.textContent) === '1 of 3 exports', JSON.stringify(await treeState()));
    check('Forest.kzs tree: the box ticks every sound shown, and no other', JSON.stringify(await tickedNow()) === '[4]', JSON.stringify(await tickedNow()));
    await page.$eval('#filter', (f) => { f.value = ''; f.dispatchEvent(new Event('input')); });
    const windZip = await download('Forest (1 selected).zip', '#zip-selected');
    check('Forest.kzs tree: "Download selected" saves the ticked sound shown', windZip &&
      JSON.stringify(Object.keys(fflate.unzipSync(new Uint8Array(windZip)))) === '["Forest/Wind/Gusts/Hit.wav"]');
    await page.click('#groups [data-path="Birds"] > .label');
    check('Forest.kzs tree: nothing ticked among the sounds shown, "Download selected" is disabled', await page.$eval('#zip-selected', (b) => b.disabled));
    await showTab('Ambient.kzs');
    check('Ambient.kzs: no groups, no tree and no Group column', await page.evaluate(() => document.getElementById('groups').hidden &&
      getComputedStyle(document.querySelector('th[data-key=group]')).display === 'none' &&
      [...document.querySelectorAll('#sounds td.group')].every((td) => td.offsetParent === null)));

    // ---- damaged input: Snd_Info's own error, not a blank page.
    await showTab('Cut.kzs');
    const run = spawnSync(sndInfo, ['Cut.kzs'], {cwd: path.join(inputs, 'damaged'), encoding: 'utf8'});
    const said = run.stderr.trim().split('\n').map((line) => line.replace(/^Snd_Info: /, ''));
    const messages = await page.$eval('#messages', (m) => m.innerText);
    check('Cut.kzs: the page shows Snd_Info\'s error', run.status === 1 && said.length > 0 && said.every((line) => messages.includes('error: ' + line)),
      JSON.stringify({said, messages}));
    check('Cut.kzs: no table for it', await page.$eval('#package', (p) => p.hidden));

    // ---- a package cut short: its table marks what the file lost, as Snd_Info's listing does.
    await open(path.join(inputs, 'damaged', 'Short.kzs'));
    const shortRows = await page.$$eval('#sounds tbody tr[data-index]', (trs) => trs.map((tr) =>
      [tr.cells[2].textContent, tr.cells[8].textContent, tr.classList.contains('cut'), tr.querySelector('input').disabled]));
    check('Short.kzs: a cut sound\'s size is what the file holds of it; a sound past the end is marked and not offered',
      JSON.stringify(shortRows) === JSON.stringify([['Wind01', '88,244', false, false], ['Birds', '11,554 of 52,964', true, false], ['Bell', '0', true, true]]),
      JSON.stringify(shortRows));
    const shortTitles = await page.$$eval('#sounds tbody tr[data-index]', (trs) => trs.map((tr) => tr.cells[8].title));
    check('Short.kzs: a cut size says why as its tooltip', JSON.stringify(shortTitles) === JSON.stringify(['', 'cut short', 'past the end of the file']),
      JSON.stringify(shortTitles));
    const shortTotals = await page.$eval('#totals', (t) => t.textContent);
    check('Short.kzs: the totals count the cut sounds', shortTotals.startsWith('3 sounds (1 cut short, 1 past the end of the file), 99,798 bytes'), shortTotals);
    const shortRun = spawnSync(sndInfo, ['Short.kzs'], {cwd: path.join(inputs, 'damaged'), encoding: 'utf8'});
    const shortSaid = shortRun.stderr.trim().split('\n').map((line) => line.replace(/^Snd_Info: warning: 'Short\.kzs': /, ''));
    const shortMessages = await page.$eval('#messages', (m) => m.innerText);
    check('Short.kzs: the page says why, as Snd_Info does', shortRun.status === 0 && shortSaid.length === 2 &&
      shortSaid.every((line) => shortMessages.includes('warning: ' + line)), JSON.stringify({shortSaid, shortMessages}));

    // ---- 10,000 sounds: listed, filtered, sorted; the time it takes.
    // The longest the page goes without a frame meanwhile: how long it is frozen.
    await page.evaluate(() => {
      window.frameGaps = {last: performance.now(), longest: 0, on: true};
      const tick = (now) => {
        window.frameGaps.longest = Math.max(window.frameGaps.longest, now - window.frameGaps.last);
        window.frameGaps.last = now;
        if (window.frameGaps.on) requestAnimationFrame(tick);
      };
      requestAnimationFrame(tick);
    });
    const started = Date.now();
    await open(path.join(inputs, 'many', 'Many.kzs'));
    await page.waitForFunction((n) => document.getElementById('sounds').dataset.rows === String(n), {timeout: 60000}, expected.many);
    const listed = Date.now() - started;
    const frozenMs = await page.evaluate(() => { window.frameGaps.on = false; return window.frameGaps.longest; });
    const [pageMs, factsMs] = await page.$eval('#sounds', (t) => [Number(t.dataset.listMs), Number(t.dataset.factsMs)]);
    // Times are figures, printed at the end with the machine's load, not checks: a busy machine is not a fault.
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
    // The keyboard among rows made only while in sight: End reaches the last, Home the first, the arrows step on.
    await page.focus('#sounds tbody tr[tabindex="0"]');
    const keyed = [];
    for (const key of ['End', 'ArrowUp', 'Home', 'ArrowDown', 'PageDown']) {
      await page.keyboard.press(key);
      keyed.push((await focused()).what);
    }
    check('Many.kzs: End, Home, the arrows and Page Down move the keyboard over all 10,000 rows',
      JSON.stringify(keyed.slice(0, 4)) === '["row:S09999","row:S09998","row:S00000","row:S00001"]' && /^row:S000[1-9]\d$/.test(keyed[4]), JSON.stringify(keyed));
    await page.type('#filter', 'S0999');
    await page.click('th[data-key=name]');
    await page.click('th[data-key=name]');
    const filtered = (await tableRows()).map((r) => r[1]);
    check('Many.kzs: filtered by name and sorted down', filtered.length === 10 && filtered[0] === 'S09999' && filtered[9] === 'S09990', JSON.stringify(filtered));

    // ---- a sound larger than the page plays: drawn all the same, from its samples read a window at a time.
    await open(path.join(inputs, 'big', 'Big.wav'));
    await page.waitForFunction(() => document.getElementById('sound-name').textContent === 'Big.wav' &&
      document.getElementById('sound').dataset.playable !== 'pending', {timeout: 60000});
    const big = {said: await page.$eval('#playable', (p) => p.textContent), start: await drawnPixels(0, 0.01),
      middle: await drawnPixels(0.03, 0.97), end: await drawnPixels(0.99, 1)};
    check('Big.wav (300 MiB): not played, and the page says why', /^Too large to play in the page \(more than 256 MiB\)/.test(big.said) &&
      await page.$eval('#sound', (s) => s.dataset.playable) === 'no', big.said);
    check('Big.wav (300 MiB): drawn, the tone at both ends and the silence between', big.start > 0.2 && big.end > 0.2 && big.middle < 0.01,
      JSON.stringify(big));

    // ---- a file gone from the disk after it was opened: reading it fails, and the page says so; the core goes on.
    const gone = path.join(dir, 'gone', 'Gone.kzs');
    fs.mkdirSync(path.dirname(gone), {recursive: true});
    fs.copyFileSync(path.join(inputs, 'many', 'Many.kzs'), gone);
    await open(gone);
    await page.waitForFunction((n) => document.getElementById('sounds').dataset.rows === String(n), {timeout: 60000}, expected.many);
    fs.rmSync(gone);
    // A sound halfway through the file, in a block the worker has not kept (its tables, in the first MiB, are kept).
    await page.$eval('#filter', (f) => { f.value = 'S05000'; f.dispatchEvent(new Event('input')); });
    await page.evaluate(() => document.querySelector('#sounds tbody tr[data-index="5000"]').click());
    await page.waitForFunction(() => document.getElementById('messages').innerText !== '', {timeout: 20000}).catch(() => {});
    const goneSaid = await page.$eval('#messages', (m) => m.innerText);
    check('Gone.kzs, deleted once listed: a sound in it cannot be read, and the page says so', /error: /.test(goneSaid) && !/stopped/.test(goneSaid), goneSaid);
    await showTab('Marked.kzs');
    check('Gone.kzs, deleted once listed: the core goes on with the other files', (await showSound('Stereo24')) === 'yes');

    // ---- zip: made of slices of the opened file, so a 1.9 GB sound zips without entering memory; Zip64 past
    // 65,535 entries and past 4 GiB; progress and Cancel; a file changed on disk. Read back by python3's zipfile.
    const zipInputs = path.join(inputs, 'zip');
    const zipFacts = JSON.parse(fs.readFileSync(path.join(zipInputs, 'expected.json'), 'utf8'));
    // The resident memory of the browser and every process under it (renderers, GPU, utilities), in bytes.
    const browserRss = () => {
      const parents = new Map();
      for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
        try {
          const stat = fs.readFileSync('/proc/' + pid + '/stat', 'utf8');
          parents.set(Number(pid), Number(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1]));
        } catch (e) { /* gone meanwhile */ }
      }
      const ours = new Set([browser.process().pid]);
      for (let grew = true; grew;) {
        grew = false;
        for (const [pid, parent] of parents) if (!ours.has(pid) && ours.has(parent)) { ours.add(pid); grew = true; }
      }
      let bytes = 0;
      for (const pid of ours) {
        try {
          bytes += 1024 * Number(/VmRSS:\s+(\d+)/.exec(fs.readFileSync('/proc/' + pid + '/status', 'utf8'))[1]);
        } catch (e) { /* gone, or a thread group without memory */ }
      }
      return bytes;
    };
    // A download of any length: waited for until the browser says it ended.
    const downloadBig = async (file, selector) => {
      fs.rmSync(path.join(downloads, file), {force: true});
      ended.delete(file);
      const clicked = Date.now();
      await page.click(selector);
      for (let i = 0; i < 6000 && !ended.has(file); ++i) await sleep(100);
      return {ok: ended.get(file) === 'completed', ms: Date.now() - clicked, file: path.join(downloads, file)};
    };
    // python3's zipfile on the zip: its entries' names, sizes and header offsets, testzip() (every CRC), the
    // classic end record's entry count, and the first and last entries' bytes in hex (up to 64).
    const zipReport = (file) => JSON.parse(spawnSync('python3', ['-c', `
import json, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    infos = z.infolist()
    bad = z.testzip()
    ends = [z.read(infos[i]).hex() if infos[i].file_size <= 64 else None for i in (0, -1)] if infos else []
    data = open(sys.argv[1], 'rb'); data.seek(-22, 2); classic = int.from_bytes(data.read(22)[10:12], 'little')
    print(json.dumps({"names": [i.filename for i in infos], "sizes": [i.file_size for i in infos],
                      "offsets": [i.header_offset for i in infos], "versions": [i.extract_version for i in infos],
                      "bad": bad, "ends": ends, "classic": classic}))
`, file], {encoding: 'utf8', maxBuffer: 1 << 28}).stdout || 'null');
    // The records, field by field, for entries whose bytes are left out (an empty Blob of the size stated): the
    // local header at 0, the directory after it. [name, size, time of change (local), version needed, flags,
    // the local header's and the directory's Zip64 extra sizes, DOS time, DOS date].
    const zipRecords = await page.evaluate(async (rows) => Promise.all(rows.map(async ([name, size, modified]) => {
      const bytes = new Uint8Array(await SndZip.build([{name, blob: new Blob([]), size, crc: 0x12345678}], new Date(...modified).getTime()).arrayBuffer());
      const view = new DataView(bytes.buffer);
      const nameLength = view.getUint16(26, true), localExtra = view.getUint16(28, true);
      const central = 30 + nameLength + localExtra;
      const extraAt = central + 46 + nameLength;
      return [view.getUint16(4, true), view.getUint16(6, true), localExtra, view.getUint16(central + 30, true), view.getUint16(10, true),
        view.getUint16(12, true), view.getUint32(14, true).toString(16), view.getUint32(18, true), view.getUint32(central + 24, true),
        localExtra ? Number(view.getBigUint64(30 + nameLength + 4, true)) : null,
        view.getUint16(central + 30, true) ? [view.getUint16(extraAt, true), Number(view.getBigUint64(extraAt + 4, true))] : null];
    })), [
      ['P/a.wav', 10, [2026, 11, 9, 17, 45, 31]],
      ['P/ü.wav', 10, [2107, 11, 31, 23, 59, 59]],
      ['P/big.wav', 5 * 2 ** 30, [1970, 0, 1]],
      ['P/edge.wav', 2 ** 32 - 2, [1980, 0, 1, 0, 0, 1]],
      ['P/edge.wav', 2 ** 32 - 1, [1980, 0, 1, 0, 0, 1]],
    ]);
    const dos = (h, m, s) => (h << 11) | (m << 5) | (s >> 1), day = (y, mo, d) => ((y - 1980) << 9) | (mo << 5) | d;
    const large = 5 * 2 ** 30, most = 2 ** 32 - 1;
    check('zip: each record\'s fields (version, UTF-8 flag, DOS time, sizes, Zip64 extra fields)', JSON.stringify(zipRecords) === JSON.stringify([
      [20, 0, 0, 0, dos(17, 45, 31), day(2026, 12, 9), '12345678', 10, 10, null, null],
      [20, 0x0800, 0, 0, dos(23, 59, 59), day(2107, 12, 31), '12345678', 10, 10, null, null],
      [45, 0, 20, 20, 0, day(1980, 1, 1), '12345678', most, most, large, [1, large]],
      [20, 0, 0, 0, 0, day(1980, 1, 1), '12345678', most - 1, most - 1, null, null],
      [45, 0, 20, 20, 0, day(1980, 1, 1), '12345678', most, most, most, [1, most]],
    ]), JSON.stringify(zipRecords));
    await downloadsTo('zip');
    await open(path.join(zipInputs, 'Big.kzs'));
    // Cancel, from the keyboard: the pass stops, the status says so, nothing is saved.
    fs.rmSync(path.join(downloads, 'Big.zip'), {force: true});
    await page.click('#zip-all');
    const zipping = await page.waitForFunction(() => !document.getElementById('zip-cancel').hidden, {timeout: 10000}).then(() => true, () => false);
    const during = await page.evaluate(() => ({status: document.getElementById('status').textContent, bar: !document.getElementById('progress').hidden}));
    await page.focus('#zip-cancel');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.getElementById('zip-cancel').hidden, {timeout: 10000}).catch(() => {});
    await sleep(1000);
    const afterCancel = await page.evaluate(() => ({status: document.getElementById('status').textContent, bar: !document.getElementById('progress').hidden}));
    check('zip: while zipping, the bar, the status and Cancel show; Cancel stops it, says so and saves nothing', zipping && during.bar &&
      /^Zipping Big: 0 of 1 sounds, \d+%…$/.test(during.status) && afterCancel.status === 'zip cancelled' && !afterCancel.bar &&
      !fs.existsSync(path.join(downloads, 'Big.zip')) && !ended.has('Big.zip'), JSON.stringify({zipping, during, afterCancel}));
    // A plain read of the same bytes, in a worker as the CRC pass reads them (a stream, into one buffer of 4 MiB),
    // to set the pass's time against. The first read of the file from the disk is slower than any after it: the file is read
    // once before the zip, so that the pass and the plain read after it both find it in the system's cache.
    const plainRead = () => page.evaluate(async (offset, size) => {
      const blob = SndPage.store.get().current.blob;
      const source = 'onmessage = async (e) => { const t = performance.now(); const reader = e.data.stream().getReader({mode: "byob"});' +
        ' for (let buffer = new ArrayBuffer(4 << 20); ;) { const {value, done} = await reader.read(new Uint8Array(buffer)); if (done) break; buffer = value.buffer; }' +
        ' postMessage(performance.now() - t); };';
      const worker = new Worker(URL.createObjectURL(new Blob([source], {type: 'text/javascript'})));
      const ms = await new Promise((resolve) => { worker.onmessage = (e) => resolve(e.data); worker.postMessage(blob.slice(offset, offset + size)); });
      worker.terminate();
      return ms;
    }, zipFacts.offset, zipFacts.size);
    const coldMs = await plainRead();
    // The whole 1.9 GB sound, while the browser's memory is sampled every 100 ms.
    const rssBefore = browserRss();
    let rssMost = rssBefore;
    const sampler = setInterval(() => { rssMost = Math.max(rssMost, browserRss()); }, 100);
    const bigZip = await downloadBig('Big.zip', '#zip-all');
    clearInterval(sampler);
    const grewMiB = (rssMost - rssBefore) / 2 ** 20;
    const crcMs = Number(await page.$eval('#package', (p) => p.dataset.zipReadMs));
    const bigRead = bigZip.ok ? zipReport(bigZip.file) : null;
    // The entry's bytes against the package's own, compared in python3, 16 MiB at a time.
    const sameBytes = bigZip.ok && spawnSync('python3', ['-c', `
import sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z, z.open('Big/Big.wav') as entry, open(sys.argv[2], 'rb') as package:
    package.seek(int(sys.argv[3])); left = int(sys.argv[4])
    while left:
        a = entry.read(min(left, 1 << 24)); b = package.read(len(a))
        if not a or a != b: sys.exit(1)
        left -= len(a)
    sys.exit(1 if entry.read(1) else 0)
`, bigZip.file, path.join(zipInputs, 'Big.kzs'), String(zipFacts.offset), String(zipFacts.size)]).status === 0;
    check('zip: a 1.9 GB sound zips with the browser\'s memory growing less than 256 MiB', bigZip.ok && grewMiB < 256,
      JSON.stringify({ok: bigZip.ok, grewMiB}));
    check('zip: Big.zip read back by python3\'s zipfile: its one entry, its size, its CRC and its bytes those of the package',
      bigRead && JSON.stringify(bigRead.names) === '["Big/Big.wav"]' && bigRead.sizes[0] === zipFacts.size && bigRead.bad === null && sameBytes,
      JSON.stringify({bigRead, sameBytes}));
    const plainMs = await plainRead();
    fs.rmSync(bigZip.file, {force: true});

    // 70,000 sounds: the classic end record cannot count them, the Zip64 one does.
    // Listed in far more than the 30 s open() waits for a tab.
    await input.uploadFile(path.join(zipInputs, 'Many.kzs'));
    await page.waitForFunction((n) => document.getElementById('sounds').dataset.rows === String(n), {timeout: 300000}, zipFacts.many).catch(() => {});
    const manyZip = await downloadBig('Many.zip', '#zip-all');
    const manyRead = manyZip.ok ? zipReport(manyZip.file) : null;
    check('zip: 70,000 sounds, counted by the Zip64 end record (python3\'s zipfile reads them all, every CRC right)',
      manyRead && manyRead.names.length === zipFacts.many && manyRead.classic === 0xFFFF && manyRead.bad === null &&
      manyRead.names[0] === 'Many/Z00000.wav' && manyRead.names[zipFacts.many - 1] === 'Many/Z69999.wav' && manyRead.sizes.every((n) => n === 46),
      JSON.stringify(manyRead && {count: manyRead.names.length, classic: manyRead.classic, bad: manyRead.bad}));
    fs.rmSync(manyZip.file, {force: true});

    // Three exports of the same 1.9 GB, then a small sound: its local header lies past 4 GiB.
    const zipDf = spawnSync('df', ['-k', '--output=avail', dir], {encoding: 'utf8'}).stdout.trim().split('\n').pop();
    let sharedRead = null;
    let sharedMs = 0;
    if (Number(zipDf) * 1024 > 8 * 2 ** 30) {
      await open(path.join(zipInputs, 'Shared.kzs'));
      const sharedZip = await downloadBig('Shared.zip', '#zip-all');
      sharedMs = sharedZip.ms;
      sharedRead = sharedZip.ok ? zipReport(sharedZip.file) : null;
      fs.rmSync(sharedZip.file, {force: true});
    }
    check('zip: past 4 GiB, the last entry\'s header offset in its Zip64 field (python3\'s zipfile: testzip(), the last entry\'s bytes)',
      sharedRead && JSON.stringify(sharedRead.names) === JSON.stringify(['Tiny', 'Big1', 'Big2', 'Big3', 'Last'].map((n) => 'Shared/' + n + '.wav')) &&
      sharedRead.offsets[4] > 2 ** 32 && sharedRead.bad === null && sharedRead.ends[1] === sharedRead.ends[0] && /^52494646/.test(sharedRead.ends[1]) &&
      JSON.stringify(sharedRead.versions) === '[20,20,20,20,45]', JSON.stringify({sharedRead, zipDf}));

    // A file changed on disk after it was opened: an error that says so, and no zip.
    const changed = path.join(dir, 'changed', 'Changed.kzs');
    fs.mkdirSync(path.dirname(changed), {recursive: true});
    fs.copyFileSync(path.join(inputs, 'names', 'Names.kzs'), changed);
    await open(changed);
    fs.appendFileSync(changed, 'more');
    const changedZip = await download('Changed.zip', '#zip-all');
    const changedSaid = await page.$eval('#messages', (m) => m.innerText);
    check('zip: a file changed on disk since it was opened gives an error, and no zip', changedZip === null &&
      changedSaid.includes('error: cannot zip \'Changed.kzs\': the file changed on disk since it was opened; open it again') &&
      !fs.existsSync(path.join(downloads, 'Changed.zip')), changedSaid);
    console.log('Zip of a 1.9 GB sound: ' + bigZip.ms + ' ms from the click to the download saved; the browser\'s memory grew ' +
      grewMiB.toFixed(1) + ' MiB; the CRC pass ' + crcMs + ' ms against a plain read of the same bytes ' + plainMs.toFixed(0) + ' ms (the first read from the disk ' + coldMs.toFixed(0) + ' ms) (' +
      (crcMs / plainMs).toFixed(2) + 'x); 70,000 sounds zipped in ' + manyZip.ms + ' ms; 5.7 GB (Shared.zip) in ' + sharedMs + ' ms');

    // ---- at 1400 x 900 and on a phone: axe-core, nothing off the screen, the screenshots.
    await page.$eval('#filter', (f) => { f.value = ''; f.dispatchEvent(new Event('input')); });
    await showTab('Marked.kzs');
    await showSound('Bell');
    await page.setViewport({width: 1400, height: 900});
    await axeCheck('1400 x 900');
    const bottom = await page.$eval('#chunks-box', (box) => Math.ceil(box.getBoundingClientRect().top) + 28);
    await page.screenshot({path: path.join(dir, 'page.png'), clip: {x: 0, y: 0, width: 1400, height: bottom}});
    await page.setViewport({width: 390, height: 844});
    await showSound('Bell');
    await axeCheck('390 x 844');
    const phone = await page.evaluate(() => {
      const frame = document.querySelector('.table-frame').getBoundingClientRect();
      const widest = Math.max(...[...document.querySelectorAll('body *')].filter((e) => !e.closest('.table-frame')).map((e) => e.getBoundingClientRect().right));
      return {page: document.documentElement.scrollWidth, widest: Math.ceil(widest), frame: frame.right};
    });
    check('390 px: nothing runs off the screen', phone.page <= 390 && phone.widest <= 390 && phone.frame <= 390, JSON.stringify(phone));
    // The table scrolled to its right end inside its frame: the names stay in view.
    const names = await page.evaluate(() => {
      const frame = document.querySelector('.table-frame');
      frame.scrollLeft = frame.scrollWidth;
      const box = frame.getBoundingClientRect();
      return [...document.querySelectorAll('#sounds td.name')].map((td) => td.getBoundingClientRect())
        .map((r) => r.left >= box.left - 1 && r.right <= box.right + 1);
    });
    check('390 px: scrolled sideways, the names stay in view', names.length > 0 && names.every(Boolean), JSON.stringify(names));
    await page.$eval('.table-frame', (frame) => { frame.scrollLeft = 0; });
    await page.screenshot({path: path.join(dir, 'page-390.png'), fullPage: true});

    // ---- the phone's rows, and axe-core in both themes.
    // At 390 px a row keeps its name, duration and Play in view; Play is named for its sound, in the Tab order only
    // in the keyboard's row, and plays the row's sound (and stops it).
    const phoneRow = await page.evaluate(() => {
      const tr = document.querySelector('#sounds tbody tr[data-pos="1"]');
      const inView = (e) => { const r = e.getBoundingClientRect(); return r.width > 0 && r.left >= 0 && r.right <= innerWidth; };
      const empty = [...document.querySelectorAll('#sounds tbody tr[data-index]')].find((row) => row.cells[2].textContent === 'Empty');
      return {name: inView(tr.cells[2]), duration: inView(tr.cells[7]), play: inView(tr.querySelector('button.play')), sound: tr.cells[2].textContent,
        emptyPlays: !empty || empty.querySelector('button.play') !== null,
        label: tr.querySelector('button.play').getAttribute('aria-label'), format: tr.cells[3].offsetParent !== null,
        tabbable: [...document.querySelectorAll('#sounds tbody button.play')].filter((b) => b.tabIndex === 0).map((b) => b.closest('tr').dataset.pos)};
    });
    check('390 px: a row shows its name, duration and Play button in view (not its format)', phoneRow.name && phoneRow.duration && phoneRow.play &&
      !phoneRow.format && !phoneRow.emptyPlays && phoneRow.label === 'Play ' + phoneRow.sound && JSON.stringify(phoneRow.tabbable) === '["0"]', JSON.stringify(phoneRow));
    await page.click('#sounds tbody tr[data-pos="1"] button.play');
    check('390 px: a row\'s Play button shows and plays its sound', await playheadShown(true) &&
      await page.$eval('#sound-name', (n) => n.textContent) === phoneRow.sound, await page.$eval('#sound-name', (n) => n.textContent));
    await page.click('#sounds tbody tr[data-pos="1"] button.play');
    check('390 px: pressed again, it pauses', await playsNow(true));
    // The four cases, a package and a sound shown; the page's colours are those of the theme asked for.
    const themes = [[1400, 900, 'light'], [1400, 900, 'dark'], [390, 844, 'light'], [390, 844, 'dark']];
    // The colour variables of page.css's :root, as each theme sets them.
    const colours = {};
    const colourVariables = () => page.evaluate(() => {
      const root = getComputedStyle(document.documentElement);
      const names = [...document.styleSheets].flatMap((sheet) => [...sheet.cssRules]).filter((rule) => rule.selectorText === ':root')
        .flatMap((rule) => [...rule.style]).filter((name) => name.startsWith('--'));
      return Object.fromEntries(names.map((name) => [name, root.getPropertyValue(name).trim()]));
    });
    for (const [width, height, theme] of themes) {
      await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: theme}]);
      await page.setViewport({width, height});
      await showSound('Bell');
      const back = await page.evaluate(() => getComputedStyle(document.documentElement).backgroundColor.match(/\d+/g).slice(0, 3).map(Number));
      const light = back.reduce((sum, v) => sum + v, 0) / 3 > 128;
      check(width + ' x ' + height + ', ' + theme + ': the page\'s colours are the theme\'s', light === (theme === 'light'), JSON.stringify(back));
      await axeCheck(width + ' x ' + height + ', ' + theme);
      colours[theme] = await colourVariables();
    }
    const sameInDark = Object.keys(colours.light).filter((name) => colours.light[name] === colours.dark[name]);
    check('dark mode: every colour variable has a dark value', Object.keys(colours.light).length >= 20 && sameInDark.length === 0, JSON.stringify(sameInDark));
    await page.emulateMediaFeatures([{name: 'prefers-color-scheme', value: 'light'}]);

    // ---- the store tells its listeners of an update made while they are told, after the one before it;
    // the clock times, as the programs write them.
    const store = await page.evaluate(() => {
      const told = [];
      SndPage.store.subscribe((now, before) => {
        if (now.probe === 1 && before.probe !== 1) SndPage.store.update({probe: 2});
        if (now.probe === 2 && before.probe !== 2) throw new Error('a listener failed');
      });
      SndPage.store.subscribe((now, before) => { if (now.probe !== before.probe) told.push(before.probe + '>' + now.probe); });
      SndPage.store.update({probe: 1});
      return {told, clocks: [[0, 3], [0.0005, 3], [59.9996, 3], [3723.5, 3], [7, 0], [65.25, 1]].map(([s, d]) => SndPage.clock(s, d))};
    });
    const failure = await page.waitForFunction(() => /error: the page failed: .*a listener failed/.test(document.getElementById('messages').textContent),
      {timeout: 5000}).then(() => true, () => false);
    check('the store: an update made by a listener is told after the one that caused it; one that fails is said, the others told',
      JSON.stringify(store.told) === '["undefined>1","1>2"]' && failure, JSON.stringify(store.told));
    check('clock times', JSON.stringify(store.clocks) === JSON.stringify(['0:00.000', '0:00.001', '1:00.000', '1:02:03.500', '0:07', '1:05.3']),
      JSON.stringify(store.clocks));

    // ---- a 2 GiB package (a small one and a hole after it), in the page opened as a file: how soon the
    // page shows its progress (measured, not held to a bound), and the memory it takes once listed and a sound shown.
    const huge = path.join(dir, 'huge', 'Huge.kzs');
    fs.mkdirSync(path.dirname(huge), {recursive: true});
    fs.copyFileSync(path.join(inputs, 'names', 'Names.kzs'), huge);
    fs.truncateSync(huge, 2 ** 31);
    const other = await browser.newPage();
    other.on('pageerror', (error) => problems.push('exception (file://): ' + error.message));
    other.on('request', (request) => asked.push(request.url()));
    await other.goto('file://' + path.resolve(dir, '..', 'web', 'index.html'));
    check('opened as a file: the page starts its core', await other.waitForSelector('body[data-ready=yes]', {timeout: 20000}).then(() => true, () => false),
      await other.$eval('#messages', (m) => m.innerText));
    await other.evaluate(() => {
      // From the choice of the file to the first frame drawn with the progress bar shown.
      document.getElementById('open').addEventListener('change', () => { window.chosenAt = performance.now(); }, {capture: true});
      new MutationObserver(() => {
        if (!window.progressAt && !document.getElementById('progress').hidden) requestAnimationFrame(() => { window.progressAt = performance.now(); });
      }).observe(document.getElementById('progress'), {attributes: true});
    });
    await (await other.$('#open')).uploadFile(huge);
    await other.waitForFunction(() => window.progressAt, {timeout: 20000});
    const progressMs = await other.evaluate(() => window.progressAt - window.chosenAt);
    const progressSaid = await other.$eval('#status', (s) => s.textContent);
    const hugeListed = await other.waitForFunction(() => /listed in/.test(document.getElementById('status').textContent), {timeout: 30000}).then(() => true, () => false);
    const hugeRows = await other.$$eval('#sounds tbody tr[data-index]', (rows) => rows.map((tr) => tr.cells[2].textContent));
    check('Huge.kzs (2 GiB): listed as the package it begins with', hugeListed && hugeRows.length === 6 && hugeRows.includes('Bell'),
      JSON.stringify({hugeRows, status: await other.$eval('#status', (s) => s.textContent)}));
    await other.evaluate(() => [...document.querySelectorAll('#sounds tbody tr[data-index]')].find((tr) => tr.cells[2].textContent === 'Bell').click());
    const hugePlays = await other.waitForFunction(() => document.getElementById('sound-name').textContent === 'Bell' &&
      document.getElementById('sound').dataset.playable === 'yes', {timeout: 20000}).then(() => true, () => false);
    check('Huge.kzs (2 GiB): a sound in it shows and plays', hugePlays);
    // The worker's memory (the core's WebAssembly memory, the blocks of the file it keeps) and the page's script heap,
    // with the 2 GiB file open.
    const worker = await other.evaluate(() => SndPage.core.memory());
    const heapBytes = (await other.metrics()).JSHeapUsedSize;
    const mib = (n) => (n / 2 ** 20).toFixed(1) + ' MiB';
    check('Huge.kzs (2 GiB): open with memory far below its size (the worker and the page under 1/16 of it)',
      worker.core > 0 && worker.core + worker.blocks + heapBytes < 2 ** 31 / 16, JSON.stringify({worker, heapBytes}));
    await other.close();
    fs.rmSync(huge);

    // ---- nothing sent anywhere: the page asked only for its own files, and neither it nor its core's
    // worker may send to any address, not even to the server the page came from (which answers).
    const origin = new URL(url).origin;
    const outside = asked.filter((address) => !address.startsWith(origin + '/') && !/^(file|blob|data):/.test(address));
    check('nothing sent: the page asked only for its own files', outside.length === 0 && asked.some((a) => a.endsWith('/snd-worker.js')), JSON.stringify(outside));
    probing = true;
    const send = () => fetch(location.href).then(() => 'sent', () => 'refused');
    const ownServer = await (await fetch(url)).status;
    const fromPage = await page.evaluate(send);
    const [worker0] = page.workers();
    const fromWorker = worker0 ? await worker0.evaluate((href) => fetch(href).then(() => 'sent', () => 'refused'), url) : 'no worker';
    probing = false;
    check('nothing sent: neither the page nor its worker can send, even to its own server', ownServer === 200 && fromPage === 'refused' && fromWorker === 'refused',
      JSON.stringify({ownServer, fromPage, fromWorker}));

    check('no exception or error in the console', problems.length === 0, problems.join(' | '));
    console.log('A 2 GiB package: progress shown ' + progressMs.toFixed(0) + ' ms after the file was chosen ("' + progressSaid + '")');
    console.log('A 2 GiB package open, a sound shown: the core\'s memory ' + mib(worker.core) + ', blocks of the file kept ' + mib(worker.blocks) +
      ', the page\'s script heap ' + mib(heapBytes));
    console.log('10,000 sounds listed in ' + listed + ' ms from choosing the file (the page\'s own measure: ' + pageMs + ' ms; their facts in ' + factsMs + ' ms); the longest' +
      ' time between two frames meanwhile: ' + frozenMs.toFixed(0) + ' ms (load average ' + require('os').loadavg()[0].toFixed(1) + ')');
    console.log('In this browser: ' + playing.join('; '));
    console.log('Screenshots: ' + path.join(dir, 'page.png') + ' (1400 px), ' + path.join(dir, 'page-390.png') + ' (390 px)');
  } catch (error) {
    check('the test ran to its end', false, error.stack);
  } finally {
    await browser.close();
  }
  console.log(passed + ' passed, ' + failed + ' failed');
  process.exit(failed ? 1 : 0);
})();
