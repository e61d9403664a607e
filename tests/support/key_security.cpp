#include "support/key_security.h"

#include <vector>

#include "platform/text.h"

namespace velmora::test {

bool SetKeyReadOnly(HKEY root, const std::string& path, bool readOnly) {
  SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
  PSID everyone = nullptr;
  if (!AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone)) return false;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, Widen(path).c_str(), 0, READ_CONTROL | WRITE_DAC, &key) == ERROR_SUCCESS) {
    std::vector<BYTE> buffer(256);
    auto* acl = reinterpret_cast<PACL>(buffer.data());
    InitializeAcl(acl, DWORD(buffer.size()), ACL_REVISION);
    AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | READ_CONTROL | WRITE_DAC, everyone);
    SECURITY_DESCRIPTOR sd;
    InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&sd, TRUE, readOnly ? acl : nullptr, FALSE);
    RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd);
    RegCloseKey(key);
  }
  FreeSid(everyone);
  HKEY probe = nullptr;
  const bool refused = RegOpenKeyExW(root, Widen(path).c_str(), 0, KEY_SET_VALUE, &probe) != ERROR_SUCCESS;
  if (probe) RegCloseKey(probe);
  return refused == readOnly;
}

}  // namespace velmora::test
