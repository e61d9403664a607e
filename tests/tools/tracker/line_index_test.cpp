// The report view's line index, and the spool files that hold the change lists.
#include "tools/tracker/line_index.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/text.h"
#include "support/test_folder.h"
#include "tools/tracker/tracker_engine.h"

using namespace velmora;
using namespace velmora::tracker;

namespace {

// The lines as the index finds them, fed in pieces of `piece` bytes.
std::vector<std::string> Indexed(const std::string& text, std::size_t piece, LineIndex& index) {
  index.Clear();
  for (std::size_t at = 0; at < text.size(); at += piece) index.Feed(std::string_view(text).substr(at, piece));
  index.Finish();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < index.lineCount(); ++i) {
    const std::string_view bytes =
        std::string_view(text).substr(std::size_t(index.Offset(i)), std::size_t(index.RangeSize(i, 1)));
    const auto split = LineIndex::SplitLines(bytes);
    EXPECT_EQ(1u, split.size());
    lines.emplace_back(split.empty() ? std::string_view() : split[0]);
  }
  return lines;
}

}  // namespace

TEST(LineIndex, FindsEveryLineWhateverThePiecesAndTheLineEnds) {
  const std::string text = "\xEF\xBB\xBF" "first\r\nsecond\nthird\r\n\r\nx\rstill x\r\nlast";
  const std::vector<std::string> expected{"first", "second", "third", "", "x\rstill x", "last"};
  LineIndex index;
  for (std::size_t piece : {1u, 2u, 3u, 7u, 1000u}) {
    SCOPED_TRACE(piece);
    EXPECT_EQ(expected, Indexed(text, piece, index));
    EXPECT_EQ(3u, index.Offset(0));  // after the byte-order mark
    EXPECT_EQ(11u, index.longestLine());  // "x\rstill x\r\n"
    EXPECT_FALSE(index.blank());
  }
  EXPECT_EQ(0u, index.LineAt(0));
  EXPECT_EQ(1u, index.LineAt(10));   // the "s" of "second"
  EXPECT_EQ(5u, index.LineAt(text.size() - 1));
  EXPECT_EQ(3u, index.RangeSize(3, 1) + 1);  // the empty line is its CR LF
}

TEST(LineIndex, BlankAndEmptyFiles) {
  LineIndex index;
  EXPECT_TRUE(Indexed("", 10, index).empty());
  EXPECT_TRUE(index.blank());
  EXPECT_EQ((std::vector<std::string>{"  ", "\t"}), Indexed("  \r\n\t\r\n", 3, index));
  EXPECT_TRUE(index.blank());
  EXPECT_EQ((std::vector<std::string>{"", "a"}), Indexed("\r\na\r\n", 1, index));
  EXPECT_FALSE(index.blank());
}

TEST(LineIndex, FindIgnoresTheCaseOfLetters) {
  EXPECT_EQ(4u, FindNoCase("the Needle", "NEEDLE"));
  EXPECT_EQ(std::string::npos, FindNoCase("needl", "needle"));
  EXPECT_EQ(0u, FindNoCase("x", ""));
}

TEST(SpoolList, KeepsItsEntriesOnDiskAndLeavesNoFileBehind) {
  test::TestFolder dir;
  StringSink out;
  {
    SpoolList list(dir.path());
    std::string big(70000, 'e');  // more than one write buffer
    list.Add("one");
    list.Add(big);
    list.Add("three");
    EXPECT_EQ(3u, list.size());
    list.WriteTo(out);
    list.Add("four");  // more may follow a replay
    StringSink again;
    list.WriteTo(again);
    EXPECT_EQ("one\r\n" + big + "\r\nthree\r\n", out.text);
    EXPECT_EQ(out.text + "four\r\n", again.text);
  }
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(dir.path() + "~spool*").c_str(), &fd);
  EXPECT_EQ(INVALID_HANDLE_VALUE, h);
  if (h != INVALID_HANDLE_VALUE) FindClose(h);
}
