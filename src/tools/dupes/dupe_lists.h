// The duplicate finder's stored settings: the DupeList values (registry
// strings) and the four editable lists, each under its key K (one DWORD per
// row named by the row's text, 1 ticked, 0 not) with the descriptions in
// K\Desc (a single space for none).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/dupes/dupe_logic.h"

namespace velmora::dupes {

// A DupeList value as text; nullopt when absent or not a string.
std::optional<std::string> ReadDupeValue(const std::string& name);
void WriteDupeValue(const std::string& name, const std::string& text);
bool ReadDupeBool(const std::string& name, bool fallback);
void WriteDupeBool(const std::string& name, bool value);

// The stored list; nullopt when K does not exist (the built-in rows stay).
// Rows come in the order the registry lists K's value names.
std::optional<std::vector<ListRow>> LoadList(const std::string& key);
// Deletes K (with K\Desc) and writes the rows anew. Of rows whose texts are
// equal but for case only the first can be stored.
void SaveList(const std::string& key, const std::vector<ListRow>& rows);

}  // namespace velmora::dupes
