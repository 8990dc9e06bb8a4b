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
const net = require('net');
const { spawn, execFileSync } = require('child_process');
const h = require('./harness.js');

const FIREFOX = process.env.STARCHART_FIREFOX || '/usr/bin/firefox-esr';
const WEBKIT_DRIVER = process.env.STARCHART_WEBKIT_DRIVER || '/usr/bin/WebKitWebDriver';
const MINIBROWSER = process.env.STARCHART_MINIBROWSER || '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser';

const sleep = h.sleep;

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

// Where requests to other hosts end up for an engine without request events:
// an HTTP proxy that answers none and remembers every one.
function trapProxy() {
  const seen = [];
  const server = http.createServer((req, res) => {
    seen.push(req.url);
    res.writeHead(502).end();
  });
  server.on('connect', (req, socket) => {
    seen.push('https://' + req.url);
    socket.destroy();
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    port: server.address().port, seen, close: () => new Promise((r) => server.close(() => r())),
  })));
}

function freePort() {
  return new Promise((resolve, reject) => {
    const s = net.createServer();
    s.once('error', reject);
    s.listen(0, '127.0.0.1', () => {
      const { port } = s.address();
      s.close(() => resolve(port));
    });
  });
}

// An X server on a display of its own; resolves to { display, close() }.
function xvfb() {
  const proc = spawn('Xvfb', ['-displayfd', '3', '-screen', '0', '1600x2000x24', '-nolisten', 'tcp'],
                     { stdio: ['ignore', 'ignore', 'pipe', 'pipe'] });
  let stderr = '';
  proc.stderr.on('data', (d) => { stderr += d; });
  return new Promise((resolve, reject) => {
    proc.once('exit', (code) => reject(new Error(`Xvfb exited with ${code}: ${stderr}`)));
    proc.stdio[3].once('data', (d) => resolve({
      display: ':' + String(d).trim(),
      close: () => new Promise((r) => {
        if (proc.exitCode !== null) return r();
        proc.once('exit', () => r());
        proc.kill();
      }),
    }));
  });
}

// ---- chromium -------------------------------------------------------------

async function chromium(device) {
  const browser = await h.launch();
  let context, page, cdp, foreign;
  const console = [];
  return {
    name: 'chromium',
    version: browser.version(),
    async open(srv, url) {
      ({ context, foreign } = await h.openContext(browser, srv, device));
      page = await context.newPage();
      page.on('pageerror', (e) => console.push(String(e)));
      page.on('console', (m) => { if (m.type() === 'error') console.push(m.text()); });
      cdp = await context.newCDPSession(page);
      await page.goto(url);
    },
    evaluate: (fn, arg) => page.evaluate(fn, arg),
    screenshot: () => page.screenshot(),
    reload: () => page.reload(),
    async drag(points) {
      const touch = h.touchscreen(cdp);
      await touch.start([[...points[0], 1]]);
      for (const p of points.slice(1)) await touch.move([[...p, 1]]);
      await touch.end();
    },
    tap: (x, y) => h.touchscreen(cdp).tap(x, y),
    consoleErrors: () => console.slice(),
    foreign: () => foreign.slice(),
    close: () => browser.close(),
  };
}

// ---- firefox --------------------------------------------------------------

async function firefox(device) {
  const puppeteer = require('puppeteer-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-firefox-'));
  const browser = await puppeteer.launch({
    browser: 'firefox', executablePath: FIREFOX, headless: true, protocol: 'webDriverBiDi', userDataDir: profile,
    // Touch events on although no touchscreen is attached.
    extraPrefsFirefox: { 'dom.w3c_touch_events.enabled': 1 },
  });
  const version = await browser.version();
  let page, origin;
  const console = [], foreign = [];
  return {
    name: 'firefox',
    version,
    async open(srv, url) {
      origin = new URL(srv.url).origin;
      page = await browser.newPage();
      page.on('pageerror', (e) => console.push(String(e)));
      page.on('console', (m) => { if (m.type() === 'error') console.push(m.text()); });
      page.on('request', (r) => {
        const u = r.url();
        if (!u.startsWith(origin + '/') && !/^(data|blob):/.test(u)) foreign.push(u);
      });
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
    async tap(x, y) {
      await page.touchscreen.touchStart(x, y);
      await page.touchscreen.touchEnd();
    },
    consoleErrors: () => console.slice(),
    foreign: () => foreign.slice(),
    async close() {
      await browser.close();
      fs.rmSync(profile, { recursive: true, force: true });
    },
  };
}

// ---- webkit ---------------------------------------------------------------

// Environment of a WebKitGTK browser with a fresh profile on display.
function webkitEnv(display, home) {
  return { ...process.env, DISPLAY: display, HOME: home, XDG_DATA_HOME: path.join(home, 'data'),
           XDG_CACHE_HOME: path.join(home, 'cache'), XDG_CONFIG_HOME: path.join(home, 'config'),
           // A phone's pixel density, as the other engines get.
           GDK_SCALE: '2' };
}

// An X server, a proxy trapping requests to other hosts and a fresh home for
// a WebKitGTK browser; close() stops `proc` (if given) and all of them.
async function webkitWorld() {
  const x = await xvfb();
  const proxy = await trapProxy();
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'starchart-webkit-'));
  return {
    proxy, env: webkitEnv(x.display, home),
    async close(proc) {
      if (proc) {
        await new Promise((r) => {
          if (proc.exitCode !== null) return r();
          proc.once('exit', () => r());
          proc.kill();
        });
      }
      await proxy.close();
      await x.close();
      fs.rmSync(home, { recursive: true, force: true });
    },
  };
}

function webkitVersion() {
  const out = execFileSync('dpkg-query', ['-W', '-f=${Version}', 'libwebkit2gtk-4.1-0'], { encoding: 'utf8' });
  return 'WebKitGTK ' + out.trim();
}

async function webkit() {
  const world = await webkitWorld();
  const proxy = world.proxy;
  const port = await freePort();
  const driver = spawn(WEBKIT_DRIVER, ['--port=' + port], { env: world.env, stdio: ['ignore', 'pipe', 'pipe'] });
  let driverLog = '';
  driver.stdout.on('data', (d) => { driverLog += d; });
  driver.stderr.on('data', (d) => { driverLog += d; });
  const call = async (method, where, body) => {
    const r = await fetch(`http://127.0.0.1:${port}${where}`, {
      method, headers: { 'Content-Type': 'application/json' }, body: body === undefined ? undefined : JSON.stringify(body),
    });
    const json = await r.json();
    if (json.value && json.value.error) throw new Error(`WebDriver ${method} ${where}: ${json.value.error}: ${json.value.message}`);
    return json.value;
  };
  const stop = () => world.close(driver);
  let session;
  try {
    for (let i = 0; ; ++i) {
      try {
        await call('GET', '/status');
        break;
      } catch (e) {
        if (i > 100) throw new Error(`${WEBKIT_DRIVER} did not start: ${driverLog}`);
        await sleep(100);
      }
    }
    session = await call('POST', '/session', { capabilities: { alwaysMatch: {
      'webkitgtk:browserOptions': { binary: MINIBROWSER,
                                    args: ['--automation', `--proxy=http://127.0.0.1:${proxy.port}`, '--ignore-host=127.0.0.1'] },
    } } });
  } catch (e) {
    await stop();
    throw e;
  }
  const s = `/session/${session.sessionId}`;
  const run = (fn, arg) => call('POST', s + '/execute/sync', {
    script: `return (${fn}).apply(null, arguments)`, args: arg === undefined ? [] : [arg],
  });
  // The mouse, as WebKitGTK makes of touch actions without a touchscreen.
  const actions = (list) => call('POST', s + '/actions', { actions: [{
    type: 'pointer', id: 'mouse', parameters: { pointerType: 'mouse' }, actions: list,
  }] });
  const at = (x, y) => ({ type: 'pointerMove', x: Math.round(x), y: Math.round(y), origin: 'viewport' });
  return {
    name: 'webkit',
    version: webkitVersion(),
    async open(srv, url) {
      await call('POST', s + '/window/rect', { width: 390, height: 844 });
      await call('POST', s + '/url', { url });
    },
    async evaluate(fn, arg) {
      // Promises are awaited in the page and polled for.
      const key = '__result' + Math.random().toString(36).slice(2);
      await run(`function (arg) {
        window['${key}'] = { done: false };
        Promise.resolve((${fn})(arg)).then((v) => { window['${key}'] = { done: true, v }; },
                                           (e) => { window['${key}'] = { done: true, e: String(e) }; });
      }`, arg);
      for (;;) {
        const r = await run(`function () { return window['${key}']; }`);
        if (r && r.done) {
          if (r.e) throw new Error(r.e);
          return r.v;
        }
        await sleep(20);
      }
    },
    screenshot: async () => Buffer.from(await call('GET', s + '/screenshot'), 'base64'),
    reload: () => call('POST', s + '/refresh', {}),
    async drag(points) {
      const list = [at(...points[0]), { type: 'pointerDown', button: 0 }];
      for (const p of points.slice(1)) list.push({ ...at(...p), duration: 16 });
      list.push({ type: 'pointerUp', button: 0 });
      await actions(list);
    },
    async tap(px, py) {
      await actions([at(px, py), { type: 'pointerDown', button: 0 }, { type: 'pointerUp', button: 0 }]);
    },
    // The engine's own console is not reachable over this WebDriver: the
    // cold-load check reads it from a browser run on its own (coldLoad).
    consoleErrors: () => [],
    foreign: () => proxy.seen.slice(),
    async close() {
      await call('DELETE', s).catch(() => {});
      await stop();
    },
  };
}

// WebKitGTK on its own, printing its console: a cold load of url until the
// server has seen all it should (`seen()` is true) and `settle` ms more. Resolves to the
// console lines and requests to other hosts.
async function webkitColdLoad(url, seen, settle = 1500) {
  const world = await webkitWorld();
  const proxy = world.proxy;
  // On a terminal (script), so its processes print each line at once: piped,
  // they buffer, and the lines are lost when the browser is stopped.
  const args = [MINIBROWSER, '--enable-write-console-messages-to-stdout=true',
                `--proxy=http://127.0.0.1:${proxy.port}`, '--ignore-host=127.0.0.1', url];
  const quoted = args.map((a) => `'${a.replace(/'/g, "'\\''")}'`).join(' ');
  const proc = spawn('script', ['-qfc', 'exec ' + quoted, '/dev/null'],
                     { env: world.env, stdio: ['ignore', 'pipe', 'pipe'] });
  let out = '';
  proc.stdout.on('data', (d) => { out += d; });
  proc.stderr.on('data', () => {});
  try {
    for (let waited = 0; !seen(); waited += 50) {
      if (waited > 20000) throw new Error(`WebKitGTK cold load of ${url} did not finish: ${out}`);
      await sleep(50);
    }
    await sleep(settle);
  } finally {
    await world.close(proc);
  }
  return { console: out.split(/\r?\n/).filter((l) => l.startsWith('CONSOLE')), foreign: proxy.seen.slice() };
}

const ENGINES = { chromium, firefox, webkit };
// What each drives the page with.
const INPUT = { chromium: 'touch', firefox: 'touch', webkit: 'mouse' };

module.exports = { ENGINES, INPUT, injected, webkitColdLoad };
