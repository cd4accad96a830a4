#include "platform/sim/sim_codepage.h"

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

}  // namespace

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
