// A phone (390x844 CSS pixels at device scale 3, touch, mobile) held upright, then on its
// side: the start by a tap, a tap opening the rules page, a drag scrolling it by the distance
// dragged, a tap returning to a menu with no lit button, and a pinch that opens nothing.
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

export async function phoneChecks({ browser, baseUrl, outDir, renderFrames }) {
  const context = await browser.newContext({ ...phone, viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await page.goto(baseUrl);
  const start = page.getByRole('button', { name: 'Tap to start' });
  const ready = await waitFor(async () => (await pageState(page)) === 'ready', 30000);
  await page.screenshot({ path: join(outDir, '30-phone-start.png') });
  const hint = await page.locator('#hint').textContent();
  check(ready && await start.isVisible() && hint.includes('Tap'), `a phone is asked to tap ("${hint}")`);
  await start.tap();
  check(await waitForMusic(page, 1000), 'a tap starts the show on a phone');
  const box = await page.locator('#canvas').boundingBox();
  await page.screenshot({ path: join(outDir, '31-phone-portrait.png') });
  report.phonePortraitCanvas = `${box.width}x${box.height} at ${box.x},${box.y}`;
  check(box.width > 389 && box.y < 1, `upright, the show is as wide as the screen, at the top (${report.phonePortraitCanvas})`);

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
  await context.close();

  // The start panel on its side, for the eye.
  const sideways = await browser.newContext({ ...phone, viewport: { width: 844, height: 390 } });
  const sidePage = await sideways.newPage();
  await sidePage.goto(baseUrl);
  await waitFor(async () => (await pageState(sidePage)) === 'ready', 30000);
  await sidePage.screenshot({ path: join(outDir, '37-phone-landscape-start.png') });
  await sideways.close();
}
