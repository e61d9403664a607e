#include "platform/path_state.h"

namespace velmora {

std::string PathRoot(const std::string& path) {
  const auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
  if (path.size() >= 3 && letter(path[0]) && path[1] == ':' && path[2] == '\\') return path.substr(0, 3);
  if (path.rfind("\\\\", 0) != 0 || path.rfind("\\\\?\\", 0) == 0 || path.rfind("\\\\.\\", 0) == 0) return "";
  const std::size_t server = path.find('\\', 2);
  if (server == std::string::npos || server == 2) return "";
  std::size_t share = path.find('\\', server + 1);
  if (share == server + 1) return "";
  if (share == std::string::npos) share = path.size();
  return path.substr(0, share) + "\\";
}

}  // namespace velmora
