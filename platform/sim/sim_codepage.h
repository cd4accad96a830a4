#pragma once
// Code page 936 as the C runtime's multibyte routines treat it: lead bytes 0x81..0xFE; single
// byte letters a-z; the double-byte full-width Latin, Greek, Cyrillic and Roman-numeral pairs.
#include "platform/codepage.h"

namespace sim {

class SimCodePage : public plat::CodePage {
 public:
  bool IsLeadByte(unsigned char byte) override;
  std::size_t LastBackslash(const std::string& text) override;
  int CompareNoCase(const std::string& a, const std::string& b) override;
  std::string Upper(const std::string& text) override;
  std::string Lower(const std::string& text) override;
  std::size_t Find(const std::string& haystack, const std::string& needle) override;
  // Code page 936 as Windows converts it (the C library's CP936 tables natively, the system's
  // in the Windows build). A byte sequence that is no character stands for itself.
  std::u16string ToUtf16(const std::string& text) override;
  bool FromUtf16(const std::u16string& text, std::string* out) override;
};

}  // namespace sim
