#pragma once
// The text rules of the system's ANSI code page, which SystemHost() gives
// until the host's text becomes UTF-8: names made in that page are walked
// by them whatever the host's text is.

#include "platform/text_rules.h"

namespace quernel {

const TextRules& SystemAnsiTextRules();

}  // namespace quernel
