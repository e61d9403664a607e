#include "tools/tracker/snapshot_text.h"

#include <gtest/gtest.h>

#include <string>

using namespace velmora::tracker;

namespace {

TEST(ShortenPath, KeepsTheNameAndCutsMiddleFolders) {
  EXPECT_EQ(ShortenPath("C:\\WINDOWS\\SYSTEM\\VMM32.VXD"), "C:\\WINDOWS\\SYSTEM\\VMM32.VXD");  // under 30
  EXPECT_EQ(ShortenPath("C:\\Program Files\\Vendor\\Product\\SETUP.LOG"), "C:\\Program Files\\..\\SETUP.LOG");
  EXPECT_EQ(ShortenPath("C:\\AVeryLongFolderNameIndeed\\SETUP.LOG"), "C:..\\SETUP.LOG");
  // A name too long by itself: the first 27 characters and "...".
  const std::string s = ShortenPath("C:\\Folder\\AVeryLongFileNameThatIsLongerThanThirty.txt");
  EXPECT_EQ(s, "C:..\\AVeryLongFileNameThatI...");
  EXPECT_EQ(s.size(), 30u);
  // Characters, not bytes, are counted: "é" is two bytes.
  const std::string accented = "C:\\" + std::string(10, 'x') + "\\\xC3\xA9\xC3\xA9\xC3\xA9" + std::string(12, 'y');
  EXPECT_EQ(ShortenPath(accented), accented);  // 29 characters
  EXPECT_EQ(ShortenPath(std::string(40, 'n')), std::string(27, 'n') + "...");  // no folder at all
}

TEST(LineReader, SplitsAtCrLfOnlyAndRefusesACutLastLine) {
  StringSource source("one\r\ntw\no\r\n\r\nlast\r\nnoend");
  LineReader reader(source, "file.txt");
  std::string line;
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "one");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "tw\no");  // a line feed alone belongs to the line
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(reader.Next(line));
  EXPECT_EQ(line, "last");
  try {
    reader.Next(line);
    ADD_FAILURE() << "a last line without CR LF was accepted";
  } catch (const SnapshotError& e) {
    EXPECT_NE(std::string(e.what()).find("\"file.txt\", line 5"), std::string::npos) << e.what();
  }
  // Lines longer than the reader's buffer, and a CR LF split across two reads.
  const std::string big(200000, 'b');
  StringSource bigSource(big + "\r\n" + std::string(65535, 'c') + "\r\n");
  LineReader bigReader(bigSource, "big");
  ASSERT_TRUE(bigReader.Next(line));
  EXPECT_EQ(line, big);
  ASSERT_TRUE(bigReader.Next(line));
  EXPECT_EQ(line.size(), 65535u);
  EXPECT_FALSE(bigReader.Next(line));
}

}  // namespace
