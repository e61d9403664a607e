#include <gtest/gtest.h>

#include <functional>

#include "platform/registry.h"
#include "shell/hint.h"
#include "support/fakes.h"
#include "support/registry_sandbox.h"
#include "ui/app.h"

using namespace velmora;
using namespace velmora::shell;

namespace {

// Shows a hint and, from inside its modal loop, lets `drive` act on the window
// as the user would. Returns whether the window was shown at all.
bool ShowAndDrive(const std::string& subject, const std::function<void(TfrmHint&)>& drive) {
  bool shown = false;
  ui::PostTask([&] {
    if (TfrmHint* hint = TfrmHint::Current()) {
      shown = true;
      drive(*hint);
    }
  });
  ShowHintOnce(subject, "Some useful advice.");
  ui::ProcessMessages();  // the posted task, when no hint window took it
  return shown;
}

std::optional<std::uint32_t> HintValue(const std::string& name) {
  return RegKey::Create(HKEY_CURRENT_USER, kHintsKey).ReadDword(name);
}

}  // namespace

TEST(ShowHintOnce, ShowsTheTextAndUncheckingTheSubjectSuppressesIt) {
  test::RegistrySandbox sandbox;
  std::string memo, heading, caption;
  EXPECT_TRUE(ShowAndDrive("Web", [&](TfrmHint& h) {
    memo = h.mmoHint.text();
    heading = h.lblHeading.caption();
    caption = h.caption();
    EXPECT_TRUE(h.cbShowHint.checked());
    EXPECT_TRUE(h.cbAllHints.checked());
    h.cbShowHint.Click();
    h.cmdOK.Click();
  }));
  EXPECT_EQ("Some useful advice.", memo);
  EXPECT_EQ("Hints and Tips...", heading);
  EXPECT_EQ("Velmora", caption);
  EXPECT_EQ(0u, HintValue("Web").value());
  EXPECT_FALSE(HintValue("All").has_value());

  EXPECT_FALSE(ShowAndDrive("Web", [](TfrmHint& h) { h.cmdOK.Click(); }));      // suppressed
  EXPECT_TRUE(ShowAndDrive("Support", [](TfrmHint& h) { h.cmdOK.Click(); }));   // another subject still shows
  EXPECT_FALSE(HintValue("Support").has_value());
}

// A hint value of another type reads as absent (the hint shows), never as an
// error: the check runs inside removal loops.
TEST(ShowHintOnce, AValueOfTheWrongTypeCountsAsAbsent) {
  test::RegistrySandbox sandbox;
  RegKey::Create(HKEY_CURRENT_USER, kHintsKey).WriteString("JunkInUse", "0");
  RegKey::Create(HKEY_CURRENT_USER, kHintsKey).WriteBinary("All", "\0", 1);
  bool wanted = false;
  EXPECT_NO_THROW(wanted = HintWanted("JunkInUse"));
  EXPECT_TRUE(wanted);
}

TEST(ShowHintOnce, TurningAllHintsOffAsksAndYesSuppressesEverySubject) {
  test::RegistrySandbox sandbox;
  test::world().dialogs.Answer(ui::MsgResult::Yes);
  EXPECT_TRUE(ShowAndDrive("Cookies", [](TfrmHint& h) {
    h.cbAllHints.Click();
    // Unchecking "Show hints" unchecks and disables the subject box.
    EXPECT_FALSE(h.cbShowHint.checked());
    EXPECT_FALSE(h.cbShowHint.enabled());
    h.cmdOK.Click();
  }));
  ASSERT_EQ(1u, test::world().dialogs.asked().size());
  const auto& q = test::world().dialogs.asked()[0];
  EXPECT_EQ("Confirm", q.caption);
  EXPECT_EQ(ui::MsgButtons::YesNo, q.buttons);
  EXPECT_EQ(
      "If you are new to Velmora it is strongly recommended that you view all hints at least once.  If you do not "
      "want to see more hints pertaining to this aspect of Velmora, simply uncheck the box labeled \"Show hints on "
      "this subject again\".  Are you sure you do not want to see any more hints?",
      q.text);
  EXPECT_EQ(0u, HintValue("All").value());
  EXPECT_FALSE(ShowAndDrive("Web", [](TfrmHint& h) { h.cmdOK.Click(); }));
  EXPECT_FALSE(ShowAndDrive("Anything", [](TfrmHint& h) { h.cmdOK.Click(); }));

  RegKey::Create(HKEY_CURRENT_USER, kHintsKey).WriteDword("All", 1);
  EXPECT_TRUE(ShowAndDrive("Web", [](TfrmHint& h) { h.cmdOK.Click(); }));
}

TEST(ShowHintOnce, AnsweringNoChecksBothBoxesAgainAndWritesNothing) {
  test::RegistrySandbox sandbox;
  test::world().dialogs.Answer(ui::MsgResult::No);
  EXPECT_TRUE(ShowAndDrive("Web", [&](TfrmHint& h) {
    h.cbAllHints.Click();
    h.cmdOK.Click();  // the window frees itself: not touched after this
  }));
  EXPECT_EQ(1u, test::world().dialogs.asked().size());
  EXPECT_FALSE(HintValue("All").has_value());
  EXPECT_FALSE(HintValue("Web").has_value());
}
