#include <gtest/gtest.h>

#include "platform/registry.h"
#include "shell/settings.h"
#include "support/registry_sandbox.h"

using namespace velmora;
using namespace velmora::shell;

namespace {
const std::string kKey = "\\Software\\Dastra\\Velmora\\Probe";
}

TEST(Settings, DefaultsOnAMissingKeyAndRoundTrips) {
  test::RegistrySandbox sandbox;
  EXPECT_TRUE(ReadBoolSetting(kKey, "Flag"));
  EXPECT_EQ(0, ReadIntegerSetting(kKey, "Count"));

  WriteBoolSetting(kKey, "Flag", false);
  WriteIntegerSetting(kKey, "Count", -5);
  EXPECT_FALSE(ReadBoolSetting(kKey, "Flag"));
  EXPECT_EQ(-5, ReadIntegerSetting(kKey, "Count"));
  // Stored as 32-bit integers 0/1, other spellings of the path name the same key.
  EXPECT_EQ(0u, RegKey::Open(HKEY_CURRENT_USER, "software\\dastra\\velmora\\probe").ReadDword("Flag").value());

  DeleteSetting(kKey, "Count");
  DeleteSetting(kKey, "Count");  // a second delete is harmless
  EXPECT_EQ(0, ReadIntegerSetting(kKey, "Count"));
}

// A damaged setting reads as its default, and the next write repairs its type.
TEST(Settings, WrongTypeReadsAsAbsentAndTheNextWriteStoresTheRightType) {
  test::RegistrySandbox sandbox;
  const RegKey key = RegKey::Create(HKEY_CURRENT_USER, kKey);
  key.WriteString("Flag", "0");
  key.WriteBinary("Count", "\x05\x00", 2);
  key.WriteDword("Text", 7);
  EXPECT_TRUE(ReadBoolSetting(kKey, "Flag"));
  EXPECT_EQ(0, ReadIntegerSetting(kKey, "Count"));
  EXPECT_EQ(std::nullopt, ReadStringSetting(kKey, "Text"));
  WriteBoolSetting(kKey, "Flag", false);
  WriteIntegerSetting(kKey, "Count", 5);
  WriteStringSetting(kKey, "Text", "C");
  EXPECT_FALSE(ReadBoolSetting(kKey, "Flag"));
  EXPECT_EQ(5, ReadIntegerSetting(kKey, "Count"));
  EXPECT_EQ("C", ReadStringSetting(kKey, "Text"));
  EXPECT_EQ(DWORD(REG_DWORD), key.ReadValue("Flag")->type);
  // The typed reads underneath still raise, for the tools whose work is the data.
  key.WriteString("Flag", "yes");
  EXPECT_THROW(key.ReadDword("Flag"), RegistryError);
}

TEST(Settings, StatisticsWrapInThirtyTwoBits) {
  test::RegistrySandbox sandbox;
  WriteIntegerSetting(kKey, "JunkBytes", 2147483647);
  WriteIntegerSetting(kKey, "JunkBytes",
                      std::int32_t(std::uint32_t(ReadIntegerSetting(kKey, "JunkBytes")) + 1u));
  EXPECT_EQ(-2147483647 - 1, ReadIntegerSetting(kKey, "JunkBytes"));
}
