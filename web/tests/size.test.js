// The page stays small on a phone's connection: every file it loads, each
// compressed on its own with gzip -9 as a server would send it, the
// typefaces included, sums to under 200,000 bytes.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { execFileSync } = require('child_process');
const { buildDir } = require('./harness.js');

const BUDGET = 200000;

// The size as gzip -9 gives it (Node's zlib packs the same bytes differently).
function gzip9(file) {
  return execFileSync('gzip', ['-9', '-c', file], { maxBuffer: 1 << 24 }).length;
}

function files(dir) {
  return fs.readdirSync(dir, { withFileTypes: true }).flatMap((e) => {
    const p = path.join(dir, e.name);
    return e.isDirectory() ? files(p) : [p];
  });
}

test('the whole page compresses to under 200,000 bytes', () => {
  const site = buildDir('site');
  const list = files(site);
  const sizes = list.map((f) => [path.relative(site, f), gzip9(f)]);
  const names = sizes.map(([n]) => n);
  // The files the page asks for; a missing one would make the sum look small.
  for (const f of ['index.html', 'app.js', 'starchart.js', 'starchart.wasm', 'sw.js', 'manifest.webmanifest',
    'icon.svg', 'fonts/starchart-sans-regular.woff2', 'fonts/starchart-sans-bold.woff2']) {
    assert.ok(names.includes(f), `${f} is in the site`);
  }
  const total = sizes.reduce((sum, [, n]) => sum + n, 0);
  assert.ok(total < BUDGET, `${total} bytes compressed (${sizes.map(([f, n]) => `${f} ${n}`).join(', ')})`);
});
