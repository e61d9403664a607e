// The undo on the prefix's real registry: the registry cleaner removes values
// of a scratch key of the real HKEY_CURRENT_USER (a name no one else uses,
// removed again in every outcome), and the session's undo puts back exactly
// those values, type and bytes, and nothing else.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/settings.h"
#include "support/fakes.h"
#include "support/real_state.h"
#include "support/test_folder.h"
#include "tools/regclean/frm_regclean.h"
#include "tools/regclean/undo_session.h"

using namespace velmora;
using namespace velmora::regclean;
using velmora::test::world;

namespace {

// The scratch key, deleted when the test ends however it ends.
struct ScratchKey {
  std::string path = "Software\\VelmoraUndoTest-" + std::to_string(GetCurrentProcessId());
  ~ScratchKey() { RegKey::DeleteTree(HKEY_CURRENT_USER, path); }
};

}  // namespace

TEST(UndoOnTheRealRegistry, RemovedValuesComeBackExactlyAndAValueDeletedSinceStaysGone) {
  test::RealState real;
  ScratchKey scratch;
  test::TestFolder dir('E');
  const std::string missing = dir / "gone\\tool.exe";
  const std::string expandable = missing + "4";  // stored expandable: the type must come back too
  {
    const RegKey k = RegKey::Create(HKEY_CURRENT_USER, scratch.path);
    k.WriteString("Plain", missing);
    k.WriteExpandString("Expand", expandable);
    k.WriteString("Mine", missing + "2");
    RegKey::Create(HKEY_CURRENT_USER, scratch.path + "\\Sub").WriteString("Deep", missing + "3");
  }
  const RegKey before = RegKey::Open(HKEY_CURRENT_USER, scratch.path);
  const RegValue plain = *before.ReadValue("Plain"), expand = *before.ReadValue("Expand");

  for (const char* v : {"US", "LM", "SD"}) shell::WriteBoolSetting(kAreasKey, v, false);
  shell::WriteBoolSetting(kAreasKey, "CU", true);
  TfrmRegClean* f = new TfrmRegClean();
  f->BackupPauseMs = 0;
  f->cbBackup.SetChecked(false);  // the whole real registry is not copied for this
  f->btnStart.Click();
  // Only this test's rows are chosen: the prefix may hold other invalid values.
  const std::string ours = "HKEY_CURRENT_USER: \\" + scratch.path;
  int chosen = 0;
  f->lv.ClearSelection();
  for (int row = 0; row < f->lv.itemCount(); ++row)
    if (f->lv.Caption(row) == ours || f->lv.Caption(row) == ours + "\\Sub") {
      f->lv.SetSelected(row, true);
      ++chosen;
    }
  ASSERT_EQ(chosen, 4);
  world().dialogs.Answer(ui::MsgResult::Yes);
  f->mnuSelected.Click();
  const std::string session = f->LastSession;
  f->Close();
  ASSERT_FALSE(session.empty());
  const RegKey after = RegKey::Open(HKEY_CURRENT_USER, scratch.path);
  for (const char* name : {"Plain", "Expand", "Mine"}) EXPECT_FALSE(after.ValueExists(name)) << name;

  // Since the removal a value of another name was added and "Plain" made again
  // with other data: the undo leaves both as they are.
  RegKey::Create(HKEY_CURRENT_USER, scratch.path).WriteString("Added since", "C:\\x.exe");
  RegKey::Create(HKEY_CURRENT_USER, scratch.path).WriteString("Plain", "C:\\changed since.exe");
  const UndoReport r = UndoJournalSession(session);
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  EXPECT_EQ(r.restored, 3);
  EXPECT_EQ(r.alreadyThere, 1);
  const RegKey back = RegKey::Open(HKEY_CURRENT_USER, scratch.path);
  EXPECT_EQ(back.ReadString("Plain"), "C:\\changed since.exe");  // never overwritten
  const auto e = back.ReadValue("Expand");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->type, expand.type);
  EXPECT_EQ(e->data, expand.data);
  EXPECT_EQ(back.ReadString("Mine"), missing + "2");
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, scratch.path + "\\Sub").ReadString("Deep"), missing + "3");
  EXPECT_EQ(back.ReadString("Added since"), "C:\\x.exe");
  (void)plain;

  // The page's report of a second undo: nothing missing, nothing written.
  const shell::UndoJournalAccess access = JournalAccess();
  const auto listed = access.list();
  ASSERT_FALSE(listed.empty());
  EXPECT_EQ(listed[0].path, session);
  EXPECT_TRUE(listed[0].undone);
  const shell::UndoResult again = access.undo(session);
  EXPECT_TRUE(again.ok);
  EXPECT_NE(again.text.find("Written back: 0"), std::string::npos) << again.text;
  EXPECT_NE(again.text.find("Already there (left as they are): 4"), std::string::npos) << again.text;
}

TEST(UndoReportText, SaysWhatWasWrittenWhatWasThereAndWhatWasRefusedAndWhy) {
  UndoReport r;
  r.restored = 2;
  r.alreadyThere = 1;
  r.failed = 1;
  r.failures = {"HKEY_LOCAL_MACHINE\\Software\\A \"V\": Access is denied."};
  const std::string text = UndoReportText(r);
  EXPECT_NE(text.find("undone only in part"), std::string::npos);
  EXPECT_NE(text.find("Written back: 2"), std::string::npos);
  EXPECT_NE(text.find("Not written: 1"), std::string::npos);
  EXPECT_NE(text.find("Access is denied."), std::string::npos);
  UndoReport damaged;
  damaged.damaged = true;
  damaged.problem = "the session is cut short";
  EXPECT_NE(UndoReportText(damaged).find("damaged (the session is cut short). Nothing was written."),
            std::string::npos);
}
