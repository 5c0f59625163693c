// Runs one conversion: the files arrive from the page, the module reads them
// a slice at a time, and what it writes is kept as Blobs, which become the
// zip. Nothing here goes over the network.
'use strict';
importScripts('quernel.js');

const reader = new FileReaderSync();
const inputs = [];        // the File objects, by the number the module knows
// Written bytes are gathered into a spool, which becomes one Blob when full:
// a Blob per file would cost a call into the browser process for each one.
const kSpool = 8 << 20;
const spool = new Uint8Array(kSpool);
let spoolUsed = 0;
const spooled = [];       // the full spools' Blobs
const kept = new Map();   // an output's number -> its [spool, offset, length] pieces, in order
const zipParts = [];      // the zip's Blobs
const zipSpool = new Uint8Array(kSpool);
let zipUsed = 0;
const decoder = new TextDecoder();
let printed = '';
let lastProgress = 0;

let readBack = {number: -1, bytes: null};
function spoolBytes(number) {
  if (number === spooled.length) return spool;  // the one still being filled
  if (readBack.number !== number) {
    readBack = {number, bytes: new Uint8Array(reader.readAsArrayBuffer(spooled[number]))};
  }
  return readBack.bytes;
}

function addToZip(bytes) {
  for (let at = 0; at < bytes.length;) {
    if (zipUsed === kSpool) {
      zipParts.push(new Blob([zipSpool]));
      zipUsed = 0;
    }
    const size = Math.min(bytes.length - at, kSpool - zipUsed);
    zipSpool.set(bytes.subarray(at, at + size), zipUsed);
    zipUsed += size;
    at += size;
  }
}

function sealSpool() {
  if (spoolUsed > 0) spooled.push(new Blob([spool.subarray(0, spoolUsed)]));
  spoolUsed = 0;
}

self.quernelHost = {
  read(file, offset, into) {
    const slice = inputs[file].slice(offset, offset + into.length);
    const bytes = new Uint8Array(reader.readAsArrayBuffer(slice));
    into.set(bytes);
    return bytes.length;
  },
  keep(contents, bytes) {
    if (!kept.has(contents)) kept.set(contents, []);
    const pieces = kept.get(contents);
    for (let at = 0; at < bytes.length;) {
      if (spoolUsed === kSpool) sealSpool();
      const size = Math.min(bytes.length - at, kSpool - spoolUsed);
      spool.set(bytes.subarray(at, at + size), spoolUsed);
      const last = pieces[pieces.length - 1];
      if (last && last[0] === spooled.length && last[1] + last[2] === spoolUsed) {
        last[2] += size;
      } else {
        pieces.push([spooled.length, spoolUsed, size]);
      }
      spoolUsed += size;
      at += size;
    }
  },
  drop(contents) {
    kept.delete(contents);
  },
  zipBytes(bytes) {
    addToZip(bytes);
  },
  // The files come in the order they were written, so the spools are read
  // back one after the other.
  zipContents(contents) {
    for (const [number, offset, size] of kept.get(contents) || []) {
      addToZip(spoolBytes(number).subarray(offset, offset + size));
    }
  },
  progress(bytes) {
    const now = performance.now();
    if (now - lastProgress < 50) return;
    lastProgress = now;
    postMessage({type: 'progress', bytes});
  },
  print(bytes) {
    printed += decoder.decode(bytes, {stream: true});
    const end = printed.lastIndexOf('\n');
    if (end < 0) return;
    postMessage({type: 'log', text: printed.slice(0, end)});
    printed = printed.slice(end + 1);
  },
};

// The module comes compiled from the page, which fetched it when it opened,
// so that a conversion makes no request at all.
// `files`: [{file, path}] with paths below /in; `args`: the command line.
self.onmessage = async ({data}) => {
  const {wasm, files, args, directories} = data;
  const module = await createQuernel({
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasm, imports).then((instance) => receive(instance, wasm));
      return {};
    },
  });
  for (const directory of directories) module.ccall('quernel_add_directory', null, ['string'], [directory]);
  for (const {file, path} of files) {
    inputs.push(file);
    module.ccall('quernel_add_input', null, ['string', 'number', 'number', 'number'],
                 [path, inputs.length - 1, file.size, file.lastModified]);
  }
  let status;
  try {
    status = module.ccall('quernel_run', 'number', ['string'], [args.join('\n')]);
  } catch (error) {
    postMessage({type: 'failed', text: String(error)});
    return;
  }
  if (printed) postMessage({type: 'log', text: printed});
  module.ccall('quernel_write_zip', null, ['string'], ['/out']);
  kept.clear();
  spooled.length = 0;
  zipParts.push(new Blob([zipSpool.subarray(0, zipUsed)]));
  postMessage({type: 'done', status, zip: new Blob(zipParts, {type: 'application/zip'})});
};

postMessage({type: 'ready'});
