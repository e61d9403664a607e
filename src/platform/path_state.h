// What the system can say of a path: there, proven absent, or not known
// (access denied, no medium, an unreachable share, a name it refuses). Tools
// that list "missing" things act only on Missing. Free of Win32 headers, so
// the rules built on it stay testable without a file system.
#pragma once

#include <string>

namespace velmora {

enum class PathState { Present, Missing, Unknown };

// The root an absolute path hangs from: "C:\" for a drive path, "\\server\share\"
// for a share; "" for a relative path or other text.
std::string PathRoot(const std::string& path);

}  // namespace velmora
