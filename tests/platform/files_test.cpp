#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <type_traits>
#include <vector>

#include "platform/file_facts.h"
#include "platform/files.h"
#include "platform/text.h"
#include "support/test_folder.h"

using namespace velmora;

namespace {

std::map<std::string, DirEntry> ListAll(const std::string& pattern, bool foldersOnly = false) {
  std::map<std::string, DirEntry> out;
  for (const DirEntry& e : DirectoryListing(pattern, foldersOnly)) out[e.name] = e;
  return out;
}

bool SameTime(const FILETIME& a, const FILETIME& b) {
  return a.dwLowDateTime == b.dwLowDateTime && a.dwHighDateTime == b.dwHighDateTime;
}

}  // namespace

static_assert(!std::is_copy_constructible_v<DirectoryListing>, "a listing owns its find handle");
static_assert(std::is_move_constructible_v<DirectoryListing>);

TEST(PathText, SplitsAtTheLastBackslashOrColon) {
  EXPECT_EQ("C:\\a\\", IncludeTrailingBackslash("C:\\a"));
  EXPECT_EQ("C:\\a\\", IncludeTrailingBackslash("C:\\a\\"));
  EXPECT_EQ("C:\\a", ExcludeTrailingBackslash("C:\\a\\"));
  EXPECT_EQ("C:\\a", ExcludeTrailingBackslash("C:\\a"));
  EXPECT_EQ("C:\\dir\\", ExtractFilePath("C:\\dir\\file.txt"));
  EXPECT_EQ("C:", ExtractFilePath("C:file.txt"));
  EXPECT_EQ("", ExtractFilePath("file.txt"));
  EXPECT_EQ("file.txt", ExtractFileName("C:\\dir\\file.txt"));
  EXPECT_EQ("", ExtractFileName("C:\\dir\\"));
  EXPECT_EQ(".gz", ExtractFileExt("C:\\dir\\a.tar.gz"));
  EXPECT_EQ("", ExtractFileExt("C:\\dir.d\\noext"));  // a dot in a folder name is no extension
  EXPECT_EQ(".", ExtractFileExt("C:\\a."));
}

TEST(LongPath, PrefixesOnlyLongAbsolutePaths) {
  EXPECT_EQ(L"C:\\short\\x.txt", LongPathW("C:\\short\\x.txt"));
  const std::string tail(270, 'a');
  EXPECT_EQ(L"\\\\?\\C:\\" + Widen(tail), LongPathW("C:\\" + tail));
  EXPECT_EQ(L"\\\\?\\UNC\\server\\share\\" + Widen(tail), LongPathW("\\\\server\\share\\" + tail));
  // The prefix switches off the system's own clean-up, so it is done first.
  EXPECT_EQ(L"\\\\?\\C:\\d\\" + Widen(tail), LongPathW("C:/d/x/../" + tail));
  EXPECT_EQ(Widen(tail), LongPathW(tail));  // relative: left alone
  const std::string prefixed = "\\\\?\\C:\\" + tail;
  EXPECT_EQ(Widen(prefixed), LongPathW(prefixed));
  // 259 characters still fit without the prefix.
  const std::string fits = "C:\\" + std::string(256, 'b');
  EXPECT_EQ(Widen(fits), LongPathW(fits));
}

TEST(DirectoryListing, GivesEveryEntryWithAttributesAndSkipsDots) {
  test::TestFolder dir;
  const std::string hidden = dir.File("hidden.tmp", "12345");
  const std::string system = dir.File("system.dat");
  dir.File("plain.tmp", "");
  dir.Folder("sub");
  test::SetAttributes(hidden, FILE_ATTRIBUTE_HIDDEN);
  test::SetAttributes(system, FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_READONLY);

  const auto all = ListAll(dir / "*");
  ASSERT_EQ(4u, all.size());
  EXPECT_EQ(0u, all.count(".") + all.count(".."));
  EXPECT_TRUE(all.at("hidden.tmp").isHidden());
  EXPECT_EQ(5u, all.at("hidden.tmp").size);
  EXPECT_TRUE(all.at("system.dat").isSystem());
  EXPECT_FALSE(all.at("system.dat").isHidden());
  EXPECT_TRUE(all.at("sub").isFolder());
  EXPECT_FALSE(all.at("plain.tmp").isFolder());
  EXPECT_FALSE(all.at("sub").isReparsePoint());
  EXPECT_NE(0u, all.at("plain.tmp").written.dwHighDateTime);

  const auto tmp = ListAll(dir / "*.tmp");
  EXPECT_EQ(2u, tmp.size());
  EXPECT_EQ(1u, tmp.count("plain.tmp"));

  const auto folders = ListAll(dir / "*", /*foldersOnly=*/true);
  ASSERT_EQ(1u, folders.size());
  EXPECT_EQ("sub", folders.begin()->first);

  EXPECT_TRUE(ListAll(dir / "missing\\*").empty());
  EXPECT_TRUE(ListAll(dir / "*.none").empty());
  EXPECT_TRUE(ListAll(dir / "sub\\*").empty());  // only "." and ".."
  EXPECT_TRUE(ListAll("").empty());
}

TEST(DirectoryListing, MovedListingGoesOnWhereItStopped) {
  test::TestFolder dir;
  for (const char* n : {"a", "b", "c"}) dir.File(n);
  DirectoryListing first(dir / "*");
  auto it = first.begin();
  ASSERT_NE(first.end(), it);
  std::vector<std::string> names{it->name};
  ++it;
  DirectoryListing second(std::move(first));
  for (const DirEntry& e : second) names.push_back(e.name);
  std::sort(names.begin(), names.end());
  EXPECT_EQ((std::vector<std::string>{"a", "b", "c"}), names) << "each entry once, none lost by the move";
}

TEST(DirectoryListing, ReportsSizesBeyondThirtyTwoBits) {
  test::TestFolder dir;
  // SetEndOfFile on the host's file system makes a sparse file: no data is written.
  const std::uint64_t threeGb = 3ull << 30, overFourGb = (4ull << 30) + 1;
  dir.SizedFile("three.bin", threeGb);
  dir.SizedFile("four.bin", overFourGb);
  const auto all = ListAll(dir / "*.bin");
  ASSERT_EQ(2u, all.size());
  if (all.at("three.bin").size == 0) GTEST_SKIP() << "the host cannot make large sparse files";
  EXPECT_EQ(threeGb, all.at("three.bin").size);
  EXPECT_EQ(overFourGb, all.at("four.bin").size);
  EXPECT_EQ(overFourGb, FindEntry(dir / "four.bin")->size);
}

TEST(FileQueries, ExistenceAttributesEntriesAndTimes) {
  test::TestFolder dir;
  const std::string file = dir.File("File.TXT", "abc");
  const std::string folder = dir.Folder("Sub");

  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_TRUE(FolderExists(folder));  // with its trailing "\"
  EXPECT_TRUE(FolderExists(ExcludeTrailingBackslash(folder)));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_FALSE(FileExists(dir / "missing"));
  EXPECT_FALSE(FolderExists(""));

  ASSERT_TRUE(SetFileAttrs(file, FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
  // Wine reports every regular file as FILE_ATTRIBUTE_ARCHIVE whatever was set.
  EXPECT_EQ(DWORD(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
            FileAttributes(file).value() & ~DWORD(FILE_ATTRIBUTE_ARCHIVE));
  EXPECT_FALSE(FileAttributes(dir / "missing").has_value());
  EXPECT_FALSE(SetFileAttrs(dir / "missing", FILE_ATTRIBUTE_NORMAL));

  const auto entry = FindEntry(dir / "file.txt");  // looked up without regard to case
  ASSERT_TRUE(entry);
  EXPECT_EQ("File.TXT", entry->name);  // the name as stored
  EXPECT_EQ(3u, entry->size);
  EXPECT_TRUE(entry->isHidden());
  ASSERT_TRUE(FindEntry(folder));
  EXPECT_EQ("Sub", FindEntry(folder)->name);
  EXPECT_FALSE(FindEntry(dir / "missing"));
  EXPECT_FALSE(FindEntry(dir / "*.TXT")) << "a wildcard is not one entry";
  ASSERT_TRUE(FindEntry("C:\\"));
  EXPECT_TRUE(FindEntry("C:\\")->isFolder());

  // Times: written and created set, last access left as it was; read-only does not stop it.
  FILETIME created{}, accessed{}, written{};
  ASSERT_TRUE(ReadFileTimes(file, &created, &accessed, &written));
  FILETIME newCreated{0x11111111u, 0x01D00000u}, newWritten{0x22222222u, 0x01D10000u};
  ASSERT_TRUE(WriteFileTimes(file, &newCreated, nullptr, &newWritten));
  FILETIME c2{}, a2{}, w2{};
  ASSERT_TRUE(ReadFileTimes(file, &c2, &a2, &w2));
  EXPECT_TRUE(SameTime(newWritten, w2));
  EXPECT_TRUE(SameTime(accessed, a2));
  // Wine keeps creation times only where the host file system records them.
  FILETIME folderWritten{0x33333333u, 0x01D20000u};
  ASSERT_TRUE(WriteFileTimes(folder, nullptr, nullptr, &folderWritten));
  ASSERT_TRUE(ReadFileTimes(folder, nullptr, nullptr, &w2));
  EXPECT_TRUE(SameTime(folderWritten, w2));
  EXPECT_FALSE(ReadFileTimes(dir / "missing", &c2, nullptr, nullptr));
  EXPECT_FALSE(WriteFileTimes(dir / "missing", nullptr, nullptr, &newWritten));
}

TEST(WholeFiles, AtomicWriteReplacesAndLeavesNoTemporaryFile) {
  test::TestFolder dir;
  const std::string file = dir.File("list.txt", "old content that is longer");
  ASSERT_TRUE(WriteFileAtomically(file, "new"));
  EXPECT_EQ("new", ReadTextFile(file).value());
  ASSERT_TRUE(WriteFileAtomically(dir / "fresh.txt", std::string("a\0b\r\n", 5)));
  EXPECT_EQ(std::string("a\0b\r\n", 5), ReadTextFile(dir / "fresh.txt").value());
  EXPECT_EQ(2u, ListAll(dir / "*").size()) << "no temporary file left beside them";
  {
    FileHandle locked(CreateFileW(Widen(file).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_FALSE(WriteFileAtomically(file, "while locked")) << "a file open elsewhere is not replaced";
  }
  EXPECT_EQ("new", ReadTextFile(file).value());
  EXPECT_EQ(2u, ListAll(dir / "*").size());

  // A name that cannot be replaced keeps what it holds, and nothing is left
  // behind. (A read-only file would do on Windows; Wine running as root does
  // not enforce read-only, so a folder of that name is used.)
  const std::string folder = dir.Folder("taken");
  dir.File("taken\\inside", "kept");
  EXPECT_FALSE(WriteFileAtomically(ExcludeTrailingBackslash(folder), "other"));
  EXPECT_EQ("kept", ReadTextFile(folder + "inside").value());
  EXPECT_EQ(3u, ListAll(dir / "*").size());
  EXPECT_FALSE(WriteFileAtomically(dir / "missing\\x.txt", "x"));

  EXPECT_FALSE(ReadTextFile(dir / "missing.txt").has_value());
  ASSERT_TRUE(WriteFileAtomically(dir / "empty.txt", ""));
  EXPECT_EQ("", ReadTextFile(dir / "empty.txt").value());
}

TEST(WholeFiles, AppendCreatesThenAppendsAndNamesTheFileOnError) {
  test::TestFolder dir;
  const std::string log = dir / "Log.txt";
  AppendToFile(log, "first\r\n");
  AppendToFile(log, "");
  AppendToFile(log, "second\r\n");
  EXPECT_EQ("first\r\nsecond\r\n", test::ReadWholeFile(log));

  const std::string bad = dir / "missing\\Log.txt";
  try {
    AppendToFile(bad, "x");
    FAIL() << "appending into a missing folder must raise";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find(bad)) << e.what();
  }
  {
    // Another program holds the log open without sharing.
    FileHandle locked(CreateFileW(Widen(log).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(locked);
    EXPECT_THROW(AppendToFile(log, "x"), std::runtime_error);
  }
  EXPECT_EQ("first\r\nsecond\r\n", test::ReadWholeFile(log));
}

TEST(Folders, CreatePathAndCurrentFolder) {
  test::TestFolder dir;
  EXPECT_TRUE(CreateFolderPath(dir / "a\\b\\c\\"));
  EXPECT_TRUE(FolderExists(dir / "a\\b\\c"));
  EXPECT_TRUE(CreateFolderPath(dir / "a\\b"));  // already there
  const std::string file = dir.File("file");
  EXPECT_FALSE(CreateFolderPath(file + "\\below")) << "a file is in the way";
  EXPECT_FALSE(CreateFolderPath(""));

  const std::string before = CurrentFolder();
  ASSERT_TRUE(SetCurrentDirectoryW(Widen(dir / "a").c_str()));
  EXPECT_TRUE(EqualNoCase(dir / "a", CurrentFolder())) << CurrentFolder();
  SetCurrentDirectoryW(Widen(before).c_str());
}

TEST(Folders, PathsBeyondTwoHundredSixtyCharacters) {
  test::TestFolder dir;
  // A folder between 248 and 259 characters: too long for CreateDirectoryW
  // without the prefix, although other calls still take it as it is.
  std::string medium = dir.path();
  medium += std::string(250 - medium.size(), 'm');
  ASSERT_TRUE(CreateFolderPath(medium)) << medium.size();

  std::string deep = dir.path();
  for (int i = 0; i < 6; ++i) deep += std::string(60, char('a' + i)) + "\\";
  ASSERT_GT(deep.size(), 300u);
  ASSERT_TRUE(CreateFolderPath(deep));
  EXPECT_TRUE(FolderExists(deep));

  const std::string file = deep + "long name.txt";
  ASSERT_TRUE(WriteFileAtomically(file, "deep"));
  AppendToFile(file, "er");
  EXPECT_EQ("deeper", ReadTextFile(file).value());
  EXPECT_TRUE(FileExists(file));
  const auto listed = ListAll(deep + "*");
  ASSERT_EQ(1u, listed.size());
  EXPECT_EQ(6u, listed.at("long name.txt").size);
  ASSERT_TRUE(FindEntry(file));

  EXPECT_TRUE(DeleteFileW(LongPathW(file).c_str()));
  EXPECT_FALSE(FileExists(file));
  std::string folder = ExcludeTrailingBackslash(deep);
  while (folder.size() > dir.path().size()) {
    ASSERT_TRUE(RemoveDirectoryW(LongPathW(folder).c_str())) << folder.size();
    folder = ExcludeTrailingBackslash(ExtractFilePath(folder));
  }
  EXPECT_EQ(1u, ListAll(dir / "*").size());  // only the medium folder is left
}

// The cheap questions must give what the all-in-one call gives: an identity
// taken one way is compared with one taken the other way.
TEST(FileFacts, AgreeWithTheAllInOneAnswerAndTellFilesApart) {
  test::TestFolder dir;
  const std::string a = dir.SizedFile("a.bin", 5ull << 30 | 7);  // beyond 32 bits where the host allows
  const std::string b = dir.File("sub\\b.txt", "hello");
  const std::string link = dir / "hard.txt";
  const bool linked = CreateHardLinkW(LongPathW(link).c_str(), LongPathW(b).c_str(), nullptr) != 0;
  std::vector<std::uint64_t> indexes;
  for (const std::string& path : {a, b}) {
    SCOPED_TRACE(path);
    FileHandle h(CreateFileW(LongPathW(path).c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h);
    BY_HANDLE_FILE_INFORMATION all{};
    ASSERT_TRUE(GetFileInformationByHandle(h.get(), &all));
    const auto facts = FactsOfOpenFile(h.get());
    ASSERT_TRUE(facts);
    EXPECT_EQ((std::uint64_t(all.nFileSizeHigh) << 32) | all.nFileSizeLow, facts->size);
    EXPECT_EQ(all.dwFileAttributes, facts->attributes);
    EXPECT_EQ(0, CompareFileTime(&all.ftLastWriteTime, &facts->written));
    EXPECT_EQ((std::uint64_t(all.nFileIndexHigh) << 32) | all.nFileIndexLow, facts->index);
    EXPECT_EQ(all.dwVolumeSerialNumber, VolumeFactsOf(path).serial);
    EXPECT_TRUE(VolumeFactsOf(path).trusted);  // a fixed disk
    indexes.push_back(facts->index);
  }
  EXPECT_NE(indexes[0], indexes[1]);
  if (linked) {
    FileHandle h(CreateFileW(LongPathW(link).c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(h);
    EXPECT_EQ(indexes[1], FactsOfOpenFile(h.get())->index);  // one file, two names
  }
  FileHandle folder(CreateFileW(LongPathW(dir / "sub").c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  ASSERT_TRUE(folder);
  EXPECT_TRUE(FactsOfOpenFile(folder.get())->attributes & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(FileFacts, TheVolumeRootOfEveryFormOfPath) {
  EXPECT_EQ("C:\\", VolumeRootOf("c:\\windows\\x.dll"));
  EXPECT_EQ("C:\\", VolumeRootOf("\\\\?\\c:\\long\\path"));
  EXPECT_EQ("\\\\SERVER\\SHARE\\", VolumeRootOf("\\\\server\\share\\a\\b"));
  EXPECT_EQ("\\\\SERVER\\SHARE\\", VolumeRootOf("\\\\?\\UNC\\server\\share\\a"));
  EXPECT_EQ("\\\\SERVER\\SHARE\\", VolumeRootOf("\\\\server\\share"));
  EXPECT_EQ("", VolumeRootOf("\\\\server"));
  EXPECT_EQ("", VolumeRootOf("relative\\a.txt"));
  EXPECT_FALSE(VolumeFactsOf("N:\\a.txt").trusted);  // the test prefix's network drive
}
