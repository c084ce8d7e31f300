// The page around the game (kueruma.js): it shows the frames the game draws at the largest
// whole-number scale that fits, carries the window's menu and the full-screen switch, plays the
// sound cues, and says when the game has ended.
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

  // --- The picture: device pixels per game pixel is a whole number, with black bars. ---
  function fitCanvas() {
    const ratio = window.devicePixelRatio || 1;
    const box = stage.getBoundingClientRect();
    const scale = Math.max(1, Math.floor(Math.min(box.width * ratio / canvas.width,
                                                  box.height * ratio / canvas.height)));
    canvas.style.width = `${canvas.width * scale / ratio}px`;
    canvas.style.height = `${canvas.height * scale / ratio}px`;
    canvas.dataset.scale = String(scale);
  }
  new ResizeObserver(fitCanvas).observe(stage);
  window.addEventListener('resize', fitCanvas);
  fitCanvas();

  let firstFrameMs = null;
  const frame = context.createImageData(canvas.width, canvas.height);
  function showFrame(rgba) {
    frame.data.set(rgba);
    context.putImageData(frame, 0, 0);
    if (firstFrameMs === null) firstFrameMs = performance.now();
  }

  if (document.fullscreenEnabled) {
    fullscreen.addEventListener('click', () => {
      if (document.fullscreenElement) document.exitFullscreen();
      else stage.requestFullscreen().catch(() => {});
      fullscreen.blur(); // so a later Space or Enter does not switch back
    });
  } else {
    fullscreen.hidden = true;
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
  function waitForMessage(ms) {
    return new Promise((resolve) => {
      const timer = ms >= 0 ? setTimeout(done, Math.ceil(ms)) : null;
      function done() {
        clearTimeout(timer);
        wake = null;
        resolve();
      }
      wake = done;
      if (commands.length > 0) done();
    });
  }
  let ticks = 0;
  let lastTickMs = null;
  function countTick() {
    ++ticks;
    lastTickMs = performance.now();
  }

  // The window menu's only item, "シュウリョウ", is command 0.
  quit.addEventListener('click', () => sendCommand(0));

  function showEndedAndWait(text = 'The game has ended.') {
    quit.disabled = true;
    commands.length = 0;
    endedText.textContent = text;
    ended.hidden = false;
    again.focus();
    return new Promise((resolve) => {
      again.addEventListener('click', () => {
        ended.hidden = true;
        quit.disabled = false;
        again.blur();
        resolve();
      }, { once: true });
    });
  }

  // --- Sound: the cues the game names, fetched once; Web Audio starts on a first key or click. ---
  const cueBytes = new Map(); // name -> promise of the file's bytes, or of null
  const cues = new Map(); // name -> AudioBuffer, or null when the file could not be used
  let audio = null; // the AudioContext; false when there is none
  let beep = null;
  let playing = null;
  let cuesPlayed = 0;

  function refuseCue(name, error) {
    console.warn(`sound cue ${name} cannot be used (a beep stands in): ${error.message || error}`);
    return null;
  }

  // The file's bytes, or null when it is missing or larger than the game takes a cue file to be.
  function fetchCue(name, maxBytes) {
    return fetch(name).then((response) => {
      if (!response.ok) throw new Error(`HTTP ${response.status}`);
      return response.arrayBuffer();
    }).then((bytes) => {
      if (bytes.byteLength > maxBytes) throw new Error(`larger than ${maxBytes} bytes`);
      return bytes;
    }).catch((error) => refuseCue(name, error));
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
      for (const [name, bytes] of cueBytes) decodeCue(name, bytes);
    }
    if (audio && audio.state === 'suspended') audio.resume().catch(() => {});
  }
  window.addEventListener('keydown', startAudio, true);
  window.addEventListener('pointerdown', startAudio, true);

  function playCue(name) {
    if (!audio || audio.state !== 'running') return;
    if (!cues.has(name) && cueBytes.has(name)) return; // still being read or decoded
    const buffer = cues.get(name) || beep;
    if (playing) playing.stop();
    playing = audio.createBufferSource();
    playing.buffer = buffer;
    playing.connect(audio.destination);
    playing.start();
    ++cuesPlayed;
  }

  // What the tests and the measurements read.
  function status() {
    return {
      firstFrameMs,
      ticks,
      lastTickMs,
      scale: Number(canvas.dataset.scale),
      audio: audio ? audio.state : 'none',
      cuesReady: [...cues.values()].filter((buffer) => buffer).length,
      cuesPlayed,
      ended: !ended.hidden,
    };
  }

  window.Module = {
    print: (text) => console.log(text),
    printErr: (text) => console.error(text),
    onAbort: (what) => {
      showEndedAndWait(`The game stopped: ${what}`).then(() => location.reload());
    },
  };
  // Browsers will not fetch the .wasm of a page opened straight from the disk.
  if (location.protocol === 'file:') {
    showEndedAndWait('The game runs only when this folder is served over HTTP: see README.txt.')
      .then(() => location.reload());
  }

  return {
    showFrame, countTick, takeCommand, waitForMessage, showEndedAndWait, loadCue, playCue, status,
  };
})();
