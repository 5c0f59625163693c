// Fuzz target: code pages and header text. The first input byte picks one
// of the supported code pages; the rest is split at zero bytes into a stored
// subject, a stored sender name and a message text. The stored strings are
// converted and measured in that page, the text's header lines are decoded,
// and the message's evidence is collected and voted on, as when a mailbox's
// code page is worked out. The whole-mailbox targets rarely get this far:
// it takes stored strings beyond ASCII and a header that names a charset.
//
// Whatever the bytes: a conversion never fails and gives valid UTF-8 on
// Linux (and stays UTF-8 when a name made of it is cut or changes letter
// case), the page's character steps stay inside the string, the vote names
// a supported page, the vote's shortcuts (ReadsAs, the evidence of the
// header alone) give what the conversions give, and the vote that stops
// reading chooses what the whole vote chooses, on a mailbox of this message
// and its fields' readings in the chosen page.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/header_text.h"
#include "naming/code_page_detection.h"
#include "naming/code_page_vote.h"
#include "naming/page_reading.h"
#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/name_characters.h"

namespace {

// The strict UTF-8 reading that the code-page tests use as well.
bool IsUtf8(std::string_view text) { return quernel::DecodeCodePage(65001, text).has_value(); }

std::string_view NextPart(std::string_view& rest) {
  const size_t zero = rest.find('\0');
  const std::string_view part = rest.substr(0, zero);
  rest.remove_prefix(zero == std::string_view::npos ? rest.size() : zero + 1);
  return part;
}

// The stored string as a name: converted as the naming converts it, then
// walked, cut and case-mapped in that form.
std::string CheckConversion(int codePage, std::string_view stored) {
  const std::unique_ptr<quernel::CodePageConverter> converter = quernel::MakeCodePageConverter(codePage);
  if (!converter) __builtin_trap();
  std::string name = converter->toNative(stored);
  if (!IsUtf8(name)) __builtin_trap();
  if (const auto decoded = quernel::DecodeCodePage(codePage, stored)) {
    if (!IsUtf8(*decoded)) __builtin_trap();
    (void)quernel::EncodeCodePage(codePage, *decoded);
  }
  return name;
}

void CheckNameSteps(int codePage, std::string name) {
  for (size_t pos = 0; pos < name.size();) {
    const size_t step = quernel::CharacterStepIn(codePage, name, pos);
    if (step == 0 || step > name.size() - pos) __builtin_trap();
    pos += step;
  }
  const size_t cut = quernel::CharacterPrefixLengthIn(codePage, name, name.size() / 2);
  if (cut > name.size() / 2 || !IsUtf8(std::string_view(name).substr(0, cut))) __builtin_trap();
  quernel::ChangeLetterCaseIn(codePage, name, true);
  if (!IsUtf8(name)) __builtin_trap();
}

void CheckHeaderText(std::string_view text) {
  const std::string charset = quernel::MessageCharset(text);
  if (const auto subject = quernel::HeaderFieldValue(text, "Subject")) {
    if (const auto decoded = quernel::DecodeHeaderText(*subject, charset)) {
      if (!IsUtf8(*decoded)) __builtin_trap();
    }
  }
  if (const auto from = quernel::HeaderFieldValue(text, "From")) {
    (void)quernel::DecodeHeaderText(quernel::DisplayNameOf(*from), charset);
  }
}

// ReadsAs against DecodeCodePage: for the page's own reading and for another.
void CheckReadsAs(int codePage, std::string_view stored, std::string_view other) {
  const std::optional<std::string> own = quernel::DecodeCodePage(codePage, stored);
  if (own && !quernel::ReadsAs(codePage, stored, *own)) __builtin_trap();
  if (quernel::ReadsAs(codePage, stored, other) != (own == other)) __builtin_trap();
}

// The evidence from the header alone, the rest asked for only when needed.
void CheckHeaderEvidence(std::string_view subject, std::string_view senderName, std::string_view text) {
  const size_t header = quernel::HeaderSize(text);
  if (header == std::string_view::npos) return;
  const quernel::MessageEvidence whole = quernel::CollectEvidence(subject, senderName, text);
  const quernel::MessageEvidence start = quernel::CollectEvidence(
      subject, senderName, text.substr(0, header), [text] { return quernel::MessageCharset(text); });
  if (whole.size() != start.size()) __builtin_trap();
  for (size_t i = 0; i < whole.size(); ++i) {
    if (whole[i].stored != start[i].stored || whole[i].decoded != start[i].decoded) __builtin_trap();
  }
}

// A mailbox of the message, then `count` more whose headers give the
// fields as `codePage` reads them (as a mailbox of that page would), with
// the stopping vote against the whole vote.
void CheckVote(int codePage, std::string_view subject, std::string_view senderName, std::string_view text,
               size_t count) {
  struct Message {
    std::string subject, senderName, text;
  };
  std::vector<Message> messages{{std::string(subject), std::string(senderName), std::string(text)}};
  const auto own = quernel::DecodeCodePage(codePage, subject);
  for (size_t i = 0; own && i < count; ++i) {
    messages.push_back(
        {std::string(subject), "", "Subject: " + *own + "\r\nContent-Type: text/plain; charset=utf-8\r\n\r\n"});
  }
  std::vector<quernel::MessageEvidence> evidence;
  quernel::CodePageVote vote;
  for (const Message& m : messages) {
    evidence.push_back(quernel::CollectEvidence(m.subject, m.senderName, m.text));
    vote.expect(m.subject, m.senderName);
  }
  for (size_t i = 0; i < messages.size() && !vote.choice(); ++i) {
    vote.count(messages[i].subject, messages[i].senderName, evidence[i]);
  }
  if (vote.choice() != quernel::ChooseCodePage(evidence)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::span<const int> pages = quernel::SupportedCodePages();
  const int codePage = pages[data[0] % pages.size()];
  std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::string_view subject = NextPart(rest);
  const std::string_view senderName = NextPart(rest);
  const std::string_view text = rest;

  CheckNameSteps(codePage, CheckConversion(codePage, subject));
  CheckNameSteps(codePage, CheckConversion(codePage, senderName));
  CheckHeaderText(text);

  CheckReadsAs(codePage, subject, senderName);
  CheckHeaderEvidence(subject, senderName, text);
  CheckVote(codePage, subject, senderName, text, data[0] / pages.size() % 8);

  if (quernel::MayCarryEvidence(subject, senderName)) {
    std::vector<quernel::MessageEvidence> evidence;
    quernel::MessageEvidence message = quernel::CollectEvidence(subject, senderName, text);
    if (!message.empty()) evidence.push_back(std::move(message));
    const int chosen = quernel::ChooseCodePage(evidence);
    if (!quernel::IsSupportedCodePage(chosen)) __builtin_trap();
  }
  return 0;
}
