// Font loading: the page's typefaces come from its own server, canvas text
// uses them, and the readout and a constellation name hold the same pixels as
// in the native program's snapshot of the same state, within a small
// tolerance: at most 1% of the pixels of each box off by
// more than 64 of 255, and a mean difference of at most 12 (glyph edges are
// antialiased by two different rasterisers). With the browser's own fonts the
// readout had 1.25% off and the label 2.71%. (The star dots are compared in
// each engine by engines.test.js.)
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

// A phone at pixel ratio 1, the size of the native "phone" device.
const PHONE1 = { viewport: { width: 320, height: 480 }, deviceScaleFactor: 1, hasTouch: true, isMobile: true };

// Per pixel, the largest channel difference; over a box, its mean and the
// share of pixels off by more than a quarter of the range. The browser puts
// glyph origins on whole pixels where the native build keeps fractions, so
// the web image is read shifted by up to half a pixel each way (bilinear, in
// quarter pixels) and the best alignment counts.
function compare(a, b, box) {
  const at = (x, y, k) => (x < 0 || y < 0 || x >= b.width || y >= b.height ? 0 : b.rgba[4 * (y * b.width + x) + k]);
  const sample = (fx, fy, k) => {
    const x = Math.floor(fx), y = Math.floor(fy), ax = fx - x, ay = fy - y;
    return at(x, y, k) * (1 - ax) * (1 - ay) + at(x + 1, y, k) * ax * (1 - ay) +
           at(x, y + 1, k) * (1 - ax) * ay + at(x + 1, y + 1, k) * ax * ay;
  };
  let best = null;
  for (let dy = -0.5; dy <= 0.5; dy += 0.25) {
    for (let dx = -0.5; dx <= 0.5; dx += 0.25) {
      let sum = 0, off = 0, n = 0, ink = 0;
      for (let y = box.y0; y < box.y1; ++y) {
        for (let x = box.x0; x < box.x1; ++x) {
          const i = 4 * (y * a.width + x);
          let d = 0;
          for (let k = 0; k < 3; ++k) d = Math.max(d, Math.abs(a.rgba[i + k] - sample(x + dx, y + dy, k)));
          sum += d;
          if (d > 64) ++off;
          if (a.rgba[i] + a.rgba[i + 1] + a.rgba[i + 2] > 120) ++ink;
          ++n;
        }
      }
      const r = { dx, dy, mean: sum / n, offShare: off / n, ink };
      if (!best || r.offShare < best.offShare || (r.offShare === best.offShare && r.mean < best.mean)) best = r;
    }
  }
  return best;
}

// The box around a text drawn at baseline (x, y) in CSS pixels.
function textBox(img, x, y, width, size) {
  const clamp = (v, hi) => Math.max(0, Math.min(hi, Math.round(v)));
  return { x0: clamp(x - 3, img.width), x1: clamp(x + width + 3, img.width),
           y0: clamp(y - size, img.height - 1) + 1, y1: clamp(y + size * 0.35, img.height - 1) };
}

test('readout and a constellation name: the same pixels, from the bundled typeface', async (t) => {
  if (h.skipWithoutNative(t)) return;
  const { server, foreign, page } = await h.openSite(t, PHONE1);
  const fontRequests = [];
  page.on('request', (r) => { if (/\.woff2$/.test(r.url())) fontRequests.push(r.url()); });
  await page.goto(server.url);
  await h.firstFrame(page);
  await h.nextFrame(page);
  const web = h.decodePng(await page.screenshot());
  const texts = await page.evaluate(() => window.__draw.texts.map((t) => ({ text: t.text, font: t.font })));
  const faces = await page.evaluate(() => [...document.fonts].filter((f) => f.status === 'loaded')
    .map((f) => `${f.family.replace(/"/g, '')} ${f.weight}`).sort());
  const readoutText = await page.evaluate(h.readoutText);
  const readout = await page.evaluate(h.findText, readoutText);
  const label = await page.evaluate(h.findText, 'Draco');
  const widths = await page.evaluate(([a, b]) => {
    const c = document.createElement('canvas').getContext('2d');
    c.font = '14px "Starchart Sans"';
    return [c.measureText(a).width, c.measureText(b).width];
  }, [readoutText, 'Draco']);

  assert.deepEqual(foreign, []);
  assert.equal(fontRequests.length, 2, fontRequests.join(', '));
  assert.deepEqual(faces, ['Starchart Sans bold', 'Starchart Sans normal']);
  for (const x of texts) assert.match(x.font, /"Starchart Sans"$/, `${x.text}: ${x.font}`);
  assert.equal(readoutText, 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ');
  assert.ok(readout && label, 'readout and label were drawn on screen');
  // Helvetica's advances (D 722, r 333, a 556, c 500, o 556 per 1000) at
  // 14 px, unkerned: the same width as the native build measures.
  assert.ok(Math.abs(widths[1] - 37.338) < 0.01, `"Draco" is ${widths[1]} px wide`);

  const native = h.nativeSnapshot(['--device', 'phone', '--pixel-ratio', '1', '--ra', '17', '--dec', '31']);
  assert.equal(native.width, web.width);
  assert.equal(native.height, web.height);

  for (const [name, at, width] of [['readout', readout, widths[0]], ['Draco', label, widths[1]]]) {
    const box = textBox(native, at.x, at.y, width, 14);
    const d = compare(native, web, box);
    t.diagnostic(`${name}: box ${box.x0},${box.y0} to ${box.x1},${box.y1}, web read ${d.dx}, ${d.dy} px off, mean difference ` +
                 `${d.mean.toFixed(2)} of 255, ${(100 * d.offShare).toFixed(2)}% of pixels off by more than 64`);
    assert.ok(d.ink > 30, `${name}: the box holds text (${d.ink} lit pixels)`);
    assert.ok(d.mean <= 12, `${name}: mean difference ${d.mean.toFixed(2)} (at most 12 of 255)`);
    assert.ok(d.offShare <= 0.01, `${name}: ${(100 * d.offShare).toFixed(2)}% of pixels off by more than 64 (at most 1%)`);
  }
});
