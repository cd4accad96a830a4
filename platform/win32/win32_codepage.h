#pragma once
// The text seam over the C runtime's multibyte routines, with the runtime's multibyte code
// page set to the system's ANSI code page (936 on the target systems).
#include "platform/codepage.h"

namespace win32 {

class Win32CodePage : public plat::CodePage {
 public:
  Win32CodePage();
  bool IsLeadByte(unsigned char byte) override;
  std::size_t LastBackslash(const std::string& text) override;
  int CompareNoCase(const std::string& a, const std::string& b) override;
  std::string Upper(const std::string& text) override;
  std::string Lower(const std::string& text) override;
  std::size_t Find(const std::string& haystack, const std::string& needle) override;
  std::u16string ToUtf16(const std::string& text) override;
  bool FromUtf16(const std::u16string& text, std::string* out) override;
};

}  // namespace win32
