// Writes the fuzzers' seed corpora and the hostile mailboxes of the bounds
// check, all with the test-mailbox builder.
//
//   quernel_make_fuzz_corpus seeds DIR   DIR/dbx, DIR/folders, DIR/quote,
//                                        DIR/naming: small seeds (committed as
//                                        tests/fuzz/corpus)
//   quernel_make_fuzz_corpus large DIR   DIR/*.dbx: the blow-up mailboxes at
//                                        1 MiB, for the release replay
//   quernel_make_fuzz_corpus identical N FILE
//                                        FILE: N listed messages and N deleted
//                                        copies, all of one text, for the
//                                        scaling check of "-recover"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "dbx/layout.h"
#include "support/dbx_builder.h"
#include "support/folder_list_builder.h"

namespace {

using namespace quernel::dbx;
using quernel::testing::DbxBuilder;
using quernel::testing::FileTimeFromUnix;
using quernel::testing::PutU16;
using quernel::testing::PutU32;
using quernel::testing::PutU8;
using quernel::testing::TestFolder;
using quernel::testing::TestMessage;
using quernel::testing::TextLink;
using quernel::testing::TreeShape;

constexpr uint32_t kSmallHeader = 0xE8;  // the smallest header holding the root offset

// ---- Ordinary mailboxes ------------------------------------------------------

TestMessage Letter(int n, const std::string& body) {
  TestMessage m;
  const std::string who = "Sender " + std::to_string(n);
  m.text = "From: " + who + " <s" + std::to_string(n) + "@example.com>\r\nTo: a@example.org\r\n"
           "Subject: Note " + std::to_string(n) + "\r\n\r\n" + body;
  m.subject = "Note " + std::to_string(n);
  m.senderName = who;
  m.senderAddress = "s" + std::to_string(n) + "@example.com";
  m.recipientName = "Anna; Ben; Clara";
  m.recipientAddress = "a@example.org;b@example.org";
  m.sendTime = FileTimeFromUnix(1118736751 + 86400 * n);
  m.receiveTime = FileTimeFromUnix(1118736851 + 86400 * n);
  return m;
}

std::string Small(DbxBuilder& builder) { return builder.headerSize(kSmallHeader).build().bytes; }

std::string Letters(int count, uint32_t nodeCapacity, TextLink link, uint32_t blockText) {
  DbxBuilder builder;
  for (int n = 0; n < count; ++n) {
    TestMessage m = Letter(n, "Hello,\r\nFrom now on\r\n>From here\r\nfrom there\r\n.\r\n");
    m.textLink = link;
    m.blockTextSize = blockText;
    builder.add(std::move(m));
  }
  return Small(builder.nodeCapacity(nodeCapacity));
}

// A message with Windows-1252 and control bytes in every property, two
// subjects (the later wins), a subject with bit 0x80 set, and no dates.
std::string OddProperties() {
  TestMessage m;
  m.text = "Subject: odd\r\n\r\n\x80\x9f\xff body";
  m.subject = "Gr\xFC\xDF" "e/aus\\M\xFC:nchen?*|<>\"\x01\x1f";
  m.senderName = "  \x81\x8d\x8f\x90\x9d ";
  m.senderAddress = "";
  m.recipientName = ";;;";
  m.extraProperties = {{0x08, std::string("second subject") + '\0'},
                       {0x88, "\x01\x02\x03"},
                       {0x84, "\x00\x00\x00"},
                       {0x55, "ignored"}};
  DbxBuilder builder;
  builder.add(std::move(m));
  TestMessage none;
  none.textLink = TextLink::None;
  builder.add(none);
  return Small(builder);
}

// Messages listed twice and a first child before the root's entries.
std::string SharedRecords() {
  DbxBuilder builder;
  for (int n = 0; n < 3; ++n) builder.add(Letter(n, "body " + std::to_string(n) + "\r\n"));
  TreeShape child;
  child.entries = {{0, {}}, {1, {}}};
  TreeShape root;
  root.firstChild = {child};
  root.entries = {{2, {}}, {0, {child}}, {2, {}}};
  return Small(builder.tree(root));
}

// What salvage looks for: a message the index does not list (with an older
// copy of its record), deleted messages linked in one free list, and a
// listed one.
std::string Leftovers() {
  DbxBuilder builder;
  builder.add(Letter(0, "listed\r\n"));
  TestMessage unlisted = Letter(1, std::string(600, 'u'));
  unlisted.inIndex = false;
  unlisted.olderRecords = 1;
  builder.add(unlisted);
  for (int n = 2; n < 4; ++n) {
    TestMessage deleted = Letter(n, std::string(300 * n, 'd'));
    deleted.deleted = true;
    builder.add(deleted);
  }
  return Small(builder.linkDeleted());
}

// ---- Damaged mailboxes -------------------------------------------------------

struct Damage {
  const char* name;
  std::function<void(std::string&, const quernel::testing::BuiltMailbox&)> patch;
};

std::vector<std::pair<std::string, std::string>> DamagedMailboxes() {
  DbxBuilder builder;
  builder.add(Letter(0, std::string(700, 'x') + "\r\n"));  // two blocks
  builder.add(Letter(1, "short\r\n"));
  const quernel::testing::BuiltMailbox built = builder.headerSize(kSmallHeader).build();
  const uint32_t a = built.blockOffsets[0][0], b = built.blockOffsets[0][1];
  const uint32_t root = built.nodeOffsets[0];
  const std::vector<Damage> damages = {
      {"chain-loop", [&](std::string& s, auto&) { PutU32(s, b + kBlockNext, a); }},
      {"chain-self", [&](std::string& s, auto&) { PutU32(s, a + kBlockNext, a); }},
      {"chain-beyond-end", [&](std::string& s, auto&) { PutU32(s, a + kBlockNext, 0x7FFFFFF0); }},
      {"block-claims-65535", [&](std::string& s, auto&) { PutU16(s, a + kBlockTextLength, 0xFFFF); }},
      {"tree-cycle",
       [&](std::string& s, auto&) {
         PutU32(s, root + kNodeEntries + kEntryChild, root);
         PutU32(s, root + kNodeEntries + kEntryChildValues, 1);
       }},
      {"root-beyond-end", [&](std::string& s, auto&) { PutU32(s, kHeaderRootNode, 0xFFFFFFF0); }},
      {"node-255-entries", [&](std::string& s, auto&) { PutU8(s, root + kNodeEntryCount, 255); }},
      {"record-beyond-end", [&](std::string& s, auto&) { PutU32(s, root + kNodeEntries, 0xFFFFFF00); }},
      {"string-beyond-end",
       [&](std::string& s, auto& m) { PutU32(s, m.recordOffsets[1] + kRecordProperties + 4 * 2, 0xFFFFFF08); }},
      {"cut-in-block", [&](std::string& s, auto&) { s.resize(b + 6); }},
      {"cut-in-header", [&](std::string& s, auto&) { s.resize(0x30); }},
  };
  std::vector<std::pair<std::string, std::string>> out;
  for (const Damage& d : damages) {
    std::string bytes = built.bytes;
    d.patch(bytes, built);
    out.emplace_back(d.name, std::move(bytes));
  }
  return out;
}

// ---- Blow-ups that need no crash, sized to about `size` bytes ----------------

// The records of `builder` with an empty index, for AppendTree to replace.
quernel::testing::BuiltMailbox RecordsOnly(DbxBuilder& builder) {
  return builder.headerSize(kSmallHeader).tree(TreeShape{}).build();
}

// Index nodes of 255 entries each, every one the first child of the one
// before it, holding `values`; appended to `bytes` and made the root.
void AppendTree(std::string& bytes, const std::vector<uint32_t>& values) {
  const size_t perNode = 255;
  const uint32_t nodeSize = static_cast<uint32_t>(kNodeEntries + kNodeEntrySize * perNode);
  const uint32_t root = static_cast<uint32_t>(bytes.size());
  for (size_t first = 0; first < values.size(); first += perNode) {
    const uint32_t node = root + nodeSize * static_cast<uint32_t>(first / perNode);
    const size_t count = std::min(perNode, values.size() - first);
    bytes.resize(node + nodeSize, '\0');
    PutU8(bytes, node + kNodeEntryCount, static_cast<uint8_t>(count));
    for (size_t k = 0; k < count; ++k) {
      PutU32(bytes, node + kNodeEntries + kNodeEntrySize * k + kEntryValue, values[first + k]);
    }
    if (first + count < values.size()) {
      PutU32(bytes, node + kNodeFirstChild, node + nodeSize);
      PutU32(bytes, node + kNodeFirstChildValues, static_cast<uint32_t>(values.size() - first - count));
    }
  }
  PutU32(bytes, kHeaderRootNode, root);
  PutU32(bytes, kHeaderEntryCount, static_cast<uint32_t>(values.size()));
}

// How many index entries fit between `used` and `size` bytes.
size_t EntriesThatFit(size_t used, size_t size) {
  const size_t room = size > used + 0x1000 ? size - used : 0x1000;
  const size_t perNode = kNodeEntries + kNodeEntrySize * 255;
  return room / perNode * 255;
}

// As many index entries as fit in `size` bytes, all naming the record of `m`.
std::string EveryEntryNames(TestMessage m, size_t size) {
  DbxBuilder builder;
  builder.add(std::move(m));
  const quernel::testing::BuiltMailbox built = RecordsOnly(builder);
  std::string bytes = built.bytes;
  AppendTree(bytes, std::vector<uint32_t>(EntriesThatFit(bytes.size(), size), built.recordOffsets[0]));
  return bytes;
}

// Every index entry names the one record, whose text is long.
std::string ManyEntriesOneRecord(size_t size) {
  return EveryEntryNames(Letter(0, std::string(size / 8, 'y') + "\r\nFrom the end\r\n"), size);
}

// Every index entry names the one record, which has no text but a long
// sender address: the mbox separator line repeats it for every message.
std::string ManyEntriesOneLongAddress(size_t size) {
  TestMessage m;
  m.textLink = TextLink::None;
  m.senderAddress = std::string(size / 4, 'a');
  return EveryEntryNames(std::move(m), size);
}

// As many messages as entries fit, all one tiny record with a short text,
// all giving the same file name: the eml writer numbers them.
std::string MostMessagesOneRecord(size_t size) {
  TestMessage m;
  m.text = "Subject: same\r\n\r\nx\r\n";
  return EveryEntryNames(std::move(m), size);
}

// As many messages as entries fit, each naming its own record beyond the end
// of the file (an empty record: no properties, no text).
std::string MostMessagesDistinctRecords(size_t size) {
  std::string bytes = DbxBuilder().headerSize(kSmallHeader).build().bytes;
  const size_t count = EntriesThatFit(bytes.size(), size);
  std::vector<uint32_t> values(count);
  for (size_t k = 0; k < count; ++k) values[k] = static_cast<uint32_t>(0x01000000 + 16 * k);
  AppendTree(bytes, values);
  return bytes;
}

// Many records whose subjects all point at one long string after them.
std::string ManyRecordsOneString(size_t size, size_t stringLength) {
  DbxBuilder builder;
  // A record of 17 bytes and an index entry of 12 per message.
  const size_t records = (size - stringLength) / 30;
  for (size_t k = 0; k < records; ++k) {
    TestMessage m;
    m.textLink = TextLink::None;
    m.subject = "";
    builder.add(std::move(m));
  }
  TestMessage last;
  last.textLink = TextLink::None;
  last.subject = std::string(stringLength, 's');
  builder.add(std::move(last));
  const quernel::testing::BuiltMailbox built = RecordsOnly(builder);
  std::string bytes = built.bytes;
  const uint32_t longString = built.recordOffsets.back() + kRecordProperties + kPropertyEntrySize;
  for (size_t k = 0; k < records; ++k) {
    const uint32_t record = built.recordOffsets[k];
    const uint32_t dataArea = record + kRecordProperties + kPropertyEntrySize;
    PutU32(bytes, record + kRecordProperties, (longString - dataArea) << 8 | kPropSubject);
  }
  AppendTree(bytes, built.recordOffsets);
  return bytes;
}

// Blocks 16 bytes apart, each claiming 65,535 text bytes that overlap all the
// blocks after it. With `chained`, each block leads to the next; otherwise
// each is a one-block text. Every message starts at its own block.
std::string OverlappingBlocks(size_t size, bool chained) {
  DbxBuilder builder;
  // A record of 16 bytes and an index entry of 12 per message; the blocks
  // take the other half of the file.
  const size_t messages = size / 2 / 28;
  for (size_t k = 0; k < messages; ++k) {
    TestMessage m;
    m.textLink = TextLink::None;
    m.extraProperties = {{kPropTextDirect, std::string(3, '\0')}};
    builder.add(std::move(m));
  }
  const quernel::testing::BuiltMailbox built = RecordsOnly(builder);
  std::string bytes = built.bytes;
  AppendTree(bytes, built.recordOffsets);
  const uint32_t base = static_cast<uint32_t>(bytes.size());
  const size_t blocks = std::max<size_t>((size > base ? size - base : 0) / kBlockHeaderSize, 1);
  for (size_t k = 0; k < blocks; ++k) {
    const uint32_t block = base + static_cast<uint32_t>(kBlockHeaderSize * k);
    PutU32(bytes, block, 0x0A0D6946);  // "Fi\r\n": text that the blocks overlap
    PutU32(bytes, block + 4, 0x0A0D2020);
    PutU16(bytes, block + kBlockTextLength, 0xFFFF);
    PutU16(bytes, block + kBlockTextLength + 2, 0x0A0D);
    PutU32(bytes, block + kBlockNext, chained && k + 1 < blocks ? block + kBlockHeaderSize : 0);
  }
  for (size_t k = 0; k < messages; ++k) {
    const uint32_t block = base + static_cast<uint32_t>(kBlockHeaderSize * (k % blocks));
    PutU32(bytes, built.recordOffsets[k] + kRecordProperties, block << 8 | kPropTextDirect);
  }
  return bytes;
}

// One message whose text is a chain of empty blocks as long as the file
// allows, listed by every index entry that still fits.
std::string LongChainOfEmptyBlocks(size_t size) {
  DbxBuilder builder;
  TestMessage m;
  m.textLink = TextLink::None;
  m.extraProperties = {{kPropTextDirect, std::string(3, '\0')}};
  builder.add(std::move(m));
  const quernel::testing::BuiltMailbox built = builder.headerSize(kSmallHeader).build();
  std::string bytes = built.bytes;
  const uint32_t base = static_cast<uint32_t>(bytes.size());
  const size_t blocks = size / 2 / kBlockHeaderSize;
  for (size_t k = 0; k < blocks; ++k) {
    const uint32_t block = base + static_cast<uint32_t>(kBlockHeaderSize * k);
    PutU32(bytes, block + kBlockNext, k + 1 < blocks ? block + kBlockHeaderSize : 0);
  }
  PutU32(bytes, built.recordOffsets[0] + kRecordProperties, base << 8 | kPropTextDirect);
  AppendTree(bytes, std::vector<uint32_t>(EntriesThatFit(bytes.size(), size), built.recordOffsets[0]));
  return bytes;
}

// A chain of nodes, each the first child of the one before: as deep as the
// file allows.
std::string DeepTree(size_t size) {
  DbxBuilder builder;
  builder.add(Letter(0, "deep\r\n"));
  const quernel::testing::BuiltMailbox built = builder.headerSize(kSmallHeader).build();
  std::string bytes = built.bytes;
  const uint32_t base = static_cast<uint32_t>(bytes.size());
  const uint32_t nodeSize = static_cast<uint32_t>(kNodeEntries + kNodeEntrySize);
  const size_t depth = (size - base) / nodeSize;
  for (size_t k = 0; k < depth; ++k) {
    const uint32_t node = base + nodeSize * static_cast<uint32_t>(k);
    bytes.resize(node + nodeSize, '\0');  // every node whole, its entry's child fields too
    PutU8(bytes, node + kNodeEntryCount, 1);
    PutU32(bytes, node + kNodeEntries + kEntryValue, built.recordOffsets[0]);
    if (k + 1 < depth) {
      PutU32(bytes, node + kNodeFirstChild, node + nodeSize);
      PutU32(bytes, node + kNodeFirstChildValues, static_cast<uint32_t>(depth - k - 1));
    }
  }
  PutU32(bytes, kHeaderRootNode, base);
  PutU32(bytes, kHeaderEntryCount, static_cast<uint32_t>(depth));
  return bytes;
}

std::vector<std::pair<std::string, std::string>> BlowUps(size_t size) {
  return {
      {"many-entries-one-record", ManyEntriesOneRecord(size)},
      {"many-entries-one-long-address", ManyEntriesOneLongAddress(size)},
      {"most-messages-one-record", MostMessagesOneRecord(size)},
      {"most-messages-distinct-records", MostMessagesDistinctRecords(size)},
      {"many-records-one-long-string", ManyRecordsOneString(size, size / 4)},
      {"many-records-one-short-string", ManyRecordsOneString(size, 200)},
      {"overlapping-blocks-single", OverlappingBlocks(size, false)},
      {"overlapping-blocks-chained", OverlappingBlocks(size, true)},
      {"long-chain-of-empty-blocks", LongChainOfEmptyBlocks(size)},
      {"deep-tree", DeepTree(size)},
  };
}

// N one-block messages and N freed one-chunk copies, all of the same text:
// every freed copy matches every live message. Streamed: 4N of them do not
// fit in memory twice on a small machine.
bool WriteIdenticalTexts(size_t count, const std::string& path) {
  try {
    quernel::testing::DbxStreamWriter writer(path);
    TestMessage live = Letter(1, "The same text in every message.\r\n");
    TestMessage freed = live;
    freed.deleted = true;
    for (size_t k = 0; k < count; ++k) {
      writer.add(live);
      writer.add(freed);
    }
    writer.finish();
    return true;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.what());
    return false;
  }
}

// ---- Seeds of the other fuzzers ----------------------------------------------

std::vector<std::pair<std::string, std::string>> QuoteSeeds() {
  const std::string text =
      "From: a@example.com\r\n\r\nFrom here\r\n>From there\r\n>>From x\nfrom y\nFROM z\n"
      "From\n>From\r\nFrom ";
  std::vector<std::pair<std::string, std::string>> seeds;
  for (int flags : {0x01, 0x02, 0x09, 0x0A}) {
    seeds.emplace_back("flags-" + std::to_string(flags), std::string(1, static_cast<char>(flags)) + text);
  }
  return seeds;
}

std::string NamingInput(const std::string& namingTemplate, const std::vector<std::string>& values,
                        int64_t unixTime) {
  std::string input = namingTemplate;
  for (const std::string& v : values) input += '\0' + v;
  input += '\0';
  for (int k = 0; k < 3; ++k) {
    const uint64_t ticks = FileTimeFromUnix(unixTime + 3600 * k);
    input.append(reinterpret_cast<const char*>(&ticks), 8);
  }
  return input;
}

std::vector<std::pair<std::string, std::string>> NamingSeeds() {
  const std::vector<std::string> values = {"Gr\xFC\xDF" "e: \"a/b\"", "Anna Lindqvist", "anna@example.com",
                                           "Ben; Clara; Daniel", "b@example.org;c@example.org"};
  return {
      {"default", NamingInput("$SNAME_L:32_E:Unknown$ - $SUBJ_L:64_E:No Subject$.eml", values, 1118736751)},
      {"mailbox", NamingInput("$DBXNAME$ $DBXDATE_F:%c$.mbx", values, 1131653144)},
      {"dates", NamingInput("$RDATE_F:%Y%m%d %H%M%S %#x %p %Z %%$ $SDATE$", values, 946684799)},
      {"recipients", NamingInput("$RNAME_N:2_C:1$ $RADDR_N:1_C:0_L:10$ $SADDR$$X$$", values, 0)},
      {"empty", NamingInput("$SUBJ_E:none_F:%$_$SNAME_E:$", {"", "", "", "", ""}, -1)},
  };
}

// ---- Output --------------------------------------------------------------------

bool WriteAll(const std::filesystem::path& dir,
              const std::vector<std::pair<std::string, std::string>>& files, const char* extension) {
  std::filesystem::create_directories(dir);
  for (const auto& [name, bytes] : files) {
    std::ofstream out(dir / (name + extension), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", (dir / name).c_str());
      return false;
    }
  }
  return true;
}

std::vector<std::pair<std::string, std::string>> MailboxSeeds() {
  std::vector<std::pair<std::string, std::string>> seeds = {
      {"letters", Letters(3, 51, TextLink::Indirect, 512)},
      {"nested-tree", Letters(12, 2, TextLink::Direct, 512)},
      {"small-blocks", Letters(2, 51, TextLink::Indirect, 9)},
      {"odd-properties", OddProperties()},
      {"shared-records", SharedRecords()},
      {"no-messages", Small(DbxBuilder().headerEntryCount(0))},
      {"folder-list", quernel::testing::FolderListSignature() + std::string(0xE8 - 16, '\0')},
      {"old-version", quernel::testing::OldVersionSignature()},
      {"salvage-leftovers", Leftovers()},
      {"salvage-shifted", Leftovers().substr(100)},
  };
  DbxBuilder fullHeader;
  fullHeader.add(Letter(7, "A message in a file with a full-size header.\r\n"));
  seeds.emplace_back("full-header", fullHeader.build().bytes);
  for (auto& damaged : DamagedMailboxes()) seeds.push_back(std::move(damaged));
  for (auto& blowUp : BlowUps(48 * 1024)) seeds.push_back({"small-" + blowUp.first, std::move(blowUp.second)});
  return seeds;
}

// ---- Folder lists --------------------------------------------------------------

std::string SmallFolderList(const std::vector<TestFolder>& folders) {
  DbxBuilder builder;
  builder.signature(quernel::testing::FolderListSignature()).nodeCapacity(4);
  for (const TestFolder& folder : folders) builder.add(quernel::testing::FolderRecordMessage(folder));
  return Small(builder);
}

std::vector<std::pair<std::string, std::string>> FolderSeeds() {
  std::vector<TestFolder> real = quernel::testing::RealStoreFolders();
  std::vector<TestFolder> indirect = real;
  for (TestFolder& folder : indirect) folder.indirectNumbers = true;
  std::vector<TestFolder> news = {{.id = 20, .accountKind = 0, .name = "news.example.org"}};
  for (uint32_t k = 0; k < 12; ++k) {
    news.push_back({.id = 21 + k, .parent = 20, .name = "group." + std::to_string(k),
                    .fileName = k % 3 ? std::optional<std::string>() : "group." + std::to_string(k) + ".dbx"});
  }
  std::vector<TestFolder> deep;
  for (uint32_t k = 1; k <= 40; ++k) deep.push_back({.id = k, .parent = k - 1, .name = "level", .fileName = "x.dbx"});
  return {
      {"real-store", SmallFolderList(real)},
      {"indirect-numbers", SmallFolderList(indirect)},
      {"news-account", SmallFolderList(news)},
      {"deep", SmallFolderList(deep)},
      {"shapes", SmallFolderList({{.id = 3, .parent = 2, .name = "child first"},
                                  {.id = 2, .parent = 1, .accountKind = 3, .name = "../parent"},
                                  {.id = 4, .parent = 77, .name = "orphan", .fileName = "Orphan.dbx"},
                                  {.id = 5, .parent = 6, .name = "cycle a"},
                                  {.id = 6, .parent = 5, .name = "cycle b", .fileName = "inbox.dbx"},
                                  {.id = 7, .parent = 7, .name = "self", .accountKey = "LocalStore"},
                                  {.id = 2, .name = "duplicate id", .fileName = "Inbox.dbx"},
                                  {.id = 8, .accountKind = 3, .name = "Case"},
                                  {.id = 9, .accountKind = 3, .name = "CASE"},
                                  {.id = 10, .accountKind = 3, .name = "CON."}})},
  };
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc >= 3 ? argv[1] : "";
  if (mode == "identical" && argc == 4) return WriteIdenticalTexts(std::stoul(argv[2]), argv[3]) ? 0 : 1;
  if ((mode != "seeds" && mode != "large") || argc != 3) {
    std::fprintf(stderr, "usage: %s seeds|large DIR, or identical N FILE\n", argv[0]);
    return 2;
  }
  const std::filesystem::path dir = argv[2];
  if (mode == "large") return WriteAll(dir, BlowUps(1024 * 1024), ".dbx") ? 0 : 1;
  const bool ok = WriteAll(dir / "dbx", MailboxSeeds(), ".dbx") &&
                  WriteAll(dir / "folders", FolderSeeds(), ".dbx") &&
                  WriteAll(dir / "quote", QuoteSeeds(), ".txt") &&
                  WriteAll(dir / "naming", NamingSeeds(), ".bin");
  return ok ? 0 : 1;
}
