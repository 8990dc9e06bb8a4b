// Minifies the page's scripts: node minify.js IN OUT [IN OUT ...]. terser
// comes from Debian (node-terser, found through NODE_PATH). The page's whole
// download has a budget, and the module's glue and the page's scripts are
// its plainest text.
'use strict';
const fs = require('fs');
const { minify } = require('terser');

(async () => {
  const args = process.argv.slice(2);
  for (let i = 0; i + 1 < args.length; i += 2) {
    const out = await minify(fs.readFileSync(args[i], 'utf8'), { compress: { passes: 2 }, mangle: true });
    fs.writeFileSync(args[i + 1] + '.tmp', out.code);
    fs.renameSync(args[i + 1] + '.tmp', args[i + 1]);
  }
})().catch((e) => {
  console.error(`minify.js: ${e.message}`);
  process.exit(1);
});
