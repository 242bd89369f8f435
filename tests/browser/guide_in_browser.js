// The guide for writers in headless Chromium (Debian's, driven by puppeteer-core) at 800 and
// 1280 pixels: it loads in seconds, fetches nothing, every picture renders with a text
// alternative that says what changed, nothing overflows sideways, and axe-core finds no serious
// or critical accessibility violation. Full-page screenshots land in OUT_DIR.
//   node guide_in_browser.js GUIDE.html OUT_DIR
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const axeSource = require('axe-core').source;

const [guide, outDir] = process.argv.slice(2);
if (!guide || !outDir) {
  console.error('usage: node guide_in_browser.js GUIDE.html OUT_DIR');
  process.exit(2);
}
const failures = [];
const fail = (what) => failures.push(what);

// What the page's own text says it needs: nothing from elsewhere and no scripts.
const html = fs.readFileSync(guide, 'utf8');
const outside = html.match(/<script|<link|<img|<iframe|<object|<embed|@import|url\(|src=|href="[a-z]+:/i);
if (outside) fail(`the guide refers to something outside itself or runs a script: '${outside[0]}'`);
if (Buffer.byteLength(html) >= 2e6) fail(`the guide is ${Buffer.byteLength(html)} bytes, not under 2 MB`);

// Measured in the page: sideways overflow, pictures and their text alternatives.
function measure() {
  const d = document.documentElement;
  const over = [];
  for (const e of document.querySelectorAll('body *')) {
    if (e.ownerSVGElement) continue;  // shapes may reach past a cropped picture; the picture may not
    const r = e.getBoundingClientRect();
    if (r.width > 0 && r.right > d.clientWidth + 0.5) over.push(`${e.tagName}.${e.className || ''}`);
  }
  const pictures = [...document.querySelectorAll('svg')].filter((s) => !s.ownerSVGElement).map((s) => {
    const r = s.getBoundingClientRect();
    return {w: r.width, h: r.height, shapes: s.querySelectorAll('rect, ellipse, path, polygon, line, use').length,
            label: s.getAttribute('aria-label') || '', role: s.getAttribute('role') || ''};
  });
  return {over: over.slice(0, 5), scroll: d.scrollWidth, width: d.clientWidth, pictures,
          sections: document.querySelectorAll('section').length};
}

(async () => {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'zv-guide-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync'],
  });
  try {
    const page = await browser.newPage();
    const url = 'file://' + path.resolve(guide);
    await page.setRequestInterception(true);
    page.on('request', (r) => {
      if (r.url() === url) return r.continue();
      fail(`the guide fetched ${r.url()}`);
      return r.abort();
    });
    fs.mkdirSync(outDir, {recursive: true});
    for (const width of [800, 1280]) {
      await page.setViewport({width, height: 900});
      const start = Date.now();
      await page.goto(url, {waitUntil: 'load', timeout: 30000});
      const took = Date.now() - start;
      if (took > 5000) fail(`at ${width} px the guide took ${took} ms to load, not a few seconds`);
      const m = await page.evaluate(measure);
      if (m.scroll > m.width) fail(`at ${width} px the page scrolls sideways: ${m.scroll} px wide in ${m.width} px`);
      if (m.over.length) fail(`at ${width} px these reach past the window's right edge: ${m.over.join(', ')}`);
      if (m.pictures.length < 20) fail(`at ${width} px only ${m.pictures.length} pictures, expected one pair per command at least`);
      m.pictures.forEach((p, i) => {
        if (!(p.w > 50 && p.h > 20 && p.shapes > 0)) fail(`at ${width} px picture ${i + 1} did not render (${p.w} x ${p.h} px, ${p.shapes} shapes)`);
        if (p.role !== 'img' || !/^(Before|After): \S/.test(p.label)) fail(`picture ${i + 1} has no text alternative saying what changed: '${p.label}'`);
      });
      await page.screenshot({path: path.join(outDir, `guide-${width}.png`), fullPage: true});
      console.log(`${width} px: loaded in ${took} ms, ${m.sections} sections, ${m.pictures.length} pictures, ${m.scroll} px wide`);
    }
    await page.evaluate(axeSource);
    const result = await page.evaluate(() => window.axe.run(document, {resultTypes: ['violations']}));
    const bad = result.violations.filter((v) => v.impact === 'serious' || v.impact === 'critical');
    for (const v of bad) fail(`axe-core, ${v.impact}: ${v.id}: ${v.help} (${v.nodes.length} places, first: ${v.nodes[0].target})`);
    const minor = result.violations.filter((v) => !bad.includes(v)).map((v) => `${v.id} (${v.impact})`);
    console.log(`axe-core ${result.testEngine.version}: ${bad.length} serious or critical violations` +
                (minor.length ? `; lesser: ${minor.join(', ')}` : ''));
  } finally {
    await browser.close();
    fs.rmSync(profile, {recursive: true, force: true});
  }
  for (const f of failures) console.log(`FAILED: ${f}`);
  process.exit(failures.length ? 1 : 0);
})().catch((e) => {
  console.error(`guide_in_browser: ${e.stack || e}`);
  process.exit(1);
});
