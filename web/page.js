// The page: gathers the chosen files, builds the command line quernel would
// be given for them, and runs it in a worker (worker.js). Stop ends the
// worker at once; only a finished run offers its zip, or leaves its files in
// the folder the user picked.
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
// A folder the user picked for the running conversion, and what the worker
// makes in it ({files, directories}, all new): a run that does not end well
// removes them.
let pickedFolder = null;
let folderPlan = null;

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

// Mailboxes and messages done: the messages as the worker counts them (each
// one the program has dealt with), the mailboxes from the lines the command
// line prints, a mailbox being done when the next one begins or the run ends.
class Tally {
  constructor() {
    this.mailboxes = 0;
    this.messages = 0;
    this.converting = false;  // a mailbox has begun and is not counted yet
  }

  read(text) {
    for (const line of text.split('\n')) {
      if (/^Processing mailbox .* \(\d+ messages\)\.\.\.$/.test(line)) {
        this.close();
        this.converting = true;
      } else if (/^".*" (contains no messages, skipped|is not an Outlook Express mailbox!)/.test(line)) {
        this.close();
        this.mailboxes++;
      }
    }
  }

  close() {
    if (this.converting) this.mailboxes++;
    this.converting = false;
  }

  // The worker's count of messages.
  count(messages) { this.messages = Math.max(this.messages, messages); }

  toString() {
    return `${this.mailboxes} mailbox${this.mailboxes === 1 ? '' : 'es'} and ` +
      `${this.messages} message${this.messages === 1 ? '' : 's'} done`;
  }
}

function log(text) {
  const panel = $('log');
  panel.textContent += text + '\n';
  panel.scrollTop = panel.scrollHeight;
}

function setRunning(running) {
  updateConvert();
  $('stop').disabled = !running;
  const choices = ['files', 'folder', 'format', 'flags', 'recover', 'codepage', 'naming', 'save-zip', 'save-folder'];
  for (const id of choices) $(id).disabled = running;
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

// The folder the user picks to write into, asked for as Convert is pressed;
// null when the zip is wanted or no folder was picked.
async function pickFolder() {
  if (!$('save-folder').checked) return null;
  try {
    return await window.showDirectoryPicker({id: 'quernel-output', mode: 'readwrite'});
  } catch (error) {
    log(`No folder picked (${error.message}): nothing was converted.`);
    return null;
  }
}

// Removes what the worker made, or was to make, in the picked folder: the
// files, then the folders, deepest first and only when empty again. A file
// the ended worker still held may stay locked for a moment, so that one is
// tried again.
async function removeMade(root, plan) {
  for (const path of [...plan.files, ...[...plan.directories].reverse()]) {
    for (let attempt = 0; attempt < 20; attempt++) {
      try {
        let parent = root;
        for (const part of parentOf(path).split('/').filter(Boolean)) parent = await parent.getDirectoryHandle(part);
        await parent.removeEntry(baseName(path));
        break;
      } catch (error) {
        if (error.name === 'NotFoundError' || error.name === 'InvalidModificationError') break;
        await new Promise((resolve) => setTimeout(resolve, 100));
      }
    }
  }
}

async function convert(event) {
  event.preventDefault();
  if (chosen.length === 0 || worker || !spareReady || !wasm) return;
  offerZip(null);
  const picked = await pickFolder();
  if ($('save-folder').checked && !picked) return;
  if (worker || !spareReady) return;  // picked while another run began
  pickedFolder = picked;
  worker = spare;
  spare = null;
  spareReady = false;
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
  const tally = new Tally();
  let read = 0;
  let toWrite = 0;
  const showCounts = () => {
    $('counts').textContent = `${tally}; ${formatBytes(read)} of ${formatBytes(total)} read`;
  };
  const ended = (text) => {
    tally.close();
    progress.value = progress.max;
    const seconds = ((performance.now() - started) / 1000).toFixed(1);
    $('counts').textContent = `Done in ${seconds} s: ${tally}; ${text}.`;
    finish();
  };
  const failed = (text) => {
    log('Stopped by an error: ' + text);
    const plan = folderPlan;
    finish();
    removeStored(run);
    if (plan) removeMade(picked, plan);
  };
  worker.onmessage = ({data}) => {
    if (data.type === 'progress') {
      read = Math.min(data.bytes, total);
      progress.value = read;
      tally.count(data.messages);
      showCounts();
    } else if (data.type === 'log') {
      log(data.text);
      tally.read(data.text);
      tally.count(data.messages);
      showCounts();
    } else if (data.type === 'folder-taken') {
      log(`"${data.name}" is already in the folder "${picked.name}": nothing was written there, ` +
          'the zip is offered instead.');
    } else if (data.type === 'folder-plan') {
      tally.close();
      folderPlan = {files: data.files, directories: data.directories};
      toWrite = data.files.length;
      worker.postMessage({type: 'folder-write'});
    } else if (data.type === 'folder-foreign') {
      folderPlan.files = folderPlan.files.filter((name) => name !== data.name);
    } else if (data.type === 'folder-progress') {
      $('counts').textContent = `${tally}; writing into "${picked.name}": ${data.files} of ${toWrite} files`;
    } else if (data.type === 'failed') {
      failed(data.text);
    } else if (data.type === 'written') {
      ended(`${toWrite} file${toWrite === 1 ? '' : 's'} written into "${picked.name}"`);
      removeStored(run);
      $('convert').focus();
    } else if (data.type === 'done') {
      offerZip(data.zip);
      ended(`${formatBytes(data.zip.size)} to download`);
      $('download').focus();
    }
  };
  worker.onerror = (error) => failed(error.message);
  worker.postMessage({wasm, files: chosen.map(({file, path}) => ({file, path: '/in/' + path})),
                      directories: ['/out'], args, storage, folder: picked});
}

function finish() {
  if (worker) worker.terminate();
  worker = null;
  running = null;
  pickedFolder = null;
  folderPlan = null;
  setRunning(false);
  // In a task of its own, after the run's end has been shown: its request
  // comes after the run in every sense.
  setTimeout(prepareWorker);
}

// Lets a worker that writes into the picked folder abort the files it has
// open (an ended worker would leave the browser's temporary copies of them
// there), then ends it.
function endWriting(ending) {
  return new Promise((resolve) => {
    const end = () => {
      ending.terminate();
      resolve();
    };
    ending.onmessage = ({data}) => { if (data.type === 'folder-stopped') end(); };
    ending.onerror = end;
    ending.postMessage({type: 'folder-stop'});
    setTimeout(end, 3000);
  });
}

async function stop() {
  if (!worker) return;
  const run = running;
  const picked = pickedFolder;
  const plan = folderPlan;
  const ending = worker;
  if (plan) worker = null;  // ended by endWriting, not at once
  finish();
  offerZip(null);
  $('progress').value = 0;
  log('Stopped.');
  $('convert').focus();
  $('counts').textContent = 'Stopping…';
  if (plan) await endWriting(ending);
  await Promise.all([run ? removeStored(run) : null, plan ? removeMade(picked, plan) : null]);
  $('counts').textContent = 'Stopped: nothing was kept.';
}

// Files and folders dropped on the page, read through their entries where
// the browser gives them (a folder needs one), else as plain files. The
// items must be read before the drop event ends.
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
  const dropped = [...items].filter((item) => item.kind === 'file')
    .map((item) => ({entry: item.webkitGetAsEntry?.(), file: item.getAsFile()}));
  for (const {entry, file} of dropped) {
    if (entry) {
      await visit(entry, '');
    } else if (file) {
      found.push({file, path: file.name});
    }
  }
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
  if ('showDirectoryPicker' in window) $('save').hidden = false;
  prepareWorker();
  try {
    wasm = await WebAssembly.compileStreaming(fetch('quernel.wasm'));
  } catch (error) {
    log('The page could not load its WebAssembly module: ' + error.message);
  }
  updateConvert();
}

init();
