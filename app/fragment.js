// The link's fragment as the starting view, and kept up with the chart
// (linked into the web program with --js-library).

mergeInto(LibraryManager.library, {
  // Fills out with ra, dec, zoom from the fragment; 0 when it has none, or has
  // a bad one (then the default view, with a warning on the console).
  sc_read_fragment: function(out) {
    var text = location.hash.replace(/^#/, '');
    if (!text) {
      return 0;
    }
    var limits = {ra: [0, 24], dec: [-90, 90], zoom: [0.9, 3]};
    var order = ['ra', 'dec', 'zoom'];
    var values = {ra: 17, dec: 31, zoom: 1};
    var parts = text.split('&');
    for (var i = 0; i < parts.length; ++i) {
      var kv = parts[i].split('=');
      var name = kv[0], v = kv.length === 2 ? kv[1] : '';
      var lim = limits.hasOwnProperty(name) ? limits[name] : null;
      if (!lim || !/^[+-]?([0-9]+[.]?[0-9]*|[.][0-9]+)$/.test(v) || +v < lim[0] || +v > lim[1]) {
        console.warn('starchart: the link\'s view "#' + text + '" is not used: ' +
                     (lim ? name + '=' + v + ' is not a number from ' + lim[0] + ' to ' + lim[1]
                          : '"' + name + '" is not one of ra, dec, zoom') + '; showing the default view');
        return 0;
      }
      values[name] = +v;
    }
    for (var j = 0; j < 3; ++j) {
      HEAPF64[(out >> 3) + j] = values[order[j]];
    }
    return 1;
  },

  sc_write_fragment: function(ra, dec, zoom) {
    function fixed(x) { return String(+x.toFixed(4)); }
    history.replaceState(history.state, '', '#ra=' + fixed(ra) + '&dec=' + fixed(dec) + '&zoom=' + fixed(zoom));
  },
});
