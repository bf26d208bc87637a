// The invitation's page in Debian's Chromium: the start gesture, the music clock and the
// sound's delay, the intro against the offline renderer, the menu and pages pixel for pixel,
// the wheel, square pixels, Escape in fullscreen, the end screen and six replays without a
// leak; then the site (text facts, the page without JavaScript, the single file from disk,
// reloads, broken downloads), a phone held upright and on its side, and the sound's joints,
// suspension and return.
//
//   node web/test/web_test.mjs WEB_BUILD BUILD OUT_DIR
//
// WEB_BUILD is make web's folder (site/, STEM.html, party_facts.json), BUILD the native
// build (invite_render, assetgen). Keeps screenshots and reference frames in OUT_DIR. Exits 0
// when every check holds, 1 with the failed checks listed otherwise.
import { existsSync, mkdirSync, readFileSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { chromium } from 'playwright-core';
import { serve } from '../serve.mjs';
import {
  buttonPoints, buttonsArea, canvasShot, check, differences, failures, frameHeight, frameShot,
  frameWidth, landmarks, load, musicTime, nonBlackShare, pageArea, pagePoint, pageSeen, pageState, pixel, quantile,
  renderer, report, scrollLineRows, sleep, timingCheck, waitFor, waitForMusic, watchPage,
} from './common.mjs';
import { squarePixels } from './square_pixels.mjs';
import { siteChecks } from './site.mjs';
import { phoneChecks } from './phone.mjs';
import { soundChecks } from './sound.mjs';

const [webBuild, nativeBuild, outDir] = process.argv.slice(2).map((p) => p && resolve(p));
if (!outDir) {
  console.error('usage: node web/test/web_test.mjs WEB_BUILD BUILD OUT_DIR');
  process.exit(2);
}
const repo = resolve(dirname(fileURLToPath(import.meta.url)), '../..');
const chromiumPath = process.env.CHROMIUM || '/usr/bin/chromium';
if (!existsSync(chromiumPath)) {
  console.log(`web test skipped: no Chromium at ${chromiumPath} (scripts/deps web installs it)`);
  process.exit(0);
}
const siteDir = join(webBuild, 'site');
const renderFrames = renderer(join(nativeBuild, 'invite_render'), join(repo, 'resources'), outDir);
const barHeight = 40;  // the page's bar under the stage

// requestAnimationFrame intervals over ms of the page's own time.
function frameIntervals(page, ms) {
  return page.evaluate((duration) => new Promise((done) => {
    const stamps = [];
    const step = (now) => {
      stamps.push(now);
      if (now - stamps[0] < duration) requestAnimationFrame(step);
      else done(stamps.slice(1).map((t, i) => t - stamps[i]));
    };
    requestAnimationFrame(step);
  }), ms);
}

// The show's clock against what is audible by the audio output's timestamp, once an animation
// frame for ms: show minus audible, in milliseconds.
function soundLead(page, ms) {
  return page.evaluate((duration) => new Promise((done) => {
    const leads = [];
    const begin = performance.now();
    const step = () => {
      const heard = window.invitation.audiblePosition();
      const shown = window.invitation.musicTime();
      if (heard !== null && shown !== null) leads.push(shown - heard);
      if (performance.now() - begin < duration) requestAnimationFrame(step);
      else done({ leads, delay: window.invitation.outputDelay() });
    };
    requestAnimationFrame(step);
  }), ms);
}

// A tab out of sight: the page's animation frames are held for 10 s while the music plays
// on, then exactly one is let through and held again. Its frame must be as close to the one
// invite_render draws for the same sixtieth of a second of music as the last frame before
// the hold was to its own. Either may be a step off: a pass early for its sixtieth takes a
// step ahead, and the page's first pass comes a sixtieth or two into the music; so each is
// compared with invite_render's frames of its sixtieth and the two beside it. Without the
// missed steps the globe and the stars would be 600 steps behind.
async function catchUp(page) {
  await page.evaluate(() => {
    const queued = [];
    const pass = window.requestAnimationFrame.bind(window);
    window.frameHold = { held: true, queued, pass };
    window.requestAnimationFrame = (callback) => {
      if (!window.frameHold.held) return pass(callback);
      queued.push(callback);
      return 0;
    };
  });
  await sleep(200);  // the frame asked for before the hold comes, and then none
  const heldFrom = await musicTime(page);
  const before = await frameShot(page, outDir, '02-before-hidden');
  await sleep(10000);
  await page.evaluate(() => new Promise((done) => {
    const hold = window.frameHold;
    const waiting = hold.queued.splice(0);
    // The program's next pass, and nothing after it until the frame has been read.
    hold.pass((now) => { for (const callback of waiting) callback(now); hold.pass(() => done()); });
  }));
  const time = await musicTime(page);
  const after = await frameShot(page, outDir, '02-after-hidden');
  await page.evaluate(() => {
    const hold = window.frameHold;
    hold.held = false;
    window.requestAnimationFrame = hold.pass;
    for (const callback of hold.queued.splice(0)) hold.pass(callback);
  });
  // The music times the sixtieth of a second `ms` falls in and the two beside it begin at;
  // invite_render's passes come at exactly these times.
  const slotTimes = (ms) => {
    const slot = Math.floor(((ms + 1) * 60 - 1) / 1000);
    return [slot - 1, slot, slot + 1].map((s) => Math.floor(s * 1000 / 60));
  };
  const reference = renderFrames('catch-up', [...slotTimes(heldFrom), ...slotTimes(time)]);
  const total = frameWidth * frameHeight;
  const closest = (shot, ms) => slotTimes(ms).map((at) => ({
    same: total - differences(shot, reference[at], 0, 0, frameWidth, frameHeight), at,
  })).sort((a, b) => b.same - a.same)[0];
  const beforeGap = closest(before, heldFrom);
  const afterGap = closest(after, time);
  const [sameBefore, sameAfter] = [beforeGap.same, afterGap.same];
  report.catchUp = `${sameAfter} of ${total} pixels equal at ${time} ms (invite_render's frame of ${afterGap.at} ms) ` +
                   `after ${time - heldFrom} ms without frames; ${sameBefore} before the gap ` +
                   `(at ${heldFrom} ms, its frame of ${beforeGap.at} ms)`;
  check(time - heldFrom >= 9500 && sameAfter >= Math.min(sameBefore, total * 0.995) - total * 0.002,
        `after 10 s without animation frames the next frame is invite_render's at the same music time (${report.catchUp})`);
}

const canvasBox = (page) => page.locator('#canvas').boundingBox();

// Waits until the canvas has kept its place and size for a few reads in a row (a change of
// fullscreen fits it again, maybe more than once).
async function steadyCanvas(page) {
  let last = '';
  let same = 0;
  return waitFor(async () => {
    const box = JSON.stringify(await canvasBox(page));
    same = box === last ? same + 1 : 0;
    last = box;
    return same >= 3;
  }, 4000);
}

async function clickFrame(page, x, y) {
  const p = await pagePoint(page, x, y);
  await page.mouse.move(p.x, p.y);
  await sleep(100);
  await page.mouse.down();
  await sleep(100);
  await page.mouse.up();
}

async function desktopRun(page, consoleErrors, baseUrl, title) {
  const timings = {};
  await page.setViewportSize({ width: frameWidth, height: frameHeight + barHeight });
  const loadStart = Date.now();
  await page.goto(baseUrl);
  check((await page.title()) === title, `the page is titled "${title}"`);
  const start = page.getByRole('button', { name: 'Click to start' });
  await start.waitFor({ state: 'visible' });
  check(await waitFor(async () => (await pageState(page)) === 'ready', 30000),
        'the program and the soundtrack download and the start button is offered');
  timings.loadMs = Date.now() - loadStart;
  await page.screenshot({ path: join(outDir, '00-start.png') });
  const atReady = await landmarks(page);
  const draws = await page.evaluate(() => window.invitation.progressDraws);
  check(atReady.heading === 1 && atReady.main === 1 && atReady.progress === 'progressbar 0 100 100' &&
        draws <= Math.ceil(timings.loadMs / 100) + 2,
        `the page has its heading, its main landmark and a progress bar with values; the progress was drawn ` +
        `${draws} times in ${timings.loadMs} ms`);
  await sleep(500);
  const before = await page.evaluate(() => ({
    music: window.invitation.musicTime(),
    canvases: document.querySelectorAll('#stage canvas').length,
    progress: document.getElementById('message').textContent,
  }));
  check(before.music === null && before.canvases === 0, 'before the click nothing runs and nothing plays');

  await start.click();
  const clickedAt = Date.now();
  const shown = await waitFor(async () => nonBlackShare(await canvasShot(page)) > 0.01, 2000);
  timings.clickToVisibleMs = Date.now() - clickedAt;
  check(shown, `within 2 s of the click the canvas shows the show (${timings.clickToVisibleMs} ms)`);
  const running = await landmarks(page);
  check(running.heading === 1 && running.main === 1, 'while the show plays the page keeps its heading and main landmark');
  await canvasShot(page, outDir, '01-first-frame');
  const pageTimings = await page.evaluate(() => window.invitation.timings);
  timings.clickToFirstFrameMs = pageTimings.firstFrame - pageTimings.click;
  timings.loadingMs = pageTimings.started - pageTimings.click;
  timingCheck(timings.clickToFirstFrameMs <= 1000,
        `the first intro frame follows the click within 1 s (${timings.clickToFirstFrameMs.toFixed(1)} ms)`);

  // The music clock against the page's wall clock over 10 s, and the sound's lead over the same
  // time (the shown clock against what the audio output says is audible).
  await waitForMusic(page, 1000);
  const sample = () => page.evaluate(() => ({ now: performance.now(), music: window.invitation.musicTime() }));
  const first = await sample();
  const leadRun = soundLead(page, 3500);

  // The intro at about 5 s against invite_render's frame of the same music time, where neither
  // stars nor plates are: pixels that the renderer's frames half a second before and after
  // leave unchanged.
  const firstLead = await leadRun;
  await sleep(Math.max(0, 4000 - (await musicTime(page)) + 1000));
  const introTime = await musicTime(page);
  const intro = await canvasShot(page, outDir, '02-intro');
  const around = renderFrames('intro', [introTime - 500, introTime, introTime + 500]);
  let still = 0, same = 0;
  for (let y = 0; y < frameHeight; ++y) {
    for (let x = 0; x < frameWidth; ++x) {
      const v = pixel(around[introTime], x, y);
      if (v !== pixel(around[introTime - 500], x, y) || v !== pixel(around[introTime + 500], x, y)) continue;
      ++still;
      if (pixel(intro, x, y) === v) ++same;
    }
  }
  report.introMatch = `${same} of ${still} still pixels at ${introTime} ms`;
  check(still > frameWidth * frameHeight * 0.8 && same >= still * 0.995,
        `the intro at ${introTime} ms matches invite_render's frame where no star or plate is (${report.introMatch})`);

  const secondLead = await soundLead(page, Math.max(1000, first.now + 10000 - (await sample()).now));
  const last = await sample();
  const rate = (last.music - first.music) / (last.now - first.now);
  report.musicRate = rate.toFixed(4);
  timingCheck(Math.abs(rate - 1) <= 0.05,
        `the music position advances with wall time (${last.music - first.music} ms in ${(last.now - first.now).toFixed(0)} ms)`);
  const leads = [...firstLead.leads, ...secondLead.leads];
  if (leads.length) {
    const lead = quantile(leads, 0.5);
    report.soundLead = `median ${lead.toFixed(1)} ms over ${leads.length} frames, p10 ${quantile(leads, 0.1).toFixed(1)}, ` +
                       `p90 ${quantile(leads, 0.9).toFixed(1)}; output delay taken off ${secondLead.delay.toFixed(1)} ms`;
    timingCheck(Math.abs(lead) <= 10, `the picture is in step with what is heard (${report.soundLead})`);
  } else {
    check(false, 'the audio output reports what is audible (getOutputTimestamp)');
  }
  // The program's own frame pass over the last 600 frames of the intro.
  const passes = await page.evaluate(() => window.invitation.passTimes(600));
  const mean = passes.reduce((sum, t) => sum + t, 0) / Math.max(1, passes.length);
  report.framePass = `${passes.length} passes, p50 ${quantile(passes, 0.5).toFixed(3)} ms, ` +
                     `p99 ${quantile(passes, 0.99).toFixed(3)} ms, mean ${mean.toFixed(3)} ms`;
  console.log(`figure: frame pass ${report.framePass}`);
  // Fewer than 600 passes have run by then when a busy machine drops animation frames.
  timingCheck(passes.length === 600, `the page keeps the time of its last 600 frame passes (${passes.length})`);

  await catchUp(page);

  // Measured apart from any screenshot, which holds up the page's frames while it is taken.
  const intervals = await frameIntervals(page, 5000);
  writeFileSync(join(outDir, 'frame-intervals.txt'), intervals.map((t) => t.toFixed(2)).join('\n') + '\n');
  const median = quantile(intervals, 0.5);
  const p99 = quantile(intervals, 0.99);
  report.frameIntervals = `${intervals.length} frames, median ${median.toFixed(2)} ms, p99 ${p99.toFixed(2)} ms`;
  timingCheck(Math.abs(median - 1000 / 60) <= 1 && p99 < 25, `animation frames keep time (${report.frameIntervals})`);

  // The menu; button 1 clicked with the canvas shown larger, then compared at scale 1.
  check(await waitForMusic(page, 44500), 'the music reaches the menu');
  await sleep(300);
  await canvasShot(page, outDir, '03-menu');
  await page.setViewportSize({ width: 1000, height: 750 + barHeight });
  await steadyCanvas(page);
  await page.screenshot({ path: join(outDir, '03-page-large.png') });
  const large = await page.locator('#canvas').boundingBox();
  check(Math.round(large.width) === 1000 && Math.round(large.height) === 750,
        `the canvas fills a larger window at 4:3 (${large.width}x${large.height})`);
  const clickTime = await musicTime(page);
  await clickFrame(page, ...buttonPoints[0]);
  await page.setViewportSize({ width: frameWidth, height: frameHeight + barHeight });
  await sleep(500);
  const page1 = await canvasShot(page, outDir, '04-page1');
  const afterClick = clickTime + 1500;
  const script = `${clickTime} move 300 130\n${clickTime + 100} down left\n${clickTime + 200} up left\n` +
                 `${afterClick + 100} key escape\n`;
  const menuFrames = renderFrames('menu', [afterClick, afterClick + 500], script);
  const pageDiff = differences(page1, menuFrames[afterClick], ...pageArea);
  check(pageDiff === 0, `page 1 opens and its area equals invite_render's page-1 frame (${pageDiff} pixels differ)`);

  await page.keyboard.press('Escape');
  await sleep(500);
  const menu = await canvasShot(page, outDir, '05-menu-again');
  const menuDiff = differences(menu, menuFrames[afterClick + 500], ...buttonsArea);
  check(menuDiff === 0 && differences(menu, page1, ...pageArea) > 0,
        `Escape returns to the menu, its buttons as invite_render draws them (${menuDiff} pixels differ)`);

  // The rules page by the wheel: five notches down and one up scroll it as four down arrows do.
  const rulesTime = await musicTime(page);
  await clickFrame(page, ...buttonPoints[2]);
  await sleep(400);
  await sleep(600);
  const rulesTop = await frameShot(page, outDir, '06-rules-top');
  const p = await pagePoint(page, 320, 300);
  await page.mouse.move(p.x, p.y);
  for (const deltaY of [100, 100, 100, 100, 100, -100]) {
    await page.mouse.wheel(0, deltaY);
    await sleep(60);
  }
  await sleep(400);
  const rulesWheel = await frameShot(page, outDir, '07-rules-wheel');
  const at = rulesTime + 1500;
  const keys = [1, 2, 3, 4].map((k) => `${at + 50 * k} key down`).join('\n');
  const rules = renderFrames('rules', [at - 100, at + 400],
    `${rulesTime} move ${buttonPoints[2].join(' ')}\n${rulesTime + 100} down left\n${rulesTime + 200} up left\n` +
    `${at - 300} move 320 300\n${keys}\n`);
  const wheelDiff = differences(rulesWheel, rules[at + 400], ...pageArea);
  check(differences(rulesTop, rules[at - 100], ...pageArea) === 0 && wheelDiff === 0 &&
        differences(rulesWheel, rulesTop, ...pageArea) > 0,
        `the wheel scrolls the rules page as far as the arrow keys do (${wheelDiff} pixels differ from four down arrows)`);
  await page.keyboard.press('Escape');
  await sleep(300);

  await squarePixels(page, outDir, barHeight);
  await page.setViewportSize({ width: frameWidth, height: frameHeight + barHeight });
  await steadyCanvas(page);

  // Fullscreen: Escape leaves fullscreen and nothing else; the menu is still there.
  await page.getByRole('button', { name: 'Fullscreen' }).click();
  const entered = await waitFor(() => page.evaluate(() => !!document.fullscreenElement), 4000);
  await steadyCanvas(page);
  await page.keyboard.press('Escape');
  const left = await waitFor(() => page.evaluate(() => !document.fullscreenElement), 4000);
  await sleep(500);
  check(entered && left && (await pageState(page)) === 'running',
        'Escape in fullscreen leaves fullscreen and the show goes on');

  // The end screen leaves fullscreen. The click waits for the fullscreen stage to settle, so
  // that it lands on EXIT wherever the canvas was fitted.
  await page.getByRole('button', { name: 'Fullscreen' }).click();
  const enteredAgain = await waitFor(() => page.evaluate(() => !!document.fullscreenElement), 4000);
  await steadyCanvas(page);
  await clickFrame(page, ...buttonPoints[4]);
  const ended = await waitFor(async () => (await pageState(page)) === 'ended', 10000);
  await sleep(300);
  const again = page.getByRole('button', { name: 'Play again' });
  const endSeen = ended && await again.isVisible() && await page.evaluate(() => !document.fullscreenElement);
  if (!endSeen) await page.screenshot({ path: join(outDir, '08-exit-missed.png') });
  check(endSeen, 'EXIT in fullscreen ends the show, leaves fullscreen and the page offers "Play again"' +
        (endSeen ? '' : ` (fullscreen entered: ${enteredAgain}, state ${await pageState(page)}, ` +
                        `music at ${await musicTime(page)} ms, canvas ${JSON.stringify(await canvasBox(page))})`));
  await page.screenshot({ path: join(outDir, '08-end.png') });
  const seen = await pageSeen(page);
  const milestones = ['Loading the invitation', 'Ready to start', 'Playing', 'The show has ended'];
  check(JSON.stringify(seen.announced) === JSON.stringify(milestones),
        `the status region announces the milestones only (${seen.announced.join(' / ')})`);
  check(seen.violations.length === 0 && await page.locator('meta[http-equiv="Content-Security-Policy"]').count() === 1,
        `the page plays under its Content-Security-Policy with no violation${seen.violations.length ? ': ' + seen.violations.join(' | ') : ''}`);
  Object.assign(report, timings);
}

// Six "Play again" in a row, each ended by Escape in the intro: the renderer's memory after
// garbage collection may grow by less than 5 MB a replay.
async function replays(page, cdp, browserCdp) {
  const again = page.getByRole('button', { name: 'Play again' });
  const sizes = [];
  let allRan = true;
  for (let k = 0; k <= 6; ++k) {
    if (k > 0) {
      await again.click();
      const ran = await waitFor(async () => (await pageState(page)) === 'running' &&
                                (await musicTime(page)) >= 300, 8000);
      if (k === 1) {
        check(ran, '"Play again" starts the show anew');
        await canvasShot(page, outDir, '09-replay');
      }
      await page.keyboard.press('Escape');
      allRan = allRan && ran && await waitFor(async () => (await pageState(page)) === 'ended', 3000);
    }
    sizes.push(await rendererMemory(cdp, browserCdp));
  }
  const growth = (sizes[6] - sizes[1]) / 5 / 1048576;
  report.replayMemory = `${sizes.map((s) => (s / 1048576).toFixed(1)).join(', ')} MB; ${growth.toFixed(2)} MB a replay`;
  check(allRan, 'six replays in a row each start and end by Escape in the intro');
  check(growth < 5, `replays do not leak (${report.replayMemory})`);
  const listeners = await page.evaluate(() => window.invitation.listenerCount);
  check(listeners === 0, `an ended show leaves no listeners on the document (${listeners})`);
}

// Resident memory of the browser's renderer processes, after a full garbage collection.
async function rendererMemory(cdp, browserCdp) {
  await cdp.send('HeapProfiler.collectGarbage');
  await sleep(300);
  await cdp.send('HeapProfiler.collectGarbage');
  await sleep(500);
  const { processInfo } = await browserCdp.send('SystemInfo.getProcessInfo');
  let total = 0;
  for (const { type, id } of processInfo) {
    if (type !== 'renderer') continue;
    try {
      total += Number(/VmRSS:\s+(\d+)/.exec(readFileSync(`/proc/${id}/status`, 'utf8'))[1]) * 1024;
    } catch { /* gone */ }
  }
  return total;
}

mkdirSync(outDir, { recursive: true });
const server = await serve(siteDir);
const baseUrl = `http://127.0.0.1:${server.address().port}/`;
const browser = await chromium.launch({
  executablePath: chromiumPath,
  headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
         '--disable-background-networking', '--disable-component-update', '--disable-sync',
         '--js-flags=--expose-gc'],
});
const facts = JSON.parse(readFileSync(join(webBuild, 'party_facts.json'), 'utf8'));
try {
  const context = await browser.newContext();
  await context.addInitScript(watchPage);
  const page = await context.newPage();
  const consoleErrors = [];
  page.on('console', (m) => { if (m.type() === 'error') consoleErrors.push(m.text()); });
  page.on('pageerror', (e) => consoleErrors.push(String(e)));
  page.on('response', (r) => { if (r.status() >= 400) consoleErrors.push(`${r.status()} for ${r.url()}`); });
  const cdp = await context.newCDPSession(page);
  await desktopRun(page, consoleErrors, baseUrl, facts.title);
  // The replays begin at the end screen; without one, their check fails and the rest still runs.
  if ((await pageState(page)) === 'ended') await replays(page, cdp, await browser.newBrowserCDPSession());
  else check(false, 'the replays could start from the end screen');
  check(consoleErrors.length === 0, `no error on the page's console${consoleErrors.length ? ': ' + consoleErrors.join(' | ') : ''}`);
  await context.close();
  await siteChecks({ browser, server, baseUrl, webBuild, nativeBuild, repo, outDir, facts });
  await phoneChecks({ browser, baseUrl, outDir, renderFrames });
  await soundChecks({ browser, baseUrl, repo, outDir });
} catch (error) {
  check(false, `the run went through (${error.stack || error})`);
} finally {
  await browser.close();
  server.close();
}
report.peakLoadPerCore = Number(load.peak.toFixed(2));
console.log('figures:', JSON.stringify(report));
writeFileSync(join(outDir, 'figures.json'), JSON.stringify(report, null, 2) + '\n');
if (failures.length) {
  console.log(`web test: ${failures.length} check(s) failed`);
  process.exit(1);
}
console.log('web test: every check passed');
