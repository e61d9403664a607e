#include "platform/security.h"

#include <windows.h>

namespace velmora {

namespace {

// The well-known SID of the local Administrators group, freed with the object.
class AdministratorsSid {
 public:
  AdministratorsSid() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &sid_))
      sid_ = nullptr;
  }
  ~AdministratorsSid() {
    if (sid_) FreeSid(sid_);
  }
  AdministratorsSid(const AdministratorsSid&) = delete;
  AdministratorsSid& operator=(const AdministratorsSid&) = delete;
  PSID get() const { return sid_; }

 private:
  PSID sid_ = nullptr;
};

}  // namespace

bool TokenIsAdministrator() {
  const AdministratorsSid admins;
  if (!admins.get()) return false;
  BOOL member = FALSE;
  // A null token: the thread's impersonation token, else a copy of the process's.
  if (!CheckTokenMembership(nullptr, admins.get(), &member)) return false;
  return member != FALSE;
}

}  // namespace velmora
