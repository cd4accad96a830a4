#pragma once
// Records on disk: one in each install folder, reaching the records of earlier installations
// into other folders.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "uninstall/removal.h"

namespace uninstall {

// kUnsafe: a record that someone other than an administrator could have written, or could
// change while it is acted on, or that names a host file outside the hosts' Fonts and Drv
// folders.
enum class Loaded { kRecord, kMissing, kDamaged, kUnsafe };

// The record at path, read whole and checked against the folder it lies in; why says what is
// wrong with a damaged or unsafe one. Only what administrators alone can have written is read:
// every folder on the way belongs to an administrator, the record's folder and the record to
// one alone; and no one else may replace a folder on the way: those that the record's
// installations made are protected as an installation protects them, others are refused.
Loaded LoadRecord(plat::Platform& platform, const std::string& path, FoundRecord* found,
                  std::string* why);

// The folders that the record in folder says earlier installations made, when only
// administrators can have written it; none otherwise. Changes nothing.
std::vector<std::string> FoldersMadeBefore(plat::Platform& platform, const std::string& folder);

// The record in folder and every record it reaches through earlier installations, each
// once. Damaged or missing earlier records are left out and told in outcome (a damaged one as
// a failure, a missing one as a note). The first element is the one in folder, if it loaded.
std::vector<FoundRecord> LoadRecords(plat::Platform& platform, const std::string& folder,
                                     Outcome* outcome);

std::string RecordPath(const std::string& folder);

}  // namespace uninstall
