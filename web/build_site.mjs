// Puts the site together after the program is built:
//
//   node web/build_site.mjs SITE_DIR FACTS_JSON PREVIEW_PNG SINGLE_HTML [ICON_PNG]
//
// SITE_DIR already holds zura5inv.js, zura5inv.wasm, page.js, audio.js and the soundtrack's
// pieces (in the files zura5inv-music.json names, saying where each piece lies). Writes
// SITE_DIR/index.html from web/index.html with the party's title, description, words and text
// facts (written by assetgen --web-facts), the page's scripts, the menu picture as preview.png, the
// icons cut from ICON_PNG (a frame of the show; the preview without one) with the manifest
// that names them, the service worker that keeps this build for offline visits, a .gz and a
// .br beside every file that compresses, and SINGLE_HTML: the whole show in one file that
// plays from disk. Both pages carry a Content-Security-Policy.
import { createHash } from 'node:crypto';
import { copyFileSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';
import { decodePng, encodePng } from './png.mjs';

const [site, factsFile, preview, singleFile, iconPicture] = process.argv.slice(2).map((p) => p && resolve(p));
if (!singleFile) {
  console.error('usage: node web/build_site.mjs SITE_DIR FACTS_JSON PREVIEW_PNG SINGLE_HTML [ICON_PNG]');
  process.exit(2);
}
const webDir = dirname(fileURLToPath(import.meta.url));
// The page's own scripts, in the order the page runs them.
const pageScripts = ['audio.js', 'life.js', 'offline.js', 'page.js'];
const iconSizes = [192, 512];

const escapeHtml = (text) => text.replace(/[&<>"']/g, (c) => `&#${c.charCodeAt(0)};`);
// Script text inside the page must not close its own element.
const scriptText = (text) => text.replace(/<\/(script)/gi, '<\\/$1').replace(/<!--/g, '<\\!--');

// The preview picture by the site's own address where the content file gives one (sites that
// show previews of links want it whole), else beside the page.
function addressTags(address) {
  if (!address) return '<meta property="og:image" content="preview.png">';
  const url = escapeHtml(address);
  return [`<meta property="og:image" content="${url}preview.png">`,
          `<meta property="og:url" content="${url}">`,
          `<link rel="canonical" href="${url}">`].join('\n');
}

// What the page may load: its own files, the program compiled in the page, pictures of its own
// or in data: addresses, sound from its own files or made in the page. The single file has no
// files beside it: its scripts are allowed by their hashes.
function policyTag(inlineScripts) {
  const hashes = inlineScripts.map((text) => `'sha256-${createHash('sha256').update(text).digest('base64')}'`);
  const script = inlineScripts.length ? `'self' 'wasm-unsafe-eval' ${hashes.join(' ')}` : `'self' 'wasm-unsafe-eval'`;
  const policy = [`default-src 'self'`, `script-src ${script}`, `style-src 'self' 'unsafe-inline'`,
                  `img-src 'self' data:`, `media-src 'self' blob:`, `connect-src 'self'`,
                  `worker-src 'self'`, `manifest-src 'self'`, `base-uri 'none'`, `form-action 'none'`];
  return `<meta http-equiv="Content-Security-Policy" content="${policy.join('; ')}">`;
}

// The installed page's icons and manifest; the single file names none.
function installTags(single) {
  if (single) return '<link rel="icon" href="data:,">';
  return ['<link rel="icon" href="icon-192.png" sizes="192x192">',
          '<link rel="apple-touch-icon" href="icon-192.png">',
          '<link rel="manifest" href="manifest.webmanifest">'].join('\n');
}

function fillTemplate(facts, scripts, { single = false, inlineScripts = [] } = {}) {
  const template = readFileSync(join(webDir, 'index.html'), 'utf8');
  const values = { TITLE: escapeHtml(facts.title), DESCRIPTION: escapeHtml(facts.description),
                   FACTS: facts.facts, SCRIPTS: scripts, ADDRESS: addressTags(facts.address),
                   POLICY: policyTag(inlineScripts), INSTALL: installTags(single),
                   LANGUAGE: escapeHtml(facts.language) };
  // @NAME@ is one of the values above, @key@ one of the party's words.
  return template.replace(/@([A-Za-z_]+)@/g, (whole, name) => {
    const known = /^[A-Z]+$/.test(name) ? values : facts.words;
    if (!Object.hasOwn(known, name)) throw new Error(`web/index.html: no value for ${whole}`);
    return known === values ? values[name] : escapeHtml(known[name]);
  });
}

// A square of the picture around its lit part, scaled to size by averaging 4x4 samples a pixel.
function iconOf(picture, size) {
  let sumX = 0, sumY = 0, count = 0;
  for (let y = 0; y < picture.height; ++y) {
    for (let x = 0; x < picture.width; ++x) {
      const i = (y * picture.width + x) * 3;
      if (picture.rgb[i] + picture.rgb[i + 1] + picture.rgb[i + 2] > 96) { sumX += x; sumY += y; ++count; }
    }
  }
  const side = Math.min(picture.width, picture.height);
  const centre = (sum, whole) => Math.round(count ? sum / count : whole / 2);
  const clampStart = (c, whole) => Math.max(0, Math.min(whole - side, c - (side >> 1)));
  const left = clampStart(centre(sumX, picture.width), picture.width);
  const top = clampStart(centre(sumY, picture.height), picture.height);
  const rgb = Buffer.alloc(size * size * 3);
  for (let y = 0; y < size; ++y) {
    for (let x = 0; x < size; ++x) {
      for (let c = 0; c < 3; ++c) {
        let sum = 0;
        for (let sy = 0; sy < 4; ++sy) {
          for (let sx = 0; sx < 4; ++sx) {
            const px = left + Math.floor((x + (sx + 0.5) / 4) * side / size);
            const py = top + Math.floor((y + (sy + 0.5) / 4) * side / size);
            sum += picture.rgb[(py * picture.width + px) * 3 + c];
          }
        }
        rgb[(y * size + x) * 3 + c] = Math.round(sum / 16);
      }
    }
  }
  return { width: size, height: size, rgb };
}

function writeInstallFiles(facts) {
  const picture = decodePng(readFileSync(iconPicture || preview));
  for (const size of iconSizes) writeFileSync(join(site, `icon-${size}.png`), encodePng(iconOf(picture, size)));
  const manifest = {
    name: facts.title,
    short_name: facts.name.slice(0, 24),
    description: facts.description,
    start_url: './',
    scope: './',
    display: 'fullscreen',
    orientation: 'any',
    background_color: '#000000',
    theme_color: '#000000',
    icons: iconSizes.map((size) => ({ src: `icon-${size}.png`, sizes: `${size}x${size}`, type: 'image/png', purpose: 'any' })),
  };
  writeFileSync(join(site, 'manifest.webmanifest'), JSON.stringify(manifest, null, 2) + '\n');
}

// The worker names this build's files and a version made of their contents, so a new build
// is a new worker that replaces the cache.
function writeServiceWorker(files) {
  const hash = createHash('sha256');
  for (const name of files) hash.update(name).update(readFileSync(join(site, name)));
  const version = hash.digest('hex').slice(0, 16);
  const worker = readFileSync(join(webDir, 'sw.js'), 'utf8')
    .replace('@VERSION@', version).replace('@FILES@', JSON.stringify(['./', ...files]));
  writeFileSync(join(site, 'sw.js'), worker);
  return version;
}

const facts = JSON.parse(readFileSync(factsFile, 'utf8'));
copyFileSync(preview, join(site, 'preview.png'));
for (const name of pageScripts) copyFileSync(join(webDir, name), join(site, name));
writeInstallFiles(facts);
const music = JSON.parse(readFileSync(join(site, 'zura5inv-music.json'), 'utf8'));
const musicFiles = music.files.map((file) => file.name);
const sizes = {};
for (const name of ['zura5inv.wasm', ...musicFiles]) sizes[name] = statSync(join(site, name)).size;
for (const file of music.files) {
  if (sizes[file.name] !== file.bytes) throw new Error(`${file.name} is ${sizes[file.name]} B, not the ${file.bytes} B the index says`);
}
sizes.music = music;
const sizesScript = `<script id="site-files" type="application/json">${JSON.stringify(sizes)}</script>\n` +
  // The party's words for the page's script; '<' written as an escape so no text closes the element.
  `<script id="page-words" type="application/json">${JSON.stringify(facts.words).replace(/</g, '\\u003c')}</script>`;

// The page's own scripts run once it is parsed; they add the program's script when they fetch
// the program, after the first paint.
const scriptTags = pageScripts.map((name) => `<script src="${name}" defer></script>`);
writeFileSync(join(site, 'index.html'), fillTemplate(facts, [sizesScript, ...scriptTags].join('\n')));
const version = writeServiceWorker(['index.html', 'zura5inv.js', ...pageScripts, 'zura5inv.wasm', ...musicFiles, 'zura5inv-music.json',
                                    'manifest.webmanifest', ...iconSizes.map((size) => `icon-${size}.png`)]);

// The single file: the program and the soundtrack as base64 in elements the page reads.
const base64 = (...names) => Buffer.concat(names.map((name) => readFileSync(join(site, name))))
  .toString('base64').replace(/.{1,4096}/g, '$&\n');
const inlineTexts = ['zura5inv.js', ...pageScripts].map((name) => `\n${scriptText(readFileSync(join(site, name), 'utf8'))}\n`);
writeFileSync(singleFile, fillTemplate(facts, [
  sizesScript,
  `<script id="program-data" type="application/octet-stream">\n${base64('zura5inv.wasm')}</script>`,
  `<script id="soundtrack-data" type="application/octet-stream">\n${base64(...musicFiles)}</script>`,
  ...inlineTexts.map((text) => `<script>${text}</script>`),
].join('\n'), { single: true, inlineScripts: inlineTexts }).replace(addressTags('') + '\n', ''));

// Precompressed copies for hosts that serve them (web/serve.mjs does); the music does not shrink.
const report = [];
for (const name of ['index.html', ...pageScripts, 'zura5inv.js', 'zura5inv.wasm', 'manifest.webmanifest']) {
  const raw = readFileSync(join(site, name));
  const gz = gzipSync(raw, { level: 9 });
  const br = brotliCompressSync(raw, { params: {
    [constants.BROTLI_PARAM_QUALITY]: 11, [constants.BROTLI_PARAM_SIZE_HINT]: raw.length } });
  writeFileSync(join(site, name + '.gz'), gz);
  writeFileSync(join(site, name + '.br'), br);
  report.push(`${name} ${raw.length} B, gzip ${gz.length} B, brotli ${br.length} B`);
}
console.log(`site (version ${version}): ${report.join('; ')}; single file ${statSync(singleFile).size} B`);
