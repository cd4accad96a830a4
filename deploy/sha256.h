#pragma once
// SHA-256 (FIPS 180-4), for the package's list: the build names each file with its hash, and
// the program hashes the bytes it read.
#include <string>

namespace deploy {

// The hash of bytes as 64 lower-case hex digits.
std::string Sha256Hex(const std::string& bytes);

}  // namespace deploy
