#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include "platform/files.h"
#include "scan/shell_file_op.h"
#include "support/test_folder.h"

using namespace velmora;
using velmora::scan::TShellFileOp;

namespace {

// The shared instance's options, as the tools use them.
TShellFileOp SharedStyle() {
  TShellFileOp op;
  op.FilesOnly = true;
  op.NoConfirmation = true;
  op.RenameOnCollision = true;
  return op;
}

long long RecycleBinItems() {
  SHQUERYRBINFO info{};
  info.cbSize = sizeof info;
  if (FAILED(SHQueryRecycleBinW(nullptr, &info))) return -1;
  return info.i64NumItems;
}

}  // namespace

TEST(TShellFileOp, PathListIsSortedWithoutCaseAndEachPathOnce) {
  TShellFileOp op;
  op.AddSource("C:\\b.txt");
  op.AddSource("C:\\A.txt");
  op.AddSource("c:\\a.TXT");
  EXPECT_EQ((std::vector<std::string>{"C:\\A.txt", "C:\\b.txt"}), op.Sources());
  op.ClearOnAdd = true;
  op.AddSource("C:\\z.txt");
  EXPECT_EQ((std::vector<std::string>{"C:\\z.txt"}), op.Sources());
}

TEST(TShellFileOp, EmptyListAndRefusedPathsGiveFalse) {
  TShellFileOp op = SharedStyle();
  EXPECT_FALSE(op.RecycleFiles());
  EXPECT_FALSE(op.DeleteFiles());
  EXPECT_EQ(-1, op.LastError());

  test::TestFolder dir;
  dir.File("keep1.tmp");
  dir.File("keep2.tmp");
  op.AddSource(dir / "*.tmp");  // a wildcard is never handed to the shell
  EXPECT_FALSE(op.DeleteFiles());
  EXPECT_TRUE(test::PathExists(dir / "keep1.tmp"));
  EXPECT_TRUE(op.Sources().empty());  // the list is emptied after every run
}

TEST(TShellFileOp, DeleteActsOnAPathAddedTwiceOnce) {
  test::TestFolder dir;
  const std::string a = dir.File("a.txt"), b = dir.File("b.txt");
  dir.File("c.txt");
  TShellFileOp op = SharedStyle();
  op.AddSource(a);
  op.AddSource(a);
  op.AddSource(b);
  EXPECT_TRUE(op.DeleteFiles());
  EXPECT_FALSE(test::PathExists(a));
  EXPECT_FALSE(test::PathExists(b));
  EXPECT_TRUE(test::PathExists(dir / "c.txt"));
  EXPECT_TRUE(op.Sources().empty());
}

TEST(TShellFileOp, RecycledFileArrivesInTheRecycleBin) {
  test::TestFolder dir;
  const std::string victim = dir.File("recycle-me.bak", "old contents");
  const long long before = RecycleBinItems();
  TShellFileOp op = SharedStyle();
  op.AddSource(victim);
  EXPECT_TRUE(op.RecycleFiles());
  EXPECT_FALSE(test::PathExists(victim));
  if (before >= 0) {
    EXPECT_EQ(before + 1, RecycleBinItems());
  }
}

TEST(TShellFileOp, MoveWithANameCollisionGetsANewName) {
  test::TestFolder dir;
  const std::string target = dir.Folder("moved");
  dir.File("moved\\same.txt", "already there");
  const std::string source = dir.File("same.txt", "incoming");
  TShellFileOp op = SharedStyle();
  op.AddSource(source);
  EXPECT_TRUE(op.MoveFiles(target));
  EXPECT_FALSE(test::PathExists(source));
  EXPECT_EQ("already there", test::ReadWholeFile(target + "same.txt"));
  int files = 0;
  bool incomingKept = false;
  for (const DirEntry& e : DirectoryListing(target + "*")) {
    ++files;
    if (test::ReadWholeFile(target + e.name) == "incoming") incomingKept = e.name != "same.txt";
  }
  EXPECT_EQ(2, files);
  EXPECT_TRUE(incomingKept);
}
