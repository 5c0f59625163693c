#pragma once
// The "-cp<N>" option: the code page a mailbox's strings are read in.

#include <string>
#include <string_view>

namespace quernel {

struct CodePageOption {
  enum class Outcome {
    NotThisOption,  // the argument does not begin with "-cp"
    Valid,          // codePage holds a supported page
    Invalid,        // failureLine says why, for the usage error
  };
  Outcome outcome = Outcome::NotThisOption;
  int codePage = 0;
  std::string failureLine;
};

// Reads an argument such as "-cp1251" ("-cp" in any letter case, then the
// decimal number of a supported code page and nothing else).
CodePageOption ParseCodePageOption(std::string_view argument);

}  // namespace quernel
