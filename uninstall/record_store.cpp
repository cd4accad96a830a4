#include "uninstall/record_store.h"

#include <algorithm>

#include "discovery/discovery.h"
#include "protection/checked_levels.h"
#include "uninstall/record_rules.h"

namespace uninstall {
namespace {

// The record at path as it reads, whole and of the shapes an installation writes.
Loaded Read(plat::Platform& platform, const std::string& path, FoundRecord* found,
            std::string* bytes, std::string* why) {
  if (!platform.files.ReadWholeFile(path, bytes)) {
    *why = "无法读取";
    return Loaded::kDamaged;
  }
  found->path = path;
  if (!ParseRecord(platform.text, *bytes, &found->record, why) ||
      !CheckRecord(platform.text, found->record, plat::FolderOf(platform.text, path), why))
    return Loaded::kDamaged;
  return Loaded::kRecord;
}

std::vector<std::string> HostLocations(plat::Registry& registry) {
  InstallCatalogue catalogue;
  DiscoverHosts(registry, catalogue);
  std::vector<std::string> locations;
  for (const StringList& release : catalogue.hostLocations)
    locations.insert(locations.end(), release.begin(), release.end());
  return locations;
}

std::vector<std::string> FoldersMade(const Record& record) {
  std::vector<std::string> made;
  for (const Installation& inst : record.installations)
    made.insert(made.end(), inst.foldersMade.begin(), inst.foldersMade.end());
  return made;
}

Loaded Unsafe(const protection::Finding& finding, std::string* why) {
  *why = protection::FindingText(finding);
  return Loaded::kUnsafe;
}

}  // namespace

std::string RecordPath(const std::string& folder) { return folder + "\\" + kRecordFileName; }

Loaded LoadRecord(plat::Platform& platform, const std::string& path, FoundRecord* found,
                  std::string* why) {
  if (platform.files.GetAttributes(path) == plat::kInvalidAttributes) return Loaded::kMissing;
  const protection::Administrators admins = protection::Administrators::Of(platform.files);
  if (const protection::Finding f =
          protection::CheckWrittenByAdministrators(platform, admins, path))
    return Unsafe(f, why);
  std::string bytes;
  const Loaded read = Read(platform, path, found, &bytes, why);
  if (read != Loaded::kRecord) return read;
  if (!CheckHostFiles(platform.text, found->record, plat::FolderOf(platform.text, path),
                      HostLocations(platform.registry), why))
    return Loaded::kUnsafe;

  // No one else may replace a folder on the way while the record is acted on; those that
  // earlier installations made are ours, and are protected as the installation protects them.
  const std::string folder = plat::FolderOf(platform.text, path);
  std::vector<std::string> toProtect;
  if (const protection::Finding f = protection::CheckLevels(platform, admins, folder,
                                                    FoldersMade(found->record), &toProtect))
    return Unsafe(f, why);
  if (toProtect.empty()) return Loaded::kRecord;
  protection::ProtectThrough(platform, toProtect);
  if (const protection::Finding f = protection::CheckLevels(platform, admins, folder, {}, nullptr))
    return Unsafe(f, why);
  // Read once more now that nothing on the way can change: what was read before a folder was
  // protected is not what is acted on.
  std::string again;
  if (!platform.files.ReadWholeFile(path, &again) || again != bytes) {
    *why = "卸载记录在读取时被更改";
    return Loaded::kUnsafe;
  }
  return Loaded::kRecord;
}

std::vector<std::string> FoldersMadeBefore(plat::Platform& platform, const std::string& folder) {
  const std::string path = RecordPath(folder);
  if (platform.files.GetAttributes(path) == plat::kInvalidAttributes) return {};
  const protection::Administrators admins = protection::Administrators::Of(platform.files);
  if (protection::CheckWrittenByAdministrators(platform, admins, path)) return {};
  FoundRecord found;
  std::string bytes, why;
  if (Read(platform, path, &found, &bytes, &why) != Loaded::kRecord) return {};
  return FoldersMade(found.record);
}

std::vector<FoundRecord> LoadRecords(plat::Platform& platform, const std::string& folder,
                                     Outcome* outcome) {
  std::vector<FoundRecord> records;
  std::vector<std::string> seen = {RecordPath(folder)};
  for (size_t next = 0; next < seen.size(); ++next) {
    FoundRecord found;
    std::string why;
    switch (LoadRecord(platform, seen[next], &found, &why)) {
      case Loaded::kMissing:
        if (next > 0) outcome->notes.push_back("早先安装的卸载记录已不存在：" + seen[next]);
        continue;
      case Loaded::kDamaged:
        outcome->failed.push_back("卸载记录 " + seen[next] + " 已损坏（" + why +
                                  "），其中列出的内容均未删除");
        continue;
      case Loaded::kUnsafe:
        outcome->failed.push_back("卸载记录 " + seen[next] + " 不可信（" + why +
                                  "），其中列出的内容均未删除");
        continue;
      case Loaded::kRecord:
        break;
    }
    for (const Installation& inst : found.record.installations) {
      for (const std::string& earlier : inst.earlierRecords) {
        const bool known = std::any_of(seen.begin(), seen.end(), [&](const std::string& s) {
          return SamePath(platform.text, s, earlier);
        });
        if (!known) seen.push_back(earlier);
      }
    }
    records.push_back(found);
  }
  return records;
}

}  // namespace uninstall
