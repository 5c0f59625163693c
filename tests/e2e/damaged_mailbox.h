#pragma once
// The damaged mailbox of the "-recover" end-to-end checks, and the readers
// of what the program writes for it: files with their bytes and times, and
// mbox files as Python's mailbox module reads them.

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "dbx/salvage_harness.h"
#include "e2e/quernel_process.h"
#include "support/dbx_builder.h"

namespace quernel::testing {

inline constexpr int64_t kFirstSent = 1130836000;

// A message with a record of its own: subject, sender, send date.
inline TestMessage Recorded(const std::string& subject, size_t bodySize, int64_t sent) {
  TestMessage m = RecordedMessage(subject, bodySize);
  m.sendTime = FileTimeFromUnix(sent);
  m.receiveTime = FileTimeFromUnix(sent + 60);
  return m;
}

inline TestMessage DeletedText(std::string text) {
  TestMessage m;
  m.text = std::move(text);
  m.deleted = true;
  return m;
}

inline bool IsRegularFile(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

inline int64_t ModificationTime(const std::string& path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 ? status.st_mtime : -1;
}

// The files directly in `dir` (not its subfolders): name -> bytes.
inline std::map<std::string, std::string> FilesIn(const std::string& dir) {
  std::map<std::string, std::string> files;
  if (!FileExists(dir)) return files;
  for (const std::string& name : ListDirectory(dir)) {
    if (IsRegularFile(dir + "/" + name)) files[name] = ReadFile(dir + "/" + name);
  }
  return files;
}

inline std::vector<std::string> Contents(const std::map<std::string, std::string>& files) {
  std::vector<std::string> contents;
  for (const auto& [name, bytes] : files) contents.push_back(bytes);
  std::sort(contents.begin(), contents.end());
  return contents;
}

inline std::vector<std::string> Sorted(std::vector<std::string> texts) {
  std::sort(texts.begin(), texts.end());
  return texts;
}

// Python's mailbox module reading an mbox file: the subject of each
// message, one a line; nothing without python3.
inline std::string PythonSubjects(const std::string& mbox) {
  const ProcessResult run = RunProcess(
      {"python3", "-c",
       "import mailbox, sys\nfor m in mailbox.mbox(sys.argv[1]): print(m['Subject'])", mbox},
      "/");
  return run.status == 0 ? run.out : "python failed: " + run.err;
}

// Inbox.dbx: intact "one" and "three", "two" whose chain loops on its second
// block, "lost" whose record and text the index does not reach, and two
// deleted messages linked into one free chain.
struct MixedMailbox {
  MixedMailbox() {
    DbxBuilder builder;
    builder.add(Recorded("one", 300, kFirstSent));
    builder.add(Recorded("two", 700, kFirstSent + 100));
    TestMessage lost = Recorded("lost", 700, kFirstSent + 200);
    lost.inIndex = false;
    builder.add(lost);
    builder.add(Recorded("three", 100, kFirstSent + 300));
    builder.add(DeletedText(MailText("gone one", 200)));
    builder.add(DeletedText(MailText("gone two", 900)));
    builder.linkDeleted();
    built = builder.build();
    const uint32_t second = built.blockOffsets[1][1];
    PutU32(built.bytes, second + 0x0C, second);
  }
  BuiltMailbox built;
};

}  // namespace quernel::testing
