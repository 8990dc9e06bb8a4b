// Screen readers and the keyboard in the browser: the page elements that
// mirror the controls, as Chromium's accessibility tree exposes them (CDP),
// the live region, activation through an element and by keyboard, the focus
// ring, axe-core on two screens, and the mirror leaving the pixels alone
// while nothing is focused. Which controls each screen has is the toolkit's
// business, tested natively.
'use strict';
const fs = require('fs');
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

const AXE = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');

// The page's named nodes in tree order as [role, name]: controls, links, the
// live region, and text that is not already a control's name.
async function namedRoles(cdp) {
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  const byId = new Map(nodes.map((n) => [n.nodeId, n]));
  const out = [];
  // Depth first from the root: the order a screen reader walks.
  const walk = (n, inControl) => {
    if (!n) return;
    const r = n.role && n.role.value, control = !n.ignored && ['button', 'link', 'status'].includes(r);
    // Text inside a control or the live region is read with it.
    if (control || (!n.ignored && r === 'StaticText' && !inControl)) out.push([r, (n.name && n.name.value) || '']);
    for (const c of n.childIds || []) walk(byId.get(c), inControl || control);
  };
  walk(nodes.find((n) => !n.parentId), false);
  return out;
}

// The live region's text (the chart's value) and its politeness.
const live = (page) => page.evaluate(() => (({ textContent, ariaLive }) => [textContent, ariaLive])(
  document.querySelector('#a11y [role=status]')));

// Waits until the mirror shows (or no longer shows) an element labelled `label`.
const mirrorHas = (page, label, present = true) => page.waitForFunction(([l, p]) =>
  [...document.querySelectorAll('#a11y [data-a11y]')].some((e) => e.a11yLabel === l) === p, [label, present],
{ timeout: 5000 });

// axe-core on the page as it is: no serious or critical violation.
async function checkAxe(page, screen) {
  await page.evaluate(AXE);
  const found = await page.evaluate(async () => (await window.axe.run(document, { resultTypes: ['violations'] }))
    .violations.map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.length })));
  assert.deepEqual(found.filter((v) => v.impact === 'serious' || v.impact === 'critical'), [],
                   `axe on ${screen}: ${JSON.stringify(found)}`);
}

// Tabs until the focused element is labelled `label` (at most 10 presses).
async function tabTo(page, label) {
  for (let i = 0; i < 10; ++i) {
    await page.keyboard.press('Tab');
    if (await page.evaluate(() => document.activeElement.a11yLabel) === label) return;
  }
  throw new Error(`Tab never reached "${label}"`);
}

test('screen readers and keyboards on a phone', async (t) => {
  const { server, context, errors, page } = await h.openSite(t, 'phone');
  await page.goto(server.url);
  await h.firstFrame(page);
  await mirrorHas(page, 'Star chart');
  const cdp = await context.newCDPSession(page);
  await cdp.send('Accessibility.enable');
  const touch = h.touchscreen(cdp);
  const { width, height } = page.viewportSize();
  const settle = () => h.settle(page);
  const record = async (screen) => {
    await checkAxe(page, screen);
    return namedRoles(cdp);
  };
  const main = [['button', 'Info'], ['status', 'Star chart']];

  await t.test('start: the Info button and the chart with its readout as a live region', async () => {
    assert.deepEqual(await record('start'), main);
    assert.deepEqual(await live(page), ['Ra : 17h 00mn 00s  De : 31d 00\' 00"', 'polite']);
  });

  await t.test('the mirror changes no pixel while nothing is focused', async () => {
    const shot = async (visibility) => {
      await page.evaluate((v) => { document.getElementById('a11y').style.visibility = v; }, visibility);
      return page.screenshot();
    };
    assert.ok((await shot('')).equals(await shot('hidden')), 'same screenshot with and without the mirror');
    await shot('');
  });

  // When the value changes is the toolkit's (at the end of a gesture); the
  // live region takes each new one.
  await t.test('the live region follows the readout', async () => {
    await touch.start([[width / 2, height / 2, 0]]);
    await touch.move([[width / 2 + 100, height / 2, 0]]);
    await touch.end();
    await settle();
    assert.deepEqual(await live(page), ['Ra : 18h 00mn 00s  De : 31d 00\' 00"', 'polite']);
  });

  await t.test('the info screen by its element, closed by keyboard with a visible ring', async () => {
    await h.sleep(400);
    await page.evaluate(() => [...document.querySelectorAll('#a11y button')].find((e) => e.a11yLabel === 'Info').click());
    await mirrorHas(page, 'Please visit our web site :');
    await h.sleep(600);
    await settle();
    assert.deepEqual(await record('info'), [['button', 'Done'], ['StaticText', 'a New iPod/iPhone/iPad application'],
      ['StaticText', 'Please visit our web site :'], ['link', 'starchart.example.org'], ['link', 'Our other application']]);
    const href = await page.evaluate(() => [...document.querySelectorAll('#a11y a')].map((a) => a.getAttribute('href')));
    assert.deepEqual(href, ['https://starchart.example.org/', 'https://apps.example.org/app/starchart-planets']);

    await tabTo(page, 'Done');
    const { x, y, width, height } = await page.evaluate(() => document.activeElement.getBoundingClientRect().toJSON());
    const shot = h.decodePng(await page.screenshot({ clip: { x, y, width, height }, scale: 'css' }));
    assert.deepEqual([...shot.rgba.slice(0, 3)], [255, 191, 0], 'the ring is drawn in amber at the corner');
    await page.keyboard.press(' ');
    await mirrorHas(page, 'Done', false);
    await h.sleep(600);
    await settle();
    assert.deepEqual(await namedRoles(cdp), main, 'closed by keyboard');

    // Enter on the focused Info opens it again.
    await tabTo(page, 'Info');
    await page.keyboard.press('Enter');
    await mirrorHas(page, 'Done');
    assert.deepEqual(errors, []);
  });
});
