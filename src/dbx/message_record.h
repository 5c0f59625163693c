#pragma once
// Message records: the header properties of a message and where its text
// starts.

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/file_window.h"
#include "dbx/message_properties.h"
#include "platform/calendar.h"

namespace quernel::dbx {

// One property entry of a record, as stored.
struct PropertyEntry {
  uint8_t id;      // the whole id byte, direct bit included
  uint32_t value;  // the u24 value: the property itself, or where its data lies
  uint64_t data;   // file offset of an indirect property's data
};

// The property entries of the record at `record`, in stored order. Records
// of mailboxes and of the folder list share this layout.
std::vector<PropertyEntry> ReadPropertyEntries(FileWindow& window, uint32_t record);

struct RecordContents {
  MessageProperties properties;
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

  // Raises CorruptionError OffsetOutOfRange for a string or date whose data
  // lies at or beyond the end of the file. A record cut off by the end of the
  // file reads as zeros; a date or text start that the file holds only in
  // part is taken as absent. Dates are made by `calendar` (MessageTimeFromFileTime).
  RecordContents read(uint32_t record, const Calendar& calendar);

  // The string at `position` as stored, up to its first zero byte or the end
  // of the file, counted against the file's string budget. Raises FileError
  // OffsetOutOfRange for a position at or beyond the end of the file.
  std::string readString(uint64_t position);
  // The u32 at `position`; the same check.
  uint32_t readNumber(uint64_t position);

 private:
  MessageTime readDate(uint64_t position, const Calendar& calendar);
  uint32_t readFlags(uint64_t position);
  uint32_t readTextStart(uint8_t id, uint32_t value, uint64_t data);
  void checkDataPosition(uint64_t position) const;

  FileWindow& window_;
  uint64_t stringBytes_ = 0;
};

}  // namespace quernel::dbx
