// The service worker: it keeps the game's files, so the page starts without the network and a
// phone can add it to its home screen. The network comes first, so the newest build is what runs
// whenever the site can be reached; a new build's worker fills a cache named for that build and
// drops the old one.
'use strict';

const cacheName = 'kueruma-BUILD_STAMP';
const files = [KEPT_FILES];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName)
    .then((cache) => cache.addAll(files))
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
