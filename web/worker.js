// Runs one conversion: the files arrive from the page and are copied into
// files of the page's origin-private file system (OPFS), which the module
// reads straight into its memory; what it writes goes into the zip in a
// second file there as each small file is done, and the bytes of large ones
// into a third (the spool), from which they are copied into the zip at the
// end: the page offers the zip file itself, which the browser reads from its
// disk. Nothing here goes over the network.
'use strict';
importScripts('quernel.js', 'folder_output.js');

// The copies of the inputs: the module reads a mailbox in many small pieces
// all over it, which a File gives only through FileReaderSync at about 28 ms
// a call (and a new buffer each time), while a copy's access handle reads a
// piece in microseconds into the module's own memory. A File's stream gives
// all its bytes in one pass, in a few seconds a GiB. The copies lie one after
// another in a single file of that storage, read through one handle: with a
// handle for each, a run over 500 small mailboxes stalled after about 30.
let copies = null;        // BlockWriter
const inputStarts = [];   // where each input's copy begins, by the number the module knows
// Each call into a file of that storage costs about as much as copying some
// KiB, so the spool and the zip are written, and the spool read, in blocks;
// blocks of 1 MiB copied a GiB in 1.1–1.3 s where 8 MiB ones took 1.6–2.5 s
// (they stay in the processor's cache).
const kBlock = 1 << 20;

// Appends to a file of that storage, a block at a time.
class BlockWriter {
  constructor(handle) {
    this.handle = handle;  // FileSystemSyncAccessHandle
    this.block = new Uint8Array(kBlock);
    this.used = 0;
    this.end = 0;          // the bytes added, the block's included
  }

  add(bytes) {
    // Large pieces (the module's gathered blocks) are written as they are.
    if (bytes.length >= kBlock / 2) {
      if (this.used > 0) this.flush();
      this.used = bytes.length;
      this.end += bytes.length;
      this.flush(bytes);
      return;
    }
    for (let at = 0; at < bytes.length;) {
      if (this.used === kBlock) this.flush();
      const size = Math.min(bytes.length - at, kBlock - this.used);
      this.block.set(bytes.subarray(at, at + size), this.used);
      this.used += size;
      this.end += size;
      at += size;
    }
  }

  flush(bytes = this.block.subarray(0, this.used)) {
    const at = this.end - this.used;
    if (this.handle.write(bytes, {at}) !== this.used) {
      throw new Error('the browser kept only part of a write (is the disk full?)');
    }
    this.used = 0;
  }
}

// The written bytes, one file after another as they came: an output's bytes
// are the [offset, length] pieces kept for its number.
let spool = null;         // BlockWriter
const kept = new Map();   // an output's number -> its [offset, length] pieces, in order
let zip = null;           // BlockWriter
const readBlock = new Uint8Array(kBlock);
let readStart = 0;
let readLength = 0;
const decoder = new TextDecoder();
let printed = '';
let lastProgress = 0;
let copied = 0;           // the bytes of all inputs copied so far
let readSoFar = 0;        // the bytes the module has read
let messagesDone = 0;     // the messages the module has dealt with

// The files come in the order they were written, so the spool is read front
// to back, a block at a time.
function addSpooledToZip(offset, size) {
  while (size > 0) {
    if (offset < readStart || offset >= readStart + readLength) {
      readStart = offset;
      readLength = spool.handle.read(readBlock, {at: offset});
      if (readLength === 0) throw new Error('the spool ended early');
    }
    const piece = Math.min(size, readStart + readLength - offset);
    zip.add(readBlock.subarray(offset - readStart, offset - readStart + piece));
    offset += piece;
    size -= piece;
  }
}

self.quernelHost = {
  read(file, offset, into) {
    return copies.handle.read(into, {at: inputStarts[file] + offset});
  },
  keep(contents, bytes) {
    if (!kept.has(contents)) kept.set(contents, []);
    const pieces = kept.get(contents);
    const last = pieces[pieces.length - 1];
    if (last && last[0] + last[1] === spool.end) {
      last[1] += bytes.length;
    } else {
      pieces.push([spool.end, bytes.length]);
    }
    spool.add(bytes);
  },
  // Rare: a file changed after it went into the zip.
  keepZipped(contents, offset, size) {
    zip.flush();
    const bytes = new Uint8Array(size);
    if (zip.handle.read(bytes, {at: offset}) !== size) throw new Error('the zip ended early');
    this.keep(contents, bytes);
  },
  drop(contents) {
    kept.delete(contents);
  },
  zipBytes(bytes) {
    zip.add(bytes);
  },
  zipContents(contents) {
    for (const [offset, size] of kept.get(contents) || []) addSpooledToZip(offset, size);
  },
  progress(bytes) {
    readSoFar = bytes;
    this.report();
  },
  messageDone() {
    messagesDone++;
    this.report();
  },
  // The bar covers the bytes copied, then those the module reads: each
  // input counts twice, and the page hears half of the sum.
  report() {
    const now = performance.now();
    if (now - lastProgress < 50) return;
    lastProgress = now;
    postMessage({type: 'progress', bytes: Math.floor((copied + readSoFar) / 2), messages: messagesDone});
  },
  print(bytes) {
    printed += decoder.decode(bytes, {stream: true});
    const end = printed.lastIndexOf('\n');
    if (end < 0) return;
    postMessage({type: 'log', text: printed.slice(0, end), messages: messagesDone});
    printed = printed.slice(end + 1);
  },
};

async function openInStorage(directory, name) {
  const file = await directory.getFileHandle(name, {create: true});
  return new BlockWriter(await file.createSyncAccessHandle());
}

// Appends `file` to the copies, a block at a time, with the stream reading
// into the block itself; returns where its copy begins.
async function copyIntoStorage(file) {
  const start = copies.end;
  const stream = file.stream().getReader({mode: 'byob'});
  let block = copies.block.buffer;
  for (;;) {
    const {done, value} = await stream.read(new Uint8Array(block, copies.used, kBlock - copies.used));
    if (value) block = value.buffer;  // the stream hands the block back
    copies.block = new Uint8Array(block);
    if (done) break;
    copies.used += value.length;
    copies.end += value.length;
    copied += value.length;
    self.quernelHost.progress(0);
    if (copies.used === kBlock) copies.flush();
  }
  if (copies.end - start !== file.size) throw new Error(`${file.name} changed while it was copied`);
  return start;
}

// The module comes compiled from the page, which fetched it when it opened,
// so that a conversion makes no request at all.
// `files`: [{file, path}] with paths below /in; `args`: the command line;
// `storage`: the names of the spool, the zip and the inputs' copies in the
// origin-private file system; the page removes
// whatever begins as they do when it is done with them; `folder`: a folder
// the user picked to write into instead of the zip, if any.
self.onmessage = async ({data}) => {
  const {wasm, files, args, directories, storage, folder} = data;
  const module = await createQuernel({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
      return {};
    },
  });
  let root;
  try {
    root = await navigator.storage.getDirectory();
    spool = await openInStorage(root, storage.spool);
    zip = await openInStorage(root, storage.zip);
  } catch (error) {
    postMessage({type: 'failed', text: 'the browser offers no private storage for the output: ' + error.message});
    return;
  }
  // Where the time went, for the browser's console (and large_mailbox.mjs).
  const started = performance.now();
  const phases = [];
  const timed = (what) => phases.push(`${what} ${((performance.now() - started) / 1000).toFixed(1)} s`);
  try {
    copies = await openInStorage(root, storage.inputs);
    for (const {file} of files) inputStarts.push(await copyIntoStorage(file));
    copies.flush();
  } catch (error) {
    postMessage({type: 'failed', text: 'the inputs could not be copied into the private storage: ' + error.message});
    return;
  }
  for (const directory of directories) module.ccall('quernel_add_directory', null, ['string'], [directory]);
  files.forEach(({file, path}, number) => {
    module.ccall('quernel_add_input', null, ['string', 'number', 'number', 'number'],
                 [path, number, file.size, file.lastModified]);
  });
  let status;
  try {
    timed('inputs copied after');
    // Written into a picked folder, every file goes through the spool, from
    // which the folder is written (or the zip made, if a name is taken there).
    if (!folder) module.ccall('quernel_start_zip', null, ['string'], ['/out']);
    status = module.ccall('quernel_run', 'number', ['string'], [args.join('\n')]);
    spool.flush();
    timed('converted after');
    if (printed) postMessage({type: 'log', text: printed, messages: messagesDone});
    copies.handle.close();
    await root.removeEntry(storage.inputs);
    if (folder) {
      if (await writeIntoFolder(module, '/out', folder)) {
        postMessage({type: 'written', status});
        return;
      }
      // A name was taken there: the zip after all, from the spool.
      module.ccall('quernel_start_zip', null, ['string'], ['/out']);
    }
    module.ccall('quernel_write_zip', null, [], []);
    zip.flush();
    zip.handle.flush();
    timed('zip made after');
  } catch (error) {
    postMessage({type: 'failed', text: String(error)});
    return;
  }
  kept.clear();
  spool.handle.close();
  zip.handle.close();
  await root.removeEntry(storage.spool);
  // A File backed by the browser's disk: the page hands it to the download
  // without reading it.
  const saved = await (await root.getFileHandle(storage.zip)).getFile();
  console.info('quernel: ' + phases.join(', '));
  postMessage({type: 'done', status, zip: saved});
};

postMessage({type: 'ready'});
