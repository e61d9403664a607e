#include "tools/regclean/reg_file.h"

namespace velmora::regclean {

namespace {

constexpr std::u16string_view kHeader = u"Windows Registry Editor Version 5.00";
constexpr std::size_t kWrapAt = 78;

const char16_t kHexDigits[] = u"0123456789abcdef";

std::u16string Hex2(std::uint8_t b) { return {kHexDigits[b >> 4], kHexDigits[b & 15]}; }

std::u16string Quote(std::u16string_view text, bool lineBreaks) {
  std::u16string out = u"\"";
  for (char16_t c : text) {
    if (c == u'\\' || c == u'"') {
      out += u'\\';
      out += c;
    } else if (lineBreaks && c == u'\n') {
      out += u"\\n";
    } else if (lineBreaks && c == u'\r') {
      out += u"\\r";
    } else {
      out += c;
    }
  }
  out += u'"';
  return out;
}

// REG_SZ data that reads back exactly from a quoted text: whole UTF-16 units,
// one final terminator and no other, no line break.
bool WellFormedString(const std::vector<std::uint8_t>& data) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  const std::size_t units = data.size() / 2;
  for (std::size_t i = 0; i < units; ++i) {
    const char16_t c = char16_t(data[2 * i] | (data[2 * i + 1] << 8));
    if (i + 1 == units) return c == 0;
    if (c == 0 || c == u'\r' || c == u'\n') return false;
  }
  return false;
}

std::u16string FormatData(std::uint32_t type, const std::vector<std::uint8_t>& data, std::size_t prefixLength) {
  if (type == regtype::kSz && WellFormedString(data)) {
    std::u16string text;
    for (std::size_t i = 0; i + 2 < data.size(); i += 2) text += char16_t(data[i] | (data[i + 1] << 8));
    return Quote(text, false);
  }
  if (type == regtype::kDword && data.size() == 4) {
    const std::uint32_t v = std::uint32_t(data[0]) | (std::uint32_t(data[1]) << 8) | (std::uint32_t(data[2]) << 16) |
                            (std::uint32_t(data[3]) << 24);
    std::u16string out = u"dword:";
    for (int shift = 28; shift >= 0; shift -= 4) out += kHexDigits[(v >> shift) & 15];
    return out;
  }
  std::u16string out = u"hex";
  if (type != regtype::kBinary) {
    out += u'(';
    std::u16string digits;
    std::uint32_t t = type;
    do {
      digits.insert(digits.begin(), kHexDigits[t & 15]);
      t >>= 4;
    } while (t);
    out += digits + u')';
  }
  out += u':';
  std::size_t lineLength = prefixLength + out.size();
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::u16string piece = Hex2(data[i]);
    if (i + 1 < data.size()) piece += u',';
    if (i > 0 && lineLength + piece.size() + 1 > kWrapAt) {
      out += u"\\\r\n  ";
      lineLength = 2;
    }
    out += piece;
    lineLength += piece.size();
  }
  return out;
}

}  // namespace

bool IsKnownRoot(std::u16string_view root) {
  return root == u"HKEY_LOCAL_MACHINE" || root == u"HKEY_USERS" || root == u"HKEY_CURRENT_USER" ||
         root == u"HKEY_CLASSES_ROOT" || root == u"HKEY_CURRENT_CONFIG";
}

std::u16string FormatValueData(std::uint32_t type, const std::vector<std::uint8_t>& data) {
  return FormatData(type, data, 0);
}

// ---- Writer ----------------------------------------------------------------

RegFileWriter::RegFileWriter() {
  pending_.assign(1, char16_t(0xFEFF));  // the byte-order mark
  Put(kHeader);
  Put(u"\r\n");
}

void RegFileWriter::Put(std::u16string_view text) { pending_.append(text); }

bool RegFileWriter::BeginKey(std::u16string_view path) {
  if (path.find_first_of(u"\r\n") != std::u16string_view::npos) return false;
  Put(u"\r\n[");
  Put(path);
  Put(u"]\r\n");
  ++keys_;
  return true;
}

void RegFileWriter::Value(const RegFileValue& value) {
  const std::u16string name = value.isDefault ? std::u16string(u"@") : Quote(value.name, true);
  Put(name);
  Put(u"=");
  Put(FormatData(value.type, value.data, name.size() + 1));
  Put(u"\r\n");
  ++values_;
}

std::string RegFileWriter::Take() {
  std::string bytes;
  bytes.reserve(pending_.size() * 2);
  for (char16_t c : pending_) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  pending_.clear();
  return bytes;
}

// ---- Parser ----------------------------------------------------------------

namespace {

class LineParser {
 public:
  explicit LineParser(std::u16string_view line) : s_(line) {}
  bool AtEnd() const { return p_ >= s_.size(); }
  bool Take(char16_t c) {
    if (p_ < s_.size() && s_[p_] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  bool TakeWord(std::u16string_view w) {
    if (s_.substr(p_, w.size()) != w) return false;
    p_ += w.size();
    return true;
  }
  // A quoted text with its escapes, the opening quote already taken.
  bool Quoted(std::u16string& out) {
    while (p_ < s_.size()) {
      const char16_t c = s_[p_++];
      if (c == u'"') return true;
      if (c != u'\\') {
        out += c;
        continue;
      }
      if (p_ >= s_.size()) return false;
      const char16_t e = s_[p_++];
      if (e == u'n')
        out += u'\n';
      else if (e == u'r')
        out += u'\r';
      else
        out += e;  // "\\" and "\""; any other escaped character stands for itself
    }
    return false;  // the text was not closed
  }
  static int HexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
  }
  bool HexNumber(std::uint32_t& out, std::size_t maxDigits, std::size_t exactDigits = 0) {
    std::size_t n = 0;
    out = 0;
    while (p_ < s_.size() && HexValue(s_[p_]) >= 0 && n < maxDigits) {
      out = (out << 4) | std::uint32_t(HexValue(s_[p_++]));
      ++n;
    }
    return n > 0 && (exactDigits == 0 || n == exactDigits);
  }
  bool HexBytes(std::vector<std::uint8_t>& out) {
    SkipSpaces();
    if (AtEnd()) return true;  // an empty list
    for (;;) {
      SkipSpaces();
      std::uint32_t b = 0;
      if (!HexNumber(b, 2, 2)) return false;
      out.push_back(std::uint8_t(b));
      SkipSpaces();
      if (AtEnd()) return true;
      if (!Take(u',')) return false;
      SkipSpaces();
      if (AtEnd()) return true;  // a trailing comma
    }
  }
  void SkipSpaces() {
    while (p_ < s_.size() && (s_[p_] == u' ' || s_[p_] == u'\t')) ++p_;
  }

 private:
  std::u16string_view s_;
  std::size_t p_ = 0;
};

}  // namespace

ParseResult ParseRegFile(std::string_view bytes) {
  ParseResult result;
  auto fail = [&result](std::size_t line, std::string what) {
    result.file.reset();
    result.error = {line, std::move(what)};
    return result;
  };
  if (bytes.size() < 2 || std::uint8_t(bytes[0]) != 0xFF || std::uint8_t(bytes[1]) != 0xFE)
    return fail(0, "not a UTF-16 registry file");
  if (bytes.size() % 2 != 0) return fail(0, "the file is cut short");
  std::u16string text;
  text.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
    text += char16_t(std::uint8_t(bytes[i]) | (std::uint8_t(bytes[i + 1]) << 8));
  if (text.empty() || text.back() != u'\n') return fail(0, "the file is cut short");

  std::vector<std::u16string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find(u'\n', pos);
    if (end == std::u16string::npos) end = text.size();
    std::u16string line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    lines.push_back(std::move(line));
    pos = end + 1;
  }

  ParsedRegFile file;
  bool header = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t lineNo = i + 1;
    std::u16string line = lines[i];
    if (line.empty() || line[0] == u';') continue;
    if (!header) {
      if (line != kHeader) return fail(lineNo, "no registry file header");
      header = true;
      continue;
    }
    if (line[0] == u'[') {
      if (line.size() > 1 && line[1] == u'-') return fail(lineNo, "a key deletion");
      const std::size_t close = line.rfind(u']');
      if (close == std::u16string::npos || close < 2) return fail(lineNo, "a key line without its end");
      RegFileKey key;
      key.path = line.substr(1, close - 1);
      // A carriage return alone is part of its line, but no key the writer
      // takes holds one: such a file was not written by it.
      if (key.path.find(u'\r') != std::u16string::npos) return fail(lineNo, "a key line that cannot be read");
      const std::u16string root = key.path.substr(0, key.path.find(u'\\'));
      if (!IsKnownRoot(root)) return fail(lineNo, "an unknown root");
      file.keys.push_back(std::move(key));
      continue;
    }
    if (file.keys.empty()) return fail(lineNo, "a value outside a key");
    // Hex lists go on over lines that end in "\".
    while (!line.empty() && line.back() == u'\\') {
      if (i + 1 >= lines.size()) return fail(lineNo, "a value cut short");
      line.pop_back();
      std::u16string next = lines[++i];
      const std::size_t first = next.find_first_not_of(u" \t");
      line += first == std::u16string::npos ? std::u16string() : next.substr(first);
    }
    LineParser p(line);
    RegFileValue value;
    if (p.Take(u'@')) {
      value.isDefault = true;
    } else if (!p.Take(u'"') || !p.Quoted(value.name)) {
      return fail(lineNo, "a value name that cannot be read");
    }
    if (!p.Take(u'=')) return fail(lineNo, "a value without \"=\"");
    if (p.Take(u'-')) return fail(lineNo, "a value deletion");
    if (p.Take(u'"')) {
      std::u16string data;
      if (!p.Quoted(data) || !p.AtEnd()) return fail(lineNo, "a text value that cannot be read");
      value.type = regtype::kSz;
      for (char16_t c : data) {
        value.data.push_back(std::uint8_t(c & 0xFF));
        value.data.push_back(std::uint8_t(c >> 8));
      }
      value.data.push_back(0);
      value.data.push_back(0);
    } else if (p.TakeWord(u"dword:")) {
      std::uint32_t v = 0;
      if (!p.HexNumber(v, 8, 8) || !p.AtEnd()) return fail(lineNo, "a number that cannot be read");
      value.type = regtype::kDword;
      value.data = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    } else if (p.TakeWord(u"hex")) {
      value.type = regtype::kBinary;
      if (p.Take(u'(')) {
        if (!p.HexNumber(value.type, 8) || !p.Take(u')')) return fail(lineNo, "a value type that cannot be read");
      }
      if (!p.Take(u':') || !p.HexBytes(value.data)) return fail(lineNo, "bytes that cannot be read");
    } else {
      return fail(lineNo, "a value that cannot be read");
    }
    file.keys.back().values.push_back(std::move(value));
    ++file.valueCount;
  }
  if (!header) return fail(0, "no registry file header");
  result.file = std::move(file);
  return result;
}

std::uint64_t ValueHash(std::u16string_view keyPath, const RegFileValue& value) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  auto byte = [&h](std::uint8_t b) {
    h ^= b;
    h *= 1099511628211ull;
  };
  auto text = [&byte](std::u16string_view t) {
    for (char16_t c : t) {
      byte(std::uint8_t(c & 0xFF));
      byte(std::uint8_t(c >> 8));
    }
    byte(0xFF);  // no UTF-16 text holds this pair: a clear end
    byte(0xFF);
  };
  text(keyPath);
  text(value.isDefault ? std::u16string_view() : std::u16string_view(value.name));
  byte(value.isDefault ? 1 : 0);
  for (int shift = 0; shift < 32; shift += 8) byte(std::uint8_t(value.type >> shift));
  for (std::uint8_t b : value.data) byte(b);
  return h;
}

}  // namespace velmora::regclean
