// A desktop browser's mouse, keys and wheel: each makes the touches a finger
// would, so the chart's readout moves as a finger's drag would move it; the
// page itself never zooms, and a focused control keeps its keys. Then the
// view in the link: the page starts at the fragment's view, keeps the
// fragment up with the chart, and shows its own view (with a warning) for a
// bad one.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

test('mouse, keys and wheel; the view in the link', async (t) => {
  const { server, foreign, errors, page } = await h.openSite(t, { viewport: { width: 1024, height: 700 }, deviceScaleFactor: 1 });
  await page.goto(server.url);
  await h.firstFrame(page);
  const settle = async () => {
    await h.nextFrame(page);
    await h.nextFrame(page);
  };
  // The readout after `act`, matched to a right ascension (and declination 31° or `dec`).
  const expectRa = async (ra, act = () => {}, dec = '(31d 00\' 00|30d 59\' 59)') => {
    await act();
    await settle();
    assert.match(await page.evaluate(h.readoutText), new RegExp(`^Ra : ${ra} {2}De : ${dec}" $`));
  };
  const press = (key) => () => page.keyboard.press(key);

  // The mouse is one finger. 1024 wide: the wide-screen pan factor 1.5, so
  // 150 pixels are one hour.
  await expectRa('17h 00mn 00s');
  await expectRa('(18h 00mn 00s|17h 59mn 59s)', async () => {
    await page.mouse.move(500, 400);
    await page.mouse.down();
    for (let i = 1; i <= 10; ++i) await page.mouse.move(500 + 15 * i, 400);
    await page.mouse.up();
  });
  // Right drags 40 points left: 40 / 150 h = 16 minutes.
  await expectRa('(17h 44mn 00s|17h 43mn 59s)', press('ArrowRight'));
  // One wheel notch up (100 pixels) zooms by 200 / 3000: the same key then
  // pans 40 / (150 x 16/15) h = 15 minutes.
  await page.mouse.move(512, 350);
  await page.mouse.wheel(0, -100);
  await expectRa('(17h 29mn 00s|17h 28mn 59s)', press('ArrowRight'));
  // A trackpad pinch (the wheel with Ctrl) closing as far, and '-': back to
  // 1 and below it, where Left pans 40 / (150 x 14/15) h = 17 min 8.6 s.
  await page.keyboard.down('Control');
  await page.mouse.wheel(0, 100);
  await page.keyboard.up('Control');
  await page.keyboard.press('-');
  await expectRa('17h 46mn 0[89]s', press('ArrowLeft'));
  assert.equal(await page.evaluate(() => window.innerWidth), 1024, 'the page itself did not zoom');

  // A focused control on the page keeps its keys (the chart does not
  // prevent their default); they come back to the chart when it lets go.
  await page.evaluate(() => {
    window.__prevented = [];
    window.addEventListener('keydown', (e) => window.__prevented.push(e.defaultPrevented));
    document.body.appendChild(document.createElement('button')).focus();
  });
  await expectRa('17h 46mn 0[89]s', async () => {
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('+');
  });
  await page.evaluate(() => document.activeElement.blur());
  await expectRa('(17h 29mn 00s|17h 28mn 59s)', press('ArrowRight'));
  assert.deepEqual(await page.evaluate(() => window.__prevented), [false, false, true]);

  const warnings = [];
  page.on('console', (m) => { if (m.type() === 'warning') warnings.push(m.text()); });
  await page.goto(server.url + '?link#ra=5.5&dec=-20&zoom=2');
  await h.firstFrame(page);
  await expectRa('05h (30mn 00s|29mn 59s)', undefined, '-(20d 00\' 00|19d 59\' 59)');
  assert.deepEqual(warnings, []);
  // Zoom 2: Right drags 40 points, 40 / 300 h = 8 minutes; the link follows, replaced, not pushed.
  const entries = await page.evaluate(() => history.length);
  await page.keyboard.press('ArrowRight');
  await page.waitForFunction(() => location.hash.startsWith('#ra=5.36'), null, { timeout: 3000 });
  assert.equal(await page.evaluate(() => location.hash), '#ra=5.3667&dec=-20&zoom=2');
  assert.equal(await page.evaluate(() => history.length), entries, 'replaced, not pushed');
  // The same link again shows the same view.
  await page.reload();
  await h.firstFrame(page);
  await expectRa('05h (22mn 00s|21mn 59s)', undefined, '-(20d 00\' 00|19d 59\' 59)');

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
