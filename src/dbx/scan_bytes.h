#pragma once
// Little-endian loads from memory, for code that scans a mailbox file in
// large pieces of its own instead of reading field by field.

#include <cstdint>

namespace quernel::dbx {

inline uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

}  // namespace quernel::dbx
