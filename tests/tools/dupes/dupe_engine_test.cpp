// The search engine alone, with no window: groups proven on its own thread,
// one file under two paths counted once, Stop inside a long comparison.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"
#include "support/fault_files.h"
#include "support/test_folder.h"
#include "tools/dupes/dupe_search.h"

using namespace velmora;
using namespace velmora::dupes;

namespace {

// The candidates of these paths, as the walk would give them, in key order.
DupeSearch SearchOf(const std::vector<std::string>& paths, SearchOptions options = {false, false, false}) {
  std::vector<Candidate> candidates;
  std::vector<std::string> upper, folders;
  for (const std::string& p : paths) {
    const auto e = FindEntry(p);
    EXPECT_TRUE(e) << p;
    const std::size_t cut = p.find_last_of('\\') + 1;
    folders.push_back(p.substr(0, cut));
    Candidate c;
    c.size = e ? e->size : 0;
    c.name = p.substr(cut);
    c.folder = std::uint32_t(folders.size() - 1);
    c.written = e ? (std::uint64_t(e->written.dwHighDateTime) << 32 | e->written.dwLowDateTime) : 0;
    candidates.push_back(c);
    upper.push_back(UpperCase(c.name));
  }
  SortCandidates(candidates, upper, options.sizeMode);
  return DupeSearch(std::move(candidates), std::move(upper), std::move(folders), options);
}

std::vector<FoundGroup> RunToEnd(DupeSearch& s) {
  s.Start();
  s.Join();
  return s.TakeGroups();
}

std::vector<std::string> Paths(const FoundGroup& g) {
  std::vector<std::string> out;
  for (const GroupFile& f : g.files) out.push_back(UpperCase(f.path));
  return out;
}

TEST(DupeEngine, HardLinksOfOneFileAndAThirdCopyAreTwoCopiesCountedOnce) {
  test::TestFolder dir('E');
  const std::string a = dir.File("one\\a.bin", std::string(5000, 'q'));
  const std::string link = dir / "two\\link.bin";
  dir.Folder("two");
  ASSERT_TRUE(CreateHardLinkW(Widen(link).c_str(), Widen(a).c_str(), nullptr));
  const std::string c = dir.File("three\\c.bin", std::string(5000, 'q'));
  DupeSearch s = SearchOf({a, link, c}, {true, false, false});
  const auto groups = RunToEnd(s);
  ASSERT_EQ(groups.size(), 1u);
  // One of the two links and the real copy: never both links.
  ASSERT_EQ(groups[0].files.size(), 2u);
  const auto paths = Paths(groups[0]);
  EXPECT_NE(std::find(paths.begin(), paths.end(), UpperCase(c)), paths.end());
  EXPECT_FALSE(groups[0].files[0].facts.key == groups[0].files[1].facts.key);
  EXPECT_TRUE(groups[0].contentsCompared);
  // The copy was proven against the group's first file in this search.
  EXPECT_EQ(groups[0].files[0].provenWith, -1);
  EXPECT_EQ(groups[0].files[1].provenWith, 0);
}

TEST(DupeEngine, NameModeCountsAFileReachedTwiceOnceAndReadsNothing) {
  test::TestFolder dir('E');
  const std::string a = dir.File("x\\readme.txt", "one"), b = dir.File("y\\README.TXT", "two, longer");
  const std::string link = dir / "z\\readme.txt";
  dir.Folder("z");
  ASSERT_TRUE(CreateHardLinkW(Widen(link).c_str(), Widen(a).c_str(), nullptr));
  DupeSearch s = SearchOf({a, b, link});
  const auto groups = RunToEnd(s);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0].files.size(), 2u);
  EXPECT_FALSE(groups[0].contentsCompared);
  EXPECT_EQ(s.bytesRead(), 0u);
  for (const GroupFile& f : groups[0].files) EXPECT_EQ(f.provenWith, -1);
  EXPECT_EQ(s.StatusText(), "Comparing files named: README.TXT");
}

TEST(DupeEngine, EqualPrefixesDifferingLaterAreNoGroupAndSizesAreRead) {
  test::TestFolder dir('E');
  std::string x(3 * 1024 * 1024, 'a'), y = x;
  y[y.size() - 1] = 'b';
  const std::string a = dir.File("a.bin", x), b = dir.File("b.bin", y), c = dir.File("c.bin", x);
  DupeSearch s = SearchOf({a, b, c}, {true, false, false});
  const auto groups = RunToEnd(s);
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(Paths(groups[0]), (std::vector<std::string>{UpperCase(a), UpperCase(c)}));
  EXPECT_GT(s.bytesRead(), 0u);
  EXPECT_FALSE(s.Stopped());
}

TEST(DupeEngine, StopEndsATwoGigabyteComparisonWithinABlock) {
  test::TestFolder dir('E');
  const std::uint64_t size = 2ULL << 30;
  const std::string a = test::MakeSparseFile(dir.path(), "big1.bin", size);
  const std::string b = test::MakeSparseFile(dir.path(), "big2.bin", size);
  DupeSearch s = SearchOf({a, b}, {true, false, false});
  s.Start();
  // Until the comparison is under way.
  while (s.bytesRead() == 0 && !s.Done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  ASSERT_FALSE(s.Done()) << "the comparison ended before Stop";
  s.Stop();
  s.Join();
  EXPECT_TRUE(s.Stopped());
  EXPECT_TRUE(s.TakeGroups().empty());  // nothing unproven is reported
  EXPECT_LT(s.bytesRead(), 2 * size);
}

TEST(DupeEngine, ABackgroundComparisonSaysEqualDifferentOrStopped) {
  test::TestFolder dir('E');
  const std::string a = dir.File("a.txt", "same bytes"), b = dir.File("b.txt", "same bytes"),
                    c = dir.File("c.txt", "diff bytes");
  auto wait = [](BackgroundCompare& x) {
    while (!x.Done()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return x.result();
  };
  BackgroundCompare equal(a, b, 10), different(a, c, 10), oneFile(a, a, 10);
  EXPECT_EQ(wait(equal), Sameness::Equal);
  EXPECT_EQ(wait(different), Sameness::Different);
  EXPECT_EQ(wait(oneFile), Sameness::OneFile);
  EXPECT_TRUE(equal.factsA().key.trusted);
}

}  // namespace
