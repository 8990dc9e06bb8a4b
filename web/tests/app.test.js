// The page in Chromium on a phone. Touches, as real touch events through
// CDP: frames only when asked for, many moves in one frame as one redraw, two
// fingers apart, a link opened in a tab of its own, the chart scaled whole
// into a window of another shape with touches mapped through it, and a
// cancelled touch taken without an error. Screen readers and the keyboard:
// the page elements that mirror the controls, as Chromium's accessibility
// tree exposes them (CDP), the live region, activation through an element and
// by keyboard, the focus ring, axe-core on two screens, and the mirror leaving
// the pixels alone while nothing is focused (which controls each screen has
// is the toolkit's business, tested natively). Then what makes it
// installable: the policy, the manifest and its icons, kept for offline use.
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

test('a phone: touches, screen readers, keyboards, installing', async (t) => {
  const { server, context, foreign, errors, page } = await h.openSite(t, 'phone');
  await page.goto(server.url);
  await h.firstFrame(page);
  await mirrorHas(page, 'Star chart');
  const cdp = await context.newCDPSession(page);
  await cdp.send('Accessibility.enable');
  const touch = h.touchscreen(cdp);
  const { width, height } = page.viewportSize();
  const frames = () => page.evaluate(() => window.starchart.frames);
  const settle = () => h.settle(page);
  // Taps (dx, dy) from where `text` is drawn.
  const tapText = async (text, dx, dy) => {
    const at = await page.evaluate(h.findText, text);
    await touch.tap(at.x + dx, at.y - dy);
    await h.sleep(600);
    await settle();
  };
  const record = async (screen) => {
    await checkAxe(page, screen);
    return namedRoles(cdp);
  };
  const main = [['button', 'Info'], ['status', 'Star chart']];

  await t.test('the mirror changes no pixel while nothing is focused', async () => {
    const shot = async (visibility) => {
      await page.evaluate((v) => { document.getElementById('a11y').style.visibility = v; }, visibility);
      return page.screenshot();
    };
    assert.ok((await shot('')).equals(await shot('hidden')), 'same screenshot with and without the mirror');
    await shot('');
  });

  await t.test('draws nothing while idle', async () => {
    await settle();
    const before = await frames();
    await h.sleep(400);
    assert.equal(await frames(), before, 'no frame without a change');
  });

  // When the live region's value changes is the toolkit's (at the end of a
  // gesture); the live region takes each new one.
  await t.test('moves that arrive within one frame make one redraw, each one counts, the live region follows', async () => {
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
    assert.match((await live(page)).join(), /^Ra : (18h 00mn 00s|17h 59mn 5[89]s) {2}De : 31d 00' 00",polite$/);
  });

  await t.test('turned sideways, the chart stays whole and touches still land on it', async (st) => {
    await page.setViewportSize({ width: height, height: width });
    st.after(() => page.setViewportSize({ width, height }));
    await settle();
    const box = await page.evaluate(() => (({ left, top, width, height }) => [left, top, width, height])(
      document.getElementById('canvas').getBoundingClientRect()));
    // 390 x 844 scaled by 390/844 into 844 x 390, centred (to the layout's 1/64 pixel).
    const want = [332, 0, 180.21, 390];
    assert.ok(box.every((v, i) => Math.abs(v - want[i]) < 0.02), `canvas at ${box}, expected ${want}`);
    // 75 CSS pixels across are 75 x 844/390 = 162.3 points: 1.623 h on from
    // 18 h (to 2 s after the drag before), 19 h 37 min 23 s.
    await h.sleep(400);
    const x0 = 422, y0 = 195;
    await touch.start([[x0, y0, 4]]);
    for (let i = 1; i <= 5; ++i) await touch.move([[x0 + 15 * i, y0, 4]]);
    await touch.end();
    await settle();
    assert.match(await page.evaluate(h.readoutText), /^Ra : 19h 37mn (1[89]|2[0-6])s /);
  });

  await t.test('two fingers are two touches: a spread of 100 points zooms by 1.05', async () => {
    await h.sleep(400);
    const apart = () => page.evaluate(() => Math.hypot(...['x', 'y'].map((k) =>
      ['Hercules', 'Lyra'].map((n) => window.__draw.texts.findLast((x) => x.text === n)[k]).reduce((a, b) => a - b))));
    const before = await apart();
    const cx = width / 2, cy = height / 2 + 20;
    await touch.start([[cx - 50, cy, 1], [cx + 50, cy, 2]]);
    await touch.move([[cx - 100, cy, 1], [cx + 100, cy, 2]]);
    await touch.end();
    await settle();
    const ratio = (await apart()) / before;
    assert.ok(Math.abs(ratio - 1.05) < 0.005, `labels ${ratio} times as far apart`);
  });

  await t.test('a link opens a new tab without a way back to the page', async () => {
    await tapText('Info', 12, 5);
    const link = await page.evaluate(h.findText, '      starchart.example.org');
    const opened = context.waitForEvent('page');
    await touch.tap(link.x + 60, link.y - 6);
    const tab = await opened;
    await tab.waitForLoadState().catch(() => {});
    // The test refuses the tab's request to the other host: it shows up there.
    assert.ok(foreign.some((u) => /^https?:\/\/starchart\.example\.org/.test(u)), `requests: ${foreign}`);
    assert.equal(await tab.evaluate(() => window.opener), null, 'noopener');
    await tab.close();
    await tapText('Done', 15, 6);
    foreign.splice(0, foreign.length, ...foreign.filter((u) => !/starchart\.example\.org/.test(u)));
  });

  // After the tests that find drawn text: once axe-core has run, the drawing
  // log no longer follows the bar's last drawing of Info to the screen.
  await t.test('the chart and Info, then the info screen by its element, closed by keyboard with a visible ring', async () => {
    assert.deepEqual(await record('start'), main);
    await h.sleep(400);
    // Activated as a screen reader does.
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
  });

  // Asking to cancel a touchcancel, which cannot be, is an error on the console.
  await t.test('a cancelled touch taken quietly; nothing fetched from another host, nothing on the console', async () => {
    await touch.start([[width / 2, height / 2, 7]]);
    await touch.move([[width / 2 + 20, height / 2, 7]]);
    await touch.cancel();
    await h.nextFrame(page);
    await h.sleep(200);
    assert.deepEqual(foreign, []);
    assert.deepEqual(errors, [], errors.join('\n'));
  });

  await t.test('installable: a policy without eval, enforced; the manifest; icons that load and stay offline', async () => {
    const policy = await page.evaluate(() => document.querySelector('meta[http-equiv="Content-Security-Policy"]').content);
    assert.match(policy, /script-src 'self' 'wasm-unsafe-eval';/);
    assert.doesNotMatch(policy, /'unsafe-eval'/);
    // Code from a string is refused (which the console reports: last of all).
    assert.equal(await page.evaluate(() => {
      document.body.appendChild(document.createElement('script')).textContent = 'window.__inline = 1';
      return window.__inline;
    }), undefined, 'inline scripts are refused');
    const manifest = await page.evaluate(async () => (await fetch(document.querySelector('link[rel="manifest"]').href)).json());
    assert.deepEqual([manifest.name, manifest.start_url, manifest.display], ['starchart', './', 'fullscreen']);
    const icons = manifest.icons.filter((i) => i.type === 'image/png').map((i) => [i.src, i.sizes, i.purpose]);
    assert.deepEqual(icons, [['icons/icon-192.png', '192x192', 'any'], ['icons/icon-maskable-512.png', '512x512', 'maskable']]);
    icons.push([await page.evaluate(() => document.querySelector('link[rel="apple-touch-icon"]').getAttribute('href')), '180x180'],
               ['icon.svg']);
    await page.evaluate(() => navigator.serviceWorker.ready);
    const cached = await page.evaluate(async () => {
      const cache = await caches.open((await caches.keys()).find((n) => n.startsWith('starchart-') && n !== 'starchart-page'));
      return (await cache.keys()).map((r) => new URL(r.url).pathname);
    });
    for (const [src, sizes] of icons) {
      const loaded = await page.evaluate((src) => new Promise((resolve) => {
        const img = Object.assign(new Image(), { src });
        img.onload = () => resolve(`${img.naturalWidth}x${img.naturalHeight}`);
        img.onerror = () => resolve(null);
      }), src);
      assert.ok(loaded && (!sizes || loaded === sizes), `${src} loads at ${sizes}: ${loaded}`);
      assert.ok(cached.includes('/' + src), `${src} is cached for offline`);
    }
  });
});
