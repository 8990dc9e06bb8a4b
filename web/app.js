// Starts the program's module on the page's canvas, and once the first frame
// is up, installs the service worker that keeps the page working offline.
(function () {
  'use strict';
  var status = document.getElementById('status');

  function fail(message) {
    status.textContent = message;
    if (window.console) console.error('starchart: ' + message);
  }

  function installOffline() {
    if (!('serviceWorker' in navigator)) return;
    if (location.protocol !== 'https:' && location.hostname !== '127.0.0.1' && location.hostname !== 'localhost') return;
    navigator.serviceWorker.register('sw.js').catch(function (e) {
      if (window.console) console.warn('starchart: offline copy unavailable: ' + e);
    });
  }

  if (typeof WebAssembly !== 'object' || typeof createApp !== 'function') {
    fail('This browser cannot run the chart (WebAssembly is missing).');
    return;
  }

  // The program's own typefaces, the same as the native build's, in the
  // page before the first frame: canvas text never falls back to the
  // browser's fonts. The module's download (preloaded) runs meanwhile.
  function loadFonts() {
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
  }

  var installed = false;
  // Start-up milestones (ms since navigation), read by the measurements.
  var times = window.starchartTimes = {start: performance.now()};
  loadFonts().then(function () {
    times.fonts = performance.now();
    return startApp();
  }, function (e) {
    fail('The chart could not load its typeface: ' + (e && e.message ? e.message : e));
  });

  function startApp() {
  return createApp({
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
  }).then(function (app) {
    window.starchart = app;
  }, function (e) {
    fail('The chart could not start: ' + e);
  });
  }
})();
