// The test run's outside world: recorded shell calls, programs, clock changes,
// a chosen administrator and platform answer, a program folder of the test's own,
// and scripted dialogs. test_main installs one FakeWorld for the whole run; each
// test resets it (FakeWorld::Reset) through the listener in test_main.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialogs.h"

namespace velmora::test {

struct ShellCall {
  std::string verb, target, params;
};

struct Question {
  std::string kind;  // "message", "input", "folder", "open", "save"
  std::string text;  // message text or prompt
  std::string caption;
  ui::MsgButtons buttons = ui::MsgButtons::Ok;
  ui::MsgIcon icon = ui::MsgIcon::None;
};

// Scripted answers, consumed in order. An unexpected question fails the test.
class ScriptedDialogs : public ui::Dialogs {
 public:
  void Answer(ui::MsgResult r) { messages_.push_back(r); }
  void AnswerInput(std::optional<std::string> text) { inputs_.push_back(std::move(text)); }
  void AnswerFolder(std::optional<std::string> path) { folders_.push_back(std::move(path)); }
  void AnswerFile(std::optional<std::string> path) { files_.push_back(std::move(path)); }

  const std::vector<Question>& asked() const { return asked_; }
  // Texts of the message boxes shown so far.
  std::vector<std::string> messageTexts() const;
  bool allAnswersUsed() const {
    return messages_.empty() && inputs_.empty() && folders_.empty() && files_.empty();
  }
  void Reset();

  ui::MsgResult Message(HWND, const std::string& text, const std::string& caption, ui::MsgButtons buttons,
                        ui::MsgIcon icon) override;
  std::optional<std::string> InputQuery(HWND, const std::string& title, const std::string& prompt,
                                        const std::string& initial) override;
  std::optional<std::string> ChooseFolder(HWND, const std::string& prompt, const std::string& initial,
                                          bool allowCreate) override;
  std::optional<std::string> OpenFile(HWND, const ui::FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(HWND, const ui::FileDialogOptions& options) override;

 private:
  std::deque<ui::MsgResult> messages_;
  std::deque<std::optional<std::string>> inputs_;
  std::deque<std::optional<std::string>> folders_;
  std::deque<std::optional<std::string>> files_;
  std::vector<Question> asked_;
};

struct FakeWorld {
  std::vector<ShellCall> shellCalls;
  std::vector<std::string> startedProcesses;
  // Programs given to launchProcess (command line, folder); the fake refuses
  // them as ERROR_BAD_EXE_FORMAT. A test that runs a real program puts
  // RealServices().launchProcess in place.
  std::vector<ShellCall> launches;
  std::vector<double> clockSettings;
  bool administrator = true;
  bool windowsNT = true;
  bool shellSucceeds = true;
  std::string programFolder;    // ends in "\"; a fresh folder per test
  std::optional<double> fixedNow;  // when set, the current time
  // The UTC clock: read as utcNow, every setting recorded (refused when clockRefuses).
  double utcNow = 45000.5;
  std::vector<double> utcClockSettings;
  bool clockRefuses = false;
  // The browser automation object: registered or not; each start recorded.
  bool browserRegistered = false;
  std::vector<std::string> browserStarts;
  std::function<void()> onBrowserStart;  // runs inside a start (a test may throw from it)
  ScriptedDialogs dialogs;

  void Reset();
};

FakeWorld& world();
// Installs the fake world into services() and the dialogs; called once by test_main.
void InstallFakeWorld();

}  // namespace velmora::test
