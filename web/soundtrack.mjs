// Writes the browser's soundtrack from the desktop's MP3, with the ffmpeg program:
//
//   node web/soundtrack.mjs SOUNDTRACK.mp3 OUT_DIR
//
// The page plays the music as a chain of short pieces, each an AAC-LC file in MP4 (which
// every current browser decodes by itself) of `pieceSeconds` of music and `marginFrames`
// more on each side, taken round the loop: the first piece's lead-in is the track's end and
// the last piece's tail its start, so the loop's joint is made like every other one. The
// player decodes a piece as it needs it, plays its middle and fades across the margins.
// The pieces lie back to back in two files: zura5inv-music-start.bin, the first few (what the
// show needs to start, and some seconds to spare), and zura5inv-music-rest.bin, which the page
// asks for only once the music is heard, so the start does not share the line with it.
// zura5inv-music.json names the files and says where each piece lies (counted through both)
// and what it holds.
//
// The written pieces are decoded again and joined as the page joins them; the script fails
// when the joined track is not the source's length, when it strays from the source more than
// coding noise does, or when its loudness or true peak leaves the range the MP3 keeps.
import { spawn, execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

export const sampleRate = 44100;
export const pieceSeconds = 5;
export const marginFrames = 2048;
export const startPieces = 3;
export const musicFiles = ['zura5inv-music-start.bin', 'zura5inv-music-rest.bin'];
const bitRate = '112k';
// The coder's overshoot on the track's hardest hits reaches about 0.7 dB: the source's peaks
// are first held under this level (a sample-peak limiter with a short look-ahead), which
// leaves the loudness where it was.
const limit = 0.78;  // -2.2 dBFS
const limiterLeadFrames = sampleRate;  // the limiter runs in on the loop's end before the start
const loudnessRange = [-14.5, -13.5];  // LUFS
const truePeakCeiling = -1.0;          // dBTP

function run(args, input) {
  return new Promise((done, failed) => {
    const child = spawn('ffmpeg', ['-v', 'error', '-nostdin', ...args], { stdio: ['pipe', 'pipe', 'pipe'] });
    const out = [];
    let err = '';
    child.stdout.on('data', (chunk) => out.push(chunk));
    child.stderr.on('data', (chunk) => { err += chunk; });
    child.on('error', failed);
    child.on('close', (code) => (code === 0 ? done(Buffer.concat(out)) : failed(new Error(`ffmpeg ${args.join(' ')}: ${err}`))));
    child.stdin.on('error', () => {});
    child.stdin.end(input || null);
  });
}

const rawInput = ['-f', 'f32le', '-ar', String(sampleRate), '-ac', '2', '-i', 'pipe:0'];
const rawOutput = ['-f', 'f32le', '-ar', String(sampleRate), '-ac', '2', 'pipe:1'];

// Interleaved stereo frames [from, to) of the track, taken round the loop.
export function loopSlice(track, from, to) {
  const frames = track.length / 2;
  const out = new Float32Array((to - from) * 2);
  for (let k = from; k < to; ++k) {
    const at = ((k % frames) + frames) % frames;
    out[(k - from) * 2] = track[at * 2];
    out[(k - from) * 2 + 1] = track[at * 2 + 1];
  }
  return out;
}

// The pieces' music: piece k holds frames [k * pieceFrames, ...) of the loop, the last one
// what is left.
export function pieceLayout(totalFrames) {
  const pieceFrames = pieceSeconds * sampleRate;
  const pieces = [];
  for (let start = 0; start < totalFrames; start += pieceFrames) {
    pieces.push({ start, frames: Math.min(pieceFrames, totalFrames - start) });
  }
  return pieces;
}

const asBuffer = (floats) => Buffer.from(floats.buffer, floats.byteOffset, floats.byteLength);
const asFloats = (bytes) => new Float32Array(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.byteLength));

// Loudness and true peak of interleaved stereo frames, by ffmpeg's EBU R128 meter.
async function loudness(track) {
  const text = await new Promise((done, failed) => {
    const child = spawn('ffmpeg', ['-nostdin', '-hide_banner', ...rawInput, '-af', 'ebur128=peak=true', '-f', 'null', '-'],
                        { stdio: ['pipe', 'ignore', 'pipe'] });
    let err = '';
    child.stderr.on('data', (chunk) => { err += chunk; });
    child.on('error', failed);
    child.on('close', (code) => (code === 0 ? done(err) : failed(new Error(err))));
    child.stdin.end(asBuffer(track));
  });
  const summary = text.slice(text.lastIndexOf('Summary:'));
  return { lufs: Number(/I:\s+(-?[\d.]+) LUFS/.exec(summary)[1]), peak: Number(/Peak:\s+(-?[\d.]+) dBFS/.exec(summary)[1]) };
}

// The music the pieces are coded from: the MP3 decoded, its peaks limited round the loop (a
// second of the end before the start, a second of the start after the end, so the limiter's
// gain at the joint is what it is everywhere else). Interleaved stereo frames.
export async function webMaster(source) {
  const decoded = asFloats(await run(['-i', source, ...rawOutput]));
  const totalFrames = decoded.length / 2;
  const around = loopSlice(decoded, -limiterLeadFrames, totalFrames + limiterLeadFrames);
  const limited = asFloats(await run([...rawInput, '-af', `alimiter=limit=${limit}:attack=5:release=50:level=0:asc=0`,
                                      ...rawOutput], asBuffer(around)));
  return limited.slice(limiterLeadFrames * 2, (limiterLeadFrames + totalFrames) * 2);
}

async function main() {
  const [source, outDir] = process.argv.slice(2);
  if (!outDir) {
    console.error('usage: node web/soundtrack.mjs SOUNDTRACK.mp3 OUT_DIR');
    process.exit(2);
  }
  const track = await webMaster(source);
  const totalFrames = track.length / 2;
  const pieces = pieceLayout(totalFrames);
  const work = mkdtempSync(join(tmpdir(), 'soundtrack-'));
  try {
    // Two encoders at a time; each piece is a file of its own (MP4 wants to seek back).
    const files = [];
    for (let k = 0; k < pieces.length; k += 2) {
      await Promise.all(pieces.slice(k, k + 2).map(async (piece, j) => {
        const file = join(work, `${k + j}.m4a`);
        const music = loopSlice(track, piece.start - marginFrames, piece.start + piece.frames + marginFrames);
        await run([...rawInput, '-c:a', 'aac', '-b:a', bitRate, '-map_metadata', '-1',
                   '-fflags', '+bitexact', '-flags:a', '+bitexact', '-y', file], asBuffer(music));
        files[k + j] = readFileSync(file);
      }));
    }
    // Decoded again and joined at the middle of each margin's crossing, as the page does.
    const joined = new Float32Array(track.length);
    for (const [k, piece] of pieces.entries()) {
      const file = join(work, `${k}.m4a`);
      const decoded = asFloats(await run(['-i', file, ...rawOutput]));
      // ffmpeg drops the coder's delay but keeps the padding to the last whole AAC frame.
      const expected = piece.frames + 2 * marginFrames;
      if (decoded.length < expected * 2 || decoded.length >= (expected + 1024) * 2) {
        throw new Error(`piece ${k} decodes to ${decoded.length / 2} frames, not ${expected}`);
      }
      joined.set(decoded.subarray(marginFrames * 2, (marginFrames + piece.frames) * 2), piece.start * 2);
    }
    // Coding noise stays well under the music in every piece; a piece out of place does not.
    let worst = Infinity;
    for (const piece of pieces) {
      let signal = 1e-12, noise = 1e-12;
      for (let i = piece.start * 2; i < (piece.start + piece.frames) * 2; ++i) {
        signal += track[i] * track[i];
        noise += (joined[i] - track[i]) ** 2;
      }
      worst = Math.min(worst, 10 * Math.log10(signal / noise));
    }
    const level = await loudness(joined);
    const parts = [Buffer.concat(files.slice(0, startPieces)), Buffer.concat(files.slice(startPieces))];
    let offset = 0;
    const index = {
      sampleRate, marginFrames, totalFrames,
      files: musicFiles.map((name, k) => ({ name, bytes: parts[k].length })),
      pieces: pieces.map((piece, k) => {
        const entry = { start: piece.start, frames: piece.frames, offset, bytes: files[k].length };
        offset += files[k].length;
        return entry;
      }),
    };
    const summary = `${pieces.length} pieces, ${parts[0].length} + ${parts[1].length} B; ${level.lufs} LUFS, true peak ${level.peak} dBTP; ` +
                    `music over coding noise at least ${worst.toFixed(1)} dB in every piece`;
    if (level.lufs < loudnessRange[0] || level.lufs > loudnessRange[1] || level.peak > truePeakCeiling || worst < 12) {
      throw new Error(`the web soundtrack is off: ${summary}`);
    }
    for (const [k, name] of musicFiles.entries()) writeFileSync(join(outDir, name), parts[k]);
    writeFileSync(join(outDir, 'zura5inv-music.json'), JSON.stringify(index) + '\n');
    console.log(`web soundtrack: ${summary}`);
  } finally {
    rmSync(work, { recursive: true, force: true });
  }
}

if (process.argv[1] && import.meta.url.endsWith(process.argv[1].split('/').pop())) {
  main().catch((error) => {
    console.error(String(error.message || error));
    process.exit(1);
  });
}
