// The eraser's readers of the browsers' stored files: the cache index header
// and prefs.js. Window-free (no Win32 header), so they build natively and are
// fuzzed.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::eraser {

// The cache sub-folder names an index header holds: every run of exactly eight
// letters or digits among its non-zero bytes (an eight-character window at each
// position), in order, each once.
std::vector<std::string> CacheIndexNames(std::string_view header);
// prefs.js without its typed-address lines (those holding
// user_pref("browser.url_history); nullopt when no line goes. Line ends kept.
std::optional<std::string> RemoveTypedHistory(std::string_view text);

}  // namespace velmora::eraser
