#include "unattended/run_log.h"

#include <cstring>

#include "platform/unicode.h"
#include "platform/win_constants.h"
#include "unattended/time_text.h"

namespace unattended {
namespace {

const char* TypeName(uint32_t type) {
  switch (type) {
    case plat::kRegNone: return "REG_NONE";
    case plat::kRegSz: return "REG_SZ";
    case plat::kRegExpandSz: return "REG_EXPAND_SZ";
    case plat::kRegBinary: return "REG_BINARY";
    case plat::kRegDword: return "REG_DWORD";
    case plat::kRegMultiSz: return "REG_MULTI_SZ";
    case plat::kRegQword: return "REG_QWORD";
    default: return "REG_OTHER";
  }
}

bool IsText(uint32_t type) {
  return type == plat::kRegSz || type == plat::kRegExpandSz || type == plat::kRegMultiSz;
}

// A text value's UTF-16LE bytes as UTF-8, without the terminators stored with it; a
// multi-string's inner terminators shown as " | ".
std::string TextOf(const journal::ValueState& state) {
  std::u16string units;
  for (std::size_t i = 0; i + 1 < state.bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(state.bytes[i]) |
                                          (static_cast<unsigned char>(state.bytes[i + 1]) << 8)));
  }
  while (!units.empty() && units.back() == u'\0') units.pop_back();
  std::string text;
  for (char c : plat::Utf16ToUtf8(units)) {
    if (c == '\0') {
      text += " | ";
    } else {
      text += c;
    }
  }
  return text;
}

std::string Shown(const journal::ValueState& state) {
  if (!state.present) return "(none)";
  if (IsText(state.type)) return "\"" + TextOf(state) + "\"";
  if (state.type == plat::kRegDword && state.bytes.size() == 4) {
    uint32_t value = 0;
    std::memcpy(&value, state.bytes.data(), 4);
    return std::to_string(value);
  }
  return "(" + std::to_string(state.bytes.size()) + " bytes)";
}

}  // namespace

void RunLog::Line(const std::string& utf8) {
  if (clock_) log_ += TimeStamp(clock_->Now()) + "  ";
  log_ += utf8 + "\r\n";
}

std::string RunLog::Utf8(const std::string& narrow) {
  return plat::Utf16ToUtf8(text_.ToUtf16(narrow));
}

// The process is 64-bit and asks for no view: every key is in the native view, and a path
// through Wow6432Node is how the 32-bit view is reached.
std::string RunLog::Key(const journal::KeyRef& key) {
  const std::string prefix = "SOFTWARE\\Wow6432Node\\";
  const bool wow = key.path.size() >= prefix.size() &&
                   text_.CompareNoCase(key.path.substr(0, prefix.size()), prefix) == 0;
  const char* root = key.root == plat::kHkeyLocalMachine  ? "HKLM"
                     : key.root == plat::kHkeyCurrentUser ? "HKCU"
                                                          : "?";
  return std::string(root) + (wow ? " 32-bit view" : " 64-bit view") + ", key " + Utf8(key.path);
}

std::string RunLog::Value(const journal::KeyRef& key, const std::string& name) {
  return Key(key) + ", value " + (name.empty() ? std::string("(default)") : Utf8(name));
}

void RunLog::Unshown(const UnshownMessage& box) {
  const char* answer = box.answer == plat::kIdAbort    ? "Abort"
                       : box.answer == plat::kIdYes    ? "Yes"
                       : box.answer == plat::kIdNo     ? "No"
                       : box.answer == plat::kIdCancel ? "Cancel"
                                                       : "OK";
  std::string shown;
  for (char c : Utf8(box.text)) shown += c == '\n' ? std::string("\\n") : std::string(1, c);
  Line(std::string("message not shown, answered ") + answer + ": " + shown);
}

void RunLog::FolderMade(const std::string& path) { Line("folder made: " + Utf8(path)); }

void RunLog::FolderRemoved(const std::string& path) { Line("folder removed: " + Utf8(path)); }

void RunLog::FileCopied(const std::string& source, const std::string& destination,
                        uint64_t bytes) {
  Line("file copied: " + Utf8(source) + " -> " + Utf8(destination) + " (" +
       std::to_string(bytes) + " bytes)");
}

void RunLog::FileWritten(const std::string& path, uint64_t bytes) {
  Line("file written: " + Utf8(path) + " (" + std::to_string(bytes) + " bytes)");
}

void RunLog::FileDeleted(const std::string& path) { Line("file deleted: " + Utf8(path)); }

void RunLog::Moved(const std::string& from, const std::string& to) {
  Line("moved aside: " + Utf8(from) + " -> " + Utf8(to));
}

void RunLog::KeyCreated(const journal::KeyRef& key) { Line("key created: " + Key(key)); }

void RunLog::KeyDeleted(const journal::KeyRef& key) { Line("key deleted: " + Key(key)); }

void RunLog::ValueWritten(const journal::KeyRef& key, const std::string& name,
                          const journal::ValueState& before, const journal::ValueState& after) {
  Line("value written: " + Value(key, name) + ", " + TypeName(after.type) + ", " +
       std::to_string(after.bytes.size()) + " bytes; old " + Shown(before) + "; new " +
       Shown(after));
}

void RunLog::ValueDeleted(const journal::KeyRef& key, const std::string& name,
                          const journal::ValueState& before) {
  Line("value deleted: " + Value(key, name) + "; old " + Shown(before));
}

void RunLog::CallFailed(const std::string& what, long error) {
  Line("skipped: " + Utf8(what) + " did not succeed" +
       (error != 0 ? " (error " + std::to_string(error) + ")" : std::string()));
}

}  // namespace unattended
