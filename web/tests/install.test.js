// Installability: the manifest parses and names PNG icons of 192 and 512
// pixels (one maskable), every icon loads at its stated size and is kept for
// offline use, the service worker controls the page, and the page's policy
// has no 'unsafe-eval' and is enforced. (That the program runs within it, in
// each engine, is engines.test.js's: a violation is an error there.)
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

test('installable web app', async (t) => {
  const { server, foreign, page } = await h.openSite(t, 'phone');
  await page.goto(server.url);
  await h.firstFrame(page);

  const policy = await page.evaluate(
    () => document.querySelector('meta[http-equiv="Content-Security-Policy"]').content);
  assert.match(policy, /script-src 'self' 'wasm-unsafe-eval';/);
  assert.doesNotMatch(policy, /'unsafe-eval'/);
  // The policy holds: code made from a string is refused in the page.
  assert.equal(await page.evaluate(() => {
    const s = document.createElement('script');
    s.textContent = 'window.__inline = 1';
    document.body.appendChild(s);
    return window.__inline === undefined;
  }), true, 'inline scripts are refused');

  const manifest = await page.evaluate(async () => {
    const href = document.querySelector('link[rel="manifest"]').href;
    return JSON.parse(await (await fetch(href)).text());
  });
  assert.equal(manifest.name, 'starchart');
  assert.equal(manifest.start_url, './');
  assert.equal(manifest.display, 'fullscreen');
  const png = manifest.icons.filter((i) => i.type === 'image/png');
  assert.deepEqual(png.map((i) => i.sizes + ' ' + i.purpose).sort(),
    ['192x192 any', '512x512 maskable']);

  const icons = manifest.icons.filter((i) => i.sizes !== 'any').map((i) => [i.src, +i.sizes.split('x')[0]]);
  icons.push([await page.evaluate(() => document.querySelector('link[rel="apple-touch-icon"]').getAttribute('href')), 180]);
  icons.push(['icon.svg', 0]);
  for (const [src, size] of icons) {
    const loaded = await page.evaluate((src) => new Promise((resolve) => {
      const img = new Image();
      img.onload = () => resolve([img.naturalWidth, img.naturalHeight]);
      img.onerror = () => resolve(null);
      img.src = src;
    }), src);
    assert.ok(loaded, `${src} loads`);
    if (size) assert.deepEqual(loaded, [size, size], src);
  }

  await page.evaluate(() => navigator.serviceWorker.ready);
  await page.reload();
  await h.firstFrame(page);
  assert.equal(await page.evaluate(() => !!navigator.serviceWorker.controller), true,
    'the service worker controls the page');
  const cached = await page.evaluate(async () => {
    const names = await caches.keys();
    const cache = await caches.open(names.find((n) => n.startsWith('starchart-')));
    return (await cache.keys()).map((r) => new URL(r.url).pathname);
  });
  for (const [src] of icons) assert.ok(cached.includes('/' + src), `${src} is cached for offline`);
  assert.deepEqual(foreign, []);
});
