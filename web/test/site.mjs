// The site as a host and a visitor meet it: the party's facts as text in the document (with
// JavaScript off too) and equal to the content file's, the preview tags, compressed transfers
// with a progress bar that ends at the end, a reload that downloads nothing, broken downloads
// that say so and offer to try again, and the single file played from disk.
import { execFileSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { pathToFileURL } from 'node:url';
import { serve } from '../serve.mjs';
import {
  canvasShot, check, fileStem, musicTime, nonBlackShare, pageSeen, pageState, report, sleep, waitFor, watchPage,
} from './common.mjs';

// The content file's plain "key = value" facts of one table.
function tableValues(toml, table) {
  const start = toml.indexOf(`\n[${table}]`);
  if (start < 0) return {};
  const body = toml.slice(start, toml.indexOf('\n[', start + 1));
  return Object.fromEntries([...body.matchAll(/^(\w+)\s*=\s*"([^"]*)"/gm)].map((m) => [m[1], m[2]]));
}

async function textFacts(browser, baseUrl, repo, nativeBuild, outDir, facts) {
  const context = await browser.newContext({ javaScriptEnabled: false, viewport: { width: 1280, height: 800 } });
  const page = await context.newPage();
  await page.goto(baseUrl);
  await page.screenshot({ path: join(outDir, '20-no-script.png') });
  await page.screenshot({ path: join(outDir, '21-no-script-text.png'), fullPage: true });
  const seen = await page.evaluate((written) => ({
    // As the browser reads the section assetgen wrote, and as it reads the page's.
    html: document.getElementById('facts').outerHTML,
    written: Object.assign(document.createElement('template'), { innerHTML: written }).content.firstElementChild.outerHTML,
    text: document.getElementById('facts').innerText,
    panel: document.getElementById('panel').innerText,
    description: document.querySelector('meta[name="description"]').content,
    ogTitle: document.querySelector('meta[property="og:title"]').content,
    ogDescription: document.querySelector('meta[property="og:description"]').content,
    ogImage: document.querySelector('meta[property="og:image"]').content,
    heading: document.querySelector('main h1').textContent,
    headings: [...document.querySelectorAll('#facts h2')].map((h) => h.textContent),
    mailto: [...document.querySelectorAll('#facts a[href^="mailto:"]')].map((a) => a.textContent),
    links: [...document.querySelectorAll('#facts a')].map((a) => a.href),
  }), facts.facts);
  const toml = readFileSync(join(repo, 'content/party.toml'), 'utf8');
  const venue = tableValues(toml, 'venue');
  const contact = tableValues(toml, 'contact');
  const name = tableValues(toml, 'party').name;
  // The preview picture by the folder's address the content file gives, else beside the page.
  const address = tableValues(toml, 'web').address;
  const previewAddress = address ? address.replace(/\/?$/, '/') + 'preview.png' : 'preview.png';
  const rules = [...toml.matchAll(/^\s*"(\d+)\. /gm)].length;
  const items = (seen.html.match(/<li>/g) || []).length;
  check(seen.html === seen.written && seen.headings.length === 4 &&
        [venue.hall, venue.address, venue.town].every((v) => seen.text.includes(v)) && items === rules,
        `the four pages are in the document as text, as assetgen writes them from the content file ` +
        `(${seen.headings.join(' / ')}; ${items} numbered rules)`);
  check(seen.mailto.includes(contact.questions) && seen.mailto.includes(contact.entries) &&
        seen.links.some((href) => href.includes(contact.web)), 'the contact addresses are links');
  check(seen.panel.includes('needs JavaScript') && !seen.panel.includes('Loading'),
        'without JavaScript the page says the show needs it, and loads nothing');
  check(seen.heading === `${name} Party Invitation` && seen.ogTitle === seen.heading &&
        seen.description === seen.ogDescription && seen.description.includes(venue.town) &&
        seen.ogImage === previewAddress, `the title, description and preview tags name the party ("${seen.description}"; ${seen.ogImage})`);
  const preview = await page.request.get(new URL('preview.png', baseUrl).href);
  check(preview.ok() && (await preview.body()).length > 10000, 'the preview picture is served');
  await context.close();

  // Another content file gives other text. It stands beside the organisers' own, so the
  // soundtrack and pictures that file names are found from it as they are from theirs.
  const dir = mkdtempSync(join(tmpdir(), 'facts-'));
  const changed = join(repo, 'content', `.web-test-${process.pid}.toml`);
  try {
    writeFileSync(changed, toml.replace(`hall = "${venue.hall}"`, 'hall = "Otterbrook Mill"')
      .replace(`questions = "${contact.questions}"`, 'questions = "ask@elsewhere.invalid"'));
    execFileSync(join(nativeBuild, 'tools/assetgen/assetgen'), ['--content', changed,
      '--web-facts', join(dir, 'facts.json')], { cwd: repo });
    const other = JSON.parse(readFileSync(join(dir, 'facts.json'), 'utf8'));
    check(other.facts.includes('Otterbrook Mill') && !other.facts.includes(venue.hall) &&
          other.facts.includes('href="mailto:ask@elsewhere.invalid"') && other.description.includes('Otterbrook Mill'),
          'a changed content file changes the page\'s text');
  } finally {
    rmSync(dir, { recursive: true, force: true });
    rmSync(changed, { force: true });
  }
}

// First visit through a compressing host, then a reload.
async function transfers(browser, server, baseUrl, webBuild) {
  const context = await browser.newContext();
  const page = await context.newPage();
  const before = server.served;
  await page.goto(baseUrl);
  const ready = await waitFor(async () => (await pageState(page)) === 'ready', 30000);
  const firstVisit = server.served - before;
  const raw = ['index.html', 'page.js', 'zura5inv.js', 'zura5inv.wasm', 'zura5inv-music-start.bin']
    .reduce((sum, name) => sum + readFileSync(join(webBuild, 'site', name)).length, 0);
  const progress = await page.evaluate(() => parseFloat(document.querySelector('#progress div').style.width));
  report.firstVisitBytes = `${firstVisit} B sent for ${raw} B of files`;
  check(await page.evaluate(() => window.invitation.compiledWhileDownloading),
        'the program is compiled while it downloads');
  check(ready && firstVisit < raw - 1000000 && progress === 100,
        `the host sends the compressed copies and the progress bar ends at 100% (${report.firstVisitBytes})`);
  // The rest of the soundtrack is asked for once the music is heard, not while the start loads.
  const asked = () => page.evaluate(() => performance.getEntriesByType('resource').some((entry) => entry.name.endsWith('-rest.bin')));
  const heldBack = !(await asked());
  await page.getByRole('button', { name: 'Click to start' }).click();
  check(heldBack && await waitFor(asked, 10000), `the rest of the soundtrack is asked for after the tap, not before it`);
  // The worker that keeps the site for offline visits has filled its cache.
  await page.evaluate(() => navigator.serviceWorker.ready);
  const reloadBefore = server.served;
  await page.reload();
  const readyAgain = await waitFor(async () => (await pageState(page)) === 'ready', 30000);
  const reload = server.served - reloadBefore;
  report.reloadBytes = reload;
  check(readyAgain && reload === 0, `a reload downloads nothing again (${reload} B sent)`);
  await context.close();
}

async function brokenDownloads(browser, server, baseUrl, outDir) {
  for (const [path, fault, shown] of [['/zura5inv.wasm', 'truncate', 'stopped arriving'],
                                      ['/zura5inv.wasm', 'garbage', 'damaged'],
                                      ['/zura5inv-music-start.bin', 'short', 'incomplete']]) {
    const context = await browser.newContext();
    const page = await context.newPage();
    server.faults[path] = fault;
    await page.goto(baseUrl);
    const failed = await waitFor(async () => (await pageState(page)) === 'failed', 15000);
    const text = await page.locator('#message').textContent();
    const retry = page.getByRole('button', { name: 'Try again' });
    const offered = failed && await retry.isVisible() && !(await page.locator('#progress').isVisible());
    await page.screenshot({ path: join(outDir, `22-broken-${fault}.png`) });
    delete server.faults[path];
    if (offered) await retry.click();
    const recovered = await waitFor(async () => (await pageState(page)) === 'ready', 20000);
    check(offered && text.includes(shown) && recovered,
          `a ${fault} ${path.slice(1)} says so ("${text}") and "Try again" then loads the show`);
    await context.close();
  }
}

// Offline at the party: after one visit the page is installable and a second visit with the
// host gone plays; the worker's cache carries the build's version, and a new build's worker
// replaces it when the host is back.
async function offline(browser, webBuild, outDir) {
  const host = await serve(join(webBuild, 'site'));
  const port = host.address().port;
  const address = `http://127.0.0.1:${port}/`;
  const context = await browser.newContext({ viewport: { width: 800, height: 640 } });
  const page = await context.newPage();
  await page.goto(address);
  const ready = await waitFor(async () => (await pageState(page)) === 'ready', 30000);
  if (ready) await page.getByRole('button', { name: 'Click to start' }).click();
  const kept = ready && await page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    return (await caches.keys()).filter((name) => name.startsWith('invitation-'));
  });
  const manifest = await page.evaluate(async () => {
    const link = document.querySelector('link[rel="manifest"]');
    const text = link && await (await fetch(link.href)).json();
    const icons = await Promise.all((text ? text.icons : []).map((icon) => new Promise((done) => {
      const picture = new Image();
      picture.onload = () => done(`${picture.naturalWidth}x${picture.naturalHeight}` === icon.sizes);
      picture.onerror = () => done(false);
      picture.src = icon.src;
    })));
    return { name: text && text.name, display: text && text.display, icons,
             theme: document.querySelector('meta[name="theme-color"]').content };
  });
  check(manifest.name === await page.title() && manifest.icons.length === 2 && manifest.icons.every(Boolean) &&
        manifest.theme && manifest.display, `the page is installable: a manifest with its icons and a theme colour (${JSON.stringify(manifest)})`);
  await page.close();
  host.close();
  host.closeAllConnections();
  const second = await context.newPage();
  let playing = false;
  try {
    await second.goto(address);
    const readyOffline = await waitFor(async () => (await pageState(second)) === 'ready', 30000);
    if (readyOffline) await second.getByRole('button', { name: 'Click to start' }).click();
    playing = readyOffline && await waitFor(async () => (await musicTime(second)) >= 2000, 10000);
    if (playing) await canvasShot(second, outDir, '24-offline');
  } catch (error) {
    report.offlineError = String(error.message || error);
  }
  const worker = readFileSync(join(webBuild, 'site', 'sw.js'), 'utf8');
  const version = worker.match(/version = '(\w+)'/)[1];
  check(playing && kept.length === 1 && kept[0] === `invitation-${version}`,
        `after one visit the show plays with the host gone, from the cache of this build (${kept})`);

  const newBuild = mkdtempSync(join(tmpdir(), 'site-'));
  try {
    cpSync(join(webBuild, 'site'), newBuild, { recursive: true });
    writeFileSync(join(newBuild, 'sw.js'), worker.replace(version, 'newbuild'));
    const newHost = await serve(newBuild, port);
    const third = await context.newPage();
    await third.goto(address);
    const keys = () => third.evaluate(async () => (await caches.keys()).filter((name) => name.startsWith('invitation-')));
    const replaced = await waitFor(async () => JSON.stringify(await keys()) === '["invitation-newbuild"]', 20000);
    check(replaced, `a new build's worker replaces the old build's cache (${await keys()})`);
    newHost.close();
    newHost.closeAllConnections();
  } finally {
    rmSync(newBuild, { recursive: true, force: true });
  }
  await context.close();
}

async function singleFile(browser, webBuild, repo, outDir) {
  const context = await browser.newContext({ viewport: { width: 800, height: 640 } });
  await context.addInitScript(watchPage);
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  await page.goto(pathToFileURL(join(webBuild, `${fileStem(repo)}.html`)).href);
  const ready = await waitFor(async () => (await pageState(page)) === 'ready', 30000);
  if (ready) await page.getByRole('button', { name: 'Click to start' }).click();
  const playing = ready && await waitFor(async () => (await musicTime(page)) >= 2000, 10000);
  const shot = playing ? await canvasShot(page, outDir, '23-single-file') : null;
  const { violations } = await pageSeen(page);
  check(playing && nonBlackShare(shot) > 0.01 && errors.length === 0 && violations.length === 0,
        `the single file plays from disk (file://) under its Content-Security-Policy` +
        `${errors.length || violations.length ? ': ' + [...errors, ...violations].join(' | ') : ''}`);
  await sleep(100);
  await context.close();
}

export async function siteChecks({ browser, server, baseUrl, webBuild, nativeBuild, repo, outDir, facts }) {
  await textFacts(browser, baseUrl, repo, nativeBuild, outDir, facts);
  await transfers(browser, server, baseUrl, webBuild);
  await brokenDownloads(browser, server, baseUrl, outDir);
  await singleFile(browser, webBuild, repo, outDir);
  await offline(browser, webBuild, outDir);
}
