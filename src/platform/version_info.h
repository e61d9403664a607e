// Strings of a file's version resource.
#pragma once

#include <string>
#include <vector>

namespace velmora {

// The named string ("FileVersion", "ProductVersion", ...) of the file's version
// resource, in the first language and code page listed under
// "\VarFileInfo\Translation"; empty when the file has no version resource,
// no translation or no such string.
std::string GetVersionString(const std::string& file, const std::string& name);
// Several strings from one read of the resource, in the order of `names`.
std::vector<std::string> GetVersionStrings(const std::string& file, const std::vector<std::string>& names);

}  // namespace velmora
