// Shared pieces of the browser tests: the build to test, a local server,
// Debian's Chromium through playwright-core, a watch on every request, and
// a PNG decoder for screenshots.
'use strict';
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
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

// Minimal PNG reader (8-bit RGB or RGBA, not interlaced): { width, height, rgba }.
function decodePng(buf) {
  if (buf.readUInt32BE(0) !== 0x89504e47) throw new Error('not a PNG');
  let pos = 8, width = 0, height = 0, type = 0;
  const idat = [];
  while (pos < buf.length) {
    const len = buf.readUInt32BE(pos);
    const kind = buf.toString('ascii', pos + 4, pos + 8);
    const data = buf.subarray(pos + 8, pos + 8 + len);
    if (kind === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      type = data[9];
      if (data[8] !== 8 || (type !== 2 && type !== 6) || data[12] !== 0) {
        throw new Error('PNG: only 8-bit RGB/RGBA, not interlaced');
      }
    } else if (kind === 'IDAT') {
      idat.push(data);
    } else if (kind === 'IEND') {
      break;
    }
    pos += 12 + len;
  }
  const bpp = type === 6 ? 4 : 3, stride = width * bpp;
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const out = Buffer.alloc(stride * height);
  for (let y = 0; y < height; ++y) {
    const f = raw[y * (stride + 1)], src = y * (stride + 1) + 1, row = y * stride;
    for (let x = 0; x < stride; ++x) {
      const a = x >= bpp ? out[row + x - bpp] : 0;
      const b = y > 0 ? out[row - stride + x] : 0;
      const c = x >= bpp && y > 0 ? out[row - stride + x - bpp] : 0;
      let v = raw[src + x];
      if (f === 1) v += a;
      else if (f === 2) v += b;
      else if (f === 3) v += (a + b) >> 1;
      else if (f === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : (pb <= pc ? b : c);
      }
      out[row + x] = v & 255;
    }
  }
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0; i < width * height; ++i) {
    rgba[4 * i] = out[bpp * i];
    rgba[4 * i + 1] = out[bpp * i + 1];
    rgba[4 * i + 2] = out[bpp * i + 2];
    rgba[4 * i + 3] = bpp === 4 ? out[bpp * i + 3] : 255;
  }
  return { width, height, rgba };
}

// Waits until the program has put its first frame on screen; returns its
// time from navigation start in ms.
async function firstFrame(page, timeout = 15000) {
  await page.waitForFunction(() => window.starchart && window.starchart.firstFrameAt > 0, null, { timeout });
  return page.evaluate(() => window.starchart.firstFrameAt);
}

module.exports = { BUILD, buildDir, launch, serve, openContext, decodePng, firstFrame, DEVICES };

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
      // width: as drawn, in the canvas's pixels.
      log.texts.push({ canvas: id(this.canvas), text: String(text), x: m.a * x + m.c * y + m.e,
                       y: m.b * x + m.d * y + m.f, font: this.font,
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

// Where the last drawing of `text` is on the page, in CSS pixels: follows the
// canvas it was drawn on through the composites onto the screen canvas.
async function locateText(page, text) {
  return page.evaluate(findText, text);
}

// locateText's page side, for drivers that take a function to run in the page.
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
  return { x: r.left + x / scale, y: r.top + y / scale };
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
  return page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(() => r()))));
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
// Of each dot in `a`, the distance to the nearest in `b`: the largest, in pixels.
function worstDotOffset(a, b) {
  let worst = 0;
  for (const [x, y] of a) {
    let best = Infinity;
    for (const [u, v] of b) best = Math.min(best, Math.hypot(u - x, v - y));
    worst = Math.max(worst, best);
  }
  return worst;
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

module.exports.recordDrawing = recordDrawing;
module.exports.locateText = locateText;
module.exports.findText = findText;
module.exports.dots = dots;
module.exports.nextFrame = nextFrame;
module.exports.touchscreen = touchscreen;
module.exports.sleep = sleep;
module.exports.skipWithoutNative = skipWithoutNative;
module.exports.nativeSnapshot = nativeSnapshot;
module.exports.worstDotOffset = worstDotOffset;

// A page on the built site with its drawing recorded, at `device` (a name of
// DEVICES or a Playwright context option); browser and server close with the test.
async function openSite(t, device) {
  const server = await serve(buildDir('site'));
  const browser = await launch();
  t.after(async () => {
    await browser.close();
    await server.close();
  });
  const { context, foreign } = await openContext(browser, server, device);
  await context.addInitScript(recordDrawing);
  return { server, context, foreign, page: await context.newPage() };
}

// Every text drawn so far, and the last readout among them.
const drawnTexts = (page) => page.evaluate(() => window.__draw.texts.map((x) => x.text));
const lastReadout = async (page) => (await drawnTexts(page)).filter((s) => s.startsWith('Ra :')).pop();

module.exports.openSite = openSite;
module.exports.drawnTexts = drawnTexts;
module.exports.lastReadout = lastReadout;

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

module.exports.until = until;
