// Runs one conversion: the files arrive from the page, the module reads them
// a slice at a time, and what it writes is kept as Blobs, which become the
// zip. Nothing here goes over the network.
'use strict';
importScripts('quernel.js');

const reader = new FileReaderSync();
const inputs = [];        // the File objects, by the number the module knows
const kept = new Map();   // an output's number -> its Blobs, in order
const zipParts = [];
const decoder = new TextDecoder();
let printed = '';
let lastProgress = 0;

self.quernelHost = {
  read(file, offset, into) {
    const slice = inputs[file].slice(offset, offset + into.length);
    const bytes = new Uint8Array(reader.readAsArrayBuffer(slice));
    into.set(bytes);
    return bytes.length;
  },
  keep(contents, bytes) {
    if (!kept.has(contents)) kept.set(contents, []);
    kept.get(contents).push(new Blob([bytes]));
  },
  drop(contents) {
    kept.delete(contents);
  },
  zipBytes(bytes) {
    zipParts.push(bytes);
  },
  zipContents(contents) {
    zipParts.push(...(kept.get(contents) || []));
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
  postMessage({type: 'done', status, zip: new Blob(zipParts, {type: 'application/zip'})});
};

postMessage({type: 'ready'});
