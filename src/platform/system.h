// System folders, environment expansion, short paths, and opening things
// through the shell.
#pragma once

#include <optional>
#include <string>

namespace velmora {

// %NAME% references expanded (ExpandEnvironmentStringsW, buffer grown to fit);
// unknown names stay as written. nullopt when the system fails.
std::optional<std::string> ExpandEnvironmentText(const std::string& text);
// The 8.3 form of an existing path (GetShortPathNameW, buffer grown to fit);
// nullopt when the system cannot give one (for instance a missing path).
std::optional<std::string> ShortPathName(const std::string& path);
// The long form of an existing path (GetLongPathNameW: every 8.3 part spelled
// out); nullopt when the system cannot give one (for instance a missing path).
std::optional<std::string> LongPathName(const std::string& path);
// The temporary folder (GetTempPathW), ending in "\".
std::optional<std::string> SystemTempFolder();
// The Windows folder (GetWindowsDirectoryW), without a trailing "\".
std::optional<std::string> SystemWindowsFolder();
// A shell folder by CSIDL (SHGetFolderPathW, current value); nullopt when the
// system has none.
std::optional<std::string> ShellFolderPath(int csidl);

// The shell folders that have no CSIDL.
enum class KnownFolder { Downloads, UserProfiles, PublicDownloads };
// Their path (SHGetKnownFolderPath); nullopt when the system has none.
std::optional<std::string> KnownFolderPath(KnownFolder folder);

// Opens a document, folder or web page with a verb ("open", "properties", ...)
// through services().shellExecute, so tests record it; true on success.
bool OpenWithShell(const std::string& verb, const std::string& target, const std::string& params = {});

}  // namespace velmora
