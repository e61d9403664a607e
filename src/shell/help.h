// Help topics: each topic name is an HTML page help\<topic>.html beside the
// executable, opened with the shell; a topic without a page opens the index.
#pragma once

#include <string>

namespace velmora::shell {

inline const char* const kWelcomeTopic = "Welcome_to_dastra_Velmora";

// The page a topic opens (full path).
std::string HelpPageFor(const std::string& topic);
// Opens the topic's page in the user's browser; false when the shell could not.
bool OpenHelpTopic(const std::string& topic);

}  // namespace velmora::shell
