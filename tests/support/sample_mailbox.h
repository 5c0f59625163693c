#pragma once
// The made-up messages of the sample store (samples/store).

#include <cstdint>
#include <string>
#include <vector>

#include "support/dbx_builder.h"

namespace quernel::testing {

struct SamplePerson {
  const char* name;
  const char* address;
};

inline constexpr SamplePerson kAnna{"Anna Lindqvist", "anna.lindqvist@example.com"};
inline constexpr SamplePerson kBen{"Ben Okafor", "ben.okafor@example.org"};
inline constexpr SamplePerson kClara{"Clara Weiss", "clara.weiss@example.com"};
inline constexpr SamplePerson kDaniel{"Daniel Moreau", "d.moreau@example.org"};

// Sets the index properties of a message from `from` to `to`: their names
// and addresses, sent at `unixTime` and received 97 seconds later.
void SetSampleIndexFields(TestMessage& m, const SamplePerson& from, const SamplePerson& to, int64_t unixTime);

// A plain-text message as Outlook Express stored it (CR LF line ends), with
// the header properties the reader takes: the stored subject is
// Windows-1252, the header line's subject may carry it encoded. Received 97
// seconds after it was sent.
TestMessage SampleMessage(const SamplePerson& from, const SamplePerson& to,
                          const std::string& storedSubject, const std::string& headerSubject,
                          const std::string& date, int64_t unixTime, const std::string& id,
                          const std::vector<std::string>& body);

// The messages of the sample store's Inbox.dbx.
DbxBuilder SampleInbox();

}  // namespace quernel::testing
