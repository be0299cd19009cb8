// Keeps the page, the program and its pictures so a visited page runs
// offline. Everything is served from the cache first: the files of one
// version never change, and a new version comes with a new cache, the old
// one removed once the new worker takes over.
const cacheName = 'nightwick-@PROJECT_VERSION@';
const files = ['./', 'index.html', 'nightwick.js', 'nightwick.wasm', 'nightwick.data',
               'manifest.webmanifest', 'nightwick.png', 'icon-192.png', 'icon-512.png'];

self.addEventListener('install', (event) => {
  event.waitUntil(caches.open(cacheName).then((cache) => cache.addAll(files)).then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(caches.keys()
    .then((names) => Promise.all(names.filter((name) => name.startsWith('nightwick-') && name !== cacheName)
      .map((name) => caches.delete(name))))
    .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(caches.match(event.request, { cacheName }).then((cached) => cached || fetch(event.request)));
});
