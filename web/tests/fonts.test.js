// Font loading: the page's typefaces come from its own server, canvas text
// uses them, and the readout and a constellation name hold the same pixels as
// in the native program's snapshot of the same state, within a small
// tolerance: at most 1% of the pixels of each box off by more than 64 of 255,
// and a mean difference of at most 12 (glyph edges are antialiased by two
// different rasterisers). With the browser's own fonts the readout had 1.25%
// off and the label 2.71%. (Their widths in each engine, and the star dots,
// are engines.test.js's.)
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

test('readout and a constellation name: the same pixels, from the bundled typeface', async (t) => {
  if (h.skipWithoutNative(t)) return;
  // A phone at pixel ratio 1, the size of the native "phone" device.
  const { server, foreign, page } = await h.openSite(t, { viewport: { width: 320, height: 480 }, deviceScaleFactor: 1,
                                                          hasTouch: true, isMobile: true });
  const fontRequests = [];
  page.on('request', (r) => { if (/\.woff2$/.test(r.url())) fontRequests.push(r.url()); });
  await page.goto(server.url);
  await h.firstFrame(page);
  await h.nextFrame(page);
  const web = h.decodePng(await page.screenshot());
  const fonts = await page.evaluate(() => [...new Set(window.__draw.texts.map((t) => t.font.replace(/^[^"]*/, '')))]);
  const faces = await page.evaluate(() => [...document.fonts].filter((f) => f.status === 'loaded')
    .map((f) => `${f.family.replace(/"/g, '')} ${f.weight}`).sort());
  assert.deepEqual(foreign, []);
  assert.equal(fontRequests.length, 2, fontRequests.join(', '));
  assert.deepEqual(faces, ['Starchart Sans bold', 'Starchart Sans normal']);
  assert.deepEqual(fonts, ['"Starchart Sans"'], 'every text in the bundled typeface');

  const native = h.nativeSnapshot(['--device', 'phone', '--pixel-ratio', '1', '--ra', '17', '--dec', '31']);
  assert.deepEqual([native.width, native.height], [web.width, web.height]);
  for (const text of [await page.evaluate(h.readoutText), 'Draco']) {
    // The box around the text, drawn at 14 points, as the page shows it.
    const { x, y, width } = await page.evaluate(h.findText, text);
    const clamp = (v, hi) => Math.max(0, Math.min(hi, Math.round(v)));
    const box = { x0: clamp(x - 3, web.width), x1: clamp(x + width + 3, web.width),
                  y0: clamp(y - 14, web.height - 1) + 1, y1: clamp(y + 14 * 0.35, web.height - 1) };
    const d = compare(native, web, box);
    t.diagnostic(`${text}: box ${box.x0},${box.y0} to ${box.x1},${box.y1}, web read ${d.dx}, ${d.dy} px off, mean ` +
                 `difference ${d.mean.toFixed(2)} of 255, ${(100 * d.offShare).toFixed(2)}% of pixels off by more than 64`);
    assert.ok(d.ink > 30, `${text}: the box holds text (${d.ink} lit pixels)`);
    assert.ok(d.mean <= 12 && d.offShare <= 0.01, `${text}: at most 12 of 255 on average and 1% of pixels off by 64`);
  }
});
