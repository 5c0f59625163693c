// The page: gathers the chosen files, builds the command line quernel would
// be given for them, and runs it in a worker (worker.js). Stop ends the
// worker at once; only a finished run offers its zip.
'use strict';

const $ = (id) => document.getElementById(id);
let chosen = [];     // [{file, path}]: path relative to what was chosen
let worker = null;   // the running conversion's
let spare = null;    // the next conversion's, loaded while the page is idle
let spareReady = false;
let wasm = null;     // the compiled module, fetched once when the page opens
let zipUrl = null;
// The files of a run in the origin-private file system all begin with this:
// whatever an earlier run (or a closed tab) left there goes when the next
// one starts, and a stopped run's go at once.
const kStoragePrefix = 'quernel-run-';
let runNumber = 0;
let running = null;  // the running conversion's prefix in that storage

function isMailbox(path) { return /\.dbx$/i.test(path); }
function baseName(path) { return path.slice(path.lastIndexOf('/') + 1); }
function parentOf(path) { const slash = path.lastIndexOf('/'); return slash < 0 ? '' : path.slice(0, slash); }

function choose(entries) {
  chosen = entries.filter(({path}) => isMailbox(path));
  chosen.sort((a, b) => (a.path < b.path ? -1 : a.path > b.path ? 1 : 0));
  const bytes = chosen.reduce((sum, {file}) => sum + file.size, 0);
  const store = storeFolder();
  $('chosen').textContent = chosen.length === 0 ? 'No .dbx files among those chosen.'
    : `${chosen.length} mailbox${chosen.length === 1 ? '' : 'es'}, ${formatBytes(bytes)}` +
      (store === null ? '' : ' — a store: its folder tree is kept');
  updateConvert();
}

function updateConvert() {
  $('convert').disabled = worker !== null || chosen.length === 0 || !spareReady || wasm === null;
}

// Every conversion gets a fresh worker, made before it is needed: the worker
// and its loader are fetched here, never while a conversion runs.
function prepareWorker() {
  spareReady = false;
  spare = new Worker('worker.js');
  spare.onmessage = ({data}) => {
    if (data.type === 'ready') {
      spareReady = true;
      updateConvert();
    }
  };
}

function formatBytes(bytes) {
  if (bytes < 1024 * 1024) return `${(bytes / 1024).toFixed(1)} KiB`;
  return `${(bytes / 1024 / 1024).toFixed(1)} MiB`;
}

// The folder that holds Folders.dbx, when the choice has one (the shallowest).
function storeFolder() {
  const lists = chosen.filter(({path}) => baseName(path).toLowerCase() === 'folders.dbx');
  if (lists.length === 0) return null;
  lists.sort((a, b) => a.path.split('/').length - b.path.split('/').length);
  return parentOf(lists[0].path);
}

// The command line, as quernel on Linux would be given it, over /in and /out.
function commandLine() {
  const args = [];
  const format = $('format').value;
  const naming = $('naming').value;
  const option = {mbox: '-mbx', mboxrd: '-mbxrd', eml: '-eml', maildir: '-maildir'}[format];
  const store = storeFolder();
  if (store !== null) args.push('-tree');
  args.push(format === 'maildir' ? option : option + naming);
  if ($('flags').checked) args.push('-flags');
  if ($('recover').checked) args.push('-recover');
  if ($('codepage').value !== 'auto') args.push('-cp' + $('codepage').value);
  if (store !== null) {
    args.push(store === '' ? '/in' : '/in/' + store);
  } else {
    for (const {path} of chosen) args.push('/in/' + path);
  }
  args.push('/out');
  return args;
}

function log(text) {
  const panel = $('log');
  panel.textContent += text + '\n';
  panel.scrollTop = panel.scrollHeight;
}

function setRunning(running) {
  updateConvert();
  $('stop').disabled = !running;
  for (const id of ['files', 'folder', 'format', 'flags', 'recover', 'codepage', 'naming']) $(id).disabled = running;
}

function offerZip(zip) {
  const link = $('download');
  if (zipUrl) URL.revokeObjectURL(zipUrl);
  zipUrl = zip ? URL.createObjectURL(zip) : null;
  if (zipUrl) {
    link.href = zipUrl;
    link.setAttribute('aria-disabled', 'false');
    link.download = (chosen.length === 1 ? baseName(chosen[0].path).replace(/\.dbx$/i, '') : 'quernel') + '.zip';
  } else {
    link.removeAttribute('href');
    link.setAttribute('aria-disabled', 'true');
  }
}

// Removes the runs' files from the origin-private file system, all of them
// or those of one run. A file the worker that just ended still held may stay
// locked for a moment, so that one is tried again.
async function removeStored(prefix, tries = 20) {
  let root;
  try {
    root = await navigator.storage.getDirectory();
  } catch {
    return;  // no such storage: nothing was kept there
  }
  for (let attempt = 0; attempt < tries; attempt++) {
    let left = 0;
    for await (const name of root.keys()) {
      if (!name.startsWith(prefix)) continue;
      try {
        await root.removeEntry(name);
      } catch {
        left++;
      }
    }
    if (left === 0) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
}

async function convert(event) {
  event.preventDefault();
  if (chosen.length === 0 || worker || !spareReady || !wasm) return;
  offerZip(null);
  worker = spare;
  spare = null;
  const run = `${kStoragePrefix}${Date.now()}-${++runNumber}`;
  const storage = {spool: run + '.spool', zip: run + '.zip', inputs: run + '.in'};
  running = run;
  setRunning(true);
  await removeStored(kStoragePrefix, 1);
  if (running !== run) return;  // stopped meanwhile
  const args = commandLine();
  const total = chosen.reduce((sum, {file}) => sum + file.size, 0);
  const progress = $('progress');
  progress.max = Math.max(total, 1);
  progress.value = 0;
  $('log').textContent = '';
  log('quernel ' + args.map((arg) => arg.replace(/^\/in\//, '').replace(/^\/out$/, 'output')).join(' '));
  const started = performance.now();
  const done = {mailboxes: 0, messages: 0, read: 0};
  const showCounts = () => {
    $('counts').textContent = `${formatBytes(done.read)} of ${formatBytes(total)} read; ` +
      `${done.mailboxes} mailbox${done.mailboxes === 1 ? '' : 'es'} with ${done.messages} messages begun`;
  };
  worker.onmessage = ({data}) => {
    if (data.type === 'progress') {
      done.read = Math.min(data.bytes, total);
      progress.value = done.read;
      showCounts();
    } else if (data.type === 'log') {
      log(data.text);
      // The lines the command line prints as it begins each mailbox.
      for (const match of data.text.matchAll(/^Processing mailbox .* \((\d+) messages\)/gm)) {
        done.mailboxes++;
        done.messages += Number(match[1]);
      }
      showCounts();
    } else if (data.type === 'failed') {
      log('Stopped by an error: ' + data.text);
      finish();
      removeStored(run);
    } else if (data.type === 'done') {
      progress.value = progress.max;
      const seconds = ((performance.now() - started) / 1000).toFixed(1);
      $('counts').textContent = `Done in ${seconds} s: ${formatBytes(data.zip.size)} to download.`;
      offerZip(data.zip);
      finish();
      $('download').focus();
    }
  };
  worker.onerror = (error) => {
    log('Stopped by an error: ' + error.message);
    finish();
    removeStored(run);
  };
  worker.postMessage({wasm, files: chosen.map(({file, path}) => ({file, path: '/in/' + path})),
                      directories: ['/out'], args, storage});
}

function finish() {
  if (worker) worker.terminate();
  worker = null;
  running = null;
  setRunning(false);
  prepareWorker();
}

function stop() {
  if (!worker) return;
  const run = running;
  finish();
  if (run) removeStored(run);
  offerZip(null);
  $('progress').value = 0;
  $('counts').textContent = 'Stopped: nothing was kept.';
  log('Stopped.');
  $('convert').focus();
}

// Files and folders dropped on the page, read through their entries.
async function droppedEntries(items) {
  const found = [];
  const visit = async (entry, prefix) => {
    if (entry.isFile) {
      const file = await new Promise((resolve, reject) => entry.file(resolve, reject));
      found.push({file, path: prefix + entry.name});
    } else if (entry.isDirectory) {
      const reader = entry.createReader();
      for (;;) {
        const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
        if (batch.length === 0) break;
        for (const child of batch) await visit(child, prefix + entry.name + '/');
      }
    }
  };
  const entries = [...items].map((item) => item.webkitGetAsEntry()).filter(Boolean);
  for (const entry of entries) await visit(entry, '');
  return found;
}

async function init() {
  $('files').addEventListener('change', () => {
    choose([...$('files').files].map((file) => ({file, path: file.name})));
  });
  $('folder').addEventListener('change', () => {
    choose([...$('folder').files].map((file) => ({file, path: file.webkitRelativePath || file.name})));
  });
  $('choices').addEventListener('submit', convert);
  $('stop').addEventListener('click', stop);
  document.addEventListener('dragover', (event) => {
    event.preventDefault();
    document.body.classList.add('dragging');
  });
  document.addEventListener('dragleave', () => document.body.classList.remove('dragging'));
  document.addEventListener('drop', async (event) => {
    event.preventDefault();
    document.body.classList.remove('dragging');
    if (!worker) choose(await droppedEntries(event.dataTransfer.items));
  });
  prepareWorker();
  try {
    wasm = await WebAssembly.compileStreaming(fetch('quernel.wasm'));
  } catch (error) {
    log('The page could not load its WebAssembly module: ' + error.message);
  }
  updateConvert();
}

init();
