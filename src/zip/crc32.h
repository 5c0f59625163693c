#pragma once
// CRC-32 (ISO 3309, the zip format's checksum), fed piece by piece.

#include <cstdint>
#include <string_view>

namespace quernel {

class Crc32 {
 public:
  void add(std::string_view bytes);
  uint32_t value() const { return ~state_; }

 private:
  uint32_t state_ = 0xFFFFFFFFu;
};

}  // namespace quernel
