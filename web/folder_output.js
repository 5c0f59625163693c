// Writes a finished run's output into a folder the user picked, instead of
// the zip: the same names, bytes and folders, read from the spool that
// worker.js keeps. Synchronous access handles exist only for the
// origin-private file system, so the picked folder is written through the
// asynchronous API; it cannot set a file's time.
//
// Nothing already in the folder is replaced: when any output's name is taken
// there, nothing is written and the zip is made instead.
'use strict';

function parentPath(path) { const slash = path.lastIndexOf('/'); return slash < 0 ? '' : path.slice(0, slash); }
function lastPart(path) { return path.slice(path.lastIndexOf('/') + 1); }

// What stands at `path` in `root`: 'file', 'directory' or null; 'file' too
// when a file stands where one of its parents would be.
async function entryKind(root, path) {
  let directory = root;
  for (const part of path.split('/')) {
    try {
      directory = await directory.getDirectoryHandle(part);
    } catch (error) {
      if (error.name === 'TypeMismatchError') return 'file';
      if (error.name === 'NotFoundError') return null;
      throw error;
    }
  }
  return 'directory';
}

// What writing `outputs` into `root` makes there: {taken} with the first
// output whose name is taken, or {files, directories} with the files' names
// and the folders that do not exist yet, parents before children. An existing
// folder where a folder goes is used as it is.
async function folderPlan(root, outputs) {
  const files = [];
  const folders = new Set();
  for (const output of outputs) {
    const kind = await entryKind(root, output.name);
    if (kind !== null && !(output.directory && kind === 'directory')) return {taken: output.name};
    if (!output.directory) files.push(output.name);
    for (let path = output.directory ? output.name : parentPath(output.name); path; path = parentPath(path)) {
      folders.add(path);
    }
  }
  const directories = [];
  for (const path of [...folders].sort()) {
    if (await entryKind(root, path) === null) directories.push(path);
  }
  return {files, directories};
}

// The next message from the page: the worker's one conversion is under way,
// so its handler is free for these.
function nextMessage() {
  return new Promise((resolve) => { self.onmessage = ({data}) => resolve(data); });
}

// Copies the spooled bytes of output `contents` into `writable`, through one
// block kept for all files (each write is awaited before it is used again).
let folderBlock = null;
async function writeKept(contents, writable) {
  folderBlock ??= new Uint8Array(kBlock);
  const block = folderBlock;
  for (let [offset, size] of kept.get(contents) || []) {
    while (size > 0) {
      const length = spool.handle.read(block.subarray(0, Math.min(size, kBlock)), {at: offset});
      if (length === 0) throw new Error('the spool ended early');
      await writable.write(block.subarray(0, length));
      offset += length;
      size -= length;
    }
  }
}

// Writes the outputs below `directory` of the module's file system into
// `root`; false (nothing written) when a name is taken there. The page gets
// the plan and answers before anything is made, so that it always knows
// what to remove if the run is stopped.
async function writeIntoFolder(module, directory, root) {
  const outputs = JSON.parse(module.ccall('quernel_list_outputs', 'string', ['string'], [directory]));
  const plan = await folderPlan(root, outputs);
  if (plan.taken !== undefined) {
    postMessage({type: 'folder-taken', name: plan.taken});
    return false;
  }
  const answer = nextMessage();
  postMessage({type: 'folder-plan', ...plan});
  if ((await answer).type !== 'folder-write') return false;
  const folders = new Map([['', root]]);
  const folderAt = async (path) => {
    if (!folders.has(path)) {
      const parent = await folderAt(parentPath(path));
      folders.set(path, await parent.getDirectoryHandle(lastPart(path), {create: true}));
    }
    return folders.get(path);
  };
  let files = 0;
  for (const output of outputs) {
    if (output.directory) {
      await folderAt(output.name);
      continue;
    }
    const parent = await folderAt(parentPath(output.name));
    // Looked at again just before it is made: a file that appeared since
    // the first look is not replaced either.
    if (await entryKind(parent, lastPart(output.name)) !== null) {
      postMessage({type: 'folder-foreign', name: output.name});
      throw new Error(`"${output.name}" appeared in the folder while quernel wrote there`);
    }
    const handle = await parent.getFileHandle(lastPart(output.name), {create: true});
    const writable = await handle.createWritable();
    await writeKept(output.contents, writable);
    await writable.close();
    postMessage({type: 'folder-progress', files: ++files});
  }
  return true;
}
