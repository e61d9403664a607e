// Makes a registry key read-only for everyone and opens it up again, for tests
// of refusals: a refused write is real only where the registry enforces key
// security, which the return value tells.
#pragma once

#include <windows.h>

#include <string>

namespace velmora::test {

// Read-only (true) or open to all (false); returns whether a write access is
// now refused exactly when it should be.
bool SetKeyReadOnly(HKEY root, const std::string& path, bool readOnly);

}  // namespace velmora::test
