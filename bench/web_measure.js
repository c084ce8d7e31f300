// The browser game's size and speed in Debian's Chromium, headless: the .wasm and .js
// compressed with gzip, the time from navigation to the first frame drawn, and the CPU the title
// screen uses while nobody plays (the page's main thread, and every Chromium process together,
// beside an empty page for comparison). Figures only: nothing here passes or fails.
// Usage: node bench/web_measure.js SITE_DIR   (playwright-core on NODE_PATH; `make bench-web`)
'use strict';

const { chromium } = require('playwright-core');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const zlib = require('zlib');

const siteDir = path.resolve(process.argv[2] || 'dist/web');
const idleSeconds = 30;
const loads = 7;
const clockTicks = 100; // USER_HZ: /proc counts CPU time in hundredths of a second

function gzipBytes(name) {
  return zlib.gzipSync(fs.readFileSync(path.join(siteDir, name)), { level: 9 }).length;
}

function serve(dir) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
  const server = http.createServer((request, response) => {
    const name = new URL(request.url, 'http://page').pathname.slice(1) || 'index.html';
    const file = path.join(dir, path.basename(name));
    if (!fs.existsSync(file)) return response.writeHead(404).end();
    const type = types[path.extname(file)] || 'application/octet-stream';
    response.writeHead(200, { 'Content-Type': type });
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

async function main() {
  const wasm = gzipBytes('kueruma.wasm');
  const js = gzipBytes('kueruma.js');
  console.log(`size: kueruma.wasm ${fs.statSync(path.join(siteDir, 'kueruma.wasm')).size} B, ` +
    `kueruma.js ${fs.statSync(path.join(siteDir, 'kueruma.js')).size} B; ` +
    `gzip -9: ${wasm} + ${js} = ` +
    `${((wasm + js) / 1024).toFixed(1)} KiB (page.js and index.html: ` +
    `${((gzipBytes('page.js') + gzipBytes('index.html')) / 1024).toFixed(1)} KiB more)`);

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

  const title = await idleCpu(context, page, url, profile);
  const blank = await idleCpu(context, page, 'about:blank', profile);
  console.log(`idle on the title over ${idleSeconds} s, % of one core: page main thread ` +
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
