#pragma once
// ZipWriter: a zip archive written front to back, every entry stored as it
// is (mail barely shrinks enough to be worth the time in a browser), with
// UTF-8 names, the exact Unix time in each entry's extended-timestamp field
// beside the DOS field's local time, and ZIP64 records wherever a size, an
// offset or the number of entries needs them.
//
// The writer only produces the records; an entry's bytes are handed to the
// sink by reference (the sink knows where a file's bytes are kept), so that
// neither the writer nor the sink holds them in memory. Sizes and checksums
// are known before an entry starts: there are no data descriptors.
//
// Written here rather than taken from npm: the libraries there stream each
// file as it is written, while quernel stamps a file's time after writing it
// and keeps several files open at once, and none writes the exact time.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/calendar.h"

namespace quernel {

class ZipSink {
 public:
  virtual ~ZipSink() = default;
  virtual void writeRecord(std::string_view bytes) = 0;
  // Writes the bytes of the file whose entry was added with `contents`.
  virtual void writeContents(uint64_t contents) = 0;
  // Hands on whatever the sink gathered, so that the bytes written so far
  // can be read back.
  virtual void flush() {}
};

struct ZipEntry {
  std::string name;  // relative, "/"-separated, UTF-8; a directory without the final "/"
  bool directory = false;
  uint64_t size = 0;
  uint32_t crc = 0;
  int64_t unixTime = 0;
  uint64_t contents = 0;  // handed back to ZipSink::writeContents
};

class ZipWriter {
 public:
  // `calendar` gives the local time for the DOS fields.
  ZipWriter(ZipSink& sink, const Calendar& calendar) : sink_(sink), calendar_(calendar) {}

  // Adds an entry whose bytes the sink writes (ZipSink::writeContents), or
  // the bytes given (entry.size of them); returns the entry's number.
  size_t add(const ZipEntry& entry);
  size_t add(const ZipEntry& entry, std::string_view bytes);
  // Leaves entry `number` out of the central directory, which is what zip
  // readers list: its bytes stay where they are, unlisted. For a file that
  // changed after its entry was written.
  void remove(size_t number) { written_[number].removed = true; }
  // Everything written so far can be read back after this (ZipSink::flush).
  void flush() { sink_.flush(); }
  // Where the bytes of entry `number` start in the archive.
  uint64_t contentsOffset(size_t number) const { return written_[number].contentsOffset; }
  // Writes the central directory; nothing may be added afterwards.
  void finish();

 private:
  struct Written {
    ZipEntry entry;
    uint64_t offset;
    uint64_t contentsOffset;
    bool removed = false;
  };

  ZipSink& sink_;
  const Calendar& calendar_;
  std::vector<Written> written_;
  uint64_t offset_ = 0;

  void emit(std::string_view bytes);
  size_t writeHeader(const ZipEntry& entry);
};

}  // namespace quernel
