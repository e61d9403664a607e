// The junk cleaner's window-free rules: the stored pattern table, the access
// age, the status and log texts (the registry side is junk_settings.cpp).
#include "tools/junk/junk_logic.h"

#include <cmath>

#include "platform/format.h"

namespace velmora::junk {

const char* const kDefaultScanFor =
    "*.~*,1,~*.*,1,*.??~,1,*.---,1,*.tmp,1,*._mp,1,*.old,1,*.bak,1,*.syd,1,*.chk,1,*.gid,1,mscreate.dir,1,"
    "0???????.nch,1,";
const char* const kDefaultScanDesc =
    "Temporary Files,1,Temporary Files,1,Temporary Files,1,Temporary Files,1,Temporary Files,1,Temporary Files,1,"
    "Temporary backup files,1,Temporary backup files,1,Temporary backup files,1,Saved disk error data from "
    "scandisk,1,Temporary help file search data,1,Temporary directory information,1,Temporary cached newsgroup "
    "data,1,";

std::vector<StoredField> ParseStoredList(const std::string& value) {
  std::vector<StoredField> out;
  size_t pos = 0;
  while (pos < value.size()) {
    const size_t c1 = value.find(',', pos);
    if (c1 == std::string::npos) break;
    const size_t c2 = value.find(',', c1 + 1);
    if (c2 == std::string::npos) break;
    out.push_back({value.substr(pos, c1 - pos), value.substr(c1 + 1, c2 - c1 - 1)});
    pos = c2 + 1;
  }
  return out;
}

std::vector<PatternRow> ParsePatternTable(const std::string& scanFor, const std::string& scanDesc) {
  std::vector<PatternRow> rows;
  for (const StoredField& f : ParseStoredList(scanFor))
    rows.push_back({f.text, std::string(), !f.flag.empty() && f.flag[0] == '1'});
  const std::vector<StoredField> desc = ParseStoredList(scanDesc);
  for (size_t i = 0; i < desc.size() && i < rows.size(); ++i) rows[i].description = desc[i].text;
  return rows;
}

namespace {
std::string FormatList(const std::vector<PatternRow>& rows, bool descriptions) {
  std::string out;
  for (const PatternRow& r : rows) {
    out += descriptions ? r.description : r.pattern;
    out += r.enabled ? ",1," : ",0,";
  }
  return out;
}

}  // namespace

std::string FormatScanFor(const std::vector<PatternRow>& rows) { return FormatList(rows, false); }
std::string FormatScanDesc(const std::vector<PatternRow>& rows) { return FormatList(rows, true); }

std::string EnabledMaskText(const std::vector<PatternRow>& rows) {
  std::string out;
  bool first = true;
  for (const PatternRow& r : rows) {
    if (!r.enabled) continue;
    if (!first) out += ',';
    out += r.pattern;
    first = false;
  }
  return out;
}

bool AccessedTooRecently(int days, double now, double lastAccess) {
  const double today = std::floor(now);
  return double(days) > today - lastAccess;
}

int DaysFromText(const std::string& text) {
  size_t b = text.find_first_not_of(' ');
  if (b == std::string::npos) return 0;
  size_t e = text.find_last_not_of(' ');
  const std::string t = text.substr(b, e - b + 1);
  int n = 0;
  for (char c : t) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
    if (n > 999999) return 0;
  }
  return n;
}

std::string ScanCompleteText(std::int64_t bytes, std::int64_t files) {
  return "Scan Complete: " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) + " megabytes) found in " +
         std::to_string(files) + " files.";
}

std::string FoundLine(std::int64_t bytes, std::int64_t files) {
  return "  " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) + " megabytes) found in " +
         std::to_string(files) + " files.";
}

std::string ScannedLine(const std::string& root, bool zeroLengthPass) {
  return "  Successfully scanned " + root + (zeroLengthPass ? " for zero length files." : " for specified file types.");
}

std::string TotalSpaceText(std::int64_t bytes, std::int64_t files) {
  return "Total space recovered: " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) +
         " megabytes) in " + std::to_string(files) + " files.";
}

std::string InUseLine(const std::string& path) {
  return "  Unable to remove \"" + path + "\".  This file is currently in use.";
}

std::string InUseHint(const std::string& path) {
  return "The file: \"" + path +
         "\" was unable to be removed at this time as it is currently in use by Windows or its associated "
         "application.";
}

std::string TempSkippedText(const std::string& folder, const std::string& reason) {
  return "The temporary folder " + folder + " was not scanned: " + reason + ".";
}
std::string MoveLine(const std::string& path, const std::string& folder) {
  // A lone carriage return between the two parts, as the log has always had it.
  return "  Relocating file: " + path + "\r     To: " + folder;
}

}  // namespace velmora::junk
