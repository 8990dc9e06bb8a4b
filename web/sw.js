// Keeps every file of the page in a cache named after their bytes, filled on
// the first visit; answers from it first, so the page works offline.
'use strict';
var VERSION = '@VERSION@';
var CACHE = 'starchart-' + VERSION;
var FILES = [@FILES@];
// The module, and the SHA-256 of this version's bytes of it.
var MODULE = ['./@MODULE@.wasm', '@MODULE_SHA256@'];

// The page's copy of the module, which it downloaded before this worker
// existed, when its bytes are this version's; else null.
function pageCopy(file) {
  if (file !== MODULE[0] || !self.crypto || !crypto.subtle) return Promise.resolve(null);
  return caches.open('starchart-page').then(function (staged) {
    return staged.match(file);
  }).then(function (hit) {
    return hit && hit.clone().arrayBuffer().then(function (bytes) {
      return crypto.subtle.digest('SHA-256', bytes);
    }).then(function (digest) {
      var hex = Array.prototype.map.call(new Uint8Array(digest), function (b) {
        return (b + 256).toString(16).slice(1);
      }).join('');
      return hex === MODULE[1] ? hit : null;
    });
  }).catch(function () { return null; });
}

self.addEventListener('install', function (event) {
  event.waitUntil(caches.open(CACHE).then(function (cache) {
    return Promise.all(FILES.map(function (f) {
      return pageCopy(f).then(function (copy) {
        // 'reload' skips the HTTP cache, so the copy matches this version.
        return copy ? cache.put(f, copy) : cache.add(new Request(f, {cache: 'reload'}));
      });
    }));
  }).then(function () {
    return caches.delete('starchart-page');
  }).then(function () {
    return self.skipWaiting();
  }));
});

self.addEventListener('activate', function (event) {
  event.waitUntil(caches.keys().then(function (names) {
    return Promise.all(names.filter(function (n) {
      return n.indexOf('starchart-') === 0 && n !== CACHE;
    }).map(function (n) { return caches.delete(n); }));
  }).then(function () {
    return self.clients.claim();
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
