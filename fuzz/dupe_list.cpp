// The duplicate finder's result list: any text reloads into whole groups with
// a total that is never negative; what was reloaded, written again, reloads to
// the same rows and counts. The stored setting texts and the key rules go
// through the same input.
#include "tools/dupes/dupe_logic.h"

#include "fuzz_support.h"

using namespace velmora::dupes;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = velmora::fuzz::Text(data, size);
  const ParsedList first = ParseDuplicateList(text);
  FUZZ_CHECK(first.bytes >= 0 && first.duplicates >= 0);
  for (const ResultRow& r : first.rows) FUZZ_CHECK(r.details.empty() || r.details.size() == 6);
  const ParsedList again = ParseDuplicateList(FormatDuplicateList(first.rows));
  FUZZ_CHECK(again.droppedLines == 0);
  FUZZ_CHECK(again.duplicates == first.duplicates && again.bytes == first.bytes);
  FUZZ_CHECK(again.rows.size() == first.rows.size());
  for (std::size_t i = 0; i < first.rows.size(); ++i)
    FUZZ_CHECK(again.rows[i].text == first.rows[i].text && again.rows[i].details == first.rows[i].details);
  const std::string newList = FormatNewDuplicateList(first.rows);
  (void)newList;
  // The stored settings and the rules on names, on slices of the same text.
  const std::string head(text.substr(0, 40));
  (void)StoredBool(head, true);
  const int n = StoredInt(head, 7);
  (void)n;
  const std::string half(text.substr(0, text.size() / 2)), rest(text.substr(text.size() / 2));
  (void)FolderWithin(half, rest);
  FUZZ_CHECK(FolderWithin(half, half));
  (void)ExcludedFileMatches(half, rest);
  (void)NeverCollected(head);
  std::vector<unsigned char> bytes(text.begin(), text.end());
  const std::uint32_t sum = ChecksumSignature(bytes.data(), bytes.size(), bytes.size());
  FUZZ_CHECK((sum & 0x80000000u) == 0);
  (void)FoundStatusText(first.bytes, first.duplicates);
  return 0;
}
