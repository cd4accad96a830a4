#pragma once
// The uninstall record: what the installations into one folder placed on the machine, kept as
// a plain UTF-8 text file in that folder (its format is described in the README, "The uninstall
// record"). Paths and key names are narrow code page 936 texts here and UTF-8 in the file;
// registry values are kept as the wide calls hold them, so a value the user owns comes back
// byte for byte. Reading gives back exactly what was written; a text that is not a whole
// record is refused as a whole, so that nothing is ever removed on a guess.
#include <cstdint>
#include <string>
#include <vector>

#include "journal/observer.h"
#include "platform/codepage.h"
#include "platform/registry.h"

namespace uninstall {

// Names in the install folder.
constexpr char kRecordFileName[] = "Uninstall.txt";
constexpr char kUninstallerFileName[] = "Uninstall.exe";
constexpr char kBackupFolderName[] = "Backup";

// Keys and values as the journal reports them: a key below a predefined root without a
// trailing backslash; a value as the wide calls read it, text in UTF-16LE bytes with the
// terminator when one is stored.
using RegKey = journal::KeyRef;
using RegValue = journal::ValueState;
using journal::KeyText;

struct ValueChange {
  RegKey key;
  std::string name;
  RegValue before;
  RegValue after;
};

struct FileContent {
  uint64_t size = 0;
  uint64_t hash = 0;  // ContentHash of the bytes
};

struct PlacedFile {
  std::string path;
  FileContent content;  // as the installation left it
  // Where the file this one replaced was saved, and what it held; empty when it replaced
  // nothing, or only a file an earlier installation of ours had placed.
  std::string backup;
  FileContent backupContent;
  uint32_t backupAttributes = 0;  // the replaced file's attributes; 0 when not known
  // The write the entry announces is over: the file (or the backup) was written whole. An
  // entry without it is a write a stop may have cut short.
  bool done = true;
};

struct Installation {
  // Numbers rise over every installation the records reach, so that an uninstall can undo
  // them newest first even when they went to different folders.
  int number = 0;
  // 1: every entry was written whole ahead of its change (records of earlier versions);
  // 2: a file's or a backup's entry is marked done once the write is over.
  int format = 1;
  // Records of earlier installations into other folders.
  std::vector<std::string> earlierRecords;
  std::vector<std::string> foldersMade;  // in the order made
  std::vector<PlacedFile> files;
  // Placed by the installation, but the user's from then on: never removed.
  std::vector<std::string> settingsFiles;
  std::vector<RegKey> keysMade;  // in the order made, parents first
  // Changes to values; several for one value stand for one change, from the first one's
  // state before to the last one's after.
  std::vector<ValueChange> values;
  // Writes the installation made that no entry can hold: what the uninstall cannot undo.
  std::vector<std::string> unrecorded;
};

struct Record {
  std::string folder;                        // the install folder the record lies in
  std::vector<Installation> installations;  // oldest first
};

// FNV-1a (64 bits): tells whether a file still holds what was placed. Not a defence against
// anyone who can write the record itself; what a record may name at all is checked apart.
uint64_t ContentHash(const std::string& bytes);
inline FileContent ContentOf(const std::string& bytes) {
  return FileContent{bytes.size(), ContentHash(bytes)};
}

// The file's bytes: UTF-8 with a byte-order mark and CRLF line ends, so that Notepad shows it.
std::string FormatRecord(plat::CodePage& text, const Record& record);
// The lines of entries added to the end of a record: with opening, the installation's own
// line first; then every entry of inst.
std::string FormatEntries(plat::CodePage& text, const Installation& inst, bool opening);
// The mark that the write the last entry announced is over.
std::string FormatDone();
// A record is written ahead of the changes it names, one entry at a time, so the program may
// have stopped in the middle of one: the text is read up to its last whole entry, and what
// follows is left out (whole: how many bytes that is). False when bytes are not a record of
// this format; error then names the first line that is not (its number and why).
bool ParseRecord(plat::CodePage& text, const std::string& bytes, Record* record,
                 std::string* error, size_t* whole = nullptr);

}  // namespace uninstall
