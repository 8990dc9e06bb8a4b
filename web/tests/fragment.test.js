// The view in the link: the page starts at the fragment's view, keeps the
// fragment up with the chart, and shows its own view (with a warning) for a
// bad one.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

test('view in the link', async (t) => {
  const { server, foreign, page } = await h.openSite(t, { viewport: { width: 360, height: 640 }, deviceScaleFactor: 1 });
  const warnings = [];
  page.on('console', (m) => { if (m.type() === 'warning') warnings.push(m.text()); });
  const readout = () => page.evaluate(h.readoutText);

  await page.goto(server.url + '#ra=5.5&dec=-20&zoom=2');
  await h.firstFrame(page);
  assert.match(await readout(), /^Ra : 05h (30mn 00s|29mn 59s) {2}De : -(20d 00' 00|19d 59' 59)" $/);
  assert.deepEqual(warnings, []);

  // 360 wide, zoom 2: Right drags 40 points, 40 / 200 h = 12 minutes.
  const entries = await page.evaluate(() => history.length);
  await page.keyboard.press('ArrowRight');
  await h.nextFrame(page);
  await page.waitForFunction(() => location.hash.startsWith('#ra=5.3'), null, { timeout: 3000 });
  assert.equal(await page.evaluate(() => location.hash), '#ra=5.3&dec=-20&zoom=2');
  assert.equal(await page.evaluate(() => history.length), entries, 'replaced, not pushed');

  // The same link again shows the same view.
  await page.reload();
  await h.firstFrame(page);
  assert.match(await readout(), /^Ra : 05h (18mn 00s|17mn 59s) {2}De : -(20d 00' 00|19d 59' 59)" $/);

  for (const [i, bad] of ['#ra=25&dec=0', '#ra=abc', '#zoom=', '#dec=1e1', '#foo=1'].entries()) {
    warnings.length = 0;
    await page.goto(new URL('?try=' + i, server.url).href + bad);
    await h.firstFrame(page);
    assert.equal(await readout(), 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ', bad);
    assert.equal(warnings.length, 1, bad);
    assert.match(warnings[0], /default view/, bad);
  }
  assert.deepEqual(foreign, []);
});
