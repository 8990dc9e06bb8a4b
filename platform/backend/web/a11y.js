// Page side of the toolkit's accessibility elements (linked with
// --js-library): each element becomes an invisible DOM element over the
// canvas at its frame, in the toolkit's order, so that screen readers and the
// keyboard reach what the canvas only draws.
//
// The elements let pointers through (gestures stay on the canvas). Activating
// one (a click, Enter or Space, a screen reader's double tap) calls back into
// the toolkit, which taps the control as a finger would. Elements are kept
// across updates when their role, label and address stay, so focus stays on
// them and the chart's live region announces only its new value.

mergeInto(LibraryManager.library, {
  $A11Y: {
    box: null,
    nodes: [],
    activate: null,
    width: 1,
    height: 1,
    container: function() {
      if (A11Y.box) {
        return A11Y.box;
      }
      var b = A11Y.box = document.createElement('div');
      b.id = 'a11y';
      // The app's content, so that every element sits in a landmark.
      b.setAttribute('role', 'main');
      var s = b.style;
      s.position = 'fixed';
      s.pointerEvents = 'none';
      s.overflow = 'hidden';
      b.addEventListener('click', function(e) {
        var el = e.target.closest ? e.target.closest('[data-a11y]') : null;
        if (!el) {
          return;
        }
        // Links open through the toolkit, in a new tab, not here.
        e.preventDefault();
        if (A11Y.activate) {
          A11Y.activate(A11Y.nodes.indexOf(el));
        }
      });
      b.addEventListener('keydown', function(e) {
        if (e.key !== 'Enter' && e.key !== ' ' && e.key !== 'Tab') {
          return;
        }
        // The control's own keys: not the page's shortcuts.
        e.stopPropagation();
        if (e.key === ' ' && e.target.tagName === 'A') {
          e.preventDefault();
          e.target.click();
        }
      });
      b.addEventListener('focusin', function(e) {
        e.target.style.outline = '3px solid #ffbf00';
        e.target.style.outlineOffset = '-3px';
      });
      b.addEventListener('focusout', function(e) {
        e.target.style.outline = '';
      });
      document.body.appendChild(b);
      return b;
    },
    // Keeps the layer on the canvas as the page letterboxes it.
    place: function() {
      var c = document.getElementById('canvas');
      if (!c || !A11Y.box) {
        return;
      }
      var r = c.getBoundingClientRect(), s = A11Y.box.style;
      s.left = r.left + 'px';
      s.top = r.top + 'px';
      s.width = r.width + 'px';
      s.height = r.height + 'px';
    },
    make: function(role, link, label) {
      var el;
      if (role === 'button') {
        el = document.createElement('button');
        el.type = 'button';
      } else if (role === 'link') {
        el = document.createElement('a');
        el.href = link;
        el.rel = 'noopener';
      } else {
        el = document.createElement('div');
        if (role === 'live') {
          el.setAttribute('role', 'status');
          el.setAttribute('aria-live', 'polite');
          el.setAttribute('aria-label', label);
        }
      }
      el.setAttribute('data-a11y', role);
      var s = el.style;
      s.position = 'absolute';
      s.boxSizing = 'border-box';
      s.margin = s.padding = '0';
      s.border = '0';
      s.background = 'transparent';
      s.color = 'transparent';
      s.font = '12px sans-serif';
      s.overflow = 'hidden';
      s.whiteSpace = 'nowrap';
      return el;
    },
  },

  wb_a11y_listen__deps: ['$A11Y'],
  wb_a11y_listen: function(cb, user) {
    A11Y.activate = function(i) {
      if (i >= 0) {
        {{{ makeDynCall('vii', 'cb') }}}(i, user);
      }
    };
    window.addEventListener('resize', A11Y.place);
    window.addEventListener('orientationchange', A11Y.place);
    A11Y.place();
    return 1;
  },

  // records: role, label, value, link separated by U+001F, each record
  // ended by U+001E; frames: x, y, width, height a record (floats), in points
  // of a screen of width x height, taken to six significant digits as the
  // records once carried them.
  wb_a11y_update__deps: ['$A11Y'],
  wb_a11y_update: function(records, frames, width, height) {
    var box = A11Y.container();
    var old = A11Y.nodes.slice(), next = [];
    var focused = document.activeElement;
    var hadFocus = old.indexOf(focused) >= 0;
    var list = UTF8ToString(records).split('\x1e');
    list.pop();
    for (var i = 0; i < list.length; ++i) {
      var f = list[i].split('\x1f');
      var role = f[0], label = f[1], value = f[2], link = f[3];
      var el = null;
      for (var j = 0; j < old.length; ++j) {
        var o = old[j];
        if (o && o.getAttribute('data-a11y') === role && o.a11yLabel === label && o.a11yLink === link) {
          el = o;
          old[j] = null;
          break;
        }
      }
      if (!el) {
        el = A11Y.make(role, link, label);
        el.a11yLabel = label;
        el.a11yLink = link;
      }
      var text = role === 'live' ? value : (value ? label + ' ' + value : label);
      if (el.textContent !== text) {
        el.textContent = text;
      }
      var s = el.style, r = (frames >> 2) + 4 * i;
      s.left = (100 * +HEAPF32[r].toPrecision(6) / width) + '%';
      s.top = (100 * +HEAPF32[r + 1].toPrecision(6) / height) + '%';
      s.width = (100 * +HEAPF32[r + 2].toPrecision(6) / width) + '%';
      s.height = (100 * +HEAPF32[r + 3].toPrecision(6) / height) + '%';
      next.push(el);
    }
    for (var k = 0; k < old.length; ++k) {
      if (old[k]) {
        box.removeChild(old[k]);
      }
    }
    for (var n = 0; n < next.length; ++n) {
      if (box.children[n] !== next[n]) {
        box.insertBefore(next[n], box.children[n] || null);
      }
    }
    A11Y.nodes = next;
    A11Y.place();
    if (hadFocus && document.activeElement !== focused) {
      // The focused control went with its screen: on to the first of the new one.
      var again = next.indexOf(focused) >= 0 ? focused : box.querySelector('button, a');
      if (again) {
        again.focus();
      }
    }
  },
});
