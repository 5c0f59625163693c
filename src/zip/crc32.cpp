#include "zip/crc32.h"

#include <array>

namespace quernel {
namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

void Crc32::add(std::string_view bytes) {
  uint32_t c = state_;
  for (unsigned char byte : bytes) c = kTable[(c ^ byte) & 0xFF] ^ (c >> 8);
  state_ = c;
}

}  // namespace quernel
