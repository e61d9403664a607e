// The administrator test: is the local Administrators group among the groups
// of the current thread's (or else the process's) token?
#pragma once

namespace velmora {

bool TokenIsAdministrator();

}  // namespace velmora
