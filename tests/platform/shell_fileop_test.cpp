#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/files.h"
#include "platform/shell_fileop.h"
#include "platform/text.h"
#include "support/test_folder.h"

using namespace velmora;

namespace {

const FILEOP_FLAGS kQuiet = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;

// The Windows form of the run's XDG trash: Wine's recycle bin. HOME and
// XDG_DATA_HOME come from scripts/wine-env and point into the build folder.
std::string TrashFolder() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (!data || !*data) return std::string();
  using ToDos = wchar_t*(CDECL*)(const char*);
  const auto toDos = reinterpret_cast<ToDos>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_dos_file_name")));
  if (!toDos) return std::string();  // not running under Wine
  wchar_t* dos = toDos((std::string(data) + "/Trash").c_str());
  if (!dos) return std::string();
  const std::string out = Narrow(dos);
  HeapFree(GetProcessHeap(), 0, dos);
  return out;
}

}  // namespace

TEST(DoubleZeroList, ExactLayoutAndRefusals) {
  const std::wstring list = DoubleZeroList({"C:\\a", "b\xC3\xA9"});
  EXPECT_EQ(std::wstring(L"C:\\a\0b\u00e9\0\0", 9), list);
  EXPECT_EQ(9u, list.size());
  EXPECT_EQ(std::wstring(1, L'\0'), DoubleZeroList({}));

  EXPECT_THROW(DoubleZeroList({"C:\\a", ""}), std::invalid_argument);
  EXPECT_THROW(DoubleZeroList({"C:\\dir\\*.*"}), std::invalid_argument);
  EXPECT_THROW(DoubleZeroList({"C:\\dir\\file?.txt"}), std::invalid_argument);
  EXPECT_THROW(DoubleZeroList({std::string("C:\\a\0b", 6)}), std::invalid_argument);
  EXPECT_EQ(std::wstring(L"C:\\dir\\*.*\0\0", 12), DoubleZeroList({"C:\\dir\\*.*"}, /*allowWildcards=*/true));
}

TEST(ShellFileOp, EmptyListAndWildcardsNeverReachTheShell) {
  test::TestFolder dir;
  const std::string file = dir.File("keep.tmp");
  const ShellFileOpResult none = RunShellFileOp(FileOpKind::Delete, {}, {}, kQuiet);
  EXPECT_EQ(-1, none.code);
  EXPECT_FALSE(none.ok());
  EXPECT_THROW(RunShellFileOp(FileOpKind::Delete, {dir / "*.tmp"}, {}, kQuiet), std::invalid_argument);
  EXPECT_TRUE(test::PathExists(file));
}

TEST(ShellFileOp, DeleteWithUndoGoesToTheRunsRecycleBin) {
  test::TestFolder dir;
  const std::string name = "recycled-" + std::to_string(GetCurrentProcessId()) + ".txt";
  const std::string file = dir.File(name, "to the bin");
  const std::string other = dir.File("stays.txt");
  const ShellFileOpResult r = RunShellFileOp(FileOpKind::Delete, {file}, {}, kQuiet | FOF_ALLOWUNDO);
  EXPECT_TRUE(r.ok()) << r.code;
  EXPECT_FALSE(test::PathExists(file));
  EXPECT_TRUE(test::PathExists(other)) << "only the listed path is touched";

  const std::string trash = TrashFolder();
  if (trash.empty()) GTEST_SKIP() << "no XDG trash to look into";
  // Wine 8 moves the file into $XDG_DATA_HOME/Trash/files under its own name
  // and writes Trash/info/<name>.trashinfo holding the original path.
  EXPECT_EQ("to the bin", ReadTextFile(trash + "\\files\\" + name).value_or("(not in the trash)"));
  const std::string info = ReadTextFile(trash + "\\info\\" + name + ".trashinfo").value_or("");
  EXPECT_NE(std::string::npos, info.find(name)) << info;
  DeleteFileW(LongPathW(trash + "\\files\\" + name).c_str());
  DeleteFileW(LongPathW(trash + "\\info\\" + name + ".trashinfo").c_str());
}

TEST(ShellFileOp, DeleteWithoutUndoRemovesForGood) {
  test::TestFolder dir;
  const std::string name = "gone-" + std::to_string(GetCurrentProcessId()) + ".txt";
  const std::string file = dir.File(name);
  EXPECT_TRUE(RunShellFileOp(FileOpKind::Delete, {file}, {}, kQuiet).ok());
  EXPECT_FALSE(test::PathExists(file));
  const std::string trash = TrashFolder();
  if (!trash.empty()) {
    EXPECT_FALSE(FileExists(trash + "\\files\\" + name));
  }
}

TEST(ShellFileOp, MoveOntoAnExistingNameRenamesOnCollision) {
  test::TestFolder dir;
  const std::string source = dir.File("from\\report.txt", "moved");
  const std::string second = dir.File("from\\notes", "notes moved");
  const std::string fresh = dir.File("from\\fresh.txt", "no collision");
  const std::string target = dir.File("to\\report.txt", "already there");
  dir.File("to\\report (2).txt", "taken as well");
  dir.File("to\\notes", "old notes");
  const ShellFileOpResult r = RunShellFileOp(FileOpKind::Move, {source, second, fresh}, dir / "to",
                                             kQuiet | FOF_RENAMEONCOLLISION);
  EXPECT_TRUE(r.ok()) << r.code;
  EXPECT_FALSE(test::PathExists(source));
  EXPECT_FALSE(test::PathExists(second));
  EXPECT_EQ("already there", test::ReadWholeFile(target)) << "the file in the way is kept";
  EXPECT_EQ("taken as well", test::ReadWholeFile(dir / "to\\report (2).txt"));
  EXPECT_EQ("moved", test::ReadWholeFile(dir / "to\\report (3).txt"));
  EXPECT_EQ("old notes", test::ReadWholeFile(dir / "to\\notes"));
  EXPECT_EQ("notes moved", test::ReadWholeFile(dir / "to\\notes (2)"));
  EXPECT_EQ("no collision", test::ReadWholeFile(dir / "to\\fresh.txt"));
  int count = 0;
  for (const DirEntry& e : DirectoryListing(dir / "to\\*")) count += e.isFolder() ? 0 : 1;
  EXPECT_EQ(6, count);

  // Without the flag the caller asked for the shell's plain behaviour; a
  // plain move of a new name needs no renaming.
  const std::string plain = dir.File("from\\plain.txt", "p");
  EXPECT_TRUE(RunShellFileOp(FileOpKind::Move, {plain}, dir / "to", kQuiet).ok());
  EXPECT_EQ("p", test::ReadWholeFile(dir / "to\\plain.txt"));
}

TEST(ShellFileOp, CopyAndAFailingOperation) {
  test::TestFolder dir;
  const std::string source = dir.File("a.txt", "copy me");
  dir.Folder("dest");
  EXPECT_TRUE(RunShellFileOp(FileOpKind::Copy, {source}, dir / "dest", kQuiet).ok());
  EXPECT_EQ("copy me", test::ReadWholeFile(dir / "dest\\a.txt"));
  EXPECT_TRUE(test::PathExists(source));

  // A missing source fails the operation (Wine 8 returns ERROR_FILE_NOT_FOUND).
  const ShellFileOpResult r = RunShellFileOp(FileOpKind::Delete, {dir / "missing.txt"}, {}, kQuiet);
  EXPECT_NE(0, r.code);
  EXPECT_FALSE(r.ok());
}
