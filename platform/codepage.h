#pragma once
// Text seam: the multibyte routines of the active ANSI code page (936 on the target systems).
// A double-byte character is always handled whole: its trail byte is never taken for a
// backslash, never cased on its own, and a search never matches starting inside it.
#include <cstddef>
#include <string>

namespace plat {

class CodePage {
 public:
  virtual ~CodePage() = default;
  virtual bool IsLeadByte(unsigned char byte) = 0;
  // Offset of the last backslash character, or std::string::npos.
  virtual std::size_t LastBackslash(const std::string& text) = 0;
  // <0, 0, >0 like _mbsicmp.
  virtual int CompareNoCase(const std::string& a, const std::string& b) = 0;
  virtual std::string Upper(const std::string& text) = 0;
  virtual std::string Lower(const std::string& text) = 0;
  // Offset of the first occurrence of needle starting at a character start, or npos.
  virtual std::size_t Find(const std::string& haystack, const std::string& needle) = 0;
  // The text in UTF-16 (MultiByteToWideChar with the ANSI code page).
  virtual std::u16string ToUtf16(const std::string& text) = 0;
  // The text in the code page (WideCharToMultiByte, no best-fit mapping). False when some
  // character has no form in the code page; it is then given as '?'.
  virtual bool FromUtf16(const std::u16string& text, std::string* out) = 0;
};

// Drops one trailing backslash that is a character of its own; the last byte alone would
// also match the trail byte of a double-byte character such as 淺 (9C 5C) and cut it in half.
inline void DropTrailingBackslash(CodePage& text, std::string& path) {
  if (!path.empty() && text.LastBackslash(path) == path.size() - 1) path.pop_back();
}

}  // namespace plat
