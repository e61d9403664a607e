#include "tools/regclean/reference.h"

#include <cctype>

namespace velmora::regclean {

namespace {

// The text with one folder name replaced (case-insensitive), or "" when absent.
std::string Swap(const std::string& text, const std::string& from, const std::string& to) {
  std::string upper = text;
  for (char& c : upper) c = char(std::toupper(static_cast<unsigned char>(c)));
  const std::size_t at = upper.find(from);
  if (at == std::string::npos) return {};
  return text.substr(0, at) + to + text.substr(at + from.size());
}

}  // namespace

bool IsValidReference(const std::string& text, const ReferenceEnv& env) {
  if (text.size() < 3) return true;
  const char letter = char(std::toupper(static_cast<unsigned char>(text[0])));
  if (letter < 'C' || letter > 'Z') return true;  // A: and B: are never tested
  if (text[1] != ':' || text[2] != '\\') return true;
  if (text.find_first_of(";, ") != std::string::npos) return true;
  const unsigned kind = env.driveType(letter);
  if (env.excludeRemovable && (kind == drivekind::kCdRom || kind == drivekind::kRemote)) return true;
  if (kind != drivekind::kFixed) return true;
  if (env.exists(text) != Existence::Missing) return true;
  // A 32-bit program sees the system folders through redirection.
  for (const auto& [from, to] : {std::pair<const char*, const char*>{"\\SYSTEM32\\", "\\SysWOW64\\"},
                                 std::pair<const char*, const char*>{"\\SYSNATIVE\\", "\\System32\\"}}) {
    const std::string other = Swap(text, from, to);
    if (!other.empty() && env.exists(other) != Existence::Missing) return true;
  }
  return false;
}

}  // namespace velmora::regclean
