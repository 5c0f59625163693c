// WebFileSystem with the browser's side played here: inputs are strings,
// kept contents a map, so that what the zip would hold can be checked.

#include "platform/web/web_file_system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "platform/web/browser_files.h"
#include "zip/crc32.h"

namespace {

std::map<int, std::string> browserInputs;
std::map<int, std::string> keptContents;
double reportedRead = 0;

}  // namespace

extern "C" {
double quernel_read_file(int file, double offset, void* buffer, size_t size) {
  const std::string& bytes = browserInputs.at(file);
  const size_t start = static_cast<size_t>(offset);
  const size_t count = start >= bytes.size() ? 0 : std::min(size, bytes.size() - start);
  std::memcpy(buffer, bytes.data() + start, count);
  return static_cast<double>(count);
}
void quernel_keep_bytes(int contents, const void* bytes, size_t size) {
  keptContents[contents].append(static_cast<const char*>(bytes), size);
}
void quernel_drop_contents(int contents) { keptContents.erase(contents); }
void quernel_zip_bytes(const void*, size_t) {}
void quernel_zip_contents(int) {}
void quernel_report_read(double bytes) { reportedRead = bytes; }
void quernel_print(const char*, size_t) {}
}

namespace quernel {
namespace {

class WebFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    browserInputs.clear();
    reportedRead = 0;
    keptContents.clear();
    files_.addDirectory("/out");
  }

  void write(const std::string& path, CreateMode mode, std::string_view bytes) {
    std::unique_ptr<OutputFile> file = files_.createOutput(path, mode);
    file->write(bytes);
    file->close();
  }

  // What the zip would hold: name -> bytes ("/" for a directory), checking
  // each file's size and checksum against its kept bytes.
  std::map<std::string, std::string> zipped() {
    std::map<std::string, std::string> entries;
    for (const KeptOutput& output : files_.outputsBelow("/out", 0)) {
      if (output.directory) {
        entries[output.name].push_back('/');
        continue;
      }
      const std::string& bytes = keptContents[output.contents];
      Crc32 crc;
      crc.add(bytes);
      EXPECT_EQ(output.size, bytes.size()) << output.name;
      EXPECT_EQ(output.crc, crc.value()) << output.name;
      entries[output.name] = bytes;
    }
    return entries;
  }

  WebFileSystem files_;
};

TEST_F(WebFileSystemTest, ReadsAnyRangeOfALargeInputThroughItsSlices) {
  const uint64_t slice = WebFileSystem::kInputSlice;
  std::string bytes(3 * slice + 123, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 4096);
  browserInputs[0] = bytes;
  files_.addInput("/in/Inbox.dbx", 0, bytes.size(), std::nullopt);
  std::unique_ptr<InputFile> in = files_.openInput("/in/Inbox.dbx");
  EXPECT_EQ(in->length(), bytes.size());
  // Pieces within a slice, across slices, back and forth, and past the end.
  const std::pair<uint64_t, size_t> reads[] = {
      {0, 16}, {slice - 5, 10}, {2 * slice - 100, slice / 2}, {17, 3000}, {bytes.size() - 4, 100}, {bytes.size(), 8}};
  for (uint64_t shift = 0; shift < 3; ++shift) {
    for (auto [offset, size] : reads) {
      const uint64_t at = offset + shift;
      std::string got(size, '\0');
      got.resize(in->readAt(at, got.data(), size));
      std::string expected;
      if (at < bytes.size()) expected = bytes.substr(at, size);
      EXPECT_TRUE(got == expected) << at << " " << size;
    }
  }
  // Read again and again, but counted once: the progress bar ends at the end.
  EXPECT_EQ(reportedRead, static_cast<double>(bytes.size()));
}

TEST_F(WebFileSystemTest, TheZipHoldsOnlyWhatTheLastWritesLeft) {
  ASSERT_TRUE(files_.createDirectory("/out/Inbox"));
  ASSERT_TRUE(files_.createDirectory("/out/Empty"));
  write("/out/Inbox.mbx", CreateMode::Truncate, "first\n");
  write("/out/Inbox.mbx", CreateMode::Append, "second\n");    // a second mailbox of the same name
  write("/out/Outbox.mbx", CreateMode::Truncate, "stale");
  write("/out/Outbox.mbx", CreateMode::Truncate, "fresh");     // emptied and written again
  write("/out/Inbox/tmp", CreateMode::Truncate, "message");
  files_.renameFile("/out/Inbox/tmp", "/out/Inbox/a.eml");     // as Maildir delivers
  write("/out/Inbox/b.eml", CreateMode::Truncate, "old b");
  std::unique_ptr<OutputFile> side = files_.createReplacement("/out/Inbox/b.eml", "/out/Inbox/b.eml.new");
  side->write("new b");
  side->close();
  files_.renameFile("/out/Inbox/b.eml.new", "/out/Inbox/b.eml");
  write("/out/gone.eml", CreateMode::Truncate, "x");
  EXPECT_TRUE(files_.removeFile("/out/gone.eml"));
  EXPECT_EQ(files_.createNewOutput("/out/Inbox/a.eml"), nullptr);

  const std::map<std::string, std::string> expected = {
      {"Empty", "/"}, {"Inbox", "/"}, {"Inbox.mbx", "first\nsecond\n"}, {"Outbox.mbx", "fresh"},
      {"Inbox/a.eml", "message"}, {"Inbox/b.eml", "new b"}};
  EXPECT_EQ(zipped(), expected);
  EXPECT_EQ(keptContents.size(), 4u);  // nothing replaced or removed is kept
}

}  // namespace
}  // namespace quernel
