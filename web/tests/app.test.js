// The page's touch plumbing in Chromium, with real touch events through CDP
// on a phone: frames only when asked for, many moves in one frame as one
// redraw, two fingers apart, a link opened in a tab of its own, the chart
// scaled whole into a window of another shape with touches mapped through
// it, and a cancelled touch taken without an error.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

// "Ra : 17h 00mn 00s  De : 31d 00' 00\" " -> hours of right ascension
function readoutHours(text) {
  const m = /^Ra : (\d+)h (\d+)mn (\d+)s {2}De : /.exec(text);
  assert.ok(m, `readout "${text}"`);
  return +m[1] + m[2] / 60 + m[3] / 3600;
}

test('touches on a phone', async (t) => {
  const { server, context, foreign, errors, page } = await h.openSite(t, 'phone');
  await page.goto(server.url);
  await h.firstFrame(page);
  const cdp = await context.newCDPSession(page);
  const touch = h.touchscreen(cdp);
  const { width, height } = page.viewportSize();
  const frames = () => page.evaluate(() => window.starchart.frames);
  const hours = async () => readoutHours(await page.evaluate(h.readoutText));
  const settle = () => h.settle(page);

  await t.test('draws nothing while idle', async () => {
    await settle();
    const before = await frames();
    await h.sleep(400);
    assert.equal(await frames(), before, 'no frame without a change');
  });

  await t.test('moves that arrive within one frame make one redraw, and each one counts', async () => {
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
    // 100 points on a phone: from 17 h to 18 h.
    assert.ok(Math.abs((await hours()) - 18) < 2 / 3600, `right ascension ${await hours()}`);
  });

  await t.test('turned sideways, the chart stays whole and touches still land on it', async (st) => {
    const before = await hours();
    await page.setViewportSize({ width: height, height: width });
    st.after(() => page.setViewportSize({ width, height }));
    await settle();
    const box = await page.evaluate(() => {
      const r = document.getElementById('canvas').getBoundingClientRect();
      return [r.left, r.top, r.width, r.height];
    });
    // 390 x 844 scaled by 390/844 into 844 x 390, centred (to the layout's 1/64 pixel).
    const want = [332, 0, 180.21, 390];
    assert.ok(box.every((v, i) => Math.abs(v - want[i]) < 0.02), `canvas at ${box}, expected ${want}`);
    // 75 CSS pixels across are 75 x 844/390 = 162.3 points: 1.623 h.
    await h.sleep(400);
    const x0 = 422, y0 = 195;
    await touch.start([[x0, y0, 4]]);
    for (let i = 1; i <= 5; ++i) await touch.move([[x0 + 15 * i, y0, 4]]);
    await touch.end();
    await settle();
    const moved = (await hours()) - before;
    assert.ok(Math.abs(moved - 1.623) < 3 / 3600, `moved ${moved} h`);
  });

  await t.test('two fingers are two touches: a spread of 100 points zooms by 1.05', async () => {
    await h.sleep(400);
    const names = ['Hercules', 'Lyra'];
    const at = () => page.evaluate((names) => names.map((n) => [...window.__draw.texts].reverse().find((x) => x.text === n))
      .map((x) => [x.x, x.y]), names);
    const apart = (p) => Math.hypot(p[0][0] - p[1][0], p[0][1] - p[1][1]);
    const before = apart(await at());
    const cx = width / 2, cy = height / 2 + 20;
    await touch.start([[cx - 50, cy, 1], [cx + 50, cy, 2]]);
    await touch.move([[cx - 100, cy, 1], [cx + 100, cy, 2]]);
    await touch.end();
    await settle();
    const ratio = apart(await at()) / before;
    assert.ok(Math.abs(ratio - 1.05) < 0.005, `labels ${ratio} times as far apart`);
  });

  await t.test('a link opens a new tab without a way back to the page', async () => {
    const info = await page.evaluate(h.findText, 'Info');
    await touch.tap(info.x + 12, info.y - 5);
    await h.sleep(600);
    await settle();
    const link = await page.evaluate(h.findText, '      starchart.example.org');
    assert.ok(link, 'the web-site button is on screen');
    const opened = context.waitForEvent('page');
    await touch.tap(link.x + 60, link.y - 6);
    const tab = await opened;
    await tab.waitForLoadState().catch(() => {});
    // The test refuses the tab's request to the other host: it shows up there.
    assert.ok(foreign.some((u) => /^https?:\/\/starchart\.example\.org/.test(u)), `requests: ${foreign}`);
    assert.equal(await tab.evaluate(() => window.opener), null, 'noopener');
    await tab.close();
    const done = await page.evaluate(h.findText, 'Done');
    await touch.tap(done.x + 15, done.y - 6);
    await h.sleep(600);
    await settle();
    foreign.splice(0, foreign.length, ...foreign.filter((u) => !/starchart\.example\.org/.test(u)));
  });

  await t.test('a cancelled touch is taken quietly', async () => {
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
