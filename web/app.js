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

  var installed = false;
  // Start-up milestones (ms since navigation), read by the measurements.
  var times = window.starchartTimes = {start: performance.now()};
  createApp({
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
})();
