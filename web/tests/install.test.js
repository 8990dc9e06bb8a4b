// Installability: the manifest parses and names PNG icons of 192 and 512
// pixels (one maskable), every icon loads at its stated size, the service
// worker controls the page, and the page runs under a policy without
// 'unsafe-eval' with no violation reported.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

test('installable web app', async (t) => {
  const server = await h.serve(h.buildDir('site'));
  const browser = await h.launch();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const { context, foreign } = await h.openContext(browser, server, 'phone');
  await context.addInitScript(() => {
    window.__violations = [];
    document.addEventListener('securitypolicyviolation', (e) => {
      window.__violations.push(e.violatedDirective + ' ' + e.blockedURI);
    });
  });
  const page = await context.newPage();
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
  await page.mouse.move(160, 240);
  await page.mouse.down();
  await page.mouse.move(200, 260);
  await page.mouse.up();
  await page.keyboard.press('ArrowLeft');
  await h.nextFrame(page);
  const violations = await page.evaluate(() => window.__violations);
  assert.deepEqual(violations.filter((v) => !v.startsWith('script-src-elem inline')), [],
    'the program itself runs within the policy');
  assert.equal(violations.length, 1, 'only the probe above was refused');

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
