#pragma once
// The writers of one run, with the options each takes from the command line,
// the host whose rules they follow, and the count of mailboxes each has
// converted completely.

#include <cstdint>

#include "cli/run_settings.h"
#include "cli/writer_options.h"
#include "platform/console.h"
#include "platform/file_system.h"
#include "platform/host.h"
#include "writers/eml_writer.h"
#include "writers/maildir_writer.h"
#include "writers/mbox_writer.h"

namespace quernel {

struct Counters {
  int32_t mbox = 0;
  int32_t eml = 0;
  int32_t maildir = 0;
};

struct RunWriters {
  RunWriters(const RunSettings& settings, FileSystem& fileSystem, Console& console, const Host& host)
      : host(host),
        mboxOptions(MboxOptionsFrom(settings)),
        emlOptions(EmlOptionsFrom(settings)),
        maildirOptions(MaildirOptionsFrom(settings)),
        mbox(fileSystem, console, host),
        eml(fileSystem, console, host),
        maildir(fileSystem, console, host) {}

  const Host& host;
  const MboxOptions mboxOptions;
  const EmlOptions emlOptions;
  const MaildirOptions maildirOptions;
  MboxWriter mbox;
  EmlWriter eml;
  MaildirWriter maildir;
  Counters counters;
};

}  // namespace quernel
