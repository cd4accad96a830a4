#pragma once
// The nineteen AutoCAD releases 2007..2025; per-release tables are indexed by year - 2007.
#include <array>

constexpr int kFirstReleaseYear = 2007;
constexpr int kLastReleaseYear = 2025;
constexpr int kReleaseCount = kLastReleaseYear - kFirstReleaseYear + 1;

constexpr bool IsReleaseYear(int year) {
  return year >= kFirstReleaseYear && year <= kLastReleaseYear;
}
constexpr int ReleaseIndex(int year) { return year - kFirstReleaseYear; }
constexpr int ReleaseYearAt(int index) { return kFirstReleaseYear + index; }

// One flag a release, 2007 first; non-zero means the release is to be served.
using ReleaseFlags = std::array<int, kReleaseCount>;
