#include "tools/junk/file_probe.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <vector>

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

ProbeQueue::Job JobFor(int i) { return {std::to_string(i), i % 2 == 0}; }

TEST(ProbeQueue, ResultsComeBackInPushOrderWhetherTakenEarlyOrAtTheEnd) {
  std::atomic<int> probed{0};
  ProbeQueue q([&](const ProbeQueue::Job& job) {
    if (std::stoi(job.path) % 7 == 0) Sleep(1);
    if (job.path == "13") throw std::runtime_error("cannot look");
    ++probed;
    FileProbe p;
    p.exists = true;
    p.file.size = std::stoull(job.path);
    return p;
  });
  const int n = int(ProbeQueue::kMaxWaiting) * 3;  // more than the queue holds unprobed
  std::vector<int> order;
  auto take = [&](ProbeQueue::Done& d) {
    order.push_back(std::stoi(d.job.path));
    EXPECT_EQ(d.job.zeroPass, order.back() % 2 == 0);
    if (d.job.path == "13") {
      EXPECT_FALSE(d.probe.exists);  // a failed probe counts as a vanished file
    } else {
      EXPECT_EQ(d.probe.file.size, std::uint64_t(order.back()));
    }
  };
  std::vector<ProbeQueue::Job> batch;
  for (int i = 0; i < n; ++i) {
    batch.push_back(JobFor(i));
    if (batch.size() == 50) {
      q.Push(batch);
      EXPECT_TRUE(batch.empty());
      q.Drain(false, take);
    }
  }
  q.Push(batch);
  q.Drain(true, take);
  ASSERT_EQ(int(order.size()), n);
  for (int i = 0; i < n; ++i) ASSERT_EQ(order[size_t(i)], i);
  EXPECT_EQ(0u, q.pending());
  EXPECT_EQ(n - 1, probed.load());
}

TEST(ProbeQueue, ClosingWithJobsLeftDropsThemWithoutWaitingForAll) {
  std::atomic<int> probed{0};
  {
    ProbeQueue q([&](const ProbeQueue::Job&) {
      Sleep(5);
      ++probed;
      return FileProbe{};
    });
    std::vector<ProbeQueue::Job> batch;
    for (int i = 0; i < 100; ++i) batch.push_back(JobFor(i));
    q.Push(batch);
    Sleep(20);
  }
  EXPECT_LT(probed.load(), 100);
}

}  // namespace
