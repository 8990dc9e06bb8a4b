#!/usr/bin/env node
// Where a redraw's time goes: records a Chromium trace of a scripted
// one-finger drag at 768x1024, pixel ratio 2, and sums the time per kind of
// work (JS and wasm, canvas calls being recorded, raster) and per trace event.
//   node web/bench/trace.js [--site DIR] [--out trace.json] [--top N]
'use strict';
const fs = require('fs');
const path = require('path');
const { launch, serve, openContext, firstFrame, nextFrame, touchscreen, BUILD } = require('../tests/harness.js');

const args = process.argv.slice(2);
let site = path.join(BUILD, 'site'), out = null, top = 25;
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--site') site = args[++i];
  else if (args[i] === '--out') out = args[++i];
  else if (args[i] === '--top') top = Number(args[++i]);
  else {
    console.error(`trace: unknown argument ${args[i]} (usage: trace.js [--site DIR] [--out FILE] [--top N])`);
    process.exit(2);
  }
}

const CATEGORIES = ['devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8.execute', 'blink', 'cc',
                    'skia', 'toplevel', 'disabled-by-default-skia'].join(',');

// Total and self time of complete events, per thread, per name. Self time
// subtracts the children nested in an event on the same thread.
function summarise(events, threadNames) {
  const byThread = new Map();
  for (const e of events) {
    if (e.ph !== 'X' || typeof e.dur !== 'number') continue;
    const key = `${e.pid}:${e.tid}`;
    if (!byThread.has(key)) byThread.set(key, []);
    byThread.get(key).push(e);
  }
  const result = {};
  for (const [key, list] of byThread) {
    list.sort((a, b) => a.ts - b.ts || b.dur - a.dur);
    const stack = [], names = new Map();
    const add = (name, field, v) => {
      if (!names.has(name)) names.set(name, { total: 0, self: 0, count: 0 });
      names.get(name)[field] += v;
    };
    for (const e of list) {
      while (stack.length && stack[stack.length - 1].ts + stack[stack.length - 1].dur <= e.ts) stack.pop();
      if (stack.length) add(stack[stack.length - 1].name, 'self', -e.dur);
      add(e.name, 'total', e.dur);
      add(e.name, 'self', e.dur);
      names.get(e.name).count += 1;
      stack.push(e);
    }
    const thread = threadNames.get(key) || key;
    result[thread] = result[thread] || new Map();
    for (const [n, v] of names) {
      const r = result[thread].get(n) || { total: 0, self: 0, count: 0 };
      r.total += v.total; r.self += v.self; r.count += v.count;
      result[thread].set(n, r);
    }
  }
  return result;
}

(async () => {
  const server = await serve(site);
  const browser = await launch();
  try {
    const { context } = await openContext(browser, server, 'tablet');
    const page = await context.newPage();
    await page.goto(server.url);
    await firstFrame(page);
    const touch = touchscreen(await context.newCDPSession(page));
    await page.evaluate(() => { window.starchart.frameTimes = []; });
    await touch.start([[200, 500, 1]]);
    for (let i = 1; i <= 5; ++i) {
      await touch.move([[200 + 4 * i, 500 + i, 1]]);
      await nextFrame(page);
    }
    await page.evaluate(() => { window.starchart.frameTimes = []; });
    await browser.startTracing(page, { categories: CATEGORIES.split(',') });
    const frames = 40;
    for (let i = 1; i <= frames; ++i) {
      await touch.move([[220 + 4 * i, 505 + (i % 20), 1]]);
      await nextFrame(page);
    }
    const buf = await browser.stopTracing();
    await touch.end();
    const times = await page.evaluate(() => window.starchart.frameTimes);
    if (out) fs.writeFileSync(out, buf);
    const trace = JSON.parse(buf.toString());
    const events = trace.traceEvents || trace;
    const threadNames = new Map();
    for (const e of events) {
      if (e.ph === 'M' && e.name === 'thread_name') threadNames.set(`${e.pid}:${e.tid}`, e.args.name);
    }
    const sums = summarise(events, threadNames);
    const n = times.length || frames;
    const sorted = [...times].sort((a, b) => a - b);
    console.log(`frames timed: ${times.length}, median ${sorted[Math.floor(n / 2)]?.toFixed(2)} ms`);
    for (const [thread, names] of Object.entries(sums)) {
      const rows = [...names.entries()].sort((a, b) => b[1].self - a[1].self).slice(0, top)
        .filter(([, v]) => v.self / 1000 / n >= 0.02);
      if (!rows.length) continue;
      console.log(`\n${thread}: self / total ms per frame`);
      for (const [name, v] of rows) {
        console.log(`  ${(v.self / 1000 / n).toFixed(3).padStart(7)} ${(v.total / 1000 / n).toFixed(3).padStart(7)}  ${name} (${v.count})`);
      }
    }
    await context.close();
  } finally {
    await browser.close();
    await server.close();
  }
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
