#include "tools/shortcuts/uninstall_rule.h"

#include <cctype>
#include <string_view>

namespace velmora::shortcuts {

namespace {

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::string Trim(const std::string& s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool Absolute(const std::string& path) { return !PathRoot(path).empty(); }

// Where the second path ends: at its closing quote when a quote opens it,
// else where the next argument begins (a blank, then "-" or "/").
std::size_t SecondPathEnd(const std::string& s, std::size_t start) {
  if (start > 0 && s[start - 1] == '"') {
    const std::size_t close = s.find('"', start);
    return close == std::string::npos ? s.size() : close;
  }
  for (std::size_t i = start; i + 1 < s.size(); ++i)
    if (s[i] == ' ' && (s[i + 1] == '-' || s[i + 1] == '/')) return i;
  return s.size();
}

// A 32-bit entry's program runs with System32 redirected to SysWOW64, so a
// System32 path there counts as present when either folder holds it.
PathState StateOf(const std::string& path, const UninstallEntry& entry, const UninstallEnv& env) {
  const PathState state = env.exists(path);
  if (state == PathState::Present || !entry.view32 || env.windowsFolder.empty()) return state;
  const std::string system32 = Upper(env.windowsFolder) + "\\SYSTEM32\\";
  if (Upper(path).rfind(system32, 0) != 0) return state;
  const PathState wow = env.exists(env.windowsFolder + "\\SysWOW64\\" + path.substr(system32.size()));
  if (wow == PathState::Present) return wow;
  return state == PathState::Unknown || wow == PathState::Unknown ? PathState::Unknown : PathState::Missing;
}

// Whether `part` occurs in `text`, in time linear in both (a plain search of
// a long program name in a long command can take their product).
bool Contains(std::string_view text, std::string_view part) {
  if (part.empty()) return true;
  if (part.size() > text.size()) return false;
  std::vector<std::size_t> border(part.size(), 0);  // the longest border of each prefix
  for (std::size_t i = 1, k = 0; i < part.size(); ++i) {
    while (k > 0 && part[i] != part[k]) k = border[k - 1];
    if (part[i] == part[k]) ++k;
    border[i] = k;
  }
  for (std::size_t i = 0, k = 0; i < text.size(); ++i) {
    while (k > 0 && text[i] != part[k]) k = border[k - 1];
    if (text[i] == part[k] && ++k == part.size()) return true;
  }
  return false;
}

}  // namespace

UninstallParts SplitUninstallCommand(const std::string& command) {
  UninstallParts parts;
  const std::string s = Trim(command);
  if (!s.empty() && s[0] == '"') {
    const std::size_t close = s.find('"', 1);
    parts.program = s.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  } else {
    const std::string upper = Upper(s);
    std::size_t units = 0, counted = 0;  // UTF-16 code units of s up to `counted`
    for (std::size_t at = upper.find(".EXE"); at != std::string::npos; at = upper.find(".EXE", at + 1)) {
      const std::size_t end = at + 4;
      for (; counted < end; ++counted) {
        const unsigned char c = static_cast<unsigned char>(s[counted]);
        units += ((c & 0xC0) != 0x80) + (c >= 0xF0);  // a four-byte sequence is two units
      }
      if (units > kLongestPath) break;  // no reading from here on can name a file
      if (end == s.size() || s[end] == ' ' || s[end] == '"' || s[end] == '/') {
        if (parts.program.empty())
          parts.program = s.substr(0, end);
        else
          parts.longerEnds.push_back(end);
      }
    }
    if (!parts.longerEnds.empty()) parts.command = s;
  }
  // The second path: from the last drive letter with its colon to where the
  // next argument begins.
  const std::size_t colon = s.rfind(':');
  if (colon == std::string::npos || colon == 0) return parts;
  std::string q = s.substr(colon - 1, SecondPathEnd(s, colon - 1) - (colon - 1));
  if (!q.empty() && q.find('"') == q.size() - 1) q.pop_back();  // its only quote closes it
  if (q.find('/') != std::string::npos) q.clear();  // it carries a switch
  if (!parts.program.empty() && Contains(q, parts.program)) q.clear();  // the program itself
  parts.second = Trim(q);
  return parts;
}

bool IsInvalidUninstallEntry(const UninstallEntry& entry, const UninstallEnv& env) {
  if (!entry.hasDisplayName) return false;
  if (Upper(entry.keyName) == "INETFIND") return false;
  // Parts of the system and installer packages name no program file of their own.
  if (entry.systemComponent || entry.windowsInstaller) return false;
  const std::string raw = entry.uninstallString ? Trim(*entry.uninstallString) : std::string();
  if (raw.empty()) return true;  // nothing that could remove the program
  if (Upper(raw).find("RUNDLL") != std::string::npos) return false;
  UninstallParts parts = SplitUninstallCommand(env.expand(raw));
  if (parts.program.empty()) return false;
  PathState program = PathState::Unknown;
  if (Absolute(parts.program)) {
    program = StateOf(parts.program, entry, env);
    for (std::size_t i = 0; i < parts.longerEnds.size(); ++i) {
      if (program == PathState::Present) break;
      const std::string longer = parts.LongerProgram(i);
      const PathState state = StateOf(longer, entry, env);
      if (state == PathState::Present) {
        parts.program = longer;
        if (Contains(parts.second, longer)) parts.second.clear();  // the program itself
        program = state;
      } else if (state == PathState::Unknown) {
        program = PathState::Unknown;
      }
    }
  } else if (parts.program.find_first_of("\\:") == std::string::npos) {
    // A bare name runs from the search path; one not found there may still be
    // found another way, so it proves nothing.
    if (env.searchPath(parts.program)) program = PathState::Present;
  }
  if (program == PathState::Missing) return true;
  if (program != PathState::Present) return false;
  return !parts.second.empty() && Absolute(parts.second) && StateOf(parts.second, entry, env) == PathState::Missing;
}

}  // namespace velmora::shortcuts
