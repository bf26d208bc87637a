// Puts the site together after the program is built:
//
//   node web/build_site.mjs SITE_DIR FACTS_JSON PREVIEW_PNG SINGLE_HTML
//
// SITE_DIR already holds zura5inv.js, zura5inv.wasm, page.js, audio.js and the soundtrack's
// pieces (zura5inv-music.bin, with zura5inv-music.json saying where each lies). Writes
// SITE_DIR/index.html from web/index.html with the party's title, description and text facts
// (written by assetgen --web-facts), the menu picture as preview.png, a .gz and a .br beside
// every file that compresses, and SINGLE_HTML: the whole show in one file that plays from disk.
import { copyFileSync, readFileSync, statSync, writeFileSync } from 'node:fs';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';

const [site, factsFile, preview, singleFile] = process.argv.slice(2).map((p) => p && resolve(p));
if (!singleFile) {
  console.error('usage: node web/build_site.mjs SITE_DIR FACTS_JSON PREVIEW_PNG SINGLE_HTML');
  process.exit(2);
}
const webDir = dirname(fileURLToPath(import.meta.url));

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

function fillTemplate(facts, scripts) {
  const template = readFileSync(join(webDir, 'index.html'), 'utf8');
  const values = { TITLE: escapeHtml(facts.title), DESCRIPTION: escapeHtml(facts.description),
                   FACTS: facts.facts, SCRIPTS: scripts, ADDRESS: addressTags(facts.address) };
  return template.replace(/@([A-Z]+)@/g, (whole, name) => {
    if (!(name in values)) throw new Error(`web/index.html: no value for ${whole}`);
    return values[name];
  });
}

const facts = JSON.parse(readFileSync(factsFile, 'utf8'));
copyFileSync(preview, join(site, 'preview.png'));
const sizes = {};
for (const name of ['zura5inv.wasm', 'zura5inv-music.bin']) sizes[name] = statSync(join(site, name)).size;
sizes.music = JSON.parse(readFileSync(join(site, 'zura5inv-music.json'), 'utf8'));
const sizesScript = `<script id="site-files" type="application/json">${JSON.stringify(sizes)}</script>`;

writeFileSync(join(site, 'index.html'), fillTemplate(facts,
  `${sizesScript}\n<script src="zura5inv.js"></script>\n<script src="audio.js"></script>\n<script src="page.js"></script>`));

// The single file: the program and the soundtrack as base64 in elements the page reads.
const base64 = (name) => readFileSync(join(site, name)).toString('base64').replace(/.{1,4096}/g, '$&\n');
const inline = (name) => `<script>\n${scriptText(readFileSync(join(site, name), 'utf8'))}\n</script>`;
writeFileSync(singleFile, fillTemplate(facts, [
  sizesScript,
  `<script id="program-data" type="application/octet-stream">\n${base64('zura5inv.wasm')}</script>`,
  `<script id="soundtrack-data" type="application/octet-stream">\n${base64('zura5inv-music.bin')}</script>`,
  inline('zura5inv.js'),
  inline('audio.js'),
  inline('page.js'),
].join('\n')).replace(addressTags('') + '\n', ''));

// Precompressed copies for hosts that serve them (web/serve.mjs does); the music does not shrink.
const report = [];
for (const name of ['index.html', 'page.js', 'audio.js', 'zura5inv.js', 'zura5inv.wasm']) {
  const raw = readFileSync(join(site, name));
  const gz = gzipSync(raw, { level: 9 });
  const br = brotliCompressSync(raw, { params: {
    [constants.BROTLI_PARAM_QUALITY]: 11, [constants.BROTLI_PARAM_SIZE_HINT]: raw.length } });
  writeFileSync(join(site, name + '.gz'), gz);
  writeFileSync(join(site, name + '.br'), br);
  report.push(`${name} ${raw.length} B, gzip ${gz.length} B, brotli ${br.length} B`);
}
console.log(`site: ${report.join('; ')}; single file ${statSync(singleFile).size} B`);
