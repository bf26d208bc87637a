// The development server as a careless or hostile visitor meets it: the site folder named in
// any of its spellings, links out of the site, methods that change things, and the weak
// validators browsers send back.   node --test web/test/serve_test.mjs
import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, relative } from 'node:path';
import { after, before, test } from 'node:test';
import { serve } from '../serve.mjs';

const top = mkdtempSync(join(tmpdir(), 'serve-'));
const site = join(top, 'site');
mkdirSync(join(site, 'inner'), { recursive: true });
writeFileSync(join(site, 'index.html'), '<p>page</p>');
writeFileSync(join(site, 'inner', 'file.js'), 'let inner;');
writeFileSync(join(top, 'secret.txt'), 'outside');
mkdirSync(join(top, 'elsewhere'));
writeFileSync(join(top, 'elsewhere', 'file.js'), 'let elsewhere;');
symlinkSync(join(top, 'secret.txt'), join(site, 'out_link'));
symlinkSync(join(top, 'elsewhere'), join(site, 'out_folder'));
symlinkSync(join(site, 'inner', 'file.js'), join(site, 'in_link.js'));

async function request(server, path, init = {}) {
  return fetch(`http://127.0.0.1:${server.address().port}${path}`, init);
}

let server;
before(async () => { server = await serve(site); });
after(() => { server.close(); rmSync(top, { recursive: true, force: true }); });

test('the site folder is served however it is named', async () => {
  const here = process.cwd();
  const spellings = [site, site + '/', relative(here, site) + '/', '.'];
  for (const folder of spellings) {
    if (folder === '.') process.chdir(site);
    const named = await serve(folder);
    process.chdir(here);
    try {
      const page = await request(named, '/');
      const inner = await request(named, '/inner/file.js');
      assert.deepEqual([page.status, await page.text(), inner.status], [200, '<p>page</p>', 200], folder);
    } finally {
      named.close();
    }
  }
});

test('links are followed only to files inside the site', async () => {
  for (const [path, status] of [['/out_link', 404], ['/out_folder/file.js', 404], ['/in_link.js', 200],
                                ['/..%2fsecret.txt', 403]]) {
    const answer = await request(server, path);
    assert.equal(answer.status, status, path);
    if (status !== 200) assert.doesNotMatch(await answer.text(), /outside|elsewhere/, path);
  }
});

test('only GET and HEAD are answered', async () => {
  for (const method of ['POST', 'PUT', 'DELETE', 'OPTIONS', 'PATCH']) {
    const answer = await request(server, '/index.html', { method, body: method === 'OPTIONS' ? undefined : 'x' });
    assert.equal(answer.status, 405, method);
    assert.equal(answer.headers.get('allow'), 'GET, HEAD', method);
    assert.doesNotMatch(await answer.text(), /page/, method);
  }
  // fetch refuses to send TRACE, so it goes by a raw request.
  const { request: raw } = await import('node:http');
  const status = await new Promise((done, fail) => {
    raw({ port: server.address().port, host: '127.0.0.1', method: 'TRACE', path: '/' }, (r) => { r.resume(); done(r.statusCode); })
      .on('error', fail).end();
  });
  assert.equal(status, 405, 'TRACE');
  assert.equal((await request(server, '/index.html', { method: 'HEAD' })).status, 200, 'HEAD');
});

test('If-None-Match compares weakly', async () => {
  const etag = (await request(server, '/index.html', { headers: { 'accept-encoding': 'identity' } })).headers.get('etag');
  const cases = [[etag, 304], [`W/${etag}`, 304], [`"other", W/${etag}`, 304], ['*', 304],
                 ['"other"', 200], ['W/"other"', 200]];
  for (const [sent, status] of cases) {
    const answer = await request(server, '/index.html', { headers: { 'if-none-match': sent, 'accept-encoding': 'identity' } });
    assert.equal(answer.status, status, sent);
  }
});
