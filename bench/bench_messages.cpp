#include "bench_messages.h"

#include <ctime>
#include <iterator>
#include <string>
#include <string_view>

namespace quernel::testing {

namespace {

constexpr std::string_view kWords[] = {
    "the",     "mailbox",  "meeting", "report",   "please", "attached", "quarter", "project",
    "review",  "thanks",   "regards", "budget",   "server", "backup",   "monday",  "schedule",
    "invoice", "update",   "team",    "release",  "notes",  "draft",    "agenda",  "customer",
    "order",   "delivery", "office",  "question", "answer", "tomorrow", "friday",  "summary"};

constexpr int64_t kFirstSendTime = 1'100'000'000;  // November 2004

std::string Headers(const TestMessage& m, int64_t unixTime, uint32_t index) {
  char date[64];
  const time_t seconds = static_cast<time_t>(unixTime);
  struct tm parts;
  gmtime_r(&seconds, &parts);
  strftime(date, sizeof date, "%a, %d %b %Y %H:%M:%S +0000", &parts);
  const std::string id = std::to_string(index);
  return "Return-Path: <" + *m.senderAddress + ">\r\n" +
         "Received: from mail.example.net (mail.example.net [192.0.2.25])\r\n"
         "\tby mx.example.org with ESMTP id " + id + "\r\n" +
         "\tfor <" + *m.recipientAddress + ">; " + date + "\r\n" +
         "From: \"" + *m.senderName + "\" <" + *m.senderAddress + ">\r\n" +
         "To: \"" + *m.recipientName + "\" <" + *m.recipientAddress + ">\r\n" +
         "Subject: " + *m.subject + "\r\n" +
         "Date: " + date + "\r\n" +
         "Message-ID: <" + id + ".bench@example.net>\r\n" +
         "MIME-Version: 1.0\r\n"
         "Content-Type: text/plain; charset=\"iso-8859-1\"\r\n"
         "Content-Transfer-Encoding: 8bit\r\n"
         "X-Mailer: Microsoft Outlook Express 6.00.2900.2180\r\n"
         "\r\n";
}

}  // namespace

BenchMessages::BenchMessages(uint64_t seed, double meanBytes, SharedNames names)
    : random_(seed), sizes_(1.0 / meanBytes), names_(names) {}

TestMessage BenchMessages::next() {
  const uint32_t index = index_++;
  const bool shared =
      names_ == SharedNames::Same || (names_ == SharedNames::Mixed && index % 5 == 0);
  const std::string n = std::to_string(index);
  TestMessage m;
  m.senderName = shared ? "Weekly Digest" : "Sender " + n;
  m.senderAddress = shared ? "digest@lists.example.net" : "sender" + n + "@example.net";
  m.subject = shared ? "Weekly digest of the project list" : "Report number " + n + " for review";
  m.recipientName = "Mail Reader";
  m.recipientAddress = "reader@example.org";
  const int64_t sent = kFirstSendTime + int64_t{index} * 3'600;
  m.sendTime = FileTimeFromUnix(sent);
  m.receiveTime = FileTimeFromUnix(sent + 60);
  // Downloaded, and mostly read; now and then answered, flagged or forwarded.
  m.flags = 0x01 | (index % 10 != 0 ? 0x80 : 0) | (index % 7 == 0 ? 0x080000 : 0) |
            (index % 23 == 0 ? 0x20 : 0) | (index % 31 == 0 ? 0x100000 : 0);
  m.text = Headers(m, sent, index);
  const size_t total = static_cast<size_t>(sizes_(random_));
  m.text += body(total > m.text.size() + 64 ? total - m.text.size() : 64);
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
