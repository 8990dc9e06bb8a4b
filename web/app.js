// Starts the program's module on the page's canvas, and once the first frame
// is up, installs the service worker that keeps the page working offline.
// Loaded in the head: the module's code is fetched from here while the rest
// of the page loads, and handed to the module, so it is downloaded once in
// every engine (a preload is not matched to the module's own request in all).
(function () {
  'use strict';
  var script = document.currentScript;

  // A fatal error stops the program; the page says what went wrong in one
  // message with a Reload button, and the details go to the console.
  var MISSING = 'The chart could not be downloaded. Check the connection.';
  var DAMAGED = 'The chart arrived damaged.';
  var INTERNAL = 'The chart stopped on an internal error.';
  var NO_WASM = 'This browser has no WebAssembly.';
  var said = null;

  function show() {
    var status = document.getElementById('status');
    if (!status || !said) return;
    status.textContent = said + ' ';
    status.appendChild(document.createElement('button')).textContent = 'Reload';
    status.lastChild.onclick = function () { location.reload(); };
  }

  function fatal(message, detail) {
    // An error itself, so that the console shows its stack.
    console.error('starchart:', detail);
    if (said) return;
    said = message;
    show();
  }

  // A step's failure, tagged with what the user is told unless an earlier
  // step already tagged it.
  function as(message) {
    return function (e) { throw e && e.say ? e : {say: message, error: e}; };
  }
  function failed(e) {
    fatal(e.say || INTERNAL, e.say ? e.error : e);
  }

  // An error nothing caught: the module's script broken, or a fault of ours.
  window.addEventListener('error', function (e) {
    fatal(typeof createApp === 'function' ? INTERNAL : DAMAGED, e.error || e.message);
  });

  function get(url) {
    return fetch(url).then(function (response) {
      if (!response.ok) throw new Error(response.url + ': HTTP ' + response.status);
      return response;
    }).catch(as(MISSING));
  }

  var code = typeof fetch === 'function' && typeof WebAssembly === 'object' && script ?
      get(script.getAttribute('data-wasm')) : null;
  // A copy of the module's response, handed to the service worker so that
  // it need not download the module again.
  var copy = null;
  // Compiled while it downloads and the typefaces load; a server with
  // another type for .wasm gets the slow path.
  var compiled = code && code.then(function (response) {
    var spare = copy = response.clone();
    return (WebAssembly.compileStreaming ? WebAssembly.compileStreaming(response) : Promise.reject()).catch(function () {
      copy = null;
      return spare.arrayBuffer().catch(as(MISSING)).then(function (bytes) {
        return WebAssembly.compile(bytes);
      });
    });
  });
  if (compiled) compiled.catch(function () {});  // reported when the module asks for it

  // ?offscreen=0 takes the path of browsers without OffscreenCanvas.
  if (/[?&]offscreen=0(&|$)/.test(location.search)) {
    try { delete window.OffscreenCanvas; } catch (e) { /* read-only: assigned below */ }
    if (typeof OffscreenCanvas !== 'undefined') window.OffscreenCanvas = undefined;
  }

  // The program's own typefaces, the same as the native build's, in the
  // page before the first frame: canvas text never falls back to the
  // browser's fonts. Asked for at once, so they download beside the module.
  var fonts = (function () {
    if (!window.FontFace || !document.fonts || !code) return Promise.reject({say: NO_WASM});
    return Promise.all([
      ['fonts/starchart-sans-regular.woff2', 'normal'],
      ['fonts/starchart-sans-bold.woff2', 'bold']
    ].map(function (f) {
      return get(f[0]).then(function (response) {
        return response.arrayBuffer().catch(as(MISSING));
      }).then(function (bytes) {
        return new FontFace('Starchart Sans', bytes, {weight: f[1]}).load();
      }).then(function (face) {
        document.fonts.add(face);
      }).catch(function (e) {
        as(DAMAGED)(e.say ? e : new Error(f[0] + ': ' + (e && e.message || e)));
      });
    }));
  })();
  fonts.catch(function () {});  // reported once the page can show it

  function start() {
    show();

    function installOffline() {
      // Without a worker in control the module came from the network: the
      // worker takes this copy when its bytes are its version's (see sw.js).
      var handed = copy;
      copy = null;
      var workers = navigator.serviceWorker;
      if (!workers) return;
      if (location.protocol !== 'https:' && location.hostname !== '127.0.0.1' && location.hostname !== 'localhost') return;
      var register = function () {
        // Checks for a new release on every load, past the HTTP cache.
        workers.register('sw.js', {updateViaCache: 'none'}).catch(function (e) {
          console.warn('starchart: offline copy unavailable: ' + e);
        });
      };
      // A new release's worker took over from the one this page came from:
      // the page keeps its version until it is next hidden, then reloads.
      var had = workers.controller;
      workers.addEventListener('controllerchange', function () {
        if (had) {
          document.addEventListener('visibilitychange', function () {
            if (document.hidden) location.reload();
          });
        }
        had = workers.controller;
      });
      if (!handed || workers.controller || !window.caches) return register();
      caches.open('starchart-page').then(function (cache) {
        return cache.put(handed.url, handed);
      }).catch(function () {}).then(register);
    }

    function instantiate(imports, done) {
      var module;
      compiled.then(function (m) {
        return WebAssembly.instantiate(module = m, imports);
      }).catch(as(DAMAGED)).then(function (instance) {
        // Runs main: an error out of it is the program's.
        done(instance, module);
      }).catch(failed);
      return {};
    }

    if (typeof WebAssembly !== 'object') return fatal(NO_WASM, 'no WebAssembly');
    if (typeof createApp !== 'function') return fatal(MISSING, script.getAttribute('data-wasm').replace(/wasm$/, 'js') + ' did not load');

    var installed = false;
    // Start-up milestones (ms since navigation), read by the measurements.
    var times = window.starchartTimes = {start: performance.now()};
    var options = {
      onRuntimeInitialized: function () { times.runtime = performance.now(); },
      canvas: document.getElementById('canvas'),
      onFrame: function () {
        if (installed) return;
        installed = true;
        // After the first frame, so the worker's download does not compete with it.
        setTimeout(installOffline, 0);
      },
      printErr: function (text) { console.error(text); },
      onAbort: function (what) {
        fatal(/out of memory/i.test(what) ? 'The chart ran out of memory.' : INTERNAL, what || 'abort()');
      }
    };
    options.instantiateWasm = instantiate;
    fonts.then(function () {
      times.fonts = performance.now();
      return createApp(options).then(function (app) {
        window.starchart = app;
      });
    }).catch(failed);
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
