#include "tools/eraser/browser_clean.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/services.h"
#include "platform/system.h"
#include "platform/text.h"
#include "shell/cache_completion.h"
#include "shell/clock_window.h"
#include "shell/run_lock.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::eraser;
using velmora::test::PathExists;
using velmora::test::world;

namespace {

// An index header of exactly 500 bytes holding the given names among zeros and noise.
std::string IndexHeader(const std::vector<std::string>& names) {
  std::string h = "Client UrlCache MMF Ver 5.2";
  h.append(8, '\0');
  for (const std::string& n : names) {
    h += n;
    h.append(4, '\0');
  }
  h.resize(600, '\0');
  return h;
}

CleanContext Context(std::vector<std::string>& notRemoved) {
  CleanContext ctx;
  ctx.notRemoved = &notRemoved;
  ctx.expiryWaitMs = 20;
  return ctx;
}

void SetShellFolder(const char* name, const std::string& folder) {
  RegKey::Create(HKEY_CURRENT_USER, kShellFoldersKey).WriteString(name, folder);
}

TEST(BrowserFiles, CookiesGoButTheIndexStaysAndHiddenFoldersAreNotEntered) {
  test::TestFolder dir('E');
  const std::string index = dir.File("Cookies\\index.dat", "idx");
  const std::string a = dir.File("Cookies\\user@a.txt", "a"), b = dir.File("Cookies\\sub\\user@b.txt", "b");
  const std::string hidden = dir.File("Cookies\\Hidden\\keep.txt", "k");
  test::SetAttributes(dir / "Cookies\\Hidden", FILE_ATTRIBUTE_HIDDEN);
  std::vector<std::string> notRemoved;
  int visited = 0;
  EXPECT_TRUE(RecurseFiles(dir / "Cookies", "*.*", [&](const std::string& folder, const DirEntry& e) {
    ++visited;
    return DeleteExceptIndex(notRemoved)(folder, e);
  }));
  EXPECT_EQ(3, visited);
  EXPECT_TRUE(PathExists(index));
  EXPECT_FALSE(PathExists(a));
  EXPECT_FALSE(PathExists(b));
  EXPECT_TRUE(PathExists(hidden));
  EXPECT_TRUE(notRemoved.empty());
  // Never "the current folder" for an empty one.
  EXPECT_FALSE(RecurseFiles("", "*.*", [](const std::string&, const DirEntry&) { return true; }));

  // A file held open without delete sharing is noted, and the walk goes on.
  const std::string held = dir.File("Cookies\\held.txt", "h"), next = dir.File("Cookies\\next.txt", "n");
  FileHandle h(CreateFileW(LongPathW(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(h);
  RecurseFiles(dir / "Cookies", "*.*", DeleteExceptIndex(notRemoved));
  EXPECT_EQ(std::vector<std::string>{held}, notRemoved);
  EXPECT_FALSE(PathExists(next));
}

// A link inside a cookie folder that points at another folder is never entered.
TEST(BrowserFiles, ALinkedFolderIsNotEntered) {
  test::TestFolder dir('E');
  const std::string precious = dir.File("Elsewhere\\precious.txt", "p");
  dir.Folder("Cookies");
  if (!CreateSymbolicLinkW(Widen(dir / "Cookies\\link").c_str(), Widen(dir / "Elsewhere").c_str(),
                           SYMBOLIC_LINK_FLAG_DIRECTORY))
    GTEST_SKIP() << "no directory links here (" << GetLastError() << ")";
  const auto attributes = FileAttributes(dir / "Cookies\\link");
  // Wine 8 makes the link but cannot follow it; Windows gives a reparse point.
  if (!attributes || !(*attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    RemoveDirectoryW(Widen(dir / "Cookies\\link").c_str());
    DeleteFileW(Widen(dir / "Cookies\\link").c_str());
    GTEST_SKIP() << "the link is not a reparse point here";
  }
  std::vector<std::string> notRemoved;
  RecurseFiles(dir / "Cookies", "*.*", DeleteExceptIndex(notRemoved));
  EXPECT_TRUE(PathExists(precious));
  RemoveDirectoryW(Widen(dir / "Cookies\\link").c_str());
}

TEST(BrowserFiles, TheCacheIndexEmptiesOnlyTheDirectSubFoldersItNames) {
  test::TestFolder dir('E');
  const std::string cache = dir.Folder("Cache");
  dir.File("Cache\\index.dat", IndexHeader({"ABCD1234", "..", "MISSING1", "content"}));
  const std::string named = dir.File("Cache\\ABCD1234\\page.htm", "p");
  const std::string namedIndex = dir.File("Cache\\ABCD1234\\index.dat", "i");
  const std::string other = dir.File("Cache\\OTHER123\\page.htm", "p");
  const std::string parent = dir.File("canary.txt", "c");
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  EraseCacheIndex(cache, ctx);
  EXPECT_FALSE(PathExists(named));
  EXPECT_TRUE(PathExists(namedIndex));
  EXPECT_TRUE(PathExists(other));
  EXPECT_TRUE(PathExists(parent));

  dir.File("Short\\index.dat", "too short");
  EXPECT_THROW(EraseCacheIndex(dir / "Short", ctx), std::runtime_error);
  EXPECT_THROW(EraseCacheIndex(dir / "None", ctx), std::runtime_error);
}

TEST(BrowserFiles, NetscapeProfilesLoseTypedAddressesAndAnUntouchedPrefsFileIsNotRewritten) {
  test::TestFolder dir('E');
  const std::string one = dir.File("Netscape\\Users\\one\\prefs.js",
                                   "user_pref(\"a\", 1);\r\nuser_pref(\"browser.url_history.URL_1\", \"u\");\r\n");
  const std::string two = dir.File("Netscape\\Users\\two\\prefs.js", "user_pref(\"b\", 2);\r\n");
  FILETIME before{};
  ReadFileTimes(two, nullptr, nullptr, &before);
  Sleep(20);
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  CleanNetscapeTypedHistory(dir / "Netscape\\", ctx);
  EXPECT_EQ("user_pref(\"a\", 1);\r\n", test::ReadWholeFile(one));
  EXPECT_EQ("user_pref(\"b\", 2);\r\n", test::ReadWholeFile(two));
  FILETIME after{};
  ReadFileTimes(two, nullptr, nullptr, &after);
  EXPECT_EQ(0, CompareFileTime(&before, &after));
}

TEST(BrowserFiles, TheNetscapeCacheWalkLooksOnlyBelowTheInstallationFolder) {
  test::TestFolder dir('E');
  // The installation path itself holds "cache": only folders below it that do count.
  const std::string install = dir.Folder("cachey\\Netscape");
  const std::string cached = dir.File("cachey\\Netscape\\Users\\one\\Cache\\abc.moz", "x");
  const std::string deep = dir.File("cachey\\Netscape\\Users\\one\\Cache\\sub\\def.moz", "x");
  const std::string mail = dir.File("cachey\\Netscape\\Users\\one\\Mail\\Inbox", "mail");
  const std::string prefs = dir.File("cachey\\Netscape\\Users\\one\\prefs.js", "p");
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  CleanNetscapeCache(install, ctx);
  EXPECT_FALSE(PathExists(cached));
  EXPECT_FALSE(PathExists(deep));
  EXPECT_TRUE(PathExists(mail));
  EXPECT_TRUE(PathExists(prefs));
  CleanNetscapeCache(kNoNetscape, ctx);  // not installed: nothing
}

// Folders named in the registry are trusted only when the suite may empty them.
TEST(BrowserFiles, RegistryFoldersThatAreEmptyRootsRelativeOrSystemCountAsAbsent) {
  test::RegistrySandbox sandbox;
  test::TestFolder dir('E');
  const std::string canary = dir.File("canary.txt", "c");
  const std::string windows = SystemWindowsFolder().value_or("C:\\windows");
  for (const std::string& bad : {std::string(), std::string("E:\\"), std::string("C:"), std::string("velmora-tests"),
                                 windows, windows + "\\", dir / "missing"}) {
    SetShellFolder("Cookies", bad);
    EXPECT_EQ(kNotFound, CookiesFolder()) << bad;
  }
  RegKey::Create(HKEY_CURRENT_USER, kShellFoldersKey).WriteDword("Cache", 1);
  EXPECT_EQ(kNotFound, CacheFolder());
  EXPECT_EQ(kNotFound, HistoryFolder());
  dir.Folder("History");
  SetShellFolder("History", dir / "History\\");
  EXPECT_EQ(dir / "History", HistoryFolder());  // one trailing "\" goes

  EXPECT_EQ(kNoNetscape, NetscapeFolder());
  RegKey::Create(HKEY_CURRENT_USER, kNetscapeKey).WriteString("Install Directory", "E:\\nav.exe");
  EXPECT_EQ(kNoNetscape, NetscapeFolder());  // all of E: would be walked
  RegKey::Create(HKEY_CURRENT_USER, kNetscapeKey).WriteString("Install Directory", "");
  EXPECT_EQ(kNoNetscape, NetscapeFolder());  // the current folder would be walked
  dir.Folder("Netscape\\Program");
  RegKey::Create(HKEY_CURRENT_USER, kNetscapeKey).WriteString("Install Directory", dir / "Netscape\\Program");
  EXPECT_EQ(dir / "Netscape\\", NetscapeFolder());

  EXPECT_EQ("", AolCacheFolder());
  RegKey::Create(HKEY_LOCAL_MACHINE, kAolKey).WriteString("AppPath", "");
  EXPECT_EQ("", AolCacheFolder());
  dir.Folder("AOL\\Cache");
  RegKey::Create(HKEY_LOCAL_MACHINE, kAolKey).WriteString("AppPath", dir / "AOL\\");
  EXPECT_EQ(dir / "AOL\\Cache", AolCacheFolder());

  // None of it touched the drive.
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  CleanCookies(CookiesFolder(), NetscapeFolder(), ctx);
  EXPECT_TRUE(PathExists(canary));
}

TEST(HistoryExpiry, TheClockGoesAYearAheadAndAlwaysComesBack) {
  test::RegistrySandbox sandbox;
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  world().utcNow = 45000.25;  // 15 March 2023, 06:00 UTC

  // No browser object: the clock is not touched.
  ExpireHistoryByClock(ctx);
  EXPECT_TRUE(world().utcClockSettings.empty());

  world().browserRegistered = true;
  ExpireHistoryByClock(ctx);
  ASSERT_EQ(2u, world().utcClockSettings.size());
  EXPECT_DOUBLE_EQ(45000.25 + 366, world().utcClockSettings[0]);  // 2024 is a leap year
  EXPECT_NEAR(45000.25, world().utcClockSettings[1], 2.0 / 86400);  // back, plus the seconds spent
  EXPECT_EQ(std::vector<std::string>{kBrowserProgId}, world().browserStarts);
  EXPECT_EQ(0u, RegKey::Open(HKEY_CURRENT_USER, kCacheSettingsKey).ReadDword("Persistent").value_or(9));

  // A browser call that throws: the clock still comes back.
  world().utcClockSettings.clear();
  world().onBrowserStart = [] { throw std::runtime_error("automation failed"); };
  ExpireHistoryByClock(ctx);
  ASSERT_EQ(2u, world().utcClockSettings.size());
  EXPECT_NEAR(45000.25, world().utcClockSettings[1], 2.0 / 86400);

  // The clock may not be set: nothing else happens.
  world().utcClockSettings.clear();
  world().browserStarts.clear();
  world().clockRefuses = true;
  ExpireHistoryByClock(ctx);
  EXPECT_TRUE(world().browserStarts.empty());
}

// While the clock is a year ahead nothing else may judge a clock: the run lock
// is held (seen from another thread, as another process would see it) and a
// marker says how far it was moved, until it is back. A marker left by a
// process that ended meanwhile is undone at the next start, but not while a
// run holds the lock (that run may be the one that moved it).
TEST(HistoryExpiry, TheMovedClockHoldsTheRunLockAndAMarkerPutsItBackAfterACrash) {
  test::RegistrySandbox sandbox;
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  world().utcNow = 45000.25;
  world().browserRegistered = true;
  auto heldElsewhere = [] {
    bool held = false;
    std::thread([&] { held = shell::LockIsHeld(shell::kRunLockName); }).join();
    return held;
  };
  auto marker = [] { return RegKey::Open(HKEY_CURRENT_USER, std::string(shell::kPrivacyKey).substr(1))
                                .ReadDateTime(shell::kClockMarkerValue); };
  bool lockedDuringMove = false;
  std::optional<double> markerDuringMove;
  world().onBrowserStart = [&] {
    lockedDuringMove = heldElsewhere();
    markerDuringMove = marker();
  };
  ExpireHistoryByClock(ctx);
  EXPECT_TRUE(lockedDuringMove);
  EXPECT_EQ(std::optional<double>(366), markerDuringMove);
  EXPECT_FALSE(marker());
  EXPECT_FALSE(heldElsewhere());

  // The process ended with the clock moved: the next start sets it back.
  world().onBrowserStart = nullptr;
  world().utcClockSettings.clear();
  shell::WriteClockMarker(366);
  world().utcNow = 45366.5;
  // Not while a run holds the lock.
  std::atomic<bool> release{false}, taken{false};
  std::thread holder([&] {
    shell::NamedLock run(shell::kRunLockName);
    taken = run.TryAcquire();
    while (!release) Sleep(5);
  });
  while (!taken) Sleep(5);
  EXPECT_FALSE(shell::RestoreClockIfMoved());
  EXPECT_TRUE(marker());
  release = true;
  holder.join();
  EXPECT_TRUE(shell::RestoreClockIfMoved());
  ASSERT_EQ(1u, world().utcClockSettings.size());
  EXPECT_DOUBLE_EQ(45000.5, world().utcClockSettings[0]);
  EXPECT_FALSE(marker());
  EXPECT_FALSE(shell::RestoreClockIfMoved());  // once only
}

TEST(HistoryExpiry, DayFoldersOnlyOutsideNtAndNoExpiryWithoutAnIndex) {
  test::TestFolder dir('E');
  const std::string history = dir.Folder("History");
  const std::string day = dir.File("History\\MSHIST~3\\visit.url", "v");
  const std::string day2 = dir.File("History\\History.ie5\\MSHIS~12\\visit.url", "v");
  world().browserRegistered = true;
  std::vector<std::string> notRemoved;
  CleanContext ctx = Context(notRemoved);
  CleanIEHistory(history, ctx);  // NT (the fake's default): day folders stay; no index: no clock
  EXPECT_TRUE(PathExists(day));
  EXPECT_TRUE(world().utcClockSettings.empty());
  world().windowsNT = false;
  CleanIEHistory(history, ctx);
  EXPECT_FALSE(PathExists(day));
  EXPECT_FALSE(PathExists(day2));
  EXPECT_TRUE(world().utcClockSettings.empty());
}

TEST(HistoryExpiry, TheRealServiceStartsNothingForAnUnknownProgId) {
  const Services real = RealServices();
  int pumped = 0;
  EXPECT_FALSE(real.automationRegistered("Velmora.NoSuchBrowser.Application"));
  EXPECT_FALSE(real.startAndQuitBrowser("Velmora.NoSuchBrowser.Application", [&] { ++pumped; }));
  EXPECT_EQ(0, pumped);
}

}  // namespace
