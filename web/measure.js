#!/usr/bin/env node
// Measures the built page: bytes shipped (raw and gzip), time from navigation
// to the first frame (fresh browser context each run, so nothing is cached;
// "drawn" when the program has drawn it, "shown" two animation frames later),
// and the time of a redraw during a scripted one-finger drag at 768x1024 and
// pixel ratio 2 (a frame's work up to the screen's pixels), pooled over the
// runs: median, p10, p90.
// With --peer, the same for the npm package d3-celestial drawing a comparable
// gnomonic chart (web/bench: run "npm ci" there first), in the same browser.
//   node web/measure.js [--runs N] [--site DIR] [--peer]
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { launch, serve, openContext, firstFrame, nextFrame, touchscreen, BUILD } = require('./tests/harness.js');

const args = process.argv.slice(2);
let runs = 7;
let site = path.join(BUILD, 'site');
let peer = false;
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--runs') {
    runs = Number(args[++i]);
    if (!Number.isInteger(runs) || runs < 1 || runs > 100) {
      console.error('measure: --runs takes a whole number from 1 to 100');
      process.exit(2);
    }
  } else if (args[i] === '--peer') {
    peer = true;
  } else if (args[i] === '--site') {
    site = args[++i];
  } else {
    console.error(`measure: unknown argument ${args[i]} (usage: measure.js [--runs N] [--site DIR] [--peer])`);
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
    if (peer) {
      result.peer = await measurePeer(browser);
      result.redrawMedianOverPeer = +(result.redrawMs.median / result.peer.redrawMs.median).toFixed(3);
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
