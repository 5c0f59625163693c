#include "dbx/found_objects.h"

#include <algorithm>

namespace quernel::dbx {

size_t FindLink(const std::vector<FoundLink>& links, uint32_t offset, size_t hint) {
  if (hint < links.size() && links[hint].offset == offset) return hint;
  const auto it = std::lower_bound(links.begin(), links.end(), offset,
                                   [](const FoundLink& l, uint32_t o) { return l.offset < o; });
  if (it == links.end() || it->offset != offset) return kNotFound;
  return static_cast<size_t>(it - links.begin());
}

}  // namespace quernel::dbx
