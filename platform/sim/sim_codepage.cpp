#include "platform/sim/sim_codepage.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstring>

namespace sim {
namespace {

// Double-byte case pairs of code page 936 that the runtime's case mapping knows:
// row, first upper trail byte, first lower trail byte, count.
struct CasePair {
  unsigned char lead, upperTrail, lowerTrail, count;
};
constexpr CasePair kPairs[] = {
    {0xA2, 0xF1, 0xA1, 10},  // roman numerals I..X / i..x
    {0xA3, 0xC1, 0xE1, 26},  // full-width Latin
    {0xA6, 0xA1, 0xC1, 24},  // Greek
    {0xA7, 0xA1, 0xD1, 33},  // Cyrillic
};

bool IsLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

// Length of the character at i: 2 for a lead byte followed by a trail byte, else 1.
size_t CharLen(const std::string& s, size_t i) {
  return IsLead(static_cast<unsigned char>(s[i])) && i + 1 < s.size() && s[i + 1] != '\0' ? 2 : 1;
}

unsigned MapChar(unsigned c, bool toUpper) {
  if (c < 0x100) {
    if (toUpper && c >= 'a' && c <= 'z') return c - 32;
    if (!toUpper && c >= 'A' && c <= 'Z') return c + 32;
    return c;
  }
  unsigned char lead = c >> 8, trail = c & 0xFF;
  for (const CasePair& p : kPairs) {
    if (lead != p.lead) continue;
    unsigned char from = toUpper ? p.lowerTrail : p.upperTrail;
    unsigned char to = toUpper ? p.upperTrail : p.lowerTrail;
    if (trail >= from && trail < from + p.count) return (lead << 8) | (to + (trail - from));
  }
  return c;
}

std::string MapText(const std::string& s, bool toUpper) {
  std::string out = s;
  for (size_t i = 0; i < out.size();) {
    size_t n = CharLen(out, i);
    unsigned c = n == 2 ? (static_cast<unsigned char>(out[i]) << 8) | static_cast<unsigned char>(out[i + 1])
                        : static_cast<unsigned char>(out[i]);
    unsigned m = MapChar(c, toUpper);
    if (n == 2) {
      out[i] = static_cast<char>(m >> 8);
      out[i + 1] = static_cast<char>(m & 0xFF);
    } else {
      out[i] = static_cast<char>(m);
    }
    i += n;
  }
  return out;
}

// One character (one or two code page bytes, or one code point in UTF-16) converted between
// code page 936 and UTF-16LE; false when it has no form on the other side.
bool ConvertOne(bool toUtf16, const char* in, size_t inSize, std::string* out) {
#ifdef _WIN32
  if (toUtf16) {
    wchar_t wide[2];
    int n = ::MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, in, static_cast<int>(inSize), wide, 2);
    if (n <= 0) return false;
    out->assign(reinterpret_cast<const char*>(wide), n * sizeof(wchar_t));
    return true;
  }
  char narrow[4];
  BOOL usedDefault = FALSE;
  int n = ::WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, reinterpret_cast<const wchar_t*>(in),
                                static_cast<int>(inSize / 2), narrow, sizeof narrow, nullptr,
                                &usedDefault);
  if (n <= 0 || usedDefault) return false;
  out->assign(narrow, n);
  return true;
#else
  // Opened once: the tests convert every key name they create.
  static const iconv_t kToUtf16 = iconv_open("UTF-16LE", "CP936");
  static const iconv_t kFromUtf16 = iconv_open("CP936", "UTF-16LE");
  const iconv_t convert = toUtf16 ? kToUtf16 : kFromUtf16;
  if (convert == reinterpret_cast<iconv_t>(-1)) return false;
  iconv(convert, nullptr, nullptr, nullptr, nullptr);
  std::string source(in, inSize);
  char* from = &source[0];
  size_t fromLeft = source.size();
  char buffer[8];
  char* to = buffer;
  size_t toLeft = sizeof buffer;
  const bool ok = iconv(convert, &from, &fromLeft, &to, &toLeft) != static_cast<size_t>(-1) &&
                  fromLeft == 0;
  if (ok) out->assign(buffer, sizeof buffer - toLeft);
  return ok;
#endif
}

}  // namespace

std::u16string SimCodePage::ToUtf16(const std::string& text) {
  std::u16string units;
  std::string converted;
  for (size_t i = 0; i < text.size();) {
    const size_t n = CharLen(text, i);
    if (ConvertOne(true, text.data() + i, n, &converted)) {
      for (size_t k = 0; k + 1 < converted.size(); k += 2) {
        units.push_back(static_cast<char16_t>(static_cast<unsigned char>(converted[k]) |
                                              static_cast<unsigned char>(converted[k + 1]) << 8));
      }
    } else {
      for (size_t k = 0; k < n; ++k) units.push_back(static_cast<unsigned char>(text[i + k]));
    }
    i += n;
  }
  return units;
}

// Unit by unit, as the system's table conversion goes: a surrogate pair has no form in the
// code page and becomes two '?'.
bool SimCodePage::FromUtf16(const std::u16string& text, std::string* out) {
  out->clear();
  bool whole = true;
  std::string converted;
  for (char16_t unit : text) {
    const char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
    const bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    if (!surrogate && ConvertOne(false, bytes, 2, &converted)) {
      *out += converted;
    } else {
      *out += '?';
      whole = false;
    }
  }
  return whole;
}

bool SimCodePage::IsLeadByte(unsigned char byte) { return IsLead(byte); }

std::size_t SimCodePage::LastBackslash(const std::string& text) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); i += CharLen(text, i)) {
    if (text[i] == '\\') found = i;
  }
  return found;
}

int SimCodePage::CompareNoCase(const std::string& a, const std::string& b) {
  // Like _mbsicmp: characters compared after folding, a double-byte character as one unit.
  std::string fa = MapText(a, false), fb = MapText(b, false);
  size_t i = 0, j = 0;
  while (i < fa.size() && j < fb.size()) {
    size_t na = CharLen(fa, i), nb = CharLen(fb, j);
    unsigned ca = na == 2 ? (static_cast<unsigned char>(fa[i]) << 8) | static_cast<unsigned char>(fa[i + 1])
                          : static_cast<unsigned char>(fa[i]);
    unsigned cb = nb == 2 ? (static_cast<unsigned char>(fb[j]) << 8) | static_cast<unsigned char>(fb[j + 1])
                          : static_cast<unsigned char>(fb[j]);
    if (ca != cb) return ca < cb ? -1 : 1;
    i += na;
    j += nb;
  }
  if (i < fa.size()) return 1;
  if (j < fb.size()) return -1;
  return 0;
}

std::string SimCodePage::Upper(const std::string& text) { return MapText(text, true); }
std::string SimCodePage::Lower(const std::string& text) { return MapText(text, false); }

std::size_t SimCodePage::Find(const std::string& haystack, const std::string& needle) {
  if (needle.empty()) return 0;
  for (size_t i = 0; i + needle.size() <= haystack.size(); i += CharLen(haystack, i)) {
    if (std::memcmp(haystack.data() + i, needle.data(), needle.size()) == 0) return i;
  }
  return std::string::npos;
}

}  // namespace sim
