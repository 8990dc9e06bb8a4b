// The browser's number parser behind strtod (see WebStrtod.cpp).
mergeInto(LibraryManager.library, {
  // Scans the longest number at s (ASCII only: no number has other bytes),
  // stores the bytes it used at `used`, and returns the value.
  sc_strtod: function(s, used) {
    var t = '';
    for (var p = s; HEAPU8[p] !== 0 && HEAPU8[p] < 128 && t.length < 4096; ++p) t += String.fromCharCode(HEAPU8[p]);
    var m = /^[\t\n\v\f\r ]*([+-]?)(?:0[xX]([0-9a-fA-F]*)(?:\.([0-9a-fA-F]*))?(?:[pP]([+-]?[0-9]+))?|((?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)|(inf(?:inity)?)|(nan(?:\([0-9A-Za-z_]*\))?))/i.exec(t);
    var v = 0, n = 0;
    if (m && m[5] !== undefined) {
      v = Number(m[5]);
      n = m[0].length;
    } else if (m && m[6] !== undefined) {
      v = Infinity;
      n = m[0].length;
    } else if (m && m[7] !== undefined) {
      v = NaN;
      n = m[0].length;
    } else if (m && (m[2] || m[3])) {
      // Hexadecimal: exact up to 13 digits, as every double needs.
      var digits = (m[2] || '') + (m[3] || '');
      for (var i = 0; i < digits.length; ++i) v = v * 16 + parseInt(digits.charAt(i), 16);
      v *= Math.pow(2, (m[4] ? parseInt(m[4], 10) : 0) - 4 * (m[3] || '').length);
      n = m[0].length;
    } else if (m) {
      // "0x" without digits is the number 0 and the letter x.
      n = /^[\t\n\v\f\r ]*[+-]?0/.exec(t)[0].length;
    }
    if (m && m[1] === '-') v = -v;
    HEAP32[used >> 2] = n;
    return v;
  },
});
