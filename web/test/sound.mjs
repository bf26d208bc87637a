// The page's sound: the joints between the soundtrack's pieces (the loop's among them) played
// by the page's own player into an offline audio context and compared with the music the
// pieces were coded from; then, on a phone, the audio context suspended (as a lock or a call
// does) and woken by a touch, the page hidden and shown again, and the page restored with its
// audio context closed.
import { join } from 'node:path';
import { check, fileStem, musicTime, quantile, sleep, waitFor, waitForMusic } from './common.mjs';
import { webMaster } from '../soundtrack.mjs';

const rate = 44100;
const startDelayFrames = Math.round(0.05 * rate);  // the player's first sample comes this late

// The page's player from piece `from` on, rendered offline for `frames` frames: channel 0.
function renderFrom(page, from, frames) {
  return page.evaluate(async ([from, frames]) => {
    const index = JSON.parse(document.getElementById('site-files').textContent).music;
    const files = await Promise.all(index.files.map(async (file) => new Uint8Array(await (await fetch(file.name)).arrayBuffer())));
    const bytes = new Uint8Array(files.reduce((sum, file) => sum + file.length, 0));
    files.reduce((at, file) => { bytes.set(file, at); return at + file.length; }, 0);
    const music = InvitationMusic.create(index);
    InvitationMusic.receiveAll(music, bytes);
    const context = new OfflineAudioContext(2, frames, index.sampleRate);
    InvitationMusic.attach(music, context);
    InvitationMusic.play(music, from);
    const end = Date.now() + 20000;
    while (music.run.next < from + 2 && Date.now() < end) await new Promise((done) => setTimeout(done, 20));
    const out = await context.startRendering();
    InvitationMusic.stop(music);
    return Array.from(out.getChannelData(0));
  }, [from, frames]);
}

// At each joint the played music is the coded music: it differs by no more than coding noise
// (20 dB under the music), around the joint (5 ms each side) no more than over the whole
// stretch, and there is no gap.
async function joints(page, repo) {
  const master = await webMaster(join(repo, 'resources', `${fileStem(repo)}.mp3`));
  const totalFrames = master.length / 2;
  const index = await page.evaluate(() => JSON.parse(document.getElementById('site-files').textContent).music);
  const last = index.pieces.length - 1;
  for (const [from, what] of [[0, 'the first joint'], [last, 'the loop\'s joint']]) {
    const piece = index.pieces[from];
    const frames = startDelayFrames + piece.frames + Math.round(0.3 * rate);
    const played = await renderFrom(page, from, frames);
    const joint = startDelayFrames + piece.frames;
    let all = 0, signal = 0, near = 0, nearCount = 0, zeros = 0, longestZeros = 0;
    for (let k = startDelayFrames; k < frames; ++k) {
      const source = master[((piece.start + k - startDelayFrames) % totalFrames) * 2];
      const d = (played[k] - source) ** 2;
      all += d;
      signal += source * source;
      if (Math.abs(k - joint) <= 220) { near += d; ++nearCount; }
      zeros = played[k] === 0 ? zeros + 1 : 0;
      longestZeros = Math.max(longestZeros, zeros);
    }
    const allRms = Math.sqrt(all / (frames - startDelayFrames));
    const nearRms = Math.sqrt(near / nearCount);
    const noiseDb = 10 * Math.log10(all / signal);
    check(nearRms <= 2 * allRms + 1e-4 && noiseDb < -20 && longestZeros < 64,
          `${what} plays the music through (difference from the coded music ${nearRms.toFixed(4)} at the joint, ` +
          `${allRms.toFixed(4)} over ${(frames / rate).toFixed(1)} s, ${noiseDb.toFixed(1)} dB under the music; ` +
          `longest run of zeros ${longestZeros})`);
  }
}

// Shown minus heard, once an animation frame for ms.
function leads(page, ms) {
  return page.evaluate((duration) => new Promise((done) => {
    const found = [];
    const begin = performance.now();
    const step = () => {
      const heard = window.invitation.audiblePosition();
      const shown = window.invitation.musicTime();
      if (heard !== null && shown !== null) found.push(shown - heard);
      if (performance.now() - begin < duration) requestAnimationFrame(step);
      else done(found);
    };
    requestAnimationFrame(step);
  }), ms);
}

const heardNow = (page) => page.evaluate(() => window.invitation.audiblePosition());

async function inStep(page) {
  const found = await leads(page, 1500);
  return found.length > 30 && Math.abs(quantile(found, 0.5)) <= 20;
}

async function suspendAndTouch(page, outDir) {
  await page.evaluate(() => window.invitation.audioOutput.context.suspend());
  const asked = page.getByRole('button', { name: 'Tap to continue' });
  const shown = await waitFor(() => asked.isVisible(), 3000);
  const heardBefore = await heardNow(page);
  const shownBefore = await musicTime(page);
  await sleep(1500);
  const heardAfter = await heardNow(page);
  const shownAfter = await musicTime(page);
  await page.screenshot({ path: join(outDir, '40-phone-tap-to-continue.png') });
  check(shown && heardAfter - heardBefore < 30 && shownAfter - shownBefore < 30,
        `a suspended sound asks "Tap to continue" and the show and the heard position stand still ` +
        `(heard ${heardBefore.toFixed(0)} -> ${heardAfter.toFixed(0)} ms, shown ${shownBefore} -> ${shownAfter} ms)`);
  const box = await asked.boundingBox();
  await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
  const resumed = await waitFor(async () => (await page.evaluate(() => window.invitation.audioState)) === 'running', 3000);
  const goesOn = resumed && await waitForMusic(page, shownAfter + 1000);
  check(resumed && goesOn && !(await asked.isVisible()) && await inStep(page),
        'one touch wakes the sound, and the show goes on in step with it');
}

async function hiddenAndBack(page) {
  const hide = (hidden) => page.evaluate(async (hidden) => {
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (hidden ? 'hidden' : 'visible') });
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => hidden });
    // What a screen lock does: the page goes out of sight and its sound is stopped.
    if (hidden) await window.invitation.audioOutput.context.suspend();
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await hide(true);
  const stoppedAt = await musicTime(page);
  await sleep(1500);
  const still = await musicTime(page);
  await hide(false);
  const back = await waitFor(async () => (await page.evaluate(() => window.invitation.audioState)) === 'running', 2000);
  const goesOn = back && await waitForMusic(page, still + 1000);
  const asked = await page.getByRole('button', { name: 'Tap to continue' }).isVisible();
  check(still - stoppedAt < 30 && back && goesOn && !asked && await inStep(page),
        `hidden and shown again, the show waits for its sound and comes back in step by itself ` +
        `(stood at ${stoppedAt} -> ${still} ms)`);
}

// Back from the back-forward cache with its audio context closed: the show comes back where it
// stood (by itself, or on "Tap to continue"), in step, not frozen and not from the start.
async function restoredClosed(page) {
  const stoodAt = await page.evaluate(async () => {
    await window.invitation.audioOutput.context.close();
    return window.invitation.musicTime();
  });
  await page.evaluate(() => window.dispatchEvent(new PageTransitionEvent('pageshow', { persisted: true })));
  const asked = page.getByRole('button', { name: 'Tap to continue' });
  const running = async () => (await page.evaluate(() => window.invitation.audioState)) === 'running';
  await waitFor(async () => (await running()) || asked.isVisible(), 3000);
  if (!(await running()) && await asked.isVisible()) {
    const box = await asked.boundingBox();
    await page.touchscreen.tap(box.x + box.width / 2, box.y + box.height / 2);
  }
  const heard = await waitFor(async () => (await heardNow(page)) > stoodAt - 200, 3000) && await heardNow(page);
  const goesOn = await running() && await waitForMusic(page, stoodAt + 1000);
  check(goesOn && typeof heard === 'number' && heard < stoodAt + 1000 && await inStep(page),
        `restored with its sound closed, the show goes on from ${stoodAt} ms (heard ${Math.round(heard)} ms) in step`);
}

export async function soundChecks({ browser, baseUrl, repo, outDir }) {
  const context = await browser.newContext({ deviceScaleFactor: 3, isMobile: true, hasTouch: true,
                                             viewport: { width: 390, height: 844 } });
  const page = await context.newPage();
  await page.goto(baseUrl);
  const ready = await waitFor(async () => (await page.evaluate(() => window.invitation.state)) === 'ready', 30000);
  await joints(page, repo);
  if (ready) await page.getByRole('button', { name: 'Tap to start' }).tap();
  if (ready && await waitForMusic(page, 2000)) {
    await suspendAndTouch(page, outDir);
    await hiddenAndBack(page);
    await restoredClosed(page);
  } else {
    check(false, 'the show starts on a phone for the sound checks');
  }
  await context.close();
}
