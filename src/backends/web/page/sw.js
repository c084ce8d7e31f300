// The service worker: it keeps the game's files, so the page starts without the network and a
// phone can add it to its home screen. The network comes first, so the newest build is what runs
// whenever the site can be reached; a new build's worker fills a cache named for that build and
// the folder it is served from, takes over only once every file has arrived (a partial deploy
// leaves the last complete copy in place), and then drops that folder's older caches only: a
// copy of the game in another folder of the same site keeps its own.
'use strict';

const cachePrefix = `kueruma ${self.registration.scope} `;
const cacheName = `${cachePrefix}BUILD_STAMP`;
const files = [KEPT_FILES];
// No file of the game comes near this; a larger one (a damaged or hostile site) is not kept.
const maxFileBytes = 4 * 1024 * 1024;

importScripts('read_limited.js');

// Keeps one file; a missing or oversized one fails the whole install.
async function keep(cache, name) {
  try {
    const response = await fetch(name, { cache: 'no-cache' });
    if (!response.ok) throw new Error(`HTTP ${response.status}`);
    if (Number(response.headers.get('Content-Length')) > maxFileBytes) {
      response.body.cancel();
      throw new Error(`larger than ${maxFileBytes} bytes`);
    }
    const bytes = await readLimited(response.body, maxFileBytes);
    await cache.put(name, new Response(bytes, { headers: response.headers }));
  } catch (error) {
    throw new Error(`${name} did not arrive (${error.message}): the last complete copy of the ` +
      'game stays the one kept for offline play');
  }
}

self.addEventListener('install', (event) => {
  event.waitUntil((async () => {
    const cache = await caches.open(cacheName);
    try {
      await Promise.all(files.map((name) => keep(cache, name)));
    } catch (error) {
      await caches.delete(cacheName);
      throw error;
    }
    await self.skipWaiting();
  })());
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names
      .filter((name) => name.startsWith(cachePrefix) && name !== cacheName)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request.url, { cache: 'no-cache' })
    .catch(() => caches.match(request.url, { ignoreSearch: true, cacheName })
      .then((kept) => kept || Response.error())));
});
