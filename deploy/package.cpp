#include "deploy/package.h"

#include "deploy/checked_folder.h"
#include "deploy/package_copy.h"
#include "deploy/package_folder.h"
#include "deploy/path_limits.h"
#include "deploy/sha256.h"
#include "platform/paths.h"

namespace deploy {
namespace {

constexpr uint32_t kShareAll = plat::kShareRead | plat::kShareWrite | plat::kShareDelete;
// The setup program itself, when the package folder is its own; the copy leaves it behind.
constexpr char kSetupProgram[] = "SetUp.EXE";

bool IsFile(const PackageEntry& entry) {
  return !(entry.listed.attributes & plat::kAttrDirectory);
}

}  // namespace

// ':' and '/' are never trail bytes; a backslash may be one (淺 is 9C 5C).
bool IsPackageFileName(plat::CodePage& text, const std::string& name) {
  return text.LastBackslash(name) == std::string::npos && name.find('/') == std::string::npos &&
         name.find(':') == std::string::npos;
}

const PackageEntry* Package::File(plat::CodePage& text, const std::string& name) const {
  for (const PackageEntry& entry : entries_) {
    if (entry.read && text.CompareNoCase(entry.listed.name, name) == 0) return &entry;
  }
  return nullptr;
}

Package ReadPackage(plat::Platform& platform) {
  Package package;
  if (!LocatePackageFolder(platform, package.folder_)) return package;
  plat::CodePage& text = platform.text;
  plat::CheckedFiles& checked = platform.checked;
  std::string resolved;
  // A folder on a network share has no drive's root to walk from; its files are read by name,
  // each through one handle all the same.
  if (plat::ResolvePath(text, package.folder_, &resolved)) {
    plat::Walked walked = plat::WalkFolders(checked, text, package.folder_, 0, kShareAll);
    if (walked.reached != plat::Reached::kFolder) return package;
    package.handle_ = std::move(walked.folder);
  }
  package.found_ = true;

  const std::string pattern = JoinPath(package.folder_, "*.*");
  plat::FindEntry listed;
  plat::UniqueFind listing(platform.files);
  if (FitsPathBuffer(pattern)) listing.reset(platform.files.FindFirst(pattern, &listed));
  if (!listing) return package;
  package.listed_ = true;
  do {
    PackageEntry entry;
    entry.listed = listed;
    entry.file.source = JoinPath(package.folder_, listed.name);
    if (IsFile(entry) && IsPackageFileName(text, listed.name)) {
      if (!package.handle_) {
        entry.file.attributes = platform.files.GetAttributes(entry.file.source);
        entry.read = platform.files.ReadWholeFile(entry.file.source, &entry.file.bytes);
      } else {
        plat::Opened file = checked.Open(package.handle_.get(), listed.name,
                                         plat::kFileReadData | plat::kFileReadAttributes,
                                         plat::kShareRead);
        plat::FileFacts facts;
        entry.read = file.reached == plat::Reached::kFile &&
                     checked.Facts(file.handle.get(), &facts) &&
                     checked.ReadAll(file.handle.get(), &entry.file.bytes);
        entry.file.attributes = facts.attributes;
      }
      if (!entry.read) entry.file.bytes.clear();
    }
    package.entries_.push_back(std::move(entry));
  } while (platform.files.FindNext(listing.get(), &listed));
  return package;
}

void ClearReadOnlyOfSource(plat::Platform& platform, const Package& package,
                           const PackageEntry& entry) {
  // As it was read: a file that was not read-only needs nothing.
  if (entry.read && !(entry.file.attributes & plat::kAttrReadOnly)) return;
  if (package.handle() == plat::kNoFileHandle)
    return ClearReadOnly(platform.files, entry.file.source);
  ClearReadOnlyIn(platform.checked, package.handle(), entry.listed.name);
}

Verdict CheckPackage(plat::CodePage& text, const Package& package, const PackageList* list) {
  // A package that is not there is told where the copy looks for it, as it always was.
  if (!package.found()) return {};
  if (!package.listed()) return list ? Verdict{Difference::kUnread, package.folder()} : Verdict{};
  const auto named = [&](const std::string& name) -> const ListedFile* {
    for (std::size_t n = 0; list && n < list->count; ++n) {
      if (text.CompareNoCase(list->files[n].name, name) == 0) return &list->files[n];
    }
    return nullptr;
  };
  for (const PackageEntry& entry : package.entries()) {
    if (!IsFile(entry)) continue;
    const std::string& path = entry.file.source;
    if (!IsPackageFileName(text, entry.listed.name)) return {Difference::kBadName, path};
    if (!list || text.CompareNoCase(entry.listed.name, kSetupProgram) == 0) continue;
    const ListedFile* file = named(entry.listed.name);
    if (!file) return {Difference::kAdded, path};
    if (!entry.read) return {Difference::kUnread, path};
    if (Sha256Hex(entry.file.bytes) != file->sha256) return {Difference::kChanged, path};
  }
  for (std::size_t n = 0; list && n < list->count; ++n) {
    bool there = false;
    for (const PackageEntry& entry : package.entries()) {
      there = there ||
              (IsFile(entry) && text.CompareNoCase(entry.listed.name, list->files[n].name) == 0);
    }
    if (!there) return {Difference::kMissing, JoinPath(package.folder(), list->files[n].name)};
  }
  return {};
}

std::string RefusalText(const Verdict& verdict) {
  std::string why;
  switch (verdict.difference) {
    case Difference::kNone:
      return {};
    case Difference::kBadName:
      why = "安装文件 " + verdict.path + " 的文件名在系统代码页中含有“\\”、“/”或“:”";
      break;
    case Difference::kUnread:
      why = "无法读取安装文件 " + verdict.path;
      break;
    case Difference::kChanged:
      why = "安装文件 " + verdict.path + " 已被更改，与本安装程序发布时的不一致";
      break;
    case Difference::kAdded:
      why = verdict.path + " 不是本安装程序发布时的安装文件";
      break;
    case Difference::kMissing:
      why = "缺少安装文件 " + verdict.path;
      break;
  }
  return why + "，不能安装 !\n\n请重新下载安装文件，解压后再执行SetUp.exe !";
}

std::string RefusalLogText(const Verdict& verdict) {
  const char* why = "";
  switch (verdict.difference) {
    case Difference::kNone:
      return {};
    case Difference::kBadName:
      why = "has a name the code page turns into a backslash, slash or colon";
      break;
    case Difference::kUnread:
      why = "could not be read";
      break;
    case Difference::kChanged:
      why = "is not the file this program was built with: its SHA-256 differs";
      break;
    case Difference::kAdded:
      why = "is no file of the package this program was built with";
      break;
    case Difference::kMissing:
      why = "is missing: the package this program was built with has it";
      break;
  }
  return "the package is refused, nothing was written: " + verdict.path + " " + why;
}

}  // namespace deploy
