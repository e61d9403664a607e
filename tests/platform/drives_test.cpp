#include <gtest/gtest.h>

#include "platform/drives.h"

using namespace velmora;

// The test prefix (scripts/wine-env) has A: floppy, C: fixed, D: CD-ROM,
// E: fixed, N: network and no Z:; this also checks the harness.
TEST(Drives, TypesOfTheTestPrefix) {
  EXPECT_EQ(UINT(DRIVE_REMOVABLE), DriveType('A'));
  EXPECT_EQ(UINT(DRIVE_FIXED), DriveType('C'));
  EXPECT_EQ(UINT(DRIVE_CDROM), DriveType('D'));
  EXPECT_EQ(UINT(DRIVE_FIXED), DriveType('E'));
  EXPECT_EQ(UINT(DRIVE_REMOTE), DriveType('N'));
  EXPECT_EQ(UINT(DRIVE_NO_ROOT_DIR), DriveType('Z'));
  EXPECT_EQ(UINT(DRIVE_FIXED), DriveType('c'));
  EXPECT_EQ(UINT(DRIVE_NO_ROOT_DIR), DriveType('1'));
}

TEST(Drives, RootsAndFreeSpace) {
  EXPECT_TRUE(DriveRootExists('C'));
  EXPECT_TRUE(DriveRootExists('e'));
  EXPECT_FALSE(DriveRootExists('Z'));
  EXPECT_FALSE(DriveRootExists('?'));

  const auto free = DriveFreeBytes('C');
  const auto byClusters = DriveFreeBytesByClusters('C');
  ASSERT_TRUE(free);
  ASSERT_TRUE(byClusters);
  EXPECT_GT(*free, 0u);
  EXPECT_GT(*byClusters, 0u);
  EXPECT_FALSE(DriveFreeBytes('Z'));
  EXPECT_FALSE(DriveFreeBytesByClusters('Z'));
}
