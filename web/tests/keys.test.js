// A desktop browser's keys and wheel: each makes the touches a finger would,
// so the chart's readout moves as a finger's drag would move it.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

test('keys and wheel', async (t) => {
  const { server, foreign, page } = await h.openSite(t, { viewport: { width: 1024, height: 700 }, deviceScaleFactor: 1 });
  await page.goto(server.url);
  await h.firstFrame(page);
  const texts = () => h.drawnTexts(page);
  const readout = () => h.lastReadout(page);
  const settle = async () => {
    await h.nextFrame(page);
    await h.nextFrame(page);
  };

  assert.equal(await readout(), 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ');
  // 1024 wide: the wide-screen pan factor 1.5. Right drags 40 points left:
  // 40 / 150 h = 16 minutes.
  await page.keyboard.press('ArrowRight');
  await settle();
  assert.match(await readout(), /^Ra : (16h 44mn 00s|16h 43mn 59s) {2}De : (31d 00' 00|30d 59' 59)" $/);
  // Up drags 40 points down: 40 / 12 degrees.
  await page.keyboard.press('ArrowUp');
  await settle();
  assert.match(await readout(), /^Ra : (16h 44mn 00s|16h 43mn 59s) {2}De : 34d (20' 00|19' 59)" $/);
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowLeft');
  await settle();
  assert.match(await readout(), /^Ra : (17h 00mn 00s|16h 59mn 59s) {2}De : (31d 00' 00|30d 59' 59)" $/);

  // One wheel notch up (100 pixels) zooms by 200 / 3000: the same key then
  // pans 40 / (150 x 16/15) h = 15 minutes.
  await page.mouse.move(512, 350);
  await page.mouse.wheel(0, -100);
  await settle();
  await page.keyboard.press('ArrowRight');
  await settle();
  assert.match(await readout(), /^Ra : (16h 45mn 00s|16h 44mn 59s) {2}De : (31d 00' 00|30d 59' 59)" $/);
  // A trackpad pinch (the wheel with Ctrl) closing as far, and '-' : back to
  // 1 and below it, where the pan is 40 / (150 x 14/15) h.
  await page.keyboard.down('Control');
  await page.mouse.wheel(0, 100);
  await page.keyboard.up('Control');
  await page.keyboard.press('-');
  await settle();
  await page.keyboard.press('ArrowLeft');
  await settle();
  assert.match(await readout(), /^Ra : 17h 02mn 0[89]s {2}De : (31d 00' 00|30d 59' 59)" $/);
  assert.equal(await page.evaluate(() => window.innerWidth), 1024, 'the page itself did not zoom');

  // A focused control on the page keeps its keys; they come back to the
  // chart when it lets go of the focus.
  await page.evaluate(() => {
    window.__prevented = [];
    window.addEventListener('keydown', (e) => window.__prevented.push(e.defaultPrevented));
    const b = document.createElement('button');
    b.id = 'probe-button';
    b.textContent = 'probe';
    document.body.appendChild(b);
    b.focus();
  });
  const before = await readout();
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('+');
  await settle();
  assert.equal(await readout(), before);
  assert.deepEqual(await page.evaluate(() => window.__prevented), [false, false]);
  await page.evaluate(() => document.getElementById('probe-button').blur());
  await page.keyboard.press('ArrowRight');
  await settle();
  assert.notEqual(await readout(), before);
  assert.deepEqual(await page.evaluate(() => window.__prevented), [false, false, true]);
  assert.deepEqual(foreign, []);
});
