// The canvas drawing context, operation by operation, read back from the
// device pixels: what each call must achieve, at several pixel ratios.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const { buildDir, launch, serve } = require('./harness.js');

// Device pixel (x, y) of a pixels() result as [r, g, b, a].
const at = (px, x, y) => Array.from(px.data.subarray(4 * (y * px.width + x), 4 * (y * px.width + x) + 4));
// Sum of alpha down column x between rows y0 and y1: 255 per fully covered pixel.
const columnCoverage = (px, x, y0, y1) => Array.from({ length: y1 - y0 }, (_, i) => at(px, x, y0 + i)[3]).reduce((a, b) => a + b);
// Bounding box and count of the pixels that pass `lit`.
function inkBox(px, lit = (p) => p[3] > 64) {
  const b = { minX: Infinity, minY: Infinity, maxX: -1, maxY: -1, count: 0 };
  for (let y = 0; y < px.height; ++y) {
    for (let x = 0; x < px.width; ++x) {
      if (!lit(at(px, x, y))) continue;
      Object.assign(b, { minX: Math.min(b.minX, x), maxX: Math.max(b.maxX, x), minY: Math.min(b.minY, y),
                         maxY: Math.max(b.maxY, y), count: b.count + 1 });
    }
  }
  return { ...b, width: b.maxX - b.minX + 1, height: b.maxY - b.minY + 1 };
}
const near = (actual, expected, tolerance, what) =>
  assert.ok(Math.abs(actual - expected) <= tolerance, `${what}: ${actual}, expected ${expected} ± ${tolerance}`);
// The conditions of `cond` that pixel p fails: 'a=0', 'a>200 r<80', 'a=128±2'.
const unmet = (p, cond) => cond.split(' ').filter((c) => {
  const [, ch, op, n, tol = 0] = /^([rgba])([<>=])(\d+)(?:±(\d+))?$/.exec(c);
  const v = p['rgba'.indexOf(ch)];
  return !(op === '<' ? v < +n : op === '>' ? v > +n : Math.abs(v - n) <= tol);
});
const RED = 'r>180 b<80 a>128', BLUE = 'b>180 r<80 a>128';

// One row per drawing: its size in points, the pixel ratios it runs at, the
// probe calls (run in the page after P.begin), and points it must leave as
// stated: [x, y, want, what] (device pixel x and y times the ratio).
const dots = Array.from({ length: 800 }, (_, k) =>
  [5 * (k % 40) + 2.5, 20 + 5 * Math.floor(k / 40) + 2.5, 'r>200 b>200 a>200', 'one of 800 white dots']);
const cases = [
  {
    name: 'colours, alpha and clearing', size: [100, 60], ratios: [1, 2],
    draw: () => {
      P.fill(0, 0, 0.8, 1); P.fillRect(10, 10, 40, 40);
      P.fill(1, 0, 0, 0.5); P.fillRect(60, 10, 30, 30);
      P.clearRect(20, 20, 10, 10);
    },
    px: [[15, 15, [0, 0, 204, 255]], [25, 25, [0, 0, 0, 0], 'cleared to transparent'],
         [75, 25, 'a=128±2 r=255±3', 'a half-transparent fill']],
  },
  {
    name: 'a whole fill under a clip, and one translated away, draw only their part', size: [100, 60], ratios: [2],
    draw: () => {
      P.fill(0, 0, 0, 1); P.fillRect(0, 0, 100, 60);
      P.fill(0, 0, 1, 1); P.save(); P.clip(0, 0, 50, 60); P.fillRect(0, 0, 100, 60); P.restore();
      P.fill(0, 0, 0, 1); P.save(); P.translate(70, 0); P.fillRect(0, 0, 100, 60); P.restore();
    },
    px: [[15, 30, [0, 0, 255, 255], 'blue inside the clip'], [60, 30, [0, 0, 0, 255], 'black outside it']],
  },
  {
    name: 'ellipses are discs, gathered dots keep their colour', size: [220, 130], ratios: [2],
    draw: () => {
      P.fill(1, 1, 1, 1); P.fillEllipse(10, 10, 6, 6); P.fillEllipse(30, 10, 4, 4);
      for (let j = 0; j < 20; ++j) for (let i = 0; i < 40; ++i) P.fillEllipse(5 * i + 1.5, 20 + 5 * j + 1.5, 2, 2);
      P.fill(1, 0, 0, 1); P.fillEllipse(100, 122, 6, 6);
    },
    px: [[13, 13, [255, 255, 255, 255], 'centre of the 6-point disc'], [10, 10, 'a<40', 'its corner stays empty'],
         [32, 12, 'a>200', 'centre of the 4-point disc'], [30, 10, 'a<40', 'its corner stays empty'],
         ...dots, [103, 125, RED, 'the dot after the colour change']],
  },
  {
    name: 'line segments are independent and consume the current path', size: [100, 100], ratios: [1],
    draw: () => {
      P.stroke(1, 1, 1, 1); P.lineWidth(2);
      P.beginPath(); P.moveTo(10, 80); P.lineTo(90, 80);
      P.segments([[10, 10], [90, 10], [10, 50], [90, 50], [50, 90]]);
      P.strokePath();
    },
    px: [[50, 10, 'a>200', 'first segment'], [50, 50, 'a>200', 'second segment'],
         [50, 30, 'a=0', 'no line joins one to the next'], [88, 30, 'a=0', 'no line joins one to the next'],
         [50, 70, 'a=0', 'an odd last point draws nothing'], [50, 80, 'a=0', 'the path built before is gone']],
  },
  {
    name: 'paths: rounded rectangles, closing, a clip between', size: [200, 100], ratios: [1],
    draw: () => {
      P.fill(1, 1, 1, 1); P.beginPath(); P.addRoundedRect(10, 10, 80, 80, 20); P.fillPath();
      P.stroke(1, 1, 1, 1); P.lineWidth(2);
      P.beginPath(); P.moveTo(110, 10); P.lineTo(190, 10); P.lineTo(190, 90); P.closePath(); P.strokePath();
      P.beginPath(); P.moveTo(100, 50); P.lineTo(106, 50);
      P.save(); P.clip(0, 0, 200, 100); P.strokePath(); P.restore();
    },
    px: [[50, 50, [255, 255, 255, 255], 'rounded rectangle filled'], [12, 12, 'a=0', 'its corner is rounded off'],
         [50, 11, 'a>200', 'its straight edge is full'], [150, 50, 'a>150', 'closePath drew the diagonal back'],
         [103, 50, 'a>150', 'the path survived the clip']],
  },
  {
    name: 'graphics state: save, restore, translate, clip, alpha', size: [100, 100], ratios: [2],
    draw: () => {
      P.fill(0, 0, 1, 1);
      P.save(); P.fill(1, 0, 0, 1); P.translate(50, 0); P.clip(0, 0, 20, 20); P.fillRect(-50, 0, 150, 100);
      P.restore();
      P.fillRect(0, 50, 10, 10);
      P.alpha(0.5); P.fillRect(20, 50, 10, 10);
    },
    px: [[60, 10, RED, 'inside the translated clip'], [40, 10, 'a=0', 'left of the clip'],
         [60, 30, 'a=0', 'below the clip'], [5, 55, [0, 0, 255, 255], 'colour, translation and clip restored'],
         [25, 55, 'a=128±2', 'alpha 0.5']],
  },
  {
    name: 'images are upright, straight alpha, and never taken for a freed one', size: [100, 50], ratios: [1],
    draw: () => {
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
    },
    px: [[5, 5, [255, 0, 0, 255], 'top-left pixel at the top left'], [35, 5, [0, 255, 0, 255]],
         [5, 35, [0, 0, 255, 255], 'bottom-left at the bottom left'],
         [35, 35, 'a=128±2 r=255±3', 'half-transparent pixel, its colour unpremultiplied'],
         [55, 5, [255, 255, 0, 255], 'a new image drawn with its own pixels']],
    after: (page) => page.evaluate(() => window.reused),
  },
  {
    name: 'surfaces composite pixel for pixel and flush their queued dots', size: [100, 100], ratios: [2],
    draw: () => {
      const view = P.surface(50, 50, 2);
      P.use(view);
      P.fill(0, 1, 0, 1); P.fillRect(10, 10, 0.5, 0.5);
      P.fill(1, 1, 1, 1); P.fillEllipse(20, 20, 6, 6);
      P.use(0);
      P.drawSurface(20, 30, view);
    },
    px: [[30, 40, [0, 255, 0, 255], 'one device pixel lands on one device pixel'], [29.5, 40, 'a=0'],
         [30.5, 40, 'a=0'], [30, 40.5, 'a=0'], [43, 53, [255, 255, 255, 255], 'the dot queued on the view']],
  },
];

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
  // Pixels after P.begin(w, h, s) and the probe calls of fn(arg) (a function or an expression).
  const draw = async ([w, h, s], fn, arg) => {
    await page.evaluate(([w, h, s]) => P.begin(w, h, s), [w, h, s]);
    await (arg === undefined ? page.evaluate(fn) : page.evaluate(fn, arg));
    const px = await page.evaluate(() => P.pixels());
    px.data = Buffer.from(px.data, 'base64');
    return px;
  };

  for (const c of cases) {
    await t.test(c.name, async () => {
      for (const s of c.ratios) {
        const px = await draw([...c.size, s], c.draw);
        assert.deepEqual([px.width, px.height], [c.size[0] * s, c.size[1] * s]);
        for (const [x, y, want, what = ''] of c.px) {
          // `want` is [r, g, b, a] exactly, or conditions on its channels.
          const p = at(px, x * s, y * s), where = `(${x * s}, ${y * s}) ${what} at ratio ${s}: [${p}]`;
          assert.deepEqual(Array.isArray(want) ? p : unmet(p, want), Array.isArray(want) ? want : [], where);
        }
        if (c.after) assert.ok(await c.after(page), `${c.name}: the check after drawing`);
      }
    });
  }

  await t.test('a fill or clear of the whole surface after other drawing still covers it', async () => {
    const steps = {
      'segments': 'P.stroke(1, 0, 0, 1); P.lineWidth(6); P.segments([[0, 30], [100, 30]]);',
      'a path': 'P.fill(1, 0, 0, 1); P.beginPath(); P.addRoundedRect(40, 20, 20, 20, 4); P.fillPath();',
      'a dot': 'P.fill(1, 0, 0, 1); P.fillEllipse(45, 25, 10, 10);',
      'text': "P.fill(1, 0, 0, 1); P.selectFont('Helvetica', 40, 1); P.textMode(0); P.textMatrix(1, 0, 0, -1, 0, 0); P.text(30, 45, 'MM');",
      'an opaque fill of another colour': 'P.fill(1, 0, 0, 1); P.fillRect(0, 0, 100, 60);',
      'a half-transparent fill of the same colour': 'P.fill(1, 0, 0, 1); P.fillRect(0, 0, 100, 60); P.fill(0, 0, 0, 0.5); P.fillRect(0, 0, 100, 60);',
    };
    const black = 'P.fill(0, 0, 0, 1); P.fillRect(0, 0, 100, 60);', clear = 'P.clearRect(0, 0, 100, 60);';
    for (const [what, step] of Object.entries(steps)) {
      const filled = await draw([100, 60, 2], black + step + black);
      assert.equal(inkBox(filled, (p) => p[0] > 10).count, 0, `black fill after ${what}`);
      const cleared = await draw([100, 60, 2], clear + step + clear);
      assert.equal(inkBox(cleared, (p) => p[3] > 0).count, 0, `clear after ${what}`);
    }
  });

  await t.test('line width 0 strokes one device pixel at every pixel ratio', async () => {
    for (const s of [1, 2, 3]) {
      const px = await draw([100, 60, s], () => {
        P.stroke(1, 1, 1, 1);
        P.lineWidth(5); P.segments([[0, 10.3], [100, 10.3]]);
        // The canvas keeps its last width when given 0: this must not be 5.
        P.lineWidth(0); P.segments([[0, 30.3], [100, 30.3]]);
        P.beginPath(); P.moveTo(0, 45.6); P.lineTo(100, 45.6); P.strokePath();
      });
      const x = 50 * s;
      near(columnCoverage(px, x, 0, 20 * s), 5 * s * 255, 0.1 * 5 * s * 255, `width 5 at ratio ${s}`);
      near(columnCoverage(px, x, 20 * s, 40 * s), 255, 40, `width 0 segment at ratio ${s}`);
      near(columnCoverage(px, x, 40 * s, 60 * s), 255, 40, `width 0 path at ratio ${s}`);
    }
  });

  // Text at 40 (or 80) points at ratio 2, under the given matrix and mode.
  const glyphs = (m, text, { size = 40, mode = 0, width = 0, box = [200, 180], at = [50, 60] } = {}) =>
    draw([...box, 2], ([m, text, size, mode, width, at]) => {
      P.fill(1, 0, 0, 1); P.stroke(0, 0, 1, 1); P.lineWidth(width);
      P.selectFont('Helvetica', size, 1); P.textMode(mode); P.textMatrix(...m);
      P.text(...at, text);
    }, [m, text, size, mode, width, at]);

  await t.test('the text matrix: flipped is upright, turned runs down', async () => {
    const s = 2, base = 60;
    const upright = inkBox(await glyphs([1, 0, 0, -1, 0, 0], 'F'));
    assert.ok(upright.count > 100, 'the glyph is drawn');
    assert.ok(upright.maxY <= base * s + 1, `upright ink ends at the baseline (${upright.maxY})`);
    assert.ok(upright.minY < base * s - 40, 'and rises above it');
    near(upright.minX, 50 * s, 10, 'starting at the point');
    // Glyph x along the view's y axis, glyph "up" along +x: text runs downward.
    const turned = inkBox(await glyphs([0, 1, 1, 0, 0, 0], 'FFF'));
    assert.ok(turned.height > 2 * turned.width, 'rotated text is tall');
    assert.ok(turned.minY >= base * s - 1, 'and runs down from the point');
    assert.ok(turned.minX >= 50 * s - 1, 'to the right of it');
  });

  await t.test('text drawing modes: fill, and fill then stroke', async () => {
    // Stroke alone (1) only as the measure of a whole outline; width 0 last.
    const counts = [];
    for (const [mode, width] of [[0, 3], [1, 3], [2, 3], [2, 0]]) {
      const px = await glyphs([1, 0, 0, -1], 'H', { size: 80, mode, width, box: [160, 100], at: [10, 85] });
      const count = (cond) => inkBox(px, (p) => !unmet(p, cond).length).count;
      counts.push({ red: count(RED), blue: count(BLUE) });
    }
    const [fill, stroke, both, thin] = counts;
    assert.ok(fill.red > 1000 && fill.blue === 0, `fill only ${JSON.stringify(fill)}`);
    assert.ok(both.red > 500 && both.blue > 1000, `both ${JSON.stringify(both)}`);
    assert.ok(both.blue > 0.9 * stroke.blue, 'the outline is drawn whole, after the fill');
    assert.ok(thin.red > 0.7 * fill.red, `fill shows under a zero-width outline (${thin.red} of ${fill.red})`);
  });
});
