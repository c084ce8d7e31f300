// The browser game in Debian's Chromium, headless. The page loads without a console error; its
// canvas shows exactly the headless runner's frames for the title, the keypad and the stage
// intro, and while Right is held a frame of the runner's run holding Right; the picture is
// scaled by whole numbers without smoothing; giving up (F11 or G) and a stage played through
// reach the Result screen; every stage's recorded replay, keyed in tick by tick on a paused
// page clock from the title on, shows the runner's frames, every pixel of them, and, during the
// pauses inside a paint, the picture drawn so far; losing the focus releases held keys; a late tick fires
// once; a simulated gamepad steers the menu with the desktop's thresholds; the page plays
// without its sound files; Exit and the menu's close end the game, and it starts again; each
// stage's best kept run is pinned through 150 more; a practice run with rewinds and a slowed
// stretch is kept, verified by the page and the runner, and its link says when it is not.
// Usage: node browser_test.js SITE_DIR KUERUMA_REPLAY WORK_DIR REPLAYS_DIR
// (playwright-core on NODE_PATH; KUERUMA_WEB_ONLY=TEXT runs only the stories naming TEXT)
'use strict';

const { chromium } = require('playwright-core');
const fs = require('fs');
const http = require('http');
const path = require('path');
const zlib = require('zlib');
const { execFileSync } = require('child_process');

const W = 632;
const H = 433;
const [siteDir, replayBin, workDir, replaysDir] =
  process.argv.slice(2).map((arg) => path.resolve(arg));
// Where the Result screen shows its menu: the same for every score.
const resultMenu = { left: 260, top: 275, right: 400, bottom: 330 };

// --- Pictures ---------------------------------------------------------------------------------

// The first channel of a non-interlaced 8-bit PNG (grey, RGB or RGBA), one byte a pixel.
function readPng(file) {
  const png = fs.readFileSync(file);
  let width = 0;
  let height = 0;
  let channels = 0;
  const idat = [];
  for (let pos = 8; pos < png.length;) {
    const length = png.readUInt32BE(pos);
    const type = png.toString('ascii', pos + 4, pos + 8);
    const data = png.subarray(pos + 8, pos + 8 + length);
    if (type === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      channels = { 0: 1, 2: 3, 6: 4 }[data[9]];
      if (data[8] !== 8 || !channels || data[12] !== 0) throw new Error(`${file}: unsupported PNG`);
    } else if (type === 'IDAT') {
      idat.push(data);
    }
    pos += 12 + length;
  }
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const out = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    for (let x = 0; x < stride; ++x) {
      const i = y * stride + x;
      const a = x >= channels ? out[i - channels] : 0;
      const b = y > 0 ? out[i - stride] : 0;
      const c = x >= channels && y > 0 ? out[i - stride - channels] : 0;
      const p = a + b - c;
      const paeth = Math.abs(p - a) <= Math.abs(p - b) && Math.abs(p - a) <= Math.abs(p - c)
        ? a : Math.abs(p - b) <= Math.abs(p - c) ? b : c;
      const predictor = [0, a, b, (a + b) >> 1, paeth][filter];
      out[i] = (raw[y * (stride + 1) + 1 + x] + predictor) & 255;
    }
  }
  const grey = Buffer.alloc(width * height);
  for (let i = 0; i < grey.length; ++i) grey[i] = out[i * channels];
  return { width, height, pixels: grey };
}

function differingPixels(a, b, region = { left: 0, top: 0, right: W, bottom: H }) {
  let count = 0;
  for (let y = region.top; y < region.bottom; ++y) {
    for (let x = region.left; x < region.right; ++x) {
      if (a[y * W + x] !== b[y * W + x]) ++count;
    }
  }
  return count;
}

function savePgm(file, pixels, width = W, height = H) {
  fs.writeFileSync(file, Buffer.concat([Buffer.from(`P5\n${width} ${height}\n255\n`), pixels]));
}

// The runner's frames for a script, by tick (frame 0 is the first paint).
function runnerFrames(name, script, options = []) {
  const dir = path.join(workDir, name);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  fs.writeFileSync(path.join(dir, 'script.txt'), script);
  execFileSync(replayBin, [...options, '--png', dir, path.join(dir, 'script.txt')],
    { cwd: path.dirname(replayBin), stdio: ['ignore', 'ignore', 'inherit'] });
  const frames = new Map();
  for (const file of fs.readdirSync(dir).filter((f) => f.endsWith('.png'))) {
    frames.set(Number(file.slice(6, 12)), readPng(path.join(dir, file)).pixels);
  }
  return frames;
}

// The runner's trace of a script, one object a tick.
function runnerTrace(script) {
  const output = execFileSync(replayBin, ['--trace', '-'],
    { cwd: path.dirname(replayBin), input: script, maxBuffer: 1 << 26 });
  return output.toString().trim().split('\n').map((line) => JSON.parse(line));
}

// A replay script's keys, tick by tick, as the page's key names.
function scriptTicks(script) {
  const names = {
    L: 'ArrowLeft', U: 'ArrowUp', R: 'ArrowRight', D: 'ArrowDown', X: 'x', Z: 'z', F: 'F11',
  };
  const ticks = [];
  for (const line of script.split('\n')) {
    const fields = line.replace(/#.*/, '').trim().split(/\s+/);
    if (fields[0] === '') continue;
    const keys = fields[1] === '-' ? [] : [...fields[1]].map((letter) => names[letter]);
    for (let i = 0; i < Number(fields[0]); ++i) ticks.push(keys);
  }
  return ticks;
}

// --- The page -----------------------------------------------------------------------------------

// Files the server answers 404 for, as if they were not there, and files it answers otherwise.
const hidden = new Set();
const special = new Map(); // name -> (response) => void

function serve(dir) {
  const types = {
    '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.wav': 'audio/wav', '.txt': 'text/plain; charset=utf-8',
    '.webmanifest': 'application/manifest+json',
  };
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://page').pathname).slice(1);
    const file =
      path.join(dir, path.normalize(name.endsWith('/') || !name ? `${name}index.html` : name));
    if (special.has(name)) return special.get(name)(response);
    const there = file.startsWith(dir + path.sep) && !hidden.has(path.basename(file)) &&
      fs.existsSync(file) && !fs.statSync(file).isDirectory();
    if (!there) {
      response.writeHead(404).end();
      return;
    }
    const type = types[path.extname(file)] || 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': type });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function canvasPixels(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById('screen');
    const rgba = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < rgba.length; i += 4) text += String.fromCharCode(rgba[i]);
    return btoa(text);
  });
  return Buffer.from(base64, 'base64');
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Waits until the canvas shows one of `wanted` ({name: pixels}), within `tolerance` differing
// pixels inside `region`; returns the name of the picture it showed.
async function waitForPicture(page, wanted, { tolerance = 0, region, seconds = 10 } = {}) {
  const deadline = Date.now() + seconds * 1000;
  let best = { name: Object.keys(wanted)[0], count: Infinity };
  let shown = null;
  while (Date.now() < deadline) {
    shown = await canvasPixels(page);
    for (const [name, pixels] of Object.entries(wanted)) {
      const count = differingPixels(shown, pixels, region);
      if (count <= tolerance) return name;
      if (count < best.count) best = { name, count };
    }
    await sleep(30);
  }
  if (shown) savePgm(path.join(workDir, 'failure-canvas.pgm'), shown);
  savePgm(path.join(workDir, 'failure-expected.pgm'), wanted[best.name]);
  throw new Error(`the canvas never showed ${best.name} (closest: ${best.count} pixels differ; ` +
    `pictures kept in ${workDir})`);
}

async function waitFor(page, what, predicate, seconds = 10) {
  const deadline = Date.now() + seconds * 1000;
  while (Date.now() < deadline) {
    if (predicate(await page.evaluate(() => kuerumaPage.status()))) return;
    await sleep(50);
  }
  const status = await page.evaluate(() => kuerumaPage.status());
  throw new Error(`${what}: not seen; page status ${JSON.stringify(status)}`);
}

function assert(condition, message) {
  if (!condition) throw new Error(message);
}

// --- Every recorded replay, frame for frame ------------------------------------------------------

// The code that opens each stage on the keypad (the digits it starts with open the first).
const passCodes = ['0000', '0318', '0427', '2836', '6081', '3417', '7265', '5902', '9357'];

// A stage's recorded replay reached from the title: Admission, the stage's pass code on the
// keypad (three columns: Enter in the top row, the digits 1 to 9 below it, then Back, 0 and
// Forward), then Enter; each key is held one tick and let go for one.
function replayFromTitle(stage) {
  const keys = ['X'];
  const code = passCodes[stage];
  let cell = 0; // the blank left of Enter
  if (code === '0000') {
    keys.push('R');
  } else {
    keys.push('D');
    cell = 3;
    for (const digit of code) {
      const target = digit === '0' ? 13 : Number(digit) + 2;
      const row = (c) => Math.floor(c / 3);
      for (; row(cell) < row(target); cell += 3) keys.push('D');
      for (; row(cell) > row(target); cell -= 3) keys.push('U');
      for (; cell < target; ++cell) keys.push('R');
      for (; cell > target; --cell) keys.push('L');
      keys.push('X');
    }
    for (; cell >= 3; cell -= 3) keys.push('U'); // the step into the top row lands on Enter
  }
  keys.push('X');
  const menus = keys.map((key) => `1 ${key}\n`).join('1 -\n');
  return menus + fs.readFileSync(path.join(replaysDir, `stage-${stage}.txt`), 'utf8');
}

// The page clock stands still between steps, so every key reaches the tick the script holds it
// through, and the browser plays exactly the runner's story, pauses included: after every tick
// the canvas shows the runner's frame, not a pixel apart, unless the game waits in a pause.
async function playReplayFrameForFrame(page, start, stage) {
  const script = replayFromTitle(stage);
  const frames = runnerFrames(`stage-${stage}`, script);
  // A tick without a paint leaves the last paint's picture.
  const painted = [...frames.keys()];
  const frameAt = (tick) => frames.get(Math.max(...painted.filter((t) => t <= tick)));
  const trace = runnerTrace(script);
  const ticks = scriptTicks(script);
  await page.clock.install();
  await start();
  await page.clock.pauseAt(Date.now() + 60000);
  const status = () => page.evaluate(() => ({ ...kuerumaPage.status(), now: performance.now() }));
  // One idle title tick sets the clock's phase: the script's first tick is one title period
  // (200 ms) after it, as the runner's first tick is after the window opens.
  const idle = (await status()).ticks;
  while ((await status()).ticks === idle) await page.clock.runFor(5);
  const { ticks: base, lastTickMs: phase } = await status();
  const held = new Set();
  let midPause = 0;
  for (let k = 1; k <= ticks.length; ++k) {
    for (const key of [...held].filter((key) => !ticks[k - 1].includes(key))) {
      await page.keyboard.up(key);
      held.delete(key);
    }
    for (const key of ticks[k - 1].filter((key) => !held.has(key))) {
      await page.keyboard.down(key);
      held.add(key);
    }
    // Straight to the tick's time (late ticks come right after a pause, before the next step
    // of the grid), and never past it.
    const wait = phase + trace[k - 1].ms - (await status()).now;
    if (wait > 0) await page.clock.runFor(Math.floor(wait));
    while ((await status()).ticks < base + k) await page.clock.runFor(1);
    // Tick k and its paint are done, or the game waits in one of their pauses, showing the
    // picture drawn so far: the last paint's, or part of this one.
    const shown = await canvasPixels(page);
    const ended = differingPixels(shown, frameAt(k));
    if (ended > 0 && trace[k - 1].sleptMs === 0) {
      savePgm(path.join(workDir, 'failure-canvas.pgm'), shown);
      throw new Error(`after tick ${k} the canvas differs from the runner's frame in ` +
        `${ended} pixels`);
    }
    if (ended > 0 && differingPixels(shown, frameAt(k - 1)) > 0) ++midPause;
  }
  for (const key of held) await page.keyboard.up(key);
  assert(midPause > 0, 'no picture drawn before a pause inside a paint was shown during the pause');
  const last = frames.get(Math.max(...frames.keys()));
  await waitForPicture(page, { [`the Result screen of stage ${stage + 1}`]: last });
}

// A tap shows the runner's frame for that tick. Its key's down and up are sent together, not
// one after the other's answer: on a loaded machine that answer can take a title tick (200 ms),
// and a key held that long moves the menu twice, as it does for a player. They stay the
// browser's own key events, so the first one still lets the page's sound start.
async function tap(page, key, after) {
  await Promise.all([page.keyboard.down(key), page.keyboard.up(key)]);
  await waitForPicture(page, after);
}

// --- The stories --------------------------------------------------------------------------------

// The pictures the stories wait for, as the runner draws them.
function runnerPictures() {
  const right = runnerFrames('right', '1 D\n1 -\n1 D\n1 -\n1 RX\n1 R\n140 R\n');
  const still = runnerFrames('still', '1 D\n1 -\n1 D\n1 -\n1 X\n141 -\n');
  const keypad = runnerFrames('keypad', '1 X\n2 -\n');
  const menu = runnerFrames('menu', '1 D\n1 -\n1 D\n1 -\n1 D\n1 -\n');
  const givenUp = runnerFrames('giveup', '1 D\n1 -\n1 D\n1 -\n1 X\n8 -\n1 F\n40 -\n');
  const resultFrame = givenUp.get(Math.max(...givenUp.keys()));
  const wonRun = runnerFrames('won', '1 D\n1 -\n1 D\n1 -\n1 X\n370 R\n3 -\n');
  assert(differingPixels(wonRun.get(Math.max(...wonRun.keys())), resultFrame, resultMenu) === 0,
    'the runner\'s Result screens differ in their menu: the test\'s region is wrong');
  // Play frames at least ten ticks in where holding Right has made a clear difference.
  const moved = {};
  for (let tick = 16; tick <= 146; ++tick) {
    if (right.has(tick) && differingPixels(right.get(tick), still.get(tick)) > 100) {
      moved[`frame ${tick} of the run holding Right`] = right.get(tick);
    }
  }
  assert(Object.keys(moved).length > 0, 'the runner\'s figure does not move when Right is held');
  const standing = {};
  for (let tick = 6; tick <= 40; ++tick) {
    standing[`frame ${tick} of the run standing still`] = still.get(tick);
  }
  const title = { 'the title (frame 0)': right.get(0) };
  const cursorOne = { 'the title, cursor on Option (frame 1)': right.get(1) };
  const cursorTwo = { 'the title, cursor on NewGame (frame 3)': right.get(3) };
  const intro = { 'the stage intro (frame 5)': right.get(5) };
  const result = { 'the Result screen': resultFrame };

  return { right, still, keypad, menu, standing, title, cursorOne, cursorTwo, intro, moved, result };
}

// A story runner on `browser` and the page at `url`: every story starts the page afresh, waits
// for `title`, and ends with no console error.
function storyRunner(browser, url, title) {
  return async function story(name, body, { expectedErrors, screen = {} } = {}) {
    if (process.env.KUERUMA_WEB_ONLY && !name.includes(process.env.KUERUMA_WEB_ONLY)) return;
    const context = await browser.newContext({ viewport: { width: 1300, height: 950 }, ...screen });
    const page = await context.newPage();
    const errors = [];
    page.on('console', (message) => {
      if (message.type() === 'error' && !(expectedErrors && expectedErrors.test(message.text()))) {
        errors.push(message.text());
      }
    });
    page.on('pageerror', (error) => {
      if (!(expectedErrors && expectedErrors.test(String(error)))) errors.push(String(error));
    });
    try {
      await body(page, async () => {
        await page.goto(url);
        await waitForPicture(page, title);
      });
      assert(errors.length === 0, `console errors: ${errors.join(' | ')}`);
      console.log(`web: ok: ${name}`);
    } catch (error) {
      await page.screenshot({ path: path.join(workDir, 'failure-page.png') }).catch(() => {});
      throw new Error(`${name}: ${error.message}`);
    } finally {
      await context.close();
    }
  };
}

// The picture on the page: its scale and the keypad.
async function screenStories({ story, right, keypad }) {
  await story('the page loads, shows the title and scales it crisply', async (page, start) => {
    await start();
    const status = await page.evaluate(() => kuerumaPage.status());
    assert(status.scale === 2, `scale ${status.scale} in a 1300x950 page, not 2`);
    const box = await page.locator('#screen').boundingBox();
    assert(box.width === 2 * W && box.height === 2 * H,
      `canvas shown at ${box.width}x${box.height}`);
    const shot = path.join(workDir, 'scaled.png');
    await page.locator('#screen').screenshot({ path: shot });
    const shown = readPng(shot);
    const frame = right.get(0);
    let blurred = 0;
    for (let y = 0; y < shown.height; ++y) {
      for (let x = 0; x < shown.width; ++x) {
        if (shown.pixels[y * shown.width + x] !== frame[(y >> 1) * W + (x >> 1)]) ++blurred;
      }
    }
    assert(blurred === 0, `${blurred} screen pixels are not their game pixel doubled`);
    await page.setViewportSize({ width: 700, height: 500 });
    await waitFor(page, 'scale 1 in a 700x500 page', (s) => s.scale === 1);
  });

  await story('on a screen of two device pixels to a page pixel, the scale counts device pixels',
    async (page, start) => {
      await start();
      const box = await page.locator('#screen').boundingBox();
      const { scale } = await page.evaluate(() => kuerumaPage.status());
      assert(scale === 2 && box.width === W && box.height === H,
        `scale ${scale}, shown at ${box.width}x${box.height} page pixels`);
    }, { screen: { viewport: { width: 700, height: 500 }, deviceScaleFactor: 2 } });

  await story('X on Admission opens the keypad', async (page, start) => {
    await start();
    await tap(page, 'x', { 'the keypad (frame 1 of "1 X")': keypad.get(1) });
  });
}

// The keyboard through the menu into play, to the Result screen, and every stage's replay.
async function playStories({
  story, right, standing, cursorOne, cursorTwo, intro, moved, result,
}) {
  await story('the menu keys start stage 1 and Right moves the figure; F11 gives up',
    async (page, start) => {
      await start();
      await tap(page, 'ArrowDown', cursorOne);
      await waitFor(page, 'the menu cue played with the four cues loaded',
        (s) => s.audio === 'running' && s.cuesPlayed >= 1 && s.cuesReady === 4);
      await tap(page, 'ArrowDown', cursorTwo);
      // Right is held from here on: the title ignores it, and every Play tick sees it.
      await page.keyboard.down('ArrowRight');
      await tap(page, 'x', intro);
      const seen = await waitForPicture(page, moved, { seconds: 15 });
      await page.keyboard.up('ArrowRight');
      console.log(`web: during play the canvas showed ${seen}`);
      await page.keyboard.press('F11');
      await waitForPicture(page, result, { region: resultMenu, seconds: 5 });
    });

  await story('G gives up too', async (page, start) => {
    await start();
    await tap(page, 'ArrowDown', cursorOne);
    await tap(page, 'ArrowDown', cursorTwo);
    await tap(page, 'x', intro);
    await waitForPicture(page, standing);
    await page.keyboard.press('g');
    await waitForPicture(page, result, { seconds: 5 });
  });

  await story('a stage played from the title to the Result screen is kept, and its download ' +
    'replays in the runner to the same score and Result screen', async (page, start) => {
    await start();
    await newGameRunningRight(page, { cursorOne, cursorTwo, intro });
    await waitForPicture(page, result, { region: resultMenu, seconds: 90 });
    await page.keyboard.up('ArrowRight');
    await checkKeptRun(page);
  });

  await story('keys held when the page loses the focus are released', async (page, start) => {
    await page.addInitScript(keepGoingWhenLeft);
    await start();
    await page.keyboard.down('ArrowDown'); // held, the cursor moves every tick down to Exit
    await waitForPicture(page, { ...cursorOne, ...cursorTwo });
    await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
    const atBlur = await canvasPixels(page);
    await sleep(700);
    assert(differingPixels(atBlur, await canvasPixels(page)) === 0,
      'the cursor went on moving after the page lost the focus');
    await page.keyboard.up('ArrowDown');
  });

  await story('a late tick fires once: the ticks it missed are dropped', async (page, start) => {
    await page.clock.install();
    await start();
    await page.clock.pauseAt(Date.now() + 60000);
    await page.keyboard.down('ArrowDown'); // held, each tick moves the cursor once more
    await page.clock.fastForward(1000); // five periods late, as after a stalled machine
    await waitForPicture(page, cursorOne);
    await sleep(500);
    assert(differingPixels(await canvasPixels(page), right.get(1)) === 0,
      'the missed ticks were delivered after the late one');
    await page.keyboard.up('ArrowDown');
    // The page counts it, and lays its delay at the browser's door: the game's wait ended late.
    // (The clock's jump to its pause may have made one late tick before.)
    const { lateTicks, lateTickCauses } = await page.evaluate(() => kuerumaPage.status());
    const cause = lateTickCauses[lateTicks - 1];
    assert(cause && cause.lateMs > 500 && cause.browserMs > 500 && cause.paintMs < 100,
      `late ticks ${lateTicks}, the last one's causes ${JSON.stringify(cause)}`);
  });

  for (let stage = 0; stage < passCodes.length; ++stage) {
    await story(`stage ${stage + 1}'s replay from the title, frame for frame, to the Result screen`,
      (page, start) => playReplayFrameForFrame(page, start, stage));
  }
}

// A gamepad on the title menu.
async function gamepadStory({ story, right, menu, title }) {
  // A held stick or D-pad moves the cursor every tick until it stops at either end, so the
  // story waits for the ends and does not depend on how fast the page is polled.
  await story('a gamepad steers the menu with the desktop\'s thresholds', async (page, start) => {
    await page.addInitScript(() => {
      const pads = [null, null, null, null];
      navigator.getGamepads = () => pads;
      // The browser shows the pad in its second place: it still fills the first slot.
      window.setPad = (axes, pressed) => {
        pads[1] = {
          id: 'simulated pad', index: 1, connected: true, mapping: 'standard', timestamp: 0,
          axes: axes.concat([0, 0]),
          buttons: Array.from({ length: 17 },
            (_, i) => ({ pressed: pressed.includes(i), value: +pressed.includes(i) })),
        };
      };
    });
    await start();
    const pad = (axes, pressed = []) =>
      page.evaluate(([a, p]) => window.setPad(a, p), [axes, pressed]);
    const exit = { 'the title, cursor on Exit': menu.get(5) };
    await pad([0, 0.49]); // short of the 0xC000 edge: centred
    await sleep(700);
    assert(differingPixels(await canvasPixels(page), right.get(0)) === 0,
      'a stick pushed less than half way moved the cursor');
    await pad([0, 0.5]);
    await waitForPicture(page, exit);
    await pad([0, -0.5]); // 0x4000 is centred too
    await sleep(700);
    assert(differingPixels(await canvasPixels(page), menu.get(5)) === 0,
      'a stick pushed half way up moved the cursor');
    await pad([0, 0], [12]); // the D-pad's up
    await waitForPicture(page, title);
    await pad([0, 0], [13]); // and down
    await waitForPicture(page, exit);
    await pad([0, -1], [13]); // a pushed stick wins over the D-pad
    await waitForPicture(page, title);
    await pad([0, 0], [13]);
    await waitForPicture(page, exit);
    await pad([0, 0], [1]); // button 2 is "cancel", which the title ignores
    await sleep(700);
    assert(!(await page.evaluate(() => kuerumaPage.status())).ended, 'button 2 confirmed Exit');
    await pad([0, 0], [0]); // button 1 confirms
    await waitFor(page, 'the ended notice after Exit chosen with the gamepad', (s) => s.ended);
  });
}

// The page without its sound files, and the game ended and started again.
async function endingStories({ story, menu, title, cursorOne, cursorTwo }) {
  await story('without its sound files the page plays, and a beep stands in for a cue',
    async (page, start) => {
      for (let i = 1; i <= 4; ++i) hidden.add(`WavF_0${i}.wav`);
      await start();
      await tap(page, 'ArrowDown', cursorOne);
      await waitFor(page, 'the beep played for the menu cue',
        (s) => s.audio === 'running' && s.cuesPlayed >= 1 && s.cuesReady === 0);
      await tap(page, 'ArrowDown', cursorTwo);
      hidden.clear();
    }, { expectedErrors: /status of 404/ });

  await story('Exit and the menu\'s close end the game, and it starts again',
    async (page, start) => {
    await start();
    await tap(page, 'ArrowDown', { 'cursor on Option': menu.get(1) });
    await tap(page, 'ArrowDown', { 'cursor on NewGame': menu.get(3) });
    await tap(page, 'ArrowDown', { 'cursor on Exit': menu.get(5) });
    await page.keyboard.press('x');
    await waitFor(page, 'the ended notice after Exit', (s) => s.ended);
    await page.click('#again');
    await waitForPicture(page, title);
    await page.click('#quit');
    await waitFor(page, 'the ended notice after シュウリョウ', (s) => s.ended);
    await page.click('#again');
    await waitForPicture(page, title);
    await tap(page, 'ArrowDown', cursorOne);
  });
}

async function main() {
  fs.mkdirSync(workDir, { recursive: true });
  const pictures = runnerPictures();
  const server = await serve(siteDir);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const browser = await chromium.launch({
    executablePath: '/usr/bin/chromium', // Debian's
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const story = storyRunner(browser, url, pictures.title);
  const shared = { story, url, ...pictures };
  for (const stories of [screenStories, playStories, gamepadStory, endingStories, phoneStories,
    runStories, hardEdgeStories, touchAndKeyStories, settingsStories, storageStories, pinStories,
    deployStories]) {
    await stories(shared);
  }

  await browser.close();
  server.close();
  console.log('web: passed');
}

// --- Phones, runs in the page, offline, and the page's hard edges ------------------------------

const phone = (width, height) =>
  ({ screen: { viewport: { width, height }, deviceScaleFactor: 3, hasTouch: true,
    isMobile: true } });
const control = (keys) => `[data-keys="${keys}"]`;

// Fingers on the touch screen, several at once (Chromium's touch emulation).
async function touchScreen(page) {
  const cdp = await page.context().newCDPSession(page);
  const down = new Map(); // finger -> point
  // Starts and moves list every finger on the screen; a lift lists the fingers lifted.
  const send = (type, fingers = [...down.keys()]) => cdp.send('Input.dispatchTouchEvent',
    { type, touchPoints: fingers.map((id) => ({ id, ...down.get(id) })) });
  async function at(id, selector) {
    const box = await page.locator(selector).boundingBox();
    down.set(id, { x: box.x + box.width / 2, y: box.y + box.height / 2 });
  }
  const touch = {
    put: async (id, selector) => { await at(id, selector); await send('touchStart'); },
    slide: async (id, selector) => { await at(id, selector); await send('touchMove'); },
    lift: async (id) => { await send('touchEnd', [id]); down.delete(id); },
    // The start and the lift sent together, not one after the other's answer: on a loaded
    // machine that answer can take a title tick, and a finger held that long moves the menu twice.
    tap: async (id, selector) => {
      await at(id, selector);
      await Promise.all([send('touchStart'), send('touchEnd', [id])]);
      down.delete(id);
    },
  };
  return touch;
}

async function phoneStories({ story, title, cursorOne, cursorTwo, intro, moved, result }) {
  for (const [width, height] of [[390, 844], [844, 390]]) {
    await story(`a ${width}x${height} touch-only page plays a stage to its Result screen ` +
      'by touch, two fingers at once', async (page, start) => {
      await start();
      const touch = await touchScreen(page);
      await touch.tap(1, control('ArrowDown'));
      await waitForPicture(page, cursorOne);
      await touch.tap(1, control('ArrowDown'));
      await waitForPicture(page, cursorTwo);
      await touch.put(1, control('')); // the pad's centre holds nothing...
      await touch.slide(1, control('ArrowRight')); // ...until the finger slides onto Right
      await touch.tap(2, control('x')); // a second finger confirms while Right is held
      await waitForPicture(page, intro);
      // Right stays held after the second finger lifts: the figure runs.
      await waitForPicture(page, moved, { seconds: 15 });
      if (width > height) await touch.tap(2, control('F11')); // in landscape it gives up
      await waitForPicture(page, result, { region: resultMenu, seconds: 90 });
      await touch.lift(1);
    }, phone(width, height));
  }

  await story('the picture fills a phone\'s width in portrait, its height in landscape beside ' +
    'the controls, and half of a tiny window', async (page, start) => {
    await start();
    const boxes = async () => {
      await sleep(300); // a resize's layout
      return page.evaluate(() => ({
        keyHelp: getComputedStyle(document.getElementById('keys')).visibility,
        ...Object.fromEntries(['screen', 'stage', 'pad-left', 'pad-right'].map((id) =>
          [id, document.getElementById(id).getBoundingClientRect().toJSON()])),
      }));
    };
    let box = await boxes();
    assert(box.screen.width === 390 && box.keyHelp === 'hidden',
      `portrait: ${JSON.stringify(box)}`);
    assert(box['pad-left'].top >= box.screen.bottom && box['pad-right'].top >= box.screen.bottom,
      'portrait: the controls are not below the picture');
    await page.setViewportSize({ width: 844, height: 390 });
    box = await boxes();
    assert(Math.abs(box.screen.height - box.stage.height) < 1 &&
      box['pad-left'].right <= box.screen.left && box['pad-right'].left >= box.screen.right,
      `landscape: ${JSON.stringify(box)}`);
    await page.setViewportSize({ width: 100, height: 100 });
    box = await boxes();
    assert(box.stage.height >= 50 && box.screen.height > 0, `100x100: ${JSON.stringify(box)}`);
    await waitForPicture(page, title);
  }, phone(390, 844));
}

function lastFrame(frames) {
  return frames.get(Math.max(...frames.keys()));
}

// The Result screen shows: the stage's run is kept, and downloaded it replays in the runner.
async function checkKeptRun(page) {
  const shown = await canvasPixels(page);
  await page.click('#runs-button');
  const [download] = await Promise.all([page.waitForEvent('download'),
    page.click('#run-list li:first-child >> text=Download')]);
  const file = path.join(workDir, download.suggestedFilename());
  await download.saveAs(file);
  const text = fs.readFileSync(file, 'utf8');
  const command = /^# replay: kueruma-replay (.*) \S+$/m.exec(text);
  assert(command, `no replay command in the kept run:\n${text.slice(0, 300)}`);
  const options = command[1].split(' ');
  const trace = execFileSync(replayBin, [...options, '--trace', file],
    { cwd: path.dirname(replayBin) }).toString().trim().split('\n');
  const score = JSON.parse(trace[trace.length - 1]).score;
  assert(download.suggestedFilename().includes(`-score-${score}.txt`),
    `the runner scores ${score}, the page kept ${download.suggestedFilename()}`);
  const replayed = lastFrame(runnerFrames('kept-run', text, options));
  assert(differingPixels(shown, replayed) === 0,
    'the runner\'s Result screen differs from the page\'s');
}

async function runStories({ story, url, title, cursorOne, cursorTwo, intro, result }) {
  const stageSeven = fs.readFileSync(path.join(replaysDir, 'stage-7.txt'), 'utf8');
  const desktopRun = '# kueruma: stage 8, recorded on the desktop\n' +
    '# replay: kueruma-replay --stage 8 run.txt\n' +
    fs.readFileSync(path.join(replaysDir, 'stage-8.txt'), 'utf8');
  await story('a desktop-style script opened by file, and by link, plays to the runner\'s Result ' +
    'picture, then the player has the keys', async (page, start) => {
    const seven = lastFrame(runnerFrames('open-7', stageSeven, ['--stage', '7']));
    const eight = lastFrame(runnerFrames('open-8', desktopRun, ['--stage', '8']));
    await start();
    await page.setInputFiles('#run-file',
      { name: 'stage-7.txt', mimeType: 'text/plain', buffer: Buffer.from(stageSeven) });
    const slowly = { seconds: 60 };
    await waitForPicture(page, { 'stage 7\'s Result': seven }, slowly);
    await page.goto('about:blank');
    await page.goto(`${url}#run=${zlib.deflateRawSync(desktopRun).toString('base64url')}`);
    await waitForPicture(page, { 'stage 8\'s Result': eight }, slowly);
    await sleep(1500); // the script's last ticks
    await page.keyboard.press('ArrowDown');
    await sleep(500);
    assert(differingPixels(await canvasPixels(page), eight) > 0,
      'the Result menu did not answer the player');
  });

  await story('practice: a stage with 20 rewinds and a slowed stretch is kept with its practice ' +
    'line and verifies in the page and the runner; its link says verified, and not once its ' +
    'hash or score is edited', async (page) => {
    await page.goto(`${url}?practice`);
    await waitForPicture(page, title);
    const button = () => page.textContent('#practice');
    assert(await page.getAttribute('#rewind', 'hidden') === null, 'no touch rewind in practice');
    await newGameRunningRight(page, { cursorOne, cursorTwo, intro });
    await sleep(5000);
    await page.keyboard.down('Backspace');
    await sleep(2500);
    await page.keyboard.up('Backspace');
    await page.keyboard.press('[');
    assert(await button() === 'Practice 50%', `after [: ${await button()}`);
    await sleep(2000);
    await page.keyboard.press('.'); // held, one tick at a time
    await page.keyboard.press('.');
    await page.keyboard.press(']');
    assert(await button() === 'Practice 100%', `after ]: ${await button()}`);
    await waitForPicture(page, result, { region: resultMenu, seconds: 120 });
    await page.keyboard.up('ArrowRight');
    const [run] = await page.evaluate(() => kuerumaPage.keptRuns());
    const rewound = /^# practice: .*\((\d+) ticks rewound\)$/m.exec(run.text);
    assert(rewound && Number(rewound[1]) >= 20, `kept without 20 rewinds:\n${run.text.slice(0, 400)}`);
    const file = path.join(workDir, 'practised.txt');
    fs.writeFileSync(file, run.text);
    const runner = execFileSync(replayBin, ['--verify', file], { cwd: path.dirname(replayBin) });
    assert(/: verified$/m.test(runner), `the runner says: ${runner}`);
    const verdict = await page.evaluate((text) => kuerumaPage.verify(text), run.text);
    assert(verdict.status === 0 && runner.includes(verdict.results[0].hash),
      `the page's verdict ${JSON.stringify(verdict)}, the runner's ${runner}`);
    // The panel marks it pinned and verified, on a desktop and on a phone.
    await page.click('#runs-button');
    await page.waitForSelector('#run-list li:first-child .verified');
    assert((await page.textContent('#run-list li:first-child')).includes('pinned'), 'not pinned');
    await page.screenshot({ path: path.join(workDir, 'runs-desktop.png') });
    await page.setViewportSize({ width: 390, height: 844 });
    await page.screenshot({ path: path.join(workDir, 'runs-phone.png') });
    // Its link names the hash and is verified; an edited hash or score is not.
    const link = await page.evaluate((text) => kuerumaPage.linkTo(text), run.text);
    assert(link.endsWith(`&hash=${verdict.results[0].hash}`), `the link ends ${link.slice(-40)}`);
    const said = (what) => waitFor(page, what, (s) => s.message.includes(what), 20);
    await page.goto(link);
    await said('The linked run is verified');
    const other = verdict.results[0].hash.replace(/^./, (c) => (c === '0' ? '1' : '0'));
    await page.goto('about:blank');
    await page.goto(link.replace(/&hash=.*/, `&hash=${other}`));
    await said(`does not reach its hash ${other}`);
    const higher = run.text.replace(/, score (-?\d+),/, (m, score) => `, score ${Number(score) + 1},`);
    await page.goto('about:blank');
    await page.goto(`${url}#run=${zlib.deflateRawSync(higher).toString('base64url')}`);
    await said('The linked run is not verified');
    // Raced from the Runs panel, the kept run is the ghost of a new game at its stage.
    await page.click('#message');
    await page.click('#runs-button');
    await page.click('#run-list li:first-child >> text=Race');
    await waitFor(page, 'the kept run raced', (s) => /^[+-]\d+$/.test(s.standing), 30);
  });

  await story('a link with &ghost races its stage: its figure is drawn faintly, the score ' +
    'against it and the timer beside the picture; "no ghost" lets it go', async (page) => {
    const ghostPixels = async () => (await canvasPixels(page)).filter((v) => v === 88).length;
    const link = `${url}#run=${zlib.deflateRawSync(desktopRun).toString('base64url')}`;
    // A link may name hashes too: they are checked as a watched link's are.
    await page.goto(`${link}&hash=0123456789abcdef&ghost`);
    // The player stands still at stage 8's start while the ghost runs off and scores.
    await waitFor(page, 'the ghost ahead', (s) => /^-[1-9]\d*$/.test(s.standing), 30);
    await waitFor(page, 'the hash checked', (s) => s.message.includes('reach its hash 0123'), 20);
    assert(await ghostPixels() > 0, 'no ghost in the picture');
    await page.click('#message'); // the link's verdict, over the panel's buttons
    await page.click('#settings-button');
    await page.check('#timer');
    await page.click('#settings-close');
    await waitFor(page, 'the timer', (s) => /^-\d+  tick \d+  \d+\.\d\d s$/.test(s.standing));
    await page.click('#ghost-off');
    await waitFor(page, 'the timer alone', (s) => /^tick \d+/.test(s.standing));
    assert(await ghostPixels() === 0, 'the ghost is still drawn');
    await page.goto('about:blank');
    await page.goto(`${url}#run=${zlib.deflateRawSync('1 R\n').toString('base64url')}&ghost`);
    await waitFor(page, 'a run of no one stage refused',
      (s) => s.message.includes('cannot be raced: the linked run: not a run of one stage'));
  });

  await story('a bad or oversized run gets one message, and nothing runs', async (page, start) => {
    await start();
    await page.setInputFiles('#run-file',
      { name: 'bad.txt', mimeType: 'text/plain', buffer: Buffer.from('3 R\n2 Q\n') });
    await waitFor(page, 'the bad line named', (s) => s.message.includes('bad.txt:2: unknown key'));
    await page.setInputFiles('#run-file',
      { name: 'nul.txt', mimeType: 'text/plain', buffer: Buffer.from('3 R\n\0\n2 Q\n') });
    await waitFor(page, 'the NUL byte named', (s) => s.message.includes('nul.txt:2: line contains'));
    const huge = zlib.deflateRawSync(Buffer.alloc(17 << 20, '1 -\n')).toString('base64url');
    await page.goto(`${url}#run=${huge}`);
    await waitFor(page, 'the oversized link refused', (s) => s.message.includes('larger than'));
    await page.goto(`${url}#run=${zlib.deflateRawSync('# replay: kueruma-replay --stage 9 x\n1 R\n')
      .toString('base64url')}`);
    await waitFor(page, 'a stage out of range refused', (s) => s.message.includes(':1: --stage'));
    // The header's command is read as the runner reads its command line: --stage=N is --stage
    // N, and a second command is a mistake, not the one that wins.
    const link = (text) => `${url}#run=${zlib.deflateRawSync(text).toString('base64url')}`;
    await page.click('#message'); // the last case's message is gone
    await page.goto(link('# replay: kueruma-replay --stage=9 x\n1 R\n'));
    await waitFor(page, '--stage=9 refused', (s) => s.message.includes(':1: --stage takes'));
    await page.click('#message'); // the last case's message is gone
    await page.goto(
      link('# replay: kueruma-replay --stage 1 x\n# replay: kueruma-replay x\n1 R\n'));
    await waitFor(page, 'two headers refused', (s) => s.message.includes(':2: a second replay'));
    // A link cut short, or not base64 at all, is damaged, in those words; sizes are in MB.
    const cut = zlib.deflateRawSync(stageSeven).toString('base64url');
    for (const hash of ['A', cut.slice(0, cut.length >> 1)]) {
      await page.click('#message'); // the last case's message is gone
      await page.goto(`${url}#run=${hash}`);
      await waitFor(page, `#run=${hash.slice(0, 10)}... called damaged, in plain words`,
        (s) => s.message.includes('damaged or cut short') &&
          !/atob|Window|ompressed/.test(s.message));
    }
    await page.click('#message'); // the last case's message is gone
    await page.goto(`${url}#run=${huge}`);
    await waitFor(page, 'the size in MB',
      (s) => s.message.includes('(16 MB)') && !/bytes/.test(s.message));
    await tap(page, 'ArrowDown', cursorOne); // the title is still there, and the player's
  });

  await story('a reload with the server stopped still starts the game', async (page) => {
    const own = await serve(siteDir);
    await page.goto(`http://127.0.0.1:${own.address().port}/`);
    await waitForPicture(page, title);
    // The offline worker has kept the files and serves the page.
    await page.waitForFunction(() => navigator.serviceWorker.controller, null, { timeout: 10000 });
    own.close();
    own.closeAllConnections();
    await page.reload();
    await waitForPicture(page, title);
  });
}

async function hardEdgeStories({ story, url, cursorOne, cursorTwo, intro, moved }) {
  await story('without its game file the page says so, and offers nothing else', async (page) => {
    hidden.add('kueruma.wasm');
    await page.goto(url);
    await waitFor(page, 'the notice',
      (s) => s.ended && s.endedText.includes('kueruma.wasm is missing'));
    assert(await page.locator('#again').isHidden(), '"Play again" is offered');
    hidden.clear();
  }, { expectedErrors: /404|wasm|Aborted|falling back/ });

  await story('a sound cue larger than the game takes is not downloaded', async (page, start) => {
    const huge = 50 << 20;
    const sent = []; // bytes sent for every request (the page's, and the offline worker's)
    // One says its size, the other does not: both are cut off short of it.
    const answers = [['WavF_01.wav', { 'Content-Length': huge }], ['WavF_02.wav', {}]];
    for (const [name, length] of answers) {
      special.set(name, (response) => {
        response.writeHead(200, { 'Content-Type': 'audio/wav', ...length });
        const chunk = Buffer.alloc(1 << 16);
        const request = { name, bytes: 0 };
        sent.push(request);
        const more = () => {
          while (request.bytes < huge && !response.destroyed) {
            request.bytes += chunk.length;
            if (!response.write(chunk)) return response.once('drain', more);
          }
          response.end();
        };
        response.on('close', () => response.destroy());
        more();
      });
    }
    await start();
    await sleep(2000);
    special.clear();
    // The page stops reading at 4 MB; what the browser's network buffers took in before its
    // cancel arrives grows with the machine's load, so the bound is half of the file.
    assert(sent.length >= 2 && sent.every((request) => request.bytes < huge / 2),
      `sent: ${JSON.stringify(sent)}`);
  }, { expectedErrors: /WavF/ });

  await story('a hidden page stops the game\'s clock, and it resumes where it was',
    async (page, start) => {
    await page.addInitScript(keepGoingWhenLeft);
    await page.addInitScript(() => {
      let hidden = false;
      Object.defineProperty(document, 'hidden', { get: () => hidden });
      Object.defineProperty(document, 'visibilityState',
        { get: () => (hidden ? 'hidden' : 'visible') });
      window.setHidden = (value) => {
        hidden = value;
        document.dispatchEvent(new Event('visibilitychange'));
      };
    });
    await start();
    await newGameRunningRight(page, { cursorOne, cursorTwo, intro });
    await waitForPicture(page, moved, { seconds: 15 });
    const ticks = () => page.evaluate(() => kuerumaPage.status().ticks);
    await page.evaluate(() => window.setHidden(true));
    await sleep(100); // a tick already due when the page was hidden
    const hiddenAt = await ticks();
    await sleep(1500);
    assert(await ticks() === hiddenAt, `${(await ticks()) - hiddenAt} ticks while hidden`);
    await page.evaluate(() => window.setHidden(false));
    await sleep(200);
    const after = (await ticks()) - hiddenAt;
    assert(after >= 1 && after <= 6, `${after} ticks in the 200 ms after the page was shown`);
    await page.keyboard.up('ArrowRight');
  });
}

// --- Settings and the pause ---------------------------------------------------------------------

// Stories about what the page does when left that are not about the pause keep the game going.
function keepGoingWhenLeft() {
  localStorage.setItem('kueruma-settings', 'pause_on_focus_loss = false\n');
}

const storedSettings = (page) => page.evaluate(() => localStorage.getItem('kueruma-settings'));
const boundKeys = (page, action) =>
  page.textContent(`#key-list li[data-action="${action}"] .keys`);

async function settingsStories({ story, title, cursorOne, cursorTwo, intro, moved, result }) {
  await story('a key changed in the Settings panel is kept over a reload and drives the game; ' +
    'a key another action has is swapped', async (page, start) => {
    await start();
    await page.click('#settings-button');
    await page.screenshot({ path: path.join(workDir, 'settings-desktop.png') });
    await page.click('#key-list li[data-action="jump"] button');
    await page.keyboard.press('Space');
    await page.click('#key-list li[data-action="kick"] button');
    await page.keyboard.press('Escape'); // cancelled: kick keeps Z
    assert(await boundKeys(page, 'kick') === 'Z', `kick: ${await boundKeys(page, 'kick')}`);
    await page.click('#key-list li[data-action="pause"] button');
    await page.keyboard.press('Space'); // jump's: jump takes P and Pause
    assert(await boundKeys(page, 'jump') === 'P, Pause', `jump: ${await boundKeys(page, 'jump')}`);
    await page.click('#key-list li[data-action="jump"] button');
    await page.keyboard.press('Space'); // back again: pause gets P and Pause
    await page.reload();
    await waitForPicture(page, title);
    assert(/^jump = \[ 'Space' \]$/m.test(await storedSettings(page)),
      `kept: ${await storedSettings(page)}`);
    assert(await boundKeys(page, 'jump') === 'Space', 'the panel does not show Space for jump');
    await tap(page, 'ArrowDown', cursorOne);
    await tap(page, 'ArrowDown', cursorTwo);
    await page.keyboard.press('x'); // no longer jump's
    await sleep(500);
    assert(differingPixels(await canvasPixels(page), cursorTwo[Object.keys(cursorTwo)[0]]) === 0,
      'X still confirms');
    await tap(page, 'Space', intro);
    await page.click('#settings-button');
    await page.click('#settings-reset');
    assert(await boundKeys(page, 'jump') === 'X', 'reset does not give jump X again');
    // The keys the panel names as the desktop's settings do: by value, or by place where only
    // that tells them apart.
    const named = await page.evaluate((events) => events.map(([key, code]) => {
      const at = [key, code].map((text) => Module.allocateUTF8(text));
      const name = Module.UTF8ToString(Module._kueruma_keyName(...at));
      at.forEach((pointer) => Module._free(pointer));
      return name;
    }), [['a', 'KeyQ'], [',', 'Comma'], ['Shift', 'ShiftRight'], ['5', 'Numpad5'],
      ['Enter', 'NumpadEnter'], ['Enter', 'Enter'], [' ', 'Space'], ['ArrowUp', 'Numpad8'],
      ['Dead', 'BracketLeft']]);
    assert(named.join(' ') === 'A Comma RightShift Keypad5 KeypadEnter Return Space Keypad8 ',
      `named: ${named.join(' ')}`);
  });

  await story('a bad kept settings text warns once naming its line, the rest is used, and it is ' +
    'kept aside before the panel writes', async (page, start) => {
    const bad = 'volume = 40\nmute = "yes"\n[keys]\njump = "Space"\n';
    await page.addInitScript((text) => {
      if (!sessionStorage.getItem('seeded')) localStorage.setItem('kueruma-settings', text);
      sessionStorage.setItem('seeded', '1');
    }, bad);
    await start();
    const { message, volume } = await page.evaluate(() => kuerumaPage.status());
    assert(message.startsWith('settings.toml (kept in this browser):2: mute is a string') &&
      !message.includes('more'), `message: ${message}`);
    assert(volume === 0.4, `volume ${volume}, not the text's 40`);
    await tap(page, 'ArrowDown', cursorOne);
    await page.click('#message');
    await page.click('#settings-button');
    await page.click('#mute');
    assert(await page.evaluate(() => localStorage.getItem('kueruma-settings.bad')) === bad,
      'the unreadable text was not kept aside');
    assert(/^mute = true$/m.test(await storedSettings(page)) &&
      /^volume = 40$/m.test(await storedSettings(page)), `kept: ${await storedSettings(page)}`);
    await page.reload();
    await waitForPicture(page, title);
    assert((await page.evaluate(() => kuerumaPage.status())).message === '',
      'the text the panel wrote warns');
  });

  await story('P pauses: no tick passes, the picture is dimmed under PAUSE, and P goes on; ' +
    'leaving the page pauses too', async (page, start) => {
    await start();
    await newGameRunningRight(page, { cursorOne, cursorTwo, intro });
    await waitForPicture(page, moved, { seconds: 15 });
    const status = () => page.evaluate(() => kuerumaPage.status());
    await page.keyboard.press('p');
    const pausedAt = await status();
    const dimmed = await canvasPixels(page);
    await sleep(1500);
    assert(pausedAt.paused && (await status()).ticks === pausedAt.ticks,
      `${(await status()).ticks - pausedAt.ticks} ticks while paused`);
    assert(differingPixels(dimmed, await canvasPixels(page)) === 0 && dimmed.includes(255) &&
      !dimmed.some((grey) => grey > 127 && grey < 255), 'not the dimmed picture under PAUSE');
    await page.screenshot({ path: path.join(workDir, 'paused-desktop.png') });
    await page.keyboard.press('p');
    await sleep(500);
    assert(!(await status()).paused && (await status()).ticks > pausedAt.ticks,
      'the game did not go on');
    await page.evaluate(() => window.dispatchEvent(new FocusEvent('blur')));
    assert((await status()).paused, 'leaving the window did not pause');
    await page.keyboard.press('Pause');
    await page.keyboard.up('ArrowRight');
    await page.keyboard.press('F11');
    await waitForPicture(page, result, { region: resultMenu });
    await checkKeptRun(page); // recorded across two pauses, it replays to the same Result
  });

  await story('on a phone the pause button pauses and goes on', async (page, start) => {
    await start();
    const touch = await touchScreen(page);
    await touch.tap(1, control('Pause'));
    assert((await page.evaluate(() => kuerumaPage.status())).paused, 'the button did not pause');
    await page.click('#settings-button');
    await page.screenshot({ path: path.join(workDir, 'settings-phone.png') });
    await page.click('#settings-close');
    await touch.tap(1, control('Pause'));
    await touch.tap(1, control('ArrowDown'));
    await waitForPicture(page, cursorOne);
  }, phone(390, 844));
}

// --- Storage that refuses, several tabs, and deploys ------------------------------------------

// From the title: NewGame chosen, with Right held from the second Down on, to stage 1's intro.
async function newGameRunningRight(page, { cursorOne, cursorTwo, intro }) {
  await tap(page, 'ArrowDown', cursorOne);
  await tap(page, 'ArrowDown', cursorTwo);
  await page.keyboard.down('ArrowRight');
  await tap(page, 'x', intro);
}

// From the title to stage 1's Result screen (given up), whose menu then answers the keys.
async function playToResult(page, { cursorOne, cursorTwo, intro, moved, result }) {
  await newGameRunningRight(page, { cursorOne, cursorTwo, intro });
  await waitForPicture(page, moved, { seconds: 15 });
  await page.keyboard.up('ArrowRight');
  await page.keyboard.press('F11');
  await waitForPicture(page, result, { region: resultMenu, seconds: 10 });
  const [resultPixels] = Object.values(result);
  const deadline = Date.now() + 5000;
  do {
    await page.keyboard.press('ArrowDown');
    await sleep(300);
    if (differingPixels(await canvasPixels(page), resultPixels, resultMenu) > 0) return;
  } while (Date.now() < deadline);
  throw new Error('the Result menu does not answer');
}

const keptRuns = (page) => page.evaluate(() => kuerumaPage.keptRuns());

// Another page of the site takes all the room left in the storage.
function fillStorage() {
  let n = 0;
  for (let size = 1 << 20; size >= 1; size >>= 1) {
    const chunk = 'x'.repeat(size);
    for (;;) {
      try {
        localStorage.setItem(`another-page-${n}`, chunk);
        ++n;
      } catch (error) {
        break;
      }
    }
  }
}

async function touchAndKeyStories({ story, cursorOne, cursorTwo, intro, result }) {
  await story('touch and keys together: a control stays lit while a finger holds it, and a tap ' +
    'does not let go of a key the keyboard holds', async (page, start) => {
    await start();
    const touch = await touchScreen(page);
    await newGameRunningRight(page, { cursorOne, cursorTwo, intro });
    const lit = () => page.evaluate((selector) =>
      document.querySelector(selector).classList.contains('held'), control('ArrowRight'));
    await touch.put(1, control('ArrowRight'));
    await touch.put(2, control('ArrowRight'));
    await touch.lift(2);
    assert(await lit(), 'a finger holds Right, but its control is not lit');
    await touch.lift(1);
    assert(!(await lit()), 'no finger holds Right, but its control is lit');
    for (let i = 0; i < 3; ++i) {
      await touch.tap(1, control('ArrowRight'));
      await sleep(200);
    }
    await page.keyboard.press('F11');
    await page.keyboard.up('ArrowRight');
    await waitForPicture(page, result, { region: resultMenu, seconds: 10 });
    // The stage's kept run: Right on every tick until the stage was given up.
    const [run] = await keptRuns(page);
    const ticks = run.text.split('\n').filter((line) => /^\d+ /.test(line));
    const given = ticks.findIndex((line) => line.includes('F'));
    assert(given > 0 && ticks.slice(0, given).every((line) => line.includes('R')),
      `Right was let go of: ${ticks.slice(0, given + 1).join(' | ')}`);
  }, phone(844, 390));
}

async function storageStories(shared) {
  const { story, url } = shared;
  const seeded = [1, 2, 3].map((n) => ({ name: `old-${n}.txt`, text: `${n} R\n`, savedAt: n }));
  const cases = [
    ['site data blocked', () => {
      for (const where of [window, Window.prototype]) {
        try {
          Object.defineProperty(where, 'localStorage', { configurable: true, get: () => {
            throw new DOMException('The operation is insecure.', 'SecurityError');
          } });
        } catch (error) { /* the other one */ }
      }
    }, async (page) => {
      await waitFor(page, 'one line saying so', (s) => s.message.includes('blocks this site'));
      await page.click('#message');
      await page.click('#runs-button');
      assert((await page.textContent('#run-list')).includes('blocks this site'),
        'the Runs panel does not say why it is empty');
    }],
    ['a foreign entry', () => {
      if (sessionStorage.getItem('seeded')) return;
      sessionStorage.setItem('seeded', '1');
      localStorage.setItem('kueruma-run:junk', 'null');
      localStorage.setItem('kueruma-run:half', '{"name": 5}');
      localStorage.setItem('kueruma-run:text', 'not a run');
    }, async (page) => {
      const runs = await keptRuns(page);
      assert(runs.length === 1 && /-stage-0-/.test(runs[0].name), `kept: ${JSON.stringify(runs)}`);
      await page.click('#runs-button');
      assert(await page.locator('#run-list li').count() === 1, 'the Runs panel does not list it');
    }],
    ['a full storage', ([runs, fill]) => {
      if (sessionStorage.getItem('seeded')) return;
      sessionStorage.setItem('seeded', '1');
      for (const run of runs) localStorage.setItem(`kueruma-run:${run.name}`, JSON.stringify(run));
      eval(fill)();
    }, async (page) => {
      await waitFor(page, 'one line saying so', (s) => s.message.includes('is full'));
      const names = (await keptRuns(page)).map((run) => run.name).join(' ');
      assert(names === 'old-1.txt old-2.txt old-3.txt', `kept: ${names}`);
      // Where dropping the oldest run makes room, only it goes.
      const kept = await page.evaluate((fill) => {
        for (const key of Object.keys(localStorage)) {
          if (key.startsWith('another-page')) localStorage.removeItem(key);
        }
        localStorage.setItem('kueruma-run:big.txt',
          JSON.stringify({ name: 'big.txt', text: '1 R\n'.repeat(50000), savedAt: 0 }));
        eval(fill)();
        kuerumaPage.keepRun('new.txt', '1 L\n'.repeat(20000), 100);
        return kuerumaPage.keptRuns().map((run) => run.name).join(' ');
      }, `(${fillStorage})`);
      assert(kept === 'old-1.txt old-2.txt old-3.txt new.txt',
        `kept after the room was made: ${kept}`);
    }],
  ];
  for (const [what, init, check] of cases) {
    await story(`with ${what}, a stage plays to its Result, its menu answers, and no kept run ` +
      'is lost', async (page, start) => {
      await page.addInitScript(init, [seeded, `(${fillStorage})`]);
      await start();
      await playToResult(page, shared);
      await check(page);
    });
  }

  await story('two tabs: the second says the runs are kept by the other, and no run of either ' +
    'is lost', async (first, start) => {
    await start();
    const second = await first.context().newPage();
    await second.goto(url);
    await waitForPicture(second, shared.title);
    await waitFor(second, 'the second tab saying so', (s) => s.message.includes('another tab'));
    assert((await first.evaluate(() => kuerumaPage.status())).message === '',
      'the first tab says it does not keep the runs');
    // Both keep runs of one name at once.
    const keepTwenty = (page, tab) => page.evaluate(async (letter) => {
      for (let i = 0; i < 20; ++i) {
        kuerumaPage.keepRun('same.txt', `# ${letter}${i}\n1 R\n`, 100);
        await new Promise((resolve) => setTimeout(resolve, 1));
      }
    }, tab);
    await Promise.all([keepTwenty(first, 'A'), keepTwenty(second, 'B')]);
    await playToResult(second, shared);
    const texts = async () => (await keptRuns(first)).map((run) => run.text.split('\n')[0]);
    const deadline = Date.now() + 5000;
    while ((await texts()).length < 41 && Date.now() < deadline) await sleep(100);
    const kept = await texts();
    for (const letter of ['A', 'B']) {
      for (let i = 0; i < 20; ++i) {
        assert(kept.includes(`# ${letter}${i}`), `${letter}${i} is lost: ${kept.length} kept`);
      }
    }
    assert(kept.length === 41, `${kept.length} runs kept, not 41`);
    // The first tab closed, the second keeps the runs itself.
    await first.close();
    await sleep(500);
    await second.evaluate(() => kuerumaPage.keepRun('later.txt', '1 R\n', 100));
    assert((await keptRuns(second)).some((run) => run.name === 'later.txt'),
      'the second tab did not take over');
  });
}

// Runs named as the game names them, kept in the order of their numbers.
function keepNamed(runs) {
  for (const [n, stage, score] of runs) {
    const name = `20260101-${String(n).padStart(6, '0')}-stage-${stage}-score-${score}.txt`;
    kuerumaPage.keepRun(name, '1 R\n', 100);
  }
  return kuerumaPage.keptRuns().map((run) => run.name);
}

async function pinStories({ story }) {
  await story('each stage\'s best is pinned through 150 more kept runs, and a better run takes ' +
    'its pin', async (page, start) => {
    await start();
    const bests = Array.from({ length: 9 }, (_, stage) => [stage + 1, stage, 500]);
    const more = (from, count) => Array.from({ length: count }, (_, i) => [from + i, i % 9, i]);
    let kept = await page.evaluate(keepNamed, [...bests, ...more(10, 150)]);
    for (let stage = 0; stage < 9; ++stage) {
      assert(kept.some((name) => name.includes(`-stage-${stage}-score-500`)),
        `stage ${stage}'s best is gone after 150 more runs`);
    }
    assert(kept.length === 109, `${kept.length} runs kept, not the latest 100 and 9 pins`);
    kept = await page.evaluate(keepNamed, [[200, 3, 900], ...more(201, 100)]);
    assert(kept.some((name) => name.includes('-stage-3-score-900')) &&
      !kept.some((name) => name.includes('-stage-3-score-500')), 'the better run took no pin');
    assert(kept.length === 109, `${kept.length} runs kept after the better one`);
    await page.click('#runs-button');
    assert(await page.locator('#run-list .pinned').count() === 9, 'the panel shows not 9 pins');
  });
}

async function deployStories({ story, url, title, cursorOne }) {
  await story('a truncated kueruma.js says the game file is missing or damaged', async (page) => {
    const game = fs.readFileSync(path.join(siteDir, 'kueruma.js'));
    special.set('kueruma.js', (response) => {
      response.writeHead(200, { 'Content-Type': 'text/javascript' });
      response.end(game.subarray(0, game.length >> 1));
    });
    await page.goto(url);
    await waitFor(page, 'the notice',
      (s) => s.ended && s.endedText.includes('kueruma.js is missing or damaged'));
    special.clear();
  }, { expectedErrors: /SyntaxError|Unexpected|Invalid or unexpected|missing/ });

  await story('a partial deploy keeps the complete offline copy, and a second copy of the game ' +
    'on the same site keeps its own', async (page) => {
    // Two builds on one site: one at the top, one in a folder (its worker's stamp differs).
    const root = path.join(workDir, 'two-builds');
    fs.rmSync(root, { recursive: true, force: true });
    fs.cpSync(siteDir, root, { recursive: true });
    fs.cpSync(siteDir, path.join(root, 'second'), { recursive: true });
    const restamp = (file, stamp) => {
      const text = fs.readFileSync(file, 'utf8');
      const changed = text.replace(/[0-9a-f]{16}/, stamp);
      assert(changed !== text, `no build stamp in ${file}`);
      fs.writeFileSync(file, changed);
    };
    restamp(path.join(root, 'second', 'sw.js'), '0123456789abcdef');
    const own = await serve(root);
    const base = `http://127.0.0.1:${own.address().port}/`;
    const kept = () => page.evaluate(async () => {
      const names = await caches.keys();
      return Promise.all(names.map(async (name) => (await (await caches.open(name)).keys())
        .some((request) => request.url.endsWith('/kueruma.wasm'))));
    });
    for (const at of [base, `${base}second/`]) {
      await page.goto(at);
      await waitForPicture(page, title);
      await page.waitForFunction(async () => {
        const registration = await navigator.serviceWorker.getRegistration();
        return registration && registration.active &&
          registration.scope === location.href.replace(/[^/]*$/, '');
      }, null, { timeout: 20000 });
    }
    // A worker is active once its files are put; on a loaded machine the page may see the last
    // of them a moment later.
    let stored = await kept();
    const deadline = Date.now() + 10000;
    while (!stored.every((wasm) => wasm) && Date.now() < deadline) {
      await sleep(200);
      stored = await kept();
    }
    assert(stored.length === 2 && stored.every((wasm) => wasm), `caches: ${stored}`);
    // A new build at the top whose wasm did not arrive: its worker is turned away.
    restamp(path.join(root, 'sw.js'), 'fedcba9876543210');
    hidden.add('kueruma.wasm');
    const state = await page.evaluate(async (top) => {
      const registration = await navigator.serviceWorker.getRegistration(top);
      await registration.update();
      const worker = registration.installing;
      if (!worker) return 'no new worker';
      await new Promise((resolve) => worker.addEventListener('statechange', () => {
        if (worker.state === 'redundant' || worker.state === 'activated') resolve();
      }));
      return worker.state;
    }, base);
    hidden.clear();
    assert(state === 'redundant', `the partial build's worker: ${state}`);
    stored = await kept();
    assert(stored.length === 2 && stored.every((wasm) => wasm), `caches: ${stored}`);
    // Offline, both copies start.
    own.close();
    own.closeAllConnections();
    for (const at of [base, `${base}second/`]) {
      await page.goto(at);
      await waitForPicture(page, title);
    }
    await tap(page, 'ArrowDown', cursorOne);
  }, { expectedErrors: /404|net::ERR|Failed to fetch|Failed to load/ });
}

main().catch((error) => {
  console.error(`web: FAIL: ${error.message}`);
  process.exit(1);
});
