#include "writers/output_failure.h"

#include "platform/host.h"

namespace quernel {

void ReportMessageFileFailure(Console& console, const FileError& error, const std::string& path,
                              const std::string& displayName) {
  if (MeansDefectiveMailbox(error.cause())) {
    console.print("File \"%s\" seems to be defective!\n", displayName.c_str());
  } else {
    console.print("Unable to write to outputfile \"%s\" (disk full?)\n", DisplayForm(path).c_str());
  }
}

}  // namespace quernel
