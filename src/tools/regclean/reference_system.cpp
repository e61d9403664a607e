#include <windows.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/files.h"
#include "tools/regclean/reference.h"

namespace velmora::regclean {

ReferenceEnv SystemReferenceEnv(bool excludeRemovable) {
  ReferenceEnv env;
  env.excludeRemovable = excludeRemovable;
  // Asked once per letter for the life of the answers (one scan): under Wine
  // each question is a round trip to the mount manager.
  auto kinds = std::make_shared<std::array<int, 26>>();
  kinds->fill(-1);
  env.driveType = [kinds](char letter) {
    const int index = (letter | 0x20) - 'a';
    if (index < 0 || index >= 26) return 0u;
    int& kind = (*kinds)[std::size_t(index)];
    if (kind < 0) {
      const wchar_t root[] = {wchar_t('A' + index), L':', L'\\', 0};
      kind = int(GetDriveTypeW(root));
    }
    return unsigned(kind);
  };
  // Kept for the life of the answers (one scan): the same file is named by
  // many values, and a rechecked removal asks through answers of its own.
  auto known = std::make_shared<std::unordered_map<std::string, Existence>>();
  env.exists = [known](const std::string& path) {
    if (const auto it = known->find(path); it != known->end()) return it->second;
    const PathState state = ProbePath(path);
    const Existence answer = state == PathState::Present   ? Existence::Present
                             : state == PathState::Missing ? Existence::Missing
                                                           : Existence::Unknown;
    if (known->size() < 100000) known->emplace(path, answer);
    return answer;
  };
  return env;
}

}  // namespace velmora::regclean
