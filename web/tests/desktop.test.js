// A desktop browser's mouse, keys and wheel: each makes the touches a finger
// would, so the chart's readout moves as a finger's drag would move it; the
// page itself never zooms, and a focused control keeps its keys.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

const DEC = ' {2}De : (31d 00\' 00|30d 59\' 59)" $';

test('mouse, keys and wheel', async (t) => {
  const { server, foreign, errors, page } = await h.openSite(t, { viewport: { width: 1024, height: 700 }, deviceScaleFactor: 1 });
  await page.goto(server.url);
  await h.firstFrame(page);
  const readout = () => page.evaluate(h.readoutText);
  const settle = async () => {
    await h.nextFrame(page);
    await h.nextFrame(page);
  };

  assert.equal(await readout(), 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ');
  // The mouse is one finger. 1024 wide: the wide-screen pan factor 1.5, so
  // 150 pixels are one hour.
  await page.mouse.move(500, 400);
  await page.mouse.down();
  for (let i = 1; i <= 10; ++i) await page.mouse.move(500 + 15 * i, 400);
  await page.mouse.up();
  await settle();
  assert.match(await readout(), new RegExp('^Ra : (18h 00mn 00s|17h 59mn 59s)' + DEC));

  await h.sleep(400);
  const before = await page.evaluate(() => window.__draw.texts.length);
  await page.mouse.dblclick(600, 500);
  await settle();
  assert.ok((await page.evaluate(h.textsSince, before)).includes('Vega'), 'a double click adds the star names');

  // Right drags 40 points left: 40 / 150 h = 16 minutes.
  await page.keyboard.press('ArrowRight');
  await settle();
  assert.match(await readout(), new RegExp('^Ra : (17h 44mn 00s|17h 43mn 59s)' + DEC));

  // One wheel notch up (100 pixels) zooms by 200 / 3000: the same key then
  // pans 40 / (150 x 16/15) h = 15 minutes.
  await page.mouse.move(512, 350);
  await page.mouse.wheel(0, -100);
  await settle();
  await page.keyboard.press('ArrowRight');
  await settle();
  assert.match(await readout(), new RegExp('^Ra : (17h 29mn 00s|17h 28mn 59s)' + DEC));
  // A trackpad pinch (the wheel with Ctrl) closing as far, and '-': back to
  // 1 and below it, where Left pans 40 / (150 x 14/15) h = 17 min 8.6 s.
  await page.keyboard.down('Control');
  await page.mouse.wheel(0, 100);
  await page.keyboard.up('Control');
  await page.keyboard.press('-');
  await settle();
  await page.keyboard.press('ArrowLeft');
  await settle();
  assert.match(await readout(), new RegExp('^Ra : 17h 46mn 0[89]s' + DEC));
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
  const still = await readout();
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('+');
  await settle();
  assert.equal(await readout(), still);
  assert.deepEqual(await page.evaluate(() => window.__prevented), [false, false]);
  await page.evaluate(() => document.getElementById('probe-button').blur());
  await page.keyboard.press('ArrowRight');
  await settle();
  assert.notEqual(await readout(), still);
  assert.deepEqual(await page.evaluate(() => window.__prevented), [false, false, true]);
  assert.deepEqual(foreign, []);
  assert.deepEqual(errors, []);
});
