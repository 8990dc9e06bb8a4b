// Shared pieces of the browser tests: the build to test, a local server,
// Debian's Chromium through playwright-core, a watch on every request, and
// a PNG reader for screenshots.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { chromium } = require('playwright-core');
const { serve } = require('../serve.js');

const BUILD = path.resolve(process.env.STARCHART_WEB_BUILD || path.join(__dirname, '../../build/web'));
// A directory of the web build.
const buildDir = (sub) => {
  const dir = path.join(BUILD, sub);
  if (!fs.existsSync(dir)) throw new Error(`${dir} is missing: build the web preset first`);
  return dir;
};

const launch = () => chromium.launch({
  executablePath: process.env.STARCHART_CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});

const DEVICES = {
  phone: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, hasTouch: true, isMobile: true },
  tablet: { viewport: { width: 768, height: 1024 }, deviceScaleFactor: 2, hasTouch: true, isMobile: true },
};

// A fresh context on `device`, with every request that leaves the test
// server recorded in `foreign` (and refused; a service worker's requests are
// not routed, only seen).
async function openContext(browser, server, device) {
  const context = await browser.newContext(DEVICES[device] || device);
  const origin = new URL(server.url).origin, foreign = [];
  const local = (url) => url.startsWith(origin + '/') || /^(data|blob):/.test(url);
  await context.route('**/*', (route) => {
    const url = route.request().url();
    if (local(url)) return route.continue();
    foreign.push(url);
    return route.abort();
  });
  context.on('request', (r) => { if (!local(r.url()) && !foreign.includes(r.url())) foreign.push(r.url()); });
  return { context, foreign };
}

// A PNG's pixels as { width, height, rgba }, read by ImageMagick.
function decodePng(buf) {
  const width = buf.readUInt32BE(16), height = buf.readUInt32BE(20);
  const rgba = execFileSync('convert', ['png:-', '-depth', '8', 'rgba:-'], { input: buf, maxBuffer: 1 << 28 });
  if (rgba.length !== 4 * width * height) throw new Error(`PNG: ${rgba.length} bytes for ${width}x${height}`);
  return { width, height, rgba };
}

// Waits until the program has put its first frame on screen; returns its
// time from navigation start in ms.
async function firstFrame(page, timeout = 15000) {
  await page.waitForFunction(() => window.starchart && window.starchart.firstFrameAt > 0, null, { timeout });
  return page.evaluate(() => window.starchart.firstFrameAt);
}

// Installed before the page's scripts: records every text drawn and every
// canvas composited onto another, in device pixels of the canvas drawn on,
// so a test can read what is on screen and find where a text ended up.
function recordDrawing() {
  const log = window.__draw = { texts: [], blits: [] };
  const ids = new WeakMap();
  let next = 0;
  const id = window.__canvasId = (c) => ids.get(c) || ids.set(c, ++next).get(c);
  for (const K of [window.CanvasRenderingContext2D, window.OffscreenCanvasRenderingContext2D].filter(Boolean)) {
    const { fillText, drawImage } = K.prototype;
    const at = (m, x, y) => ({ x: m.a * x + m.c * y + m.e, y: m.b * x + m.d * y + m.f });
    K.prototype.fillText = function (text, x, y, ...rest) {
      const m = this.getTransform();
      // kind: the class of canvas drawn on; width: as drawn, in its pixels.
      log.texts.push({ canvas: id(this.canvas), kind: this.canvas.constructor.name, text: String(text), ...at(m, x, y),
                       font: this.font, width: this.measureText(text).width * Math.hypot(m.a, m.b) });
      return fillText.call(this, text, x, y, ...rest);
    };
    K.prototype.drawImage = function (image, ...a) {
      // frame: how many frames were presented before this composite.
      log.blits.push({ dst: id(this.canvas), src: id(image), ...at(this.getTransform(), ...a.slice(a.length >= 8 ? 4 : 0)),
                       frame: (window.starchart && window.starchart.frames) || 0 });
      return drawImage.call(this, image, ...a);
    };
  }
}

// In the page: the last drawing of `text` (with its width in CSS pixels) and
// where it is, in CSS pixels, following the canvas it was drawn on through
// the composites onto the screen canvas.
function findText(text) {
  const log = window.__draw, el = document.getElementById('canvas'), screen = window.__canvasId(el);
  const hit = [...log.texts].reverse().find((t) => t.text === text);
  if (!hit) return null;
  let { canvas, x, y } = hit;
  for (let hops = 0; canvas !== screen && hops < 10; ++hops) {
    const blit = [...log.blits].reverse().find((b) => b.src === canvas);
    if (!blit) return null;
    x += blit.x;
    y += blit.y;
    canvas = blit.dst;
  }
  const r = el.getBoundingClientRect(), scale = el.width / r.width;
  return { x: r.left + x / scale, y: r.top + y / scale, width: hit.width / scale, canvas: hit.canvas };
}

// In the page: the canvases composited into the last frame presented.
const lastFrame = () => window.__draw.blits.filter((b) => b.frame === window.starchart.frames - 1).map((b) => b.src);
// In the page: the texts drawn since the `from`th.
const textsSince = (from) => window.__draw.texts.slice(from || 0).map((x) => x.text);
// In the page: the last readout drawn.
const readoutText = () => window.__draw.texts.map((x) => x.text).filter((s) => s.startsWith('Ra :')).pop();

// Centroids of the pure white blobs (star dots) below row `top`.
function dots({ width, height, rgba }, top) {
  const white = (i) => rgba[4 * i] > 230 && rgba[4 * i + 1] > 230 && rgba[4 * i + 2] > 230;
  const seen = new Uint8Array(width * height), out = [];
  for (let start = top * width; start < width * height; ++start) {
    if (seen[start] || !white(start)) continue;
    let sx = 0, sy = 0, n = 0;
    const stack = [start];
    seen[start] = 1;
    while (stack.length) {
      const i = stack.pop(), px = i % width, py = (i - px) / width;
      sx += px; sy += py; ++n;
      for (const [qx, qy] of [[px + 1, py], [px - 1, py], [px, py + 1], [px, py - 1]]) {
        const j = qy * width + qx;
        if (qx >= 0 && qy >= top && qx < width && qy < height && !seen[j] && white(j)) stack.push(j), seen[j] = 1;
      }
    }
    out.push([sx / n, sy / n]);
  }
  return out;
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
// Resolves after the frame that follows everything sent so far is drawn.
const nextFrame = (page) =>
  page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));
// Two frames with a pause between: what a gesture's redraws need to land.
async function settle(page) {
  await nextFrame(page);
  await sleep(60);
  await nextFrame(page);
}

// Real touches through the browser's input pipeline (CDP); a point is [x, y, id].
function touchscreen(cdp) {
  const send = (type, points = []) =>
    cdp.send('Input.dispatchTouchEvent', { type, touchPoints: points.map(([x, y, id]) => ({ x, y, id })) });
  return {
    start: (points) => send('touchStart', points),
    move: (points) => send('touchMove', points),
    end: () => send('touchEnd'),
    cancel: () => send('touchCancel'),
    tap: (x, y) => send('touchStart', [[x, y, 0]]).then(() => send('touchEnd')),
  };
}

// The native program (the dev build), for comparisons with the browser.
const NATIVE = process.env.STARCHART_NATIVE || path.join(__dirname, '../../build/dev/app/starchart');
// The native snapshot for these flags (device and centre), decoded; null,
// with test t skipped, when there is no native program to compare with.
function nativeSnapshot(t, flags) {
  if (!fs.existsSync(NATIVE)) return t.skip(`no native program at ${NATIVE} (build the dev preset, or set STARCHART_NATIVE)`);
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-'));
  try {
    execFileSync(NATIVE, ['snapshot', ...flags, '--out', path.join(dir, 'native.png')], { stdio: 'pipe' });
    return decodePng(fs.readFileSync(path.join(dir, 'native.png')));
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

// A page on the built site with its drawing recorded, at `device` (a name of
// DEVICES or a Playwright context option), and every page error and console
// error in `errors`; browser and server close with the test.
async function openSite(t, device) {
  const server = await serve(buildDir('site'));
  const browser = await launch();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const { context, foreign } = await openContext(browser, server, device);
  await context.addInitScript(recordDrawing);
  const page = await context.newPage();
  const errors = watchErrors(page);
  return { server, context, foreign, errors, page };
}

// Every page error and console error of a Playwright page, as they come.
function watchErrors(page, errors = []) {
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  return errors;
}

// Polls `check` until it answers truthily. A check that throws (the page
// between two documents) or never answers (WebKit's driver) counts as not yet.
async function until(what, check, timeout = 20000) {
  for (const start = Date.now(); ;) {
    const v = await Promise.race([check(), sleep(5000)]).catch(() => false);
    if (v) return v;
    if (Date.now() - start > timeout) throw new Error(`timed out waiting for ${what}`);
    await sleep(50);
  }
}

module.exports = {
  BUILD, DEVICES, buildDir, launch, serve, openContext, openSite, watchErrors, decodePng, firstFrame, recordDrawing,
  findText, lastFrame, textsSince, readoutText, dots, nextFrame, settle, touchscreen, sleep, until, nativeSnapshot,
};
