// Shortcut files read and written through the shell's link object under Wine.
#include "shell/shell_link.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "support/link_files.h"
#include "support/registry_sandbox.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

std::wstring W(const std::string& s) { return Widen(s); }

TEST(ShellLink, EveryFieldComesBackAsWritten) {
  test::TestFolder dir('E');
  const std::string target = dir.File("app\\prog.exe");
  TPBShellLink link;
  link.SetFileName(dir / "Every field");
  EXPECT_EQ(dir / "Every field.lnk", link.FileName());
  link.Target = target;
  link.Arguments = "/a " + std::string(700, 'x');
  link.Description = "Caf\xC3\xA9 description";  // Latin-1 only: Wine reads other characters back as "?"
  link.WorkingDir = dir / "app";
  link.SetFileIcon({dir / "app\\icons.dll", 3});
  link.SetHotKey(scCtrl | scAlt | 'F');
  link.SetWindowState(TWindowState::wsMaximized);
  link.Save();

  const TShellLinkInfo info = ReadShortcut(W(link.FileName()));
  EXPECT_EQ(target, info.LongPath);
  EXPECT_EQ(target, info.Path);  // Wine gives the long form for the short-path flag too
  EXPECT_EQ(link.Arguments, info.Arguments);
  EXPECT_EQ(link.Description, info.Description);
  EXPECT_EQ(dir / "app", info.WorkingDirectory);
  EXPECT_EQ(dir / "app\\icons.dll", info.IconLocation);
  EXPECT_EQ(3, info.IconIndex);
  EXPECT_EQ(HotKeyOfShortCut(scCtrl | scAlt | 'F'), info.HotKey);
  EXPECT_EQ((HOTKEYF_CONTROL | HOTKEYF_ALT) << 8 | 'F', info.HotKey);
  EXPECT_EQ(SW_SHOWMAXIMIZED, test::StoredShowCommand(link.FileName()));  // Wine's Load reads it as 1

  // One reader for many files gives the same record.
  ShellLinkReader reader;
  EXPECT_EQ(info.Arguments, reader.Read(W(link.FileName())).Arguments);
  EXPECT_EQ(info.LongPath, reader.Read(W(link.FileName())).LongPath);
}

TEST(ShellLink, ARepairChangesOnlyThePath) {
  test::TestFolder dir('E');
  const std::string moved = dir.File("new place\\prog.exe");
  TPBShellLink link;
  link.SetFileName(dir / "repair.lnk");
  link.Target = dir / "old place\\prog.exe";
  link.Arguments = std::string(700, 'a');
  link.Description = "kept";
  link.SetWindowState(TWindowState::wsMinimized);
  link.Save();  // no icon location

  TShellLinkInfo info = ReadShortcut(W(link.FileName()));
  info.Path = moved;
  WriteShortcut(W(link.FileName()), info);
  const TShellLinkInfo after = ReadShortcut(W(link.FileName()));
  EXPECT_EQ(moved, after.LongPath);
  EXPECT_EQ(std::string(700, 'a'), after.Arguments);  // not cut to a path buffer
  EXPECT_EQ("kept", after.Description);
  EXPECT_EQ("", after.IconLocation);  // not filled with the target by a resolve
  // (The show command is not checked here: Wine's Load reads every stored one as 1.)
}

TEST(ShellLink, ObjectsInstallerLinksAndBrokenFiles) {
  test::TestFolder dir('E');
  const std::string object = dir / "computer.lnk";
  ASSERT_TRUE(test::WriteShellObjectLink(object));
  const TShellLinkInfo computer = ReadShortcut(W(object));
  EXPECT_EQ("", computer.LongPath);  // no file-system target, no error
  EXPECT_EQ("", computer.Path);

  const std::string darwin = dir / "advertised.lnk";
  ASSERT_TRUE(test::WriteDarwinLink(darwin));
  EXPECT_NE(0u, ReadShortcut(W(darwin)).Flags & SLDF_HAS_DARWINID);

  for (const std::string& content : {std::string(), std::string("not a shortcut at all")}) {
    const std::string corrupt = dir.File("corrupt.lnk", content);
    try {
      ReadShortcut(W(corrupt));
      ADD_FAILURE() << "read a corrupt shortcut";
    } catch (const ShellLinkError& e) {
      EXPECT_EQ("IPersistFile::Load", e.call());
      EXPECT_TRUE(FAILED(e.result()));
    }
  }
  EXPECT_THROW(ReadShortcut(W(dir / "absent.lnk")), ShellLinkError);
}

TEST(PBShellLink, FileNamesFoldersKeysAndStates) {
  test::RegistrySandbox reg;
  TPBShellLink link;
  link.SetFileName("C:\\x\\Editor");
  EXPECT_EQ("C:\\x\\Editor.lnk", link.FileName());
  link.SetFileName("C:\\x\\Mixed.LnK");
  EXPECT_EQ("C:\\x\\Mixed.LnK", link.FileName());  // its own letter case kept
  link.SetFileName("C:\\x\\.lnk");
  EXPECT_EQ("", link.FileName());

  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
      .WriteString("Startup", "C:\\Users\\me\\Startup");
  link.SetShellFolder(TShellFolder::sfStartup);
  link.SetFileName("D:\\anywhere\\Editor");
  EXPECT_EQ("C:\\Users\\me\\Startup\\Editor.lnk", link.FileName());
  RegKey::Create(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders")
      .WriteString("Desktop", "C:\\Users\\me\\Desktop");
  link.SetShellFolder(TShellFolder::sfDesktop);  // moves the file into that folder
  EXPECT_EQ("C:\\Users\\me\\Desktop\\Editor.lnk", link.FileName());
  link.SetShellFolder(TShellFolder::sfNone);  // leaves it where it is
  EXPECT_EQ("C:\\Users\\me\\Desktop\\Editor.lnk", link.FileName());
  EXPECT_STREQ("Start Menu", ShellFolderValueName(TShellFolder::sfStartMenu));

  EXPECT_EQ(scShift | scCtrl | VK_F5, ShortCutOfHotKey((HOTKEYF_SHIFT | HOTKEYF_CONTROL) << 8 | VK_F5));
  EXPECT_EQ(HOTKEYF_ALT << 8 | 'Q', HotKeyOfShortCut(scAlt | 'Q'));
  link.SetHotKey(scShift | 'Z');
  EXPECT_EQ(scShift | 'Z', link.HotKey());
  EXPECT_EQ(TWindowState::wsMaximized, WindowStateOf(3));
  EXPECT_EQ(TWindowState::wsMinimized, WindowStateOf(7));
  for (int other : {0, 1, 2, 4, 6, 10}) EXPECT_EQ(TWindowState::wsNormal, WindowStateOf(other)) << other;
  EXPECT_EQ(7, ShowCommandOf(TWindowState::wsMinimized));

  // A name the shell cannot write, or none at all, is the writing error.
  test::TestFolder dir('E');
  TPBShellLink bad;
  bad.Target = "C:\\windows\\notepad.exe";
  bad.SetFileName(dir / "no such folder\\x.lnk");
  try {
    bad.Save();
    ADD_FAILURE() << "saved into a missing folder";
  } catch (const EPBShellLink& e) {
    EXPECT_STREQ("Erreur en \xC3\xA9" "criture.", e.what());
  }
  bad.SetFileName("C:\\x\\.lnk");
  EXPECT_THROW(bad.Save(), EPBShellLink);

  // A name longer than the old 260-character limit is saved under that name.
  const std::string deep = dir / (std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\long name");
  CreateFolderPath(ExtractFilePath(deep));
  TPBShellLink longName;
  longName.Target = "C:\\windows\\notepad.exe";
  longName.SetFileName(deep);
  longName.Save();
  EXPECT_TRUE(FileExists(deep + ".lnk"));
}

}  // namespace
