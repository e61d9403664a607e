// The duplicate finder's window-free rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/dupes/dupe_logic.h"

using namespace velmora::dupes;

namespace {

TEST(DupeSettingsText, NumbersOnlyOtherwiseTheDefault) {
  EXPECT_TRUE(StoredBool(std::string("1"), false));
  EXPECT_FALSE(StoredBool(std::string("0"), true));
  EXPECT_TRUE(StoredBool(std::string("yes"), true));
  EXPECT_FALSE(StoredBool(std::string("yes"), false));
  EXPECT_TRUE(StoredBool(std::nullopt, true));
  EXPECT_EQ(StoredInt(std::string(" 3 "), 1), 3);
  EXPECT_EQ(StoredInt(std::string("3x"), 1), 1);
  EXPECT_EQ(StoredInt(std::string(""), 1), 1);
  EXPECT_EQ(StoredInt(std::string("99999999999"), 1), 1);
}

TEST(DupeKeys, SizeKeysArePaddedAndSortBySizeThenName) {
  EXPECT_EQ(KeyText(true, 1024, "a.txt"), "     1024 a.txt");
  EXPECT_EQ(KeyText(true, 5000000000ULL, "big"), "5000000000 big");
  EXPECT_EQ(KeyText(false, 1024, "ReadMe.txt"), "ReadMe.txt\\ReadMe.txt");

  std::vector<Candidate> c{{2048, "z.txt", 0, 0}, {1024, "b.txt", 1, 0}, {4294967306ULL, "a.txt", 2, 0},
                           {1024, "A.txt", 3, 0}, {10, "q", 4, 0}};
  std::vector<std::string> upper{"Z.TXT", "B.TXT", "A.TXT", "A.TXT", "Q"};
  SortCandidates(c, upper, true);
  std::vector<std::uint32_t> folders;
  for (const Candidate& x : c) folders.push_back(x.folder);
  // 10, 1024 (a before b), 2048, and 4 GiB + 10 last: not taken for 10.
  EXPECT_EQ(folders, (std::vector<std::uint32_t>{4, 3, 1, 0, 2}));
  EXPECT_EQ(upper.front(), "Q");

  SortCandidates(c, upper, false);
  EXPECT_EQ(upper, (std::vector<std::string>{"A.TXT", "A.TXT", "B.TXT", "Q", "Z.TXT"}));
}

TEST(DupeFolders, WholeFolderNamesWithoutCase) {
  EXPECT_TRUE(FolderWithin("C:\\DATA\\OLD\\", "C:\\DATA\\"));
  EXPECT_TRUE(FolderWithin("c:\\data\\", "C:\\DATA"));
  EXPECT_FALSE(FolderWithin("C:\\DATABASE\\", "C:\\DATA"));
  EXPECT_FALSE(FolderWithin("C:\\", "C:\\DATA\\"));
}

TEST(DupeFileRules, ExcludedEntriesAndReservedNames) {
  EXPECT_TRUE(ExcludedFileMatches("*.BAK", "C:\\x\\A.BAK"));
  EXPECT_FALSE(ExcludedFileMatches("*.BAK", "C:\\x\\a.bak"));
  EXPECT_FALSE(ExcludedFileMatches("**", "C:\\x\\a.bak"));
  EXPECT_TRUE(NeverCollected("mm256.dat"));
  EXPECT_TRUE(NeverCollected("a"));
  EXPECT_FALSE(NeverCollected("b.dat"));
}

TEST(DupePartition, EachFileInOneGroupAndLaterReferencesCount) {
  // Files by content: A=1, B=2, C=2, D=1, E=3.
  const std::vector<int> content{1, 2, 2, 1, 3};
  auto same = [&](std::size_t a, std::size_t b) { return content[a] == content[b]; };
  const auto groups = PartitionRun(content.size(), same);
  EXPECT_EQ(groups, (std::vector<std::vector<std::size_t>>{{0, 3}, {1, 2}}));

  // B = C != A: the group B, C (A never heads it again).
  const std::vector<int> bc{1, 2, 2};
  EXPECT_EQ(PartitionRun(3, [&](std::size_t a, std::size_t b) { return bc[a] == bc[b]; }),
            (std::vector<std::vector<std::size_t>>{{1, 2}}));
  // Nothing equal: no group.
  EXPECT_TRUE(PartitionRun(3, [](std::size_t, std::size_t) { return false; }).empty());
}

TEST(DupeChecksum, FirstWholeWordsUpTo512Bytes) {
  std::vector<unsigned char> data(600, 0);
  data[0] = 1;     // word 0: 1
  data[4] = 0xFF;  // word 1: 255
  data[511] = 0x80;  // top byte of word 127: 0x80000000, cleared by the mask
  data[512] = 7;   // beyond 512 bytes: not read
  EXPECT_EQ(ChecksumSignature(data.data(), data.size(), 600), 256u);
  EXPECT_EQ(ChecksumBytes(600), 512u);
  EXPECT_EQ(ChecksumBytes(7), 4u);  // the bytes past the last whole word are not used
  EXPECT_EQ(ChecksumSignature(data.data(), 3, 7), 0u);
  EXPECT_EQ(ChecksumSignature(data.data(), data.size(), 0), 0u);
}

std::vector<ResultRow> TwoGroups() {
  return {{kGroupHeader, {}},
          {"c:\\a, b\\x y.txt", {"12", "Text Document", "2024/01/02 10:00", "   A", "", ""}},
          {"c:\\d\\\xc3\xa9t\xc3\xa9.txt", {"12", "Text Document", "2024/01/02 10:00", "   A", "1.0", ""}},
          {"", {}},
          {kGroupHeader, {}},
          {"e:\\q\\\"odd\".bin", {"7", "BIN File", "2024/01/02 10:00", "   A", "", "2.0"}},
          {"e:\\r\\odd.bin", {"9", "BIN File", "2024/01/02 10:00", "   A", "", ""}}};
}

TEST(DupeListFiles, WrittenAsSpecifiedAndReadBack) {
  const std::vector<ResultRow> rows = TwoGroups();
  const std::string text = FormatDuplicateList(rows);
  const std::string firstFile = "\"c:\\a, b\\x y.txt\",12,\"Text Document\",\"2024/01/02 10:00\",\"   A\",,\r\n";
  EXPECT_NE(text.find(firstFile), std::string::npos);
  EXPECT_EQ(text.substr(0, 34), "\"---- Duplicate File Group ----\"\r\n");
  EXPECT_NE(text.find("\r\n\"\"\r\n"), std::string::npos);  // the blank row

  const std::string news = FormatNewDuplicateList(rows);
  EXPECT_EQ(news, "c:\\a, b\\x y.txt\r\nc:\\d\\\xc3\xa9t\xc3\xa9.txt\r\ne:\\q\\\"odd\".bin\r\ne:\\r\\odd.bin\r\n");

  const ParsedList back = ParseDuplicateList(text);
  EXPECT_EQ(back.droppedLines, 0u);
  ASSERT_EQ(back.rows.size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(back.rows[i].text, rows[i].text) << i;
    // Fields come back trimmed: the attribute column loses its leading blanks.
    std::vector<std::string> trimmed = rows[i].details;
    if (!trimmed.empty()) trimmed[3] = "A";
    EXPECT_EQ(back.rows[i].details, trimmed) << i;
  }
  // The first file of each group is not counted.
  EXPECT_EQ(back.duplicates, 2);
  EXPECT_EQ(back.bytes, 12 + 9);
}

TEST(DupeListFiles, AReloadKeepsWholeGroupsOnly) {
  const std::string text = FormatDuplicateList(TwoGroups());
  // Cut inside the last path: the second group keeps one whole file row.
  const std::string cut = text.substr(0, text.rfind("odd.bin") - 2);
  ParsedList p = ParseDuplicateList(cut);
  EXPECT_EQ(p.rows.size(), 3u);
  EXPECT_EQ(p.droppedLines, 3u);  // header, one file, the cut line
  EXPECT_EQ(p.duplicates, 1);

  // Files before any header, a stray line, and a group of one.
  p = ParseDuplicateList("\"c:\\x.txt\",1\r\ngarbage\r\n\"---- Duplicate File Group ----\"\r\n\"c:\\y.txt\",1\r\n");
  EXPECT_TRUE(p.rows.empty());
  EXPECT_EQ(p.droppedLines, 4u);
  EXPECT_TRUE(ParseDuplicateList("").rows.empty());
}

// A damaged list with five huge sizes: their sum passes the largest total,
// which it stops at instead of wrapping round to a negative one.
TEST(DupeListFiles, HugeSizesDoNotMakeTheTotalNegative) {
  std::string text = "\"---- Duplicate File Group ----\"\r\n";
  for (int i = 0; i < 6; ++i)
    text += "\"C:\\Damaged\\copy" + std::to_string(i) + ".bin\",2000000000000000000,2020/06/15,10:20,,A,C:\\Damaged\r\n";
  const ParsedList p = ParseDuplicateList(text);
  EXPECT_EQ(p.duplicates, 5);
  EXPECT_EQ(p.bytes, INT64_MAX);
  EXPECT_EQ(ParseDuplicateList(FormatDuplicateList(p.rows)).bytes, INT64_MAX);
  // Four of them still fit, exactly.
  text.erase(text.rfind("\"C:"));
  EXPECT_EQ(ParseDuplicateList(text).bytes, 8000000000000000000LL);
}

TEST(DupeTexts, StatusLines) {
  EXPECT_EQ(FoundStatusText(4096000, 3), "4,096,000 bytes (4.00 megabytes) found in 3 duplicate files.");
  EXPECT_EQ(RemovedStatusText(2048, 1), "Total space recovered: 2,048 bytes (0.00 megabytes) in 1 duplicate files.");
  EXPECT_EQ(RemovedStatusText(5000000000LL, 2),
            "Total space recovered: 5,000,000,000 bytes (4,882.81 megabytes) in 2 duplicate files.");
  EXPECT_EQ(ComparingSizeText(1048576), "Comparing 1,048,576 byte files...");
}

}  // namespace
