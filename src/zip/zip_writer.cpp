#include "zip/zip_writer.h"

#include <limits>

namespace quernel {
namespace {

constexpr uint32_t kMax32 = 0xFFFFFFFFu;
constexpr uint16_t kMax16 = 0xFFFF;
constexpr uint16_t kUtf8Names = 1u << 11;
constexpr uint16_t kMadeByUnix = (3u << 8) | 63;  // Unix, zip format 6.3
constexpr uint16_t kNeeds20 = 20;
constexpr uint16_t kNeedsZip64 = 45;
constexpr uint32_t kFileMode = 0100644;
constexpr uint32_t kDirectoryMode = 040755;
constexpr uint32_t kDosDirectory = 0x10;

class Record {
 public:
  Record& u16(uint64_t value) { return put(value, 2); }
  Record& u32(uint64_t value) { return put(value, 4); }
  Record& u64(uint64_t value) { return put(value, 8); }
  Record& bytes(std::string_view text) {
    bytes_.append(text);
    return *this;
  }
  const std::string& str() const { return bytes_; }

 private:
  std::string bytes_;
  Record& put(uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    return *this;
  }
};

// The DOS date and time fields of the local time: odd seconds go up to the
// next even one (as Info-ZIP does), and times outside 1980-2107 are clamped.
uint32_t DosDateTime(int64_t unixTime, const Calendar& calendar) {
  constexpr uint32_t kEarliest = (0u << 25) | (1u << 21) | (1u << 16);  // 1980-01-01 00:00:00
  const std::optional<std::tm> local = calendar.toLocal(unixTime + (unixTime & 1));
  if (!local || local->tm_year < 80) return kEarliest;
  if (local->tm_year > 207) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  return (static_cast<uint32_t>(local->tm_year - 80) << 25) | (static_cast<uint32_t>(local->tm_mon + 1) << 21) |
         (static_cast<uint32_t>(local->tm_mday) << 16) | (static_cast<uint32_t>(local->tm_hour) << 11) |
         (static_cast<uint32_t>(local->tm_min) << 5) | static_cast<uint32_t>(local->tm_sec / 2);
}

// The extended-timestamp field (0x5455) with the modification time alone;
// empty where the time does not fit its signed 32 bits.
std::string ExtendedTimestamp(int64_t unixTime) {
  if (unixTime < std::numeric_limits<int32_t>::min() || unixTime > std::numeric_limits<int32_t>::max()) return {};
  Record field;
  field.u16(0x5455).u16(5).bytes(std::string_view("\x01", 1)).u32(static_cast<uint32_t>(unixTime));
  return field.str();
}

std::string EntryName(const ZipEntry& entry) { return entry.directory ? entry.name + "/" : entry.name; }

bool SizeNeedsZip64(const ZipEntry& entry) { return entry.size >= kMax32; }

}  // namespace

void ZipWriter::emit(std::string_view bytes) {
  sink_.writeRecord(bytes);
  offset_ += bytes.size();
}

size_t ZipWriter::writeHeader(const ZipEntry& entry) {
  const std::string name = EntryName(entry);
  const bool zip64 = SizeNeedsZip64(entry);
  std::string extra = ExtendedTimestamp(entry.unixTime);
  if (zip64) extra += Record().u16(0x0001).u16(16).u64(entry.size).u64(entry.size).str();

  Record header;
  header.u32(0x04034b50).u16(zip64 ? kNeedsZip64 : kNeeds20).u16(kUtf8Names).u16(0)
      .u32(DosDateTime(entry.unixTime, calendar_)).u32(entry.crc)
      .u32(zip64 ? kMax32 : entry.size).u32(zip64 ? kMax32 : entry.size)
      .u16(name.size()).u16(extra.size()).bytes(name).bytes(extra);
  written_.push_back({entry, offset_, offset_ + header.str().size()});
  emit(header.str());
  return written_.size() - 1;
}

size_t ZipWriter::add(const ZipEntry& entry) {
  const size_t number = writeHeader(entry);
  if (entry.size > 0) {
    sink_.writeContents(entry.contents);
    offset_ += entry.size;
  }
  return number;
}

size_t ZipWriter::add(const ZipEntry& entry, std::string_view bytes) {
  const size_t number = writeHeader(entry);
  emit(bytes);
  return number;
}

void ZipWriter::finish() {
  const uint64_t directoryStart = offset_;
  uint64_t count = 0;
  for (const Written& item : written_) {
    if (item.removed) continue;
    ++count;
    const ZipEntry& entry = item.entry;
    const std::string name = EntryName(entry);
    const bool bigSize = SizeNeedsZip64(entry);
    const bool bigOffset = item.offset >= kMax32;
    std::string extra = ExtendedTimestamp(entry.unixTime);
    if (bigSize || bigOffset) {
      Record zip64;
      zip64.u16(0x0001).u16((bigSize ? 16 : 0) + (bigOffset ? 8 : 0));
      if (bigSize) zip64.u64(entry.size).u64(entry.size);
      if (bigOffset) zip64.u64(item.offset);
      extra += zip64.str();
    }
    const uint32_t attributes =
        entry.directory ? (kDirectoryMode << 16) | kDosDirectory : kFileMode << 16;
    Record central;
    central.u32(0x02014b50).u16(kMadeByUnix).u16(bigSize || bigOffset ? kNeedsZip64 : kNeeds20)
        .u16(kUtf8Names).u16(0).u32(DosDateTime(entry.unixTime, calendar_)).u32(entry.crc)
        .u32(bigSize ? kMax32 : entry.size).u32(bigSize ? kMax32 : entry.size)
        .u16(name.size()).u16(extra.size()).u16(0).u16(0).u16(0).u32(attributes)
        .u32(bigOffset ? kMax32 : item.offset).bytes(name).bytes(extra);
    emit(central.str());
  }
  const uint64_t directorySize = offset_ - directoryStart;
  const bool zip64 = count >= kMax16 || directorySize >= kMax32 || directoryStart >= kMax32;
  if (zip64) {
    const uint64_t recordStart = offset_;
    Record end64;
    end64.u32(0x06064b50).u64(44).u16(kMadeByUnix).u16(kNeedsZip64).u32(0).u32(0)
        .u64(count).u64(count).u64(directorySize).u64(directoryStart);
    end64.u32(0x07064b50).u32(0).u64(recordStart).u32(1);
    emit(end64.str());
  }
  Record end;
  end.u32(0x06054b50).u16(0).u16(0)
      .u16(zip64 ? kMax16 : count).u16(zip64 ? kMax16 : count)
      .u32(zip64 ? kMax32 : directorySize).u32(zip64 ? kMax32 : directoryStart).u16(0);
  emit(end.str());
  sink_.flush();
}

}  // namespace quernel
