// Keeps the site for a visit with no network: every file of this build in a cache named by
// the build's version. A new build's worker fills its own cache, takes over, and removes the
// old one. Requests are answered from the cache, else from the network; a request that asks
// past the cache (the page's "Try again") goes to the network and refreshes the copy.
'use strict';

const version = '@VERSION@';
const cacheName = 'invitation-' + version;
const files = @FILES@;

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('invitation-') && name !== cacheName)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

async function fromNetwork(request) {
  const response = await fetch(request);
  if (response.ok && response.status === 200) {
    const cache = await caches.open(cacheName);
    await cache.put(request, response.clone());
  }
  return response;
}

async function answer(request) {
  if (request.cache === 'reload' || request.cache === 'no-store') return fromNetwork(request);
  const cache = await caches.open(cacheName);
  const kept = await cache.match(request, { ignoreSearch: request.mode === 'navigate' });
  return kept || fetch(request);
}

self.addEventListener('fetch', (event) => {
  const url = new URL(event.request.url);
  if (event.request.method !== 'GET' || url.origin !== self.location.origin) return;
  event.respondWith(answer(event.request));
});
