#!/usr/bin/env node
// Measures the built page: bytes shipped (raw and gzip), time from navigation
// to the first frame (fresh browser context each run, so nothing is cached;
// "drawn" when the program has drawn it, "shown" two animation frames later),
// and the time of a redraw during a scripted one-finger drag at 768x1024 and
// pixel ratio 2 (a frame's work up to the screen's pixels), pooled over the
// runs: median, p10, p90.
// With --peer, the same for the npm package d3-celestial drawing a comparable
// gnomonic chart (web/bench: run "npm ci" there first), in the same browser.
// With --floor, the drag's canvas calls are recorded and replayed with no
// program running, timed the same way: what the browser alone needs for
// these frames, all of them and without each kind of drawing.
//   node web/measure.js [--runs N] [--site DIR] [--peer] [--floor]
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { launch, serve, openContext, firstFrame, nextFrame, touchscreen, BUILD } = require('./tests/harness.js');

const args = process.argv.slice(2);
let runs = 7;
let site = path.join(BUILD, 'site');
let peer = false;
let floor = false;
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--runs') {
    runs = Number(args[++i]);
    if (!Number.isInteger(runs) || runs < 1 || runs > 100) {
      console.error('measure: --runs takes a whole number from 1 to 100');
      process.exit(2);
    }
  } else if (args[i] === '--peer') {
    peer = true;
  } else if (args[i] === '--floor') {
    floor = true;
  } else if (args[i] === '--site') {
    site = args[++i];
  } else {
    console.error(`measure: unknown argument ${args[i]} (usage: measure.js [--runs N] [--site DIR] [--peer] [--floor])`);
    process.exit(2);
  }
}

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
// Median and spread of a set of timings, in ms.
function spread(xs) {
  const s = [...xs].sort((a, b) => a - b);
  const at = (q) => +s[Math.min(s.length - 1, Math.floor(s.length * q))].toFixed(2);
  return { n: s.length, median: at(0.5), p10: at(0.1), p90: at(0.9), max: +s[s.length - 1].toFixed(2) };
}

// One frame per touch move across the chart: the frames' times.
async function dragTimes(context, page) {
  const touch = touchscreen(await context.newCDPSession(page));
  await page.evaluate(() => { window.starchart.frameTimes = []; });
  await touch.start([[200, 500, 1]]);
  for (let i = 1; i <= 80; ++i) {
    await touch.move([[200 + 4 * i, 500 + (i % 20), 1]]);
    await nextFrame(page);
  }
  await touch.end();
  return page.evaluate(() => window.starchart.frameTimes);
}

// Installed before the page's scripts: every call and property set on the
// page's own canvas while window.__rec is an array, with the originals kept
// so that the replay runs on the browser's own functions.
function recordCanvasCalls() {
  const P = CanvasRenderingContext2D.prototype;
  const orig = (window.__orig = new Map());
  for (const k of Object.getOwnPropertyNames(P)) {
    const d = Object.getOwnPropertyDescriptor(P, k);
    orig.set(k, d);
    if (typeof d.value === 'function') {
      const f = d.value;
      P[k] = function (...a) {
        if (window.__rec && this.canvas.isConnected) window.__rec.push([k, a]);
        return f.apply(this, a);
      };
    } else if (d.set && d.configurable) {
      Object.defineProperty(P, k, { get: d.get, configurable: true, set(v) {
        if (window.__rec && this.canvas.isConnected) window.__rec.push(['=' + k, [v]]);
        d.set.call(this, v);
      } });
    }
  }
}

// The drag's frames replayed onto a canvas like the page's, a frame per
// animation frame, each up to its pixels being done; the kinds of drawing
// left out in turn, interleaved so that load falls on all alike.
async function floorTimes(browser, server) {
  const { context } = await openContext(browser, server, 'tablet');
  await context.addInitScript(recordCanvasCalls);
  const page = await context.newPage();
  await page.goto(server.url);
  await firstFrame(page);
  const touch = touchscreen(await context.newCDPSession(page));
  await touch.start([[200, 500, 1]]);
  await page.evaluate(() => { window.__frames = []; });
  for (let i = 1; i <= 30; ++i) {
    await page.evaluate(() => { window.__rec = []; });
    await touch.move([[200 + 4 * i, 500 + (i % 20), 1]]);
    await nextFrame(page);
    await page.evaluate(() => { window.__frames.push(window.__rec); window.__rec = null; });
  }
  await touch.end();
  const times = await page.evaluate(async (rounds) => {
    const P = CanvasRenderingContext2D.prototype;
    for (const [k, d] of window.__orig) Object.defineProperty(P, k, d);
    const frames = window.__frames.filter((f) => f.some(([k]) => k === 'fillRect'));
    const shown = document.querySelector('canvas');
    const c = document.createElement('canvas');
    c.width = shown.width;
    c.height = shown.height;
    c.style.cssText = `position:fixed;left:0;top:0;width:${shown.style.width};height:${shown.style.height}`;
    document.body.appendChild(c);
    const g = c.getContext('2d');
    const without = { all: [], lines: ['stroke'], stamps: ['drawImage'], text: ['fillText', 'strokeText'] };
    const out = {};
    for (const name in without) out[name] = [];
    for (let i = 0; i < rounds; ++i) {
      for (const name in without) {
        const skip = without[name];
        const f = frames[i % frames.length];
        await new Promise((r) => requestAnimationFrame(r));
        const t0 = performance.now();
        for (const [k, a] of f) {
          if (skip.includes(k)) continue;
          if (k[0] === '=') g[k.slice(1)] = a[0];
          else g[k](...a);
        }
        g.getImageData(0, 0, 1, 1);
        out[name].push(performance.now() - t0);
      }
    }
    return { frames: frames.length, calls: Math.round(frames.reduce((n, f) => n + f.length, 0) / frames.length), out };
  }, 20 * runs);
  await context.close();
  const result = { frames: times.frames, callsPerFrame: times.calls };
  for (const name in times.out) result[name === 'all' ? 'all' : `without_${name}`] = spread(times.out[name]);
  return result;
}

// The peer at 768x1024, pixel ratio 2: bytes of everything its page loaded,
// first chart, and 60 redraws a run while its centre moves.
async function measurePeer(browser) {
  const dir = path.join(__dirname, 'bench');
  if (!fs.existsSync(path.join(dir, 'node_modules', 'd3-celestial'))) {
    throw new Error('measure: run "npm install" in web/bench for --peer');
  }
  const server = await serve(dir);
  try {
    const firsts = [];
    const redraws = [];
    let raw = 0, gz = 0;
    for (let r = 0; r < runs; ++r) {
      const { context } = await openContext(browser, server, 'tablet');
      const page = await context.newPage();
      const start = server.requests.length;
      await page.goto(server.url + 'peer.html');
      await page.waitForFunction(() => window.peer && window.peer.firstChartAt > 0, null, { timeout: 30000 });
      firsts.push(await page.evaluate(() => window.peer.firstChartAt));
      if (r === runs - 1) {
        raw = 0;
        gz = 0;
        for (const u of new Set(server.requests.slice(start))) {
          const f = path.join(dir, decodeURIComponent(new URL(u, server.url).pathname));
          if (!fs.existsSync(f) || !fs.statSync(f).isFile()) continue;
          const body = fs.readFileSync(f);
          raw += body.length;
          gz += zlib.gzipSync(body, { level: 9 }).length;
        }
      }
      for (let i = 1; i <= 60; ++i) redraws.push(await page.evaluate((i) => window.peer.redraw(255 + i * 0.4, 31 + (i % 20) * 0.1), i));
      await context.close();
    }
    return { bytes: { raw, gzip: gz }, firstChartMs: Math.round(median(firsts)), allFirstChart: firsts.map(Math.round),
             redrawMs: spread(redraws) };
  } finally {
    await server.close();
  }
}

(async () => {
  if (!fs.existsSync(site)) {
    console.error(`measure: ${site} does not exist (build the web preset first)`);
    process.exit(2);
  }
  // What the page loads: the worker's list, and the worker itself.
  const sw = fs.readFileSync(path.join(site, 'sw.js'), 'utf8');
  // Once each (the worker also names the module on its own), in either quotes (minified).
  const files = [...new Set(['sw.js', ...[...sw.matchAll(/["']\.\/([^"']+)["']/g)].map((m) => m[1])])];
  let raw = 0, gz = 0;
  const perFile = {};
  for (const f of files) {
    const body = fs.readFileSync(path.join(site, f));
    const z = zlib.gzipSync(body, { level: 9 }).length;
    perFile[f] = { raw: body.length, gzip: z };
    raw += body.length;
    gz += z;
  }
  const result = { bytes: { raw, gzip: gz, files: perFile } };

  const server = await serve(site);
  const browser = await launch();
  const drags = [];
  try {
    for (const device of ['phone', 'tablet']) {
      const drawn = [], shown = [];
      for (let r = 0; r < runs; ++r) {
        const { context } = await openContext(browser, server, device);
        const page = await context.newPage();
        await page.goto(server.url);
        drawn.push(await firstFrame(page));
        await page.waitForFunction(() => window.starchart.firstFrameShownAt > 0);
        shown.push(await page.evaluate(() => window.starchart.firstFrameShownAt));
        if (device === 'tablet') drags.push(...(await dragTimes(context, page)));
        await context.close();
      }
      result[`firstFrameMs_${device}`] = {
        drawn: Math.round(median(drawn)), shown: Math.round(median(shown)), allDrawn: drawn.map(Math.round),
      };
    }
    result.redrawMs = spread(drags);
    if (floor) result.floorMs = await floorTimes(browser, server);
    if (peer) {
      result.peer = await measurePeer(browser);
      result.redrawMedianOverPeer = +(result.redrawMs.median / result.peer.redrawMs.median).toFixed(3);
      if (floor) result.floorMedianOverPeer = +(result.floorMs.all.median / result.peer.redrawMs.median).toFixed(3);
    }
  } finally {
    await browser.close();
    await server.close();
  }
  console.log(JSON.stringify(result, null, 2));
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
