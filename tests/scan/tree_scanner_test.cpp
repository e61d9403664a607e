#include "scan/tree_scanner.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/text.h"
#include "ui/app.h"
#include "support/test_folder.h"

namespace velmora::scan {
namespace {

using test::TestFolder;
using V = std::vector<std::string>;

// Records every event as a line, paths relative to the test folder.
class Recorder {
 public:
  Recorder(TTreeScanner& s, const std::string& base) : base_(base) {
    s.SetOnDirectoryFound([this](TTreeScanner& t) {
      lines.push_back("dir " + Rel(t.FileFound()) + Size(t));
    });
    s.SetOnFileFound([this](TTreeScanner& t) { lines.push_back("file " + Rel(t.FileFound()) + Size(t)); });
    s.SetOnDirectoryDone([this](TTreeScanner& t) {
      lines.push_back("done (" + Rel(t.FileFound()) + ")" + Size(t));
    });
    s.SetOnSearchDone([this](TTreeScanner& t) {
      lines.push_back(std::string("end") + (t.SearchInProgress() ? " in progress" : ""));
    });
  }
  std::vector<std::string> lines;
  std::vector<std::string> Files() const {
    std::vector<std::string> out;
    for (const std::string& l : lines)
      if (l.rfind("file ", 0) == 0) out.push_back(l.substr(5));
    return out;
  }

 private:
  std::string Rel(const std::string& p) const {
    return p.compare(0, base_.size(), base_) == 0 ? "." + p.substr(base_.size() - 1) : p;
  }
  static std::string Size(const TTreeScanner& t) {
    return t.FileSize() ? " " + std::to_string(t.FileSize()) : std::string();
  }
  std::string base_;
};

void Attribute(const std::string& path, DWORD add) {
  const std::wstring w = Widen(path.back() == '\\' ? path.substr(0, path.size() - 1) : path);
  SetFileAttributesW(w.c_str(), GetFileAttributesW(w.c_str()) | add);
}

TEST(TreeScannerMasks, SortedCaseInsensitiveSetWithoutDuplicates) {
  TTreeScanner s;
  EXPECT_EQ(s.FileMask(), "");
  EXPECT_EQ(s.FileMaskCommaText(), "");
  s.SetFileMaskCommaText("*.tmp,*.BAK,*.TMP,~*.*,*.bak");
  EXPECT_EQ(s.Masks(), (V{"*.BAK", "*.tmp", "~*.*"}));  // the first spelling stays
  EXPECT_EQ(s.FileMask(), "*.BAK");
  EXPECT_EQ(s.FileMaskCommaText(), "*.BAK,*.tmp,~*.*");
  s.SetFileMask("*.*");
  EXPECT_EQ(s.Masks(), V{"*.*"});
  EXPECT_EQ(s.FileMaskCommaText(), "*.*");
}

TEST(TreeScannerMasks, CommaTextWithBlanksAndQuotesBothWays) {
  TTreeScanner s;
  s.SetFileMaskCommaText("My File.txt");  // a blank separates masks
  EXPECT_EQ(s.Masks(), (V{"File.txt", "My"}));
  s.SetFileMaskCommaText("\"My File.txt\", *.tmp  \"say \"\"hi\"\".txt\"");
  EXPECT_EQ(s.Masks(), (V{"*.tmp", "My File.txt", "say \"hi\".txt"}));
  EXPECT_EQ(s.FileMaskCommaText(), "*.tmp,\"My File.txt\",\"say \"\"hi\"\".txt\"");
  s.SetFileMaskCommaText("a,,b");
  EXPECT_EQ(s.Masks(), (V{"", "a", "b"}));
  EXPECT_EQ(s.FileMask(), "");
  EXPECT_EQ(s.FileMaskCommaText(), ",a,b");
  s.SetFileMask("two words.txt");  // a single mask is taken whole
  EXPECT_EQ(s.FileMaskCommaText(), "\"two words.txt\"");
  s.SetFileMaskCommaText(s.FileMaskCommaText());
  EXPECT_EQ(s.Masks(), V{"two words.txt"});
}

TEST(TreeScanner, ReportsAFixedDepthFirstOrder) {
  TestFolder dir;
  dir.File("b.tmp", "bb");
  dir.File("A.tmp", "a");
  dir.File("c.txt");
  dir.File("Zeta\\z.tmp", "zzz");
  dir.File("alpha\\deep\\d.TMP", "dddd");
  dir.File("alpha\\y.tmp", "yyyyy");
  dir.Folder("alpha\\empty");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  s.Scan();
  const V expected{"dir .\\",
                   "file .\\A.tmp 1",
                   "file .\\b.tmp 2",
                   "dir .\\alpha\\",
                   "file .\\alpha\\y.tmp 5",
                   "dir .\\alpha\\deep\\",
                   "file .\\alpha\\deep\\d.TMP 4",
                   "done (.\\alpha\\deep\\d.TMP)",
                   "dir .\\alpha\\empty\\",
                   "done (.\\alpha\\empty\\)",
                   "done (.\\alpha\\empty\\)",
                   "dir .\\Zeta\\",
                   "file .\\Zeta\\z.tmp 3",
                   "done (.\\Zeta\\z.tmp)",
                   "done (.\\Zeta\\z.tmp)",
                   "end"};
  EXPECT_EQ(r.lines, expected);
  EXPECT_FALSE(s.SearchInProgress());
  // A scanner runs again from the start.
  r.lines.clear();
  s.Scan();
  EXPECT_EQ(r.lines, expected);
}

TEST(TreeScanner, MasksThatDifferOnlyInCaseOrOverlapReportAFileOnce) {
  TestFolder dir;
  dir.File("a.tmp");
  dir.File("b.TMP");
  dir.File("c.txt");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMaskCommaText("*.TMP *.tmp a*");
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.Files(), (V{".\\a.tmp 1", ".\\b.TMP 1"}));
}

TEST(TreeScanner, MatchesLongNamesOnlyNotTheirShortAliases) {
  // Wine's own listing of "*.bak" returns report.bakery through its alias
  // "REPO~xxx.BAK", as Windows does; the scanner must not.
  TestFolder dir;
  dir.File("report.bakery");
  dir.File("x.bak");
  dir.File("LongFileName.TMPX");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMaskCommaText("*.bak,*.tmp");
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.Files(), V{".\\x.bak 1"});
}

TEST(TreeScanner, RecursiveOffReportsSubFoldersWithoutEnteringThem) {
  TestFolder dir;
  dir.File("top.tmp");
  dir.File("two\\inner.tmp");
  dir.File("one\\inner.tmp");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.*");
  s.SetRecursive(false);
  int pumps = 0;
  s.ProcessMessages = [&] { ++pumps; };
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.lines, (V{"dir .\\", "file .\\top.tmp 1", "dir .\\one\\", "dir .\\two\\", "done (.\\two\\)", "end"}));
  EXPECT_EQ(pumps, 1);
}

TEST(TreeScanner, HiddenAndSystemFolders) {
  TestFolder dir;
  dir.File("plain\\p.tmp");
  dir.File("hidden\\h.tmp");
  Attribute(dir.Folder("hidden"), FILE_ATTRIBUTE_HIDDEN);
  dir.File("system\\s.tmp");
  Attribute(dir.Folder("system"), FILE_ATTRIBUTE_SYSTEM);
  dir.File("both\\b.tmp");
  Attribute(dir.Folder("both"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.Files(), V{".\\plain\\p.tmp 1"});
  s.SetFindHiddenFolders(true);
  r.lines.clear();
  s.Scan();
  EXPECT_EQ(r.Files(), (V{".\\hidden\\h.tmp 1", ".\\plain\\p.tmp 1"}));
  // Not even reported when the walk does not descend.
  s.SetRecursive(false);
  r.lines.clear();
  s.Scan();
  EXPECT_EQ(r.lines, (V{"dir .\\", "dir .\\hidden\\", "dir .\\plain\\", "done (.\\plain\\)", "end"}));
}

TEST(TreeScanner, HiddenFilesOnlyWhenAskedReadOnlyAndSystemFilesAlways) {
  TestFolder dir;
  dir.File("plain.tmp");
  Attribute(dir.File("hidden.tmp"), FILE_ATTRIBUTE_HIDDEN);
  Attribute(dir.File("readonly.tmp"), FILE_ATTRIBUTE_READONLY);
  Attribute(dir.File("system.tmp"), FILE_ATTRIBUTE_SYSTEM);
  Attribute(dir.File("hidsys.tmp"), FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN);
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.Files(), (V{".\\plain.tmp 1", ".\\readonly.tmp 1", ".\\system.tmp 1"}));
  s.SetFindHiddenFiles(true);
  r.lines.clear();
  s.Scan();
  EXPECT_EQ(r.Files(),
            (V{".\\hidden.tmp 1", ".\\hidsys.tmp 1", ".\\plain.tmp 1", ".\\readonly.tmp 1", ".\\system.tmp 1"}));
}

TEST(TreeScanner, EmptyInitialDirectoryWalksTheCurrentFolder) {
  TestFolder dir;
  dir.File("here.tmp");
  std::wstring saved(GetCurrentDirectoryW(0, nullptr), L'\0');
  saved.resize(GetCurrentDirectoryW(DWORD(saved.size()), saved.data()));
  ASSERT_TRUE(SetCurrentDirectoryW(Widen(dir.path()).c_str()));
  TTreeScanner s;
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  s.Scan();
  // Wine starts a test in a host folder ("\\\\?\\unix\\...") it will not go back to.
  if (!SetCurrentDirectoryW(saved.c_str())) SetCurrentDirectoryW(L"C:\\");
  EXPECT_EQ(r.lines, (V{"dir .\\", "file .\\here.tmp 1", "done (.\\here.tmp)", "end"}));
  EXPECT_TRUE(EqualNoCase(s.InitialDirectory(), dir.path())) << s.InitialDirectory();
}

TEST(TreeScanner, InitialDirectoryEndsInExactlyOneBackslash) {
  TestFolder dir;
  dir.File("sub\\f.tmp");
  const std::string sub = dir / "sub";
  TTreeScanner s;
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  for (const std::string& given : {sub, sub + "\\", sub + "\\\\\\"}) {
    s.SetInitialDirectory(given);
    r.lines.clear();
    s.Scan();
    EXPECT_EQ(s.InitialDirectory(), sub + "\\") << given;
    EXPECT_EQ(r.lines, (V{"dir .\\sub\\", "file .\\sub\\f.tmp 1", "done (.\\sub\\f.tmp)", "end"})) << given;
  }
}

TEST(TreeScanner, InitialDirectoryGivenAsAFileIsAFolderThatCannotBeListed) {
  TestFolder dir;
  const std::string file = dir.File("f.tmp");
  TTreeScanner s;
  s.SetFileMask("*.*");
  s.SetInitialDirectory(file);
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(s.InitialDirectory(), file + "\\");
  EXPECT_EQ(r.lines, (V{"dir .\\f.tmp\\", "done (.\\f.tmp\\)", "end"}));
  // A missing folder and a missing drive the same way: nothing listed, no error.
  for (const std::string& missing : {dir / "nowhere", std::string("Q:\\")}) {
    s.SetInitialDirectory(missing);
    r.lines.clear();
    s.Scan();
    ASSERT_EQ(r.lines.size(), 3u) << missing;
    EXPECT_EQ(r.lines[2], "end");
  }
}

TEST(TreeScanner, DriveRootStaysWhole) {
  TestFolder dir('E');
  dir.File("f.tmp");
  TTreeScanner s;
  s.SetInitialDirectory("E:\\");
  s.SetFileMask("no-such-name.none");
  s.SetRecursive(false);
  V dirs;
  s.SetOnDirectoryFound([&](TTreeScanner& t) { dirs.push_back(UpperCase(t.FileFound())); });
  s.Scan();
  EXPECT_EQ(s.InitialDirectory(), "E:\\");
  ASSERT_FALSE(dirs.empty());
  EXPECT_EQ(dirs[0], "E:\\");
  EXPECT_NE(std::find(dirs.begin(), dirs.end(), "E:\\VELMORA-TESTS\\"), dirs.end());
  s.SetInitialDirectory("E:");
  s.Scan();
  EXPECT_EQ(s.InitialDirectory(), "E:\\");
}

TEST(TreeScanner, StopInsideOnFileFoundFinishesTheFolderThenEnds) {
  TestFolder dir;
  dir.File("1.tmp");
  dir.File("2.tmp");
  dir.File("3.tmp");
  dir.File("sub\\4.tmp");
  dir.File("sub2\\5.tmp");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  int pumps = 0;
  s.ProcessMessages = [&] { ++pumps; };
  Recorder r(s, dir.path());
  s.SetOnFileFound([&](TTreeScanner& t) {
    r.lines.push_back("file " + t.FileFound().substr(dir.path().size()));
    t.Running = false;
  });
  s.Scan();
  EXPECT_EQ(r.lines, (V{"dir .\\", "file 1.tmp", "file 2.tmp", "file 3.tmp", "done (.\\3.tmp)", "end"}));
  EXPECT_EQ(pumps, 3);  // each pending folder still runs messages, then returns at its entry test
  EXPECT_FALSE(s.Running);
  // The next run sets Running again.
  r.lines.clear();
  s.SetOnFileFound(nullptr);
  s.Scan();
  EXPECT_EQ(r.lines.size(), 7u);
}

// A window that clears the scanner's Running flag when it receives WM_APP, as a
// Stop button does while messages run during a walk.
LRESULT CALLBACK StopProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_APP) {
    reinterpret_cast<TTreeScanner*>(lp)->Running = false;
    return 0;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}

TEST(TreeScanner, AStopCommandHandledWhileMessagesRunEndsTheWalk) {
  TestFolder dir;
  dir.File("a\\1.tmp");
  dir.File("b\\2.tmp");
  dir.File("c\\3.tmp");
  WNDCLASSW wc{};
  wc.lpfnWndProc = StopProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"VelmoraScanStopTest";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  ASSERT_TRUE(window);
  TTreeScanner s;  // with the default message pump
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  s.SetOnFileFound([&](TTreeScanner& t) {
    r.lines.push_back("file " + t.FileFound().substr(dir.path().size()));
    PostMessageW(window, WM_APP, 0, reinterpret_cast<LPARAM>(&t));
    // The default pump runs at most every 10 ms (and the tick count moves in
    // steps of up to 16 ms): once that has passed, the
    // next folder lets the Stop in.
    Sleep(ui::kPumpIntervalMs + 40);
  });
  s.Scan();
  DestroyWindow(window);
  EXPECT_EQ(r.lines, (V{"dir .\\", "dir .\\a\\", "file a\\1.tmp", "done (.\\a\\1.tmp)", "done (.\\a\\1.tmp)", "end"}));
}

// A failing handler ends the run; the next run's masks are taken, not ignored
// as if the failed run were still going.
TEST(TreeScanner, HandlerErrorsPassThroughAndEndTheSearch) {
  TestFolder dir;
  dir.File("a.tmp");
  dir.File("b.tmp");
  dir.File("c.other");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  bool searchDone = false;
  s.SetOnSearchDone([&](TTreeScanner&) { searchDone = true; });
  s.SetOnFileFound([](TTreeScanner& t) { throw std::runtime_error("handler failed on " + t.FileFound()); });
  EXPECT_THROW(s.Scan(), std::runtime_error);
  EXPECT_FALSE(s.SearchInProgress());
  EXPECT_FALSE(searchDone);
  s.SetFileMask("*.other");
  EXPECT_EQ(s.FileMask(), "*.other");
  std::vector<std::string> files;
  s.SetOnFileFound([&](TTreeScanner& t) { files.push_back(t.FileFound().substr(t.FileFound().rfind('\\') + 1)); });
  s.Scan();
  EXPECT_EQ(files, std::vector<std::string>{"c.other"});
  EXPECT_FALSE(s.SearchInProgress());
  EXPECT_TRUE(searchDone);
}

TEST(TreeScanner, MaskWritesAreIgnoredDuringAScan) {
  TestFolder dir;
  dir.File("a.tmp");
  dir.File("sub\\b.tmp");
  dir.File("sub\\c.txt");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  Recorder files(s, dir.path());
  s.SetOnDirectoryFound([](TTreeScanner& t) {
    EXPECT_TRUE(t.SearchInProgress());
    t.SetFileMask("*.txt");
    t.SetFileMaskCommaText("*.txt,*.doc");
  });
  s.Scan();
  EXPECT_EQ(files.Files(), (V{".\\a.tmp 1", ".\\sub\\b.tmp 1"}));
  EXPECT_EQ(s.Masks(), V{"*.tmp"});
  s.SetFileMask("*.txt");
  EXPECT_EQ(s.Masks(), V{"*.txt"});
}

TEST(TreeScanner, ANestedScanOfTheSameScannerIsIgnored) {
  TestFolder dir;
  dir.File("a.tmp");
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  int files = 0, ends = 0;
  s.SetOnFileFound([&](TTreeScanner& t) {
    ++files;
    t.Scan();
  });
  s.SetOnSearchDone([&](TTreeScanner&) { ++ends; });
  s.Scan();
  EXPECT_EQ(files, 1);
  EXPECT_EQ(ends, 1);
}

TEST(TreeScanner, FileSizeIsSixtyFourBits) {
  TestFolder dir;
  const std::uint64_t size = (std::uint64_t(4) << 30) + 7;  // just over 4 GiB
  const std::string big = dir.SizedFile("big.bin", size);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(Widen(big).c_str(), GetFileExInfoStandard, &data));
  if (((std::uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow) != size)
    GTEST_SKIP() << "this file system cannot make a sparse 4 GiB file";
  dir.SizedFile("three.bin", std::uint64_t(3) << 30);
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.bin");
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.Files(), (V{".\\big.bin 4294967303", ".\\three.bin 3221225472"}));
}

TEST(TreeScanner, NamesBeyondAsciiAndPathsBeyondMaxPath) {
  TestFolder dir;
  dir.File("\xc3\x84rger.TMP");  // "Ärger.TMP"
  // A chain of folders past MAX_PATH, made and removed through the \\?\ form.
  std::wstring deep = L"\\\\?\\" + Widen(dir.path());
  std::string rel;
  std::vector<std::wstring> made;
  for (int i = 0; i < 6; ++i) {
    const std::string part = "level" + std::to_string(i) + std::string(50, 'x');
    rel += part + "\\";
    deep += Widen(part);
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    made.push_back(deep);
    deep += L"\\";
  }
  const std::wstring deepFile = deep + L"deep.tmp";
  HANDLE h = CreateFileW(deepFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WriteFile(h, "abc", 3, nullptr, nullptr);
  CloseHandle(h);
  ASSERT_GT(dir.path().size() + rel.size(), std::size_t(MAX_PATH));

  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMaskCommaText("\xc3\xa4*.tmp,*.TMP");  // "ä*.tmp"
  Recorder r(s, dir.path());
  s.Scan();
  EXPECT_EQ(r.Files(), (V{".\\\xc3\x84rger.TMP 1", ".\\" + rel + "deep.tmp 3"}));

  DeleteFileW(deepFile.c_str());
  for (auto it = made.rbegin(); it != made.rend(); ++it) RemoveDirectoryW(it->c_str());
}

TEST(TreeScannerFolders, ListingRulesOnAttributes) {
  constexpr DWORD dir = FILE_ATTRIBUTE_DIRECTORY;
  EXPECT_TRUE(EntersFolder(dir, 0, false));
  EXPECT_TRUE(EntersFolder(dir | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE, 0, false));
  EXPECT_FALSE(EntersFolder(dir | FILE_ATTRIBUTE_HIDDEN, 0, false));
  EXPECT_TRUE(EntersFolder(dir | FILE_ATTRIBUTE_HIDDEN, 0, true));
  EXPECT_FALSE(EntersFolder(dir | FILE_ATTRIBUTE_SYSTEM, 0, true));
  // Junctions and directory links are never entered; a tag the listing left out
  // counts as a link (Wine gives none).
  const DWORD reparse = dir | FILE_ATTRIBUTE_REPARSE_POINT;
  EXPECT_FALSE(EntersFolder(reparse, IO_REPARSE_TAG_MOUNT_POINT, true));
  EXPECT_FALSE(EntersFolder(reparse, IO_REPARSE_TAG_SYMLINK, true));
  EXPECT_FALSE(EntersFolder(reparse, 0, true));
  // A reparse point that holds its own content (a cloud placeholder folder) is.
  EXPECT_TRUE(EntersFolder(reparse, 0x9000001AUL /* IO_REPARSE_TAG_CLOUD_1 */, false));

  EXPECT_TRUE(ReportsFile(FILE_ATTRIBUTE_ARCHIVE, false));
  EXPECT_TRUE(ReportsFile(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM, false));
  EXPECT_FALSE(ReportsFile(FILE_ATTRIBUTE_HIDDEN, false));
  EXPECT_TRUE(ReportsFile(FILE_ATTRIBUTE_HIDDEN, true));
  EXPECT_FALSE(ReportsFile(dir, true));
  EXPECT_FALSE(ReportsFile(0x8 /* volume label */, true));
}

// Makes `link` a directory symbolic link to `target` (relative to the link's
// folder). Windows: CreateSymbolicLinkW, which needs the privilege or developer
// mode. Wine 8 answers TRUE there and makes nothing, but it starts host programs
// through the \\?\unix\ form, so the host's ln makes a link that Wine lists as a
// folder with the reparse-point attribute and no tag.
bool MakeFolderLink(const std::string& link, const std::string& target, bool remove = false) {
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) {
    if (remove) return RemoveDirectoryW(Widen(link).c_str());
    return CreateSymbolicLinkW(Widen(link).c_str(), Widen(target).c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2 /* ALLOW_UNPRIVILEGED_CREATE */);
  }
  char* unixLink = unixName(Widen(link).c_str());
  if (!unixLink) return false;
  std::wstring program = remove ? L"\\\\?\\unix\\bin\\rm" : L"\\\\?\\unix\\bin\\ln";
  std::wstring unixTarget = Widen(target);
  for (wchar_t& c : unixTarget)
    if (c == L'\\') c = L'/';
  std::wstring command = remove ? L"rm \"" + Widen(unixLink) + L"\""
                                : L"ln -s \"" + unixTarget + L"\" \"" + Widen(unixLink) + L"\"";
  HeapFree(GetProcessHeap(), 0, unixLink);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // Wine cannot wait for a host program: watch for the link to come (or go).
  for (int i = 0; i < 500; ++i) {
    const bool exists = GetFileAttributesW(Widen(link).c_str()) != INVALID_FILE_ATTRIBUTES;
    if (exists != remove) return true;
    Sleep(10);
  }
  return false;
}

TEST(TreeScannerFolders, LinkedFoldersAreNotEntered) {
  TestFolder dir;
  dir.File("a\\file.tmp");
  dir.File("target\\elsewhere.tmp");
  const std::string up = dir / "a\\up";        // points back up the tree
  const std::string across = dir / "a\\across";  // points at another folder
  if (!MakeFolderLink(up, "..") || !MakeFolderLink(across, "..\\target"))
    GTEST_SKIP() << "cannot make a directory link here";
  const DWORD attrs = GetFileAttributesW(Widen(up).c_str());
  if (attrs == INVALID_FILE_ATTRIBUTES || !(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
    MakeFolderLink(up, "", true);
    MakeFolderLink(across, "", true);
    GTEST_SKIP() << "the link is not listed as a reparse point";
  }
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  Recorder r(s, dir.path());
  s.Scan();
  s.SetRecursive(false);
  s.SetInitialDirectory(dir / "a");
  Recorder flat(s, dir.path());
  s.Scan();
  // Remove the links themselves: RemoveDirectoryW on one under Wine acts on its target.
  MakeFolderLink(up, "", true);
  MakeFolderLink(across, "", true);
  EXPECT_EQ(r.Files(), (V{".\\a\\file.tmp 1", ".\\target\\elsewhere.tmp 1"}));
  EXPECT_EQ(flat.lines, (V{"dir .\\a\\", "file .\\a\\file.tmp 1", "done (.\\a\\file.tmp)", "end"}));
}

// Entries of `folder` as Wine lists them.
int CountEntries(const std::string& folder) {
  WIN32_FIND_DATAW fd;
  HANDLE h = FindFirstFileW(Widen(folder + "*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do
    if (fd.cFileName[0] != L'.') ++n;
  while (FindNextFileW(h, &fd));
  FindClose(h);
  return n;
}

TEST(TreeScanner, NamesEqualButForCaseInOneFolderCountOnce) {
  // A case-sensitive host folder (as Wine's are) can hold "A.tmp" and "a.tmp";
  // the Windows API cannot make the pair, the host's touch can.
  using UnixName = char*(CDECL*)(LPCWSTR);
  const auto unixName = reinterpret_cast<UnixName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (!unixName) GTEST_SKIP() << "needs Wine on a case-sensitive host folder";
  TestFolder dir;
  dir.File("Sub\\x.txt");
  char* unixDir = unixName(Widen(dir.path()).c_str());
  ASSERT_TRUE(unixDir);
  const std::wstring base = Widen(unixDir);
  HeapFree(GetProcessHeap(), 0, unixDir);
  std::wstring command = L"touch \"" + base + L"/A.tmp\" \"" + base + L"/a.tmp\" \"" + base + L"/b.TMP\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  ASSERT_TRUE(CreateProcessW(L"\\\\?\\unix\\usr\\bin\\touch", command.data(), nullptr, nullptr, FALSE, 0,
                             nullptr, nullptr, &si, &pi));
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int i = 0; i < 500 && CountEntries(dir.path()) < 4; ++i) Sleep(10);
  if (CountEntries(dir.path()) < 4) GTEST_SKIP() << "the host folder does not keep names apart by case";
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  s.SetRecursive(false);
  V lines;
  s.SetOnFileFound([&](TTreeScanner& t) { lines.push_back(UpperCase(t.FileFound().substr(dir.path().size()))); });
  s.Scan();
  EXPECT_EQ(lines, (V{"A.TMP", "B.TMP"}));
}

TEST(TreeScanner, ReportsTheListingsAttributesAndWriteTime) {
  TestFolder dir;
  const std::string path = dir.File("a.tmp", "12345");
  Attribute(path, FILE_ATTRIBUTE_READONLY);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  ASSERT_TRUE(GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data));
  TTreeScanner s;
  s.SetInitialDirectory(dir.path());
  s.SetFileMask("*.tmp");
  s.ProcessMessages = nullptr;
  int files = 0;
  s.SetOnDirectoryFound([&](TTreeScanner& t) { EXPECT_EQ(0u, t.FileAttributes() | t.FileWritten()); });
  s.SetOnFileFound([&](TTreeScanner& t) {
    ++files;
    EXPECT_EQ(data.dwFileAttributes, t.FileAttributes());
    EXPECT_EQ((std::uint64_t(data.ftLastWriteTime.dwHighDateTime) << 32) | data.ftLastWriteTime.dwLowDateTime,
              t.FileWritten());
    EXPECT_EQ(5u, t.FileSize());
  });
  s.Scan();
  EXPECT_EQ(1, files);
  test::SetAttributes(path, FILE_ATTRIBUTE_NORMAL);
}

// A tree of empty and non-empty files, some matching "*.tmp", one hidden.
void ZeroLengthTree(const TestFolder& dir) {
  dir.File("b.txt", "");
  dir.File("A.tmp", "");
  dir.File("c.tmp", "data");
  dir.File("big.dat", "data");
  dir.File("sub\\z.log", "");
  dir.File("sub\\deeper\\y", "");
  dir.File("sub\\deeper\\full.tmp", "data");
  dir.File("other\\full.txt", "data");
  dir.File("hidden.txt", "");
  Attribute(dir / "hidden.txt", FILE_ATTRIBUTE_HIDDEN);
}

TEST(TreeScanner, ARecordedWalkReplaysAsASecondWalkWouldReportIt) {
  TestFolder dir;
  ZeroLengthTree(dir);
  // First pass: the masks look for "*.tmp"; the empty files are recorded on the way.
  TTreeScanner first;
  first.SetInitialDirectory(dir.path());
  first.SetFileMask("*.tmp");
  first.ProcessMessages = nullptr;
  WalkRecord record;
  first.SetRecording(&record, [](std::uint64_t size, unsigned long) { return size == 0; });
  Recorder patterns(first, dir.path());
  first.Scan();
  EXPECT_EQ(patterns.Files(), (V{".\\A.tmp", ".\\c.tmp 4", ".\\sub\\deeper\\full.tmp 4"}));
  ASSERT_TRUE(record.complete);

  // What a real second walk for "*.*" reports of the empty files...
  TTreeScanner second;
  second.SetInitialDirectory(dir.path());
  second.SetFileMask("*.*");
  second.ProcessMessages = nullptr;
  std::vector<std::string> walked;
  second.SetOnFileFound([&](TTreeScanner& t) {
    if (t.FileSize() == 0) walked.push_back(t.FileFound());
  });
  second.Scan();
  // ...is what the replay reports, in the same order and without the hidden file.
  EXPECT_TRUE(second.CanReplay(record));
  std::vector<std::string> replayed, folders;
  second.SetOnFileFound([&](TTreeScanner& t) { replayed.push_back(t.FileFound()); });
  second.SetOnDirectoryFound([&](TTreeScanner& t) { folders.push_back(t.FileFound()); });
  int ends = 0, pumps = 0;
  second.SetOnSearchDone([&](TTreeScanner& t) {
    ++ends;
    EXPECT_FALSE(t.SearchInProgress());
  });
  second.ProcessMessages = [&] { ++pumps; };
  second.Replay(record);
  EXPECT_EQ(walked, replayed);
  EXPECT_EQ(replayed, (V{dir / "A.tmp", dir / "b.txt", dir / "sub\\z.log", dir / "sub\\deeper\\y"}));
  EXPECT_EQ(folders, (V{dir.path(), dir / "sub\\", dir / "sub\\deeper\\"}));  // only folders with empty files
  EXPECT_EQ(1, ends);
  EXPECT_EQ(3, pumps);
  EXPECT_EQ(dir.path(), second.InitialDirectory());

  // The replaying scanner's own masks still apply.
  second.SetFileMask("*.log");
  replayed.clear();
  second.Replay(record);
  EXPECT_EQ(replayed, (V{dir / "sub\\z.log"}));
  test::SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_NORMAL);
}

TEST(TreeScanner, OnlyACompleteRecordOfTheSameWalkCanBeReplayed) {
  TestFolder dir;
  ZeroLengthTree(dir);
  const auto empty = [](std::uint64_t size, unsigned long) { return size == 0; };
  TTreeScanner first, second;
  for (TTreeScanner* s : {&first, &second}) {
    s->SetInitialDirectory(dir.path());
    s->SetFileMask("*.*");
    s->ProcessMessages = nullptr;
  }
  WalkRecord record;
  first.SetRecording(&record, empty);
  // A walk stopped on the way saw only part of the tree.
  first.SetOnFileFound([](TTreeScanner& t) { t.Running = false; });
  first.Scan();
  EXPECT_FALSE(record.complete);
  EXPECT_FALSE(second.CanReplay(record));

  first.SetOnFileFound(nullptr);
  first.Scan();
  EXPECT_TRUE(second.CanReplay(record));
  // Another start folder, other hidden rules or no recursion walk another tree.
  second.SetInitialDirectory(dir / "sub");
  EXPECT_FALSE(second.CanReplay(record));
  second.SetInitialDirectory(dir.path().substr(0, dir.path().size() - 1));  // the same folder written without "\\"
  EXPECT_TRUE(second.CanReplay(record));
  second.SetFindHiddenFiles(true);
  EXPECT_FALSE(second.CanReplay(record));
  second.SetFindHiddenFiles(false);
  second.SetRecursive(false);
  EXPECT_FALSE(second.CanReplay(record));

  // A stop during the replay ends it at the next folder.
  second.SetRecursive(true);
  std::vector<std::string> replayed;
  second.SetOnFileFound([&](TTreeScanner& t) { replayed.push_back(t.FileFound()); });
  int pumps = 0;
  second.ProcessMessages = [&] {
    if (++pumps == 2) second.Running = false;
  };
  second.Replay(record);
  EXPECT_EQ(replayed, (V{dir / "A.tmp", dir / "b.txt"}));
  EXPECT_FALSE(second.Running);

  // Recording off: the record stays as it was.
  first.SetRecording(nullptr, nullptr);
  const std::size_t folders = record.folders.size();
  first.SetInitialDirectory(dir / "other");
  first.Scan();
  EXPECT_EQ(folders, record.folders.size());
  test::SetAttributes(dir / "hidden.txt", FILE_ATTRIBUTE_NORMAL);
}

}  // namespace
}  // namespace velmora::scan
