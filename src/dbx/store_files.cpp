#include "dbx/store_files.h"

#include <algorithm>

namespace quernel {

namespace {

constexpr std::string_view kMailboxExtension = ".dbx";
// What Outlook Express keeps for itself in a store, in lower case.
constexpr std::string_view kOwnFiles[] = {"folders.dbx", "offline.dbx", "pop3uidl.dbx"};

bool EndsWithAsciiFolded(std::string_view name, std::string_view lowerSuffix) {
  if (name.size() < lowerSuffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - lowerSuffix.size());
  return std::equal(tail.begin(), tail.end(), lowerSuffix.begin(), [](char a, char b) {
    return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
  });
}

}  // namespace

std::string FoldedName(std::string_view name, const TextRules& text) {
  std::string folded(name);
  text.changeLetterCase(folded, false);
  return folded;
}

bool IsStoreMailboxFile(std::string_view fileName) {
  if (!EndsWithAsciiFolded(fileName, kMailboxExtension)) return false;
  for (std::string_view own : kOwnFiles) {
    if (fileName.size() == own.size() && EndsWithAsciiFolded(fileName, own)) return false;
  }
  return true;
}

StoreMailboxFiles::StoreMailboxFiles(const std::vector<std::string>& entries, const TextRules& text)
    : text_(text) {
  for (const std::string& entry : entries) {
    if (IsStoreMailboxFile(entry)) files_.push_back(entry);
  }
  std::sort(files_.begin(), files_.end());
  files_.erase(std::unique(files_.begin(), files_.end()), files_.end());
  claimed_.assign(files_.size(), false);
  for (size_t i = 0; i < files_.size(); ++i) {
    byName_.emplace(files_[i], i);
    byFoldedName_[FoldedName(files_[i], text_)].push_back(i);
  }
}

std::optional<size_t> StoreMailboxFiles::find(std::string_view fileName) const {
  if (const auto exact = byName_.find(std::string(fileName));
      exact != byName_.end() && !claimed_[exact->second]) {
    return exact->second;
  }
  const auto alike = byFoldedName_.find(FoldedName(fileName, text_));
  if (alike == byFoldedName_.end()) return std::nullopt;
  for (size_t i : alike->second) {
    if (!claimed_[i]) return i;
  }
  return std::nullopt;
}

std::optional<std::string> StoreMailboxFiles::claim(std::string_view fileName) {
  const std::optional<size_t> found = find(fileName);
  if (!found) return std::nullopt;
  claimed_[*found] = true;
  return files_[*found];
}

std::vector<std::string> StoreMailboxFiles::unclaimed() const {
  std::vector<std::string> rest;
  for (size_t i = 0; i < files_.size(); ++i) {
    if (!claimed_[i]) rest.push_back(files_[i]);
  }
  return rest;
}

}  // namespace quernel
