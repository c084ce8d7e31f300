// Runs in the page, as on the desktop: the game hands over every finished stage's run (the
// replay-script text the desktop keeps), kept here in the browser's storage, the latest ones
// only; the "Runs" panel watches, downloads, links to or deletes one. "Open a run…", a file
// dropped on the page and a link ending in #run=… show a run at the game's speed, then hand
// over to the player. A run the game cannot read gets one message and nothing runs.
'use strict';

(() => {
  const page = kuerumaPage;
  const panel = document.getElementById('runs');
  const list = document.getElementById('run-list');
  const fileInput = document.getElementById('run-file');
  const prefix = 'kueruma-run:';
  // A run's text, like a script file the runner reads, is at most this long.
  const maxRunBytes = 16 * 1024 * 1024;

  // --- Kept runs: {name, text, savedAt} under the prefix, the oldest pruned first. ---
  function keptRuns() {
    const runs = [];
    for (let i = 0; i < localStorage.length; ++i) {
      const key = localStorage.key(i);
      if (!key.startsWith(prefix)) continue;
      try {
        runs.push(JSON.parse(localStorage.getItem(key)));
      } catch (error) { /* not one of ours */ }
    }
    return runs.sort((a, b) => a.savedAt - b.savedAt || a.name.localeCompare(b.name));
  }
  function pruneTo(count) {
    const runs = keptRuns();
    for (const run of runs.slice(0, Math.max(0, runs.length - count))) {
      localStorage.removeItem(prefix + run.name);
    }
  }
  function keepRun(name, text, kept) {
    let unique = name;
    for (let n = 2; localStorage.getItem(prefix + unique) !== null; ++n) {
      unique = name.replace(/\.txt$/, `-${n}.txt`);
    }
    const run = JSON.stringify({ name: unique, text, savedAt: Date.now() });
    // A full storage makes room by dropping the oldest runs, down to none but this one.
    for (let room = kept - 1; ; room = Math.min(room, keptRuns().length) - 1) {
      pruneTo(room);
      try {
        localStorage.setItem(prefix + unique, run);
        break;
      } catch (error) {
        if (room <= 0) {
          page.showMessage(`This stage's run cannot be kept in the browser: ${error.message}`);
          return;
        }
      }
    }
    if (!panel.hidden) showList();
  }

  // --- Opening a run: checked whole by the game, then shown by the next game. ---
  let gameReady = false;
  let pendingOpen = null; // a run opened before the game could take it
  // `playing`: a game is being played, and ends for the run; otherwise the first one shows it.
  function openRun(text, name, playing = true) {
    if (!gameReady) {
      pendingOpen = [text, name];
      return;
    }
    const textAt = Module.allocateUTF8(text);
    const nameAt = Module.allocateUTF8(name);
    const error = Module.UTF8ToString(
      Module._kueruma_openRun(textAt, Module.lengthBytesUTF8(text), nameAt));
    Module._free(textAt);
    Module._free(nameAt);
    if (error) {
      page.showMessage(`This run cannot be shown: ${error}`);
      return;
    }
    panel.hidden = true;
    document.getElementById('message').hidden = true;
    if (playing) page.startNextGame();
  }
  async function openFile(file) {
    try {
      if (file.size > maxRunBytes) throw new Error(`larger than ${maxRunBytes} bytes`);
      const bytes = await readLimited(file.stream(), maxRunBytes);
      openRun(new TextDecoder().decode(bytes), file.name);
    } catch (error) {
      page.showMessage(`${file.name} cannot be shown: ${error.message}`);
    }
  }

  // --- Links: the run's text compressed (deflate), in base64url, after #run=. ---
  function base64url(bytes) {
    let text = '';
    for (const byte of bytes) text += String.fromCharCode(byte);
    return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  async function linkTo(text) {
    const stream = new Blob([text]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    const bytes = new Uint8Array(await new Response(stream).arrayBuffer());
    return `${location.href.replace(/#.*/, '')}#run=${base64url(bytes)}`;
  }
  async function runOfLink(hash) {
    const data = hash.slice('#run='.length);
    if (!/^[A-Za-z0-9_-]*$/.test(data)) throw new Error('the link is damaged');
    const binary = atob(data.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
    return new TextDecoder().decode(await readLimited(stream, maxRunBytes));
  }
  async function openLink() {
    if (!location.hash.startsWith('#run=')) return;
    try {
      openRun(await runOfLink(location.hash), 'the linked run');
    } catch (error) {
      page.showMessage(`The linked run cannot be shown: ${error.message || 'the link is damaged'}`);
    }
  }
  window.addEventListener('hashchange', openLink);
  // A link's run is read before the game starts, so the game starts with it.
  const linked = openLink();
  Module.preRun.push(() => {
    Module.addRunDependency('linked run');
    linked.finally(() => Module.removeRunDependency('linked run'));
  });
  const started = Module.onRuntimeInitialized;
  Module.onRuntimeInitialized = () => {
    started();
    // The game's functions are there, and the first game has not begun: it shows the run.
    gameReady = true;
    if (pendingOpen) openRun(...pendingOpen, false);
    pendingOpen = null;
  };

  // --- The panel ---
  function download(run) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(new Blob([run.text], { type: 'text/plain' }));
    a.download = run.name;
    a.click();
    setTimeout(() => URL.revokeObjectURL(a.href), 1000);
  }
  async function copyLink(run) {
    const link = await linkTo(run.text);
    try {
      await navigator.clipboard.writeText(link);
      page.showMessage('The link to this run is copied.');
    } catch (error) {
      window.prompt('The link to this run:', link);
    }
  }
  function describe(name) {
    const m = /^(\d{4})(\d\d)(\d\d)-(\d\d)(\d\d)\d\d-stage-(\d+)-score-(-?\d+)/.exec(name);
    return m ? `${m[1]}-${m[2]}-${m[3]} ${m[4]}:${m[5]} · stage ${m[6]} · score ${m[7]}` : name;
  }
  function button(text, action) {
    const b = document.createElement('button');
    b.textContent = text;
    b.addEventListener('click', action);
    return b;
  }
  function showList() {
    list.replaceChildren(...keptRuns().reverse().map((run) => {
      const item = document.createElement('li');
      const label = document.createElement('span');
      label.textContent = describe(run.name);
      item.append(label,
        button('Watch', () => openRun(run.text, run.name)),
        button('Download', () => download(run)),
        button('Link', () => copyLink(run)),
        button('Delete', () => {
          localStorage.removeItem(prefix + run.name);
          showList();
        }));
      return item;
    }));
    if (!list.firstChild) list.textContent = 'No runs yet: every stage played to its end is kept.';
  }
  document.getElementById('runs-button').addEventListener('click', (event) => {
    panel.hidden = !panel.hidden;
    if (!panel.hidden) showList();
    event.currentTarget.blur();
  });
  document.getElementById('runs-close').addEventListener('click', () => { panel.hidden = true; });
  document.getElementById('open-run').addEventListener('click', () => fileInput.click());
  fileInput.addEventListener('change', () => {
    if (fileInput.files.length > 0) openFile(fileInput.files[0]);
    fileInput.value = '';
  });
  window.addEventListener('dragover', (event) => event.preventDefault());
  window.addEventListener('drop', (event) => {
    event.preventDefault();
    const file = event.dataTransfer.files[0];
    if (file) openFile(file);
  });

  Object.assign(page, { keepRun, keptRuns, linkTo });
})();
