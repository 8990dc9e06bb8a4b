// The canvas drawing context, operation by operation, read back from the
// device pixels: what each call must achieve, at several pixel ratios.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { buildDir, launch, serve } = require('./harness.js');

// Device pixel (x, y) of a pixels() result as [r, g, b, a].
function at(px, x, y) {
  const i = 4 * (y * px.width + x);
  return Array.from(px.data.subarray(i, i + 4));
}
// Sum of alpha down column x between rows y0 and y1: 255 per fully covered pixel.
function columnCoverage(px, x, y0, y1) {
  let sum = 0;
  for (let y = y0; y < y1; ++y) sum += at(px, x, y)[3];
  return sum;
}
// Bounding box of pixels that pass `lit`.
function inkBox(px, lit = (p) => p[3] > 64) {
  let minX = Infinity, minY = Infinity, maxX = -1, maxY = -1, count = 0;
  for (let y = 0; y < px.height; ++y) {
    for (let x = 0; x < px.width; ++x) {
      if (lit(at(px, x, y))) {
        ++count;
        minX = Math.min(minX, x); maxX = Math.max(maxX, x);
        minY = Math.min(minY, y); maxY = Math.max(maxY, y);
      }
    }
  }
  return { minX, minY, maxX, maxY, count, width: maxX - minX + 1, height: maxY - minY + 1 };
}
function near(actual, expected, tolerance, what) {
  assert.ok(Math.abs(actual - expected) <= tolerance, `${what}: ${actual}, expected ${expected} ± ${tolerance}`);
}
const isRed = (p) => p[0] > 180 && p[2] < 80 && p[3] > 128;
const isBlue = (p) => p[2] > 180 && p[0] < 80 && p[3] > 128;

test('canvas context', async (t) => {
  const server = await serve(buildDir('probe'));
  const browser = await launch();
  const page = await browser.newPage();
  await page.goto(server.url + 'probe.html');
  await page.waitForFunction(() => window.P);
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const draw = async (fn, arg) => {
    const out = await page.evaluate(fn, arg);
    if (out && typeof out.data === 'string') out.data = Buffer.from(out.data, 'base64');
    return out;
  };

  await t.test('colours, alpha and clearing', async () => {
    for (const s of [1, 2]) {
      const px = await draw((s) => {
        P.begin(100, 60, s);
        P.fill(0, 0, 0.8, 1);
        P.fillRect(10, 10, 40, 40);
        P.fill(1, 0, 0, 0.5);
        P.fillRect(60, 10, 30, 30);
        P.clearRect(20, 20, 10, 10);
        return P.pixels();
      }, s);
      assert.equal(px.width, 100 * s);
      assert.deepEqual(at(px, 15 * s, 15 * s), [0, 0, 204, 255]);
      assert.deepEqual(at(px, 25 * s, 25 * s), [0, 0, 0, 0], 'cleared to transparent');
      const half = at(px, 75 * s, 25 * s);
      near(half[3], 128, 2, 'alpha of a half-transparent fill');
      near(half[0], 255, 3, 'its red');
    }
  });

  await t.test('a fill or clear of the whole surface after other drawing still covers it', async () => {
    // Each case: the whole surface one colour, something drawn on it, then
    // the whole surface filled or cleared again: nothing of the middle step
    // may show.
    const cases = ['segments', 'a path', 'a dot', 'text', 'an opaque fill of another colour',
                   'a half-transparent fill of the same colour'];
    for (const what of cases) {
      const [filled, cleared] = await draw((what) => {
        const steps = {
          'segments': () => { P.stroke(1, 0, 0, 1); P.lineWidth(6); P.segments([[0, 30], [100, 30]]); },
          'a path': () => { P.fill(1, 0, 0, 1); P.beginPath(); P.addRect(40, 20, 20, 20); P.fillPath(); },
          'a dot': () => { P.fill(1, 0, 0, 1); P.fillEllipse(45, 25, 10, 10); },
          'text': () => { P.fill(1, 0, 0, 1); P.selectFont('Helvetica', 40, 1); P.textMode(0); P.textMatrix(1, 0, 0, -1, 0, 0); P.text(30, 45, 'MM'); },
          'an opaque fill of another colour': () => { P.fill(1, 0, 0, 1); P.fillRect(0, 0, 100, 60); },
          'a half-transparent fill of the same colour': () => { P.fill(1, 0, 0, 1); P.fillRect(0, 0, 100, 60); P.fill(0, 0, 0, 0.5); P.fillRect(0, 0, 100, 60); },
        };
        P.begin(100, 60, 2);
        P.fill(0, 0, 0, 1);
        P.fillRect(0, 0, 100, 60);
        steps[what]();
        P.fill(0, 0, 0, 1);
        P.fillRect(0, 0, 100, 60);
        const a = P.pixels();
        P.begin(100, 60, 2);
        P.clearRect(0, 0, 100, 60);
        steps[what]();
        P.clearRect(0, 0, 100, 60);
        return [a, P.pixels()];
      }, what);
      for (const px of [filled, cleared]) px.data = Buffer.from(px.data, 'base64');
      const reds = (px) => inkBox(px, (p) => p[0] > 10).count;
      assert.equal(reds(filled), 0, `black fill after ${what}`);
      assert.equal(inkBox(cleared, (p) => p[3] > 0).count, 0, `clear after ${what}`);
    }
    // A fill under a clip and one translated away still draw only their part.
    const px = await draw(() => {
      P.begin(100, 60, 2);
      P.fill(0, 0, 0, 1);
      P.fillRect(0, 0, 100, 60);
      P.fill(0, 0, 1, 1);
      P.save();
      P.clip(0, 0, 50, 60);
      P.fillRect(0, 0, 100, 60);
      P.restore();
      P.fill(0, 0, 0, 1);
      P.save();
      P.translate(70, 0);
      P.fillRect(0, 0, 100, 60);
      P.restore();
      return P.pixels();
    });
    assert.deepEqual(at(px, 30, 60), [0, 0, 255, 255], 'blue inside the clip');
    assert.deepEqual(at(px, 120, 60), [0, 0, 0, 255], 'black outside it');
  });

  await t.test('line width 0 strokes one device pixel at every pixel ratio', async () => {
    for (const s of [1, 2, 3]) {
      const px = await draw((s) => {
        P.begin(100, 60, s);
        P.stroke(1, 1, 1, 1);
        P.lineWidth(5);
        P.segments([[0, 10.3], [100, 10.3]]);
        // The canvas keeps its last width when given 0: this must not be 5.
        P.lineWidth(0);
        P.segments([[0, 30.3], [100, 30.3]]);
        P.beginPath();
        P.moveTo(0, 45.6);
        P.lineTo(100, 45.6);
        P.strokePath();
        return P.pixels();
      }, s);
      const x = 50 * s;
      near(columnCoverage(px, x, 0, 20 * s), 5 * s * 255, 0.1 * 5 * s * 255, `width 5 at ratio ${s}`);
      near(columnCoverage(px, x, 20 * s, 40 * s), 255, 40, `width 0 segment at ratio ${s}`);
      near(columnCoverage(px, x, 40 * s, 60 * s), 255, 40, `width 0 path at ratio ${s}`);
    }
  });

  await t.test('the text matrix: flipped is upright, turned runs down, its translation ignored', async () => {
    const s = 2, base = 60;
    const glyph = async (a, b, c, d, tx, ty, text = 'F') => {
      // Tall enough for text turned to run down from the point.
      return inkBox(await draw(([s, m, text]) => {
        P.begin(200, 180, s);
        P.fill(1, 1, 1, 1);
        P.selectFont('Helvetica', 40, 1);
        P.textMode(0);
        P.textMatrix(...m);
        P.text(50, 60, text);
        return P.pixels();
      }, [s, [a, b, c, d, tx, ty], text]));
    };
    const upright = await glyph(1, 0, 0, -1, 0, 0);
    assert.ok(upright.count > 100, 'the glyph is drawn');
    assert.ok(upright.maxY <= base * s + 1, `upright ink ends at the baseline (${upright.maxY})`);
    assert.ok(upright.minY < base * s - 40, 'and rises above it');
    near(upright.minX, 50 * s, 10, 'starting at the point');

    // The point given to the call is where the text goes, whatever the
    // matrix's own translation.
    const moved = await glyph(1, 0, 0, -1, 30, 40);
    assert.deepEqual([moved.minX, moved.minY, moved.maxX, moved.maxY],
                     [upright.minX, upright.minY, upright.maxX, upright.maxY]);

    // Glyph x along the view's y axis, glyph "up" along +x: text runs downward.
    const turned = await glyph(0, 1, 1, 0, 0, 0, 'FFF');
    assert.ok(turned.height > 2 * turned.width, 'rotated text is tall');
    assert.ok(turned.minY >= base * s - 1, 'and runs down from the point');
    assert.ok(turned.minX >= 50 * s - 1, 'to the right of it');
  });

  await t.test('text drawing modes: fill, and fill then stroke', async () => {
    const counts = [];
    // Stroke alone (1) only as the measure of a whole outline.
    for (const mode of [0, 1, 2]) {
      const px = await draw((mode) => {
        P.begin(160, 100, 2);
        P.fill(1, 0, 0, 1);
        P.stroke(0, 0, 1, 1);
        P.lineWidth(3);
        P.selectFont('Helvetica', 80, 1);
        P.textMode(mode);
        P.textMatrix(1, 0, 0, -1);
        P.text(10, 85, 'H');
        return P.pixels();
      }, mode);
      let red = 0, blue = 0;
      for (let i = 0; i < px.data.length; i += 4) {
        const p = px.data.subarray(i, i + 4);
        if (isRed(p)) ++red;
        if (isBlue(p)) ++blue;
      }
      counts.push({ red, blue });
    }
    assert.ok(counts[0].red > 1000 && counts[0].blue === 0, `fill only ${JSON.stringify(counts[0])}`);
    assert.ok(counts[2].red > 500 && counts[2].blue > 1000, `both ${JSON.stringify(counts[2])}`);
    // The outline is drawn over the fill, whole.
    assert.ok(counts[2].blue > 0.9 * counts[1].blue, 'the stroke comes after the fill');

    // Width 0 outlines one device pixel and leaves the fill showing.
    const thin = await draw(() => {
      P.begin(160, 100, 2);
      P.fill(1, 0, 0, 1);
      P.stroke(0, 0, 1, 1);
      P.lineWidth(0);
      P.selectFont('Helvetica', 80, 1);
      P.textMode(2);
      P.textMatrix(1, 0, 0, -1);
      P.text(10, 85, 'H');
      return P.pixels();
    });
    let red = 0;
    for (let i = 0; i < thin.data.length; i += 4) if (isRed(thin.data.subarray(i, i + 4))) ++red;
    assert.ok(red > 0.7 * counts[0].red, `fill shows under a zero-width outline (${red} of ${counts[0].red})`);
  });

  await t.test('ellipses are discs, gathered dots keep their colour', async () => {
    const px = await draw(() => {
      P.begin(220, 130, 2);
      P.fill(1, 1, 1, 1);
      P.fillEllipse(10, 10, 6, 6);
      P.fillEllipse(30, 10, 4, 4);
      for (let j = 0; j < 20; ++j) for (let i = 0; i < 40; ++i) P.fillEllipse(5 * i + 1.5, 20 + 5 * j + 1.5, 2, 2);
      P.fill(1, 0, 0, 1);
      P.fillEllipse(100, 122, 6, 6);
      return P.pixels();
    });
    assert.deepEqual(at(px, 26, 26), [255, 255, 255, 255], 'centre of the 6-point disc');
    assert.ok(at(px, 20, 20)[3] < 40, 'its bounding square\'s corner stays empty');
    assert.ok(at(px, 64, 24)[3] > 200, 'centre of the 4-point disc');
    assert.ok(at(px, 60, 20)[3] < 40, 'its corner stays empty');
    let missing = 0;
    for (let j = 0; j < 20; ++j) {
      for (let i = 0; i < 40; ++i) {
        const p = at(px, 2 * (5 * i + 2.5), 2 * (20 + 5 * j + 2.5));
        if (!(p[0] > 200 && p[2] > 200 && p[3] > 200)) ++missing;
      }
    }
    assert.equal(missing, 0, 'every one of 800 small white dots drawn white');
    assert.ok(isRed(at(px, 206, 250)), 'the dot after the colour change is red');
  });

  await t.test('line segments are independent and consume the current path', async () => {
    const px = await draw(() => {
      P.begin(100, 100, 1);
      P.stroke(1, 1, 1, 1);
      P.lineWidth(2);
      P.beginPath();
      P.moveTo(10, 80);
      P.lineTo(90, 80);
      P.segments([[10, 10], [90, 10], [10, 50], [90, 50], [50, 90]]);
      P.strokePath();
      return P.pixels();
    });
    assert.ok(at(px, 50, 10)[3] > 200 && at(px, 50, 50)[3] > 200, 'both segments drawn');
    assert.ok(at(px, 50, 30)[3] === 0 && at(px, 88, 30)[3] === 0, 'no line joins the end of one to the next');
    assert.equal(at(px, 50, 70)[3], 0, 'an odd last point draws nothing');
    assert.equal(at(px, 50, 80)[3], 0, 'the path built before is gone');
  });

  await t.test('paths: rounded rectangles, closing, a clip between', async () => {
    const px = await draw(() => {
      P.begin(200, 100, 1);
      P.fill(1, 1, 1, 1);
      P.beginPath();
      P.addRoundedRect(10, 10, 80, 80, 20);
      P.fillPath();
      P.stroke(1, 1, 1, 1);
      P.lineWidth(2);
      P.beginPath();
      P.moveTo(110, 10);
      P.lineTo(190, 10);
      P.lineTo(190, 90);
      P.closePath();
      P.strokePath();
      // A clip does not touch the path being built.
      P.beginPath();
      P.moveTo(100, 50);
      P.lineTo(106, 50);
      P.save();
      P.clip(0, 0, 200, 100);
      P.strokePath();
      P.restore();
      return P.pixels();
    });
    assert.deepEqual(at(px, 50, 50), [255, 255, 255, 255], 'rounded rectangle filled');
    assert.equal(at(px, 12, 12)[3], 0, 'its corner is rounded off');
    assert.ok(at(px, 50, 11)[3] > 200, 'its straight edge is full');
    assert.ok(at(px, 150, 50)[3] > 150, 'closePath drew the diagonal back to the start');
    assert.ok(at(px, 103, 50)[3] > 150, 'the path survived the clip');
  });

  await t.test('graphics state: save, restore, translate, clip, alpha', async () => {
    const px = await draw(() => {
      P.begin(100, 100, 2);
      P.fill(0, 0, 1, 1);
      P.save();
      P.fill(1, 0, 0, 1);
      P.translate(50, 0);
      P.clip(0, 0, 20, 20);
      P.fillRect(-50, 0, 150, 100);
      P.restore();
      P.fillRect(0, 50, 10, 10);
      P.alpha(0.5);
      P.fillRect(20, 50, 10, 10);
      return P.pixels();
    });
    assert.ok(isRed(at(px, 120, 20)), 'inside the translated clip');
    assert.equal(at(px, 80, 20)[3], 0, 'left of the clip');
    assert.equal(at(px, 120, 60)[3], 0, 'below the clip');
    assert.deepEqual(at(px, 10, 110), [0, 0, 255, 255], 'colour, translation and clip restored');
    near(at(px, 50, 110)[3], 128, 2, 'alpha 0.5');
  });

  await t.test('images are upright, straight alpha, and never taken for a freed one', async () => {
    const px = await draw(() => {
      P.begin(100, 50, 1);
      const img = P.image(2, 2, 1, [255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 128, 128, 128, 128]);
      P.drawImage(img, 0, 0, 40, 40);
      // A new image in the freed one's place must not be taken for it.
      const place = P.imageAddress(img);
      P.forgetImage(img);
      let other = -1;
      for (let tries = 0; tries < 50; ++tries) {
        other = P.image(2, 2, 1, [255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255, 255, 255, 0, 255]);
        if (P.imageAddress(other) === place) break;
      }
      window.reused = P.imageAddress(other) === place;
      P.drawImage(other, 50, 0, 40, 40);
      return P.pixels();
    });
    assert.deepEqual(at(px, 5, 5), [255, 0, 0, 255], 'top-left pixel at the top left');
    assert.deepEqual(at(px, 35, 5), [0, 255, 0, 255]);
    assert.deepEqual(at(px, 5, 35), [0, 0, 255, 255], 'bottom-left at the bottom left');
    const corner = at(px, 35, 35);
    near(corner[3], 128, 2, 'half-transparent pixel alpha');
    near(corner[0], 255, 3, 'its colour unpremultiplied');
    assert.deepEqual(at(px, 55, 5), [255, 255, 0, 255], 'a new image drawn with its own pixels');
    assert.ok(await page.evaluate(() => window.reused), 'the new image took the freed one\'s place');
  });

  await t.test('surfaces composite pixel for pixel and flush their queued dots', async () => {
    const px = await draw(() => {
      P.begin(100, 100, 2);
      const view = P.surface(50, 50, 2);
      P.use(view);
      P.fill(0, 1, 0, 1);
      P.fillRect(10, 10, 0.5, 0.5);
      P.fill(1, 1, 1, 1);
      P.fillEllipse(20, 20, 6, 6);
      P.use(0);
      P.drawSurface(20, 30, view);
      return P.pixels();
    });
    assert.deepEqual(at(px, 60, 80), [0, 255, 0, 255], 'one device pixel lands on one device pixel');
    assert.equal(at(px, 59, 80)[3], 0);
    assert.equal(at(px, 61, 80)[3], 0);
    assert.equal(at(px, 60, 81)[3], 0);
    assert.deepEqual(at(px, 2 * 43, 2 * 53), [255, 255, 255, 255], 'the dot queued on the view is there');
  });

  await t.test('a resized surface takes its new pixel ratio', async () => {
    const px = await draw(() => {
      P.begin(50, 50, 1);
      P.resize(0, 60, 40, 3);
      P.stroke(1, 1, 1, 1);
      P.lineWidth(0);
      P.segments([[0, 20.2], [60, 20.2]]);
      return P.pixels();
    });
    assert.equal(px.width, 180);
    assert.equal(px.height, 120);
    near(columnCoverage(px, 90, 0, 120), 255, 40, 'width 0 is one of the new device pixels');
  });
});
