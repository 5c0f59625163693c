#pragma once
// A mailbox of n plain messages, "Subject: <tag> 0" to "<tag> n-1", sent an
// hour apart from 2004-11-09 on, each with body lines that an mbox writer
// must quote ("From here on", ">From quoted already").

#include <string>

namespace quernel::testing {

std::string NumberedMailbox(int messages, const std::string& tag);

}  // namespace quernel::testing
