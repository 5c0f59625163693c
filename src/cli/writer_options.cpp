#include "cli/writer_options.h"

namespace quernel {
namespace {

// -senddate names the default; -rcvdate wins when both are given.
MessageDate DateFrom(const RunSettings& settings) {
  return settings.has(flags::kReceiveDate) ? MessageDate::Receive : MessageDate::Send;
}

}  // namespace

MboxOptions MboxOptionsFrom(const RunSettings& settings) {
  MboxOptions options;
  // With both -mbx and -mbxrd one file is written, in mboxrd.
  options.quoting.variant = settings.has(flags::kMboxrd) ? MboxVariant::Mboxrd : MboxVariant::Mboxo;
  options.quoting.ignoreCase = settings.has(flags::kIgnoreCase);
  options.doubleNewline = settings.has(flags::kDoubleNewline);
  options.date = DateFrom(settings);
  options.statusHeaders = settings.has(flags::kStatusHeaders);
  options.nameTemplate = settings.mboxTemplate;
  options.outputDirectory = settings.outputDirectory;
  return options;
}

EmlOptions EmlOptionsFrom(const RunSettings& settings) {
  EmlOptions options;
  options.nameTemplate = settings.emlTemplate;
  options.flatFolders = settings.has(flags::kFlatFolders);
  options.overwrite = settings.has(flags::kOverwrite);
  options.date = DateFrom(settings);
  options.statusHeaders = settings.has(flags::kStatusHeaders);
  options.outputDirectory = settings.outputDirectory;
  return options;
}

MaildirOptions MaildirOptionsFrom(const RunSettings& settings) {
  MaildirOptions options;
  options.overwrite = settings.has(flags::kOverwrite);
  options.outputDirectory = settings.outputDirectory;
  return options;
}

}  // namespace quernel
