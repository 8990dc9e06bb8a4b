// The core of the browser suite in each engine: Chromium, Firefox ESR and
// WebKitGTK (see engines.js for how each is driven, and with what input), on
// a phone-sized window, once as is and once on the canvas path of browsers
// without OffscreenCanvas (?offscreen=0).
'use strict';
const fs = require('node:fs');
const path = require('node:path');
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');
const { ENGINES, INPUT, injected, webkitColdLoad } = require('./engines.js');

const WASM = '/starchart.wasm';

// Requests of the page itself, apart from those of its service worker.
const fromPage = (log) => log.filter((r) => !r.referer.endsWith('/sw.js'));

async function until(what, check, timeout = 20000) {
  for (const start = Date.now(); ;) {
    const v = await check();
    if (v) return v;
    if (Date.now() - start > timeout) throw new Error(`timed out waiting for ${what}`);
    await h.sleep(50);
  }
}

for (const name of Object.keys(ENGINES)) {
  for (const offscreen of [true, false]) {
    const input = INPUT[name];
    test(`${name}, driven by ${input} events${offscreen ? '' : ', without OffscreenCanvas'}`, async (t) => {
      const server = await h.serve(h.buildDir('site'), { inject: injected() });
      const engine = await ENGINES[name]('phone');
      let serving = true;
      t.after(async () => {
        await engine.close();
        if (serving) await server.close();
      });
      t.diagnostic(`${name}: ${engine.version}`);
      await engine.open(server, server.url + (offscreen ? '' : '?offscreen=0'));
      const firstFrame = () => until('the first frame', () => engine.evaluate(() => !!(window.starchart && window.starchart.firstFrameAt > 0)));
      await firstFrame();
      const errors = [];
      const pageErrors = async () => errors.push(...await engine.evaluate(() => window.__errors.splice(0)));
      const texts = (from = 0) => engine.evaluate((i) => window.__draw.texts.slice(i).map((x) => x.text), from);
      const mark = () => engine.evaluate(() => window.__draw.texts.length);
      const readout = async () => (await texts()).filter((s) => s.startsWith('Ra :')).pop();
      const frame = () => engine.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));
      const settle = async () => {
        await frame();
        await h.sleep(60);
        await frame();
      };
      const locate = (text) => engine.evaluate(h.findText, text);
      // Canvases composited into the last frame presented.
      const lastFrame = () => engine.evaluate(() => {
        const last = window.starchart.frames - 1;
        return window.__draw.blits.filter((b) => b.frame === last).map((b) => b.src);
      });
      const size = await engine.evaluate(() => ({ width: innerWidth, height: innerHeight, ratio: devicePixelRatio }));

      await t.test(offscreen ? 'draws with OffscreenCanvas where the engine has it' : 'draws on canvas elements only', async () => {
        const kinds = await engine.evaluate(() => [...new Set(window.__draw.kinds)]);
        if (offscreen) {
          const has = await engine.evaluate(() => typeof OffscreenCanvas === 'function');
          assert.ok(has, 'all three engines have OffscreenCanvas');
          assert.ok(kinds.includes('OffscreenCanvas'), `drawn on ${kinds}`);
        } else {
          assert.deepEqual(kinds, ['HTMLCanvasElement']);
        }
      });

      await t.test('the readout is as wide as in the other engines', async () => {
        const drawn = await engine.evaluate(() => [...window.__draw.texts].reverse().find((x) => x.text.startsWith('Ra :')));
        const width = drawn.width / size.ratio;
        t.diagnostic(`${name}: the readout is ${width.toFixed(3)} points wide (font ${drawn.font})`);
        assert.equal(drawn.text, 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ');
        // Helvetica's advances at 14 points, unkerned, sum to 229.446 for this
        // line. Within 0.25% of that in each engine: within 0.5% of each other.
        assert.ok(Math.abs(width - 229.446) <= 0.0025 * 229.446, `${width} points`);
      });

      await t.test('a cold load fetches the module once', async () => {
        // The worker is installed after the first frame and keeps every file.
        await engine.evaluate(() => navigator.serviceWorker.ready.then(() => true));
        const kept = await engine.evaluate(() => caches.keys().then(async (names) => {
          for (const n of names.filter((x) => x.startsWith('starchart-') && x !== 'starchart-page')) {
            const hit = await (await caches.open(n)).match('starchart.wasm');
            if (hit) return (await hit.arrayBuffer()).byteLength;
          }
          return 0;
        }));
        assert.equal(kept, fs.statSync(path.join(h.buildDir('site'), 'starchart.wasm')).size, 'the worker keeps the module whole');
        const page = fromPage(server.log);
        t.diagnostic(`${name}: cold load, page ${page.length} requests (${page.map((r) => r.path).join(' ')}), ` +
                     `worker ${server.log.length - page.length} (${server.log.filter((r) => !page.includes(r)).map((r) => r.path).join(' ')})`);
        assert.equal(server.log.filter((r) => r.path === WASM).length, 1,
                     `requests: ${server.log.map((r) => r.path + (r.referer.endsWith('/sw.js') ? ' (worker)' : ''))}`);
      });

      if (name === 'webkit' && offscreen) {
        await t.test('a cold load logs nothing on the engine\'s console', async () => {
          // WebKitGTK's WebDriver does not pass the console on: a browser of its own prints it.
          const alone = await h.serve(h.buildDir('site'));
          try {
            // The worker's last file; any download of the module would come in the settling time after.
            const done = () => alone.log.some((r) => r.path === '/fonts/starchart-sans-bold.woff2' && r.referer.endsWith('/sw.js'));
            const run = await webkitColdLoad(alone.url, done);
            const page = fromPage(alone.log);
            t.diagnostic(`webkit alone: cold load, page ${page.length} requests, worker ${alone.log.length - page.length}; ` +
                         `console: ${run.console.join(' | ') || 'empty'}`);
            assert.deepEqual(run.console.filter((l) => /ERROR/.test(l)), []);
            assert.equal(alone.log.filter((r) => r.path === WASM).length, 1);
            assert.deepEqual(run.foreign, [], 'requests to other hosts');
          } finally {
            await alone.close();
          }
        });
      }

      await t.test('the chart has its dots where the native snapshot has them', async (t) => {
        if (h.skipWithoutNative(t)) return;
        await settle();
        const web = h.decodePng(await engine.screenshot());
        const native = h.nativeSnapshot(['--size', `${size.width}x${size.height}`, '--pixel-ratio', String(size.ratio),
                                         '--ra', '17', '--dec', '31']);
        assert.equal(web.width, native.width);
        assert.equal(web.height, native.height);
        let differ = 0;
        for (let i = 0; i < web.rgba.length; i += 4) {
          for (let c = 0; c < 3; ++c) {
            if (Math.abs(web.rgba[i + c] - native.rgba[i + c]) > 25) {
              ++differ;
              break;
            }
          }
        }
        // Below the 40-point bar that holds the Info item.
        const a = h.dots(native, 40 * size.ratio), b = h.dots(web, 40 * size.ratio);
        const worst = h.worstDotOffset(a, b);
        t.diagnostic(`${name}: ${size.width}x${size.height} x${size.ratio}, ${a.length} dots, worst offset ` +
                     `${worst.toFixed(2)} device pixels; ${(100 * differ / (web.width * web.height)).toFixed(2)}% ` +
                     'of pixels differ from the native snapshot by more than 10%');
        assert.ok(a.length > 100, `${a.length} dots in the native snapshot`);
        assert.equal(b.length, a.length, 'as many dots in the browser');
        assert.ok(worst <= 1, `every dot within a device pixel (worst ${worst.toFixed(2)})`);
      });

      await t.test(`a ${input} drag of 100 points pans one hour`, async () => {
        assert.equal(await readout(), 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ');
        const x0 = size.width / 2, y0 = size.height / 2;
        await engine.drag(Array.from({ length: 11 }, (_, i) => [x0 + 10 * i, y0]));
        await settle();
        assert.match(await readout(), /^Ra : (18h 00mn 00s|17h 59mn 59s) {2}De : 31d 00' 00" $/);
      });

      const doubleTap = async (x, y) => {
        await engine.tap(x, y);
        await h.sleep(80);
        await engine.tap(x, y);
        await settle();
      };

      await t.test(`two double ${input === 'touch' ? 'taps' : 'clicks'} reach learning mode, "Quit" leaves it`, async () => {
        await h.sleep(400);
        const x = size.width / 2 + 30, y = size.height / 2 + 60;
        let from = await mark();
        await doubleTap(x, y);
        assert.ok((await texts(from)).includes('Vega'), 'star names drawn');
        await h.sleep(400);
        from = await mark();
        await doubleTap(x, y);
        assert.ok((await texts(from)).includes('Quit'), '"Quit" shown');
        const quit = await locate('Quit');
        assert.ok(quit && quit.x > size.width - 65 && quit.x < size.width - 5 && quit.y > 5 && quit.y < 42,
                  `Quit at ${JSON.stringify(quit)}`);
        const quitCanvas = await engine.evaluate(() => [...window.__draw.texts].reverse().find((x) => x.text === 'Quit').canvas);
        assert.ok((await lastFrame()).includes(quitCanvas), 'the Quit button is in the frame');
        await h.sleep(400);
        from = await mark();
        await engine.tap(quit.x + 10, quit.y - 5);
        await settle();
        const shown = await lastFrame();
        assert.ok(shown.length > 0 && !shown.includes(quitCanvas), 'the Quit button is gone');
      });

      await t.test('the info screen opens and "Done" closes it', async () => {
        const info = await locate('Info');
        assert.ok(info, 'the Info item is on screen');
        const from = await mark();
        await engine.tap(info.x + 12, info.y - 5);
        await h.sleep(600);
        await settle();
        assert.ok((await texts(from)).includes('Please visit our web site :'), 'info screen drawn');
        const infoCanvas = await engine.evaluate(() =>
          [...window.__draw.texts].reverse().find((x) => x.text === 'Please visit our web site :').canvas);
        assert.ok((await lastFrame()).includes(infoCanvas), 'the info screen is in the frame');
        const done = await locate('Done');
        assert.ok(done, 'Done is on screen');
        await engine.tap(done.x + 15, done.y - 6);
        await h.sleep(600);
        await settle();
        const shown = await lastFrame();
        assert.ok(shown.length > 0 && !shown.includes(infoCanvas), 'the info screen is gone');
      });

      await t.test('a reload starts with the server gone', async () => {
        await until('the worker in control', () => engine.evaluate(() => !!navigator.serviceWorker.controller));
        // The test's own script goes into the offline copy too (the page's files already are).
        await engine.evaluate(() => fetch('/__inject.js').then((r) => r.ok));
        await pageErrors();
        await server.close();
        serving = false;
        await engine.reload();
        await firstFrame();
        await settle();
        // A fresh start, at the view the link's fragment kept: where the drag above left it.
        assert.match(await readout(), /^Ra : (18h 00mn 00s|17h 59mn 59s) {2}De : 31d 00' 00" $/, 'the view in the link');
        const shot = h.decodePng(await engine.screenshot());
        let white = 0;
        for (let i = 0; i < shot.rgba.length; i += 4) if (shot.rgba[i] > 240 && shot.rgba[i + 1] > 240 && shot.rgba[i + 2] > 240) ++white;
        assert.ok(white > 100, `${white} white pixels (star dots)`);
      });

      await t.test('no console errors, no requests to other hosts', async () => {
        await pageErrors();
        assert.deepEqual([...errors, ...engine.consoleErrors()], []);
        assert.deepEqual(engine.foreign(), []);
      });
    });
  }
}
