// One driver per browser engine, all from Debian's packages, behind one small
// interface so a test body runs unchanged in each:
//   chromium  Playwright over CDP, real touch events
//   firefox   puppeteer-core over WebDriver BiDi, real touch events (the
//             engine's touch support forced on: there is no touchscreen)
//   webkit    WebKitGTK's WebDriver (WebKitWebDriver + MiniBrowser) under its
//             own Xvfb; it turns touch actions into mouse events, so the mouse
// Every page gets the test server's /__inject.js first (see serve.js), which
// records drawing and errors the page can see; each driver adds what the
// engine itself reports: console errors, and requests to other hosts.
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const http = require('http');
const { spawn, execFileSync } = require('child_process');
const h = require('./harness.js');

const FIREFOX = process.env.STARCHART_FIREFOX || '/usr/bin/firefox-esr';
const WEBKIT_DRIVER = process.env.STARCHART_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';
const MINIBROWSER = process.env.STARCHART_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

// The script every page runs first: the drawing log of harness.js, and every
// error the page itself can observe.
function injected() {
  return `(${h.recordDrawing})();(${function watchErrors() {
    const errors = window.__errors = [];
    const error = console.error;
    console.error = function (...a) {
      errors.push(a.map(String).join(' '));
      return error.apply(this, a);
    };
    window.addEventListener('error', (e) => errors.push('error: ' + (e.message || (e.target && (e.target.src || e.target.href)))), true);
    window.addEventListener('unhandledrejection', (e) => errors.push('unhandled rejection: ' + e.reason));
    document.addEventListener('securitypolicyviolation', (e) => errors.push('CSP: ' + e.violatedDirective + ' ' + e.blockedURI));
  }})();`;
}

// Resolves to a server listening on a free port of 127.0.0.1, with close().
function listen(server) {
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    port: server.address().port, close: () => new Promise((r) => server.close(() => r())),
  })));
}

// Stops a child process; resolves once it has exited.
const stop = (proc) => new Promise((r) => (proc.exitCode !== null ? r() : (proc.once('exit', r), proc.kill())));

// An X server, an HTTP proxy that answers no request to another host but
// remembers each one (`seen`), and a fresh home for a WebKitGTK browser (at a
// phone's pixel density); close() stops `proc` (if given) and all of them.
async function webkitWorld() {
  const x = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1600x2000x24', '-nolisten', 'tcp'],
                  { stdio: ['ignore', 'ignore', 'ignore', 'pipe'] });
  const display = await new Promise((resolve, reject) => {
    x.once('exit', (code) => reject(new Error(`Xvfb exited with ${code}`)));
    x.stdio[3].once('data', (d) => resolve(':' + String(d).trim()));
  });
  const seen = [];
  const proxy = await listen(http.createServer((req, res) => {
    seen.push(req.url);
    res.writeHead(502).end();
  }).on('connect', (req, socket) => {
    seen.push('https://' + req.url);
    socket.destroy();
  }));
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-webkit-'));
  const env = { ...process.env, DISPLAY: display, HOME: home, XDG_DATA_HOME: path.join(home, 'data'),
                XDG_CACHE_HOME: path.join(home, 'cache'), XDG_CONFIG_HOME: path.join(home, 'config'), GDK_SCALE: '2' };
  return {
    env, seen, args: [`--proxy=http://127.0.0.1:${proxy.port}`, '--ignore-host=127.0.0.1'],
    async close(proc) {
      if (proc) await stop(proc);
      await proxy.close();
      await stop(x);
      fs.rmSync(home, { recursive: true, force: true });
    },
  };
}

async function chromium(device) {
  const browser = await h.launch();
  let page, cdp, foreign;
  const errors = [];
  return {
    name: 'chromium',
    version: browser.version(),
    async open(srv, url) {
      let context;
      ({ context, foreign } = await h.openContext(browser, srv, device));
      page = await context.newPage();
      h.watchErrors(page, errors);
      cdp = h.touchscreen(await context.newCDPSession(page));
      await page.goto(url);
    },
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    screenshot: () => page.screenshot(),
    reload: () => page.reload(),
    async drag(points) {
      await cdp.start([[...points[0], 1]]);
      for (const p of points.slice(1)) await cdp.move([[...p, 1]]);
      await cdp.end();
    },
    tap: (x, y) => cdp.tap(x, y),
    consoleErrors: () => errors.slice(),
    foreign: () => foreign.slice(),
    close: () => browser.close(),
  };
}

async function firefox(device) {
  const puppeteer = require('puppeteer-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-firefox-'));
  const browser = await puppeteer.launch({
    browser: 'firefox', executablePath: FIREFOX, headless: true, protocol: 'webDriverBiDi', userDataDir: profile,
    // Touch events on although no touchscreen is attached.
    extraPrefsFirefox: { 'dom.w3c_touch_events.enabled': 1 },
  });
  let page;
  const errors = [], foreign = [];
  return {
    name: 'firefox',
    version: await browser.version(),
    async open(srv, url) {
      const origin = new URL(srv.url).origin;
      page = await browser.newPage();
      h.watchErrors(page, errors);
      page.on('request', (r) => { if (!r.url().startsWith(origin + '/') && !/^(data|blob):/.test(r.url())) foreign.push(r.url()); });
      const d = h.DEVICES[device];
      try {
        await page.setViewport({ ...d.viewport, deviceScaleFactor: d.deviceScaleFactor, hasTouch: true, isMobile: true });
      } catch (e) {
        // Firefox ESR 140 (Debian 12 without its security updates) lacks the
        // orientation override; size, scale and touch are set regardless.
        if (!String(e).includes('setScreenOrientationOverride')) throw e;
      }
      await page.goto(url);
    },
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    screenshot: async () => Buffer.from(await page.screenshot()),
    reload: () => page.reload(),
    async drag(points) {
      await page.touchscreen.touchStart(...points[0]);
      for (const p of points.slice(1)) await page.touchscreen.touchMove(...p);
      await page.touchscreen.touchEnd();
    },
    tap: (x, y) => page.touchscreen.touchStart(x, y).then(() => page.touchscreen.touchEnd()),
    consoleErrors: () => errors.slice(),
    foreign: () => foreign.slice(),
    async close() {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

async function webkit() {
  const world = await webkitWorld();
  const port = await listen(http.createServer()).then(async (s) => (await s.close(), s.port));
  const driver = spawn(WEBKIT_DRIVER, ['--port=' + port], { env: world.env, stdio: 'ignore' });
  const call = async (method, where, body) => {
    const r = await fetch(`http://127.0.0.1:${port}${where}`, {
      method, headers: { 'Content-Type': 'application/json' }, body: body === undefined ? undefined : JSON.stringify(body),
    });
    const { value } = await r.json();
    if (value && value.error) throw new Error(`WebDriver ${method} ${where}: ${value.error}: ${value.message}`);
    return value;
  };
  let session;
  try {
    await h.until(`${WEBKIT_DRIVER} to start`, () => call('GET', '/status').then(() => true), 10000);
    session = await call('POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': { binary: MINIBROWSER, args: ['--automation', ...world.args] },
    } } });
  } catch (e) {
    await world.close(driver);
    throw e;
  }
  const s = `/session/${session.sessionId}`;
  // The mouse, as WebKitGTK makes of touch actions without a touchscreen.
  const actions = (list) => call('POST', s + '/actions', { actions: [{
    type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: list,
  }] });
  const at = (x, y) => ({ type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport', duration: 16 });
  const down = { type: 'pointerDown', button: 0 }, up = { type: 'pointerUp', button: 0 };
  return {
    name: 'webkit',
    version: 'WebKitGTK ' + execFileSync('dpkg-query', ['-W', '-f=${Version}', 'libwebkit2gtk-4.1-0'], { encoding: 'utf8' }),
    async open(srv, url) {
      await call('POST', s + '/window/rect', { width: 390, height: 844 });
      await call('POST', s + '/url', { url });
    },
    async evaluate(fn, arg) {
      const r = await call('POST', s + '/execute/async', { args: [arg === undefined ? null : arg], script:
        `Promise.resolve((${fn})(arguments[0])).then((v) => arguments[1]({ v }), (e) => arguments[1]({ e: String(e) }))` });
      if (r.e) throw new Error(r.e);
      return r.v;
    },
    screenshot: async () => Buffer.from(await call('GET', s + '/screenshot'), 'base64'),
    reload: () => call('POST', s + '/refresh', {}),
    drag: (points) => actions([at(...points[0]), down, ...points.slice(1).map((p) => at(...p)), up]),
    tap: (x, y) => actions([at(x, y), down, up]),
    // The engine's own console is not reachable over this WebDriver: the
    // cold-load check reads it from a browser run on its own (webkitColdLoad).
    consoleErrors: () => [],
    foreign: () => world.seen.slice(),
    async close() {
      await call('DELETE', s).catch(() => {});
      await world.close(driver);
    },
  };
}

// WebKitGTK on its own, printing its console: a cold load of url until the
// server has seen all it should (`seen()` is true) and `settle` ms more.
// Resolves to the console lines.
async function webkitColdLoad(url, seen, settle = 1500) {
  const world = await webkitWorld();
  // On a terminal (script), so its processes print each line at once: piped,
  // they buffer, and the lines are lost when the browser is stopped.
  const args = [MINIBROWSER, '--enable-write-console-messages-to-stdout=true', ...world.args, url];
  const proc = spawn('script', ['-qfc', 'exec ' + args.map((a) => `'${a.replace(/'/g, "'\\''")}'`).join(' '), '/dev/null'],
                     { env: world.env, stdio: ['ignore', 'pipe', 'ignore'] });
  let out = '';
  proc.stdout.on('data', (d) => { out += d; });
  try {
    await h.until(`WebKitGTK's cold load of ${url}`, async () => seen());
    await h.sleep(settle);
  } finally {
    await world.close(proc);
  }
  return out.split(/\r?\n/).filter((l) => l.startsWith('CONSOLE'));
}

const ENGINES = { chromium, firefox, webkit };
// What each drives the page with.
const INPUT = { chromium: 'touch', firefox: 'touch', webkit: 'mouse' };

module.exports = { ENGINES, INPUT, injected, webkitColdLoad };
