// The one guard in front of every "empty this folder" and "list every file of
// this folder" the suite does: the junk cleaner's temporary-folder pass, the
// eraser's browser folders and the cache completion. A folder named by the
// environment, the registry or a stored value is acted on only when it passes.
#pragma once

#include <string>
#include <vector>

namespace velmora::shell {

// The text of a folder that may be emptied: absolute ("X:\dir" or
// "\\server\share\dir"), not a drive or share root, no ".." and no wildcard.
bool IsSafeFolderText(const std::string& folder);

// The folders a clean-up must never empty, upper-cased, long form, ending in
// "\": the Windows folder, both Program Files, ProgramData, the users root,
// the profile, AppData, Local AppData, Documents, Desktop, Pictures, Music,
// Videos, Downloads (the user's and the common ones), the program's own folder
// and the data folder.
std::vector<std::string> ProtectedFolders();

// A folder that may be emptied: its text as above, an existing folder that is
// no junction or link, neither equal to nor above a protected folder, not a
// profile (any folder directly inside the users root), and not the Windows
// folder nor below it, save the Windows temporary folder ("Windows\Temp") and
// what it holds, which is a temporary folder by the system's own design.
bool IsSafeFolderToEmpty(const std::string& folder);

// The reason a folder fails the guard, for status texts and logs; empty when it passes.
std::string UnsafeFolderReason(const std::string& folder);

}  // namespace velmora::shell
