#include "shell/quiet_run.h"

#include <windows.h>

#include "platform/files.h"
#include "platform/handles.h"
#include "shell/action_log.h"
#include "shell/utilities.h"

namespace velmora::shell {

namespace {

QuietRun* g_current = nullptr;

std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\r' || c == '\n') c = ' ';
  // Texts broken into paragraphs leave runs of blanks.
  std::string out;
  for (char c : text)
    if (!(c == ' ' && !out.empty() && out.back() == ' ')) out += c;
  return out;
}

const char* AnswerName(ui::MsgResult r) {
  switch (r) {
    case ui::MsgResult::Ok: return "OK";
    case ui::MsgResult::Cancel: return "Cancel";
    case ui::MsgResult::Yes: return "Yes";
    case ui::MsgResult::No: return "No";
    case ui::MsgResult::Retry: return "Retry";
    case ui::MsgResult::Abort: return "Abort";
    case ui::MsgResult::Ignore: return "Ignore";
  }
  return "";
}

}  // namespace

ui::MsgResult QuietAnswer(ui::MsgButtons buttons) {
  switch (buttons) {
    case ui::MsgButtons::Ok: return ui::MsgResult::Ok;
    case ui::MsgButtons::OkCancel: return ui::MsgResult::Cancel;
    case ui::MsgButtons::YesNo: return ui::MsgResult::No;
    case ui::MsgButtons::YesNoCancel: return ui::MsgResult::Cancel;
    case ui::MsgButtons::RetryCancel: return ui::MsgResult::Cancel;
    case ui::MsgButtons::AbortRetryIgnore: return ui::MsgResult::Abort;
  }
  return ui::MsgResult::Cancel;
}

bool LogIsWritable(const std::string& logFile) {
  // The same access the log's writer asks for. A log the test had to make is
  // taken away again: a run that logs nothing leaves no empty log behind.
  const std::wstring path = LongPathW(DataFolder() + logFile);
  FileHandle h(CreateFileW(path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  const bool made = GetLastError() != ERROR_ALREADY_EXISTS;
  h.reset();
  if (made) DeleteFileW(path.c_str());
  return true;
}

void NoteRunFailure(const std::string& why) noexcept {
  if (g_current && !g_current->failed()) g_current->Fail(why);
}

QuietRun::QuietRun(std::string logFile) : logFile_(std::move(logFile)), previous_(g_current) {
  g_current = this;
  previousDialogs_ = ui::SetDialogs(this);
  previousSink_ = ui::SetHandlerErrorSink([this](const std::string& text) { Fail(text); });
}

QuietRun::~QuietRun() {
  ui::SetHandlerErrorSink(std::move(previousSink_));
  ui::SetDialogs(previousDialogs_);
  g_current = previous_;
}

bool QuietRun::Log(const std::string& line) noexcept {
  for (const std::string& file : {logFile_, std::string(logfile::kScheduleLog)}) {
    if (file.empty()) continue;
    try {
      AppendLogLine(file, line);
      return true;
    } catch (...) {
    }
  }
  return false;
}

void QuietRun::Fail(const std::string& why) noexcept {
  try {
    if (!failure_) failure_ = why;
    Log("  Scheduled run failed: " + OneLine(why));
  } catch (...) {
  }
}

void QuietRun::ThrowIfFailed() const {
  if (failure_) throw RunFailed(*failure_);
}

ui::MsgResult QuietRun::Message(HWND, const std::string& text, const std::string& caption, ui::MsgButtons buttons,
                                ui::MsgIcon icon) {
  const ui::MsgResult answer = QuietAnswer(buttons);
  if (icon == ui::MsgIcon::Error) {
    Fail(caption + ": " + text);
  } else {
    Log("  Unattended: \"" + OneLine(text) + "\" (" + caption + "), answered " + AnswerName(answer));
  }
  return answer;
}

std::optional<std::string> QuietRun::InputQuery(HWND, const std::string& title, const std::string& prompt,
                                                const std::string&) {
  Log("  Unattended: \"" + OneLine(prompt) + "\" (" + title + "), cancelled");
  return std::nullopt;
}

std::optional<std::string> QuietRun::ChooseFolder(HWND, const std::string& prompt, const std::string&, bool) {
  Log("  Unattended: \"" + OneLine(prompt) + "\", cancelled");
  return std::nullopt;
}

std::optional<std::string> QuietRun::OpenFile(HWND, const ui::FileDialogOptions& options) {
  Log("  Unattended: \"" + OneLine(options.title) + "\", cancelled");
  return std::nullopt;
}

std::optional<std::string> QuietRun::SaveFile(HWND, const ui::FileDialogOptions& options) {
  Log("  Unattended: \"" + OneLine(options.title) + "\", cancelled");
  return std::nullopt;
}

}  // namespace velmora::shell
