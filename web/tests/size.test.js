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

test('the whole page compresses to under 200,000 bytes', () => {
  const site = buildDir('site');
  const files = fs.readdirSync(site, { recursive: true }).filter((f) => fs.statSync(path.join(site, f)).isFile());
  // The files the page asks for; a missing one would make the sum look small.
  for (const f of ['index.html', 'app.js', 'starchart.js', 'starchart.wasm', 'sw.js', 'manifest.webmanifest',
    'icon.svg', 'fonts/starchart-sans-regular.woff2', 'fonts/starchart-sans-bold.woff2']) {
    assert.ok(files.includes(f), `${f} is in the site`);
  }
  // The size as gzip -9 gives it (Node's zlib packs the same bytes differently).
  const sizes = files.map((f) => [f, execFileSync('gzip', ['-9', '-c', path.join(site, f)], { maxBuffer: 1 << 24 }).length]);
  const total = sizes.reduce((sum, [, n]) => sum + n, 0);
  assert.ok(total < 200000, `${total} bytes compressed (${sizes.map(([f, n]) => `${f} ${n}`).join(', ')})`);
});
