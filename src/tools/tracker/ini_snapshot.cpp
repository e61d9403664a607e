#include "tools/tracker/ini_snapshot.h"

#include <unordered_map>
#include <unordered_set>

#include "platform/text.h"

namespace velmora::tracker {

namespace {

constexpr std::string_view kDeviceSection = "[386Enh]";

void PutLine(ByteSink& out, std::string_view line) {
  std::string l = LineSafe(line);
  l += "\r\n";
  out.Write(l);
}

// Trims blanks and control characters (every byte up to the space) at both ends.
std::string_view Trim(std::string_view s) {
  while (!s.empty() && (unsigned char)s.front() <= ' ') s.remove_prefix(1);
  while (!s.empty() && (unsigned char)s.back() <= ' ') s.remove_suffix(1);
  return s;
}

// One snapshot line split into its section line, key and value. The section
// is known from the section line before it: a key line is that line followed
// by the key, "=" and the value, so a section name may hold "]" and "=" and a
// key name may be empty. Of a line that fits both readings (a section whose
// name starts with the one before it, a "]", and holds "="), the key reading
// wins: the text cannot say which it was.
struct IniRecord {
  bool atEnd = false;
  bool isKey = false;
  std::string line, section, key, value;

  void Read(LineReader& in) {
    if (!in.Next(line)) {
      atEnd = true;
      return;
    }
    if (!section.empty() && line.size() > section.size() && line.compare(0, section.size(), section) == 0) {
      const std::size_t eq = line.find('=', section.size());
      if (eq != std::string::npos) {
        isKey = true;
        key.assign(line, section.size(), eq - section.size());
        value.assign(line, eq + 1, std::string::npos);
        return;
      }
    }
    if (line.size() < 2 || line.front() != '[' || line.back() != ']')
      in.Fail(section.empty() ? "a line that does not start with a \"[section]\""
                              : "a line that is neither a \"[section]\" nor a key of " + section);
    isKey = false;
    section = line;
    key.clear();
    value.clear();
  }
};

// The order the snapshot was written in: sections by their lines, a section
// line before its keys, keys by "key=" (the "=" ends every name, so two keys
// of a section never change places with their values). Names compare without
// case, as the profile service finds them.
int RecordOrder(const IniRecord& b, const IniRecord& a) {
  if (const int s = CompareNoCase(b.section, a.section)) return s;
  if (b.isKey != a.isKey) return b.isKey ? 1 : -1;
  if (!b.isKey) return 0;
  return CompareNoCase(b.key + "=", a.key + "=");
}

}  // namespace

void WriteIniSnapshot(std::vector<IniSection> sections, ByteSink& out) {
  for (IniSection& s : sections) s.name = "[" + LineSafe(s.name) + "]";
  SortByName(sections, [](const IniSection& s) -> const std::string& { return s.name; });
  const std::string* previous = nullptr;
  for (const IniSection& s : sections) {
    if (previous && EqualNoCase(*previous, s.name)) continue;  // the service reads a repeated section as one
    previous = &s.name;
    PutLine(out, s.name);
    std::vector<std::string> lines;
    std::unordered_set<std::string> seen;  // key names in upper case: one look-up per key
    seen.reserve(s.keys.size());
    for (const auto& [key, value] : s.keys) {
      if (!seen.insert(UpperCase(key)).second) continue;  // the service gives a repeated name its first value
      if (value.empty()) continue;
      lines.push_back(s.name + LineSafe(key) + "=" + LineSafe(value));
    }
    SortByName(lines, [](const std::string& l) -> const std::string& { return l; });
    for (const std::string& l : lines) PutLine(out, l);
  }
}

std::vector<std::string> ScanDeviceLines(std::string_view text) {
  std::vector<std::string> lines;
  bool inSection = false;
  while (!text.empty()) {
    std::size_t end = text.find_first_of("\r\n");
    const std::string_view raw = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    const std::string_view line = Trim(raw);
    if (!inSection) {
      inSection = EqualNoCase(line, kDeviceSection);
      continue;
    }
    if (line.empty()) continue;
    if (line[0] == '[') break;
    if (ContainsAsciiNoCase(line, "DEVICE=")) lines.emplace_back(line);
  }
  SortByName(lines, [](const std::string& l) -> const std::string& { return l; });
  return lines;
}

void WriteDeviceLines(const std::vector<std::string>& lines, ByteSink& out) {
  for (const std::string& l : lines) PutLine(out, l);
}

void MergeIniSnapshots(LineReader& before, LineReader& after, IniChanges& changes) {
  changes = IniChanges{};
  IniRecord b, a;
  b.Read(before);
  a.Read(after);
  // An exhausted side sorts after every line, so the other side's rest is
  // reported; the last records are treated like all others.
  while (!(b.atEnd && a.atEnd)) {
    const int order = b.atEnd ? 1 : a.atEnd ? -1 : RecordOrder(b, a);
    if (order == 0) {
      // The same section, or the same key: a value that differs in any way
      // (letter case too) is a change; a name that differs only in case is not.
      if (b.isKey && b.value != a.value) changes.keysChanged.push_back(b.line + " to " + a.value);
      b.Read(before);
      a.Read(after);
    } else if (order < 0) {
      (b.isKey ? changes.keysDeleted : changes.sectionsDeleted).push_back(b.line);
      b.Read(before);
    } else {
      (a.isKey ? changes.keysAdded : changes.sectionsAdded).push_back(a.line);
      a.Read(after);
    }
  }
}

void MergeDeviceLines(LineReader& before, LineReader& after, std::vector<std::string>& keysAdded,
                      std::vector<std::string>& keysDeleted, std::vector<std::string>& keysChanged) {
  for (auto* list : {&keysAdded, &keysDeleted, &keysChanged}) {
    std::vector<std::string> kept;
    for (std::string& e : *list)
      if (!ContainsAsciiNoCase(e, "[386ENH]DEVICE=")) kept.push_back(std::move(e));
    *list = std::move(kept);
  }
  std::string b, a;
  bool bEnd = !before.Next(b), aEnd = !after.Next(a);
  while (!(bEnd && aEnd)) {
    const int order = bEnd ? 1 : aEnd ? -1 : NameOrder(b, a);
    if (order <= 0 && !bEnd) {
      if (order < 0) keysDeleted.push_back(std::string(kDeviceSection) + b);
      bEnd = !before.Next(b);
    }
    if (order >= 0 && !aEnd) {
      if (order > 0) keysAdded.push_back(std::string(kDeviceSection) + a);
      aEnd = !after.Next(a);
    }
  }
}

std::vector<std::string> IniSnapshotNames(const std::vector<std::string>& watchList) {
  // Names are kept upper-cased (equal without case is equal upper-cased), and
  // each base resumes at the number it last tried: a name once taken stays
  // taken, so the names are those of trying from 2 each time, without the
  // cost of it for a long list.
  std::unordered_set<std::string> used = {"S_INST$$", "DEV$$$$$", "REG$$$$$"};  // the tracker's own snapshots
  std::unordered_map<std::string, int> nextNumber;
  std::vector<std::string> names;
  for (const std::string& path : watchList) {
    const std::size_t cut = path.find_last_of("\\/:");
    std::string base = cut == std::string::npos ? path : path.substr(cut + 1);
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos) base.resize(dot);
    if (base.empty()) base = "INI";
    const std::string upperBase = UpperCase(base);
    std::string name = base;
    if (used.count(upperBase)) {
      int& n = nextNumber.try_emplace(upperBase, 2).first->second;
      for (;; ++n) {
        name = base + "~" + std::to_string(n);
        if (!used.count(UpperCase(name))) break;
      }
    }
    used.insert(UpperCase(name));
    names.push_back(name);
  }
  return names;
}

}  // namespace velmora::tracker
