// WebFileSystem with the browser's side played here: inputs are strings,
// kept contents a map and the zip a string, so that what the zip holds can
// be checked (read back by Python's zipfile).

#include "platform/web/web_file_system.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "platform/host.h"
#include "platform/temporary_folder.h"
#include "platform/web/browser_files.h"
#include "support/command_output.h"
#include "zip/crc32.h"

namespace {

std::map<int, std::string> browserInputs;
std::map<int, std::string> keptContents;
std::string zipBytes;
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
void quernel_keep_zipped(int contents, double offset, double size) {
  keptContents[contents] += zipBytes.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
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
    zipBytes.clear();
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
      const std::string bytes = output.kept ? keptContents[output.contents] : std::string(output.held);
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
  // Nothing replaced or removed stays in the browser's keeping.
  std::set<int> listed;
  for (const KeptOutput& output : files_.outputsBelow("/out", 0)) listed.insert(output.contents);
  for (const auto& [contents, bytes] : keptContents) EXPECT_TRUE(listed.count(contents)) << contents << " " << bytes;
}

// The zip written while the files come: closed ones go in once they are
// older than kHeldBytes of others; one changed after that (renamed, appended
// to, emptied, removed) is left out of the listing and goes in again as it
// ends up; a large file goes in from the browser's keeping at the end.
// Gathers records as the page's sink does: the zip's bytes are complete
// only after a flush.
class StringSink final : public ZipSink {
 public:
  void writeRecord(std::string_view bytes) override { gathered_.append(bytes); }
  void writeContents(uint64_t contents) override {
    flush();
    zipBytes += keptContents.at(static_cast<int>(contents));
  }
  void flush() override {
    zipBytes += gathered_;
    gathered_.clear();
  }
  size_t written() const { return zipBytes.size() + gathered_.size(); }

 private:
  std::string gathered_;
};


TEST_F(WebFileSystemTest, SmallFilesGoIntoTheZipAsTheyCloseAndChangesAfterThatStillCount) {
  if (testing::CommandOutput("command -v python3").empty()) GTEST_SKIP() << "python3 is not installed";
  InitializeHost();
  StringSink sink;
  ZipWriter zip(sink, SystemHost().calendar);
  files_.zipInto(zip, "/out");
  ASSERT_TRUE(files_.createDirectory("/out/Empty"));
  std::map<std::string, std::string> expected = {{"Empty/", ""}};
  // Written as the eml writer writes: a temporary name, then the message's.
  const size_t messageSize = 200 * 1024;
  const int messages = static_cast<int>(3 * WebFileSystem::kHeldBytes / messageSize);
  for (int i = 0; i < messages; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "m%d.eml", i);
    std::string bytes(messageSize, static_cast<char>('a' + i % 26));
    bytes += name;
    std::unique_ptr<OutputFile> file = files_.createNewOutput("/out/tmp");
    file->write(bytes);
    file->close();
    ASSERT_TRUE(files_.renameToNewName("/out/tmp", std::string("/out/") + name));
    expected[name] = bytes;
  }
  EXPECT_GT(sink.written(), WebFileSystem::kHeldBytes);
  EXPECT_TRUE(keptContents.empty());

  // The first messages are in the zip by now.
  files_.renameFile("/out/m0.eml", "/out/renamed.eml");
  expected["renamed.eml"] = expected["m0.eml"];
  expected.erase("m0.eml");
  write("/out/m1.eml", CreateMode::Append, "+tail");
  expected["m1.eml"] += "+tail";
  EXPECT_TRUE(files_.removeFile("/out/m2.eml"));
  expected.erase("m2.eml");
  write("/out/m3.eml", CreateMode::Truncate, "new");
  expected["m3.eml"] = "new";
  const std::string large(3 << 20, 'L');
  write("/out/large.mbx", CreateMode::Truncate, large);
  expected["large.mbx"] = large;
  files_.finishZip(1700000000);

  testing::TemporaryFolder folder;
  const std::string zipPath = folder.path() + "/out.zip";
  std::ofstream(zipPath, std::ios::binary) << zipBytes;
  // Each listed name once, then the bytes of each, extracted by zipfile.
  const std::string listing = testing::CommandOutput(
      "python3 -c 'import sys, zipfile; z = zipfile.ZipFile(sys.argv[1]); assert z.testzip() is None; "
      "names = z.namelist(); assert len(names) == len(set(names)), names; z.extractall(sys.argv[2]); "
      "print(\"\\n\".join(names))' '" + zipPath + "' '" + folder.path() + "/x' 2>&1");
  std::map<std::string, std::string> unzipped;
  std::istringstream names(listing);
  for (std::string name; std::getline(names, name);) {
    if (name.ends_with('/')) {
      unzipped[name];
      continue;
    }
    std::ifstream in(folder.path() + "/x/" + name, std::ios::binary);
    unzipped[name] = std::string(std::istreambuf_iterator<char>(in), {});
  }
  EXPECT_EQ(unzipped.size(), expected.size()) << listing.substr(0, 2000);
  for (const auto& [name, bytes] : expected) {
    EXPECT_TRUE(unzipped.count(name) && unzipped[name] == bytes) << name;
  }
}

}  // namespace
}  // namespace quernel
