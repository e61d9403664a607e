// The directory and registry snapshots' line formats and merges on texts
// (window-free: also built natively; dir_snapshot_test.cpp and
// reg_snapshot_test.cpp record real folders and keys).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tracker/dir_snapshot.h"
#include "tools/tracker/reg_snapshot.h"

using namespace velmora::tracker;

namespace {

using Lines = std::vector<std::string>;

// The registry's value types, as numbers (no Win32 header here).
constexpr std::uint32_t kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4,
                        kRegDwordBigEndian = 5;

// 15 June 2020 10:20:30 as a DOS date and time.
constexpr std::uint32_t kFixedDos = 0x50CF528F;

std::string Sig(std::uint64_t size) {
  const auto s = EncodeSignature(kFixedDos, size);
  return std::string(s.data(), 4);
}

DirChanges Merge(const std::string& before, const std::string& after) {
  StringSource b(before), a(after);
  DirSnapshotReader rb(b, "before"), ra(a, "after");
  DirChanges c;
  MergeDirSnapshots(rb, ra, c, nullptr, nullptr);
  return c;
}

std::string Entry(int level, const std::string& name, std::uint64_t size = 1) {
  return std::string(1, char('0' + level)) + Sig(size) + name + "\r\n";
}

TEST(DirSnapshotText, SignatureSubstitutesLineBreakingBytes) {
  // 0x50CF528F XOR 0x8F gives a low byte 0; XOR 0x82 gives 13 (carriage return).
  EXPECT_EQ(Sig(0x8F), std::string("\x20\x52\xCF\x50", 4));
  EXPECT_EQ(Sig(0x82), std::string("\x2D\x52\xCF\x50", 4));
  EXPECT_EQ(Sig(0), std::string("\x8F\x52\xCF\x50", 4));
  // 0 and 32 are stored alike: such a change is not seen.
  EXPECT_EQ(Sig(0x8F), Sig(0x8F ^ 32));
  // Sizes above 4 GB count with their low 32 bits only.
  EXPECT_EQ(Sig(0x100000005ull), Sig(5));
}

TEST(DirSnapshotText, DamagedSnapshotsNameFileAndLine) {
  const std::string good = "0C:\\\r\n" + Entry(1, "A", 0) + Entry(2, "B");
  struct Case {
    std::string text, line, what;
  } cases[] = {
      {good + "1ssss", "line 4", "line end"},                          // cut short
      {good + "1ss\r\n", "line 4", "too short"},                       // no room for a name
      {good + "/ssssX\r\n", "line 4", "below 1"},                      // level under "1"
      {good + Entry(4, "D"), "line 4", "more than one level"},         // a jump of two
      {Entry(1, "A") + good, "line 1", "before any drive"},            // no drive yet
  };
  for (const Case& k : cases) {
    try {
      Merge(good, k.text);
      ADD_FAILURE() << "accepted: " << k.what;
    } catch (const SnapshotError& e) {
      const std::string m = e.what();
      EXPECT_NE(m.find("\"after\""), std::string::npos) << m;
      EXPECT_NE(m.find(k.line), std::string::npos) << m;
      EXPECT_NE(m.find(k.what), std::string::npos) << m;
    }
  }
}

TEST(RegSnapshotText, ValueTextsByTypeAndSize) {
  EXPECT_EQ(MakeValueText(kRegDword, std::string(4, '\xFF')).text, "-1");
  EXPECT_EQ(MakeValueText(kRegDwordBigEndian, std::string("\0\0\1\0", 4)).text, "256");
  EXPECT_EQ(MakeValueText(kRegDword, std::string("\x05", 1)).text, "5");  // missing bytes read as 0
  EXPECT_EQ(MakeValueText(kRegDword, "").text, "0");
  const RegValueText line = MakeValueText(kRegSz, std::string("a\r\nb\0", 5));
  EXPECT_EQ(line.text, "a  b");
  EXPECT_EQ(line.typeChar, '3');
  // 255 bytes with the terminator are text; 256 are the folded hex form, as string data.
  EXPECT_EQ(MakeValueText(kRegExpandSz, std::string(254, 'x') + '\0').text, std::string(254, 'x'));
  const RegValueText longText = MakeValueText(kRegSz, std::string(255, 'x') + '\0');
  EXPECT_EQ(longText.typeChar, 'C');
  // Sixteen "x" fold to 0; the last column holds fifteen and the terminator.
  EXPECT_EQ(longText.text, "00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,78");
  // Folding: byte i mod 16 XOR byte i, from byte 16 on.
  std::string bin(20, '\0');
  bin[16] = '\x0F';
  bin[19] = '\xA0';
  const RegValueText folded = MakeValueText(kRegBinary, bin);
  EXPECT_EQ(folded.typeChar, 'E');
  EXPECT_EQ(folded.text, "0F,00,00,A0,00,00,00,00,00,00,00,00,00,00,00,00");
  EXPECT_EQ(MakeValueText(kRegBinary, "").text, "");
  EXPECT_EQ(MakeValueText(kRegNone, "").typeChar, '2');
  const RegValueText huge = MakeValueText(kRegBinary, std::string(32768, 'x'));
  EXPECT_EQ(huge.text, "Binary data over 32K - changes not tracked");
  EXPECT_EQ(huge.typeChar, '5');
  // Types whose character would pass byte 255 take kRegBinary's characters.
  EXPECT_EQ(MakeValueText(189, "x").typeChar, char(239));
  EXPECT_EQ(MakeValueText(189, std::string(17, 'x')).typeChar, char(255));
  EXPECT_EQ(MakeValueText(0xFFFF0012u, "x").typeChar, '5');
  EXPECT_EQ(MakeValueText(0xFFFF0012u, std::string(17, 'x')).typeChar, 'E');
}

TEST(RegSnapshotText, DamagedSnapshotsNameFileAndLine) {
  auto merge = [](const std::string& after) {
    const std::string before = "00HKEY_USERS\r\n10Key\r\n";
    StringSource b(before), a(after);
    RegSnapshotReader rb(b, "before"), ra(a, "after");
    RegChanges c;
    MergeRegSnapshots(rb, ra, c, nullptr, nullptr);
  };
  struct Case {
    std::string text, start, line;
  } cases[] = {
      {"00HKEY_USERS\r\n11Value\r\nERROR GETTING DATA: \\Key (Value)\r\n", "Stored Registry data is corrupted",
       "line 3"},
      {"00HKEY_USERS\r\n11Value\r\n", "Stored Registry data is corrupted", "line 2"},
      {"00HKEY_USERS\r\n10Key\r\nERROR GETTING DATA: HKEY_USERS\\Other (v)\r\n", "Damaged snapshot", "line 3"},
      {"ERROR GETTING DATA: HKEY_USERS (v)\r\n", "Damaged snapshot", "line 1"},
      {"00HKEY_USERS\r\n1XKey\r\n", "Damaged snapshot", "line 2"},
      {"00HKEY_USERS\r\n10Key\r\n30Deep\r\n", "Damaged snapshot", "line 3"},
      {"10Key\r\n", "Damaged snapshot", "line 1"},
      {"00HKEY_CLASSES_ROOT\r\n", "Damaged snapshot", "line 1"},
      {"00HKEY_USERS\r\nERROR GETTING KEYS/VALUES: HKEY_USERS\\Key\r\n", "Damaged snapshot", "line 2"},
      {"00HKEY_USERS\r\n10Key", "Damaged snapshot", "line 2"},
  };
  for (const Case& k : cases) {
    try {
      merge(k.text);
      ADD_FAILURE() << "accepted: " << k.text;
    } catch (const SnapshotError& e) {
      const std::string m = e.what();
      EXPECT_EQ(m.rfind(k.start, 0), 0u) << m;
      EXPECT_NE(m.find("\"after\", " + k.line), std::string::npos) << m;
    }
  }
}

}  // namespace
