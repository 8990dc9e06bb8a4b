#!/usr/bin/env node
// Random-touch soak of the built page: real CDP touches for N steps (one-finger
// drags, two-finger pinches, cancelled touches, taps, double taps into learning
// mode, Quit when it is shown, the info screen opened with Info and closed with
// Done), printing every K steps the JS heap in use (after a forced collection,
// so garbage not yet collected does not read as growth), the WebAssembly
// memory and the page's DOM nodes. At the end: start, end and peak, and whether
// memory stayed flat after the warm-up. Exits 1 on a page or console error
// (a page error stops the run at once), 3 if memory grew, 2 on bad usage.
//   node web/soak.js [--steps N] [--every K] [--device phone|tablet] [--seed S] [--site DIR]
'use strict';
const fs = require('fs');
const path = require('path');
const { launch, serve, openContext, firstFrame, nextFrame, touchscreen, sleep, BUILD } = require('./tests/harness.js');

const USAGE = 'usage: soak.js [--steps N] [--every K] [--device phone|tablet] [--seed S] [--site DIR]';
const opts = { steps: 20000, every: 1000, device: 'phone', seed: 1, site: path.join(BUILD, 'site') };
// flag: [low, high] for the whole-number flags.
const RANGES = { steps: [1, 10000000], every: [1, 10000000], seed: [0, 4294967295] };
const args = process.argv.slice(2);
const refuse = (msg) => {
  console.error(`soak: ${msg}`);
  process.exit(2);
};
for (let i = 0; i < args.length; ++i) {
  const flag = args[i], name = flag.replace(/^--/, '');
  if (!['--steps', '--every', '--seed', '--device', '--site'].includes(flag)) refuse(`unknown argument ${flag} (${USAGE})`);
  if (i + 1 >= args.length) refuse(`${flag} needs a value (${USAGE})`);
  const value = args[++i];
  if (name === 'device') {
    if (value !== 'phone' && value !== 'tablet') refuse(`--device takes phone or tablet, not "${value}"`);
    opts.device = value;
  } else if (name === 'site') {
    if (value === '') refuse('--site needs a directory');
    opts.site = value;
  } else {
    const [lo, hi] = RANGES[name];
    // One whole decimal number, nothing around it.
    if (!/^[0-9]+$/.test(value) || Number(value) < lo || Number(value) > hi) {
      refuse(`${flag} takes a whole number from ${lo} to ${hi}, not "${value}"`);
    }
    opts[name] = Number(value);
  }
}

// Seeded, so a run that finds something can be repeated step for step.
function mulberry32(seed) {
  let a = seed >>> 0;
  return () => {
    a = (a + 0x6d2b79f5) >>> 0;
    let t = a;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}
const random = mulberry32(opts.seed);
const between = (lo, hi) => lo + (hi - lo) * random();
const whole = (lo, hi) => Math.floor(between(lo, hi + 1));

const MB = (bytes) => (bytes / 1048576).toFixed(2);

// What the page holds: JS heap in use, the module's memory, live DOM nodes.
async function sample(page, cdp) {
  await nextFrame(page);
  await cdp.send('HeapProfiler.collectGarbage');
  const { metrics } = await cdp.send('Performance.getMetrics');
  const metric = (n) => (metrics.find((m) => m.name === n) || {}).value;
  const page_ = await page.evaluate(() => {
    const app = window.starchart;
    // The module keeps its memory's views; the exports hold the memory itself.
    let wasm = app && app.HEAPU8 ? app.HEAPU8.buffer.byteLength : null;
    if (wasm === null && app && app.asm) {
      const mem = Object.values(app.asm).find((v) => v instanceof WebAssembly.Memory);
      if (mem) wasm = mem.buffer.byteLength;
    }
    return { wasm, dom: document.getElementsByTagName('*').length };
  });
  if (page_.wasm === null) throw new Error('soak: the page exposes no WebAssembly memory (window.starchart.HEAPU8)');
  return { heap: metric('JSHeapUsedSize'), wasm: page_.wasm, dom: page_.dom, listeners: metric('JSEventListeners') };
}

(async () => {
  if (!fs.existsSync(path.join(opts.site, 'index.html'))) {
    console.error(`soak: ${opts.site} holds no index.html (build the web preset first, or give --site DIR)`);
    process.exit(2);
  }
  const server = await serve(opts.site);
  const browser = await launch();
  const errors = [];
  let stopped = null;
  let exitCode = 0;
  try {
    const { context } = await openContext(browser, server, opts.device);
    // A tap that lands on a link of the info screen opens a tab: counted, closed.
    const page = await context.newPage();
    let tabs = 0;
    context.on('page', (p) => {
      if (p === page) return;
      ++tabs;
      p.close().catch(() => {});
    });
    const note = (what) => {
      errors.push(what);
      if (errors.length <= 10) console.error(`soak: ${what}`);
    };
    page.on('pageerror', (e) => {
      note(`page error: ${e}`);
      stopped = stopped || String(e);
    });
    page.on('console', (m) => {
      if (m.type() === 'error') note(`console error: ${m.text()}`);
    });
    await page.goto(server.url);
    await firstFrame(page);
    const cdp = await context.newCDPSession(page);
    await cdp.send('Performance.enable');
    const touch = touchscreen(cdp);
    const { width, height } = page.viewportSize();
    const point = () => [between(2, width - 2), between(2, height - 2)];

    // Where the mirror shows a control labelled `label` (CSS pixels), or null.
    const control = (label) => page.evaluate((l) => {
      const el = [...document.querySelectorAll('#a11y [data-a11y]')].find((e) => e.a11yLabel === l);
      if (!el) return null;
      const r = el.getBoundingClientRect();
      return r.width > 0 && r.height > 0 ? { x: r.left + r.width / 2, y: r.top + r.height / 2 } : null;
    }, label);
    const waitFor = async (label, present) => {
      for (let i = 0; i < 40; ++i) {
        if (((await control(label)) !== null) === present) return true;
        await sleep(50);
      }
      return false;
    };

    // A gesture's events go out without waiting for each to be handled (CDP
    // keeps their order), as a finger's arrive.
    const counts = { drag: 0, pinch: 0, cancel: 0, tap: 0, doubleTap: 0, quit: 0, info: 0 };
    const steps = {
      async drag() {
        let [x, y] = point();
        const sent = [touch.start([[x, y, 1]])];
        for (let i = whole(1, 8); i > 0; --i) {
          x = Math.min(width - 1, Math.max(1, x + between(-60, 60)));
          y = Math.min(height - 1, Math.max(1, y + between(-60, 60)));
          sent.push(touch.move([[x, y, 1]]));
        }
        sent.push(touch.end());
        await Promise.all(sent);
      },
      async pinch() {
        const [cx, cy] = point();
        let half = between(10, 120);
        const angle = between(0, Math.PI);
        const fingers = () => [[cx - half * Math.cos(angle), cy - half * Math.sin(angle), 1],
                               [cx + half * Math.cos(angle), cy + half * Math.sin(angle), 2]];
        const sent = [touch.start([fingers()[0]]), touch.start(fingers())];
        for (let i = whole(1, 6); i > 0; --i) {
          half = Math.max(5, half + between(-40, 40));
          sent.push(touch.move(fingers()));
        }
        sent.push(touch.end());
        await Promise.all(sent);
      },
      async cancel() {
        const [x, y] = point();
        const two = random() < 0.5;
        const sent = [touch.start(two ? [[x, y, 1], [x + 80, y + 20, 2]] : [[x, y, 1]])];
        for (let i = whole(0, 3); i > 0; --i) {
          const d = between(-50, 50);
          sent.push(touch.move(two ? [[x + d, y, 1], [x + 80 - d, y + 20, 2]] : [[x + d, y + d, 1]]));
        }
        sent.push(cdp.send('Input.dispatchTouchEvent', { type: 'touchCancel', touchPoints: [] }));
        await Promise.all(sent);
      },
      async tap() {
        await touch.tap(...point());
      },
      async doubleTap() {
        const [x, y] = point();
        await touch.tap(x, y);
        await sleep(between(30, 120));
        await touch.tap(x, y);
      },
      async quit() {
        const at = await control('Quit');
        if (!at) return steps.drag();
        await touch.tap(at.x, at.y);
      },
      async info() {
        // A random tap may have opened it already: then only Done.
        if (!(await control('Done'))) {
          const at = await control('Info');
          if (!at) return steps.tap();
          await touch.tap(at.x, at.y);
          if (!(await waitFor('Done', true))) throw new Error('soak: Info was tapped but Done never showed');
        }
        // The screen turns over first; touches meanwhile go nowhere.
        await sleep(600);
        // Touches on the info screen as well, now and then.
        for (let i = whole(0, 2); i > 0; --i) await steps.drag();
        const done = await control('Done');
        // One of those touches may have found Done itself.
        if (!done) return;
        await touch.tap(done.x, done.y);
        if (!(await waitFor('Done', false))) throw new Error('soak: Done was tapped but the info screen stayed');
      },
    };
    // The mix of steps, in parts of 100.
    const MIX = [['drag', 37], ['pinch', 20], ['cancel', 10], ['tap', 16], ['doubleTap', 10], ['quit', 6], ['info', 1]];
    const pick = () => {
      let r = random() * 100;
      for (const [name, share] of MIX) {
        if ((r -= share) < 0) return name;
      }
      return 'drag';
    };

    // Warm-up: the first tenth of the run (at least one sample period), by
    // which caches and pools have reached their working size.
    const warmStep = Math.min(opts.steps, Math.max(opts.every, Math.ceil(opts.steps / 10 / opts.every) * opts.every));
    const log = [];
    const record = async (step) => {
      const s = { step, ...(await sample(page, cdp)), at: Date.now() };
      log.push(s);
      console.log(`step ${String(step).padStart(8)}  heap ${MB(s.heap).padStart(7)} MB  wasm ${MB(s.wasm).padStart(7)} MB` +
                  `  dom ${String(s.dom).padStart(4)} nodes  listeners ${s.listeners}`);
      return s;
    };
    console.log(`soak: ${opts.steps} steps on a ${opts.device} (${width}x${height}), seed ${opts.seed}, a sample every ${opts.every} steps`);
    const started = Date.now();
    await record(0);
    let done = 0;
    for (let step = 1; step <= opts.steps && !stopped; ++step) {
      const kind = pick();
      await steps[kind]();
      ++counts[kind];
      done = step;
      if (step % opts.every === 0 || step === opts.steps || step === warmStep) await record(step);
    }
    if (stopped) {
      console.error(`soak: stopped at step ${done} on a page error: ${stopped}`);
      if (log[log.length - 1].step !== done) await record(done).catch(() => {});
    }
    const seconds = (Date.now() - started) / 1000;

    const first = log[0], last = log[log.length - 1];
    const warm = log.find((s) => s.step === warmStep) || last;
    const peak = (k) => Math.max(...log.map((s) => s[k]));
    console.log(`soak: ${done} steps in ${seconds.toFixed(0)} s (${(1000 * seconds / Math.max(1, done)).toFixed(1)} ms a step): ` +
                Object.entries(counts).map(([k, v]) => `${v} ${k}`).join(', ') + `; ${tabs} tabs opened by links`);
    console.log('                  start     warm-up     end       peak');
    for (const [k, label, fmt] of [['heap', 'JS heap (MB)', MB], ['wasm', 'wasm (MB)', MB], ['dom', 'DOM nodes', String]]) {
      console.log(`  ${label.padEnd(14)}  ${fmt(first[k]).padStart(8)}  ${fmt(warm[k]).padStart(8)} ` +
                  `${fmt(last[k]).padStart(8)}  ${fmt(peak(k)).padStart(8)}`);
    }
    // Flat: after the warm-up, the heap ends within 10% or 1 MB of where it
    // was (whichever is more), the module's memory has not grown, and the
    // page holds no more DOM nodes than its screens account for.
    const heapMargin = Math.max(1048576, 0.1 * warm.heap);
    const grew = [];
    if (last.heap > warm.heap + heapMargin) grew.push(`JS heap ${MB(warm.heap)} -> ${MB(last.heap)} MB (margin ${MB(heapMargin)} MB)`);
    if (last.wasm > warm.wasm) grew.push(`wasm memory ${MB(warm.wasm)} -> ${MB(last.wasm)} MB`);
    // The controls shown vary with the screen (Quit, the info screen's): nodes
    // count as grown only past the most seen by the warm-up, plus 10.
    const domWarm = Math.max(...log.filter((s) => s.step <= warmStep).map((s) => s.dom));
    if (last.dom > domWarm + 10) grew.push(`DOM nodes ${domWarm} by the warm-up -> ${last.dom}`);
    if (done <= warmStep) {
      console.log(`soak: verdict: none (the run ended by the warm-up, step ${warmStep})`);
    } else if (grew.length) {
      console.log(`soak: verdict: memory GREW after the warm-up (step ${warmStep}): ${grew.join('; ')}`);
      exitCode = 3;
    } else {
      console.log(`soak: verdict: flat after the warm-up (step ${warmStep}): heap within ${MB(heapMargin)} MB, ` +
                  'wasm memory not above its warm-up value, DOM nodes within 10 of theirs');
    }
    if (errors.length) {
      console.error(`soak: ${errors.length} page or console errors` + (errors.length > 10 ? ' (first 10 shown)' : ''));
      exitCode = 1;
    }
  } finally {
    await browser.close();
    await server.close();
  }
  process.exit(exitCode);
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
