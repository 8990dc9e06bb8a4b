// Page side of the web backend (linked with --js-library): the viewport,
// input from the screen canvas, letterboxing on resize, visibility and links.
//
// Input goes to C++ as points (finger, x, y, phase) in window points through
// a buffer the C++ side owns, one call per DOM event; the toolkit merges
// what arrives between two animation frames into one redraw.

mergeInto(LibraryManager.library, {
  $WB: {
    canvas: null,
    width: 0,
    height: 0,
    // Position of the presented canvas, refreshed on every layout change.
    rect: null,
    fit: function() {
      var c = WB.canvas;
      if (!c) {
        return;
      }
      var vw = window.innerWidth || WB.width, vh = window.innerHeight || WB.height;
      // The chart keeps the size it was laid out at; a new window shape scales
      // it whole into the middle.
      var s = Math.min(vw / WB.width, vh / WB.height);
      var w = WB.width * s, h = WB.height * s;
      c.style.width = w + 'px';
      c.style.height = h + 'px';
      c.style.left = Math.round((vw - w) / 2) + 'px';
      c.style.top = Math.round((vh - h) / 2) + 'px';
      WB.rect = null;
    },
    toPoints: function(clientX, clientY, out) {
      var r = WB.rect || (WB.rect = WB.canvas.getBoundingClientRect());
      out[0] = (clientX - r.left) * WB.width / (r.width || 1);
      out[1] = (clientY - r.top) * WB.height / (r.height || 1);
    },
  },

  // Size of the browser's viewport in CSS pixels and its pixel ratio.
  wb_viewport: function(out) {
    var w = window.innerWidth || document.documentElement.clientWidth || 320;
    var h = window.innerHeight || document.documentElement.clientHeight || 480;
    HEAPF64[out >> 3] = w;
    HEAPF64[(out >> 3) + 1] = h;
    HEAPF64[(out >> 3) + 2] = window.devicePixelRatio || 1;
  },

  // Listens on the canvas matching selector, laid out at width x height
  // points. buf holds cap points of 4 doubles; cb(count, seconds, user)
  // takes them. life(state, user): 0 hidden, 1 shown again. key(repeat,
  // seconds, user) takes a key whose name (KeyboardEvent.key) is in keyBuf
  // (keyCap bytes) and answers whether it acts; wheel(notches, seconds, user)
  // takes the wheel, a notch being 1 (> 0: away from the user).
  wb_listen__deps: ['$WB'],
  wb_listen: function(selector, width, height, buf, cap, cb, life, keyBuf, keyCap, key, wheel, user) {
    var canvas = document.querySelector(UTF8ToString(selector));
    if (!canvas) {
      return 0;
    }
    WB.canvas = canvas;
    WB.width = width;
    WB.height = height;
    WB.fit();
    var xy = [0, 0];
    var base = buf >> 3;
    function send(n) {
      {{{ makeDynCall('vidi', 'cb') }}}(n, performance.now() / 1000, user);
    }
    function put(i, finger, clientX, clientY, phase) {
      WB.toPoints(clientX, clientY, xy);
      var p = base + 4 * i;
      HEAPF64[p] = finger;
      HEAPF64[p + 1] = xy[0];
      HEAPF64[p + 2] = xy[1];
      HEAPF64[p + 3] = phase;
    }
    function touches(phase) {
      return function(e) {
        // No scrolling, zooming, callouts or mouse events made up from touches;
        // a touchcancel cannot be cancelled, and asking only logs an error.
        if (e.cancelable) {
          e.preventDefault();
        }
        var list = e.changedTouches, n = Math.min(list.length, cap);
        for (var i = 0; i < n; ++i) {
          put(i, list[i].identifier, list[i].clientX, list[i].clientY, phase);
        }
        if (n) {
          send(n);
        }
      };
    }
    var active = {passive: false};
    canvas.addEventListener('touchstart', touches(0), active);
    canvas.addEventListener('touchmove', touches(1), active);
    canvas.addEventListener('touchend', touches(3), active);
    canvas.addEventListener('touchcancel', touches(4), active);

    // The mouse is one finger, kept apart from touch identifiers.
    var MOUSE = -1, mouseDown = false;
    function mouse(e, phase) {
      put(0, MOUSE, e.clientX, e.clientY, phase);
      send(1);
    }
    canvas.addEventListener('mousedown', function(e) {
      if (e.button !== 0 || (e.sourceCapabilities && e.sourceCapabilities.firesTouchEvents)) {
        return;
      }
      e.preventDefault();
      mouseDown = true;
      mouse(e, 0);
    });
    window.addEventListener('mousemove', function(e) {
      if (!mouseDown) {
        return;
      }
      if (!(e.buttons & 1)) {
        mouseDown = false;
        mouse(e, 3);
        return;
      }
      mouse(e, 1);
    });
    window.addEventListener('mouseup', function(e) {
      if (mouseDown && e.button === 0) {
        mouseDown = false;
        mouse(e, 3);
      }
    });
    window.addEventListener('blur', function() {
      if (mouseDown) {
        mouseDown = false;
        put(0, MOUSE, 0, 0, 4);
        send(1);
      }
    });
    // Keys reach the chart only when nothing else on the page has the focus:
    // a focused link or button keeps Tab, Enter and Space, and every other key.
    window.addEventListener('keydown', function(e) {
      var f = document.activeElement;
      if (e.defaultPrevented || e.isComposing || e.ctrlKey || e.altKey || e.metaKey ||
          (f && f !== document.body && f !== document.documentElement && f !== canvas) ||
          e.key.length > 10) {
        return;
      }
      stringToUTF8(e.key, keyBuf, keyCap);
      if ({{{ makeDynCall('iidi', 'key') }}}(e.repeat ? 1 : 0, performance.now() / 1000, user)) {
        e.preventDefault();
      }
    });
    // A mouse wheel notch is 100 pixels in browsers, 3 lines or a page in the
    // other modes; a trackpad pinch arrives as the wheel with ctrlKey set.
    canvas.addEventListener('wheel', function(e) {
      e.preventDefault();
      var per = e.deltaMode === 1 ? 3 : e.deltaMode === 2 ? 1 : 100;
      if (e.deltaY) {
        {{{ makeDynCall('vddi', 'wheel') }}}(-e.deltaY / per, performance.now() / 1000, user);
      }
    }, active);
    // The page's own gestures stay off on the chart.
    canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    canvas.addEventListener('dblclick', function(e) { e.preventDefault(); });
    document.addEventListener('gesturestart', function(e) { e.preventDefault(); });

    window.addEventListener('resize', WB.fit);
    window.addEventListener('orientationchange', WB.fit);
    window.addEventListener('scroll', function() { WB.rect = null; });
    document.addEventListener('visibilitychange', function() {
      {{{ makeDynCall('vii', 'life') }}}(document.visibilityState === 'hidden' ? 0 : 1, user);
    });
    return 1;
  },

  // Frame timing for measurements: with Module.frameTimes set (an array),
  // each frame's work is timed up to the screen canvas's pixels being done.
  wb_frame_begin__deps: ['$WB'],
  wb_frame_begin: function() {
    WB.frameStart = Module['frameTimes'] ? performance.now() : 0;
  },
  wb_frame_end__deps: ['$WB'],
  wb_frame_end: function(presented) {
    if (!WB.frameStart || !presented || !Module['frameTimes']) {
      return;
    }
    WB.canvas.getContext('2d').getImageData(0, 0, 1, 1);
    Module['frameTimes'].push(performance.now() - WB.frameStart);
  },

  // A new tab that cannot reach back into this page.
  wb_open_url: function(url) {
    var u = UTF8ToString(url);
    if (!/^(https?|mailto):/i.test(u)) {
      return 0;
    }
    window.open(u, '_blank', 'noopener');
    return 1;
  },
});
