// The browser build reads numbers (interface descriptions, flags) through
// strtod.js instead of the C library: the same values and the same end of
// the number as C's strtod for every form C accepts.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const vm = require('vm');

const library = {};
const heap = new ArrayBuffer(1 << 16);
const sandbox = {
  LibraryManager: { library },
  mergeInto: (lib, o) => Object.assign(lib, o),
  HEAPU8: new Uint8Array(heap),
  HEAP32: new Int32Array(heap),
};
vm.runInNewContext(fs.readFileSync(path.join(__dirname, '..', '..', 'platform', 'backend', 'web', 'strtod.js'), 'utf8'),
                   sandbox);

// [value, bytes used] for the C string s.
function strtod(s) {
  const at = 64;
  const bytes = Buffer.from(s, 'latin1');
  sandbox.HEAPU8.fill(0);
  sandbox.HEAPU8.set(bytes, at);
  const v = library.sc_strtod(at, 0);
  return [v, sandbox.HEAP32[0]];
}

test('decimal numbers as C reads them', () => {
  assert.deepEqual(strtod('12.5'), [12.5, 4]);
  assert.deepEqual(strtod('0.1'), [0.1, 3]);
  assert.deepEqual(strtod('  -0.25e2x'), [-25, 9]);
  assert.deepEqual(strtod('+3'), [3, 2]);
  assert.deepEqual(strtod('.5,'), [0.5, 2]);
  assert.deepEqual(strtod('1.'), [1, 2]);
  assert.deepEqual(strtod('1e'), [1, 1]);
  assert.deepEqual(strtod('7E+2]'), [700, 4]);
  assert.deepEqual(strtod('1e400'), [Infinity, 5]);
  assert.deepEqual(strtod('1e-400'), [0, 6]);
  assert.deepEqual(strtod('2.2250738585072014e-308'), [2.2250738585072014e-308, 23]);
  assert.ok(Object.is(strtod('-0')[0], -0));
});

test('words, hexadecimal and nothing at all', () => {
  assert.deepEqual(strtod('inf'), [Infinity, 3]);
  assert.deepEqual(strtod('-Infinity!'), [-Infinity, 9]);
  assert.deepEqual(strtod('infinit'), [Infinity, 3]);
  assert.ok(Number.isNaN(strtod('nan(0x1)')[0]));
  assert.equal(strtod('NaN(abc)')[1], 8);
  assert.deepEqual(strtod('0x1p3'), [8, 5]);
  assert.deepEqual(strtod('0x.8'), [0.5, 4]);
  assert.deepEqual(strtod('-0x1F'), [-31, 5]);
  assert.deepEqual(strtod('0x'), [0, 1]);
  assert.deepEqual(strtod('.'), [0, 0]);
  assert.deepEqual(strtod('-'), [0, 0]);
  assert.deepEqual(strtod('abc'), [0, 0]);
  assert.deepEqual(strtod(''), [0, 0]);
  assert.deepEqual(strtod('1\xe92'), [1, 1]);
});
