// The page: opens packages and WAVE files in the browser's memory, asks the
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
    zipSelected: $('zip-selected'), zipAll: $('zip-all'),
  };
  const core = SndPage.core;
  const sound = SndPage.sound;

  let nextId = 1;
  const opened = [];         // {id, name, size, dir, info (the file object), rows}
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

  async function openFiles(list) {
    if (!core.ready()) { SndPage.message('error', 'the page is still loading its core; try again in a moment'); return; }
    const started = performance.now();
    let last = null;
    for (const blob of list) {
      const file = {id: nextId++, name: blob.name, size: blob.size, dir: '', info: null, rows: []};
      file.dir = '/files/' + file.id;
      try {
        core.write(file, new Uint8Array(await blob.arrayBuffer()));
        file.info = core.info(file);
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
    core.remove(file);
    if (current === file) {
      current = null;
      sound.hide();
      ui.package.hidden = true;
      SndPage.clearMessages();
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
        return {index: entry.index, name: entry.name, group: entry.group || '', sound: !!entry.sound, format: entry.sound ? audio.format : '(' + entry.class + ', no sound)',
                channels: audio.channels, rate: audio.rate, bits: audio.bits, duration: audio.duration, size: audio.file_size};
      });
    }
    if (info.type === 'wave') {
      const audio = info.wave.audio;
      return [{index: 0, name: info.path, group: '', sound: true, format: audio.format, channels: audio.channels, rate: audio.rate,
               bits: audio.bits, duration: audio.duration, size: fileSize}];
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
    sound.hide();
    SndPage.clearMessages();
    for (const text of file.info.errors || []) SndPage.message('error', text);
    for (const text of file.info.warnings || []) SndPage.message('warning', text);
    ui.package.hidden = file.info.type === 'error';
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
      (header ? ' — package ' + header.tag_code + ', version ' + header.version + ', ' + header.names.count + ' names, ' +
        header.imports.count + ' imports, ' + header.exports.count + ' exports' : '');
    ui.selectAll.checked = false;
    ui.table.parentElement.scrollTop = 0;
    windowStart = -1;
    renderWindow();
  }

  function rowHtml(r) {
    const shown = sound.shown();
    const classes = (r.sound ? '' : 'nosound') + (shown && shown.file === current && shown.index === r.index ? ' shown' : '');
    return '<tr tabindex="0" data-index="' + r.index + '" class="' + classes + '"><td><input type="checkbox" aria-label="Select"' +
      (r.sound ? '' : ' disabled') + (r.selected ? ' checked' : '') + '></td><td class="number">' + r.index +
      '</td><td class="name">' + escape(r.name) + '</td><td>' + escape(r.format || '') + '</td><td class="number">' +
      (r.channels ?? '') + '</td><td class="number">' + (r.rate ?? '') + '</td><td class="number">' + (r.bits ?? '') +
      '</td><td class="number">' + seconds(r.duration) + '</td><td class="number">' + bytes(r.size) + '</td><td class="group">' +
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
    if (current.info.type === 'package') sound.show(current, Number(event.target.dataset.index));
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
    if (current.info.type === 'package') sound.show(current, row.index);
  });
  ui.selectAll.addEventListener('change', () => {
    for (const row of view) if (row.sound) row.selected = ui.selectAll.checked;
    renderWindow(true);
  });

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

  function zip(rows) {
    const file = current;
    const names = core.fileNames(file);
    const entries = {};
    for (const row of rows) {
      if (!row.sound || !names.files[row.index]) continue;
      entries[names.folder + '/' + names.files[row.index]] = [core.exportBytes(file, row.index), {level: 0}];
    }
    if (!Object.keys(entries).length) { SndPage.message('warning', 'no sound selected'); return; }
    SndPage.save(new Blob([fflate.zipSync(entries)], {type: 'application/zip'}), names.folder + '.zip');
  }

  ui.zipAll.addEventListener('click', () => current && zip(current.rows));
  ui.zipSelected.addEventListener('click', () => current && zip(current.rows.filter((row) => row.selected)));

  // ---- start ----------------------------------------------------------------------------

  ui.status.textContent = 'Loading…';
  core.start().then(() => {
    ui.status.textContent = '';
    document.body.dataset.ready = 'yes';
  }, (error) => SndPage.message('error', 'the page could not start its core: ' + error));
})();
