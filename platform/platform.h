#pragma once
// The machine as the logic sees it. The logic receives it by reference and never calls the OS.
#include "platform/checked_files.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/message_boxes.h"
#include "platform/processes.h"
#include "platform/registry.h"
#include "platform/win_constants.h"

namespace plat {

struct Platform {
  Registry& registry;
  FileSystem& files;
  Processes& processes;
  MessageBoxes& messages;
  CodePage& text;
  CheckedFiles& checked;  // files and folders reached and acted on through checked handles
};

}  // namespace plat
