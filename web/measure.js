#!/usr/bin/env node
// Measures the built page: bytes shipped (raw and gzip), time from navigation
// to the first frame (fresh browser context each run, so nothing is cached),
// and, with the canvas demo, the median time of a full redraw while panning.
//   node web/measure.js [--runs N] [--site DIR]
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const { launch, serve, openContext, firstFrame, BUILD, DEVICES } = require('./tests/harness.js');

const args = process.argv.slice(2);
let runs = 7;
let site = path.join(BUILD, 'site');
for (let i = 0; i < args.length; ++i) {
  if (args[i] === '--runs') {
    runs = Number(args[++i]);
    if (!Number.isInteger(runs) || runs < 1 || runs > 100) {
      console.error('measure: --runs takes a whole number from 1 to 100');
      process.exit(2);
    }
  } else if (args[i] === '--site') {
    site = args[++i];
  } else {
    console.error(`measure: unknown argument ${args[i]} (usage: measure.js [--runs N] [--site DIR])`);
    process.exit(2);
  }
}

const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

(async () => {
  if (!fs.existsSync(site)) {
    console.error(`measure: ${site} does not exist (build the web preset first)`);
    process.exit(2);
  }
  const files = fs.readdirSync(site).filter((f) => fs.statSync(path.join(site, f)).isFile()).sort();
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
  try {
    for (const device of ['phone', 'tablet']) {
      const times = [];
      for (let r = 0; r < runs; ++r) {
        const { context } = await openContext(browser, server, device);
        const page = await context.newPage();
        await page.goto(server.url);
        times.push(await firstFrame(page));
        if (device === 'tablet' && r === runs - 1) {
          result.redrawMs = await page.evaluate(() => {
            const app = window.starchart;
            return app._demo_bench ? app._demo_bench(60) : null;
          });
        }
        await context.close();
      }
      result[`firstFrameMs_${device}`] = { median: Math.round(median(times)), all: times.map(Math.round) };
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
