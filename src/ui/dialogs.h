// Every message box, confirmation, input box, folder chooser and file dialog of
// the suite goes through this one interface, so unattended runs and tests can
// script the answers and see the questions.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace velmora::ui {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgResult { Ok, Cancel, Yes, No, Retry, Abort, Ignore };

struct FileDialogOptions {
  std::string title;
  // Pairs separated by "|" as "Text files (*.txt)|*.txt|All files (*.*)|*.*".
  std::string filter;
  std::string initialDir;
  std::string defaultExt;
  std::string fileName;  // filled in the name box
  bool mustExist = true;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual MsgResult Message(HWND owner, const std::string& text, const std::string& caption,
                            MsgButtons buttons, MsgIcon icon) = 0;
  // Nothing when the user cancels.
  virtual std::optional<std::string> InputQuery(HWND owner, const std::string& title,
                                                const std::string& prompt,
                                                const std::string& initial) = 0;
  virtual std::optional<std::string> ChooseFolder(HWND owner, const std::string& prompt,
                                                  const std::string& initial, bool allowCreate) = 0;
  virtual std::optional<std::string> OpenFile(HWND owner, const FileDialogOptions& options) = 0;
  virtual std::optional<std::string> SaveFile(HWND owner, const FileDialogOptions& options) = 0;

  // The classic input box: the default text comes back when the user cancels.
  std::string InputBox(HWND owner, const std::string& title, const std::string& prompt,
                       const std::string& initial) {
    return InputQuery(owner, title, prompt, initial).value_or(initial);
  }
};

// Shows nothing and answers every question as its first button would (OK,
// Yes, Retry, Abort); choosers and input boxes are cancelled. For programs that
// drive a window unattended (screenshot hosts, benchmarks).
class DefaultAnswerDialogs : public Dialogs {
 public:
  MsgResult Message(HWND, const std::string&, const std::string&, MsgButtons buttons, MsgIcon) override;
  std::optional<std::string> InputQuery(HWND, const std::string&, const std::string&, const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ChooseFolder(HWND, const std::string&, const std::string&, bool) override {
    return std::nullopt;
  }
  std::optional<std::string> OpenFile(HWND, const FileDialogOptions&) override { return std::nullopt; }
  std::optional<std::string> SaveFile(HWND, const FileDialogOptions&) override { return std::nullopt; }
};

// The process-wide dialogs; the real Win32 ones unless replaced.
Dialogs& dialogs();
// Replaces the process-wide dialogs; nullptr puts the Win32 ones back. Gives
// the replacement in force before (nullptr: the Win32 ones), so a scope that
// installs its own can put back what it found.
Dialogs* SetDialogs(Dialogs* replacement);

// Where an error that escaped a handler goes (the forms layer catches it at the
// window procedure, the message loop, a posted task or a timer). Unset, it is
// shown as an error box through dialogs(); an unattended run sets its own, so
// the error ends the run in its log instead of waiting on a box.
using HandlerErrorSink = std::function<void(const std::string& text)>;
// Gives the sink in force before.
HandlerErrorSink SetHandlerErrorSink(HandlerErrorSink sink);
// Sends one error text where handler errors go now.
void ReportHandlerError(HWND owner, const std::string& text);

// Shorthands for the common forms.
inline void ShowMessage(const std::string& text, const std::string& caption = "Velmora",
                        MsgIcon icon = MsgIcon::Information, HWND owner = nullptr) {
  dialogs().Message(owner, text, caption, MsgButtons::Ok, icon);
}
inline bool ConfirmYesNo(const std::string& text, const std::string& caption, HWND owner = nullptr,
                         MsgIcon icon = MsgIcon::Question) {
  return dialogs().Message(owner, text, caption, MsgButtons::YesNo, icon) == MsgResult::Yes;
}

}  // namespace velmora::ui
