#pragma once
// The texts a run with arguments shows in a message box (code page 936, the program's voice).
#include <string>

#include "cmdline/command_line.h"

namespace cmdline {

// The switches and the exit codes, for /? and under every usage error.
std::string UsageText();
// What is wrong with the command line, then the usage text.
std::string UsageErrorText(const Parsed& parsed, plat::CodePage& text);
// The log file of /LOG= cannot be written.
std::string LogNotWritableText(const std::string& path, const std::string& why);
// A release asked for with /RELEASES= is not installed.
std::string ReleaseNotFoundText(int year);

constexpr char kMessageTitle[] = "Velmar软件安装";
constexpr unsigned kMbIconInformation = 0x40;

}  // namespace cmdline
