#pragma once
// RunSettings: what the command line asked for, built once. The driver reads
// the flag word and gives each writer the options it takes from it.

#include <cstdint>
#include <string>
#include <vector>

#include "writers/eml_options.h"
#include "writers/mbox_options.h"

namespace quernel {

namespace flags {
inline constexpr uint32_t kMboxo = 0x001;        // -mbx
inline constexpr uint32_t kMboxrd = 0x002;       // -mbxrd
inline constexpr uint32_t kDoubleNewline = 0x004;  // -dn
inline constexpr uint32_t kIgnoreCase = 0x008;   // -ic
inline constexpr uint32_t kFlatFolders = 0x010;  // -ff
inline constexpr uint32_t kEml = 0x020;          // -eml
inline constexpr uint32_t kReceiveDate = 0x040;  // -rcvdate
inline constexpr uint32_t kSendDate = 0x080;     // -senddate (recorded only)
inline constexpr uint32_t kOverwrite = 0x100;    // -overwrite
inline constexpr uint32_t kTree = 0x200;         // -tree: a whole store with its folder tree
inline constexpr uint32_t kRecover = 0x400;      // -recover: also what a scan of each file finds
inline constexpr uint32_t kMaildir = 0x800;      // -maildir
inline constexpr uint32_t kShowUsage = 0x1000;   // -?
inline constexpr uint32_t kStatusHeaders = 0x2000;  // -flags
inline constexpr uint32_t kImap = 0x4000;           // -imap URL: upload to a mail server
}  // namespace flags

// "-imap URL" and the options that go with it; the secret is never here.
struct ImapSettings {
  std::string url;
  std::string passwordCommand;  // -passcmd
  std::string caFile;           // -cafile
  bool oauth2 = false;          // -oauth2
};

struct RunSettings {
  uint32_t flags = 0;
  std::string mboxTemplate = kDefaultMboxTemplate;
  std::string emlTemplate = kDefaultEmlTemplate;
  // The input names or patterns, in command-line order (one on Windows;
  // with -tree the store folder or its folder list).
  std::vector<std::string> inputs;
  std::string outputDirectory;  // empty: next to each mailbox
  // "-cp<N>": the code page of the mailboxes' strings; 0 when not given
  // (Linux works it out per mailbox, Windows takes its ANSI code page).
  int codePage = 0;
  ImapSettings imap;

  bool has(uint32_t flag) const { return (flags & flag) != 0; }
};

}  // namespace quernel
