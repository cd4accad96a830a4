// The version resource of SetUp.exe and of the VelmarTrust.exe it carries, read back through
// version.dll as Explorer's Properties → Details, the UAC prompt and inventory tools read it.
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "peruser/program_resource.h"
#include "platform/win32/windows_api.h"
#include "versioninfo/build_version.h"
#include "versioninfo/tests/program_file.h"

namespace {

struct Program {
  const char* name;
  bool carried;  // taken out of SetUp.exe's resource, as an installation writes it
  const wchar_t* description;
  const wchar_t* internalName;
  const wchar_t* originalFilename;
};

// Test names and messages show the program's name, not the row's bytes.
void PrintTo(const Program& program, std::ostream* out) { *out << program.name; }

const Program kPrograms[] = {
    {"SetUp.exe", false, L"Velmar批打印软件安装和卸载程序", L"SetUp", L"SetUp.exe"},
    {"VelmarTrust.exe", true, L"Velmar批打印软件受信任位置设置", L"VelmarTrust",
     L"VelmarTrust.exe"},
};

std::vector<std::pair<std::wstring, std::wstring>> ExpectedTexts(const Program& program) {
  return {{L"CompanyName", L"Velmar"},
          {L"FileDescription", program.description},
          {L"FileVersion", L"2024.4.26.0"},
          {L"InternalName", program.internalName},
          {L"LegalCopyright", L"版权所有 © 2024 Velmar"},
          {L"OriginalFilename", program.originalFilename},
          {L"ProductName", L"Velmar批打印软件"},
          {L"ProductVersion", L"2024.4.26.0"}};
}

// The built SetUp.exe; under Wine, drive Z: is the Unix root.
std::wstring SetUpPath() {
  std::wstring path;
  for (const char* c = VELMAR_SETUP_EXE; *c; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
  return path;
}

std::string Utf8(const std::wstring& text) {
  std::string bytes(text.size() * 4 + 1, '\0');
  const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      &bytes[0], static_cast<int>(bytes.size()), nullptr, nullptr);
  bytes.resize(n > 0 ? n : 0);
  return bytes;
}

class VersionResource : public ::testing::TestWithParam<Program> {
 protected:
  void SetUp() override {
    const Program& program = GetParam();
    path_ = SetUpPath();
    if (program.carried) {
      wchar_t temp[MAX_PATH];
      ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
      path_ = std::wstring(temp) + L"velmar-version-test-" + program.originalFilename;
      std::string error;
      ASSERT_TRUE(versioninfo::ExtractResource(SetUpPath(), IDR_PERUSER_PROGRAM, path_, &error))
          << error;
      extracted_ = true;
    }
    std::vector<std::wstring> names;
    for (const auto& text : ExpectedTexts(program)) names.push_back(text.first);
    std::string error;
    ASSERT_TRUE(versioninfo::ReadFileVersion(path_, names, &version_, &error)) << error;
  }
  void TearDown() override {
    if (extracted_) ::DeleteFileW(path_.c_str());
  }

  std::wstring path_;
  bool extracted_ = false;
  versioninfo::FileVersion version_;
};

TEST_P(VersionResource, TextsReadBackInSimplifiedChineseUtf16) {
  ASSERT_EQ(version_.translations.size(), 1u);
  EXPECT_EQ(version_.translations[0].first, 0x0804);  // Chinese (Simplified, PRC)
  EXPECT_EQ(version_.translations[0].second, 1200);    // UTF-16
  for (const auto& [name, expected] : ExpectedTexts(GetParam())) {
    ASSERT_EQ(version_.texts.count(name), 1u) << GetParam().name << " has no " << Utf8(name);
    const std::string text = Utf8(version_.texts[name]);
    EXPECT_EQ(text, Utf8(expected)) << GetParam().name << " " << Utf8(name);
    // What Properties shows, in the test's output.
    std::printf("%s  %s: %s\n", GetParam().name, Utf8(name).c_str(), text.c_str());
  }
}

TEST_P(VersionResource, NumbersAreTheBuildVersionTheProgramShows) {
  const VS_FIXEDFILEINFO& fixed = version_.fixed;
  EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
  const int major = velmar::kBuildVersion / 10000;
  const int minor = velmar::kBuildVersion % 10000 / 100;
  const int patch = velmar::kBuildVersion % 100;
  EXPECT_EQ(fixed.dwFileVersionMS, DWORD(MAKELONG(minor, major)));
  EXPECT_EQ(fixed.dwFileVersionLS, DWORD(MAKELONG(0, patch)));
  EXPECT_EQ(fixed.dwProductVersionMS, fixed.dwFileVersionMS);
  EXPECT_EQ(fixed.dwProductVersionLS, fixed.dwFileVersionLS);
  const std::wstring dotted = std::to_wstring(major) + L"." + std::to_wstring(minor) + L"." +
                              std::to_wstring(patch) + L".0";
  EXPECT_EQ(Utf8(version_.texts[L"FileVersion"]), Utf8(dotted));
  EXPECT_EQ(Utf8(version_.texts[L"ProductVersion"]), Utf8(dotted));
  // A released program: no debug, pre-release, patched or private build flags.
  EXPECT_EQ(fixed.dwFileFlags & fixed.dwFileFlagsMask, 0u);
  EXPECT_EQ(fixed.dwFileOS, DWORD(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed.dwFileType, DWORD(VFT_APP));
}

INSTANTIATE_TEST_SUITE_P(Programs, VersionResource, ::testing::ValuesIn(kPrograms),
                         [](const auto& info) {
                           return std::string(info.param.carried ? "Carried" : "") +
                                  (info.param.carried ? "VelmarTrust" : "SetUp");
                         });

}  // namespace
