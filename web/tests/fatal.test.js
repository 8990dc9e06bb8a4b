// Every fatal error in each engine: a file of the page missing or damaged, an
// exception or an abort in a frame, memory running out. Each stops the
// program and shows one message in the page's words with a Reload button;
// the details go to the console.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const h = require('./harness.js');
const { ENGINES, injected } = require('./engines.js');

const SAY = {
  missing: 'The chart could not be downloaded. Check the connection.',
  damaged: 'The chart arrived damaged.',
  memory: 'The chart ran out of memory.',
  internal: 'The chart stopped on an internal error.',
};

// Installed before the page's scripts: window.__fault = 'throw' or 'abort'
// makes the next drawing call of a frame throw, or abort as the program's
// abort() does (the module's import that does it, found by its body: the
// module's script is minified, its names are not kept).
function plantFaults() {
  const instantiate = WebAssembly.instantiate;
  WebAssembly.instantiate = function (module, imports) {
    const env = Object.values(imports)[0];
    const aborts = Object.values(env).filter((f) => typeof f === 'function' && /^function\s*\w*\(\)\s*\{\s*[\w$]+\(""\)\s*\}$/.test(String(f)));
    if (aborts.length !== 1) throw new Error(`plantFaults: ${aborts.length} imports look like abort()`);
    window.__abort = aborts[0];
    return instantiate.call(this, module, imports);
  };
  for (const K of [window.CanvasRenderingContext2D, window.OffscreenCanvasRenderingContext2D].filter(Boolean)) {
    for (const name of ['clearRect', 'fillRect', 'fillText', 'drawImage']) {
      const draw = K.prototype[name];
      K.prototype[name] = function (...a) {
        if (window.__fault === 'throw') throw new TypeError('planted fault in a frame');
        if (window.__fault === 'abort') window.__abort();
        return draw.apply(this, a);
      };
    }
  }
}

const halve = (file) => fs.writeFileSync(file, fs.readFileSync(file).subarray(0, fs.statSync(file).size >> 1));

// What the page shows: the message, the buttons in it, and how many alerts.
const shown = () => {
  const s = document.getElementById('status');
  return { text: s.firstChild ? s.firstChild.textContent : '', buttons: [...s.querySelectorAll('button')].map((b) => b.textContent),
           alerts: document.querySelectorAll('[role=alert]:not(:empty)').length };
};

for (const name of Object.keys(ENGINES)) {
  test(`${name}: fatal errors`, async (t) => {
    const engine = await ENGINES[name]('phone');
    t.after(() => engine.close());
    t.diagnostic(`${name}: ${engine.version}`);

    // Opens a copy of the site, with `change(dir)` applied, on a server of its own.
    const open = async (change) => {
      const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-site-'));
      fs.cpSync(h.buildDir('site'), dir, { recursive: true });
      if (change) change(dir);
      const server = await h.serve(dir, { inject: injected() + `(${plantFaults})();` });
      t.after(() => server.close().then(() => fs.rmSync(dir, { recursive: true, force: true })));
      await engine.open(server, server.url);
    };
    const message = () => h.until('the message', () => engine.evaluate(shown).then((s) => s.text && s));
    const errors = () => engine.evaluate(() => window.__errors.slice());
    const started = () => engine.evaluate(() => !!(window.starchart && window.starchart.firstFrameAt > 0));

    // The one message of `kind`, as first shown, with Reload; the detail on the console.
    const expectMessage = async (kind, first, detail) => {
      const s = await engine.evaluate(shown);
      assert.deepEqual(s, { text: SAY[kind] + ' ', buttons: ['Reload'], alerts: 1 });
      assert.deepEqual(first, s, 'the first message stays the only one');
      const log = await errors();
      assert.ok(log.some((e) => e.startsWith('starchart: ') && detail.test(e)), `the console has the detail: ${log.join(' | ')}`);
      return log;
    };

    // A file of the page missing (removed) or damaged (cut in half): the message, and no chart.
    for (const [title, kind, file, detail] of [
      ['a missing module', 'missing', 'starchart.wasm', /starchart\.wasm: HTTP 404/],
      ['a damaged module', 'damaged', 'starchart.wasm', /CompileError/],
      ['a missing module script', 'missing', 'starchart.js', /starchart\.js did not load/],
      ['a damaged module script', 'damaged', 'starchart.js', /SyntaxError/],
      ['a missing typeface', 'missing', 'fonts/starchart-sans-bold.woff2', /starchart-sans-bold\.woff2: HTTP 404/],
      ['a damaged typeface', 'damaged', 'fonts/starchart-sans-regular.woff2', /starchart-sans-regular\.woff2/],
    ]) {
      await t.test(title, async () => {
        await open((d) => (kind === 'missing' ? fs.rmSync : halve)(path.join(d, file)));
        const first = await message();
        await h.sleep(1000);
        await expectMessage(kind, first, detail);
        assert.equal(await started(), false, 'no chart');
      });
    }

    // A running chart meets `fault`: the message, then no more frames and no
    // more errors however the chart is touched, and Reload starts it afresh.
    const runFailure = (title, kind, fault, detail) => t.test(title, async () => {
      await open();
      await h.until('the first frame', started);
      await engine.evaluate(fault);
      await engine.drag([[150, 600], [200, 620], [250, 640]]);
      const first = await message();
      await h.sleep(300);
      const frames = await engine.evaluate(() => window.starchart.frames);
      const logged = (await errors()).length;
      await engine.drag([[100, 700], [150, 720], [200, 740]]);
      for (const pause of [80, 500]) {
        await engine.tap(195, 700);
        await h.sleep(pause);
      }
      const log = await expectMessage(kind, first, detail);
      assert.equal(await engine.evaluate(() => window.starchart.frames), frames, 'no frame after the error');
      assert.equal(log.length, logged, `nothing more goes wrong: ${log.slice(logged).join(' | ')}`);

      // Pressed once this call has returned: the page it ran in goes away.
      await engine.evaluate(() => { setTimeout(() => document.querySelector('#status button').click(), 100); });
      await h.sleep(1000);
      await h.until('the chart after Reload', started);
      assert.equal((await engine.evaluate(shown)).text, '', 'no message after Reload');
    });

    await runFailure('an exception in a frame', 'internal', () => { window.__fault = 'throw'; },
                     /TypeError: planted fault in a frame/);
    await runFailure('an abort in a frame', 'internal', () => { window.__fault = 'abort'; }, /abort\(\)/);
    await runFailure('memory running out', 'memory', () => {
      // The browser gives no more memory, and the program's heap is full.
      WebAssembly.Memory.prototype.grow = function () { throw new RangeError('planted: no more memory'); };
      for (let size = 1 << 24; size >= 8; size >>= 1) while (window.starchart._malloc(size));
    }, /starchart: out of memory/);
  });
}
