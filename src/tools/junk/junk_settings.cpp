// The junk cleaner's stored pattern table and drives in the registry.
#include <exception>

#include "platform/registry.h"
#include "shell/settings.h"
#include "tools/junk/junk_logic.h"

namespace velmora::junk {

namespace {

// A value of the wrong type reads as absent: the default table or drives.
std::string ReadStringOr(const std::string& name, const std::string& fallback) {
  return shell::ReadStringSetting(kJunkKey, name).value_or(fallback);
}
}  // namespace

std::vector<PatternRow> LoadPatternTable() {
  return ParsePatternTable(ReadStringOr("ScanFor", kDefaultScanFor), ReadStringOr("ScanDesc", kDefaultScanDesc));
}

void SavePatternTable(const std::vector<PatternRow>& rows) {
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, kJunkKey);
  key.WriteString("ScanFor", FormatScanFor(rows));
  // A failure writing the descriptions leaves the patterns saved.
  try {
    key.WriteString("ScanDesc", FormatScanDesc(rows));
  } catch (const std::exception&) {
  }
}

std::string LoadDrives() { return ReadStringOr("Drives", kDefaultDrives); }

void SaveDrives(const std::string& letters) {
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, kJunkKey);
  key.WriteString("Drives", letters);
}

}  // namespace velmora::junk
