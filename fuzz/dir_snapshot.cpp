// The directory snapshot: two files (split at a "----8<----" line) merged,
// either damaged or not; a snapshot merged with itself shows no change; and a
// change list never names a path twice in one list.
#include "tools/tracker/dir_snapshot.h"

#include <set>

#include "fuzz_support.h"

using namespace velmora::tracker;

namespace {

bool Merge(const std::string& before, const std::string& after, DirChanges& c) {
  StringSource b(before), a(after);
  DirSnapshotReader rb(b, "before"), ra(a, "after");
  try {
    MergeDirSnapshots(rb, ra, c, [](const std::string&, const std::string&) {}, [] { return false; });
    return true;
  } catch (const SnapshotError&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto files = velmora::fuzz::SplitFiles(velmora::fuzz::Text(data, size));
  DirChanges c;
  Merge(files.first, files.second, c);
  DirChanges self;
  if (Merge(files.first, files.first, self))
    FUZZ_CHECK(self.added.empty() && self.deleted.empty() && self.changed.empty());
  // Reading is the same whatever the chunks the bytes come in.
  class Trickle : public ByteSource {
   public:
    explicit Trickle(const std::string& s) : s_(s) {}
    std::size_t Read(char* buffer, std::size_t n) override {
      const std::size_t k = std::min<std::size_t>({n, s_.size() - pos_, 1 + pos_ % 7});
      std::copy(s_.data() + pos_, s_.data() + pos_ + k, buffer);
      pos_ += k;
      return k;
    }

   private:
    const std::string& s_;
    std::size_t pos_ = 0;
  };
  StringSource whole(files.first);
  Trickle bits(files.first);
  DirSnapshotReader rw(whole, "w"), rt(bits, "t");
  try {
    while (rw.Next()) {
      FUZZ_CHECK(rt.Next());
      FUZZ_CHECK(rw.Path() == rt.Path() && rw.signature() == rt.signature());
    }
    FUZZ_CHECK(!rt.Next());
  } catch (const SnapshotError&) {
  }
  return 0;
}
