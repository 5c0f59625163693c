// The zip writer's archives read back by Python's zipfile, the reader that
// knows ZIP64 best; the extended-timestamp field, which zipfile leaves
// alone, is read from its extra bytes.

#include "zip/zip_writer.h"

#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>

#include <gtest/gtest.h>

#include "platform/host.h"
#include "platform/temporary_folder.h"
#include "support/command_output.h"
#include "zip/crc32.h"

namespace quernel {
namespace {

// Writes records and kept contents to a file; a contents number without
// bytes stands for that many zero bytes, left as a hole in the file.
class FileSink final : public ZipSink {
 public:
  explicit FileSink(const std::string& path) : out_(path, std::ios::binary) {}
  void writeRecord(std::string_view bytes) override { out_.write(bytes.data(), bytes.size()); }
  void writeContents(uint64_t contents) override {
    if (const auto kept = bytes.find(contents); kept != bytes.end()) {
      out_.write(kept->second.data(), kept->second.size());
    } else {
      out_.seekp(static_cast<std::streamoff>(holes.at(contents)), std::ios::cur);
    }
  }
  void close() { out_.close(); }

  std::map<uint64_t, std::string> bytes;
  std::map<uint64_t, uint64_t> holes;

 private:
  std::ofstream out_;
};


// One line per entry: name, size, UTF-8 flag, DOS fields, the extended time,
// and the bytes of small files; then the count.
std::string ReadBack(const std::string& zip, bool readData = true) {
  static const char* const kScript = R"(
import struct, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
for i in z.infolist()[:8]:
    t = None
    at = 0
    while at + 4 <= len(i.extra):
        tag, size = struct.unpack_from('<HH', i.extra, at)
        if tag == 0x5455: t = struct.unpack_from('<i', i.extra, at + 5)[0]
        at += 4 + size
    data = z.read(i).decode() if sys.argv[2] == '1' and i.file_size < 100 else '-'
    print(i.filename, i.file_size, bool(i.flag_bits & 0x800), i.date_time, t, data, i.header_offset)
print(len(z.infolist()), 'entries')
)";
  const std::string scriptPath = zip + ".py";
  std::ofstream(scriptPath) << kScript;
  std::string command = "python3 '";
  command.append(scriptPath).append("' '").append(zip).append(readData ? "' 1 2>&1" : "' 0 2>&1");
  return testing::CommandOutput(command);
}

class ZipWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (testing::CommandOutput("command -v python3").empty()) GTEST_SKIP() << "python3 is not installed";
    setenv("TZ", "Europe/Berlin", 1);
    InitializeHost();
  }
  void TearDown() override { unsetenv("TZ"); }

  testing::TemporaryFolder folder_;
  std::string zip_ = folder_.path() + "/out.zip";
};

ZipEntry FileEntry(std::string name, std::string_view bytes, int64_t time, uint64_t contents) {
  Crc32 crc;
  crc.add(bytes);
  return {std::move(name), false, bytes.size(), crc.value(), time, contents};
}

TEST_F(ZipWriterTest, FilesAndEmptyFoldersKeepNamesBytesAndTimes) {
  FileSink sink(zip_);
  sink.bytes = {{1, "hello"}, {2, "Grüße"}};
  ZipWriter zip(sink, SystemHost().calendar);
  zip.add({"Inbox", true, 0, 0, 1700000000, 0});
  zip.add(FileEntry("Inbox/a.eml", "hello", 1000000001, 1));  // odd: the DOS field goes up
  zip.add(FileEntry("Grüße.eml", "Grüße", 1700000000, 2));
  zip.add(FileEntry("old.eml", "", 100000000, 3));  // 1973: before DOS time began
  zip.finish();
  sink.close();
  EXPECT_EQ(ReadBack(zip_),
            "Inbox/ 0 True (2023, 11, 14, 23, 13, 20) 1700000000  0\n"
            "Inbox/a.eml 5 True (2001, 9, 9, 3, 46, 42) 1000000001 hello 45\n"
            "Grüße.eml 7 True (2023, 11, 14, 23, 13, 20) 1700000000 Grüße 100\n"
            "old.eml 0 True (1980, 1, 1, 0, 0, 0) 100000000  157\n"
            "4 entries\n");
}

TEST_F(ZipWriterTest, ManyEntriesAndLargeFilesUseZip64Records) {
  FileSink sink(zip_);
  ZipWriter zip(sink, SystemHost().calendar);
  sink.holes[1] = 5ull << 30;  // 5 GiB of zeros, a hole on the RAM disk
  zip.add({"big.mbx", false, 5ull << 30, 0, 1700000000, 1});
  sink.bytes[2] = "after";
  zip.add(FileEntry("after.eml", "after", 1700000000, 2));  // starts beyond 4 GiB
  for (int i = 0; i < 70000; ++i) zip.add({std::to_string(i), true, 0, 0, 1700000000, 0});
  zip.finish();
  sink.close();
  const std::string listing = ReadBack(zip_, false);
  EXPECT_NE(listing.find("big.mbx 5368709120 True"), std::string::npos) << listing;
  EXPECT_NE(listing.find("after.eml 5 True (2023, 11, 14, 23, 13, 20) 1700000000 - 5368709186"),
            std::string::npos)
      << listing;
  EXPECT_NE(listing.find("70002 entries"), std::string::npos) << listing;
}

TEST(Crc32, MatchesTheCheckValueOfTheStandard) {
  Crc32 crc;
  crc.add("1234");
  crc.add("56789");
  EXPECT_EQ(crc.value(), 0xCBF43926u);
}

// Eight bytes at a time inside, so pieces of every length and alignment
// must give what the plain bit-by-bit definition gives.
TEST(Crc32, AnySplitIntoPiecesGivesTheBitwiseChecksum) {
  std::string bytes(3000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  uint32_t bitwise = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    bitwise ^= byte;
    for (int bit = 0; bit < 8; ++bit) bitwise = (bitwise >> 1) ^ (0xEDB88320u & (0u - (bitwise & 1)));
  }
  for (size_t step = 1; step <= 19; ++step) {
    Crc32 crc;
    for (size_t at = 0, length = 0; at < bytes.size(); at += length) {
      length = std::min(bytes.size() - at, (at / step) % 23);  // 0 to 22 bytes
      if (length == 0) length = step;
      crc.add(std::string_view(bytes).substr(at, length));
    }
    EXPECT_EQ(crc.value(), ~bitwise) << "step " << step;
  }
}

}  // namespace
}  // namespace quernel
