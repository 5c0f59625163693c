#include "support/sample_mailbox.h"

namespace quernel::testing {

namespace {

// Joins lines with CR LF, as Outlook Express stored them.
std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string Headers(const SamplePerson& from, const SamplePerson& to, const std::string& subject,
                    const std::string& date, const std::string& id) {
  return Lines({"From: \"" + std::string(from.name) + "\" <" + from.address + ">",
                "To: \"" + std::string(to.name) + "\" <" + to.address + ">",
                "Subject: " + subject, "Date: " + date, "Message-ID: <" + id + ">",
                "MIME-Version: 1.0", "Content-Type: text/plain; charset=\"iso-8859-1\"",
                "Content-Transfer-Encoding: 8bit", "X-Mailer: Microsoft Outlook Express 6.00.2900.2180"});
}

}  // namespace

void SetSampleIndexFields(TestMessage& m, const SamplePerson& from, const SamplePerson& to, int64_t unixTime) {
  m.senderName = from.name;
  m.senderAddress = from.address;
  m.recipientName = to.name;
  m.recipientAddress = to.address;
  m.sendTime = FileTimeFromUnix(unixTime);
  m.receiveTime = FileTimeFromUnix(unixTime + 97);
}

TestMessage SampleMessage(const SamplePerson& from, const SamplePerson& to,
                          const std::string& storedSubject, const std::string& headerSubject,
                          const std::string& date, int64_t unixTime, const std::string& id,
                          const std::vector<std::string>& body) {
  TestMessage m;
  m.text = Headers(from, to, headerSubject, date, id) + "\r\n" + Lines(body);
  m.subject = storedSubject;
  SetSampleIndexFields(m, from, to, unixTime);
  return m;
}

DbxBuilder SampleInbox() {
  DbxBuilder builder;
  builder.add(SampleMessage(kBen, kAnna, "Lunch on Friday?", "Lunch on Friday?",
                            "Tue, 14 Jun 2005 10:12:31 +0200", 1118736751, "000801c570c2$1a2b3c40$0a00a8c0@bigbox",
                            {"Hi Anna,", "", "are you free for lunch on Friday? The new place by the river",
                             "opens this week.", "", "Ben"}));
  // The stored subject is Windows-1252; the header line carries it encoded.
  builder.add(SampleMessage(kClara, kAnna, "Gr\xFC\xDF" "e aus M\xFC" "nchen",
                            "=?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=", "Sat, 23 Jul 2005 18:40:02 +0200",
                            1122136802, "001201c58fa4$55aa0b10$6401a8c0@laptop",
                            {"Liebe Anna,", "",
                             "viele Gr\xFC\xDF" "e aus M\xFC" "nchen! Das Wetter ist herrlich, und wir waren",
                             "heute am Viktualienmarkt.", "", "Clara"}));
  builder.add(SampleMessage(kDaniel, kAnna, "Minutes of the club meeting", "Minutes of the club meeting",
                            "Thu, 10 Nov 2005 21:05:44 +0100", 1131653144, "002a01c5e63b$70d2e4a0$0200a8c0@desk",
                            {"Hello everyone,", "", "here are the minutes of Tuesday's meeting.", "",
                             "From the treasurer: the hall rent goes up by five percent next year.",
                             "From January the meetings start at half past seven.", "", "Daniel"}));
  std::vector<std::string> report = {"Anna,", "", "the quarterly figures, as promised:", ""};
  for (int month = 1; month <= 12; ++month) {
    report.push_back("Month " + std::to_string(month) + ": orders " + std::to_string(100 + 7 * month) +
                     ", returns " + std::to_string(month % 4) + ", shipped on time " +
                     std::to_string(90 + month % 9) + " percent.");
  }
  report.insert(report.end(), {"", "Let me know if anything looks odd.", "", "Ben"});
  builder.add(SampleMessage(kBen, kAnna, "Quarterly figures", "Quarterly figures",
                            "Mon, 16 Jan 2006 08:30:00 +0100", 1137396600, "003c01c61a7e$4e8f9a20$0a00a8c0@bigbox",
                            report));
  builder.add(SampleMessage(kAnna, kClara, "Re: Gr\xFC\xDF" "e aus M\xFC" "nchen",
                            "Re: =?iso-8859-1?Q?Gr=FC=DFe_aus_M=FCnchen?=", "Sun, 24 Jul 2005 09:15:27 +0200",
                            1122189327, "004101c5902e$0f1e2d30$0500a8c0@home",
                            {"Hi Clara,", "", "lovely to hear from you. Bring me some Lebkuchen!", "",
                             "> viele Gr\xFC\xDF" "e aus M\xFC" "nchen!", "", "Anna"}));
  return builder;
}

}  // namespace quernel::testing
