// A desktop browser: the mouse is one finger, a double click a double tap.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

test('mouse', async (t) => {
  const { server, foreign, page } = await h.openSite(t, { viewport: { width: 1024, height: 700 }, deviceScaleFactor: 1 });
  await page.goto(server.url);
  await h.firstFrame(page);
  const texts = () => h.drawnTexts(page);
  const readout = () => h.lastReadout(page);

  assert.equal(await readout(), 'Ra : 17h 00mn 00s  De : 31d 00\' 00" ');
  // 1024 wide: the wide-screen pan factor 1.5, so 150 pixels are one hour.
  await page.mouse.move(500, 400);
  await page.mouse.down();
  for (let i = 1; i <= 10; ++i) await page.mouse.move(500 + 15 * i, 400);
  await page.mouse.up();
  await h.nextFrame(page);
  await h.nextFrame(page);
  assert.match(await readout(), /^Ra : (18h 00mn 00s|17h 59mn 59s) {2}De : 31d 00' 00" $/);

  await h.sleep(400);
  const before = (await texts()).length;
  await page.mouse.dblclick(600, 500);
  await h.nextFrame(page);
  await h.nextFrame(page);
  assert.ok((await texts()).slice(before).includes('Vega'), 'a double click adds the star names');
  assert.deepEqual(foreign, []);
});
