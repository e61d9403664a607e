#include <gtest/gtest.h>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "shell/help.h"
#include "shell/help_window.h"
#include "shell/hint.h"
#include "shell/navigator.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "support/user_input.h"
#include "support/test_folder.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

struct Launcher {
  int opened[kToolButtonCount] = {};
  int logs = 0;
  std::unique_ptr<TfrmNav> nav;

  explicit Launcher(bool allTools = true) {
    LauncherActions actions;
    for (int i = 0; i < kToolButtonCount; ++i)
      if (allTools) actions.tools[i] = [this, i] { ++opened[i]; };
    actions.logs = [this] { ++logs; };
    nav = std::make_unique<TfrmNav>(std::move(actions), /*visible=*/false);
    nav->endsApplication = false;
  }

  // Names of the visible hint pictures.
  std::vector<ui::Image*> VisibleHints() {
    std::vector<ui::Image*> out;
    for (ui::Image* h : {&nav->imgJunk_Hint, &nav->imgEraser_Hint, &nav->imgShortcuts_Hint, &nav->imgUninstall_Hint,
                         &nav->imgDupes_Hint, &nav->imgReg_Hint, &nav->imgStartUp_Hint, &nav->imgSafe_Hint,
                         &nav->imgSched_Hint, &nav->imgLogs_Hint, &nav->imgWeb_Hint, &nav->imgHelp_Hint,
                         &nav->imgExit_Hint})
      if (h->visible()) out.push_back(h);
    return out;
  }
  std::vector<ui::Image*> HiddenButtonPictures() {
    std::vector<ui::Image*> out;
    TfrmNav& n = *nav;
    for (ui::Image* p :
         {&n.imgJunk_Up, &n.imgJunk_Over, &n.imgJunk_Down, &n.imgEraser_Up, &n.imgEraser_Over, &n.imgEraser_Down,
          &n.imgShortCuts_Up, &n.imgShortcuts_Over, &n.imgUninstall_Up, &n.imgUninstall_Over, &n.imgDupes_Up,
          &n.imgReg_Up, &n.imgStartUp_Up, &n.imgSafe_Up, &n.imgSched_Up, &n.imgSched_Over, &n.imgLogs_Up,
          &n.imgLogs_Down, &n.imgWeb_Up, &n.imgHelp_Up, &n.imgExit_Up, &n.imgExit_Down})
      if (!p->visible()) out.push_back(p);
    return out;
  }
};

using Pictures = std::vector<ui::Image*>;

}  // namespace

TEST(Launcher, IsTheShapedNavigatorWithEveryButtonAtRest) {
  Launcher l;
  EXPECT_EQ("Navigator", l.nav->caption());
  wchar_t cls[64] = {};
  GetClassNameW(l.nav->handle(), cls, 64);
  EXPECT_STREQ(L"TfrmNav", cls);
  EXPECT_TRUE(l.nav->keyPreview());
  EXPECT_TRUE(l.HiddenButtonPictures().empty());
  EXPECT_TRUE(l.VisibleHints().empty());
  // Cut from the main-screen picture: a window region exists and excludes the corner.
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(ERROR, GetWindowRgn(l.nav->handle(), rgn));
  EXPECT_FALSE(PtInRegion(rgn, 0, 0));
  EXPECT_TRUE(PtInRegion(rgn, 513 / 2, 442 / 2));
  DeleteObject(rgn);
}

TEST(Launcher, HoverPressAndLeaveDriveThePictures) {
  Launcher l;
  TfrmNav& n = *l.nav;

  n.imgJunk_Up.MouseMove(5, 5);  // over the normal picture: it steps aside
  EXPECT_EQ(Pictures{&n.imgJunk_Up}, l.HiddenButtonPictures());
  n.imgJunk_Over.MouseMove(5, 5);  // the hover picture shows the tool's hint
  EXPECT_EQ(Pictures{&n.imgJunk_Hint}, l.VisibleHints());

  n.imgEraser_Up.MouseMove(5, 5);  // the next button: the first comes back up
  EXPECT_EQ(Pictures{&n.imgEraser_Up}, l.HiddenButtonPictures());
  n.imgEraser_Over.MouseMove(5, 5);
  EXPECT_EQ(Pictures{&n.imgEraser_Hint}, l.VisibleHints());

  n.imgEraser_Over.MouseDown(5, 5);  // pressed: the hover picture hides, Down shows
  EXPECT_EQ((Pictures{&n.imgEraser_Up, &n.imgEraser_Over}), l.HiddenButtonPictures());
  n.imgEraser_Over.MouseUp(5, 5);  // released inside: shown again, and a click
  EXPECT_EQ(Pictures{&n.imgEraser_Up}, l.HiddenButtonPictures());
  EXPECT_EQ(1, l.opened[int(ToolButton::Eraser)]);

  n.imgEraser_Over.MouseDown(5, 5);
  n.imgEraser_Over.MouseUp(-20, 5);  // released outside: no click
  EXPECT_EQ(1, l.opened[int(ToolButton::Eraser)]);

  ui::ProcessMessages();
  // The background: every picture up, no hint.
  SendMessageW(n.handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 440));
  EXPECT_TRUE(l.HiddenButtonPictures().empty());
  EXPECT_TRUE(l.VisibleHints().empty());

  n.imgLogs_Up.MouseMove(3, 3);  // a command: its hint, nothing hidden
  EXPECT_EQ(Pictures{&n.imgLogs_Hint}, l.VisibleHints());
  EXPECT_TRUE(l.HiddenButtonPictures().empty());
  n.imgLogs_Up.MouseDown(3, 3);
  EXPECT_EQ(Pictures{&n.imgLogs_Up}, l.HiddenButtonPictures());
  n.imgLogs_Up.MouseUp(3, 3);
  EXPECT_TRUE(l.HiddenButtonPictures().empty());
  EXPECT_EQ(1, l.logs);

  n.imgJunk_Up.MouseMove(1, 1);
  n.imgLogs_Hint.MouseMove(1, 1);  // over a hint picture: as over the background
  EXPECT_TRUE(l.HiddenButtonPictures().empty());
  EXPECT_TRUE(l.VisibleHints().empty());
}

TEST(Launcher, AdministratorCheckGuardsUninstallAndStartUpOnly) {
  Launcher l;
  test::world().windowsNT = true;
  test::world().administrator = false;
  l.nav->OpenTool(ToolButton::Uninstall);
  l.nav->OpenTool(ToolButton::StartUp);
  l.nav->OpenTool(ToolButton::Reg);
  EXPECT_EQ(0, l.opened[int(ToolButton::Uninstall)]);
  EXPECT_EQ(0, l.opened[int(ToolButton::StartUp)]);
  EXPECT_EQ(1, l.opened[int(ToolButton::Reg)]);
  const auto texts = test::world().dialogs.messageTexts();
  ASSERT_EQ(2u, texts.size());
  EXPECT_EQ(
      "Due to security issues under Windows NT you must be logged in as an administrator in order to access this "
      "tool.",
      texts[0]);

  test::world().windowsNT = false;  // outside the NT family every user may
  EXPECT_TRUE(CheckAdminStatus());
  l.nav->OpenTool(ToolButton::Uninstall);
  test::world().windowsNT = true;
  test::world().administrator = true;
  l.nav->OpenTool(ToolButton::StartUp);
  EXPECT_EQ(1, l.opened[int(ToolButton::Uninstall)]);
  EXPECT_EQ(1, l.opened[int(ToolButton::StartUp)]);
  EXPECT_EQ(2u, test::world().dialogs.messageTexts().size());
}

TEST(Launcher, AToolNotBuiltOpensNothingAndAsksNothing) {
  Launcher l(/*allTools=*/false);
  test::world().administrator = false;
  l.nav->imgUninstall_Over.MouseDown(2, 2);
  l.nav->imgUninstall_Over.MouseUp(2, 2);
  EXPECT_TRUE(test::world().dialogs.asked().empty());
}

TEST(Launcher, WebOpensTheSiteThenTheHint) {
  test::RegistrySandbox sandbox;
  Launcher l;
  bool hintShown = false;
  ui::PostTask([&] {
    if (TfrmHint* h = TfrmHint::Current()) {
      hintShown = h->mmoHint.text().find("www.velmora.example") != std::string::npos;
      h->cmdOK.Click();
    }
  });
  l.nav->RunCommand(CommandButton::Web);
  ASSERT_EQ(1u, test::world().shellCalls.size());
  EXPECT_EQ("OPEN", test::world().shellCalls[0].verb);
  EXPECT_EQ(kWebSite, test::world().shellCalls[0].target);
  EXPECT_TRUE(hintShown);
}

TEST(Launcher, F1OpensTheWelcomeTopic) {
  ui::SetHelpHook([](const std::string& topic) { OpenHelpTopic(topic); });
  const std::string page = test::world().programFolder + "help\\Welcome_to_dastra_Velmora.html";
  CreateDirectoryW(Widen(test::world().programFolder + "help").c_str(), nullptr);
  AppendToFile(page, "<html></html>");
  Launcher l;
  MSG msg{l.nav->handle(), WM_KEYDOWN, VK_F1, 0, 0, {}};
  l.nav->PreTranslate(msg);
  ASSERT_EQ(1u, test::world().shellCalls.size());
  EXPECT_EQ(page, test::world().shellCalls[0].target);
  // A topic without a page opens the index.
  EXPECT_EQ(test::world().programFolder + "help\\index.html", HelpPageFor("No_such_topic"));
  EXPECT_EQ(test::world().programFolder + "help\\index.html", HelpPageFor("..\\..\\evil"));
}

TEST(HelpWindow, ButtonsShowAboutOpenTheManualAndSupport) {
  test::RegistrySandbox sandbox;
  RegKey::Create(HKEY_CURRENT_USER, kHintsKey).WriteDword("Support", 0);  // no hint window in the way
  ui::SetHelpHook([](const std::string& topic) { OpenHelpTopic(topic); });
  auto* help = new TfrmHelp(/*visible=*/false);
  wchar_t cls[64] = {};
  GetClassNameW(help->handle(), cls, 64);
  EXPECT_STREQ(L"TfrmHelp", cls);
  EXPECT_EQ("Velmora version information", help->imgAbout_Up.hint());
  EXPECT_EQ("Read Velmora's documentation", help->imgManual_Up.hint());
  EXPECT_EQ("Access Velmora technical support on the web", help->imgSupport_Up.hint());

  help->imgAbout_Up.MouseDown(2, 2);
  help->imgAbout_Up.MouseUp(2, 2);
  ASSERT_EQ(1u, test::world().dialogs.asked().size());
  EXPECT_NE(std::string::npos, test::world().dialogs.asked()[0].text.find("Velmora"));
  EXPECT_NE(std::string::npos, test::world().dialogs.asked()[0].text.find("Version"));

  help->Press(HelpButton::Manual);
  help->Press(HelpButton::Support);
  ASSERT_EQ(2u, test::world().shellCalls.size());
  EXPECT_EQ(test::world().programFolder + "help\\index.html", test::world().shellCalls[0].target);
  EXPECT_EQ("OPEN", test::world().shellCalls[1].verb);
  EXPECT_EQ(kSupportSite, test::world().shellCalls[1].target);
  help->Press(HelpButton::Exit);  // closes and frees itself
  ui::ProcessMessages();
  EXPECT_EQ(nullptr, FindWindowW(L"TfrmHelp", nullptr));
}

// The help window's picture buttons by the keyboard alone.
TEST(HelpWindow, TheKeyboardReachesAndPressesEveryButton) {
  test::RegistrySandbox sandbox;
  RegKey::Create(HKEY_CURRENT_USER, kHintsKey).WriteDword("Support", 0);
  ui::SetHelpHook([](const std::string& topic) { OpenHelpTopic(topic); });
  auto* help = new TfrmHelp(/*visible=*/true);
  HWND h = help->handle();
  test::world().shellCalls.clear();
  EXPECT_EQ(-1, help->keyboardButton());
  test::UserPressesKey(h, VK_DOWN);
  EXPECT_EQ(0, help->keyboardButton());
  EXPECT_FALSE(help->imgAbout_Up.visible()) << "the highlighted button shows its pressed face";
  test::UserPressesKey(h, VK_TAB);
  EXPECT_EQ(1, help->keyboardButton());
  EXPECT_TRUE(help->imgAbout_Up.visible());
  EXPECT_FALSE(help->imgManual_Up.visible());
  test::UserPressesKey(h, VK_RETURN);
  ASSERT_EQ(1u, test::world().shellCalls.size());
  EXPECT_EQ(test::world().programFolder + "help\\index.html", test::world().shellCalls[0].target);
  test::UserPressesKey(h, VK_UP);
  test::UserPressesKey(h, VK_UP);
  EXPECT_EQ(3, help->keyboardButton()) << "the highlight wraps round";
  test::UserPressesKey(h, 'S');
  ASSERT_EQ(2u, test::world().shellCalls.size());
  EXPECT_EQ(kSupportSite, test::world().shellCalls[1].target);
  test::UserPressesKey(h, 'E');
  ui::ProcessMessages();
  EXPECT_FALSE(IsWindow(h));
}
