// The soundtrack in the page: the pieces web/soundtrack.mjs wrote (AAC files with a margin of
// music on each side), received as they arrive, decoded a few seconds before they are due and
// played by the browser's own audio thread as sources started at exact times of the audio
// context's clock, each fading into the next across its margin. Nothing that keeps the sound
// going runs on the page's thread: a busy page only decodes later, still well ahead.
//
// The position the show follows is the music under what the speakers play now: the audio
// context's output timestamp, mapped through the times the pieces were started at. A piece
// that is not there when it is due (the network behind) is started as soon as it is, and the
// position waits at the end of the music before it: picture and sound stop and go on together.
// A suspended context stops its clock, and with it the position.
'use strict';

const InvitationMusic = (() => {
  const fadeSeconds = 0.005;     // the crossing from one piece into the next
  // Music decoded and started at least this far ahead of what is heard: each piece decoded is
  // 1.8 MB, so no more is held than a busy page needs.
  const aheadSeconds = 6;
  const startDelaySeconds = 0.05;  // from play() to the first sample, and after a late piece
  const aacPrimingFrames = 1024;   // what a decoder that keeps the coder's delay puts first
  // How far the position may run on from the output's last timestamp (its audio callbacks come
  // every few milliseconds; a longer silence is a stalled output, not time passing).
  const longestExtrapolation = 0.1;

  // index: what web/soundtrack.mjs wrote beside the pieces.
  function create(index) {
    const total = index.pieces.reduce((sum, piece) => sum + piece.bytes, 0);
    const music = {
      index,
      bytes: new Uint8Array(total),
      received: 0,             // bytes in place from the start
      decoder: null,
      decoded: new Map(),      // piece number -> AudioBuffer, decoded and not yet started
      decoding: null,          // the piece being decoded
      failure: '',
      onPiece: null,           // called when a piece has arrived and been decoded
      context: null,
      output: null,
      run: null,               // the schedule of the current play()
      heard: false,            // some run's music has reached the speakers
    };
    return music;
  }

  const rate = (music) => music.index.sampleRate;
  const totalFrames = (music) => music.index.totalFrames;

  function piecesArrived(music) {
    let count = 0;
    for (const piece of music.index.pieces) {
      if (piece.offset + piece.bytes > music.received) break;
      ++count;
    }
    return count;
  }

  function receive(music, chunk) {
    const room = Math.min(chunk.length, music.bytes.length - music.received);
    music.bytes.set(chunk.subarray(0, room), music.received);
    music.received += room;
    pump(music);
  }

  // The whole soundtrack at once (the single-file page carries it).
  function receiveAll(music, bytes) {
    music.bytes.set(bytes.subarray(0, music.bytes.length));
    music.received = Math.min(bytes.length, music.bytes.length);
    pump(music);
  }

  // Decoding needs no running audio context, so no gesture: an offline one at the track's rate.
  function decoder(music) {
    if (!music.decoder) {
      const Offline = window.OfflineAudioContext || window.webkitOfflineAudioContext;
      music.decoder = new Offline(2, 1, rate(music));
    }
    return music.decoder;
  }

  // The frame of a decoded piece its music (the margin before included) starts at: a decoder
  // that keeps the coder's delay puts a whole AAC frame of it first.
  function leadFrames(music, k, buffer) {
    const piece = music.index.pieces[k];
    const expected = piece.frames + 2 * music.index.marginFrames;
    const frames = Math.round(buffer.length * rate(music) / buffer.sampleRate);
    return frames - expected >= aacPrimingFrames ? aacPrimingFrames : 0;
  }

  function decodePiece(music, k) {
    const piece = music.index.pieces[k];
    const bytes = music.bytes.slice(piece.offset, piece.offset + piece.bytes).buffer;
    music.decoding = k;
    return new Promise((done, failed) => decoder(music).decodeAudioData(bytes, done, failed)).then((buffer) => {
      music.decoding = null;
      music.decoded.set(k, buffer);
      if (music.onPiece) music.onPiece(k);
      pump(music);
    }, (error) => {
      music.decoding = null;
      music.failure = `piece ${k} of the soundtrack could not be decoded (${error && error.message || error})`;
    });
  }

  // The next piece to start, as a count of pieces from the start of the run (round the loop).
  function pieceOf(music, count) {
    return count % music.index.pieces.length;
  }

  // Decodes what is due next and starts what is decoded, up to aheadSeconds past what is heard.
  function pump(music) {
    if (music.failure) return;
    const run = music.run;
    // Before a run, only the first piece is made ready.
    const wanted = run ? run.next : 0;
    const k = pieceOf(music, wanted);
    if (run) {
      while (music.decoded.has(pieceOf(music, run.next)) &&
             heardFrames(music) + aheadSeconds * rate(music) > run.scheduledFrames) {
        startPiece(music, run.next);
        ++run.next;
      }
    }
    const due = run ? pieceOf(music, run.next) : k;
    if (music.decoding === null && !music.decoded.has(due) && due < piecesArrived(music)) decodePiece(music, due);
  }

  // The context's time of the sample the speakers play now; it stands still while the context
  // does (suspended, interrupted, closed).
  function outputTime(context) {
    const latency = (context.baseLatency || 0) + (context.outputLatency || 0);
    if (context.state !== 'running' || !context.getOutputTimestamp) return Math.max(0, context.currentTime - latency);
    const stamp = context.getOutputTimestamp();
    if (!stamp.contextTime && !stamp.performanceTime) return Math.max(0, context.currentTime - latency);
    const since = Math.min(longestExtrapolation, Math.max(0, (performance.now() - stamp.performanceTime) / 1000));
    return stamp.contextTime + since;
  }

  // Music frames (counted on from the run's start, round the loop) under what is heard now.
  function heardFrames(music) {
    const run = music.run;
    if (!run) return 0;
    const now = outputTime(music.context);
    let anchor = null;
    for (const a of run.anchors) if (a.time <= now) anchor = a;
    // Before the first sample: where the run starts.
    if (!anchor) return run.anchors.length ? run.anchors[0].frames : run.scheduledFrames;
    return Math.min(anchor.frames + (now - anchor.time) * rate(music), anchor.until);
  }

  function startPiece(music, count) {
    const run = music.run;
    const context = music.context;
    const k = pieceOf(music, count);
    const piece = music.index.pieces[k];
    const buffer = music.decoded.get(k);
    // A started piece is the audio graph's alone, and freed when it has played.
    music.decoded.delete(k);
    let anchor = run.anchors[run.anchors.length - 1];
    const first = !anchor;
    let when = first ? 0 : anchor.time + (run.scheduledFrames - anchor.frames) / rate(music);
    // The run's first piece, or a late one (the music before it has run out): it starts a
    // moment from now, and the position waits for it.
    if (first || when < context.currentTime + 0.02) {
      when = context.currentTime + startDelaySeconds;
      anchor = { time: when, frames: run.scheduledFrames, until: run.scheduledFrames };
      run.anchors.push(anchor);
      if (run.anchors.length > 8) run.anchors.shift();
    }
    // A run that starts inside a piece leaves out the music before its start.
    const skip = first ? run.skip : 0;
    const offset = (leadFrames(music, k, buffer) + music.index.marginFrames + skip) / rate(music);
    const length = (piece.frames - skip) / rate(music);
    const source = context.createBufferSource();
    source.buffer = buffer;
    const gain = context.createGain();
    source.connect(gain).connect(music.output);
    const half = fadeSeconds / 2;
    // The very first piece starts at full level; every other fades in across its margin.
    if (first) {
      source.start(when, offset);
    } else {
      gain.gain.setValueAtTime(0, when - half);
      gain.gain.linearRampToValueAtTime(1, when + half);
      source.start(when - half, offset - half);
    }
    gain.gain.setValueAtTime(1, when + length - half);
    gain.gain.linearRampToValueAtTime(0, when + length + half);
    source.stop(when + length + half);
    source.onended = () => {
      source.disconnect();
      gain.disconnect();
      run.sources.delete(source);
    };
    run.sources.add(source);
    run.scheduledFrames += piece.frames - skip;
    anchor.until = run.scheduledFrames;
  }

  // Takes the audio context made in the visitor's gesture.
  function attach(music, context) {
    if (music.context === context) return;
    music.context = context;
    music.output = context.createGain();
    music.output.connect(context.destination);
  }

  // From the file start, or from piece `from` and `within` frames into it (its music then
  // counts from there).
  function play(music, from = 0, within = 0) {
    if (!music.context || music.context.state === 'closed' || music.failure) return false;
    stop(music);
    music.run = { next: from, scheduledFrames: music.index.pieces[from].start + within, skip: within, anchors: [],
                  sources: new Set(), timer: 0 };
    pump(music);
    // Decoding and starting go on with the page's timers; each pass keeps aheadSeconds started.
    music.run.timer = setInterval(() => pump(music), 1000);
    return true;
  }

  function stop(music) {
    const run = music.run;
    if (!run) return;
    clearInterval(run.timer);
    for (const source of run.sources) {
      source.onended = null;
      try { source.stop(); } catch { /* not started */ }
      source.disconnect();
    }
    music.run = null;
    music.decoded.clear();
  }

  // Takes the music on from `frames` (counted as heardFrames counts), in the context now
  // attached: after the one that played it was closed.
  function playOnFrom(music, frames) {
    const at = ((frames % totalFrames(music)) + totalFrames(music)) % totalFrames(music);
    let k = 0;
    while (k + 1 < music.index.pieces.length && music.index.pieces[k + 1].start <= at) ++k;
    return play(music, k, at - music.index.pieces[k].start);
  }

  // Milliseconds from the file start of the music heard now (null before a run).
  function heardMs(music) {
    if (!music.run) return null;
    const frames = heardFrames(music);
    return (frames % totalFrames(music)) * 1000 / rate(music);
  }

  const firstPieceReady = (music) => music.decoded.has(0);

  // Bytes of decoded music held: pieces decoded and not yet started, and those in the audio
  // graph (started and not yet ended).
  function heldBytes(music) {
    const size = (buffer) => buffer.length * buffer.numberOfChannels * 4;
    let bytes = 0;
    for (const buffer of music.decoded.values()) bytes += size(buffer);
    if (music.run) for (const source of music.run.sources) bytes += size(source.buffer);
    return bytes;
  }

  // True from the moment a run's first sample reaches the speakers on.
  function everHeard(music) {
    const run = music.run;
    if (!music.heard && run && run.anchors.length && outputTime(music.context) >= run.anchors[0].time) music.heard = true;
    return Boolean(music.heard);
  }

  // True while the music waits for a piece that has not arrived.
  function waiting(music) {
    const run = music.run;
    if (!run || !run.anchors.length) return false;
    return heardFrames(music) >= run.anchors[run.anchors.length - 1].until && outputTime(music.context) > run.anchors[0].time;
  }

  return { create, firstPieceReady, heldBytes, everHeard, receive, receiveAll, piecesArrived, attach, play, playOnFrom, stop, heardMs, heardFrames, waiting, pump,
           outputTime };
})();
