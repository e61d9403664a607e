// The dialogs of an unattended run: nothing may wait for an answer nobody will
// give. For its life a QuietRun replaces the process's dialogs and the forms
// layer's handler-error path: a message or question goes to the run's log as a
// line and is answered at once (OK for a plain message; No, Cancel or Abort for
// a question, the answer that changes nothing); choosers and input boxes are
// cancelled. An error box or an error that escaped a handler marks the run as
// failed with its text. Lines the run's own log cannot take go to the suite's
// "ScheduleLog.txt".
#pragma once

#include <optional>
#include <stdexcept>
#include <string>

#include "ui/dialogs.h"

namespace velmora::shell {

// Raised by QuietRun::ThrowIfFailed: the run ends there, as failed.
class RunFailed : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class QuietRun : public ui::Dialogs {
 public:
  // `logFile`: the run's log, a name in the data folder.
  explicit QuietRun(std::string logFile);
  ~QuietRun() override;
  QuietRun(const QuietRun&) = delete;
  QuietRun& operator=(const QuietRun&) = delete;

  // Writes one line to the run's log, else to "ScheduleLog.txt"; false when
  // neither could take it.
  bool Log(const std::string& line) noexcept;
  // Marks the run as failed (the first reason is kept) and logs the reason.
  void Fail(const std::string& why) noexcept;
  bool failed() const { return failure_.has_value(); }
  const std::string& failure() const { return *failure_; }
  // Ends the run here when something failed.
  void ThrowIfFailed() const;

  ui::MsgResult Message(HWND, const std::string& text, const std::string& caption, ui::MsgButtons buttons,
                        ui::MsgIcon icon) override;
  std::optional<std::string> InputQuery(HWND, const std::string& title, const std::string& prompt,
                                        const std::string& initial) override;
  std::optional<std::string> ChooseFolder(HWND, const std::string& prompt, const std::string& initial,
                                          bool allowCreate) override;
  std::optional<std::string> OpenFile(HWND, const ui::FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(HWND, const ui::FileDialogOptions& options) override;

 private:
  std::string logFile_;
  std::optional<std::string> failure_;
  ui::Dialogs* previousDialogs_ = nullptr;
  ui::HandlerErrorSink previousSink_;
  QuietRun* previous_;
};

// Tells the unattended run in progress, if any, that a step failed (a tool
// that reports its own errors to its log in a scheduled run calls this beside
// its log line): the run goes on as the tool decides, but it is not recorded
// as a run.
void NoteRunFailure(const std::string& why) noexcept;

// The answer an unattended run gives to a box of these buttons.
ui::MsgResult QuietAnswer(ui::MsgButtons buttons);

// True when a line can be appended to this log of the data folder now (the
// file is made when missing). A run that could not record its removals makes
// none.
bool LogIsWritable(const std::string& logFile);

}  // namespace velmora::shell
