// What the page test's parts share: the list of checks, waiting, frames read from the page and
// drawn by invite_render, and pixel comparisons.
import { execFileSync } from 'node:child_process';
import { mkdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import os from 'node:os';
import { decodePng } from '../png.mjs';

export const frameWidth = 640;
export const frameHeight = 480;
export const scrollLineRows = 10;  // one arrow key or one wheel notch

export const failures = [];
export const report = {};

// The stem of the files the audience gets ([files] stem), as make assets wrote it into the
// resources folder: the single-file page and the soundtrack are named after it.
export function fileStem(repo) {
  return execFileSync('bash', [join(repo, 'scripts/stem'), join(repo, 'resources')], { encoding: 'utf8' }).trim();
}

export function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures.push(what);
}

// Timing checks need the machine to themselves: on a machine busier than 1.5 runnable tasks a
// core, Chromium's compositor, audio and the page share too little CPU to keep time, so those
// checks are reported with their figures and the load, and not judged.
const busyLoad = 1.5;
const machineLoad = () => os.loadavg()[0] / os.cpus().length;
export const load = { peak: machineLoad() };

export function timingCheck(ok, what) {
  load.peak = Math.max(load.peak, machineLoad());
  if (!ok && load.peak > busyLoad) {
    console.log(`skip ${what}: not judged, the machine is busy (load ${load.peak.toFixed(1)} a core)`);
    report.timingNotJudged = true;
    return;
  }
  check(ok, what);
}

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

export async function waitFor(condition, timeoutMs) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    if (await condition()) return true;
    if (Date.now() > end) return false;
    await sleep(50);
  }
}

export const musicTime = (page) => page.evaluate(() => window.invitation.musicTime());
export const pageState = (page) => page.evaluate(() => window.invitation.state);

export async function waitForMusic(page, ms) {
  return waitFor(async () => (await musicTime(page)) >= ms, ms + 20000);
}

export function quantile(values, q) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.min(sorted.length - 1, Math.floor(q * sorted.length))];
}

// Frame point (x, y) as a page point, at whatever scale the canvas is shown.
export async function pagePoint(page, x, y) {
  const box = await page.locator('#canvas').boundingBox();
  return { x: box.x + (x + 0.5) * box.width / frameWidth, y: box.y + (y + 0.5) * box.height / frameHeight };
}

// The canvas as shown on screen, decoded; at scale 1 its pixels are the frame's.
export async function canvasShot(page, outDir, name) {
  const box = await page.locator('#canvas').boundingBox();
  const png = await page.screenshot({ clip: box });
  if (name) writeFileSync(join(outDir, name + '.png'), png);
  return decodePng(png);
}

// The program's own 640x480 frame, read from its canvas, whatever size it is shown at.
export async function frameShot(page, outDir, name) {
  const url = await page.evaluate(() => document.getElementById('canvas').toDataURL('image/png'));
  const png = Buffer.from(url.slice(url.indexOf(',') + 1), 'base64');
  if (name) writeFileSync(join(outDir, name + '.png'), png);
  return decodePng(png);
}

export function pixel(image, x, y) {
  const i = (y * image.width + x) * 3;
  return (image.rgb[i] << 16) | (image.rgb[i + 1] << 8) | image.rgb[i + 2];
}

// Pixels of the rectangle that differ between two frames.
export function differences(a, b, left, top, width, height) {
  let count = 0;
  for (let y = top; y < top + height; ++y) {
    for (let x = left; x < left + width; ++x) if (pixel(a, x, y) !== pixel(b, x, y)) ++count;
  }
  return count;
}

export function nonBlackShare(image) {
  let lit = 0;
  for (let i = 0; i < image.width * image.height; ++i) {
    if (image.rgb[i * 3] | image.rgb[i * 3 + 1] | image.rgb[i * 3 + 2]) ++lit;
  }
  return lit / (image.width * image.height);
}

// The frames invite_render draws for the given times and input script, decoded by time.
export function renderer(renderTool, resourcesDir, outDir) {
  return (name, times, script = '') => {
    const dir = join(outDir, 'reference', name);
    rmSync(dir, { recursive: true, force: true });
    mkdirSync(dir, { recursive: true });
    const args = ['--until', String(Math.max(...times) + 100), '--snap', times.join(','), '--out', dir];
    if (script) {
      writeFileSync(join(dir, 'script.txt'), script);
      args.push('--script', join(dir, 'script.txt'));
    }
    execFileSync(renderTool, args, { cwd: resourcesDir, stdio: 'inherit' });
    return Object.fromEntries(times.map((t) => [t, decodePng(readFileSync(join(dir, `t${t}.png`)))]));
  };
}

// The areas the checks look at, in frame pixels: the open page, and the menu's buttons.
export const pageArea = [30, 100, 580, 378];
export const buttonsArea = [232, 121, 176, 181];
// Menu buttons' centres, 1 to 5 (EXIT).
export const buttonPoints = [[300, 130], [300, 165], [300, 202], [300, 241], [300, 290]];

// Run in the page before its own scripts: notes Content-Security-Policy violations and every
// text the status region announces, in window.pageSeen.
export function watchPage() {
  const seen = { violations: [], announced: [] };
  window.pageSeen = seen;
  document.addEventListener('securitypolicyviolation', (e) => seen.violations.push(`${e.violatedDirective} ${e.blockedURI}`));
  document.addEventListener('DOMContentLoaded', () => {
    const region = document.querySelector('[role="status"]');
    if (!region) return;
    if (region.textContent) seen.announced.push(region.textContent);
    new MutationObserver(() => seen.announced.push(region.textContent)).observe(region, { childList: true, characterData: true, subtree: true });
  });
}

export const pageSeen = (page) => page.evaluate(() => window.pageSeen);

// The page's landmarks and the loading bar as assistive technology reads them.
export const landmarks = (page) => page.evaluate(() => ({
  heading: document.querySelectorAll('main h1').length,
  main: document.querySelectorAll('main').length,
  progress: ['role', 'aria-valuemin', 'aria-valuemax', 'aria-valuenow']
    .map((name) => document.getElementById('progress').getAttribute(name)).join(' '),
}));
