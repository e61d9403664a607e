// The registry export file: any bytes through the parser; what it accepts,
// written again, parses to the same keys and values. Inputs that do not start
// with a byte-order mark describe keys and values for the writer instead, and
// what it writes must parse back to them.
#include "tools/regclean/reg_file.h"

#include "fuzz_support.h"

using namespace velmora::regclean;
using velmora::fuzz::Draw;

namespace {

bool SameValue(const RegFileValue& a, const RegFileValue& b) {
  return a.isDefault == b.isDefault && (a.isDefault || a.name == b.name) && a.type == b.type && a.data == b.data;
}

bool SameFile(const std::vector<RegFileKey>& a, const std::vector<RegFileKey>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].path != b[k].path || a[k].values.size() != b[k].values.size()) return false;
    for (std::size_t v = 0; v < a[k].values.size(); ++v)
      if (!SameValue(a[k].values[v], b[k].values[v])) return false;
  }
  return true;
}

std::string Write(const std::vector<RegFileKey>& keys) {
  RegFileWriter w;
  std::string out;
  for (const RegFileKey& k : keys) {
    if (!w.BeginKey(k.path)) continue;
    for (const RegFileValue& v : k.values) w.Value(v);
    out += w.Take();
  }
  return out + w.Take();
}

std::u16string Units(Draw& d, std::size_t most) {
  static const char16_t kUnits[] = u"aZ09 \\\"[]=@-:,\r\n\t\x00e9\xD83D\xDE00\xFEFF";
  std::u16string s;
  const std::size_t len = d.Below(std::uint32_t(most + 1));
  for (std::size_t i = 0; i < len && !d.empty(); ++i) {
    const std::uint8_t b = d.Byte();
    s += b < 200 ? kUnits[b % (sizeof kUnits / sizeof kUnits[0] - 1)] : char16_t(b << 8 | d.Byte());
  }
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    const ParseResult first = ParseRegFile(velmora::fuzz::Text(data, size));
    if (!first.file) return 0;
    const std::string again = Write(first.file->keys);
    const ParseResult second = ParseRegFile(again);
    FUZZ_CHECK(second.file);
    FUZZ_CHECK(SameFile(first.file->keys, second.file->keys));
    FUZZ_CHECK(second.file->valueCount == first.file->valueCount);
    for (const RegFileKey& k : first.file->keys)
      for (const RegFileValue& v : k.values) (void)ValueHash(k.path, v);
    return 0;
  }
  // Keys and values for the writer: every key under a known root.
  static const char16_t* const kRoots[] = {u"HKEY_LOCAL_MACHINE", u"HKEY_USERS", u"HKEY_CURRENT_USER",
                                           u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_CONFIG"};
  Draw d(data, size);
  std::vector<RegFileKey> keys;
  const std::size_t keyCount = d.Below(6);
  for (std::size_t k = 0; k < keyCount; ++k) {
    RegFileKey key;
    key.path = kRoots[d.Below(5)];
    std::u16string rest = Units(d, 24);
    std::u16string clean;
    for (char16_t c : rest)
      if (c != u'\r' && c != u'\n') clean += c;
    if (!clean.empty()) key.path += u"\\" + clean;
    const std::size_t valueCount = d.Below(5);
    for (std::size_t v = 0; v < valueCount; ++v) {
      RegFileValue value;
      value.isDefault = d.Below(4) == 0;
      if (!value.isDefault) value.name = Units(d, 16);
      static const std::uint32_t kTypes[] = {0, 1, 2, 3, 4, 7, 11, 0x12345678};
      value.type = kTypes[d.Below(8)];
      const std::string bytes = d.Bytes(300);
      value.data.assign(bytes.begin(), bytes.end());
      key.values.push_back(std::move(value));
    }
    keys.push_back(std::move(key));
  }
  const std::string text = Write(keys);
  const ParseResult back = ParseRegFile(text);
  if (!back.file) {
    std::fprintf(stderr, "written file refused: line %zu: %s\n", back.error.line, back.error.what.c_str());
    FUZZ_CHECK(back.file);
  }
  FUZZ_CHECK(SameFile(keys, back.file->keys));
  return 0;
}
