// Finishing the browser-cache removal the privacy eraser left for the next
// start ("/COMPLETECACHE"): the folders recorded under the privacy key are
// emptied permanently and their values deleted.
#pragma once

#include <functional>
#include <string>

#include "shell/folder_guard.h"

namespace velmora::shell {

inline const char* const kPrivacyKey = "\\software\\dastra\\velmora\\privacy";

// Runs the three steps ("Cookies", "Cache", "History"); setDetail receives the
// detail text before each folder is emptied.
void CompleteCacheRemoval(const std::function<void(const std::string&)>& setDetail);

}  // namespace velmora::shell
