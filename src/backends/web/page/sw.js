// The service worker: it keeps the game's files, so the page starts without the network and a
// phone can add it to its home screen. The network comes first, so the newest build is what runs
// whenever the site can be reached; a new build's worker fills a cache named for that build and
// drops the old one.
'use strict';

const cacheName = 'kueruma-BUILD_STAMP';
const files = [KEPT_FILES];
// No file of the game comes near this; a larger one (a damaged or hostile site) is not kept.
const maxFileBytes = 4 * 1024 * 1024;

importScripts('read_limited.js');

// Keeps one file; a missing or oversized one is left out (a missing sound plays a beep).
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
    console.warn(`${name} is not kept for offline play: ${error.message}`);
  }
}

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName)
    .then((cache) => Promise.all(files.map((name) => keep(cache, name))))
    .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names
      .filter((name) => name.startsWith('kueruma-') && name !== cacheName)
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
