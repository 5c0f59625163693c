#pragma once
// The vote on one mailbox's code page, counted message by message, that
// knows when the messages still unread can no longer change its choice: the
// vote reads only as far as that, and its choice is always the one
// ChooseCodePage makes over the evidence of every message.

#include <array>
#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

#include "naming/code_page_detection.h"
#include "naming/page_reading.h"

namespace quernel {

class CodePageVote {
 public:
  CodePageVote();

  // A message to be read later, by its stored subject and sender name; one
  // that cannot carry evidence (MayCarryEvidence) is not counted.
  void expect(std::string_view storedSubject, std::string_view storedSenderName);

  // The evidence of an expected message, read now with the same stored
  // strings; empty when it gives none or its text cannot be read.
  void count(std::string_view storedSubject, std::string_view storedSenderName, MessageEvidence evidence);

  // The page the vote chooses, once no unread message can change it.
  std::optional<int> choice() const;

 private:
  // What a page might still reach: its count, and every read message it was
  // not asked about.
  size_t reachable(size_t page) const { return explained_[page] + skipped_[page]; }
  // True when page `page` cannot be chosen, whatever the unread messages
  // say: it cannot reach more than twice 1252's count, or that of any page.
  bool outOfReachOf1252(size_t page) const;
  bool outOfReach(size_t page) const;
  // How 1252 reads one field of a message being counted.
  struct FieldReading {
    bool western;        // it turns the stored bytes into the decoded text
    PageSet sameAs1252;  // the pages that read the stored bytes as it does
  };
  using FieldReadings = std::array<FieldReading, 2>;
  bool explains(size_t page, const MessageEvidence& evidence, const FieldReadings& fields) const;

  std::span<const int> pages_;
  size_t western_;  // the index of 1252
  std::vector<size_t> explained_;
  // Read messages whose evidence a page was no longer asked about.
  std::vector<size_t> skipped_;
  // Unread messages that a page may read otherwise than 1252.
  std::vector<size_t> readOtherwise_;
  size_t unread_ = 0;
  PageSet asked_;  // the pages still asked about each message
  std::vector<MessageEvidence> read_;
};

}  // namespace quernel
