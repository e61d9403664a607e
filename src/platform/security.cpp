#include "platform/security.h"

#include <windows.h>

#include <vector>

#include "platform/handles.h"

namespace velmora {

bool TokenIsAdministrator() {
  HANDLE raw = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &raw) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
    return false;
  UniqueHandle token(raw);

  DWORD size = 0;
  GetTokenInformation(token.get(), TokenGroups, nullptr, 0, &size);
  if (size == 0) return false;
  std::vector<BYTE> buf(size);
  if (!GetTokenInformation(token.get(), TokenGroups, buf.data(), size, &size)) return false;

  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0,
                                0, &admins))
    return false;
  const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buf.data());
  bool found = false;
  // The group's attributes are not looked at: membership is what counts.
  for (DWORD i = 0; i < groups->GroupCount && !found; ++i)
    found = EqualSid(groups->Groups[i].Sid, admins) != 0;
  FreeSid(admins);
  return found;
}

}  // namespace velmora
