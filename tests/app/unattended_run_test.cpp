// The unattended runs as the agent starts them: a real Quorvel.exe process with
// the null display (where a box would wait for ever), on the test prefix's own
// registry and folders, with the box watchdog on it. Each run must end by
// itself, raise no box, and record a failure as a failure.
#include <gtest/gtest.h>
#include <windows.h>

#include <iostream>
#include <string>

#include "platform/datetime.h"
#include "platform/format.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/run_lock.h"
#include "support/process_run.h"
#include "support/real_state.h"
#include "support/test_folder.h"
#include "tools/regclean/undo_session.h"

using namespace velmora;
using namespace velmora::test;

namespace {

constexpr unsigned kRunLimitMs = 120000;

struct Switch {
  const char* argument;
  const char* log;
  const char* toolKey;
};
const Switch kJunk{"/CleanJunk", "JunkLog.txt", "Software\\Dastra\\Velmora\\Schedule\\Junk"};
const Switch kEraser{"/CleanHistory", "EraserLog.txt", "Software\\Dastra\\Velmora\\Schedule\\Eraser"};
const Switch kRegistry{"/RegistryClean", "RegistryLog.txt", "Software\\Dastra\\Velmora\\Schedule\\Registry"};

std::optional<double> LastRan(const Switch& s) {
  const RegKey k = RegKey::Open(HKEY_CURRENT_USER, s.toolKey);
  return k ? k.ReadDateTime("LastRan") : std::nullopt;
}

class UnattendedRun : public ::testing::Test {
 protected:
  void SetUp() override {
    // The tools' saved settings, as a user would have left them: the junk
    // cleaner on the small drive F: without the temporary-folder pass and
    // deleting; the eraser without the browser's clock expiry; the registry
    // cleaner backing up the whole registry but scanning no area, so the real
    // registry is read whole and changed nowhere.
    RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Junk").WriteString("Drives", "F");
    const RegKey junkPos = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\Junk\\pos");
    junkPos.WriteDword("cbTemp.Checked", 0);
    junkPos.WriteDword("optDelete.Checked", 1);
    junkPos.WriteDword("optRecycle.Checked", 0);
    const RegKey areas = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\regclean\\pos");
    for (const char* area : {"CU", "US", "LM", "SD"}) areas.WriteDword(area, 0);
    for (const Switch* s : {&kJunk, &kEraser, &kRegistry}) {
      const RegKey k = RegKey::Create(HKEY_CURRENT_USER, s->toolKey);
      k.WriteDword("ShowProgress", 1);
      k.WriteDword("LogEvents", 1);
    }
  }
  std::string Data(const std::string& name) const { return state_.programFolder() + name; }
  std::string ScheduleLog() const { return ReadTextFile(Data("ScheduleLog.txt")).value_or(""); }

  RealState state_;
};

// Another program holds the run's log open with no sharing: the run writes
// nothing, removes nothing, records no "LastRan", says why in the suite's
// "ScheduleLog.txt", and ends with a failure code, all without a box.
TEST_F(UnattendedRun, ALogThatCannotBeWrittenEndsEachRunAsFailedWithoutABox) {
  TestFolder drive('F');
  const std::string junkFile = drive.File("old.tmp", "junk");
  for (const Switch* s : {&kJunk, &kEraser, &kRegistry}) {
    ASSERT_TRUE(WriteFileAtomically(Data(s->log), ""));
    FileHandle held(CreateFileW(LongPathW(Data(s->log)).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(held);
    const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), s->argument, kRunLimitMs);
    EXPECT_TRUE(r.ended) << s->argument << " still running after " << kRunLimitMs << " ms";
    EXPECT_TRUE(r.boxes.empty()) << s->argument << ": " << BoxesText(r.boxes);
    EXPECT_EQ(1, r.exitCode) << s->argument;
    EXPECT_FALSE(LastRan(*s)) << s->argument;
    const std::string log = ScheduleLog();
    EXPECT_NE(log.find("Scheduled run failed: the log " + Data(s->log) + " cannot be written"), std::string::npos)
        << s->argument << ":\n" << log;
    std::cout << s->argument << " with its log held: ended in " << r.elapsedMs << " ms\n";
  }
  EXPECT_TRUE(PathExists(junkFile));
  EXPECT_FALSE(PathExists(Data("Registry Backup\\Reg_Backup.reg")));
}

// The backup the registry run asks for cannot be made (its folder's name is
// taken by a file): nothing is listed, the run fails, and says so in its log.
TEST_F(UnattendedRun, ARegistryRunWhoseBackupFailsIsAFailureNotARun) {
  ASSERT_TRUE(WriteFileAtomically(Data("Registry Backup"), "not a folder"));
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kRegistry.argument, kRunLimitMs);
  EXPECT_TRUE(r.ended);
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(1, r.exitCode);
  EXPECT_FALSE(LastRan(kRegistry));
  const std::string log = ReadTextFile(Data(kRegistry.log)).value_or("");
  EXPECT_NE(log.find("There was an error while backing up the registry."), std::string::npos) << log;
  EXPECT_NE(log.find("Scheduled run failed"), std::string::npos) << log;
}

// The whole registry of the prefix, not overridden roots: the verified backup
// before the scan walks every key of HKEY_LOCAL_MACHINE, HKEY_USERS and
// HKEY_CURRENT_USER (Wine's performance-counter keys among them) and ends.
TEST_F(UnattendedRun, TheRegistryRunBacksUpTheWholeRealRegistryAndEnds) {
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kRegistry.argument, kRunLimitMs);
  ASSERT_TRUE(r.ended) << "the backup of the real registry did not end within " << kRunLimitMs << " ms";
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(0, r.exitCode) << ScheduleLog();
  EXPECT_TRUE(LastRan(kRegistry));
  const auto backup = FindEntry(Data("Registry Backup\\Reg_Backup.reg"));
  ASSERT_TRUE(backup);
  EXPECT_GT(backup->size, 1000000u);  // a prefix's registry is megabytes of text
  const std::string log = ReadTextFile(Data(kRegistry.log)).value_or("");
  EXPECT_NE(log.find("Registry Already Clean"), std::string::npos) << log;
  const std::size_t counts = log.find("  Registry backed up: ");
  EXPECT_NE(counts, std::string::npos) << log;
  std::cout << "whole-registry run: " << r.elapsedMs << " ms, backup " << backup->size << " bytes; "
            << log.substr(counts + 2, log.find('\r', counts) - counts - 2) << "\n";
}

// A real registry run over the prefix's own HKEY_CURRENT_USER removes values
// of a scratch key (and whatever else of the prefix is invalid), journals the
// session before it deletes, and that session's undo puts every removed value
// back exactly; the scratch key goes in every outcome.
TEST_F(UnattendedRun, ARegistryRunJournalsWhatItRemovesAndItsUndoPutsItBack) {
  struct Scratch {
    std::string path = "Software\\VelmoraUndoProcess-" + std::to_string(GetCurrentProcessId());
    ~Scratch() { RegKey::DeleteTree(HKEY_CURRENT_USER, path); }
  } scratch;
  TestFolder dir('E');
  const std::string missing = dir / "gone\\app.exe";
  RegKey::Create(HKEY_CURRENT_USER, scratch.path).WriteString("One", missing);
  RegKey::Create(HKEY_CURRENT_USER, scratch.path).WriteExpandString("Two", missing + "2");
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\regclean\\pos").WriteDword("CU", 1);
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kRegistry.argument, kRunLimitMs);
  ASSERT_TRUE(r.ended);
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(0, r.exitCode) << ScheduleLog();
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, scratch.path).ValueExists("One"));
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, scratch.path).ValueExists("Two"));
  const auto sessions = regclean::ListJournal(Data("Undo\\"));
  ASSERT_EQ(sessions.size(), 1u);
  EXPECT_EQ(sessions[0].index.tool, "Registry Cleaner");
  EXPECT_GE(sessions[0].index.count, 2);
  const regclean::UndoReport undo = regclean::UndoJournalSession(sessions[0].path);
  EXPECT_TRUE(undo.ok()) << (undo.failures.empty() ? "" : undo.failures[0]);
  EXPECT_EQ(undo.restored, sessions[0].index.count);  // all the run removed of the prefix, and only that
  const RegKey back = RegKey::Open(HKEY_CURRENT_USER, scratch.path);
  EXPECT_EQ(back.ReadString("One"), missing);
  const auto two = back.ReadValue("Two");
  ASSERT_TRUE(two);
  EXPECT_EQ(two->type, DWORD(REG_EXPAND_SZ));
  EXPECT_EQ(back.ReadString("Two"), missing + "2");
}

// A real junk run on drive F: removes what it lists, logs it, records the run.
TEST_F(UnattendedRun, AJunkRunOnARealDriveRemovesLogsAndRecordsTheRun) {
  TestFolder drive('F');
  const std::string junkFile = drive.File("stale.tmp", "junk");
  const std::string keep = drive.File("letter.txt", "keep");
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kJunk.argument, kRunLimitMs);
  ASSERT_TRUE(r.ended);
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(0, r.exitCode) << ScheduleLog();
  EXPECT_FALSE(PathExists(junkFile));
  EXPECT_TRUE(PathExists(keep));
  EXPECT_TRUE(LastRan(kJunk));
  EXPECT_NE(UpperCase(ReadTextFile(Data(kJunk.log)).value_or("")).find(UpperCase(junkFile)), std::string::npos);
}

// The eraser on the prefix's real profile folders, only its recent-documents
// step on: a document there that another program holds open cannot be
// removed. The eraser goes on and ends, but a run with a failed step is not a
// run: no "LastRan", a failure code, the reason in its log, no box.
TEST_F(UnattendedRun, AnEraseWhoseRemovalFailsEndsAsFailedWithoutABox) {
  const RegKey net = RegKey::Create(HKEY_CURRENT_USER, "Software\\Dastra\\Velmora\\privacy\\net");
  for (const char* box : {"cbFind", "cbComputer", "cbRun", "cbCookies", "cbCache", "cbURLList", "cbClearHist",
                          "cbAOL"})
    net.WriteDword(std::string(box) + ".Checked", 0);
  net.WriteDword("cbDocuments.Checked", 1);
  const auto recent = RegKey::Open(HKEY_CURRENT_USER,
                                   "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
                          .ReadString("Recent");
  ASSERT_TRUE(recent && !recent->empty());
  CreateFolderPath(*recent);
  const std::string document = IncludeTrailingBackslash(*recent) + "velmora-test-held.lnk";
  ASSERT_TRUE(WriteFileAtomically(document, "link"));
  FileHandle held(CreateFileW(LongPathW(document).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held);
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kEraser.argument, kRunLimitMs);
  held.reset();
  DeleteFileW(LongPathW(document).c_str());
  ASSERT_TRUE(r.ended);
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(1, r.exitCode);
  EXPECT_FALSE(LastRan(kEraser));
  const std::string log = ReadTextFile(Data(kEraser.log)).value_or("");
  EXPECT_NE(log.find("  Error removing recent documents information."), std::string::npos) << log;
  EXPECT_NE(log.find("  Scheduled run failed: Error removing recent documents information."), std::string::npos)
      << log;
  std::cout << "erase with a held document: ended in " << r.elapsedMs << " ms\n";
}

// The eraser cannot find where the shell keeps recent documents (the value is
// gone from the real registry): it ends early, and that is a failed run.
TEST_F(UnattendedRun, AnEraseThatCannotStartItsStepsEndsAsFailedWithoutABox) {
  const char* const shellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  const RegKey folders = RegKey::Open(HKEY_CURRENT_USER, shellFolders, KEY_READ | KEY_WRITE);
  ASSERT_TRUE(folders);
  const auto recent = folders.ReadValue("Recent");
  ASSERT_TRUE(recent);
  folders.DeleteValue("Recent");
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kEraser.argument, kRunLimitMs);
  folders.WriteValue("Recent", *recent);
  ASSERT_TRUE(r.ended);
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(1, r.exitCode);
  EXPECT_FALSE(LastRan(kEraser));
  const std::string log = ReadTextFile(Data(kEraser.log)).value_or("");
  EXPECT_NE(log.find("  Scheduled run failed: Error obtaining recent documents information from registry."),
            std::string::npos)
      << log;
}

// Another run holds the session's run lock for longer than the limit: this
// one gives up, does nothing and records nothing.
TEST_F(UnattendedRun, ARunThatCannotTakeTheRunLockGivesUpAtItsLimit) {
  TestFolder drive('F');
  const std::string junkFile = drive.File("waiting.tmp", "junk");
  shell::NamedLock other(shell::kRunLockName);
  ASSERT_TRUE(other.TryAcquire());
  const RunOutcome r = RunToEnd(SuiteProgram("Quorvel.exe"), kJunk.argument, kRunLimitMs,
                                {{"VELMORA_RUN_LOCK_WAIT_MS", "1500"}});
  ASSERT_TRUE(r.ended);
  EXPECT_TRUE(r.boxes.empty()) << BoxesText(r.boxes);
  EXPECT_EQ(1, r.exitCode);
  EXPECT_GE(r.elapsedMs, 1500u);
  EXPECT_TRUE(PathExists(junkFile));
  EXPECT_FALSE(LastRan(kJunk));
  const std::string log = ReadTextFile(Data(kJunk.log)).value_or("");
  EXPECT_NE(log.find("another scheduled run did not end within 1 seconds"), std::string::npos) << log;
}

}  // namespace
