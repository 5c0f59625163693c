#include "writers/mailbox_failure.h"

namespace quernel {

void ReportMailboxFailure(Console& console, const FileError& error, const std::string& displayName,
                          const TextRules& text, const std::string& suffix) {
  if (error.isIo()) {
    console.print("Unable to read mailbox \"%s\" (%s)!%s\n", displayName.c_str(),
                  text.displayForm(error.reason()).c_str(), suffix.c_str());
  } else {
    console.print("File \"%s\" seems to be defective!%s\n", displayName.c_str(), suffix.c_str());
  }
}

}  // namespace quernel
