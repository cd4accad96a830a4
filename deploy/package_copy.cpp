#include "deploy/package_copy.h"

#include <memory>
#include <utility>
#include <vector>

#include "deploy/checked_folder.h"
#include "deploy/package_folder.h"
#include "deploy/path_limits.h"
#include "platform/paths.h"
#include "protection/checked_levels.h"

namespace {

using deploy::FitsPathBuffer;
using deploy::JoinPath;

constexpr char kCopyFailedFormat[] =
    "拷贝文件 %s 失败，可能原因如下：\n\n1、AutoCAD未关闭\n\n2、系统权限未开放，请以管理者权限登陆系统";

std::string CopyFailedText(const std::string& path) {
  std::string text = kCopyFailedFormat;
  text.replace(text.find("%s"), 2, path);
  return text;
}

enum class Outcome { Done, Ignored, Aborted };

// Runs attempt until it succeeds or the user, shown the copy-failure message for path,
// answers Abort or Ignore. Retry has no limit: the user decides when to stop.
template <typename Attempt>
Outcome UntilDoneOrDecided(plat::Platform& platform, const std::string& path, Attempt attempt) {
  while (!attempt()) {
    switch (platform.messages.Show(CopyFailedText(path), deploy::kSetupTitle,
                                   plat::kMbAbortRetryIgnore)) {
      case plat::kIdRetry:
        continue;
      case plat::kIdIgnore:
        return Outcome::Ignored;
      default:  // Abort, or a box that could not be shown: stop rather than carry on unasked.
        return Outcome::Aborted;
    }
  }
  return Outcome::Done;
}

// Where a listed file goes; empty when it stays behind.
enum class Role { Skip, Settings, Install };

struct Mapping {
  Role role;
  std::string destinationName;
};

Mapping MapEntry(plat::CodePage& text, const plat::FindEntry& entry) {
  if (entry.name == "." || entry.name == ".." || (entry.attributes & plat::kAttrDirectory))
    return {Role::Skip, {}};
  for (const char* left : {"SetUp.EXE", "Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"}) {
    if (text.CompareNoCase(entry.name, left) == 0) return {Role::Skip, {}};
  }
  static const struct {
    const char* packaged;
    const char* library;
  } kLibraries[] = {{"Velmar.prt7", "itextsharp.dll"},
                    {"Velmar.prt8", "PdfSharp.Charting.dll"},
                    {"Velmar.prt9", "PdfSharp.dll"}};
  for (const auto& library : kLibraries) {
    if (text.CompareNoCase(entry.name, library.packaged) == 0)
      return {Role::Install, library.library};
  }
  if (text.CompareNoCase(entry.name, kSettingsFileName) == 0) return {Role::Settings, entry.name};
  return {Role::Install, entry.name};
}

// An empty value, "\\", "D:", "D:\\" and the like: "%s\\Velmar" of it would lie directly under
// a drive's root, shared by every user of the machine, instead of in this user's own folder
// (and from "\\" it would name a network share). Bytes suffice: a trail byte 5C follows its
// lead byte, which ends the loop before the text could look like a root.
bool NamesADriveRoot(std::string folder) {
  while (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder.empty() || (folder.size() == 2 && folder[1] == ':');
}

// Copies one package file, with the bytes read at the start, into folder. False only when the
// user chose Abort.
bool CopyEntry(plat::Platform& platform, const deploy::Package& package,
               const deploy::PackageEntry& entry, deploy::CheckedFolder& folder,
               const std::string& destination) {
  plat::CheckedFiles& checked = platform.checked;
  const std::string& source = entry.file.source;
  const std::string name = plat::FileNameOf(platform.text, destination);
  if (!FitsPathBuffer(source) || !FitsPathBuffer(destination)) {
    const std::string& tooLong = FitsPathBuffer(source) ? destination : source;
    return UntilDoneOrDecided(platform, tooLong, [] { return false; }) != Outcome::Aborted;
  }
  deploy::ClearReadOnlyOfSource(platform, package, entry);
  deploy::ClearReadOnlyIn(checked, folder.Get(), name);
  const Outcome outcome = UntilDoneOrDecided(platform, destination, [&] {
    const plat::FileHandle at = folder.Get();
    return entry.read && at != plat::kNoFileHandle && checked.CopyInto(at, name, entry.file);
  });
  if (outcome == Outcome::Aborted) return false;
  // A copy never comes out read-only; what Ignore left there loses the bit as a copy would.
  if (outcome == Outcome::Ignored) deploy::ClearReadOnlyIn(checked, folder.Get(), name);
  return true;
}

}  // namespace

// The settings never land in "\\Velmar" at the root of a drive.
std::string SettingsFolder(plat::FileSystem& files) {
  const auto usable = [](const std::string& folder) {
    return !NamesADriveRoot(folder) && FitsPathBuffer(folder + "\\Velmar");
  };
  std::string appData, shell;
  if (files.GetEnvironmentVariable("APPDATA", &appData) && usable(appData))
    return appData + "\\Velmar";
  if (files.ShellAppDataFolder(&shell) && usable(shell)) return shell + "\\Velmar";
  return {};
}

PackageCopyJob::PackageCopyJob(plat::CodePage& text, std::string folder,
                               plat::ProgressSink& progress)
    : installFolder(std::move(folder)), progressBar(progress) {
  plat::DropTrailingBackslash(text, installFolder);
}

void ClearReadOnly(plat::FileSystem& files, const std::string& path) {
  const uint32_t attributes = files.GetAttributes(path);
  if (attributes == plat::kInvalidAttributes) return;
  if ((attributes & plat::kAttrDirectory) || !(attributes & plat::kAttrReadOnly)) return;
  const uint32_t cleared = attributes & ~plat::kAttrReadOnly;
  // Zero is not an attribute set the platform accepts; "normal" is its name for none.
  files.SetAttributes(path, cleared ? cleared : plat::kAttrNormal);
}

bool CopyPackage(plat::Platform& platform, const deploy::Package& package,
                 const PackageCopyJob& job, CopyStop* stop) {
  CopyStop unused;
  CopyStop& why = stop ? *stop : unused;
  why = CopyStop::kNoPackage;
  if (!package.found()) return ShowMissingPackage(platform);
  why = CopyStop::kAborted;

  // Ignore skips one file; a package that cannot be listed is skipped whole, so Ignore ends
  // the installation as Abort does rather than register a plug-in that was never copied.
  if (!package.listed()) {
    UntilDoneOrDecided(platform, package.folder(), [] { return false; });
    return false;
  }

  // The install folder is made, with its list, before the copy; one that is not there is not
  // made here, and every copy into it fails.
  deploy::CheckedFolder installFolder(platform, job.installFolder);
  std::unique_ptr<deploy::CheckedFolder> settingsFolder;
  const std::vector<deploy::PackageEntry>& entries = package.entries();
  for (std::size_t at = 0;; ++at) {
    job.progressBar.StepIt();
    if (at == entries.size()) break;

    const deploy::PackageEntry& entry = entries[at];
    const Mapping mapping = MapEntry(platform.text, entry.listed);
    if (mapping.role == Role::Skip) continue;

    deploy::CheckedFolder* folder = &installFolder;
    std::string destinationFolder = job.installFolder;
    if (mapping.role == Role::Settings) {
      destinationFolder = SettingsFolder(platform.files);
      if (destinationFolder.empty()) {
        // No application-data folder to name: tell the user which file could not be placed.
        const std::string unplaced = "%APPDATA%\\Velmar\\" + entry.listed.name;
        if (UntilDoneOrDecided(platform, unplaced, [] { return false; }) == Outcome::Aborted)
          return false;
        continue;
      }
      // A folder on a way someone else may change (a user's %APPDATA% in SYSTEM's environment)
      // gets nothing, as a host folder behind a link: the default copy serves every user.
      if (const protection::Finding unsafe =
              protection::CheckSettingsFolder(platform, destinationFolder)) {
        platform.messages.Show(protection::FindingText(unsafe) + "，设置文件" + entry.listed.name +
                                   "没有放入这里。",
                               deploy::kSetupTitle, plat::kMbOk | plat::kMbIconExclamation);
        continue;
      }
      if (!settingsFolder)
        settingsFolder = std::make_unique<deploy::CheckedFolder>(platform, destinationFolder, true);
      folder = settingsFolder.get();
    }
    if (!CopyEntry(platform, package, entry, *folder,
                   JoinPath(destinationFolder, mapping.destinationName)))
      return false;
  }
  return true;
}
