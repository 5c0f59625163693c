#include "dbx/message_record.h"

#include <cstring>

#include "dbx/layout.h"
#include "platform/file_error.h"

namespace quernel::dbx {

// A record cut off by the end of the file reads as zeros: no entries, or
// entries of id 0, which are stepped over.
std::vector<PropertyEntry> ReadPropertyEntries(FileWindow& window, uint32_t record) {
  const uint8_t count = window.u8OrZero(uint64_t{record} + kRecordPropertyCount);
  const uint64_t dataArea = uint64_t{record} + kRecordProperties + kPropertyEntrySize * count;
  std::vector<PropertyEntry> entries;
  entries.reserve(count);
  for (uint8_t j = 0; j < count; ++j) {
    const uint32_t entry = window.u32OrZero(uint64_t{record} + kRecordProperties + kPropertyEntrySize * j);
    const uint32_t value = entry >> 8;
    entries.push_back({static_cast<uint8_t>(entry & 0xFF), value, dataArea + value});
  }
  return entries;
}

RecordContents RecordReader::read(uint32_t record, const Calendar& calendar) {
  RecordContents contents;
  MessageProperties& props = contents.properties;
  bool textStartFound = false;
  for (const auto& [id, value, data] : ReadPropertyEntries(window_, record)) {
    switch (id) {
      case kPropSubject: props.subject = readString(data); break;
      case kPropSenderName: props.senderName = readString(data); break;
      case kPropSenderAddress: props.senderAddress = readString(data); break;
      case kPropRecipientName: props.recipientName = readString(data); break;
      case kPropRecipientAddress: props.recipientAddress = readString(data); break;
      case kPropReceiveTime: props.receiveTime = readDate(data, calendar); break;
      case kPropSendTime: props.sendTime = readDate(data, calendar); break;
      case kPropFlagsDirect: props.flags = value; break;
      case kPropFlagsIndirect: props.flags = readFlags(data); break;
      case kPropTextDirect:
      case kPropTextIndirect:
        // Only the first of the two ids decides where the text starts.
        if (!textStartFound) contents.textStart = readTextStart(id, value, data);
        textStartFound = true;
        break;
      default: break;
    }
  }
  return contents;
}

// The bytes up to the first zero byte, or up to the end of the file, as
// stored: their code page is decided where names are made.
std::string RecordReader::readString(uint64_t position) {
  checkDataPosition(position);
  std::string stored;
  for (;;) {
    const std::string_view bytes = window_.bytesAt(position + stored.size());
    if (bytes.empty()) break;
    const void* zero = std::memchr(bytes.data(), 0, bytes.size());
    const size_t piece = zero ? static_cast<const char*>(zero) - bytes.data() : bytes.size();
    stored.append(bytes.data(), piece);
    if (zero) break;
  }
  stringBytes_ += stored.size() + 1;
  if (stringBytes_ > window_.length() + 1) {
    throw CorruptionError(FileErrorCause::Unspecified, position, "string properties exceed the file's size");
  }
  return stored;
}

uint32_t RecordReader::readNumber(uint64_t position) {
  checkDataPosition(position);
  return window_.u32(position);
}

// A date cut off by the end of the file is unknown, as if absent: zeros in
// place of its missing bytes would make another date of it.
MessageTime RecordReader::readDate(uint64_t position, const Calendar& calendar) {
  checkDataPosition(position);
  if (!window_.holds(position, 8)) return 0;
  return MessageTimeFromFileTime(window_.u64(position), calendar);
}

// The flags only add to what is written, so flags that the file does not
// hold whole are no flags rather than a defective mailbox: a mailbox that
// converted before they were read converts the same now.
uint32_t RecordReader::readFlags(uint64_t position) {
  return window_.holds(position, 4) ? window_.u32(position) : 0;
}

uint32_t RecordReader::readTextStart(uint8_t id, uint32_t value, uint64_t data) {
  if (id == kPropTextDirect) return value;
  // An offset the file does not hold whole means no text, as one beyond its
  // end does: part of an offset would lead to some other block.
  return window_.holds(data, 4) ? window_.u32(data) : 0;
}

void RecordReader::checkDataPosition(uint64_t position) const {
  if (position >= window_.length()) {
    throw CorruptionError(FileErrorCause::OffsetOutOfRange, position, "property data beyond the end of the file");
  }
}

}  // namespace quernel::dbx
