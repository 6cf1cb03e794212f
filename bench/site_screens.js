// Pictures of a source site in headless Chromium, to look at (not a test): a list of
// uses, the search box as a name is typed, the A to Z scrolled half-way, and a page
// with scripts off. Needs playwright-core (npm) and Debian's chromium; downloads nothing.
//
//   glossel-render --site SITE .../Advent.inf
//   NODE_PATH=.../node_modules node site_screens.js SITE OUT_FOLDER
const { chromium } = require('playwright-core');
const fs = require('fs');
const path = require('path');

const [site, out] = process.argv.slice(2);
if (!site || !out) {
  console.error('usage: node site_screens.js SITE OUT_FOLDER');
  process.exit(2);
}
const base = 'file://' + path.resolve(site) + '/';
const args = ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
              '--disable-component-update', '--disable-sync'];

async function browser(javaScriptEnabled) {
  return chromium.launchPersistentContext(fs.mkdtempSync('/tmp/glossel-chromium-'), {
    executablePath: '/usr/bin/chromium', headless: true, args, javaScriptEnabled,
    viewport: { width: 1200, height: 800 },
  });
}

(async () => {
  fs.mkdirSync(out, { recursive: true });
  const context = await browser(true);
  const page = await context.newPage();
  await page.goto(base + 'refs/Parser.h.html#n-deadflag-L281');
  await page.screenshot({ path: path.join(out, 'uses.png') });

  await page.goto(base + 'src/Advent.inf.html#L400');
  await page.focus('header input');
  for (const [typed, name] of [['Pla', 'search-pla.png'], ['yerT', 'search-playert.png']]) {
    for (const ch of typed) { await page.keyboard.type(ch); await page.waitForTimeout(60); }
    await page.waitForTimeout(200);
    await page.screenshot({ path: path.join(out, name) });
  }
  console.log('first found:', await page.$eval('ol.found li.hit a', a => a.textContent + ' ' + a.getAttribute('href')));
  await Promise.all([page.waitForNavigation(), page.keyboard.press('Enter')]);
  console.log('Enter went to', page.url());

  await page.goto(base + 'names.html');
  await page.evaluate(() => window.scrollTo(0, (document.documentElement.scrollHeight - innerHeight) / 2));
  await page.waitForTimeout(200);
  await page.screenshot({ path: path.join(out, 'a-to-z.png') });
  console.log('A to Z letters at', await page.$eval('header .letters', e => e.getBoundingClientRect().top),
              'scrolled to', await page.evaluate(() => scrollY));
  await context.close();

  const plain = await browser(false);
  const p = await plain.newPage();
  await p.goto(base + 'src/Advent.inf.html');
  console.log('search box shown without scripts:', await p.isVisible('header form.search'));
  await p.screenshot({ path: path.join(out, 'no-scripts.png') });
  await plain.close();
})();
