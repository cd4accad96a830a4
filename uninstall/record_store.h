#pragma once
// Records on disk: one in each install folder, reaching the records of earlier installations
// into other folders.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "uninstall/removal.h"

namespace uninstall {

enum class Loaded { kRecord, kMissing, kDamaged };

// The record at path, read whole and checked against the folder it lies in; why says what is
// wrong with a damaged one.
Loaded LoadRecord(plat::Platform& platform, const std::string& path, FoundRecord* found,
                  std::string* why);

// The record in folder and every record it reaches through earlier installations, each
// once. Damaged or missing earlier records are left out and told in outcome (a damaged one as
// a failure, a missing one as a note). The first element is the one in folder, if it loaded.
std::vector<FoundRecord> LoadRecords(plat::Platform& platform, const std::string& folder,
                                     Outcome* outcome);

std::string RecordPath(const std::string& folder);

}  // namespace uninstall
