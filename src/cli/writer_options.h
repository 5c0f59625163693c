#pragma once
// The command line's settings as the options each writer takes. The flag
// word stays here: the writers see only what it means for them.

#include "cli/run_settings.h"
#include "writers/eml_options.h"
#include "writers/maildir_options.h"
#include "writers/mbox_options.h"

namespace quernel {

MboxOptions MboxOptionsFrom(const RunSettings& settings);
EmlOptions EmlOptionsFrom(const RunSettings& settings);
MaildirOptions MaildirOptionsFrom(const RunSettings& settings);

}  // namespace quernel
