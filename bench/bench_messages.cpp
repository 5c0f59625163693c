#include "bench_messages.h"

#include <ctime>
#include <iterator>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>

namespace quernel::testing {

namespace {

constexpr std::string_view kWords[] = {
    "the",     "mailbox",  "meeting", "report",   "please", "attached", "quarter", "project",
    "review",  "thanks",   "regards", "budget",   "server", "backup",   "monday",  "schedule",
    "invoice", "update",   "team",    "release",  "notes",  "draft",    "agenda",  "customer",
    "order",   "delivery", "office",  "question", "answer", "tomorrow", "friday",  "summary"};

constexpr int64_t kFirstSendTime = 1'100'000'000;  // November 2004

// Accented names in Windows-1252, from the languages whose mailboxes were
// written in it.
constexpr std::string_view kFirstNames[] = {"Fran\xE7ois", "H\xE9l\xE8ne", "J\xFCrgen", "Jos\xE9",
                                            "In\xEAs",     "Bj\xF6rn",      "Ma\xEBlle", "Jo\xE3o"};
constexpr std::string_view kLastNames[] = {"M\xFCller", "Garc\xED" "a", "Lef\xE8vre", "Concei\xE7\xE3o",
                                           "Wei\xDF",   "N\xFA\xF1" "ez", "B\xE9rub\xE9", "G\xF6tze"};
constexpr std::string_view kSubjects[] = {"Rapport num\xE9ro # \xE0 r\xE9viser", "Bericht Nr. # zur Pr\xFC" "fung",
                                          "Informe n\xFAmero # para revisi\xF3n",
                                          "Relat\xF3rio n\xFAmero # para revis\xE3o"};

std::string QEncoded(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte == ' ') {
      out += '_';
    } else if (byte > 0x7F || byte == '=' || byte == '?' || byte == '_' || byte == '"') {
      out += '=';
      out += kHex[byte >> 4];
      out += kHex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = static_cast<uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (i + 1 < bytes.size()) group |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (i + 2 < bytes.size()) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[group >> 18];
    out += kDigits[(group >> 12) & 0x3F];
    out += i + 1 < bytes.size() ? kDigits[(group >> 6) & 0x3F] : '=';
    out += i + 2 < bytes.size() ? kDigits[group & 0x3F] : '=';
  }
  return out;
}

// The Subject and From values of one message. Accented ones take turns:
// Outlook Express's quoted Q words, B words as other clients wrote them, and
// raw 8-bit text that the Content-Type's charset labels.
std::pair<std::string, std::string> SubjectAndFrom(const TestMessage& m, NameLetters letters, uint32_t index) {
  const std::string address = " <" + *m.senderAddress + ">";
  if (letters == NameLetters::Ascii || index % 3 == 2) {
    return {*m.subject, "\"" + *m.senderName + "\"" + address};
  }
  if (index % 3 == 0) {
    return {"=?iso-8859-1?Q?" + QEncoded(*m.subject) + "?=",
            "\"=?iso-8859-1?Q?" + QEncoded(*m.senderName) + "?=\"" + address};
  }
  return {"=?windows-1252?B?" + Base64(*m.subject) + "?=", "=?windows-1252?B?" + Base64(*m.senderName) + "?=" + address};
}

std::string Headers(const TestMessage& m, NameLetters letters, int64_t unixTime, uint32_t index) {
  char date[64];
  const time_t seconds = static_cast<time_t>(unixTime);
  struct tm parts;
  gmtime_r(&seconds, &parts);
  strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S +0000", &parts);
  const std::string id = std::to_string(index);
  const auto [subject, from] = SubjectAndFrom(m, letters, index);
  return "Return-Path: <" + *m.senderAddress + ">\r\n" +
         "Received: from mail.example.net (mail.example.net [192.0.2.25])\r\n"
         "\tby mx.example.org with ESMTP id " + id + "\r\n" +
         "\tfor <" + *m.recipientAddress + ">; " + date + "\r\n" +
         "From: " + from + "\r\n" +
         "To: \"" + *m.recipientName + "\" <" + *m.recipientAddress + ">\r\n" +
         "Subject: " + subject + "\r\n" +
         "Date: " + date + "\r\n" +
         "Message-ID: <" + id + ".bench@example.net>\r\n" +
         "MIME-Version: 1.0\r\n"
         "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
         "Content-Transfer-Encoding: 8bit\r\n"
         "X-Mailer: Microsoft Outlook Express 6.00.2900.2180\r\n"
         "\r\n";
}

// The sender name and subject of message `index`.
std::pair<std::string, std::string> Names(NameLetters letters, bool shared, uint32_t index) {
  const std::string n = std::to_string(index);
  if (letters == NameLetters::Ascii) {
    if (shared) return {"Weekly Digest", "Weekly digest of the project list"};
    return {"Sender " + n, "Report number " + n + " for review"};
  }
  if (shared) return {"R\xE9sum\xE9 hebdomadaire", "R\xE9sum\xE9 de la liste du projet \x96 \xE9t\xE9"};
  std::string subject(kSubjects[index % std::size(kSubjects)]);
  subject.replace(subject.find('#'), 1, n);
  return {std::string(kFirstNames[index % std::size(kFirstNames)]) + " " +
              std::string(kLastNames[index / std::size(kFirstNames) % std::size(kLastNames)]),
          subject};
}

TestMessage WithoutBody(NameLetters letters, bool shared, uint32_t index) {
  TestMessage m;
  std::tie(m.senderName, m.subject) = Names(letters, shared, index);
  m.senderAddress = shared ? "digest@lists.example.net" : "sender" + std::to_string(index) + "@example.net";
  m.recipientName = "Mail Reader";
  m.recipientAddress = "reader@example.org";
  const int64_t sent = kFirstSendTime + int64_t{index} * 3'600;
  m.sendTime = FileTimeFromUnix(sent);
  m.receiveTime = FileTimeFromUnix(sent + 60);
  // Downloaded, and mostly read; now and then answered, flagged or forwarded.
  m.flags = 0x01 | (index % 10 != 0 ? 0x80 : 0) | (index % 7 == 0 ? 0x080000 : 0) |
            (index % 23 == 0 ? 0x20 : 0) | (index % 31 == 0 ? 0x100000 : 0);
  m.text = Headers(m, letters, sent, index);
  return m;
}

}  // namespace

BenchMessages::BenchMessages(uint64_t seed, double meanBytes, SharedNames names, NameLetters letters)
    : random_(seed), sizes_(1.0 / meanBytes), names_(names), letters_(letters) {}

TestMessage BenchMessages::next() {
  const uint32_t index = index_++;
  const bool shared =
      names_ == SharedNames::Same || (names_ == SharedNames::Mixed && index % 5 == 0);
  TestMessage m = WithoutBody(letters_, shared, index);
  // The body is the ASCII twin's, whatever the names: both mailboxes draw
  // the same numbers and differ only in their names.
  const size_t headerSize =
      letters_ == NameLetters::Ascii ? m.text.size() : WithoutBody(NameLetters::Ascii, shared, index).text.size();
  const size_t total = static_cast<size_t>(sizes_(random_));
  m.text += body(total > headerSize + 64 ? total - headerSize : 64);
  return m;
}

std::string BenchMessages::body(size_t size) {
  std::string text;
  text.reserve(size + 96);
  while (text.size() < size) {
    const uint64_t pick = random_() % 400;
    // About one body line in 400 begins with "From " and one in 400 with
    // ">From ": the lines that mbox quoting changes.
    if (pick == 0) text += "From the desk of the editor: ";
    if (pick == 1) text += ">From an earlier message: ";
    if (pick == 2) text += "\r\n";  // a paragraph break
    line(text);
  }
  return text;
}

void BenchMessages::line(std::string& text) {
  size_t length = 0;
  const size_t width = 50 + random_() % 26;
  while (length < width) {
    const std::string_view word = kWords[random_() % std::size(kWords)];
    if (length > 0) {
      text += ' ';
      ++length;
    }
    text += word;
    length += word.size();
  }
  text += "\r\n";
}

std::string BenchMailboxBytes(uint32_t count, double meanBytes, SharedNames names) {
  BenchMessages messages(1, meanBytes, names);
  DbxBuilder builder;
  for (uint32_t i = 0; i < count; ++i) builder.add(messages.next());
  return builder.build().bytes;
}

}  // namespace quernel::testing
