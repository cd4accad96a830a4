#pragma once
// Run-lock seam: a name the whole machine shares, across sessions, held until every process
// that holds it has ended (a file-mapping object in the global namespace). From a user's
// session, only an account with SeCreateGlobalPrivilege (administrators, services, SYSTEM) may
// make one; and no account can name an owner it may not be, so the owner tells who made it.
#include <string>

#include "platform/files.h"

namespace plat {

enum class LockAnswer {
  kMade,    // made now; this process holds it until it ends
  kExists,  // another process holds it; ownerSid tells whose it is
  kDenied,  // it exists, and its access list refuses this caller
  kFailed,  // it could not be made (no privilege, no memory, a name taken by another kind)
};

struct LockAttempt {
  LockAnswer answer = LockAnswer::kFailed;
  std::string ownerSid;  // kExists: the owner's SID in string form; empty when unreadable
};

class RunLocks {
 public:
  virtual ~RunLocks() = default;
  // CreateFileMappingW of "Global\\" + name, owned by ownerSid, with the access list's entries
  // (rights of a section object). A handle to an object that already existed is not kept.
  virtual LockAttempt Make(const std::string& name, const std::string& ownerSid,
                           const AccessList& access) = 0;
  // OpenFileMappingW: holds an existing one as well, until this process ends. False when
  // there is none (or it refuses this caller).
  virtual bool Hold(const std::string& name) = 0;
};

}  // namespace plat
