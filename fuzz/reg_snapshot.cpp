// The registry snapshot: two files (split at a "----8<----" line) merged,
// either damaged or not; a snapshot merged with itself shows no change; the
// value text of any type and data keeps to one line.
#include "tools/tracker/reg_snapshot.h"

#include "fuzz_support.h"

using namespace velmora::tracker;

namespace {

bool Merge(const std::string& before, const std::string& after, RegChanges& c) {
  StringSource b(before), a(after);
  RegSnapshotReader rb(b, "before"), ra(a, "after");
  try {
    MergeRegSnapshots(rb, ra, c, [](const std::string&, const std::string&) {}, [] { return false; });
    return true;
  } catch (const SnapshotError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in = velmora::fuzz::Text(data, size);
  const auto files = velmora::fuzz::SplitFiles(in);
  RegChanges c;
  Merge(files.first, files.second, c);
  RegChanges self;
  if (Merge(files.first, files.first, self))
    FUZZ_CHECK(self.keysAdded.empty() && self.keysDeleted.empty() && self.valuesChanged.empty() &&
               self.valuesAdded.empty() && self.valuesDeleted.empty());
  // A value of any type and data: one data line, read back as written.
  if (size >= 4) {
    const std::uint32_t type = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 | std::uint32_t(data[2]) << 16 |
                               std::uint32_t(data[3]) << 24;
    const RegValueText v = MakeValueText(type, in.substr(4));
    FUZZ_CHECK(v.text.find_first_of("\r\n") == std::string::npos);
    const std::string lines = RegRootLine("HKEY_USERS") + RegKeyLine(1, "K") + RegValueLines(2, "V", v);
    StringSource s(lines);
    RegSnapshotReader r(s, "value");
    FUZZ_CHECK(r.Next() && r.Next() && r.Next());
    FUZZ_CHECK(r.isValue() && r.typeChar() == v.typeChar && r.text() == v.text);
    FUZZ_CHECK(!r.Next());
  }
  return 0;
}
