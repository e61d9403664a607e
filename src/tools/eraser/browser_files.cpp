#include "tools/eraser/browser_files.h"

#include <cctype>
#include <unordered_set>

#include "platform/text.h"

namespace velmora::eraser {

std::vector<std::string> CacheIndexNames(std::string_view header) {
  std::string s;
  for (char c : header)
    if (c != '\0') s += c;
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  for (std::size_t p = 0; p + 8 <= s.size(); ++p) {
    const std::string name = s.substr(p, 8);
    bool plain = true;
    for (unsigned char c : name) plain = plain && c < 0x80 && std::isalnum(c);
    if (plain && seen.insert(UpperCase(name)).second) names.push_back(name);
  }
  return names;
}

std::optional<std::string> RemoveTypedHistory(std::string_view text) {
  static constexpr std::string_view kNeedle = "user_pref(\"browser.url_history";
  std::string out;
  bool removed = false;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    end = end == std::string_view::npos ? text.size() : end + 1;  // the line with its own ending
    const std::string_view line = text.substr(pos, end - pos);
    if (line.find(kNeedle) != std::string_view::npos)
      removed = true;
    else
      out.append(line);
    pos = end;
  }
  if (!removed) return std::nullopt;
  return out;
}

}  // namespace velmora::eraser
