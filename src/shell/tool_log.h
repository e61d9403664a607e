// ToolLog: one per tool window. It knows the tool's manual log and its
// scheduled log, and from the window's ScheduledRun, ScheduledLog and
// ManualLogging flags which of them (if any) a line goes to now:
//
//   scheduled run with ScheduledLog ("LogEvents")  -> the scheduled log
//   manual window with ManualLogging ("Do..." switch) -> the manual log
//   otherwise                                       -> nowhere
//
// It writes the action lines and the session and operation blocks of the log
// layout. The flags stay the window's own members (an unattended run sets
// them); the log reads them at each call.
#pragma once

#include <string>
#include <vector>

namespace velmora::shell {

struct ToolLogFiles {
  const char* manual = nullptr;        // "Manual_Junk_Log.txt"
  const char* manualSwitch = nullptr;  // "DoJunk"
  const char* scheduled = nullptr;     // "JunkLog.txt"; null for tools never run unattended
  const char* scheduleKey = nullptr;   // the schedule key whose "LogEvents" turns the scheduled log on
};

class ToolLog {
 public:
  ToolLog(const bool& scheduledRun, const bool& scheduledLog, const bool& manualLogging, ToolLogFiles files)
      : scheduledRun_(scheduledRun), scheduledLog_(scheduledLog), manualLogging_(manualLogging), files_(files) {}
  ToolLog(const ToolLog&) = delete;
  ToolLog& operator=(const ToolLog&) = delete;

  // The switches as stored now (absent = on), for the window to keep.
  bool ReadManualSwitch() const;
  bool ReadScheduledSwitch() const;

  // The file lines go to now; empty when they are dropped.
  std::string ActiveFile() const;
  bool writing() const { return !ActiveFile().empty(); }
  bool scheduled() const { return scheduledRun_; }

  // One line (action lines begin with two blanks: the caller's text has them).
  void Line(const std::string& line) const;
  void Lines(const std::vector<std::string>& lines) const;

  // Manual window, logging on: the opening block ("OPEN SESSION: " or the
  // tool's own heading such as "SESSION START: "), and the closing block with
  // the tool's totals ("CLOSE SESSION: " or the tool's own, "SESSION CLOSE: ").
  void OpenSession(const std::string& heading = "OPEN SESSION: ") const;
  void CloseSession(const std::vector<std::string>& totals, const std::string& heading = "CLOSE SESSION: ") const;
  // Scheduled run, logging on: the start block (the junk cleaner adds an empty
  // line after it) and the completion block (the junk cleaner frames it with
  // empty lines).
  void StartOperation(bool blankLineAfter = false) const;
  void CompleteOperation(const std::vector<std::string>& totals, bool blankLinesAround = false) const;

 private:
  bool manualActive() const { return !scheduledRun_ && manualLogging_ && files_.manual; }
  bool scheduledActive() const { return scheduledRun_ && scheduledLog_ && files_.scheduled; }

  const bool& scheduledRun_;
  const bool& scheduledLog_;
  const bool& manualLogging_;
  ToolLogFiles files_;
};

}  // namespace velmora::shell
