// The administrator test: can this process act as an administrator now?
#pragma once

namespace velmora {

// True when the Administrators group is enabled in the effective token (the
// thread's impersonation token, else the process's). CheckTokenMembership
// treats a group marked deny-only as absent, so on Windows Vista and later an
// administrator whose rights are filtered (not elevated) gets false: every
// write to HKEY_LOCAL_MACHINE would fail for such a process.
bool TokenIsAdministrator();

}  // namespace velmora
