// The small file, folder and system functions the tools share.
#pragma once

#include <cstdint>
#include <string>

namespace velmora::shell {

// The folder the suite writes its logs, lists, backups, snapshots and reports
// to, ending in "\": the program's own folder when a file can be created there
// (as today, and as a portable copy expects), otherwise %LOCALAPPDATA%\Velmora,
// created when missing. A suite installed under Program Files and run without
// rights so still logs. Every writer and the log viewer use it.
std::string DataFolder();

// Appends the line and CR LF to the named file in the data folder, creating it
// when absent. Raises std::runtime_error on any I/O error.
void AppendLogLine(const std::string& fileName, const std::string& line);

// Free bytes of every fixed drive from C: to Y:, summed in 64 bits. A drive
// whose free space cannot be read adds nothing.
std::int64_t TotalFixedDiskFree();

// Deletes everything inside the folder through the shell, permanently or to the
// recycle bin. False when the folder does not exist or the shell fails.
bool DeleteFolderContents(const std::string& folder, bool toRecycleBin);

// True when the folder (ending in "\") holds no entry; a folder that cannot be
// listed counts as empty.
bool FolderIsEmpty(const std::string& folder);

// True when a file in `fileFolder` (with or without its final "\") is kept out
// of a tool's list because that folder lies on the path of the move-to folder
// text: what a tool moves away is never found again by its next scan.
bool InsideMoveGuard(const std::string& fileFolder, const std::string& moveFolderText);

// True when opening the file with the shell would run something rather than
// show it: a type of PATHEXT (given as the variable's text, ";"-separated), a
// shortcut, an internet shortcut, a script, an installer, a control-panel or
// screen-saver file, an HTML application, a registry file.
bool IsRunnableType(const std::string& path, const std::string& pathext);
// The same with the process's PATHEXT (the system's default list when unset).
bool ShellWouldRun(const std::string& path);

// QuickView of a listed file: the system's file viewer when there is one, else
// the file's property sheet for anything the shell would run, else the shell's
// "open". False when nothing could be started (no system folder, or the shell
// refused).
bool QuickViewFile(const std::string& path);

// The shortcut finder's form of the guard: the file's folder with its final
// "\" must occur in the move-to folder (given a final "\" too), so a folder
// whose name only begins like the move folder's is not kept out.
bool InsideMoveFolderPath(const std::string& fileFolder, const std::string& moveFolderText);

// True when the file cannot be opened for writing with exclusive sharing.
bool FileIsLocked(const std::string& path);

// Last-access time as a local date-time, leaving the stored time as it was; 0
// when the file cannot be opened for reading and writing (read-only, locked).
double GetFileLastAccess(const std::string& path);

// The system temporary folder with trailing "\" ("c:\windows\temp\" when the
// system gives none), and the Windows folder ("c:\windows" likewise).
std::string GetTempFolder();
std::string GetWindowsFolder();
// The user's StartUp folder from the shell-folders key; empty when the key is missing.
std::string GetStartupFolder();

// %NAME% references expanded; the text unchanged when the system cannot expand it.
std::string ExpandEnvironment(const std::string& text);
// The 8.3 form of the path; the path unchanged when the system has none (missing path).
std::string GetShortPath(const std::string& path);

// True when the text holds none of \ / : * ? " < > |; otherwise shows
// prefix + ":" + the nine characters each after a blank, and returns false.
bool ValidateEntryName(const std::string& text, const std::string& messagePrefix);

// True on a system outside the NT family, else the token's Administrators membership.
bool IsAdministrator();

void ShowRegistryAccessError();

}  // namespace velmora::shell
