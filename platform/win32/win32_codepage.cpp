#include "platform/win32/win32_codepage.h"

#include "platform/win32/windows_api.h"

#include <mbctype.h>
#include <mbstring.h>

#include <cstring>

namespace win32 {
namespace {

const unsigned char* Bytes(const std::string& text) {
  return reinterpret_cast<const unsigned char*>(text.c_str());
}

unsigned char* Bytes(std::string& text) { return reinterpret_cast<unsigned char*>(&text[0]); }

}  // namespace

Win32CodePage::Win32CodePage() {
  // The runtime's multibyte code page is process-wide state; set it once, before the first use.
  static const int selected = _setmbcp(_MB_CP_ANSI);
  (void)selected;
}

bool Win32CodePage::IsLeadByte(unsigned char byte) { return _ismbblead(byte) != 0; }

std::size_t Win32CodePage::LastBackslash(const std::string& text) {
  const unsigned char* found = _mbsrchr(Bytes(text), '\\');
  return found ? static_cast<std::size_t>(found - Bytes(text)) : std::string::npos;
}

int Win32CodePage::CompareNoCase(const std::string& a, const std::string& b) {
  return _mbsicmp(Bytes(a), Bytes(b));
}

std::string Win32CodePage::Upper(const std::string& text) {
  std::string result = text;
  _mbsupr(Bytes(result));
  return result;
}

std::string Win32CodePage::Lower(const std::string& text) {
  std::string result = text;
  _mbslwr(Bytes(result));
  return result;
}

std::size_t Win32CodePage::Find(const std::string& haystack, const std::string& needle) {
  // Not _mbsstr: Wine's starts matching inside a double-byte character ("\\x" is found in
  // "淺x", whose 淺 is 9C 5C), where Windows' does not. Trying only character starts, found
  // with the lead-byte table, gives the Windows answer on both.
  const std::size_t size = haystack.size();
  if (needle.size() > size) return std::string::npos;
  for (std::size_t at = 0; at + needle.size() <= size;) {
    if (std::memcmp(haystack.data() + at, needle.data(), needle.size()) == 0) return at;
    at += (_ismbblead(static_cast<unsigned char>(haystack[at])) && at + 1 < size) ? 2 : 1;
  }
  return std::string::npos;
}

std::u16string Win32CodePage::ToUtf16(const std::string& text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::u16string wide(static_cast<std::size_t>(length), u'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, reinterpret_cast<wchar_t*>(&wide[0]),
                        length);
  return wide;
}

bool Win32CodePage::FromUtf16(const std::u16string& text, std::string* out) {
  out->clear();
  if (text.empty()) return true;
  const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.data());
  const int size = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int length = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, nullptr, 0,
                                           "?", &usedDefault);
  if (length <= 0) return false;
  out->assign(static_cast<std::size_t>(length), '\0');
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, size, &(*out)[0], length, "?",
                        &usedDefault);
  return !usedDefault;
}

}  // namespace win32
