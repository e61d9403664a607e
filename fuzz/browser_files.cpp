// The eraser's readers of browser files: the cache index names are eight ASCII
// letters or digits, each once; prefs.js loses exactly its typed-address lines.
#include "tools/eraser/browser_files.h"

#include <cctype>
#include <set>

#include "fuzz_support.h"

using namespace velmora::eraser;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = velmora::fuzz::Text(data, size);
  std::set<std::string> seen;
  for (const std::string& name : CacheIndexNames(text)) {
    FUZZ_CHECK(name.size() == 8);
    std::string upper;
    for (unsigned char c : name) {
      FUZZ_CHECK(c < 0x80 && std::isalnum(c));
      upper += char(std::toupper(c));
    }
    FUZZ_CHECK(seen.insert(upper).second);
  }
  const std::optional<std::string> kept = RemoveTypedHistory(text);
  if (kept) {
    FUZZ_CHECK(kept->size() < text.size());
    FUZZ_CHECK(kept->find("user_pref(\"browser.url_history") == std::string::npos);
    FUZZ_CHECK(!RemoveTypedHistory(*kept));
  } else {
    FUZZ_CHECK(text.find("user_pref(\"browser.url_history") == std::string_view::npos);
  }
  return 0;
}
