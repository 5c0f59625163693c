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
  return new FolderLook(root).kind(path);
}

// Looks up paths below one folder, each folder on the way once: a store's
// thousands of files share a few parents.
class FolderLook {
  constructor(root) {
    this.found = new Map([['', root]]);  // path -> folder handle, 'file' or null
  }

  async kind(path) {
    const found = await this.at(path);
    return found === null || found === 'file' ? found : 'directory';
  }

  async at(path) {
    if (!this.found.has(path)) {
      const parent = await this.at(parentPath(path));
      this.found.set(path, parent === null || parent === 'file' ? parent : await childFolder(parent, lastPart(path)));
    }
    return this.found.get(path);
  }
}

async function childFolder(parent, name) {
  try {
    return await parent.getDirectoryHandle(name);
  } catch (error) {
    if (error.name === 'TypeMismatchError') return 'file';
    if (error.name === 'NotFoundError') return null;
    throw error;
  }
}

// What writing `outputs` into `root` makes there: {taken} with the first
// output whose name is taken, or {files, directories} with the files' names
// and the folders that do not exist yet, parents before children. An existing
// folder where a folder goes is used as it is.
async function folderPlan(root, outputs) {
  const look = new FolderLook(root);
  const files = [];
  for (const output of outputs) {
    const kind = await look.kind(output.name);
    if (kind !== null && !(output.directory && kind === 'directory')) return {taken: output.name};
    if (!output.directory) files.push(output.name);
  }
  const directories = [];
  for (const path of foldersOf(outputs)) {
    if (await look.kind(path) === null) directories.push(path);
  }
  return {files, directories};
}

// Every folder the outputs need, parents before children.
function foldersOf(outputs) {
  const folders = new Set();
  for (const output of outputs) {
    for (let path = output.directory ? output.name : parentPath(output.name); path; path = parentPath(path)) {
      folders.add(path);
    }
  }
  return [...folders].sort();
}

// The next message from the page: the worker's one conversion is under way,
// so its handler is free for these.
function nextMessage() {
  return new Promise((resolve) => { self.onmessage = ({data}) => resolve(data); });
}

// Set by the page's Stop, or by a failed file: no file is begun after it,
// and a file being written is aborted rather than finished. An ended worker
// would leave the browser's temporary copy of an open file behind.
let writingStopped = false;

// Each call into the browser's file API waits for its answer, so several
// files are written at once; each with a block of its own.
const kFilesAtOnce = 16;
const kFolderBlock = 1 << 20;

// Runs `work` on every item, `lanes` at a time, until all are done or one
// fails or writing is stopped; settles once every lane has ended.
async function inLanes(items, lanes, work) {
  let next = 0;
  const lane = async () => {
    while (next < items.length && !writingStopped) {
      try {
        await work(items[next++]);
      } catch (error) {
        writingStopped = true;
        throw error;
      }
    }
  };
  const ends = await Promise.allSettled(Array.from({length: lanes}, lane));
  const failure = ends.find((end) => end.status === 'rejected');
  if (failure) throw failure.reason;
  if (writingStopped) throw new Error('stopped');
}

// Writes one output into a new file of `parent`; aborted where writing stops.
async function writeFile(parent, output) {
  const writable = await (await parent.getFileHandle(lastPart(output.name), {create: true})).createWritable();
  try {
    await writeKept(output.contents, output.size, writable);
    if (writingStopped) throw new Error('stopped');
    await writable.close();
  } catch (error) {
    await writable.abort();
    throw error;
  }
}

// Copies the spooled bytes of output `contents` (`size` bytes) into `writable`.
async function writeKept(contents, size, writable) {
  const block = new Uint8Array(Math.min(size, kFolderBlock));
  for (let [offset, size] of kept.get(contents) || []) {
    while (size > 0) {
      const length = spool.handle.read(block.subarray(0, Math.min(size, block.length)), {at: offset});
      if (length === 0) throw new Error('the spool ended early');
      if (writingStopped) throw new Error('stopped');
      await writable.write(block.subarray(0, length));
      offset += length;
      size -= length;
    }
  }
}

// Makes the outputs' folders in `root`, then their files.
async function writeOutputs(root, outputs) {
  const folders = new Map([['', root]]);
  for (const path of foldersOf(outputs)) {
    if (writingStopped) throw new Error('stopped');
    folders.set(path, await folders.get(parentPath(path)).getDirectoryHandle(lastPart(path), {create: true}));
  }
  let files = 0;
  await inLanes(outputs.filter((output) => !output.directory), kFilesAtOnce, async (output) => {
    const parent = folders.get(parentPath(output.name));
    // Looked at again just before it is made: a file that appeared since
    // the first look is not replaced either.
    if (await entryKind(parent, lastPart(output.name)) !== null) {
      postMessage({type: 'folder-foreign', name: output.name});
      throw new Error(`"${output.name}" appeared in the folder while quernel wrote there`);
    }
    await writeFile(parent, output);
    postMessage({type: 'folder-progress', files: ++files});
  });
}

// Writes the outputs below `directory` of the module's file system into
// `root`; false (nothing written) when a name is taken there. The page gets
// the plan and answers before anything is made, so that it always knows
// what to remove if the run is stopped.
async function writeIntoFolder(module, directory, root) {
  const outputs = JSON.parse(module.ccall('quernel_list_outputs', 'string', ['string'], [directory]));
  spool.flush();  // the listing handed the last files' bytes to it
  const plan = await folderPlan(root, outputs);
  if (plan.taken !== undefined) {
    postMessage({type: 'folder-taken', name: plan.taken});
    return false;
  }
  const answer = nextMessage();
  postMessage({type: 'folder-plan', ...plan});
  if ((await answer).type !== 'folder-write') return false;
  let writing = null;
  self.onmessage = async ({data}) => {
    if (data.type !== 'folder-stop') return;
    writingStopped = true;
    await writing.catch(() => {});
    postMessage({type: 'folder-stopped'});
  };
  writing = writeOutputs(root, outputs);
  await writing;
  return true;
}
