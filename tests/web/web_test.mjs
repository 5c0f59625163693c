// Converts mailboxes on the page in build/web with Debian's headless Chromium
// and compares each zip with what the command line writes for the same
// options; checks the progress bar, Stop, and that a conversion makes no
// request. Prints one line per case; exits 1 on any failure.
//
//   node web_test.mjs WEB_DIR QUERNEL SOURCE_DIR [--languages MAKE_LANGUAGE_SAMPLE]
//                     [--screenshots DOCS_DIR]
import {execFileSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {downloadsInto, servePage, startChromium} from './harness.mjs';

const [webDir, quernel, sourceDir] = process.argv.slice(2, 5).map((p) => path.resolve(p));
const screenshotsAt = process.argv.indexOf('--screenshots');
const docsDir = screenshotsAt > 0 ? path.resolve(process.argv[screenshotsAt + 1]) : null;
const languagesAt = process.argv.indexOf('--languages');
const makeLanguageSample = languagesAt > 0 ? path.resolve(process.argv[languagesAt + 1]) : null;
const here = path.dirname(new URL(import.meta.url).pathname);
process.env.TZ = 'America/New_York';  // names, DOS times and the browser's clock agree on it

const work = fs.mkdtempSync(path.join(fs.existsSync('/dev/shm') ? '/dev/shm' : os.tmpdir(), 'quernel-web-'));
let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures++;
}

const server = await servePage(webDir);
const {origin, requests} = server;

// ---- Inputs -------------------------------------------------------------------
const sample = path.join(sourceDir, 'samples/Inbox.dbx');
const store = path.join(sourceDir, 'samples/store');
// A damaged mailbox: the sample with a stretch of its middle overwritten.
const damaged = path.join(work, 'Damaged.dbx');
const damagedBytes = fs.readFileSync(sample);
damagedBytes.fill(0x5A, 0x2400, 0x2C00);
fs.writeFileSync(damaged, damagedBytes);
// Mailboxes written by Windows in other languages, their code page found
// from the messages (the double-byte ones read by the module's own iconv).
const languages = {Russian: 1251, Greek: 1253, Czech: 1250, Japanese: 932, Chinese: 936, Korean: 949, Taiwanese: 950};
const languageCases = [];
for (const [language, codePage] of Object.entries(makeLanguageSample ? languages : {})) {
  const file = path.join(work, language + '.dbx');
  execFileSync(makeLanguageSample, [String(codePage), file]);
  languageCases.push({name: language.toLowerCase() + '-eml', options: {format: 'eml'}, input: 'files', files: [file]});
}
// Not a mailbox at all.
const notMailbox = path.join(work, 'Random.dbx');
fs.writeFileSync(notMailbox, Buffer.from(Array.from({length: 5000}, (_, i) => (i * 131 + 7) & 0xFF)));
// A large one, to see the progress bar move and to stop: the sample followed
// by 96 MiB that the rescue scan has to read through.
const large = path.join(work, 'Large.dbx');
{
  const padding = Buffer.alloc(96 << 20);
  for (let i = 0; i < padding.length; i += 4) padding.writeUInt32LE((i * 2654435761) >>> 0, i);
  fs.writeFileSync(large, Buffer.concat([fs.readFileSync(sample), padding]));
}

// The command line's output folder and what it printed.
function nativeOutput(name, args, inputs) {
  const out = path.join(work, 'native-' + name);
  fs.mkdirSync(out);
  const printed = execFileSync(quernel, [...args, ...inputs, out], {encoding: 'utf8'});
  return {out, printed};
}

// ---- The browser ----------------------------------------------------------------
const browser = await startChromium(fs.mkdtempSync(path.join(work, 'profile-')));
const page = await browser.newPage();
await page.setViewport({width: 900, height: 1000});
const outsideRequests = [];
page.on('request', (request) => {
  if (!request.url().startsWith(origin) && !request.url().startsWith('blob:')) outsideRequests.push(request.url());
});
const downloads = path.join(work, 'downloads');
fs.mkdirSync(downloads);
const download = await downloadsInto(page, downloads);

async function open() {
  await page.goto(origin + '/', {waitUntil: 'load'});
}

async function choose(options, inputId, files) {
  const input = await page.$('#' + inputId);
  await input.uploadFile(...files);
  await page.select('#format', options.format);
  await page.select('#codepage', options.codepage || 'auto');
  for (const box of ['flags', 'recover']) {
    if (await page.$eval('#' + box, (e) => e.checked) !== Boolean(options[box])) await page.click('#' + box);
  }
}

// Clicks Convert; resolves with the run's times once the zip is offered (the
// moment the link became active, as the page's clock saw it).
async function convertAndWait() {
  await page.waitForSelector('#convert:not([disabled])');
  await page.evaluate(() => {
    const link = document.getElementById('download');
    new MutationObserver(() => { window.offeredAt ??= Date.now(); })
      .observe(link, {attributes: true, attributeFilter: ['aria-disabled']});
  });
  const start = Date.now();
  await page.focus('#convert');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#download[aria-disabled=false]', {timeout: 120000});
  return {start, end: await page.evaluate(() => window.offeredAt)};
}

const optionArgs = (options) => [
  {mbox: '-mbx', mboxrd: '-mbxrd', eml: '-eml', maildir: '-maildir'}[options.format],
  ...(options.flags ? ['-flags'] : []), ...(options.recover ? ['-recover'] : []),
  ...(options.codepage && options.codepage !== 'auto' ? ['-cp' + options.codepage] : [])];

// ---- The page itself: labels, the keyboard, a 360-pixel screen -------------------
await open();
const unlabelled = await page.evaluate(() =>
  ['files', 'folder', 'format', 'flags', 'recover', 'codepage', 'convert', 'stop', 'progress', 'log', 'download']
    .filter((id) => {
      const control = document.getElementById(id);
      if (!control) return true;
      const labelledBy = document.getElementById(control.getAttribute('aria-labelledby'));
      return !(control.labels?.length || labelledBy?.textContent.trim() || control.textContent.trim());
    }));
check(unlabelled.length === 0, `every control has a name a screen reader reads (${unlabelled.join(' ') || 'all'})`);
await page.$('#files').then((input) => input.uploadFile(sample));
const reached = new Set();
for (let press = 0; press < 20; press++) {
  await page.keyboard.press('Tab');
  reached.add(await page.evaluate(() => document.activeElement.id));
}
const unreached = ['files', 'folder', 'format', 'flags', 'recover', 'codepage', 'convert'].filter((id) => !reached.has(id));
check(unreached.length === 0, `Tab reaches every control (${unreached.join(' ') || 'all'})`);
await page.setViewport({width: 360, height: 800});
const overflow = await page.evaluate(() => document.documentElement.scrollWidth);
check(overflow <= 360, `fits a 360-pixel-wide screen (${overflow} px wide)`);
if (docsDir) await page.screenshot({path: path.join(docsDir, 'web-narrow.png'), fullPage: true});
await page.setViewport({width: 900, height: 1000});

const cases = [
  {name: 'sample-mboxrd', options: {format: 'mboxrd'}, input: 'files', files: [sample]},
  {name: 'sample-eml-flags', options: {format: 'eml', flags: true}, input: 'files', files: [sample]},
  {name: 'store-maildir-tree', options: {format: 'maildir', flags: true}, input: 'folder', files: [store],
   tree: true},
  {name: 'store-eml-tree', options: {format: 'eml'}, input: 'folder', files: [store], tree: true},
  {name: 'damaged-recover', options: {format: 'mbox', recover: true}, input: 'files', files: [damaged]},
  {name: 'sample-cp1251-eml', options: {format: 'eml', codepage: '1251'}, input: 'files', files: [sample]},
  {name: 'not-a-mailbox', options: {format: 'eml'}, input: 'files', files: [notMailbox]},
  ...languageCases,
];

for (const test of cases) {
  await open();
  if (docsDir && test.name === 'store-eml-tree') await page.screenshot({path: path.join(docsDir, 'web-before.png')});
  await choose(test.options, test.input, test.files);
  const requestsBefore = requests.length;
  const {start, end} = await convertAndWait();
  const during = requests.slice(requestsBefore).filter((r) => r.at <= end).map((r) => r.url);
  check(during.length === 0, `${test.name}: no request during the conversion (${during.join(' ') || 'none'})`);
  if (docsDir && test.name === 'store-eml-tree') await page.screenshot({path: path.join(docsDir, 'web-after.png')});
  const zip = await download('#download', test.name + '.zip');
  const {out: native, printed} = test.tree
    ? nativeOutput(test.name, ['-tree', ...optionArgs(test.options)], [store])
    : nativeOutput(test.name, optionArgs(test.options), test.files);
  const logged = await page.$eval('#log', (panel) => panel.textContent);
  check(logged.slice(logged.indexOf('\n') + 1) === printed,
        `${test.name}: the log panel shows the command line's lines`);
  let result;
  try {
    result = execFileSync('python3', [path.join(here, 'compare_zip.py'), zip, native,
                                      String(Math.floor(start / 1000)), String(Math.ceil(end / 1000))],
                          {encoding: 'utf8'});
    check(true, `${test.name}: ${result.trim().split('\n').pop()}`);
  } catch (error) {
    check(false, `${test.name}: ${error.stdout}`);
  }
}

// ---- Progress and Stop, on the large mailbox ----------------------------------
await open();
await choose({format: 'mbox', recover: true}, 'files', [large]);
await page.evaluate(() => {
  window.seen = [];
  const bar = document.getElementById('progress');
  const sample = () => { window.seen.push(bar.value / bar.max); requestAnimationFrame(sample); };
  sample();
});
await page.click('#convert');
await page.waitForFunction(() => window.seen.some((v) => v > 0 && v < 1), {timeout: 60000});
check(true, 'progress: the bar moved between empty and full');
// What the page keeps in its origin-private file system: while a run goes,
// its input's copy, spool and zip alone, all of one run (the earlier cases'
// zips went when it started).
const stored = () => page.evaluate(async () => {
  const names = [];
  for await (const name of (await navigator.storage.getDirectory()).keys()) names.push(name);
  return names.sort();
});
const storedWhileRunning = await stored();
const runOf = (name) => name.replace(/\.(in0|spool|zip)$/, '');
check(storedWhileRunning.length === 3 && storedWhileRunning.every((name) => /\.(in0|spool|zip)$/.test(name)) &&
      new Set(storedWhileRunning.map(runOf)).size === 1,
      `storage while running: this run's input copy, spool and zip alone (${storedWhileRunning.join(' ')})`);
await page.click('#stop');
const workersAfterStop = (await browser.targets()).filter((t) => t.type() === 'worker').length;
await new Promise((r) => setTimeout(r, 1500));
const state = await page.evaluate(() => ({
  download: document.getElementById('download').getAttribute('aria-disabled'),
  convert: document.getElementById('convert').disabled,
  log: document.getElementById('log').textContent,
}));
check(state.download === 'true' && !state.convert && /Stopped/.test(state.log) && workersAfterStop === 0,
      `stop: worker ended (${workersAfterStop} left), no zip offered, Convert usable again`);
const storedAfterStop = await stored();
check(storedAfterStop.length === 0, `stop: nothing left in the page's storage (${storedAfterStop.join(' ') || 'none'})`);

check(outsideRequests.length === 0, `no request left 127.0.0.1 (${outsideRequests.join(' ') || 'none'})`);
await browser.close();
server.close();
fs.rmSync(work, {recursive: true, force: true});
process.exit(failures ? 1 : 0);
