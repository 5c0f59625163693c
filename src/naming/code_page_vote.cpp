#include "naming/code_page_vote.h"

#include <algorithm>
#include <utility>

#include "platform/code_pages.h"

namespace quernel {
namespace {

constexpr int kWindows1252 = 1252;
constexpr size_t kMinimumExplained = 3;  // as ChooseFromTally

bool HasByteBeyondAscii(std::string_view text) {
  unsigned char any = 0;
  for (char c : text) any |= static_cast<unsigned char>(c);
  return any > 0x7F;
}

// The pages that read each field that can give evidence as 1252 reads it:
// on such a message they explain exactly what 1252 explains.
PageSet ReadingAs1252(std::string_view storedSubject, std::string_view storedSenderName) {
  PageSet pages = ~PageSet{0};
  for (std::string_view field : {storedSubject, storedSenderName}) {
    if (HasByteBeyondAscii(field)) pages &= PagesReadingAs1252(field);
  }
  return pages;
}

}  // namespace

CodePageVote::CodePageVote()
    : pages_(SupportedCodePages()),
      western_(static_cast<size_t>(std::find(pages_.begin(), pages_.end(), kWindows1252) - pages_.begin())),
      explained_(pages_.size()),
      skipped_(pages_.size()),
      readOtherwise_(pages_.size()),
      asked_((PageSet{1} << pages_.size()) - 1) {}

void CodePageVote::expect(std::string_view storedSubject, std::string_view storedSenderName) {
  if (!MayCarryEvidence(storedSubject, storedSenderName)) return;
  ++unread_;
  const PageSet same = ReadingAs1252(storedSubject, storedSenderName);
  for (size_t k = 0; k < pages_.size(); ++k) {
    if (!(same & (PageSet{1} << k))) ++readOtherwise_[k];
  }
}

void CodePageVote::count(std::string_view storedSubject, std::string_view storedSenderName,
                         MessageEvidence evidence) {
  if (!MayCarryEvidence(storedSubject, storedSenderName)) return;
  --unread_;
  const PageSet same = ReadingAs1252(storedSubject, storedSenderName);
  for (size_t k = 0; k < pages_.size(); ++k) {
    if (!(same & (PageSet{1} << k))) --readOtherwise_[k];
  }
  if (evidence.empty()) return;
  // Each field as 1252 reads it: a single-byte page that reads the bytes
  // otherwise cannot read them as the same text.
  FieldReadings fields;
  bool western = false;
  for (size_t f = 0; f < evidence.size(); ++f) {
    const FieldEvidence& field = evidence[f];
    const bool read = ReadsAs(kWindows1252, field.stored, field.decoded);
    if (f < fields.size()) fields[f] = {read, PagesReadingAs1252(field.stored)};
    western = western || read;
  }
  for (size_t k = 0; k < pages_.size(); ++k) {
    const PageSet page = PageSet{1} << k;
    if (k == western_ || (same & page)) {
      explained_[k] += western ? 1 : 0;
    } else if (asked_ & page) {
      explained_[k] += explains(k, evidence, fields) ? 1 : 0;
    } else {
      ++skipped_[k];
    }
  }
  read_.push_back(std::move(evidence));
  // A page that 1252 keeps out of reach stays so (each message read adds at
  // most one to what it can reach and takes one from what the unread ones
  // can add), and is asked no more. Pages that another page keeps out of
  // reach are still asked, so that a page other than 1252 can be found
  // ahead of every count.
  for (size_t k = 0; k < pages_.size(); ++k) {
    if (k != western_ && (asked_ & (PageSet{1} << k)) && outOfReachOf1252(k)) asked_ &= ~(PageSet{1} << k);
  }
}

bool CodePageVote::explains(size_t page, const MessageEvidence& evidence, const FieldReadings& fields) const {
  const int codePage = pages_[page];
  // A message has at most two fields (subject and sender name); any more
  // are asked about the slow way.
  for (size_t f = 0; f < evidence.size(); ++f) {
    if (f >= fields.size()) {
      if (Explains(codePage, evidence[f])) return true;
      continue;
    }
    bool explained = false;
    if (fields[f].sameAs1252 & (PageSet{1} << page)) {
      explained = fields[f].western;
    } else if (!fields[f].western) {
      explained = Explains(codePage, evidence[f]);
    } else if (IsDoubleByteCodePage(codePage)) {
      explained = KeepsAsciiApart(codePage, evidence[f].stored) && Explains(codePage, evidence[f]);
    } else {
      explained = ExplainsWrittenApart(codePage, evidence[f]);
    }
    if (explained) return true;
  }
  return false;
}

bool CodePageVote::outOfReachOf1252(size_t page) const {
  // A page is chosen only with more than twice the count of every other.
  // Against 1252, only the messages it reads otherwise can set it apart.
  return reachable(page) + readOtherwise_[page] <= 2 * explained_[western_];
}

bool CodePageVote::outOfReach(size_t page) const {
  if (outOfReachOf1252(page)) return true;
  size_t rival = 0;  // the largest count of another page
  for (size_t other = 0; other < pages_.size(); ++other) {
    if (other != page) rival = std::max(rival, explained_[other]);
  }
  return reachable(page) + unread_ <= 2 * rival;
}

std::optional<int> CodePageVote::choice() const {
  if (unread_ == 0) {
    // Counted exactly unless a page was passed over: then asked anew.
    if (std::all_of(skipped_.begin(), skipped_.end(), [](size_t n) { return n == 0; })) {
      std::vector<CodePageTally> tally;
      for (size_t k = 0; k < pages_.size(); ++k) tally.push_back(CodePageTally{pages_[k], explained_[k]});
      return ChooseFromTally(tally, read_.size());
    }
    return ChooseCodePage(read_);
  }
  bool othersOutOfReach = true;
  for (size_t k = 0; k < pages_.size() && othersOutOfReach; ++k) {
    othersOutOfReach = k == western_ || !(asked_ & (PageSet{1} << k)) || outOfReach(k);
  }
  if (othersOutOfReach) return kWindows1252;
  // A page with more than twice what any other can reach is chosen.
  size_t first = 0;  // the two pages that can reach the most
  size_t second = 1;
  if (reachable(second) > reachable(first)) std::swap(first, second);
  for (size_t k = 2; k < pages_.size(); ++k) {
    if (reachable(k) > reachable(first)) {
      second = first;
      first = k;
    } else if (reachable(k) > reachable(second)) {
      second = k;
    }
  }
  for (size_t k = 0; k < pages_.size(); ++k) {
    const size_t rival = reachable(k == first ? second : first) + unread_;
    if (k != western_ && explained_[k] >= kMinimumExplained && explained_[k] > 2 * rival) return pages_[k];
  }
  return std::nullopt;
}

}  // namespace quernel
