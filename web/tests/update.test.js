// A new release takes over in each engine: release A is published and
// visited, then release B replaces it on the server. The page still running A
// reloads itself when it is next hidden, B shows within two reloads and never
// A again, and B then starts with the server gone.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const h = require('./harness.js');
const { ENGINES, injected } = require('./engines.js');

// The built site as release `name`: its script says which release it is, and
// its worker's version stamp is the release's own, as a new build's would be.
function release(root, name) {
  const dir = path.join(root, name);
  fs.cpSync(h.buildDir('site'), dir, { recursive: true });
  fs.appendFileSync(path.join(dir, 'app.js'), `\nwindow.starchartRelease = '${name}';\n`);
  const sw = path.join(dir, 'sw.js'), text = fs.readFileSync(sw, 'utf8');
  // The version stamp, minified or not.
  const stamp = /(VERSION\s*=\s*)(['"])([0-9a-f]+)\2/;
  assert.match(text, stamp);
  fs.writeFileSync(sw, text.replace(stamp, `$1$2${name}-$3$2`));
  return dir;
}

for (const name of Object.keys(ENGINES)) {
  test(`${name}: a new release takes over`, async (t) => {
    const root = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-releases-'));
    const a = release(root, 'A'), b = release(root, 'B');
    // The server reads through a link that is turned from A to B.
    const live = path.join(root, 'live');
    fs.symlinkSync(a, live);
    const server = await h.serve(live, { inject: injected() });
    const engine = await ENGINES[name]('phone');
    t.after(async () => {
      await engine.close();
      await server.close();  // again, if the test stopped before
      fs.rmSync(root, { recursive: true, force: true });
    });
    t.diagnostic(`${name}: ${engine.version}`);

    const shown = () => engine.evaluate(() => window.starchart && window.starchart.firstFrameAt > 0 && window.starchartRelease);
    const seen = [];
    const load = async (reload) => {
      if (reload) await engine.reload();
      seen.push(await h.until('the chart', shown));
      return seen[seen.length - 1];
    };

    await engine.open(server, server.url);
    assert.equal(await load(false), 'A');
    await h.until('the worker in control', () => engine.evaluate(() => !!navigator.serviceWorker.controller));

    fs.unlinkSync(live);
    fs.symlinkSync(b, live);
    const before = server.log.length;
    await load(true);
    if (seen[1] === 'A') {
      // B's worker takes over: its copy is the only one left.
      await h.until('B in control', () => engine.evaluate(() => caches.keys().then((names) =>
        names.some((n) => n.startsWith('starchart-B-')) && !names.some((n) => n.startsWith('starchart-A-')))));
      // The page still shows A, and reloads itself once hidden (after this call returns).
      assert.equal(await shown(), 'A');
      await engine.evaluate(() => {
        setTimeout(() => {
          Object.defineProperty(document, 'hidden', { value: true, configurable: true });
          document.dispatchEvent(new Event('visibilitychange'));
        }, 100);
      });
      await h.sleep(1000);
      seen.push(await h.until('the page reloaded by itself', shown));
      assert.equal(seen[2], 'B', `the page's own reload shows B: ${seen.join(' ')}`);
    }
    assert.ok(server.log.slice(before).some((r) => r.path === '/sw.js'), 'the worker script is fetched again');
    assert.equal(await load(true), 'B', `B within two reloads: ${seen.join(' ')}`);
    for (let i = 0; i < 2; ++i) await load(true);
    assert.ok(seen.slice(seen.indexOf('B')).every((r) => r === 'B'), `never back to A: ${seen.join(' ')}`);

    // The test's own script goes into the offline copy too (the page's files already are).
    await engine.evaluate(() => fetch('/__inject.js').then((r) => r.ok));
    await server.close();
    assert.equal(await load(true), 'B', 'B starts with the server gone');
    t.diagnostic(`${name}: releases shown ${seen.join(' ')}`);
  });
}
