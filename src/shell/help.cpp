#include "shell/help.h"

#include "platform/files.h"
#include "platform/services.h"
#include "platform/system.h"

namespace velmora::shell {

std::string HelpPageFor(const std::string& topic) {
  const std::string folder = services().programFolder() + "help\\";
  const std::string page = folder + topic + ".html";
  // Topic names are plain words; anything that could step outside the help
  // folder falls back to the index.
  if (!topic.empty() && topic.find_first_of("\\/:*?\"<>|") == std::string::npos && FileExists(page))
    return page;
  return folder + "index.html";
}

bool OpenHelpTopic(const std::string& topic) { return OpenWithShell("open", HelpPageFor(topic)); }

}  // namespace velmora::shell
