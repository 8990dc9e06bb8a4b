// The link's fragment as the starting view, and kept up with the chart
// (linked into the web program with --js-library).

mergeInto(LibraryManager.library, {
  // out holds ra, dec, zoom and then each one's lowest and highest value;
  // the fragment's values replace the first three. 0 when it has none, or
  // has a bad one (then the default view, with a warning on the console).
  sc_read_fragment: function(out) {
    var text = location.hash.replace(/^#/, '');
    if (!text) {
      return 0;
    }
    var order = ['ra', 'dec', 'zoom'];
    var base = out >> 3, values = HEAPF64.slice(base, base + 3);
    var parts = text.split('&');
    for (var i = 0; i < parts.length; ++i) {
      var kv = parts[i].split('=');
      var name = kv[0], v = kv.length === 2 ? kv[1] : '';
      var at = order.indexOf(name);
      var lo = HEAPF64[base + 3 + 2 * at], hi = HEAPF64[base + 4 + 2 * at];
      if (at < 0 || !/^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$/.test(v) || +v < lo || +v > hi) {
        console.warn('starchart: the link\'s view "#' + text + '" is not used: ' +
                     (at >= 0 ? name + '=' + v + ' is not a number from ' + lo + ' to ' + hi
                              : '"' + name + '" is not one of ra, dec, zoom') + '; showing the default view');
        return 0;
      }
      values[at] = +v;
    }
    HEAPF64.set(values, base);
    return 1;
  },

  sc_write_fragment: function(ra, dec, zoom) {
    function fixed(x) { return String(+x.toFixed(4)); }
    history.replaceState(history.state, '', '#ra=' + fixed(ra) + '&dec=' + fixed(dec) + '&zoom=' + fixed(zoom));
  },
});
