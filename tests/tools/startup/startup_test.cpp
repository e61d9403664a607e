// The start-up manager over a sandboxed registry, test folders for the StartUp
// folders and a Win.ini stand-in (a file of another name: Wine maps a file
// called win.ini to the registry).
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <set>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/shell_link.h"
#include "shell/utilities.h"
#include "support/fakes.h"
#include "support/key_security.h"
#include "support/link_files.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"
#include "support/user_input.h"
#include "tools/regclean/undo_session.h"
#include "tools/startup/frm_startup.h"
#include "tools/startup/winini_tokens.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::startup;
using velmora::test::world;

namespace {

const char* const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(ApprovalMarks, DisabledMarksAndTheirClearing) {
  EXPECT_TRUE(MarkSaysDisabled({0x03, 0, 0, 0}));
  EXPECT_TRUE(MarkSaysDisabled({0x07}));
  EXPECT_FALSE(MarkSaysDisabled({0x02}));
  EXPECT_FALSE(MarkSaysDisabled({0x06}));
  EXPECT_FALSE(MarkSaysDisabled({}));
  const std::vector<std::uint8_t> cleared = ClearedMark({0x03, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8});
  EXPECT_EQ((std::vector<std::uint8_t>{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), cleared);
}

class Startup : public ::testing::Test {
 protected:
  void SetUp() override {
    places_.winIni = dir_ / "velmora-test.ini";
    places_.userFolder = dir_.Folder("user startup") + "\\";
    places_.commonFolder = dir_.Folder("common startup") + "\\";
    places_.parkedFolder = dir_ / "parked\\";
    places_.parkedCommonFolder = dir_ / "parked\\All Users\\";
    const std::string ini = places_.winIni;
    places_.readIni = [ini](const std::string& section, const std::string& key) {
      wchar_t buf[4096] = {};
      GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), L"", buf, 4096, Widen(ini).c_str());
      return Narrow(buf);
    };
    places_.writeIni = [this, ini](const std::string& section, const std::string& key, const std::string& value) {
      if (refuseIni_ == section) return false;
      return WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                        Widen(ini).c_str()) != FALSE;
    };
  }
  void TearDown() override {
    if (f_) f_->Close();
  }
  TfrmStartup& Open() {
    f_ = new TfrmStartup(places_);
    return *f_;
  }
  std::string Link(const std::string& folder, const std::string& name, const std::string& target,
                   const std::string& arguments = "") {
    shell::TPBShellLink link;
    link.SetFileName(folder + name);
    link.Target = target;
    link.Arguments = arguments;
    link.Save();
    return link.FileName();
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> out;
    for (int row = 0; row < f_->lv.itemCount(); ++row)
      out.push_back(f_->lv.Caption(row) + "|" + f_->lv.SubItem(row, 0) + "|" + f_->lv.SubItem(row, 2));
    return out;
  }
  int Row(const std::string& program) const {
    for (int row = 0; row < f_->lv.itemCount(); ++row)
      if (f_->lv.SubItem(row, 0) == program) return row;
    return -1;
  }
  std::string Ini(const std::string& section, const std::string& key) const { return places_.readIni(section, key); }

  test::RegistrySandbox reg_;
  test::TestFolder dir_{'E'};
  StartupPlaces places_;
  std::string refuseIni_;
  TfrmStartup* f_ = nullptr;
};

TEST_F(Startup, EverySourceInOrderAndWhatIsNoItemPassedOver) {
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("User tool", "C:\\u.exe");
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteDword("Number", 5);  // not a command line
  RegKey::Create(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").WriteString("Parked", "C:\\p.exe");
  RegKey::Create(HKEY_LOCAL_MACHINE, kRun).WriteString("Machine tool", "C:\\m.exe");
  RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run")
      .WriteString("Old tool", "C:\\o.exe");
  places_.writeIni("Windows", "run", "a.exe  b.exe");
  Link(places_.userFolder, "My.Tool.lnk", "C:\\tool.exe", "/min");
  dir_.File("user startup\\desktop.ini", "[.ShellClassInfo]");
  dir_.Folder("user startup\\sub");
  Link(places_.commonFolder, "Shared.lnk", "C:\\shared.exe");
  const std::vector<std::uint8_t> off{0x03, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run")
      .WriteBinary("User tool", off.data(), off.size());

  TfrmStartup& f = Open();
  EXPECT_EQ(f.caption(), "Velmora StartUp Manager");
  EXPECT_EQ(Rows(), (std::vector<std::string>{
                        "Disabled|User tool|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "Enabled|Machine tool|HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "Enabled|Old tool|HKEY_LOCAL_MACHINE\\Software\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Run",
                        "Enabled|a.exe|Win.ini: \"Run\" Section",
                        "Enabled|b.exe|Win.ini: \"Run\" Section",
                        "Enabled|My|StartUp Folder",
                        "Enabled|Shared|All Users StartUp Folder",
                        "Disabled|Parked|HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                    }));
  EXPECT_EQ(f.lv.SubItem(Row("My"), 1), "\"C:\\tool.exe\" /min");
  EXPECT_EQ(f.lv.StateImage(Row("Parked")), 1);
  EXPECT_EQ(f.lv.StateImage(Row("a.exe")), 0);

  // A row switched off by its approval mark is switched on by clearing the mark.
  test::UserSelectsOnly(f.lv, Row("User tool"));
  EXPECT_TRUE(f.cmdEnable.enabled());
  EXPECT_FALSE(f.cmdDisable.enabled());
  f.cmdEnable.Click();
  EXPECT_EQ(f.lv.Caption(Row("User tool")), "Enabled");
  const auto mark = RegKey::Open(HKEY_CURRENT_USER,
                                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run")
                        .ReadBinary("User tool");
  EXPECT_EQ((std::vector<std::uint8_t>{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}), *mark);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadString("User tool"), "C:\\u.exe");

  // Mixed states: neither command.
  test::UserSelectsAlso(f.lv, Row("Parked"));
  EXPECT_FALSE(f.cmdEnable.enabled());
  EXPECT_FALSE(f.cmdDisable.enabled());
  EXPECT_FALSE(f.cmdEdit.enabled());
  EXPECT_TRUE(f.cmdDelete.enabled());
}

TEST_F(Startup, MovesKeepTypeBytesAndTokensAndNeverLoseAnItem) {
  // An expandable value with quotes and arguments goes and comes back byte for byte.
  const std::string command = "\"%ProgramFiles%\\A B\\a.exe\" -tray";
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteExpandString("Expand", command);
  const auto before = RegKey::Open(HKEY_CURRENT_USER, kRun).ReadValue("Expand");
  places_.writeIni("Windows", "run", "a.exe.bak a.exe");
  TfrmStartup& f = Open();
  test::UserSelectsOnly(f.lv, Row("Expand"));
  test::UserSelectsAlso(f.lv, Row("a.exe"));
  f.cmdDisable.Click();
  EXPECT_EQ(f.lv.Caption(Row("Expand")), "Disabled");
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kRun).ValueExists("Expand"));
  EXPECT_EQ(Ini("Windows", "run"), "a.exe.bak");
  EXPECT_EQ(Ini("SS_Disabled", "run"), "a.exe");
  f.RefreshList();
  test::UserSelectsOnly(f.lv, Row("Expand"));
  test::UserSelectsAlso(f.lv, Row("a.exe"));
  f.cmdEnable.Click();
  const auto after = RegKey::Open(HKEY_CURRENT_USER, kRun).ReadValue("Expand");
  ASSERT_TRUE(after);
  EXPECT_EQ(before->type, after->type);
  EXPECT_EQ(before->data, after->data);
  EXPECT_EQ(Ini("Windows", "run"), "a.exe.bak a.exe");
  EXPECT_EQ(Ini("SS_Disabled", "run"), "");

  // A different parked item of that name stays, and so does this one.
  RegKey::Create(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").WriteString("Expand", "C:\\other.exe");
  world().dialogs.Answer(ui::MsgResult::Ok);
  test::UserSelectsOnly(f.lv, Row("Expand"));
  f.cmdDisable.Click();
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "A duplicate copy of this startup item alredy exists in a disabled state");
  EXPECT_EQ(f.lv.Caption(Row("Expand")), "Enabled");
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kRun).ValueExists("Expand"));

  // A refused Win.ini write keeps the token where it was, and its row's state.
  refuseIni_ = "SS_Disabled";
  world().dialogs.Answer(ui::MsgResult::Ok);
  test::UserSelectsOnly(f.lv, Row("a.exe"));
  f.cmdDisable.Click();
  EXPECT_EQ(world().dialogs.messageTexts().back(), "An error ocured while disabling a.exe");
  EXPECT_EQ(Ini("Windows", "run"), "a.exe.bak a.exe");
  EXPECT_EQ(f.lv.Caption(Row("a.exe")), "Enabled");
  EXPECT_TRUE(world().dialogs.allAnswersUsed());
}

TEST_F(Startup, ShortcutsMoveByFileNameWithTheirTwinsAndDeleteTheRightFile) {
  const std::string my = Link(places_.userFolder, "My.Tool.lnk", "C:\\tool.exe", "/min");
  Link(places_.userFolder, "My.lnk", "C:\\other.exe");
  Link(places_.userFolder, "Twin.lnk", "C:\\tool.exe");
  TfrmStartup& f = Open();
  ASSERT_EQ(f.lv.itemCount(), 3);
  int row = -1;
  for (int r = 0; r < f.lv.itemCount(); ++r)
    if (f.Item(r)->name == "My.Tool.lnk") row = r;
  ASSERT_NE(row, -1);
  test::UserSelectsOnly(f.lv, row);
  f.cmdDisable.Click();
  // The shortcut and its twin to the same program moved; "My.lnk" did not.
  EXPECT_TRUE(FileExists(places_.parkedFolder + "My.Tool.lnk"));
  EXPECT_TRUE(FileExists(places_.parkedFolder + "Twin.lnk"));
  EXPECT_TRUE(FileExists(places_.userFolder + "My.lnk"));
  EXPECT_EQ(f.lv.Caption(Row("Twin")), "Disabled");
  const shell::TShellLinkInfo moved = shell::ReadShortcut(Widen(places_.parkedFolder + "My.Tool.lnk"));
  EXPECT_EQ(moved.Arguments, "/min");

  // Delete acts on the row's own file, in its own place.
  test::UserSelectsOnly(f.lv, row);
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdDelete.Click();
  EXPECT_EQ(world().dialogs.asked().back().caption, "Confirm permanent deletion...");
  EXPECT_FALSE(FileExists(places_.parkedFolder + "My.Tool.lnk"));
  EXPECT_TRUE(FileExists(places_.userFolder + "My.lnk"));
  EXPECT_TRUE(FileExists(places_.parkedFolder + "Twin.lnk"));
  EXPECT_EQ(f.lv.itemCount(), 2);
  (void)my;
}

TEST_F(Startup, DeleteTouchesOnlyTheSelectedRowAndAFailedOneKeepsItsRow) {
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("Reg item", "C:\\r.exe");
  Link(places_.userFolder, "Neighbour.lnk", "C:\\n.exe");
  TfrmStartup& f = Open();
  test::UserSelectsOnly(f.lv, Row("Reg item"));
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdDelete.Click();
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kRun).ValueExists("Reg item"));
  EXPECT_TRUE(FileExists(places_.userFolder + "Neighbour.lnk"));
  ASSERT_EQ(f.lv.itemCount(), 1);

  // A shortcut that cannot be deleted (held open without delete sharing) keeps its row.
  HANDLE busy = CreateFileW(LongPathW(places_.userFolder + "Neighbour.lnk").c_str(), GENERIC_READ, FILE_SHARE_READ,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(busy, INVALID_HANDLE_VALUE);
  test::UserSelectsOnly(f.lv, 0);
  world().dialogs.Answer(ui::MsgResult::Yes);
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdDelete.Click();
  CloseHandle(busy);
  EXPECT_EQ(world().dialogs.messageTexts().back(),
            "Error removing the corresponding shortcut file for the \"Neighbour\" entry.");
  EXPECT_EQ(f.lv.itemCount(), 1);
}

TEST_F(Startup, ARefusedMoveKeepsTheItemAndDeleteThenHitsItsRealPlace) {
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("Kept", "C:\\k.exe");
  const std::string parked = std::string(kRun) + "\\Disabled";
  RegKey::Create(HKEY_CURRENT_USER, parked).WriteString("Other", "C:\\o.exe");
  if (!test::SetKeyReadOnly(HKEY_CURRENT_USER, parked, true)) {
    test::SetKeyReadOnly(HKEY_CURRENT_USER, parked, false);
    GTEST_SKIP() << "this registry does not enforce key security";
  }
  TfrmStartup& f = Open();
  test::UserSelectsOnly(f.lv, Row("Kept"));
  world().dialogs.Answer(ui::MsgResult::Ok);
  f.cmdDisable.Click();
  test::SetKeyReadOnly(HKEY_CURRENT_USER, parked, false);
  EXPECT_EQ(world().dialogs.messageTexts().back(), "An error ocured while disabling Kept");
  EXPECT_EQ(f.lv.Caption(Row("Kept")), "Enabled");
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, kRun).ValueExists("Kept"));
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, parked).ValueExists("Kept"));
  // Delete now removes the value from where it really is.
  test::UserSelectsOnly(f.lv, Row("Kept"));
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdDelete.Click();
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kRun).ValueExists("Kept"));
  EXPECT_TRUE(RegKey::Open(HKEY_CURRENT_USER, parked).ValueExists("Other"));
  EXPECT_EQ(Row("Kept"), -1);
}

TEST_F(Startup, TheEditorAddsRenamesAndRefuses) {
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteExpandString("Tool", "\"%SystemRoot%\\A B\\t.exe\" -x");
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("Taken", "C:\\t.exe");
  TfrmStartup& f = Open();

  // Add: a shortcut with its arguments.
  ui::PostTask([&] {
    TfrmEdit* e = f.editor;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->caption(), "Add a StartUp Item");
    e->edtDesc.SetText("New tool");
    e->feCLine.SetText("C:\\Tools\\app.exe /min");
    e->cmdOK.Click();
  });
  f.cmdAddClick();
  const shell::TShellLinkInfo made = shell::ReadShortcut(Widen(places_.userFolder + "New tool.lnk"));
  EXPECT_EQ(made.LongPath, "C:\\Tools\\app.exe");
  EXPECT_EQ(made.Arguments, "/min");
  ASSERT_NE(Row("New tool"), -1);

  // Edit: a rename keeps the data and type; an existing name is refused.
  test::UserSelectsOnly(f.lv, Row("Tool"));
  ui::PostTask([&] {
    TfrmEdit* e = f.editor;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->caption(), "Edit Startup Item");
    EXPECT_EQ(e->feCLine.text(), "\"%SystemRoot%\\A B\\t.exe\" -x");  // quotes kept
    EXPECT_EQ(e->cbLoc.itemIndex(), 1);
    world().dialogs.Answer(ui::MsgResult::Ok);
    e->edtDesc.SetText("Taken");
    e->cmdOK.Click();  // refused: the dialog stays
    EXPECT_EQ(world().dialogs.messageTexts().back(),
              "A startup item with this description already exists in this location.");
    e->edtDesc.SetText("Renamed");
    e->cmdOK.Click();
  });
  f.cmdEditClick();
  const RegKey run = RegKey::Open(HKEY_CURRENT_USER, kRun);
  EXPECT_FALSE(run.ValueExists("Tool"));
  const auto renamed = run.ReadValue("Renamed");
  ASSERT_TRUE(renamed);
  EXPECT_EQ(DWORD(REG_EXPAND_SZ), renamed->type);
  EXPECT_EQ(run.ReadString("Taken"), "C:\\t.exe");

  // Win.ini: a token with parameters is refused, nothing written.
  ui::PostTask([&] {
    TfrmEdit* e = f.editor;
    ASSERT_NE(e, nullptr);
    e->cbLoc.SetItemIndex(8);
    e->cbLocChange();
    EXPECT_FALSE(e->edtDesc.enabled());
    e->feCLine.SetText("C:\\Tools\\app.exe /min");
    world().dialogs.Answer(ui::MsgResult::Ok);
    e->cmdOK.Click();
    EXPECT_EQ(world().dialogs.messageTexts().back(),
              "You may not add entries to the Win.ini file that contain command line parameters.");
    e->cmdCancel.Click();
  });
  f.cmdAddClick();
  EXPECT_EQ(Ini("Windows", "Run"), "");
  EXPECT_TRUE(world().dialogs.allAnswersUsed());
}

const char* const kApproved = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

void ExpectSameFields(const shell::TShellLinkInfo& a, const shell::TShellLinkInfo& b, bool sameTarget) {
  if (sameTarget) {
    EXPECT_EQ(a.Path, b.Path);
    EXPECT_EQ(a.LongPath, b.LongPath);
    EXPECT_EQ(a.Arguments, b.Arguments);
    EXPECT_EQ(a.Flags, b.Flags);  // a new target brings its own item list
  }
  EXPECT_EQ(a.Description, b.Description);
  EXPECT_EQ(a.WorkingDirectory, b.WorkingDirectory);
  EXPECT_EQ(a.IconLocation, b.IconLocation);
  EXPECT_EQ(a.IconIndex, b.IconIndex);
  EXPECT_EQ(a.ShowCmd, b.ShowCmd);
  EXPECT_EQ(a.HotKey, b.HotKey);
}

TEST_F(Startup, TheEditorChangesAShortcutInPlaceAndKeepsEveryOtherField) {
  const std::string old = places_.userFolder + "Notes.lnk";
  ASSERT_TRUE(test::WriteEnvironmentLink(old));
  const auto oldBytes = ReadTextFile(old);
  const shell::TShellLinkInfo before = shell::ReadShortcut(Widen(old));
  EXPECT_EQ(before.Description, "Keeps the notes open");
  EXPECT_EQ(test::StoredShowCommand(old), SW_SHOWMINNOACTIVE);
  TfrmStartup& f = Open();
  ASSERT_NE(Row("Notes"), -1);

  // A rename: the file takes the new name, nothing else of it changes.
  test::UserSelectsOnly(f.lv, Row("Notes"));
  ui::PostTask([&] {
    f.editor->edtDesc.SetText("Notes renamed");
    f.editor->cmdOK.Click();
  });
  f.cmdEditClick();
  const std::string renamed = places_.userFolder + "Notes renamed.lnk";
  EXPECT_FALSE(FileExists(old));
  ASSERT_TRUE(FileExists(renamed));
  ExpectSameFields(before, shell::ReadShortcut(Widen(renamed)), /*sameTarget=*/true);
  EXPECT_EQ(ReadTextFile(renamed), oldBytes);  // the environment form and the flags with it

  // A changed command line: the target and arguments change, the rest stays.
  f.RefreshList();
  test::UserSelectsOnly(f.lv, Row("Notes renamed"));
  const std::string tool = dir_.File("tool.exe");
  ui::PostTask([&] {
    f.editor->feCLine.SetText(tool + " /quiet");
    f.editor->cmdOK.Click();
  });
  f.cmdEditClick();
  const shell::TShellLinkInfo edited = shell::ReadShortcut(Widen(renamed));
  EXPECT_EQ(CompareNoCase(edited.LongPath, tool), 0) << edited.LongPath;
  EXPECT_EQ(edited.Arguments, "/quiet");
  // The platform's link object writes the file; the fields not edited keep their values.
  ExpectSameFields(before, edited, /*sameTarget=*/false);

  // Both edits are journalled: undoing the rename brings the old file back byte for byte.
  const auto sessions = regclean::ListJournal();
  ASSERT_EQ(sessions.size(), 2u);
  EXPECT_EQ(sessions[1].index.what, "Edited Notes");
  EXPECT_TRUE(regclean::UndoJournalSession(sessions[0].path).ok());  // the command line back
  EXPECT_EQ(shell::ReadShortcut(Widen(renamed)).Arguments, before.Arguments);
  EXPECT_TRUE(regclean::UndoJournalSession(sessions[1].path).ok());  // the name back
  EXPECT_FALSE(FileExists(renamed));
  EXPECT_EQ(ReadTextFile(old), oldBytes);
}

TEST_F(Startup, AnEditedExpandableCommandStaysExpandableAndAnyValueNameIsTaken) {
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteExpandString("Tool", "\"%SystemRoot%\\t.exe\" -x");
  TfrmStartup& f = Open();
  test::UserSelectsOnly(f.lv, Row("Tool"));
  ui::PostTask([&] {
    f.editor->feCLine.SetText("\"%SystemRoot%\\t.exe\" -y");
    f.editor->edtDesc.SetText("Vendor: Tool\\Tray");  // ":" and "\" are fine in a value name
    f.editor->cmdOK.Click();
  });
  f.cmdEditClick();
  EXPECT_TRUE(world().dialogs.messageTexts().empty());
  const RegKey run = RegKey::Open(HKEY_CURRENT_USER, kRun);
  const auto value = run.ReadValue("Vendor: Tool\\Tray");
  ASSERT_TRUE(value);
  EXPECT_EQ(DWORD(REG_EXPAND_SZ), value->type);
  EXPECT_EQ(run.ReadString("Vendor: Tool\\Tray"), "\"%SystemRoot%\\t.exe\" -y");
  EXPECT_FALSE(run.ValueExists("Tool"));
  // And such an item is edited again by its exact name.
  f.RefreshList();
  test::UserSelectsOnly(f.lv, Row("Vendor: Tool\\Tray"));
  ui::PostTask([&] {
    f.editor->feCLine.SetText("\"%SystemRoot%\\t.exe\" -z");
    f.editor->cmdOK.Click();
  });
  f.cmdEditClick();
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadString("Vendor: Tool\\Tray"), "\"%SystemRoot%\\t.exe\" -z");
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadValue("Vendor: Tool\\Tray")->type, DWORD(REG_EXPAND_SZ));
}

TEST_F(Startup, WinIniTakesAPathWithBlanksInItsShortFormAndRefusesOnlyASwitch) {
  const std::string program = dir_.File("Program Files\\Long Name\\app.exe");
  const std::string shortForm = shell::GetShortPath(program);
  if (shortForm.find(' ') != std::string::npos) GTEST_SKIP() << "this drive keeps no short names";
  TfrmStartup& f = Open();
  ui::PostTask([&] {
    f.editor->cbLoc.SetItemIndex(8);
    f.editor->cbLocChange();
    f.editor->feCLine.SetText(program);
    f.editor->cmdOK.Click();
  });
  f.cmdAddClick();
  EXPECT_TRUE(world().dialogs.messageTexts().empty());
  EXPECT_EQ(Ini("Windows", "Run"), shortForm);
  ui::PostTask([&] {
    f.editor->cbLoc.SetItemIndex(8);
    f.editor->cbLocChange();
    f.editor->feCLine.SetText(program + " /min");
    world().dialogs.Answer(ui::MsgResult::Ok);
    f.editor->cmdOK.Click();
    EXPECT_EQ(world().dialogs.messageTexts().back(),
              "You may not add entries to the Win.ini file that contain command line parameters.");
    f.editor->cmdCancel.Click();
  });
  f.cmdAddClick();
  EXPECT_EQ(Ini("Windows", "Run"), shortForm);
}

TEST_F(Startup, DeletingAParkedItemLeavesTheEnabledNamesakesMark) {
  const std::vector<std::uint8_t> mark{0x02, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8};
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("Same", "C:\\enabled.exe");
  RegKey::Create(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").WriteString("Same", "C:\\parked.exe");
  RegKey::Create(HKEY_CURRENT_USER, kApproved).WriteBinary("Same", mark.data(), mark.size());
  TfrmStartup& f = Open();
  int parked = -1;
  for (int row = 0; row < f.lv.itemCount(); ++row)
    if (f.Item(row)->name == "Same" && f.Item(row)->parked) parked = row;
  ASSERT_NE(parked, -1);
  test::UserSelectsOnly(f.lv, parked);
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdDelete.Click();
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").ValueExists("Same"));
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kApproved).ReadBinary("Same"), mark);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadString("Same"), "C:\\enabled.exe");
  // Deleting the enabled one takes its mark, and the undo brings both back.
  test::UserSelectsOnly(f.lv, Row("Same"));
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdDelete.Click();
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kApproved).ValueExists("Same"));
  ASSERT_FALSE(f.LastSession.empty());
  EXPECT_TRUE(regclean::UndoJournalSession(f.LastSession).ok());
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kApproved).ReadBinary("Same"), mark);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadString("Same"), "C:\\enabled.exe");
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").ValueExists("Same"));
}

// An approval mark left by an earlier item of the name is no part of a new
// item: undoing the add puts it back as it was, switched-off mark included.
TEST_F(Startup, UndoingAnAddLeavesTheMarkThatWasThereBefore) {
  const std::vector<std::uint8_t> on{0x02, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1};
  const std::vector<std::uint8_t> off{0x03, 0, 0, 0, 2, 2, 2, 2, 2, 2, 2, 2};
  RegKey::Create(HKEY_CURRENT_USER, kApproved).WriteBinary("Stale", on.data(), on.size());
  RegKey::Create(HKEY_CURRENT_USER, kApproved).WriteBinary("Off", off.data(), off.size());
  TfrmStartup& f = Open();
  for (const char* name : {"Stale", "Off"}) {
    SCOPED_TRACE(name);
    ui::PostTask([&] {
      f.editor->cbLoc.SetItemIndex(1);
      f.editor->cbLocChange();
      f.editor->edtDesc.SetText(name);
      f.editor->feCLine.SetText("C:\\Tools\\app.exe");
      f.editor->cmdOK.Click();
    });
    f.cmdAddClick();
    ASSERT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadString(name), "C:\\Tools\\app.exe");
    ASSERT_FALSE(f.LastSession.empty());
    const regclean::UndoReport r = regclean::UndoJournalSession(f.LastSession);
    EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
    EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, kRun).ValueExists(name));
    EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kApproved).ReadBinary(name), std::string(name) == "Off" ? off : on);
  }
}

// The program stops after a move and before its session is finished: the
// session as written before the move still takes the parked copy back.
TEST_F(Startup, AMoveCutShortBeforeItsSessionEndsIsStillUndone) {
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("Cut", "C:\\cut.exe");
  Link(places_.userFolder, "Cut link.lnk", "C:\\c.exe", "/q");
  const auto linkBytes = ReadTextFile(places_.userFolder + "Cut link.lnk");
  places_.writeIni("Windows", "run", "a.exe cut.exe");
  TfrmStartup& f = Open();
  regclean::UndoRecorder journal("Start-up Manager", "Disabled",
                                 f.JournalFolder.empty() ? regclean::UndoFolder() : f.JournalFolder);
  f.items().SetJournal(&journal);
  for (const char* name : {"Cut", "Cut link", "cut.exe"}) {
    ASSERT_NE(Row(name), -1) << name;
    EXPECT_TRUE(f.items().SetEnabled(*f.Item(Row(name)), false).changed) << name;
  }
  f.items().SetJournal(nullptr);  // never finished
  ASSERT_TRUE(RegKey::Open(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").ValueExists("Cut"));
  ASSERT_TRUE(FileExists(places_.parkedFolder + "Cut link.lnk"));

  const regclean::UndoReport r = regclean::UndoJournalSession(journal.path());
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kRun).ReadString("Cut"), "C:\\cut.exe");
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").ValueExists("Cut"));
  EXPECT_EQ(ReadTextFile(places_.userFolder + "Cut link.lnk"), linkBytes);
  EXPECT_FALSE(FileExists(places_.parkedFolder + "Cut link.lnk"));
  EXPECT_EQ(Ini("Windows", "run"), "a.exe cut.exe");
  EXPECT_EQ(Ini("SS_Disabled", "run"), "");
}

// An undo that cannot put an item back where it was leaves its parked copy:
// the item is never in neither place.
TEST_F(Startup, AnUndoThatCannotPutTheOriginalBackKeepsTheParkedCopy) {
  Link(places_.userFolder, "Kept.lnk", "C:\\k.exe", "/k");
  const auto linkBytes = ReadTextFile(places_.userFolder + "Kept.lnk");
  TfrmStartup& f = Open();
  test::UserSelectsOnly(f.lv, Row("Kept"));
  f.cmdDisable.Click();
  ASSERT_TRUE(FileExists(places_.parkedFolder + "Kept.lnk"));
  // The StartUp folder's place is taken by a file: nothing can be made in it.
  std::string folder = places_.userFolder;
  while (!folder.empty() && folder.back() == '\\') folder.pop_back();
  ASSERT_TRUE(RemoveDirectoryW(LongPathW(folder).c_str()));
  {
    FileHandle blocker(CreateFileW(LongPathW(folder).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(blocker) << GetLastError();
  }

  const regclean::UndoReport r = regclean::UndoJournalSession(f.LastSession);
  EXPECT_FALSE(r.ok());
  EXPECT_EQ(r.takenBack, 0);
  EXPECT_EQ(ReadTextFile(places_.parkedFolder + "Kept.lnk"), linkBytes);

  // With the way clear again, the same session is undone in full.
  ASSERT_TRUE(DeleteFileW(LongPathW(folder).c_str()));
  const regclean::UndoReport again = regclean::UndoJournalSession(f.LastSession);
  EXPECT_TRUE(again.ok()) << (again.failures.empty() ? "" : again.failures[0]);
  EXPECT_EQ(ReadTextFile(places_.userFolder + "Kept.lnk"), linkBytes);
  EXPECT_FALSE(FileExists(places_.parkedFolder + "Kept.lnk"));
}

TEST_F(Startup, DisableEnableAndDeleteAreUndoneByMovingItemsBack) {
  const std::vector<std::uint8_t> off{0x03, 0, 0, 0, 9, 9, 9, 9, 9, 9, 9, 9};
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteExpandString("Reg", "%TEMP%\\r.exe");
  Link(places_.userFolder, "Folder item.lnk", "C:\\f.exe", "/x");
  const auto linkBytes = ReadTextFile(places_.userFolder + "Folder item.lnk");
  places_.writeIni("Windows", "run", "a.exe b.exe");
  RegKey::Create(HKEY_CURRENT_USER, kRun).WriteString("Marked", "C:\\m.exe");
  RegKey::Create(HKEY_CURRENT_USER, kApproved).WriteBinary("Marked", off.data(), off.size());
  TfrmStartup& f = Open();
  test::UserSelectsOnly(f.lv, Row("Reg"));
  test::UserSelectsAlso(f.lv, Row("Folder item"));
  test::UserSelectsAlso(f.lv, Row("b.exe"));
  f.cmdDisable.Click();
  const std::string disabled = f.LastSession;
  ASSERT_FALSE(disabled.empty());
  EXPECT_TRUE(FileExists(places_.parkedFolder + "Folder item.lnk"));
  test::UserSelectsOnly(f.lv, Row("Marked"));
  f.cmdEnable.Click();  // a mark cleared in place
  const std::string enabled = f.LastSession;
  EXPECT_FALSE(MarkSaysDisabled(*RegKey::Open(HKEY_CURRENT_USER, kApproved).ReadBinary("Marked")));

  const auto index = regclean::ParseJournalIndex(*ReadTextFile(disabled));
  ASSERT_TRUE(index);
  EXPECT_EQ(index->tool, "Start-up Manager");
  EXPECT_EQ(index->count, 3);
  EXPECT_NE(index->what.find("Disabled "), std::string::npos);

  regclean::UndoReport r = regclean::UndoJournalSession(disabled);
  EXPECT_TRUE(r.ok()) << (r.failures.empty() ? "" : r.failures[0]);
  const auto reg = RegKey::Open(HKEY_CURRENT_USER, kRun).ReadValue("Reg");
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->type, DWORD(REG_EXPAND_SZ));
  EXPECT_FALSE(RegKey::Open(HKEY_CURRENT_USER, std::string(kRun) + "\\Disabled").ValueExists("Reg"));
  EXPECT_EQ(ReadTextFile(places_.userFolder + "Folder item.lnk"), linkBytes);
  EXPECT_FALSE(FileExists(places_.parkedFolder + "Folder item.lnk"));
  EXPECT_EQ(Ini("Windows", "run"), "a.exe b.exe");
  EXPECT_EQ(Ini("SS_Disabled", "run"), "");
  r = regclean::UndoJournalSession(enabled);
  EXPECT_TRUE(r.ok());
  EXPECT_EQ(RegKey::Open(HKEY_CURRENT_USER, kApproved).ReadBinary("Marked"), off);

  // A deleted shortcut comes back byte for byte.
  f.RefreshList();
  test::UserSelectsOnly(f.lv, Row("Folder item"));
  world().dialogs.Answer(ui::MsgResult::Yes);
  f.cmdDelete.Click();
  EXPECT_FALSE(FileExists(places_.userFolder + "Folder item.lnk"));
  EXPECT_TRUE(regclean::UndoJournalSession(f.LastSession).ok());
  EXPECT_EQ(ReadTextFile(places_.userFolder + "Folder item.lnk"), linkBytes);
}

}  // namespace
