#include "support/fakes.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "platform/services.h"
#include "platform/text.h"
#include "support/test_folder.h"

namespace velmora::test {

std::vector<std::string> ScriptedDialogs::messageTexts() const {
  std::vector<std::string> out;
  for (const auto& q : asked_)
    if (q.kind == "message") out.push_back(q.text);
  return out;
}

void ScriptedDialogs::Reset() {
  messages_.clear();
  inputs_.clear();
  folders_.clear();
  files_.clear();
  asked_.clear();
}

ui::MsgResult ScriptedDialogs::Message(HWND, const std::string& text, const std::string& caption,
                                       ui::MsgButtons buttons, ui::MsgIcon icon) {
  asked_.push_back({"message", text, caption, buttons, icon});
  if (messages_.empty()) {
    // A plain OK box needs no scripted answer; a question does.
    if (buttons != ui::MsgButtons::Ok) ADD_FAILURE() << "unexpected question: " << caption << ": " << text;
    return buttons == ui::MsgButtons::Ok ? ui::MsgResult::Ok : ui::MsgResult::Cancel;
  }
  const auto r = messages_.front();
  messages_.pop_front();
  return r;
}

std::optional<std::string> ScriptedDialogs::InputQuery(HWND, const std::string& title,
                                                       const std::string& prompt, const std::string&) {
  asked_.push_back({"input", prompt, title});
  if (inputs_.empty()) {
    ADD_FAILURE() << "unexpected input box: " << title << ": " << prompt;
    return std::nullopt;
  }
  auto r = inputs_.front();
  inputs_.pop_front();
  return r;
}

std::optional<std::string> ScriptedDialogs::ChooseFolder(HWND, const std::string& prompt, const std::string&,
                                                         bool) {
  asked_.push_back({"folder", prompt, ""});
  if (folders_.empty()) {
    ADD_FAILURE() << "unexpected folder chooser: " << prompt;
    return std::nullopt;
  }
  auto r = folders_.front();
  folders_.pop_front();
  return r;
}

std::optional<std::string> ScriptedDialogs::OpenFile(HWND, const ui::FileDialogOptions& options) {
  asked_.push_back({"open", options.title, ""});
  if (files_.empty()) {
    ADD_FAILURE() << "unexpected file dialog: " << options.title;
    return std::nullopt;
  }
  auto r = files_.front();
  files_.pop_front();
  return r;
}

std::optional<std::string> ScriptedDialogs::SaveFile(HWND, const ui::FileDialogOptions& options) {
  asked_.push_back({"save", options.title, ""});
  if (files_.empty()) {
    ADD_FAILURE() << "unexpected save dialog: " << options.title;
    return std::nullopt;
  }
  auto r = files_.front();
  files_.pop_front();
  return r;
}

FakeWorld& world() {
  static FakeWorld w;
  return w;
}

void FakeWorld::Reset() {
  shellCalls.clear();
  startedProcesses.clear();
  launches.clear();
  clockSettings.clear();
  administrator = true;
  windowsNT = true;
  shellSucceeds = true;
  fixedNow.reset();
  utcNow = 45000.5;
  utcClockSettings.clear();
  clockRefuses = false;
  browserRegistered = false;
  browserStarts.clear();
  onBrowserStart = nullptr;
  dialogs.Reset();
  // A fresh, empty program folder: logs and lists a test writes land here.
  programFolder = "C:\\velmora-tests\\program-" + std::to_string(GetCurrentProcessId()) + "\\";
  RemoveTree(programFolder);
  CreateDirectoryW(L"C:\\velmora-tests", nullptr);
  CreateDirectoryW(Widen(programFolder).c_str(), nullptr);
}

void InstallFakeWorld() {
  Services& s = services();
  const Services real = RealServices();
  s.shellExecute = [](const std::string& verb, const std::string& target, const std::string& params) {
    world().shellCalls.push_back({verb, target, params});
    return world().shellSucceeds;
  };
  s.startProcess = [](const std::string& cmd) {
    world().startedProcesses.push_back(cmd);
    return true;
  };
  s.launchProcess = [](const std::string& cmd, const std::string& folder) {
    world().launches.push_back({"", cmd, folder});
    LaunchResult refused;
    refused.error = ERROR_BAD_EXE_FORMAT;
    return refused;
  };
  s.setClock = [](double t) {
    world().clockSettings.push_back(t);
    return true;
  };
  s.utcClock = [] { return world().utcNow; };
  s.setUtcClock = [](double utc) {
    if (world().clockRefuses) return false;
    world().utcClockSettings.push_back(utc);
    return true;
  };
  s.automationRegistered = [](const std::string&) { return world().browserRegistered; };
  s.startAndQuitBrowser = [](const std::string& progId, const std::function<void()>& pump) {
    if (!world().browserRegistered) return false;
    world().browserStarts.push_back(progId);
    if (world().onBrowserStart) world().onBrowserStart();
    if (pump) pump();
    return true;
  };
  s.tokenIsAdministrator = [] { return world().administrator; };
  s.isWindowsNT = [] { return world().windowsNT; };
  s.programFolder = [] { return world().programFolder; };
  s.now = [realNow = real.now] { return world().fixedNow ? *world().fixedNow : realNow(); };
  ui::SetDialogs(&world().dialogs);
}

}  // namespace velmora::test
