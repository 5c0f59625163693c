#pragma once
// ShiftedInputFile: a mailbox file as its own offset fields see it. A file
// that lost bytes at its start (a carved disk image) or gained some keeps
// every object's own-offset field, so every object lies `shift` bytes before
// (shift > 0) or after (shift < 0) the position its fields name. This view
// puts the objects back where their offsets say; the lost bytes at its start
// read as zero.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace quernel::dbx {

class ShiftedInputFile : public InputFile {
 public:
  // `shift`: a field's offset minus the position where it is found.
  ShiftedInputFile(InputFile& file, int64_t shift);

  size_t readAt(uint64_t offset, void* buffer, size_t size) override;
  uint64_t length() const override { return length_; }
  const std::string& path() const override { return file_.path(); }
  std::optional<FileTimeTicks> lastWriteTime() const override { return file_.lastWriteTime(); }

 private:
  InputFile& file_;
  int64_t shift_;
  uint64_t length_;
};

}  // namespace quernel::dbx
