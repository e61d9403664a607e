#include "tools/regclean/undo_journal.h"

#include <algorithm>

#include "platform/text.h"

namespace velmora::regclean {

namespace {

constexpr std::u16string_view kMagic = u"; Velmora undo session";
constexpr std::u16string_view kEnd = u"; End of session";
constexpr std::u16string_view kAddedPrefix = u"; + ";
constexpr std::size_t kBytesPerLine = 48;

const char16_t kHex[] = u"0123456789abcdef";

std::u16string Decode(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += char16_t(std::uint8_t(bytes[i]) | (std::uint8_t(bytes[i + 1]) << 8));
  return text;
}

std::string Encode(std::u16string_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

std::vector<std::u16string> Lines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string_view::npos) end = text.size();
    std::u16string line(text.substr(pos, end - pos));
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }
  return lines;
}

bool Plain(std::u16string_view text) { return JournalCanHold(text); }

std::u16string IniLine(std::u16string_view tag, const JournalIni& ini) {
  return std::u16string(tag) + ini.file + u'\t' + ini.section + u'\t' + ini.key + u'\t' + ini.token;
}

std::optional<JournalIni> ReadIni(std::u16string_view rest) {
  JournalIni ini;
  std::u16string* fields[] = {&ini.file, &ini.section, &ini.key, &ini.token};
  std::size_t field = 0;
  for (char16_t c : rest) {
    if (c == u'\t') {
      if (++field >= 4) return std::nullopt;
      continue;
    }
    *fields[field] += c;
  }
  if (field != 3) return std::nullopt;
  return ini;
}

int HexValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  return -1;
}

bool ReadHex(std::u16string_view text, std::vector<std::uint8_t>& out) {
  if (text.size() % 2 != 0) return false;
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexValue(text[i]), lo = HexValue(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(std::uint8_t(hi * 16 + lo));
  }
  return true;
}

void PutFile(std::u16string& out, std::u16string_view tag, const JournalFile& f) {
  // Its size first: bytes cut short or added to read as damage.
  out += std::u16string(tag) + FromUtf8(std::to_string(f.bytes.size())) + u'\t' + f.path + u"\r\n";
  for (std::size_t i = 0; i < f.bytes.size(); i += kBytesPerLine) {
    out += u"; Bytes: ";
    for (std::size_t j = i; j < f.bytes.size() && j < i + kBytesPerLine; ++j) {
      out += kHex[f.bytes[j] >> 4];
      out += kHex[f.bytes[j] & 15];
    }
    out += u"\r\n";
  }
}

bool StartsWith(std::u16string_view s, std::u16string_view p) { return s.substr(0, p.size()) == p; }

std::optional<JournalState> StateOf(std::string_view text) {
  if (text == "planned") return JournalState::Planned;
  if (text == "done") return JournalState::Done;
  if (text == "undone") return JournalState::Undone;
  return std::nullopt;
}

// The index lines, up to the first line that is not one. Sets `problem` for a
// file that is not a session at all.
struct IndexReader {
  JournalSession s;
  std::string problem;
  std::size_t next = 0;  // first line after the index

  bool Read(const std::vector<std::u16string>& lines) {
    std::size_t i = 0;
    while (i < lines.size() && lines[i].empty()) ++i;
    if (i >= lines.size() || lines[i] != u"Windows Registry Editor Version 5.00") return Fail("no registry file header");
    ++i;
    if (i >= lines.size() || lines[i] != kMagic) return Fail("not an undo session");
    ++i;
    bool date = false, tool = false, state = false, count = false;
    for (; i < lines.size(); ++i) {
      const std::u16string& line = lines[i];
      bool bad = false;
      auto field = [&line, &bad](std::u16string_view tag, std::string& out) {
        if (!StartsWith(line, tag)) return false;
        bad = bad || line.find_first_of(u"\r\t") != std::u16string::npos;
        out = ToUtf8(std::u16string_view(line).substr(tag.size()));
        return true;
      };
      std::string text;
      if (field(u"; Date: ", s.date)) {
        date = true;
      } else if (field(u"; Tool: ", s.tool)) {
        tool = true;
      } else if (field(u"; What: ", s.what)) {
      } else if (field(u"; Undone: ", s.undoneDate)) {
      } else if (field(u"; Count: ", text)) {
        if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
          return Fail("a count that cannot be read");
        s.count = std::stoi(text);
        count = true;
      } else if (field(u"; State: ", text)) {
        const auto st = StateOf(text);
        if (!st) return Fail("a state that cannot be read");
        s.state = *st;
        state = true;
      } else {
        break;
      }
      if (bad) return Fail("an index line that cannot be read");
    }
    if (!date || !tool || !state || !count) return Fail("an index line is missing");
    next = i;
    return true;
  }
  bool Fail(std::string what) {
    problem = std::move(what);
    return false;
  }
};

}  // namespace

bool JournalCanHold(std::u16string_view text) { return text.find_first_of(u"\r\n\t") == std::u16string_view::npos; }

// The suite's own conversions (window-free, text.cpp); a std::wstring holds
// UTF-16 code units on every build, so the copy is unit for unit.
std::u16string FromUtf8(std::string_view text) {
  const std::wstring units = Widen(text);
  return std::u16string(units.begin(), units.end());
}

std::string ToUtf8(std::u16string_view text) { return Narrow(std::wstring(text.begin(), text.end())); }

std::string JournalStateText(JournalState state) {
  switch (state) {
    case JournalState::Planned: return "planned";
    case JournalState::Done: return "done";
    case JournalState::Undone: return "undone";
  }
  return "planned";
}

std::string WriteJournal(const JournalSession& s) {
  RegFileWriter main;
  std::u16string head = Decode(main.Take());  // the header line; Decode leaves out the byte-order mark
  std::u16string out = u"\xFEFF";
  out += head;
  auto flat = [](const std::string& text) {
    std::u16string t = FromUtf8(text);
    for (char16_t& c : t)
      if (c == u'\r' || c == u'\n') c = u' ';
    return t;
  };
  out += std::u16string(kMagic) + u"\r\n";
  out += u"; Date: " + flat(s.date) + u"\r\n";
  out += u"; Tool: " + flat(s.tool) + u"\r\n";
  out += u"; What: " + flat(s.what) + u"\r\n";
  out += u"; Count: " + FromUtf8(std::to_string(std::max(0, s.count))) + u"\r\n";
  out += u"; State: " + FromUtf8(JournalStateText(s.state)) + u"\r\n";
  if (s.state == JournalState::Undone) out += u"; Undone: " + flat(s.undoneDate) + u"\r\n";
  for (const std::u16string& k : s.removedKeys)
    if (Plain(k)) out += u"; Key-: " + k + u"\r\n";
  for (const JournalFile& f : s.removedFiles)
    if (Plain(f.path)) PutFile(out, u"; File-: ", f);
  for (const JournalFile& f : s.addedFiles)
    if (Plain(f.path)) PutFile(out, u"; File+: ", f);
  for (const JournalIni& i : s.removedIni)
    if (Plain(i.file) && Plain(i.section) && Plain(i.key) && Plain(i.token)) out += IniLine(u"; Ini-: ", i) + u"\r\n";
  for (const JournalIni& i : s.addedIni)
    if (Plain(i.file) && Plain(i.section) && Plain(i.key) && Plain(i.token)) out += IniLine(u"; Ini+: ", i) + u"\r\n";
  if (!s.added.empty()) {
    RegFileWriter added;
    added.Take();  // its header is the main file's
    for (const RegFileKey& k : s.added) {
      if (!added.BeginKey(k.path)) continue;
      for (const RegFileValue& v : k.values) added.Value(v);
    }
    const std::u16string text = Decode(std::string(2, '\0') + added.Take());
    for (const std::u16string& line : Lines(text))
      if (!line.empty()) out += std::u16string(kAddedPrefix) + line + u"\r\n";
  }
  out += std::u16string(kEnd) + u"\r\n";
  for (const RegFileKey& k : s.removed) {
    if (!main.BeginKey(k.path)) continue;
    for (const RegFileValue& v : k.values) main.Value(v);
  }
  out += Decode(std::string(2, '\0') + main.Take());
  out += u"\r\n";
  return Encode(out);
}

std::optional<JournalSession> ParseJournalIndex(std::string_view bytes) {
  if (bytes.size() < 2 || std::uint8_t(bytes[0]) != 0xFF || std::uint8_t(bytes[1]) != 0xFE) return std::nullopt;
  IndexReader reader;
  if (!reader.Read(Lines(Decode(bytes.substr(0, bytes.size() & ~std::size_t(1)))))) return std::nullopt;
  return reader.s;
}

JournalParse ParseJournal(std::string_view bytes) {
  JournalParse result;
  // The registry part first: the whole file must read as a registry file.
  const ParseResult reg = ParseRegFile(bytes);
  if (!reg.file) {
    result.problem = reg.error.line ? "line " + std::to_string(reg.error.line) + ": " + reg.error.what : reg.error.what;
    return result;
  }
  const std::vector<std::u16string> lines = Lines(Decode(bytes));
  IndexReader reader;
  if (!reader.Read(lines)) {
    result.problem = reader.problem;
    return result;
  }
  JournalSession s = std::move(reader.s);
  std::u16string added = u"\xFEFFWindows Registry Editor Version 5.00\r\n";
  bool ended = false;
  JournalFile* file = nullptr;  // the file the "Bytes" lines belong to
  std::size_t fileSize = 0;
  auto fileEnds = [&file, &fileSize]() { return !file || file->bytes.size() == fileSize; };
  auto startFile = [&](std::vector<JournalFile>& files, std::u16string_view rest) {
    const std::size_t tab = rest.find(u'\t');
    if (tab == std::u16string_view::npos || tab == 0 || tab > 9) return false;
    const std::string digits = ToUtf8(rest.substr(0, tab));
    if (digits.find_first_not_of("0123456789") != std::string::npos) return false;
    fileSize = std::stoul(digits);
    if (!JournalCanHold(rest.substr(tab + 1))) return false;
    files.push_back({std::u16string(rest.substr(tab + 1)), {}});
    file = &files.back();
    return true;
  };
  std::size_t i = reader.next;
  for (; i < lines.size(); ++i) {
    const std::u16string& line = lines[i];
    const std::u16string_view v(line);
    // What the writer never writes: a carriage return inside a line.
    if (line.find(u'\r') != std::u16string::npos) {
      result.problem = "line " + std::to_string(i + 1) + ": a line that cannot be read";
      return result;
    }
    if (!StartsWith(v, u"; Bytes: ") && !fileEnds()) {
      result.problem = "line " + std::to_string(i + 1) + ": a file's bytes cut short";
      return result;
    }
    if (line == kEnd) {
      ended = true;
      ++i;
      break;
    }
    if (StartsWith(v, u"; Bytes: ")) {
      if (!file || !ReadHex(v.substr(9), file->bytes) || file->bytes.size() > fileSize) {
        result.problem = "line " + std::to_string(i + 1) + ": bytes that cannot be read";
        return result;
      }
      continue;
    }
    file = nullptr;
    if (StartsWith(v, u"; Key-: ")) {
      if (!JournalCanHold(v.substr(8))) {
        result.problem = "line " + std::to_string(i + 1) + ": a key that cannot be read";
        return result;
      }
      s.removedKeys.emplace_back(v.substr(8));
    } else if (StartsWith(v, u"; File-: ") || StartsWith(v, u"; File+: ")) {
      if (!startFile(v[6] == u'-' ? s.removedFiles : s.addedFiles, v.substr(9))) {
        result.problem = "line " + std::to_string(i + 1) + ": a file line that cannot be read";
        return result;
      }
    } else if (StartsWith(v, u"; Ini-: ") || StartsWith(v, u"; Ini+: ")) {
      const auto ini = ReadIni(v.substr(8));
      if (!ini) {
        result.problem = "line " + std::to_string(i + 1) + ": a Win.ini entry that cannot be read";
        return result;
      }
      (v[5] == u'-' ? s.removedIni : s.addedIni).push_back(*ini);
    } else if (StartsWith(v, kAddedPrefix)) {
      added += std::u16string(v.substr(kAddedPrefix.size())) + u"\r\n";
    } else {
      result.problem = "line " + std::to_string(i + 1) + ": a line that cannot be read";
      return result;
    }
  }
  if (!ended) {
    result.problem = "the session is cut short";
    return result;
  }
  // Nothing but the registry part may follow: a stray comment there is not ours.
  for (; i < lines.size(); ++i)
    if (!lines[i].empty() && lines[i][0] == u';') {
      result.problem = "line " + std::to_string(i + 1) + ": a line that cannot be read";
      return result;
    }
  if (added.size() > 40) {
    const ParseResult a = ParseRegFile(Encode(added));
    if (!a.file) {
      result.problem = "what the session added cannot be read: " + a.error.what;
      return result;
    }
    s.added = std::move(a.file->keys);
  }
  for (const std::u16string& k : s.removedKeys) {
    const bool listed = std::any_of(reg.file->keys.begin(), reg.file->keys.end(),
                                    [&k](const RegFileKey& key) { return key.path == k; });
    if (!listed) {
      result.problem = "a removed key that the file does not hold";
      return result;
    }
  }
  s.removed = reg.file->keys;
  result.session = std::move(s);
  return result;
}

std::vector<std::string> SessionsToPrune(std::vector<std::pair<std::string, double>> sessions, std::size_t keepCount,
                                         double keepDays) {
  std::sort(sessions.begin(), sessions.end());
  std::vector<std::string> prune;
  const std::size_t n = sessions.size();
  for (std::size_t i = 0; i < n; ++i) {
    const bool amongLast = n - i <= keepCount;
    const bool recent = sessions[i].second <= keepDays;
    if (!amongLast && !recent) prune.push_back(sessions[i].first);
  }
  return prune;
}

}  // namespace velmora::regclean
