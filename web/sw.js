'use strict';
// Keeps the page and everything it loads, so that once opened it plays again without a network.
// scripts/build-web.sh writes the build's version into the cache's name: a new build changes this
// file, the browser installs it beside the old one, and it fetches the new files and drops the
// old cache. Everything else passes through.
const cacheName = 'demo-@BUILD_VERSION@';
// The program and its data as the page fetches them: compressed where the browser can inflate them.
const packed = typeof DecompressionStream === 'function' ? '.gz' : '';
const files = ['./', 'index.html', 'page.js', 'download.js', 'page.css', 'demo.data.json', 'poster.jpg',
    'icon-32.png', 'icon-192.png', 'icon-512.png', 'manifest.webmanifest',
    ...['demo.js', 'demo.wasm', 'demo.data'].map((file) => file + packed)];

self.addEventListener('install', (event) => {
    // Checked with the host, never taken from the HTTP cache unasked, which may still hold the
    // previous build; what the page has just loaded comes from there once the host says it is
    // current.
    event.waitUntil(caches.open(cacheName)
        .then((cache) => cache.addAll(files.map((file) => new Request(file, {cache: 'no-cache'}))))
        .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys().then((names) => Promise.all(names
        .filter((name) => name.startsWith('demo-') && name !== cacheName)
        .map((name) => caches.delete(name)))));
});

const kept = new Set(files.map((file) => new URL(file, self.registration.scope).href));

self.addEventListener('fetch', (event) => {
    const request = event.request;
    if (request.method !== 'GET') return;
    // The page's own queries (?at=MS, ?autostart) are the same page.
    const navigate = request.mode === 'navigate';
    const url = new URL(request.url);
    url.hash = '';
    if (navigate) url.search = '';
    // What is not kept is left to the browser, untouched: a text page's own /favicon.ico request,
    // fetched here, failed as this worker's error when the visitor moved on before it was in.
    if (!kept.has(url.href)) return;
    event.respondWith(caches.open(cacheName)
        .then((cache) => cache.match(request, navigate ? {ignoreSearch: true} : {}))
        .then((cached) => cached || fetch(request)));
});
