// Serves a folder as a static site on 127.0.0.1: node web/serve.mjs FOLDER [PORT]
//
// A file with a precompressed copy beside it (NAME.br, NAME.gz) is sent as that copy to a
// browser that accepts the encoding. Every answer carries an ETag and a Last-Modified and
// asks the browser to check back (no-cache), so a reload costs one 304 per file and nothing
// is downloaded again unless it changed. The test imports serve() and takes a free port.
import { createServer } from 'node:http';
import { readFile, realpath, stat } from 'node:fs/promises';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const ContentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.wasm': 'application/wasm',
  '.mp3': 'audio/mpeg',
  '.bin': 'application/octet-stream',
  '.png': 'image/png',
  '.webmanifest': 'application/manifest+json',
  '.json': 'application/json',
};

// Brotli first: it is the smaller of the two.
const Encodings = [['br', '.br'], ['gzip', '.gz']];

function accepted(request, encoding) {
  const header = request.headers['accept-encoding'] || '';
  return header.split(',').some((part) => {
    const [name, ...params] = part.trim().split(';');
    const q = params.find((p) => p.trim().startsWith('q='));
    return name.trim() === encoding && !(q && Number(q.trim().slice(2)) === 0);
  });
}

// A file whose real place (all links followed) is inside the site; throws otherwise, as for a
// missing file, so that a link out of the site serves nothing.
async function fileInside(realRoot, file) {
  const real = await realpath(file);
  if (real !== realRoot && !real.startsWith(realRoot + sep)) throw new Error('outside the site');
  return { path: real, info: await stat(real) };
}

// The copy to send: the precompressed one the browser takes, else the file itself.
async function chooseFile(request, realRoot, file) {
  for (const [encoding, suffix] of Encodings) {
    if (!accepted(request, encoding)) continue;
    try {
      return { ...await fileInside(realRoot, file + suffix), encoding };
    } catch { /* no such copy */ }
  }
  return { ...await fileInside(realRoot, file), encoding: null };
}

// If-None-Match compares weakly: W/"x" matches "x", a list matches when any of it does, and
// * matches whatever exists.
const opaqueTag = (tag) => tag.trim().replace(/^W\//, '');

function notModified(request, etag, modified) {
  const match = request.headers['if-none-match'];
  if (match) return match.split(',').some((tag) => tag.trim() === '*' || opaqueTag(tag) === opaqueTag(etag));
  const since = Date.parse(request.headers['if-modified-since'] || '');
  return !Number.isNaN(since) && Math.floor(modified / 1000) <= Math.floor(since / 1000);
}

// options.faults (later server.faults) maps a path ("/zura5inv.wasm") to 'truncate' (half
// the bytes, then the connection is cut), 'short' (half the bytes, sent as if they were all)
// or 'garbage' (the right length of wrong bytes), for tests of a broken download; a faulty
// answer has an ETag of its own, as a damaged file on a host would. served counts the body
// bytes sent.
export function serve(folder, port = 0, options = {}) {
  const root = resolve(folder);
  const realRoot = realpath(root).catch(() => root);
  const server = createServer(async (request, response) => {
    if (request.method !== 'GET' && request.method !== 'HEAD') {
      response.writeHead(405, { 'Allow': 'GET, HEAD', 'Content-Type': 'text/plain' }).end('method not allowed\n');
      return;
    }
    let path;
    try {
      path = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    } catch {
      response.writeHead(400).end();
      return;
    }
    if (path.endsWith('/')) path += 'index.html';
    const file = normalize(join(root, path));
    if (file !== root && !file.startsWith(root + sep)) {
      response.writeHead(403).end();
      return;
    }
    try {
      const fault = server.faults[path];
      const chosen = fault ? { ...await fileInside(await realRoot, file), encoding: null }
                           : await chooseFile(request, await realRoot, file);
      const { info, encoding } = chosen;
      const etag = `"${fault ? fault + '-' : ''}${info.size.toString(16)}-${Math.floor(info.mtimeMs).toString(16)}` +
                   `${encoding ? '-' + encoding : ''}"`;
      const headers = {
        'Content-Type': ContentTypes[extname(file)] || 'application/octet-stream',
        'Cache-Control': 'no-cache',
        'ETag': etag,
        'Last-Modified': new Date(info.mtimeMs).toUTCString(),
        'Vary': 'Accept-Encoding',
        // Isolated from other origins, the page's clock counts in microseconds, not tenths
        // of a millisecond: the frame pass figures need that. The site loads nothing from
        // elsewhere, so nothing is lost.
        'Cross-Origin-Opener-Policy': 'same-origin',
        'Cross-Origin-Embedder-Policy': 'require-corp',
      };
      if (encoding) headers['Content-Encoding'] = encoding;
      if (!fault && notModified(request, etag, info.mtimeMs)) {
        response.writeHead(304, headers).end();
        return;
      }
      let body = await readFile(chosen.path);
      if (fault === 'garbage') body = Buffer.alloc(body.length, 0x5a);
      headers['Content-Length'] = body.length;
      if (fault === 'truncate' || fault === 'short') {
        const half = body.subarray(0, body.length >> 1);
        if (fault === 'short') headers['Content-Length'] = half.length;
        response.writeHead(200, headers);
        if (request.method === 'HEAD') { response.end(); return; }
        response.write(half);
        server.served += half.length;
        if (fault === 'truncate') setTimeout(() => response.destroy(), 50);
        else response.end();
        return;
      }
      response.writeHead(200, headers);
      if (request.method === 'HEAD') {
        response.end();
        return;
      }
      server.served += body.length;
      response.end(body);
    } catch {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found\n');
    }
  });
  server.served = 0;
  server.faults = options.faults || {};
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(port, '127.0.0.1', () => resolve(server));
  });
}

if (process.argv[1] === fileURLToPath(import.meta.url)) {
  const folder = process.argv[2];
  const port = Number(process.argv[3] || 8000);
  if (!folder) {
    console.error('usage: node web/serve.mjs FOLDER [PORT]');
    process.exit(2);
  }
  const server = await serve(folder, port);
  console.log(`serving ${folder} on http://127.0.0.1:${server.address().port}/`);
}
