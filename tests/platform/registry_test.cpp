#include <gtest/gtest.h>

#include "platform/registry.h"
#include "support/registry_sandbox.h"

using namespace velmora;

TEST(RegistryKey, TypedValuesRoundTripAndWrongTypeNamesKeyAndValue) {
  test::RegistrySandbox sandbox;
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, "\\Software\\Dastra\\Velmora\\Test");
  key.WriteDword("Count", 0xFFFFFFFEu);
  key.WriteString("Name", "caf\xC3\xA9 \xE2\x82\xAC");
  key.WriteExpandString("Path", "%TEMP%\\x");
  key.WriteDateTime("When", 45000.75);
  const unsigned char bytes[] = {1, 2, 3};
  key.WriteBinary("Blob", bytes, sizeof bytes);

  RegKey again = RegKey::Open(HKEY_CURRENT_USER, "software\\dastra\\velmora\\test");
  ASSERT_TRUE(again);
  EXPECT_EQ(0xFFFFFFFEu, again.ReadDword("Count").value());
  EXPECT_EQ("caf\xC3\xA9 \xE2\x82\xAC", again.ReadString("Name").value());
  EXPECT_EQ("%TEMP%\\x", again.ReadString("Path").value());
  EXPECT_DOUBLE_EQ(45000.75, again.ReadDateTime("When").value());
  EXPECT_EQ(3u, again.ReadBinary("Blob")->size());
  EXPECT_FALSE(again.ReadDword("Absent").has_value());

  try {
    again.ReadDword("Name");
    FAIL() << "a string read as an integer must raise";
  } catch (const RegistryError& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("Name"));
    EXPECT_NE(std::string::npos, std::string(e.what()).find("velmora\\test"));
  }
  EXPECT_THROW(again.ReadDateTime("Blob"), RegistryError);  // 3 bytes is no date-time
}

TEST(RegistryKey, EnumeratesDeletesValuesAndTrees) {
  test::RegistrySandbox sandbox;
  RegKey key = RegKey::Create(HKEY_CURRENT_USER, "Software\\T");
  key.WriteDword("a", 1);
  key.WriteDword("b", 2);
  key.CreateSubKey("Sub1").CreateSubKey("Deeper").WriteDword("x", 1);
  key.CreateSubKey("Sub2");
  EXPECT_EQ((std::vector<std::string>{"a", "b"}), key.ValueNames());
  EXPECT_EQ((std::vector<std::string>{"Sub1", "Sub2"}), key.SubKeyNames());
  EXPECT_TRUE(key.DeleteValue("a"));
  EXPECT_FALSE(key.DeleteValue("a"));
  EXPECT_TRUE(key.DeleteSubKeyTree("Sub1"));
  EXPECT_EQ((std::vector<std::string>{"Sub2"}), key.SubKeyNames());
  EXPECT_TRUE(RegKey::DeleteTree(HKEY_CURRENT_USER, "Software\\T"));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, "Software\\T"));
  FILETIME ft = RegKey::Create(HKEY_CURRENT_USER, "Software\\U").LastWriteTime();
  EXPECT_NE(0u, ft.dwHighDateTime);
}

TEST(RegistrySandbox, RedirectsMachineAndUserTreesAndCleansUp) {
  std::string scratch;
  {
    test::RegistrySandbox sandbox;
    scratch = sandbox.scratchPath();
    RegKey::Create(HKEY_LOCAL_MACHINE, "Software\\VelmoraProbe").WriteDword("v", 1);
    EXPECT_TRUE(RegKey::Exists(HKEY_CURRENT_USER, "") );
  }
  // The machine key written inside the sandbox is not in the real machine tree,
  // and the scratch tree is gone.
  EXPECT_FALSE(RegKey::Exists(HKEY_LOCAL_MACHINE, "Software\\VelmoraProbe"));
  EXPECT_FALSE(RegKey::Exists(HKEY_CURRENT_USER, scratch));
}
