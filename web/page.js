// The page: opens packages and WAVE files where they are, asks the
// project's C++ core (core.js) everything about them, lists a package's
// sounds, asks for one sound to be shown (the store's `shown`, which sound.js
// shows), and downloads sounds alone or as a zip. It owns the header, the
// file tabs, the messages and the package's table, and draws them from the
// store (store.js).
'use strict';

window.SndPage = window.SndPage || {};

(() => {
  const $ = (id) => document.getElementById(id);
  const ui = {
    open: $('open'), status: $('status'), files: $('files'), messages: $('messages'),
    package: $('package'), filter: $('filter'), counts: $('counts'), table: $('sounds'),
    body: document.querySelector('#sounds tbody'), selectAll: $('select-all'), totals: $('totals'),
    zipSelected: $('zip-selected'), zipAll: $('zip-all'), openButton: $('open-button'), progress: $('progress'),
    playOnSelect: $('play-on-select'), groups: $('groups'), zipCancel: $('zip-cancel'),
  };
  const core = SndPage.core;
  const sound = SndPage.sound;
  const store = SndPage.store;
  const state = store.get;
  const quoted = (text) => "'" + text + "'";

  let nextId = 1;
  // After the next frame: a long listing's steps on the page's thread each in a task of its own, so that the page keeps drawing.
  const nextFrame = () => new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve, 0)));
  const kGroupClass = 'Package';  // the class of an export that is a group of a package
  const kManyRows = 2000;  // a listing long enough to be made over several frames

  // ---- messages and the status line; nothing may fail silently -----------------

  window.addEventListener('error', (event) => { SndPage.say('error', 'the page failed: ' + event.message); event.preventDefault(); });
  window.addEventListener('unhandledrejection', (event) => { SndPage.say('error', 'the page failed: ' + (event.reason && event.reason.message || event.reason)); event.preventDefault(); });

  function renderMessages(messages) {
    ui.messages.textContent = '';
    for (const {kind, text} of messages) {
      const line = document.createElement('div');
      line.className = kind;
      line.textContent = kind + ': ' + text;
      ui.messages.append(line);
    }
  }

  // The status line and the bar under it; `share` null hides the bar, -1 shows it running without a share.
  function renderStatus({text, share, failed}) {
    ui.status.textContent = text;
    ui.status.classList.toggle('failed', failed);
    ui.progress.hidden = share == null;
    if (share === -1) ui.progress.removeAttribute('value');
    else if (share != null) ui.progress.value = share;
  }
  const progress = (text, share, failed = false) => store.update({status: {text, share, failed}});

  // ---- opening files ------------------------------------------------------------

  // The same file opened again: its name, size and time of change are those of an open one.
  const openedAs = (blob) => state().files.find((f) => f.name === blob.name && f.size === blob.size && f.modified === blob.lastModified);

  async function openFiles(list) {
    if (!core.ready()) { SndPage.say('error', 'the page is still loading its core; try again in a moment'); return; }
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
        // A package is listed from its tables at once, its sounds' facts filled in after (fillFacts):
        // the listing reads every sound's header, a whole package of small sounds.
        const named = await core.exports(file);
        file.info = named ? pendingPackage(file, named) : await core.info(file);
        if (file.info.type === 'package' && file.info.exports.length > kManyRows) await nextFrame();
      } catch (error) {
        file.info = {path: file.name, type: 'error', warnings: [], errors: ['cannot read ' + quoted(file.name) + ': ' + error.message]};
      }
      file.rows = rowsOf(file.info, file.size);
      (file.info.type === 'error' ? failed : listed).push(file.name);
      store.update({files: [...state().files, file]});
      last = file;
    }
    if (last && last.rows.length > kManyRows) await nextFrame();
    if (last) showFile(last);
    const ms = performance.now() - started;
    ui.table.dataset.listMs = ms.toFixed(1);
    const filling = state().files.filter((file) => file.info.pending);
    for (const file of filling) file.factsReady = fillFacts(file);
    Promise.all(filling.map((file) => file.factsReady)).then(() => { if (filling.length) ui.table.dataset.factsMs = (performance.now() - started).toFixed(1); });
    const said = [];
    if (listed.length) said.push((listed.length === 1 ? listed[0] : listed.length + ' files') + ' listed in ' + ms.toFixed(0) + ' ms');
    if (failed.length) said.push('could not read ' + failed.join(', '));
    if (again.length) said.push('already open: ' + again.join(', '));
    progress(said.join('; '), null, failed.length > 0);
  }

  // A package as its tables name its exports, before its sounds are read: no facts, no findings yet.
  const pendingPackage = (file, named) => ({path: file.name, type: 'package', pending: true, warnings: [], errors: [], notes: [],
    exports: named.map(([index, name, group, klass]) => ({index, name, group, class: klass, sound: false, audio: false}))});

  // The facts of a package listed from its tables: its rows, tree and findings made again from them, the
  // table drawn again where it stands (its scroll, filter, order, group and ticks kept).
  async function fillFacts(file) {
    let info;
    try {
      info = await core.info(file);
    } catch (error) {
      info = {path: file.name, type: 'error', warnings: [], errors: ['cannot read ' + quoted(file.name) + ': ' + error.message]};
    }
    const now = state();
    if (!now.files.includes(file)) return;
    file.info = info;
    file.rows = rowsOf(info, file.size);
    delete file.listed;
    delete file.sorted;
    delete file.tree;
    const change = {files: [...now.files], facts: file};
    if (now.current === file) change.messages = [...SndPage.findings(info), ...now.messages];
    store.update(change);
  }

  function closeFile(file) {
    const {files, current, selected} = state();
    if (!files.includes(file)) return;
    core.remove(file);
    const left = files.filter((f) => f !== file);
    const unticked = new Map(selected);
    unticked.delete(file);
    if (current !== file) {
      store.update({files: left, selected: unticked});
    } else if (left.length) {
      store.update({files: left, selected: unticked});
      showFile(left[left.length - 1]);
    } else {
      store.update({files: left, selected: unticked, current: null, shown: null, messages: []});
    }
    // The keyboard goes on from the tab shown, or from the button that opens files.
    (ui.files.querySelector('button.current') || ui.openButton).focus();
  }

  // A file shown: its messages, and its table (a package) or its one sound (a WAVE file).
  function showFile(file) {
    store.update({current: file, filter: '', sort: {key: 'index', up: true}, group: null, messages: SndPage.findings(file.info),
      shown: file.info.type === 'wave' ? {file, index: 0, play: false} : null});
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

  // A cut sound (its bytes not all in the file) is a row with a mark: its size is what the file
  // holds of what its header states, and one whose bytes lie past the end has nothing to show or save.
  function rowsOf(info, fileSize) {
    if (info.type === 'package') {
      // The exports come flat from core.js, one object each, made the table's rows in place (10,000 more objects
      // would cost the page's thread as much again); a group (an export of class Package) is a folder of the tree, not a row.
      for (const entry of info.exports) {
        entry.isGroup = entry.class === kGroupClass;
        entry.counted = entry.sound;
        entry.hasAudio = entry.audio;
        entry.sound = entry.sound && entry.audio;
        if (!entry.counted) entry.format = info.pending ? '' : '(' + entry.class + ', no sound)';
        entry.size = entry.damage && !entry.hasAudio ? 0 : entry.file_size;
        entry.waveSize = entry.wave_size;
      }
      return info.exports;
    }
    if (info.type === 'wave') {
      const audio = info.wave.audio;
      return [{index: 0, name: info.path, group: '', sound: true, format: audio.format, channels: audio.channels, rate: audio.rate,
               bits: audio.bits, duration: audio.duration, size: fileSize}];
    }
    return [];
  }

  // Each file a tab: a button that shows it, and a button of its own that closes it.
  function renderFileTabs({files, current}) {
    const focused = document.activeElement && ui.files.contains(document.activeElement) ? document.activeElement : null;
    const keep = focused && {file: focused.dataset.file || focused.dataset.closes, close: Boolean(focused.dataset.closes)};
    ui.files.textContent = '';
    for (const file of files) {
      const box = document.createElement('span');
      box.className = 'tab';
      const tab = document.createElement('button');
      tab.type = 'button';
      tab.textContent = file.name;
      tab.dataset.file = file.name;
      // Listed from its tables, its sounds' facts still to come.
      if (file.info.pending) tab.dataset.pending = 'yes';
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

  // The rows of the table (a group is no row), in the order asked for: sorted
  // once per order and file, so that a keystroke in the filter or a group
  // chosen only filters the sorted rows (10,000 rows sort in tens of ms).
  const collate = new Intl.Collator().compare;
  function sortedRows(file, {key, up}) {
    if (!file.listed) file.listed = file.rows.filter((row) => !row.isGroup);
    if (file.sorted && file.sorted.key === key && file.sorted.up === up) return file.sorted.rows;
    const rows = file.listed.slice();
    // The rows come in the order of their indexes.
    if (key !== 'index' || !up) {
      rows.sort((a, b) => {
        const x = a[key], y = b[key];
        let order = x == null ? (y == null ? 0 : 1) : y == null ? -1 : typeof x === 'string' ? collate(x, y) : x - y;
        if (!up) order = -order;
        return order || a.index - b.index;
      });
    }
    file.sorted = {key, up, rows};
    return rows;
  }

  // The rows shown: those of the group chosen and of the groups in it, whose name or group holds the filter's text.
  function visibleRows({current, filter, sort, group}) {
    const lower = filter.toLowerCase();
    const within = group ? group + '.' : null;
    const inGroup = (row) => !within || row.group === group || row.group.startsWith(within);
    const matches = (row) => (row.lower ??= (row.name + '\n' + row.group).toLowerCase()).includes(lower);
    const rows = sortedRows(current, sort);
    return lower || within ? rows.filter((row) => inGroup(row) && (!lower || matches(row))) : rows;
  }

  // The rows in the table's order; only those in sight are made (a package
  // may hold 100,000 sounds), between two spacers of the others' height.
  let view = [];
  let rowHeight = 0;
  let windowStart = -1;
  let focusAt = 0;  // the row in `view` that Tab reaches and the arrow keys move from

  const ticked = ({current, selected}) => selected.get(current) || new Set();
  const duration = (seconds) => (seconds == null ? '' : SndPage.clock(seconds));

  // `again`: the same view with new facts, where it stands.
  function renderTable(now, again = false) {
    const {current, sort} = now;
    ui.package.hidden = !current || current.info.type !== 'package';
    if (ui.package.hidden) return;
    if (ui.filter.value !== now.filter) ui.filter.value = now.filter;
    view = visibleRows(now);
    if (!again) focusAt = 0;
    // Without groups, no Group column.
    ui.table.classList.toggle('no-groups', !treeOf(current));
    ui.table.dataset.rows = view.length;
    for (const th of ui.table.querySelectorAll('th[data-key]')) {
      th.classList.toggle('sorted-up', th.dataset.key === sort.key && sort.up);
      th.classList.toggle('sorted-down', th.dataset.key === sort.key && !sort.up);
      th.setAttribute('aria-sort', th.dataset.key !== sort.key ? 'none' : sort.up ? 'ascending' : 'descending');
    }
    const all = current.listed.length;
    ui.counts.textContent = view.length === all ? all + ' exports' : view.length + ' of ' + all + ' exports';
    const totals = current.info.totals;
    const header = current.info.package;
    // The cut sounds counted as Snd_Info's listing counts them: "3 sounds (1 cut short, 1 past the end of the file)".
    const cut = ['cut short', 'past the end of the file'].map((damage) => [current.rows.filter((r) => r.damage === damage).length, damage])
      .filter(([count]) => count > 0).map(([count, damage]) => count + ' ' + damage).join(', ');
    ui.totals.textContent = (totals ? totals.sounds + ' sounds' + (cut ? ' (' + cut + ')' : '') + ', ' + SndPage.bytes(totals.bytes) + ' bytes, ' +
      duration(totals.duration) : '') +
      (header ? ' — package ' + header.tag_code + ', version ' + header.version + ', ' + header.names.count + ' names, ' +
        header.imports.count + ' imports, ' + header.exports.count + ' exports' : '');
    windowStart = -1;
    if (again) {
      renderWindow(true);
      return;
    }
    ui.selectAll.checked = false;
    ui.table.parentElement.scrollTop = 0;
    renderWindow();
  }

  function cell(text, className) {
    const td = document.createElement('td');
    if (className) td.className = className;
    td.textContent = text;
    return td;
  }

  // One row; only the row at `tabbable`, its box and its Play button are in the Tab order.
  function rowElement(r, at, tabbable) {
    const tr = document.createElement('tr');
    tr.tabIndex = at === tabbable ? 0 : -1;
    tr.dataset.pos = at;
    tr.dataset.index = r.index;
    if (!r.sound) tr.classList.add('nosound');
    if (r.damage) tr.classList.add('cut');
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.tabIndex = tr.tabIndex;
    box.setAttribute('aria-label', 'Select ' + r.name);
    box.disabled = !r.sound;
    const tick = document.createElement('td');
    tick.append(box);
    const size = cell(SndPage.bytes(r.size) + (r.damage && r.waveSize != null ? ' of ' + SndPage.bytes(r.waveSize) : ''), 'number');
    if (r.damage) size.title = r.damage;
    tr.append(tick, cell(r.index, 'number'), cell(r.name, 'name'), cell(r.format || ''), cell(r.channels ?? '', 'number'),
      cell(r.rate ?? '', 'number'), cell(r.bits ?? '', 'number'), cell(duration(r.duration), 'number'), size, cell(r.group, 'group'));
    // Play, in the row: on a phone, where the sound's panel lies far below the table.
    const playCell = cell('', 'play');
    if (r.sound) {
      const play = document.createElement('button');
      play.type = 'button';
      play.className = 'play';
      play.textContent = '▶';
      play.tabIndex = tr.tabIndex;
      play.setAttribute('aria-label', 'Play ' + r.name);
      playCell.append(play);
    }
    tr.append(playCell);
    return tr;
  }

  function spacer(rows, height) {
    const tr = document.createElement('tr');
    tr.className = 'spacer';
    const td = document.createElement('td');
    td.colSpan = 11;
    td.style.height = rows * height + 'px';
    tr.append(td);
    return tr;
  }

  // The marks that change without the rows changing: the sound shown, the ticks.
  function markRows(now) {
    const {current, shown} = now;
    const ticks = ticked(now);
    for (const tr of ui.body.querySelectorAll('tr[data-index]')) {
      const index = Number(tr.dataset.index);
      tr.classList.toggle('shown', Boolean(shown && shown.file === current && shown.index === index));
      tr.querySelector('input').checked = ticks.has(index);
    }
    // "Download selected" only while a sound shown is ticked.
    ui.zipSelected.disabled = !current || !view.some((row) => ticks.has(row.index));
  }

  function renderWindow(force) {
    const frame = ui.table.parentElement;
    const height = rowHeight || 26;
    const first = Math.max(0, Math.floor(frame.scrollTop / height) - 20);
    if (!force && first === windowStart) return;
    windowStart = first;
    const last = Math.min(view.length, first + Math.ceil((frame.clientHeight || 400) / height) + 40);
    const rows = [];
    if (first > 0) rows.push(spacer(first, height));
    const tabbable = focusAt >= first && focusAt < last ? focusAt : first;
    for (let i = first; i < last; ++i) rows.push(rowElement(view[i], i, tabbable));
    if (view.length > last) rows.push(spacer(view.length - last, height));
    // The rows are made anew: a row that had the keyboard keeps it.
    const hadFocus = ui.body.contains(document.activeElement);
    ui.body.replaceChildren(...rows);
    markRows(state());
    const row = hadFocus && ui.body.querySelector('tr[data-pos="' + focusAt + '"]');
    if (row) row.focus({preventScroll: true});
    const sample = ui.body.querySelector('tr[data-index]');
    if (!rowHeight && sample && sample.offsetHeight) {
      rowHeight = sample.offsetHeight;
      if (rowHeight !== height) renderWindow(true);
    }
  }

  ui.table.parentElement.addEventListener('scroll', () => renderWindow());

  ui.filter.addEventListener('input', () => store.update({filter: ui.filter.value}));

  const select = (index, play = ui.playOnSelect.checked) => store.update({shown: {file: state().current, index, play}});
  // Space on a row, or its Play button: plays the row's sound, or stops the one shown.
  function playRow(index) {
    const {shown, current} = state();
    if (shown && shown.file === current && shown.index === index) sound.toggle();
    else select(index, true);
  }

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
    for (const control of row.querySelectorAll('input, button')) control.tabIndex = 0;
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
      playRow(Number(tr.dataset.index));
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
    const {sort} = state();
    store.update({sort: {key: th.dataset.key, up: sort.key === th.dataset.key ? !sort.up : true}});
  });
  // Ticks the export indexes `indexes` of the file shown (`on` false: unticks them).
  function tick(indexes, on) {
    const {current, selected} = state();
    const ticks = new Set(selected.get(current));
    for (const index of indexes) {
      if (on) ticks.add(index);
      else ticks.delete(index);
    }
    store.update({selected: new Map(selected).set(current, ticks)});
  }
  ui.body.addEventListener('click', (event) => {
    const tr = event.target.closest('tr[data-index]');
    if (!tr) return;
    const index = Number(tr.dataset.index);
    if (event.target.matches('input[type=checkbox]')) tick([index], event.target.checked);
    else if (event.target.closest('button.play')) playRow(index);
    else select(index);
  });
  ui.selectAll.addEventListener('change', () => tick(view.filter((row) => row.sound).map((row) => row.index), ui.selectAll.checked));

  // The page as the store says: each part drawn again when what it shows changed.
  store.subscribe((now, before) => {
    if (now.status !== before.status) renderStatus(now.status);
    if (now.messages !== before.messages) renderMessages(now.messages);
    if (now.files !== before.files || now.current !== before.current) renderFileTabs(now);
    const filled = now.facts !== before.facts && now.facts === now.current;
    if (now.current !== before.current || now.group !== before.group || filled) renderTree(now);
    if (now.current !== before.current || now.filter !== before.filter || now.sort !== before.sort || now.group !== before.group) renderTable(now);
    else if (filled) renderTable(now, true);
    else if (now.shown !== before.shown || now.selected !== before.selected) markRows(now);
  });

  // ---- the groups, as a tree beside the table -----------------------------------

  // The package's groups as folders: the whole package first, then each
  // group under the one it stands in (a group's path is its dotted group and
  // name, "Wind.Gusts"), each counting the sounds in it and in the groups in
  // it. Null for a package without groups. Made once per file.
  function treeOf(file) {
    if (file.tree !== undefined) return file.tree;
    const root = {path: '', name: 'All sounds', parent: null, children: [], count: 0, level: 1};
    const nodes = new Map([['', root]]);
    // The node of `path`, and those of the groups it stands in, made as they are first named; a loop, not recursion.
    const nodeOf = (path) => {
      const missing = [];
      let at = path;
      while (!nodes.has(at)) {
        missing.push(at);
        const dot = at.lastIndexOf('.');
        at = dot < 0 ? '' : at.slice(0, dot);
      }
      let parent = nodes.get(at);
      for (const made of missing.reverse()) {
        const node = {path: made, name: made.slice(made.lastIndexOf('.') + 1), parent, children: [], count: 0, level: parent.level + 1};
        parent.children.push(node);
        nodes.set(made, node);
        parent = node;
      }
      return parent;
    };
    for (const row of file.rows) {
      if (row.isGroup) {
        nodeOf(row.group ? row.group + '.' + row.name : row.name);
      } else if (row.counted) {
        for (let node = nodeOf(row.group); node; node = node.parent) ++node.count;
      }
    }
    file.tree = root.children.length ? {root, nodes} : null;
    return file.tree;
  }

  // The tree's folders opened, by file (the whole package's is open to begin with), and the item with the keyboard.
  const opened = new WeakMap();
  let treeFocus = '';
  const openOf = (file) => opened.get(file) || opened.set(file, new Set([''])).get(file);

  // The items in sight, top to bottom: the order the arrow keys take.
  function itemsInSight(tree, open) {
    const items = [];
    const stack = [tree.root];
    while (stack.length) {
      const node = stack.pop();
      items.push(node);
      if (open.has(node.path)) for (let i = node.children.length - 1; i >= 0; --i) stack.push(node.children[i]);
    }
    return items;
  }

  function renderTree(now) {
    const {current} = now;
    const tree = current && current.info.type === 'package' ? treeOf(current) : null;
    const hadFocus = ui.groups.contains(document.activeElement);
    ui.groups.hidden = !tree;
    ui.groups.textContent = '';
    if (!tree) return;
    const open = openOf(current);
    const chosen = now.group || '';
    if (!tree.nodes.has(treeFocus) || !itemsInSight(tree, open).some((node) => node.path === treeFocus)) treeFocus = chosen;
    // Made from the top down with a list of the lists still to fill: no recursion over the groups' depth.
    const pending = [[tree.root, ui.groups]];
    for (let next = 0; next < pending.length; ++next) {
      const [node, list] = pending[next];
      const item = document.createElement('li');
      item.setAttribute('role', 'treeitem');
      item.setAttribute('aria-level', node.level);
      item.setAttribute('aria-selected', String(node.path === chosen));
      item.setAttribute('aria-label', node.name + ', ' + node.count + (node.count === 1 ? ' sound' : ' sounds'));
      item.dataset.path = node.path;
      item.tabIndex = node.path === treeFocus ? 0 : -1;
      const label = document.createElement('span');
      label.className = 'label';
      const twisty = document.createElement('span');
      twisty.className = 'twisty';
      twisty.setAttribute('aria-hidden', 'true');
      const name = document.createElement('span');
      name.textContent = node.name;
      const count = document.createElement('span');
      count.className = 'count';
      count.setAttribute('aria-hidden', 'true');
      count.textContent = node.count;
      label.append(twisty, name, count);
      item.append(label);
      if (node.children.length) {
        const isOpen = open.has(node.path);
        item.setAttribute('aria-expanded', String(isOpen));
        twisty.textContent = isOpen ? '▾' : '▸';
        if (isOpen) {
          const group = document.createElement('ul');
          group.setAttribute('role', 'group');
          item.append(group);
          for (const child of node.children) pending.push([child, group]);
        }
      }
      list.append(item);
    }
    if (hadFocus) focusItem(treeFocus);
  }

  function focusItem(path) {
    treeFocus = path;
    for (const item of ui.groups.querySelectorAll('[role=treeitem]')) {
      item.tabIndex = item.dataset.path === path ? 0 : -1;
      if (item.dataset.path === path) item.focus();
    }
  }

  const chooseGroup = (path) => store.update({group: path || null});
  function setOpen(node, on) {
    const open = openOf(state().current);
    if (on) open.add(node.path);
    else open.delete(node.path);
    renderTree(state());
  }

  // The keyboard of a tree: Up and Down move, Right opens or goes to the
  // first group in, Left closes or goes to the group out, Home and End, Enter
  // and Space choose.
  ui.groups.addEventListener('keydown', (event) => {
    const {current} = state();
    const tree = current && treeOf(current);
    const item = event.target.closest('[role=treeitem]');
    if (!tree || !item) return;
    const node = tree.nodes.get(item.dataset.path);
    const open = openOf(current);
    const items = itemsInSight(tree, open);
    const at = items.indexOf(node);
    const moves = {ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: items.length - 1};
    if (event.key in moves) {
      focusItem(items[Math.max(0, Math.min(items.length - 1, moves[event.key]))].path);
    } else if (event.key === 'ArrowRight') {
      if (node.children.length && !open.has(node.path)) setOpen(node, true);
      else if (node.children.length) focusItem(node.children[0].path);
    } else if (event.key === 'ArrowLeft') {
      if (node.children.length && open.has(node.path)) setOpen(node, false);
      else if (node.parent) focusItem(node.parent.path);
    } else if (event.key === 'Enter' || event.key === ' ') {
      chooseGroup(node.path);
    } else {
      return;
    }
    event.preventDefault();
  });
  ui.groups.addEventListener('click', (event) => {
    const {current} = state();
    const item = event.target.closest('[role=treeitem]');
    if (!item || !current || !treeOf(current)) return;
    const node = treeOf(current).nodes.get(item.dataset.path);
    treeFocus = node.path;
    // The arrow opens or closes; the name chooses.
    if (event.target.closest('.twisty') && node.children.length) setOpen(node, !openOf(current).has(node.path));
    else chooseGroup(node.path);
  });

  // ---- downloads ----------------------------------------------------------------------

  // The zip is named for the package, and for the part of it chosen: "Ambient.zip", "Ambient (3 selected).zip".
  // It is made of slices of the opened file (SndZip.build), so a package of
  // any size zips without its sounds entering the page's memory; first the
  // sounds are read once for their CRCs (SndZip.crcPass), with the bar, the
  // status and Cancel. A file changed on disk since it was opened cannot be
  // read: nothing is saved.
  const kChanged = 'the file changed on disk since it was opened; open it again';
  let zipping = null;  // the zip being made: {cancel}

  function cannotZip(file, error) {
    const changed = error && (error.name === 'NotReadableError' || error.name === 'NotFoundError' || error.message === kChanged);
    SndPage.say('error', 'cannot zip ' + quoted(file.name) + ': ' + (changed ? kChanged : error && error.message || error));
    progress('could not zip ' + file.name, null, true);
  }

  // `pick` gives the rows to zip once the file's sounds' facts are in (a package is listed from its tables first).
  async function zip(pick, part) {
    if (zipping) return;
    const file = state().current;
    zipping = {cancel: () => {}};
    try {
      await file.factsReady;
      const rows = pick(file);
      const names = await core.fileNames(file);
      const spans = await core.exportSpans(file);
      const chosen = rows.filter((row) => row.sound && names.files[row.index]);
      const count = chosen.length;
      if (!count) { SndPage.say('warning', 'no sound selected'); return; }
      const parts = chosen.map((row) => spans[row.index]);
      // Spans past the end of the file as it was opened: the file is not the one listed.
      if (parts.some((span) => !span || span.offset + span.size > file.size)) throw new Error(kChanged);
      const name = names.folder + (part ? ' (' + count + ' ' + part + ')' : '') + '.zip';
      const started = performance.now();
      progress('Zipping ' + names.folder + ': 0 of ' + count + ' sounds, 0%…', 0);
      const pass = SndZip.crcPass(file.blob, parts, ({bytes, total, sounds}) => {
        const share = total ? bytes / total : 1;
        progress('Zipping ' + names.folder + ': ' + sounds + ' of ' + count + ' sounds, ' + Math.floor(share * 100) + '%…', share);
      });
      const cancelled = new Promise((resolve) => {
        zipping.cancel = () => { pass.cancel(); resolve(null); };
      });
      ui.zipCancel.hidden = false;
      const read = await Promise.race([pass.done, cancelled]);
      if (!read) {
        progress('zip cancelled', null);
        return;
      }
      ui.package.dataset.zipReadMs = (performance.now() - started).toFixed(0);
      const entries = chosen.map((row, i) => ({name: names.folder + '/' + names.files[row.index],
        blob: read.bytes[i] ? null : file.blob.slice(parts[i].offset, parts[i].offset + parts[i].size), bytes: read.bytes[i],
        size: parts[i].size, crc: read.crcs[i]}));
      SndPage.save(SndZip.build(entries, file.modified), name);
      progress('', null);
    } catch (error) {
      cannotZip(file, error);
    } finally {
      zipping = null;
      // The keyboard leaves Cancel as it hides: it goes back to the button that started the zip.
      if (document.activeElement === ui.zipCancel) ui.zipAll.focus();
      ui.zipCancel.hidden = true;
    }
  }

  ui.zipAll.addEventListener('click', () => state().current && zip((file) => file.rows, null));
  ui.zipSelected.addEventListener('click', () => {
    const now = state();
    if (now.current) zip(() => view.filter((row) => ticked(state()).has(row.index)), 'selected');
  });
  ui.zipCancel.addEventListener('click', () => zipping && zipping.cancel());

  // ---- start ----------------------------------------------------------------------------

  progress('Loading…', null);
  core.start().then(() => {
    progress('', null);
    document.body.dataset.ready = 'yes';
  }, (error) => SndPage.say('error', 'the page could not start its core: ' + error));
})();
