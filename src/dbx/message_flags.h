#pragma once
// MessageFlags: the state of a message as Outlook Express keeps it, a word of
// bits in the record's property 0x01 (a u32 in the data area) or 0x81 (the
// entry's own u24 value). A record without either has no bits set.

#include <cstdint>

namespace quernel {

class MessageFlags {
 public:
  static constexpr uint32_t kBodyDownloaded = 0x01;
  // Set on every message composed on this machine, sent ones included, so it
  // does not mean "draft" and nothing reads it as such.
  static constexpr uint32_t kComposedHere = 0x08;
  static constexpr uint32_t kMarked = 0x20;
  static constexpr uint32_t kRead = 0x80;
  static constexpr uint32_t kSigned = 0x1000;
  static constexpr uint32_t kHasAttachments = 0x4000;
  static constexpr uint32_t kAnswered = 0x080000;
  static constexpr uint32_t kForwarded = 0x100000;

  constexpr MessageFlags() = default;
  constexpr explicit MessageFlags(uint32_t bits) : bits_(bits) {}

  constexpr uint32_t bits() const { return bits_; }
  constexpr bool read() const { return (bits_ & kRead) != 0; }
  constexpr bool marked() const { return (bits_ & kMarked) != 0; }
  constexpr bool answered() const { return (bits_ & kAnswered) != 0; }
  constexpr bool forwarded() const { return (bits_ & kForwarded) != 0; }

  constexpr bool operator==(const MessageFlags&) const = default;

 private:
  uint32_t bits_ = 0;
};

}  // namespace quernel
