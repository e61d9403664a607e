// The uninstall-entry rule over a made-up file system whose answers come from
// the input: any command splits without copying itself per ".EXE", readings
// are in order and no longer than the longest path, and an entry is listed
// only when some tested path was answered Missing.
#include "tools/shortcuts/uninstall_rule.h"

#include "fuzz_support.h"

using namespace velmora;
using namespace velmora::shortcuts;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const std::string command(velmora::fuzz::Text(data + 1, size - 1));
  const UninstallParts parts = SplitUninstallCommand(command);
  // UTF-16 code units of the command's first `end` bytes.
  auto units = [&](std::size_t end) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < end; ++i) {
      const unsigned char c = static_cast<unsigned char>(parts.command[i]);
      n += ((c & 0xC0) != 0x80) + (c >= 0xF0);
    }
    return n;
  };
  std::size_t last = parts.program.size();
  for (std::size_t i = 0; i < parts.longerEnds.size(); ++i) {
    FUZZ_CHECK(parts.longerEnds[i] > last && parts.longerEnds[i] <= parts.command.size());
    last = parts.longerEnds[i];
  }
  if (!parts.longerEnds.empty()) FUZZ_CHECK(units(parts.longerEnds.back()) <= kLongestPath);
  bool sawMissing = false;
  UninstallEnv env;
  env.exists = [&](const std::string& path) {
    const std::size_t h = std::hash<std::string>()(path) ^ flags;
    const PathState s = h % 3 == 0 ? PathState::Present : h % 3 == 1 ? PathState::Missing : PathState::Unknown;
    sawMissing = sawMissing || s == PathState::Missing;
    return s;
  };
  env.expand = [](const std::string& s) { return s; };
  env.searchPath = [&](const std::string& name) -> std::optional<std::string> {
    if (flags & 1) return "C:\\Windows\\" + name;
    return std::nullopt;
  };
  UninstallEntry e;
  e.keyName = flags & 2 ? "InetFind" : "App";
  e.hasDisplayName = !(flags & 4);
  e.systemComponent = flags & 8;
  e.windowsInstaller = flags & 16;
  if (!(flags & 32)) e.uninstallString = command;
  const bool listed = IsInvalidUninstallEntry(e, env);
  const bool blank = !e.uninstallString || command.find_first_not_of(" \t") == std::string::npos;
  if (listed && !blank) FUZZ_CHECK(sawMissing);
  if (!e.hasDisplayName || e.systemComponent || e.windowsInstaller) FUZZ_CHECK(!listed);
  return 0;
}
