// Runs in the page, as on the desktop: the game hands over every finished stage's run (the
// replay-script text the desktop keeps), kept here in the browser's storage, the latest ones
// only; the "Runs" panel watches, downloads, links to or deletes one. "Open a run…", a file
// dropped on the page and a link ending in #run=… show a run at the game's speed, then hand
// over to the player; "Race" (or &ghost at the end of a link) plays the run's stage against the
// run, its figure drawn faintly beside the player's, in every game until "no ghost". A run the
// game cannot read gets one message and nothing runs.
'use strict';

(() => {
  const page = kuerumaPage;
  const panel = document.getElementById('runs');
  const list = document.getElementById('run-list');
  const fileInput = document.getElementById('run-file');
  const prefix = 'kueruma-run:';
  // A run's text, like a script file the runner reads, is at most this long.
  const maxRunBytes = 16 * 1024 * 1024;
  const tooLarge = `it is larger than any run (${maxRunBytes >> 20} MB), so it is not one.`;

  // --- Kept runs: {name, text, savedAt} under the prefix, the oldest pruned first. The storage
  // may refuse anything: site data blocked (every use throws), a full storage, entries that are
  // not runs. None of it reaches the game: an entry that is not a run is passed over, and a
  // refusal costs one message line. ---
  const storage = () => window.localStorage; // throws when the site's data is blocked
  function isRun(run) {
    return run !== null && typeof run === 'object' && typeof run.name === 'string' &&
      typeof run.text === 'string' && Number.isFinite(run.savedAt);
  }
  function keptRuns() {
    const store = storage();
    const runs = [];
    for (let i = 0; i < store.length; ++i) {
      const key = store.key(i);
      if (!key || !key.startsWith(prefix)) continue;
      let run = null;
      try {
        run = JSON.parse(store.getItem(key));
      } catch (error) { /* not one of ours */ }
      if (isRun(run)) runs.push({ name: run.name, text: run.text, savedAt: run.savedAt, key });
    }
    return runs.sort((a, b) => a.savedAt - b.savedAt || a.name.localeCompare(b.name));
  }
  const entryOf = (run) => JSON.stringify({ name: run.name, text: run.text, savedAt: run.savedAt });
  // A kept run's name says its stage and score, as the desktop's run files' names do.
  const runName = /^(\d{4})(\d\d)(\d\d)-(\d\d)(\d\d)\d\d-stage-(\d+)-score-(-?\d+)/;
  // The pins, by the desktop's rule: each stage's highest score, of equal ones the run kept
  // last (`runs` oldest first). No pruning ever takes a pinned run; a better one takes its pin,
  // and the old best then ages out as any other run does.
  function pinnedKeys(runs) {
    const best = new Map(); // stage -> {score, key}
    for (const run of runs) {
      const m = runName.exec(run.name);
      if (!m) continue;
      const held = best.get(m[6]);
      if (!held || Number(m[7]) >= held.score) best.set(m[6], { score: Number(m[7]), key: run.key });
    }
    return new Set([...best.values()].map((pin) => pin.key));
  }
  const isFull = (error) => error && (error.name === 'QuotaExceededError' || error.code === 22);
  function storageProblem(error, what) {
    if (error && error.name === 'SecurityError') {
      return `${what}: this browser blocks this site's storage. Allow this site to keep data ` +
        'to keep runs.';
    }
    if (isFull(error)) {
      return `${what}: the browser's storage for this site is full, and dropping old runs ` +
        'would not make room (they are all still kept). Delete some in Runs to make room.';
    }
    return `${what}: the browser's storage refused it.`;
  }
  // Keeps a run in the latest `kept`, and the pins beside them. A full storage makes room by
  // dropping the oldest runs not pinned when that is enough; when even dropping every one is
  // not, they are all put back.
  function writeRun(name, text, kept, tab = '') {
    const store = storage();
    let unique = tab ? name.replace(/(\.txt)?$/, `-${tab}$1`) : name;
    for (let n = 2; store.getItem(prefix + unique) !== null; ++n) {
      unique = name.replace(/(\.txt)?$/, `-${tab}${tab && '-'}${n}$1`);
    }
    const runs = keptRuns();
    const pins = pinnedKeys([...runs, { name: unique, key: prefix + unique }]);
    const droppable = runs.filter((run) => !pins.has(run.key));
    // The oldest, gone once this is in: a prefix of `droppable`, as the runs dropped for room.
    const excess = runs.slice(0, Math.max(0, runs.length - (kept - 1)))
      .filter((run) => !pins.has(run.key));
    const entry = JSON.stringify({ name: unique, text, savedAt: Date.now() });
    const dropped = [];
    for (;;) {
      try {
        store.setItem(prefix + unique, entry);
        break;
      } catch (error) {
        if (!isFull(error) || dropped.length === droppable.length) {
          for (const run of dropped) store.setItem(run.key, entryOf(run));
          throw error;
        }
        dropped.push(droppable[dropped.length]);
        store.removeItem(dropped[dropped.length - 1].key);
      }
    }
    for (const run of excess.slice(dropped.length)) store.removeItem(run.key);
  }
  // Keeps a run, or says why it cannot; never throws.
  function keepHere(name, text, kept, tab) {
    try {
      writeRun(name, text, kept, tab);
      if (!panel.hidden) showList();
      return '';
    } catch (error) {
      const problem = storageProblem(error, 'This stage\'s run could not be kept');
      page.showMessage(problem);
      return problem;
    }
  }

  // --- One tab at a time writes the runs (the Web Locks API): another hands each of its runs
  // to that tab over a broadcast channel, and keeps those not yet taken itself once it owns the
  // storage (the other tab closed). Without the locks API every tab writes, each under names
  // of its own. ---
  const tab = Math.random().toString(36).slice(2, 8);
  const lockName = 'kueruma-runs';
  const channel =
    navigator.locks && window.BroadcastChannel ? new BroadcastChannel(lockName) : null;
  let owner = !channel;
  const handedOver = new Map(); // id -> [name, text, kept], not yet kept by the owner
  let handed = 0;
  function own() {
    owner = true;
    for (const [name, text, kept] of handedOver.values()) keepHere(name, text, kept);
    handedOver.clear();
    return new Promise(() => {}); // held while the tab lives
  }
  if (channel) {
    navigator.locks.request(lockName, { ifAvailable: true }, (lock) => {
      if (lock) return own();
      page.showMessage('Runs are kept by another tab of this game: this tab\'s runs go to that ' +
        'tab, and this one keeps them itself once that tab is closed.');
      navigator.locks.request(lockName, own).catch(() => {});
      return null;
    }).catch(() => { owner = true; });
    channel.addEventListener('message', ({ data }) => {
      if (!data) return;
      if (owner && data.keep) {
        const problem = keepHere(data.name, data.text, data.kept);
        channel.postMessage({ taken: data.keep, problem });
      } else if (!owner && data.taken && handedOver.delete(data.taken)) {
        if (data.problem) page.showMessage(data.problem);
        if (!panel.hidden) showList();
      }
    });
  }
  function keepRun(name, text, kept) {
    if (owner) {
      keepHere(name, text, kept, channel ? '' : tab);
      return;
    }
    const id = `${tab}-${++handed}`;
    handedOver.set(id, [name, text, kept]);
    channel.postMessage({ keep: id, name, text, kept });
  }

  // --- Opening a run: checked whole by the game, then shown (or raced) by the next game. ---
  let gameReady = false;
  let pendingOpen = null; // a run opened before the game could take it
  const ghostOff = document.getElementById('ghost-off');
  // `playing`: a game is being played, and ends for the run; otherwise the first one shows it.
  function openRun(text, name, playing = true, race = false) {
    if (!gameReady) {
      pendingOpen = [text, name, false, race];
      return true; // checked once the game can
    }
    const textAt = Module.allocateUTF8(text);
    const nameAt = Module.allocateUTF8(name);
    const open = race ? Module._kueruma_openGhost : Module._kueruma_openRun;
    const error = Module.UTF8ToString(open(textAt, Module.lengthBytesUTF8(text), nameAt));
    Module._free(textAt);
    Module._free(nameAt);
    if (error) {
      page.showMessage(`This run cannot be ${race ? 'raced' : 'shown'}: ${error}`);
      return false;
    }
    panel.hidden = true;
    document.getElementById('message').hidden = true;
    if (race) {
      ghostOff.hidden = false;
      page.showStanding('');
    }
    if (playing) page.startNextGame();
    return true;
  }
  ghostOff.addEventListener('click', () => {
    Module._kueruma_dropGhost();
    ghostOff.hidden = true;
    ghostOff.blur();
    page.showStanding('');
  });
  // A linked run is verified when its keys give what its header claims and reach every hash
  // the link names; the page says which.
  let linkVerdict = null; // for the tests: what the page said of the last link
  async function checkLink(text, named) {
    const { status, results, problems } = await verify(text, 'the linked run');
    // A run that cannot be read is refused when opened, in those words; one whose header
    // claims nothing, on a link that names no hash, makes no claim to hold.
    if (status === 2) return;
    if (named.length === 0 && /claims no finished stage/.test(problems)) return;
    const reached = results.map((result) => result.hash);
    const missed = named.filter((hash) => !reached.includes(hash));
    const last = results[results.length - 1];
    if (status === 0 && missed.length === 0) {
      linkVerdict = `The linked run is verified: its keys give stage ${last.stage}, score ` +
        `${last.score}, hash ${last.hash}, as its header claims.`;
    } else if (missed.length > 0) {
      linkVerdict = `The linked run does not reach its hash ${missed.join(', ')}` +
        (reached.length > 0 ? ` (its keys give ${reached.join(', ')})` : '') +
        ': it is not verified.';
    } else {
      linkVerdict = `The linked run is not verified: ${problems}`;
    }
    page.showMessage(linkVerdict);
  }
  async function openFile(file) {
    try {
      if (file.size > maxRunBytes) throw new RangeError();
      const bytes = await readLimited(file.stream(), maxRunBytes);
      openRun(new TextDecoder().decode(bytes), file.name);
    } catch (error) {
      page.showMessage(`${file.name} cannot be shown: ${error instanceof RangeError ? tooLarge
        : 'the browser could not read the file. Try opening it again.'}`);
    }
  }

  // --- Verifying: a run's keys played from where its header says, by kueruma-replay
  // --verify's own check (kueruma-verify.wasm, in a worker: the game never waits for it), and
  // what the header claims of each finished stage held against them. Each text is checked
  // once; the verdict is {status (0: verified), results [{stage, score, tick, hash}],
  // problems}. ---
  let verifier = null;
  const verdicts = new Map(); // text -> promise of its verdict
  const answers = new Map(); // id -> resolve
  let checks = 0;
  function stopVerifier(problem) {
    for (const resolve of answers.values()) resolve({ status: 3, results: [], problems: problem });
    answers.clear();
    verifier = null;
  }
  function startVerifier() {
    verifier = new Worker('verify_worker.js');
    verifier.addEventListener('message', ({ data }) => {
      const resolve = answers.get(data.id);
      answers.delete(data.id);
      const results = [...data.report.matchAll(
        /^stage (\d+): score (-?\d+), result screen at tick (\d+), hash ([0-9a-f]{16})$/gm)]
        .map((m) => ({ stage: Number(m[1]), score: Number(m[2]), tick: Number(m[3]), hash: m[4] }));
      resolve({ status: data.status, results, problems: data.problems.trim() });
    });
    verifier.addEventListener('error', (event) => {
      event.preventDefault();
      verifier.terminate();
      stopVerifier('this page could not start its verifier (kueruma-verify.wasm)');
    });
  }
  function verify(text, name = 'the run') {
    if (verdicts.has(text)) return verdicts.get(text);
    if (!verifier) startVerifier();
    const id = ++checks;
    const verdict = new Promise((resolve) => answers.set(id, resolve));
    verifier.postMessage({ id, text, name });
    verdicts.set(text, verdict);
    return verdict;
  }
  // The state hashes a run's header claims, in its order.
  const claimedHashes = (text) =>
    [...text.matchAll(/^# verify: .*, hash ([0-9a-f]{16})$/gm)].map((m) => m[1]);

  // --- Links: the run's text compressed (deflate), in base64url, after #run=, then the state
  // hashes its header claims (&hash=H,H...), so the link itself says what the run reaches. ---
  function base64url(bytes) {
    let text = '';
    for (const byte of bytes) text += String.fromCharCode(byte);
    return btoa(text).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
  }
  async function linkTo(text) {
    const stream = new Blob([text]).stream().pipeThrough(new CompressionStream('deflate-raw'));
    const bytes = new Uint8Array(await new Response(stream).arrayBuffer());
    const hashes = claimedHashes(text);
    const claim = hashes.length > 0 ? `&hash=${hashes.join(',')}` : '';
    return `${location.href.replace(/#.*/, '')}#run=${base64url(bytes)}${claim}`;
  }
  // A link's parts: the run's data, the hashes it names, and whether it is to be raced.
  function partsOfLink(hash) {
    const [data, ...rest] = hash.slice('#run='.length).split('&');
    const hashes = rest.find((part) => part.startsWith('hash='));
    return { data, hashes: hashes ? hashes.slice('hash='.length).split(',') : [],
      race: rest.includes('ghost') };
  }
  // Undefined when the link is damaged: not base64url, or not the whole of a compressed run.
  async function runOfLink(data) {
    if (!/^[A-Za-z0-9_-]*$/.test(data) || data.length % 4 === 1) return undefined;
    const binary = atob(data.replace(/-/g, '+').replace(/_/g, '/'));
    const bytes = Uint8Array.from(binary, (c) => c.charCodeAt(0));
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate-raw'));
    try {
      return new TextDecoder().decode(await readLimited(stream, maxRunBytes));
    } catch (error) {
      if (error instanceof RangeError) throw error;
      return undefined;
    }
  }
  async function openLink() {
    if (!location.hash.startsWith('#run=')) return;
    const link = partsOfLink(location.hash);
    try {
      const text = await runOfLink(link.data);
      if (text === undefined) throw new Error();
      if (!openRun(text, 'the linked run', true, link.race)) return;
      checkLink(text, link.hashes);
    } catch (error) {
      page.showMessage(`The linked run cannot be shown: ${error instanceof RangeError ? tooLarge
        : 'the link is damaged or cut short. Copy the whole link again.'}`);
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
    if (pendingOpen) openRun(...pendingOpen);
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
      page.showMessage('The link to this run is copied (with &ghost at its end, it races it).');
    } catch (error) {
      window.prompt('The link to this run:', link);
    }
  }
  function describe(name) {
    const m = runName.exec(name);
    return m ? `${m[1]}-${m[2]}-${m[3]} ${m[4]}:${m[5]} · stage ${m[6]} · score ${m[7]}` : name;
  }
  function button(text, action) {
    const b = document.createElement('button');
    b.textContent = text;
    b.addEventListener('click', action);
    return b;
  }
  function showList() {
    let runs = [];
    try {
      runs = keptRuns();
    } catch (error) {
      list.textContent = storageProblem(error, 'No runs can be shown');
      return;
    }
    const pins = pinnedKeys(runs);
    list.replaceChildren(...runs.reverse().map((run) => {
      const item = document.createElement('li');
      const label = document.createElement('span');
      label.textContent = describe(run.name);
      if (pins.has(run.key)) {
        const pin = document.createElement('b');
        pin.className = 'pinned';
        pin.textContent = ' · pinned best';
        label.append(pin);
      }
      const mark = document.createElement('i');
      label.append(mark);
      verify(run.text, run.name).then(({ status, problems }) => {
        mark.className = status === 0 ? 'verified' : 'unverified';
        mark.textContent = status === 0 ? ' · verified' : ' · not verified';
        mark.title = problems;
      });
      item.append(label,
        button('Watch', () => openRun(run.text, run.name)),
        button('Race', () => openRun(run.text, run.name, true, true)),
        button('Download', () => download(run)),
        button('Link', () => copyLink(run)),
        button('Delete', () => {
          try {
            storage().removeItem(run.key);
          } catch (error) {
            page.showMessage(storageProblem(error, 'This run could not be deleted'));
          }
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

  Object.assign(page, { keepRun, keptRuns, linkTo, verify, linkVerdict: () => linkVerdict });
})();
