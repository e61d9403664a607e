// The installation tracker's stored operation in real Quorvel.exe processes,
// on the prefix's own registry and the program folder's reports: started as
// the restart entry starts it ("/RecoverInstall"), its window resumes the
// stored operation. A second process leaves the operation to the first; a
// report that fails keeps the operation for the next try.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/process_run.h"
#include "support/real_state.h"

using namespace velmora;

namespace {

const char* const kTrackerKey = "\\Software\\Dastra\\velmora\\Vantrel";

// A manual snapshot as a tracker window stores it, with its before-state files.
void StoreOperation(const std::string& reports, const std::string& registryBefore) {
  CreateDirectoryW(Widen(reports).c_str(), nullptr);
  const RegKey root = RegKey::Create(HKEY_CURRENT_USER, kTrackerKey);
  root.WriteString("Drives", "");  // no drive: the registry is what is compared
  root.CreateSubKey("Settings").WriteDword("First Time", 0);
  const RegKey survival = root.CreateSubKey("Survival");
  survival.WriteString("SurvivedRestart", "YES");  // resumes without a box
  survival.WriteString("Description", "Two windows");
  survival.WriteDword("ExeType", 0);
  survival.WriteString("ReportName", reports + "Two windows - 0001.TXT");
  const std::uint64_t start = 0x01D9000000000000ull;
  survival.WriteBinary("StartTime", &start, sizeof start);
  survival.CreateSubKey("INI Files");
  ASSERT_TRUE(WriteFileAtomically(reports + "S_INST$$.##1", ""));
  ASSERT_TRUE(WriteFileAtomically(reports + "REG$$$$$.##1", registryBefore));
}

bool Stored(const std::string& reports) {
  const RegKey survival = RegKey::Open(HKEY_CURRENT_USER, std::string(kTrackerKey) + "\\Survival");
  return survival && survival.ReadString("SurvivedRestart").value_or("") == "YES" &&
         FileExists(reports + "S_INST$$.##1") && FileExists(reports + "REG$$$$$.##1");
}

// The tracker window of a process, once it is shown (at most 30 s).
HWND TrackerWindowOf(DWORD pid) {
  for (int i = 0; i < 600; ++i) {
    struct Search {
      DWORD pid;
      HWND found;
    } s{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          wchar_t name[32] = {};
          GetClassNameW(w, name, 32);
          if (owner != s->pid || std::wstring(name) != L"TfrmVantrel" || !IsWindowVisible(w)) return TRUE;
          s->found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.found) return s.found;
    Sleep(50);
  }
  return nullptr;
}

// A message box of a process, once it shows (at most 30 s), with its text.
HWND BoxOf(DWORD pid, std::string& text) {
  for (int i = 0; i < 600; ++i) {
    struct Search {
      DWORD pid;
      HWND found;
    } s{pid, nullptr};
    EnumWindows(
        [](HWND w, LPARAM lp) -> BOOL {
          auto* s = reinterpret_cast<Search*>(lp);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          wchar_t name[32] = {};
          GetClassNameW(w, name, 32);
          if (owner != s->pid || std::wstring(name) != L"#32770" || !IsWindowVisible(w)) return TRUE;
          s->found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.found) {
      text.clear();
      EnumChildWindows(
          s.found,
          [](HWND c, LPARAM lp) -> BOOL {
            wchar_t buf[1024] = {};
            wchar_t cls[32] = {};
            GetClassNameW(c, cls, 32);
            if (std::wstring(cls) == L"Static" && GetWindowTextW(c, buf, 1024))
              *reinterpret_cast<std::string*>(lp) += Narrow(buf);
            return TRUE;
          },
          reinterpret_cast<LPARAM>(&text));
      return s.found;
    }
    Sleep(50);
  }
  return nullptr;
}

bool BoxShownBy(DWORD pid) {
  struct Search {
    DWORD pid;
    bool found;
  } s{pid, false};
  EnumWindows(
      [](HWND w, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t name[32] = {};
        GetClassNameW(w, name, 32);
        if (owner == s->pid && std::wstring(name) == L"#32770" && IsWindowVisible(w)) s->found = true;
        return !s->found;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// A child window of `parent` (at any depth) with this text.
HWND ChildWithText(HWND parent, const std::wstring& text) {
  struct Search {
    std::wstring text;
    HWND found;
  } s{text, nullptr};
  EnumChildWindows(
      parent,
      [](HWND c, LPARAM lp) -> BOOL {
        auto* s = reinterpret_cast<Search*>(lp);
        wchar_t buf[256] = {};
        GetWindowTextW(c, buf, 256);
        if (s->text != buf) return TRUE;
        s->found = c;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

TEST(TrackerProcess, ASecondProcessLeavesTheStoredOperationToTheFirstAndShowsItsWindow) {
  test::RealState real;
  const std::string reports = real.programFolder() + "Vantrel Reports\\";
  StoreOperation(reports, "00HKEY_USERS\r\n00HKEY_LOCAL_MACHINE\r\n");
  const std::string quorvel = test::SuiteProgram("Quorvel.exe");
  test::SuiteProcess first(quorvel, "/RecoverInstall");
  const HWND window = TrackerWindowOf(first.pid());
  ASSERT_TRUE(window) << "the first process shows no tracker window";
  ShowWindow(window, SW_MINIMIZE);

  test::SuiteProcess second(quorvel, "/RecoverInstall", {}, /*watch=*/false);
  std::string question;
  const HWND box = BoxOf(second.pid(), question);
  ASSERT_TRUE(box) << "the second process asked nothing";
  EXPECT_NE(std::string::npos, question.find("The Vantrel operation is open in another window")) << question;
  SendMessageW(GetDlgItem(box, IDYES), BM_CLICK, 0, 0);  // show that window
  ASSERT_TRUE(second.Wait(30000)) << "the second process did not end";
  EXPECT_EQ(0, second.exitCode());
  EXPECT_FALSE(IsIconic(window));  // the first window was brought back
  EXPECT_TRUE(Stored(reports));     // the second touched nothing of it

  // The first window still has it; closed, it keeps it for a later report.
  EXPECT_TRUE(IsWindow(window));
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(first.Wait(30000));
  first.ExpectNoBox();
  EXPECT_TRUE(Stored(reports));
}

TEST(TrackerProcess, AReportThatFailsKeepsTheStoredOperation) {
  test::RealState real;
  const std::string reports = real.programFolder() + "Vantrel Reports\\";
  // A damaged before-state: the comparison with the real registry fails.
  StoreOperation(reports, "00HKEY_USERS\r\n11value without data\r\n");
  test::SuiteProcess tracker(test::SuiteProgram("Quorvel.exe"), "/RecoverInstall");
  const HWND window = TrackerWindowOf(tracker.pid());
  ASSERT_TRUE(window);
  const HWND done = ChildWithText(window, L"&Done: Report");
  ASSERT_TRUE(done);
  PostMessageW(done, BM_CLICK, 0, 0);
  // The stage records the whole registry, fails on the damaged snapshot and says so.
  bool failed = false;
  for (int i = 0; i < 2400 && !failed; ++i) {
    failed = ChildWithText(window, L"ERROR. ") != nullptr;
    Sleep(50);
  }
  EXPECT_TRUE(failed) << "the report stage did not end with its error";
  // The error box follows the status; the watchdog records and closes it.
  for (int i = 0; i < 100 && !BoxShownBy(tracker.pid()); ++i) Sleep(50);
  for (int i = 0; i < 200 && BoxShownBy(tracker.pid()); ++i) Sleep(50);
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(tracker.Wait(30000));
  const std::vector<test::SeenBox> boxes = tracker.StopWatch();
  ASSERT_EQ(1u, boxes.size()) << test::BoxesText(boxes);
  EXPECT_NE(std::string::npos, boxes[0].text.find("Stored Registry data is corrupted")) << test::BoxesText(boxes);
  EXPECT_TRUE(Stored(reports));
  EXPECT_FALSE(FileExists(reports + "Two windows - 0001.TXT.part~"));
}
