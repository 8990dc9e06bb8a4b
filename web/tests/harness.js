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

const BUILD = path.resolve(process.env.STARCHART_WEB_BUILD || path.join(__dirname, '..', '..', 'build', 'web'));
const CHROMIUM = process.env.STARCHART_CHROMIUM || '/usr/bin/chromium';

function buildDir(sub) {
  const dir = path.join(BUILD, sub);
  if (!fs.existsSync(dir)) {
    throw new Error(`${dir} does not exist: run "cmake --preset web && cmake --build build/web" first ` +
                    '(or set STARCHART_WEB_BUILD to the build directory)');
  }
  return dir;
}

function launch() {
  return chromium.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
}

const DEVICES = {
  phone: { viewport: { width: 390, height: 844 }, deviceScaleFactor: 3, hasTouch: true, isMobile: true },
  tablet: { viewport: { width: 768, height: 1024 }, deviceScaleFactor: 2, hasTouch: true, isMobile: true },
};

// A fresh context on `device`, with every request that leaves the test
// server recorded in `foreign` (and refused).
async function openContext(browser, server, device) {
  const context = await browser.newContext(DEVICES[device] || device);
  const origin = new URL(server.url).origin;
  const foreign = [];
  await context.route('**/*', (route) => {
    const url = route.request().url();
    if (url.startsWith(origin + '/') || url.startsWith('data:') || url.startsWith('blob:')) {
      return route.continue();
    }
    foreign.push(url);
    return route.abort();
  });
  context.on('request', (r) => {
    const url = r.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:') &&
        !foreign.includes(url)) {
      foreign.push(url);
    }
  });
  return { context, foreign };
}

// A PNG's pixels as { width, height, rgba }, read by ImageMagick (also used by
// the desktop end-to-end tests).
function decodePng(buf) {
  if (buf.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG');
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
  const log = { texts: [], blits: [] };
  window.__draw = log;
  const ids = new WeakMap();
  let next = 0;
  const id = (c) => {
    if (!ids.has(c)) ids.set(c, ++next);
    return ids.get(c);
  };
  window.__canvasId = id;
  const kinds = [window.CanvasRenderingContext2D, window.OffscreenCanvasRenderingContext2D].filter(Boolean);
  for (const K of kinds) {
    const fillText = K.prototype.fillText;
    K.prototype.fillText = function (text, x, y, ...rest) {
      const m = this.getTransform();
      // kind: the class of canvas drawn on; width: as drawn, in its pixels.
      log.texts.push({ canvas: id(this.canvas), kind: this.canvas.constructor.name, text: String(text),
                       x: m.a * x + m.c * y + m.e, y: m.b * x + m.d * y + m.f, font: this.font,
                       width: this.measureText(text).width * Math.hypot(m.a, m.b) });
      return fillText.call(this, text, x, y, ...rest);
    };
    const drawImage = K.prototype.drawImage;
    K.prototype.drawImage = function (image, ...a) {
      const m = this.getTransform();
      const x = a.length >= 8 ? a[4] : a[0], y = a.length >= 8 ? a[5] : a[1];
      // frame: how many frames were presented before this composite.
      log.blits.push({ dst: id(this.canvas), src: id(image), x: m.a * x + m.c * y + m.e, y: m.b * x + m.d * y + m.f,
                       frame: (window.starchart && window.starchart.frames) || 0 });
      return drawImage.call(this, image, ...a);
    };
  }
}

// In the page: where the last drawing of `text` is, in CSS pixels, following
// the canvas it was drawn on through the composites onto the screen canvas.
function findText(text) {
  const log = window.__draw, screen = window.__canvasId(document.getElementById('canvas'));
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
  const r = document.getElementById('canvas').getBoundingClientRect();
  const scale = document.getElementById('canvas').width / r.width;
  return { x: r.left + x / scale, y: r.top + y / scale, canvas: hit.canvas };
}

// In the page: the canvases composited into the last frame presented.
function lastFrame() {
  const last = window.starchart.frames - 1;
  return window.__draw.blits.filter((b) => b.frame === last).map((b) => b.src);
}

// In the page: the texts drawn since the `from`th.
function textsSince(from) {
  return window.__draw.texts.slice(from || 0).map((x) => x.text);
}

// In the page: the last readout drawn.
function readoutText() {
  return window.__draw.texts.map((x) => x.text).filter((s) => s.startsWith('Ra :')).pop();
}

// Centroids of the pure white blobs (star dots) below the top band.
function dots(img, top) {
  const { width, height, rgba } = img;
  const white = (i) => rgba[4 * i] > 230 && rgba[4 * i + 1] > 230 && rgba[4 * i + 2] > 230;
  const seen = new Uint8Array(width * height);
  const out = [];
  for (let y = top; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const start = y * width + x;
      if (seen[start] || !white(start)) continue;
      let sx = 0, sy = 0, n = 0;
      const stack = [start];
      seen[start] = 1;
      while (stack.length) {
        const i = stack.pop(), px = i % width, py = (i - px) / width;
        sx += px; sy += py; ++n;
        for (const [qx, qy] of [[px + 1, py], [px - 1, py], [px, py + 1], [px, py - 1]]) {
          if (qx < 0 || qy < top || qx >= width || qy >= height) continue;
          const j = qy * width + qx;
          if (!seen[j] && white(j)) {
            seen[j] = 1;
            stack.push(j);
          }
        }
      }
      out.push([sx / n, sy / n]);
    }
  }
  return out;
}

// Resolves after the frame that follows everything sent so far is drawn.
function nextFrame(page) {
  return page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r(true)))));
}

// Two frames with a pause between: what a gesture's redraws need to land.
async function settle(page) {
  await nextFrame(page);
  await sleep(60);
  await nextFrame(page);
}

// Real touches through the browser's input pipeline (CDP).
function touchscreen(cdp) {
  const send = (type, points) => cdp.send('Input.dispatchTouchEvent', {
    type, touchPoints: points.map(([x, y, id]) => ({ x, y, id })),
  });
  return {
    start: (points) => send('touchStart', points),
    move: (points) => send('touchMove', points),
    end: () => send('touchEnd', []),
    async tap(x, y) {
      await send('touchStart', [[x, y, 0]]);
      await send('touchEnd', []);
    },
  };
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// The native program (the dev build), for comparisons with the browser.
const NATIVE = process.env.STARCHART_NATIVE ||
  path.join(__dirname, '..', '..', 'build', 'dev', 'app', 'starchart');
// True, with the test skipped, when there is no native program to compare with.
function skipWithoutNative(t) {
  if (fs.existsSync(NATIVE)) return false;
  t.skip(`no native program at ${NATIVE} (build the dev preset, or set STARCHART_NATIVE)`);
  return true;
}
// The native snapshot for these flags (device and centre), decoded.
function nativeSnapshot(flags) {
  const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-'));
  const out = path.join(dir, 'native.png');
  try {
    execFileSync(NATIVE, ['snapshot', ...flags, '--out', out], { stdio: 'pipe' });
    return decodePng(fs.readFileSync(out));
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
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  return { server, context, foreign, errors, page };
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
  BUILD, DEVICES, buildDir, launch, serve, openContext, openSite, decodePng, firstFrame, recordDrawing, findText,
  lastFrame, textsSince, readoutText, dots, nextFrame, settle, touchscreen, sleep, until, skipWithoutNative,
  nativeSnapshot,
};
