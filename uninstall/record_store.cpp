#include "uninstall/record_store.h"

#include <algorithm>

#include "uninstall/record_rules.h"

namespace uninstall {

std::string RecordPath(const std::string& folder) { return folder + "\\" + kRecordFileName; }

Loaded LoadRecord(plat::Platform& platform, const std::string& path, FoundRecord* found,
                  std::string* why) {
  if (platform.files.GetAttributes(path) == plat::kInvalidAttributes) return Loaded::kMissing;
  std::string bytes;
  if (!platform.files.ReadWholeFile(path, &bytes)) {
    *why = "无法读取";
    return Loaded::kDamaged;
  }
  const size_t slash = platform.text.LastBackslash(path);
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
  found->path = path;
  if (!ParseRecord(platform.text, bytes, &found->record, why) ||
      !CheckRecord(platform.text, found->record, folder, why))
    return Loaded::kDamaged;
  return Loaded::kRecord;
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
