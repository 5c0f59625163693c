// The functions that the WebAssembly module calls (src/platform/web/browser_files.h),
// handed on to the worker's `quernelHost` (worker.js).
mergeInto(LibraryManager.library, {
  quernel_read_file: function (file, offset, buffer, size) {
    return self.quernelHost.read(file, offset, HEAPU8.subarray(buffer, buffer + size));
  },
  quernel_keep_bytes: function (contents, bytes, size) {
    self.quernelHost.keep(contents, HEAPU8.subarray(bytes, bytes + size));
  },
  quernel_keep_zipped: function (contents, offset, size) {
    self.quernelHost.keepZipped(contents, offset, size);
  },
  quernel_drop_contents: function (contents) {
    self.quernelHost.drop(contents);
  },
  quernel_zip_bytes: function (bytes, size) {
    self.quernelHost.zipBytes(HEAPU8.subarray(bytes, bytes + size));
  },
  quernel_zip_contents: function (contents) {
    self.quernelHost.zipContents(contents);
  },
  quernel_report_read: function (bytes) {
    self.quernelHost.progress(bytes);
  },
  quernel_message_done: function () {
    self.quernelHost.messageDone();
  },
  quernel_print: function (text, size) {
    self.quernelHost.print(HEAPU8.slice(text, text + size));
  },
});
