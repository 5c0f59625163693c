// Code pages on Linux: the C library's iconv, with the single-byte pages read
// through a table that iconv fills once, and the places where glibc reads a
// page differently from Windows put right.

#include <errno.h>
#include <iconv.h>

#include <array>
#include <cstdint>
#include <map>

#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/windows1252.h"

namespace quernel {
namespace {

// Reads text of one code page into UTF-8.
class PageReader {
 public:
  virtual ~PageReader() = default;
  // Appends the UTF-8 form of `bytes` to `out`, with kInvalidByteReplacement
  // for every byte that starts no valid sequence; false when there was one.
  virtual bool append(std::string_view bytes, std::string& out) = 0;
};

class Iconv {
 public:
  explicit Iconv(const char* fromCode, const char* toCode = "UTF-8") : handle_(iconv_open(toCode, fromCode)) {}
  ~Iconv() {
    if (valid()) iconv_close(handle_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t handle() const { return handle_; }

 private:
  iconv_t handle_;
};

// What a byte that iconv refuses stands for: Windows' reading of the single
// bytes of 932 that glibc leaves out, or nothing (the byte is invalid).
using Fixup = std::string_view (*)(unsigned char byte);

std::string_view NoFixup(unsigned char) { return {}; }

std::string_view Cp932Fixup(unsigned char byte) {
  switch (byte) {
    case 0x80: return "\xC2\x80";      // U+0080
    case 0xA0: return "\xEF\xA3\xB0";  // U+F8F0
    case 0xFD: return "\xEF\xA3\xB1";  // U+F8F1
    case 0xFE: return "\xEF\xA3\xB2";  // U+F8F2
    case 0xFF: return "\xEF\xA3\xB3";  // U+F8F3
    default: return {};
  }
}

// A page read by iconv as a stream: the double-byte pages, and the other
// charsets of message headers.
class IconvReader final : public PageReader {
 public:
  IconvReader(std::unique_ptr<Iconv> iconv, Fixup fixup) : iconv_(std::move(iconv)), fixup_(fixup) {}

  bool append(std::string_view bytes, std::string& out) override {
    const iconv_t handle = iconv_->handle();
    iconv(handle, nullptr, nullptr, nullptr, nullptr);  // a string starts in the initial state
    bool valid = true;
    char* in = const_cast<char*>(bytes.data());
    size_t inLeft = bytes.size();
    size_t used = out.size();
    out.resize(used + inLeft * 3 + 8);
    for (;;) {
      char* outPos = out.data() + used;
      size_t outLeft = out.size() - used;
      // With the input used up, one more call writes what a stateful page
      // still holds back (its last character).
      const bool flushing = inLeft == 0;
      const size_t result = flushing ? iconv(handle, nullptr, nullptr, &outPos, &outLeft)
                                     : iconv(handle, &in, &inLeft, &outPos, &outLeft);
      used = static_cast<size_t>(outPos - out.data());
      if (result != static_cast<size_t>(-1)) {
        if (flushing) break;
        continue;
      }
      if (errno == E2BIG) {
        out.resize(out.size() * 2 + 16);
        continue;
      }
      if (flushing) break;
      if (inLeft == 0) {
        // glibc's CP949 can refuse a pair at the end of the input (A2 E8)
        // after taking both bytes in: the last character was not valid.
        out.resize(used);
        out.push_back(kInvalidByteReplacement);
        used = out.size();
        valid = false;
        break;
      }
      // EILSEQ or EINVAL: no valid sequence starts at `in`. Only its first
      // byte is passed over, so a following ASCII byte is read again.
      const unsigned char byte = static_cast<unsigned char>(*in);
      const std::string_view fixed = fixup_(byte);
      out.resize(used);
      if (fixed.empty()) {
        out.push_back(kInvalidByteReplacement);
        valid = false;
      } else {
        out += fixed;
      }
      ++in;
      --inLeft;
      used = out.size();
      out.resize(used + inLeft * 3 + 8);
      iconv(handle, nullptr, nullptr, nullptr, nullptr);
    }
    out.resize(used);
    return valid;
  }

 private:
  std::unique_ptr<Iconv> iconv_;
  Fixup fixup_;
};

// A single-byte page read through a table of the UTF-8 form of every byte.
// Each byte is converted on its own, so a stateful page (1255, 1258) cannot
// join a combining accent to the letter before it as glibc does: the accent
// stays a character of its own, as Windows keeps it.
class TableReader final : public PageReader {
 public:
  explicit TableReader(IconvReader& source) {
    for (int byte = 0; byte < 256; ++byte) {
      std::string utf8;
      const char single = static_cast<char>(byte);
      Entry& entry = table_[static_cast<size_t>(byte)];
      if (!source.append(std::string_view(&single, 1), utf8) || utf8.empty() ||
          utf8.size() > sizeof entry.utf8) {
        continue;  // size 0: not defined in the page
      }
      entry.size = static_cast<uint8_t>(utf8.size());
      utf8.copy(entry.utf8, utf8.size());
    }
  }

  bool append(std::string_view bytes, std::string& out) override {
    bool valid = true;
    out.reserve(out.size() + bytes.size() * 2);
    for (char c : bytes) {
      const Entry& entry = table_[static_cast<unsigned char>(c)];
      if (entry.size == 0) {
        out.push_back(kInvalidByteReplacement);
        valid = false;
      } else if (entry.size == 1) {
        out.push_back(entry.utf8[0]);
      } else {
        out.append(entry.utf8, entry.size);
      }
    }
    return valid;
  }

 private:
  struct Entry {
    char utf8[4];
    uint8_t size = 0;
  };
  std::array<Entry, 256> table_{};
};

class Windows1252Reader final : public PageReader {
 public:
  bool append(std::string_view bytes, std::string& out) override {
    out += Windows1252ToUtf8(bytes);
    return true;
  }
};

// glibc's name for each code page number quernel reads.
const char* IconvName(int codePage) {
  switch (codePage) {
    case 874: return "CP874";
    case 932: return "CP932";  // with the Microsoft extensions; SHIFT_JIS reads 0x5C as "¥"
    case 936: return "CP936";
    case 949: return "CP949";  // EUC-KR garbles the extension characters without an error
    case 950: return "CP950";
    case 1250: return "CP1250";
    case 1251: return "CP1251";
    case 1253: return "CP1253";
    case 1254: return "CP1254";
    case 1255: return "CP1255";
    case 1256: return "CP1256";
    case 1257: return "CP1257";
    case 1258: return "CP1258";
    case 866: return "CP866";
    case 20127: return "ASCII";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 28592: return "ISO-8859-2";
    case 28593: return "ISO-8859-3";
    case 28594: return "ISO-8859-4";
    case 28595: return "ISO-8859-5";
    case 28596: return "ISO-8859-6";
    case 28597: return "ISO-8859-7";
    case 28598: return "ISO-8859-8";
    case 28599: return "ISO-8859-9";
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 51932: return "EUC-JP-MS";  // the Microsoft variant, like Windows' reading of 932
    case 54936: return "GB18030";
    case 65000: return "UTF-7";
    case 65001: return "UTF-8";
    default: return nullptr;
  }
}

// The name of a page's base set where the C library lacks the page's own
// name: musl (the browser build's C library) reads 932 and 936 only so.
const char* BaseSetIconvName(int codePage) {
  switch (codePage) {
    case 932: return "SHIFT_JIS";
    case 936: return "GBK";
    default: return nullptr;
  }
}

// nullptr when the page is unknown or the C library lacks it.
std::unique_ptr<PageReader> MakePageReader(int codePage) {
  if (codePage == 1252) return std::make_unique<Windows1252Reader>();
  const char* name = IconvName(codePage);
  if (name == nullptr) return nullptr;
  auto iconv = std::make_unique<Iconv>(name);
  if (!iconv->valid() && BaseSetIconvName(codePage)) iconv = std::make_unique<Iconv>(BaseSetIconvName(codePage));
  if (!iconv->valid()) return nullptr;
  auto reader = std::make_unique<IconvReader>(std::move(iconv), codePage == 932 ? Cp932Fixup : NoFixup);
  if (IsSupportedCodePage(codePage) && !IsDoubleByteCodePage(codePage)) {
    return std::make_unique<TableReader>(*reader);
  }
  return reader;
}

class PageConverter final : public CodePageConverter {
 public:
  PageConverter(int codePage, std::unique_ptr<PageReader> reader)
      : codePage_(codePage), reader_(std::move(reader)) {}

  int codePage() const override { return codePage_; }

  std::string toNative(std::string_view stored) const override {
    std::string out;
    reader_->append(stored, out);
    return out;
  }

 private:
  int codePage_;
  std::unique_ptr<PageReader> reader_;
};

// The existing Windows-1252 conversion, called without a detour.
class Windows1252Converter final : public CodePageConverter {
 public:
  int codePage() const override { return 1252; }
  std::string toNative(std::string_view stored) const override { return Windows1252ToUtf8(stored); }
};

}  // namespace

std::unique_ptr<CodePageConverter> MakeCodePageConverter(int codePage) {
  if (!IsSupportedCodePage(codePage)) return nullptr;
  if (codePage == 1252) return std::make_unique<Windows1252Converter>();
  std::unique_ptr<PageReader> reader = MakePageReader(codePage);
  if (!reader) return nullptr;
  return std::make_unique<PageConverter>(codePage, std::move(reader));
}

std::optional<std::string> DecodeCodePage(int codePage, std::string_view bytes) {
  if (codePage == 1252) return Windows1252ToUtf8(bytes);  // the charset of most Western headers
  // One reader per page for the whole run (the program has one thread).
  static std::map<int, std::unique_ptr<PageReader>> readers;
  auto [entry, isNew] = readers.try_emplace(codePage);
  if (isNew) entry->second = MakePageReader(codePage);
  if (!entry->second) return std::nullopt;
  std::string utf8;
  if (!entry->second->append(bytes, utf8)) return std::nullopt;
  return utf8;
}

std::optional<std::string> EncodeCodePage(int codePage, std::string_view text) {
  const char* name = codePage == 1252 ? "CP1252" : IconvName(codePage);
  if (name == nullptr || !IsSupportedCodePage(codePage)) return std::nullopt;
  // One converter per page for the whole run: glibc loads a page's module
  // at iconv_open and unloads it at the last iconv_close.
  static std::map<int, std::unique_ptr<Iconv>> encoders;
  auto [entry, isNew] = encoders.try_emplace(codePage);
  if (isNew) entry->second = std::make_unique<Iconv>("UTF-8", name);
  if (!entry->second->valid()) return std::nullopt;
  const iconv_t handle = entry->second->handle();
  iconv(handle, nullptr, nullptr, nullptr, nullptr);  // a string starts in the initial state
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  // No page writes a character in more bytes than its UTF-8 form has, and
  // the flush adds at most one held-back character.
  std::string out(text.size() + 8, '\0');
  char* outPos = out.data();
  size_t outLeft = out.size();
  const bool complete = iconv(handle, &in, &inLeft, &outPos, &outLeft) != static_cast<size_t>(-1) &&
                        iconv(handle, nullptr, nullptr, &outPos, &outLeft) != static_cast<size_t>(-1);
  if (!complete) return std::nullopt;
  out.resize(static_cast<size_t>(outPos - out.data()));
  return out;
}

}  // namespace quernel
