// Measures one large conversion on the page against the command line: the
// time from pressing Convert to the saved zip, and the memory of the tab's
// renderer process (which runs the worker) and of the browser process
// above the idle page, and that the zip holds what the command line wrote.
// Not part of the test suite.
//
//   node large_mailbox.mjs WEB_DIR QUERNEL MAILBOX FORMAT   (FORMAT: eml, mboxrd, ...)
import {spawnSync} from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {downloadsInto, servePage, startChromium} from './harness.mjs';

const [webDir, quernel, mailbox] = process.argv.slice(2, 5).map((p) => path.resolve(p));
const format = process.argv[5] || 'eml';
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'quernel-large-'));

// The command line, writing to the RAM disk.
const nativeOut = fs.mkdtempSync('/dev/shm/quernel-large-native-');
const option = {mbox: '-mbx', mboxrd: '-mbxrd', eml: '-eml', maildir: '-maildir'}[format];
const timed = spawnSync('/usr/bin/time', ['-f', '%e %M', quernel, option, mailbox, nativeOut],
                        {encoding: 'utf8', stdio: ['ignore', 'ignore', 'pipe']}).stderr.trim().split('\n').pop();
const [nativeSeconds, nativeKiB] = timed.split(' ').map(Number);
console.log(`command line: ${nativeSeconds.toFixed(1)} s, ${(nativeKiB / 1024).toFixed(0)} MiB peak`);

// Resident memory of each of Chromium's processes, by kind.
function descendants(pid) {
  const children = new Map();
  for (const entry of fs.readdirSync('/proc')) {
    if (!/^\d+$/.test(entry)) continue;
    try {
      const parent = Number(fs.readFileSync(`/proc/${entry}/stat`, 'utf8').split(') ')[1].split(' ')[1]);
      if (!children.has(parent)) children.set(parent, []);
      children.get(parent).push(Number(entry));
    } catch { /* gone */ }
  }
  const found = [];
  const visit = (id) => { found.push(id); for (const child of children.get(id) || []) visit(child); };
  visit(pid);
  return found;
}
function memoryByKind(browserPid) {
  const kinds = {};
  for (const pid of descendants(browserPid)) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const kind = (command.match(/--type=([a-z-]+)/) || [null, 'browser'])[1];
      const status = fs.readFileSync(`/proc/${pid}/status`, 'utf8');
      for (const field of ['VmRSS', 'RssAnon', 'RssFile', 'RssShmem']) {
        const name = field === 'VmRSS' ? kind : `${kind} ${field}`;
        kinds[name] = (kinds[name] || 0) + Number(status.match(new RegExp(field + ':\\s+(\\d+)'))[1]) * 1024;
      }
    } catch { /* gone */ }
  }
  return kinds;
}

const server = await servePage(webDir);
const browser = await startChromium(path.join(work, 'profile'));
const page = await browser.newPage();

fs.mkdirSync(path.join(work, 'downloads'));
const download = await downloadsInto(page, path.join(work, 'downloads'));
// The worker's own account of where the time went.
page.on('console', (message) => { if (message.text().startsWith('quernel:')) console.log('worker: ' + message.text()); });
await page.goto(server.origin + '/', {waitUntil: 'load'});
await (await page.$('#files')).uploadFile(mailbox);
await page.select('#format', format);
await page.waitForSelector('#convert:not([disabled])');
await new Promise((resolve) => setTimeout(resolve, 2000));
const idle = memoryByKind(browser.process().pid);
const peak = {...idle};
const sampler = setInterval(() => {
  for (const [kind, bytes] of Object.entries(memoryByKind(browser.process().pid))) {
    peak[kind] = Math.max(peak[kind] || 0, bytes);
  }
}, 250);

const start = Date.now();
await page.focus('#convert');
await page.keyboard.press('Enter');
await page.waitForSelector('#download[aria-disabled=false]', {timeout: 3600000});
const converted = Date.now();
const zip = await download('#download', 'large.zip');
const saved = Date.now();
clearInterval(sampler);

const mib = (bytes) => (bytes / 1048576).toFixed(0);
console.log(`page: converted in ${((converted - start) / 1000).toFixed(1)} s, zip of ` +
            `${mib(fs.statSync(zip).size)} MiB saved after ${((saved - start) / 1000).toFixed(1)} s ` +
            `(${((saved - start) / 1000 / nativeSeconds).toFixed(2)} × the command line)`);
for (const kind of Object.keys(peak).sort()) {
  console.log(`  ${kind}: idle ${mib(idle[kind] || 0)} MiB, peak ${mib(peak[kind])} MiB, ` +
              `+${mib(peak[kind] - (idle[kind] || 0))} MiB`);
}
// The zip holds what the command line wrote, byte for byte and time for time.
const compared = spawnSync('python3', [path.join(path.dirname(new URL(import.meta.url).pathname), 'compare_zip.py'),
                                      zip, nativeOut, String(Math.floor(start / 1000)),
                                      String(Math.ceil(converted / 1000))], {encoding: 'utf8'});
console.log(`zip against the command line: ${(compared.stdout || compared.stderr).trim().split('\n').slice(-3).join(' / ')}`);
fs.rmSync(nativeOut, {recursive: true, force: true});
await browser.close();
server.close();
fs.rmSync(work, {recursive: true, force: true});
