#pragma once
// The Win32 numbers the logic speaks in, without <windows.h>, so the logic builds natively too.
// Values are those of the platform's published headers.
#include <cstdint>

namespace plat {

// Error codes returned by the registry calls (their error is their return value).
constexpr long kErrorSuccess = 0;
constexpr long kErrorFileNotFound = 2;
constexpr long kErrorAccessDenied = 5;
constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorInvalidParameter = 87;
constexpr long kErrorMoreData = 234;
constexpr long kErrorNoMoreItems = 259;
constexpr long kErrorKeyHasChildren = 1020;  // not returned by RegDeleteKey: it answers access denied

// Registry value types.
constexpr uint32_t kRegNone = 0;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegExpandSz = 2;
constexpr uint32_t kRegBinary = 3;
constexpr uint32_t kRegDword = 4;
constexpr uint32_t kRegMultiSz = 7;
constexpr uint32_t kRegQword = 11;

// File attributes.
constexpr uint32_t kAttrReadOnly = 0x1;
constexpr uint32_t kAttrHidden = 0x2;
constexpr uint32_t kAttrSystem = 0x4;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrReparsePoint = 0x400;  // a junction or a symbolic link
constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// Access rights of files and folders, and the flags of an access list's entries.
constexpr uint32_t kFileAllAccess = 0x1F01FF;      // full control
constexpr uint32_t kFileModify = 0x1301BF;         // read, write, execute and delete
constexpr uint32_t kFileReadExecute = 0x1200A9;    // FILE_GENERIC_READ | FILE_GENERIC_EXECUTE
constexpr uint32_t kFileGenericRead = 0x120089;
constexpr uint32_t kFileGenericWrite = 0x120116;
constexpr uint32_t kFileGenericExecute = 0x1200A0;
constexpr uint32_t kFileReadData = 0x1;            // on a folder: list it
constexpr uint32_t kFileWriteData = 0x2;           // on a folder: create files
constexpr uint32_t kFileAppendData = 0x4;          // on a folder: create sub-folders
constexpr uint32_t kFileWriteEa = 0x10;
constexpr uint32_t kFileExecute = 0x20;            // on a folder: traverse it
constexpr uint32_t kFileDeleteChild = 0x40;        // on a folder: delete anything in it
constexpr uint32_t kFileReadAttributes = 0x80;
constexpr uint32_t kFileWriteAttributes = 0x100;
constexpr uint32_t kDelete = 0x10000;
constexpr uint32_t kReadControl = 0x20000;
constexpr uint32_t kWriteDac = 0x40000;
constexpr uint32_t kWriteOwner = 0x80000;
constexpr uint32_t kGenericAll = 0x10000000;
constexpr uint32_t kGenericExecute = 0x20000000;
constexpr uint32_t kGenericWrite = 0x40000000;
constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kAceObjectInherit = 0x1;
constexpr uint32_t kAceContainerInherit = 0x2;
constexpr uint32_t kAceNoPropagateInherit = 0x4;
constexpr uint32_t kAceInheritOnly = 0x8;
constexpr uint32_t kAceInherited = 0x10;
constexpr uint32_t kSectionAllAccess = 0xF001F;     // every right on a file-mapping object

// Well-known security identifiers, in their string form (account names differ with the
// language).
constexpr char kSidEveryone[] = "S-1-1-0";
constexpr char kSidCreatorOwner[] = "S-1-3-0";
constexpr char kSidOwnerRights[] = "S-1-3-4";
constexpr char kSidInteractive[] = "S-1-5-4";
constexpr char kSidAuthenticatedUsers[] = "S-1-5-11";
constexpr char kSidLocalSystem[] = "S-1-5-18";
constexpr char kSidAdministrators[] = "S-1-5-32-544";
constexpr char kSidUsers[] = "S-1-5-32-545";
constexpr char kSidTrustedInstaller[] =
    "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// Message box types and answers.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbAbortRetryIgnore = 0x2;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconStop = 0x10;
constexpr unsigned kMbIconQuestion = 0x20;
constexpr unsigned kMbIconExclamation = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr unsigned kMbDefButton2 = 0x100;  // the second button (No) is the default
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdAbort = 3;
constexpr int kIdRetry = 4;
constexpr int kIdIgnore = 5;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

}  // namespace plat
