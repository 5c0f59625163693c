#include "writers/output_failure.h"

#include "platform/host.h"
#include "writers/mailbox_failure.h"

namespace quernel {

void ReportMessageFileFailure(Console& console, const FileError& error, const std::string& path,
                              const std::string& displayName) {
  if (error.hitOutput()) {
    console.print("Unable to write to outputfile \"%s\" (disk full?)\n", DisplayForm(path).c_str());
  } else {
    ReportMailboxFailure(console, error, displayName);
  }
}

}  // namespace quernel
