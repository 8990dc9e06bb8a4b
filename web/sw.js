// Keeps every file of the page in a cache named after their bytes, filled on
// the first visit; answers from it first, so the page works offline.
'use strict';
var VERSION = '@VERSION@';
var CACHE = 'starchart-' + VERSION;
var FILES = [@FILES@];

self.addEventListener('install', function (event) {
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    // 'reload' skips the HTTP cache, so the copy matches this version.
    return cache.addAll(FILES.map(function (f) { return new Request(f, {cache: 'reload'}); }));
  }).then(function () {
    return self.skipWaiting();
  }));
});

// Takes over every open page at once (each then reloads when it is next
// hidden), and only then drops the older versions: a worker still answering
// for a page finds its own version's files until the page is ours.
self.addEventListener('activate', function (event) {
  event.waitUntil(self.clients.claim().then(function () {
    return caches.keys();
  }).then(function (names) {
    return Promise.all(names.filter(function (n) {
      return n.indexOf('starchart-') === 0 && n !== CACHE;
    }).map(function (n) { return caches.delete(n); }));
  }));
});

self.addEventListener('fetch', function (event) {
  var request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(caches.open(CACHE).then(function (cache) {
    return cache.match(request, {ignoreSearch: true}).then(function (hit) {
      if (hit) return hit;
      return fetch(request).then(function (response) {
        if (response.ok && response.type === 'basic') cache.put(request, response.clone());
        return response;
      });
    });
  }));
});
