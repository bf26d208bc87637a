// The page around the show: downloads the program and the soundtrack with a visible progress,
// starts the show on a click (browsers play sound only after a gesture), keeps the 640x480
// canvas fitted to the window at 4:3, and offers the end screen with "Play again".
'use strict';

const frameWidth = 640;
const frameHeight = 480;

const page = {
  state: 'loading',        // loading, ready, running, ended, failed
  wasm: null,              // the program's bytes, kept for every run
  soundtrack: null,        // the MP3's bytes, kept for every run
  module: null,
  canvas: null,
  timings: {},             // performance.now() of the click and of the first frame pass
};

const stage = document.getElementById('stage');
const panel = document.getElementById('panel');
const message = document.getElementById('message');
const progressBar = document.querySelector('#progress div');
const startButton = document.getElementById('start');
const againButton = document.getElementById('again');

// Read-only view of the show for whoever drives or tests the page.
window.invitation = {
  get state() { return page.state; },
  get timings() { return Object.assign({}, page.timings); },
  musicTime() { return page.module && page.state === 'running' ? page.module.musicTime() : null; },
};

function showPanel(text, { progress = false, start = false, again = false } = {}) {
  panel.hidden = false;
  message.textContent = text;
  document.getElementById('progress').hidden = !progress;
  startButton.hidden = !start;
  againButton.hidden = !again;
}

function fail(text) {
  page.state = 'failed';
  if (page.canvas) page.canvas.remove();
  showPanel(text);
}

// The canvas keeps its 640x480 pixels; only its displayed size follows the window.
function fitCanvas() {
  if (!page.canvas || page.state !== 'running') return;
  const scale = Math.min(stage.clientWidth / frameWidth, stage.clientHeight / frameHeight);
  page.canvas.style.width = Math.floor(frameWidth * scale) + 'px';
  page.canvas.style.height = Math.floor(frameHeight * scale) + 'px';
}

// Fetches a file, adding its bytes to the shared progress as they come.
async function download(url, progress) {
  const response = await fetch(url);
  if (!response.ok) throw new Error(url + ': ' + response.status + ' ' + response.statusText);
  const total = Number(response.headers.get('Content-Length')) || 0;
  progress.total += total;
  const reader = response.body.getReader();
  const chunks = [];
  let received = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    received += value.length;
    progress.received += value.length;
    progress.update();
  }
  const bytes = new Uint8Array(received);
  let at = 0;
  for (const chunk of chunks) { bytes.set(chunk, at); at += chunk.length; }
  return bytes;
}

// A new instance of the program for each run, so every run starts from a fresh state.
function newModule() {
  page.canvas = document.createElement('canvas');
  page.canvas.id = 'canvas';
  page.canvas.tabIndex = -1;
  page.canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  const settings = {
    canvas: page.canvas,
    wasmBinary: page.wasm,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    onAbort: (what) => fail('The invitation stopped: ' + what),
    onFirstFrame: () => { page.timings.firstFrame = performance.now(); },
    onShowEnd: showEnd,
    onShowFailed: (why) => fail('The invitation could not start: ' + why + '.'),
  };
  return createInvitation(settings).then((module) => {
    module.musicTime = () => module._webMusicTime();
    module.FS.writeFile('/zura5inv.mp3', page.soundtrack);
    page.module = module;
    return module;
  });
}

// Runs in the click's own handler, so the show's audio starts inside the gesture.
function startShow() {
  if (!page.module) return;
  page.timings = { click: performance.now() };
  panel.hidden = true;
  stage.appendChild(page.canvas);
  page.state = 'running';
  let status = 0;
  try {
    status = page.module.callMain([]);
    page.timings.started = performance.now();
  } catch (error) {
    fail('The invitation stopped: ' + error);
    return;
  }
  // The program ends its process with code 1 when the sound cannot start.
  if (status) {
    fail('The invitation could not start its sound. It needs a browser that can play audio.');
    return;
  }
  if (page.state === 'running') {
    fitCanvas();
    page.canvas.focus();
  }
}

function showEnd() {
  page.state = 'ended';
  page.canvas.remove();
  page.module = null;
  showPanel('The show has ended. Thank you for watching.', { again: true });
  againButton.focus();
}

function playAgain() {
  againButton.disabled = true;
  newModule().then(() => {
    againButton.disabled = false;
    startShow();
  }, (error) => fail('The invitation could not be loaded again: ' + error));
}

async function load() {
  if (typeof WebAssembly !== 'object') {
    fail('This browser cannot run WebAssembly, which the invitation needs. ' +
         'Please open the page in a current browser.');
    return;
  }
  if (!(window.AudioContext || window.webkitAudioContext)) {
    fail('This browser cannot play audio from a page, which the invitation needs for its ' +
         'soundtrack. Please open the page in a current browser.');
    return;
  }
  showPanel('Loading\u2026', { progress: true, start: true });
  const progress = {
    received: 0, total: 0,
    update() {
      const share = this.total > 0 ? Math.min(1, this.received / this.total) : 0;
      progressBar.style.width = (share * 100).toFixed(1) + '%';
      message.textContent = 'Loading\u2026 ' + Math.round(share * 100) + '% (' +
        (this.received / 1048576).toFixed(1) + ' MB)';
    },
  };
  try {
    [page.wasm, page.soundtrack] = await Promise.all([
      download('zura5inv.wasm', progress), download('zura5inv.mp3', progress)]);
    await newModule();
  } catch (error) {
    fail('The invitation could not be loaded: ' + error.message);
    return;
  }
  page.state = 'ready';
  showPanel('Sound on: the show plays with its soundtrack.', { start: true });
  startButton.disabled = false;
  startButton.focus();
}

startButton.addEventListener('click', startShow);
againButton.addEventListener('click', playAgain);
document.getElementById('fullscreen').addEventListener('click', () => {
  if (document.fullscreenElement) document.exitFullscreen();
  else if (stage.requestFullscreen) stage.requestFullscreen();
});
window.addEventListener('resize', fitCanvas);
document.addEventListener('fullscreenchange', fitCanvas);
load();
