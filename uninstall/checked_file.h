#pragma once
// A file the record names, reached through a checked walk: its folder walked from the drive's
// root, no level a link, and the file opened below that folder's handle without following a
// link. What is read, compared, written over or deleted is then the file that was reached.
#include <string>

#include "platform/platform.h"

namespace uninstall {

struct CheckedFile {
  plat::UniqueFileHandle folder;  // the file's folder, open, when the walk reached it
  plat::UniqueFileHandle file;    // the file, open with the access asked for
  plat::Reached reached = plat::Reached::kFailed;  // kFile when open; else why not
  std::string link;  // kLink: the level, or the file itself, that is a link
};

CheckedFile OpenChecked(plat::Platform& platform, const std::string& path, uint32_t access,
                        uint32_t share);

// "C:\\CAD\\Fonts 是一个链接（连接点或符号链接）": why a file was not reached, for a message.
std::string UnreachedText(const CheckedFile& file);

}  // namespace uninstall
