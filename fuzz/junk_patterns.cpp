// The junk cleaner's stored pattern table ("ScanFor" and "ScanDesc", split at
// a "----8<----" line): what reads is written back to the same rows, flags
// and descriptions; the days box reads a number or 0.
#include "tools/junk/junk_logic.h"

#include "fuzz_support.h"

using namespace velmora::junk;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto files = velmora::fuzz::SplitFiles(velmora::fuzz::Text(data, size));
  const std::vector<PatternRow> rows = ParsePatternTable(files.first, files.second);
  const std::vector<PatternRow> back = ParsePatternTable(FormatScanFor(rows), FormatScanDesc(rows));
  FUZZ_CHECK(back.size() == rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i)
    FUZZ_CHECK(back[i].pattern == rows[i].pattern && back[i].enabled == rows[i].enabled &&
               back[i].description == rows[i].description);
  // The enabled masks in order, one comma between each two.
  std::string joined;
  std::size_t enabled = 0;
  for (const PatternRow& r : rows)
    if (r.enabled) joined += (enabled++ ? "," : "") + r.pattern;
  FUZZ_CHECK(EnabledMaskText(rows) == joined);
  const int days = DaysFromText(files.first.substr(0, 16));
  FUZZ_CHECK(days >= 0 && days <= 999999);
  return 0;
}
