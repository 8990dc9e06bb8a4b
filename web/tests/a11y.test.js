// Screen readers and the keyboard in the browser: the accessibility tree of
// each screen as Chromium exposes it (CDP), activation of the controls through
// their page elements and by keyboard, axe-core on each screen, and the
// mirror leaving the pixels alone while nothing is focused.
'use strict';
const fs = require('fs');
const test = require('node:test');
const assert = require('node:assert/strict');
const h = require('./harness.js');

const AXE = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const READOUT = /^Ra : \d\dh \d\dmn \d\ds {2}De : -?\d\dd -?\d\d' -?\d\d"$/;
const INFO_SCREEN = [
  ['StaticText', 'a New iPod/iPhone/iPad application'],
  ['StaticText', 'Please visit our web site :'],
  ['link', 'starchart.example.org'],
  ['link', 'Our other application'],
];

// The page's named nodes in tree order as [role, name]: controls, links, the
// live region, and text that is not already a control's name.
async function namedRoles(cdp) {
  const { nodes } = await cdp.send('Accessibility.getFullAXTree');
  const byId = new Map(nodes.map((n) => [n.nodeId, n]));
  const out = [];
  // Depth first from the root: the order a screen reader walks.
  const walk = (n, inControl) => {
    if (!n) return;
    const r = n.role && n.role.value, name = (n.name && n.name.value) || '';
    const control = r === 'button' || r === 'link' || r === 'status';
    if (!n.ignored) {
      if (control) out.push([r, name]);
      // Text inside a control or the live region is read with it.
      else if (r === 'StaticText' && !inControl) out.push([r, name]);
    }
    for (const c of n.childIds || []) walk(byId.get(c), inControl || (control && !n.ignored));
  };
  walk(nodes.find((n) => !n.parentId), false);
  return out;
}

// The live region's text (the chart's value).
const liveText = (page) => page.evaluate(() => {
  const s = document.querySelector('#a11y [role=status]');
  return s ? s.textContent : null;
});

// Waits until the mirror shows (or no longer shows) an element labelled `label`.
async function mirrorHas(page, label, present = true) {
  await page.waitForFunction(([l, p]) =>
    [...document.querySelectorAll('#a11y [data-a11y]')].some((e) => e.a11yLabel === l) === p,
  [label, present], { timeout: 5000 });
}

async function activate(page, label) {
  await page.evaluate((l) => {
    const el = [...document.querySelectorAll('#a11y [data-a11y]')].find((e) => e.a11yLabel === l);
    if (!el) throw new Error(`no element "${l}" in the mirror`);
    el.click();
  }, label);
}

async function axeSerious(page) {
  await page.evaluate(AXE);
  const result = await page.evaluate(async () => {
    const r = await window.axe.run(document, { resultTypes: ['violations'] });
    return r.violations.map((v) => ({ id: v.id, impact: v.impact, nodes: v.nodes.length }));
  });
  return { all: result, serious: result.filter((v) => v.impact === 'serious' || v.impact === 'critical') };
}

// Tabs until the focused element is labelled `label` (at most 10 presses).
async function tabTo(page, label) {
  for (let i = 0; i < 10; ++i) {
    await page.keyboard.press('Tab');
    if (await page.evaluate((l) => document.activeElement && document.activeElement.a11yLabel === l, label)) return;
  }
  throw new Error(`Tab never reached "${label}"`);
}

const report = {};

for (const device of ['phone', 'tablet']) {
  test(`screen readers and keyboards on a ${device}`, async (t) => {
    const server = await h.serve(h.buildDir('site'));
    const browser = await h.launch();
    const { context } = await h.openContext(browser, server, device);
    await context.addInitScript(h.recordDrawing);
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    t.after(async () => {
      await browser.close();
      await server.close();
    });
    await page.goto(server.url);
    await h.firstFrame(page);
    await mirrorHas(page, 'Star chart');
    const cdp = await context.newCDPSession(page);
    await cdp.send('Accessibility.enable');
    const touch = h.touchscreen(cdp);
    const { width, height } = page.viewportSize();
    const tablet = width > 480;
    const settle = async () => {
      await h.nextFrame(page);
      await h.sleep(60);
      await h.nextFrame(page);
    };
    const drawnSince = async (i) => page.evaluate((i) => window.__draw.texts.slice(i).map((x) => x.text), i);
    const textCount = () => page.evaluate(() => window.__draw.texts.length);
    const doubleTap = async (x, y) => {
      await touch.tap(x, y);
      await h.sleep(60);
      await touch.tap(x, y);
      await settle();
    };
    const screens = report[device] = {};
    const record = async (name) => {
      const tree = await namedRoles(cdp);
      const axe = await axeSerious(page);
      screens[name] = { tree, axe: axe.all };
      assert.deepEqual(axe.serious, [], `axe on ${name}: ${JSON.stringify(axe.all)}`);
      return tree;
    };
    const main = [['button', 'Info'], ['status', 'Star chart']];

    await t.test('start: the Info button and the chart with its readout as a live region', async () => {
      assert.deepEqual(await record('start'), main);
      assert.match(await liveText(page), READOUT);
      assert.equal(await liveText(page), 'Ra : 17h 00mn 00s  De : 31d 00\' 00"');
      const live = await page.evaluate(() => document.querySelector('#a11y [role=status]').getAttribute('aria-live'));
      assert.equal(live, 'polite');
    });

    await t.test('the mirror changes no pixel while nothing is focused', async () => {
      const shown = await page.screenshot();
      await page.evaluate(() => { document.getElementById('a11y').style.visibility = 'hidden'; });
      const hidden = await page.screenshot();
      await page.evaluate(() => { document.getElementById('a11y').style.visibility = ''; });
      assert.ok(shown.equals(hidden), 'same screenshot with and without the mirror');
    });

    await t.test('a drag changes the readout once the finger is up', async () => {
      const x = width / 2, y = height / 2;
      await touch.start([[x, y, 0]]);
      await touch.move([[x + 100, y, 0]]);
      await settle();
      assert.equal(await liveText(page), 'Ra : 17h 00mn 00s  De : 31d 00\' 00"', 'not while the finger is down');
      await touch.end();
      await settle();
      // A hundred points is one hour on a phone, two thirds of one on a tablet
      // (17.666... in single precision, read down to the second below).
      assert.equal(await liveText(page), tablet ? 'Ra : 17h 39mn 59s  De : 31d 00\' 00"'
                                                : 'Ra : 18h 00mn 00s  De : 31d 00\' 00"');
    });

    await t.test('names, then learning mode with Quit; Quit by its element and by keyboard', async () => {
      const x = width / 2 + 30, y = height / 2 + 60;
      await h.sleep(400);
      await doubleTap(x, y);
      assert.deepEqual(await record('names'), main);
      await h.sleep(400);
      await doubleTap(x, y);
      await mirrorHas(page, 'Quit');
      assert.deepEqual(await record('learning'), [...main, ['button', 'Quit']]);

      await h.sleep(400);
      let mark = await textCount();
      await activate(page, 'Quit');
      await mirrorHas(page, 'Quit', false);
      await settle();
      assert.ok((await drawnSince(mark)).includes('Hercules'), 'the figures and their names are back');

      // Again into learning mode, out by keyboard this time.
      await h.sleep(400);
      await doubleTap(x, y);
      await h.sleep(400);
      await doubleTap(x, y);
      await mirrorHas(page, 'Quit');
      await tabTo(page, 'Quit');
      const ring = await page.evaluate(() => getComputedStyle(document.activeElement).outlineStyle);
      assert.equal(ring, 'solid', 'a focused control shows its ring');
      const box = await page.evaluate(() => {
        const r = document.activeElement.getBoundingClientRect();
        return { x: r.left, y: r.top, width: r.width, height: r.height };
      });
      const shot = h.decodePng(await page.screenshot({ clip: box, scale: 'css' }));
      const [r0, g0, b0] = shot.rgba.slice(0, 3);
      assert.deepEqual([r0, g0, b0], [255, 191, 0], 'the ring is drawn in amber at the corner');
      await h.sleep(400);
      mark = await textCount();
      await page.keyboard.press('Enter');
      await mirrorHas(page, 'Quit', false);
      await settle();
      assert.ok((await drawnSince(mark)).includes('Hercules'), 'left learning mode by keyboard');
      await page.keyboard.press('Tab');
    });

    await t.test('the info screen through its elements, then by keyboard', async () => {
      await h.sleep(400);
      let mark = await textCount();
      await activate(page, 'Info');
      await mirrorHas(page, 'Please visit our web site :');
      await h.sleep(600);
      await settle();
      assert.ok((await drawnSince(mark)).includes('Please visit our web site :'), 'the info screen is drawn');
      const tree = await record('info');
      if (tablet) {
        // The popover over the main screen.
        assert.deepEqual(tree, [...main, ['button', 'Done'], ...INFO_SCREEN]);
      } else {
        assert.deepEqual(tree, [['button', 'Done'], ...INFO_SCREEN]);
      }
      const href = await page.evaluate(() => [...document.querySelectorAll('#a11y a')].map((a) => a.getAttribute('href')));
      assert.deepEqual(href, ['https://starchart.example.org/', 'https://apps.example.org/app/starchart-planets']);

      await h.sleep(400);
      await activate(page, 'Done');
      await mirrorHas(page, 'Please visit our web site :', false);
      await h.sleep(600);
      await settle();
      assert.deepEqual(await namedRoles(cdp), main, 'back on the main screen');

      // By keyboard: Tab to Info, Enter; Tab to Done, Space.
      await page.evaluate(() => document.activeElement && document.activeElement.blur());
      await tabTo(page, 'Info');
      await page.keyboard.press('Enter');
      await mirrorHas(page, 'Done');
      await h.sleep(600);
      await settle();
      assert.ok(await page.evaluate(() => !!document.querySelector('#a11y a')), 'info screen by keyboard');
      await tabTo(page, 'Done');
      await page.keyboard.press(' ');
      await mirrorHas(page, 'Done', false);
      await h.sleep(600);
      await settle();
      assert.deepEqual(await namedRoles(cdp), main, 'closed by keyboard');
      assert.deepEqual(errors, []);
    });
  });
}

test.after(() => {
  if (process.env.STARCHART_A11Y_REPORT) fs.writeFileSync(process.env.STARCHART_A11Y_REPORT, JSON.stringify(report, null, 1));
});
