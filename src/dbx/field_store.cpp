#include "dbx/field_store.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace quernel::dbx {

namespace {

// The strings in the order they are packed.
const std::array<std::string MailboxReader::Properties::*, 5> kStrings = {
    &MailboxReader::Properties::subject,          &MailboxReader::Properties::senderName,
    &MailboxReader::Properties::senderAddress,    &MailboxReader::Properties::recipientName,
    &MailboxReader::Properties::recipientAddress,
};

void PutWord(std::string& out, uint32_t value) { out.append(reinterpret_cast<const char*>(&value), 4); }

uint32_t TakeWord(const std::string& page, size_t& at) {
  uint32_t value;
  std::memcpy(&value, page.data() + at, 4);
  at += 4;
  return value;
}

// A name or subject longer than this is cut: only names are made of them.
constexpr size_t kMaxField = 1 << 20;

size_t KeptSize(const std::string& field) { return std::min(field.size(), kMaxField); }

}  // namespace

uint64_t FieldStore::add(const MailboxReader::Properties& fields) {
  size_t size = 12;
  for (auto member : kStrings) size += 4 + KeptSize(fields.*member);
  if (pages_.empty() || pages_.back().size() + size > kPageSize) {
    pages_.emplace_back();
    pages_.back().reserve(std::max(size, kPageSize));
  }
  std::string& page = pages_.back();
  const uint64_t key = (uint64_t{pages_.size() - 1} << 32) | page.size();
  PutWord(page, static_cast<uint32_t>(fields.receiveTime));
  PutWord(page, static_cast<uint32_t>(fields.sendTime));
  PutWord(page, fields.flags);
  for (auto member : kStrings) {
    const size_t kept = KeptSize(fields.*member);
    PutWord(page, static_cast<uint32_t>(kept));
    page.append(fields.*member, 0, kept);
  }
  return key;
}

MailboxReader::Properties FieldStore::get(uint64_t key) const {
  const std::string& page = pages_[static_cast<size_t>(key >> 32)];
  size_t at = static_cast<size_t>(key & 0xFFFFFFFF);
  MailboxReader::Properties fields;
  fields.receiveTime = static_cast<MessageTime>(TakeWord(page, at));
  fields.sendTime = static_cast<MessageTime>(TakeWord(page, at));
  fields.flags = TakeWord(page, at);
  for (auto member : kStrings) {
    const uint32_t size = TakeWord(page, at);
    (fields.*member).assign(page, at, size);
    at += size;
  }
  return fields;
}

}  // namespace quernel::dbx
