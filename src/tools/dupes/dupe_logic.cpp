#include "tools/dupes/dupe_logic.h"

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "platform/format.h"
#include "platform/text.h"
#include "scan/comma_text.h"

namespace velmora::dupes {

namespace {

std::string Trim(std::string_view s) {
  std::size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return std::string(s.substr(b, e - b));
}

std::optional<long long> Number(std::string_view text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  std::size_t i = (t[0] == '-' || t[0] == '+') ? 1 : 0;
  if (i == t.size()) return std::nullopt;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
    if (value > (1LL << 58)) return std::nullopt;  // far beyond any file size
    value = value * 10 + (t[i] - '0');
  }
  return t[0] == '-' ? -value : value;
}

// A detail column as the list file writes it: nothing when empty, quoted
// when it holds a blank, comma, quote or control character.
std::string Column(const std::string& text) {
  bool quote = false;
  for (const char c : text)
    if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') quote = true;
  if (!quote) return text;
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

}  // namespace

bool StoredBool(const std::optional<std::string>& text, bool fallback) {
  if (!text) return fallback;
  const auto n = Number(*text);
  return n ? *n != 0 : fallback;
}

int StoredInt(const std::optional<std::string>& text, int fallback) {
  if (!text) return fallback;
  const auto n = Number(*text);
  if (!n || *n < INT32_MIN || *n > INT32_MAX) return fallback;
  return int(*n);
}

std::vector<ListRow> DefaultFilePatterns() {
  return {{"*.exe", "Executables"},     {"*.dll", "Dynamic Link Libraries"}, {"*.ocx", "ActiveX Controls"},
          {"*.txt", "Text Files"},      {"*.doc", "Documents"},              {"*.htm", "Web documents"},
          {"*.html", "Web documents"},  {"*.bmp", "Picture files"},          {"*.jpg", "Picture files"},
          {"*.jpeg", "Picture files"},  {"*.gif", "Picture files"}};
}

bool SameListText(std::string_view a, std::string_view b) { return EqualNoCase(a, b); }

// ---- Collection --------------------------------------------------------------

std::string KeyText(bool sizeMode, std::uint64_t size, std::string_view name) {
  if (!sizeMode) return std::string(name) + "\\" + std::string(name);
  char number[32];
  std::snprintf(number, sizeof number, "%9llu ", static_cast<unsigned long long>(size));
  return number + std::string(name);
}

std::string KeyPrefix(bool sizeMode, std::uint64_t size, std::string_view upperName) {
  return sizeMode ? std::to_string(size) : std::string(upperName);
}

void SortCandidates(std::vector<Candidate>& candidates, std::vector<std::string>& upper, bool sizeMode) {
  std::vector<std::size_t> order(candidates.size());
  std::iota(order.begin(), order.end(), std::size_t(0));
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    if (sizeMode && candidates[a].size != candidates[b].size) return candidates[a].size < candidates[b].size;
    return upper[a] < upper[b];
  });
  std::vector<Candidate> sorted;
  std::vector<std::string> sortedUpper;
  sorted.reserve(order.size());
  sortedUpper.reserve(order.size());
  for (const std::size_t i : order) {
    sorted.push_back(std::move(candidates[i]));
    sortedUpper.push_back(std::move(upper[i]));
  }
  candidates.swap(sorted);
  upper.swap(sortedUpper);
}

bool FolderWithin(std::string_view inner, std::string_view outer) {
  std::string i = UpperCase(inner), o = UpperCase(outer);
  if (i.empty() || i.back() != '\\') i += '\\';
  if (o.empty() || o.back() != '\\') o += '\\';
  return i.compare(0, o.size(), o) == 0;
}

bool ExcludedFileMatches(std::string_view entry, std::string_view path) {
  std::string text;
  for (const char c : entry)
    if (c != '*') text += c;
  return !text.empty() && path.find(text) != std::string_view::npos;
}

bool NeverCollected(std::string_view lowerName) {
  static constexpr std::string_view kReserved = "mm256.dat mm2048.dat";
  return kReserved.find(lowerName) != std::string_view::npos;
}

// ---- Comparison --------------------------------------------------------------

std::vector<std::vector<std::size_t>> PartitionRun(std::size_t count,
                                                   const std::function<bool(std::size_t, std::size_t)>& same) {
  std::vector<std::vector<std::size_t>> groups;  // each led by its reference
  for (std::size_t i = 0; i < count; ++i) {
    bool joined = false;
    for (auto& g : groups)
      if (same(g.front(), i)) {
        g.push_back(i);
        joined = true;
        break;
      }
    if (!joined) groups.push_back({i});
  }
  groups.erase(std::remove_if(groups.begin(), groups.end(), [](const auto& g) { return g.size() < 2; }),
               groups.end());
  return groups;
}

std::size_t ChecksumBytes(std::uint64_t size) { return std::size_t(std::min<std::uint64_t>(size / 4, 128) * 4); }

std::uint32_t ChecksumSignature(const unsigned char* data, std::size_t available, std::uint64_t size) {
  if (size == 0) return 0;
  const std::size_t words = std::min(ChecksumBytes(size), available) / 4;
  std::uint32_t sum = 0;
  for (std::size_t w = 0; w < words; ++w) {
    const unsigned char* p = data + w * 4;
    sum += std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
  }
  return sum & 0x7FFFFFFFu;
}

// ---- Result list files -------------------------------------------------------

bool IsFileRowText(std::string_view text) { return text.size() > 2 && text[1] == ':'; }

std::string FormatListLine(const ResultRow& row) {
  if (row.details.empty()) return Quoted(row.text);
  std::string line = Quoted(row.text);
  for (const std::string& d : row.details) line += "," + Column(d);
  return line;
}

std::string FormatDuplicateList(const std::vector<ResultRow>& rows) {
  std::string out;
  for (const ResultRow& r : rows) out += FormatListLine(r) + "\r\n";
  return out;
}

std::string FormatNewDuplicateList(const std::vector<ResultRow>& rows) {
  std::string out;
  for (const ResultRow& r : rows)
    if (IsFileRowText(r.text)) out += r.text + "\r\n";
  return out;
}

ParsedList ParseDuplicateList(std::string_view text) {
  ParsedList out;
  std::vector<ResultRow> group;  // the open group: header first
  std::size_t groupLines = 0;
  auto close = [&] {
    std::size_t files = group.empty() ? 0 : group.size() - 1;
    if (files >= 2) {
      if (!out.rows.empty()) out.rows.push_back({});
      for (std::size_t i = 0; i < group.size(); ++i) {
        if (i >= 2) {
          ++out.duplicates;
          // A damaged list may hold sizes no file has: the total stops at the
          // largest value it can hold rather than wrapping round to a negative one.
          if (const auto n = Number(group[i].details.empty() ? "" : group[i].details[0]); n && *n > 0)
            if (__builtin_add_overflow(out.bytes, *n, &out.bytes)) out.bytes = INT64_MAX;
        }
        out.rows.push_back(std::move(group[i]));
      }
    } else {
      out.droppedLines += groupLines;
    }
    group.clear();
    groupLines = 0;
  };

  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    const bool lastLine = end == std::string_view::npos;
    std::string_view line = text.substr(pos, lastLine ? std::string_view::npos : end - pos);
    pos = lastLine ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);

    const std::vector<std::string> fields = scan::ParseCommaText(line);
    const std::string first = fields.empty() ? "" : Trim(fields[0]);
    if (fields.size() <= 1 && first.empty()) {  // a blank row ends a group
      close();
      continue;
    }
    if (fields.size() == 1 && first == kGroupHeader) {
      close();
      group.push_back({first, {}});
      groupLines = 1;
      continue;
    }
    // A file row: its quoted path closed and followed by its columns, so a
    // line cut inside the path is not taken for a shorter path.
    const std::string opening = Quoted(first) + ",";
    const bool whole = line.substr(0, opening.size()) == opening;
    if (!group.empty() && fields.size() >= 2 && IsFileRowText(first) && whole) {
      ResultRow row{first, {}};
      for (std::size_t i = 1; i < fields.size() && i <= 6; ++i) row.details.push_back(Trim(fields[i]));
      row.details.resize(6);
      group.push_back(std::move(row));
      ++groupLines;
      continue;
    }
    ++out.droppedLines;
  }
  close();
  return out;
}

// ---- Texts -------------------------------------------------------------------

std::string FoundStatusText(std::int64_t bytes, std::int64_t files) {
  return FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) + " megabytes) found in " +
         std::to_string(files) + " duplicate files.";
}

std::string RemovedStatusText(std::int64_t bytes, std::int64_t files) {
  return "Total space recovered: " + FormatThousands(bytes) + " bytes (" + FormatMegabytes(bytes) +
         " megabytes) in " + std::to_string(files) + " duplicate files.";
}

std::string SubfolderMessage(const std::string& inner, const std::string& outer) {
  return "In Folders to Scan: \r\r" + inner + " is a subfolder of " + outer +
         " and has therefore been disabled from this scan.";
}

std::string ComparingSizeText(std::uint64_t size) {
  return "Comparing " + FormatThousands(std::int64_t(size)) + " byte files...";
}

}  // namespace velmora::dupes
