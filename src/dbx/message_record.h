#pragma once
// Message records: the header properties of a message and where its text
// starts.

#include <cstdint>

#include "dbx/file_window.h"
#include "dbx/mailbox_reader.h"

namespace quernel::dbx {

struct RecordContents {
  MailboxReader::Properties properties;
  uint32_t textStart = 0;  // offset of the first text block; 0: no text
};

// Reads records for one mailbox. It keeps count of the string bytes it has
// read: a file whose records' strings add up to more bytes than the file
// holds is refused (FileError Unspecified), since real records never share
// string data and crafted ones could otherwise make every record read the
// same long run of bytes.
class RecordReader {
 public:
  explicit RecordReader(FileWindow& window) : window_(window) {}

  // Raises FileError OffsetOutOfRange for a string or date whose data lies
  // at or beyond the end of the file.
  RecordContents read(uint32_t record);

 private:
  std::string readString(uint64_t position);
  MessageTime readDate(uint64_t position);
  uint32_t readFlags(uint64_t position);
  uint32_t readTextStart(uint8_t id, uint32_t value, uint64_t dataArea);
  void checkDataPosition(uint64_t position) const;

  FileWindow& window_;
  uint64_t stringBytes_ = 0;
};

}  // namespace quernel::dbx
