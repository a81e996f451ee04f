// The page's state, in one place: the modules render their own part of the
// page from it and change it only through update(), which tells every
// subscriber what the state was and what it is now. No module touches
// another's part of the page. Also here, the few things every module shares:
// the page's messages, the clock times and byte counts it writes, and saving a
// download.
'use strict';

window.SndPage = window.SndPage || {};

SndPage.store = (() => {
  let state = {
    status: {text: '', share: null, failed: false},  // the status line; share: the bar's (null hidden, -1 running)
    messages: [],        // {kind: 'error' | 'warning' | 'note', text}, as the page lists them
    files: [],           // the opened files, in the tabs' order: {id, name, size, modified, blob, dir, info, rows}
    current: null,       // the file shown
    filter: '',          // the table's filter, and its order
    sort: {key: 'index', up: true},
    selected: new Map(), // file -> Set of the export indexes ticked
    facts: null,         // the file whose sounds' facts came last (a package is listed from its tables first)
    shown: null,         // the sound asked for, its row marked: {file, index, play}
    soundReason: null,   // why the sound shown is not drawn or not played, said in its panel (null: nothing to say)
  };
  const listeners = [];
  let seen = state;  // the state the listeners were last told of
  let telling = false;

  // `change` holds the fields that change; the others stay as they are. A
  // field that changes is a new value, so `state.x !== before.x` says it did.
  // A listener may update the state itself: the listeners are told of that
  // once they have all been told of the change before it, so each sees the
  // changes in order.
  function update(change) {
    state = {...state, ...change};
    if (telling) return;
    telling = true;
    while (seen !== state) {
      const before = seen;
      seen = state;
      for (const listener of listeners) {
        // A listener that fails leaves the others to draw their parts; its
        // error reaches the page's handler of errors as any other.
        try {
          listener(seen, before);
        } catch (error) {
          setTimeout(() => { throw error; });
        }
      }
    }
    telling = false;
  }

  return {
    get: () => state,
    update,
    subscribe: (listener) => { listeners.push(listener); },
  };
})();

// The messages of a file or sound the core describes: its errors, warnings
// and notes, each a text or an object holding its message.
SndPage.findings = (...infos) => {
  const text = (finding) => (typeof finding === 'string' ? finding : finding.message);
  const said = [];
  for (const info of infos) {
    for (const [kind, list] of [['error', info.errors], ['warning', info.warnings], ['note', info.notes]]) {
      for (const finding of list || []) said.push({kind, text: text(finding)});
    }
  }
  return said;
};

// One more message under those shown; nothing may fail silently.
SndPage.say = (kind, text) => {
  const store = SndPage.store;
  store.update({messages: [...store.get().messages, {kind, text}]});
};

// A time as the programs write it: "0:02.261", from an hour on "1:02:03.000";
// `decimals` 3 (milliseconds, rounded to the nearest) unless told.
SndPage.clock = (seconds, decimals = 3) => {
  const scale = 10 ** decimals;
  // Nudged up by far less than any rate's step: a length that lies on a half
  // (500.5 ms) rounds up as the programs round it, not down from the double's 500.49999999999994.
  const units = Math.round(seconds * scale * (1 + 1e-13));
  const whole = Math.floor(units / scale);
  const h = Math.floor(whole / 3600), m = Math.floor(whole / 60) % 60;
  const s = String(whole % 60).padStart(2, '0') + (decimals ? '.' + String(units % scale).padStart(decimals, '0') : '');
  return (h ? h + ':' + String(m).padStart(2, '0') : String(m)) + ':' + s;
};

// Thousands separated by commas (toLocaleString costs a locale look-up).
SndPage.bytes = (value) => (value == null ? '' : String(value).replace(/\B(?=(\d{3})+$)/g, ','));

// Saves `blob` as a download named `name`.
SndPage.save = (blob, name) => {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
};
