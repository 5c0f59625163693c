#include "writers/output_failure.h"

#include "writers/mailbox_failure.h"

namespace quernel {

void ReportMessageFileFailure(Console& console, const FileError& error, const std::string& path,
                              const std::string& displayName, const TextRules& text) {
  if (error.hitOutput()) {
    console.print("Unable to write to outputfile \"%s\" (disk full?)\n", text.displayForm(path).c_str());
  } else {
    ReportMailboxFailure(console, error, displayName, text);
  }
}

}  // namespace quernel
