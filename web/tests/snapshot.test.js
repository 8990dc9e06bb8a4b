// The first chart in the browser against the native program's snapshot of the
// same state: every star dot at the same place, within a pixel.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const h = require('./harness.js');

const NATIVE = process.env.STARCHART_NATIVE ||
  path.join(__dirname, '..', '..', 'build', 'dev', 'app', 'starchart');


test('first chart matches the native snapshot in star positions', async (t) => {
  if (!fs.existsSync(NATIVE)) {
    t.skip(`no native program at ${NATIVE} (build the dev preset, or set STARCHART_NATIVE)`);
    return;
  }
  const server = await h.serve(h.buildDir('site'));
  const browser = await h.launch();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  for (const [device, flag, scale] of [['tablet', 'tablet', 2], ['phone', null, 3]]) {
    await t.test(device, async (t) => {
      const { context } = await h.openContext(browser, server, device);
      const page = await context.newPage();
      await page.goto(server.url);
      await h.firstFrame(page);
      await h.nextFrame(page);
      const web = h.decodePng(await page.screenshot());
      await context.close();

      const { width, height } = h.DEVICES[device].viewport;
      const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-')), 'native.png');
      const args = ['snapshot', ...(flag ? ['--device', flag] : ['--size', `${width}x${height}`]),
                    '--pixel-ratio', String(scale), '--ra', '17', '--dec', '31', '--out', out];
      execFileSync(NATIVE, args, { stdio: 'pipe' });
      const native = h.decodePng(fs.readFileSync(out));
      assert.equal(native.width, web.width);
      assert.equal(native.height, web.height);

      // Below the 40-point bar that holds the Info item (white text).
      const a = h.dots(native, 40 * scale), b = h.dots(web, 40 * scale);
      assert.ok(a.length > 100, `${a.length} dots in the native snapshot`);
      assert.equal(b.length, a.length, 'as many dots in the browser');
      let worst = 0;
      for (const [x, y] of a) {
        let best = Infinity;
        for (const [u, v] of b) best = Math.min(best, Math.hypot(u - x, v - y));
        worst = Math.max(worst, best);
      }
      t.diagnostic(`${device}: ${a.length} dots, worst offset ${worst.toFixed(2)} device pixels`);
      assert.ok(worst <= 1, `every dot within a device pixel (worst ${worst.toFixed(2)})`);
    });
  }
});
