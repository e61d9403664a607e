#include "tools/tracker/exe_type.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::tracker;

namespace {

// An "MZ" header of 64 bytes whose new-header offset is `offset` (0: none).
std::string MzHeader(std::uint32_t offset) {
  std::string h(0x40, '\0');
  h[0] = 'M';
  h[1] = 'Z';
  for (int i = 0; i < 4; ++i) h[0x3C + i] = char((offset >> (8 * i)) & 0xFF);
  return h;
}

TEST(ExeType, HeadersAndExtensionsGiveTheirCodes) {
  test::TestFolder dir;
  const std::string dos = MzHeader(0) + std::string(100, 'x');
  const std::string pe = MzHeader(0x40) + std::string("PE\0\0", 4) + std::string(60, '\0');
  const std::string ne = MzHeader(0x80) + std::string(0x40, '\0') + "NE" + std::string(30, '\0');
  EXPECT_EQ(GetExeType(dir.File("SETUP.EXE", dos)), 1);
  EXPECT_EQ(GetExeType(dir.File("dos.com", dos)), 2);  // the extension alone decides among "MZ" files
  EXPECT_EQ(GetExeType(dir.File("com\\SETUP.EXE", std::string("\xB4\x09\xCD\x21", 4))), -2);
  EXPECT_EQ(GetExeType(dir.File("plain.COM", std::string("\xB4\x09\xCD\x21", 4))), 2);  // no header: DOS runs it
  EXPECT_EQ(GetExeType(dir.File("INSTALL.BAT", "@echo off\r\n")), 3);
  EXPECT_EQ(GetExeType(dir.File("win16\\SETUP.EXE", ne)), 4);
  EXPECT_EQ(GetExeType(dir.File("win32\\SETUP.EXE", pe)), 5);
  EXPECT_EQ(GetExeType(dir.File("SETUP.INF", "[Version]\r\n")), 6);
  EXPECT_EQ(GetExeType(dir.File("lower\\setup.inf", "[Version]\r\n")), 6);
  EXPECT_EQ(GetExeType(dir.File("README.TXT", "text")), -2);
  EXPECT_EQ(GetExeType(dir.File("DATA.DAT", dos)), -2);  // an "MZ" file of another extension
  EXPECT_EQ(GetExeType(dir.File("short.exe", "MZ")), 1);  // too short for a new header: plain DOS
}

TEST(ExeType, NamesWithoutUsableExtensionMissingFilesAndFolders) {
  test::TestFolder dir;
  EXPECT_EQ(GetExeType(""), 0);
  EXPECT_EQ(GetExeType("C:\\SETUP"), -3);
  EXPECT_EQ(GetExeType("x.ex"), -3);  // two characters after the first dot
  EXPECT_EQ(GetExeType(dir / "missing.exe"), -1);
  dir.Folder("folder.exe");
  EXPECT_EQ(GetExeType(dir / "folder.exe"), -1);  // a folder is no program
  // The first dot of the whole path decides rule 2; the extension comes from the name.
  dir.File("A.B\\SETUP", MzHeader(0));
  EXPECT_EQ(GetExeType(dir / "A.B\\SETUP"), -2);
  EXPECT_EQ(GetExeType(dir / "A.B\\GONE"), -1);
}

TEST(ExeType, NamesFollowTheTable) {
  EXPECT_EQ(ExeTypeName(0), "(two phase operation)");
  EXPECT_EQ(ExeTypeName(1), "DOS EXE file");
  EXPECT_EQ(ExeTypeName(2), "DOS COM file");
  EXPECT_EQ(ExeTypeName(3), "DOS batch file");
  EXPECT_EQ(ExeTypeName(4), "Windows Executable");
  EXPECT_EQ(ExeTypeName(5), "32-bit Windows Executable");
  EXPECT_EQ(ExeTypeName(6), "Setup .INF file");
  EXPECT_EQ(ExeTypeName(-1), "File does not exist");
  EXPECT_EQ(ExeTypeName(-2), "Not an executable file");
  EXPECT_EQ(ExeTypeName(-3), "");
  EXPECT_EQ(ExeTypeName(7), "");
  EXPECT_EQ(ExeTypeName(-4), "");
}

}  // namespace
