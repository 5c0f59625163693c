#include "writers/mailbox_failure.h"

#include "platform/host.h"

namespace quernel {

void ReportMailboxFailure(Console& console, const FileError& error, const std::string& displayName) {
  if (error.isIo()) {
    console.print("Unable to read mailbox \"%s\" (%s)!\n", displayName.c_str(),
                  DisplayForm(error.reason()).c_str());
  } else {
    console.print("File \"%s\" seems to be defective!\n", displayName.c_str());
  }
}

}  // namespace quernel
