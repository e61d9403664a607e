#include "tools/junk/file_probe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/datetime.h"
#include "platform/files.h"
#include "platform/handles.h"
#include "support/test_folder.h"

using namespace velmora;
using namespace velmora::junk;

namespace {

FILETIME AccessTime(const std::string& path) {
  FILETIME accessed{};
  ReadFileTimes(path, nullptr, &accessed, nullptr);
  return accessed;
}

TEST(ProbeFile, OneOpeningAnswersUseAccessAndTheFirstBytes) {
  test::TestFolder dir('E');
  const std::string program = dir.File("setup.ex~", std::string("MZ\x90\0rest", 8));
  // An access time a year back, which the look must not disturb.
  FILETIME old = AccessTime(program);
  ULARGE_INTEGER t{{old.dwLowDateTime, old.dwHighDateTime}};
  t.QuadPart -= 365ull * 24 * 3600 * 10000000;
  old = {t.LowPart, t.HighPart};
  ASSERT_TRUE(WriteFileTimes(program, nullptr, &old, nullptr));

  FileProbe p = ProbeFile(program);
  EXPECT_TRUE(p.exists);
  EXPECT_EQ(8u, p.file.size);
  EXPECT_TRUE(p.exclusive);
  EXPECT_TRUE(p.file.program);
  EXPECT_FALSE(p.iconFile);
  EXPECT_DOUBLE_EQ(FileTimeToLocalDateTime(old), p.lastAccess);
  const FILETIME after = AccessTime(program);
  EXPECT_EQ(old.dwLowDateTime, after.dwLowDateTime);
  EXPECT_EQ(old.dwHighDateTime, after.dwHighDateTime);

  const std::string icon = dir.File("app.ico.bak", std::string("\0\0\1\0\1\0", 6));
  p = ProbeFile(icon);
  EXPECT_TRUE(p.iconFile);
  EXPECT_FALSE(p.file.program);
  p = ProbeFile(dir.File("notes.tmp", "plain text"));
  EXPECT_FALSE(p.iconFile || p.file.program);
  EXPECT_FALSE(ProbeFile(dir.File("m.tmp", "M")).file.program);  // one byte is not a header
}

TEST(ProbeFile, InUseReadOnlyMissingAndFolders) {
  test::TestFolder dir('E');
  const std::string busy = dir.File("busy.tmp", "MZ busy");
  {
    // Held open by another "program" that lets others read.
    FileHandle h(CreateFileW(LongPathW(busy).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr));
    ASSERT_TRUE(h);
    const FileProbe p = ProbeFile(busy);
    EXPECT_TRUE(p.exists);
    EXPECT_FALSE(p.exclusive);
    EXPECT_EQ(0, p.lastAccess);  // a date long past, as for a file that cannot be opened
    EXPECT_TRUE(p.file.program);      // the first bytes are still read
  }
  EXPECT_TRUE(ProbeFile(busy).exclusive);

  const std::string readOnly = dir.File("ro.bak", "MZ");
  test::SetAttributes(readOnly, FILE_ATTRIBUTE_READONLY);
  FileProbe p = ProbeFile(readOnly);
  EXPECT_TRUE(p.exists);
  EXPECT_FALSE(p.exclusive);  // as on Windows, where writing is refused
  EXPECT_EQ(0, p.lastAccess);
  EXPECT_TRUE(p.file.program);
  EXPECT_TRUE(p.file.attributes & FILE_ATTRIBUTE_READONLY);
  test::SetAttributes(readOnly, FILE_ATTRIBUTE_NORMAL);

  EXPECT_FALSE(ProbeFile(dir / "missing.tmp").exists);
  EXPECT_FALSE(ProbeFile(dir.Folder("folder.tmp")).exists);
}

}  // namespace
