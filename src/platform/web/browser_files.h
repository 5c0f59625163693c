#pragma once
// What the page's script provides to the WebAssembly module (web/library.js):
// the bytes of the browser's File objects (of their copies in the page's
// private storage), read a slice at a time, and the places where written
// bytes are kept outside the module's memory.
// Numbers that may pass 2^32 travel as doubles, which hold them exactly.

#include <cstddef>

extern "C" {

// Copies up to `size` bytes of input file `file` from `offset` into `buffer`;
// returns how many (fewer only at the end of the file).
double quernel_read_file(int file, double offset, void* buffer, size_t size);

// Appends bytes to the kept contents `contents` (created on first use).
void quernel_keep_bytes(int contents, const void* bytes, size_t size);

// Appends the `size` bytes of the zip being made from `offset` on to the
// kept contents `contents`: a file's bytes go back to where they can grow.
void quernel_keep_zipped(int contents, double offset, double size);

// Forgets the kept contents `contents`.
void quernel_drop_contents(int contents);

// Adds bytes, or the kept contents `contents`, to the zip being made.
void quernel_zip_bytes(const void* bytes, size_t size);
void quernel_zip_contents(int contents);

// The bytes of all inputs read so far, for the progress bar.
void quernel_report_read(double bytes);

// One more message dealt with, for the count beside the bar.
void quernel_message_done();

// One piece of what the program prints.
void quernel_print(const char* text, size_t size);
}
