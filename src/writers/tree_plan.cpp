#include "writers/tree_plan.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "naming/folder_name.h"
#include "platform/name_characters.h"
#include "writers/eml_paths.h"
#include "writers/found_sets.h"

namespace quernel {

namespace {

constexpr std::string_view kSubfolderSuffix = ".sbd";
constexpr std::string_view kIndexSuffix = ".msf";
constexpr std::string_view kMailboxExtension = ".dbx";
constexpr std::string_view kUnnamed = "Unnamed folder";

// The length of `name`, made in the character set of the store's names, in
// the program's text, which the file system gets: UTF-8, whose bytes the
// usual limit of 255 counts on Linux, and no fewer than the UTF-16 units
// that Windows counts.
size_t ProgramTextBytes(const CodePageConverter& converter, std::string_view name) {
  std::string text(name);
  converter.toProgramText(text);
  return text.size();
}

std::string BaseName(const StoreFolder& folder, TreeLayout layout, int codePage, const Host& host,
                     const CodePageConverter& converter) {
  const bool windowsRules = host.paths.refusesWindowsNames();
  std::string name = CleanFolderName(folder.name, codePage, windowsRules, host.text);
  std::string_view file = folder.mailboxFile;
  if (name.empty() && file.size() >= kMailboxExtension.size()) {
    const std::string stem = converter.fromProgramText(file.substr(0, file.size() - kMailboxExtension.size()));
    name = CleanFolderName(stem, codePage, windowsRules, host.text);
  }
  if (name.empty()) name = kUnnamed;
  // In Maildir++ "." separates the levels of a folder's path.
  if (layout == TreeLayout::Maildir) std::replace(name.begin(), name.end(), '.', kMaildirDotStandIn);
  return name;
}

// What a folder's name takes in its directory, as suffixes of the name: an
// mbox folder also owns its subfolder directory and Thunderbird's index,
// and with the found sets their mbox files and Thunderbird's indexes of them.
std::vector<std::string> Claims(TreeLayout layout, bool foundSets) {
  if (layout != TreeLayout::Mbox) return {""};
  std::vector<std::string> claims = {"", std::string(kSubfolderSuffix), std::string(kIndexSuffix)};
  if (!foundSets) return claims;
  for (const FoundSet& set : kFoundSets) {
    claims.push_back(TreeSetPath("", set.name));
    claims.push_back(claims.back() + std::string(kIndexSuffix));
  }
  return claims;
}

// The names taken in one directory, compared as Windows and macOS compare
// them. Each base name remembers the next number to try, so that many
// siblings of one name cost one try each, not one per earlier sibling.
class SiblingNames {
 public:
  SiblingNames(std::span<const std::string> claims, int codePage, const TextRules& text,
               const CodePageConverter& converter)
      : claims_(claims), codePage_(codePage), text_(text), converter_(converter) {}

  // Keeps `name` from the folders of this directory.
  void reserve(std::string_view name) { taken_.insert(FoldedFolderName(name, codePage_)); }

  // `base`, or a variant of it numbered to be free, in at most `limit`
  // bytes where it would be longer.
  std::string take(const std::string& base, size_t limit) {
    uint64_t& next = nextNumber_[FoldedFolderName(Shortened(base, limit, 0), codePage_)];
    for (;;) {
      const uint64_t number = next++;
      std::string candidate = NumberedName(Shortened(base, limit, number), number, text_);
      const std::string folded = FoldedFolderName(candidate, codePage_);
      if (isFree(folded)) {
        for (const std::string& suffix : claims_) taken_.insert(folded + suffix);
        return candidate;
      }
    }
  }

 private:
  // `base` cut on a character boundary so that it fits `limit` bytes of
  // the program's text with "(number)" added; a space the cut leaves at the
  // end goes, as Windows would drop it. One character stays whatever the
  // limit.
  std::string Shortened(const std::string& base, size_t limit, uint64_t number) const {
    const size_t numberBytes = number == 0 ? 0 : std::to_string(number).size() + 2;
    if (limit == SIZE_MAX || ProgramTextBytes(converter_, base) + numberBytes <= limit) return base;
    const size_t room = limit > numberBytes ? limit - numberBytes : 0;
    // The longest prefix that fits, found by halving: names are converted
    // to the program's text, whose length is what the limit is about.
    size_t fits = 0, tooLong = base.size() + 1;
    while (tooLong - fits > 1) {
      const size_t middle = fits + (tooLong - fits) / 2;
      const size_t cut = CharacterPrefixLengthIn(codePage_, base, middle);
      if (ProgramTextBytes(converter_, std::string_view(base).substr(0, cut)) <= room) {
        fits = middle;
      } else {
        tooLong = middle;
      }
    }
    std::string cut = base.substr(0, CharacterPrefixLengthIn(codePage_, base, fits));
    while (!cut.empty() && cut.back() == ' ') cut.pop_back();
    if (cut.empty()) cut = base.substr(0, std::max<size_t>(CharacterStepIn(codePage_, base, 0), 1));
    return cut;
  }

  bool isFree(const std::string& folded) const {
    for (const std::string& suffix : claims_) {
      if (taken_.count(folded + suffix) != 0) return false;
    }
    return true;
  }

  std::span<const std::string> claims_;
  int codePage_;
  const TextRules& text_;
  const CodePageConverter& converter_;
  std::unordered_set<std::string> taken_;
  std::unordered_map<std::string, uint64_t> nextNumber_;
};

// The longest name a directory may have on the usual file systems.
constexpr size_t kMaxNameBytes = 255;

// How far each folder's deepest descendants lie below it in the Maildir
// layout: the most levels, and the most bytes their names take with a "."
// before each, as they are before any cut.
struct Below {
  size_t levels = 0;
  size_t bytes = 0;
};

std::vector<Below> MeasureBelow(const StoreTree& store, const std::vector<std::string>& names,
                                const CodePageConverter& converter) {
  std::vector<Below> below(names.size());
  for (size_t i = names.size(); i-- > 0;) {
    const size_t parent = store.folders[i].parent;
    if (parent >= i) continue;  // top level, or a link that does not point back
    below[parent].levels = std::max(below[parent].levels, below[i].levels + 1);
    below[parent].bytes =
        std::max(below[parent].bytes, below[i].bytes + 1 + ProgramTextBytes(converter, names[i]));
  }
  return below;
}

// The most bytes a Maildir++ folder's own level may take, when `room` bytes
// are left for it and the levels below it: what the levels below leave
// (all it needs where everything fits), but at least an even share, which
// every level below then gets as well.
size_t MaildirLevelLimit(size_t room, const Below& below) {
  const size_t levels = below.levels + 1;
  const size_t share = room > below.levels ? (room - below.levels) / levels : 0;
  return std::max(room > below.bytes ? room - below.bytes : 0, share);
}

// The bytes a folder's found sets add to its Maildir++ name (".recovered").
size_t FoundSetSuffixBytes() {
  size_t longest = 0;
  for (const FoundSet& set : kFoundSets) longest = std::max(longest, set.name.size() + 1);
  return longest;
}

}  // namespace

TreePlan PlanTree(const StoreTree& store, TreeLayout layout, const Host& host,
                  const CodePageConverter& converter, bool foundSets) {
  TreePlan plan;
  plan.layout = layout;
  plan.paths = &host.paths;
  plan.folders.resize(store.folders.size());
  const std::vector<std::string> claims = Claims(layout, foundSets);
  std::vector<std::string> bases;
  bases.reserve(store.folders.size());
  for (const StoreFolder& folder : store.folders) {
    bases.push_back(BaseName(folder, layout, store.codePage, host, converter));
  }
  // A Maildir++ folder is one directory whose name holds its whole path.
  const bool maildir = layout == TreeLayout::Maildir;
  const std::vector<Below> below = maildir ? MeasureBelow(store, bases, converter) : std::vector<Below>();
  const size_t longest = kMaxNameBytes - (foundSets ? FoundSetSuffixBytes() : 0);
  std::vector<size_t> joinedBytes(maildir ? store.folders.size() : 0);  // ".A.B" in the program's text
  std::unordered_map<size_t, SiblingNames> directories;  // by parent index
  for (size_t i = 0; i < store.folders.size(); ++i) {
    const StoreFolder& folder = store.folders[i];
    PlannedFolder& planned = plan.folders[i];
    planned.parent = folder.parent;
    if (folder.parent != StoreTree::kTopLevel) plan.folders[folder.parent].hasSubfolders = true;
    const auto [at, added] = directories.try_emplace(folder.parent, claims, store.codePage, host.text, converter);
    SiblingNames& siblings = at->second;
    // An eml or Maildir folder's sets are named as its subfolders are.
    if (added && foundSets && layout != TreeLayout::Mbox && folder.parent != StoreTree::kTopLevel) {
      for (const FoundSet& set : kFoundSets) siblings.reserve(set.name);
    }
    size_t limit = SIZE_MAX;
    size_t parentBytes = 0;
    if (maildir) {
      parentBytes = folder.parent < i ? joinedBytes[folder.parent] : 0;
      const size_t room = longest > parentBytes + 1 ? longest - parentBytes - 1 : 0;
      limit = MaildirLevelLimit(room, below[i]);
    }
    planned.name = siblings.take(bases[i], limit);
    converter.toProgramText(planned.name);
    if (maildir) joinedBytes[i] = parentBytes + 1 + planned.name.size();
  }
  return plan;
}

std::string TreePlan::path(size_t i) const {
  // Folder i and its ancestors, nearest first. Parents come before their
  // children, so a link that does not point back ends the walk.
  std::vector<size_t> chain{i};
  for (size_t at = i; folders[at].parent < at;) chain.push_back(at = folders[at].parent);
  if (layout == TreeLayout::Maildir) {
    std::string path;
    for (size_t k = chain.size(); k-- > 0;) (path += '.') += folders[chain[k]].name;
    return path;
  }
  std::string path = folders[chain.back()].name;
  for (size_t k = chain.size() - 1; k-- > 0;) {
    path = paths->join(subfolderHolder(std::move(path)), folders[chain[k]].name);
  }
  return path;
}

std::string TreePlan::subfolderDirectory(size_t i) const {
  // Maildir++ folders all live side by side in the output folder.
  if (layout == TreeLayout::Maildir) return std::string();
  return folders[i].hasSubfolders ? subfolderHolder(path(i)) : std::string();
}

std::string TreePlan::subfolderHolder(std::string folderPath) const {
  if (layout == TreeLayout::Mbox) folderPath += kSubfolderSuffix;
  return folderPath;
}

}  // namespace quernel
