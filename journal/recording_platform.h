#pragma once
// The machine an installation runs on: the inner platform with the recorders in place, by name
// and through checked handles. Processes, message boxes and the code page are the inner ones.
#include "journal/recording_checked.h"
#include "journal/recording_files.h"
#include "journal/recording_registry.h"
#include "platform/platform.h"

namespace journal {

class RecordingPlatform {
 public:
  RecordingPlatform(plat::Platform& inner, Observer& observer)
      : registry_(inner.registry, inner.text, observer),
        files_(inner.files, observer),
        checked_(inner.checked, observer),
        platform_{registry_, files_, inner.processes, inner.messages, inner.text, checked_} {}
  RecordingPlatform(const RecordingPlatform&) = delete;
  RecordingPlatform& operator=(const RecordingPlatform&) = delete;
  plat::Platform& platform() { return platform_; }

 private:
  RecordingRegistry registry_;
  RecordingFileSystem files_;
  RecordingCheckedFiles checked_;
  plat::Platform platform_;
};

}  // namespace journal
