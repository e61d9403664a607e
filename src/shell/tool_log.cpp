#include "shell/tool_log.h"

#include "shell/action_log.h"
#include "shell/utilities.h"

namespace velmora::shell {

bool ToolLog::ReadManualSwitch() const { return !files_.manualSwitch || ManualLoggingOn(files_.manualSwitch); }

bool ToolLog::ReadScheduledSwitch() const { return files_.scheduleKey && ScheduledLoggingOn(files_.scheduleKey); }

std::string ToolLog::ActiveFile() const {
  if (scheduledActive()) return files_.scheduled;
  if (manualActive()) return files_.manual;
  return {};
}

void ToolLog::Line(const std::string& line) const {
  const std::string file = ActiveFile();
  if (!file.empty()) AppendLogLine(file, line);
}

void ToolLog::Lines(const std::vector<std::string>& lines) const {
  const std::string file = ActiveFile();
  if (file.empty()) return;
  for (const std::string& line : lines) AppendLogLine(file, line);
}

void ToolLog::OpenSession(const std::string& heading) const {
  if (!manualActive()) return;
  Lines({LogSeparator(), heading + LogTimeStamp(), LogSeparator(), ""});
}

void ToolLog::CloseSession(const std::vector<std::string>& totals, const std::string& heading) const {
  if (!manualActive()) return;
  std::vector<std::string> block{"", LogSeparator(), heading + LogTimeStamp()};
  block.insert(block.end(), totals.begin(), totals.end());
  block.push_back(LogSeparator());
  block.push_back("");
  Lines(block);
}

void ToolLog::StartOperation(bool blankLineAfter) const {
  if (!scheduledActive()) return;
  std::vector<std::string> block{"", LogSeparator(), "OPERATION START: " + LogTimeStamp(), LogSeparator()};
  if (blankLineAfter) block.push_back("");
  Lines(block);
}

void ToolLog::CompleteOperation(const std::vector<std::string>& totals, bool blankLinesAround) const {
  if (!scheduledActive()) return;
  std::vector<std::string> block;
  if (blankLinesAround) block.push_back("");
  block.push_back(LogSeparator());
  block.push_back("OPERATION COMPLETE: " + LogTimeStamp());
  block.insert(block.end(), totals.begin(), totals.end());
  block.push_back(LogSeparator());
  if (blankLinesAround) block.push_back("");
  Lines(block);
}

}  // namespace velmora::shell
