// The Settings panel: the desktop's choices (volume, mute, reduced flashing, pausing when the
// page is left, the stage timer, the keys of every action, back to the defaults), kept in the
// browser's storage as the same TOML text as the desktop's settings.toml. The game reads and
// writes that text with the desktop's own reader (web_settings.cpp); this panel only shows it
// and asks for changes. A kept text the reader finds wrong gets one line in the message strip,
// and is kept aside before the panel first writes over it. While the panel is open the game is
// paused.
'use strict';

const kuerumaSettings = (() => {
  const page = kuerumaPage;
  const panel = document.getElementById('settings');
  const keyList = document.getElementById('key-list');
  const hint = document.getElementById('settings-hint');
  const fileInput = document.getElementById('settings-file');
  const boxes = {
    mute: document.getElementById('mute'),
    reduced_flashing: document.getElementById('reduced-flashing'),
    pause_on_focus_loss: document.getElementById('pause-on-focus-loss'),
    timer: document.getElementById('timer'),
  };
  const volume = document.getElementById('volume');
  const storageKey = 'kueruma-settings';
  // The desktop's settings file is a few hundred bytes; its reader refuses more than this.
  const maxBytes = 64 * 1024;
  const actionLabels = {
    left: 'Left', right: 'Right', up: 'Up', down: 'Down', jump: 'Jump (X)', kick: 'Kick (Z)',
    give_up: 'Give up (F11)', pause: 'Pause',
  };

  // The game's side, called with the page's strings; its answer is a string too ("" before the
  // game has started, when the panel changes nothing).
  let ready = false;
  function call(name, texts, lengths = []) {
    if (!ready) return '';
    const at = texts.map((text) => Module.allocateUTF8(text));
    try {
      return Module.UTF8ToString(Module[name](...at, ...lengths));
    } finally {
      for (const pointer of at) Module._free(pointer);
    }
  }
  const gameText = (text) =>
    call('_kueruma_useSettings', [text], [Module.lengthBytesUTF8(text)]);
  const gameChange = (name, value) => call('_kueruma_changeSetting', [name, String(value)]);

  // --- The kept text. The storage may refuse (site data blocked, full): the game then plays
  // with what the panel chose, for as long as the page is open, and the strip says so once. ---
  let unreadable = false; // the kept text had something wrong: kept aside before a write
  let refusalShown = false;
  function keep(text) {
    try {
      if (unreadable) {
        localStorage.setItem(`${storageKey}.bad`, localStorage.getItem(storageKey) || '');
        page.showMessage(`The settings kept in this browser could not be read; they are kept ` +
          `as "${storageKey}.bad" in its storage.`);
        unreadable = false;
      }
      localStorage.setItem(storageKey, text);
    } catch (error) {
      if (!refusalShown) page.showMessage('The settings cannot be kept in this browser (its ' +
        'storage refuses); they last until the page is closed.');
      refusalShown = true;
    }
  }
  function use(text) {
    const warning = gameText(text);
    unreadable = warning !== '';
    if (warning) page.showMessage(warning);
  }
  // The game asks for the kept text when it starts.
  function handOver() {
    ready = true;
    let text = null;
    try {
      text = localStorage.getItem(storageKey);
    } catch (error) { /* blocked: the defaults */ }
    if (text !== null && text.length > maxBytes) {
      use('');
      unreadable = true;
      page.showMessage(`The settings kept in this browser are larger than ${maxBytes >> 10} KB, ` +
        'so they are not settings; the defaults stand.');
      return;
    }
    use(text === null ? '' : text);
  }
  function change(name, value) {
    const text = gameChange(name, value);
    if (text) keep(text);
  }

  // --- The panel: the game tells it what the settings are now. ---
  function show(settings) {
    page.useSettings(settings);
    volume.value = settings.volume;
    boxes.mute.checked = settings.mute;
    boxes.reduced_flashing.checked = settings.reducedFlashing;
    boxes.pause_on_focus_loss.checked = settings.pauseOnFocusLoss;
    boxes.timer.checked = settings.timer;
    keyList.textContent = '';
    for (const line of settings.keys.split('\n').filter((l) => l)) {
      const [action, ...keys] = line.split(' ');
      const row = document.createElement('li');
      row.dataset.action = action;
      const label = document.createElement('span');
      label.textContent = actionLabels[action] || action;
      const names = document.createElement('span');
      names.className = 'keys';
      names.textContent = keys.join(', ');
      const button = document.createElement('button');
      button.textContent = 'Change';
      button.addEventListener('click', () => {
        button.blur(); // the key pressed next is the action's, not the button's
        listenFor(row);
      });
      row.append(label, names, button);
      keyList.append(row);
    }
  }
  volume.addEventListener('change', () => change('volume', volume.value));
  for (const [name, box] of Object.entries(boxes)) {
    box.addEventListener('change', () => change(name, box.checked));
  }
  document.getElementById('settings-reset').addEventListener('click', () => change('reset', ''));

  // "Change": the next key pressed is the action's; one another action had is swapped with
  // the action's old keys; Esc cancels.
  let listening = null;
  function stopListening(text = '') {
    if (listening) listening.classList.remove('listening');
    listening = null;
    hint.textContent = text;
  }
  function listenFor(row) {
    stopListening('Press the new key (Esc cancels).');
    listening = row;
    row.classList.add('listening');
  }
  window.addEventListener('keydown', (event) => {
    if (!listening || !event.isTrusted) return;
    event.preventDefault();
    event.stopImmediatePropagation();
    if (event.key === 'Escape') return stopListening();
    const name = call('_kueruma_keyName', [event.key, event.code]);
    if (!name) return stopListening(`The key "${event.key}" cannot be bound.`);
    const action = listening.dataset.action;
    stopListening();
    change(action, name);
  }, true);

  let pausedByPanel = false;
  function setOpen(open) {
    if (open === !panel.hidden) return;
    panel.hidden = !open;
    page.giveKeysToPage(open);
    stopListening();
    if (open) {
      pausedByPanel = !page.status().paused;
      page.requestPause(true);
    } else if (pausedByPanel) {
      page.requestPause(false);
    }
  }
  document.getElementById('settings-button').addEventListener('click', (event) => {
    setOpen(panel.hidden);
    event.currentTarget.blur(); // so a later Space or Enter does not press it again
  });
  document.getElementById('settings-close').addEventListener('click', () => setOpen(false));
  // One panel at a time: the runs open over the settings and close them.
  document.getElementById('runs-button').addEventListener('click', () => setOpen(false));

  // --- The text as a file: exported as settings.toml, imported from one (the desktop's). ---
  document.getElementById('settings-export').addEventListener('click', () => {
    if (!ready) return;
    const link = document.createElement('a');
    link.href = URL.createObjectURL(new Blob([gameChange('export', '')],
      { type: 'application/toml' }));
    link.download = 'settings.toml';
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  });
  document.getElementById('settings-import').addEventListener('click', () => fileInput.click());
  fileInput.addEventListener('change', async () => {
    const [file] = fileInput.files;
    fileInput.value = '';
    if (!file) return;
    if (file.size > maxBytes) {
      page.showMessage(`${file.name} is larger than ${maxBytes >> 10} KB, so it is not a ` +
        'settings file; nothing changed.');
      return;
    }
    const text = await file.text();
    unreadable = false; // the kept text gives way to the player's file
    keep(text);
    use(text);
  });

  return { handOver, show };
})();
