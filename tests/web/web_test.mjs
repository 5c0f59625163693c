// Converts mailboxes on the page in build/web with Debian's headless Chromium
// and compares each zip with what the command line writes for the same
// options; checks the progress bar, Stop, and that a conversion makes no
// request. Prints one line per case; exits 1 on any failure.
//
//   node web_test.mjs WEB_DIR QUERNEL SOURCE_DIR [--languages MAKE_LANGUAGE_SAMPLE]
//                     [--many IMAP_UPLOAD_MAILBOX] [--screenshots DOCS_DIR]
import {execFileSync, spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {downloadsInto, servePage, startChromium} from './harness.mjs';

const [webDir, quernel, sourceDir] = process.argv.slice(2, 5).map((p) => path.resolve(p));
const screenshotsAt = process.argv.indexOf('--screenshots');
const docsDir = screenshotsAt > 0 ? path.resolve(process.argv[screenshotsAt + 1]) : null;
const languagesAt = process.argv.indexOf('--languages');
const makeLanguageSample = languagesAt > 0 ? path.resolve(process.argv[languagesAt + 1]) : null;
const manyAt = process.argv.indexOf('--many');
const makeMany = manyAt > 0 ? path.resolve(process.argv[manyAt + 1]) : null;
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

// The messages the command line wrote into `folder`: .eml files, Maildir
// files, or the "From " lines that begin each message of an mbox file.
function messagesIn(folder) {
  let count = 0;
  for (const entry of fs.readdirSync(folder, {recursive: true, withFileTypes: true})) {
    if (!entry.isFile()) continue;
    const file = path.join(entry.parentPath ?? entry.path, entry.name);
    if (/\/(cur|new)$/.test(path.dirname(file)) || file.endsWith('.eml')) {
      count++;
    } else if (!/\/tmp$|maildirfolder$/.test(file)) {
      count += fs.readFileSync(file, 'latin1').split('\n').filter((line) => line.startsWith('From ')).length;
    }
  }
  return count;
}

// Compares the page's zip with the command line's output folder (compare_zip.py).
function compareZip(what, zip, native, start, end) {
  try {
    const result = execFileSync('python3', [path.join(here, 'compare_zip.py'), zip, native,
                                            String(Math.floor(start / 1000)), String(Math.ceil(end / 1000))],
                                {encoding: 'utf8'});
    check(true, `${what}: ${result.trim().split('\n').pop()}`);
  } catch (error) {
    check(false, `${what}: ${error.stdout}`);
  }
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

// `input`: the id of a file input, 'drop' (files the page never saw in its
// inputs, dropped as real File objects read from disk through an input the
// test adds) or 'drop-folder' (Chromium's own drag and drop, which gives the
// folder's entries).
async function choose(options, input, files) {
  if (input === 'drop-folder') {
    const session = await page.createCDPSession();
    for (const type of ['dragEnter', 'dragOver', 'drop']) {
      const data = {items: [], files, dragOperationsMask: 1};
      await session.send('Input.dispatchDragEvent', {type, x: 200, y: 200, data});
    }
  } else if (input === 'drop') {
    await page.evaluate(() => document.body.append(Object.assign(document.createElement('input'),
                                                                 {type: 'file', multiple: true, id: 'dropped'})));
    await (await page.$('#dropped')).uploadFile(...files);
    await page.evaluate(() => {
      const transfer = new DataTransfer();
      for (const file of document.getElementById('dropped').files) transfer.items.add(file);
      document.getElementById('dropped').remove();
      document.body.dispatchEvent(new DragEvent('drop', {dataTransfer: transfer, bubbles: true, cancelable: true}));
    });
  } else {
    await (await page.$('#' + input)).uploadFile(...files);
  }
  await page.select('#format', options.format);
  await page.select('#codepage', options.codepage || 'auto');
  for (const box of ['flags', 'recover']) {
    if (await page.$eval('#' + box, (e) => e.checked) !== Boolean(options[box])) await page.click('#' + box);
  }
  if (options.naming) {
    // By keyboard: the fold opens with Enter, and the field comes next.
    await page.focus('details summary');
    await page.keyboard.press('Enter');
    await page.keyboard.press('Tab');
    await page.keyboard.type(options.naming);
  }
  if (options.folder) await pickFolder(options.folder);
}

// The browser's folder picker cannot be clicked here: it is replaced by one
// that gives a real folder of the origin-private file system, which the page
// writes through the same API as a folder on disk. The folder holds a file
// of its own beforehand (`files`: [[name, text]]).
const kOwnFile = ['notes.txt', 'Written before quernel ran.\n'];
async function pickFolder(name, files = [kOwnFile]) {
  await page.evaluate(async (name, files) => {
    const folder = await (await navigator.storage.getDirectory()).getDirectoryHandle(name, {create: true});
    for (const [file, text] of files) {
      const writable = await (await folder.getFileHandle(file, {create: true})).createWritable();
      await writable.write(text);
      await writable.close();
    }
    window.showDirectoryPicker = async () => folder;
  }, name, files);
  await page.focus('#save-zip');
  await page.keyboard.press('ArrowDown');
}

// Everything in a picked folder, which it removes: {path: bytes, or null for a folder}.
const takePickedFolder = (name) => page.evaluate(async (name) => {
  const found = {};
  const walk = async (folder, prefix) => {
    for await (const [entry, handle] of folder.entries()) {
      found[prefix + entry + (handle.kind === 'directory' ? '/' : '')] = handle.kind === 'directory' ? null
        : [...new Uint8Array(await (await handle.getFile()).arrayBuffer())];
      if (handle.kind === 'directory') await walk(handle, prefix + entry + '/');
    }
  };
  const root = await navigator.storage.getDirectory();
  await walk(await root.getDirectoryHandle(name), '');
  await root.removeEntry(name, {recursive: true});
  return found;
}, name);

// Compares a picked folder with the command line's output folder: the
// folder's own file stays as it was, and `diff -r` finds no difference.
async function compareFolder(what, name, native) {
  const found = await takePickedFolder(name);
  const own = Buffer.from(found[kOwnFile[0]] || []).toString();
  delete found[kOwnFile[0]];
  const copy = path.join(work, 'picked-' + name);
  for (const [entry, bytes] of Object.entries(found)) {
    const target = path.join(copy, entry);
    fs.mkdirSync(bytes ? path.dirname(target) : target, {recursive: true});
    if (bytes) fs.writeFileSync(target, Buffer.from(bytes));
  }
  const diff = spawnSync('diff', ['-r', native, copy], {encoding: 'utf8'});
  check(own === kOwnFile[1] && diff.status === 0 && Object.keys(found).length > 0,
        `${what}: the folder holds its own file and the command line's ${Object.keys(found).length} ` +
        `files and folders, byte for byte ${diff.stdout}`);
}

// Notes when the run ends (the line beside the bar says so), as the page's
// clock saw it; waitForEnd resolves with that moment.
const watchForEnd = () => page.evaluate(() => {
  const counts = document.getElementById('counts');
  new MutationObserver(() => { if (/^(Done|Stopped)/.test(counts.textContent)) window.endedAt ??= Date.now(); })
    .observe(counts, {childList: true, characterData: true, subtree: true});
});
const waitForEnd = () => page.waitForFunction(() => window.endedAt, {timeout: 120000}).then((h) => h.jsonValue());

// Clicks Convert; resolves with the run's times and the requests the page
// made meanwhile once it has ended, or with null when the page offers
// nothing to convert. Convert is usable once the worker has all its scripts.
async function convertAndWait() {
  if (!await page.waitForSelector('#convert:not([disabled])', {timeout: 10000}).catch(() => null)) return null;
  await watchForEnd();
  const start = Date.now();
  const requestsBefore = requests.length;
  await page.focus('#convert');
  await page.keyboard.press('Enter');
  const end = await waitForEnd();
  return {start, end, during: requests.slice(requestsBefore).filter((r) => r.at < end).map((r) => r.url)};
}

const optionArgs = (options) => [
  {mbox: '-mbx', mboxrd: '-mbxrd', eml: '-eml', maildir: '-maildir'}[options.format] + (options.naming || ''),
  ...(options.flags ? ['-flags'] : []), ...(options.recover ? ['-recover'] : []),
  ...(options.codepage && options.codepage !== 'auto' ? ['-cp' + options.codepage] : [])];

// ---- The page itself: labels, the keyboard, a 360-pixel screen -------------------
await open();
const unlabelled = await page.evaluate(() =>
  ['files', 'folder', 'format', 'flags', 'recover', 'codepage', 'naming', 'save-zip', 'save-folder', 'convert', 'stop',
   'progress', 'log', 'download']
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
const unreached = ['files', 'folder', 'format', 'flags', 'recover', 'codepage', 'save-zip', 'convert']
  .filter((id) => !reached.has(id));
check(unreached.length === 0, `Tab reaches every control (${unreached.join(' ') || 'all'})`);
await page.setViewport({width: 360, height: 800});
const overflow = await page.evaluate(() => document.documentElement.scrollWidth);
check(overflow <= 360, `fits a 360-pixel-wide screen (${overflow} px wide)`);
if (docsDir) await page.screenshot({path: path.join(docsDir, 'web-narrow.png'), fullPage: true});
await page.setViewport({width: 900, height: 1000});
// A browser without the folder picker is offered the zip alone.
{
  const plain = await browser.newPage();
  await plain.evaluateOnNewDocument(() => { delete window.showDirectoryPicker; });
  await plain.goto(origin + '/', {waitUntil: 'load'});
  const without = await plain.evaluate(() => ({picker: 'showDirectoryPicker' in window,
                                                 hidden: document.getElementById('save').hidden}));
  check(!without.picker && without.hidden && await page.$eval('#save', (choice) => !choice.hidden),
        'the folder choice is offered where the browser has the picker alone');
  await plain.close();
}

const cases = [
  {name: 'sample-mboxrd', options: {format: 'mboxrd'}, input: 'files', files: [sample]},
  {name: 'sample-eml-flags', options: {format: 'eml', flags: true}, input: 'files', files: [sample]},
  {name: 'store-maildir-tree', options: {format: 'maildir', flags: true}, input: 'folder', files: [store],
   tree: true},
  {name: 'store-eml-tree', options: {format: 'eml'}, input: 'folder', files: [store], tree: true},
  {name: 'damaged-recover', options: {format: 'mbox', recover: true}, input: 'files', files: [damaged]},
  {name: 'sample-cp1251-eml', options: {format: 'eml', codepage: '1251'}, input: 'files', files: [sample]},
  {name: 'not-a-mailbox', options: {format: 'eml'}, input: 'files', files: [notMailbox]},
  {name: 'sample-eml-template', options: {format: 'eml', naming: '$DBXNAME$ $SDATE_F:%Y%m%d$ $SUBJ_L:20_C:0$.eml'},
   input: 'files', files: [sample]},
  // In the page's order (by name), which collects them in that order.
  {name: 'two-mbox-template', options: {format: 'mboxrd', naming: 'All mail.mbox'}, input: 'files',
   files: [damaged, sample]},
  {name: 'dropped-files', options: {format: 'mbox'}, input: 'drop', files: [damaged, sample]},
  {name: 'dropped-store-folder', options: {format: 'eml'}, input: 'drop-folder', files: [store], tree: true},
  {name: 'folder-store-maildir', options: {format: 'maildir', flags: true, folder: 'picked-maildir'},
   input: 'folder', files: [store], tree: true},
  {name: 'folder-sample-eml-cp1251', options: {format: 'eml', codepage: '1251', folder: 'picked-eml'},
   input: 'files', files: [sample]},
  ...languageCases,
];

for (const test of cases) {
  await open();
  if (docsDir && test.name === 'store-eml-tree') await page.screenshot({path: path.join(docsDir, 'web-before.png')});
  await choose(test.options, test.input, test.files);
  const times = await convertAndWait();
  if (!times) {
    check(false, `${test.name}: nothing to convert (${await page.$eval('#chosen', (line) => line.textContent)})`);
    continue;
  }
  const {start, end, during} = times;
  check(during.length === 0, `${test.name}: no request during the conversion (${during.join(' ') || 'none'})`);
  if (docsDir && test.name === 'store-eml-tree') await page.screenshot({path: path.join(docsDir, 'web-after.png')});
  const {out: native, printed} = test.tree
    ? nativeOutput(test.name, ['-tree', ...optionArgs(test.options)], [store])
    : nativeOutput(test.name, optionArgs(test.options), test.files);
  const logged = await page.$eval('#log', (panel) => panel.textContent);
  check(logged.slice(logged.indexOf('\n') + 1) === printed,
        `${test.name}: the log panel shows the command line's lines`);
  const counts = await page.$eval('#counts', (line) => line.textContent);
  const messages = messagesIn(native);
  check(counts.includes(` and ${messages} message${messages === 1 ? '' : 's'} done`),
        `${test.name}: the count says the ${messages} messages the command line wrote (${counts})`);
  if (test.options.folder) {
    await compareFolder(test.name, test.options.folder, native);
  } else {
    compareZip(test.name, await download('#download', test.name + '.zip'), native, start, end);
  }
  // The next run's worker, fetched once this one ended, has all its scripts
  // before the next case counts requests.
  await page.waitForSelector('#convert:not([disabled])');
}

// ---- Written into a folder the user picks ------------------------------------
// A name already taken there: the folder stays as it was, the zip comes instead.
{
  await open();
  await choose({format: 'mbox'}, 'files', [sample]);
  await pickFolder('picked-taken', [kOwnFile, ['Inbox.mbx', 'An earlier one\n']]);
  const {start, end} = await convertAndWait();
  const found = await takePickedFolder('picked-taken');
  const logged = await page.$eval('#log', (panel) => panel.textContent);
  check(Object.keys(found).length === 2 && Buffer.from(found['Inbox.mbx']).toString() === 'An earlier one\n' &&
        logged.includes('"Inbox.mbx" is already in the folder "picked-taken": nothing was written there'),
        `folder-taken: the folder stays as it was (${Object.keys(found).join(' ')}), the log says why`);
  compareZip('folder-taken: the zip offered instead', await download('#download', 'taken.zip'),
             nativeOutput('folder-taken', ['-mbx'], [sample]).out, start, end);
}

// Stop while 1,500 files go into the folder, once the first mailbox's are
// there: the folder stays as it was.
{
  const names = Array.from({length: 500}, (_, i) => path.join(work, `Copy ${i}.dbx`));
  for (const name of names) fs.copyFileSync(sample, name);
  await open();
  await choose({format: 'eml', folder: 'picked-stop'}, 'files', names);
  await watchForEnd();
  await page.click('#convert');
  await page.waitForFunction(async () => {
    const folder = await (await navigator.storage.getDirectory()).getDirectoryHandle('picked-stop');
    const first = await folder.getDirectoryHandle('Copy 0').catch(() => null);
    let files = 0;
    for await (const name of first ? first.keys() : []) files += name.endsWith('.eml');
    return files === 3;
  }, {polling: 10, timeout: 60000});
  await page.click('#stop');
  await waitForEnd();
  const ended = await page.$eval('#counts', (line) => line.textContent);
  const left = Object.keys(await takePickedFolder('picked-stop'));
  check(/^Stopped/.test(ended) && left.join() === kOwnFile[0],
        `folder-stop: ${ended}; left: ${left.length > 5 ? left.length : left.join(' ')}`);
}

// ---- The count while one mailbox of many messages is converted -----------------
// It moves with the messages, not only when the mailbox ends.
if (makeMany) {
  const many = path.join(work, 'Many.dbx');
  const kMany = 30000;
  execFileSync(makeMany, ['many', many, String(kMany)], {stdio: ['ignore', 'ignore', 'inherit']});
  await open();
  await choose({format: 'mbox'}, 'files', [many]);
  await page.evaluate(() => {
    window.countsSeen = [];
    const counts = document.getElementById('counts');
    new MutationObserver(() => window.countsSeen.push(counts.textContent))
      .observe(counts, {childList: true, characterData: true, subtree: true});
  });
  await convertAndWait();
  const seen = await page.evaluate(() => window.countsSeen);
  const midway = seen.map((text) => /^0 mailboxes and (\d+) messages? done/.exec(text))
    .filter(Boolean).map((match) => Number(match[1])).filter((count) => count > 0 && count < kMany);
  check(midway.length > 0 && midway.every((count, i) => i === 0 || count >= midway[i - 1]) &&
        seen[seen.length - 1].includes(`1 mailbox and ${kMany} messages done`),
        `count while converting: ${midway.length} counts between 0 and ${kMany}, rising ` +
        `(${midway.slice(0, 3).join(', ')} ...), then "${seen[seen.length - 1]}"`);
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
const runOf = (name) => name.replace(/\.(in|spool|zip)$/, '');
check(storedWhileRunning.length === 3 && storedWhileRunning.every((name) => /\.(in|spool|zip)$/.test(name)) &&
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
