// A phone (390x844 CSS pixels at device scale 3, touch, mobile) held upright, then on its
// side: the start by a tap, the screen kept awake (and taken again after the page was out of
// sight), a tap opening the rules page, a drag scrolling it by the distance dragged, a tap
// returning to a menu with no lit button, taps beside the thin buttons that still open them,
// the canvas's label following the screen, a pinch that opens nothing, and the Stop button.
import { join } from 'node:path';
import {
  buttonPoints, buttonsArea, check, differences, frameHeight, frameShot, musicTime, pageArea,
  pagePoint, pageState, report, scrollLineRows, sleep, waitFor, waitForMusic,
} from './common.mjs';

const phone = { deviceScaleFactor: 3, isMobile: true, hasTouch: true };

// One finger down at a page point, moved in steps, lifted; or several fingers at once.
async function touches(cdp, paths, steps = 8) {
  const at = (k) => paths.map((path, id) => {
    const [from, to] = path;
    return { x: from.x + (to.x - from.x) * k / steps, y: from.y + (to.y - from.y) * k / steps, id };
  });
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: at(0) });
  for (let k = 1; k <= steps; ++k) {
    await sleep(30);
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: at(k) });
  }
  await sleep(30);
  await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
}

async function tapFrame(page, x, y) {
  const p = await pagePoint(page, x, y);
  await page.touchscreen.tap(p.x, p.y);
}

// Stands in for the browser's screen wake lock, counting requests; hide() and show() play a
// screen lock and the return from it as the browser does (the lock is let go while hidden).
function fakeWakeLock() {
  const lock = { requests: 0, held: null, released: 0 };
  window.wakeLockSeen = lock;
  let hidden = false;
  Object.defineProperty(document, 'visibilityState', { get: () => (hidden ? 'hidden' : 'visible') });
  const sentinel = () => {
    const target = new EventTarget();
    target.release = async () => {
      if (lock.held !== target) return;
      lock.held = null;
      lock.released += 1;
      target.dispatchEvent(new Event('release'));
    };
    return target;
  };
  Object.defineProperty(navigator, 'wakeLock', { value: {
    request: async (type) => { lock.requests += 1; lock.held = sentinel(); lock.type = type; return lock.held; },
  } });
  lock.hide = () => { hidden = true; if (lock.held) lock.held.release(); document.dispatchEvent(new Event('visibilitychange')); };
  lock.show = () => { hidden = false; document.dispatchEvent(new Event('visibilitychange')); };
}

const wakeLockSeen = (page) => page.evaluate(() => ({ ...window.wakeLockSeen, kept: window.invitation.keptAwake }));
const screenOf = (page) => page.evaluate(() => window.invitation.screen());
const labelOf = (page) => page.evaluate(() => window.invitation.screenLabel);

// Taps a few CSS pixels off each of the menu's thin buttons and the clock strip: each opens
// what it is beside, and a tap on the open screen returns to the menu.
async function tapsBesideButtons(page) {
  const box = await page.locator('#canvas').boundingBox();
  const unit = box.height / frameHeight;
  const button = (k) => ({ left: 232, right: 408, top: [121, 156, 193, 232][k - 1], bottom: [139, 174, 211, 250][k - 1] });
  const taps = [
    ['4 px above button 1', 1, (b) => [(b.left + b.right) / 2, b.top - 4 / unit]],
    ['4 px below button 2', 2, (b) => [(b.left + b.right) / 2, b.bottom + 4 / unit]],
    ['5 px left of button 3', 3, (b) => [b.left - 5 / unit, (b.top + b.bottom) / 2]],
    ['5 px right of button 4', 4, (b) => [b.right + 5 / unit, (b.top + b.bottom) / 2]],
    ['4 px below the clock strip', -1, () => [100, 85 + 4 / unit]],
  ];
  const missed = [];
  const labels = new Set();
  for (const [where, expected, at] of taps) {
    const [x, y] = at(expected > 0 ? button(expected) : null);
    await page.touchscreen.tap(box.x + x * unit, box.y + y * unit);
    const opened = await waitFor(async () => (await screenOf(page)) === expected, 2000);
    labels.add(await labelOf(page));
    if (!opened) missed.push(`${where} gave screen ${await screenOf(page)}`);
    await tapFrame(page, 600, 470);
    await waitFor(async () => (await screenOf(page)) === 0, 2000);
  }
  return { missed, labels: [...labels] };
}

export async function phoneChecks({ browser, baseUrl, outDir, renderFrames }) {
  let rulesHeading = '';
  const context = await browser.newContext({ ...phone, viewport: { width: 390, height: 844 } });
  await context.addInitScript(fakeWakeLock);
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await page.goto(baseUrl);
  const start = page.getByRole('button', { name: 'Tap to start' });
  const ready = await waitFor(async () => (await pageState(page)) === 'ready', 30000);
  await page.screenshot({ path: join(outDir, '30-phone-start.png') });
  const hint = await page.locator('#hint').innerText();
  check(ready && await start.isVisible() && hint.includes('Tap'), `a phone is asked to tap ("${hint}")`);
  // The page's text is painted before the program is asked for, and nothing on the page moves
  // while it loads (what a phone's first visit and Lighthouse see of it).
  const loading = await page.evaluate(() => new Promise((done) => {
    const shifts = [];
    new PerformanceObserver((list) => shifts.push(...list.getEntries().map((e) => e.value)))
      .observe({ type: 'layout-shift', buffered: true });
    setTimeout(() => {
      const paint = performance.getEntriesByName('first-contentful-paint')[0];
      const program = performance.getEntriesByType('resource').find((e) => e.name.endsWith('/zura5inv.wasm'));
      done({ shift: shifts.reduce((a, b) => a + b, 0), paintMs: paint ? paint.startTime : null,
             programMs: program ? program.startTime : null });
    }, 100);
  }));
  check(loading.shift < 0.001 && loading.paintMs !== null && loading.programMs !== null && loading.paintMs < loading.programMs,
        `loading moves nothing (layout shift ${loading.shift.toFixed(4)}) and the text is painted at ` +
        `${Math.round(loading.paintMs)} ms, before the program is asked for at ${Math.round(loading.programMs)} ms`);
  rulesHeading = await page.locator('#facts h2').nth(2).textContent();
  await start.tap();
  check(await waitForMusic(page, 1000), 'a tap starts the show on a phone');
  const box = await page.locator('#canvas').boundingBox();
  await page.screenshot({ path: join(outDir, '31-phone-portrait.png') });
  report.phonePortraitCanvas = `${box.width}x${box.height} at ${box.x},${box.y}`;
  check(box.width > 389 && box.y < 1, `upright, the show is as wide as the screen, at the top (${report.phonePortraitCanvas})`);

  // The screen is kept awake, let go while out of sight, and taken again on return.
  await waitFor(async () => (await wakeLockSeen(page)).kept, 2000);
  const awake = await wakeLockSeen(page);
  await page.evaluate(() => window.wakeLockSeen.hide());
  const hidden = await wakeLockSeen(page);
  await page.evaluate(() => window.wakeLockSeen.show());
  await waitFor(async () => (await wakeLockSeen(page)).kept, 2000);
  const shown = await wakeLockSeen(page);
  check(awake.requests === 1 && awake.type === 'screen' && awake.kept && !hidden.kept && shown.requests === 2 && shown.kept,
        `the screen is kept awake while the show plays and taken again after a screen lock (${shown.requests} requests)`);
  const introLabel = await labelOf(page);

  check(await waitForMusic(page, 44500), 'the music reaches the menu on the phone');
  await sleep(300);
  const openedAt = await musicTime(page);
  await tapFrame(page, ...buttonPoints[2]);
  await sleep(1200);
  const rules = await frameShot(page, outDir, '32-phone-rules');
  await page.screenshot({ path: join(outDir, '32-phone-rules-screen.png') });
  // A drag up by 60 frame rows: the page scrolls as six down arrows scroll it, and stays open.
  const from = await pagePoint(page, 320, 400);
  const to = await pagePoint(page, 320, 400 - 6 * scrollLineRows);
  await touches(cdp, [[from, to]]);
  await sleep(400);
  const dragged = await frameShot(page, outDir, '33-phone-dragged');
  const at = openedAt + 2000;
  const keys = Array.from({ length: 6 }, (_, k) => `${at + 30 * k} key down`).join('\n');
  const reference = renderFrames('phone-rules', [at - 100, at + 400],
    `${openedAt} move ${buttonPoints[2].join(' ')}\n${openedAt + 50} down left\n${openedAt + 60} up left\n` +
    `${openedAt + 300} move 0 479\n${keys}\n`);
  const dragDiff = differences(dragged, reference[at + 400], ...pageArea);
  check(differences(rules, reference[at - 100], ...pageArea) === 0 && dragDiff <= 640 &&
        differences(dragged, rules, ...pageArea) > 1000 && (await pageState(page)) === 'running',
        `a drag scrolls the rules page by the distance dragged and is no click (${dragDiff} pixels differ from six arrows)`);

  // A tap returns to the menu, where no button stays lit.
  await tapFrame(page, 320, 300);
  await sleep(600);
  const menu = await frameShot(page, outDir, '34-phone-menu');
  const plainMenu = renderFrames('phone-menu', [at + 400], `${at - 300} move 0 479\n`)[at + 400];
  const lit = differences(menu, plainMenu, ...buttonsArea);
  check(lit === 0, `a tap returns to the menu and leaves no button lit (${lit} pixels differ from the untouched menu)`);

  const beside = await tapsBesideButtons(page);
  check(beside.missed.length === 0, 'taps a few CSS pixels beside the thin menu buttons and the clock strip open them' +
        (beside.missed.length ? ` (${beside.missed.join('; ')})` : ''));
  const menuLabel = await labelOf(page);
  const days = await page.locator('#days').textContent();
  const clockLabel = beside.labels.find((label) => label.includes('clock page')) || '';
  check(introLabel.includes('intro') && menuLabel.includes('menu') &&
        beside.labels.some((label) => label.includes(`"${rulesHeading}"`)) &&
        /\d+ days? to the party|party is on now/.test(clockLabel) && clockLabel.includes(days.toLowerCase()),
        `the canvas's label follows the screen, the day count is text ("${introLabel}" / "${menuLabel}" / "${clockLabel}"; "${days}")`);

  // A pinch over the buttons opens nothing.
  const centre = await pagePoint(page, 320, 200);
  await touches(cdp, [[{ x: centre.x - 20, y: centre.y }, { x: centre.x - 80, y: centre.y }],
                      [{ x: centre.x + 20, y: centre.y }, { x: centre.x + 80, y: centre.y }]]);
  await sleep(600);
  const afterPinch = await frameShot(page, outDir, '35-phone-pinch');
  check(differences(afterPinch, menu, ...pageArea) === 0, 'a pinch on the menu is no click');

  // On its side: the show as high as the screen, the bar beside it.
  await page.setViewportSize({ width: 844, height: 390 });
  await sleep(500);
  const side = await page.locator('#canvas').boundingBox();
  await page.screenshot({ path: join(outDir, '36-phone-landscape.png') });
  report.phoneLandscapeCanvas = `${side.width}x${side.height} at ${side.x},${side.y}`;
  check(Math.round(side.height) === 390 && Math.round(side.width) === 520,
        `on its side, the show is as high as the screen (${report.phoneLandscapeCanvas})`);

  // The Stop button beside the show, reached by the keyboard as by a finger: the show ends
  // and the screen may sleep again.
  const stop = page.getByRole('button', { name: 'Stop the show' });
  const stopVisible = await stop.isVisible();
  await stop.focus();
  await page.keyboard.press('Enter');
  const stopped = await waitFor(async () => (await pageState(page)) === 'ended', 5000);
  const asleep = await wakeLockSeen(page);
  await page.screenshot({ path: join(outDir, '38-phone-stopped.png') });
  check(stopVisible && stopped && !asleep.kept && asleep.released >= 1 && !(await stop.isVisible()),
        'the Stop button beside the show ends it from the keyboard, and the screen is let go');
  await context.close();

  // The start panel on its side, for the eye.
  const sideways = await browser.newContext({ ...phone, viewport: { width: 844, height: 390 } });
  const sidePage = await sideways.newPage();
  await sidePage.goto(baseUrl);
  await waitFor(async () => (await pageState(sidePage)) === 'ready', 30000);
  await sidePage.screenshot({ path: join(outDir, '37-phone-landscape-start.png') });
  await sideways.close();
}
