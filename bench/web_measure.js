// The browser game's size and speed in Debian's Chromium, headless: everything the page loads
// compressed with gzip, the time from navigation to the first frame drawn, the CPU the title
// screen uses while nobody plays with the touch controls shown (the page's main thread, and
// every Chromium process together, beside an empty page for comparison), and, with the CPU
// slowed 6x as a stand-in for a cheap phone, the late ticks (and where their time went) and the
// slowest paint while each stage plays from its replay. Figures only: nothing here passes or fails.
// Usage: node bench/web_measure.js SITE_DIR [REPLAYS_DIR]
// (playwright-core on NODE_PATH; `make bench-web`)
'use strict';

const { chromium } = require('playwright-core');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const siteDir = path.resolve(process.argv[2] || 'dist/web');
const replaysDir = path.resolve(process.argv[3] || 'replays');
const idleSeconds = 30;
const loads = 7;
const clockTicks = 100; // USER_HZ: /proc counts CPU time in hundredths of a second

function gzipBytes(name) {
  return zlib.gzipSync(fs.readFileSync(path.join(siteDir, name)), { level: 9 }).length;
}

function serve(dir) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json', '.png': 'image/png', '.wav': 'audio/wav' };
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, 'http://page').pathname.slice(1) || 'index.html';
    const file = path.join(dir, path.basename(name));
    if (!fs.existsSync(file)) return response.writeHead(404).end();
    const type = types[path.extname(file)] || 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': type, 'Content-Length': fs.statSync(file).size });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// CPU seconds used so far by the process whose command line holds `marker` and all below it.
function treeCpuSeconds(marker) {
  const procs = [];
  for (const entry of fs.readdirSync('/proc').filter((e) => /^\d+$/.test(e))) {
    try {
      const stat = fs.readFileSync(`/proc/${entry}/stat`, 'utf8');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const cmdline = fs.readFileSync(`/proc/${entry}/cmdline`, 'utf8');
      const cpu = Number(fields[11]) + Number(fields[12]); // utime + stime
      procs.push({ pid: Number(entry), ppid: Number(fields[1]), cpu, cmdline });
    } catch (error) { /* the process ended meanwhile */ }
  }
  const browser = (p) => p.cmdline.includes(marker) && p.cmdline.includes('chromium');
  const inTree = new Set(procs.filter(browser).map((p) => p.pid));
  for (let grown = true; grown;) {
    grown = false;
    for (const p of procs) {
      if (!inTree.has(p.pid) && inTree.has(p.ppid)) { inTree.add(p.pid); grown = true; }
    }
  }
  return procs.filter((p) => inTree.has(p.pid)).reduce((sum, p) => sum + p.cpu, 0) / clockTicks;
}

async function idleCpu(context, page, url, marker) {
  await page.goto(url);
  await page.waitForTimeout(2000);
  const cdp = await context.newCDPSession(page);
  await cdp.send('Performance.enable');
  const busy = async () => (await cdp.send('Performance.getMetrics')).metrics
    .find((m) => m.name === 'TaskDuration').value;
  const [busy0, tree0, t0] = [await busy(), treeCpuSeconds(marker), Date.now()];
  await page.waitForTimeout(idleSeconds * 1000);
  const seconds = (Date.now() - t0) / 1000;
  return {
    mainThread: (100 * (await busy() - busy0) / seconds).toFixed(2),
    allProcesses: (100 * (treeCpuSeconds(marker) - tree0) / seconds).toFixed(2),
  };
}

// Garbage collection traced while `body` runs: the collections' [from, to] spans in the page's
// own clock (performance.now), lined up by a mark the page makes as the trace begins.
async function tracingGc(cdp, page, body) {
  const events = [];
  const collect = ({ value }) => events.push(...value);
  cdp.on('Tracing.dataCollected', collect);
  await cdp.send('Tracing.start', { traceConfig: {
    includedCategories: ['disabled-by-default-v8.gc', 'blink.user_timing'],
    excludedCategories: ['*'] } });
  const markedAt = await page.evaluate(() => {
    performance.mark('kueruma-trace');
    return performance.now();
  });
  await body();
  const complete = new Promise((resolve) => cdp.once('Tracing.tracingComplete', resolve));
  await cdp.send('Tracing.end');
  await complete;
  cdp.off('Tracing.dataCollected', collect);
  const mark = events.find((e) => e.name === 'kueruma-trace');
  if (!mark) return [];
  const offset = mark.ts / 1000 - markedAt;
  return events.filter((e) => e.ph === 'X' && /GC|Scavenge|MarkCompact/i.test(e.name) &&
    !events.some((outer) => outer !== e && outer.ph === 'X' && outer.ts <= e.ts &&
      outer.ts + outer.dur >= e.ts + e.dur && /GC|Scavenge|MarkCompact/i.test(outer.name)))
    .map((e) => [e.ts / 1000 - offset, (e.ts + e.dur) / 1000 - offset]);
}

// Each stage's replay played in the page from a link, on a CPU slowed 6x: its late ticks (the
// page leaves the game's own pauses out), where their time went (paints, the game's other
// work, the browser's late wake-ups, garbage collection), and the slowest paint.
async function slowStages(context, page, url) {
  const cdp = await context.newCDPSession(page);
  const rows = [];
  const causes = { paintMs: 0, gameMs: 0, browserMs: 0, gcMs: 0 };
  let allLate = 0;
  for (let stage = 0; stage < 9; ++stage) {
    const script = fs.readFileSync(path.join(replaysDir, `stage-${stage}.txt`));
    const keyTicks = script.toString().split('\n').filter((line) => /^\d/.test(line))
      .reduce((sum, line) => sum + Number(line.split(' ')[0]), 0);
    const run = Buffer.concat([
      Buffer.from(`# replay: kueruma-replay --stage ${stage} stage-${stage}.txt\n`), script]);
    await page.goto('about:blank'); // a fresh page: its counts start again
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: 6 });
    let status = null;
    const collections = await tracingGc(cdp, page, async () => {
      await page.goto(`${url}#run=${zlib.deflateRawSync(run).toString('base64url')}`);
      // The stage's intro, its keys and the clear animation; then the Result screen waits.
      await page.waitForFunction((ticks) => kuerumaPage.status().ticks >= ticks, keyTicks + 9,
        { timeout: 600000 });
      await page.waitForTimeout(8000);
      status = await page.evaluate(() => kuerumaPage.status());
    });
    await cdp.send('Emulation.setCPUThrottlingRate', { rate: 1 });
    const { lateTicks, ticks, firstPaintMs, slowestPaintMs, lateTickCauses } = status;
    for (const late of lateTickCauses) {
      for (const key of ['paintMs', 'gameMs', 'browserMs']) causes[key] += late[key];
      causes.gcMs += collections.reduce((sum, [from, to]) =>
        sum + Math.max(0, Math.min(to, late.toMs) - Math.max(from, late.fromMs)), 0);
    }
    allLate += lateTicks;
    rows.push(`${stage + 1}: ${lateTicks}/${ticks} late, slowest paint ` +
      `${slowestPaintMs.toFixed(1)} ms (the first, at start-up: ${firstPaintMs.toFixed(1)} ms)`);
  }
  console.log(`each stage's replay on a CPU slowed 6x (late ticks of all, a tick being late when ` +
    `it comes more than one period after it was due, the game's own pauses apart; slowest ` +
    `paint): ${rows.join('; ')}`);
  if (allLate > 0) {
    console.log(`the late ticks' time since the tick before, in all (ms): paints ` +
      `${causes.paintMs.toFixed(1)}, the game's other work ${causes.gameMs.toFixed(1)}, the ` +
      `browser waking the game late ${causes.browserMs.toFixed(1)}; garbage collection ` +
      `within those spans ${causes.gcMs.toFixed(1)}`);
  }
}

async function main() {
  const files = fs.readdirSync(siteDir).filter((name) => name !== 'README.txt');
  const sizes = files.map((name) => [name, gzipBytes(name)]).sort((a, b) => b[1] - a[1]);
  const total = sizes.reduce((sum, [, bytes]) => sum + bytes, 0);
  console.log(`size: kueruma.wasm ${fs.statSync(path.join(siteDir, 'kueruma.wasm')).size} B, ` +
    `kueruma.js ${fs.statSync(path.join(siteDir, 'kueruma.js')).size} B; gzip -9 of ` +
    `everything the page loads: ${(total / 1024).toFixed(1)} KiB (` +
    `${sizes.map(([name, bytes]) => `${name} ${(bytes / 1024).toFixed(1)}`).join(', ')})`);

  const server = await serve(siteDir);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kueruma-measure-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: '/usr/bin/chromium', // Debian's
    headless: true,
    viewport: { width: 1300, height: 950 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  const page = context.pages()[0] || await context.newPage();

  const firstFrames = [];
  for (let i = 0; i < loads; ++i) {
    await page.goto(`${url}?load=${i}`);
    await page.waitForFunction(() => kuerumaPage.status().firstFrameMs !== null);
    firstFrames.push(await page.evaluate(() => kuerumaPage.status().firstFrameMs));
  }
  firstFrames.sort((a, b) => a - b);
  console.log(`first frame after navigation (${loads} loads, ms): median ` +
    `${firstFrames[loads >> 1].toFixed(0)}, slowest ${firstFrames[loads - 1].toFixed(0)}`);

  await slowStages(context, page, url);
  // The touch controls shown, as on a phone.
  await page.addInitScript(() => addEventListener('DOMContentLoaded', () => {
    for (const pad of document.querySelectorAll('.pad')) pad.hidden = false;
  }));
  const title = await idleCpu(context, page, url, profile);
  const blank = await idleCpu(context, page, 'about:blank', profile);
  console.log(`idle on the title with the touch controls shown, over ${idleSeconds} s, ` +
    `% of one core: page main thread ` +
    `${title.mainThread}, all Chromium processes ${title.allProcesses} ` +
    `(an empty page: ${blank.mainThread} and ${blank.allProcesses})`);

  await context.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}

main().catch((error) => {
  console.error(`web_measure: ${error.message}`);
  process.exit(1);
});
