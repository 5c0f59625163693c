#include "dbx/message_record.h"

#include <cstring>

#include "dbx/layout.h"
#include "platform/file_error.h"

namespace quernel::dbx {

RecordContents RecordReader::read(uint32_t record) {
  RecordContents contents;
  MailboxReader::Properties& props = contents.properties;
  bool textStartFound = false;
  const uint8_t count = window_.u8(uint64_t{record} + kRecordPropertyCount);
  const uint64_t dataArea = uint64_t{record} + kRecordProperties + kPropertyEntrySize * count;
  for (uint8_t j = 0; j < count; ++j) {
    const uint32_t entry = window_.u32(uint64_t{record} + kRecordProperties + kPropertyEntrySize * j);
    const uint8_t id = static_cast<uint8_t>(entry & 0xFF);
    const uint32_t value = entry >> 8;
    const uint64_t data = dataArea + value;
    switch (id) {
      case kPropSubject: props.subject = readString(data); break;
      case kPropSenderName: props.senderName = readString(data); break;
      case kPropSenderAddress: props.senderAddress = readString(data); break;
      case kPropRecipientName: props.recipientName = readString(data); break;
      case kPropRecipientAddress: props.recipientAddress = readString(data); break;
      case kPropReceiveTime: props.receiveTime = readDate(data); break;
      case kPropSendTime: props.sendTime = readDate(data); break;
      case kPropFlagsDirect: props.flags = value; break;
      case kPropFlagsIndirect: props.flags = readFlags(data); break;
      case kPropTextDirect:
      case kPropTextIndirect:
        // Only the first of the two ids decides where the text starts.
        if (!textStartFound) contents.textStart = readTextStart(id, value, dataArea);
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
    throw FileError(FileErrorCause::Unspecified, "string properties exceed the file's size");
  }
  return stored;
}

MessageTime RecordReader::readDate(uint64_t position) {
  checkDataPosition(position);
  return MessageTimeFromFileTime(window_.u64(position));
}

// The flags only add to what is written, so a position beyond the end of the
// file means no flags rather than a defective mailbox: a mailbox that
// converted before they were read converts the same now.
uint32_t RecordReader::readFlags(uint64_t position) {
  return position < window_.length() ? window_.u32(position) : 0;
}

uint32_t RecordReader::readTextStart(uint8_t id, uint32_t value, uint64_t dataArea) {
  if (id == kPropTextDirect) return value;
  // Nothing to read there means no text.
  return window_.u32(dataArea + value);
}

void RecordReader::checkDataPosition(uint64_t position) const {
  if (position >= window_.length()) {
    throw FileError(FileErrorCause::OffsetOutOfRange, "property data beyond the end of the file");
  }
}

}  // namespace quernel::dbx
