#include "tools/regclean/reference.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "platform/files.h"
#include "platform/system.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::regclean;

namespace {

TEST(Reference, TheSystemAnswersWithoutMovingTheCurrentFolder) {
  test::TestFolder dir('E');
  const std::string file = dir.File("present.dll", "x");
  const std::string bare = dir.File("hosts", "x");
  const ReferenceEnv env = SystemReferenceEnv(true);
  const std::string before = CurrentFolder();
  EXPECT_TRUE(IsValidReference(file, env));
  EXPECT_TRUE(IsValidReference(bare, env));
  EXPECT_TRUE(IsValidReference(dir.path(), env));
  EXPECT_FALSE(IsValidReference(dir / "missing.dll", env));
  EXPECT_FALSE(IsValidReference(dir / "gone\\missing.dll", env));
  EXPECT_FALSE(IsValidReference(dir / "GoneFolder", env));
  // Past 259 characters the path is still asked about, not taken for missing.
  const std::string longName = dir.path() + std::string(120, 'a') + "\\" + std::string(120, 'b');
  ASSERT_TRUE(CreateFolderPath(longName));
  EXPECT_TRUE(IsValidReference(longName, env));
  EXPECT_TRUE(IsValidReference(dir / "*.dll", env));
  EXPECT_EQ(before, CurrentFolder());
  // The prefix has both system folders: a 32-bit name of a 64-bit-only file is found.
  const std::string windows = SystemWindowsFolder().value_or("C:\\windows");
  EXPECT_TRUE(IsValidReference(windows + "\\Sysnative\\kernel32.dll", env));
}

}  // namespace
