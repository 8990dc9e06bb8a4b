// The browser build reads numbers (interface descriptions, flags) through
// strtod.js instead of the C library: the same values and the same end of
// the number as C's strtod for every form C accepts.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const library = {}, heap = new ArrayBuffer(1 << 16);
const sandbox = { LibraryManager: { library }, mergeInto: (lib, o) => Object.assign(lib, o),
                  HEAPU8: new Uint8Array(heap), HEAP32: new Int32Array(heap) };
vm.runInNewContext(fs.readFileSync(path.join(__dirname, '../../platform/backend/web/strtod.js'), 'utf8'), sandbox);

// The C string, the value C reads from it, and the bytes it uses.
const CASES = [
  ['12.5', 12.5, 4], ['0.1', 0.1, 3], ['  -0.25e2x', -25, 9], ['+3', 3, 2], ['.5,', 0.5, 2], ['1.', 1, 2],
  ['1e', 1, 1], ['7E+2]', 700, 4], ['1e400', Infinity, 5], ['1e-400', 0, 6], ['-0', -0, 2],
  ['2.2250738585072014e-308', 2.2250738585072014e-308, 23],
  ['inf', Infinity, 3], ['-Infinity!', -Infinity, 9], ['infinit', Infinity, 3], ['nan(0x1)', NaN, 8],
  ['NaN(abc)', NaN, 8], ['0x1p3', 8, 5], ['0x.8', 0.5, 4], ['-0x1F', -31, 5], ['0x', 0, 1],
  ['.', 0, 0], ['-', 0, 0], ['abc', 0, 0], ['', 0, 0], ['1\xe92', 1, 1],
];

test('numbers as C reads them', () => {
  for (const [s, value, used] of CASES) {
    sandbox.HEAPU8.fill(0);
    sandbox.HEAPU8.set(Buffer.from(s, 'latin1'), 64);
    const v = library.sc_strtod(64, 0);
    // Object.is: -0 is not 0, NaN is NaN.
    assert.ok(Object.is(v, value) && sandbox.HEAP32[0] === used, `"${s}": ${v}, ${sandbox.HEAP32[0]} bytes`);
  }
});
