// The INI snapshot. The input is two INI files (split at a "----8<----"
// line): each is read as the profile service would give it (sections, keys
// split at the first "="), both are written as snapshots and merged, and the
// five lists must be exactly the differences of the two (sections found
// without case, keys by name without case within them, a value changed in any
// way). The same two halves are also merged as snapshot files themselves,
// damaged or not, and a snapshot merged with itself shows no change.
#include "tools/tracker/ini_snapshot.h"

#include <algorithm>

#include "fuzz_support.h"
#include "platform/text.h"

using namespace velmora;
using namespace velmora::tracker;

namespace {

using Lines = std::vector<std::string>;

bool Merge(const std::string& before, const std::string& after, IniChanges& c) {
  StringSource b(before), a(after);
  LineReader rb(b, "before"), ra(a, "after");
  try {
    MergeIniSnapshots(rb, ra, c);
    return true;
  } catch (const SnapshotError&) {
    return false;
  }
}

// The sections and keys of an INI text: "[name]" lines (to the last "]"),
// "key=value" lines after them; anything else is passed over.
std::vector<IniSection> ReadIni(const std::string& text, bool& ambiguous) {
  std::vector<IniSection> sections;
  for (std::size_t p = 0; p < text.size();) {
    const std::size_t e = std::min(text.find('\n', p), text.size());
    std::string line = text.substr(p, e - p);
    p = e + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find('\r') != std::string::npos) continue;  // one line each in the snapshot
    const std::size_t close = line.rfind(']');
    if (!line.empty() && line[0] == '[' && close != std::string::npos) {
      sections.push_back({line.substr(1, close - 1), {}});
      // A section line that would also read as a key line of the section
      // before it ("[a]" then "[a]x=y]") cannot be told from one.
      const std::string& name = sections.back().name;
      const std::size_t bracket = name.find(']');
      ambiguous = ambiguous || (bracket != std::string::npos && name.find('=', bracket) != std::string::npos);
      continue;
    }
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos && !sections.empty())
      sections.back().keys.emplace_back(line.substr(0, eq), line.substr(eq + 1));
  }
  return sections;
}

// What the writer keeps: of sections equal without case the first in order,
// of keys equal without case the first, none with an empty value.
std::vector<IniSection> Kept(std::vector<IniSection> sections) {
  std::stable_sort(sections.begin(), sections.end(), [](const IniSection& a, const IniSection& b) {
    return NameOrder("[" + a.name + "]", "[" + b.name + "]") < 0;
  });
  std::vector<IniSection> out;
  for (IniSection& s : sections) {
    if (!out.empty() && EqualNoCase(out.back().name, s.name)) continue;
    IniSection kept{s.name, {}};
    for (const auto& [key, value] : s.keys) {
      bool seen = false;
      for (const auto& k : kept.keys) seen = seen || EqualNoCase(k.first, key);
      if (!seen) kept.keys.emplace_back(key, value);
    }
    kept.keys.erase(std::remove_if(kept.keys.begin(), kept.keys.end(), [](const auto& kv) { return kv.second.empty(); }),
                    kept.keys.end());
    out.push_back(std::move(kept));
  }
  return out;
}

IniChanges Expected(const std::vector<IniSection>& before, const std::vector<IniSection>& after) {
  IniChanges c;
  auto find = [](const std::vector<IniSection>& list, const std::string& name) -> const IniSection* {
    for (const IniSection& s : list)
      if (EqualNoCase(s.name, name)) return &s;
    return nullptr;
  };
  for (const IniSection& b : before) {
    const std::string line = "[" + b.name + "]";
    const IniSection* a = find(after, b.name);
    if (!a) {
      c.sectionsDeleted.push_back(line);
      for (const auto& [k, v] : b.keys) c.keysDeleted.push_back(line + k + "=" + v);
      continue;
    }
    for (const auto& [k, v] : b.keys) {
      const std::pair<std::string, std::string>* match = nullptr;
      for (const auto& kv : a->keys)
        if (EqualNoCase(kv.first, k)) match = &kv;
      if (!match)
        c.keysDeleted.push_back(line + k + "=" + v);
      else if (match->second != v)
        c.keysChanged.push_back(line + k + "=" + v + " to " + match->second);
    }
    for (const auto& [k, v] : a->keys) {
      bool there = false;
      for (const auto& kv : b.keys) there = there || EqualNoCase(kv.first, k);
      if (!there) c.keysAdded.push_back("[" + a->name + "]" + k + "=" + v);
    }
  }
  for (const IniSection& a : after)
    if (!find(before, a.name)) {
      c.sectionsAdded.push_back("[" + a.name + "]");
      for (const auto& [k, v] : a.keys) c.keysAdded.push_back("[" + a.name + "]" + k + "=" + v);
    }
  return c;
}

Lines Sorted(Lines l) {
  std::sort(l.begin(), l.end());
  return l;
}

bool Same(const IniChanges& x, const IniChanges& y) {
  return Sorted(x.sectionsAdded) == Sorted(y.sectionsAdded) && Sorted(x.sectionsDeleted) == Sorted(y.sectionsDeleted) &&
         Sorted(x.keysAdded) == Sorted(y.keysAdded) && Sorted(x.keysDeleted) == Sorted(y.keysDeleted) &&
         Sorted(x.keysChanged) == Sorted(y.keysChanged);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view in = velmora::fuzz::Text(data, size);
  const auto files = velmora::fuzz::SplitFiles(in);
  // The halves as snapshot files.
  IniChanges raw, self;
  Merge(files.first, files.second, raw);
  if (Merge(files.first, files.first, self)) FUZZ_CHECK(Same(self, IniChanges{}));
  // The device lines of the first half: scanned, written, merged with themselves.
  const Lines lines = ScanDeviceLines(files.first);
  StringSink sink;
  WriteDeviceLines(lines, sink);
  StringSource sb(sink.text), sa(sink.text);
  LineReader rb(sb, "b"), ra(sa, "a");
  Lines added, deleted, changed{"[386Enh]DEVICE=x to y"};
  MergeDeviceLines(rb, ra, added, deleted, changed);
  FUZZ_CHECK(added.empty() && deleted.empty() && changed.empty());
  // Snapshot names of the first lines as a watch list: distinct without case, and stable.
  Lines watch;
  for (std::size_t p = 0; p < in.size() && watch.size() < 20;) {
    const std::size_t e = std::min(in.find('\n', p), in.size());
    watch.emplace_back(in.substr(p, e - p));
    p = e + 1;
  }
  const Lines names = IniSnapshotNames(watch);
  FUZZ_CHECK(names.size() == watch.size() && names == IniSnapshotNames(watch));
  for (std::size_t i = 0; i < names.size(); ++i)
    for (std::size_t j = i + 1; j < names.size(); ++j) FUZZ_CHECK(!EqualNoCase(names[i], names[j]));
  // The halves as INI files: recorded, merged, held to their differences.
  bool ambiguous = false;
  const std::vector<IniSection> before = ReadIni(files.first, ambiguous), after = ReadIni(files.second, ambiguous);
  StringSink wb, wa;
  WriteIniSnapshot(before, wb);
  WriteIniSnapshot(after, wa);
  IniChanges c;
  FUZZ_CHECK(Merge(wb.text, wa.text, c));
  if (ambiguous) return 0;
  const IniChanges expected = Expected(Kept(before), Kept(after));
  if (!Same(c, expected)) {
    std::fprintf(stderr, "before:\n%s\nafter:\n%s\n", wb.text.c_str(), wa.text.c_str());
    FUZZ_CHECK(Same(c, expected));
  }
  return 0;
}
