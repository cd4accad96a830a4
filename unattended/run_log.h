#pragma once
// The log a run writes (with /LOG=, and every quiet run): a UTF-8 text, one line an event, each
// headed by its local time and offset from UTC, of what the run did at the platform seam
// (folders made, files copied and written, keys and values written with their texts) and
// what it decided (releases, answers given in place of the user, the result). It listens to
// the journal; the run appends the text to its log file as it goes.
#include <string>

#include "journal/observer.h"
#include "platform/clock.h"
#include "platform/codepage.h"
#include "unattended/silent_message_boxes.h"

namespace unattended {

class RunLog : public journal::Observer {
 public:
  // Without a clock, lines carry no time (a transcript).
  explicit RunLog(plat::CodePage& text, plat::Clock* clock = nullptr)
      : text_(text), clock_(clock) {}

  // A line of the run's own, already UTF-8.
  void Line(const std::string& utf8);
  // A code page text as UTF-8.
  std::string Utf8(const std::string& narrow);
  const std::string& text() const { return log_; }
  // A message the run did not show, and the answer it gave in the user's place.
  void Unshown(const UnshownMessage& box);

  void FolderMade(const std::string& path) override;
  void FolderRemoved(const std::string& path) override;
  void FileCopied(const std::string& source, const std::string& destination,
                  uint64_t bytes) override;
  void FileWritten(const std::string& path, uint64_t bytes) override;
  void FileDeleted(const std::string& path) override;
  void Moved(const std::string& from, const std::string& to) override;
  void KeyCreated(const journal::KeyRef& key) override;
  void KeyDeleted(const journal::KeyRef& key) override;
  void ValueWritten(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before,
                    const journal::ValueState& after) override;
  void ValueDeleted(const journal::KeyRef& key, const std::string& name,
                    const journal::ValueState& before) override;
  void CallFailed(const std::string& what, long error) override;

 private:
  std::string Key(const journal::KeyRef& key);
  std::string Value(const journal::KeyRef& key, const std::string& name);

  plat::CodePage& text_;
  plat::Clock* clock_;
  std::string log_;
};

}  // namespace unattended
