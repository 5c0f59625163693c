// Code pages on Windows: names are made in the code page's own bytes, and
// the system's MultiByteToWideChar reads them (it knows every page quernel
// supports, with Windows' own reading of each).

#include "platform/code_page_conversion.h"
#include "platform/code_pages.h"
#include "platform/win32/code_page_wide.h"
#include "platform/win32/windows_api.h"

namespace quernel {
namespace {

// Windows reads EUC-JP through code page 20932; 51932 is known only to the
// MIME database, not to MultiByteToWideChar.
UINT SystemCodePage(int codePage) { return codePage == 51932 ? 20932 : static_cast<UINT>(codePage); }

// nullopt when a byte sequence is not valid in the page.
std::optional<std::wstring> StrictUtf16(UINT codePage, std::string_view bytes) {
  if (bytes.empty()) return std::wstring();
  const int inLength = static_cast<int>(bytes.size());
  DWORD flags = MB_ERR_INVALID_CHARS;
  int length = MultiByteToWideChar(codePage, flags, bytes.data(), inLength, nullptr, 0);
  if (length == 0 && GetLastError() == ERROR_INVALID_FLAGS) {
    flags = 0;  // pages such as UTF-7 take no flags
    length = MultiByteToWideChar(codePage, flags, bytes.data(), inLength, nullptr, 0);
  }
  if (length == 0) return std::nullopt;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, flags, bytes.data(), inLength, wide.data(), length);
  return wide;
}

std::string Utf16ToUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int inLength = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLength, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// The stored bytes themselves: the names are made in the code page.
class SameBytesConverter final : public CodePageConverter {
 public:
  explicit SameBytesConverter(int codePage) : codePage_(codePage) {}
  int codePage() const override { return codePage_; }
  std::string toNative(std::string_view stored) const override { return std::string(stored); }

 private:
  int codePage_;
};

}  // namespace

std::unique_ptr<CodePageConverter> MakeCodePageConverter(int codePage) {
  if (!IsSupportedCodePage(codePage) || !IsValidCodePage(static_cast<UINT>(codePage))) return nullptr;
  return std::make_unique<SameBytesConverter>(codePage);
}

std::optional<std::string> DecodeCodePage(int codePage, std::string_view bytes) {
  const std::optional<std::wstring> wide = StrictUtf16(SystemCodePage(codePage), bytes);
  if (!wide) return std::nullopt;
  return Utf16ToUtf8(*wide);
}

std::optional<std::string> EncodeCodePage(int codePage, std::string_view text) {
  if (!IsSupportedCodePage(codePage)) return std::nullopt;
  const std::optional<std::wstring> wide = StrictUtf16(CP_UTF8, text);
  if (!wide) return std::nullopt;
  if (wide->empty()) return std::string();
  const UINT page = static_cast<UINT>(codePage);
  const int inLength = static_cast<int>(wide->size());
  BOOL usedDefault = FALSE;
  const int length = WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide->data(), inLength, nullptr, 0,
                                         nullptr, &usedDefault);
  if (length == 0 || usedDefault) return std::nullopt;
  std::string bytes(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(page, WC_NO_BEST_FIT_CHARS, wide->data(), inLength, bytes.data(), length, nullptr,
                      nullptr);
  return bytes;
}

std::wstring CodePageToUtf16(unsigned codePage, std::string_view bytes) {
  if (std::optional<std::wstring> whole = StrictUtf16(codePage, bytes)) return *whole;
  // Character by character, so that one bad byte costs only itself.
  std::wstring wide;
  size_t pos = 0;
  while (pos < bytes.size()) {
    const bool lead = pos + 1 < bytes.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(bytes[pos]));
    const size_t step = lead ? 2 : 1;
    if (std::optional<std::wstring> one = StrictUtf16(codePage, bytes.substr(pos, step))) {
      wide += *one;
      pos += step;
    } else {
      wide.push_back(L'_');
      ++pos;
    }
  }
  return wide;
}

}  // namespace quernel
