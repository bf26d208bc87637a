// The page around the show: downloads the program and the soundtrack's first seconds with a
// visible progress, the rest of the music while the show plays (or takes them from the page
// itself when it is the single-file build), starts the show on
// a click or tap (browsers play sound only after a gesture), shows the 640x480 frame with
// square pixels at 4:3, turns touches into taps and scrolling, and offers the end screen with
// "Play again".
'use strict';

const frameWidth = 640;
const frameHeight = 480;


const page = {
  state: 'loading',        // loading, ready, running, ended, failed
  program: null,           // the compiled WebAssembly module, instantiated for every run
  music: null,             // the soundtrack's player (web/audio.js), kept for every run
  audio: null,             // the audio context, made in the visitor's first gesture
  module: null,
  canvas: null,            // the program's own canvas, which takes its input
  screen: null,            // the enlarged copy shown when a whole factor and a smooth step are both needed
  timings: {},             // performance.now() of the click and of the first frame pass
  listeners: [],           // document and window listeners the program added
  watching: false,         // from the first program made on: the page's own are all in place
  progress: null,          // the download under way; an abandoned one no longer shows
  retried: false,          // after a failed try the files are fetched past the cache
  compiledWhileDownloading: false,
  programScript: null,     // the program's script being added to the page
  escapeHeldUntil: 0,      // an Escape before this moment left fullscreen and is not the show's
  progressDraws: 0,        // how often the loading progress was drawn
  shownScreen: null,       // the program's screen the canvas's label last described
};

const stage = document.getElementById('stage');
const panel = document.getElementById('panel');
const message = document.getElementById('message');
const statusRegion = document.getElementById('status');
const progressElement = document.getElementById('progress');
const progressBar = document.querySelector('#progress div');
const stopButton = document.getElementById('stop');
const daysText = document.getElementById('days');
const startButton = document.getElementById('start');
const againButton = document.getElementById('again');
const retryButton = document.getElementById('retry');
const touchFirst = window.matchMedia('(pointer: coarse)').matches;

// The page's texts in the party's words, which the build wrote into the page.
const words = JSON.parse(document.getElementById('page-words').textContent);

// Which of a count's forms a text takes: with two forms the first for one and the second for
// every other count; with three, as Polish counts, the first for one, the second for counts
// ending in 2 to 4 but not 12 to 14, the third for the rest.
function pluralForm(count, forms) {
  if (forms < 3) return count === 1 ? 0 : forms - 1;
  if (count === 1) return 0;
  const last = count % 10, lastTwo = count % 100;
  return last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14) ? 1 : 2;
}

// A word with its placeholders filled in: "{why}" takes a value, "{days|day|days}" the form
// its count takes.
function say(key, values = {}) {
  return words[key].replace(/\{([a-z]+)((?:\|[^|}]*)*)\}/g, (whole, name, forms) => {
    if (!(name in values)) return whole;
    if (!forms) return String(values[name]);
    const list = forms.slice(1).split('|');
    return list[pluralForm(values[name], list.length)];
  });
}

// Read-only view of the show for whoever drives or tests the page.
window.invitation = {
  get state() { return page.state; },
  get timings() { return Object.assign({}, page.timings); },
  musicTime() { return page.module && page.state === 'running' ? page.module.musicTime() : null; },
  get listenerCount() { return page.listeners.length; },
  // The program's screen: -2 the intro, 0 the menu, 1..4 a page, -1 the clock page.
  screen() { return page.module && page.state === 'running' ? page.module._webScreen() : null; },
  get screenLabel() { return page.canvas ? page.canvas.getAttribute('aria-label') : null; },
  get compiledWhileDownloading() { return page.compiledWhileDownloading; },
  get progressDraws() { return page.progressDraws; },
  get keptAwake() { return Boolean(wakeLock.sentinel); },
  // How long the last frame passes took inside the program, newest first, in milliseconds.
  passTimes(count) {
    if (!page.module) return [];
    const times = [];
    for (let k = 0; k < count; ++k) {
      const ms = page.module._webPassMs(k);
      if (ms < 0) break;
      times.push(ms);
    }
    return times;
  },
  // What is heard now, from the audio output's own timestamp: milliseconds of music.
  audiblePosition() {
    return page.music && page.state === 'running' ? InvitationMusic.heardMs(page.music) : null;
  },
  outputDelay() {
    const context = page.audio;
    return context ? ((context.baseLatency || 0) + (context.outputLatency || 0)) * 1000 : null;
  },
  // The sound's way out, for whoever listens in: the audio context and the music's last node.
  get audioOutput() { return page.music && page.audio ? { context: page.audio, node: page.music.output } : null; },
  get audioState() { return page.audio ? page.audio.state : null; },
  get soundtrackBytes() { return page.music ? page.music.received : 0; },
  get programMemoryBytes() { return page.module ? page.module.HEAP8.buffer.byteLength : 0; },
  get heldMusicBytes() { return page.music ? InvitationMusic.heldBytes(page.music) : 0; },
  get waitingForMusic() { return Boolean(page.music && InvitationMusic.waiting(page.music)); },
};

// The status region says only the milestones (loading, ready, playing, ended, failed), so a
// screen reader hears each once and the page does no work for it in between.
function announce(text) {
  if (statusRegion.textContent !== text) statusRegion.textContent = text;
}

function showPanel(text, { progress = false, start = false, again = false, retry = false } = {}) {
  panel.hidden = false;
  stage.classList.remove('running');
  stopButton.hidden = true;
  message.textContent = text;
  progressElement.hidden = !progress;
  startButton.hidden = !start;
  againButton.hidden = !again;
  retryButton.hidden = !retry;
}

function fail(text, { retry = false } = {}) {
  page.state = 'failed';
  releaseRun();
  showPanel(text, { retry });
  announce(text);
  if (retry) retryButton.focus();
}

// ---------------------------------------------------------------------------------------------
// Square pixels: the frame grows by the largest whole factor that fits, pixel by pixel, and
// the rest of the way smoothly, so every frame column is as wide as every other.

// The picture's size in screen pixels: the largest 4:3 rectangle the stage holds, and the
// largest whole factor of the frame inside it.
function pictureSize() {
  const ratio = window.devicePixelRatio || 1;
  const across = Math.floor(stage.clientWidth * ratio);
  const down = Math.floor(stage.clientHeight * ratio);
  const unit = Math.max(1, Math.min(Math.floor(across / 4), Math.floor(down / 3)));
  const width = unit * 4;
  const height = unit * 3;
  return { ratio, width, height, factor: Math.max(1, Math.floor(width / frameWidth)),
           left: Math.round((across - width) / 2), top: Math.round((down - height) / 2) };
}

// Placed on whole screen pixels, so the smooth step starts from a sharp picture.
function place(element, size) {
  element.style.width = size.width / size.ratio + 'px';
  element.style.height = size.height / size.ratio + 'px';
  element.style.left = size.left / size.ratio + 'px';
  element.style.top = size.top / size.ratio + 'px';
}

// The enlarged copy under the program's canvas, which stays on top, unseen, for the input.
function showScreen(size) {
  if (!page.screen) {
    page.screen = document.createElement('canvas');
    page.screen.id = 'screen';
    page.screen.setAttribute('aria-hidden', 'true');
    stage.insertBefore(page.screen, page.canvas);
  }
  if (page.screen.width !== frameWidth * size.factor) {
    page.screen.width = frameWidth * size.factor;
    page.screen.height = frameHeight * size.factor;
  }
  place(page.screen, size);
  copyToScreen();
}

// A whole factor alone is the program's canvas shown pixel by pixel; a factor of 1 and a
// smooth step is the canvas shown smoothly; both need the enlarged copy.
function fitCanvas() {
  if (!page.canvas || page.state !== 'running') return;
  const size = pictureSize();
  place(page.canvas, size);
  const exact = size.width === frameWidth * size.factor;
  const needsScreen = !exact && size.factor > 1;
  page.canvas.style.imageRendering = exact ? 'pixelated' : 'auto';
  page.canvas.classList.toggle('under-screen', needsScreen);
  if (needsScreen) {
    showScreen(size);
  } else if (page.screen) {
    page.screen.remove();
    page.screen = null;
  }
}

// After every shown frame: the enlarged copy, pixel by pixel.
function copyToScreen() {
  if (!page.screen) return;
  const context = page.screen.getContext('2d', { alpha: false });
  context.imageSmoothingEnabled = false;
  context.drawImage(page.canvas, 0, 0, page.screen.width, page.screen.height);
}

// ---------------------------------------------------------------------------------------------
// Touch: every finger on the stage goes to the program, which tells taps from drags and
// pinches by the same rules as the desktop window's (a tap near a menu button takes it). The
// program sees no touch events of its own.

const TouchPhases = { touchstart: 0, touchmove: 1, touchend: 2, touchcancel: 3 };

function onTouch(event) {
  if (page.state !== 'running' || !page.module) return;
  event.preventDefault();
  event.stopPropagation();
  const box = page.canvas.getBoundingClientRect();
  for (const t of event.changedTouches) {
    page.module._webTouch(TouchPhases[event.type], t.identifier, t.clientX - box.left, t.clientY - box.top,
                          Math.round(box.width), Math.round(box.height));
  }
}

for (const type of Object.keys(TouchPhases)) {
  // Caught on the way down, before the program's canvas, which would make mouse clicks of them.
  stage.addEventListener(type, onTouch, { capture: true, passive: false });
}

// ---------------------------------------------------------------------------------------------
// Escape and fullscreen: an Escape while the stage is fullscreen only leaves fullscreen (a
// browser may keep that key for itself, and the show must not end behind it).

window.addEventListener('keydown', (event) => {
  if (event.key !== 'Escape' || page.state !== 'running') return;
  if (document.fullscreenElement || performance.now() < page.escapeHeldUntil) {
    event.stopImmediatePropagation();
    event.preventDefault();
    if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  }
}, true);

document.addEventListener('fullscreenchange', () => {
  if (!document.fullscreenElement) page.escapeHeldUntil = performance.now() + 250;
  fitCanvas();
});

// ---------------------------------------------------------------------------------------------
// The program's document and window listeners are noted while it runs and taken away when the
// run ends, so that no ended run stays reachable from the page.

function watchListeners() {
  for (const target of [window, document]) {
    if (target.addEventListener.watched) continue;
    const add = target.addEventListener;
    const watched = function (type, listener, options) {
      if (page.watching) page.listeners.push({ target, type, listener, options });
      return add.call(this, type, listener, options);
    };
    watched.watched = true;
    target.addEventListener = watched;
  }
}

function releaseRun() {
  keepScreenAwake(false);
  if (page.music) InvitationMusic.stop(page.music);
  hideResume();
  for (const { target, type, listener, options } of page.listeners) {
    target.removeEventListener(type, listener, options);
  }
  page.listeners = [];
  if (page.canvas) page.canvas.remove();
  if (page.screen) page.screen.remove();
  page.canvas = null;
  page.screen = null;
  page.module = null;
}

// ---------------------------------------------------------------------------------------------
// Downloads: the bytes received (after any transfer compression) against the file sizes the
// build wrote into the page, so the bar ends at the end and a short file is found out.

const siteFiles = JSON.parse(document.getElementById('site-files').textContent);

// The bar and its text are drawn at most every progressStepMs while bytes arrive, and once
// more at the end, so that a slow download does not keep the page laying itself out.
const progressStepMs = 100;

function newProgress() {
  return {
    received: 0,
    total: siteFiles['zura5inv.wasm'] + siteFiles.music.pieces[0].bytes,
    drawnAt: -Infinity,
    update() {
      if (this !== page.progress) return;
      const now = performance.now();
      if (now - this.drawnAt < progressStepMs && this.received < this.total) return;
      this.drawnAt = now;
      const share = Math.min(1, this.received / this.total);
      const percent = Math.round(share * 100);
      progressBar.style.width = (share * 100).toFixed(1) + '%';
      progressElement.setAttribute('aria-valuenow', String(percent));
      message.textContent = say('loading', { percent, done: (this.received / 1048576).toFixed(1),
                                             total: (this.total / 1048576).toFixed(1) });
      page.progressDraws += 1;
    },
  };
}

class LoadError extends Error {}

// After a failed try the files are fetched past the browser's cache, which may hold a bad copy.
async function fetchChecked(name, how) {
  let response;
  try {
    response = await fetch(name, how);
  } catch (error) {
    throw new LoadError(`${name} could not be fetched (${error.message})`);
  }
  if (!response.ok) throw new LoadError(`${name}: the server answered ${response.status} ${response.statusText}`);
  return response;
}

// Reads a body to its end, counting; returns the bytes.
async function readCounted(name, body, progress) {
  const reader = body.getReader();
  const chunks = [];
  let received = 0;
  try {
    for (;;) {
      const { done, value } = await reader.read();
      if (done) break;
      chunks.push(value);
      received += value.length;
      progress.received += value.length;
      progress.update();
    }
  } catch (error) {
    throw new LoadError(`${name} stopped arriving after ${received} bytes (${error.message})`);
  }
  if (received !== siteFiles[name]) {
    throw new LoadError(`${name} arrived incomplete: ${received} of ${siteFiles[name]} bytes`);
  }
  const bytes = new Uint8Array(received);
  let at = 0;
  for (const chunk of chunks) { bytes.set(chunk, at); at += chunk.length; }
  return bytes;
}

// The program is compiled while it downloads where the browser can (and then kept compiled in
// its cache); a copy of the stream counts the bytes and stands in when streaming is refused.
// `arrived` is called once the program's bytes are all there, while it may still be compiling.
async function downloadProgram(progress, how, arrived = () => {}) {
  const response = await fetchChecked('zura5inv.wasm', how);
  const counted = response.clone();
  const streaming = WebAssembly.compileStreaming
    ? WebAssembly.compileStreaming(response).then((program) => ({ program }), (error) => ({ error }))
    : Promise.resolve({ error: new Error('no streaming compilation') });
  const bytes = await readCounted('zura5inv.wasm', counted.body, progress);
  arrived();
  const streamed = await streaming;
  page.compiledWhileDownloading = Boolean(streamed.program);
  if (streamed.program) return streamed.program;
  try {
    return await WebAssembly.compile(bytes);
  } catch (error) {
    throw new LoadError(`zura5inv.wasm is damaged (${error.message})`);
  }
}

// Settles once the page has been painted (at once when it is out of sight, where nothing is
// painted).
function afterFirstPaint() {
  return new Promise((done) => {
    if (document.visibilityState !== 'visible') done();
    else requestAnimationFrame(() => setTimeout(done, 0));
  });
}

// The program's JavaScript half, added to the page along with the program's download (the
// single file carries it inline).
function loadProgramScript() {
  if (typeof createInvitation === 'function') return Promise.resolve();
  if (!page.programScript) {
    page.programScript = new Promise((done, failed) => {
      const script = document.createElement('script');
      script.src = 'zura5inv.js';
      script.onload = done;
      script.onerror = () => {
        page.programScript = null;
        script.remove();
        failed(new LoadError('zura5inv.js could not be fetched'));
      };
      document.body.appendChild(script);
    });
  }
  return page.programScript;
}

// The single-file page carries both files as base64 inside itself.
function embeddedBytes(id) {
  const element = document.getElementById(id);
  if (!element) return null;
  const text = atob(element.textContent.replace(/\s+/g, ''));
  const bytes = new Uint8Array(text.length);
  for (let k = 0; k < text.length; ++k) bytes[k] = text.charCodeAt(k);
  return bytes;
}

// ---------------------------------------------------------------------------------------------
// The soundtrack: its pieces arrive into the player (web/audio.js) one after another; the page
// is ready once the first is decoded, and the rest is asked for once the music is heard. A download
// that breaks before the show starts fails the page with "Try again"; one that breaks while it
// plays is taken up again, the music waiting at the piece that is missing meanwhile.

// The soundtrack's files in order (the start, then the rest), each with the bytes before it.
const soundtrackFiles = siteFiles.music.files.reduce((files, file) => {
  const from = files.length ? files[files.length - 1].from + files[files.length - 1].bytes : 0;
  return [...files, { name: file.name, bytes: file.bytes, from }];
}, []);
const soundtrackRetries = 3;

// Settles once the music has been heard (the files after the first wait for it, so that the
// start has the line to itself), or when this soundtrack is no longer the page's.
function musicHeard(music) {
  return new Promise((done) => {
    const look = () => {
      if (music !== page.music || InvitationMusic.everHeard(music)) done();
      else setTimeout(look, 100);
    };
    look();
  });
}

async function streamSoundtrack(progress, how, attempt = 0) {
  const music = page.music;
  const firstBytes = siteFiles.music.pieces[0].bytes;
  try {
    for (const file of soundtrackFiles) {
      const end = file.from + file.bytes;
      if (music.received >= end) continue;
      if (file.from > 0) await musicHeard(music);
      if (music !== page.music) return;
      const response = await fetchChecked(file.name, attempt ? { cache: 'reload' } : how);
      const reader = response.body.getReader();
      let skip = music.received - file.from;  // a new try skips what the last one brought
      for (;;) {
        let value;
        try {
          ({ value } = await reader.read());
        } catch (error) {
          throw new LoadError(`${file.name} stopped arriving after ${music.received - file.from} bytes (${error.message})`);
        }
        if (music !== page.music) {
          reader.cancel().catch(() => {});
          return;
        }
        if (!value) break;
        const taken = Math.min(skip, value.length);
        skip -= taken;
        if (taken === value.length) continue;
        if (music.received + value.length - taken > end) {
          reader.cancel().catch(() => {});
          throw new LoadError(`${file.name} is longer than its ${file.bytes} bytes`);
        }
        const before = music.received;
        InvitationMusic.receive(music, value.subarray(taken));
        if (progress && progress === page.progress) {
          progress.received += Math.min(music.received, firstBytes) - Math.min(before, firstBytes);
          progress.update();
        }
      }
      if (music.received !== end) {
        throw new LoadError(`${file.name} arrived incomplete: ${music.received - file.from} of ${file.bytes} bytes`);
      }
    }
    // Everything is in the browser's cache now, so keeping it for offline visits costs no
    // second download.
    keepForOffline();
  } catch (error) {
    if (music !== page.music) return;
    const why = error instanceof LoadError ? error.message : String(error.message || error);
    if (page.state === 'running' && attempt < soundtrackRetries) {
      setTimeout(() => streamSoundtrack(null, how, attempt + 1), 1000 * (attempt + 1));
      return;
    }
    music.loadError = why;
    if (page.state === 'ready') {
      fail(say('load_failed', { why }), { retry: true });
    } else if (page.state === 'running') {
      console.warn('The rest of the soundtrack could not be loaded: ' + why);
    }
  }
}

// Settles when the first piece is decoded, or fails with the download or the decoder.
function firstMusic() {
  const music = page.music;
  return new Promise((done, failed) => {
    const look = () => {
      if (InvitationMusic.firstPieceReady(music)) done();
      else if (music.loadError || music.failure) failed(new LoadError(music.loadError || music.failure));
      else setTimeout(look, 40);
    };
    look();
  });
}

// The audio context is made (or woken) in the visitor's gesture; the same one serves every run.
function openAudio() {
  const Context = window.AudioContext || window.webkitAudioContext;
  if (!page.audio || page.audio.state === 'closed') {
    try {
      page.audio = new Context();
    } catch {
      page.audio = null;
      return;
    }
    page.audio.addEventListener('statechange', audioStateChanged);
  }
  InvitationMusic.attach(page.music, page.audio);
  if (page.audio.state !== 'running') page.audio.resume().catch(() => {});
}

// The player as the program sees it (app/music_web.cpp calls these).
function programMusic() {
  return {
    ready: () => Boolean(page.audio && page.audio.state !== 'closed' && page.music &&
                         InvitationMusic.firstPieceReady(page.music)),
    play: () => InvitationMusic.play(page.music),
    heardMs: () => InvitationMusic.heardMs(page.music),
    stop: () => { if (page.music) InvitationMusic.stop(page.music); },
  };
}

// ---------------------------------------------------------------------------------------------
// Sound after an interruption: a screen lock, a call or the system suspends the audio context,
// whose clock (and with it the show) stands still. When the page is seen again the context is
// woken by itself where the browser lets it; otherwise, or when it was stopped while in sight,
// "Tap to continue" asks for one tap or key anywhere, which wakes it and does nothing else.

let resumeButton = null;

function showResume() {
  if (!resumeButton) {
    resumeButton = document.createElement('button');
    resumeButton.id = 'resume';
    resumeButton.textContent = say(touchFirst ? 'tap_to_continue' : 'click_to_continue');
    Object.assign(resumeButton.style, { position: 'absolute', zIndex: 3, left: '50%', top: '50%',
                                        transform: 'translate(-50%, -50%)' });
    stage.appendChild(resumeButton);
  }
  resumeButton.hidden = false;
}

function hideResume() {
  if (resumeButton) resumeButton.hidden = true;
}

const soundWanted = () => page.state === 'running' && page.audio && page.audio.state !== 'closed';

function audioStateChanged() {
  if (!soundWanted()) return;
  if (page.audio.state === 'running') hideResume();
  else if (document.visibilityState === 'visible') showResume();
}

// Back in sight: woken by itself, or the tap is asked for.
function pageSeenAgain() {
  if (!soundWanted() || document.visibilityState !== 'visible' || page.audio.state === 'running') return;
  page.audio.resume().catch(() => {});
  setTimeout(() => { if (soundWanted() && page.audio.state !== 'running') showResume(); }, 500);
}

function resumeByGesture(event) {
  if (!soundWanted() || page.audio.state === 'running') return;
  if (event.type === 'keydown' && event.key !== 'Enter' && event.key !== ' ') return;
  event.preventDefault();
  event.stopImmediatePropagation();
  page.audio.resume().then(hideResume, () => {});
}

// Back from the back-forward cache with the sound's context closed (a browser may close it
// while it keeps the page): a new one takes the music on from where it was last heard.
function pageRestored(event) {
  const music = page.music;
  if (event.persisted && page.state === 'running' && music && music.run && page.audio && page.audio.state === 'closed') {
    const heard = InvitationMusic.heardFrames(music);
    openAudio();
    if (page.audio) InvitationMusic.playOnFrom(music, heard);
  }
  pageSeenAgain();
}

document.addEventListener('visibilitychange', pageSeenAgain);
window.addEventListener('pageshow', pageRestored);
// Caught before anything else sees them, the stage's touch handlers included.
for (const type of ['touchend', 'pointerup', 'mousedown', 'click', 'keydown']) {
  window.addEventListener(type, resumeByGesture, { capture: true, passive: false });
}

// ---------------------------------------------------------------------------------------------
// The canvas's label says what the show has on screen: the intro, the menu, the page open by
// its name (the headings of the text below), or the clock page with the days to the party.

const Screens = { intro: -2, clock: -1, menu: 0 };

function showDaysLeft(days) {
  daysText.textContent = days > 0 ? say('days_to_party', { days }) : say('party_on');
}

function screenLabel(screen) {
  const title = document.title;
  if (screen === Screens.intro) return say('label_intro', { title });
  if (screen === Screens.menu) return say('label_menu', { title });
  if (screen === Screens.clock) {
    const days = page.module._webDaysLeft();
    return days > 0 ? say('label_clock', { title, days }) : say('label_clock_party_on', { title });
  }
  const heading = document.querySelectorAll('#facts h2')[screen - 1];
  return say('label_page', { title, page: heading ? heading.textContent : String(screen) });
}

function followScreen() {
  if (!page.module || !page.canvas) return;
  const screen = page.module._webScreen();
  if (screen === page.shownScreen) return;
  page.shownScreen = screen;
  page.canvas.setAttribute('aria-label', screenLabel(screen));
}

// ---------------------------------------------------------------------------------------------
// Runs.

// A new instance of the program for each run, so every run starts from a fresh state; the
// compiled program is shared.
function newModule() {
  page.watching = true;
  const canvas = document.createElement('canvas');
  canvas.id = 'canvas';
  canvas.tabIndex = -1;
  canvas.setAttribute('role', 'img');

  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  page.canvas = canvas;
  const settings = {
    canvas,
    instantiateWasm(imports, done) {
      WebAssembly.instantiate(page.program, imports).then((instance) => done(instance, page.program),
        (error) => fail(say('start_failed', { why: error.message }), { retry: true }));
      return {};
    },
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort: (what) => fail(say('stopped', { why: what }), { retry: true }),
    onFirstFrame: () => { page.timings.firstFrame = performance.now(); },
    music: programMusic(),
    onFramePresented: () => { copyToScreen(); followScreen(); },
    onShowEnd: showEnd,
    onShowFailed: (why) => fail(say('start_failed', { why: why + '.' })),
  };
  return createInvitation(settings).then((module) => {
    module.musicTime = () => module._webMusicTime();
    page.shownScreen = null;
    showDaysLeft(module._webDaysLeft());
    page.module = module;
    return module;
  });
}

// Runs in the click's own handler, so the show's audio starts inside the gesture.
function startShow() {
  if (!page.module) return;
  page.timings = { click: performance.now() };
  openAudio();
  panel.hidden = true;
  stage.classList.add('running');
  stage.appendChild(page.canvas);
  page.state = 'running';
  let status = 0;
  try {
    status = page.module.callMain([]);
    page.timings.started = performance.now();
  } catch (error) {
    fail(say('stopped', { why: error }));
    return;
  }
  // The program ends its process with code 1 when the sound cannot start.
  if (status) {
    fail(say('no_sound'));
    return;
  }
  if (page.state === 'running') {
    fitCanvas();
    followScreen();
    stopButton.hidden = false;
    announce(say('status_playing'));
    keepScreenAwake(true);
    page.canvas.focus();
    // A browser that would not start the sound from the gesture asks for another.
    setTimeout(pageSeenAgain, 300);
  }
}

// Ends the show as its EXIT button does, from outside the canvas.
function stopShow() {
  if (page.module && page.state === 'running') page.module._webStop();
}

function showEnd() {
  page.state = 'ended';
  releaseRun();
  if (document.fullscreenElement) document.exitFullscreen().catch(() => {});
  showPanel(say('show_ended'), { again: true });
  announce(say('status_ended'));
  againButton.focus();
}

function playAgain() {
  againButton.disabled = true;
  // The first piece was freed once it had played: it is decoded again for the new run.
  InvitationMusic.pump(page.music);
  Promise.all([newModule(), firstMusic()]).then(() => {
    againButton.disabled = false;
    startShow();
  }, (error) => fail(say('reload_failed', { why: error.message }), { retry: true }));
}

async function load() {
  if (typeof WebAssembly !== 'object') {
    fail(say('no_webassembly'));
    return;
  }
  if (!(window.AudioContext || window.webkitAudioContext)) {
    fail(say('no_audio'));
    return;
  }
  page.state = 'loading';
  startButton.disabled = true;
  showPanel('', { progress: true, start: true });
  announce(say('status_loading'));
  const progress = newProgress();
  page.progress = progress;
  progress.update();
  const fresh = page.retried ? { cache: 'reload' } : {};
  try {
    const embeddedProgram = embeddedBytes('program-data');
    const kept = page.music && page.music.received === page.music.bytes.length && !page.music.failure;
    if (!kept) page.music = InvitationMusic.create(siteFiles.music);
    if (embeddedProgram) {
      page.program = await WebAssembly.compile(embeddedProgram);
      InvitationMusic.receiveAll(page.music, embeddedBytes('soundtrack-data'));
    } else {
      // The page's text is on screen before anything else is asked for.
      await afterFirstPaint();
      const script = loadProgramScript();
      script.catch(() => {});  // its failure is taken by the await below, unless the download fails first
      // The soundtrack follows the program rather than sharing the line with it: the show
      // needs all of the program but only the first seconds of the music.
      page.program = await downloadProgram(progress, fresh, () => { if (!kept) streamSoundtrack(progress, fresh); });
      await script;
    }
    await Promise.all([newModule(), firstMusic()]);
    // The first piece can be ready before the rest of its file has failed to arrive.
    if (page.music.loadError) throw new LoadError(page.music.loadError);
  } catch (error) {
    page.progress = null;
    const why = error instanceof LoadError ? error.message : String(error.message || error);
    fail(say('load_failed', { why }), { retry: true });
    return;
  }
  page.progress = null;
  page.state = 'ready';
  showPanel(say(touchFirst ? 'sound_on_touch' : 'sound_on'), { start: true });
  startButton.disabled = false;
  startButton.focus();
  announce(say('status_ready'));
}

watchListeners();
startButton.addEventListener('click', startShow);
againButton.addEventListener('click', playAgain);
stopButton.addEventListener('click', stopShow);
// Enter and Space on the bar's controls are theirs: the program's keyboard handlers on the
// window would take them and cancel the press.
for (const type of ['keydown', 'keypress', 'keyup']) {
  document.getElementById('bar').addEventListener(type, (event) => {
    if ((event.key === 'Enter' || event.key === ' ') && event.target.closest('button, a')) event.stopPropagation();
  });
}
retryButton.addEventListener('click', () => { page.retried = true; load(); });
// Phones that cannot make an element fullscreen (an iPhone's browser) get no button for it.
document.getElementById('fullscreen').hidden = !stage.requestFullscreen;
document.getElementById('fullscreen').addEventListener('click', () => {
  if (document.fullscreenElement) document.exitFullscreen();
  else if (stage.requestFullscreen) stage.requestFullscreen();
});
window.addEventListener('resize', fitCanvas);
load();
