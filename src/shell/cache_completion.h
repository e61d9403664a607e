// Finishing the browser-cache removal the privacy eraser left for the next
// start ("/COMPLETECACHE"): the folders recorded under the privacy key are
// emptied permanently and their values deleted.
#pragma once

#include <functional>
#include <string>

namespace velmora::shell {

inline const char* const kPrivacyKey = "\\software\\dastra\\velmora\\privacy";

// The text of a folder that may be emptied: absolute ("X:\dir" or
// "\\server\share\dir"), not a drive or share root, no ".." and no wildcard.
bool IsSafeFolderText(const std::string& folder);
// A folder read from the registry or a stored value that may be emptied: its
// text as above, an existing folder that is no junction or link, and neither
// equal to nor above the Windows, Program Files, ProgramData, profile,
// AppData, Documents or Desktop folder, nor the program's own folder.
bool IsSafeFolderToEmpty(const std::string& folder);

// Runs the three steps ("Cookies", "Cache", "History"); setDetail receives the
// detail text before each folder is emptied.
void CompleteCacheRemoval(const std::function<void(const std::string&)>& setDetail);

}  // namespace velmora::shell
