// The change report and the names around it. The input's lines are the
// description, the drives and the change lists: every block counts its
// entries and each entry is one line; the report name box's quoting reads
// back; the default report name is new, in the folder and a plain file name;
// the status-line path keeps to 30 characters.
#include "tools/tracker/change_report.h"

#include <set>

#include "fuzz_support.h"

using namespace velmora::tracker;

namespace {

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

std::size_t CodePoints(const std::string& s) {
  std::size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in = velmora::fuzz::Text(data, size);
  std::vector<std::string> lines;
  for (std::size_t p = 0; p < in.size();) {
    const std::size_t e = std::min(in.find('\n', p), in.size());
    std::string l(in.substr(p, e - p));
    for (char& c : l)
      if (c == '\r') c = ' ';
    lines.push_back(std::move(l));
    p = e + 1;
  }
  const std::string description = lines.empty() ? std::string() : lines[0];
  // Lists: the lines dealt out in turn.
  DirChanges dir;
  IniChanges ini;
  RegChanges reg;
  std::vector<std::string>* lists[] = {&dir.added,         &dir.deleted,       &dir.changed,       &ini.sectionsAdded,
                                       &ini.sectionsDeleted, &ini.keysAdded,     &ini.keysDeleted,   &ini.keysChanged,
                                       &reg.keysAdded,     &reg.keysDeleted,   &reg.valuesChanged, &reg.valuesAdded,
                                       &reg.valuesDeleted};
  for (std::size_t i = 1; i < lines.size(); ++i) lists[(i * 7 + lines[i].size()) % 13]->push_back(lines[i]);
  StringSink out;
  ReportDate date{2026, 12, 9, 3, 13, 5};
  WriteReportHeader(out, description, FormatReportDate(date), "snapshots", {"C:\\", "D:\\"});
  WriteFileSection(out, false, dir);
  WriteIniPart(out, "C:\\WINDOWS\\WIN.INI", ini);
  WriteRegistrySection(out, reg);
  const std::size_t lineEnds = Count(out.text, "\r\n");
  FUZZ_CHECK(!out.text.empty() && out.text.size() >= 2 && out.text.compare(out.text.size() - 2, 2, "\r\n") == 0);
  std::size_t entries = 0;
  for (auto* l : lists) entries += l->size();
  FUZZ_CHECK(lineEnds >= entries);
  // Each block: its title with the count of its entries.
  if (!dir.added.empty()) FUZZ_CHECK(out.text.find("FILES AND DIRECTORIES ADDED: (" + std::to_string(dir.added.size()) + ")") != std::string::npos);
  StringSink times;
  WriteFileSection(times, true, dir);
  FUZZ_CHECK(times.text.size() >= 2);
  // The name box.
  for (const std::string& l : lines) {
    if (!l.empty() && (l.front() == '"' || l.back() == '"')) continue;
    FUZZ_CHECK(UnquotedReportName(QuotedReportName(l)) == l);
    (void)CleanBrowsedName(l);
  }
  // The default name: never one that exists, always in the folder, a plain name.
  const std::set<std::string> taken(lines.begin(), lines.end());
  const std::string folder = "C:\\Reports\\";
  const std::string name = DefaultReportName(folder, description, [&](const std::string& n) { return taken.count(n) > 0; });
  FUZZ_CHECK(!taken.count(name) && name.compare(0, folder.size(), folder) == 0);
  FUZZ_CHECK(name.find_first_of("/:*?\"<>|", folder.size()) == std::string::npos);
  FUZZ_CHECK(name.find('\\', folder.size()) == std::string::npos);
  // Status-line paths.
  for (const std::string& l : lines) FUZZ_CHECK(CodePoints(ShortenPath(l)) <= 30 || CodePoints(l) < 30);
  // The snapshot names of the lines as a long watch list (each name once, in
  // time near the list's length); a watch list of the first few as the report
  // filters its files with.
  const std::vector<std::string> names = IniSnapshotNames(lines);
  FUZZ_CHECK(names.size() == lines.size());
  const std::vector<std::string> watch(lines.begin(), lines.begin() + std::min<std::size_t>(lines.size(), 20));
  DropUnreportedFiles(dir, OwnSnapshotFiles(folder, watch));
  return 0;
}
