// The page as a phone on a mobile network meets it (390x844, touch, Chromium's network and CPU
// throttling), measured and judged; the figures go to OUT_DIR/phone-figures.json.
//
//   node web/test/phone_measure.mjs WEB_BUILD OUT_DIR
//
// - Slow 4G (1.6 Mbit/s, 150 ms) and Fast 4G (9 Mbit/s, 165 ms), a first visit: the time until
//   the start button works, the time from the tap to the first sound, the bytes that came
//   before it; then the network falling behind the music while it plays.
// - At 4x and 6x CPU throttling, upright and on its side, over 30 s of the intro: silent gaps
//   (runs of 256 or more zero samples once the music has begun) counted by an AudioWorklet
//   listening to the music's output, frames a second, the picture's music time minus the
//   heard one, and the CPU time the show's renderer spends a frame (its main thread, and all
//   its threads), read from the kernel's accounts of its threads.
// - The show's renderer's memory while the show runs (upright, no throttling, sampled every
//   5 s over the intro and into the menu): its proportional set size (PSS: its own pages, and
//   its share of the pages it shares with the browser's other processes, such as Chromium's
//   own code, which every renderer maps), judged at most 150 MB; beside it the resident size
//   (RSS, shared pages counted whole) and its private pages, and what the page itself holds.
//
// PHONE_ONLY=network, memory or cpu measures that part alone.
import { mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import { join, resolve } from 'node:path';
import { createServer, get as httpGet } from 'node:http';
import { chromium } from 'playwright-core';
import { serve } from '../serve.mjs';
import { check, failures, quantile, sleep, waitFor } from './common.mjs';

const [webBuild, outDir] = process.argv.slice(2).map((p) => p && resolve(p));
if (!outDir) {
  console.error('usage: node web/test/phone_measure.mjs WEB_BUILD OUT_DIR');
  process.exit(2);
}
// The gap recorder is the measurement's own worklet, loaded from a blob: address that the
// page's Content-Security-Policy rightly refuses; the measuring contexts set the policy aside.
const phone = { deviceScaleFactor: 3, isMobile: true, hasTouch: true, bypassCSP: true };
const networks = {
  'Slow 4G': { latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8, ready: 5000, sound: 3000 },
  'Fast 4G': { latency: 165, downloadThroughput: 9e6 / 8, uploadThroughput: 1.5e6 / 8, ready: 2000, sound: 3000 },
};
const figures = {};

// Counts, on the audio thread, the runs of >= 256 zero samples after the first sound, and
// notes the context time of the first sound.
const recorderSource = `
class GapRecorder extends AudioWorkletProcessor {
  constructor() { super(); this.started = false; this.zeros = 0; this.gaps = 0; this.longest = 0; this.blocks = 0;
                  this.port.onmessage = () => this.port.postMessage({ gaps: this.gaps, longest: this.longest, started: this.started, first: this.first }); }
  process(inputs) {
    const channel = inputs[0] && inputs[0][0];
    ++this.blocks;
    for (let k = 0; channel && k < channel.length; ++k) {
      if (channel[k] !== 0) {
        if (!this.started) { this.started = true; this.first = currentTime + k / sampleRate; }
        if (this.zeros >= 256) ++this.gaps;
        this.zeros = 0;
      } else if (this.started) {
        ++this.zeros;
        this.longest = Math.max(this.longest, this.zeros);
      }
    }
    if (!channel && this.started) { this.zeros += 128; this.longest = Math.max(this.longest, this.zeros); }
    return true;
  }
}
registerProcessor('gap-recorder', GapRecorder);`;

async function listen(page) {
  await page.evaluate(async (source) => {
    const { context, node } = window.invitation.audioOutput;
    await context.audioWorklet.addModule(URL.createObjectURL(new Blob([source], { type: 'text/javascript' })));
    const recorder = new AudioWorkletNode(context, 'gap-recorder', { numberOfInputs: 1, numberOfOutputs: 1 });
    const mute = context.createGain();
    mute.gain.value = 0;
    node.connect(recorder).connect(mute).connect(context.destination);
    window.gapRecorder = recorder;
  }, recorderSource);
}

const recorded = (page) => page.evaluate(() => new Promise((done) => {
  window.gapRecorder.port.onmessage = (event) => done(event.data);
  window.gapRecorder.port.postMessage('report');
}));

async function startOn(browser, baseUrl, name, net) {
  const context = await browser.newContext({ ...phone, viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await cdp.send('Network.enable');
  await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
  await cdp.send('Network.emulateNetworkConditions', { offline: false, ...net });
  let bytes = 0;
  cdp.on('Network.dataReceived', (event) => { bytes += event.encodedDataLength; });
  cdp.on('Network.responseReceived', () => {});
  const begin = Date.now();
  await page.goto(baseUrl, { waitUntil: 'commit' });
  const ready = await waitFor(async () => (await page.evaluate(() => window.invitation && window.invitation.state)) === 'ready', 60000);
  const readyMs = Date.now() - begin;
  // The first sound: the heard position past zero, from the tap.
  const tapped = Date.now();
  await page.getByRole('button', { name: 'Tap to start' }).tap();
  await waitFor(async () => (await page.evaluate(() => window.invitation.audiblePosition())) > 0, 20000);
  const soundMs = Date.now() - tapped;
  const bytesBeforeSound = bytes;
  figures[name] = { readyMs, soundMs, bytesBeforeSound };
  check(ready && readyMs <= net.ready, `${name}: the start button works after ${readyMs} ms (at most ${net.ready})`);
  check(soundMs <= net.sound, `${name}: the first sound ${soundMs} ms after the tap (at most ${net.sound})`);
  check(bytesBeforeSound < 1.5e6, `${name}: ${bytesBeforeSound} B downloaded before the first sound (under 1.5 MB)`);
  await context.close();
}

// The network falls behind the music: a host that sends the soundtrack's first four pieces (the
// start file and the first of the rest) and then holds the rest back until told. When the music runs out the picture waits with it; when
// the rest comes, both go on, in step.
function holdingHost(siteUrl, file, firstBytes) {
  const held = { release: null, file };
  const server = createServer((request, response) => {
    const upstream = httpGet(new URL(request.url, siteUrl), { headers: { 'accept-encoding': request.headers['accept-encoding'] || '' } }, (answer) => {
      response.writeHead(answer.statusCode, answer.headers);
      if (!request.url.endsWith(held.file)) {
        answer.pipe(response);
        return;
      }
      let sent = 0;
      const queued = [];
      answer.on('data', (chunk) => {
        const part = chunk.subarray(0, Math.max(0, firstBytes - sent));
        if (part.length) response.write(part);
        sent += part.length;
        if (part.length < chunk.length) queued.push(chunk.subarray(part.length));
      });
      answer.on('end', () => {
        held.release = () => { for (const chunk of queued) response.write(chunk); response.end(); };
      });
    });
    upstream.on('error', () => response.destroy());
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done({ server, held })));
}

async function stall(browser, siteUrl, webBuild) {
  const index = JSON.parse(readFileSync(join(webBuild, 'site', 'zura5inv-music.json'), 'utf8'));
  const rest = index.files[1];
  const { server, held } = await holdingHost(siteUrl, rest.name, index.pieces[4].offset - index.files[0].bytes);
  const context = await browser.newContext({ ...phone, viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await waitFor(async () => (await page.evaluate(() => window.invitation.state)) === 'ready', 30000);
  await page.getByRole('button', { name: 'Tap to start' }).tap();
  const waited = await waitFor(() => page.evaluate(() => window.invitation.waitingForMusic), 40000);
  const at = await page.evaluate(() => [window.invitation.musicTime(), window.invitation.audiblePosition()]);
  await sleep(1500);
  const later = await page.evaluate(() => [window.invitation.musicTime(), window.invitation.audiblePosition()]);
  if (held.release) held.release();
  const goesOn = await waitFor(async () => (await page.evaluate(() => window.invitation.musicTime())) > later[0] + 2000, 20000);
  const leads = await page.evaluate(() => new Promise((done) => {
    const found = [];
    const begin = performance.now();
    const step = (now) => {
      const heard = window.invitation.audiblePosition();
      const shown = window.invitation.musicTime();
      if (heard !== null && shown !== null) found.push(shown - heard);
      if (now - begin < 2000) requestAnimationFrame(step);
      else done(found);
    };
    requestAnimationFrame(step);
  }));
  const lead = leads.length ? quantile(leads, 0.5) : NaN;
  figures.stall = { waitedAtMs: at[0], shownMoved: later[0] - at[0], heardMoved: Math.round(later[1] - at[1]), leadAfterMs: lead };
  check(waited && later[0] - at[0] < 30 && later[1] - at[1] < 30 && goesOn && Math.abs(lead) <= 20,
        `the soundtrack held back after 20 s of music: picture and sound wait together at ${at[0]} ms and go on ` +
        `in step when the rest comes (${JSON.stringify(figures.stall)})`);
  await context.close();
  server.close();
}

// The show's renderer is, of the browser's renderers, the one holding the most memory of its
// own (anonymous and shared memory: the others are the spare renderer kept ready).
async function showRenderer(browserCdp) {
  const { processInfo } = await browserCdp.send('SystemInfo.getProcessInfo');
  let best = { pid: 0, own: -1 };
  for (const { type, id } of processInfo) {
    if (type !== 'renderer') continue;
    try {
      const status = readFileSync(`/proc/${id}/status`, 'utf8');
      const own = kilobytes(status, 'RssAnon') + kilobytes(status, 'RssShmem');
      if (own > best.own) best = { pid: id, own };
    } catch { /* gone */ }
  }
  return best.pid;
}

const kilobytes = (text, name) => Number((new RegExp(`^${name}:\\s+(\\d+)`, 'm').exec(text) || [0, 0])[1]);
const megabytes = (kb) => Number((kb / 1024).toFixed(1));

// A process's memory in MB: resident (RSS), proportional (PSS), private pages, and the resident
// part of the mapping that is exactly `wasmBytes` long (the program's memory).
function processMemory(pid, wasmBytes) {
  const status = readFileSync(`/proc/${pid}/status`, 'utf8');
  const rollup = readFileSync(`/proc/${pid}/smaps_rollup`, 'utf8');
  let wasmKb = null;
  const smaps = readFileSync(`/proc/${pid}/smaps`, 'utf8');
  for (const found of smaps.matchAll(/^([0-9a-f]+)-([0-9a-f]+) [^\n]*\n(?:(?![0-9a-f]+-)[^\n]*\n)*?Rss:\s+(\d+)/gm)) {
    if (Number(BigInt('0x' + found[2]) - BigInt('0x' + found[1])) === wasmBytes) wasmKb = Math.max(wasmKb || 0, Number(found[3]));
  }
  return {
    pssMB: megabytes(kilobytes(rollup, 'Pss')), residentMB: megabytes(kilobytes(status, 'VmRSS')),
    privateMB: megabytes(kilobytes(rollup, 'Private_Clean') + kilobytes(rollup, 'Private_Dirty')),
    pssFileMB: megabytes(kilobytes(rollup, 'Pss_File')), residentFileMB: megabytes(kilobytes(status, 'RssFile')),
    wasmResidentMB: wasmKb === null ? null : megabytes(wasmKb),
  };
}

// CPU time in ms spent so far by a process's main thread and by all its threads (the kernel's
// per-thread account, in nanoseconds, which a busy machine does not inflate).
function cpuMs(pid) {
  const onCpu = (tid) => { try { return Number(readFileSync(`/proc/${pid}/task/${tid}/schedstat`, 'utf8').split(' ')[0]) / 1e6; } catch { return 0; } };
  let all = 0;
  for (const tid of readdirSync(`/proc/${pid}/task`)) all += onCpu(tid);
  return { main: onCpu(pid), all };
}

async function throttled(browser, baseUrl, rate, viewport, seconds) {
  const name = `${rate}x ${viewport.width > viewport.height ? 'landscape' : 'portrait'}`;
  // The recorder's module comes from a blob, which the page's own policy does not allow.
  const context = await browser.newContext({ ...phone, viewport, bypassCSP: true });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await page.goto(baseUrl);
  await waitFor(async () => (await page.evaluate(() => window.invitation.state)) === 'ready', 30000);
  await cdp.send('Emulation.setCPUThrottlingRate', { rate });
  await page.getByRole('button', { name: 'Tap to start' }).tap();
  await waitFor(async () => (await page.evaluate(() => window.invitation.audioOutput !== null)), 5000);
  await listen(page);
  await sleep(1000);
  const renderer = await showRenderer(await browser.newBrowserCDPSession());
  const cpuBefore = cpuMs(renderer);
  const run = await page.evaluate((ms) => new Promise((done) => {
    const stamps = [];
    const leads = [];
    const begin = performance.now();
    const step = (now) => {
      stamps.push(now);
      const heard = window.invitation.audiblePosition();
      const shown = window.invitation.musicTime();
      if (heard !== null && shown !== null) leads.push(shown - heard);
      if (now - begin < ms) requestAnimationFrame(step);
      else done({ frames: stamps.length - 1, span: stamps[stamps.length - 1] - stamps[0], leads });
    };
    requestAnimationFrame(step);
  }), seconds * 1000);
  const cpuAfter = cpuMs(renderer);
  // The program's own frame pass, the last 600.
  const passes = await page.evaluate(() => window.invitation.passTimes(600));
  const gaps = await recorded(page);
  const fps = run.frames * 1000 / run.span;
  const perFrame = (ms) => Number((ms / run.frames).toFixed(2));
  const result = { fps: Number(fps.toFixed(1)), gaps: gaps.gaps, longestSilence: gaps.longest,
                   leadP50: Number(quantile(run.leads, 0.5).toFixed(1)), apartP90: Number(quantile(run.leads.map(Math.abs), 0.9).toFixed(1)),
                   mainCpuMsPerFrame: perFrame(cpuAfter.main - cpuBefore.main),
                   rendererCpuMsPerFrame: perFrame(cpuAfter.all - cpuBefore.all),
                   passMsP50: Number(quantile(passes, 0.5).toFixed(2)), load: Number(os.loadavg()[0].toFixed(1)) };
  figures[name] = result;
  console.log(`figure: ${name}: ${JSON.stringify(result)}`);
  await context.close();
  return result;
}

// At 4x and 6x CPU throttling, upright and on its side.
async function cpuRuns(browser, baseUrl) {
  const seconds = Number(process.env.PHONE_SECONDS || 30);
  const upright = { width: 390, height: 844 };
  const side = { width: 844, height: 390 };
  // Unthrottled, for what a frame costs the renderer by itself.
  await throttled(browser, baseUrl, 1, upright, seconds);
  await throttled(browser, baseUrl, 1, side, seconds);
  const four = await throttled(browser, baseUrl, 4, upright, seconds);
  // The picture ahead of the sound or behind it counts alike: p90 of the distance between them.
  check(four.gaps === 0 && four.fps >= 58 && four.apartP90 <= 20,
        `4x CPU: ${four.gaps} silent gaps, ${four.fps} fps, picture and heard sound apart p90 ${four.apartP90} ms`);
  const fourSide = await throttled(browser, baseUrl, 4, side, seconds);
  check(fourSide.gaps === 0 && fourSide.fps >= four.fps * 0.9,
        `4x CPU on its side: ${fourSide.gaps} gaps, ${fourSide.fps} fps (upright ${four.fps})`);
  const six = await throttled(browser, baseUrl, 6, upright, seconds);
  check(six.gaps === 0 && six.fps >= 50, `6x CPU: ${six.gaps} silent gaps, ${six.fps} fps`);
  const sixSide = await throttled(browser, baseUrl, 6, side, seconds);
  check(sixSide.gaps === 0 && sixSide.fps >= six.fps * 0.9,
        `6x CPU on its side: ${sixSide.gaps} gaps, ${sixSide.fps} fps (upright ${six.fps})`);
}

// The show's renderer's memory, sampled every 5 s from 5 s to 50 s of the show (the intro, the
// crossfade and the menu): the largest PSS, private and resident sizes of the samples, and
// what the page held at the sample with the most private memory: the program's memory, the
// JavaScript heap, decoded music and canvases.
async function memoryRun(browser, baseUrl) {
  const context = await browser.newContext({ ...phone, viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  const cdp = await context.newCDPSession(page);
  await page.goto(baseUrl);
  await waitFor(async () => (await page.evaluate(() => window.invitation.state)) === 'ready', 30000);
  await page.getByRole('button', { name: 'Tap to start' }).tap();
  const begin = Date.now();
  const browserCdp = await browser.newBrowserCDPSession();
  let peak = null;
  for (let at = 5000; at <= 50000; at += 5000) {
    await sleep(begin + at - Date.now());
    const held = await page.evaluate(() => ({
      wasmBytes: window.invitation.programMemoryBytes, musicBytes: window.invitation.heldMusicBytes,
      canvasBytes: [...document.querySelectorAll('canvas')].reduce((sum, c) => sum + c.width * c.height * 4, 0),
      musicTime: window.invitation.musicTime(),
    }));
    const sample = processMemory(await showRenderer(browserCdp), held.wasmBytes);
    const heap = await cdp.send('Runtime.getHeapUsage');
    Object.assign(sample, { atMusicMs: held.musicTime, wasmMemoryMB: megabytes(held.wasmBytes / 1024),
                            jsHeapMB: megabytes(heap.usedSize / 1024), decodedMusicMB: megabytes(held.musicBytes / 1024),
                            canvasesMB: megabytes(held.canvasBytes / 1024) });
    if (!peak) {
      peak = sample;
    } else {
      const most = { pssMB: Math.max(peak.pssMB, sample.pssMB), residentMB: Math.max(peak.residentMB, sample.residentMB) };
      if (sample.privateMB > peak.privateMB) peak = sample;
      Object.assign(peak, most);
    }
  }
  figures.memory = peak;
  console.log(`figure: memory: ${JSON.stringify(peak)}`);
  check(peak.pssMB <= 150, `the show's renderer: ${peak.pssMB} MB PSS while the show runs (at most 150; ` +
        `${peak.privateMB} MB private, ${peak.residentMB} MB resident with the shared pages counted whole)`);
  await context.close();
}

mkdirSync(outDir, { recursive: true });
const server = await serve(join(webBuild, 'site'));
const baseUrl = `http://127.0.0.1:${server.address().port}/`;
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium', headless: true,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
         '--disable-component-update', '--disable-sync'],
});
try {
  // PHONE_ONLY=network: the starts and the stall alone (quick, to repeat on a busy machine);
  // memory or cpu: that part alone.
  const only = process.env.PHONE_ONLY;
  if (!only || only === 'network') {
    for (const [name, net] of Object.entries(networks)) await startOn(browser, baseUrl, name, net);
    await stall(browser, baseUrl, webBuild);
  }
  if (!only || only === 'memory') await memoryRun(browser, baseUrl);
  if (!only || only === 'cpu') await cpuRuns(browser, baseUrl);
} catch (error) {
  check(false, `the measurement went through (${error.stack || error})`);
} finally {
  await browser.close();
  server.close();
}
writeFileSync(join(outDir, 'phone-figures.json'), JSON.stringify(figures, null, 2) + '\n');
console.log('figures:', JSON.stringify(figures));
if (failures.length) {
  console.log(`phone measurement: ${failures.length} check(s) failed`);
  process.exit(1);
}
console.log('phone measurement: every check passed');
