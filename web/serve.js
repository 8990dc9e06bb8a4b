#!/usr/bin/env node
// Serves a built page as static files on 127.0.0.1 (an ephemeral port unless
// --port is given) and prints its URL. Gzips what the client accepts.
//   node web/serve.js [DIR] [--port N]      DIR defaults to build/web/site
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.json': 'application/json',
  '.webmanifest': 'application/manifest+json',
  '.wasm': 'application/wasm',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.css': 'text/css; charset=utf-8',
  '.txt': 'text/plain; charset=utf-8',
  '.woff2': 'font/woff2',
  '.otf': 'font/otf',
};

// Resolves to { url, port, server, requests, log, close() }; requests lists
// every path asked for, in order, and log the same as { path, referer } (a
// service worker's own fetches name its script as referer). inject: source of
// a script served as /__inject.js and loaded first by every HTML page (tests).
function serve(dir, { port = 0, host = '127.0.0.1', gzip = true, inject = null } = {}) {
  const root = path.resolve(dir);
  if (!fs.existsSync(root) || !fs.statSync(root).isDirectory()) {
    return Promise.reject(new Error(`serve: ${root} is not a directory (build the page first)`));
  }
  const compressed = new Map();
  const requests = [];
  const log = [];
  const server = http.createServer((req, res) => {
    requests.push(req.url);
    log.push({ path: req.url, referer: req.headers.referer || '' });
    if (req.method !== 'GET' && req.method !== 'HEAD') {
      res.writeHead(405, { Allow: 'GET, HEAD' }).end();
      return;
    }
    let rel;
    try {
      rel = decodeURIComponent(new URL(req.url, 'http://x').pathname);
    } catch (e) {
      res.writeHead(400).end('bad path');
      return;
    }
    let file = path.join(root, path.normalize(rel));
    if (file !== root && !file.startsWith(root + path.sep)) {
      res.writeHead(403).end('outside the site');
      return;
    }
    if (rel.endsWith('/')) file = path.join(file, 'index.html');
    if (inject !== null && rel === '/__inject.js') file = '';
    const read = file ? fs.readFile.bind(fs, file) : (done) => done(null, Buffer.from(inject));
    read((err, body) => {
      if (err) {
        res.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
        return;
      }
      if (inject !== null && file.endsWith('.html')) {
        body = Buffer.from(String(body).replace(/<head>/i, '$&<script src="/__inject.js"></script>'));
      }
      const headers = {
        'Content-Type': TYPES[path.extname(file || 'x.js')] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
        'X-Content-Type-Options': 'nosniff',
      };
      if (gzip && /\bgzip\b/.test(req.headers['accept-encoding'] || '')) {
        const key = file + ':' + body.length + ':' + (file ? fs.statSync(file).mtimeMs : 0);
        if (!compressed.has(key)) compressed.set(key, zlib.gzipSync(body, { level: 9 }));
        body = compressed.get(key);
        headers['Content-Encoding'] = 'gzip';
        headers.Vary = 'Accept-Encoding';
      }
      headers['Content-Length'] = body.length;
      res.writeHead(200, headers);
      res.end(req.method === 'HEAD' ? undefined : body);
    });
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, host, () => {
      const actual = server.address().port;
      resolve({
        url: `http://${host}:${actual}/`,
        port: actual,
        server,
        requests,
        log,
        close: () => new Promise((done) => { server.closeAllConnections(); server.close(() => done()); }),
      });
    });
  });
}

module.exports = { serve };

if (require.main === module) {
  const args = process.argv.slice(2);
  let dir = path.join(__dirname, '..', 'build', 'web', 'site');
  let port = 0;
  let host = '127.0.0.1';
  for (let i = 0; i < args.length; ++i) {
    if (args[i] === '--host') {
      host = args[++i] || '';
      if (!/^[0-9A-Za-z.:-]+$/.test(host)) {
        console.error('serve: --host takes an address to listen on, such as 127.0.0.1 or 0.0.0.0');
        process.exit(2);
      }
    } else if (args[i] === '--port') {
      port = Number(args[++i]);
      if (!Number.isInteger(port) || port < 0 || port > 65535) {
        console.error('serve: --port takes a whole number from 0 to 65535');
        process.exit(2);
      }
    } else if (args[i].startsWith('-')) {
      console.error(`serve: unknown flag ${args[i]} (usage: serve.js [DIR] [--host ADDR] [--port N])`);
      process.exit(2);
    } else {
      dir = args[i];
    }
  }
  serve(dir, { port, host }).then((s) => {
    console.log(`Serving ${path.resolve(dir)} at ${s.url}`);
  }, (e) => {
    console.error(e.message);
    process.exit(2);
  });
}
