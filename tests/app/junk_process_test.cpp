// The scheduled junk clean-up as the agent starts it ("/CleanJunk", a real
// Quorvel.exe with the box watchdog on it), in the environments a user's
// machine gives it: a temporary folder set to a drive root, the profile, the
// Windows folder, a missing folder, an 8.3 form, or not set at all; a drive
// with no recycle bin; a move folder that is gone. The run must list nothing
// outside a real temporary folder and say why, never ask, and leave in place
// what it cannot remove as chosen.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/system.h"
#include "platform/text.h"
#include "support/process_run.h"
#include "support/real_state.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr unsigned kRunLimitMs = 120000;
const char* const kJunkKey = "Software\\Dastra\\Velmora\\Junk";
const char* const kPosKey = "Software\\Dastra\\Velmora\\Junk\\pos";

class JunkRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The temporary-folder pass on, no drive ticked, deleting for good: every
    // file the pass lists goes, so a sentinel that survives was never listed.
    Drives("---");
    const RegKey pos = RegKey::Create(HKEY_CURRENT_USER, kPosKey);
    pos.WriteDword("cbTemp.Checked", 1);
    pos.WriteDword("cbZeroLength.Checked", 0);
    Option("optDelete.Checked");
    const RegKey k = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule\\Junk");
    k.WriteDword("ShowProgress", 1);
    k.WriteDword("LogEvents", 1);
  }
  static void Drives(const std::string& letters) {
    RegKey::Create(HKEY_CURRENT_USER, kJunkKey).WriteString("Drives", letters);
  }
  static void Option(const char* chosen) {
    const RegKey pos = RegKey::Create(HKEY_CURRENT_USER, kPosKey);
    for (const char* o : {"optDelete.Checked", "optRecycle.Checked", "optMove.Checked"})
      pos.WriteDword(o, std::string(o) == chosen ? 1 : 0);
  }
  std::string JunkLog() const { return ReadTextFile(state_.programFolder() + "JunkLog.txt").value_or(""); }
  // Runs the clean-up with TEMP and TMP as given; no box, ended by itself.
  // A run whose removal failed ends with 1 and records no "LastRan".
  void Run(const std::vector<EnvChange>& env, const std::string& what, int exitCode = 0) {
    const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), "/CleanJunk", kRunLimitMs, env);
    ASSERT_TRUE(r.ended) << what << ": still running after " << kRunLimitMs << " ms";
    EXPECT_TRUE(r.boxes.empty()) << what << ": " << BoxesText(r.boxes);
    EXPECT_EQ(exitCode, r.exitCode) << what << "\n" << JunkLog();
    const RegKey k = RegKey::Open(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Schedule\\Junk");
    EXPECT_EQ(exitCode == 0, k && k.ReadDateTime("LastRan").has_value()) << what;
    std::cout << "/CleanJunk with " << what << ": " << r.elapsedMs << " ms\n";
  }

  RealState state_;
};

// A scratch file of the test's own in a folder it must not own, removed afterwards.
struct Sentinel {
  explicit Sentinel(const std::string& folder) : path(IncludeTrailingBackslash(folder) + "velmora-sentinel.dat") {
    EXPECT_TRUE(WriteFileAtomically(path, "the user's own")) << path;
  }
  ~Sentinel() { DeleteFileW(LongPathW(path).c_str()); }
  std::string path;
};

TEST_F(JunkRun, AnOddTemporaryFolderIsNotEmptiedAndTheLogSaysWhy) {
  TestFolder drive('F');
  const std::string profile = RealState::ProfileFolder();
  const std::string windows = SystemWindowsFolder().value_or("C:\\windows");
  ASSERT_FALSE(profile.empty());
  const Sentinel inDrive(drive.path()), inProfile(profile), inWindows(windows);
  struct Case {
    const char* what;
    std::optional<std::string> temp;
    const Sentinel& sentinel;
  };
  for (const Case& c : {Case{"TEMP at a drive root", std::string("F:\\"), inDrive},
                        Case{"TEMP at the profile", profile, inProfile},
                        Case{"TEMP at the Windows folder", windows, inWindows},
                        Case{"TEMP at a missing folder", drive / "missing", inDrive},
                        Case{"TEMP and TMP unset", std::nullopt, inProfile}}) {
    SCOPED_TRACE(c.what);
    const std::size_t before = JunkLog().size();
    Run(TempFolderIs(c.temp), c.what);
    EXPECT_TRUE(PathExists(c.sentinel.path)) << c.sentinel.path;
    const std::string log = JunkLog().substr(std::min(before, JunkLog().size()));
    EXPECT_NE(log.find("  The temporary folder "), std::string::npos) << log;
    EXPECT_NE(log.find(" was not scanned: "), std::string::npos) << log;
    EXPECT_EQ(log.find("Permanently deleting"), std::string::npos) << log;
  }
}

// TEMP in its 8.3 form, and the drive holding it ticked: the file is listed
// once, in its long form, and removed once (no "in use" for a second listing).
TEST_F(JunkRun, AShortTemporaryFolderListsEachFileOnce) {
  TestFolder drive('F');
  const std::string temp = drive.Folder("a long temporary folder name");
  const std::string file = drive.File("a long temporary folder name\\stale.tmp", "junk");
  const auto shortForm = ShortPathName(temp);
  ASSERT_TRUE(shortForm);
  ASSERT_NE(UpperCase(*shortForm), UpperCase(temp));
  Drives("F");
  Run(TempFolderIs(*shortForm), "TEMP in its 8.3 form");
  EXPECT_FALSE(PathExists(file));
  const std::string log = JunkLog();
  EXPECT_NE(UpperCase(log).find(UpperCase("Permanently deleting: " + file)), std::string::npos) << log;
  EXPECT_EQ(log.find("currently in use"), std::string::npos) << log;
  EXPECT_NE(log.find("found in 1 files."), std::string::npos) << log;
}

// N: is a network drive: no recycle bin. Unattended, the file stays and the
// log says why; nothing is deleted for good behind the user's back.
TEST_F(JunkRun, ADriveWithoutARecycleBinKeepsItsFilesUnattended) {
  TestFolder share('N');
  const std::string file = share.File("stale.tmp", "junk");
  Drives("N");
  Option("optRecycle.Checked");
  RegKey::Create(HKEY_CURRENT_USER, kPosKey).WriteDword("cbTemp.Checked", 0);
  Run({}, "recycling on a drive without a bin", 1);
  EXPECT_TRUE(PathExists(file));
  const std::string log = JunkLog();
  EXPECT_NE(log.find("  Unable to remove \"" + file + "\".  It cannot go to the recycle bin ("), std::string::npos)
      << log;
  EXPECT_EQ(log.find("Moving to recycle bin: " + file), std::string::npos) << log;
}

// The move folder was deleted after it was chosen: nothing moves, nothing
// takes the folder's name, one line says so.
TEST_F(JunkRun, AMoveFolderThatIsGoneMovesNothing) {
  TestFolder drive('F');
  // Not on the way to the move folder: what lies there is never listed.
  const std::string file = drive.File("old\\stale.tmp", "junk");
  const std::string gone = drive / "moved here";
  Drives("F");
  Option("optMove.Checked");
  const RegKey pos = RegKey::Create(HKEY_CURRENT_USER, kPosKey);
  pos.WriteDword("cbTemp.Checked", 0);
  pos.WriteString("deMove.Text", gone);
  Run({}, "a move folder that is gone", 1);
  EXPECT_TRUE(PathExists(file));
  EXPECT_FALSE(PathExists(gone));
  const std::string log = JunkLog();
  EXPECT_NE(log.find("  Nothing was moved: the folder to move removed files to, \"" + gone + "\", does not exist."),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Relocating"), std::string::npos) << log;
}

}  // namespace
