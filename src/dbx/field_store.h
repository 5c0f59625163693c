#pragma once
// FieldStore: the naming fields of many found messages, packed. A mailbox
// whose index is lost may give back every one of its messages; kept as
// separate strings, their fields would take several times their bytes.

#include <cstdint>
#include <string>
#include <vector>

#include "dbx/mailbox_reader.h"

namespace quernel::dbx {

class FieldStore {
 public:
  // Keeps `fields`, each string cut to 1 MiB; returns the key to get them
  // back with.
  uint64_t add(const MailboxReader::Properties& fields);
  MailboxReader::Properties get(uint64_t key) const;

 private:
  // Pages of at most kPageSize bytes (more only for one very large entry),
  // so that growing the store never copies what it holds.
  static constexpr size_t kPageSize = 1 << 20;
  std::vector<std::string> pages_;
};

}  // namespace quernel::dbx
