// The page: opens packages and WAVE files where they are, asks the
// project's C++ core (core.js) everything about them, lists a package's
// sounds, shows one sound (sound.js), and downloads sounds alone or as a zip.
'use strict';

window.SndPage = window.SndPage || {};

(() => {
  const $ = (id) => document.getElementById(id);
  const ui = {
    open: $('open'), status: $('status'), files: $('files'), messages: $('messages'),
    package: $('package'), filter: $('filter'), counts: $('counts'), table: $('sounds'),
    body: document.querySelector('#sounds tbody'), selectAll: $('select-all'), totals: $('totals'),
    zipSelected: $('zip-selected'), zipAll: $('zip-all'), openButton: $('open-button'), progress: $('progress'),
    playOnSelect: $('play-on-select'),
  };
  const core = SndPage.core;
  const sound = SndPage.sound;

  let nextId = 1;
  const opened = [];         // {id, name, size, modified, dir, info (the file object), rows}
  let current = null;        // the opened file shown
  let sort = {key: 'index', up: true};

  // ---- messages; nothing may fail silently -----------------------------------

  SndPage.message = (kind, text) => {
    const line = document.createElement('div');
    line.className = kind;
    line.textContent = kind + ': ' + text;
    ui.messages.append(line);
  };
  SndPage.clearMessages = () => { ui.messages.textContent = ''; };
  window.addEventListener('error', (event) => { SndPage.message('error', 'the page failed: ' + event.message); event.preventDefault(); });
  window.addEventListener('unhandledrejection', (event) => { SndPage.message('error', 'the page failed: ' + (event.reason && event.reason.message || event.reason)); event.preventDefault(); });

  // ---- opening files ------------------------------------------------------------

  // The status line and the bar under it; `share` null hides the bar, -1 shows it running without a share.
  function progress(text, share) {
    ui.status.textContent = text;
    ui.status.classList.remove('failed');
    ui.progress.hidden = share == null;
    if (share === -1) ui.progress.removeAttribute('value');
    else if (share != null) ui.progress.value = share;
  }

  // The same file opened again: its name, size and time of change are those of an open one.
  const openedAs = (blob) => opened.find((f) => f.name === blob.name && f.size === blob.size && f.modified === blob.lastModified);

  async function openFiles(list) {
    if (!core.ready()) { SndPage.message('error', 'the page is still loading its core; try again in a moment'); return; }
    const started = performance.now();
    let last = null;
    const listed = [], failed = [], again = [];
    for (const blob of list) {
      const known = openedAs(blob);
      if (known) {
        again.push(blob.name);
        last = known;
        continue;
      }
      const file = {id: nextId++, name: blob.name, size: blob.size, modified: blob.lastModified, blob, dir: '', info: null, rows: []};
      file.dir = '/files/' + file.id;
      try {
        // The core reads the file where it is, only the parts it needs: the
        // bar runs until the listing is there.
        progress('Listing ' + blob.name + '…', -1);
        await core.mount(file, blob);
        file.info = await core.info(file);
      } catch (error) {
        file.info = {path: file.name, type: 'error', warnings: [], errors: ['cannot read ' + quoted(file.name) + ': ' + error.message]};
      }
      file.rows = rowsOf(file.info, file.size);
      (file.info.type === 'error' ? failed : listed).push(file.name);
      opened.push(file);
      last = file;
    }
    renderFileTabs();
    if (last) showFile(last);
    const ms = performance.now() - started;
    ui.table.dataset.listMs = ms.toFixed(1);
    const said = [];
    if (listed.length) said.push((listed.length === 1 ? listed[0] : listed.length + ' files') + ' listed in ' + ms.toFixed(0) + ' ms');
    if (failed.length) said.push('could not read ' + failed.join(', '));
    if (again.length) said.push('already open: ' + again.join(', '));
    progress(said.join('; '), null);
    ui.status.classList.toggle('failed', failed.length > 0);
  }

  function closeFile(file) {
    const at = opened.indexOf(file);
    if (at < 0) return;
    opened.splice(at, 1);
    core.remove(file);
    if (current === file) {
      current = null;
      sound.hide();
      ui.package.hidden = true;
      SndPage.clearMessages();
      if (opened.length) showFile(opened[opened.length - 1]);
    }
    renderFileTabs();
    // The keyboard goes on from the tab shown, or from the button that opens files.
    (ui.files.querySelector('button.current') || ui.openButton).focus();
  }

  ui.openButton.addEventListener('click', () => ui.open.click());
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

  // A cut sound (its bytes not all in the file) is a row with a mark: its size is what the file
  // holds of what its header states, and one whose bytes lie past the end has nothing to show or save.
  function rowsOf(info, fileSize) {
    if (info.type === 'package') {
      return info.exports.map((entry) => {
        const audio = entry.audio || {};
        return {index: entry.index, name: entry.name, group: entry.group || '', sound: !!entry.sound && entry.audio != null,
                format: entry.sound ? audio.format : '(' + entry.class + ', no sound)', channels: audio.channels, rate: audio.rate,
                bits: audio.bits, duration: audio.duration, size: entry.damage && !entry.audio ? 0 : audio.file_size,
                damage: entry.damage || null, waveSize: entry.wave_size ?? null};
      });
    }
    if (info.type === 'wave') {
      const audio = info.wave.audio;
      return [{index: 0, name: info.path, group: '', sound: true, format: audio.format, channels: audio.channels, rate: audio.rate,
               bits: audio.bits, duration: audio.duration, size: fileSize}];
    }
    return [];
  }

  // Each file a tab: a button that shows it, and a button of its own that closes it.
  function renderFileTabs() {
    const focused = document.activeElement && ui.files.contains(document.activeElement) ? document.activeElement : null;
    const keep = focused && {file: focused.dataset.file || focused.dataset.closes, close: Boolean(focused.dataset.closes)};
    ui.files.textContent = '';
    for (const file of opened) {
      const box = document.createElement('span');
      box.className = 'tab';
      const tab = document.createElement('button');
      tab.type = 'button';
      tab.textContent = file.name;
      tab.dataset.file = file.name;
      if (file === current) {
        tab.className = 'current';
        tab.setAttribute('aria-current', 'true');
      }
      if (file.info.type === 'error') tab.classList.add('bad');
      tab.addEventListener('click', () => showFile(file));
      const close = document.createElement('button');
      close.type = 'button';
      close.className = 'close';
      close.textContent = '×';
      close.title = 'Close';
      close.dataset.closes = file.name;
      close.setAttribute('aria-label', 'Close ' + file.name);
      close.addEventListener('click', () => closeFile(file));
      box.append(tab, close);
      ui.files.append(box);
    }
    if (keep) {
      const again = [...ui.files.querySelectorAll(keep.close ? 'button[data-closes]' : 'button[data-file]')]
        .find((b) => (keep.close ? b.dataset.closes : b.dataset.file) === keep.file);
      if (again) again.focus();
    }
  }

  function showFile(file) {
    current = file;
    sound.hide();
    SndPage.clearMessages();
    for (const text of file.info.errors || []) SndPage.message('error', text);
    for (const text of file.info.warnings || []) SndPage.message('warning', text);
    for (const text of file.info.notes || []) SndPage.message('note', text);
    // A WAVE file is one sound: it opens in the sound's view, without a table.
    ui.package.hidden = file.info.type !== 'package';
    ui.filter.value = '';
    sort = {key: 'index', up: true};
    renderTable();
    renderFileTabs();
    if (file.info.type === 'wave') sound.show(file, 0);
  }

  function visibleRows() {
    const filter = ui.filter.value.toLowerCase();
    const matches = (row) => row.name.toLowerCase().includes(filter) || row.group.toLowerCase().includes(filter);
    const rows = filter ? current.rows.filter(matches) : current.rows.slice();
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
  let focusAt = 0;  // the row in `view` that Tab reaches and the arrow keys move from

  function renderTable() {
    if (!current || current.info.type !== 'package') return;
    view = visibleRows();
    focusAt = 0;
    ui.table.dataset.rows = view.length;
    for (const th of ui.table.querySelectorAll('th[data-key]')) {
      th.classList.toggle('sorted-up', th.dataset.key === sort.key && sort.up);
      th.classList.toggle('sorted-down', th.dataset.key === sort.key && !sort.up);
      th.setAttribute('aria-sort', th.dataset.key !== sort.key ? 'none' : sort.up ? 'ascending' : 'descending');
    }
    updateSelected();
    ui.counts.textContent = view.length === current.rows.length ? view.length + ' exports' : view.length + ' of ' + current.rows.length + ' exports';
    const totals = current.info.totals;
    const header = current.info.package;
    // The cut sounds counted as Snd_Info's listing counts them: "3 sounds (1 cut short, 1 past the end of the file)".
    const cut = ['cut short', 'past the end of the file'].map((damage) => [current.rows.filter((r) => r.damage === damage).length, damage])
      .filter(([count]) => count > 0).map(([count, damage]) => count + ' ' + damage).join(', ');
    ui.totals.textContent = (totals ? totals.sounds + ' sounds' + (cut ? ' (' + cut + ')' : '') + ', ' + bytes(totals.bytes) + ' bytes, ' +
      seconds(totals.duration) : '') +
      (header ? ' — package ' + header.tag_code + ', version ' + header.version + ', ' + header.names.count + ' names, ' +
        header.imports.count + ' imports, ' + header.exports.count + ' exports' : '');
    ui.selectAll.checked = false;
    ui.table.parentElement.scrollTop = 0;
    windowStart = -1;
    renderWindow();
  }

  // One row; only the row at `tabbable` and its box are in the Tab order.
  function rowHtml(r, at, tabbable) {
    const shown = sound.shown();
    const classes = (r.sound ? '' : 'nosound') + (r.damage ? ' cut' : '') + (shown && shown.file === current && shown.index === r.index ? ' shown' : '');
    const tab = at === tabbable ? '0' : '-1';
    return '<tr tabindex="' + tab + '" data-pos="' + at + '" data-index="' + r.index + '" class="' + classes + '"><td><input type="checkbox" tabindex="' + tab + '" aria-label="Select ' + escape(r.name) + '"' +
      (r.sound ? '' : ' disabled') + (r.selected ? ' checked' : '') + '></td><td class="number">' + r.index +
      '</td><td class="name">' + escape(r.name) + '</td><td>' + escape(r.format || '') + '</td><td class="number">' +
      (r.channels ?? '') + '</td><td class="number">' + (r.rate ?? '') + '</td><td class="number">' + (r.bits ?? '') +
      '</td><td class="number">' + seconds(r.duration) + '</td><td class="number"' + (r.damage ? ' title="' + escape(r.damage) + '"' : '') + '>' +
      bytes(r.size) + (r.damage && r.waveSize != null ? ' of ' + bytes(r.waveSize) : '') + '</td><td class="group">' +
      escape(r.group) + '</td></tr>';
  }

  function renderWindow(force) {
    const frame = ui.table.parentElement;
    const height = rowHeight || 26;
    const first = Math.max(0, Math.floor(frame.scrollTop / height) - 20);
    if (!force && first === windowStart) return;
    windowStart = first;
    const last = Math.min(view.length, first + Math.ceil((frame.clientHeight || 400) / height) + 40);
    const spacer = (rows) => (rows > 0 ? '<tr class="spacer"><td colspan="10" style="height:' + rows * height + 'px"></td></tr>' : '');
    const html = [spacer(first)];
    const tabbable = focusAt >= first && focusAt < last ? focusAt : first;
    for (let i = first; i < last; ++i) html.push(rowHtml(view[i], i, tabbable));
    html.push(spacer(view.length - last));
    // The rows are made anew: a row that had the keyboard keeps it.
    const hadFocus = ui.body.contains(document.activeElement);
    ui.body.innerHTML = html.join('');
    const row = hadFocus && ui.body.querySelector('tr[data-pos="' + focusAt + '"]');
    if (row) row.focus({preventScroll: true});
    const sample = ui.body.querySelector('tr[data-index]');
    if (!rowHeight && sample && sample.offsetHeight) {
      rowHeight = sample.offsetHeight;
      if (rowHeight !== height) renderWindow(true);
    }
  }

  ui.table.parentElement.addEventListener('scroll', () => renderWindow());

  ui.filter.addEventListener('input', renderTable);

  const select = (index) => sound.show(current, index, ui.playOnSelect.checked);

  // The keyboard on a row: arrows, Home, End and the page keys move, Enter
  // shows the row's sound, Space plays it or stops it.
  function moveTo(at) {
    focusAt = Math.max(0, Math.min(view.length - 1, at));
    const frame = ui.table.parentElement;
    let row = ui.body.querySelector('tr[data-pos="' + focusAt + '"]');
    if (!row) {
      frame.scrollTop = focusAt * (rowHeight || 26) - frame.clientHeight / 2;
      renderWindow(true);
      row = ui.body.querySelector('tr[data-pos="' + focusAt + '"]');
    }
    for (const node of ui.body.querySelectorAll('[tabindex="0"]')) node.tabIndex = -1;
    row.tabIndex = 0;
    row.querySelector('input').tabIndex = 0;
    row.focus({preventScroll: true});
    row.scrollIntoView({block: 'nearest'});
  }
  ui.body.addEventListener('keydown', (event) => {
    const tr = event.target;
    if (!tr.matches('tr[data-index]') || !view.length) return;
    const at = Number(tr.dataset.pos);
    const page = Math.max(1, Math.floor(ui.table.parentElement.clientHeight / (rowHeight || 26)) - 1);
    const moves = {ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: view.length - 1, PageDown: at + page, PageUp: at - page};
    if (event.key in moves) {
      moveTo(moves[event.key]);
    } else if (event.key === 'Enter') {
      select(Number(tr.dataset.index));
    } else if (event.key === ' ') {
      const shown = sound.shown();
      if (shown && shown.file === current && shown.index === Number(tr.dataset.index)) sound.toggle();
      else sound.show(current, Number(tr.dataset.index), true);
    } else {
      return;
    }
    event.preventDefault();
  });
  ui.body.addEventListener('focusin', (event) => {
    const tr = event.target.closest('tr[data-pos]');
    if (tr) focusAt = Number(tr.dataset.pos);
  });
  // The sortable headers are buttons; the header cell says the sort (aria-sort).
  for (const th of ui.table.querySelectorAll('th[data-key]')) {
    const button = document.createElement('button');
    button.type = 'button';
    button.className = 'sort';
    button.textContent = th.textContent;
    th.textContent = '';
    th.append(button);
  }
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
    if (event.target.matches('input[type=checkbox]')) {
      row.selected = event.target.checked;
      updateSelected();
      return;
    }
    select(row.index);
  });
  ui.selectAll.addEventListener('change', () => {
    for (const row of view) if (row.sound) row.selected = ui.selectAll.checked;
    renderWindow(true);
    updateSelected();
  });
  // "Download selected" only while a sound is ticked.
  function updateSelected() {
    ui.zipSelected.disabled = !current || !current.rows.some((row) => row.selected);
  }

  // ---- downloads ----------------------------------------------------------------------

  SndPage.save = (blob, name) => {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  };

  // The zip is named for the package, and for the part of it chosen: "Ambient.zip", "Ambient (3 selected).zip".
  async function zip(rows, part) {
    const file = current;
    const names = await core.fileNames(file);
    const entries = {};
    for (const row of rows) {
      if (!row.sound || !names.files[row.index]) continue;
      entries[names.folder + '/' + names.files[row.index]] = [await core.exportBytes(file, row.index), {level: 0}];
    }
    const count = Object.keys(entries).length;
    if (!count) { SndPage.message('warning', 'no sound selected'); return; }
    const name = names.folder + (part ? ' (' + count + ' ' + part + ')' : '') + '.zip';
    SndPage.save(new Blob([fflate.zipSync(entries)], {type: 'application/zip'}), name);
  }

  ui.zipAll.addEventListener('click', () => current && zip(current.rows, null));
  ui.zipSelected.addEventListener('click', () => current && zip(current.rows.filter((row) => row.selected), 'selected'));

  // ---- start ----------------------------------------------------------------------------

  ui.status.textContent = 'Loading…';
  core.start().then(() => {
    ui.status.textContent = '';
    document.body.dataset.ready = 'yes';
  }, (error) => SndPage.message('error', 'the page could not start its core: ' + error));
})();
