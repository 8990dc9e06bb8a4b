// The application in the browser, driven by real touch events through CDP on
// a phone and a tablet viewport: drag, spread, double taps, Quit, the info
// screen, a link; only frames that something asked for; nothing fetched from
// another host.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

// "Ra : 17h 00mn 00s  De : 31d 00' 00\" " -> { ra: hours, dec: degrees }
function parseReadout(text) {
  const m = /^Ra : (\d+)h (\d+)mn (\d+)s {2}De : (-?\d+)d (-?\d+)' (-?\d+)" $/.exec(text);
  assert.ok(m, `readout "${text}"`);
  const [hh, mm, ss, dd, dm, ds] = m.slice(1).map(Number);
  return { ra: hh + mm / 60 + ss / 3600, dec: dd + dm / 60 + ds / 3600 };
}

const CONSTELLATIONS = ['Hercules', 'Lyra', 'Draco', 'Bootes', 'Corona Borealis', 'Ophiuchus', 'Serpens', 'Cygnus'];

for (const device of ['phone', 'tablet']) {
  test(`app on a ${device}`, async (t) => {
    const server = await h.serve(h.buildDir('site'));
    const browser = await h.launch();
    const { context, foreign } = await h.openContext(browser, server, device);
    await context.addInitScript(h.recordDrawing);
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
    t.after(async () => {
      await browser.close();
      await server.close();
    });
    await page.goto(server.url);
    await h.firstFrame(page);
    const cdp = await context.newCDPSession(page);
    const touch = h.touchscreen(cdp);
    const { width, height } = page.viewportSize();
    // Wide-screen constants of the gestures: pan factor and zoom divisor.
    const wide = width > 480;
    const f = wide ? 1.5 : 1.0;

    // Texts and composites since the last mark (the log itself keeps all).
    const since = { texts: 0, blits: 0 };
    const texts = () => page.evaluate((i) => window.__draw.texts.slice(i).map((x) => x.text), since.texts);
    // Canvases composited into the last frame presented.
    const lastFrame = () => page.evaluate(() => {
      const last = window.starchart.frames - 1;
      return window.__draw.blits.filter((b) => b.frame === last).map((b) => b.src);
    });
    const mark = async () => {
      Object.assign(since, await page.evaluate(() => ({ texts: window.__draw.texts.length, blits: window.__draw.blits.length })));
    };
    const frames = () => page.evaluate(() => window.starchart.frames);
    // The readout of the last chart pass.
    const readout = async () => parseReadout(await page.evaluate(() =>
      window.__draw.texts.filter((x) => x.text.startsWith('Ra :')).pop().text));
    // Chart-view positions of the constellation names of the last pass.
    const labels = () => page.evaluate(([names, i]) => {
      const out = {};
      for (const x of window.__draw.texts.slice(i)) if (names.includes(x.text)) out[x.text] = [x.x, x.y];
      return out;
    }, [CONSTELLATIONS, since.texts]);
    let scaleNow = 1;
    const zoom = async () => scaleNow;
    const settle = async () => {
      await h.nextFrame(page);
      await h.sleep(60);
      await h.nextFrame(page);
    };

    await t.test('opens on 17 h, +31 degrees and then draws nothing while idle', async () => {
      const start = await readout();
      assert.deepEqual(start, { ra: 17, dec: 31 });
      await settle();
      const before = await frames();
      await h.sleep(400);
      assert.equal(await frames(), before, 'no frame without a change');
    });

    await t.test('a one-finger drag moves the centre by the distance travelled', async () => {
      const dx = 100 * f, dy = 16 * f;  // one hour and two degrees at scale 1
      const x0 = width / 2, y0 = height / 2;
      await mark();
      const before = await frames();
      await touch.start([[x0, y0, 1]]);
      for (let i = 1; i <= 10; ++i) await touch.move([[x0 + dx * i / 10, y0 + dy * i / 10, 1]]);
      await touch.end();
      await settle();
      const r = await readout();
      assert.ok(Math.abs(r.ra - 18) < 2 / 3600, `right ascension ${r.ra}`);
      assert.ok(Math.abs(r.dec - 33) < 2 / 3600, `declination ${r.dec}`);
      const drawn = (await frames()) - before;
      assert.ok(drawn >= 1 && drawn <= 12, `${drawn} frames for 12 touch events`);
      // Later frames are drawn on the page's canvas itself: still the chart.
      const shot = h.decodePng(await page.screenshot());
      let white = 0;
      for (let i = 0; i < shot.rgba.length; i += 4) if (shot.rgba[i] > 240 && shot.rgba[i + 1] > 240 && shot.rgba[i + 2] > 240) ++white;
      assert.ok(white > 100, `${white} white pixels (star dots) on screen after the drag`);
    });

    await t.test('moves that arrive within one frame make one redraw', async () => {
      await h.sleep(400);
      const start = await readout();
      const x0 = width / 2, y0 = height / 2;
      await touch.start([[x0, y0, 5]]);
      await settle();
      const before = await frames();
      // Ten moves queued at once: the browser delivers them before its next frame.
      await Promise.all(Array.from({ length: 10 }, (_, i) => touch.move([[x0 + 10 * (i + 1), y0, 5]])));
      await settle();
      const drawn = (await frames()) - before;
      await touch.end();
      await settle();
      assert.ok(drawn >= 1 && drawn <= 3, `${drawn} frames for 10 moves`);
      const r = await readout();
      const expected = start.ra + 100 / (100 * f);
      assert.ok(Math.abs(r.ra - expected) < 2 / 3600, `every move counted: ${r.ra}, expected ${expected}`);
    });

    await t.test('a two-finger spread raises the zoom by the distance gained on each move', async () => {
      await h.sleep(400);
      const centre = await readout();
      const before = await labels();
      const cx = width / 2, cy = height / 2 + 20;
      await mark();
      await touch.start([[cx - 50, cy, 1]]);
      await touch.start([[cx - 50, cy, 1], [cx + 50, cy, 2]]);
      for (const half of [75, 100, 125, 150]) await touch.move([[cx - half, cy, 1], [cx + half, cy, 2]]);
      // 50 + 100 + 150 + 200 points gained over the four moves, over 2000
      // (3000 on a wide screen).
      const gained = wide ? 500 / 3000 : 500 / 2000;
      await touch.end();
      await settle();
      const after = await labels();
      const names = Object.keys(after).filter((n) => before[n]);
      assert.ok(names.length >= 2, `labels on both charts: ${names}`);
      const dist = (p, q) => Math.hypot(p[0] - q[0], p[1] - q[1]);
      const ratio = dist(after[names[0]], after[names[1]]) / dist(before[names[0]], before[names[1]]);
      assert.ok(Math.abs(ratio - (1 + gained)) < 0.01, `zoom ratio ${ratio}, expected ${1 + gained}`);
      scaleNow = 1 + gained;
      const r = await readout();
      assert.deepEqual(r, centre, 'the centre stays');
    });

    const doubleTap = async (x, y) => {
      await touch.tap(x, y);
      await h.sleep(80);
      await touch.tap(x, y);
      await settle();
    };

    // The learning mode's steps are the app tests' business; here: taps in
    // quick succession count as on a device, and the Quit button is presented
    // where a finger finds it.
    await t.test('a double tap adds the star names, a second shows "Quit", Quit restores', async () => {
      await h.sleep(400);
      const x = width / 2 + 30, y = height / 2 + 60;
      await mark();
      await doubleTap(x, y);
      assert.ok((await texts()).includes('Vega'), 'star names drawn');

      await h.sleep(400);
      await mark();
      await doubleTap(x, y);
      assert.ok((await texts()).includes('Quit'), '"Quit" shown');

      const quit = await h.locateText(page, 'Quit');
      assert.ok(quit, 'Quit is on screen');
      // Its frame is (width - 65, 5, 60, 37) in the main view.
      assert.ok(quit.x > width - 65 && quit.x < width - 5 && quit.y > 5 && quit.y < 42, JSON.stringify(quit));
      const quitCanvas = await page.evaluate(() => [...window.__draw.texts].reverse().find((x) => x.text === 'Quit').canvas);
      assert.ok((await lastFrame()).includes(quitCanvas), 'the Quit button is in the frame');
      await h.sleep(400);
      await mark();
      await touch.tap(quit.x + 10, quit.y - 5);
      await settle();
      const shown = await lastFrame();
      assert.ok(shown.length > 0 && !shown.includes(quitCanvas), 'the Quit button is gone');
    });

    await t.test('the info screen opens and closes', async () => {
      const info = await h.locateText(page, 'Info');
      assert.ok(info, 'the Info item is on screen');
      await mark();
      await touch.tap(info.x + 12, info.y - 5);
      await h.sleep(600);  // the flip or the fade
      await settle();
      const drawn = await texts();
      assert.ok(drawn.includes('Please visit our web site :'), 'info screen drawn');
      const infoCanvas = await page.evaluate(() =>
        [...window.__draw.texts].reverse().find((x) => x.text === 'Please visit our web site :').canvas);
      assert.ok((await lastFrame()).includes(infoCanvas), 'the info screen is in the frame');
      if (wide) {
        // The tablet's popover: the item toggles it.
        await touch.tap(info.x + 12, info.y - 5);
      } else {
        const done = await h.locateText(page, 'Done');
        assert.ok(done, 'Done is on screen');
        await touch.tap(done.x + 15, done.y - 6);
      }
      await h.sleep(600);
      await settle();
      const shown = await lastFrame();
      assert.ok(shown.length > 0 && !shown.includes(infoCanvas), 'the info screen is gone');
    });

    if (!wide) {
      await t.test('a link opens a new tab without a way back to the page', async () => {
        const info = await h.locateText(page, 'Info');
        await touch.tap(info.x + 12, info.y - 5);
        await h.sleep(600);
        await settle();
        const link = await h.locateText(page, '      starchart.example.org');
        assert.ok(link, 'the web-site button is on screen');
        const opened = context.waitForEvent('page');
        await touch.tap(link.x + 60, link.y - 6);
        const tab = await opened;
        await tab.waitForLoadState().catch(() => {});
        // The test refuses the tab's request to the other host: it shows up there.
        assert.ok(foreign.some((u) => /^https?:\/\/starchart\.example\.org/.test(u)), `requests: ${foreign}`);
        assert.equal(await tab.evaluate(() => window.opener), null, 'noopener');
        await tab.close();
        const done = await h.locateText(page, 'Done');
        await touch.tap(done.x + 15, done.y - 6);
        await h.sleep(600);
        await settle();
        // The tab's own request was refused by the test; nothing else left.
        const others = foreign.filter((u) => !/starchart\.example\.org/.test(u));
        foreign.length = 0;
        foreign.push(...others);
      });
    }

    await t.test('turned sideways, the chart stays whole and touches still land on it', async () => {
      const before = await readout();
      await page.setViewportSize({ width: height, height: width });
      await settle();
      const box = await page.evaluate(() => {
        const r = document.getElementById('canvas').getBoundingClientRect();
        return { left: r.left, top: r.top, width: r.width, height: r.height };
      });
      const s = Math.min(height / width, width / height);
      assert.ok(Math.abs(box.width - width * s) < 0.5 && Math.abs(box.height - height * s) < 0.5,
                `scaled whole: ${JSON.stringify(box)}`);
      assert.ok(Math.abs(box.left - (height - width * s) / 2) <= 1 && box.top === 0, 'centred');
      // A drag of d CSS pixels is d / s points on the chart.
      await h.sleep(400);
      const x0 = box.left + box.width / 2, y0 = box.top + box.height / 2;
      await touch.start([[x0, y0, 4]]);
      for (let i = 1; i <= 5; ++i) await touch.move([[x0 + 15 * i, y0, 4]]);
      await touch.end();
      await settle();
      const after = await readout();
      const expected = before.ra + 75 / s / (100 * f * (await zoom()));
      assert.ok(Math.abs(after.ra - expected) < 3 / 3600, `right ascension ${after.ra}, expected ${expected}`);
      await page.setViewportSize({ width, height });
    });

    await t.test('a cancelled touch is taken quietly and ends the gesture', async () => {
      const said = [];
      const listen = (m) => said.push(m.text());
      page.on('console', listen);
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: width / 2, y: height / 2, id: 7 }] });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x: width / 2 + 20, y: height / 2, id: 7 }] });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchCancel', touchPoints: [] });
      await h.nextFrame(page);
      await h.sleep(200);
      page.off('console', listen);
      assert.deepEqual(said.filter((s) => /cancel/i.test(s)), []);
    });

    await t.test('nothing fetched from another host, nothing on the console', async () => {
      assert.deepEqual(foreign, []);
      assert.deepEqual(errors, [], errors.join('\n'));
    });
  });
}
