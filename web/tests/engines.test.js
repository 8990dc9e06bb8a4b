// What each browser engine adds under the chart: Chromium, Firefox ESR and
// WebKitGTK (engines.js), on a phone-sized window, as is and on the canvas
// path of browsers without OffscreenCanvas (?offscreen=0): the canvases drawn
// on, text widths, the image against the native snapshot at the engine's
// pixel ratio, input mapped to points, a double tap's timing, a control under
// a tap, and the module fetched once (the offline start is update.test.js's).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');
const { ENGINES, INPUT, injected, webkitColdLoad } = require('./engines.js');

const WASM = '/starchart.wasm';
const START = 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ';
const PANNED = /^Ra : (18h 00mn 00s|17h 59mn 59s) {2}De : 31d 00' 00" $/;

// Of each dot in `a`, the distance to the nearest in `b`: the largest, in pixels.
const worstDotOffset = (a, b) =>
  Math.max(0, ...a.map(([x, y]) => Math.min(...b.map(([u, v]) => Math.hypot(u - x, v - y)))));

for (const name of Object.keys(ENGINES)) {
  for (const offscreen of [true, false]) {
    const input = INPUT[name];
    test(`${name}, driven by ${input} events${offscreen ? '' : ', without OffscreenCanvas'}`, async (t) => {
      const server = await h.serve(h.buildDir('site'), { inject: injected() });
      const engine = await ENGINES[name]('phone');
      t.after(async () => {
        await engine.close();
        await server.close();
      });
      t.diagnostic(`${name}: ${engine.version}`);
      await engine.open(server, server.url + (offscreen ? '' : '?offscreen=0'));
      await h.until('the first frame', () => engine.evaluate(() => !!(window.starchart && window.starchart.firstFrameAt > 0)));
      const readout = () => engine.evaluate(h.readoutText);
      const settle = () => h.settle(engine);
      const size = await engine.evaluate(() => ({ width: innerWidth, height: innerHeight, ratio: devicePixelRatio }));

      await t.test(offscreen ? 'draws with OffscreenCanvas, which all three engines have' : 'draws on canvas elements only', async () => {
        const kinds = await engine.evaluate(() => [...new Set(window.__draw.texts.map((x) => x.kind))].join());
        assert.ok(offscreen ? kinds.includes('OffscreenCanvas') : kinds === 'HTMLCanvasElement', `drawn on ${kinds}`);
      });

      await t.test('the readout is as wide as in the other engines', async () => {
        const { width } = await engine.evaluate(h.findText, START);
        // Helvetica's advances at 14 points, unkerned, sum to 229.446 for this
        // line. Within 0.25% of that in each engine: within 0.5% of each other.
        assert.ok(Math.abs(width - 229.446) <= 0.0025 * 229.446, `${width} points`);
      });

      await t.test('a cold load fetches the module once', async () => {
        // The worker is installed after the first frame and keeps every file.
        await engine.evaluate(() => navigator.serviceWorker.ready.then(() => true));
        const kept = await engine.evaluate(async () => ((await caches.keys()).includes('starchart-page') ? -1 :
          (await (await caches.match('starchart.wasm')).arrayBuffer()).byteLength));
        assert.equal(kept, fs.statSync(path.join(h.buildDir('site'), 'starchart.wasm')).size, 'the worker keeps the module whole');
        assert.equal(server.log.filter((r) => r.path === WASM).length, 1,
                     `requests: ${server.log.map((r) => r.path + (r.referer.endsWith('/sw.js') ? ' (worker)' : ''))}`);
      });

      if (name === 'webkit' && offscreen) {
        await t.test('a cold load logs nothing on the engine\'s console', async () => {
          // WebKitGTK's WebDriver does not pass the console on: a browser of its own prints it.
          const alone = await h.serve(h.buildDir('site'));
          t.after(() => alone.close());
          // The worker's last file; any download of the module would come in the settling time after.
          const lines = await webkitColdLoad(alone.url, () => alone.log.some((r) =>
            r.path === '/fonts/starchart-sans-bold.woff2' && r.referer.endsWith('/sw.js')));
          t.diagnostic(`webkit alone: console: ${lines.join(' | ') || 'empty'}`);
          assert.deepEqual(lines.filter((l) => /ERROR/.test(l)), []);
        });
      }

      await t.test('the chart has its dots where the native snapshot has them', async (t) => {
        const flags = ['--size', `${size.width}x${size.height}`, '--pixel-ratio', String(size.ratio), '--ra', '17', '--dec', '31'];
        const native = h.nativeSnapshot(t, flags);
        if (!native) return;
        await settle();
        const web = h.decodePng(await engine.screenshot());
        assert.deepEqual([web.width, web.height], [native.width, native.height]);
        // Below the 40-point bar that holds the Info item.
        const a = h.dots(native, 40 * size.ratio), b = h.dots(web, 40 * size.ratio);
        const worst = worstDotOffset(a, b);
        assert.ok(a.length > 100, `${a.length} dots in the native snapshot`);
        assert.equal(b.length, a.length, 'as many dots in the browser');
        assert.ok(worst <= 1, `every dot within a device pixel (worst ${worst.toFixed(2)})`);
      });

      await t.test(`a ${input} drag of 100 points pans one hour`, async () => {
        assert.equal(await readout(), START);
        const x0 = size.width / 2, y0 = size.height / 2;
        await engine.drag(Array.from({ length: 11 }, (_, i) => [x0 + 10 * i, y0]));
        await settle();
        assert.match(await readout(), PANNED);
      });

      await t.test(`a double ${input === 'touch' ? 'tap' : 'click'} adds the star names`, async () => {
        await h.sleep(400);
        const from = await engine.evaluate(() => window.__draw.texts.length);
        for (const pause of [80, 0]) {
          await engine.tap(size.width / 2 + 30, size.height / 2 + 60);
          await h.sleep(pause);
        }
        await settle();
        assert.ok((await engine.evaluate(h.textsSince, from)).includes('Vega'), 'star names drawn');
      });

      // The Info item and Done, each tapped where the page shows it.
      await t.test('the info screen opens and "Done" closes it', async () => {
        const tap = async (text, dx, dy) => {
          const at = await engine.evaluate(h.findText, text);
          await engine.tap(at.x + dx, at.y - dy);
          await h.sleep(600);
          await settle();
          return engine.evaluate(h.lastFrame);
        };
        await tap('Info', 12, 5);
        const screen = await engine.evaluate(h.findText, 'Please visit our web site :');
        assert.ok(screen && (await engine.evaluate(h.lastFrame)).includes(screen.canvas), 'the info screen is in the frame');
        const shown = await tap('Done', 15, 6);
        assert.ok(shown.length > 0 && !shown.includes(screen.canvas), 'the info screen is gone');
      });

      await t.test('no console errors, no requests to other hosts', async () => {
        assert.deepEqual([...await engine.evaluate(() => window.__errors), ...engine.consoleErrors()], []);
        assert.deepEqual(engine.foreign(), []);
      });
    });
  }
}
