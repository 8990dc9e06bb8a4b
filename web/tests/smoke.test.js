// The page loads from the local server, draws, asks nothing of another host,
// and comes back with the network off once it has been visited.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { buildDir, launch, serve, openContext, decodePng, firstFrame } = require('./harness.js');

test('page', async (t) => {
  const server = await serve(buildDir('site'));
  const browser = await launch();
  t.after(async () => {
    await browser.close();
    await server.close();
  });

  for (const device of ['phone', 'tablet']) {
    await t.test(`draws a frame on a ${device}, only from its own server`, async () => {
      const { context, foreign } = await openContext(browser, server, device);
      const page = await context.newPage();
      const errors = [];
      page.on('pageerror', (e) => errors.push(String(e)));
      page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
      await page.goto(server.url);
      const ms = await firstFrame(page);
      assert.ok(ms > 0 && ms < 10000, `first frame at ${ms} ms`);

      const shot = decodePng(await page.screenshot());
      const { width, height } = page.viewportSize();
      const scale = device === 'phone' ? 3 : 2;
      assert.equal(shot.width, width * scale);
      assert.equal(shot.height, height * scale);
      let lit = 0, white = 0;
      for (let i = 0; i < shot.rgba.length; i += 4) {
        const [r, g, b] = [shot.rgba[i], shot.rgba[i + 1], shot.rgba[i + 2]];
        if (r + g + b > 30) ++lit;
        if (r > 240 && g > 240 && b > 240) ++white;
      }
      // Stars, lines and labels cover far more than a stray pixel or two,
      // and the page around them is black.
      assert.ok(lit > 2000, `${lit} lit pixels`);
      assert.ok(white > 100, `${white} white pixels (star dots)`);
      assert.ok(lit < shot.width * shot.height / 2, 'most of the screen stays black');

      assert.deepEqual(foreign, [], 'requests to another host');
      assert.deepEqual(errors, [], 'errors on the console');
      await context.close();
    });
  }

  await t.test('works offline after the first visit', async () => {
    const { context, foreign } = await openContext(browser, server, 'phone');
    const page = await context.newPage();
    await page.goto(server.url);
    await firstFrame(page);
    // The worker caches every file before it activates.
    const cached = await page.evaluate(async () => {
      await navigator.serviceWorker.ready;
      const names = await caches.keys();
      const cache = await caches.open(names.find((n) => n.startsWith('starchart-')));
      return (await cache.keys()).map((r) => new URL(r.url).pathname).sort();
    });
    for (const f of ['/', '/index.html', '/app.js', '/manifest.webmanifest', '/icon.svg']) {
      assert.ok(cached.includes(f), `${f} cached (have ${cached.join(' ')})`);
    }
    assert.ok(cached.some((f) => f.endsWith('.wasm')), 'the module is cached');

    const served = server.requests.length;
    await context.setOffline(true);
    await page.reload();
    await firstFrame(page);
    await page.close();
    const again = await context.newPage();
    await again.goto(server.url);
    await firstFrame(again);
    assert.equal(server.requests.length, served, 'nothing fetched from the server while offline');
    assert.deepEqual(foreign, []);
    await context.close();
  });
});
