// The page around the game (kueruma.js): it shows the frames the game draws as large as the
// window allows, carries the window's menu and the full-screen switch, keeps the game's clock
// (which stands still while the page is hidden), plays the sound cues, and says when the game
// has ended or cannot start. touch.js adds the touch controls, runs.js the runs.
'use strict';

const kuerumaPage = (() => {
  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d', { alpha: false });
  const stage = document.getElementById('stage');
  const ended = document.getElementById('ended');
  const endedText = document.getElementById('ended-text');
  const again = document.getElementById('again');
  const quit = document.getElementById('quit');
  const fullscreen = document.getElementById('fullscreen');
  const message = document.getElementById('message');

  // --- The picture: a whole number of device pixels per game pixel where that fills at least
  // 90% of the room (sharp squares, black bars), otherwise the room itself, nearest neighbour
  // (uneven by at most one device pixel), as a phone's screen needs. ---
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const fit = Math.min(stage.clientWidth * ratio / canvas.width,
      stage.clientHeight * ratio / canvas.height);
    const whole = Math.floor(fit);
    const scale = whole >= 1 && whole >= 0.9 * fit ? whole : fit;
    canvas.style.width = `${Math.floor(canvas.width * scale) / ratio}px`;
    canvas.style.height = `${Math.floor(canvas.height * scale) / ratio}px`;
    canvas.dataset.scale = String(scale);
  }
  new ResizeObserver(fitCanvas).observe(stage);
  window.addEventListener('resize', fitCanvas);
  fitCanvas();

  let firstFrameMs = null;
  // The canvas's first picture costs the browser most (its backing store is made then): a black
  // one now, while the game is still loading, keeps that out of the game's first paint.
  context.putImageData(context.createImageData(canvas.width, canvas.height), 0, 0);
  // The game's picture, read where the game keeps it (no copy), made again only when the
  // game's memory has grown (its old buffer is then gone).
  let frame = null;
  function showFrame(memory, at, x, y, width, height) {
    if (!frame || frame.data.buffer !== memory || frame.data.byteOffset !== at) {
      const bytes = canvas.width * canvas.height * 4;
      frame = new ImageData(new Uint8ClampedArray(memory, at, bytes), canvas.width, canvas.height);
    }
    context.putImageData(frame, 0, 0, x, y, width, height);
    if (firstFrameMs === null) firstFrameMs = performance.now();
  }
  // A canvas the browser dropped (to save memory) comes back blank: the whole picture again.
  canvas.addEventListener('contextrestored', () => frame && context.putImageData(frame, 0, 0));

  if (document.fullscreenEnabled) {
    fullscreen.addEventListener('click', () => {
      if (document.fullscreenElement) document.exitFullscreen();
      else stage.requestFullscreen().catch(() => {});
      fullscreen.blur(); // so a later Space or Enter does not switch back
    });
  } else {
    fullscreen.hidden = true;
  }

  // The line beside the picture while a stage is raced or timed; nothing while it is empty.
  const beside = document.getElementById('beside');
  const standing = document.getElementById('standing');
  const ghostOff = document.getElementById('ghost-off'); // runs.js shows it while a ghost runs
  function showStanding(line) {
    standing.textContent = line;
    beside.hidden = !line && ghostOff.hidden;
  }

  // One line about what went wrong, over the top of the picture until tapped or replaced.
  function showMessage(text) {
    message.textContent = text;
    message.hidden = false;
  }
  message.addEventListener('click', () => { message.hidden = true; });

  // --- The game's clock: the page's time less the time it spent hidden or paused. ---
  const stops = { hidden: document.hidden, paused: false };
  let stoppedSince = document.hidden ? performance.now() : null;
  let stoppedTotal = 0;
  let shownWaiters = [];
  function gameNow() {
    return (stoppedSince === null ? performance.now() : stoppedSince) - stoppedTotal;
  }
  function whenShown() {
    return new Promise((resolve) => shownWaiters.push(resolve));
  }
  function stopClock(why, stopped) {
    stops[why] = stopped;
    if (stops.hidden || stops.paused) {
      if (stoppedSince === null) stoppedSince = performance.now();
      return;
    }
    if (stoppedSince === null) return;
    stoppedTotal += performance.now() - stoppedSince;
    stoppedSince = null;
    const waiters = shownWaiters;
    shownWaiters = [];
    for (const resolve of waiters) resolve();
    if (wake) wake();
  }
  document.addEventListener('visibilitychange', () => stopClock('hidden', document.hidden));

  // --- The player's pause (P, Pause, the touch controls' button; the game's keys decide): the
  // clock stops and the sound with it, and the game shows its picture dimmed. Hiding the page or
  // leaving its window pauses too, unless the settings say otherwise. ---
  let started = false;
  let pauseOnFocusLoss = true;
  function requestPause(paused) {
    if (started) Module._kueruma_setPaused(paused ? 1 : 0);
  }
  function pagePaused(paused) {
    stopClock('paused', paused);
    if (paused && playing) playing.stop();
  }
  function pauseWhenLeft() {
    if (pauseOnFocusLoss) requestPause(true);
  }
  window.addEventListener('blur', pauseWhenLeft);
  document.addEventListener('visibilitychange', () => document.hidden && pauseWhenLeft());
  // While the page's own controls have the keys (the Settings panel), the game hears none.
  let keysOnPage = false;
  const pageHasKeys = () => keysOnPage;
  function giveKeysToPage(onPage) {
    keysOnPage = onPage;
  }

  // A pause of the game: `ms` of the game's clock, however long the page is hidden meanwhile.
  let sleptMs = 0; // the page's time spent in the game's pauses
  async function gameSleep(ms) {
    gameYields();
    const began = performance.now();
    const end = gameNow() + ms;
    for (let left = ms; left > 0; left = end - gameNow()) {
      if (stoppedSince !== null) await whenShown();
      else await new Promise((resolve) => setTimeout(resolve, Math.ceil(left)));
    }
    sleptMs += performance.now() - began;
    gameResumes();
  }

  // --- Messages for the game's loop: the menu's commands, and waking it for them. ---
  const commands = [];
  let wake = null;
  function sendCommand(id) {
    commands.push(id);
    if (wake) wake();
  }
  function takeCommand() {
    return commands.length > 0 ? commands.shift() : -1;
  }
  // Resolves after `ms` of the game's clock (never when negative, nor while the clock stands
  // still: it is woken when it goes on) or as soon as a command is queued.
  function waitForMessage(ms) {
    gameYields();
    return new Promise((resolve) => {
      const began = performance.now();
      const timer = ms >= 0 && stoppedSince === null ? setTimeout(done, Math.ceil(ms)) : null;
      function done(fromTimer) {
        clearTimeout(timer);
        wake = null;
        // What the browser took beyond the wait asked for: its timers, other tasks, GC.
        if (fromTimer !== false) spent.browser += Math.max(0, performance.now() - began - ms);
        gameResumes();
        resolve();
      }
      wake = () => done(false);
      if (commands.length > 0) done(false);
    });
  }

  // --- Timing, for the tests and the measurements. A tick is late when it comes more than one
  // period after it was due, the game's own pauses aside (the loop then lets a tick go by); for
  // each late tick, where the time since the tick before went: the paints, the game's other work
  // (its ticks and events), and the browser (waits woken late). ---
  let ticks = 0;
  let lateTicks = 0;
  // The first few late ticks: when (the page's clock), how late, and the time each part took.
  const lateTickCauses = []; // {fromMs, toMs, lateMs, paintMs, gameMs, browserMs}
  let lastTickMs = null;
  let lastTickAt = null; // on the game's clock
  let lastTickPeriod = 0;
  let lastTickSlept = 0;
  const spent = { paint: 0, game: 0, browser: 0 }; // since the last tick
  let gameRunningSince = performance.now();
  function gameYields() {
    if (gameRunningSince !== null) spent.game += performance.now() - gameRunningSince;
    gameRunningSince = null;
  }
  function gameResumes() {
    gameRunningSince = performance.now();
  }
  function countTick(periodMs) {
    const now = gameNow(); // a hidden page's time is no delay
    gameYields();
    const late = lastTickAt === null ? 0 : now - lastTickAt - (sleptMs - lastTickSlept) -
      2 * Math.max(periodMs, lastTickPeriod);
    if (late > 0) {
      ++lateTicks;
      if (lateTickCauses.length < 20) {
        lateTickCauses.push({ fromMs: lastTickMs, toMs: performance.now(), lateMs: late,
          paintMs: spent.paint, gameMs: Math.max(0, spent.game - spent.paint),
          browserMs: spent.browser });
      }
    }
    ++ticks;
    lastTickMs = performance.now();
    lastTickAt = now;
    lastTickPeriod = periodMs;
    lastTickSlept = sleptMs;
    spent.paint = spent.game = spent.browser = 0;
    gameResumes();
  }
  // The page's first paint runs the game's drawing code for the first time (the browser
  // compiles it then): it counts with the start-up, apart from the paints during play.
  let firstPaintMs = null;
  let slowestPaintMs = 0;
  let paintBeganAt = 0;
  let paintBeganSlept = 0;
  function paintBegins() {
    paintBeganAt = performance.now();
    paintBeganSlept = sleptMs;
  }
  function paintEnds() {
    const took = performance.now() - paintBeganAt - (sleptMs - paintBeganSlept);
    spent.paint += took;
    if (firstPaintMs === null) firstPaintMs = took;
    else slowestPaintMs = Math.max(slowestPaintMs, took);
  }

  // The window menu's only item, "シュウリョウ", is command 0.
  const closeGame = () => sendCommand(0);
  quit.addEventListener('click', closeGame);

  // --- The end of a game, and starting another: "Play again", or a run opened meanwhile. ---
  let restart = null;
  function showEndedAndWait(text = 'The game has ended.') {
    quit.disabled = true;
    commands.length = 0;
    endedText.textContent = text;
    ended.hidden = false;
    again.focus();
    return new Promise((resolve) => {
      restart = () => {
        restart = null;
        ended.hidden = true;
        quit.disabled = false;
        again.blur();
        resolve();
      };
      if (restartWanted) {
        restartWanted = false;
        restart();
      }
    });
  }
  again.addEventListener('click', () => restart && restart());
  // Ends the game being played (as its menu's close does) and starts the next at once.
  let restartWanted = false;
  function startNextGame() {
    if (restart) {
      restart();
    } else {
      restartWanted = true;
      closeGame();
    }
  }

  // The game cannot start: that is all the page says, with nothing to press.
  function showCannotStart(text) {
    showEndedAndWait(text);
    again.hidden = true;
    document.getElementById('runs-button').disabled = true;
  }
  function gameFileMissing(file) {
    showCannotStart(`The game file ${file} is missing or damaged, so the game cannot start. ` +
      'Reload the page once the site is whole again.');
  }
  // kueruma.js has loaded: unless it ran to its end, it was cut short or damaged.
  let gameScriptWhole = false;
  function gameScriptRan() {
    gameScriptWhole = true;
  }
  function gameScriptLoaded() {
    if (!gameScriptWhole) gameFileMissing('kueruma.js');
  }

  // --- Sound: the cues the game names, fetched once; Web Audio starts on a first key or tap. ---
  const cueBytes = new Map(); // name -> promise of the file's bytes, or of null
  const cues = new Map(); // name -> AudioBuffer, or null when the file could not be used
  let audio = null; // the AudioContext; false when there is none
  let beep = null;
  let playing = null;
  let gain = null; // the volume, between every cue and the speakers
  let volume = 1;
  let cuesPlayed = 0;

  function refuseCue(name, error) {
    console.warn(`sound cue ${name} cannot be used (a beep stands in): ${error.message || error}`);
    return null;
  }

  // The file's bytes, or null when it is missing or larger than the game takes a cue file to
  // be; a larger file is not downloaded past what its size says, or past the limit.
  async function fetchCue(name, maxBytes) {
    try {
      const controller = new AbortController();
      const response = await fetch(name, { signal: controller.signal });
      if (!response.ok) throw new Error(`HTTP ${response.status}`);
      if (Number(response.headers.get('Content-Length')) > maxBytes) {
        controller.abort();
        throw new Error(`larger than ${maxBytes} bytes`);
      }
      return (await readLimited(response.body, maxBytes)).buffer;
    } catch (error) {
      return refuseCue(name, error);
    }
  }

  function decodeCue(name, bytes) {
    bytes.then((data) => (data ? audio.decodeAudioData(data) : null))
      .catch((error) => refuseCue(name, error))
      .then((buffer) => cues.set(name, buffer));
  }

  function loadCue(name, maxBytes) {
    const bytes = fetchCue(name, maxBytes);
    cueBytes.set(name, bytes);
    if (audio) decodeCue(name, bytes);
  }

  // What a missing sound plays, as on the desktop: a short two-tone beep.
  function makeBeep() {
    const rate = 22050;
    const samples = Math.floor(rate * 0.15);
    const buffer = audio.createBuffer(1, samples, rate);
    const data = buffer.getChannelData(0);
    for (let i = 0; i < samples; ++i) {
      const hz = i < samples / 2 ? 880 : 660;
      const fade = 1 - i / samples;
      data[i] = (Math.sin(2 * Math.PI * hz * i / rate) >= 0 ? 0.21 : -0.21) * fade;
    }
    return buffer;
  }

  function startAudio() {
    if (audio === null) {
      const AudioContextClass = window.AudioContext || window.webkitAudioContext;
      try {
        audio = AudioContextClass ? new AudioContextClass() : false;
      } catch (error) {
        audio = false;
      }
      if (!audio) return;
      beep = makeBeep();
      gain = audio.createGain();
      gain.gain.value = volume;
      gain.connect(audio.destination);
      for (const [name, bytes] of cueBytes) decodeCue(name, bytes);
    }
    if (audio && audio.state === 'suspended') audio.resume().catch(() => {});
  }
  window.addEventListener('keydown', startAudio, true);
  window.addEventListener('pointerdown', startAudio, true);

  function playCue(name) {
    if (!audio || audio.state !== 'running' || stops.paused) return;
    if (!cues.has(name) && cueBytes.has(name)) return; // still being read or decoded
    const buffer = cues.get(name) || beep;
    if (playing) playing.stop();
    playing = audio.createBufferSource();
    playing.buffer = buffer;
    playing.connect(gain);
    playing.start();
    ++cuesPlayed;
  }

  // The settings' volume (0 to 100) and mute, and whether leaving the page pauses.
  function useSettings(settings) {
    volume = settings.mute ? 0 : settings.volume / 100;
    if (gain) gain.gain.value = volume;
    pauseOnFocusLoss = settings.pauseOnFocusLoss;
  }

  // What the tests and the measurements read.
  function status() {
    return {
      firstFrameMs,
      ticks,
      lateTicks,
      lateTickCauses,
      lastTickMs,
      firstPaintMs,
      slowestPaintMs,
      scale: Number(canvas.dataset.scale),
      audio: audio ? audio.state : 'none',
      cuesReady: [...cues.values()].filter((buffer) => buffer).length,
      cuesPlayed,
      ended: !ended.hidden,
      endedText: endedText.textContent,
      message: message.hidden ? '' : message.textContent,
      standing: beside.hidden ? '' : standing.textContent,
      paused: stops.paused,
      volume,
    };
  }

  window.Module = {
    print: (text) => console.log(text),
    printErr: (text) => console.error(text),
    preRun: [],
    onRuntimeInitialized: () => { started = true; },
    // Before the game has started, the only way to stop is a game file that cannot be used.
    onAbort: (what) => {
      if (!started) gameFileMissing('kueruma.wasm');
      else showEndedAndWait(`The game stopped: ${what}`).then(() => location.reload());
    },
  };
  // Browsers will not fetch the .wasm of a page opened straight from the disk.
  if (location.protocol === 'file:') {
    showCannotStart('The game runs only when this folder is served over HTTP: see README.txt.');
  }
  // Offline play and the home screen: the service worker keeps the game's files.
  if ('serviceWorker' in navigator && window.isSecureContext) {
    navigator.serviceWorker.register('sw.js').catch((error) =>
      console.warn(`the game will not be kept for offline play: ${error.message}`));
  }

  return {
    showFrame, countTick, paintBegins, paintEnds, takeCommand, waitForMessage, showEndedAndWait,
    loadCue, playCue, status,
    gameNow, gameSleep, gameFileMissing, gameScriptRan, gameScriptLoaded, startNextGame,
    showMessage, showStanding, requestPause, pagePaused, pageHasKeys, giveKeysToPage, useSettings,
  };
})();
