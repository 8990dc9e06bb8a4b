// A desktop browser's window the size of the native phone device, at pixel
// ratio 1. Font loading: the page's typefaces come from its own server,
// canvas text uses them, and the readout and a constellation name hold the
// same pixels as in the native program's snapshot of the same state, within
// a small tolerance: at most 1% of the pixels of each box off by more than 64
// of 255, and a mean difference of at most 12 (glyph edges are antialiased by
// two different rasterisers). With the browser's own fonts the readout had
// 1.25% off and the label 2.71%. (Text widths in each engine, and the star
// dots, are engines.test.js's.) Then the mouse, keys and wheel: each makes
// the touches a finger would, so the readout moves as a finger's drag would
// move it; the page itself never zooms, and a focused control keeps its keys.
// Then the view in the link: the page starts at the fragment's view, keeps
// the fragment up with the chart, and shows its own view (with a warning)
// for a bad one.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

// Per pixel, the largest channel difference; over a box, its mean and the
// share of pixels off by more than a quarter of the range. The browser puts
// glyph origins on whole pixels where the native build keeps fractions, so
// the web image is read shifted by up to half a pixel each way (bilinear, in
// quarter pixels) and the best alignment counts.
function compare(a, b, box) {
  const at = (x, y, k) => (x < 0 || y < 0 || x >= b.width || y >= b.height ? 0 : b.rgba[4 * (y * b.width + x) + k]);
  const sample = (fx, fy, k) => {
    const x = Math.floor(fx), y = Math.floor(fy), ax = fx - x, ay = fy - y;
    return (at(x, y, k) * (1 - ax) + at(x + 1, y, k) * ax) * (1 - ay) + (at(x, y + 1, k) * (1 - ax) + at(x + 1, y + 1, k) * ax) * ay;
  };
  let best = null;
  for (let dy = -0.5; dy <= 0.5; dy += 0.25) {
    for (let dx = -0.5; dx <= 0.5; dx += 0.25) {
      let sum = 0, off = 0, n = 0, ink = 0;
      for (let y = box.y0; y < box.y1; ++y) {
        for (let x = box.x0; x < box.x1; ++x, ++n) {
          const i = 4 * (y * a.width + x);
          let d = 0;
          for (let k = 0; k < 3; ++k) d = Math.max(d, Math.abs(a.rgba[i + k] - sample(x + dx, y + dy, k)));
          sum += d;
          off += d > 64;
          ink += a.rgba[i] + a.rgba[i + 1] + a.rgba[i + 2] > 120;
        }
      }
      const r = { dx, dy, mean: sum / n, offShare: off / n, ink };
      if (!best || r.offShare < best.offShare || (r.offShare === best.offShare && r.mean < best.mean)) best = r;
    }
  }
  return best;
}

test('fonts; mouse, keys and wheel; the view in the link', async (t) => {
  const { server, foreign, errors, page } = await h.openSite(t, { viewport: { width: 320, height: 480 }, deviceScaleFactor: 1 });
  const fontRequests = [];
  page.on('request', (r) => { if (/\.woff2$/.test(r.url())) fontRequests.push(r.url()); });
  await page.goto(server.url);
  await h.firstFrame(page);
  const settle = () => h.settle(page);

  await t.test('the bundled typefaces, in every text and pixel for pixel as native', async (st) => {
    await settle();
    const web = h.decodePng(await page.screenshot());
    const fonts = await page.evaluate(() => [...new Set(window.__draw.texts.map((x) => x.font.replace(/^[^"]*/, '')))]);
    const faces = await page.evaluate(() => [...document.fonts].filter((f) => f.status === 'loaded')
      .map((f) => `${f.family.replace(/"/g, '')} ${f.weight}`).sort());
    assert.equal(fontRequests.length, 2, fontRequests.join(', '));
    assert.deepEqual(faces, ['Starchart Sans bold', 'Starchart Sans normal']);
    assert.deepEqual(fonts, ['"Starchart Sans"'], 'every text in the bundled typeface');
    const native = h.nativeSnapshot(st, ['--device', 'phone', '--pixel-ratio', '1', '--ra', '17', '--dec', '31']);
    if (!native) return;
    assert.deepEqual([native.width, native.height], [web.width, web.height]);
    for (const text of [await page.evaluate(h.readoutText), 'Draco']) {
      // The box around the text, drawn at 14 points, as the page shows it.
      const { x, y, width } = await page.evaluate(h.findText, text);
      const clamp = (v, hi) => Math.max(0, Math.min(hi, Math.round(v)));
      const box = { x0: clamp(x - 3, web.width), x1: clamp(x + width + 3, web.width),
                    y0: clamp(y - 14, web.height - 1) + 1, y1: clamp(y + 14 * 0.35, web.height - 1) };
      const d = compare(native, web, box);
      st.diagnostic(`${text}: box ${box.x0},${box.y0} to ${box.x1},${box.y1}, web read ${d.dx}, ${d.dy} px off, mean ` +
                    `difference ${d.mean.toFixed(2)} of 255, ${(100 * d.offShare).toFixed(2)}% of pixels off by more than 64`);
      assert.ok(d.ink > 30, `${text}: the box holds text (${d.ink} lit pixels)`);
      assert.ok(d.mean <= 12 && d.offShare <= 0.01, `${text}: at most 12 of 255 on average and 1% of pixels off by 64`);
    }
  });

  // The readout after `act`, matched to a right ascension (and declination 31° or `dec`).
  const expectRa = async (ra, act = () => {}, dec = '(31d 00\' 00|30d 59\' 59)') => {
    await act();
    await settle();
    assert.match(await page.evaluate(h.readoutText), new RegExp(`^Ra : ${ra} {2}De : ${dec}" $`));
  };
  const press = (key) => () => page.keyboard.press(key);

  // The mouse is one finger: 100 points are one hour.
  await expectRa('17h 00mn 00s');
  await expectRa('(18h 00mn 00s|17h 59mn 59s)', async () => {
    await page.mouse.move(100, 300);
    await page.mouse.down();
    for (let i = 1; i <= 10; ++i) await page.mouse.move(100 + 10 * i, 300);
    await page.mouse.up();
  });
  // Right drags 40 points left: 40 / 100 h = 24 minutes.
  await expectRa('(17h 36mn 00s|17h 35mn 59s)', press('ArrowRight'));
  // One wheel notch up (100 pixels) is a 200-point spread, zoom 1 + 200 / 2000:
  // the same key then pans 40 / (100 x 1.1) h = 21 min 49.1 s.
  await page.mouse.move(160, 240);
  await page.mouse.wheel(0, -100);
  await expectRa('17h 14mn 1[01]s', press('ArrowRight'));
  // A trackpad pinch (the wheel with Ctrl) closing as far, and '-': back to
  // 1 and below it, where Left pans 40 / (100 x 0.9) h = 26 min 40 s.
  await page.keyboard.down('Control');
  await page.mouse.wheel(0, 100);
  await page.keyboard.up('Control');
  await page.keyboard.press('-');
  await expectRa('17h 40mn 5[01]s', press('ArrowLeft'));
  assert.equal(await page.evaluate(() => window.innerWidth), 320, 'the page itself did not zoom');

  // A focused control on the page keeps its keys (the chart does not
  // prevent their default); they come back to the chart when it lets go.
  await page.evaluate(() => {
    window.__prevented = [];
    window.addEventListener('keydown', (e) => window.__prevented.push(e.defaultPrevented));
    document.body.appendChild(document.createElement('button')).focus();
  });
  await expectRa('17h 40mn 5[01]s', async () => {
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('+');
  });
  await page.evaluate(() => document.activeElement.blur());
  await expectRa('17h 14mn 1[01]s', press('ArrowRight'));
  assert.deepEqual(await page.evaluate(() => window.__prevented), [false, false, true]);

  const warnings = [];
  page.on('console', (m) => { if (m.type() === 'warning') warnings.push(m.text()); });
  await page.goto(server.url + '?link#ra=5.5&dec=-20&zoom=2');
  await h.firstFrame(page);
  await expectRa('05h (30mn 00s|29mn 59s)', undefined, '-(20d 00\' 00|19d 59\' 59)');
  assert.deepEqual(warnings, []);
  // Zoom 2: Right drags 40 points, 40 / 200 h = 12 minutes; the link follows, replaced, not pushed.
  const entries = await page.evaluate(() => history.length);
  await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => location.hash.startsWith('#ra=5.3'), null, { timeout: 3000 });
  assert.equal(await page.evaluate(() => location.hash), '#ra=5.3&dec=-20&zoom=2');
  assert.equal(await page.evaluate(() => history.length), entries, 'replaced, not pushed');
  // The same link again shows the same view.
  await page.reload();
  await h.firstFrame(page);
  await expectRa('05h (18mn 00s|17mn 59s)', undefined, '-(20d 00\' 00|19d 59\' 59)');

  for (const [i, bad] of ['#ra=25&dec=0', '#ra=abc', '#zoom=', '#dec=1e1', '#foo=1'].entries()) {
    warnings.length = 0;
    await page.goto(new URL('?try=' + i, server.url).href + bad);
    await h.firstFrame(page);
    await expectRa('17h 00mn 00s');
    assert.equal(warnings.length, 1, bad);
    assert.match(warnings[0], /default view/, bad);
  }
  assert.deepEqual(foreign, []);
  assert.deepEqual(errors, []);
});
