// Drives Debian's Chromium for the page checks of the generated pages.
//
//   node chromium_driver.mjs JOB.json RESULT.json
//
// The job names the browser and one task:
//   check     each page at desktop width through axe-core, then at 390 px on
//             an emulated phone: its viewport meta, text size as seen, and
//             how wide the whole page scrolls
//   keyboard  walks through pages with the keyboard alone, recording each
//             focused element's style focused and unfocused
//   pictures  PNG pictures of pages at desktop and phone widths
// The result is JSON; a task that cannot be carried out ends with an error
// message on stderr and exit code 1.

import { readFileSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { chromium } from 'playwright-core';

const require = createRequire(import.meta.url);
const AXE_SCRIPT = require.resolve('axe-core/axe.min.js');

// No background connections (this machine's network is closed), no first-run
// or sync work. Playwright gives each launch a fresh, empty profile folder.
const CHROMIUM_FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync'];

const DESKTOP = { viewport: { width: 1280, height: 800 } };
// A real phone: 390 CSS pixels wide, three device pixels to one, touch, and a
// mobile browser's handling of the viewport meta (a page without one is laid
// out 980 px wide and zoomed out to fit).
const PHONE = {
  viewport: { width: 390, height: 844 },
  screen: { width: 390, height: 844 },
  deviceScaleFactor: 3,
  isMobile: true,
  hasTouch: true,
};
const MAX_TABS_PER_STEP = 80;

async function openBrowser(job) {
  return chromium.launch({ executablePath: job.chromium, args: CHROMIUM_FLAGS, timeout: 60000 });
}

async function load(page, url) {
  const response = await page.goto(url, { waitUntil: 'load' });
  if (!response || response.status() !== 200) {
    throw new Error(`${url} answered ${response ? response.status() : 'nothing'}`);
  }
}

async function axeViolations(page) {
  await page.addScriptTag({ path: AXE_SCRIPT });
  const results = await page.evaluate(() => window.axe.run(document, { resultTypes: ['violations'] }));
  return results.violations.map((violation) => ({
    id: violation.id,
    impact: violation.impact,
    help: violation.help,
    targets: violation.nodes.map((node) => node.target.join(' ')),
  }));
}

// What a phone shows: the median text size of the visible characters (half
// of them are that size or smaller), the page's scale (below 1 where a page
// without a viewport meta is zoomed out), and how wide the document scrolls.
function phoneMeasures() {
  const sized = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  while (walker.nextNode()) {
    const characters = walker.currentNode.data.replace(/\s+/g, '').length;
    const element = walker.currentNode.parentElement;
    if (characters === 0 || !element || !element.checkVisibility({ visibilityProperty: true })) continue;
    sized.push([parseFloat(getComputedStyle(element).fontSize), characters]);
  }
  sized.sort((a, b) => a[0] - b[0]);
  const total = sized.reduce((sum, [, characters]) => sum + characters, 0);
  let counted = 0;
  let median = null;
  for (const [size, characters] of sized) {
    counted += characters;
    if (counted * 2 >= total) {
      median = size;
      break;
    }
  }
  return {
    viewportMetas: [...document.querySelectorAll('meta[name="viewport" i]')].map((meta) => meta.content),
    scale: window.visualViewport.scale,
    textSize: median,
    smallestTextSize: sized.length ? sized[0][0] : null,
    scrollWidth: document.documentElement.scrollWidth,
    layoutWidth: document.documentElement.clientWidth,
  };
}

async function check(job) {
  const browser = await openBrowser(job);
  try {
    const desktop = await browser.newContext(DESKTOP);
    const phone = await browser.newContext(PHONE);
    const results = {};
    for (const { name, url } of job.pages) {
      const desktopPage = await desktop.newPage();
      await load(desktopPage, url);
      const violations = await axeViolations(desktopPage);
      await desktopPage.close();
      const phonePage = await phone.newPage();
      await load(phonePage, url);
      const measures = await phonePage.evaluate(phoneMeasures);
      await phonePage.close();
      results[name] = { axe: violations, phone: { ...measures, phoneWidth: PHONE.viewport.width } };
    }
    return results;
  } finally {
    await browser.close();
  }
}

// Each element a keyboard can reach keeps its unfocused outline and shadow,
// read before any key is pressed on the page.
function rememberUnfocusedStyles() {
  const active = document.activeElement;
  if (active && active !== document.body) active.blur();
  for (const element of document.querySelectorAll('a[href], input, select, textarea, button, [tabindex]')) {
    const style = getComputedStyle(element);
    element.unfocusedStyle = {
      outlineStyle: style.outlineStyle, outlineWidth: style.outlineWidth, outlineColor: style.outlineColor,
      boxShadow: style.boxShadow,
    };
  }
  if (active && active !== document.body) active.focus();
}

function describeFocus() {
  const element = document.activeElement;
  if (!element || element === document.body) return null;
  const style = getComputedStyle(element);
  const label = element.labels && element.labels.length ? element.labels[0].textContent : '';
  return {
    element: element.tagName.toLowerCase() + (element.name ? `[name="${element.name}"]` : '') +
      (element.id ? `#${element.id}` : ''),
    text: (element.textContent || element.value || label || '').trim().slice(0, 60),
    focused: {
      outlineStyle: style.outlineStyle, outlineWidth: style.outlineWidth, outlineColor: style.outlineColor,
      boxShadow: style.boxShadow,
    },
    unfocused: element.unfocusedStyle || null,
  };
}

async function afterLoad(page, walk) {
  await page.evaluate(rememberUnfocusedStyles);
  walk.push({ page: page.url() });
}

// Presses Tab (or Shift+Tab) until the focused element matches the step's
// selector, recording every element the focus passes.
async function tabTo(page, step, walk) {
  const key = step.backwards ? 'Shift+Tab' : 'Tab';
  for (let presses = 0; presses < MAX_TABS_PER_STEP; presses++) {
    await page.keyboard.press(key);
    const focus = await page.evaluate(describeFocus);
    if (focus) walk.push({ key, ...focus });
    const reached = await page.evaluate((selector) => {
      const element = document.activeElement;
      return !!element && element !== document.body && element.matches(selector);
    }, step.selector);
    if (reached) return;
  }
  throw new Error(`${page.url()}: ${MAX_TABS_PER_STEP} presses of ${key} never reached ${step.selector}`);
}

async function walk(context, url, steps) {
  const page = await context.newPage();
  const record = [];
  await load(page, url);
  await afterLoad(page, record);
  for (const step of steps) {
    if (step.tabTo) {
      await tabTo(page, { selector: step.tabTo, backwards: step.backwards }, record);
    } else if (step.type !== undefined) {
      await page.keyboard.type(step.type);
      record.push({ typed: step.type });
    } else if (step.press && step.opensPage) {
      await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), page.keyboard.press(step.press)]);
      await afterLoad(page, record);
    } else if (step.press) {
      await page.keyboard.press(step.press);
    } else {
      throw new Error(`unknown keyboard step ${JSON.stringify(step)}`);
    }
  }
  await page.close();
  return record;
}

// Each walk in a context of its own: no cookie is shared between walks.
async function keyboard(job) {
  const browser = await openBrowser(job);
  try {
    const walks = [];
    for (const { url, steps } of job.walks) {
      const context = await browser.newContext(DESKTOP);
      walks.push(await walk(context, url, steps));
      await context.close();
    }
    return walks;
  } finally {
    await browser.close();
  }
}

async function pictures(job) {
  const browser = await openBrowser(job);
  try {
    const written = [];
    for (const [width, options] of [['desktop', DESKTOP], ['phone', PHONE]]) {
      const context = await browser.newContext(options);
      for (const { name, url } of job.pages) {
        const page = await context.newPage();
        await load(page, url);
        const file = path.join(job.folder, `${name}-${width}.png`);
        // What the screen shows, one picture pixel per CSS pixel: the list
        // scrolls in a box of its own, which a whole-page picture would cut.
        await page.screenshot({ path: file, scale: 'css' });
        written.push(file);
        await page.close();
      }
      await context.close();
    }
    return { written };
  } finally {
    await browser.close();
  }
}

const TASKS = { check, keyboard, pictures };

async function main() {
  const [jobFile, resultFile] = process.argv.slice(2);
  if (!jobFile || !resultFile) throw new Error('usage: node chromium_driver.mjs JOB.json RESULT.json');
  const job = JSON.parse(readFileSync(jobFile, 'utf8'));
  const task = TASKS[job.task];
  if (!task) throw new Error(`unknown task ${job.task}`);
  writeFileSync(resultFile, JSON.stringify(await task(job)));
}

main().catch((error) => {
  process.stderr.write(`${error.stack || error}\n`);
  process.exit(1);
});
