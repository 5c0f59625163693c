#pragma once
// CodePageConverter: turns strings as a mailbox stores them (bytes in the
// ANSI code page of the Windows that wrote the file) into the program's
// character set (UTF-8 on Linux, the system's ANSI code page on Windows).
//
// The reader hands out stored bytes; one converter, chosen per mailbox, is
// applied where names are made and lines are printed. Converters are pure
// values: they hold no file or console, and are not thread-safe.

#include <memory>
#include <string>
#include <string_view>

namespace quernel {

class CodePageConverter {
 public:
  virtual ~CodePageConverter() = default;

  // The Windows code page number this converter reads (1252, 1251, 932...).
  virtual int codePage() const = 0;

  // `stored` converted to the program's character set. Never fails: a byte
  // sequence that is not valid in the code page becomes a replacement the
  // converter documents, and conversion goes on.
  virtual std::string toNative(std::string_view stored) const = 0;

  // Names are made in the character set toNative gives. Where that is not
  // the program's own text (host.h) — on Windows with a chosen code page,
  // whose names are made in that page's bytes — these two convert between
  // them: the program's text that goes into names (a naming template, a
  // mailbox's file name) before, and the finished name after. Elsewhere the
  // two are the same and the text stays as it is.
  virtual std::string fromProgramText(std::string_view text) const { return std::string(text); }
  virtual void toProgramText(std::string& /*name*/) const {}
};

// The converter quernel uses when nothing else is chosen: Windows-1252 to
// UTF-8 on Linux, unchanged bytes on Windows.
std::unique_ptr<CodePageConverter> MakeDefaultCodePageConverter();

}  // namespace quernel
