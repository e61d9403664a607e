#include "tools/regclean/reg_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace velmora::regclean;

namespace {

std::vector<std::uint8_t> Utf16Bytes(std::u16string_view text, bool terminator = true) {
  std::vector<std::uint8_t> out;
  for (char16_t c : text) {
    out.push_back(std::uint8_t(c & 0xFF));
    out.push_back(std::uint8_t(c >> 8));
  }
  if (terminator) {
    out.push_back(0);
    out.push_back(0);
  }
  return out;
}

RegFileValue V(std::u16string name, std::uint32_t type, std::vector<std::uint8_t> data) {
  RegFileValue v;
  v.name = std::move(name);
  v.type = type;
  v.data = std::move(data);
  return v;
}

std::string FileOf(const std::vector<RegFileKey>& keys) {
  RegFileWriter w;
  std::string bytes = w.Take();
  for (const RegFileKey& k : keys) {
    if (!w.BeginKey(k.path)) continue;
    for (const RegFileValue& v : k.values) w.Value(v);
    bytes += w.Take();
  }
  return bytes;
}

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += char(c & 0xFF);
    bytes += char(c >> 8);
  }
  return bytes;
}

// Every odd form a registry value can take comes back byte for byte.
TEST(RegFile, EveryValueFormReadsBackExactly) {
  RegFileKey key{u"HKEY_CURRENT_USER\\Software\\Velmora Test\\a]b", {}};
  RegFileValue def = V(u"", regtype::kSz, Utf16Bytes(u"default"));
  def.isDefault = true;
  key.values = {def,
                V(u"plain", regtype::kSz, Utf16Bytes(u"C:\\Program Files\\\"quoted\" \\\\server")),
                V(u"astral \U0001F600", regtype::kSz, Utf16Bytes(u"\U0001F600 smile")),
                V(u"lone", regtype::kSz, Utf16Bytes(std::u16string(1, char16_t(0xD800)) + u"x")),
                V(u"embedded nul", regtype::kSz, Utf16Bytes(std::u16string(u"a\0b", 3))),
                V(u"no terminator", regtype::kSz, Utf16Bytes(u"abc", false)),
                V(u"odd length", regtype::kSz, {0x41, 0x00, 0x42}),
                V(u"empty", regtype::kSz, {}),
                V(u"line\r\nbreak", regtype::kSz, Utf16Bytes(u"two\r\nlines")),
                V(u"expand", regtype::kExpandSz, Utf16Bytes(u"%SystemRoot%\\x")),
                V(u"multi", regtype::kMultiSz, Utf16Bytes(std::u16string(u"a\0b\0", 4))),
                V(u"dword", regtype::kDword, {0x2a, 0, 0, 0x80}),
                V(u"short dword", regtype::kDword, {1, 2, 3}),
                V(u"qword", 11, {1, 2, 3, 4, 5, 6, 7, 8}),
                V(u"none", regtype::kNone, {}),
                V(u"big", regtype::kBinary, std::vector<std::uint8_t>(1 << 20, 0xAB)),
                V(u"quote\"back\\slash", regtype::kBinary, {0, 1, 255})};
  RegFileKey second{u"HKEY_LOCAL_MACHINE\\Software\\Empty", {}};
  RegFileKey third{u"HKEY_USERS\\.DEFAULT", {V(u"x", regtype::kDword, {0, 0, 0, 0})}};
  const std::string bytes = FileOf({key, second, third});
  const ParseResult parsed = ParseRegFile(bytes);
  ASSERT_TRUE(parsed.file) << parsed.error.line << ": " << parsed.error.what;
  ASSERT_EQ(3u, parsed.file->keys.size());
  EXPECT_EQ(key.values.size() + 1, parsed.file->valueCount);
  const RegFileKey& back = parsed.file->keys[0];
  EXPECT_EQ(key.path, back.path);
  ASSERT_EQ(key.values.size(), back.values.size());
  for (std::size_t i = 0; i < key.values.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(key.values[i].isDefault, back.values[i].isDefault);
    EXPECT_EQ(key.values[i].name, back.values[i].name);
    EXPECT_EQ(key.values[i].type, back.values[i].type);
    EXPECT_EQ(key.values[i].data, back.values[i].data);
    EXPECT_EQ(ValueHash(key.path, key.values[i]), ValueHash(back.path, back.values[i]));
  }
  EXPECT_TRUE(parsed.file->keys[1].values.empty());
}

TEST(RegFile, TheTextIsWhatTheRegistryEditorWrites) {
  EXPECT_EQ(u"\"C:\\\\x \\\"y\\\"\"", FormatValueData(regtype::kSz, Utf16Bytes(u"C:\\x \"y\"")));
  EXPECT_EQ(u"dword:0000002a", FormatValueData(regtype::kDword, {0x2a, 0, 0, 0}));
  EXPECT_EQ(u"hex(4):01,02,03", FormatValueData(regtype::kDword, {1, 2, 3}));
  EXPECT_EQ(u"hex:00,ff", FormatValueData(regtype::kBinary, {0, 255}));
  EXPECT_EQ(u"hex(2):25,00,00,00", FormatValueData(regtype::kExpandSz, Utf16Bytes(u"%")));
  EXPECT_EQ(u"hex(b):", FormatValueData(11, {}));
  EXPECT_EQ(u"hex(1):41,00", FormatValueData(regtype::kSz, Utf16Bytes(u"A", false)));
  // Long lists wrap at 80 columns with a "\" and two blanks.
  const std::u16string wrapped = FormatValueData(regtype::kBinary, std::vector<std::uint8_t>(40, 0x11));
  EXPECT_NE(wrapped.find(u",\\\r\n  11"), std::u16string::npos);
  const std::string file = FileOf({{u"HKEY_CURRENT_USER\\X", {V(u"n", regtype::kDword, {1, 0, 0, 0})}}});
  EXPECT_EQ(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n\"n\"=dword:00000001\r\n"),
            file);
  // A key whose name holds a line break cannot be written: it is left out.
  RegFileWriter w;
  EXPECT_FALSE(w.BeginKey(u"HKEY_CURRENT_USER\\bad\nname"));
  EXPECT_EQ(0u, w.keys());
}

TEST(RegFile, AFileThatIsNotWholeOrWouldDeleteIsRefusedWhole) {
  const std::u16string head = u"Windows Registry Editor Version 5.00\r\n\r\n";
  const struct {
    std::string bytes;
    const char* why;
  } bad[] = {
      {"Windows Registry Editor Version 5.00\r\n", "no byte-order mark"},
      {Utf16File(u"REGEDIT4\r\n"), "another header"},
      {Utf16File(head + u"[-HKEY_CURRENT_USER\\X]\r\n"), "a key deletion"},
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X]\r\n\"a\"=-\r\n"), "a value deletion"},
      {Utf16File(head + u"[HKEY_NOWHERE\\X]\r\n"), "an unknown root"},
      {Utf16File(head + u"\"a\"=dword:00000001\r\n"), "a value outside a key"},
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X]\r\n\"a\"=hex:01,02,\\\r\n"), "cut inside a list"},
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X]\r\n\"a\"=\"open\r\n"), "an open text"},
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X]\r\n\"a\"=dword:1\r\n"), "a short number"},
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X]\r\n\"a\"=dword:00000001"), "no final line break"},
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X]\r\n\"a\"=str:x\r\n"), "an unknown form"},
      // A key the writer would not take (it refuses a line break in a path):
      // read, it could not be written back, so a restore would lose it.
      {Utf16File(head + u"[HKEY_CURRENT_USER\\X\rY]\r\n"), "a carriage return in a key"},
  };
  for (const auto& b : bad) {
    const ParseResult r = ParseRegFile(b.bytes);
    EXPECT_FALSE(r.file) << b.why;
    EXPECT_FALSE(r.error.what.empty()) << b.why;
  }
  // Cut anywhere inside the last value line of a real file: refused.
  const std::string whole =
      FileOf({{u"HKEY_CURRENT_USER\\X", {V(u"n", regtype::kBinary, std::vector<std::uint8_t>(100, 7))}}});
  ASSERT_TRUE(ParseRegFile(whole).file);
  for (std::size_t cut = whole.size() - 2; cut > whole.size() - 120; cut -= 2)
    EXPECT_FALSE(ParseRegFile(whole.substr(0, cut)).file) << cut;
}

TEST(RegFile, TheHashTellsValuesApart) {
  const RegFileValue a = V(u"name", regtype::kSz, Utf16Bytes(u"x"));
  RegFileValue otherType = a;
  otherType.type = regtype::kExpandSz;
  RegFileValue otherData = a;
  otherData.data[0] = 'y';
  RegFileValue def = a;
  def.isDefault = true;
  def.name.clear();
  const std::uint64_t h = ValueHash(u"HKEY_CURRENT_USER\\A", a);
  EXPECT_NE(h, ValueHash(u"HKEY_CURRENT_USER\\B", a));
  EXPECT_NE(h, ValueHash(u"HKEY_CURRENT_USER\\A", otherType));
  EXPECT_NE(h, ValueHash(u"HKEY_CURRENT_USER\\A", otherData));
  EXPECT_NE(ValueHash(u"K", V(u"", regtype::kSz, {})), ValueHash(u"K", def));
  // The key path and the name do not run into each other.
  EXPECT_NE(ValueHash(u"K\\ab", V(u"c", regtype::kSz, {})), ValueHash(u"K\\a", V(u"bc", regtype::kSz, {})));
}

}  // namespace
