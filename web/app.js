// Starts the program's module on the page's canvas, and once the first frame
// is up, installs the service worker that keeps the page working offline.
// Loaded in the head: the module's code is fetched from here while the rest
// of the page loads, and handed to the module, so it is downloaded once in
// every engine (a preload is not matched to the module's own request in all).
(function () {
  'use strict';
  var script = document.currentScript;
  var code = typeof fetch === 'function' && typeof WebAssembly === 'object' && script ?
      fetch(script.getAttribute('data-wasm'), {credentials: 'same-origin'}) : null;
  if (code) code.catch(function () {});  // reported when the module asks for it
  // A copy of the module's response, handed to the service worker so that
  // it need not download the module again.
  var copy = null;

  // ?offscreen=0 takes the path of browsers without OffscreenCanvas.
  if (/[?&]offscreen=0(&|$)/.test(location.search)) {
    try { delete window.OffscreenCanvas; } catch (e) { /* read-only: assigned below */ }
    if (typeof OffscreenCanvas !== 'undefined') window.OffscreenCanvas = undefined;
  }

  // The program's own typefaces, the same as the native build's, in the
  // page before the first frame: canvas text never falls back to the
  // browser's fonts. Asked for at once, so they download beside the module.
  var fonts = (function () {
    if (!window.FontFace || !document.fonts) return Promise.reject(new Error('FontFace is missing'));
    return Promise.all([
      ['fonts/starchart-sans-regular.woff2', 'normal'],
      ['fonts/starchart-sans-bold.woff2', 'bold']
    ].map(function (f) {
      var face = new FontFace('Starchart Sans', 'url(' + f[0] + ')', {weight: f[1]});
      return face.load().then(function (loaded) {
        document.fonts.add(loaded);
      }, function (e) {
        throw new Error(f[0] + ': ' + (e && e.message ? e.message : e));
      });
    }));
  })();
  fonts.catch(function () {});  // reported once the page can show it

  function start() {
    var status = document.getElementById('status');

    function fail(message) {
      status.textContent = message;
      if (window.console) console.error('starchart: ' + message);
    }

    function installOffline() {
      // Without a worker in control the module came from the network: the
      // worker takes this copy when its bytes are its version's (see sw.js).
      var handed = copy;
      copy = null;
      if (!('serviceWorker' in navigator)) return;
      if (location.protocol !== 'https:' && location.hostname !== '127.0.0.1' && location.hostname !== 'localhost') return;
      var register = function () {
        navigator.serviceWorker.register('sw.js').catch(function (e) {
          if (window.console) console.warn('starchart: offline copy unavailable: ' + e);
        });
      };
      if (!handed || navigator.serviceWorker.controller || !window.caches) return register();
      caches.open('starchart-page').then(function (cache) {
        return cache.put(handed.url, handed);
      }).catch(function () {}).then(register);
    }

    function instantiate(imports, done) {
      code.then(function (response) {
        if (!response.ok) throw new Error(response.url + ': HTTP ' + response.status);
        var spare = response.clone();
        copy = spare;
        // Compiles while it downloads; a server with another type for .wasm gets the slow path.
        return (WebAssembly.instantiateStreaming ? WebAssembly.instantiateStreaming(response, imports) :
                Promise.reject()).catch(function () {
          copy = null;
          return spare.arrayBuffer().then(function (bytes) { return WebAssembly.instantiate(bytes, imports); });
        });
      }).then(function (result) {
        done(result.instance, result.module);
      }, function (e) {
        fail('The chart could not start: ' + e);
      });
      return {};
    }

    if (typeof WebAssembly !== 'object' || typeof createApp !== 'function') {
      fail('This browser cannot run the chart (WebAssembly is missing).');
      return;
    }

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
      printErr: function (text) { if (window.console) console.error(text); },
      onAbort: function (what) { fail('The chart stopped: ' + what); }
    };
    if (code) options.instantiateWasm = instantiate;
    fonts.then(function () {
      times.fonts = performance.now();
      return createApp(options).then(function (app) {
        window.starchart = app;
      }, function (e) {
        fail('The chart could not start: ' + e);
      });
    }, function (e) {
      fail('The chart could not load its typeface: ' + (e && e.message ? e.message : e));
    });
  }

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', start);
  else start();
})();
