// Square pixels: at 1280x800 and 1920x1080 the shown canvas must be the frame grown by the
// largest whole factor pixel by pixel and then smoothly to its size, so that every frame
// column comes out equally wide. The screenshot is compared with that picture worked out
// here, and with the picture a single pixel-by-pixel stretch would give (columns 1 or 2, or 2
// or 3, screen pixels wide), which it must be much further from.
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { decodePng } from '../png.mjs';
import { check, frameHeight, frameShot, frameWidth, report, sleep } from './common.mjs';

function sampleAt(frame, factor, u, v, channel) {
  // (u, v) in the whole-factor picture's pixels; its pixel (i, j) is frame pixel (i/k, j/k).
  const x = Math.min(frame.width - 1, Math.floor(u / factor));
  const y = Math.min(frame.height - 1, Math.floor(v / factor));
  return frame.rgb[(y * frame.width + x) * 3 + channel];
}

// The frame grown by factor pixel by pixel, then bilinearly to width x height.
export function twoStepScale(frame, factor, width, height) {
  const big = frameWidth * factor;
  const out = new Float32Array(width * height * 3);
  for (let Y = 0; Y < height; ++Y) {
    const v = Math.min(Math.max((Y + 0.5) * (frameHeight * factor) / height - 0.5, 0), frameHeight * factor - 1);
    const v0 = Math.floor(v), fv = v - v0, v1 = Math.min(v0 + 1, frameHeight * factor - 1);
    for (let X = 0; X < width; ++X) {
      const u = Math.min(Math.max((X + 0.5) * big / width - 0.5, 0), big - 1);
      const u0 = Math.floor(u), fu = u - u0, u1 = Math.min(u0 + 1, big - 1);
      for (let c = 0; c < 3; ++c) {
        const top = sampleAt(frame, factor, u0, v0, c) * (1 - fu) + sampleAt(frame, factor, u1, v0, c) * fu;
        const bottom = sampleAt(frame, factor, u0, v1, c) * (1 - fu) + sampleAt(frame, factor, u1, v1, c) * fu;
        out[(Y * width + X) * 3 + c] = top * (1 - fv) + bottom * fv;
      }
    }
  }
  return out;
}

export function nearestScale(frame, width, height) {
  const out = new Float32Array(width * height * 3);
  for (let Y = 0; Y < height; ++Y) {
    const y = Math.floor(Y * frameHeight / height);
    for (let X = 0; X < width; ++X) {
      const x = Math.floor(X * frameWidth / width);
      for (let c = 0; c < 3; ++c) out[(Y * width + X) * 3 + c] = frame.rgb[(y * frame.width + x) * 3 + c];
    }
  }
  return out;
}

function meanDifference(shot, expected) {
  let sum = 0;
  for (let i = 0; i < expected.length; ++i) sum += Math.abs(shot.rgb[i] - expected[i]);
  return sum / expected.length;
}

export async function squarePixels(page, outDir, barHeight) {
  for (const [width, height] of [[1280, 800], [1920, 1080]]) {
    await page.setViewportSize({ width, height });
    await sleep(400);
    const frame = await frameShot(page);
    const box = await page.locator('#canvas').boundingBox();
    const png = await page.screenshot({ clip: box });
    writeFileSync(join(outDir, `10-square-${width}x${height}.png`), png);
    const shot = decodePng(png);
    const still = await frameShot(page);
    const factor = Math.max(1, Math.floor(shot.width / frameWidth));
    const fourByThree = shot.width * 3 === shot.height * 4 && shot.height <= height - barHeight;
    const ours = meanDifference(shot, twoStepScale(frame, factor, shot.width, shot.height));
    const plain = meanDifference(shot, nearestScale(frame, shot.width, shot.height));
    const figure = `${shot.width}x${shot.height}, factor ${factor}: ${ours.toFixed(2)} from whole-then-smooth, ` +
                   `${plain.toFixed(2)} from a plain stretch`;
    report[`squarePixels${width}`] = figure;
    check(fourByThree && still.rgb.equals(frame.rgb) && ours < 2 && ours * 3 < plain,
          `at ${width}x${height} the frame is shown 4:3 at a whole factor and then smoothly (${figure})`);
  }
}
